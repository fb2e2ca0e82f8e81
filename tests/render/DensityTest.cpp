// The shared density piece: bin codes, pair counts, rasterising and tone mapping, checked
// against sums the pictures must keep and against the exact line of a record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "render/Density.h"
#include "render/Png.h"
#include "render/RecordingDrawing.h"
#include "render/SvgWriter.h"

namespace {

struct TTwoAxes {
    std::vector<float> Left, Right;
};

TTwoAxes RandomAxes(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    TTwoAxes axes;
    for (std::size_t i = 0; i < n; ++i) {
        axes.Left.push_back(uniform(random));
        axes.Right.push_back(i % 7 == 0 ? 1.0f : uniform(random) * uniform(random));
    }
    return axes;
}

} // namespace

TEST(BinCodes, ValuesFallIntoTheirBinAndTheEdgesClamp)
{
    struct {
        float Value;
        int Bins;
        int Bin;
    } cases[] = {{0.0f, 256, 0}, {1.0f, 256, 255}, {0.5f, 256, 128}, {0.999f, 4, 3}, {-3.0f, 8, 0},
                 {7.0f, 8, 7},   {std::nanf(""), 8, 0}, {0.26f, 4, 1}, {0.25f, 4, 1}};
    for (const auto& c : cases) {
        TBinCodes codes;
        codes.Code(&c.Value, 1);
        EXPECT_EQ(TBinCodes::BinOfCode(codes.Data()[0], c.Bins), c.Bin) << c.Value << " in " << c.Bins;
        EXPECT_EQ(TBinCodes::BinOf(c.Value, c.Bins), c.Bin) << c.Value << " in " << c.Bins;
    }
}

TEST(BinCodes, AreComputedOncePerColumnAndServeEveryResolution)
{
    const std::vector<float> values{0.1f, 0.9f, 0.5f};
    TBinCodes codes;
    codes.Code(values.data(), values.size(), 1);
    codes.Code(values.data(), values.size(), 1);
    EXPECT_EQ(codes.Computations, 1);
    codes.Code(values.data(), values.size(), 2);  // the values changed
    EXPECT_EQ(codes.Computations, 2);
    // A code's bin at any resolution is the value's bin there, within one bin.
    std::mt19937 random(1);
    std::uniform_real_distribution<float> uniform(0.0f, 1.0f);
    for (int i = 0; i < 10000; ++i) {
        const float v = uniform(random);
        for (const int bins : {1, 7, 64, 256, 333, 1600}) {
            const int exact = std::min(bins - 1, int(v * float(bins)));
            EXPECT_LE(std::abs(TBinCodes::BinOfCode(TBinCodes::CodeOf(v), bins) - exact), 1) << v << " " << bins;
        }
    }
}

TEST(ParallelDensity, EveryColumnBetweenTheAxesSumsToTheRecordsDrawn)
{
    const std::size_t n = 5000;
    const TTwoAxes axes = RandomAxes(n, 7);
    for (const int bins : {4, 64, 256}) {  // powers of two, as AddRows needs
        TBinCodes left, right;
        left.Code(axes.Left.data(), n);
        right.Code(axes.Right.data(), n);
        TBinPairCounts pairs;
        pairs.Reset(bins, false);
        pairs.AddRows(left.Data(), right.Data(), nullptr, n);
        EXPECT_DOUBLE_EQ(pairs.Total(), double(n));
        TDensityGrid grid;
        grid.Reset(120, 90, false);
        const float leftX = 10.3f, rightX = 97.6f;
        RasterisePairs(pairs, grid, leftX, rightX);
        for (int x = 0; x < grid.Width(); ++x) {
            const bool between = x >= FirstColumnBetween(leftX) && x <= LastColumnBetween(rightX);
            EXPECT_NEAR(grid.ColumnSum(x), between ? double(n) : 0.0, 1e-3) << "bins " << bins << " column " << x;
        }
    }
}

TEST(ParallelDensity, TheBrushedLayerSumsToTheBrushedRecordsWithTheirMeanColour)
{
    const std::size_t n = 3000;
    const TTwoAxes axes = RandomAxes(n, 11);
    TBinCodes left, right;
    left.Code(axes.Left.data(), n);
    right.Code(axes.Right.data(), n);
    // Brushed: the records whose left value lies under 0.3, in red, or over 0.8, in green.
    TBinPairCounts pairs;
    pairs.Reset(64, true);
    std::size_t brushed = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const float v = axes.Left[i];
        if (v >= 0.3f && v <= 0.8f) continue;
        const TOpenGLColor c = v < 0.3f ? TOpenGLColor(1, 0, 0) : TOpenGLColor(0, 1, 0);
        pairs.Add(TBinCodes::BinOfCode(left.Data()[i], 64), TBinCodes::BinOfCode(right.Data()[i], 64), 1.0f, c, c);
        ++brushed;
    }
    TDensityGrid grid;
    grid.Reset(200, 100, true);
    RasterisePairs(pairs, grid, 0.0f, 199.0f);
    for (int x = 1; x <= 198; ++x) ASSERT_NEAR(grid.ColumnSum(x), double(brushed), 1e-2) << x;
    // Near the left axis the low rows hold only red records, the high rows only green ones.
    const TOpenGLColor low = grid.MeanColor(2, 5, {}), high = grid.MeanColor(2, 95, {});
    ASSERT_GT(grid.Weight(2, 5), 0.0f);
    ASSERT_GT(grid.Weight(2, 95), 0.0f);
    EXPECT_NEAR(low.C1, 1.0f, 1e-4);
    EXPECT_NEAR(high.C2, 1.0f, 1e-4);
}

TEST(ParallelDensity, OneRecordCoversItsExactLineWithinABinAndNeverTheAxes)
{
    struct {
        float Left, Right;
        int Bins;
    } cases[] = {{0.1f, 0.9f, 256}, {0.9f, 0.1f, 64}, {0.5f, 0.5f, 16}, {0.0f, 1.0f, 256}, {0.33f, 0.71f, 100}};
    const int width = 150, height = 400;
    const float leftX = 20.0f, rightX = 140.0f;
    for (const auto& c : cases) {
        TBinPairCounts pairs;
        pairs.Reset(c.Bins, false);
        pairs.Add(TBinCodes::BinOf(c.Left, c.Bins), TBinCodes::BinOf(c.Right, c.Bins), 1.0f);
        TDensityGrid grid;
        grid.Reset(width, height, false);
        RasterisePairs(pairs, grid, leftX, rightX);
        const float binRows = float(height) / float(c.Bins);
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < height; ++y) {
                if (grid.Weight(x, y) == 0.0f) continue;
                EXPECT_GT(x, int(leftX)) << "on or left of the left axis";
                EXPECT_LT(x, int(rightX)) << "on or right of the right axis";
                // The rows the exact line crosses in this column.
                auto exactY = [&](float px) {
                    return (c.Left + (c.Right - c.Left) * (px - leftX) / (rightX - leftX)) * float(height);
                };
                const float low = std::min(exactY(float(x)), exactY(float(x + 1)));
                const float high = std::max(exactY(float(x)), exactY(float(x + 1)));
                const float row = float(y) + 0.5f;
                const float distance = row < low ? low - row : row > high ? row - high : 0.0f;
                EXPECT_LE(distance, binRows + 1.0f) << c.Left << "→" << c.Right << " column " << x;
            }
        EXPECT_NEAR(grid.Total(), double(LastColumnBetween(rightX) - FirstColumnBetween(leftX) + 1), 1e-3);
        // Unbroken: every column between the axes holds the line.
        for (int x = FirstColumnBetween(leftX); x <= LastColumnBetween(rightX); ++x) EXPECT_NEAR(grid.ColumnSum(x), 1.0, 1e-4);
    }
}

TEST(ParallelDensity, CoarseningKeepsTheWeightOfEveryPair)
{
    const TTwoAxes axes = RandomAxes(2000, 3);
    TBinCodes left, right;
    left.Code(axes.Left.data(), 2000);
    right.Code(axes.Right.data(), 2000);
    TBinPairCounts fine, coarse;
    fine.Reset(256, true);
    for (std::size_t i = 0; i < 2000; ++i) fine.Add(TBinCodes::BinOfCode(left.Data()[i], 256), TBinCodes::BinOfCode(right.Data()[i], 256), 1.0f, {1, 0, 0}, {0, 0, 1});
    coarse = fine;
    coarse.Coarsen();
    ASSERT_EQ(coarse.Bins(), 128);
    EXPECT_DOUBLE_EQ(coarse.Total(), fine.Total());
    for (int l = 0; l < 256; l += 2)
        for (int r = 0; r < 256; r += 2) {
            const float sum = fine.Weight(l, r) + fine.Weight(l + 1, r) + fine.Weight(l, r + 1) + fine.Weight(l + 1, r + 1);
            ASSERT_FLOAT_EQ(coarse.Weight(l / 2, r / 2), sum);
        }
}

TEST(ScatterDensity, ACellSumsToTheRecordsDrawnInIt)
{
    const std::size_t n = 4000;
    const TTwoAxes axes = RandomAxes(n, 5);
    TDensityGrid grid;
    grid.Reset(37, 29, true);
    for (std::size_t i = 0; i < n; ++i) {
        const int x = TBinCodes::BinOf(axes.Left[i], grid.Width());
        const int y = TBinCodes::BinOf(axes.Right[i], grid.Height());
        grid.Add(x, y, 1.0f, 0, 0, 1);
    }
    EXPECT_NEAR(grid.Total(), double(n), 1e-3);
}

TEST(ToneMap, OneRecordStaysVisibleAndTheDensestPixelIsOpaque)
{
    TToneMap map;
    EXPECT_FLOAT_EQ(map.Alpha(1.0f, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(map.Alpha(1e6f, 1e6f), 1.0f);
    EXPECT_GE(map.Alpha(1.0f, 1e6f), map.Floor);
    EXPECT_EQ(map.Alpha(0.0f, 10.0f), 0.0f);
    EXPECT_EQ(map.Alpha(std::nanf(""), 10.0f), 0.0f);
    float previous = 0;
    for (float w : {0.5f, 1.0f, 10.0f, 100.0f, 1000.0f}) {
        EXPECT_GT(map.Alpha(w, 1000.0f), previous) << w;
        previous = map.Alpha(w, 1000.0f);
    }

    TDensityGrid grid;
    grid.Reset(3, 2, true);
    grid.Add(0, 0, 1.0f, 1, 0, 0);
    grid.Add(0, 0, 3.0f, 0, 0, 1);
    grid.Add(2, 1, 1.0f, 0, 1, 0);
    TRgbaImage image;
    ToneMap(grid, {0, 0, 1}, map, image);
    ASSERT_EQ(image.Width, 3);
    ASSERT_EQ(image.Height, 2);
    const std::uint8_t* mixed = image.Pixel(0, 0);
    EXPECT_EQ(mixed[0], 64);   // a quarter red
    EXPECT_EQ(mixed[2], 191);  // three quarters blue
    EXPECT_EQ(mixed[3], 255);  // the densest pixel
    EXPECT_EQ(image.Pixel(1, 0)[3], 0);
    EXPECT_GT(image.Pixel(2, 1)[3], 0);
    EXPECT_EQ(image.Pixel(2, 1)[1], 255);
    // The picture's opacities are the tone map's, within two steps of 255.
    TDensityGrid ramp;
    ramp.Reset(200, 1, false);
    for (int x = 0; x < 200; ++x) ramp.Add(x, 0, std::pow(1.07f, float(x)) - 0.9f);
    ToneMap(ramp, {0, 0, 1}, map, image);
    for (int x = 0; x < 200; ++x)
        EXPECT_NEAR(image.Pixel(x, 0)[3], map.Alpha(ramp.Weight(x, 0), ramp.MaxWeight()) * 255.0f, 2.0f) << x;
}

TEST(GroupedNumber, SeparatesThousands)
{
    EXPECT_EQ(GroupedNumber(0), "0");
    EXPECT_EQ(GroupedNumber(999), "999");
    EXPECT_EQ(GroupedNumber(1000), "1,000");
    EXPECT_EQ(GroupedNumber(1000000), "1,000,000");
    EXPECT_EQ(GroupedNumber(-12345), "-12,345");
}

TEST(ImagePrimitive, IsRecordedAndWrittenToSvgAsAnEmbeddedPng)
{
    TRgbaImage image;
    image.Reset(2, 1);
    image.Pixel(1, 0)[0] = 255;
    image.Pixel(1, 0)[3] = 255;
    TRecordingDrawing rec;
    {
        TCurrentDrawing current(rec);
        Gl().Ortho(0, 100, 0, 50, -2, 2);
        TMeaningScope meaning(TMeaning::Record);
        Gl().Image(10, 20, 30, 40, 0, image);
    }
    ASSERT_EQ(rec.Images.size(), 1u);
    EXPECT_EQ(rec.ImagesMeaning(TMeaning::Record).size(), 1u);
    EXPECT_EQ(rec.Images[0].X1, 30);
    EXPECT_EQ(rec.Images[0].Image.Pixels, image.Pixels);
    const std::string svg = SvgText(rec, 100, 50);
    EXPECT_NE(svg.find("<image class=\"record\" x=\"10\" y=\"10\" width=\"20\" height=\"20\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("data:image/png;base64," + Base64(EncodePng(image))), std::string::npos);
}

TEST(Png, HasTheSignatureHeaderAndChecksums)
{
    TRgbaImage image;
    image.Reset(3, 2);
    const std::string png = EncodePng(image);
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png[19], 3);  // width 3
    EXPECT_EQ(png[23], 2);  // height 2
    EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
    EXPECT_EQ(Base64("Man"), "TWFu");
    EXPECT_EQ(Base64("Ma"), "TWE=");
    EXPECT_EQ(Base64("M"), "TQ==");
}

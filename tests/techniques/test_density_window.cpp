// Density and exact drawing in a real window (run under Xvfb), on 2,000 records of the cars
// sample: both pictures cover the same region of the window, and a brush's colour shows in
// the density picture where its records are.
#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "data/PreProcessedData.h"
#include "techniques/parallel/ParallelCoordinates.h"
#include "techniques/scatter/ScatterPlots.h"
#include "vis/SelectionsController.h"

namespace {

// The cars sample's records repeated up to 2,000 records.
bool LoadTwoThousandCars(TPreProcessedData& data, QTemporaryDir& directory)
{
    std::ifstream in(LUMETRA_SOURCE_DIR "/DataSets/Cars.lumet", std::ios::binary);
    std::string line, header;
    std::vector<std::string> rows;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == '#' || line[0] == '%')
            header += line + "\n";
        else
            rows.push_back(line);
    }
    if (rows.empty()) return false;
    const std::string file = directory.path().toStdString() + "/cars2000.lumet";
    std::ofstream out(file, std::ios::binary);
    out << header;
    for (int i = 0; i < 2000; ++i) out << rows[std::size_t(i) % rows.size()] << "\n";
    out.close();
    return data.ReadTextFile(file);
}

bool Drawn(QRgb p) { return qRed(p) < 235 || qGreen(p) < 235 || qBlue(p) < 235; }

// The share of the marked pixels of `a` (inside `region`) with a marked pixel of `b` within
// `margin` pixels.
double Covered(const QImage& a, const QImage& b, const QRect& region, int margin, long long* markedOut = nullptr)
{
    long long marked = 0, near = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            if (!Drawn(a.pixel(x, y))) continue;
            ++marked;
            bool found = false;
            for (int dy = -margin; dy <= margin && !found; ++dy)
                for (int dx = -margin; dx <= margin && !found; ++dx) {
                    const int u = x + dx, v = y + dy;
                    found = u >= 0 && v >= 0 && u < b.width() && v < b.height() && Drawn(b.pixel(u, v));
                }
            near += found;
        }
    if (markedOut) *markedOut += marked;
    return marked ? double(near) / double(marked) : 1.0;
}

template <typename TView> struct TWindow {
    TPreProcessedData Data;
    TSelectionsController Controller;
    TView View;
    QTemporaryDir Directory;
    bool Open()
    {
        if (!LoadTwoThousandCars(Data, Directory)) return false;
        Controller.BindData(&Data);
        View.SetPreProcessedData(&Data);
        View.SetSelectionsController(&Controller);
        View.resize(1000, 700);
        View.show();
        return QTest::qWaitForWindowExposed(&View) && View.isValid();
    }
    QImage Picture(TDrawingChoice choice)
    {
        View.SetDrawingChoice(choice);
        return View.PaintedImage().convertToFormat(QImage::Format_RGB32);
    }
    // A widget position of a logical point, in the picture's device pixels.
    QPoint At(const QImage& image, float x, float y) const
    {
        const double scale = double(image.width()) / View.width();
        return QPoint(int(x * View.width() / View.SpaceWidth * scale),
                      int((View.height() - y * View.height() / View.SpaceHeight) * scale));
    }
};

} // namespace

TEST(DensityWindow, ParallelExactAndDensityPicturesCoverTheSameRegion)
{
    TWindow<TParallelCoordinates> w;
    ASSERT_TRUE(w.Open());
    ASSERT_EQ(w.Data.RecordsNumber, 2000);
    const QImage exact = w.Picture(TDrawingChoice::Exact);
    const QImage density = w.Picture(TDrawingChoice::Density);
    ASSERT_TRUE(w.View.DrawsDensityNow());
    ASSERT_EQ(exact.size(), density.size());
    // Between the first and the last axis, over the axes' height.
    const int n = w.Data.NumberOfDimensions();
    const QPoint topLeft = w.At(exact, w.View.GetAxisX(0) + 2, float(w.View.SpaceHeight - TParallelCoordinates::Margin));
    const QPoint bottomRight = w.At(exact, w.View.GetAxisX(n - 1) - 2, float(TParallelCoordinates::Margin));
    const QRect region(topLeft, bottomRight);
    // Within one bin of 256 over the axis (about 3 pixels here) and a pixel.
    const int margin = int(std::ceil(double(region.height()) / 256.0)) + 1;
    long long densityPixels = 0, exactPixels = 0;
    EXPECT_GE(Covered(density, exact, region, margin, &densityPixels), 0.99) << "density where exact drawing has nothing";
    EXPECT_GE(Covered(exact, density, region, margin, &exactPixels), 0.97) << "exact lines the density picture misses";
    EXPECT_GT(densityPixels, region.width() * region.height() / 10);
    EXPECT_GT(exactPixels, region.width() * region.height() / 10);
}

TEST(DensityWindow, ParallelBrushColourShowsWhereItsRecordsAre)
{
    TWindow<TParallelCoordinates> w;
    ASSERT_TRUE(w.Open());
    // Low horsepower, on the fifth axis.
    const int hp = 4;
    TSelectioner* brush = AddSelectionOver(*w.Controller.GetSelectionsList(hp), &w.Data, 0.0f, 0.3f);
    ASSERT_NE(brush, nullptr);
    const TOpenGLColor c = *brush->Color();
    const QImage image = w.Picture(TDrawingChoice::Density);
    ASSERT_TRUE(w.View.DrawsDensityNow());
    // Just right of the axis: brush-coloured pixels lie inside the brush's range, and there
    // are some.
    auto brushColoured = [&](QRgb p) {
        // A blend of the brush colour over white, at least half opaque.
        const double a = 1.0 - (qRed(p) + qGreen(p) + qBlue(p)) / 765.0 / 1.0;
        if (a < 0.2) return false;
        const double r = qRed(p) / 255.0, g = qGreen(p) / 255.0, b = qBlue(p) / 255.0;
        double best = 1e9;
        for (double t = 0.3; t <= 1.0001; t += 0.05) {
            const double dr = r - (1 - t + t * c.C1), dg = g - (1 - t + t * c.C2), db = b - (1 - t + t * c.C3);
            best = std::min(best, dr * dr + dg * dg + db * db);
        }
        return best < 0.01;
    };
    const float x = w.View.GetAxisX(hp) + w.View.PixelsAcross(3);
    const int column = w.At(image, x, 0).x();
    const int top = w.At(image, x, w.View.ValueScale().ToLogical(0.3f)).y();
    const int bottom = w.At(image, x, w.View.ValueScale().ToLogical(0.0f)).y();
    int inside = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        if (!brushColoured(image.pixel(column, y))) continue;
        if (y >= top - 4 && y <= bottom + 4)
            ++inside;
        else
            ++outside;
    }
    EXPECT_GT(inside, 5);
    EXPECT_EQ(outside, 0);
}

TEST(DensityWindow, ScatterExactAndDensityPicturesCoverTheSameRegion)
{
    TWindow<TScatterPlots> w;
    ASSERT_TRUE(w.Open());
    const QImage exact = w.Picture(TDrawingChoice::Exact);
    const QImage density = w.Picture(TDrawingChoice::Density);
    ASSERT_TRUE(w.View.DrawsDensityNow());
    // Inside every cell, off its frame.
    double worstDensity = 1.0, worstExact = 1.0;
    long long densityPixels = 0, exactPixels = 0;
    for (int i = 0; i < w.View.ScatterCellsList->Count(); ++i) {
        const TScatterCell& cell = w.View.ScatterCellsList->Item(i);
        const QRect region(w.At(exact, float(cell.PosX0) + 2, float(cell.PosY1) - 2),
                           w.At(exact, float(cell.PosX1) - 2, float(cell.PosY0) + 2));
        // Exact points are 3 pixels wide, densities one pixel per record.
        worstDensity = std::min(worstDensity, Covered(density, exact, region, 1, &densityPixels));
        worstExact = std::min(worstExact, Covered(exact, density, region, 2, &exactPixels));
    }
    EXPECT_GE(worstDensity, 0.99);
    EXPECT_GE(worstExact, 0.99);
    EXPECT_GT(densityPixels, 5000);
    EXPECT_GT(exactPixels, densityPixels);
}

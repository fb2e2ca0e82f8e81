#pragma once
// Density drawing: records counted per pixel bin on the CPU and shown as a picture, for
// views whose records outnumber what exact primitives can show or the rasteriser can draw
// in time. No Qt, no OpenGL; both the parallel coordinates and the scatter plot matrix use
// it.
//
//   values ──TBinCodes──> bin code per cell (one byte, computed once per column and bins)
//   codes of two axes ──TBinPairCounts──> weight (and colour sums) per pair of bins
//   pairs ──RasterisePairs──> TDensityGrid (weight and weighted colour per pixel)
//   points ──TDensityGrid::AddPoint──> the same grid, for scatter plots
//   grid ──ToneMap──> TRgbaImage: the mean colour of a pixel, opacity from log(weight)
//
// Weights are floats: a record weighs 1, or its relevance in the relevance mode. Colours
// are weighted sums, so a pixel's colour is the mean colour of the records through it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "render/OpenGLColor.h"
#include "render/RgbaImage.h"

// Two bytes per cell: each normalised value of a column as a code of 16 bits, its bin among
// 2^16 equal bins over [0, 1] (values outside clamp to the first or last, not-a-number to
// the first). Any coarser bin follows from the code alone, BinOfCode(code, bins), so one
// coding of a column serves every axis length, cell size and window size.
class TBinCodes {
public:
    static constexpr int Levels = 65536;
    // The bin of a value among `bins`: floor(v × bins) clamped to 0 … bins − 1.
    static int BinOf(float value, int bins) { return BinOfCode(CodeOf(value), bins); }
    static std::uint16_t CodeOf(float value)
    {
        if (!(value > 0.0f)) return 0;
        if (value >= 1.0f) return Levels - 1;
        const int c = int(value * float(Levels));
        return std::uint16_t(c < Levels ? c : Levels - 1);
    }
    static int BinOfCode(std::uint16_t code, int bins) { return int((std::uint32_t(code) * std::uint32_t(bins)) >> 16); }

    // Codes `count` values; nothing is done when the column and its length are those of the
    // last call and `stamp` (a change stamp of the values) is the same.
    void Code(const float* values, std::size_t count, std::uint64_t stamp = 0);
    const std::uint16_t* Data() const { return Codes.data(); }
    std::size_t Count() const { return Codes.size(); }
    // How often codes were computed (tests: kept between paints).
    long long Computations = 0;

private:
    std::vector<std::uint16_t> Codes;
    const float* Source = nullptr;
    std::uint64_t Stamp = 0;
};

// A grid of Width × Height pixels (row 0 at the bottom) of accumulated weight, and of
// weighted colour sums unless every record has one colour (then that colour is given to
// the tone map).
class TDensityGrid {
public:
    // Sizes the grid and zeroes it; with `colorSums` false only weights are kept.
    void Reset(int width, int height, bool colorSums);
    int Width() const { return W; }
    int Height() const { return H; }
    bool HasColorSums() const { return ColorSums; }

    void Add(int x, int y, float weight)
    {
        if (unsigned(x) < unsigned(W) && unsigned(y) < unsigned(H)) Weights[std::size_t(y) * W + x] += weight;
    }
    void Add(int x, int y, float weight, float r, float g, float b)
    {
        if (unsigned(x) >= unsigned(W) || unsigned(y) >= unsigned(H)) return;
        const std::size_t i = std::size_t(y) * W + x;
        Weights[i] += weight;
        if (ColorSums) {
            float* c = &Colors[3 * i];
            c[0] += weight * r;
            c[1] += weight * g;
            c[2] += weight * b;
        }
    }

    // Adds a weight with colour sums already weighted (ignored without colour sums).
    void AddSums(int x, int y, float weight, float sumR, float sumG, float sumB)
    {
        if (unsigned(x) >= unsigned(W) || unsigned(y) >= unsigned(H)) return;
        const std::size_t i = std::size_t(y) * W + x;
        Weights[i] += weight;
        if (ColorSums) {
            float* c = &Colors[3 * i];
            c[0] += sumR;
            c[1] += sumG;
            c[2] += sumB;
        }
    }

    float Weight(int x, int y) const { return Weights[std::size_t(y) * W + x]; }
    // The weights, row after row from the bottom (for tight loops that check bounds first).
    float* WeightData() { return Weights.data(); }
    // The mean colour at a pixel (`uniform` where the grid keeps no colour sums or the pixel
    // is empty).
    TOpenGLColor MeanColor(int x, int y, const TOpenGLColor& uniform) const;
    double ColumnSum(int x) const;
    double Total() const;
    float MaxWeight() const;

private:
    int W = 0, H = 0;
    bool ColorSums = false;
    std::vector<float> Weights;
    std::vector<float> Colors;
};

// Weight and colour sums per (left bin, right bin) of a pair of neighbouring axes.
class TBinPairCounts {
public:
    static constexpr int MaxBins = 256;
    // Bins per axis; zeroes the counts (the colour sums only when `colorSums`).
    void Reset(int bins, bool colorSums);
    int Bins() const { return BinsValue; }
    bool HasColorSums() const { return ColorSums; }

    void Add(int left, int right, float weight) { Weights[std::size_t(left) * BinsValue + right] += weight; }
    void Add(int left, int right, float weight, const TOpenGLColor& leftColor, const TOpenGLColor& rightColor)
    {
        const std::size_t i = std::size_t(left) * BinsValue + right;
        Weights[i] += weight;
        float* c = &Colors[6 * i];
        c[0] += weight * leftColor.C1;
        c[1] += weight * leftColor.C2;
        c[2] += weight * leftColor.C3;
        c[3] += weight * rightColor.C1;
        c[4] += weight * rightColor.C2;
        c[5] += weight * rightColor.C3;
    }
    // Counts `count` rows of two coded columns with weight 1 each (rows null: 0 … count − 1).
    // The bins must be a power of two.
    void AddRows(const std::uint16_t* left, const std::uint16_t* right, const std::uint32_t* rows, std::size_t count);

    float Weight(int left, int right) const { return Weights[std::size_t(left) * BinsValue + right]; }
    const float* ColorSum(int left, int right) const { return &Colors[6 * (std::size_t(left) * BinsValue + right)]; }
    // Pairs with a weight (rasterising costs these times the columns between the axes).
    std::size_t NonEmpty() const;
    // Merges neighbouring bins two by two (bins must be even): half the bins per axis.
    void Coarsen();
    double Total() const;

private:
    int BinsValue = 0;
    bool ColorSums = false;
    std::vector<float> Weights;
    std::vector<float> Colors;  // left r, g, b, right r, g, b per pair
};

// The row a bin's centre falls on in a grid of `height` rows.
inline float BinCentreRow(int bin, int bins, int height) { return (float(bin) + 0.5f) / float(bins) * float(height); }

// Draws the pairs into `grid` as lines from each left bin's centre at pixel column
// `leftX` to the right bin's centre at `rightX` (pixel positions of the two axes), in the
// pixel columns strictly between the axes' columns: in each column the rows the line
// crosses share the pair's weight, its colour interpolated from the left to the right
// colour as a line's vertex colours are. So every such column receives the pairs' whole
// weight once.
void RasterisePairs(const TBinPairCounts& pairs, TDensityGrid& grid, float leftX, float rightX);

// The first and last pixel column strictly between two axes at pixel positions leftX,
// rightX (first > last when there is none).
inline int FirstColumnBetween(float leftX) { return int(leftX) + 1; }
inline int LastColumnBetween(float rightX) { return int(rightX) - 1; }

struct TToneMap {
    // Opacity of a pixel of weight w > 0 in a grid whose heaviest pixel weighs m:
    // Floor + (1 − Floor) × log(1 + w) / log(1 + max(m, 1)), at most 1, times Opacity. The
    // floor keeps one record visible among a million (also where a steep line spreads its
    // weight over several rows); the logarithm keeps the dense parts from saturating
    // everything.
    float Floor = 0.3f;
    float Opacity = 1.0f;
    float Alpha(float w, float m) const;
};

// The grid as a picture: each pixel its mean colour (`uniform` where the grid keeps no
// colour sums), alpha from the tone map; empty pixels transparent.
void ToneMap(const TDensityGrid& grid, const TOpenGLColor& uniform, const TToneMap& map, TRgbaImage& out);
// The same for the grid's rectangle of `width` × `height` pixels at (x0, y0), normalised by
// `maxWeight` (a heaviest pixel shared by several pictures).
void ToneMapRegion(const TDensityGrid& grid, int x0, int y0, int width, int height, float maxWeight,
                   const TOpenGLColor& uniform, const TToneMap& map, TRgbaImage& out);

// A number with thousands separators: 1000000 → "1,000,000".
std::string GroupedNumber(long long value);

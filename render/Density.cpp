#include "render/Density.h"

#include <algorithm>
#include <cmath>
#include <cstring>

std::uint64_t NewImageVersion()
{
    static std::uint64_t next = 0;  // the user-interface thread only
    return ++next;
}

// ---- bin codes

void TBinCodes::Code(const float* values, std::size_t count, std::uint64_t stamp)
{
    if (values == Source && count == Codes.size() && stamp == Stamp && Computations > 0) return;
    Source = values;
    Stamp = stamp;
    Codes.resize(count);
    ++Computations;
    for (std::size_t i = 0; i < count; ++i) Codes[i] = CodeOf(values[i]);
}

// ---- the grid

void TDensityGrid::Reset(int width, int height, bool colorSums)
{
    W = std::max(width, 0);
    H = std::max(height, 0);
    ColorSums = colorSums;
    const std::size_t n = std::size_t(W) * std::size_t(H);
    Weights.assign(n, 0.0f);
    if (colorSums)
        Colors.assign(3 * n, 0.0f);
    else
        Colors.clear();
}

TOpenGLColor TDensityGrid::MeanColor(int x, int y, const TOpenGLColor& uniform) const
{
    const std::size_t i = std::size_t(y) * W + x;
    const float w = Weights[i];
    if (!ColorSums || !(w > 0.0f)) return uniform;
    return {Colors[3 * i] / w, Colors[3 * i + 1] / w, Colors[3 * i + 2] / w};
}

double TDensityGrid::ColumnSum(int x) const
{
    double sum = 0;
    if (x < 0 || x >= W) return 0;
    for (int y = 0; y < H; ++y) sum += Weights[std::size_t(y) * W + x];
    return sum;
}

double TDensityGrid::Total() const
{
    double sum = 0;
    for (float w : Weights) sum += w;
    return sum;
}

float TDensityGrid::MaxWeight() const
{
    float m = 0;
    for (float w : Weights) m = std::max(m, w);
    return m;
}

// ---- pairs of bins

void TBinPairCounts::Reset(int bins, bool colorSums)
{
    BinsValue = std::clamp(bins, 1, MaxBins);
    ColorSums = colorSums;
    const std::size_t n = std::size_t(BinsValue) * std::size_t(BinsValue);
    Weights.assign(n, 0.0f);
    if (colorSums)
        Colors.assign(6 * n, 0.0f);
    else
        Colors.clear();
}

void TBinPairCounts::AddRows(const std::uint16_t* left, const std::uint16_t* right, const std::uint32_t* rows,
                             std::size_t count)
{
    float* weights = Weights.data();
    int log2 = 0;
    while ((1 << (log2 + 1)) <= BinsValue) ++log2;
    const int shift = 16 - log2;
    if (rows) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t r = rows[i];
            weights[(std::size_t(left[r] >> shift) << log2) | std::size_t(right[r] >> shift)] += 1.0f;
        }
    } else {
        for (std::size_t i = 0; i < count; ++i)
            weights[(std::size_t(left[i] >> shift) << log2) | std::size_t(right[i] >> shift)] += 1.0f;
    }
}

std::size_t TBinPairCounts::NonEmpty() const
{
    std::size_t n = 0;
    for (float w : Weights) n += w != 0.0f;
    return n;
}

double TBinPairCounts::Total() const
{
    double sum = 0;
    for (float w : Weights) sum += w;
    return sum;
}

void TBinPairCounts::Coarsen()
{
    if (BinsValue < 2 || BinsValue % 2 != 0) return;
    const int half = BinsValue / 2;
    std::vector<float> weights(std::size_t(half) * half, 0.0f);
    std::vector<float> colors(ColorSums ? 6 * weights.size() : 0, 0.0f);
    for (int l = 0; l < BinsValue; ++l)
        for (int r = 0; r < BinsValue; ++r) {
            const std::size_t from = std::size_t(l) * BinsValue + r;
            const std::size_t to = std::size_t(l / 2) * half + std::size_t(r / 2);
            weights[to] += Weights[from];
            if (ColorSums)
                for (int k = 0; k < 6; ++k) colors[6 * to + k] += Colors[6 * from + k];
        }
    BinsValue = half;
    Weights = std::move(weights);
    Colors = std::move(colors);
}

void RasterisePairs(const TBinPairCounts& pairs, TDensityGrid& grid, float leftX, float rightX)
{
    const int width = grid.Width(), height = grid.Height();
    const int first = std::max(0, FirstColumnBetween(leftX));
    const int last = std::min(width - 1, LastColumnBetween(rightX));
    const float span = rightX - leftX;
    if (first > last || height <= 0 || !(span > 0.0f)) return;
    const int bins = pairs.Bins();
    std::vector<float> centre(bins);
    for (int b = 0; b < bins; ++b) centre[b] = BinCentreRow(b, bins, height);
    const bool colours = pairs.HasColorSums() && grid.HasColorSums();
    const float top = float(height) - 0.001f;
    const float step = 1.0f / span;
    float* weights = grid.WeightData();  // rows are clamped to the grid and columns lie inside it
    for (int l = 0; l < bins; ++l)
        for (int r = 0; r < bins; ++r) {
            const float w = pairs.Weight(l, r);
            if (w == 0.0f) continue;
            const float ya = centre[l];
            const float slope = (centre[r] - ya) / span;
            const float* s = colours ? pairs.ColorSum(l, r) : nullptr;
            // The rows the line crosses within each column (from its left to its right
            // edge) share the pair's weight, so a steep line stays unbroken and the column
            // still receives the whole weight once.
            float y0 = std::clamp(ya + (float(first) - leftX) * slope, 0.0f, top);
            float t = (float(first) + 0.5f - leftX) * step;
            for (int c = first; c <= last; ++c, t += step) {
                const float y1 = std::clamp(ya + (float(c + 1) - leftX) * slope, 0.0f, top);
                const int from = int(std::min(y0, y1)), to = int(std::max(y0, y1));
                y0 = y1;
                const float share = w / float(to - from + 1);
                if (!s) {
                    float* cell = weights + std::size_t(from) * std::size_t(width) + std::size_t(c);
                    for (int y = from; y <= to; ++y, cell += width) *cell += share;
                    continue;
                }
                const float k = share / w;
                const float red = (s[0] + (s[3] - s[0]) * t) * k, green = (s[1] + (s[4] - s[1]) * t) * k,
                            blue = (s[2] + (s[5] - s[2]) * t) * k;
                for (int y = from; y <= to; ++y) grid.AddSums(c, y, share, red, green, blue);
            }
        }
}

// ---- tone map

float TToneMap::Alpha(float w, float m) const
{
    if (!(w > 0.0f)) return 0.0f;
    const float ceiling = std::max(m, 1.0f);
    const float a = Floor + (1.0f - Floor) * std::log1p(std::min(w, ceiling)) / std::log1p(ceiling);
    return std::clamp(a, 0.0f, 1.0f) * Opacity;
}

namespace {
// log2 of x > 0 within about 0.005: the exponent plus a parabola through the mantissa.
float FastLog2(float x)
{
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const float exponent = float(int((bits >> 23) & 255) - 128);
    bits = (bits & 0x007FFFFFu) | 0x3F800000u;
    float m;
    std::memcpy(&m, &bits, sizeof m);
    return exponent + (-0.34484843f * m + 2.02466578f) * m - 0.67487759f;
}

std::uint8_t Byte(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return std::uint8_t(v * 255.0f + 0.5f);
}
} // namespace

void ToneMapRegion(const TDensityGrid& grid, int x0, int y0, int width, int height, float maxWeight,
                   const TOpenGLColor& uniform, const TToneMap& map, TRgbaImage& out)
{
    width = std::max(0, std::min(width, grid.Width() - x0));
    height = std::max(0, std::min(height, grid.Height() - y0));
    out.Reset(width, height);
    if (width == 0 || height == 0) return;
    // TToneMap::Alpha with a fast logarithm (a million pixels a paint).
    const float ceiling = std::max(maxWeight, 1.0f);
    const float scale = (1.0f - map.Floor) / FastLog2(1.0f + ceiling);
    auto alpha = [&](float w) {
        return std::clamp(map.Floor + scale * FastLog2(1.0f + std::min(w, ceiling)), 0.0f, 1.0f) * map.Opacity;
    };
    const std::uint8_t ur = Byte(uniform.C1), ug = Byte(uniform.C2), ub = Byte(uniform.C3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float w = grid.Weight(x0 + x, y0 + y);
            if (!(w > 0.0f)) continue;
            std::uint8_t* p = out.Pixel(x, y);
            if (grid.HasColorSums()) {
                const TOpenGLColor c = grid.MeanColor(x0 + x, y0 + y, uniform);
                p[0] = Byte(c.C1);
                p[1] = Byte(c.C2);
                p[2] = Byte(c.C3);
            } else {
                p[0] = ur;
                p[1] = ug;
                p[2] = ub;
            }
            p[3] = Byte(alpha(w));
        }
}

void ToneMap(const TDensityGrid& grid, const TOpenGLColor& uniform, const TToneMap& map, TRgbaImage& out)
{
    ToneMapRegion(grid, 0, 0, grid.Width(), grid.Height(), grid.MaxWeight(), uniform, map, out);
}

std::string GroupedNumber(long long value)
{
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -(value + 1) + 1ull : static_cast<unsigned long long>(value));
    std::string out;
    const int n = int(digits.size());
    for (int i = 0; i < n; ++i) {
        out += digits[i];
        if ((n - 1 - i) % 3 == 0 && i != n - 1) out += ',';
    }
    return negative ? "-" + out : out;
}

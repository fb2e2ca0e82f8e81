#include "techniques/scatter/ScatterCell.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "render/CheckedInt.h"
#include "render/Drawing.h"
#include "render/OpenGLColor.h"
#include "render/TextDecoding.h"
#include "techniques/scatter/ScatterPlots.h"

// ---- bulk point helpers

void PlacePoints(const float* across, const TValueScale& x, const float* up, const TValueScale& y, std::size_t count,
                 TScatterScratch& scratch)
{
    scratch.Positions.resize(2 * count);
    float* out = scratch.Positions.data();
    const float x0 = x.Origin, xl = x.Length, y0 = y.Origin, yl = y.Length;
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = x0 + across[i] * xl;
        out[2 * i + 1] = y0 + up[i] * yl;
    }
}

void FrequencyPoints(const float* weightsAcross, const float* weightsUp, float pointSize, std::size_t count,
                     TScatterScratch& scratch)
{
    scratch.Colors.resize(3 * count);
    scratch.Sizes.resize(count);
    float* colors = scratch.Colors.data();
    float* sizes = scratch.Sizes.data();
    for (std::size_t i = 0; i < count; ++i) {
        const float w = (weightsAcross[i] + weightsUp[i]) * 0.5f;
        float d = w * w;
        // At least 0.1 (a weight that is not a number too), at most 1.
        d = d > 0.1f ? (d < 1.0f ? d : 1.0f) : 0.1f;
        colors[3 * i] = 1.0f;
        colors[3 * i + 1] = 1.0f - d;
        colors[3 * i + 2] = 1.0f - d;
        sizes[i] = 4.0f * d * pointSize;
    }
}

void RelevanceColors(const float* strengths, const float* weightsAcross, const float* weightsUp, std::size_t count,
                     TScatterScratch& scratch)
{
    scratch.Colors.resize(3 * count);
    float* colors = scratch.Colors.data();
    for (std::size_t i = 0; i < count; ++i) {
        const float w = (weightsAcross[i] + weightsUp[i]) * 0.5f;
        const TOpenGLColor c = RelevanceColor(strengths[i], w > 0.1f ? w : 0.1f);
        colors[3 * i] = c.C1;
        colors[3 * i + 1] = c.C2;
        colors[3 * i + 2] = c.C3;
    }
}

namespace {
// Distinct point sizes of one drawing, found with a small open-addressing table on the
// sizes' bits: a handful of sizes in practice, at most one per point.
class TSizeTable {
public:
    explicit TSizeTable(std::size_t expected)
    {
        std::size_t capacity = 64;
        while (capacity < 2 * std::min<std::size_t>(expected, 4096)) capacity *= 2;
        Slots.assign(capacity, Empty);
    }

    std::uint32_t Find(float size)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &size, sizeof bits);
        std::size_t mask = Slots.size() - 1;
        std::size_t slot = (bits * 0x9E3779B1u) & mask;
        while (true) {
            const std::uint32_t id = Slots[slot];
            if (id == Empty) break;
            if (Bits[id] == bits) return id;
            slot = (slot + 1) & mask;
        }
        const std::uint32_t id = std::uint32_t(Sizes.size());
        Sizes.push_back(size);
        Bits.push_back(bits);
        Slots[slot] = id;
        if (2 * Sizes.size() > Slots.size()) Grow();
        return id;
    }

    std::vector<float> Sizes;

private:
    void Grow()
    {
        Slots.assign(Slots.size() * 2, Empty);
        const std::size_t mask = Slots.size() - 1;
        for (std::uint32_t id = 0; id < Bits.size(); ++id) {
            std::size_t slot = (Bits[id] * 0x9E3779B1u) & mask;
            while (Slots[slot] != Empty) slot = (slot + 1) & mask;
            Slots[slot] = id;
        }
    }

    static constexpr std::uint32_t Empty = 0xFFFFFFFFu;
    std::vector<std::uint32_t> Slots;
    std::vector<std::uint32_t> Bits;
};
} // namespace

void DrawSizedPoints(const float* positions, const float* colors, const float* sizes, std::size_t count,
                     TScatterScratch& scratch)
{
    if (count == 0) return;
    constexpr std::uint32_t Skipped = 0xFFFFFFFFu;
    TSizeTable table(count);
    scratch.Bucket.resize(count);
    std::uint32_t* bucket = scratch.Bucket.data();
    for (std::size_t i = 0; i < count; ++i) bucket[i] = sizes[i] > 0.0f ? table.Find(sizes[i]) : Skipped;
    const std::size_t groups = table.Sizes.size();
    if (groups == 0) return;

    TDrawing& gl = Gl();
    if (groups == 1) {
        // One size: the arrays as they are, less the skipped points (none in most paints).
        std::size_t drawn = 0;
        for (std::size_t i = 0; i < count; ++i) drawn += bucket[i] != Skipped;
        if (drawn == count) {
            gl.PointSize(table.Sizes[0]);
            gl.DrawArrays(TPrimitive::Points, positions, 2, colors, count);
            return;
        }
    }
    // Groups in ascending size; a counting sort keeps record order within a group.
    std::vector<std::uint32_t> order(groups);
    for (std::uint32_t g = 0; g < groups; ++g) order[g] = g;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return table.Sizes[a] < table.Sizes[b]; });
    std::vector<std::size_t> start(groups + 1, 0);
    std::vector<std::uint32_t> rank(groups);
    for (std::uint32_t r = 0; r < groups; ++r) rank[order[r]] = r;
    for (std::size_t i = 0; i < count; ++i)
        if (bucket[i] != Skipped) ++start[rank[bucket[i]] + 1];
    for (std::size_t r = 1; r <= groups; ++r) start[r] += start[r - 1];
    const std::size_t drawn = start[groups];
    scratch.GroupedPositions.resize(2 * drawn);
    if (colors) scratch.GroupedColors.resize(3 * drawn);
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        if (bucket[i] == Skipped) continue;
        const std::size_t k = next[rank[bucket[i]]]++;
        scratch.GroupedPositions[2 * k] = positions[2 * i];
        scratch.GroupedPositions[2 * k + 1] = positions[2 * i + 1];
        if (colors) {
            scratch.GroupedColors[3 * k] = colors[3 * i];
            scratch.GroupedColors[3 * k + 1] = colors[3 * i + 1];
            scratch.GroupedColors[3 * k + 2] = colors[3 * i + 2];
        }
    }
    for (std::uint32_t r = 0; r < groups; ++r) {
        const std::size_t from = start[r], to = start[r + 1];
        if (from == to) continue;
        gl.PointSize(table.Sizes[order[r]]);
        gl.DrawArrays(TPrimitive::Points, scratch.GroupedPositions.data() + 2 * from, 2,
                      colors ? scratch.GroupedColors.data() + 3 * from : nullptr, to - from);
    }
}

// ---- the cell

void TScatterCell::Initialize(TScatterPlots* view, const TScatterLayout& layout, int column, int line)
{
    DrawSpace = view;
    PreProcessedData = view ? view->PreProcessedData() : nullptr;
    ScatterCellIndexes = TScatterCellIndexes(column, line);
    const TScatterRect r = layout.Cell(column, line);
    PosX0 = r.X0;
    PosY0 = r.Y0;
    PosX1 = r.X1;
    PosY1 = r.Y1;
    CellWidth = layout.CellWidth;
    CellHeight = layout.CellHeight;
    Dimensions = layout.Dimensions;
    XScale = TScatterLayout::PlotScale(PosX0, CellWidth);
    YScale = TScatterLayout::PlotScale(PosY0, CellHeight);
}

float TScatterCell::ValueAtX(int x) const { return CellWidth != 0.0f ? (float(x) - float(PosX0)) / CellWidth : 0.0f; }

void TScatterCell::Draw(const TScatterPaint& paint) const
{
    TDrawing& gl = Gl();
    if (Focused) {
        TMeaningScope meaning(TMeaning::Frame);
        gl.Color(0, 1, 0);
        gl.LineWidth(2);
        gl.Begin(TPrimitive::LineStrip);
        gl.Vertex(float(PosX0 + 1), float(PosY0 + 1), 2);
        gl.Vertex(float(PosX1 - 1), float(PosY0 + 1), 2);
        gl.Vertex(float(PosX1 - 1), float(PosY1 - 1), 2);
        gl.Vertex(float(PosX0 + 1), float(PosY1 - 1), 2);
        gl.Vertex(float(PosX0 + 1), float(PosY0 + 1), 2);
        gl.End();
    }
    switch (paint.DrawMode) {
    case drawmodeNormal: DrawNormal(paint); break;
    case drawmodeFreq: DrawFrequency(paint); break;
    case drawmodeRelev: DrawRelevance(paint); break;  // the list sorted the records once for all cells
    default: break;
    }
}

void TScatterCell::DrawFrameAndLabels(const TScatterPaint& paint) const
{
    TDrawing& gl = Gl();
    gl.Color(0, 0, 0);
    gl.LineWidth(1);
    if (PreProcessedData) {
        TMeaningScope meaning(TMeaning::Label);
        const float pixelsWide = float(PosX1 - PosX0) / paint.UnitsPerPixelX;
        const float pixelsHigh = float(PosY1 - PosY0) / paint.UnitsPerPixelY;
        if (ScatterCellIndexes.LineIndex == 0) {
            // The column's name along the bottom margin, as many characters as fit.
            const std::string name =
                CutToPixels(PreProcessedData->GetDimensionName(ScatterCellIndexes.ColumnIndex), pixelsWide);
            if (!name.empty()) {
                gl.RasterPos(float(PosX0), 4.0f * paint.UnitsPerPixelY, 1);
                gl.Text(name);
            }
        }
        if (ScatterCellIndexes.ColumnIndex == Dimensions - 1 && pixelsHigh >= 14.0f) {
            // The line's name across the top of the left column's cell, as many characters
            // as fit its width: the left margin is too narrow for a name written across.
            const std::string name =
                CutToPixels(PreProcessedData->GetDimensionName(ScatterCellIndexes.LineIndex), pixelsWide - 8.0f);
            if (!name.empty()) {
                gl.RasterPos(float(PosX0) + 4.0f * paint.UnitsPerPixelX, float(PosY1) - 12.0f * paint.UnitsPerPixelY, 1);
                gl.Text(name);
            }
        }
    }
    {
        TMeaningScope meaning(TMeaning::Frame);
        gl.Begin(TPrimitive::LineStrip);
        gl.Vertex(float(PosX0), float(PosY0), 2);
        gl.Vertex(float(PosX1), float(PosY0), 2);
        gl.Vertex(float(PosX1), float(PosY1), 2);
        gl.Vertex(float(PosX0), float(PosY1), 2);
        gl.Vertex(float(PosX0), float(PosY0), 2);
        gl.End();
    }
    if (paint.ShowIndexes) {
        TMeaningScope meaning(TMeaning::Label);
        gl.RasterPos(float(PosX0) + 10.0f * paint.UnitsPerPixelX, float(PosY0) + 10.0f * paint.UnitsPerPixelY, 1);
        gl.Text(std::to_string(ScatterCellIndexes.ColumnIndex) + std::to_string(ScatterCellIndexes.LineIndex));
    }
}

bool TScatterCell::Place(const TScatterPaint& paint) const
{
    const TScatterPointSource* points = paint.Points;
    const int c = ScatterCellIndexes.ColumnIndex, l = ScatterCellIndexes.LineIndex;
    if (!points || points->Count == 0 || c < 0 || l < 0 || c >= int(points->Values.size()) ||
        l >= int(points->Values.size()))
        return false;
    PlacePoints(points->Values[c], XScale, points->Values[l], YScale, points->Count, *paint.Scratch);
    return true;
}

void TScatterCell::DrawNormal(const TScatterPaint& paint) const
{
    DrawFrameAndLabels(paint);
    TDrawing& gl = Gl();
    gl.PointSize(paint.PointSize);
    if (Place(paint) && paint.PointSize > 0.0f) {
        TMeaningScope meaning(TMeaning::Record);
        gl.Color(0, 0, 1);
        gl.DrawArrays(TPrimitive::Points, paint.Scratch->Positions.data(), 2, paint.Points->Colors, paint.Points->Count);
    }
    gl.Flush();
}

void TScatterCell::DrawFrequency(const TScatterPaint& paint) const
{
    DrawFrameAndLabels(paint);
    if (!Place(paint)) return;
    const TScatterPointSource& points = *paint.Points;
    TScatterScratch& scratch = *paint.Scratch;
    FrequencyPoints(points.Weights[ScatterCellIndexes.ColumnIndex], points.Weights[ScatterCellIndexes.LineIndex],
                    paint.PointSize, points.Count, scratch);
    TMeaningScope meaning(TMeaning::Record);
    DrawSizedPoints(scratch.Positions.data(), scratch.Colors.data(), scratch.Sizes.data(), points.Count, scratch);
}

void TScatterCell::DrawRelevance(const TScatterPaint& paint) const
{
    DrawFrameAndLabels(paint);
    const int c = ScatterCellIndexes.ColumnIndex, l = ScatterCellIndexes.LineIndex;
    if (PreProcessedData && Place(paint) && paint.Points->Strengths) {
        const TScatterPointSource& points = *paint.Points;
        TScatterScratch& scratch = *paint.Scratch;
        const bool columnPoint = PreProcessedData->GetRelevanceValue(c) != -1.0f;
        const bool linePoint = PreProcessedData->GetRelevanceValue(l) != -1.0f;
        // Without a relevance point on either dimension every point has size 0: none drawn.
        if (columnPoint || linePoint) {
            const float* rc = points.Relevances[c];
            const float* rl = points.Relevances[l];
            scratch.Sizes.resize(points.Count);
            for (std::size_t i = 0; i < points.Count; ++i) {
                const float r = columnPoint && linePoint ? (rc[i] + rl[i]) * 0.5f : columnPoint ? rc[i] : rl[i];
                const float s = RelevanceStrength(r);
                scratch.Sizes[i] = 10.0f * s * s;
            }
            RelevanceColors(points.Strengths, points.Weights[c], points.Weights[l], points.Count, scratch);
            TMeaningScope meaning(TMeaning::Record);
            DrawSizedPoints(scratch.Positions.data(), scratch.Colors.data(), scratch.Sizes.data(), points.Count, scratch);
        }
    }
    if (IsDiagonal() && PreProcessedData && c < PreProcessedData->NumberOfDimensions()) {
        const float rv = PreProcessedData->GetRelevanceValue(c);
        if (rv != -1.0f) {
            TMeaningScope meaning(TMeaning::Marker);
            TDrawing& gl = Gl();
            gl.Color(1, 1, 0);
            gl.PointSize(paint.PointSize + 3);
            gl.Begin(TPrimitive::Points);
            gl.Vertex(XScale.ToLogical(rv), YScale.ToLogical(rv), 2);
            gl.End();
        }
    }
}

#pragma once
// The rows of the table lens: where row k lies in the visible space, which row a height
// falls in, and one row as it is drawn (a record shown as one bar per column).
//
// The view is a window onto a tall table: the visible space is Height logical units high,
// one unit per pixel; headers stay at the top (Height − 30 … Height − 1) and the footer at
// the bottom (0 … 40); between them the rows scroll. Row k (0 at the top) spans
// [PosY(k), RowTop(k)), with RowTop(0) = Height − 32 + Scroll: Thickness units per row
// (row edges at ceil(k × Thickness), so rows of a fractional thickness still tile the
// height: every height falls in exactly one row). Positions are 64-bit: a million rows of
// 30 units exceed nothing. Rows are drawn and hit only inside the band between the footer
// and the headers.

#include <cstdint>

#include "data/PreProcessedData.h"
#include "vis/VisualizationMethods.h"

class TTableLens;
class TTableLensColumnsList;

struct TTableLensRowLayout {
    static constexpr int HeaderBand = 32;   // rows begin this far below the top
    static constexpr int FooterTop = 40;    // the footer box's upper edge
    static constexpr int RowsBottom = 41;   // rows are visible from here up
    // Headers, the footer and a header hint (60 units below the headers) always fit.
    static constexpr int MinimumHeight = 160;

    int Height = MinimumHeight;
    float Thickness = 15.0f;
    std::int64_t Rows = 0;
    std::int64_t Scroll = 0;  // units scrolled down from the top, 0 … MaxScroll()

    // ceil(k × Thickness): how far row k's top lies below row 0's top.
    std::int64_t Edge(std::int64_t k) const;
    // The height of everything: headers, every row, and the footer below the last one.
    std::int64_t ContentHeight() const { return HeaderBand + Edge(Rows) + RowsBottom; }
    std::int64_t MaxScroll() const;
    std::int64_t Top() const { return Height - HeaderBand + Scroll; }  // row 0's top
    std::int64_t PosY(std::int64_t k) const { return Top() - Edge(k + 1); }
    std::int64_t RowTop(std::int64_t k) const { return Top() - Edge(k); }
    int ClipTop() const { return Height - HeaderBand; }
    int ClipBottom() const { return RowsBottom; }

    // The row at height y; −1 outside the rows' band or below the last row.
    std::int64_t RowAt(int y) const;
    // Rows [First, Last) that show inside the band.
    std::int64_t FirstVisible() const;
    std::int64_t LastVisible() const;
    // Scroll clamped into 0 … MaxScroll().
    std::int64_t Clamped(std::int64_t scroll) const;

private:
    // The k with Edge(k) < depth ≤ Edge(k + 1), for depth ≥ 1.
    std::int64_t IndexAtDepth(std::int64_t depth) const;
};

// Mean relevance weight of a record's cells over the dimensions that have a relevance
// point now, within [−1, 1]; 1 when no dimension has one.
float RecordRelevanceAverage(const TPreProcessedData& data, const TPreProcessedRecord& record);

// One row as drawn: the record at visual position Index. Built for the visible rows of a
// paint only; nothing is kept per record.
class TTableLensRecord {
public:
    // Lays the row out at visual position `index` of `layout`.
    void Initialize(TTableLens* view, std::int64_t index, const TTableLensRowLayout& layout);

    // One bar in column i, clipped to the rows' band, at depth 0 in the current colour:
    // four vertices of the Quads primitive the caller has open.
    void DrawBar(int i) const;
    // Every bar of the row, each in the mode's colour, inside an open Quads primitive.
    void DrawNormal() const;
    void DrawFrequency() const;
    void DrawRelevance() const;
    // The row by DrawMode: one Quads primitive with every bar.
    void Draw() const;
    // The hovered row's value labels above it (below it where above leaves the view) and
    // "Visual order: " in the footer.
    void DrawValueLabels() const;

    std::int64_t PosY = 0;
    std::int64_t Top = 0;  // upper edge (PosY + Thickness for a whole thickness)
    float Thickness = 15.0f;
    std::int64_t Index = -1;
    TPreProcessedRecord* Record = nullptr;
    ENUM_drawModes DrawMode = drawmodeNormal;
    bool Hovered = false;
    TTableLens* TableLens = nullptr;
    const TTableLensRowLayout* Layout = nullptr;
};

#pragma once
// One record of the parallel coordinates view: the polyline through its values on
// consecutive axes.

#include "data/PreProcessedData.h"
#include "render/VertexArrays.h"
#include "vis/ValueScale.h"
#include "vis/VisualizationMethods.h"

class TParallelCoordinates;

// Where the axes stand, as the polylines need it: slot s (0 = leftmost axis) shows
// dimension Order[s] at x = X[s]; a normalised value v lies at y = Scale.ToLogical(v).
// Values[s] and Weights[s] are that dimension's cell arrays (indexed by a record's Index),
// looked up once per paint so that drawing a record touches nothing else.
struct TParallelAxesGeometry {
    std::vector<int> Order;
    std::vector<float> X;
    std::vector<const float*> Values;
    std::vector<const float*> Weights;
    TValueScale Scale;

    // Fills Values and Weights from `data` for the current Order.
    void BindColumns(const TPreProcessedData& data);
    int Slots() const { return static_cast<int>(Order.size()); }

private:
    std::vector<float> NoWeights;  // read as weight 0 where a dimension has no weights yet
};

// A record's relevance coefficient as the relevance colours and widths use it: within
// [0, 1], so that a coefficient summed over many dimensions neither widens a line beyond
// 8 pixels nor leaves the colour scale.
inline float RelevanceStrength(const TPreProcessedRecord& record)
{
    return RelevanceStrength(record.RecordRelevanceCoefficiente);
}

class TParallelCoordinatesPolyLine {
public:
    // Stores view and dataset; with recordIndex ≠ -1 the record at that position of the
    // dataset's record list is attached.
    void Attach(TParallelCoordinates* view, TPreProcessedData* data, int recordIndex);

    // Each adds the record to `out` (Lines) as one two-point segment per pair of
    // neighbouring axes. Normal: in `color` at depth 0. Frequency: per-vertex
    // (1, 1 − w², 1 − w²) at depth 1. Relevance: per-vertex relevance colour at depth 1; the
    // caller skips records below 0.1 and sets the width.
    void DrawNormal(const TParallelAxesGeometry& axes, TVertexArrays& out, const TOpenGLColor& color) const;
    void DrawFrequency(const TParallelAxesGeometry& axes, TVertexArrays& out) const;
    void DrawRelevance(const TParallelAxesGeometry& axes, TVertexArrays& out) const;

    ENUM_drawModes DrawMode = drawmodeNormal;
    TPreProcessedRecord* Record = nullptr;
    TPreProcessedData* Data = nullptr;
    TParallelCoordinates* View = nullptr;
};

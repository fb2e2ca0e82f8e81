#pragma once
// One cell of the scatter plot matrix: the scatter plot of dimension ColumnIndex (across)
// against dimension LineIndex (up) in its rectangle, drawn per draw mode.
//
// Cells hold no records. A paint lays the records to draw out once as columns
// (TScatterPointSource), and every cell turns the two columns it shows into one vertex
// array in a scratch buffer shared by all cells, drawn with one DrawArrays.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/PreProcessedData.h"
#include "techniques/scatter/ScatterCellIndexes.h"
#include "techniques/scatter/ScatterLayout.h"
#include "vis/VisualizationMethods.h"

class TScatterPlots;

// The records one paint draws, in drawing order, read as columns: point i of every cell is
// the i-th record to draw. Values[d], Weights[d] and Relevances[d] hold Count floats each
// (the dataset's own arrays where the drawing order is the storage order).
struct TScatterPointSource {
    std::size_t Count = 0;
    std::vector<const float*> Values;
    std::vector<const float*> Weights;     // zeros where a dimension has none yet
    std::vector<const float*> Relevances;  // zeros where a dimension has none yet
    const float* Strengths = nullptr;      // RelevanceStrength of each record's coefficient
    const float* Colors = nullptr;         // r, g, b per record; null: every point blue
};

// Buffers the cells of one paint fill and draw from, reused from cell to cell.
struct TScatterScratch {
    std::vector<float> Positions;  // x, y per point
    std::vector<float> Colors;     // r, g, b per point
    std::vector<float> Sizes;
    // Points grouped by size (see DrawSizedPoints).
    std::vector<std::uint32_t> Bucket;
    std::vector<float> GroupedPositions;
    std::vector<float> GroupedColors;
};

// What the cells of one paint share.
struct TScatterPaint {
    const TScatterPointSource* Points = nullptr;
    TScatterScratch* Scratch = nullptr;
    ENUM_drawModes DrawMode = drawmodeNormal;
    float PointSize = 1.0f;
    bool ShowIndexes = false;
    // Logical units per window pixel, across and up: texts keep their pixel size.
    float UnitsPerPixelX = 1.0f;
    float UnitsPerPixelY = 1.0f;
    // Device pixels per window pixel (density pictures are made at device pixels).
    float PixelRatio = 1.0f;
};

// Draws `count` points, point i at positions[2i], positions[2i + 1] (z 2), in colors[3i …]
// (or the current colour when null), of size sizes[i]. Points of one size go in one
// DrawArrays, sizes in ascending order (the largest on top), record order within a size;
// points of size 0 or less (or not a number) are not drawn.
void DrawSizedPoints(const float* positions, const float* colors, const float* sizes, std::size_t count,
                     TScatterScratch& scratch);
// Fills scratch.Positions with (x(values across), y(values up)) for `count` points.
void PlacePoints(const float* across, const TValueScale& x, const float* up, const TValueScale& y, std::size_t count,
                 TScatterScratch& scratch);
// Fills scratch.Colors and scratch.Sizes for the frequency mode: w = mean of the two
// weights, d = max(w², 0.1); colour (1, 1 − d, 1 − d), size 4 × d × pointSize.
void FrequencyPoints(const float* weightsAcross, const float* weightsUp, float pointSize, std::size_t count,
                     TScatterScratch& scratch);
// Fills scratch.Colors with the relevance colours: strength of the record, position
// max(mean of the two weights, 0.1).
void RelevanceColors(const float* strengths, const float* weightsAcross, const float* weightsUp, std::size_t count,
                     TScatterScratch& scratch);

class TScatterCell {
public:
    // Places the cell (column, line) of the view's layout.
    void Initialize(TScatterPlots* view, const TScatterLayout& layout, int column, int line);

    bool Contains(int x, int y) const { return Rect().Contains(x, y); }
    bool IsDiagonal() const { return ScatterCellIndexes.IsDiagonal(); }
    // (x − PosX0) / CellWidth: the horizontal fraction of x across the whole cell.
    float ValueAtX(int x) const;
    TScatterRect Rect() const { return {PosX0, PosY0, PosX1, PosY1}; }

    void Draw(const TScatterPaint& paint) const;
    void DrawFrameAndLabels(const TScatterPaint& paint) const;
    void DrawNormal(const TScatterPaint& paint) const;
    void DrawFrequency(const TScatterPaint& paint) const;
    void DrawRelevance(const TScatterPaint& paint) const;

    bool Focused = false;
    TScatterCellIndexes ScatterCellIndexes{-1, -1};
    TScatterPlots* DrawSpace = nullptr;
    TPreProcessedData* PreProcessedData = nullptr;
    int PosX0 = -1;
    int PosY0 = -1;
    int PosX1 = -1;
    int PosY1 = -1;
    float CellWidth = 0.0f;
    float CellHeight = 0.0f;
    int Dimensions = 0;
    // Normalised value ↔ logical coordinate of the points, across and up.
    TValueScale XScale;
    TValueScale YScale;

private:
    // Places the cell's points in scratch.Positions; false when there are none.
    bool Place(const TScatterPaint& paint) const;
};

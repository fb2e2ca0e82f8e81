#pragma once
// The functions the statistics lists and the selections call back for the parallel
// coordinates view: statistics marks and lines on the axes, and brushes on the axes
// (drawn as a bar between two arrowheads, created, found under the mouse, resized with
// the neighbour constraint).

#include "vis/SelectionsController.h"
#include "vis/VisualizationMethods.h"

class TParallelCoordinates;

class TParallelCoordsMethods : public TVisualizationMethods {
public:
    explicit TParallelCoordsMethods(TParallelCoordinates* view);

    void SetStatisticsDrawFunctions(TStatisticsList* list) override;

    // ---- statistics
    void DrawAverageStatistic(TStatistics* statistics);
    void DrawMedianStatistic(TStatistics* statistics);
    void DrawStandardDeviationStatistic(TStatistics* statistics);
    void DrawModaValuesStatistic(TStatistics* statistics);
    void DrawAverageLine(TStatisticsList* statistics);
    void DrawMedianLine(TStatisticsList* statistics);

    // ---- selections
    void DrawSelection(TSelectioner* selection);
    void ResizeSelection(TSelectioner* selection, int x, int y);
    void CreateSelectionAt(TSelectionsList* list, int x, int y);
    int SelectionAt(TSelectionsList* list, int x, int y);
    bool UpdateSelections(TSelectionsList* list, ENUM_selectionEvents event, int x, int y);
    void NewSelectionOnAxis(TSelectionsController* controller, int dimension);
    int ListAtPosition(TSelectionsController* controller, int x, int y);

    TParallelCoordinates* View;

private:
    void DrawStatisticsLine(TStatisticsList* statistics, float (TStatistics::*value)() const);
    // A statistic's horizontal tick of width 5 at (x ± 5, y) and its label at (x + 6, y).
    void Mark(int dimension, float value, const std::string& label);
    float Normalised(int y) const;
    std::string ValueText(int dimension, float normalised) const;
    // The light backing of a brush read-out at raster position (x, y).
    void ReadOutBacking(float x, float y, const std::string& text);
    // A statistic's label at (x, y) on the read-outs' light backing, in a darker shade of
    // the statistic's colour; the colour stays the statistic's for what follows.
    void StatisticLabel(float x, float y, const std::string& text);
    // The raster height of a statistic's label for a mark at y, moved just clear of the
    // axis-end value texts; `below` more pixels are kept free under it (a second line).
    float StatisticLabelY(float y, float below = 0) const;
};

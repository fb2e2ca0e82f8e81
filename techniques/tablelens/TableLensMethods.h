#pragma once
// The functions the statistics lists and the shared selections controller call back for
// the table lens: statistics as vertical lines in the columns, and brushes as bands across
// a column (created by Ctrl+click, focused, resized up to their neighbours, removed).

#include "vis/SelectionsController.h"
#include "vis/VisualizationMethods.h"

class TTableLens;

class TTableLensMethods : public TVisualizationMethods {
public:
    explicit TTableLensMethods(TTableLens* view);

    void SetStatisticsDrawFunctions(TStatisticsList* list) override;

    // ---- statistics
    void DrawAverageInColumn(TStatistics* statistics);
    void DrawMedianInColumn(TStatistics* statistics);
    void DrawModaValuesInColumn(TStatistics* statistics);
    void DrawStandardDeviationInColumn(TStatistics* statistics);

    // ---- bands
    void DrawSelectionBand(TSelectioner* selection);
    void ResizeSelectionBand(TSelectioner* selection, int x, int y);
    void AddSelectionBand(TSelectionsList* list, int x, int y);
    int SelectionBandUnderPointer(TSelectionsList* list, int x, int y);
    bool UpdateSelectionBands(TSelectionsList* list, ENUM_selectionEvents event, int x, int y);
    int ColumnUnderPointer(TSelectionsController* controller, int x, int y);

    TTableLens* TableLens;

private:
    // Vertical lines at the given values in the statistic's column (non-finite ones skipped).
    void Lines(const TStatistics* statistics, const float* values, std::size_t count);
    // x clamped into the column: an edge pushed against a border ends one unit beyond the
    // usable range. False when the column has no usable width.
    bool ClampIntoColumn(int dimension, int& x) const;
};

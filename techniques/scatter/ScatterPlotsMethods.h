#pragma once
// The functions the statistics lists and the shared selections controller call back for
// the scatter plot matrix. A selection on dimension d is a box on the diagonal of d's
// diagonal cell (the same value range across and up), created, picked, resized and removed
// only inside diagonal cells; statistics are points on the diagonal cells, and on the zoom
// cell when it shows their dimension as its line.

#include "vis/SelectionsController.h"
#include "vis/VisualizationMethods.h"

class TScatterPlots;

class TScatterPlotsMethods : public TVisualizationMethods {
public:
    explicit TScatterPlotsMethods(TScatterPlots* view);

    void SetStatisticsDrawFunctions(TStatisticsList* list) override;

    // ---- statistics (nothing before the pointer has been over a cell)
    void DrawAverageOnDiagonal(TStatistics* statistics);
    void DrawMedianOnDiagonal(TStatistics* statistics);
    void DrawModaValuesOnDiagonal(TStatistics* statistics);
    void DrawStandardDeviationOnDiagonal(TStatistics* statistics);

    // ---- selections
    // Stores the box of the selection's normalised range (clamped to the cell's plotted
    // range, minimum first) and draws it; red while it is the focused one.
    void DrawSelectionBox(TSelectioner* selection);
    // Moves the box corner nearer to (x, y), keeps the box within the cell, and sets the
    // range from the box's longer side. A box whose range cannot be computed stays as it was.
    void ResizeSelectionBox(TSelectioner* selection, int x, int y);
    int SelectionBoxUnderPointer(TSelectionsList* list, int x, int y);
    // A new focused box over [0, 0.5] of the list's dimension (x and y are not used).
    void AddSelectionBox(TSelectionsList* list, int x, int y);
    bool UpdateSelectionBoxes(TSelectionsList* list, ENUM_selectionEvents event, int x, int y);
    void AddSelectionOnDimension(TSelectionsController* controller, int dimension);
    // The dimension whose diagonal cell holds (x, y), edges included; -1 for none.
    int DiagonalCellUnderPointer(TSelectionsController* controller, int x, int y);

    TScatterPlots* ScatterPlots;

private:
    // One statistic's values as marks on its diagonal cell (and the zoom cell).
    void Marks(const TStatistics* statistics, const float* values, std::size_t count);
};

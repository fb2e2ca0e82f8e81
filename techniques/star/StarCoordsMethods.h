#pragma once
#include <optional>

// The functions the statistics lists and the selections call back for the star-coordinates
// view: statistics as points on the axes and loops through them, and selections as thick
// lines along their axes. Selections are made in the other views and only shown here: the
// selection callbacks this view installs create, resize and pick nothing.

#include "render/OpenGLVertex.h"
#include "vis/SelectionsController.h"
#include "vis/VisualizationMethods.h"

class TStarCoordinates;

class TStarCoordsMethods : public TVisualizationMethods {
public:
    explicit TStarCoordsMethods(TStarCoordinates* view);

    void SetStatisticsDrawFunctions(TStatisticsList* list) override;

    // Binds the controller's callbacks to this object (the view's paint runs it).
    void InstallSelectionFunctions(TSelectionsController* controller);

    void DrawSelectionOnAxis(TSelectioner* selection);
    void DrawAverageOnAxis(TStatistics* statistics);
    void DrawMedianOnAxis(TStatistics* statistics);
    void DrawModaValuesOnAxis(TStatistics* statistics);
    void DrawStandardDeviationOnAxis(TStatistics* statistics);
    void DrawAverageLoop(TStatisticsList* statistics);
    void DrawMedianLoop(TStatisticsList* statistics);

    TStarCoordinates* StarCoordinates;
    // The colour of the brush whose statistics are being drawn, copied: a pointer to the brush
    // would outlive it once the brushes are removed.
    std::optional<TOpenGLColor> DrawingSelectionColor;
    TOpenGLVertex ScratchVertex{-1};

private:
    // A point of the axis of `dimension` at `value` (z = 0 in 2-D) into ScratchVertex; false
    // when the axis does not exist or, with `activeOnly`, is switched off.
    bool Place(int dimension, float value, bool activeOnly);
    void Point(int dimension, float value);
    void Loop(TStatisticsList* statistics, float (TStatistics::*value)() const);
};

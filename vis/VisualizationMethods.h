#pragma once
// Base of every view's methods object: the object whose functions the statistics lists and
// the selections call back. The Begin... operations record what is being drawn or edited
// and set the statistics overlay colours; a technique's callbacks call them first.

#include <cstdint>

#include "render/OpenGLColor.h"

// How a view colours its records.
enum ENUM_drawModes : std::uint8_t {
    drawmodeNormal = 0,  // record colours; clicks edit selections
    drawmodeFreq = 1,    // colours from the frequency weights of the values
    drawmodeRelev = 2,   // colours from relevance; clicks set relevance points
    drawmodeSelect = 3,  // declared; no command sets it
};

class TVisualizationPanel;
class TStatistics;
class TStatisticsList;
class TSelectioner;
class TSelectionsList;
class TSelectionsController;

class TVisualizationMethods {
public:
    explicit TVisualizationMethods(TVisualizationPanel* panel) : Panel(panel) {}
    virtual ~TVisualizationMethods() = default;
    TVisualizationMethods(const TVisualizationMethods&) = delete;
    TVisualizationMethods& operator=(const TVisualizationMethods&) = delete;

    // Sets on `list` the statistics draw functions the technique supports.
    virtual void SetStatisticsDrawFunctions(TStatisticsList* list) = 0;

    void BeginDrawAverage(TStatistics* statistics);              // green
    void BeginDrawMedian(TStatistics* statistics);               // yellow
    void BeginDrawModaValues(TStatistics* statistics);           // magenta
    void BeginDrawStandardDeviation(TStatistics* statistics);    // cyan
    void BeginDrawAverageList(TStatisticsList* statistics);      // green
    void BeginDrawMedianList(TStatisticsList* statistics);       // yellow
    void BeginDrawSelection(TSelectioner* selection) { CurrentSelection = selection; }
    void BeginResizeSelection(TSelectioner* selection) { CurrentSelection = selection; }
    bool BeginUpdateSelectionsList(TSelectionsList* list)
    {
        CurrentSelectionsList = list;
        return true;
    }
    int BeginSelectionOverWhichTheMouseIs(TSelectionsList* list)
    {
        CurrentSelectionsList = list;
        return 0;
    }
    void BeginAddNewSelection(TSelectionsList* list) { CurrentSelectionsList = list; }
    void BeginNewSelection(TSelectionsController* controller) { CurrentController = controller; }
    int BeginGetFocusedSelectionList(TSelectionsController* controller)
    {
        CurrentController = controller;
        return 0;
    }

    TVisualizationPanel* Panel;
    // The colour the last BeginDraw… of a statistic set (labels are drawn in a darker shade).
    TOpenGLColor StatisticColor;
    TStatistics* CurrentStatistics = nullptr;
    TStatisticsList* CurrentStatisticsList = nullptr;
    TSelectioner* CurrentSelection = nullptr;
    TSelectionsList* CurrentSelectionsList = nullptr;
    TSelectionsController* CurrentController = nullptr;
};

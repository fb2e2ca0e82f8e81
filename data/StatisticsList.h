#pragma once
// One TStatistics per dimension of a dataset (item i describes dimension i), the
// list-level show switches and the list-level draw callbacks.

#include <memory>
#include <vector>

#include "data/Statistics.h"

class TStatisticsList {
public:
    TStatisticsList() = default;
    TStatisticsList(const TStatisticsList&) = delete;
    TStatisticsList& operator=(const TStatisticsList&) = delete;

    // Rebuilds every statistic: over all records, which also switches the list-level
    // overlays off, or over the records of the current time window (TemporalInteractionDraw),
    // which keeps them. New statistics have no show flags and no draw functions.
    void CalculateStatistics(const TPreProcessedData* data, bool timeWindowOnly);
    // The same over the same dataset, keeping what the user switched on: each statistic's
    // show switches and draw functions, and the list's switches (for the time line, whose
    // moves and close compute the statistics again).
    void RecalculateStatistics(const TPreProcessedData* data, bool timeWindowOnly);
    void ClearStatistics();

    // Red, then every statistic's Draw(), then the list-level functions whose flag is on.
    void DrawStatistics();

    // dimensionIndex -1: every statistic and the list-level flag take the negation of the
    // first statistic's flag. A dimension index negates that statistic's flag only (average
    // and median also switch the list-level flag off). Answers the new value; an index
    // outside the list (or -1 on an empty list) changes nothing and answers false.
    bool ToggleAverage(int dimensionIndex);
    bool ToggleMedian(int dimensionIndex);
    bool ToggleModaValues(int dimensionIndex);
    bool ToggleStandardDeviation(int dimensionIndex);

    int Count() const { return static_cast<int>(Items.size()); }
    // nullptr outside 0 … Count − 1.
    TStatistics* GetStatistics(int index) const;

    bool ShowStatisticsList() const { return ListShowAverage || ListShowMedian || ListShowModaValues || ListShowStandardDeviation; }
    bool ShowAverage() const { return ListShowAverage; }
    bool ShowMedian() const { return ListShowMedian; }
    bool ShowModaValues() const { return ListShowModaValues; }
    bool ShowStandardDeviation() const { return ListShowStandardDeviation; }

    // Given to every statistic now in the list (not remembered for later rebuilds).
    void SetDrawAverage(const TStatisticsDrawFunction& function);
    void SetDrawMedian(const TStatisticsDrawFunction& function);
    void SetDrawModaValues(const TStatisticsDrawFunction& function);
    void SetDrawStandardDeviation(const TStatisticsDrawFunction& function);

    // List-level functions; they survive CalculateStatistics.
    TStatisticsListDrawFunction DrawAverageList;
    TStatisticsListDrawFunction DrawMedianList;
    TStatisticsListDrawFunction DrawModaValuesList;
    TStatisticsListDrawFunction DrawStandardDeviationList;

private:
    bool Toggle(int dimensionIndex, bool TStatistics::*flag, bool& listFlag, bool clearListFlagOnOne);
    void SetDrawFunction(TStatisticsDrawFunction TStatistics::*member, const TStatisticsDrawFunction& function);

    std::vector<std::unique_ptr<TStatistics>> Items;
    bool ListShowAverage = false;
    bool ListShowMedian = false;
    bool ListShowModaValues = false;
    bool ListShowStandardDeviation = false;
};

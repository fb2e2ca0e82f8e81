#include "data/StatisticsList.h"

#include "render/Drawing.h"

void TStatisticsList::ClearStatistics()
{
    Items.clear();
}

TStatistics* TStatisticsList::GetStatistics(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return Items[static_cast<std::size_t>(index)].get();
}

void TStatisticsList::CalculateStatistics(const TPreProcessedData* data, bool timeWindowOnly)
{
    ClearStatistics();
    if (!data) return;
    const int dimensions = data->NumberOfDimensions();
    Items.reserve(static_cast<std::size_t>(dimensions));
    if (!timeWindowOnly) {
        for (int i = 0; i < dimensions; ++i) {
            auto statistics = std::make_unique<TStatistics>();
            statistics->SetValues(i, *data->GetDimension(i));
            Items.push_back(std::move(statistics));
        }
        ListShowAverage = ListShowMedian = ListShowModaValues = ListShowStandardDeviation = false;
        return;
    }
    TRecordList window;
    window.reserve(data->ListOfPreprocessedRecords.size());
    for (TPreProcessedRecord* record : data->ListOfPreprocessedRecords)
        if (record && record->TemporalInteractionDraw) window.push_back(record);
    for (int i = 0; i < dimensions; ++i) {
        auto statistics = std::make_unique<TStatistics>();
        statistics->SetValues(i, *data->GetDimension(i), window);
        Items.push_back(std::move(statistics));
    }
}

void TStatisticsList::DrawStatistics()
{
    Gl().Color(1.0f, 0.0f, 0.0f);
    for (auto& statistics : Items) statistics->Draw();
    if (ListShowAverage && DrawAverageList) DrawAverageList(this);
    if (ListShowMedian && DrawMedianList) DrawMedianList(this);
    if (ListShowModaValues && DrawModaValuesList) DrawModaValuesList(this);
    if (ListShowStandardDeviation && DrawStandardDeviationList) DrawStandardDeviationList(this);
}

bool TStatisticsList::Toggle(int dimensionIndex, bool TStatistics::*flag, bool& listFlag, bool clearListFlagOnOne)
{
    if (dimensionIndex == -1) {
        // Nothing to read the current state from: leave everything as it is.
        if (Items.empty()) return false;
        const bool value = !((*Items.front()).*flag);
        for (auto& statistics : Items) (*statistics).*flag = value;
        listFlag = value;
        return value;
    }
    TStatistics* statistics = GetStatistics(dimensionIndex);
    if (!statistics) return false;
    const bool value = !(statistics->*flag);
    statistics->*flag = value;
    if (clearListFlagOnOne) listFlag = false;
    return value;
}

bool TStatisticsList::ToggleAverage(int dimensionIndex)
{
    return Toggle(dimensionIndex, &TStatistics::ShowAverage, ListShowAverage, true);
}

bool TStatisticsList::ToggleMedian(int dimensionIndex)
{
    return Toggle(dimensionIndex, &TStatistics::ShowMedian, ListShowMedian, true);
}

bool TStatisticsList::ToggleModaValues(int dimensionIndex)
{
    return Toggle(dimensionIndex, &TStatistics::ShowModaValues, ListShowModaValues, false);
}

bool TStatisticsList::ToggleStandardDeviation(int dimensionIndex)
{
    return Toggle(dimensionIndex, &TStatistics::ShowStandardDeviation, ListShowStandardDeviation, false);
}

void TStatisticsList::SetDrawFunction(TStatisticsDrawFunction TStatistics::*member, const TStatisticsDrawFunction& function)
{
    for (auto& statistics : Items) (*statistics).*member = function;
}

void TStatisticsList::SetDrawAverage(const TStatisticsDrawFunction& function)
{
    SetDrawFunction(&TStatistics::DrawAverage, function);
}

void TStatisticsList::SetDrawMedian(const TStatisticsDrawFunction& function)
{
    SetDrawFunction(&TStatistics::DrawMedian, function);
}

void TStatisticsList::SetDrawModaValues(const TStatisticsDrawFunction& function)
{
    SetDrawFunction(&TStatistics::DrawModaValues, function);
}

void TStatisticsList::SetDrawStandardDeviation(const TStatisticsDrawFunction& function)
{
    SetDrawFunction(&TStatistics::DrawStandardDeviation, function);
}

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

void TStatisticsList::RecalculateStatistics(const TPreProcessedData* data, bool timeWindowOnly)
{
    struct TKept {
        bool Average, Median, ModaValues, StandardDeviation;
        TStatisticsDrawFunction DrawAverage, DrawMedian, DrawModaValues, DrawStandardDeviation;
    };
    std::vector<TKept> kept;
    for (const auto& s : Items)
        kept.push_back({s->ShowAverage, s->ShowMedian, s->ShowModaValues, s->ShowStandardDeviation, s->DrawAverage,
                        s->DrawMedian, s->DrawModaValues, s->DrawStandardDeviation});
    const bool average = ListShowAverage, median = ListShowMedian, moda = ListShowModaValues,
               deviation = ListShowStandardDeviation;
    CalculateStatistics(data, timeWindowOnly);
    if (kept.size() != Items.size()) return;  // another dataset: nothing to keep
    for (std::size_t i = 0; i < Items.size(); ++i) {
        TStatistics& s = *Items[i];
        const TKept& k = kept[i];
        s.ShowAverage = k.Average;
        s.ShowMedian = k.Median;
        s.ShowModaValues = k.ModaValues;
        s.ShowStandardDeviation = k.StandardDeviation;
        s.DrawAverage = k.DrawAverage;
        s.DrawMedian = k.DrawMedian;
        s.DrawModaValues = k.DrawModaValues;
        s.DrawStandardDeviation = k.DrawStandardDeviation;
    }
    ListShowAverage = average;
    ListShowMedian = median;
    ListShowModaValues = moda;
    ListShowStandardDeviation = deviation;
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

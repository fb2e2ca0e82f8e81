#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/StatisticsList.h"
#include "render/RecordingDrawing.h"
#include "tests/support/UnitScaleData.h"

namespace {

// A dataset whose columns hold exactly the given values (already on the unit scale, so no
// normalisation changes them), with ranks and frequencies computed as after a load.
std::unique_ptr<TPreProcessedData> MakeData(const std::vector<std::vector<float>>& columns)
{
    return MakeUnitScaleData({}, columns);
}

struct TStatisticsCase {
    const char* Name;
    std::vector<float> Values;
    float Average;
    float Median;
    float Variance;
    std::vector<float> ModaValues;
};

const std::vector<TStatisticsCase> kCases = {
    {"repeated middle value", {0.2f, 0.4f, 0.4f, 0.9f}, 0.475f, 0.4f, 0.0891667f, {0.4f}},
    {"unsorted odd count", {0.1f, 0.5f, 0.3f}, 0.3f, 0.3f, 0.04f, {}},
    {"all equal", {0.5f, 0.5f, 0.5f, 0.5f}, 0.5f, 0.5f, 0.0f, {}},
    {"one value", {0.7f}, 0.7f, 0.7f, 0.0f, {}},
    {"two tied modes", {0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f}, 0.39f, 0.35f, 0.0632222f, {0.1f, 0.2f}},
    {"even count median", {0.9f, 0.1f, 0.5f, 0.3f}, 0.45f, 0.4f, 0.1166667f, {}},
    {"three modes is 30 percent", {0.3f, 0.1f, 0.2f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f}, 0.34f, 0.3f, 0.0426667f,
     {0.1f, 0.2f, 0.3f}},
    {"four modes are too many", {0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.3f, 0.4f, 0.4f, 0.5f, 0.6f}, 0.31f, 0.3f, 0.0276667f, {}},
    {"mode not first", {0.6f, 0.1f, 0.6f, 0.6f, 0.2f, 0.3f, 0.4f, 0.5f, 0.7f, 0.8f}, 0.48f, 0.55f, 0.0506667f, {0.6f}},
};

void ExpectCase(const TStatistics& s, const TStatisticsCase& c, const std::string& path)
{
    SCOPED_TRACE(std::string(c.Name) + " via " + path);
    ASSERT_TRUE(s.HasValues());
    EXPECT_NEAR(s.Average(), c.Average, 1e-5);
    EXPECT_NEAR(s.Median(), c.Median, 1e-6);
    EXPECT_NEAR(s.Variance(), c.Variance, 1e-5);
    EXPECT_NEAR(s.StandardDeviation(), std::sqrt(c.Variance), 1e-4);
    ASSERT_EQ(s.GetModaValues().size(), c.ModaValues.size());
    for (std::size_t i = 0; i < c.ModaValues.size(); ++i) EXPECT_FLOAT_EQ(s.GetModaValues()[i], c.ModaValues[i]);
}

} // namespace

// The same values give the same results through every way of reading them: plain values,
// all cells of a ranked dimension (counting by rank), and a few records of a dimension with
// many more distinct values (sorting the ranks).
TEST(Statistics, WorkedValuesThroughEveryPath)
{
    for (const auto& c : kCases) {
        TStatistics plain;
        plain.SetValues(0, c.Values);
        ExpectCase(plain, c, "values");

        auto exact = MakeData({c.Values});
        TStatistics counted;
        counted.SetValues(0, *exact->GetDimension(0));
        ExpectCase(counted, c, "all cells");

        std::vector<float> column = c.Values;
        for (int k = 0; k < 500; ++k) column.push_back(0.001f * static_cast<float>(k) + 0.0005f);
        auto wide = MakeData({column});
        TRecordList records(wide->ListOfPreprocessedRecords.begin(),
                            wide->ListOfPreprocessedRecords.begin() + static_cast<long>(c.Values.size()));
        TStatistics sorted;
        sorted.SetValues(0, *wide->GetDimension(0), records);
        ExpectCase(sorted, c, "records");

        // Half the records of a dimension: the counting path over a subset.
        auto doubled = MakeData({[&] {
            std::vector<float> twice = c.Values;
            for (float v : c.Values) twice.push_back(1.0f - v * 0.5f);
            return twice;
        }()});
        TRecordList firstHalf(doubled->ListOfPreprocessedRecords.begin(),
                              doubled->ListOfPreprocessedRecords.begin() + static_cast<long>(c.Values.size()));
        TStatistics subset;
        subset.SetValues(0, *doubled->GetDimension(0), firstHalf);
        ExpectCase(subset, c, "half of the records");
    }
}

TEST(Statistics, EmptySetAnswersZeroAndDrawsNothing)
{
    auto data = MakeData({{0.2f, 0.4f}});
    TStatistics s;
    s.SetValues(0, {0.3f, 0.6f});
    s.RecalculateValues(*data->GetDimension(0), TRecordList{});
    EXPECT_FALSE(s.HasValues());
    EXPECT_EQ(s.DimensionIndex(), 0);
    EXPECT_EQ(s.Average(), 0.0f);
    EXPECT_EQ(s.Median(), 0.0f);
    EXPECT_EQ(s.Variance(), 0.0f);
    EXPECT_EQ(s.StandardDeviation(), 0.0f);
    EXPECT_EQ(s.VariationCoeficient(), 0.0f);
    EXPECT_TRUE(s.GetModaValues().empty());

    int calls = 0;
    s.ShowAverage = true;
    s.DrawAverage = [&](TStatistics*) { ++calls; };
    TRecordingDrawing rec;
    {
        TCurrentDrawing current(rec);
        s.Draw();
    }
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(rec.CurrentColor == TOpenGLColor(1, 1, 1));
}

// Recalculating over other values must not keep the cached variance, deviation or modes.
TEST(Statistics, RecalculationReplacesEveryResult)
{
    TStatistics s;
    s.SetValues(3, {0.2f, 0.4f, 0.4f, 0.9f});
    EXPECT_NEAR(s.StandardDeviation(), std::sqrt(0.0891667f), 1e-4);
    ASSERT_EQ(s.GetModaValues().size(), 1u);

    s.RecalculateValues({0.1f, 0.1f, 0.2f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f});
    EXPECT_EQ(s.DimensionIndex(), 3);
    EXPECT_NEAR(s.Average(), 0.39f, 1e-5);
    EXPECT_NEAR(s.Median(), 0.35f, 1e-6);
    EXPECT_NEAR(s.Variance(), 0.0632222f, 1e-5);
    EXPECT_NEAR(s.StandardDeviation(), std::sqrt(0.0632222f), 1e-4);
    EXPECT_EQ(s.GetModaValues(), (std::vector<float>{0.1f, 0.2f}));
}

TEST(Statistics, RoundingAndZeroAverage)
{
    // Five equal values whose single-precision sums leave a slightly negative difference:
    // the variance is 0, not negative, and the deviation is a number.
    TStatistics equal;
    equal.SetValues(0, std::vector<float>(5, 0.9f));
    EXPECT_EQ(equal.Variance(), 0.0f);
    EXPECT_EQ(equal.StandardDeviation(), 0.0f);

    // Sums kept in single precision, added in the given order.
    float sum = 0.0f, squares = 0.0f;
    const std::vector<float> values = {0.1f, 0.7f, 0.3f, 0.9f, 0.35f};
    for (float v : values) {
        sum += v;
        squares += v * v;
    }
    TStatistics s;
    s.SetValues(0, values);
    EXPECT_EQ(s.Sum(), sum);
    EXPECT_EQ(s.SumOfSquares(), squares);

    TStatistics zero;
    zero.SetValues(0, {0.0f, 0.0f});
    EXPECT_FALSE(std::isfinite(zero.VariationCoeficient()));
    TStatistics spread;
    spread.SetValues(0, {0.2f, 0.6f});
    EXPECT_NEAR(spread.VariationCoeficient(), spread.StandardDeviation() / 0.4f, 1e-6);
}

TEST(Statistics, DrawSetsBlueThenCallsShownFunctionsInOrder)
{
    TStatistics s;
    s.SetValues(0, {0.2f, 0.4f});
    std::vector<std::string> calls;
    TRecordingDrawing rec;
    auto recorder = [&](const char* name) {
        return [&, name](TStatistics* statistics) {
            EXPECT_EQ(statistics, &s);
            EXPECT_TRUE(rec.CurrentColor == TOpenGLColor(0, 0, 1)) << name;
            calls.push_back(name);
        };
    };
    s.DrawAverage = recorder("average");
    s.DrawMedian = recorder("median");
    s.DrawModaValues = recorder("moda");
    s.DrawStandardDeviation = recorder("deviation");
    s.ShowAverage = true;
    s.ShowModaValues = true;
    s.ShowStandardDeviation = true;
    {
        TCurrentDrawing current(rec);
        s.Draw();
        EXPECT_EQ(calls, (std::vector<std::string>{"average", "moda", "deviation"}));
        // A shown statistic without a function is skipped.
        calls.clear();
        s.DrawModaValues = nullptr;
        s.ShowMedian = true;
        s.Draw();
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"average", "median", "deviation"}));
}

// ---- the list ---------------------------------------------------------------------------

TEST(StatisticsList, CalculatesOneStatisticPerDimensionOverAllOrTheTimeWindow)
{
    auto data = MakeData({{0.1f, 0.2f, 0.3f, 0.6f}, {1.0f, 0.0f, 0.5f, 0.5f}});
    TStatisticsList list;
    list.CalculateStatistics(data.get(), false);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.GetStatistics(1)->DimensionIndex(), 1);
    EXPECT_NEAR(list.GetStatistics(0)->Average(), 0.3f, 1e-6);
    EXPECT_NEAR(list.GetStatistics(1)->Median(), 0.5f, 1e-6);
    EXPECT_EQ(list.GetStatistics(2), nullptr);
    EXPECT_EQ(list.GetStatistics(-1), nullptr);

    data->GetRecord(0)->TemporalInteractionDraw = false;
    data->GetRecord(3)->TemporalInteractionDraw = false;
    list.CalculateStatistics(data.get(), true);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_NEAR(list.GetStatistics(0)->Average(), 0.25f, 1e-6);
    EXPECT_NEAR(list.GetStatistics(1)->Average(), 0.25f, 1e-6);
    EXPECT_EQ(list.GetStatistics(0)->Count(), 2u);

    // A window with no record: statistics without values.
    for (auto* record : data->ListOfPreprocessedRecords) record->TemporalInteractionDraw = false;
    list.CalculateStatistics(data.get(), true);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.GetStatistics(0)->HasValues());

    list.CalculateStatistics(nullptr, false);
    EXPECT_EQ(list.Count(), 0);
}

namespace {

enum class TKind { Average, Median, Moda, Deviation };

bool Toggle(TStatisticsList& list, TKind kind, int index)
{
    switch (kind) {
    case TKind::Average: return list.ToggleAverage(index);
    case TKind::Median: return list.ToggleMedian(index);
    case TKind::Moda: return list.ToggleModaValues(index);
    case TKind::Deviation: return list.ToggleStandardDeviation(index);
    }
    return false;
}

bool ListFlag(const TStatisticsList& list, TKind kind)
{
    switch (kind) {
    case TKind::Average: return list.ShowAverage();
    case TKind::Median: return list.ShowMedian();
    case TKind::Moda: return list.ShowModaValues();
    case TKind::Deviation: return list.ShowStandardDeviation();
    }
    return false;
}

bool StatisticFlag(const TStatistics& s, TKind kind)
{
    switch (kind) {
    case TKind::Average: return s.ShowAverage;
    case TKind::Median: return s.ShowMedian;
    case TKind::Moda: return s.ShowModaValues;
    case TKind::Deviation: return s.ShowStandardDeviation;
    }
    return false;
}

} // namespace

// All dimensions on, then one dimension off: average and median switch the list-level
// overlay off with it, mode values and standard deviation keep it.
TEST(StatisticsList, TogglesAllThenOne)
{
    struct TCase {
        TKind Kind;
        bool ListFlagAfterOne;
    };
    const TCase cases[] = {
        {TKind::Average, false}, {TKind::Median, false}, {TKind::Moda, true}, {TKind::Deviation, true}};
    auto data = MakeData({{0.1f, 0.2f}, {0.3f, 0.4f}, {0.5f, 0.6f}, {0.7f, 0.8f}});
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Kind));
        TStatisticsList list;
        list.CalculateStatistics(data.get(), false);
        EXPECT_TRUE(Toggle(list, c.Kind, -1));
        EXPECT_TRUE(ListFlag(list, c.Kind));
        EXPECT_TRUE(list.ShowStatisticsList());
        for (int i = 0; i < list.Count(); ++i) EXPECT_TRUE(StatisticFlag(*list.GetStatistics(i), c.Kind));

        EXPECT_FALSE(Toggle(list, c.Kind, 2));
        EXPECT_FALSE(StatisticFlag(*list.GetStatistics(2), c.Kind));
        EXPECT_TRUE(StatisticFlag(*list.GetStatistics(1), c.Kind));
        EXPECT_EQ(ListFlag(list, c.Kind), c.ListFlagAfterOne);

        // "All" reads the first statistic: still on, so everything goes off.
        EXPECT_FALSE(Toggle(list, c.Kind, -1));
        EXPECT_FALSE(ListFlag(list, c.Kind));
        for (int i = 0; i < list.Count(); ++i) EXPECT_FALSE(StatisticFlag(*list.GetStatistics(i), c.Kind));

        // One dimension on again: the list-level flag stays off.
        EXPECT_TRUE(Toggle(list, c.Kind, 1));
        EXPECT_FALSE(ListFlag(list, c.Kind));
        EXPECT_FALSE(list.ShowStatisticsList());

        // Outside the list: nothing changes.
        EXPECT_FALSE(Toggle(list, c.Kind, 4));
        EXPECT_FALSE(Toggle(list, c.Kind, -2));
        EXPECT_TRUE(StatisticFlag(*list.GetStatistics(1), c.Kind));
    }
}

TEST(StatisticsList, ToggleAllOnEmptyListChangesNothing)
{
    TStatisticsList list;
    EXPECT_FALSE(list.ToggleAverage(-1));
    EXPECT_FALSE(list.ToggleMedian(-1));
    EXPECT_FALSE(list.ToggleModaValues(-1));
    EXPECT_FALSE(list.ToggleStandardDeviation(-1));
    EXPECT_FALSE(list.ShowStatisticsList());
}

// A time-window rebuild keeps the list-level overlays and drops the per-dimension ones and
// their draw functions; the owner assigns the functions again. An all-records rebuild
// switches the list-level overlays off.
TEST(StatisticsList, RebuildsKeepOrClearListFlags)
{
    auto data = MakeData({{0.1f, 0.2f, 0.3f}, {0.4f, 0.5f, 0.6f}});
    TStatisticsList list;
    list.CalculateStatistics(data.get(), false);
    int perStatistic = 0;
    int listLevel = 0;
    auto assign = [&] { list.SetDrawAverage([&](TStatistics*) { ++perStatistic; }); };
    assign();
    list.DrawAverageList = [&](TStatisticsList* l) {
        EXPECT_EQ(l, &list);
        ++listLevel;
    };
    list.ToggleAverage(-1);
    list.DrawStatistics();
    EXPECT_EQ(perStatistic, 2);
    EXPECT_EQ(listLevel, 1);

    list.CalculateStatistics(data.get(), true);
    EXPECT_TRUE(list.ShowAverage());
    EXPECT_FALSE(list.GetStatistics(0)->ShowAverage);
    EXPECT_FALSE(static_cast<bool>(list.GetStatistics(0)->DrawAverage));
    list.ToggleAverage(0);  // per-dimension on (and the list-level overlay off)
    list.DrawStatistics();
    EXPECT_EQ(perStatistic, 2);  // no function until the owner assigns it again
    assign();
    list.DrawStatistics();
    EXPECT_EQ(perStatistic, 3);

    list.ToggleMedian(-1);
    list.CalculateStatistics(data.get(), false);
    EXPECT_FALSE(list.ShowStatisticsList());
    EXPECT_TRUE(static_cast<bool>(list.DrawAverageList));
}

TEST(StatisticsList, DrawStatisticsSetsRedThenStatisticsThenListFunctions)
{
    auto data = MakeData({{0.1f, 0.2f}, {0.3f, 0.4f}});
    TStatisticsList list;
    list.CalculateStatistics(data.get(), false);
    TRecordingDrawing rec;
    std::vector<std::string> calls;
    list.SetDrawMedian([&](TStatistics* s) {
        EXPECT_TRUE(rec.CurrentColor == TOpenGLColor(0, 0, 1));
        calls.push_back("median " + std::to_string(s->DimensionIndex()));
    });
    auto listFunction = [&](const char* name) {
        return [&, name](TStatisticsList*) { calls.push_back(name); };
    };
    list.DrawAverageList = listFunction("average list");
    list.DrawMedianList = listFunction("median list");
    list.DrawModaValuesList = listFunction("moda list");
    list.DrawStandardDeviationList = listFunction("deviation list");
    list.ToggleStandardDeviation(-1);
    list.ToggleMedian(-1);
    {
        TCurrentDrawing current(rec);
        list.DrawStatistics();
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"median 0", "median 1", "median list", "deviation list"}));

    // Statistics without values draw nothing, so red is what the list functions find.
    for (auto* record : data->ListOfPreprocessedRecords) record->TemporalInteractionDraw = false;
    list.CalculateStatistics(data.get(), true);
    calls.clear();
    list.DrawMedianList = [&](TStatisticsList*) {
        EXPECT_TRUE(rec.CurrentColor == TOpenGLColor(1, 0, 0));
        calls.push_back("red");
    };
    {
        TCurrentDrawing current(rec);
        list.DrawStatistics();
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"red", "deviation list"}));
}

namespace {

// The mode-value rule as a walk over the sorted values, with the first value closing the
// last run, and the 30 % limit.
std::vector<float> ReferenceModes(std::vector<float> v)
{
    std::sort(v.begin(), v.end());
    std::vector<float> modes;
    if (v.empty()) return modes;
    const std::size_t n = v.size();
    float a = v[0];
    std::size_t run = 1, best = 1;
    for (std::size_t i = 1; i <= n; ++i) {
        const float value = i == n ? v[0] : v[i];
        if (value == a) {
            ++run;
            continue;
        }
        if (run > best) {
            best = run;
            modes.assign(1, a);
        } else if (run == best) {
            modes.push_back(a);
        }
        a = value;
        run = 1;
    }
    if (static_cast<double>(modes.size()) > 0.3 * static_cast<double>(n)) modes.clear();
    return modes;
}

} // namespace

TEST(Statistics, RankedPathsAgreeWithTheSortedValues)
{
    std::uint32_t state = 777;
    auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    for (int round = 0; round < 80; ++round) {
        SCOPED_TRACE(round);
        const std::uint32_t levels = 1 + next(round % 2 ? 400 : 6);
        std::vector<float> column;
        for (int k = 0; k < 300; ++k) column.push_back(static_cast<float>(next(levels)) / static_cast<float>(levels));
        auto data = MakeData({column});
        TRecordList records;
        std::vector<float> values;
        const std::uint32_t keep = 1 + next(100);  // percentage of records taken
        for (TPreProcessedRecord* record : data->ListOfPreprocessedRecords)
            if (next(100) < keep) {
                records.push_back(record);
                values.push_back(column[static_cast<std::size_t>(record->Index)]);
            }
        TStatistics ranked;
        ranked.SetValues(0, *data->GetDimension(0), records);
        TStatistics plain;
        plain.SetValues(0, values);
        ASSERT_EQ(ranked.Count(), values.size());
        if (values.empty()) continue;
        std::vector<float> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        const float median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) * 0.5f;
        EXPECT_EQ(ranked.Median(), median);
        EXPECT_EQ(plain.Median(), median);
        EXPECT_EQ(ranked.Sum(), plain.Sum());
        EXPECT_EQ(ranked.Variance(), plain.Variance());
        EXPECT_EQ(ranked.GetModaValues(), ReferenceModes(values));
        EXPECT_EQ(plain.GetModaValues(), ReferenceModes(values));
    }
}

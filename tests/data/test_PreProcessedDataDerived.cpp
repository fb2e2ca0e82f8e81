// Derived datasets, frequencies over record sets, relevance, record order and the time window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "DataFixtures.h"

namespace {

using ::testing::ElementsAre;
using ::testing::FloatEq;

// A dataset over raw columns, loaded as a reader would load it.
void Fill(TPreProcessedData& data, const std::vector<std::vector<float>>& columns)
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        TPreProcessedDimension* dimension = data.AddDimension("d" + std::to_string(i));
        for (float v : columns[i]) dimension->AddValue(v);
    }
    data.BuildRecords();
    data.CompleteLoad();
    data.TimeDiscreteRange = 12;
    data.TimeMoment = data.RecordsNumber;
}

std::vector<float> Range(int from, int to)
{
    std::vector<float> values;
    for (int v = from; v <= to; ++v) values.push_back(static_cast<float>(v));
    return values;
}

// ---- pipelines -------------------------------------------------------------------------------

TEST(Subset, FullDomainKeepsValuesPartialDomainStretchesThem)
{
    TPreProcessedData parent;
    Fill(parent, {{0, 2, 4, 10}, {5, 6, 7, 8}});
    parent.GetDimension(1)->IsString = true;
    parent.HasTimeAttribute = true;
    parent.TimeAttributeIndex = 1;
    const TRecordList selected = {parent.GetRecord(2), parent.GetRecord(1)};

    struct TCase {
        bool FullDomain;
        std::vector<float> Values;
        float Low, High;
    };
    for (const TCase& c : {TCase{true, {0.4f, 0.2f}, 0, 10}, TCase{false, {1, 0}, 2, 4}}) {
        TPreProcessedData child;
        const TChangeStamp before = NewChangeStamp();
        child.BuildSubset(selected, &parent, c.FullDomain);
        ASSERT_EQ(child.RecordsNumber, 2);
        ASSERT_EQ(child.NumberOfDimensions(), 2);
        EXPECT_EQ(child.GetDimensionName(1), "d1");
        EXPECT_TRUE(child.IsStringDimension(1));
        EXPECT_FALSE(child.IsStringDimension(0));
        EXPECT_THAT(ColumnValues(child, 0), ElementsAre(FloatEq(c.Values[0]), FloatEq(c.Values[1])));
        EXPECT_FLOAT_EQ(child.GetLowValue(0), c.Low);
        EXPECT_FLOAT_EQ(child.GetHighValue(0), c.High);
        EXPECT_FLOAT_EQ(child.Denormalise(0, child.GetCell(0, 0).Value()), 4.0f);
        EXPECT_THAT(ColumnWeights(child, 0), ElementsAre(1.0f, 1.0f));
        EXPECT_GT(child.FrequencyValuesTimeStamp, before);
        EXPECT_GT(child.RelevanceValuesTimeStamp, before);
        EXPECT_FALSE(child.HasTimeAttribute);
        EXPECT_EQ(child.TimeAttributeIndex, -1);
        EXPECT_EQ(child.TimeMoment, -1);
        EXPECT_EQ(child.TimeDiscreteRange, -1);
        EXPECT_EQ(child.GetRecord(1)->Index, 1);
        EXPECT_EQ(child.GetRecord(1)->GetLabel(), "1");
    }
    // The parent is untouched.
    EXPECT_THAT(ColumnValues(parent, 0), ElementsAre(0.0f, FloatEq(0.2f), FloatEq(0.4f), 1.0f));
}

TEST(Subset, OfNoRecordsHasTheDimensionsOnly)
{
    TPreProcessedData parent;
    Fill(parent, {{1, 2}});
    TPreProcessedData child;
    child.BuildSubset({}, &parent, false);
    EXPECT_EQ(child.NumberOfDimensions(), 1);
    EXPECT_EQ(child.RecordsNumber, 0);
}

// ---- compositions ---------------------------------------------------------------------------

TEST(Composition, TenAndFiveRecordsMakeFifteenNormalisedOverAll)
{
    TPreProcessedData a, b;
    Fill(a, {Range(0, 9), Range(0, 9)});
    Fill(b, {Range(100, 104), Range(20, 24)});
    TPreProcessedData union_;
    union_.AppendDataset(&a);
    union_.AppendDataset(&b);
    union_.CompleteLoad();
    ASSERT_EQ(union_.RecordsNumber, 15);
    ASSERT_EQ(union_.ListOfPreprocessedRecords.size(), 15u);
    for (int k = 0; k < 15; ++k) EXPECT_EQ(union_.GetRecord(k)->Index, k);
    EXPECT_FLOAT_EQ(union_.GetLowValue(0), 0.0f);
    EXPECT_FLOAT_EQ(union_.GetHighValue(0), 104.0f);
    EXPECT_FLOAT_EQ(union_.GetCell(0, 9).Value(), 9.0f / 104);
    EXPECT_FLOAT_EQ(union_.GetCell(0, 14).Value(), 1.0f);
    EXPECT_FLOAT_EQ(union_.GetHighValue(1), 24.0f);
    EXPECT_FLOAT_EQ(union_.Denormalise(1, union_.GetCell(1, 10).Value()), 20.0f);
    EXPECT_EQ(union_.GetDimensionName(1), "d1");
}

TEST(Composition, MembersWithDifferentDimensionCountsKeepColumnsAligned)
{
    TPreProcessedData a, b;
    Fill(a, {{1, 2}});
    Fill(b, {{3, 4, 5}, {7, 8, 9}});
    TPreProcessedData union_;
    union_.AppendDataset(&a);
    union_.AppendDataset(&b);
    union_.AppendDataset(&a);
    union_.CompleteLoad();
    ASSERT_EQ(union_.RecordsNumber, 7);
    ASSERT_EQ(union_.NumberOfDimensions(), 2);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(union_.GetDimension(i)->Count(), 7u);
    EXPECT_FLOAT_EQ(union_.GetLowValue(1), 0.0f);  // the missing cells hold raw 0
    EXPECT_FLOAT_EQ(union_.GetHighValue(1), 9.0f);
}

TEST(Composition, OverlappingMembersHoldEachRecordOnce)
{
    // Two pipelines of one parent that share records 3 … 5, and a pipeline of a pipeline.
    TPreProcessedData parent;
    Fill(parent, {Range(0, 9), Range(10, 19)});
    auto records = [&parent](int from, int to) {
        TRecordList list;
        for (int k = from; k <= to; ++k) list.push_back(parent.GetRecord(k));
        return list;
    };
    TPreProcessedData a, b, grandchild;
    a.BuildSubset(records(0, 5), &parent, false);
    b.BuildSubset(records(3, 8), &parent, true);
    grandchild.BuildSubset({b.GetRecord(0), b.GetRecord(5)}, &b, false);  // parent records 3 and 8
    EXPECT_EQ(grandchild.SourceIndex(grandchild.GetRecord(1)), 8);

    TPreProcessedData union_;
    union_.AppendUnion(&a);
    union_.AppendUnion(&b);
    union_.AppendUnion(&grandchild);
    union_.CompleteLoad();
    ASSERT_EQ(union_.RecordsNumber, 9);
    std::vector<float> raw;
    for (int k = 0; k < 9; ++k) raw.push_back(union_.Denormalise(0, union_.GetCell(0, k).Value()));
    EXPECT_THAT(raw, ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8));
    for (int k = 0; k < 9; ++k) EXPECT_EQ(union_.SourceIndex(union_.GetRecord(k)), k);
    EXPECT_FLOAT_EQ(union_.GetHighValue(1), 18.0f);

    // Members of unrelated loads never merge: 10 and 5 records make 15.
    TPreProcessedData c, d, disjoint;
    Fill(c, {Range(0, 9)});
    Fill(d, {Range(0, 4)});
    disjoint.AppendUnion(&c);
    disjoint.AppendUnion(&d);
    disjoint.CompleteLoad();
    EXPECT_EQ(disjoint.RecordsNumber, 15);
}

// ---- frequencies over a set of records -----------------------------------------------------

TEST(Frequencies, OverASetCountOnlyItsCells)
{
    TPreProcessedData data;
    Fill(data, {{5, 1, 5, 2, 5, 1, 9}});
    const TRecordList set = {data.GetRecord(0), data.GetRecord(1), data.GetRecord(2), data.GetRecord(5)};
    const TChangeStamp before = data.FrequencyValuesTimeStamp;
    const auto outside = data.GetCell(0, 4).Weight();
    data.ComputeFrequencies(0, set);
    EXPECT_NE(data.FrequencyValuesTimeStamp, before);
    std::vector<int> occurrences;
    for (const TPreProcessedRecord* r : set) occurrences.push_back(data.GetDimension(0)->Occurrences[r->Index]);
    EXPECT_THAT(occurrences, ElementsAre(2, 2, 2, 2));
    EXPECT_FLOAT_EQ(data.GetCell(0, 0).Weight(), 1.0f);
    EXPECT_FLOAT_EQ(data.GetCell(0, 4).Weight(), outside);
    EXPECT_EQ(data.GetDimension(0)->Occurrences[4], 3);

    const TRecordList lopsided = {data.GetRecord(0), data.GetRecord(2), data.GetRecord(4), data.GetRecord(6)};
    data.ComputeFrequencies(0, lopsided);
    EXPECT_THAT(ColumnWeights(data, 0), ElementsAre(1.0f, 1.0f, 1.0f, 1.0f / 3, 1.0f, 1.0f, FloatEq(1.0f / 3)));

    const TChangeStamp stamp = data.FrequencyValuesTimeStamp;
    data.ComputeFrequencies(0, {});
    EXPECT_EQ(data.FrequencyValuesTimeStamp, stamp);
    data.ComputeFrequencies(5, set);  // no such dimension
    EXPECT_EQ(data.FrequencyValuesTimeStamp, stamp);
}

// ---- relevance -----------------------------------------------------------------------------

TEST(Relevance, WorkedExample)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10}});
    data.SetRelevancePoint(0, 0.5f);
    EXPECT_EQ(data.RelevanceDimensionCount, 1);
    EXPECT_THAT(ColumnWeights(data, 0), ElementsAre(FloatEq(0.3125f), 1.0f, FloatEq(0.75f), FloatEq(0.3125f)));
    std::vector<float> relevance;
    for (int k = 0; k < 4; ++k) relevance.push_back(data.GetCell(0, k).Relevance());
    EXPECT_THAT(relevance, ElementsAre(FloatEq(-0.375f), 1.0f, FloatEq(0.5f), FloatEq(-0.375f)));
    EXPECT_FLOAT_EQ(data.GetRecord(2)->RecordRelevanceCoefficiente, 0.75f);
}

TEST(Relevance, RecordCoefficientSumsTheWeightsOfAllDimensions)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10}, {1, 1, 2, 3}});  // frequency weights of d1: 1, 1, 0.5, 0.5
    data.SetRelevancePoint(0, 0.5f);
    EXPECT_FLOAT_EQ(data.GetRecord(1)->RecordRelevanceCoefficiente, 2.0f);
    EXPECT_FLOAT_EQ(data.GetRecord(2)->RecordRelevanceCoefficiente, 1.25f);
    data.SetRelevancePoint(1, 0.0f);
    EXPECT_EQ(data.RelevanceDimensionCount, 2);
    EXPECT_FLOAT_EQ(data.GetRecord(1)->RecordRelevanceCoefficiente, 1.0f);
}

TEST(Relevance, SettingAndRemovingAgainRestoresCoefficients)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10}});
    data.SetRelevancePoint(0, 0.5f);
    const TChangeStamp stamp = data.RelevanceValuesTimeStamp;
    data.SetRelevancePoint(0, -1.0f);
    EXPECT_NE(data.RelevanceValuesTimeStamp, stamp);
    EXPECT_EQ(data.RelevanceDimensionCount, 0);
    for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(data.GetRecord(k)->RecordRelevanceCoefficiente, 1.0f);
}

TEST(Relevance, PositionsThatAreNotNumbersSetNothing)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10}});
    const auto weights = ColumnWeights(data, 0);
    for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
        data.SetRelevancePoint(0, bad);
        EXPECT_EQ(data.RelevanceDimensionCount, 0);
        EXPECT_FLOAT_EQ(data.GetRelevanceValue(0), -1.0f);
        EXPECT_EQ(ColumnWeights(data, 0), weights);
    }
    data.SetRelevancePoint(7, 0.5f);  // no such dimension
    EXPECT_EQ(data.RelevanceDimensionCount, 0);
}

TEST(Relevance, RemoveAllClearsWeightsAndLeavesCoefficients)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10}, {1, 2, 3, 4}});
    data.SetRelevancePoint(0, 0.5f);
    data.SetRelevancePoint(1, 1.0f);
    const float coefficient = data.GetRecord(2)->RecordRelevanceCoefficiente;
    const TChangeStamp stamp = data.RelevanceValuesTimeStamp;
    data.RemoveAllRelevancePoints();
    EXPECT_EQ(data.RelevanceDimensionCount, 0);
    EXPECT_NE(data.RelevanceValuesTimeStamp, stamp);
    EXPECT_FLOAT_EQ(data.GetRelevanceValue(0), -1.0f);
    EXPECT_FLOAT_EQ(data.GetRelevanceValue(1), -1.0f);
    EXPECT_THAT(ColumnWeights(data, 0), ElementsAre(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_THAT(ColumnWeights(data, 1), ElementsAre(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(data.GetRecord(2)->RecordRelevanceCoefficiente, coefficient);
}

TEST(Relevance, MaxDistanceIsClampedAndNeedsARelevancePoint)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10}});
    const TChangeStamp stamp = data.RelevanceValuesTimeStamp;
    data.SetMaxRelevanceDistance(0, 0.5f);
    EXPECT_FLOAT_EQ(data.GetMaxRelevanceDistance(0), 0.2f);  // no relevance point yet: nothing
    EXPECT_EQ(data.RelevanceValuesTimeStamp, stamp);

    data.SetRelevancePoint(0, 0.5f);
    const float coefficient = data.GetRecord(2)->RecordRelevanceCoefficiente;
    data.SetMaxRelevanceDistance(0, 0.4f);
    EXPECT_FLOAT_EQ(data.GetMaxRelevanceDistance(0), 0.4f);
    EXPECT_FLOAT_EQ(data.GetCell(0, 2).Weight(), 0.875f);
    EXPECT_FLOAT_EQ(data.GetRecord(2)->RecordRelevanceCoefficiente, coefficient);  // follows at the next point
    for (const auto& [given, kept] : {std::pair{3.0f, 1.0f}, {-2.0f, 0.0f}, {0.7f, 0.7f}}) {
        data.SetMaxRelevanceDistance(0, given);
        EXPECT_FLOAT_EQ(data.GetMaxRelevanceDistance(0), kept);
    }
}

struct TRadiusCase {
    float Radius, Centre;
    std::vector<float> Weights;  // for the values 0, 0.5, 0.6, 1
};

class RelevanceRadius : public ::testing::TestWithParam<TRadiusCase> {};

TEST_P(RelevanceRadius, GivesFiniteWeightsInTheUnitInterval)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10}});
    data.SetRelevancePoint(0, 0.5f);
    data.SetMaxRelevanceDistance(0, GetParam().Radius);
    data.SetRelevancePoint(0, GetParam().Centre);
    for (int k = 0; k < 4; ++k) {
        const float w = data.GetCell(0, k).Weight();
        const float r = data.GetCell(0, k).Relevance();
        EXPECT_TRUE(std::isfinite(w) && std::isfinite(r)) << k;
        EXPECT_NEAR(w, GetParam().Weights[k], 1e-6f) << k;
        EXPECT_GE(r, -1.0f);
        EXPECT_LE(r, 1.0f);
    }
}

// A radius of 0 keeps only the exact value relevant (weight 1); every other value gets the
// outside formula. A centre outside [0, 1] with the largest radius counts as least relevant.
INSTANTIATE_TEST_SUITE_P(Relevance, RelevanceRadius,
                         ::testing::Values(TRadiusCase{0.0f, 0.5f, {0.25f, 1.0f, 0.45f, 0.25f}},
                                           TRadiusCase{1.0f, 0.5f, {0.75f, 1.0f, 0.95f, 0.75f}},
                                           TRadiusCase{1.0f, 1.5f, {0.0f, 0.5f, 0.55f, 0.75f}},
                                           TRadiusCase{0.2f, 2.5f, {0.0f, 0.0f, 0.0f, 0.0f}}));

// ---- order ------------------------------------------------------------------------------------

TEST(Order, ByRelevanceSortsTheDatasetListAscending)
{
    TPreProcessedData data;
    Fill(data, {{0, 5, 6, 10, 4}});
    data.SetRelevancePoint(0, 0.5f);
    data.SortRecordsByRelevance();
    std::vector<int> order;
    for (const TPreProcessedRecord* r : data.ListOfPreprocessedRecords) order.push_back(r->Index);
    EXPECT_EQ(order.back(), 1);
    for (std::size_t k = 1; k < order.size(); ++k)
        EXPECT_LE(data.RecordByIndex(order[k - 1])->RecordRelevanceCoefficiente,
                  data.RecordByIndex(order[k])->RecordRelevanceCoefficiente);
}

TEST(Order, ByDimensionSortsTheGivenListOnly)
{
    TPreProcessedData data;
    std::vector<float> many;
    for (int k = 0; k < 200; ++k) many.push_back(static_cast<float>((k * 37) % 101));
    Fill(data, {many});
    EXPECT_EQ(TPreProcessedData::SortDimension(), -1);
    // A short list (sorted by comparison) and the whole list (sorted by counting).
    for (std::size_t size : {5u, 200u}) {
        TRecordList list(data.ListOfPreprocessedRecords.rbegin(), data.ListOfPreprocessedRecords.rbegin() + size);
        data.SortRecordsByDimension(0, list);
        EXPECT_EQ(TPreProcessedData::SortDimension(), 0);
        ASSERT_EQ(list.size(), size);
        for (std::size_t k = 1; k < size; ++k) {
            ASSERT_LE(data.Value(0, list[k - 1]), data.Value(0, list[k]));
            if (data.Value(0, list[k - 1]) == data.Value(0, list[k])) {
                EXPECT_GT(list[k - 1]->Index, list[k]->Index);  // equal values keep their list order
            }
        }
    }
    for (int k = 0; k < 200; ++k) EXPECT_EQ(data.GetRecord(k)->Index, k);
    TPreProcessedData other;
    EXPECT_EQ(TPreProcessedData::SortDimension(), -1);
}

// ---- time window ------------------------------------------------------------------------------

std::vector<int> Drawn(const TPreProcessedData& data)
{
    std::vector<int> positions;
    for (std::size_t k = 0; k < data.ListOfPreprocessedRecords.size(); ++k)
        if (data.ListOfPreprocessedRecords[k]->TemporalInteractionDraw) positions.push_back(static_cast<int>(k));
    return positions;
}

struct TTimeCase {
    int Range, Moment;
    std::vector<int> Drawn;
};

class TimeWindow : public ::testing::TestWithParam<TTimeCase> {};

TEST_P(TimeWindow, MarksOneChunkOfPositions)
{
    TPreProcessedData data;
    Fill(data, {Range(0, 29)});
    data.TimeDiscreteRange = GetParam().Range;
    data.SetTimeMoment(GetParam().Moment);
    EXPECT_EQ(Drawn(data), GetParam().Drawn);
    EXPECT_EQ(data.TimeMoment, GetParam().Moment);
}

INSTANTIATE_TEST_SUITE_P(Time, TimeWindow,
                         ::testing::Values(TTimeCase{12, 3, {24, 25, 26, 27, 28, 29}},
                                           TTimeCase{12, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
                                           TTimeCase{25, 2, {25, 26, 27, 28, 29}}, TTimeCase{12, 4, {}},
                                           TTimeCase{12, 0, {}}, TTimeCase{12, -3, {}}, TTimeCase{-1, 3, {}},
                                           TTimeCase{0, 1, {}}, TTimeCase{1 << 30, 1 << 30, {}}));

TEST(Time, WindowFollowsTheListOrderAndCanBeSwitchedOff)
{
    TPreProcessedData data;
    Fill(data, {{0, 1, 2, 3}});
    data.TimeDiscreteRange = 2;
    data.SetRelevancePoint(0, 0.0f);  // record 0 most relevant, record 3 least
    data.SortRecordsByRelevance();    // list order 3, 2, 1, 0
    data.SetTimeMoment(2);
    EXPECT_TRUE(data.RecordByIndex(1)->TemporalInteractionDraw);
    EXPECT_TRUE(data.RecordByIndex(0)->TemporalInteractionDraw);
    EXPECT_FALSE(data.RecordByIndex(2)->TemporalInteractionDraw);
    EXPECT_FALSE(data.RecordByIndex(3)->TemporalInteractionDraw);
    data.SetAllRecordsDrawn(true);
    EXPECT_EQ(Drawn(data), (std::vector<int>{0, 1, 2, 3}));
    data.SetAllRecordsDrawn(false);
    EXPECT_TRUE(Drawn(data).empty());
}

} // namespace

// A column whose range is wider than a float holds (values near ±3.4e38) stays finite through
// every derived dataset, and its own units read as numbers; the load, and every dataset
// derived with such a range, says so in its notes.
TEST(Derived, ARangeWiderThanAFloatStaysFinite)
{
    const float big = std::numeric_limits<float>::max();
    TPreProcessedData parent;
    Fill(parent, {{-big, big, 0.0f, 1e38f, -2e38f}, {1, 2, 3, 4, 5}});
    auto wideNote = [](const TPreProcessedData& data) {
        for (const std::string& note : data.LoadNotes)
            if (note.find("d0") != std::string::npos && note.find("float") != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(wideNote(parent));
    auto finiteInUnits = [](const TPreProcessedData& data) {
        for (int k = 0; k < data.RecordsNumber; ++k) {
            const float value = data.GetCell(0, k).Value();
            EXPECT_TRUE(value >= 0.0f && value <= 1.0f) << k << ": " << value;
            const float raw = data.Denormalise(0, value);
            EXPECT_TRUE(std::isfinite(raw)) << k;
            const std::string text = data.ValueText(0, raw);
            EXPECT_EQ(text.find("NAN"), std::string::npos) << text;
            EXPECT_EQ(text.find("INF"), std::string::npos) << text;
        }
        EXPECT_TRUE(std::isfinite(data.Denormalise(0, 0.0f)));
        EXPECT_TRUE(std::isfinite(data.Denormalise(0, 1.0f)));
        EXPECT_TRUE(std::isfinite(data.Denormalise(0, 1.5f)));  // a bound past the axis while dragging
        EXPECT_TRUE(std::isfinite(data.SpreadInUnits(0, 0.25f)));
    };
    finiteInUnits(parent);

    for (bool fullDomain : {false, true}) {
        SCOPED_TRACE(fullDomain ? "full domain" : "partial domain");
        TPreProcessedData child;
        child.BuildSubset(parent.ListOfPreprocessedRecords, &parent, fullDomain);
        finiteInUnits(child);
        EXPECT_TRUE(wideNote(child));
        EXPECT_FLOAT_EQ(child.Denormalise(0, child.GetCell(0, 1).Value()), big);
    }
    TPreProcessedData composition;
    composition.AppendUnion(&parent);
    composition.CompleteLoad();
    finiteInUnits(composition);
    EXPECT_TRUE(wideNote(composition));

    TPreProcessedData narrow;
    Fill(narrow, {{-1e38f, 1e38f}});
    EXPECT_TRUE(narrow.LoadNotes.empty());  // 2e38 fits
}

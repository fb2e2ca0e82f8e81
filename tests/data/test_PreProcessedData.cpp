// The dataset model: normalisation, ranks, axis positions, records, feature vectors, stamps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "DataFixtures.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::FloatEq;

// ---- normalisation -----------------------------------------------------------------------

struct TNormaliseCase {
    const char* Name;
    std::vector<float> Raw;
    bool Recompute;
    float PresetHigh, PresetLow;  // used when not recomputing
    std::vector<float> Expected;
    float Low, High, Range;
};

class Normalise : public ::testing::TestWithParam<TNormaliseCase> {};

TEST_P(Normalise, MapsTheRangeOntoTheUnitInterval)
{
    const auto& c = GetParam();
    TPreProcessedDimension dimension("d", 0);
    for (float v : c.Raw) dimension.AddValue(v);
    if (!c.Recompute) dimension.SetHighLow(c.PresetHigh, c.PresetLow);
    dimension.Normalise(c.Recompute);
    EXPECT_TRUE(dimension.Normalised);
    std::vector<::testing::Matcher<float>> expected;
    for (float v : c.Expected) expected.push_back(FloatEq(v));
    EXPECT_THAT(dimension.Values, ElementsAreArray(expected));
    EXPECT_FLOAT_EQ(dimension.LowValue, c.Low);
    EXPECT_FLOAT_EQ(dimension.HighValue, c.High);
    EXPECT_FLOAT_EQ(dimension.ValueRange, c.Range);
    // Normalising again changes nothing.
    const auto once = dimension.Values;
    dimension.Normalise(true);
    EXPECT_EQ(dimension.Values, once);
}

INSTANTIATE_TEST_SUITE_P(
    Model, Normalise,
    ::testing::Values(TNormaliseCase{"plain", {2, 4, 6}, true, 0, 0, {0, 0.5f, 1}, 2, 6, 4},
                      TNormaliseCase{"negative", {0, -4, 4}, true, 0, 0, {0.5f, 0, 1}, -4, 4, 8},
                      TNormaliseCase{"constant", {5, 5}, true, 0, 0, {0, 0}, 5, 5, 1},
                      TNormaliseCase{"single", {3}, true, 0, 0, {0}, 3, 3, 1},
                      TNormaliseCase{"preset", {2, 12, -5}, false, 10, 0, {0.2f, 1, -0.5f}, 0, 10, 10},
                      TNormaliseCase{"presetEqual", {4, 6}, false, 4, 4, {0, 1}, 4, 4, 1},
                      TNormaliseCase{"empty", {}, true, 0, 0, {}, 0, 0, 1},
                      TNormaliseCase{"huge", {-3e38f, 3e38f}, true, 0, 0, {0, 1}, -3e38f, 3e38f, INFINITY}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Model, AddValueTextTurnsNonNumbersIntoTheirIndex)
{
    TPreProcessedDimension dimension("d", 0);
    for (const char* token : {"x", "2.5", "y", "nan", "-1"}) dimension.AddValueText(token);
    EXPECT_THAT(dimension.Values, ElementsAre(0.0f, 2.5f, 2.0f, 3.0f, -1.0f));
    EXPECT_FALSE(dimension.Normalised);
}

TEST(Model, RanksFollowTheNormalisedValues)
{
    TPreProcessedDimension dimension("d", 0);
    for (float v : {0.3f, -2.0f, 0.3f, 7.0f, -0.0f, 0.0f, 1e-30f, -1e-30f}) dimension.AddValue(v);
    dimension.ComputeRanks();
    EXPECT_TRUE(dimension.RanksCurrent());
    EXPECT_THAT(dimension.Ranks, ElementsAre(4u, 0u, 4u, 5u, 2u, 2u, 3u, 1u));
    EXPECT_THAT(dimension.DistinctValues, ElementsAre(-2.0f, -1e-30f, 0.0f, 1e-30f, 0.3f, 7.0f));
    dimension.AddValue(1.0f);
    EXPECT_FALSE(dimension.RanksCurrent());
    dimension.ComputeFrequencies();  // ranks again, then counts
    EXPECT_TRUE(dimension.RanksCurrent());
    EXPECT_EQ(dimension.Ranks.back(), 5u);
    std::vector<int> occurrences;
    for (std::uint32_t row = 0; row < dimension.Count(); ++row) occurrences.push_back(dimension.Cell(row).Occurrences());
    EXPECT_THAT(occurrences, ElementsAre(2, 1, 2, 1, 2, 2, 1, 1, 1));
}

class ManyValues : public ::testing::TestWithParam<int> {};

// Few distinct values are ranked through a hash table, many through a radix sort.
TEST_P(ManyValues, AreRankedInOrder)
{
    const int kinds = GetParam();
    TPreProcessedDimension dimension("d", 0);
    std::uint32_t state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1664525u + 1013904223u;
        dimension.AddValue(static_cast<float>(static_cast<int>(state >> 8) % kinds - kinds / 2) * 0.37f);
    }
    dimension.ComputeRanks();
    std::vector<float> sorted = dimension.Values;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    EXPECT_EQ(dimension.DistinctValues, sorted);
    for (std::size_t i = 0; i < dimension.Count(); ++i) ASSERT_EQ(dimension.DistinctValues[dimension.Ranks[i]], dimension.Values[i]);
}

INSTANTIATE_TEST_SUITE_P(Model, ManyValues, ::testing::Values(3000, 5000, 20000));

// ---- axis positions ------------------------------------------------------------------------

struct TAxisCase {
    int Width, Height, Dimensions;
    std::vector<int> Axis, Column, Row;
};

class AxisPositions : public ::testing::TestWithParam<TAxisCase> {};

TEST_P(AxisPositions, AreLaidOutInIntegerSteps)
{
    const auto& c = GetParam();
    TPreProcessedData data;
    for (int i = 0; i < c.Dimensions; ++i) data.AddDimension("d" + std::to_string(i));
    data.ComputeAxisPositions(c.Width, c.Height);
    for (int i = 0; i < c.Dimensions; ++i) {
        EXPECT_EQ(data.GetAxisPosition(i), c.Axis[i]) << i;
        EXPECT_EQ(data.GetColumnPosition(i), c.Column[i]) << i;
        EXPECT_EQ(data.GetRowPosition(i), c.Row[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Model, AxisPositions,
                         ::testing::Values(TAxisCase{800, 600, 3, {133, 399, 665}, {542, 286, 30}, {30, 220, 410}},
                                           TAxisCase{100, 100, 4, {12, 37, 62, 87}, {81, 64, 47, 30}, {30, 47, 64, 81}},
                                           TAxisCase{7, 31, 1, {3}, {30}, {30}},
                                           TAxisCase{1000, 1000, 0, {}, {}, {}}));

// ---- records ---------------------------------------------------------------------------------

TPreProcessedData& Filled(TPreProcessedData& data, const std::vector<std::vector<float>>& columns)
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        TPreProcessedDimension* dimension = data.AddDimension("d" + std::to_string(i));
        for (float v : columns[i]) dimension->AddValue(v);
    }
    data.BuildRecords();
    data.CompleteLoad();
    return data;
}

TEST(Model, LabelsDefaultToTheIndexAndSurviveRebuilding)
{
    TPreProcessedData data;
    Filled(data, {{1, 2, 3, 4, 5, 6, 7, 8}});
    EXPECT_EQ(data.GetRecord(7)->GetLabel(), "7");
    data.GetRecord(3)->SetLabel("caf\xC3\xA9");
    EXPECT_EQ(data.GetRecord(3)->GetLabel(), "caf\xC3\xA9");
    data.GetRecord(4)->SetLabel("x");
    data.GetRecord(4)->SetLabel("");
    EXPECT_EQ(data.GetRecord(4)->GetLabel(), "4");

    TPreProcessedData other;
    Filled(other, {{9, 10}});
    data.AppendDataset(&other);  // moves the records into larger storage
    EXPECT_EQ(data.RecordsNumber, 10);
    EXPECT_EQ(data.GetRecord(3)->GetLabel(), "caf\xC3\xA9");
    EXPECT_EQ(data.GetRecord(9)->GetLabel(), "9");
}

TEST(Model, CopyRecordKeepsIndexColourAndFlags)
{
    TPreProcessedData data;
    Filled(data, {{1, 2, 3}, {4, 5, 6}});
    TPreProcessedRecord* record = data.GetRecord(2);
    record->Color.SetColor(0.1f, 0.2f, 0.3f);
    record->TemporalInteractionDraw = false;
    record->RecordRelevanceCoefficiente = 0.25f;
    record->SetLabel("third");
    const auto copy = record->CopyRecord();
    EXPECT_EQ(copy->Index, 2);
    EXPECT_EQ(copy->Color, TOpenGLColor(0.1f, 0.2f, 0.3f));
    EXPECT_FALSE(copy->TemporalInteractionDraw);
    EXPECT_FLOAT_EQ(copy->RecordRelevanceCoefficiente, 0.25f);
    EXPECT_EQ(copy->GetLabel(), "third");
    EXPECT_FLOAT_EQ(data.Value(1, copy.get()), 1.0f);  // the same cells
    copy->Color.SetColor(1, 1, 1);
    EXPECT_EQ(record->Color, TOpenGLColor(0.1f, 0.2f, 0.3f));
}

TEST(Model, CellsAreHandlesOntoTheColumns)
{
    TPreProcessedData data;
    Filled(data, {{0, 10}});
    TPreProcessedAttribute cell = data.GetCell(0, 1);
    EXPECT_FLOAT_EQ(cell.Value(), 1.0f);
    EXPECT_FLOAT_EQ(cell.Relevance(), 0.0f);  // no relevance computed yet
    cell.SetRelevance(-0.5f);
    cell.SetWeight(0.125f);
    cell.SetOccurrences(9);
    EXPECT_FLOAT_EQ(data.GetCell(0, 1).Relevance(), -0.5f);
    EXPECT_FLOAT_EQ(data.GetCell(0, 0).Relevance(), 0.0f);
    EXPECT_FLOAT_EQ(data.Weight(0, data.GetRecord(1)), 0.125f);
    EXPECT_EQ(data.GetDimension(0)->Occurrences[1], 9);
    EXPECT_EQ(data.RecordByIndex(1), data.GetRecord(1));
    EXPECT_EQ(data.RecordByIndex(2), nullptr);
    EXPECT_EQ(data.RecordByIndex(-1), nullptr);
}

// ---- feature vectors --------------------------------------------------------------------

TEST(FeatureVector, HoldsIdentifierAndValues)
{
    TPreProcessedData data;
    Filled(data, {{0, 4, 8}, {1, 2, 5}});
    const stBasicArrayObject vector = data.ToFeatureVector(data.GetRecord(1));
    EXPECT_EQ(vector.GetOID(), 1);
    ASSERT_EQ(vector.GetSize(), 2u);
    EXPECT_FLOAT_EQ(vector.ValueAt(0), 0.5f);
    EXPECT_FLOAT_EQ(vector.ValueAt(1), 0.25f);
    EXPECT_EQ(vector.StoredSize(), 12u);
    try {
        vector.ValueAt(2);
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "Index out of range.");
    }
}

TEST(FeatureVector, DuplicateCompareAndStoredBytes)
{
    const float a[] = {1, 2, 3};
    const float b[] = {1, 2};
    const stBasicArrayObject x(7, a, 3);
    const auto copy = x.Duplicate();
    EXPECT_EQ(copy->GetOID(), 7);
    EXPECT_TRUE(copy->HasSameValues(x));
    EXPECT_TRUE(stBasicArrayObject(99, a, 3).HasSameValues(x));  // the identifier is not compared
    EXPECT_FALSE(stBasicArrayObject(7, b, 2).HasSameValues(x));
    const float c[] = {1, 2, 4};
    EXPECT_FALSE(stBasicArrayObject(7, c, 3).HasSameValues(x));

    stBasicArrayObject loaded(1, b, 2);
    loaded.LoadStoredBytes(x.StoredBytes(), x.StoredSize());
    EXPECT_EQ(loaded.GetSize(), 3u);
    EXPECT_EQ(loaded.GetOID(), 7);
    EXPECT_TRUE(loaded.HasSameValues(x));
    loaded.LoadStoredBytes(x.StoredBytes(), 2);  // too short for an identifier: empty
    EXPECT_EQ(loaded.GetSize(), 0u);
    EXPECT_EQ(loaded.StoredSize(), 4u);
    EXPECT_THROW(loaded.ValueAt(0), std::out_of_range);
}

// ---- change stamps -------------------------------------------------------------------------

TEST(Stamps, EveryRenewalDiffers)
{
    TChangeStamp previous = NewChangeStamp();
    for (int i = 0; i < 1000; ++i) {
        const TChangeStamp next = NewChangeStamp();
        ASSERT_GT(next, previous);
        previous = next;
    }
    TPreProcessedData data;
    Filled(data, {{1, 2}});
    const TChangeStamp first = data.FrequencyValuesTimeStamp;
    data.ComputeFrequencies();
    EXPECT_NE(data.FrequencyValuesTimeStamp, first);
}

} // namespace

// The readers' one-pass normalising and counting gives what normalising and then counting
// gives, whether or not the values lie on the decimal grid it is told of.
TEST(Model, NormalisingAndCountingInOnePassMatchesTheTwoSteps)
{
    struct TCase {
        const char* Name;
        unsigned Decimals;
        std::vector<float> Values;
    };
    const TCase cases[] = {
        {"integers", 0, {5, 1, 5, 2, 5, 1, 9, -3}},
        {"two decimals", 2, {0.25f, 999.99f, 0.25f, 12.5f, -0.0f, 0.0f, 3.14f}},
        {"values normalisation makes equal", 1, {0.0f, 1000000.0f, 999999.9f, 1000000.0f, 500000.1f}},
        {"told too few decimals", 1, {0.25f, 0.5f, 0.75f}},
        {"not on any grid", 3, {1e-7f, 0.5f, 3.3333333f}},
        {"a constant", 2, {4.5f, 4.5f, 4.5f}},
        {"one value", 0, {7}},
        {"wide", 0, {-8000000.0f, 8000000.0f, 0.0f}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TPreProcessedDimension twoSteps("d", 0), onePass("d", 0);
        for (float v : c.Values) {
            twoSteps.AddValue(v);
            onePass.AddValue(v);
        }
        const auto [low, high] = std::minmax_element(c.Values.begin(), c.Values.end());
        twoSteps.SetHighLow(*high, *low);
        onePass.SetHighLow(*high, *low);
        twoSteps.Normalise(false);
        twoSteps.ComputeFrequencies();
        TRankScratch scratch;
        onePass.NormaliseAndComputeFrequencies(c.Decimals, scratch);
        EXPECT_EQ(onePass.ValueRange, twoSteps.ValueRange);
        EXPECT_EQ(onePass.Values, twoSteps.Values);
        EXPECT_EQ(onePass.Weights, twoSteps.Weights);
        EXPECT_EQ(onePass.Ranks, twoSteps.Ranks);
        EXPECT_EQ(onePass.DistinctValues, twoSteps.DistinctValues);
        EXPECT_TRUE(onePass.RanksCurrent());
        for (std::uint32_t row = 0; row < onePass.Count(); ++row)
            EXPECT_EQ(onePass.Cell(row).Occurrences(), twoSteps.Cell(row).Occurrences()) << row;
    }
}

// The table reader over an in-memory table, and the text code of text fields.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "data/PreProcessedData.h"
#include "tests/support/MessageRecorder.h"

namespace {
using TCell = std::variant<double, std::string>;

// A table held in memory; it can be told to fail reading one field from some row on, or
// to fail the step to some row.
class TFakeTable : public TTableSource {
public:
    struct TField {
        std::string Name;
        bool Text;
    };
    TFakeTable(std::vector<TField> fields, std::vector<std::vector<TCell>> rows)
        : Fields(std::move(fields)), Rows(std::move(rows))
    {
    }
    int FieldCount() const override { return static_cast<int>(Fields.size()); }
    std::string FieldName(int f) const override { return Fields[f].Name; }
    bool IsTextField(int f) const override { return Fields[f].Text; }
    bool First() override
    {
        Row = 0;
        return Step();
    }
    bool Next() override
    {
        ++Row;
        return Step();
    }
    double AsFloat(int f) override
    {
        Check(f);
        const TCell& c = Rows.at(Row).at(f);
        return std::holds_alternative<double>(c) ? std::get<double>(c) : 0.0;
    }
    std::string AsString(int f) override
    {
        Check(f);
        const TCell& c = Rows.at(Row).at(f);
        return std::holds_alternative<std::string>(c) ? std::get<std::string>(c) : std::string();
    }
    std::string LastError() const override { return Error; }

    int FailField = -1;
    std::size_t FailFromRow = 0;
    std::optional<std::size_t> StepFailsAt;

private:
    bool Step()
    {
        if (StepFailsAt && Row == *StepFailsAt) {
            Error = "disk I/O error";
            return false;
        }
        return Row < Rows.size();
    }
    void Check(int f) const
    {
        if (f == FailField && Row >= FailFromRow) throw std::runtime_error("conversion failed");
    }
    std::vector<TField> Fields;
    std::vector<std::vector<TCell>> Rows;
    std::size_t Row = 0;
    std::string Error;
};

std::vector<float> Values(const TPreProcessedData& data, int dimension)
{
    std::vector<float> values;
    for (int k = 0; k < data.RecordsNumber; ++k) values.push_back(data.GetCell(dimension, k).Value());
    return values;
}

int CountMessages(const TMessageRecorder& recorder, const std::string& text)
{
    int n = 0;
    for (const auto& m : recorder.Messages)
        if (m.Text == text) ++n;
    return n;
}
} // namespace

TEST(HashText, Codes)
{
    struct TCase {
        std::string Text;
        int Code;
    } cases[] = {
        {"abc", 580202},  // s1 = 58020, s2 = 294: "58020294"
        {"", 0},          // "00"
        {"a", 940997},    // 9409 and 97
        {"ab", 286171},   // 97² + 2·98² = 28617, s2 = 195: "28617195"
        {"\xE9", -52923}, // byte -23: s1 = 529, s2 = -23: the sum's digits, negated
        // "é" in UTF-8: bytes -61 and -87: s1 = 3721 + 2·7569 = 18859, s2 = -148.
        {"\xC3\xA9", -188591},
    };
    for (const TCase& c : cases) EXPECT_EQ(TPreProcessedDimension::HashText(c.Text), c.Code) << c.Text;

    EXPECT_EQ(TPreProcessedDimension::HashText("same text"), TPreProcessedDimension::HashText("same text"));
    // Long texts neither overflow nor crash; the code stays within six digits.
    const int code = TPreProcessedDimension::HashText(std::string(200000, '\x7f'));
    EXPECT_GT(code, 99999);
    EXPECT_LE(code, 999999);
    const int negative = TPreProcessedDimension::HashText(std::string(200000, '\x80'));
    EXPECT_LT(negative, -99999);
    EXPECT_GE(negative, -999999);
    // Past 64 bits: 2^25 bytes of 0x80 give s1 = 2^14 · 2^24 · (2^25 + 1) = 2^63 + 2^38
    // = 9223372311732682752 and s2 = -2^32.
    EXPECT_EQ(TPreProcessedDimension::HashText(std::string(std::size_t{1} << 25, '\x80')), -922337);
    // Just below that point the code is the one the 64-bit sum gave: 2^25 − 1 bytes give
    // s1 = 2^14 · (2^25 − 1) · 2^24 = 9223371487098961920.
    EXPECT_EQ(TPreProcessedDimension::HashText(std::string((std::size_t{1} << 25) - 1, '\x80')), -922337);
}

TEST(ReadTable, NumericAndTextFields)
{
    TFakeTable table({{"x", false}, {"name", true}, {"one", true}, {"Time_Attribute_Name", false}},
                     {{2.0, std::string("abc"), std::string("same"), 1.0},
                      {4.0, std::string("abc"), std::string("same"), 2.0},
                      {6.0, std::string("xyz"), std::string("same"), 3.0},
                      {2.0, std::string(""), std::string("same"), 4.0}});
    TMessageRecorder recorder;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTable(table));
    EXPECT_TRUE(recorder.Messages.empty());

    ASSERT_EQ(data.NumberOfDimensions(), 4);
    ASSERT_EQ(data.RecordsNumber, 4);
    EXPECT_EQ(data.TimeMoment, 4);
    EXPECT_EQ(data.TimeDiscreteRange, 12);
    EXPECT_TRUE(data.HasTimeAttribute);
    EXPECT_EQ(data.TimeAttributeIndex, 3);
    EXPECT_EQ(data.GetDimensionName(1), "name");
    EXPECT_NE(data.FrequencyValuesTimeStamp, 0u);
    EXPECT_NE(data.RelevanceValuesTimeStamp, 0u);

    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(data.GetDimension(i)->Normalised) << i;
        EXPECT_EQ(data.GetDimension(i)->Count(), 4u) << i;
    }
    EXPECT_FALSE(data.IsStringDimension(0));
    EXPECT_TRUE(data.IsStringDimension(1));

    EXPECT_EQ(Values(data, 0), (std::vector<float>{0.0f, 0.5f, 1.0f, 0.0f}));
    EXPECT_FLOAT_EQ(data.GetLowValue(0), 2.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(0), 6.0f);
    // Frequencies: the value 2 appears twice (weight 1), the others once (0.5).
    EXPECT_FLOAT_EQ(data.GetCell(0, 0).Weight(), 1.0f);
    EXPECT_FLOAT_EQ(data.GetCell(0, 1).Weight(), 0.5f);
    EXPECT_EQ(data.GetCell(0, 3).Occurrences(), 2);

    // Text: codes normalised like numbers; equal texts give equal cells.
    EXPECT_FLOAT_EQ(data.GetLowValue(1), 0.0f);  // the empty text
    const float high = static_cast<float>(TPreProcessedDimension::HashText("xyz"));
    EXPECT_FLOAT_EQ(data.GetHighValue(1), high);
    EXPECT_EQ(data.GetCell(1, 0).Value(), data.GetCell(1, 1).Value());
    EXPECT_FLOAT_EQ(data.GetCell(1, 0).Value(), 580202.0f / high);
    EXPECT_EQ(data.GetCell(1, 2).Value(), 1.0f);
    // A single distinct value normalises to 0.
    EXPECT_EQ(Values(data, 2), (std::vector<float>(4, 0.0f)));
    EXPECT_FLOAT_EQ(data.GetDimension(2)->ValueRange, 1.0f);
}

TEST(ReadTable, SameDatasetAsTextFile)
{
    const std::vector<std::vector<double>> rows = {{1.5, -3, 100}, {2.25, 7, 100}, {-0.5, 7, 250}, {9.75, 0.125, 100}};
    std::vector<std::vector<TCell>> cells;
    const std::string file = testing::TempDir() + "read_table_same.lumet";
    {
        std::ofstream out(file);
        out << "#a b c\n";
        for (const auto& row : rows) {
            out << row[0] << " " << row[1] << " " << row[2] << "\n";
            cells.push_back({row[0], row[1], row[2]});
        }
    }
    TFakeTable table({{"a", false}, {"b", false}, {"c", false}}, cells);
    TPreProcessedData fromTable, fromFile;
    ASSERT_TRUE(fromTable.ReadTable(table));
    ASSERT_TRUE(fromFile.ReadTextFile(file));
    std::remove(file.c_str());
    ASSERT_EQ(fromTable.RecordsNumber, fromFile.RecordsNumber);
    ASSERT_EQ(fromTable.NumberOfDimensions(), fromFile.NumberOfDimensions());
    for (int i = 0; i < fromFile.NumberOfDimensions(); ++i) {
        EXPECT_EQ(fromTable.GetLowValue(i), fromFile.GetLowValue(i));
        EXPECT_EQ(fromTable.GetHighValue(i), fromFile.GetHighValue(i));
        for (int k = 0; k < fromFile.RecordsNumber; ++k) {
            EXPECT_EQ(fromTable.GetCell(i, k).Value(), fromFile.GetCell(i, k).Value()) << i << "," << k;
            EXPECT_EQ(fromTable.GetCell(i, k).Weight(), fromFile.GetCell(i, k).Weight()) << i << "," << k;
        }
    }
}

TEST(ReadTable, FieldFailingPartWayKeepsEveryRecordWhole)
{
    TFakeTable table({{"a", false}, {"b", false}}, {{1.0, 10.0}, {2.0, 30.0}, {3.0, 50.0}, {4.0, 70.0}});
    table.FailField = 1;
    table.FailFromRow = 2;
    TMessageRecorder recorder;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTable(table));
    ASSERT_EQ(CountMessages(recorder, "Data not propperly loaded"), 1);
    EXPECT_EQ(recorder.Messages[0].Kind, TMessageKind::Information);
    ASSERT_EQ(data.RecordsNumber, 4);
    EXPECT_EQ(data.GetDimension(0)->Count(), 4u);
    EXPECT_EQ(data.GetDimension(1)->Count(), 4u);
    EXPECT_EQ(Values(data, 0), (std::vector<float>{0.0f, 1.0f / 3, 2.0f / 3, 1.0f}));
    // The cells read stay; the missing ones take the lowest value read, so they lie at 0.
    EXPECT_EQ(Values(data, 1), (std::vector<float>{0.0f, 1.0f, 0.0f, 0.0f}));
    EXPECT_FLOAT_EQ(data.GetLowValue(1), 10.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(1), 30.0f);
}

TEST(ReadTable, FieldFailingFromTheFirstRow)
{
    TFakeTable table({{"a", false}, {"b", true}}, {{1.0, std::string("x")}, {2.0, std::string("y")}});
    table.FailField = 1;
    TMessageRecorder recorder;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTable(table));
    EXPECT_EQ(CountMessages(recorder, "Data not propperly loaded"), 1);
    ASSERT_EQ(data.RecordsNumber, 2);
    EXPECT_EQ(Values(data, 1), (std::vector<float>{0.0f, 0.0f}));
}

TEST(ReadTable, FailedStepKeepsTheRowsRead)
{
    TFakeTable table({{"a", false}, {"b", false}}, {{1.0, 5.0}, {2.0, 6.0}, {3.0, 7.0}, {4.0, 8.0}});
    table.StepFailsAt = 3;
    TMessageRecorder recorder;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTable(table));
    EXPECT_EQ(CountMessages(recorder, "Data not propperly loaded"), 1);
    ASSERT_EQ(data.RecordsNumber, 3);
    ASSERT_EQ(data.ListOfPreprocessedRecords.size(), 3u);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(data.GetDimension(i)->Count(), 3u);
    EXPECT_EQ(Values(data, 1), (std::vector<float>{0.0f, 0.5f, 1.0f}));
}

TEST(ReadTable, NothingToRead)
{
    struct TCase {
        const char* Name;
        std::vector<TFakeTable::TField> Fields;
        std::optional<std::size_t> StepFailsAt;
    } cases[] = {
        {"no fields", {}, std::nullopt},
        {"no rows", {{"a", false}}, std::nullopt},
        {"first step fails", {{"a", false}}, 0},
    };
    for (const TCase& c : cases) {
        TFakeTable table(c.Fields, {});
        table.StepFailsAt = c.StepFailsAt;
        TMessageRecorder recorder;
        TPreProcessedData data;
        EXPECT_FALSE(data.ReadTable(table)) << c.Name;
        EXPECT_FALSE(recorder.Messages.empty()) << c.Name;
        EXPECT_EQ(data.NumberOfDimensions(), 0) << c.Name;
        EXPECT_EQ(data.RecordsNumber, 0) << c.Name;
        EXPECT_TRUE(data.ListOfPreprocessedRecords.empty()) << c.Name;
    }
}

TEST(ReadTable, NonFiniteNumbersStaySortable)
{
    const double inf = std::numeric_limits<double>::infinity();
    TFakeTable table({{"a", false}}, {{std::nan("")}, {inf}, {-inf}, {1e300}, {0.0}});
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTable(table));
    ASSERT_EQ(data.RecordsNumber, 5);
    for (float v : Values(data, 0)) EXPECT_FALSE(std::isnan(v));
}

// Writing records out as CSV and .lumet: values in their own units, texts for text columns,
// and files that load back into the same records.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "DataFixtures.h"
#include "data/RecordExport.h"
#include "tests/support/MessageRecorder.h"

namespace {

using ::testing::HasSubstr;

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every record of every column as the views show it.
std::vector<std::vector<std::string>> Shown(const TPreProcessedData& data)
{
    std::vector<std::vector<std::string>> columns(data.NumberOfDimensions());
    for (int i = 0; i < data.NumberOfDimensions(); ++i)
        for (int k = 0; k < data.RecordsNumber; ++k)
            columns[i].push_back(data.ValueText(i, data.Denormalise(i, data.GetCell(i, k).Value())));
    return columns;
}

void ExpectSameRecords(const TPreProcessedData& a, const TPreProcessedData& b)
{
    ASSERT_EQ(a.NumberOfDimensions(), b.NumberOfDimensions());
    ASSERT_EQ(a.RecordsNumber, b.RecordsNumber);
    EXPECT_EQ(Shown(a), Shown(b));
    for (int i = 0; i < a.NumberOfDimensions(); ++i) {
        EXPECT_FLOAT_EQ(a.GetLowValue(i), b.GetLowValue(i)) << i;
        EXPECT_FLOAT_EQ(a.GetHighValue(i), b.GetHighValue(i)) << i;
        const std::vector<float> va = ColumnValues(a, i), vb = ColumnValues(b, i);
        for (std::size_t k = 0; k < va.size(); ++k) EXPECT_NEAR(va[k], vb[k], 1e-6f) << i << " " << k;
        EXPECT_EQ(ColumnWeights(a, i), ColumnWeights(b, i)) << i;
    }
}

const char* const Table =
    "name,mpg,year,\"note, quoted\"\n"
    "\"chevrolet \"\"chevelle\"\"\",18,70,a\n"
    "buick skylark,15.5,-3.25,\n"
    "plymouth,NA,72.125,b\n"
    "amc,16,1e3,a\n";

TEST(RecordExport, ACsvTableRoundTripsThroughCsv)
{
    TTempDirectory dir;
    TPreProcessedData original;
    ASSERT_TRUE(original.ReadCsvFile(dir.Write("t.csv", Table)));
    std::string error;
    const std::string path = dir.PathOf("out.csv");
    ASSERT_TRUE(WriteRecords(original, nullptr, path, RecordFileFormatOf(path), error)) << error;
    EXPECT_EQ(Contents(path),
              "name,mpg,year,\"note, quoted\"\n"
              "\"chevrolet \"\"chevelle\"\"\",18,70,a\n"
              "buick skylark,15.5,-3.25,\n"
              "plymouth,15.5,72.125,b\n"
              "amc,16,1000,a\n");
    TPreProcessedData back;
    ASSERT_TRUE(back.ReadDataFile(path));
    ExpectSameRecords(original, back);
}

TEST(RecordExport, ALumetFileRoundTripsThroughLumetAndCsv)
{
    TTempDirectory dir;
    std::string text = "#a b Time_Attribute_Name\n";
    for (int k = 0; k < 300; ++k)
        text += std::to_string((k * 37) % 101 - 50) + "." + std::to_string(k % 10) + " " + std::to_string(k * 1000 + 7) + " " +
                std::to_string(k) + "\n";
    TPreProcessedData original;
    ASSERT_TRUE(original.ReadTextFile(dir.Write("t.lumet", text)));
    for (const char* name : {"out.lumet", "out.csv", "OUT.LUMET"}) {
        std::string error;
        const std::string path = dir.PathOf(name);
        ASSERT_TRUE(WriteRecords(original, nullptr, path, RecordFileFormatOf(path), error)) << error;
        TPreProcessedData back;
        ASSERT_TRUE(back.ReadDataFile(path)) << name;
        ExpectSameRecords(original, back);
        EXPECT_TRUE(back.HasTimeAttribute) << name;
        EXPECT_EQ(back.TimeAttributeIndex, 2) << name;
    }
}

TEST(RecordExport, TextColumnsBecomeCategoryNumbersInLumetAndTheListedRecordsOnly)
{
    TTempDirectory dir;
    TPreProcessedData original;
    ASSERT_TRUE(original.ReadCsvFile(dir.Write("t.csv", Table)));
    std::string error;
    const std::string path = dir.PathOf("two.lumet");
    const TRecordList two = {original.GetRecord(3), original.GetRecord(1)};
    ASSERT_TRUE(WriteRecords(original, &two, path, TRecordFileFormat::Lumet, error)) << error;
    EXPECT_EQ(Contents(path),
              "#name mpg year note,_quoted\n"
              "% text columns written as category numbers: name note,_quoted\n"
              "0 16 1000 1\n"
              "1 15.5 -3.25 0\n");
}

TEST(RecordExport, NumbersAreWrittenAtTheDimensionsPrecision)
{
    TPreProcessedDimension dimension("d", 0);
    struct TCase {
        float Low, High, Value;
        const char* Text;
    } cases[] = {
        {0, 10, 2.9999998f, "3"},       {0, 1000, 574.26f, "574.26"}, {-5000, 4999.9f, 0.1f, "0.1"},
        {-5000, 4999.9f, -4999.9f, "-4999.9"}, {0, 1, -0.0f, "0"}, {0, 1e-6f, 3.5e-7f, "0.00000035"},
        {0, 3e9f, 2.5e9f, "2500000000"},
    };
    for (const TCase& c : cases) {
        dimension.SetHighLow(c.High, c.Low);
        EXPECT_EQ(ExportNumberText(dimension, c.Value), c.Text) << c.Value;
    }
}

TEST(RecordExport, AFileThatCannotBeWrittenSaysWhyAndLeavesNoTrace)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadCsvFile(dir.Write("t.csv", "a\n1\n")));
    std::string error;
    EXPECT_FALSE(WriteRecords(data, nullptr, dir.PathOf("missing/out.csv"), TRecordFileFormat::Csv, error));
    EXPECT_THAT(error, HasSubstr("Could not write file"));
    EXPECT_THAT(error, HasSubstr("missing/out.csv"));
}

} // namespace

// Reading delimited tables (CSV, TSV): delimiters, quoting, line ends, missing cells, text
// columns, malformed rows, and agreement with the .lumet reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataFixtures.h"
#include "data/CsvReader.h"
#include "tests/support/MessageRecorder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Names(const TPreProcessedData& data)
{
    std::vector<std::string> names;
    for (int i = 0; i < data.NumberOfDimensions(); ++i) names.push_back(data.GetDimensionName(i));
    return names;
}

// Column i as the views show it: each record's value in its own units, as text.
std::vector<std::string> Shown(const TPreProcessedData& data, int i)
{
    std::vector<std::string> cells;
    for (int k = 0; k < data.RecordsNumber; ++k) cells.push_back(data.ValueText(i, data.Denormalise(i, data.GetCell(i, k).Value())));
    return cells;
}

struct TCsvCase {
    const char* Name;
    const char* FileName;
    std::string Content;
    std::vector<std::string> Names;
    std::vector<std::vector<std::string>> Columns;  // shown values, column by column
    std::vector<std::string> Notes;
};

class CsvCases : public ::testing::TestWithParam<TCsvCase> {};

TEST_P(CsvCases, LoadAsWritten)
{
    const TCsvCase& c = GetParam();
    TTempDirectory dir;
    TPreProcessedData data;
    TMessageRecorder recorder;
    ASSERT_TRUE(data.ReadDataFile(dir.Write(c.FileName, c.Content)));
    EXPECT_EQ(Names(data), c.Names);
    ASSERT_EQ(data.NumberOfDimensions(), static_cast<int>(c.Columns.size()));
    for (int i = 0; i < data.NumberOfDimensions(); ++i) EXPECT_EQ(Shown(data, i), c.Columns[i]) << "column " << i;
    EXPECT_EQ(data.LoadNotes, c.Notes);
    for (int i = 0; i < data.NumberOfDimensions(); ++i)
        for (const float v : ColumnValues(data, i)) EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << "column " << i;
}

const std::string Reason = " (wrong number of fields or an unclosed quote): ";

INSTANTIATE_TEST_SUITE_P(
    Tables, CsvCases,
    ::testing::Values(
        TCsvCase{"CommaLF", "t.csv", "a,b\n1,2\n3,4.5\n", {"a", "b"}, {{"1", "3"}, {"2", "4.5"}}, {}},
        TCsvCase{"SemicolonCRLFDecimalComma", "t.csv", "a;b\r\n1,5;2\r\n3;-4\r\n", {"a", "b"}, {{"1.5", "3"}, {"2", "-4"}}, {}},
        TCsvCase{"TabSeparated", "t.tsv", "x\ty z\n1\t2\n7\t8\n", {"x", "y z"}, {{"1", "7"}, {"2", "8"}}, {}},
        TCsvCase{"TabInATxtFile", "t.txt", "x\ty\n1\t2\n", {"x", "y"}, {{"1"}, {"2"}}, {}},
        TCsvCase{"ByteOrderMark", "t.csv", "\xEF\xBB\xBF" "a,b\n1,2\n", {"a", "b"}, {{"1"}, {"2"}}, {}},
        TCsvCase{"CarriageReturnsOnly", "t.csv", "a,b\r1,2\r3,4", {"a", "b"}, {{"1", "3"}, {"2", "4"}}, {}},
        TCsvCase{"NoFinalLineEnd", "t.csv", "a,b\n1,2\n3,4", {"a", "b"}, {{"1", "3"}, {"2", "4"}}, {}},
        TCsvCase{"QuotedDelimitersQuotesAndLineBreaks", "t.csv",
                 "name,v\n\"Smith, J\",1\n\"say \"\"hi\"\"\",2\n\"two\r\nlines\",3\n\"x\",4\n",
                 {"name", "v"},
                 {{"Smith, J", "say \"hi\"", "two\r\nlines", "x"}, {"1", "2", "3", "4"}},
                 {}},
        TCsvCase{"QuotedHeaderAndNumbers", "t.csv", "\"a,1\",\" b \"\n\"5\", 6 \n", {"a,1", " b "}, {{"5"}, {"6"}}, {}},
        TCsvCase{"MissingTokensTakeTheLowestValue", "t.csv", "a,b\n4,1\nNA,2\n,3\nnull,4\nN/A,5\nnan,6\n.,7\n2,8\n",
                 {"a", "b"},
                 {{"4", "2", "2", "2", "2", "2", "2", "2"}, {"1", "2", "3", "4", "5", "6", "7", "8"}},
                 {"- Missing cells: 6 (shown at their column's lowest value)"}},
        TCsvCase{"AColumnOfMissingCellsOnly", "t.csv", "a,b\n,1\nNA,2\n", {"a", "b"}, {{"0", "0"}, {"1", "2"}},
                 {"- Missing cells: 2 (shown at their column's lowest value)"}},
        TCsvCase{"TextColumnsInByteOrderWithTheEmptyText", "t.csv", "c,v\nb,1\n,2\na,3\nb,4\n", {"c", "v"},
                 {{"b", "", "a", "b"}, {"1", "2", "3", "4"}}, {}},
        TCsvCase{"NumbersInATextColumnAreTexts", "t.csv", "v\n10\nabc\n2\nNA\n", {"v"}, {{"10", "abc", "2", "NA"}}, {}},
        TCsvCase{"Utf8TextsInByteOrder", "t.csv", "c\n\xC3\x89" "cole\nzoo\nApfel\n", {"c"},
                 {{"\xC3\x89" "cole", "zoo", "Apfel"}}, {}},
        TCsvCase{"BlankLinesAreSkippedWithoutANote", "t.csv", "a,b\n\n1,2\n\r\n3,4\n\n", {"a", "b"}, {{"1", "3"}, {"2", "4"}}, {}},
        TCsvCase{"BlankLinesOfAOneColumnTextTable", "t.csv", "c\nx\n\n-18\ny\n", {"c"}, {{"x", "-18", "y"}}, {}},
        TCsvCase{"WrongFieldCountsAreSkippedAndNamed", "t.csv", "a,b\n1,2\n3\n4,5,6\n7,8\n", {"a", "b"}, {{"1", "7"}, {"2", "8"}},
                 {"- Skipped 2 lines" + Reason + "3, 4"}},
        TCsvCase{"AnUnclosedQuoteDropsItsRowOnly", "t.csv", "a,b\n1,2\n\"3,4\n5,6\n", {"a", "b"}, {{"1", "5"}, {"2", "6"}},
                 {"- Skipped 1 line" + Reason + "3"}},
        TCsvCase{"LineNumbersCountLineBreaksInsideQuotes", "t.csv", "a,b\n\"x\ny\",1\n2\nz,3\n", {"a", "b"},
                 {{"x\ny", "z"}, {"1", "3"}}, {"- Skipped 1 line" + Reason + "4"}},
        TCsvCase{"HeaderOnly", "t.csv", "a,b\r\n", {"a", "b"}, {{}, {}}, {}},
        TCsvCase{"PlainDecimalsTooSmallForAFloatAreNumbers", "t.csv",
                 "v,w\n2,5\n0." + std::string(60, '0') + "1,6\n-0." + std::string(450, '0') + "3,7\n",
                 {"v", "w"}, {{"2", "0", "0"}, {"5", "6", "7"}}, {}},
        TCsvCase{"PlainDecimalsTooSmallWithADecimalComma", "t.csv",
                 "v;w\n2;5\n0," + std::string(450, '0') + "1;6\n", {"v", "w"}, {{"2", "0"}, {"5", "6"}}, {}},
        TCsvCase{"EmptyHeaderNamesAreNumbered", "t.csv", "a,,\n1,2,3\n", {"a", "Column2", "Column3"}, {{"1"}, {"2"}, {"3"}}, {}}),
    [](const ::testing::TestParamInfo<TCsvCase>& info) { return std::string(info.param.Name); });

TEST(CsvReader, SkippedRowsAreReportedWithTheirLineNumbers)
{
    TTempDirectory dir;
    TPreProcessedData data;
    TMessageRecorder recorder;
    std::string content = "a,b\n";
    for (int k = 0; k < 15; ++k) content += k % 2 ? "1\n" : "1,2\n";  // rows on lines 3, 5, … 15 are short
    ASSERT_TRUE(data.ReadCsvFile(dir.Write("many.csv", content)));
    EXPECT_EQ(data.RecordsNumber, 8);
    ASSERT_EQ(recorder.Messages.size(), 1u);
    EXPECT_THAT(recorder.Messages[0].Text, HasSubstr("Skipped 7 rows"));
    EXPECT_THAT(recorder.Messages[0].Text, HasSubstr("at lines 3, 5, 7, 9, 11, 13, 15."));
}

TEST(CsvReader, ArbitraryTextNeverBreaksTheReader)
{
    // Files made of the characters that matter to the parser, in random order and with
    // buffer-sized stretches: every load either fails with a message or gives a consistent
    // dataset.
    TTempDirectory dir;
    const std::string alphabet = ",;\t\"\n\r 0123456789.-eNAx\xC3\xA9";
    std::uint32_t state = 12345;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int round = 0; round < 300; ++round) {
        std::string content;
        const std::size_t length = round % 50 == 0 ? (1u << 20) + next() % 5000 : next() % 400;
        for (std::size_t i = 0; i < length; ++i) content.push_back(alphabet[next() % alphabet.size()]);
        TPreProcessedData data;
        TMessageRecorder recorder;
        const bool ok = data.ReadCsvFile(dir.Write("r.csv", content));
        if (!ok) {
            EXPECT_EQ(data.NumberOfDimensions(), 0);
            EXPECT_EQ(recorder.Messages.size(), 1u);
            continue;
        }
        ASSERT_GT(data.NumberOfDimensions(), 0);
        for (int i = 0; i < data.NumberOfDimensions(); ++i) {
            ASSERT_EQ(data.GetDimension(i)->Count(), static_cast<std::size_t>(data.RecordsNumber));
            for (const float v : ColumnValues(data, i))
                ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "round " << round << " column " << i << " value " << v;
        }
    }
}

TEST(CsvReader, TheTimeAttributeIsNamedInAnyCase)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadCsvFile(dir.Write("t.csv", "x,Time_Attribute_Name\n1,2\n")));
    EXPECT_TRUE(data.HasTimeAttribute);
    EXPECT_EQ(data.TimeAttributeIndex, 1);
    EXPECT_EQ(data.TimeMoment, 1);
    EXPECT_EQ(data.TimeDiscreteRange, 12);
}

TEST(CsvReader, FilesThatCannotBeReadSayWhy)
{
    TTempDirectory dir;
    const struct {
        std::string Path;
        const char* Message;
    } cases[] = {
        {dir.PathOf("absent.csv"), "Could not find text file at specified location"},
        {dir.Write("empty.csv", ""), "the file is empty."},
        {dir.Write("blank.csv", "\n\r\n\n"), "the file is empty."},
        {dir.Write("binary.csv", std::string("a,b\n1,\0", 7)), "binary data"},
        {dir.Write("open.csv", "\"a,b\n1,2\n"), "never closed"},
    };
    for (const auto& c : cases) {
        TPreProcessedData data;
        TMessageRecorder recorder;
        EXPECT_FALSE(data.ReadCsvFile(c.Path)) << c.Path;
        EXPECT_EQ(data.NumberOfDimensions(), 0) << c.Path;
        ASSERT_EQ(recorder.Messages.size(), 1u) << c.Path;
        EXPECT_THAT(recorder.Messages[0].Text, HasSubstr(c.Message)) << c.Path;
    }
}

TEST(CsvReader, ANumericTableLoadsAsItsLumetTwin)
{
    TTempDirectory dir;
    std::string lumet = "#a b c\n", csv = "a,b,c\n";
    for (int k = 0; k < 200; ++k) {
        const std::string a = std::to_string(k % 17), b = std::to_string(k * 0.25 - 3), c = std::to_string((k * 7919) % 101) + ".5";
        lumet += a + " " + b + " " + c + "\n";
        csv += a + "," + b + "," + c + "\r\n";
    }
    TPreProcessedData fromLumet, fromCsv;
    ASSERT_TRUE(fromLumet.ReadTextFile(dir.Write("t.lumet", lumet)));
    ASSERT_TRUE(fromCsv.ReadDataFile(dir.Write("t.csv", csv)));
    ASSERT_EQ(Names(fromCsv), Names(fromLumet));
    ASSERT_EQ(fromCsv.RecordsNumber, fromLumet.RecordsNumber);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fromCsv.GetLowValue(i), fromLumet.GetLowValue(i));
        EXPECT_EQ(fromCsv.GetHighValue(i), fromLumet.GetHighValue(i));
        EXPECT_EQ(ColumnValues(fromCsv, i), ColumnValues(fromLumet, i));
        EXPECT_EQ(ColumnWeights(fromCsv, i), ColumnWeights(fromLumet, i));
    }
    EXPECT_TRUE(fromCsv.LoadNotes.empty());
}

TEST(CsvReader, ATxtFileIsReadByItsFirstCharacter)
{
    EXPECT_TRUE(IsDelimitedTableFile("a.CSV", "#x"));
    EXPECT_TRUE(IsDelimitedTableFile("a.tsv", ""));
    EXPECT_TRUE(IsDelimitedTableFile("a.txt", "x,y"));
    EXPECT_FALSE(IsDelimitedTableFile("a.txt", "#x y"));
    EXPECT_FALSE(IsDelimitedTableFile("a.txt", "\xEF\xBB\xBF#x y"));
    EXPECT_FALSE(IsDelimitedTableFile("a.lumet", "x,y"));
    EXPECT_FALSE(IsDelimitedTableFile("csv", "x,y"));

    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadDataFile(dir.Write("old.txt", "#x y\n1 2\n")));
    EXPECT_THAT(Names(data), ElementsAre("x", "y"));
}

TEST(CsvReader, DelimiterDetection)
{
    EXPECT_EQ(DetectDelimiter("a,b,c", "t.csv"), ',');
    EXPECT_EQ(DetectDelimiter("a;b;c", "t.csv"), ';');
    EXPECT_EQ(DetectDelimiter("a\tb,c\td", "t.csv"), '\t');
    EXPECT_EQ(DetectDelimiter("\"a;b;c\",d", "t.csv"), ',');  // not inside quotes
    EXPECT_EQ(DetectDelimiter("a", "t.csv"), ',');
    EXPECT_EQ(DetectDelimiter("a", "t.tsv"), '\t');
    EXPECT_EQ(DetectDelimiter("a,b\tc", "t.tsv"), '\t');
    EXPECT_EQ(DetectDelimiter("a,b;c", "t.csv"), ',');
}

TEST(CsvReader, TextValuesSurviveDerivedDatasets)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadCsvFile(dir.Write("t.csv", "make,v\nvw,1\naudi,2\nbmw,3\nvw,4\n")));
    // Partial-domain pipeline of bmw and vw: the texts still read back, though the values
    // are re-normalised over the subset.
    TPreProcessedData child;
    child.BuildSubset({data.GetRecord(2), data.GetRecord(3)}, &data, false);
    EXPECT_EQ(Shown(child, 0), (std::vector<std::string>{"bmw", "vw"}));
    TPreProcessedData composition;
    composition.AppendUnion(&child);
    composition.AppendUnion(&data);
    composition.CompleteLoad();
    EXPECT_EQ(Shown(composition, 0), (std::vector<std::string>{"bmw", "vw", "vw", "audi"}));
    // Between categories the nearest one is shown; outside, the first or last.
    EXPECT_EQ(data.ValueText(0, 0.4f), "audi");
    EXPECT_EQ(data.ValueText(0, 1.6f), "vw");
    EXPECT_EQ(data.ValueText(0, 7.0f), "vw");
    EXPECT_EQ(data.ValueText(0, -2.0f), "audi");
    EXPECT_EQ(data.ValueText(1, 2.5f), "2.5");
}

} // namespace

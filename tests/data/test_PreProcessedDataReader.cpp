// Reading dataset text files: header forms, data lines, numbers, messages and bad input.
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <string>
#include <vector>

#include "DataFixtures.h"
#include "tests/support/MessageRecorder.h"

namespace {

using ::testing::ElementsAre;
using ::testing::FloatEq;

struct TLoaded {
    bool Ok;
    std::vector<TRecordedMessage> Messages;
};

TLoaded Load(TPreProcessedData& data, const std::string& path)
{
    TMessageRecorder recorder;
    const bool ok = data.ReadTextFile(path);
    return {ok, recorder.Messages};
}

std::vector<std::string> Names(const TPreProcessedData& data)
{
    std::vector<std::string> names;
    for (int i = 0; i < data.NumberOfDimensions(); ++i) names.push_back(data.GetDimensionName(i));
    return names;
}

// ---- header forms ------------------------------------------------------------------------

struct THeaderCase {
    const char* Header;
    std::vector<std::string> Names;
};

class HeaderForms : public ::testing::TestWithParam<THeaderCase> {};

TEST_P(HeaderForms, GiveTheFieldNames)
{
    TTempDirectory dir;
    const auto& c = GetParam();
    std::string line;
    for (std::size_t i = 0; i < c.Names.size(); ++i) line += (i ? " " : "") + std::to_string(i + 1);
    TPreProcessedData data;
    const auto loaded = Load(data, dir.Write("h.lumet", std::string(c.Header) + "\n" + line + "\n"));
    ASSERT_TRUE(loaded.Ok);
    EXPECT_TRUE(loaded.Messages.empty());
    EXPECT_EQ(Names(data), c.Names);
    EXPECT_EQ(data.RecordsNumber, 1);
    for (int i = 0; i < data.NumberOfDimensions(); ++i) EXPECT_EQ(data.GetDimension(i)->DimensionIndex, i);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, HeaderForms,
    ::testing::Values(THeaderCase{"#a b c", {"a", "b", "c"}}, THeaderCase{"# a b c", {"a", "b", "c"}},
                      THeaderCase{"#  a   b  c  ", {"a", "b", "c"}}, THeaderCase{"##a b", {"a", "b"}},
                      THeaderCase{"#a#b c", {"a", "b", "c"}},     // '#' ends only the first name
                      THeaderCase{"#a b#c", {"a", "b#c"}},        // later names keep their '#'
                      THeaderCase{"#a\tb c", {"a", "b", "c"}},   // a tab separates like a blank
                      THeaderCase{"#x x", {"x", "x"}},            // names need not be unique
                      THeaderCase{"#a b\r", {"a", "b"}},          // CR LF header
                      THeaderCase{"#caf\xE9 b", {"caf\xC3\xA9", "b"}},  // Latin-1 name shown as UTF-8
                      THeaderCase{"#caf\xC3\xA9 b", {"caf\xC3\xA9", "b"}}));

// ---- data lines -----------------------------------------------------------------------------

TEST(Reader, AcceptsOnlyLinesWithOneTokenPerField)
{
    TTempDirectory dir;
    TPreProcessedData data;
    const auto loaded = Load(data, dir.Write("t.lumet",
                                             "#a b c\n"
                                             "1 2 3\n"
                                             "4 5\n"          // too few
                                             "4 5 6 7\n"      // too many
                                             "\n"             // empty
                                             "   \n"          // blanks only
                                             "% 9 9 9\n"      // comment
                                             "  7   8  9  \n"  // runs of blanks
                                             "4\t5\t6\n"      // tabs separate too
                                             "10 11 12"));    // last line without LF
    ASSERT_TRUE(loaded.Ok);
    EXPECT_TRUE(loaded.Messages.empty());
    ASSERT_EQ(data.RecordsNumber, 4);
    // The short and the long line are reported by number; blank lines and comments are not.
    EXPECT_THAT(data.LoadNotes, ElementsAre("- Skipped 2 lines (not 3 values): 3, 4"));
    ASSERT_EQ(static_cast<int>(data.ListOfPreprocessedRecords.size()), 4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<int>(data.GetDimension(i)->Count()), 4);
    // dimension a: 1, 7, 4, 10
    EXPECT_FLOAT_EQ(data.GetLowValue(0), 1.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(0), 10.0f);
    EXPECT_THAT(ColumnValues(data, 0), ElementsAre(FloatEq(0.0f), FloatEq(6.0f / 9), FloatEq(3.0f / 9), FloatEq(1.0f)));
    EXPECT_FLOAT_EQ(data.Denormalise(2, data.GetCell(2, 3).Value()), 12.0f);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(data.GetRecord(k)->Index, k);
        EXPECT_EQ(data.GetRecord(k)->GetLabel(), std::to_string(k));
    }
}

TEST(Reader, CrLfLineEndsLeaveNoTrailingCr)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("t.lumet", "#a b\r\n1 2\r\n% c\r\n3 4\r\n")).Ok);
    ASSERT_EQ(data.RecordsNumber, 2);
    EXPECT_EQ(data.GetDimensionName(1), "b");
    EXPECT_FLOAT_EQ(data.GetHighValue(1), 4.0f);  // "4\r" would not be a number
    EXPECT_FLOAT_EQ(data.GetLowValue(1), 2.0f);
}

// Files written by hand or on other systems: tabs, CR-only and CR CR LF line ends, mixed.
TEST(Reader, EveryCommonLineEndAndTabsGiveTheSameDataset)
{
    const std::vector<std::string> contents = {
        "#a b\n1 2\nx\n3 4\n",
        "#a\tb\r1\t2\rx\r3\t4\r",
        "#a b\r\r\n1 2\r\r\r\nx\r\n3 4",
        "# a\t \tb\r\n\t1\t 2 \t\nx\r3\t\t4\t\r\n",
    };
    TTempDirectory dir;
    for (const std::string& content : contents) {
        TPreProcessedData data;
        const auto loaded = Load(data, dir.Write("ends.lumet", content));
        ASSERT_TRUE(loaded.Ok) << content;
        EXPECT_TRUE(loaded.Messages.empty());
        EXPECT_EQ(Names(data), (std::vector<std::string>{"a", "b"})) << content;
        ASSERT_EQ(data.RecordsNumber, 2) << content;
        EXPECT_FLOAT_EQ(data.GetLowValue(1), 2.0f) << content;
        EXPECT_FLOAT_EQ(data.GetHighValue(1), 4.0f) << content;
        EXPECT_THAT(data.LoadNotes, ElementsAre("- Skipped 1 line (not 2 values): 3")) << content;
    }
}

TEST(Reader, WordColumnBecomesRecordNumbers)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("cars.lumet", "#name mpg\nford 18\nskip\nchevy 15\nvw 30\nfiat 20\n")).Ok);
    ASSERT_EQ(data.RecordsNumber, 4);
    EXPECT_FLOAT_EQ(data.GetLowValue(0), 0.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(0), 3.0f);
    EXPECT_THAT(ColumnValues(data, 0), ElementsAre(FloatEq(0.0f), FloatEq(1.0f / 3), FloatEq(2.0f / 3), FloatEq(1.0f)));
}

TEST(Reader, ConstantColumnNormalisesToZeroAndDenormalisesBack)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("c.lumet", "#k v\n7.5 1\n7.5 2\n7.5 3\n")).Ok);
    const TPreProcessedDimension* k = data.GetDimension(0);
    EXPECT_FLOAT_EQ(k->ValueRange, 1.0f);
    EXPECT_THAT(ColumnValues(data, 0), ElementsAre(0.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(data.Denormalise(0, 0.0f), 7.5f);
    EXPECT_THAT(ColumnWeights(data, 0), ElementsAre(1.0f, 1.0f, 1.0f));
}

TEST(Reader, FrequencyExample)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("f.lumet", "#v\n3\n1\n2\n3\n2\n3\n")).Ok);
    std::vector<int> occurrences;
    for (int k = 0; k < data.RecordsNumber; ++k) occurrences.push_back(data.GetCell(0, k).Occurrences());
    EXPECT_THAT(occurrences, ElementsAre(3, 1, 2, 3, 2, 3));
    EXPECT_THAT(ColumnWeights(data, 0),
                ElementsAre(FloatEq(1), FloatEq(1.0f / 3), FloatEq(2.0f / 3), FloatEq(1), FloatEq(2.0f / 3), FloatEq(1)));
    // Ranks: dense, ascending, over the normalised values
    const TPreProcessedDimension* v = data.GetDimension(0);
    EXPECT_THAT(v->Ranks, ElementsAre(2u, 0u, 1u, 2u, 1u, 2u));
    EXPECT_THAT(v->DistinctValues, ElementsAre(0.0f, 0.5f, 1.0f));
}

TEST(Reader, ValuesEqualAfterNormalisingCountAsEqual)
{
    // -0 and 0 are the same value; -1e8 + 0.5 and -1e8 + 0.25 round to the same float, so the
    // raw values 0.5 and 0.25 normalise to the same value.
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("z.lumet", "#a b\n0 -1e8\n-0 0.5\n1 0.25\n1 1e8\n")).Ok);
    EXPECT_EQ(data.GetDimension(0)->DistinctCount(), 2u);
    EXPECT_THAT(ColumnWeights(data, 0), ElementsAre(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(data.GetDimension(1)->DistinctCount(), 3u);
    EXPECT_THAT(ColumnWeights(data, 1), ElementsAre(0.5f, 1.0f, 1.0f, 0.5f));
}

struct TTimeCase {
    const char* Header;
    bool HasTime;
    int Index;
};

class TimeAttribute : public ::testing::TestWithParam<TTimeCase> {};

TEST_P(TimeAttribute, IsFoundInAnyCase)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("t.lumet", std::string(GetParam().Header) + "\n1 2 3\n")).Ok);
    EXPECT_EQ(data.HasTimeAttribute, GetParam().HasTime);
    EXPECT_EQ(data.TimeAttributeIndex, GetParam().Index);
}

INSTANTIATE_TEST_SUITE_P(Reader, TimeAttribute,
                         ::testing::Values(TTimeCase{"#time_attribute_name b c", true, 0},
                                           TTimeCase{"#a TIME_ATTRIBUTE_NAME c", true, 1},
                                           TTimeCase{"#Time_Attribute_Name b time_attribute_name", true, 2},
                                           TTimeCase{"#a b time_attribute", false, -1}));

TEST(Reader, LoadSetsStampsAndTimeWindow)
{
    TTempDirectory dir;
    TPreProcessedData data;
    const TChangeStamp before = NewChangeStamp();
    ASSERT_TRUE(Load(data, dir.Write("s.lumet", "#a\n1\n2\n3\n")).Ok);
    EXPECT_GT(data.FrequencyValuesTimeStamp, before);
    EXPECT_GT(data.RelevanceValuesTimeStamp, before);
    EXPECT_NE(data.FrequencyValuesTimeStamp, data.RelevanceValuesTimeStamp);
    EXPECT_EQ(data.TimeDiscreteRange, 12);
    EXPECT_EQ(data.TimeMoment, 3);
    for (int k = 0; k < 3; ++k) {
        const TPreProcessedRecord* r = data.GetRecord(k);
        EXPECT_TRUE(r->TemporalInteractionDraw);
        EXPECT_FLOAT_EQ(r->RecordRelevanceCoefficiente, 1.0f);
        EXPECT_EQ(r->Color, TOpenGLColor(0, 0, 1));
    }
}

// ---- numbers --------------------------------------------------------------------------------

struct TNumberCase {
    const char* Token;
    bool IsNumber;
    float Value;  // when IsNumber
};

class NumberSyntax : public ::testing::TestWithParam<TNumberCase> {};

// Plain decimals (no exponent) too small for a float: 0, or the nearest float when one is
// nearer than 0; also when they are written out longer than any line of a typical table.
const std::string kBelowFloats = "0." + std::string(60, '0') + "1";
const std::string kNegativeBelowFloats = "-0." + std::string(50, '0') + "25";
const std::string kLongBelowFloats = "0." + std::string(450, '0') + "7";
const std::string kSmallestFloat = "0." + std::string(44, '0') + "14";  // 1.4e-45, the smallest subnormal
const std::string kLongOne = "1." + std::string(450, '0');

// Every token is read as the second of three records: a non-number becomes 1, its index.
TEST_P(NumberSyntax, ReadsFiniteNumbersOnly)
{
    const auto& c = GetParam();
    float parsed = -12345.0f;
    EXPECT_EQ(StrToFloat(c.Token, parsed), c.IsNumber) << c.Token;
    if (c.IsNumber) {
        EXPECT_EQ(parsed, c.Value) << c.Token;
    }

    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("n.lumet", std::string("#v w\n0 0\n") + c.Token + " 1\n0 2\n")).Ok);
    ASSERT_EQ(data.RecordsNumber, 3);
    const float raw = data.Denormalise(0, data.GetCell(0, 1).Value());
    const float expected = c.IsNumber ? c.Value : 1.0f;
    // Normalising and denormalising round; the low value 0 keeps the round trip close.
    EXPECT_NEAR(raw, expected, std::fabs(expected) * 1e-6f + 1e-30f) << c.Token;
}

INSTANTIATE_TEST_SUITE_P(
    Reader, NumberSyntax,
    ::testing::Values(TNumberCase{"12", true, 12.0f}, TNumberCase{"-3.25", true, -3.25f},
                      TNumberCase{"+7", true, 7.0f}, TNumberCase{".5", true, 0.5f}, TNumberCase{"5.", true, 5.0f},
                      TNumberCase{"0.1", true, 0.1f}, TNumberCase{"123.456", true, 123.456f},
                      TNumberCase{"16777217", true, 16777216.0f},  // beyond 2^24: rounds like a float
                      TNumberCase{"0.00000000001234", true, 1.234e-11f},
                      TNumberCase{"3.4028234e38", true, 3.4028234e38f}, TNumberCase{"1e-50", true, 0.0f},
                      TNumberCase{"2.5E3", true, 2500.0f}, TNumberCase{"1e+2", true, 100.0f},
                      TNumberCase{kBelowFloats.c_str(), true, 0.0f}, TNumberCase{kNegativeBelowFloats.c_str(), true, -0.0f},
                      TNumberCase{kLongBelowFloats.c_str(), true, 0.0f},
                      TNumberCase{kSmallestFloat.c_str(), true, std::numeric_limits<float>::denorm_min()},
                      TNumberCase{kLongOne.c_str(), true, 1.0f},
                      TNumberCase{"nan", false, 0}, TNumberCase{"NaN", false, 0}, TNumberCase{"inf", false, 0},
                      TNumberCase{"-Infinity", false, 0}, TNumberCase{"0x1p3", false, 0},
                      TNumberCase{"1e999", false, 0}, TNumberCase{"-1e39", false, 0}, TNumberCase{"1e", false, 0},
                      TNumberCase{".", false, 0}, TNumberCase{"-", false, 0}, TNumberCase{"1.2.3", false, 0},
                      TNumberCase{"12abc", false, 0}, TNumberCase{"1,5", false, 0}));

TEST(Reader, AcceptsTheLocaleSeparatorAsWellAsThePoint)
{
    SetDecimalSeparator(',');
    TTempDirectory dir;
    TPreProcessedData data;
    const bool ok = Load(data, dir.Write("l.lumet", "#v\n0\n1,5\n2.5\n4\n")).Ok;
    SetDecimalSeparator('.');
    ASSERT_TRUE(ok);
    ASSERT_EQ(data.RecordsNumber, 4);
    EXPECT_FLOAT_EQ(data.Denormalise(0, data.GetCell(0, 1).Value()), 1.5f);
    EXPECT_FLOAT_EQ(data.Denormalise(0, data.GetCell(0, 2).Value()), 2.5f);
}

// ---- long lines and empty datasets -------------------------------------------------------

TEST(Reader, DropsLinesLongerThan9999CharactersAndGoesOn)
{
    TTempDirectory dir;
    const std::string fits = "1 " + std::string(9997, '2');  // 9999 characters
    const std::string tooLong = "3 " + std::string(9998, '4');  // 10000 characters
    const std::string huge = "5 " + std::string(3 << 20, '6');  // longer than the read buffer
    TPreProcessedData data;
    const auto loaded = Load(data, dir.Write("long.lumet", "#a b\n" + fits + "\r\n" + tooLong + "\n7 8\n" + huge +
                                                               "\n9 10\n" + tooLong));
    ASSERT_TRUE(loaded.Ok);
    EXPECT_TRUE(loaded.Messages.empty());
    ASSERT_EQ(data.RecordsNumber, 3);
    EXPECT_THAT(data.LoadNotes, ElementsAre("- Skipped 3 lines (longer than 9999 characters): 3, 5, 7"));
    EXPECT_FLOAT_EQ(data.GetLowValue(0), 1.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(0), 9.0f);
    EXPECT_FLOAT_EQ(data.Denormalise(0, data.GetCell(0, 1).Value()), 7.0f);
}

TEST(Reader, NotesCountEverySkippedLineAndListTheFirstFive)
{
    TTempDirectory dir;
    std::string content = "#a\n";
    for (int i = 0; i < 8; ++i) content += "1 2\n";  // lines 2 to 9
    content += "3\n" + std::string(10000, '4') + "\n";
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("n.lumet", content)).Ok);
    EXPECT_EQ(data.RecordsNumber, 1);
    EXPECT_THAT(data.LoadNotes, ElementsAre("- Skipped 8 lines (not 1 value): 2, 3, 4, 5, 6, \u2026",
                                            "- Skipped 1 line (longer than 9999 characters): 11"));
    ASSERT_TRUE(Load(data, dir.Write("clean.lumet", "#a\n1\n")).Ok);
    EXPECT_TRUE(data.LoadNotes.empty());
}

TEST(Reader, HeaderWithoutDataGivesDimensionsAndNoRecords)
{
    TTempDirectory dir;
    for (const std::string content : {"#a b\n", "#a b", "#a b\n% only a comment\n1 2 3\n\n"}) {
        TPreProcessedData data;
        const auto loaded = Load(data, dir.Write("e.lumet", content));
        ASSERT_TRUE(loaded.Ok) << content;
        EXPECT_TRUE(loaded.Messages.empty());
        EXPECT_EQ(data.NumberOfDimensions(), 2);
        EXPECT_EQ(data.RecordsNumber, 0);
        EXPECT_TRUE(data.ListOfPreprocessedRecords.empty());
        EXPECT_EQ(data.TimeMoment, 0);
        EXPECT_FLOAT_EQ(data.GetDimension(0)->ValueRange, 1.0f);
        data.ComputeAxisPositions(800, 600);
        data.SetTimeMoment(1);
    }
}

// ---- bad input -----------------------------------------------------------------------------

struct TBadCase {
    const char* Name;
    std::string Content;     // written as the file unless Kind says otherwise
    const char* Kind;        // "file", "missing", "directory", "unreadable"
    std::string Expected;    // exact message, or a part of it when it starts with '~'
};

class BadInput : public ::testing::TestWithParam<TBadCase> {};

TEST_P(BadInput, IsReportedAndLeavesTheDatasetEmpty)
{
    const auto& c = GetParam();
    TTempDirectory dir;
    std::string path = dir.PathOf(c.Name);
    const std::string kind = c.Kind;
    if (kind == "file") dir.Write(c.Name, c.Content);
    if (kind == "directory") std::filesystem::create_directories(path);
    if (kind == "fifo") {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    }
    if (kind == "unreadable") {
        dir.Write(c.Name, c.Content);
        ::chmod(path.c_str(), 0);
        if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    }
    TPreProcessedData data;
    const auto loaded = Load(data, path);
    EXPECT_FALSE(loaded.Ok);
    ASSERT_EQ(loaded.Messages.size(), 1u);
    EXPECT_EQ(loaded.Messages[0].Kind, TMessageKind::Plain);
    EXPECT_EQ(loaded.Messages[0].Title, "");
    std::string expected = c.Expected;
    for (std::size_t at; (at = expected.find("PATH")) != std::string::npos;) expected.replace(at, 4, path);
    if (!expected.empty() && expected[0] == '~')
        EXPECT_NE(loaded.Messages[0].Text.find(expected.substr(1)), std::string::npos) << loaded.Messages[0].Text;
    else
        EXPECT_EQ(loaded.Messages[0].Text, expected);
    EXPECT_EQ(data.NumberOfDimensions(), 0);
    EXPECT_EQ(data.RecordsNumber, 0);
    EXPECT_TRUE(data.ListOfPreprocessedRecords.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Reader, BadInput,
    ::testing::Values(
        TBadCase{"missing.lumet", "", "missing", "Could not find text file at specified location \"PATH\"."},
        TBadCase{"noheader.lumet", "a b\n1 2\n", "file", "Missing field names in text file, operation aborted."},
        TBadCase{"blankfirst.lumet", "\n#a b\n1 2\n", "file", "Missing field names in text file, operation aborted."},
        TBadCase{"nonames.lumet", "#  #\n\n", "file", "Missing field names in text file, operation aborted."},
        TBadCase{"dir.lumet", "", "directory", "~\"PATH\": it is a directory"},
        TBadCase{"empty.lumet", "", "file", "~\"PATH\": the file is empty"},
        TBadCase{"binary.lumet", std::string("#a\n1\n\0\0\x01\xff", 9), "file", "~\"PATH\": it holds binary data"},
        TBadCase{"longheader.lumet", "#" + std::string(10000, 'a') + "\n1\n", "file", "~\"PATH\": its header line is longer"},
        TBadCase{"locked.lumet", "#a\n1\n", "unreadable", "~\"PATH\": permission denied"},
        // A named pipe without a writer would block open() and read() for good.
        TBadCase{"pipe.lumet", "", "fifo", "Could not read text file \"PATH\": it is not a regular file."}));

// Every file path reaches a named pipe without waiting for a writer: the delimited-table
// reader and the look at a .txt file's first bytes as much as the text reader.
TEST(Reader, ANamedPipeIsRefusedByEveryReader)
{
    for (const char* name : {"pipe.csv", "pipe.tsv", "pipe.txt", "pipe.lumet"}) {
        SCOPED_TRACE(name);
        TTempDirectory dir;
        const std::string path = dir.PathOf(name);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        TMessageRecorder recorder;
        TPreProcessedData data;
        EXPECT_FALSE(data.ReadDataFile(path));
        ASSERT_EQ(recorder.Messages.size(), 1u);
        EXPECT_EQ(recorder.Messages[0].Text, "Could not read text file \"" + path + "\": it is not a regular file.");
    }
}

TEST(Reader, MissingFileInMissingDirectoryIsNotFound)
{
    TPreProcessedData data;
    const auto loaded = Load(data, "/nonexistent-dir-lumetra/x.lumet");
    EXPECT_FALSE(loaded.Ok);
    ASSERT_EQ(loaded.Messages.size(), 1u);
    EXPECT_EQ(loaded.Messages[0].Text, "Could not find text file at specified location \"/nonexistent-dir-lumetra/x.lumet\".");
}

TEST(Reader, BinaryDataAfterTheHeadDoesNotCrash)
{
    TTempDirectory dir;
    std::string content = "#a b\n1 2\n" + std::string(70000, 'x') + "\n";
    for (int i = 0; i < 5000; ++i) content += std::string("3 \0\xff\n", 5);
    content += "4 5\n";
    TPreProcessedData data;
    const auto loaded = Load(data, dir.Write("b.lumet", content));
    ASSERT_TRUE(loaded.Ok);
    EXPECT_EQ(data.RecordsNumber, 5002);
    for (int i = 0; i < 2; ++i) {
        const auto values = ColumnValues(data, i);
        for (float v : values) EXPECT_TRUE(v >= 0.0f && v <= 1.0f);
    }
}

TEST(Reader, ReadingAgainReplacesTheDataset)
{
    TTempDirectory dir;
    TPreProcessedData data;
    ASSERT_TRUE(Load(data, dir.Write("a.lumet", "#a b c\n1 2 3\n4 5 6\n")).Ok);
    EXPECT_FALSE(Load(data, dir.PathOf("none.lumet")).Ok);
    EXPECT_EQ(data.NumberOfDimensions(), 0);
    ASSERT_TRUE(Load(data, dir.Write("b.lumet", "#x\n1\n")).Ok);
    EXPECT_EQ(data.NumberOfDimensions(), 1);
    EXPECT_EQ(data.RecordsNumber, 1);
}

} // namespace

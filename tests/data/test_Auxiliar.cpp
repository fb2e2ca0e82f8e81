// Number formatting and parsing with the user's decimal separator, and the text helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "data/Auxiliar.h"

namespace {

// Restores the '.' separator when a test ends.
struct TSeparator {
    explicit TSeparator(char c) { SetDecimalSeparator(c); }
    ~TSeparator() { SetDecimalSeparator('.'); }
};

struct TFormatCase {
    const char* Pattern;
    double Value;
    char Separator;
    const char* Expected;
};

class Format : public ::testing::TestWithParam<TFormatCase> {};

TEST_P(Format, RoundsAndDropsTrailingZeros)
{
    const auto& c = GetParam();
    TSeparator separator(c.Separator);
    EXPECT_EQ(FormatFloat(c.Pattern, c.Value), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Auxiliar, Format,
    ::testing::Values(TFormatCase{"0.##", 1.0, '.', "1"}, TFormatCase{"0.##", 1.5, '.', "1.5"},
                      TFormatCase{"0.##", 1.234, '.', "1.23"}, TFormatCase{"0.##", 1.239, '.', "1.24"},
                      TFormatCase{"0.##", 1.999, '.', "2"}, TFormatCase{"0.##", -1.5, '.', "-1.5"},
                      TFormatCase{"0.##", -0.001, '.', "0"}, TFormatCase{"0.##", 0.0, '.', "0"},
                      TFormatCase{"0.##", 1.5, ',', "1,5"}, TFormatCase{"0.##", 120.0, '.', "120"},
                      TFormatCase{"0.####", 2.0 / 3, '.', "0.6667"}, TFormatCase{"0.####", 1234.5678, ',', "1234,5678"},
                      TFormatCase{"0.####", 0.00004, '.', "0"}, TFormatCase{"0", 7.6, '.', "8"},
                      TFormatCase{"0.##", std::nan(""), '.', "NAN"},
                      TFormatCase{"0.##", std::numeric_limits<double>::infinity(), '.', "INF"},
                      TFormatCase{"0.##", -std::numeric_limits<double>::infinity(), '.', "-INF"}));

TEST(Auxiliar, ParsingAcceptsThePointAndTheUserSeparator)
{
    TSeparator separator(',');
    for (const char* text : {"1,5", "1.5", "+1,5", "15e-1"}) {
        float value = 0;
        EXPECT_TRUE(StrToFloat(text, value)) << text;
        EXPECT_FLOAT_EQ(value, 1.5f) << text;
    }
    for (const char* text : {"1,5,", "1;5", ",", "1 5", " 1", "1 ", "1e5.5", "0x10"}) {
        float value = 7;
        EXPECT_FALSE(StrToFloat(text, value)) << text;
        EXPECT_EQ(value, 7.0f) << "a failed parse leaves the value";
    }
}

TEST(Auxiliar, TextHelpers)
{
    EXPECT_EQ(UpperCase("time_Attribute_name 9"), "TIME_ATTRIBUTE_NAME 9");
    EXPECT_EQ(UpperCase("caf\xC3\xA9"), "CAF\xC3\xA9");  // only ASCII letters change
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(ExtractFileName("/data/sets/Cars.lumet"), "Cars.lumet");
    EXPECT_EQ(ExtractFileName("Cars.lumet"), "Cars.lumet");

    struct TBytesCase {
        std::string Bytes, Utf8;
    };
    for (const auto& c : {TBytesCase{"plain", "plain"}, TBytesCase{"caf\xC3\xA9", "caf\xC3\xA9"},
                          TBytesCase{"caf\xE9", "caf\xC3\xA9"},            // Latin-1
                          TBytesCase{"a\xC3", "a\xC3\x83"},                // cut sequence
                          TBytesCase{"\xC0\x80", "\xC3\x80\xC2\x80"},      // overlong form
                          TBytesCase{"\xE2\x82\xAC", "\xE2\x82\xAC"}})     // the euro sign
        EXPECT_EQ(BytesToUtf8(c.Bytes), c.Utf8) << c.Bytes;
}

TEST(Auxiliar, IsoDatesAndTimesAsDaysSince18991230)
{
    struct TCase {
        const char* Text;
        double Days;
    };
    for (const TCase& c : {TCase{"1899-12-30", 0.0}, TCase{"1899-12-31", 1.0}, TCase{"1900-01-01", 2.0},
                           TCase{"2024-01-15", 45306.0}, TCase{" 2024-01-15 ", 45306.0},
                           TCase{"2024-01-15 12:00", 45306.5}, TCase{"2024-01-15T06:00:00", 45306.25},
                           TCase{"2024-01-15T18:00:00.000Z", 45306.75}, TCase{"2024-01-15 06:00:00+02:00", 45306.25},
                           TCase{"2024-02-29", 45351.0}, TCase{"1800-01-01", -36522.0},
                           TCase{"12:00", 0.5}, TCase{"06:00:30.5", (6 * 3600 + 30.5) / 86400.0},
                           TCase{"2024-01-15 24:00", 45307.0}}) {
        double days = -1;
        EXPECT_TRUE(IsoDateTimeToDays(c.Text, days)) << c.Text;
        EXPECT_DOUBLE_EQ(days, c.Days) << c.Text;
    }
    for (const char* text : {"", "2024", "2024-1-15", "2024-13-01", "2023-02-29", "2024-01-32", "2024-01-15x",
                             "2024-01-15 25:00", "2024-01-15 10:60", "2024-01-15T", "2024-01-15 10:00:", "abc",
                             "10:00 pm", "2024/01/15", "-2024-01-15", "2024-01-15 10:00+5"}) {
        double days = 7;
        EXPECT_FALSE(IsoDateTimeToDays(text, days)) << text;
    }
}

} // namespace

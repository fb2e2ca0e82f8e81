#pragma once
// Shared routines of the layers without Qt: number formatting and parsing with the
// user's decimal separator, ASCII upper-casing, change stamps, the value comparison
// used by every sort, and the one hook through which user-facing messages are shown.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// ---- Decimal separator -------------------------------------------------------------
// Taken from the locale once at start-up (the shell sets it); '.' until then.
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// ---- Numbers -------------------------------------------------------------------------
// FormatFloat("0.##", v): at most two decimals, trailing zeros dropped, the user's
// decimal separator; "0.####" the same with four. Any "0." followed by '#'s works,
// and "0" gives an integer. Non-finite values give "NAN", "INF" or "-INF".
std::string FormatFloat(std::string_view pattern, double value);

// Parses a whole token as a finite single-precision number: optional sign, digits with
// an optional fraction (either '.' or the user's decimal separator), optional exponent.
// "nan", "inf", hexadecimal floats, empty text and values beyond the float range fail.
// Values too small for a float become 0.
bool StrToFloat(std::string_view text, float& value);

// The common decimal form at `p`: [sign] digits [point digits], the point being '.' or
// `separator`, with 1 to 19 digits, at most ten decimals and a mantissa of at most 2^24.
// Mantissa and power of ten are then exact floats, so one division gives the correctly
// rounded value, the one StrToFloat gives. True with `value` set and `p` past the form;
// false for anything else, with `p` past the leading characters that fit the form. The
// readers' fast path.
// `decimals` is set to the number of digits after the point.
[[gnu::always_inline]] inline bool ParseSimpleDecimal(const char*& p, const char* end, char separator, float& value,
                                                      unsigned& decimalsRead)
{
    static constexpr float kPowersOfTen[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    std::uint64_t mantissa = 0;
    const char* const digitsStart = p;
    while (p < end && static_cast<unsigned char>(*p - '0') < 10) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
    std::size_t digits = static_cast<std::size_t>(p - digitsStart);
    std::size_t decimals = 0;
    if (p < end && (*p == '.' || *p == separator)) {
        const char* const fractionStart = ++p;
        while (p < end && static_cast<unsigned char>(*p - '0') < 10) mantissa = mantissa * 10 + static_cast<unsigned>(*p++ - '0');
        decimals = static_cast<std::size_t>(p - fractionStart);
        digits += decimals;
    }
    if (digits == 0 || digits > 19 || decimals > 10 || mantissa > (1u << 24)) return false;
    float result = static_cast<float>(mantissa);
    if (decimals > 0) result /= kPowersOfTen[decimals];
    value = negative ? -result : result;
    decimalsRead = static_cast<unsigned>(decimals);
    return true;
}

[[gnu::always_inline]] inline bool ParseSimpleDecimal(const char*& p, const char* end, char separator, float& value)
{
    unsigned decimals;
    return ParseSimpleDecimal(p, end, separator, value, decimals);
}

// Decimal text of an integer.
std::string IntToStr(long long value);

// ISO-8601 dates and times as days since 1899-12-30 (the usual numeric form of dates in
// table tools; the time of day is the fraction): "2024-01-15", "2024-01-15 10:30",
// "2024-01-15T10:30:15.250", with an optional zone ("Z", "+02:00"; the time is read as
// written, the zone ignored), or a time alone ("10:30:15", a fraction of one day). Blanks
// around the text are allowed. False for anything else, and for dates that do not exist.
bool IsoDateTimeToDays(std::string_view text, double& days);

// ---- Text ------------------------------------------------------------------------------
// Changes the ASCII letters only.
std::string UpperCase(std::string_view text);
// Names and labels are bytes: valid UTF-8 stays as it is, anything else is read as
// Latin-1 and returned as UTF-8.
std::string BytesToUtf8(std::string_view bytes);
// The file name without its directory.
std::string ExtractFileName(std::string_view path);

// ---- Memory ------------------------------------------------------------------------------
// Large arrays (a million cells and more) cost mostly the page faults of their first write.
// HugePageCapacity gives the element count to reserve for `count` elements so that the
// block is a whole number of 2 MiB huge pages, which the system then places on a huge-page
// boundary; AdviseHugePages asks for huge pages on the whole huge pages among the first
// `bytes` bytes of a block that has not been written yet; ReleaseUnusedPages gives the pages
// of an unused tail back to the system (its contents are lost). Small blocks are left alone,
// and so is everything on systems without these features.
std::size_t HugePageCapacity(std::size_t count, std::size_t elementSize);
void AdviseHugePages(const void* data, std::size_t bytes);
void ReleaseUnusedPages(const void* data, std::size_t bytes);
// Maps the pages of a block that is about to be written in one go instead of one page fault
// at a time.
void PrefaultPages(const void* data, std::size_t bytes);

// ---- Comparison ----------------------------------------------------------------------
// 1 when a > b, 0 when equal, -1 when a < b.
inline int CompareValues(float a, float b) { return a > b ? 1 : (a < b ? -1 : 0); }

// ---- Change stamps ---------------------------------------------------------------------
// A stamp marks a change of frequency or relevance values; caches remember the stamp they
// were computed at and recompute when it differs. Every renewal differs from every
// earlier one in the process.
using TChangeStamp = std::uint64_t;
TChangeStamp NewChangeStamp();

// ---- Messages ----------------------------------------------------------------------------
// User-facing problems are reported through one function, which the shell points at a
// modal message box and tests point at a recorder. Until it is set, messages go to stderr.
enum class TMessageKind { Plain, Warning, Information };
using TMessageFunction =
    std::function<void(TMessageKind kind, const std::string& title, const std::string& text)>;
// Installs `function` and returns the one it replaces.
TMessageFunction SetMessageFunction(TMessageFunction function);
void ShowMessage(TMessageKind kind, const std::string& title, const std::string& text);

// Questions that guard a destructive command are asked through one function as well (the
// shell's Yes/No box, a tests' recorder): true to go on. Until one is set, the answer is
// yes (the question goes to stderr).
using TQuestionFunction = std::function<bool(const std::string& title, const std::string& text)>;
TQuestionFunction SetQuestionFunction(TQuestionFunction function);
bool AskQuestion(const std::string& title, const std::string& text);

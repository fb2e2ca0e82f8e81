#include "data/Auxiliar.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>

#include <sys/mman.h>

namespace {
char gDecimalSeparator = '.';
TMessageFunction& MessageFunction()
{
    static TMessageFunction function;
    return function;
}
} // namespace

void SetDecimalSeparator(char separator) { gDecimalSeparator = separator ? separator : '.'; }
char DecimalSeparator() { return gDecimalSeparator; }

std::string FormatFloat(std::string_view pattern, double value)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    int decimals = 0;
    const auto dot = pattern.find('.');
    if (dot != std::string_view::npos)
        for (std::size_t i = dot + 1; i < pattern.size() && pattern[i] == '#'; ++i) ++decimals;
    // Written by std::to_chars, which follows no locale: the C library's locale (set from
    // the user's environment) would give "4,00" under a comma locale, and the user's
    // separator is put in below.
    char buffer[400];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (written.ec != std::errc()) return value > 0 ? "INF" : "-INF";
    std::string text(buffer, written.ptr);
    if (decimals > 0) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    for (char& c : text)
        if (c == '.') c = gDecimalSeparator;
    return text;
}

bool StrToFloat(std::string_view text, float& value)
{
    if (text.empty()) return false;
    // Normalise the separator and check the syntax: [sign] digits [sep digits] [e [sign] digits].
    // Plain decimals may be written out at any length; short ones need no allocation.
    char small[402];
    std::string large;
    char* buffer = small;
    if (text.size() > 400) {
        large.resize(text.size());
        buffer = large.data();
    }
    std::size_t n = 0, i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    std::size_t digits = 0;
    // The decimal magnitude: the power of ten of the first non-zero digit, without the exponent.
    long long magnitude = 0;
    bool nonZero = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (nonZero) ++magnitude;
        else if (text[i] != '0') nonZero = true;
        buffer[n++] = text[i++];
        ++digits;
    }
    if (i < text.size() && (text[i] == '.' || text[i] == gDecimalSeparator)) {
        buffer[n++] = '.';
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (!nonZero) {
                --magnitude;
                nonZero = text[i] != '0';
            }
            buffer[n++] = text[i++];
            ++digits;
        }
    }
    if (digits == 0) return false;
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        buffer[n++] = 'e';
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            buffer[n++] = text[i++];
        }
        std::size_t exponentDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
            buffer[n++] = text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0) return false;
        if (negativeExponent) exponent = -exponent;
    }
    if (i != text.size()) return false;
    float parsed = 0;
    const auto result = std::from_chars(buffer, buffer + n, parsed, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond the float range, or too small for a float: the magnitude tells which.
        if (!nonZero || magnitude + exponent < 0) {
            parsed = 0;  // too small for a float: 0 (the nearest float, when none is nearer)
        } else {
            return false;
        }
    } else if (result.ec != std::errc() || result.ptr != buffer + n) {
        return false;
    }
    if (!std::isfinite(parsed)) return false;
    value = negative ? -parsed : parsed;
    return true;
}

std::string IntToStr(long long value) { return std::to_string(value); }

std::string UpperCase(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

static bool IsValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra;
        std::uint32_t cp;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; }
        else return false;
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) ||
            cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string BytesToUtf8(std::string_view bytes)
{
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string result;
    result.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            result.push_back(ch);
        } else {
            result.push_back(static_cast<char>(0xC0 | (c >> 6)));
            result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return result;
}

std::string ExtractFileName(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

namespace {
constexpr std::size_t kHugePage = std::size_t{1} << 21;
constexpr std::size_t kSmallPage = 4096;
constexpr std::size_t kLargeBlock = std::size_t{1} << 20;  // the allocator maps blocks this large on their own
} // namespace

std::size_t HugePageCapacity(std::size_t count, std::size_t elementSize)
{
    if (elementSize == 0 || count > (std::size_t{1} << 40) / elementSize) return count;
    const std::size_t bytes = count * elementSize;
    if (bytes < kLargeBlock) return count;
    // The allocator adds a small header and rounds the mapping up to whole pages: leave it 64 bytes.
    const std::size_t block = (bytes + 64 + kHugePage - 1) / kHugePage * kHugePage;
    return std::max(count, (block - 64) / elementSize);
}

void AdviseHugePages(const void* data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    if (!data || bytes < kHugePage) return;
    // Huge pages only for the first few hundred MiB a process asks for: beyond them the
    // system has to compact memory to find more, which on a busy machine costs more than the
    // page faults they save (a ten-million-record load spent seconds in the kernel).
    static std::size_t advised = 0;
    constexpr std::size_t kBudget = std::size_t{384} << 20;
    if (advised + bytes > kBudget) return;
    advised += bytes;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    // A block right after a huge-page boundary (behind the allocator's header) owns that
    // huge page from its start.
    std::uintptr_t first = begin & ~(kSmallPage - 1);
    const bool behindHeader = (first & (kHugePage - 1)) == 0;
    if (!behindHeader) first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    // The block's last small page is wholly its own too.
    const std::uintptr_t last = ((begin + bytes + kSmallPage - 1) & ~(kSmallPage - 1)) & ~(kHugePage - 1);
    if (last <= first) return;
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#if defined(__linux__)
    // The allocator has already written its header into the first small page, so that huge
    // page would stay made of small pages (and every first write to them is slow on a virtual
    // machine); collapsing it now, while it holds one page, makes it a huge page too.
#ifndef MADV_COLLAPSE
    constexpr int MADV_COLLAPSE = 25;  // Linux 6.1 and later; older systems refuse it
#endif
    if (behindHeader) ::madvise(reinterpret_cast<void*>(first), kHugePage, MADV_COLLAPSE);
#endif
#else
    (void)data;
    (void)bytes;
#endif
}

void PrefaultPages(const void* data, std::size_t bytes)
{
#if defined(__linux__)
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14 and later; older systems refuse it
#endif
    if (!data || bytes < kHugePage) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = begin & ~(kSmallPage - 1);
    const std::uintptr_t last = (begin + bytes + kSmallPage - 1) & ~(kSmallPage - 1);
    ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

void ReleaseUnusedPages(const void* data, std::size_t bytes)
{
    if (!data || bytes < kSmallPage) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kSmallPage - 1) & ~(kSmallPage - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kSmallPage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

TChangeStamp NewChangeStamp()
{
    static std::atomic<TChangeStamp> counter{0};
    return ++counter;
}

TMessageFunction SetMessageFunction(TMessageFunction function)
{
    TMessageFunction previous = std::move(MessageFunction());
    MessageFunction() = std::move(function);
    return previous;
}

void ShowMessage(TMessageKind kind, const std::string& title, const std::string& text)
{
    if (MessageFunction()) {
        MessageFunction()(kind, title, text);
        return;
    }
    std::cerr << (title.empty() ? std::string() : title + ": ") << text << '\n';
}

namespace {
TQuestionFunction& QuestionFunction()
{
    static TQuestionFunction function;
    return function;
}
} // namespace

TQuestionFunction SetQuestionFunction(TQuestionFunction function)
{
    TQuestionFunction previous = std::move(QuestionFunction());
    QuestionFunction() = std::move(function);
    return previous;
}

bool AskQuestion(const std::string& title, const std::string& text)
{
    if (QuestionFunction()) return QuestionFunction()(title, text);
    std::cerr << (title.empty() ? std::string() : title + ": ") << text << " (yes)\n";
    return true;
}

// ---- Dates ---------------------------------------------------------------------------

namespace {
// Reads exactly `count` digits at `at`.
bool Digits(std::string_view text, std::size_t& at, int count, int& value)
{
    value = 0;
    for (int i = 0; i < count; ++i, ++at) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
        value = value * 10 + (text[at] - '0');
    }
    return true;
}

// "HH:MM[:SS[.fraction]]" at `at`, as a fraction of a day.
bool TimeOfDay(std::string_view text, std::size_t& at, double& fraction)
{
    int hour = 0, minute = 0, second = 0;
    if (!Digits(text, at, 2, hour) || at >= text.size() || text[at++] != ':' || !Digits(text, at, 2, minute))
        return false;
    double seconds = 0.0;
    if (at < text.size() && text[at] == ':') {
        ++at;
        if (!Digits(text, at, 2, second)) return false;
        seconds = second;
        if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
            ++at;
            double scale = 0.1;
            const std::size_t start = at;
            for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10) seconds += (text[at] - '0') * scale;
            if (at == start) return false;
        }
    }
    if (hour > 24 || minute > 59 || second > 60 || (hour == 24 && (minute > 0 || seconds > 0))) return false;
    fraction = (hour * 3600.0 + minute * 60.0 + seconds) / 86400.0;
    return true;
}

// An optional zone at `at`: "Z", "+HH", "+HH:MM", "+HHMM" (or '-').
bool Zone(std::string_view text, std::size_t& at)
{
    if (at >= text.size()) return true;
    if (text[at] == 'Z' || text[at] == 'z') {
        ++at;
        return true;
    }
    if (text[at] != '+' && text[at] != '-') return true;
    ++at;
    int hours = 0, minutes = 0;
    if (!Digits(text, at, 2, hours)) return false;
    if (at < text.size() && text[at] == ':') ++at;
    if (at < text.size() && text[at] >= '0' && text[at] <= '9' && !Digits(text, at, 2, minutes)) return false;
    return hours <= 23 && minutes <= 59;
}
} // namespace

bool IsoDateTimeToDays(std::string_view text, double& days)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    std::size_t at = 0;
    double fraction = 0.0;
    if (text.size() >= 3 && text[2] == ':') {  // a time alone
        if (!TimeOfDay(text, at, fraction) || !Zone(text, at) || at != text.size()) return false;
        days = fraction;
        return true;
    }
    int year = 0, month = 0, day = 0;
    if (!Digits(text, at, 4, year) || at >= text.size() || text[at++] != '-' || !Digits(text, at, 2, month) ||
        at >= text.size() || text[at++] != '-' || !Digits(text, at, 2, day))
        return false;
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) return false;
    if (at < text.size()) {
        if (text[at] != 'T' && text[at] != 't' && text[at] != ' ') return false;
        ++at;
        if (!TimeOfDay(text, at, fraction) || !Zone(text, at)) return false;
    }
    if (at != text.size()) return false;
    constexpr std::chrono::sys_days dayZero{std::chrono::year{1899} / 12 / 30};
    days = static_cast<double>((std::chrono::sys_days{date} - dayZero).count()) + fraction;
    return true;
}

#include "app/TableQuery.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "data/PreProcessedData.h"

// ---- dialect --------------------------------------------------------------------------------------

std::string TSqlDialect::Placeholder(int number, TSqlValue::TType type) const
{
    if (Engine == TSqlEngine::Sqlite) return "?" + std::to_string(number);
    const char* cast = "float8";
    switch (type) {
    case TSqlValue::TType::Number: cast = "float8"; break;
    case TSqlValue::TType::Text: cast = "text"; break;
    case TSqlValue::TType::Timestamp: cast = "timestamp"; break;
    case TSqlValue::TType::Time: cast = "time"; break;
    }
    return "$" + std::to_string(number) + "::" + cast;
}

std::string TSqlDialect::Quote(const std::string& name)
{
    std::string quoted = "\"";
    for (const char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string TSqlDialect::QuoteTable(const std::string& name) const
{
    if (Engine == TSqlEngine::Postgres) {
        const std::size_t dot = name.find('.');
        if (dot != std::string::npos && dot > 0 && dot + 1 < name.size())
            return Quote(name.substr(0, dot)) + "." + Quote(name.substr(dot + 1));
    }
    return Quote(name);
}

std::string TSqlDialect::DaysOf(const std::string& column) const
{
    if (Engine == TSqlEngine::Sqlite)
        // Numbers stay the number; ISO texts are converted; other texts give NULL (read as 0).
        return "(CASE WHEN typeof(" + column + ") IN ('integer', 'real') THEN " + column + " ELSE julianday(" + column +
               ") - 2415018.5 END)";
    return "(EXTRACT(EPOCH FROM " + column + "::timestamp) / 86400.0 + 25569.0)";
}

// ---- lineage ---------------------------------------------------------------------------------------

bool TLineage::All() const
{
    for (const auto& levels : Alternatives)
        if (levels.empty()) return true;
    return false;
}

TLineage TLineage::Then(const TPipelineLevel& level) const
{
    TLineage result = *this;
    for (auto& levels : result.Alternatives) levels.push_back(level);
    return result;
}

TLineage TLineage::Or(const TLineage& other) const
{
    TLineage result = *this;
    result.Alternatives.insert(result.Alternatives.end(), other.Alternatives.begin(), other.Alternatives.end());
    return result;
}

float NormalisedValue(float raw, float low, float high, float range)
{
    // As TPreProcessedDimension::Normalise computes it.
    if (std::isfinite(range)) return std::min(1.0f, (raw - low) / range);
    const double wide = static_cast<double>(high) - static_cast<double>(low);
    return std::min(1.0f, static_cast<float>((static_cast<double>(raw) - low) / wide));
}

namespace {
bool Hits(const TLevelDimension& dimension, float raw)
{
    const float value = NormalisedValue(raw, dimension.Low, dimension.High, dimension.Range);
    for (const TBrushBounds& brush : dimension.Brushes)
        if (brush.Min <= value && value <= brush.Max) return true;
    return false;
}

bool Passes(const TPipelineLevel& level, const float* raw)
{
    // The controller's walk: AND needs a hit in every brushed dimension, OR one in any, XOR
    // an odd number of dimensions with a hit.
    int hits = 0;
    for (const TLevelDimension& dimension : level.Dimensions) {
        const bool hit = Hits(dimension, raw[dimension.Column]);
        if (level.Logic == 0 && !hit) return false;
        if (level.Logic == 1 && hit) return true;
        hits += hit ? 1 : 0;
    }
    if (level.Logic == 0) return !level.Dimensions.empty();
    if (level.Logic == 1) return false;
    return hits % 2 == 1;
}
} // namespace

bool TLineage::Accepts(const float* raw) const
{
    for (const auto& levels : Alternatives) {
        bool all = true;
        for (const TPipelineLevel& level : levels)
            if (!Passes(level, raw)) {
                all = false;
                break;
            }
        if (all) return true;
    }
    return false;
}

std::vector<int> TLineage::Columns() const
{
    std::vector<int> columns;
    for (const auto& levels : Alternatives)
        for (const TPipelineLevel& level : levels)
            for (const TLevelDimension& dimension : level.Dimensions) columns.push_back(dimension.Column);
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    return columns;
}

// ---- raw intervals ----------------------------------------------------------------------------------

namespace {
// Floats mapped to unsigned keys in their order (−0 just below +0).
std::uint32_t Key(float value)
{
    const auto bits = std::bit_cast<std::uint32_t>(value);
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

float FromKey(std::uint32_t key)
{
    const std::uint32_t bits = (key & 0x80000000u) ? key & 0x7FFFFFFFu : ~key;
    return std::bit_cast<float>(bits);
}

constexpr float Largest = std::numeric_limits<float>::max();
} // namespace

bool RawInterval(const TLevelDimension& d, const TBrushBounds& brush, float& first, float& last)
{
    auto norm = [&d](std::uint32_t key) { return NormalisedValue(FromKey(key), d.Low, d.High, d.Range); };
    const std::uint32_t lowest = Key(-Largest), highest = Key(Largest);
    if (!(norm(highest) >= brush.Min) || !(norm(lowest) <= brush.Max)) return false;
    std::uint32_t lo = lowest, hi = highest;
    while (lo < hi) {  // the first key whose value reaches Min
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (norm(mid) >= brush.Min)
            hi = mid;
        else
            lo = mid + 1;
    }
    const std::uint32_t firstKey = lo;
    lo = lowest;
    hi = highest;
    while (lo < hi) {  // the last key whose value stays within Max
        const std::uint32_t mid = lo + (hi - lo + 1) / 2;
        if (norm(mid) <= brush.Max)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (firstKey > lo) return false;
    first = FromKey(firstKey);
    last = FromKey(lo);
    return true;
}

namespace {
// The least and the greatest double that the dataset reads as `value` (doubles become the
// nearest float).
double LeastDoubleOf(float value)
{
    const float previous = std::nextafter(value, -std::numeric_limits<float>::infinity());
    const double middle = (static_cast<double>(previous) + static_cast<double>(value)) / 2.0;
    return static_cast<float>(middle) == value ? middle : std::nextafter(middle, std::numeric_limits<double>::infinity());
}

double GreatestDoubleOf(float value)
{
    const float next = std::nextafter(value, std::numeric_limits<float>::infinity());
    const double middle = (static_cast<double>(next) + static_cast<double>(value)) / 2.0;
    return static_cast<float>(middle) == value ? middle : std::nextafter(middle, -std::numeric_limits<double>::infinity());
}

class TWhereWriter {
public:
    TWhereWriter(const std::vector<TTableColumn>& columns, const TSqlDialect& dialect, const TTextsOfColumn& textsOf,
                 int firstPlaceholder)
        : Columns(columns), Dialect(dialect), TextsOf(textsOf), Next(firstPlaceholder)
    {
    }

    std::string Parameter(TSqlValue value)
    {
        const std::string placeholder = Dialect.Placeholder(Next++, value.Type);
        Result.Parameters.push_back(std::move(value));
        return placeholder;
    }
    static TSqlValue Number(double number) { return {TSqlValue::TType::Number, number, {}}; }

    // The condition of one brushed dimension; false when it cannot be written.
    bool Dimension(const TLevelDimension& d, std::string& sql)
    {
        if (d.Column < 0 || d.Column >= static_cast<int>(Columns.size())) return false;
        const TTableColumn& column = Columns[static_cast<std::size_t>(d.Column)];
        if (column.TimeOfDay || column.Boolean) return false;  // tested on the client
        const std::string name = TSqlDialect::Quote(column.Name);
        if (column.Kind == TColumnKind::Text) return TextDimension(d, name, sql);
        std::vector<std::string> terms;
        bool nulls = false;  // NULL (and NaN, and what is no date) reads as 0
        const bool date = column.Kind == TColumnKind::Date;
        const std::string value = date && Dialect.Engine == TSqlEngine::Sqlite ? Dialect.DaysOf(name) : name;
        for (const TBrushBounds& brush : d.Brushes) {
            float first = 0, last = 0;
            if (!RawInterval(d, brush, first, last)) continue;
            if (first <= 0.0f && 0.0f <= last) nulls = true;
            std::string term;
            auto bound = [&](double at, const char* comparison) {
                if (!term.empty()) term += " AND ";
                if (date && Dialect.Engine == TSqlEngine::Postgres)
                    term += value + comparison + Parameter({TSqlValue::TType::Timestamp, 0.0, DaysToIsoText(at)});
                else
                    term += value + comparison + Parameter(Number(at));
            };
            // Dates are converted by the engine's own arithmetic: a margin far below a
            // second keeps rows at the ends, and the rows read are tested exactly.
            const double margin = date ? 1e-6 : 0.0;
            if (first != -Largest) bound(LeastDoubleOf(first) - margin, " >= ");
            if (last != Largest) bound(GreatestDoubleOf(last) + margin, " <= ");
            if (date) Result.Exact = false;
            terms.push_back(term.empty() ? "1 = 1" : "(" + term + ")");
        }
        if (nulls) {
            terms.push_back(value + " IS NULL");
            if (Dialect.Engine == TSqlEngine::Postgres && column.FloatingPoint) terms.push_back(name + " = 'NaN'");
            if (date && Dialect.Engine == TSqlEngine::Postgres) Result.Exact = false;  // texts of no date read 0 too
        }
        sql = Join(terms, " OR ", "1 = 0");
        return true;
    }

    bool TextDimension(const TLevelDimension& d, const std::string& name, std::string& sql)
    {
        const std::vector<std::string>* texts = TextsOf ? TextsOf(d.Column) : nullptr;
        if (!texts) return false;
        std::vector<std::string> inside;
        bool empty = false;
        for (const std::string& text : *texts) {
            if (Hits(d, static_cast<float>(TPreProcessedDimension::HashText(text)))) {
                if (text.empty()) empty = true;
                inside.push_back(Parameter({TSqlValue::TType::Text, 0.0, text}));
            }
        }
        std::vector<std::string> terms;
        if (!inside.empty()) terms.push_back(name + " IN (" + Join(inside, ", ", "") + ")");
        if (empty || Hits(d, 0.0f)) terms.push_back(name + " IS NULL");  // NULL reads as the empty text
        sql = Join(terms, " OR ", "1 = 0");
        return true;
    }

    // A level's condition; false when it cannot be written (then it holds every row).
    bool Level(const TPipelineLevel& level, std::string& sql)
    {
        std::vector<std::string> terms;
        for (const TLevelDimension& d : level.Dimensions) {
            std::string term;
            if (!Dimension(d, term)) {
                Result.Exact = false;
                if (level.Logic == 0) continue;  // AND: the other dimensions still narrow it
                return false;
            }
            terms.push_back("(" + term + ")");
        }
        if (terms.empty()) return false;
        if (level.Logic == 0) sql = Join(terms, " AND ", "");
        else if (level.Logic == 1) sql = Join(terms, " OR ", "");
        else {
            std::vector<std::string> counts;
            for (const std::string& term : terms) counts.push_back("(CASE WHEN " + term + " THEN 1 ELSE 0 END)");
            sql = "(" + Join(counts, " + ", "") + ") % 2 = 1";
        }
        return true;
    }

    TWhere Build(const TLineage& lineage)
    {
        std::vector<std::string> alternatives;
        for (const auto& levels : lineage.Alternatives) {
            std::vector<std::string> terms;
            for (const TPipelineLevel& level : levels) {
                std::string term;
                if (!Level(level, term)) {
                    Result.Exact = false;
                    continue;
                }
                terms.push_back("(" + term + ")");
            }
            if (terms.empty()) {  // this alternative holds every row: so does the union
                TWhere all;
                all.Exact = Result.Exact && lineage.All();
                return all;
            }
            alternatives.push_back(Join(terms, " AND ", ""));
        }
        if (alternatives.empty()) {
            Result.Sql.clear();
            Result.Parameters.clear();
            Result.None = true;
            return Result;
        }
        Result.Sql = alternatives.size() == 1 ? alternatives[0] : "(" + Join(alternatives, ") OR (", "") + ")";
        return Result;
    }

    static std::string Join(const std::vector<std::string>& parts, const char* separator, const char* none)
    {
        if (parts.empty()) return none;
        std::string text = parts[0];
        for (std::size_t i = 1; i < parts.size(); ++i) text += separator + parts[i];
        return text;
    }

private:
    const std::vector<TTableColumn>& Columns;
    const TSqlDialect& Dialect;
    const TTextsOfColumn& TextsOf;
    int Next;
    TWhere Result;
};
} // namespace

TWhere BuildWhere(const TLineage& lineage, const std::vector<TTableColumn>& columns, const TSqlDialect& dialect,
                  const TTextsOfColumn& textsOf, int firstPlaceholder)
{
    return TWhereWriter(columns, dialect, textsOf, firstPlaceholder).Build(lineage);
}

// ---- samples ----------------------------------------------------------------------------------------

namespace {
std::uint64_t Mix(std::uint64_t x)
{
    // splitmix64's finaliser
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
} // namespace

TStratifiedChoice::TStratifiedChoice(std::int64_t total, std::int64_t wanted, std::uint64_t seed)
    : Total(std::max<std::int64_t>(total, 0)), Wanted(std::max<std::int64_t>(wanted, 0)), Seed(seed)
{
}

void TStratifiedChoice::Enter(std::int64_t run)
{
    Run = run;
    if (run >= Wanted) {
        RunEnd = std::numeric_limits<std::int64_t>::max();
        Chosen = -1;
        return;
    }
    const auto start = static_cast<std::int64_t>(static_cast<__int128>(run) * Total / Wanted);
    RunEnd = static_cast<std::int64_t>(static_cast<__int128>(run + 1) * Total / Wanted);
    const std::int64_t width = std::max<std::int64_t>(RunEnd - start, 1);
    Chosen = start + static_cast<std::int64_t>(Mix(Seed ^ Mix(static_cast<std::uint64_t>(run))) % static_cast<std::uint64_t>(width));
}

bool TStratifiedChoice::Take()
{
    if (Wanted >= Total) {
        ++Position;
        return true;
    }
    if (Position >= RunEnd) Enter(Run + 1);
    return Position++ == Chosen;
}

std::uint64_t SampleSeed(const std::string& tableName, std::int64_t limit)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : tableName) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return Mix(hash ^ static_cast<std::uint64_t>(limit));
}

std::string GroupedCount(std::int64_t count)
{
    std::string digits = std::to_string(count < 0 ? -count : count);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return count < 0 ? "-" + grouped : grouped;
}

std::string FractionToTimeText(double fraction)
{
    long long micros = std::llround(std::clamp(fraction, 0.0, 1.0) * 86400e6);
    micros = std::min(micros, 86400LL * 1000000 - 1);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%06lld", micros / 3600000000LL, micros / 60000000LL % 60,
                  micros / 1000000LL % 60, micros % 1000000LL);
    return text;
}

std::string DaysToIsoText(double days)
{
    using namespace std::chrono;
    days = std::clamp(days, -600000.0, 3000000.0);  // years about 257 to 10113
    double whole = std::floor(days);
    long long micros = std::llround((days - whole) * 86400e6);
    if (micros >= 86400LL * 1000000) {
        whole += 1;
        micros = 0;
    }
    const sys_days day = sys_days{year{1899} / 12 / 30} + std::chrono::days{static_cast<long long>(whole)};
    const year_month_day date{day};
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02lld:%02lld:%02lld.%06lld", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()), micros / 3600000000LL,
                  micros / 60000000LL % 60, micros / 1000000LL % 60, micros % 1000000LL);
    return text;
}

#pragma once
// What the exploration tree asks a database engine, without the engine: the columns of a
// table and their ranges, the chain of brushes that led to a workspace (its lineage), the
// parameterised WHERE built from that chain, the exact test of a row against it, and the
// choice of a reproducible sample. No Qt: the pieces are tested on their own.
//
// A workspace that came from a table keeps its lineage: one level per pipeline, each level
// the brushes of its parent's selections (their normalised bounds, the logic operation) and
// the parent's normalisation (low value and range per dimension). A composition holds the
// union of its members' lineages. The WHERE built from a lineage holds exactly the rows the
// in-memory selections would hold (bounds in the column's own units, found from the
// normalised bounds through the same arithmetic the dataset normalises with); where a
// condition cannot be written for the engine (a text column with too many texts, a time
// column) it is left out of the WHERE, which then holds more rows, and the rows read are
// tested exactly on the client (Accepts).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class TColumnKind { Number, Text, Date };

struct TTableColumn {
    std::string Name;
    TColumnKind Kind = TColumnKind::Number;
    bool FloatingPoint = false;  // may hold NaN (PostgreSQL real, double precision, numeric)
    bool TimeOfDay = false;      // a time without a date (PostgreSQL time)
    bool Boolean = false;        // PostgreSQL boolean: read as 0 and 1
    unsigned EngineType = 0;     // the engine's type number (PostgreSQL), 0 when unknown
};

// The engine's range of a column, in the cell units the dataset reads (days for dates).
struct TColumnRange {
    bool Known = false;
    float Low = 0.0f;
    float High = 0.0f;
};

// A value bound to a placeholder of a statement.
struct TSqlValue {
    enum class TType { Number, Text, Timestamp, Time } Type = TType::Number;
    double Number = 0.0;
    std::string Text;  // Text; Timestamp and Time as ISO text
};

enum class TSqlEngine { Sqlite, Postgres };

// Identifier quoting and placeholders of one engine.
struct TSqlDialect {
    TSqlEngine Engine = TSqlEngine::Sqlite;
    // "?n" for SQLite; "$n" with a cast to the parameter's type for PostgreSQL.
    std::string Placeholder(int number, TSqlValue::TType type) const;
    // The name in double quotes, quotes doubled.
    static std::string Quote(const std::string& name);
    // A possibly schema-qualified table name as PostgreSQL lists it ("schema.table").
    std::string QuoteTable(const std::string& name) const;
    // The value of a date column in days since 1899-12-30, as the dataset reads it.
    std::string DaysOf(const std::string& quotedColumn) const;
};

// ---- lineage -----------------------------------------------------------------------------------
struct TBrushBounds {
    float Min = 0.0f;  // normalised, both ends included
    float Max = 0.0f;
};

struct TLevelDimension {
    int Column = 0;
    float Low = 0.0f;    // the level's normalisation: (raw − Low) / Range, at most 1
    float High = 0.0f;
    float Range = 1.0f;  // the dimension's ValueRange
    std::vector<TBrushBounds> Brushes;
};

struct TPipelineLevel {
    int Logic = 0;  // 0 AND, 1 OR, 2 XOR, as the selections controller combines
    std::vector<TLevelDimension> Dimensions;  // those with at least one brush, in dimension order
};

class TLineage {
public:
    // Every row of the table (the root).
    TLineage() : Alternatives(1) {}
    static TLineage Nothing() { TLineage none; none.Alternatives.clear(); return none; }

    bool All() const;
    // This lineage, narrowed by one more level of brushes.
    TLineage Then(const TPipelineLevel& level) const;
    // The union of both.
    TLineage Or(const TLineage& other) const;
    // Whether a row, given as the raw cell values the dataset reads (numbers as single
    // floats, texts as their codes), belongs to the lineage: the selections controller's
    // test, level by level.
    bool Accepts(const float* rawValues) const;
    // The columns the test reads.
    std::vector<int> Columns() const;

    // Each alternative is a chain of levels; a row belongs when it passes every level of some
    // alternative.
    std::vector<std::vector<TPipelineLevel>> Alternatives;
};

// The dataset's normalisation of one raw value.
float NormalisedValue(float raw, float low, float high, float range);

// The raw single floats whose normalised value lies in [min, max]: [first, last], or false
// when none does.
bool RawInterval(const TLevelDimension& dimension, const TBrushBounds& brush, float& first, float& last);

// The WHERE of a lineage, without the word WHERE; empty when it holds every row.
struct TWhere {
    std::string Sql;
    std::vector<TSqlValue> Parameters;
    bool Exact = true;  // false: it holds more rows than the lineage; test them with Accepts
    bool None = false;  // it holds no row at all
};

// `textsOf(column)` answers the distinct texts of a text column, or null when they are too
// many to list (then the column's condition is tested on the client only).
using TTextsOfColumn = std::function<const std::vector<std::string>*(int column)>;
TWhere BuildWhere(const TLineage& lineage, const std::vector<TTableColumn>& columns, const TSqlDialect& dialect,
                  const TTextsOfColumn& textsOf, int firstPlaceholder = 1);

// ---- samples ---------------------------------------------------------------------------------------
// A reproducible choice of `wanted` rows out of `total` in stream order: the rows are cut into
// `wanted` runs of (nearly) equal length and one row of each run is chosen by a hash of the
// seed and the run, so every row has the same chance, the sample covers the table evenly and
// comes in table order.
class TStratifiedChoice {
public:
    TStratifiedChoice(std::int64_t total, std::int64_t wanted, std::uint64_t seed);
    // Whether the next row of the stream is chosen.
    bool Take();

private:
    void Enter(std::int64_t run);
    std::int64_t Total, Wanted;
    std::uint64_t Seed;
    std::int64_t Position = 0;
    std::int64_t Run = -1;
    std::int64_t RunEnd = 0;
    std::int64_t Chosen = -1;
};

// The seed of a table's sample: the same for the same table and limit.
std::uint64_t SampleSeed(const std::string& tableName, std::int64_t limit);

// "1,000,000": a count with thousands separated by commas.
std::string GroupedCount(std::int64_t count);

// Days since 1899-12-30 as ISO text ("2024-01-15 12:00:00.000000"), and the time of day of
// a fraction of a day ("12:00:00.000000").
std::string DaysToIsoText(double days);
std::string FractionToTimeText(double fraction);

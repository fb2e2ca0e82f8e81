#pragma once
// A table of a connected database as the exploration tree asks it: its size first (the row
// count, and the ranges of its numeric and date columns when they are needed), then rows on
// demand: every row of a lineage (the root's lineage holds the whole table) up to the
// record limit, a reproducible sample of them beyond it. SQLite and PostgreSQL run every
// pipeline of the tree as a parameterised query; another Qt SQL driver gives the first rows
// of the table and leaves pipelines to the workbench.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/TableQuery.h"

class TPreProcessedData;
class TSelectionsController;
class TTableSource;

class TDatabaseTable {
public:
    enum class TEngineKind { Sqlite, Postgres, Other };
    // How to reach the engine (filled by TDatabaseAccess).
    struct TEngine {
        TEngineKind Kind = TEngineKind::Sqlite;
        std::string SqliteFile;
        std::string ConnectionName;     // the Qt connection (PostgreSQL and other drivers)
        std::shared_ptr<void> Holder;   // keeps that connection open
        std::string Password;           // masked in every message
        bool IsView = false;            // PostgreSQL cannot sample a view; an SQLite view is not counted first
    };

    TDatabaseTable(TEngine engine, std::string name, std::string quotedName, std::vector<TTableColumn> columns);
    ~TDatabaseTable();

    const std::string& Name() const { return NameValue; }
    const std::vector<TTableColumn>& Columns() const { return ColumnsValue; }
    std::int64_t RowCount() const { return Rows; }
    TEngineKind EngineKind() const { return Engine.Kind; }
    // SQLite and PostgreSQL run pipelines and draw samples; other drivers do neither.
    bool CanPushDown() const { return Engine.Kind != TEngineKind::Other; }

    // The row count, and with `ranges` the ranges of the numeric and date columns, of the
    // rows of `lineage` (one aggregate query). False after a message (none when cancelled).
    bool Measure(const TLineage& lineage, bool ranges, std::int64_t& count, std::vector<TColumnRange>* rangesOut,
                 const std::function<bool()>& keepGoing, bool& cancelled);

    // What a read holds.
    struct TRead {
        std::int64_t Matching = -1;  // rows of the lineage (-1 unknown)
        bool Sampled = false;        // a sample of them (or the first rows, FirstRows)
        bool FirstRows = false;      // the engine cannot sample: the first rows
        std::string Statement;       // the query sent, with its placeholders
        std::vector<TSqlValue> Parameters;
    };
    // Fills `data` with the rows of `lineage` (`matching` of them, -1 when unknown: all are
    // read), a sample when more than `limit` (0: never sampled) match. Each dimension is
    // normalised over `fixedRanges` where given and known, otherwise over the rows read.
    // False after a message, or without one when cancelled (then `cancelled`).
    bool Load(const TLineage& lineage, std::int64_t matching, std::int64_t limit,
              const std::vector<TColumnRange>* fixedRanges, TPreProcessedData& data,
              const std::function<bool()>& keepGoing, TRead& read, bool& cancelled);

    // The distinct texts of a text column, or null when there are too many to list.
    const std::vector<std::string>* DistinctTexts(int column, const std::function<bool()>& keepGoing);
    static constexpr std::size_t MaxListedTexts = 2000;

    // The engine's ranges of the whole table (measured once, on first use).
    const std::vector<TColumnRange>* TableRanges(const std::function<bool()>& keepGoing, bool& cancelled);

    // Runs a statement; null after setting `error` (empty when cancelled).
    std::unique_ptr<TTableSource> Run(const std::string& statement, const std::vector<TSqlValue>& parameters,
                                      std::vector<TColumnKind> kinds, const std::function<bool()>& keepGoing,
                                      std::string& error, bool binaryRows = false);
    TSqlDialect Dialect() const;
    const std::string& QuotedName() const { return QuotedNameValue; }
    void SetRowCount(std::int64_t rows) { Rows = rows; }
    void SetTableRanges(std::vector<TColumnRange> ranges) { Ranges = std::move(ranges); HasRanges = true; }
    // The aggregate statement of Measure (count, then low, high and count per measured column).
    // `only`, when given, measures those columns, leaving out their NaN values.
    std::string AggregateStatement(const std::string& where, bool ranges, std::vector<int>& measured,
                                   const std::vector<int>* only = nullptr) const;
    // Reads the aggregate's row into a count and ranges; `withNaN` gets the columns whose
    // range came out as NaN (PostgreSQL sorts NaN above every number).
    static bool ReadAggregate(TTableSource& row, const std::vector<int>& measured, std::size_t columnCount,
                              std::int64_t& count, std::vector<TColumnRange>* ranges, std::vector<int>* withNaN = nullptr);
    std::string MaskSecret(const std::string& text) const;

private:
    TEngine Engine;
    std::string NameValue;
    std::string QuotedNameValue;
    std::vector<TTableColumn> ColumnsValue;
    std::int64_t Rows = -1;
    std::vector<TColumnRange> Ranges;
    bool HasRanges = false;
    std::vector<std::unique_ptr<std::vector<std::string>>> Texts;  // per column, once listed
    std::vector<char> TextsListed;
};

// What a workspace that came from a table knows about it: the table, the lineage of its
// records, the record limit it was loaded with, and whether it holds every row of its
// lineage (false: a sample).
struct TTableBacking {
    std::shared_ptr<TDatabaseTable> Table;
    TLineage Lineage;
    std::int64_t Limit = 0;
    bool Whole = true;
};

// The brushes of a controller over its dataset, as one level of a lineage.
TPipelineLevel LevelOfSelections(const TSelectionsController& controller, const TPreProcessedData& data);

// The default record limit: tables with more rows are sampled at the root.
constexpr std::int64_t DefaultRecordLimit = 2000000;

#pragma once
// An SQLite table read through SQLite's own C interface. Qt's SQLite driver wraps every
// cell in a QVariant and costs more than twice the engine's own stepping; the workbench
// therefore reads SQLite rows here, on a read-only connection of its own to the same file,
// with the same quoted "SELECT * FROM <table>" that the Qt side would run.
#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/TableQuery.h"
#include "data/PreProcessedData.h"

// The URI that opens an SQLite file read-only so that nothing is written beside it. A
// read-only connection to a WAL database would still create the "-shm" index file next to
// it; when no "-wal" file exists, every committed row is in the database file itself, and
// the file is opened as immutable, which needs no index. With a "-wal" file (a writer is at
// work, or one stopped without cleaning up) its rows count: the file is opened normally, and
// SQLite uses the "-shm" file that such a writer keeps.
std::string SqliteReadOnlyUri(const std::string& file);

class TSqliteTableSource : public TTableSource {
public:
    // Opens `file` read-only and prepares `selectStatement` with `parameters` bound to ?1, ?2,
    // …. `kinds` fixes the kind of each field (empty: the declared types decide, see below).
    // `rowCountStatement`, when given, is a query whose single number estimates the row count
    // (errors ignored; the estimate is capped by what the file can hold). `keepGoing` is asked
    // while the engine works, from the start. Check Ok(); LastError() says why not.
    TSqliteTableSource(const std::string& file, const std::string& selectStatement, std::vector<TColumnKind> kinds,
                       const std::string& rowCountStatement = {}, std::function<bool()> keepGoing = {},
                       const std::vector<TSqlValue>& parameters = {});
    ~TSqliteTableSource() override;
    TSqliteTableSource(const TSqliteTableSource&) = delete;
    TSqliteTableSource& operator=(const TSqliteTableSource&) = delete;

    bool Ok() const { return Statement != nullptr; }
    bool HasRows() const { return OnRow; }

    int FieldCount() const override { return static_cast<int>(Names.size()); }
    std::string FieldName(int field) const override;
    bool IsTextField(int field) const override;
    TColumnKind Kind(int field) const { return Kinds[static_cast<std::size_t>(field)]; }
    // The declared type of a field, upper-cased (empty for an expression).
    std::string DeclaredType(int field) const;
    bool First() override;
    bool Next() override;
    double AsFloat(int field) override;
    std::string AsString(int field) override;
    std::string LastError() const override { return Error; }
    std::int64_t RowCountHint() const override { return RowCount; }
    void SetKeepGoing(std::function<bool()> keepGoing) override;
    bool Cancelled() const override { return CancelledValue; }
    void AppendNotes(std::vector<std::string>& notes) const override;

    // How long a read waits for another program's write lock before it reports the lock.
    static constexpr int BusyWaitMs = 5000;

private:
    using TKind = TColumnKind;
    bool Step();
    void DecideKinds();
    static int Progress(void* source);
    static int Busy(void* source, int attempt);
    void TakeError();

    sqlite3* Database = nullptr;
    sqlite3_stmt* Statement = nullptr;
    std::vector<std::string> Names;
    std::vector<TKind> Kinds;
    std::vector<std::int64_t> NoDates;  // per field: texts of a date column that are no dates
    std::function<bool()> KeepGoing;
    std::string Error;
    std::int64_t RowCount = -1;
    bool OnRow = false;
    bool AtFirstRow = false;
    bool CancelledValue = false;
    std::int64_t BusySinceMs = 0;
};

#pragma once
// The main window's connection to a database, over Qt SQL. Connection strings take the
// form "Key=Value;Key=Value;…", with Provider= naming the engine (see docs/user-guide.md#connection-strings).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/PreProcessedData.h"

class TDatabaseTable;

class TDatabaseAccess {
public:
    TDatabaseAccess();
    ~TDatabaseAccess();
    TDatabaseAccess(const TDatabaseAccess&) = delete;
    TDatabaseAccess& operator=(const TDatabaseAccess&) = delete;

    // Connects with a complete connection string. Problems (unknown provider, driver not
    // installed, engine errors) are shown through ShowMessage; then false.
    bool Connect(const std::string& connectionString);
    void Disconnect();
    bool IsConnected() const;
    // The tables of the connected database (empty, after a message, on failure).
    std::vector<std::string> TableNames();
    // Opens a table for reading; null after a message on failure (unknown table, …), and
    // without one when `keepGoing` said stop. `keepGoing` is asked while the engine works,
    // and stays with the table for its reading (see TTableSource::SetKeepGoing).
    std::unique_ptr<TTableSource> OpenTable(const std::string& tableName, std::function<bool()> keepGoing = {});
    // A table as the exploration tree reads it: its columns and row count (PostgreSQL: and
    // the ranges of its columns, in the same aggregate query), rows on demand. Null after a
    // message on failure, and without one when `keepGoing` said stop.
    std::shared_ptr<TDatabaseTable> DescribeTable(const std::string& tableName, std::function<bool()> keepGoing = {});

    // The record limit the connection string sets with Records= (-1 without the key; 0
    // means never sample). A value that is no count is reported when connecting.
    std::int64_t RecordLimit() const;

    // The connection string of an SQLite database file.
    static std::string SqliteConnectionString(const std::string& databaseFile);
    // The connection string of the bundled DataSets/Cars.sqlite.
    static std::string DefaultConnectionString();

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

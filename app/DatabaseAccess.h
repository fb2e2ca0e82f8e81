#pragma once
// The main window's connection to a database, over Qt SQL. Connection strings take the
// form "Key=Value;Key=Value;…", with Provider= naming the engine (see the README).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/PreProcessedData.h"

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

    // The connection string of an SQLite database file.
    static std::string SqliteConnectionString(const std::string& databaseFile);
    // The connection string of the bundled DataSets/Cars.sqlite.
    static std::string DefaultConnectionString();

private:
    struct TImpl;
    std::unique_ptr<TImpl> Impl;
};

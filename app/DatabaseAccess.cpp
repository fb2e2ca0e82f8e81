#include "app/DatabaseAccess.h"

#include "app/DataPaths.h"
#include "data/Auxiliar.h"

struct TDatabaseAccess::TImpl {};

TDatabaseAccess::TDatabaseAccess() : Impl(std::make_unique<TImpl>()) {}
TDatabaseAccess::~TDatabaseAccess() = default;

bool TDatabaseAccess::Connect(const std::string&)
{
    ShowMessage(TMessageKind::Warning, "Warning", "Database access is not available yet.");
    return false;
}
void TDatabaseAccess::Disconnect() {}
bool TDatabaseAccess::IsConnected() const { return false; }
std::vector<std::string> TDatabaseAccess::TableNames() { return {}; }
std::unique_ptr<TTableSource> TDatabaseAccess::OpenTable(const std::string&) { return nullptr; }

std::string TDatabaseAccess::SqliteConnectionString(const std::string& databaseFile)
{
    return "Provider=SQLite;Data Source=\"" + databaseFile + "\"";
}
std::string TDatabaseAccess::DefaultConnectionString() { return SqliteConnectionString(DataSetPath("Cars.sqlite")); }

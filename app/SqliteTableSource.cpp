#include "app/SqliteTableSource.h"

#include <cctype>

TSqliteTableSource::TSqliteTableSource(const std::string& file, const std::string& selectStatement,
                                       std::vector<bool> textFields, const std::string& rowCountStatement)
    : TextFields(std::move(textFields))
{
    // The connection is used from this one thread only: no per-call locking.
    if (sqlite3_open_v2(file.c_str(), &Database, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        Error = Database ? sqlite3_errmsg(Database) : "out of memory";
        return;
    }
    if (!rowCountStatement.empty()) {
        sqlite3_stmt* count = nullptr;
        if (sqlite3_prepare_v2(Database, rowCountStatement.c_str(), -1, &count, nullptr) == SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW && sqlite3_column_type(count, 0) == SQLITE_INTEGER)
            RowCount = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
    }
    if (sqlite3_prepare_v2(Database, selectStatement.c_str(), -1, &Statement, nullptr) != SQLITE_OK) {
        Error = sqlite3_errmsg(Database);
        sqlite3_finalize(Statement);
        Statement = nullptr;
        return;
    }
    const int count = sqlite3_column_count(Statement);
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(Statement, i);
        Names.emplace_back(name ? name : "");
    }
    Step();
    AtFirstRow = true;
    if (static_cast<int>(TextFields.size()) != count) {
        // SQLite's affinity rule: a declared type mentioning CHAR, CLOB or TEXT is text. A
        // column without a declared type (an expression of a view) is text when the first
        // row holds text there.
        TextFields.assign(count, false);
        for (int i = 0; i < count; ++i) {
            const char* declared = sqlite3_column_decltype(Statement, i);
            if (!declared || !*declared) {
                TextFields[i] = OnRow && sqlite3_column_type(Statement, i) == SQLITE_TEXT;
                continue;
            }
            std::string type;
            for (const char* c = declared; *c; ++c) type += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
            TextFields[i] = type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
                            type.find("TEXT") != std::string::npos;
        }
    }
}

TSqliteTableSource::~TSqliteTableSource()
{
    sqlite3_finalize(Statement);
    sqlite3_close(Database);
}

bool TSqliteTableSource::Step()
{
    const int result = sqlite3_step(Statement);
    OnRow = result == SQLITE_ROW;
    if (!OnRow && result != SQLITE_DONE) Error = sqlite3_errmsg(Database);
    return OnRow;
}

std::string TSqliteTableSource::FieldName(int field) const
{
    return field >= 0 && field < FieldCount() ? Names[field] : std::string();
}

bool TSqliteTableSource::IsTextField(int field) const
{
    return field >= 0 && field < FieldCount() && TextFields[field];
}

bool TSqliteTableSource::First()
{
    if (!Statement) return false;
    if (!AtFirstRow) {
        sqlite3_reset(Statement);
        Error.clear();
        Step();
    }
    AtFirstRow = false;
    return OnRow;
}

bool TSqliteTableSource::Next()
{
    if (!Statement || !OnRow) return false;
    AtFirstRow = false;
    return Step();
}

double TSqliteTableSource::AsFloat(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount()) return 0.0;
    // SQLite's own conversion: NULL reads 0, text its leading number (or 0).
    return sqlite3_column_double(Statement, field);
}

std::string TSqliteTableSource::AsString(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount()) return {};
    const unsigned char* text = sqlite3_column_text(Statement, field);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(Statement, field));
}

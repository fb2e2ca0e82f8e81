#pragma once
// An SQLite table read through SQLite's own C interface. Qt's SQLite driver wraps every
// cell in a QVariant and costs more than twice the engine's own stepping; the workbench
// therefore reads SQLite rows here, on a read-only connection of its own to the same file,
// with the same quoted "SELECT * FROM <table>" that the Qt side would run.
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/PreProcessedData.h"

class TSqliteTableSource : public TTableSource {
public:
    // Opens `file` read-only and prepares `selectStatement`. `textFields` marks the fields
    // read as text (empty: the declared types decide). `rowCountStatement`, when given, is a
    // query whose single number estimates the row count (errors ignored). Check Ok();
    // LastError() says why not.
    TSqliteTableSource(const std::string& file, const std::string& selectStatement, std::vector<bool> textFields,
                       const std::string& rowCountStatement = {});
    ~TSqliteTableSource() override;
    TSqliteTableSource(const TSqliteTableSource&) = delete;
    TSqliteTableSource& operator=(const TSqliteTableSource&) = delete;

    bool Ok() const { return Statement != nullptr; }
    bool HasRows() const { return OnRow; }

    int FieldCount() const override { return static_cast<int>(Names.size()); }
    std::string FieldName(int field) const override;
    bool IsTextField(int field) const override;
    bool First() override;
    bool Next() override;
    double AsFloat(int field) override;
    std::string AsString(int field) override;
    std::string LastError() const override { return Error; }
    std::int64_t RowCountHint() const override { return RowCount; }

private:
    bool Step();

    sqlite3* Database = nullptr;
    sqlite3_stmt* Statement = nullptr;
    std::vector<std::string> Names;
    std::vector<bool> TextFields;
    std::string Error;
    std::int64_t RowCount = -1;
    bool OnRow = false;
    bool AtFirstRow = false;
};

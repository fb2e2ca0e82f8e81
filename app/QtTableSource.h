#pragma once
// A database table read through Qt SQL, as the dataset's table reader sees it: one
// forward-only query "SELECT * FROM <table>", stepped once from the first row to the last.
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/PreProcessedData.h"

class TQtTableSource : public TTableSource {
public:
    // Runs `selectStatement` on `database`. `textFields` marks the fields read as text
    // (empty: the driver's field types decide). `secret` is masked in every error text.
    // `connection` is held until the source goes, so that the named Qt connection outlives
    // the query even when its owner disconnects first. Check Ok() afterwards; LastError()
    // tells why it failed.
    TQtTableSource(std::shared_ptr<void> connection, const QSqlDatabase& database, const QString& selectStatement,
                   std::vector<bool> textFields, std::string secret);

    bool Ok() const { return Executed; }
    // True when the query returned at least one row.
    bool HasRows() const { return OnRow; }

    int FieldCount() const override { return static_cast<int>(Names.size()); }
    std::string FieldName(int field) const override;
    bool IsTextField(int field) const override;
    bool First() override;
    bool Next() override;
    double AsFloat(int field) override;
    std::string AsString(int field) override;
    std::string LastError() const override { return Error; }
    // Asked every 256 rows. The first row of a query is awaited in one call of the driver,
    // which cannot be interrupted from this thread.
    void SetKeepGoing(std::function<bool()> keepGoing) override { KeepGoing = std::move(keepGoing); }
    bool Cancelled() const override { return CancelledValue; }

private:
    bool Execute();
    void TakeError(const QString& text);

    std::shared_ptr<void> Connection;  // first member: released after the query and the database
    QSqlDatabase Database;
    QString Statement;
    std::unique_ptr<QSqlQuery> Query;
    std::vector<std::string> Names;
    std::vector<bool> TextFields;
    std::string Secret;
    std::string Error;
    bool Executed = false;
    bool OnRow = false;
    bool AtFirstRow = false;  // no step since the query ran
    std::function<bool()> KeepGoing;
    std::uint32_t Steps = 0;
    bool CancelledValue = false;
};

// `text` with every occurrence of `secret` replaced by "****" (nothing when secret is empty).
std::string MaskSecret(const std::string& text, const std::string& secret);

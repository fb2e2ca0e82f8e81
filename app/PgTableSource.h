#pragma once
// Rows of a PostgreSQL query read through libpq on the connection that Qt opened: sent
// without waiting (parameters bound, never written into the text), read one row at a time
// (single-row mode, so the client never holds the whole result), and waited for in short
// steps that keep the loading dialog live; Cancel sends the server a cancel request, which
// stops the query at once.
#include <libpq-fe.h>

#include <QSqlDatabase>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/TableQuery.h"
#include "data/PreProcessedData.h"

class TPgTableSource : public TTableSource {
public:
    // Sends `statement` with `parameters` on `connection` (held while the source lives).
    // `kinds` fixes each field's kind (empty: the field types decide). `secret` is masked in
    // every error text. Check Ok(); LastError() says why not.
    TPgTableSource(std::shared_ptr<void> holder, PGconn* connection, const std::string& statement,
                   const std::vector<TSqlValue>& parameters, std::vector<TColumnKind> kinds, std::string secret,
                   std::function<bool()> keepGoing = {}, bool binary = false);
    ~TPgTableSource() override;
    TPgTableSource(const TPgTableSource&) = delete;
    TPgTableSource& operator=(const TPgTableSource&) = delete;

    bool Ok() const { return Error.empty() || OnRow; }
    bool HasRows() const { return OnRow; }

    int FieldCount() const override { return static_cast<int>(Names.size()); }
    std::string FieldName(int field) const override;
    bool IsTextField(int field) const override;
    bool First() override;
    bool Next() override;
    double AsFloat(int field) override;
    std::string AsString(int field) override;
    std::string LastError() const override { return Error; }
    void SetKeepGoing(std::function<bool()> keepGoing) override { KeepGoing = std::move(keepGoing); }
    bool Cancelled() const override { return CancelledValue; }
    void AppendNotes(std::vector<std::string>& notes) const override;

    // The kind of a PostgreSQL type, and whether it holds NaN or is a time of day.
    static TColumnKind KindOfType(Oid type);
    static bool FloatingPointType(Oid type);
    static bool TimeOfDayType(Oid type);
    static bool BooleanType(Oid type) { return type == 16; }
    // Whether rows of these types can be read in the binary form (no number is written out
    // as text by the server and parsed back here).
    static bool BinaryReadable(Oid type);
    Oid FieldType(int field) const;

private:
    bool Send();
    bool Step();
    bool Wait();
    void Finish();
    void Cancel();
    void TakeError(const char* text);

    std::shared_ptr<void> Holder;  // keeps the named Qt connection open
    PGconn* Connection;
    std::string Statement;
    std::vector<TSqlValue> Parameters;
    std::vector<TColumnKind> FixedKinds;
    std::string Secret;
    std::function<bool()> KeepGoing;
    PGresult* Row = nullptr;
    std::vector<std::string> Names;
    std::vector<TColumnKind> Kinds;
    std::vector<Oid> Types;
    std::vector<std::int64_t> NoDates;
    std::string Error;
    bool Running = false;  // results still to be read from the connection
    bool OnRow = false;
    bool AtFirstRow = false;
    bool CancelledValue = false;
    bool Binary = false;
    std::uint32_t Steps = 0;
};

// libpq's connection behind a Qt PostgreSQL connection, or null.
PGconn* PostgresConnectionOf(const QSqlDatabase& database);

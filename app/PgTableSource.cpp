#include "app/PgTableSource.h"

#include <QSqlDriver>
#include <QVariant>

#include <poll.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/QtTableSource.h"
#include "data/Auxiliar.h"

namespace {
// Type numbers of PostgreSQL's catalogue (pg_type.oid).
constexpr Oid BoolType = 16, Int8Type = 20, Int2Type = 21, Int4Type = 23, OidType = 26, Float4Type = 700,
              Float8Type = 701, NumericType = 1700, DateType = 1082, TimeType = 1083,
              TimestampType = 1114, TimestampTzType = 1184, TimeTzType = 1266;

// The shortest text that reads back as the same double, in PostgreSQL's notation whatever
// the C library's locale (which Qt sets from the environment) would write.
std::string NumberText(double value)
{
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}
} // namespace

PGconn* PostgresConnectionOf(const QSqlDatabase& database)
{
    if (!database.isValid() || !database.driver()) return nullptr;
    const QVariant handle = database.driver()->handle();
    // Qt names the type after libpq's own struct ("pg_conn*"), older versions "PGconn*".
    if (!handle.isValid() || !handle.typeName() ||
        (std::strcmp(handle.typeName(), "pg_conn*") != 0 && std::strcmp(handle.typeName(), "PGconn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

TColumnKind TPgTableSource::KindOfType(Oid type)
{
    switch (type) {
    case BoolType: case Int8Type: case Int2Type: case Int4Type: case OidType: case Float4Type: case Float8Type:
    case NumericType:
        return TColumnKind::Number;
    case DateType: case TimeType: case TimestampType: case TimestampTzType: case TimeTzType:
        return TColumnKind::Date;
    default:
        return TColumnKind::Text;
    }
}

bool TPgTableSource::FloatingPointType(Oid type)
{
    return type == Float4Type || type == Float8Type || type == NumericType;
}

bool TPgTableSource::TimeOfDayType(Oid type) { return type == TimeType || type == TimeTzType; }

namespace {
constexpr Oid TextType = 25, VarcharType = 1043, NameType = 19;

std::uint64_t BigEndian(const char* bytes, int length)
{
    std::uint64_t value = 0;
    for (int i = 0; i < length; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

constexpr double DaysFrom1899To2000 = 36526.0;
} // namespace

bool TPgTableSource::BinaryReadable(Oid type)
{
    switch (type) {
    case BoolType: case Int8Type: case Int2Type: case Int4Type: case OidType: case Float4Type: case Float8Type:
    case TextType: case VarcharType: case NameType: case DateType: case TimestampType: case TimeType:
        return true;
    default:
        return false;
    }
}

TPgTableSource::TPgTableSource(std::shared_ptr<void> holder, PGconn* connection, const std::string& statement,
                               const std::vector<TSqlValue>& parameters, std::vector<TColumnKind> kinds,
                               std::string secret, std::function<bool()> keepGoing, bool binary)
    : Holder(std::move(holder)), Connection(connection), Statement(statement), Parameters(parameters),
      FixedKinds(std::move(kinds)), Secret(std::move(secret)), KeepGoing(std::move(keepGoing)), Binary(binary)
{
    if (!Connection) {
        Error = "No PostgreSQL connection.";
        return;
    }
    if (!Send()) return;
    if (Row) {
        const int count = PQnfields(Row);
        for (int i = 0; i < count; ++i) {
            Names.emplace_back(PQfname(Row, i));
            Types.push_back(PQftype(Row, i));
            Kinds.push_back(static_cast<int>(FixedKinds.size()) == count ? FixedKinds[static_cast<std::size_t>(i)]
                                                                         : KindOfType(PQftype(Row, i)));
        }
        NoDates.assign(static_cast<std::size_t>(count), 0);
    }
}

TPgTableSource::~TPgTableSource()
{
    Finish();
    if (Row) PQclear(Row);
}

void TPgTableSource::Cancel()
{
    CancelledValue = true;
    if (PGcancel* cancel = PQgetCancel(Connection)) {
        char buffer[256];
        PQcancel(cancel, buffer, sizeof buffer);
        PQfreeCancel(cancel);
    }
    Finish();
    Error = "Cancelled.";
}

void TPgTableSource::TakeError(const char* text)
{
    std::string message = text ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
    if (message.empty()) message = "Unknown database error.";
    Error = MaskSecret(message, Secret);
}

bool TPgTableSource::Send()
{
    Finish();
    Error.clear();
    std::vector<std::string> texts;
    texts.reserve(Parameters.size());
    for (const TSqlValue& value : Parameters)
        texts.push_back(value.Type == TSqlValue::TType::Number ? NumberText(value.Number) : value.Text);
    std::vector<const char*> values;
    for (const std::string& text : texts) values.push_back(text.c_str());
    if (!PQsendQueryParams(Connection, Statement.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                           nullptr, nullptr, Binary ? 1 : 0)) {
        TakeError(PQerrorMessage(Connection));
        return false;
    }
    Running = true;
    PQsetSingleRowMode(Connection);
    AtFirstRow = true;
    if (!Step()) {
        // A query without rows still describes its fields in its final result.
        return Error.empty();
    }
    return true;
}

// Waits until a result can be read without blocking, answering the dialog meanwhile.
bool TPgTableSource::Wait()
{
    while (PQisBusy(Connection)) {
        if (KeepGoing && !KeepGoing()) {
            Cancel();
            return false;
        }
        pollfd socket{PQsocket(Connection), POLLIN, 0};
        ::poll(&socket, 1, 40);
        if (!PQconsumeInput(Connection)) {
            TakeError(PQerrorMessage(Connection));
            Finish();
            return false;
        }
    }
    return true;
}

bool TPgTableSource::Step()
{
    if (Row) {
        PQclear(Row);
        Row = nullptr;
    }
    OnRow = false;
    if (!Running) return false;
    // Rows that stream in without waiting are counted, so that Cancel is seen then too.
    if ((++Steps & 255) == 0 && KeepGoing && !KeepGoing()) {
        Cancel();
        return false;
    }
    if (!Wait()) return false;
    PGresult* result = PQgetResult(Connection);
    if (!result) {
        Running = false;
        return false;
    }
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_SINGLE_TUPLE) {
        Row = result;
        OnRow = true;
        return true;
    }
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
        if (Names.empty()) Row = result;  // keeps the field descriptions of an empty result
        else PQclear(result);
    } else {
        TakeError(PQresultErrorMessage(result));
        PQclear(result);
    }
    Finish();
    return false;
}

// Reads what is left of the results, so that the connection is free for the next query.
void TPgTableSource::Finish()
{
    if (!Running) return;
    Running = false;
    if (!CancelledValue && OnRow)
        if (PGcancel* cancel = PQgetCancel(Connection)) {  // stopped early: the rest is not wanted
            char buffer[256];
            PQcancel(cancel, buffer, sizeof buffer);
            PQfreeCancel(cancel);
        }
    while (PGresult* rest = PQgetResult(Connection)) PQclear(rest);
}

std::string TPgTableSource::FieldName(int field) const
{
    return field >= 0 && field < FieldCount() ? Names[static_cast<std::size_t>(field)] : std::string();
}

bool TPgTableSource::IsTextField(int field) const
{
    return field >= 0 && field < FieldCount() && Kinds[static_cast<std::size_t>(field)] == TColumnKind::Text;
}

Oid TPgTableSource::FieldType(int field) const
{
    return field >= 0 && field < FieldCount() ? Types[static_cast<std::size_t>(field)] : 0;
}

bool TPgTableSource::First()
{
    if (CancelledValue) return false;
    if (!AtFirstRow) {
        // Reading starts again by running the query anew.
        if (!Send()) return false;
    }
    AtFirstRow = false;
    return OnRow;
}

bool TPgTableSource::Next()
{
    if (!OnRow) return false;
    AtFirstRow = false;
    return Step();
}

double TPgTableSource::AsFloat(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount() || PQgetisnull(Row, 0, field)) return 0.0;
    const char* text = PQgetvalue(Row, 0, field);
    const Oid type = Types[static_cast<std::size_t>(field)];
    if (Binary) {
        const int length = PQgetlength(Row, 0, field);
        switch (type) {
        case BoolType: return length > 0 && text[0] ? 1.0 : 0.0;
        case Int2Type: return static_cast<std::int16_t>(BigEndian(text, 2));
        case Int4Type: return static_cast<std::int32_t>(BigEndian(text, 4));
        case OidType: return static_cast<std::uint32_t>(BigEndian(text, 4));
        case Int8Type: return static_cast<double>(static_cast<std::int64_t>(BigEndian(text, 8)));
        case Float4Type: return std::bit_cast<float>(static_cast<std::uint32_t>(BigEndian(text, 4)));
        case Float8Type: return std::bit_cast<double>(BigEndian(text, 8));
        case DateType: {
            const auto days = static_cast<std::int32_t>(BigEndian(text, 4));
            if (days == INT32_MAX || days == INT32_MIN) break;  // infinity: no date
            return days + DaysFrom1899To2000;
        }
        case TimestampType: {
            const auto micros = static_cast<std::int64_t>(BigEndian(text, 8));
            if (micros == INT64_MAX || micros == INT64_MIN) break;
            return static_cast<double>(micros) / 86400e6 + DaysFrom1899To2000;
        }
        case TimeType: return static_cast<double>(static_cast<std::int64_t>(BigEndian(text, 8))) / 86400e6;
        default: return 0.0;
        }
        ++NoDates[static_cast<std::size_t>(field)];
        return 0.0;
    }
    if (type == BoolType) return text[0] == 't' ? 1.0 : 0.0;
    if (Kinds[static_cast<std::size_t>(field)] == TColumnKind::Date) {
        double days = 0.0;
        if (IsoDateTimeToDays(text, days)) return days;
        ++NoDates[static_cast<std::size_t>(field)];
        return 0.0;
    }
    // PostgreSQL writes numbers in the C form ("1.5", "NaN", "Infinity", "-Infinity").
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end != text ? value : 0.0;
}

std::string TPgTableSource::AsString(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount() || PQgetisnull(Row, 0, field)) return {};
    return std::string(PQgetvalue(Row, 0, field), static_cast<std::size_t>(PQgetlength(Row, 0, field)));
}

void TPgTableSource::AppendNotes(std::vector<std::string>& notes) const
{
    for (int i = 0; i < FieldCount(); ++i)
        if (NoDates[static_cast<std::size_t>(i)] > 0)
            notes.push_back("- " + IntToStr(NoDates[static_cast<std::size_t>(i)]) +
                            (NoDates[static_cast<std::size_t>(i)] == 1 ? " value" : " values") + " of \"" +
                            Names[static_cast<std::size_t>(i)] + "\" read as 0: no dates");
}

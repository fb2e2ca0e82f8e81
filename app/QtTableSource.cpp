#include "app/QtTableSource.h"

#include <QDate>
#include <QDateTime>
#include <QMetaType>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QTime>
#include <QVariant>

std::string MaskSecret(const std::string& text, const std::string& secret)
{
    if (secret.empty()) return text;
    std::string result = text;
    for (std::size_t at = result.find(secret); at != std::string::npos; at = result.find(secret, at + 4))
        result.replace(at, secret.size(), "****");
    return result;
}

TQtTableSource::TQtTableSource(std::shared_ptr<void> connection, const QSqlDatabase& database,
                               const QString& selectStatement, std::vector<bool> textFields, std::string secret)
    : Connection(std::move(connection)), Database(database), Statement(selectStatement), TextFields(std::move(textFields)), Secret(std::move(secret))
{
    if (!Execute()) return;
    const QSqlRecord record = Query->record();
    for (int i = 0; i < record.count(); ++i) Names.push_back(record.fieldName(i).toStdString());
    if (TextFields.size() != Names.size()) {
        // No declared types: the driver's type of each field decides.
        TextFields.assign(Names.size(), false);
        for (int i = 0; i < record.count(); ++i)
            TextFields[i] = record.field(i).metaType().id() == QMetaType::QString;
    }
}

bool TQtTableSource::Execute()
{
    Query = std::make_unique<QSqlQuery>(Database);
    Query->setForwardOnly(true);
    Executed = Query->exec(Statement);
    if (!Executed) {
        TakeError(Query->lastError().text());
        OnRow = false;
        return false;
    }
    OnRow = Query->next();
    if (!OnRow && Query->lastError().isValid()) TakeError(Query->lastError().text());
    AtFirstRow = true;
    return true;
}

void TQtTableSource::TakeError(const QString& text)
{
    Error = MaskSecret(text.trimmed().toStdString(), Secret);
    if (Error.empty()) Error = "Unknown database error.";
}

std::string TQtTableSource::FieldName(int field) const
{
    return field >= 0 && field < FieldCount() ? Names[field] : std::string();
}

bool TQtTableSource::IsTextField(int field) const
{
    return field >= 0 && field < FieldCount() && TextFields[field];
}

bool TQtTableSource::First()
{
    if (!Executed) return false;
    if (!AtFirstRow && !Execute()) return false;  // a forward-only query starts again by running anew
    AtFirstRow = false;
    return OnRow;
}

bool TQtTableSource::Next()
{
    if (!Executed || !OnRow) return false;
    AtFirstRow = false;
    if ((++Steps & 255) == 0 && KeepGoing && !KeepGoing()) {
        CancelledValue = true;
        OnRow = false;
        return false;
    }
    OnRow = Query->next();
    if (!OnRow && Query->lastError().isValid()) TakeError(Query->lastError().text());
    return OnRow;
}

namespace {
// Days since 1899-12-30, the usual numeric form of dates and times in table tools.
const QDate DayZero(1899, 12, 30);

double DateNumber(const QDate& date) { return date.isValid() ? static_cast<double>(DayZero.daysTo(date)) : 0.0; }
double TimeNumber(const QTime& time) { return time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0; }
} // namespace

double TQtTableSource::AsFloat(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount()) return 0.0;
    const QVariant value = Query->value(field);
    if (value.isNull()) return 0.0;
    switch (value.metaType().id()) {
    case QMetaType::Double:
        return value.toDouble();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QDate:
        return DateNumber(value.toDate());
    case QMetaType::QTime:
        return TimeNumber(value.toTime());
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        return DateNumber(moment.date()) + TimeNumber(moment.time());
    }
    default: {
        // Text that holds a number reads as that number, any other as 0.
        bool ok = false;
        const double number = value.toString().trimmed().toDouble(&ok);
        return ok ? number : 0.0;
    }
    }
}

std::string TQtTableSource::AsString(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount()) return {};
    const QVariant value = Query->value(field);
    if (value.isNull()) return {};
    if (value.metaType().id() == QMetaType::QByteArray) return value.toByteArray().toStdString();
    return value.toString().toUtf8().toStdString();
}

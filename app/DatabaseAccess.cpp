// Connection strings and tables over Qt SQL.
//
// A connection string is "Key=Value;Key=Value;…" (keys in any case, blanks around keys and
// values ignored, a value may be quoted "…" with "" for a quote inside). Provider= names
// the engine:
//   Provider=SQLite;Data Source=/path/file.sqlite
//   Provider=PostgreSQL;Host=…;Port=…;Database=…;User ID=…;Password=…
//   Provider=<any installed Qt SQL driver, e.g. QODBC>;Data Source=<DSN or database>;…
// A text without any "=" is taken as the path of an SQLite file (the command line shows
// the bare file in the connection box).
#include "app/DatabaseAccess.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <cctype>
#include <utility>

#include "app/ConnectionString.h"
#include "app/DataPaths.h"
#include "app/DatabaseTable.h"
#include "app/PgTableSource.h"
#include "app/QtTableSource.h"
#include "app/SqliteTableSource.h"
#include "data/Auxiliar.h"

namespace {
const char* const Title = "Database";

void Report(const std::string& text) { ShowMessage(TMessageKind::Warning, Title, text); }

std::string Trim(const std::string& text) { return TrimBlanks(text); }

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string S(const QString& text) { return text.toUtf8().toStdString(); }

// Standard SQL identifier quoting: the whole name in double quotes, quotes doubled. Unlike
// QSqlDriver::escapeIdentifier it never passes a name through that already looks quoted.
QString QuoteIdentifier(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

// A table source as OpenTable hands it out, or null after a message when it cannot be read.
template <class TSource>
std::unique_ptr<TTableSource> Checked(std::unique_ptr<TSource> source, const std::string& tableName)
{
    if (source->Cancelled()) return nullptr;  // stopped by the user: nothing to report
    if (!source->Ok()) {
        Report("Could not open the table \"" + tableName + "\": " + source->LastError());
        return nullptr;
    }
    if (source->FieldCount() == 0) {
        Report("The table \"" + tableName + "\" has no columns.");
        return nullptr;
    }
    if (!source->HasRows()) {
        if (!source->LastError().empty())
            Report("Could not read the table \"" + tableName + "\": " + source->LastError());
        else
            Report("The table \"" + tableName + "\" holds no rows.");
        return nullptr;
    }
    return source;
}

std::atomic<int> ConnectionCounter{0};

// One named Qt connection; closed and removed when the last holder (the access object or
// a table opened on it) lets go.
struct TConnectionHandle {
    QString Name;
    ~TConnectionHandle()
    {
        {
            QSqlDatabase database = QSqlDatabase::database(Name, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(Name);
    }
};
} // namespace

struct TDatabaseAccess::TImpl {
    QString ConnectionName;
    std::shared_ptr<TConnectionHandle> Handle;
    std::string SqliteFile;  // the file of an SQLite connection
    QString Driver;
    std::string Password;
    std::int64_t RecordLimit = -1;
    bool Connected = false;

    QSqlDatabase Database() const { return QSqlDatabase::database(ConnectionName, false); }

    std::string EngineError(const QSqlError& error) const
    {
        std::string text = Trim(S(error.text()));
        if (text.empty()) text = "Unknown database error.";
        return MaskSecret(text, Password);
    }

    // The quoted form of a table name for this engine.
    QString QuotedTable(const QString& name) const
    {
        if (Driver == QLatin1String("QPSQL")) {
            // PostgreSQL lists tables outside the public schema as "schema.table".
            const qsizetype dot = name.indexOf(QLatin1Char('.'));
            if (dot > 0 && dot < name.size() - 1)
                return QuoteIdentifier(name.left(dot)) + QLatin1Char('.') + QuoteIdentifier(name.mid(dot + 1));
            return QuoteIdentifier(name);
        }
        if (Driver == QLatin1String("QSQLITE")) return QuoteIdentifier(name);
        const QSqlDriver* driver = Database().driver();
        if (driver->isIdentifierEscaped(name, QSqlDriver::TableName)) return {};
        return driver->escapeIdentifier(name, QSqlDriver::TableName);
    }
};

TDatabaseAccess::TDatabaseAccess() : Impl(std::make_unique<TImpl>()) {}

TDatabaseAccess::~TDatabaseAccess() { Disconnect(); }

bool TDatabaseAccess::Connect(const std::string& connectionString)
{
    Disconnect();
    TConnectionString parts = ParseConnectionString(connectionString);
    std::string provider = parts.Get({"PROVIDER"});
    std::string file;
    if (connectionString.find('=') == std::string::npos && !Trim(connectionString).empty()) {
        provider = "SQLite";
        file = Trim(connectionString);
        if (file.size() >= 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
    }
    Impl->Password = parts.Get({"PASSWORD", "PWD"});
    Impl->RecordLimit = -1;
    if (parts.Has("RECORDS")) {
        const std::string records = Trim(parts.Get({"RECORDS"}));
        bool ok = !records.empty() && records.size() <= 12;
        for (const char c : records) ok = ok && c >= '0' && c <= '9';
        if (!ok) {
            Report("Records=" + records + " is no record count: give a whole number of records (0: never sample).");
            return false;
        }
        Impl->RecordLimit = std::stoll(records);
    }
    if (provider.empty()) {
        Report("The connection string names no provider. Use Provider=SQLite, Provider=PostgreSQL or the name of "
               "an installed Qt SQL driver (see the connection strings in docs/user-guide.md).");
        return false;
    }

    const std::string upper = UpperCase(provider);
    QString driver;
    if (upper == "SQLITE" || upper == "SQLITE3" || upper == "QSQLITE")
        driver = QStringLiteral("QSQLITE");
    else if (upper == "POSTGRESQL" || upper == "POSTGRES" || upper == "PGSQL" || upper == "QPSQL")
        driver = QStringLiteral("QPSQL");
    else if (QSqlDatabase::drivers().contains(Q(provider)))
        driver = Q(provider);
    else {
        Report("Unknown database provider \"" + MaskSecret(provider, Impl->Password) +
               "\". Known providers: SQLite, PostgreSQL, or an installed Qt SQL driver (" +
               S(QSqlDatabase::drivers().join(QLatin1String(", "))) + ").");
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        Report("The database driver " + S(driver) + " for the provider \"" + provider + "\" is not installed.");
        return false;
    }

    Impl->ConnectionName = QStringLiteral("lumetra-database-%1").arg(++ConnectionCounter);
    QString options;
    if (driver == QLatin1String("QSQLITE")) {
        if (file.empty()) file = parts.Get({"DATA SOURCE", "DATABASE", "FILE"});
        if (file.empty()) {
            Report("The SQLite connection string names no database file (Data Source=…).");
            return false;
        }
        // Qt's SQLite driver would create a missing file: refuse it first, and open read-only.
        const QFileInfo info(Q(file));
        if (!info.isFile()) {
            Report("Could not find database file \"" + file + "\".");
            return false;
        }
        options = QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
        Impl->SqliteFile = file;
    }

    {
        QSqlDatabase database = QSqlDatabase::addDatabase(driver, Impl->ConnectionName);
        if (driver == QLatin1String("QSQLITE")) {
            database.setDatabaseName(Q(SqliteReadOnlyUri(file)));
        } else {
            database.setDatabaseName(Q(parts.Get({"DATABASE", "DATA SOURCE", "DSN", "INITIAL CATALOG", "DBNAME"})));
            const std::string host = parts.Get({"HOST", "SERVER", "HOSTNAME"});
            if (!host.empty()) database.setHostName(Q(host));
            const std::string port = parts.Get({"PORT"});
            if (!port.empty()) {
                bool ok = false;
                const int number = Q(port).toInt(&ok);
                if (!ok || number <= 0 || number > 65535) {
                    Report("The port \"" + port + "\" is not a port number.");
                    database = QSqlDatabase();
                    QSqlDatabase::removeDatabase(Impl->ConnectionName);
                    return false;
                }
                database.setPort(number);
            }
            database.setUserName(Q(parts.Get({"USER ID", "USER", "USERNAME", "UID"})));
            database.setPassword(Q(Impl->Password));
            if (driver == QLatin1String("QPSQL")) options = QStringLiteral("connect_timeout=10");
            const std::string extra = parts.Get({"OPTIONS"});
            if (!extra.empty()) options = Q(extra);
        }
        if (!options.isEmpty()) database.setConnectOptions(options);
        Impl->Driver = driver;
        if (!database.open()) {
            const std::string error = Impl->EngineError(database.lastError());
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase(Impl->ConnectionName);
            Report("Could not connect to the database: " + error);
            return false;
        }
    }
    Impl->Handle = std::make_shared<TConnectionHandle>();
    Impl->Handle->Name = Impl->ConnectionName;
    Impl->Connected = true;
    return true;
}

void TDatabaseAccess::Disconnect()
{
    // Tables still open keep their connection until they go.
    Impl->Handle.reset();
    Impl->Connected = false;
}

bool TDatabaseAccess::IsConnected() const { return Impl->Connected; }

std::vector<std::string> TDatabaseAccess::TableNames()
{
    std::vector<std::string> names;
    if (!Impl->Connected) {
        Report("Not connected to a database.");
        return names;
    }
    QSqlDatabase database = Impl->Database();
    const QStringList tables = database.tables(QSql::Tables) + database.tables(QSql::Views);
    if (tables.isEmpty() && database.lastError().isValid()) {
        Report("Could not list the tables: " + Impl->EngineError(database.lastError()));
        return names;
    }
    for (const QString& table : tables)
        if (!table.startsWith(QLatin1String("sqlite_"))) names.push_back(S(table));
    return names;
}

std::unique_ptr<TTableSource> TDatabaseAccess::OpenTable(const std::string& tableName, std::function<bool()> keepGoing)
{
    if (!Impl->Connected) {
        Report("Not connected to a database.");
        return nullptr;
    }
    if (Trim(tableName).empty()) {
        Report("No table chosen.");
        return nullptr;
    }
    const QString name = Q(tableName);
    const QString quoted = Impl->QuotedTable(name);
    if (quoted.isEmpty()) {
        Report("The table name \"" + tableName + "\" cannot be used.");
        return nullptr;
    }
    const QString statement = QLatin1String("SELECT * FROM ") + quoted;
    if (Impl->Driver == QLatin1String("QPSQL")) {
        auto source = std::make_unique<TPgTableSource>(Impl->Handle, PostgresConnectionOf(Impl->Database()), S(statement),
                                                       std::vector<TSqlValue>{}, std::vector<TColumnKind>{},
                                                       Impl->Password, std::move(keepGoing));
        return Checked(std::move(source), tableName);
    }
    if (Impl->Driver == QLatin1String("QSQLITE")) {
        // The largest rowid of an ordinary table is found at once and estimates its row
        // count. A view has no such shortcut (the query would run the whole view): no hint.
        const bool isTable = Impl->Database().tables(QSql::Tables).contains(name);
        return Checked(std::make_unique<TSqliteTableSource>(Impl->SqliteFile, S(statement), std::vector<TColumnKind>{},
                                                            isTable ? "SELECT max(rowid) FROM " + S(quoted) : std::string(),
                                                            std::move(keepGoing)),
                       tableName);
    }
    auto source = std::make_unique<TQtTableSource>(Impl->Handle, Impl->Database(), statement, std::vector<bool>{},
                                                   Impl->Password);
    source->SetKeepGoing(std::move(keepGoing));
    return Checked(std::move(source), tableName);
}

std::int64_t TDatabaseAccess::RecordLimit() const { return Impl->RecordLimit; }

std::shared_ptr<TDatabaseTable> TDatabaseAccess::DescribeTable(const std::string& tableName,
                                                               std::function<bool()> keepGoing)
{
    if (!Impl->Connected) {
        Report("Not connected to a database.");
        return nullptr;
    }
    if (Trim(tableName).empty()) {
        Report("No table chosen.");
        return nullptr;
    }
    const QString name = Q(tableName);
    const QString quoted = Impl->QuotedTable(name);
    if (quoted.isEmpty()) {
        Report("The table name \"" + tableName + "\" cannot be used.");
        return nullptr;
    }
    TDatabaseTable::TEngine engine;
    engine.Password = Impl->Password;
    engine.Holder = Impl->Handle;
    engine.ConnectionName = S(Impl->ConnectionName);
    std::vector<TTableColumn> columns;
    // The first row tells the columns and their kinds (and that the table can be read).
    if (Impl->Driver == QLatin1String("QSQLITE")) {
        engine.Kind = TDatabaseTable::TEngineKind::Sqlite;
        engine.SqliteFile = Impl->SqliteFile;
        auto probe = std::make_unique<TSqliteTableSource>(Impl->SqliteFile, "SELECT * FROM " + S(quoted),
                                                          std::vector<TColumnKind>{}, std::string(), keepGoing);
        const TSqliteTableSource* first = probe.get();
        std::unique_ptr<TTableSource> checked = Checked(std::move(probe), tableName);
        if (!checked) return nullptr;
        for (int i = 0; i < first->FieldCount(); ++i) columns.push_back({first->FieldName(i), first->Kind(i)});
        engine.IsView = !Impl->Database().tables(QSql::Tables).contains(name);
    } else if (Impl->Driver == QLatin1String("QPSQL")) {
        engine.Kind = TDatabaseTable::TEngineKind::Postgres;
        engine.IsView = !Impl->Database().tables(QSql::Tables).contains(name);
        auto probe = std::make_unique<TPgTableSource>(Impl->Handle, PostgresConnectionOf(Impl->Database()),
                                                      "SELECT * FROM " + S(quoted) + " LIMIT 1", std::vector<TSqlValue>{},
                                                      std::vector<TColumnKind>{}, Impl->Password, keepGoing);
        std::unique_ptr<TTableSource> checked = Checked(std::move(probe), tableName);
        if (!checked) return nullptr;
        const auto* first = static_cast<const TPgTableSource*>(checked.get());
        for (int i = 0; i < first->FieldCount(); ++i) {
            const Oid type = first->FieldType(i);
            TTableColumn column{first->FieldName(i), TPgTableSource::KindOfType(type)};
            column.FloatingPoint = TPgTableSource::FloatingPointType(type);
            column.TimeOfDay = TPgTableSource::TimeOfDayType(type);
            column.Boolean = TPgTableSource::BooleanType(type);
            column.EngineType = type;
            columns.push_back(column);
        }
        while (checked->Next()) {
        }  // the connection is free again
    } else {
        engine.Kind = TDatabaseTable::TEngineKind::Other;
        auto probe = std::make_unique<TQtTableSource>(Impl->Handle, Impl->Database(), QLatin1String("SELECT * FROM ") + quoted, std::vector<bool>{},
                                                      Impl->Password);
        std::unique_ptr<TTableSource> checked = Checked(std::move(probe), tableName);
        if (!checked) return nullptr;
        for (int i = 0; i < checked->FieldCount(); ++i)
            columns.push_back({checked->FieldName(i), checked->IsTextField(i) ? TColumnKind::Text : TColumnKind::Number});
    }
    auto table = std::make_shared<TDatabaseTable>(engine, tableName, S(quoted), std::move(columns));
    // Size first: the row count (PostgreSQL: with the ranges, one scan).
    std::int64_t rows = -1;
    bool cancelled = false;
    if (engine.Kind == TDatabaseTable::TEngineKind::Postgres) {
        std::vector<TColumnRange> ranges;
        if (!table->Measure(TLineage(), true, rows, &ranges, keepGoing, cancelled)) return nullptr;
        table->SetTableRanges(std::move(ranges));
    } else if (engine.Kind == TDatabaseTable::TEngineKind::Sqlite && engine.IsView) {
        // Counting a view costs a whole evaluation of it (an endless one never ends): a view
        // is read whole, with no size asked first.
    } else if (!table->Measure(TLineage(), false, rows, nullptr, keepGoing, cancelled)) {
        return nullptr;
    }
    table->SetRowCount(rows);
    return table;
}

std::string TDatabaseAccess::SqliteConnectionString(const std::string& databaseFile)
{
    return ::SqliteConnectionString(databaseFile);
}

std::string TDatabaseAccess::DefaultConnectionString() { return SqliteConnectionString(DataSetPath("Cars.sqlite")); }

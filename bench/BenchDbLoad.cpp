// Loading a database table into a dataset, against the least a program can do to read the
// same rows: SQLite's own C interface stepping through them and reading every column as a
// double.
//   lumetra-bench dbload CONNECTION TABLE [--records N] [--runs N] [--dump] [--direct] [--scan]
//     opens the table as the workbench opens its root: size first, then every row up to
//     --records (default 2000000; 0 never samples), a sample beyond.
//     (--direct: the whole table through one plain read, the way a table loaded before
//     sampling existed; --scan: only steps through the table source, without a dataset)
//   lumetra-bench dbpipeline CONNECTION TABLE [--records N] [--runs N] [--dump] [--column NAME]
//     opens the root, then a pipeline of a brush over 1 % of a numeric column's range,
//     asked of the engine; prints the WHERE it sent
//   lumetra-bench dbload-reference SQLITE_FILE TABLE [--runs N]
//   lumetra-bench dbgen SQLITE_FILE|CONNECTION [--rows N] [--columns C] [--table NAME]
//     (a PostgreSQL connection string makes the table on the server with generate_series)
#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <fstream>

#include "app/ConnectionString.h"
#include "app/DatabaseAccess.h"
#include "app/DatabaseTable.h"
#include "bench/Bench.h"
#include "data/PreProcessedData.h"

namespace {
// Qt loads its SQL drivers as plugins, which needs an application object.
void EnsureApplication()
{
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "lumetra-bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

int Runs(const std::vector<std::string>& arguments)
{
    const int runs = std::atoi(Option(arguments, "--runs", "3").c_str());
    return runs > 0 ? runs : 1;
}

std::string QuoteIdentifier(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// The peak resident set size counts from here (Linux: writing 5 to clear_refs resets it).
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The dimension lines of load --dump.
void Dump(const TPreProcessedData& data)
{
    for (int i = 0; i < data.NumberOfDimensions(); ++i) {
        double values = 0, weights = 0;
        for (const TPreProcessedRecord* record : data.ListOfPreprocessedRecords) {
            values += data.Value(i, record);
            weights += data.Weight(i, record);
        }
        std::printf("dim %s low=%.9g high=%.9g sum_values=%.9g sum_weights=%.9g\n", data.GetDimensionName(i).c_str(),
                    data.GetLowValue(i), data.GetHighValue(i), values, weights);
    }
}

std::int64_t Records(const std::vector<std::string>& arguments)
{
    return std::atoll(Option(arguments, "--records", std::to_string(DefaultRecordLimit)).c_str());
}

// The root as the workbench opens it (size first, whole or sampled). Null on failure.
std::unique_ptr<TPreProcessedData> OpenRoot(TDatabaseAccess& access, const std::string& tableName, std::int64_t limit,
                                            std::shared_ptr<TDatabaseTable>& table, bool& sampled)
{
    table = access.DescribeTable(tableName);
    if (!table) return nullptr;
    const bool sample = limit > 0 && table->RowCount() > limit;
    bool cancelled = false;
    const std::vector<TColumnRange>* ranges = nullptr;
    if (sample && table->CanPushDown() && !(ranges = table->TableRanges({}, cancelled))) return nullptr;
    auto data = std::make_unique<TPreProcessedData>();
    TDatabaseTable::TRead read;
    if (!table->Load(TLineage(), table->RowCount(), limit, ranges, *data, {}, read, cancelled)) return nullptr;
    sampled = read.Sampled;
    return data;
}

double LoadOnce(const std::string& connection, const std::string& table, std::int64_t limit, bool dump, int& records,
                int& dims)
{
    const double start = NowSeconds();
    TDatabaseAccess access;
    if (!access.Connect(connection)) return -1;
    std::shared_ptr<TDatabaseTable> described;
    bool sampled = false;
    std::unique_ptr<TPreProcessedData> data = OpenRoot(access, table, limit, described, sampled);
    if (!data) return -1;
    const double seconds = NowSeconds() - start;
    records = data->RecordsNumber;
    dims = data->NumberOfDimensions();
    if (dump) Dump(*data);
    return seconds;
}

// One load of the whole table through one plain read; seconds, or a negative value on failure.
double DirectOnce(const std::string& connection, const std::string& table, int& records, int& dims)
{
    const double start = NowSeconds();
    TDatabaseAccess access;
    if (!access.Connect(connection)) return -1;
    std::unique_ptr<TTableSource> source = access.OpenTable(table);
    if (!source) return -1;
    auto data = std::make_unique<TPreProcessedData>();
    if (!data->ReadTable(*source)) return -1;
    const double seconds = NowSeconds() - start;
    records = data->RecordsNumber;
    dims = data->NumberOfDimensions();
    return seconds;
}

// One pass through the table source alone (no dataset): what the Qt SQL side costs.
double ScanOnce(const std::string& connection, const std::string& table, int& records, int& dims)
{
    const double start = NowSeconds();
    TDatabaseAccess access;
    if (!access.Connect(connection)) return -1;
    std::unique_ptr<TTableSource> source = access.OpenTable(table);
    if (!source) return -1;
    dims = source->FieldCount();
    records = 0;
    double sum = 0;
    for (bool more = source->First(); more; more = source->Next()) {
        for (int i = 0; i < dims; ++i) sum += source->IsTextField(i) ? source->AsString(i).size() : source->AsFloat(i);
        ++records;
    }
    if (sum == 12345.678) std::printf(" ");
    return NowSeconds() - start;
}

// One pass of sqlite3_step / sqlite3_column_double over the table.
double ReferenceOnce(const std::string& file, const std::string& table, long long& rows, int& columns, double& sum)
{
    const double start = NowSeconds();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "dbload-reference: %s\n", db ? sqlite3_errmsg(db) : "cannot open");
        sqlite3_close(db);
        return -1;
    }
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "SELECT * FROM " + QuoteIdentifier(table);
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "dbload-reference: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return -1;
    }
    columns = sqlite3_column_count(statement);
    rows = 0;
    sum = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) sum += sqlite3_column_double(statement, c);
        ++rows;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return NowSeconds() - start;
}

int RunLoad(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: lumetra-bench dbload CONNECTION TABLE [--records N] [--runs N] [--dump] [--direct] "
                             "[--scan]\n");
        return 2;
    }
    EnsureApplication();
    std::vector<double> times, cpuTimes;
    const int runs = Runs(arguments);
    for (int run = 0; run < runs; ++run) {
        int records = 0, dims = 0;
        ResetPeakRss();
        const double cpuStart = ProcessCpuSeconds();
        double seconds = -1;
        try {
            if (HasFlag(arguments, "--scan"))
                seconds = ScanOnce(arguments[0], arguments[1], records, dims);
            else if (HasFlag(arguments, "--direct"))
                seconds = DirectOnce(arguments[0], arguments[1], records, dims);
            else
                seconds = LoadOnce(arguments[0], arguments[1], Records(arguments),
                                   HasFlag(arguments, "--dump") && run == runs - 1, records, dims);
        } catch (const std::bad_alloc&) {
            // As the workbench words it; the run failed.
            std::fprintf(stderr, "dbload: Not enough memory to load the table \"%s\".\n", arguments[1].c_str());
            return 1;
        }
        if (seconds < 0) return 1;
        const double cpu = ProcessCpuSeconds() - cpuStart;
        times.push_back(seconds);
        cpuTimes.push_back(cpu);
        std::printf("dbload records=%d dims=%d seconds=%.3f peak_rss_mb=%.1f cpu_seconds=%.3f\n", records, dims,
                    seconds, PeakRssMegabytes(), cpu);
        std::fflush(stdout);
    }
    std::printf("dbload median_seconds=%.3f median_cpu_seconds=%.3f\n", Median(times), Median(cpuTimes));
    return 0;
}

// The root's dimension to brush: --column, or the first numeric one with a range.
int BrushedDimension(const TPreProcessedData& data, const std::vector<std::string>& arguments)
{
    const std::string wanted = Option(arguments, "--column", "");
    for (int i = 0; i < data.NumberOfDimensions(); ++i) {
        if (!wanted.empty() ? data.GetDimensionName(i) == wanted
                            : !data.IsStringDimension(i) && data.GetHighValue(i) > data.GetLowValue(i))
            return i;
    }
    return -1;
}

std::string ParameterText(const TSqlValue& value)
{
    if (value.Type == TSqlValue::TType::Number) {
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", value.Number);
        return text;
    }
    return "'" + value.Text + "'";
}

int RunPipeline(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: lumetra-bench dbpipeline CONNECTION TABLE [--records N] [--runs N] [--dump] "
                             "[--column NAME]\n");
        return 2;
    }
    EnsureApplication();
    const std::int64_t limit = Records(arguments);
    const int runs = Runs(arguments);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        try {
            ResetPeakRss();
            TDatabaseAccess access;
            if (!access.Connect(arguments[0])) return 1;
            std::shared_ptr<TDatabaseTable> table;
            bool rootSampled = false;
            const double rootStart = NowSeconds();
            std::unique_ptr<TPreProcessedData> root = OpenRoot(access, arguments[1], limit, table, rootSampled);
            if (!root) return 1;
            const double rootSeconds = NowSeconds() - rootStart;
            const int dimension = BrushedDimension(*root, arguments);
            if (dimension < 0) {
                std::fprintf(stderr, "dbpipeline: no numeric column to brush\n");
                return 1;
            }
            // A brush over 1 % of the column's range, as a parallel-coordinates brush sets it.
            const TPreProcessedDimension* brushed = root->GetDimension(dimension);
            TPipelineLevel level;
            level.Dimensions.push_back({dimension, brushed->LowValue, brushed->HighValue, brushed->ValueRange, {{0.5f, 0.51f}}});
            const TLineage lineage = TLineage().Then(level);

            const double start = NowSeconds();
            std::int64_t matching = 0;
            bool cancelled = false;
            std::vector<TColumnRange> measured;
            if (rootSampled) {
                if (!table->Measure(lineage, true, matching, &measured, {}, cancelled)) return 1;
            } else {
                for (const TPreProcessedRecord* record : root->ListOfPreprocessedRecords) {
                    const float value = root->Value(dimension, record);
                    matching += value >= 0.5f && value <= 0.51f ? 1 : 0;
                }
            }
            root.reset();  // the workbench keeps the root; here it goes, to measure the pipeline alone
            auto data = std::make_unique<TPreProcessedData>();
            TDatabaseTable::TRead read;
            const bool sampled = limit > 0 && matching > limit;
            if (!table->Load(lineage, matching, limit, sampled && rootSampled ? &measured : nullptr, *data, {}, read,
                             cancelled))
                return 1;
            const double seconds = NowSeconds() - start;
            times.push_back(seconds);
            std::printf("dbpipeline records=%d matching=%lld seconds=%.3f peak_rss_mb=%.1f root_records=%lld "
                        "root_seconds=%.3f\n",
                        data->RecordsNumber, static_cast<long long>(matching), seconds, PeakRssMegabytes(),
                        static_cast<long long>(std::min(limit > 0 ? limit : table->RowCount(), table->RowCount())),
                        rootSeconds);
            if (run == 0) {
                std::string parameters;
                for (const TSqlValue& value : read.Parameters) parameters += (parameters.empty() ? "" : ", ") + ParameterText(value);
                std::printf("dbpipeline where: %s\ndbpipeline parameters: %s\n", read.Statement.c_str(), parameters.c_str());
            }
            if (HasFlag(arguments, "--dump") && run == runs - 1) Dump(*data);
            std::fflush(stdout);
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "dbpipeline: Not enough memory to load the selected records.\n");
            return 1;
        }
    }
    std::printf("dbpipeline median_seconds=%.3f\n", Median(times));
    return 0;
}

int RunReference(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: lumetra-bench dbload-reference SQLITE_FILE TABLE [--runs N]\n");
        return 2;
    }
    std::vector<double> times, cpuTimes;
    for (int run = 0; run < Runs(arguments); ++run) {
        long long rows = 0;
        int columns = 0;
        double sum = 0;
        const double cpuStart = ProcessCpuSeconds();
        const double seconds = ReferenceOnce(arguments[0], arguments[1], rows, columns, sum);
        if (seconds < 0) return 1;
        const double cpu = ProcessCpuSeconds() - cpuStart;
        times.push_back(seconds);
        cpuTimes.push_back(cpu);
        std::printf("dbload-reference rows=%lld columns=%d seconds=%.3f cpu_seconds=%.3f checksum=%g\n", rows, columns,
                    seconds, cpu, sum);
        std::fflush(stdout);
    }
    std::printf("dbload-reference median_seconds=%.3f median_cpu_seconds=%.3f\n", Median(times), Median(cpuTimes));
    return 0;
}

// Writes a table of random numbers (a few columns with repeated values, as real data has).
bool Generate(const std::string& file, long long rows, int columns, const std::string& table)
{
    std::filesystem::remove(file);
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "dbgen: cannot create %s\n", file.c_str());
        sqlite3_close(db);
        return false;
    }
    std::string create = "CREATE TABLE " + QuoteIdentifier(table) + " (";
    std::string insert = "INSERT INTO " + QuoteIdentifier(table) + " VALUES (";
    for (int c = 0; c < columns; ++c) {
        create += (c ? ", " : "") + QuoteIdentifier("c" + std::to_string(c)) + " REAL";
        insert += c ? ", ?" : "?";
    }
    create += ")";
    insert += ")";
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "dbgen: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return false;
    }
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, insert.c_str(), -1, &statement, nullptr);
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> uniform(0.0, 1000.0);
    std::uniform_int_distribution<int> small(0, 40);
    for (long long r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            sqlite3_bind_double(statement, c + 1, c % 3 == 2 ? small(random) : uniform(random));
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return true;
}

// The same kind of table made by PostgreSQL itself: generate_series gives the rows, random()
// (seeded, one process) the values, so no row crosses the connection.
bool GeneratePostgres(const std::string& connection, long long rows, int columns, const std::string& table)
{
    EnsureApplication();
    const TConnectionString parts = ParseConnectionString(connection);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "dbgen");
        db.setHostName(QString::fromStdString(parts.Get({"HOST", "SERVER"})));
        if (!parts.Get({"PORT"}).empty()) db.setPort(std::stoi(parts.Get({"PORT"})));
        db.setDatabaseName(QString::fromStdString(parts.Get({"DATABASE", "DATA SOURCE", "DBNAME"})));
        db.setUserName(QString::fromStdString(parts.Get({"USER ID", "USER", "USERNAME", "UID"})));
        db.setPassword(QString::fromStdString(parts.Get({"PASSWORD", "PWD"})));
        if (!db.open()) {
            std::fprintf(stderr, "dbgen: %s\n", db.lastError().text().toUtf8().constData());
        } else {
            std::string select;
            for (int c = 0; c < columns; ++c)
                select += std::string(c ? ", " : "") +
                          (c % 3 == 2 ? "floor(random() * 41)::float8" : "random() * 1000") + " AS " +
                          QuoteIdentifier("c" + std::to_string(c));
            const std::string statements[] = {
                "SET max_parallel_workers_per_gather = 0",
                "DROP TABLE IF EXISTS " + QuoteIdentifier(table),
                "SELECT setseed(0.42)",
                "CREATE TABLE " + QuoteIdentifier(table) + " AS SELECT " + select + " FROM generate_series(1, " +
                    std::to_string(rows) + ")",
                "ANALYZE " + QuoteIdentifier(table)};
            QSqlQuery query(db);
            ok = true;
            for (const std::string& statement : statements)
                if (!query.exec(QString::fromStdString(statement))) {
                    std::fprintf(stderr, "dbgen: %s\n", query.lastError().text().toUtf8().constData());
                    ok = false;
                    break;
                }
        }
    }
    QSqlDatabase::removeDatabase("dbgen");
    return ok;
}

int RunGenerate(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        std::fprintf(stderr, "usage: lumetra-bench dbgen SQLITE_FILE|CONNECTION [--rows N] [--columns C] [--table NAME]\n");
        return 2;
    }
    const long long rows = std::atoll(Option(arguments, "--rows", "1000000").c_str());
    const int columns = std::atoi(Option(arguments, "--columns", "11").c_str());
    const std::string table = Option(arguments, "--table", "numbers");
    if (rows < 1 || columns < 1) return 2;
    const std::string provider = UpperCase(ParseConnectionString(arguments[0]).Get({"PROVIDER"}));
    const bool postgres = provider == "POSTGRESQL" || provider == "POSTGRES" || provider == "PGSQL" || provider == "QPSQL";
    const double start = NowSeconds();
    if (postgres ? !GeneratePostgres(arguments[0], rows, columns, table) : !Generate(arguments[0], rows, columns, table))
        return 1;
    if (postgres) {
        std::printf("dbgen table=%s rows=%lld columns=%d seconds=%.1f\n", table.c_str(), rows, columns, NowSeconds() - start);
        return 0;
    }
    std::printf("dbgen file=%s table=%s rows=%lld columns=%d\n", arguments[0].c_str(), table.c_str(), rows, columns);
    return 0;
}

int Synthetic(const std::string& scratch)
{
    const std::string file = scratch + "/dbload.sqlite";
    if (!Generate(file, 100000, 11, "numbers")) return 1;
    const std::string runs[] = {"--runs", "3"};
    std::vector<std::string> arguments = {file, "numbers", runs[0], runs[1]};
    const int status = RunReference(arguments);
    arguments[0] = TDatabaseAccess::SqliteConnectionString(file);
    return status | RunLoad(arguments);
}

const bool RegisteredLoad = RegisterBenchCommand(
    {"dbload", "dbload CONNECTION TABLE [--records N] [--runs N] [--dump] [--direct] [--scan]", RunLoad, Synthetic});
const bool RegisteredPipeline = RegisterBenchCommand(
    {"dbpipeline", "dbpipeline CONNECTION TABLE [--records N] [--runs N] [--dump] [--column NAME]", RunPipeline, nullptr});
const bool RegisteredReference = RegisterBenchCommand(
    {"dbload-reference", "dbload-reference SQLITE_FILE TABLE [--runs N]", RunReference, nullptr});
const bool RegisteredGenerate =
    RegisterBenchCommand({"dbgen", "dbgen SQLITE_FILE|CONNECTION [--rows N] [--columns C] [--table NAME]", RunGenerate, nullptr});
} // namespace

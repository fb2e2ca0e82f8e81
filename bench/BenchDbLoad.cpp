// Loading a database table into a dataset, against the least a program can do to read the
// same rows: SQLite's own C interface stepping through them and reading every column as a
// double.
//   lumetra-bench dbload CONNECTION TABLE [--runs N] [--scan]
//     (--scan: only steps through the table source, without building a dataset)
//   lumetra-bench dbload-reference SQLITE_FILE TABLE [--runs N]
//   lumetra-bench dbgen SQLITE_FILE [--rows N] [--columns C] [--table NAME]
#include <QCoreApplication>

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "app/DatabaseAccess.h"
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

// One load through the workbench's own path; seconds, or a negative value on failure.
double LoadOnce(const std::string& connection, const std::string& table, int& records, int& dims)
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
        std::fprintf(stderr, "usage: lumetra-bench dbload CONNECTION TABLE [--runs N]\n");
        return 2;
    }
    EnsureApplication();
    std::vector<double> times, cpuTimes;
    for (int run = 0; run < Runs(arguments); ++run) {
        int records = 0, dims = 0;
        const double cpuStart = ProcessCpuSeconds();
        double seconds = -1;
        try {
            seconds = HasFlag(arguments, "--scan") ? ScanOnce(arguments[0], arguments[1], records, dims)
                                                   : LoadOnce(arguments[0], arguments[1], records, dims);
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

int RunGenerate(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        std::fprintf(stderr, "usage: lumetra-bench dbgen SQLITE_FILE [--rows N] [--columns C] [--table NAME]\n");
        return 2;
    }
    const long long rows = std::atoll(Option(arguments, "--rows", "1000000").c_str());
    const int columns = std::atoi(Option(arguments, "--columns", "11").c_str());
    const std::string table = Option(arguments, "--table", "numbers");
    if (rows < 1 || columns < 1) return 2;
    if (!Generate(arguments[0], rows, columns, table)) return 1;
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

const bool RegisteredLoad = RegisterBenchCommand({"dbload", "dbload CONNECTION TABLE [--runs N]", RunLoad, Synthetic});
const bool RegisteredReference = RegisterBenchCommand(
    {"dbload-reference", "dbload-reference SQLITE_FILE TABLE [--runs N]", RunReference, nullptr});
const bool RegisteredGenerate =
    RegisterBenchCommand({"dbgen", "dbgen SQLITE_FILE [--rows N] [--columns C] [--table NAME]", RunGenerate, nullptr});
} // namespace

// Database access over SQLite files: connection strings, tables, and the datasets read.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/DataPaths.h"
#include "app/DatabaseAccess.h"
#include "data/PreProcessedData.h"
#include "tests/support/MessageRecorder.h"

namespace {
// Runs statements on a database file through a connection of its own (created if missing).
void Execute(const QString& file, const std::vector<std::string>& statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test-writer");
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery query(db);
        for (const std::string& statement : statements)
            ASSERT_TRUE(query.exec(QString::fromStdString(statement)))
                << statement << ": " << query.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase("test-writer");
}

int RowCount(const QString& file, const std::string& table)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "test-reader");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QString::fromStdString("SELECT COUNT(*) FROM \"" + table + "\"")) && query.next())
                count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase("test-reader");
    return count;
}

bool HasText(const TMessageRecorder& recorder, const std::string& part)
{
    for (const auto& m : recorder.Messages)
        if (m.Text.find(part) != std::string::npos) return true;
    return false;
}

// Reads a table into a dataset; false (with messages) when opening or reading fails.
bool Load(TDatabaseAccess& access, const std::string& table, TPreProcessedData& data)
{
    std::unique_ptr<TTableSource> source = access.OpenTable(table);
    return source && data.ReadTable(*source);
}

void ExpectSameDataset(const TPreProcessedData& a, const TPreProcessedData& b)
{
    ASSERT_EQ(a.RecordsNumber, b.RecordsNumber);
    ASSERT_EQ(a.NumberOfDimensions(), b.NumberOfDimensions());
    EXPECT_EQ(a.HasTimeAttribute, b.HasTimeAttribute);
    EXPECT_EQ(a.TimeAttributeIndex, b.TimeAttributeIndex);
    EXPECT_EQ(a.TimeMoment, b.TimeMoment);
    EXPECT_EQ(a.TimeDiscreteRange, b.TimeDiscreteRange);
    for (int i = 0; i < a.NumberOfDimensions(); ++i) {
        EXPECT_EQ(a.GetDimensionName(i), b.GetDimensionName(i));
        EXPECT_EQ(a.GetLowValue(i), b.GetLowValue(i)) << i;
        EXPECT_EQ(a.GetHighValue(i), b.GetHighValue(i)) << i;
        for (int k = 0; k < a.RecordsNumber; ++k) {
            ASSERT_EQ(a.GetCell(i, k).Value(), b.GetCell(i, k).Value()) << "dimension " << i << " record " << k;
            ASSERT_EQ(a.GetCell(i, k).Weight(), b.GetCell(i, k).Weight()) << "dimension " << i << " record " << k;
        }
    }
}

class DatabaseSqlite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        File = Dir.filePath("test.sqlite");
    }
    std::string Connection() const { return TDatabaseAccess::SqliteConnectionString(File.toStdString()); }

    QTemporaryDir Dir;
    QString File;
    TMessageRecorder Recorder;
};
} // namespace

TEST_F(DatabaseSqlite, NumericTableEqualsTextFile)
{
    const char* rows[] = {"1.5 -3 100 0", "2.25 7 100 1", "-0.5 7 250 2", "9.75 0.125 100 3", "3.1 2.7 1e3 4"};
    std::vector<std::string> statements = {
        "CREATE TABLE samples (a REAL, b REAL, c NUMERIC, Time_Attribute_Name INTEGER)"};
    const std::string lumet = Dir.filePath("samples.lumet").toStdString();
    {
        std::ofstream out(lumet);
        out << "#a b c Time_Attribute_Name\n% comment\n";
        for (const char* row : rows) {
            out << row << "\n";
            std::string values = row;
            for (char& ch : values)
                if (ch == ' ') ch = ',';
            statements.push_back("INSERT INTO samples VALUES (" + values + ")");
        }
    }
    Execute(File, statements);

    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    EXPECT_EQ(access.TableNames(), std::vector<std::string>{"samples"});
    TPreProcessedData fromTable, fromFile;
    ASSERT_TRUE(Load(access, "samples", fromTable));
    ASSERT_TRUE(fromFile.ReadTextFile(lumet));
    EXPECT_TRUE(Recorder.Messages.empty());
    ExpectSameDataset(fromTable, fromFile);
    EXPECT_TRUE(fromTable.HasTimeAttribute);
    for (int i = 0; i < fromTable.NumberOfDimensions(); ++i) {
        EXPECT_FALSE(fromTable.IsStringDimension(i)) << i;  // NUMERIC is a number, not text
        EXPECT_TRUE(fromTable.GetDimension(i)->Normalised);
    }
}

TEST_F(DatabaseSqlite, TextColumnsAndNulls)
{
    Execute(File, {"CREATE TABLE t (label TEXT, code VARCHAR(20), same TEXT, x REAL)",
                   "INSERT INTO t VALUES ('abc', 'abc', 'one', 4)",
                   "INSERT INTO t VALUES ('abc', X'E9', 'one', NULL)",  // a byte above 127
                   "INSERT INTO t VALUES ('xyz', NULL, 'one', 8)",
                   "INSERT INTO t VALUES (NULL, 'zz', 'one', -4)"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "t", data));
    ASSERT_EQ(data.RecordsNumber, 4);
    EXPECT_TRUE(data.IsStringDimension(0));
    EXPECT_TRUE(data.IsStringDimension(1));
    EXPECT_FALSE(data.IsStringDimension(3));

    // Raw codes: "abc" 580202, "xyz" higher, NULL the empty text's 0.
    EXPECT_EQ(data.GetCell(0, 0).Value(), data.GetCell(0, 1).Value());
    EXPECT_FLOAT_EQ(data.GetLowValue(0), 0.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(0), static_cast<float>(TPreProcessedDimension::HashText("xyz")));
    EXPECT_EQ(data.GetCell(0, 3).Value(), 0.0f);
    EXPECT_FLOAT_EQ(data.Denormalise(0, data.GetCell(0, 0).Value()), 580202.0f);

    // The byte 0xE9 is -23 as a signed byte: its code is negative and becomes the low value.
    EXPECT_FLOAT_EQ(data.GetLowValue(1), static_cast<float>(TPreProcessedDimension::HashText("\xE9")));
    EXPECT_LT(data.GetLowValue(1), 0.0f);
    EXPECT_EQ(data.GetCell(1, 1).Value(), 0.0f);

    // One distinct text: every cell 0.
    for (int k = 0; k < 4; ++k) EXPECT_EQ(data.GetCell(2, k).Value(), 0.0f);

    // NULL number reads as 0: raw values 4, 0, 8, -4.
    EXPECT_FLOAT_EQ(data.GetLowValue(3), -4.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(3), 8.0f);
    EXPECT_FLOAT_EQ(data.GetCell(3, 1).Value(), 4.0f / 12.0f);
}

TEST_F(DatabaseSqlite, BadConnections)
{
    Execute(File, {"CREATE TABLE t (x REAL)", "INSERT INTO t VALUES (1)"});
    const std::string missing = Dir.filePath("missing.sqlite").toStdString();
    struct TCase {
        std::string Connection;
        std::string MessagePart;
    } cases[] = {
        {TDatabaseAccess::SqliteConnectionString(missing), "missing.sqlite"},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Password=\"hush-hush\";Data Source=x.mdb", "Microsoft.Jet.OLEDB.4.0"},
        {"Provider=QNOSUCHDRIVER;Data Source=x", "QNOSUCHDRIVER"},
        {"Data Source=x;User ID=me", "provider"},
        {"Provider=SQLite", "Data Source"},
        {"Provider=PostgreSQL;Host=127.0.0.1;Port=notaport;Password=hush-hush", "notaport"},
    };
    for (const TCase& c : cases) {
        TMessageRecorder recorder;
        TDatabaseAccess access;
        EXPECT_FALSE(access.Connect(c.Connection)) << c.Connection;
        EXPECT_FALSE(access.IsConnected());
        EXPECT_TRUE(HasText(recorder, c.MessagePart)) << c.Connection;
        EXPECT_FALSE(HasText(recorder, "hush-hush")) << c.Connection;
        EXPECT_TRUE(access.TableNames().empty());
        EXPECT_EQ(access.OpenTable("t"), nullptr);
    }
    // The missing file was not created on the way.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(missing)));
}

TEST_F(DatabaseSqlite, TablesThatCannotBeLoaded)
{
    Execute(File, {"CREATE TABLE t (x REAL, y TEXT)", "INSERT INTO t VALUES (1, 'a')", "INSERT INTO t VALUES (2, 'b')",
                   "CREATE TABLE empty (x REAL)"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    struct TCase {
        std::string Table;
        std::string MessagePart;
    } cases[] = {
        {"nosuchtable", "no such table"},  // the engine's own words
        {"empty", "no rows"},
        {"", "No table"},
        // Attempts to run SQL through the table box: quoted as one name, they name no table.
        {"t; DROP TABLE t", "no such table"},
        {"t\"; DROP TABLE t; --", "no such table"},
        {"\"t\"; DROP TABLE t; --\"", "no such table"},
        {"t WHERE 1=0", "no such table"},
    };
    for (const TCase& c : cases) {
        TMessageRecorder recorder;
        EXPECT_EQ(access.OpenTable(c.Table), nullptr) << c.Table;
        EXPECT_TRUE(HasText(recorder, c.MessagePart)) << c.Table;
    }
    access.Disconnect();
    EXPECT_EQ(RowCount(File, "t"), 2);
}

TEST_F(DatabaseSqlite, FileThatIsNoDatabase)
{
    {
        QFile file(File);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#a b\n1 2\n");
    }
    TDatabaseAccess access;
    // SQLite opens files lazily: the fault shows when the file is first read.
    if (access.Connect(Connection())) {
        EXPECT_TRUE(access.TableNames().empty());
        EXPECT_EQ(access.OpenTable("a"), nullptr);
    }
    EXPECT_TRUE(HasText(Recorder, "not a database")) << (Recorder.Messages.empty() ? "" : Recorder.Messages[0].Text);
}

TEST_F(DatabaseSqlite, NamesAndPathsThatNeedQuoting)
{
    // A path with a semicolon and a quote, and a table name with blanks and a quote.
    QDir(Dir.path()).mkdir("odd; \"dir\"");
    File = Dir.filePath("odd; \"dir\"/my data.sqlite");
    Execute(File, {"CREATE TABLE \"my \"\"odd\"\" table\" (v REAL)", "INSERT INTO \"my \"\"odd\"\" table\" VALUES (3)",
                   "INSERT INTO \"my \"\"odd\"\" table\" VALUES (5)"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection())) << Connection();
    const std::vector<std::string> names = access.TableNames();
    ASSERT_EQ(names, std::vector<std::string>{"my \"odd\" table"});
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, names[0], data));
    EXPECT_EQ(data.RecordsNumber, 2);

    // A bare file path (what the connection box shows after a command-line start) connects too.
    TDatabaseAccess bare;
    EXPECT_TRUE(bare.Connect(File.toStdString()));
    EXPECT_EQ(bare.TableNames(), names);
}

TEST_F(DatabaseSqlite, ReconnectAndSeveralConnections)
{
    Execute(File, {"CREATE TABLE t (x REAL)", "INSERT INTO t VALUES (1)", "INSERT INTO t VALUES (2)"});
    TDatabaseAccess first, second;
    ASSERT_TRUE(first.Connect(Connection()));
    ASSERT_TRUE(second.Connect(TDatabaseAccess::DefaultConnectionString()));
    std::unique_ptr<TTableSource> open = first.OpenTable("t");
    ASSERT_NE(open, nullptr);
    // Connecting again while a table is open keeps the open table readable.
    ASSERT_TRUE(first.Connect(Connection()));
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTable(*open));
    EXPECT_EQ(data.RecordsNumber, 2);
    EXPECT_FALSE(second.TableNames().empty());
    // A failed connect leaves the access disconnected.
    TMessageRecorder recorder;
    EXPECT_FALSE(first.Connect("Provider=SQLite;Data Source=" + Dir.filePath("none.sqlite").toStdString()));
    EXPECT_FALSE(first.IsConnected());
}

// ---- hostile and unusual databases --------------------------------------------------------

TEST_F(DatabaseSqlite, AHugeRowidSizesNoAllocation)
{
    // One row with rowid 2^27 in a wide table: the largest rowid alone would ask for 2^27
    // cells per column.
    std::string columns, values;
    for (int i = 0; i < 500; ++i) {
        columns += (i ? ", c" : "c") + std::to_string(i) + " REAL";
        values += (i ? ", " : "") + std::to_string(i);
    }
    Execute(File, {"CREATE TABLE wide (" + columns + ")", "INSERT INTO wide (rowid, " + std::string("c0") +
                                                                ") VALUES (134217728, 1)",
                   "INSERT INTO wide VALUES (" + values + ")"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    std::unique_ptr<TTableSource> table = access.OpenTable("wide");
    ASSERT_NE(table, nullptr);
    // A stored row takes at least one byte per column: the file proves only a few rows.
    EXPECT_LE(table->RowCountHint(), static_cast<std::int64_t>(QFileInfo(File).size() / 500));
    TPreProcessedData data;
    ASSERT_TRUE(data.ReadTable(*table));
    EXPECT_EQ(data.RecordsNumber, 2);
    EXPECT_LE(data.GetDimension(0)->Values.capacity(), 1000u);
}

TEST_F(DatabaseSqlite, AnEndlessViewLoadsUntilTheUserStopsIt)
{
    Execute(File, {"CREATE TABLE t (x REAL)", "INSERT INTO t VALUES (1)",
                   "CREATE VIEW endless AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT x FROM n",
                   // Its first row comes only after the whole recursion: it never comes.
                   "CREATE VIEW never AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) "
                   "SELECT max(x) AS m FROM n"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    int asked = 0;
    auto stopAfter = [&asked](int calls) {
        asked = 0;
        return [&asked, calls] { return ++asked < calls; };
    };
    {
        std::unique_ptr<TTableSource> table = access.OpenTable("endless", stopAfter(2000));
        ASSERT_NE(table, nullptr);
        TPreProcessedData data;
        EXPECT_FALSE(data.ReadTable(*table));  // stopped: nothing loaded, nothing to say
        EXPECT_TRUE(table->Cancelled());
        EXPECT_EQ(data.NumberOfDimensions(), 0);
        EXPECT_EQ(data.RecordsNumber, 0);
    }
    EXPECT_EQ(access.OpenTable("never", stopAfter(50)), nullptr);
    EXPECT_EQ(asked, 50);
    EXPECT_TRUE(Recorder.Messages.empty()) << Recorder.Messages[0].Text;
    // The connection still serves other tables.
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "t", data));
    EXPECT_EQ(data.RecordsNumber, 1);
}

TEST_F(DatabaseSqlite, DatesStoredAsTextReadAsDaysSince18991230)
{
    Execute(File, {"CREATE TABLE d (day DATE, moment DATETIME, stamp TIMESTAMP, clock TIME, x REAL)",
                   "INSERT INTO d VALUES ('2024-01-15', '2024-01-15 12:00:00', '2024-01-15T06:00:00Z', '18:00', 1)",
                   "INSERT INTO d VALUES ('1899-12-30', '1900-01-01 00:00', '1899-12-31', '00:00:00', 2)",
                   "INSERT INTO d VALUES (NULL, 'soon', 45000, '06:00', 3)"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "d", data));
    ASSERT_EQ(data.RecordsNumber, 3);
    auto raw = [&](int i, int k) { return data.Denormalise(i, data.GetCell(i, k).Value()); };
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(data.IsStringDimension(i)) << i;
    EXPECT_FLOAT_EQ(raw(0, 0), 45306.0f);  // 2024-01-15
    EXPECT_FLOAT_EQ(raw(0, 1), 0.0f);
    EXPECT_FLOAT_EQ(raw(1, 0), 45306.5f);
    EXPECT_FLOAT_EQ(raw(1, 1), 2.0f);
    EXPECT_FLOAT_EQ(raw(1, 2), 0.0f);       // "soon": no date
    EXPECT_FLOAT_EQ(raw(2, 0), 45306.25f);
    EXPECT_FLOAT_EQ(raw(2, 2), 45000.0f);   // a number stays the number
    EXPECT_FLOAT_EQ(raw(3, 0), 0.75f);
    EXPECT_FLOAT_EQ(raw(3, 2), 0.25f);
    EXPECT_EQ(data.LoadNotes, (std::vector<std::string>{"- 1 text of \"moment\" read as 0: no ISO-8601 dates"}));
}

TEST_F(DatabaseSqlite, AViewColumnTakesTheKindOfItsFirstValueThatIsNotNull)
{
    Execute(File, {"CREATE TABLE s (name TEXT, v REAL)", "INSERT INTO s VALUES ('abc', 1)",
                   "INSERT INTO s VALUES ('xyz', 2)", "INSERT INTO s VALUES ('abc', 3)",
                   "CREATE VIEW late AS SELECT CASE WHEN v > 1 THEN name END AS label, v * 2 AS twice, "
                   "NULL AS blank FROM s"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "late", data));
    ASSERT_EQ(data.RecordsNumber, 3);  // the rows read to decide are read again
    EXPECT_TRUE(data.IsStringDimension(0));
    EXPECT_FALSE(data.IsStringDimension(1));
    EXPECT_FALSE(data.IsStringDimension(2));
    auto raw = [&](int i, int k) { return data.Denormalise(i, data.GetCell(i, k).Value()); };
    EXPECT_FLOAT_EQ(raw(0, 0), 0.0f);
    EXPECT_FLOAT_EQ(raw(0, 1), static_cast<float>(TPreProcessedDimension::HashText("xyz")));
    EXPECT_FLOAT_EQ(raw(0, 2), static_cast<float>(TPreProcessedDimension::HashText("abc")));
    EXPECT_FLOAT_EQ(raw(1, 0), 2.0f);
    EXPECT_FLOAT_EQ(raw(1, 2), 6.0f);
}

TEST_F(DatabaseSqlite, AWalDatabaseIsReadWithoutWritingBesideIt)
{
    Execute(File, {"PRAGMA journal_mode=WAL", "CREATE TABLE t (x REAL)", "INSERT INTO t VALUES (1)",
                   "INSERT INTO t VALUES (2)"});
    const QStringList before = QDir(Dir.path()).entryList(QDir::Files);
    ASSERT_EQ(before, QStringList{"test.sqlite"});
    {
        TDatabaseAccess access;
        ASSERT_TRUE(access.Connect(Connection()));
        EXPECT_EQ(access.TableNames(), std::vector<std::string>{"t"});
        TPreProcessedData data;
        ASSERT_TRUE(Load(access, "t", data));
        EXPECT_EQ(data.RecordsNumber, 2);
        EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), before);
    }
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), before);

    // While a writer is at work its rows in the "-wal" file are read too.
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", "test-wal-writer");
        writer.setDatabaseName(File);
        ASSERT_TRUE(writer.open());
        QSqlQuery query(writer);
        ASSERT_TRUE(query.exec("INSERT INTO t VALUES (3)"));
        ASSERT_TRUE(QFileInfo(File + "-wal").size() > 0);
        TDatabaseAccess access;
        ASSERT_TRUE(access.Connect(Connection()));
        TPreProcessedData data;
        ASSERT_TRUE(Load(access, "t", data));
        EXPECT_EQ(data.RecordsNumber, 3);
        EXPECT_FLOAT_EQ(data.GetHighValue(0), 3.0f);
    }
    QSqlDatabase::removeDatabase("test-wal-writer");
}

TEST(DatabaseDefault, CarsTable)
{
    const std::string connection = TDatabaseAccess::DefaultConnectionString();
    EXPECT_NE(connection.find(DataSetPath("Cars.sqlite")), std::string::npos);
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(connection));
    const std::vector<std::string> tables = access.TableNames();
    ASSERT_FALSE(tables.empty());
    EXPECT_EQ(tables[0], "Cars");

    TPreProcessedData fromTable, fromFile;
    ASSERT_TRUE(Load(access, tables[0], fromTable));
    ASSERT_TRUE(fromFile.ReadTextFile(DataSetPath("Cars.lumet")));
    ASSERT_EQ(fromTable.RecordsNumber, fromFile.RecordsNumber);
    ASSERT_EQ(fromTable.NumberOfDimensions(), fromFile.NumberOfDimensions());
    EXPECT_TRUE(fromTable.IsStringDimension(0));  // the car names
    // Every numeric column holds the same values as the text file.
    for (int i = 1; i < fromFile.NumberOfDimensions(); ++i) {
        EXPECT_FALSE(fromTable.IsStringDimension(i));
        EXPECT_EQ(fromTable.GetDimensionName(i), fromFile.GetDimensionName(i));
        EXPECT_EQ(fromTable.GetLowValue(i), fromFile.GetLowValue(i));
        EXPECT_EQ(fromTable.GetHighValue(i), fromFile.GetHighValue(i));
        for (int k = 0; k < fromFile.RecordsNumber; ++k)
            ASSERT_EQ(fromTable.GetCell(i, k).Value(), fromFile.GetCell(i, k).Value());
    }
}

TEST(DatabaseConnectionString, SqliteString)
{
    EXPECT_EQ(TDatabaseAccess::SqliteConnectionString("/data/cars.sqlite"),
              "Provider=SQLite;Data Source=\"/data/cars.sqlite\"");
    EXPECT_EQ(TDatabaseAccess::SqliteConnectionString("/a \"b\".db"), "Provider=SQLite;Data Source=\"/a \"\"b\"\".db\"");
}

// ---- reads that fail or wait ------------------------------------------------------------------

TEST_F(DatabaseSqlite, AReadCutShortByTheEngineSaysHowFarItGot)
{
    // The engine fails at the third row (an integer overflow in the view's expression).
    Execute(File, {"CREATE TABLE t (x INTEGER)", "INSERT INTO t VALUES (1), (2), (3), (4)",
                   "CREATE VIEW failing AS SELECT x, abs(CASE WHEN x = 3 THEN -9223372036854775807 - 1 ELSE x END) AS y "
                   "FROM t"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "failing", data));
    EXPECT_EQ(data.RecordsNumber, 2);  // the rows read whole stay
    ASSERT_EQ(Recorder.Messages.size(), 2u);
    EXPECT_EQ(Recorder.Messages[0].Text, "Data not propperly loaded");
    EXPECT_TRUE(HasText(Recorder, "Only 2 rows were read: the table was not read to its end")) << Recorder.Messages[0].Text;
    EXPECT_TRUE(HasText(Recorder, "integer overflow"));
    ASSERT_EQ(data.LoadNotes.size(), 1u);
    EXPECT_EQ(data.LoadNotes[0].rfind("- Only 2 rows were read: the table was not read to its end (", 0), 0u)
        << data.LoadNotes[0];
}

namespace {
// A second program's connection that holds the write lock of a database file.
class TLockHolder {
public:
    explicit TLockHolder(const QString& file)
    {
        sqlite3_open(file.toUtf8().constData(), &Database);
        sqlite3_exec(Database, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    }
    ~TLockHolder() { Release(); sqlite3_close(Database); }
    void Release() { sqlite3_exec(Database, "COMMIT", nullptr, nullptr, nullptr); }

private:
    sqlite3* Database = nullptr;
};
} // namespace

TEST_F(DatabaseSqlite, ALockedDatabaseIsAwaitedBeforeTheLockIsReported)
{
    Execute(File, {"CREATE TABLE t (x REAL)", "INSERT INTO t VALUES (1), (2)"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Connection()));
    {
        // The other program lets go while the load waits: the load goes on.
        TLockHolder lock(File);
        int asked = 0;
        std::unique_ptr<TTableSource> table = access.OpenTable("t", [&] {
            if (++asked == 5) lock.Release();
            return true;
        });
        ASSERT_NE(table, nullptr) << (Recorder.Messages.empty() ? "" : Recorder.Messages[0].Text);
        EXPECT_GE(asked, 5);
        TPreProcessedData data;
        ASSERT_TRUE(data.ReadTable(*table));
        EXPECT_EQ(data.RecordsNumber, 2);
        EXPECT_TRUE(Recorder.Messages.empty());
    }
    {
        // It does not: after the wait the lock is reported.
        TLockHolder lock(File);
        int asked = 0;
        EXPECT_EQ(access.OpenTable("t", [&] { return ++asked > 0; }), nullptr);
        EXPECT_GT(asked, 10);  // the dialog stayed live meanwhile
        EXPECT_TRUE(HasText(Recorder, "locked by another program"));
    }
    {
        // Cancel ends the wait without a message.
        TLockHolder lock(File);
        TMessageRecorder recorder;
        int asked = 0;
        EXPECT_EQ(access.OpenTable("t", [&] { return ++asked < 3; }), nullptr);
        EXPECT_TRUE(recorder.Messages.empty()) << recorder.Messages[0].Text;
    }
}

TEST(BenchDbLoad, RunningOutOfMemoryIsReportedAndFails)
{
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves terabytes of address space for its shadow memory, so a
    // process under a limit on its address space cannot even start.
    GTEST_SKIP() << "a memory limit cannot be set for a program built with AddressSanitizer";
#endif
    const char* bench = std::getenv("LUMETRA_BENCH");
    if (!bench || !*bench) GTEST_SKIP() << "LUMETRA_BENCH names no benchmark program";
    QTemporaryDir dir;
    const QString file = dir.filePath("endless.sqlite");
    std::string columns;
    for (int i = 0; i < 64; ++i) columns += (i ? ", x AS c" : "x AS c") + std::to_string(i);
    Execute(file, {"CREATE TABLE t (x REAL)",
                   "CREATE VIEW endless AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT " +
                       columns + " FROM n"});
    const std::string command = "ulimit -v 700000; '" + std::string(bench) + "' dbload '" +
                                TDatabaseAccess::SqliteConnectionString(file.toStdString()) +
                                "' endless --runs 1 2>&1; echo \"exit=$?\"";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    pclose(pipe);
    EXPECT_NE(output.find("Not enough memory to load the table \"endless\"."), std::string::npos) << output;
    EXPECT_NE(output.find("exit=1"), std::string::npos) << output;
}

// The exploration tree of a database table on the real engines (SQLite, and a throwaway
// PostgreSQL server started by tools/pg_test_cluster.sh): pipelines asked of the engine hold
// the records the in-memory pipelines hold, samples above the record limit, Cancel.
#include <clocale>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QProgressDialog>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/DatabaseAccess.h"
#include "app/DatabaseTable.h"
#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "data/PreProcessedData.h"
#include "tests/support/MessageRecorder.h"
#include "vis/SelectionsController.h"
#include "vis/SelectionsList.h"
#include "vis/Selectioner.h"

namespace {
const std::string Script = LUMETRA_SOURCE_DIR "/tools/pg_test_cluster.sh";

struct TServer {
    std::string Directory;
    std::map<std::string, std::string> Settings;
    std::string SkipReason;
    bool Running = false;
};

TServer& Server()
{
    static TServer server;
    return server;
}

std::string Run(const std::string& command, int& status)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int code = pclose(pipe);
    status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
    return output;
}

class PostgresEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        TServer& server = Server();
        server.Directory = QDir::tempPath().toStdString() + "/lumetra-pgpipe-" + std::to_string(::getpid());
        int status = 0;
        const std::string output = Run(Script + " start '" + server.Directory + "' 2>&1", status);
        if (status != 0) {
            server.SkipReason = status == 3 ? "PostgreSQL is not installed" : "the test server did not start: " + output;
            return;
        }
        std::istringstream in(output);
        std::string pair;
        while (in >> pair)
            if (const auto eq = pair.find('='); eq != std::string::npos)
                server.Settings[pair.substr(0, eq)] = pair.substr(eq + 1);
        server.Running = true;
    }
    void TearDown() override
    {
        if (Server().Directory.empty()) return;
        int status = 0;
        Run(Script + " stop '" + Server().Directory + "' 2>&1", status);
    }
};

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

std::string Literal(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

std::string Identifier(const std::string& name) { return TSqlDialect::Quote(name); }

enum class TEngine { Sqlite, Postgres };

// One engine: where its database is, how statements run on it, how the workbench connects.
class TEngineDatabase {
public:
    explicit TEngineDatabase(TEngine engine) : Engine(engine)
    {
        if (Engine == TEngine::Sqlite) File = Dir.filePath("pipeline.sqlite");
    }
    bool Available(std::string& why) const
    {
        if (Engine == TEngine::Sqlite) return true;
        if (!Server().Running) {
            why = Server().SkipReason;
            return false;
        }
        if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
            why = "Qt's PostgreSQL driver is not installed";
            return false;
        }
        return true;
    }
    std::string Connection(const std::string& extra = {}) const
    {
        if (Engine == TEngine::Sqlite) return TDatabaseAccess::SqliteConnectionString(File.toStdString()) + extra;
        const TServer& s = Server();
        return "Provider=PostgreSQL;Host=127.0.0.1;Port=" + s.Settings.at("port") + ";Database=" +
               s.Settings.at("database") + ";User ID=" + s.Settings.at("user") + ";Password=\"" +
               s.Settings.at("password") + "\"" + extra;
    }
    void Execute(const std::vector<std::string>& statements) const
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(Engine == TEngine::Sqlite ? "QSQLITE" : "QPSQL", "writer");
            if (Engine == TEngine::Sqlite) {
                db.setDatabaseName(File);
            } else {
                const TServer& s = Server();
                db.setHostName("127.0.0.1");
                db.setPort(std::stoi(s.Settings.at("port")));
                db.setDatabaseName(QString::fromStdString(s.Settings.at("database")));
                db.setUserName(QString::fromStdString(s.Settings.at("user")));
                db.setPassword(QString::fromStdString(s.Settings.at("password")));
            }
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery query(db);
            for (const std::string& statement : statements)
                ASSERT_TRUE(query.exec(QString::fromStdString(statement)))
                    << statement << ": " << query.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase("writer");
    }
    const char* DateType() const { return Engine == TEngine::Sqlite ? "DATE" : "date"; }
    const char* RealType() const { return Engine == TEngine::Sqlite ? "REAL" : "double precision"; }

    TEngine Engine;
    QTemporaryDir Dir;
    QString File;
};

std::string EngineName(const ::testing::TestParamInfo<TEngine>& info)
{
    return info.param == TEngine::Sqlite ? "Sqlite" : "Postgres";
}

// Texts that must reach the engine as values, never as SQL.
const std::vector<std::string> HostileTexts = {"plain", "it's", "a; DROP TABLE x; --", "SELECT * FROM t", "\"quoted\"",
                                               "OR 1=1", "zeta", ""};

// A table of `rows` rows: a row number, numbers with repeats and NULLs, a text column with
// hostile texts and NULLs, dates with NULLs.
std::vector<std::string> TableStatements(const TEngineDatabase& db, const std::string& table, int rows)
{
    const std::string name = Identifier(table);
    std::vector<std::string> statements = {
        "DROP TABLE IF EXISTS " + name,
        "CREATE TABLE " + name + " (id integer, a " + db.RealType() + ", b integer, " + Identifier("we\"ird; name") +
            " text, day " + db.DateType() + ", v " + db.RealType() + ")"};
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::string values;
    for (int k = 1; k <= rows; ++k) {
        const double a = static_cast<double>(next() % 100000) / 100.0 - 200.0;
        const int b = static_cast<int>(next() % 10);
        const std::uint32_t t = next() % 10;
        const std::string text = t < HostileTexts.size() ? Literal(HostileTexts[t]) : "NULL";
        const std::uint32_t d = next() % 400;
        char day[32];
        std::snprintf(day, sizeof day, "'%04d-%02d-%02d'", 2020 + static_cast<int>(d / 336),
                      1 + static_cast<int>(d / 28) % 12, 1 + static_cast<int>(d % 28));
        const std::string dayValue = d % 17 == 0 ? "NULL" : day;
        const std::string v = k % 11 == 0 ? "NULL" : std::to_string((next() % 1000) * 0.25);
        values += (values.empty() ? "" : ", ") + std::string("(") + std::to_string(k) + ", " + std::to_string(a) + ", " +
                  std::to_string(b) + ", " + text + ", " + dayValue + ", " + v + ")";
        if (k % 200 == 0 || k == rows) {
            statements.push_back("INSERT INTO " + name + " VALUES " + values);
            values.clear();
        }
    }
    return statements;
}

struct TBrush {
    int Dimension;
    float Min, Max;
};

void Brush(TFormVisWorkspace* workspace, const std::vector<TBrush>& brushes, ENUM_logicOperations logic)
{
    TSelectionsController* controller = workspace->SelectionsController();
    controller->RemoveAllSelections();
    controller->LogicOperation = logic;
    for (const TBrush& brush : brushes) {
        TSelectionsList* list = controller->GetSelectionsList(brush.Dimension);
        auto selection = std::make_unique<TSelectioner>();
        selection->Attach(workspace->Data(), brush.Dimension);
        selection->SetNormalizedRange(brush.Min, brush.Max);
        selection->MinValue = workspace->Data()->Denormalise(brush.Dimension, brush.Min);
        selection->MaxValue = workspace->Data()->Denormalise(brush.Dimension, brush.Max);
        list->SetFocus(list->Add(std::move(selection)));
    }
}

// Record for record (by the row number in dimension 0), value for value.
void ExpectSameRecords(const TPreProcessedData& pushed, const TPreProcessedData& memory, const std::string& what)
{
    ASSERT_EQ(pushed.RecordsNumber, memory.RecordsNumber) << what;
    ASSERT_EQ(pushed.NumberOfDimensions(), memory.NumberOfDimensions()) << what;
    for (int i = 0; i < memory.NumberOfDimensions(); ++i) {
        const float scale = std::max(1.0f, std::fabs(memory.GetHighValue(i)) + std::fabs(memory.GetLowValue(i)));
        EXPECT_NEAR(pushed.GetLowValue(i), memory.GetLowValue(i), 1e-5f * scale) << what << " dimension " << i;
        EXPECT_NEAR(pushed.GetHighValue(i), memory.GetHighValue(i), 1e-5f * scale) << what << " dimension " << i;
        EXPECT_EQ(pushed.IsStringDimension(i), memory.IsStringDimension(i));
    }
    for (int k = 0; k < memory.RecordsNumber; ++k) {
        ASSERT_EQ(std::lround(pushed.Denormalise(0, pushed.GetCell(0, k).Value())),
                  std::lround(memory.Denormalise(0, memory.GetCell(0, k).Value())))
            << what << " record " << k;
        for (int i = 1; i < memory.NumberOfDimensions(); ++i)
            ASSERT_NEAR(pushed.GetCell(i, k).Value(), memory.GetCell(i, k).Value(), 2e-5f)
                << what << " record " << k << " dimension " << i;
    }
    EXPECT_EQ(pushed.HasTimeAttribute, memory.HasTimeAttribute);
    EXPECT_EQ(pushed.TimeMoment, memory.TimeMoment);
}

class DatabasePipeline : public ::testing::TestWithParam<TEngine> {
protected:
    void SetUp() override
    {
        Db = std::make_unique<TEngineDatabase>(GetParam());
        std::string why;
        if (!Db->Available(why)) GTEST_SKIP() << why;
    }
    // A free workspace (no main window) holding the root of `table`.
    std::unique_ptr<TFormVisWorkspace> Root(TDatabaseAccess& access, const std::string& table, std::int64_t limit)
    {
        std::shared_ptr<TDatabaseTable> described = access.DescribeTable(table);
        if (!described) return nullptr;
        auto workspace = std::make_unique<TFormVisWorkspace>(nullptr);
        if (!workspace->LoadFromDatabaseTable(described, limit)) return nullptr;
        return workspace;
    }
    std::string AllMessages() const
    {
        std::string text;
        for (const auto& m : Recorder.Messages) text += m.Text + "\n";
        return text;
    }

    std::unique_ptr<TEngineDatabase> Db;
    TMessageRecorder Recorder;
};
} // namespace

TEST_P(DatabasePipeline, PushedDownPipelinesHoldWhatInMemoryPipelinesHold)
{
    const std::string table = "t\"; DROP TABLE t; -- SELECT";
    Db->Execute(TableStatements(*Db, table, 600));
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Db->Connection())) << AllMessages();
    std::unique_ptr<TFormVisWorkspace> root = Root(access, table, 1000000);
    ASSERT_NE(root, nullptr) << AllMessages();
    ASSERT_EQ(root->Data()->RecordsNumber, 600);
    ASSERT_NE(root->TableBacking(), nullptr);
    EXPECT_TRUE(root->TableBacking()->Whole);
    EXPECT_EQ(root->WhereClause(), "- SELECT * FROM " + table);
    EXPECT_TRUE(root->Data()->IsStringDimension(3));

    // Dimensions: 0 id, 1 a, 2 b, 3 text, 4 day, 5 v (NULL every eleventh row).
    struct TCase {
        const char* Name;
        ENUM_logicOperations Logic;
        std::vector<TBrush> Brushes;
        std::vector<TBrush> Second;  // a pipeline of the pipeline (AND)
    } cases[] = {
        {"one brush", loAND, {{1, 0.2137f, 0.6143f}}, {}},
        {"AND of two", loAND, {{1, 0.1093f, 0.7781f}, {2, 0.3f, 0.7f}}, {}},
        {"OR of two", loOR, {{1, 0.0f, 0.1234f}, {5, 0.8123f, 1.0f}}, {}},
        {"XOR of three", loXOR, {{1, 0.1f, 0.5577f}, {2, 0.0f, 0.45f}, {4, 0.3319f, 0.9f}}, {}},
        {"several on one dimension", loAND, {{1, 0.0f, 0.1519f}, {1, 0.4391f, 0.5021f}, {1, 0.9f, 1.0f}, {2, 0.2f, 1.0f}}, {}},
        {"range ends", loOR, {{1, 0.0f, 0.0f}, {1, 1.0f, 1.0f}, {5, 0.0f, 0.0f}, {2, 1.0f, 1.0f}}, {}},
        {"text brush", loAND, {{3, 0.05f, 0.8f}}, {}},
        {"text and NULL numbers", loAND, {{3, 0.0f, 0.3f}, {5, 0.0f, 0.5f}}, {}},
        {"dates", loAND, {{4, 0.2467f, 0.7319f}}, {}},
        {"NULL dates", loOR, {{4, 0.0f, 0.0f}}, {}},
        {"pipeline of a pipeline", loAND, {{1, 0.1093f, 0.8781f}}, {{2, 0.3f, 0.8f}, {5, 0.2213f, 0.9113f}}},
    };
    for (const TCase& c : cases)
        for (const bool fullDomain : {false, true}) {
            const std::string what = std::string(c.Name) + (fullDomain ? " (full domain)" : " (partial domain)");
            Brush(root.get(), c.Brushes, c.Logic);
            auto memory = std::make_unique<TFormVisWorkspace>(nullptr);
            auto pushed = std::make_unique<TFormVisWorkspace>(nullptr);
            const bool inMemory = memory->LoadFromSelection(root->SelectionsController(), root->Data(), fullDomain);
            const bool onEngine = pushed->LoadPipeline(root.get(), root->SelectionsController(), root->Data(), fullDomain);
            ASSERT_EQ(onEngine, inMemory) << what << AllMessages();
            if (!inMemory) continue;
            ASSERT_NE(pushed->TableBacking(), nullptr) << what;
            ExpectSameRecords(*pushed->Data(), *memory->Data(), what);
            {
                // The engine's WHERE alone, without the client's test, counts the same rows.
                TDatabaseTable& engine = *root->TableBacking()->Table;
                const TLineage lineage = TLineage().Then(LevelOfSelections(*root->SelectionsController(), *root->Data()));
                std::int64_t count = -1;
                bool cancelled = false;
                ASSERT_TRUE(engine.Measure(lineage, false, count, nullptr, {}, cancelled)) << what;
                EXPECT_EQ(count, memory->Data()->RecordsNumber) << what;
                const TWhere where = BuildWhere(lineage, engine.Columns(), engine.Dialect(),
                                                [&engine](int column) { return engine.DistinctTexts(column, {}); });
                EXPECT_FALSE(where.Sql.empty()) << what;
                for (const TSqlValue& value : where.Parameters)
                    EXPECT_EQ(where.Sql.find(value.Text.empty() ? std::string("\x01") : value.Text), std::string::npos)
                        << what << ": a value was written into the statement";
            }
            EXPECT_EQ(pushed->WhereClause(), memory->WhereClause()) << what;
            if (c.Second.empty()) continue;
            Brush(memory.get(), c.Second, loAND);
            Brush(pushed.get(), c.Second, loAND);
            TFormVisWorkspace memoryChild(nullptr), pushedChild(nullptr);
            ASSERT_EQ(pushedChild.LoadPipeline(pushed.get(), pushed->SelectionsController(), pushed->Data(), fullDomain),
                      memoryChild.LoadFromSelection(memory->SelectionsController(), memory->Data(), fullDomain));
            if (memoryChild.Data()) ExpectSameRecords(*pushedChild.Data(), *memoryChild.Data(), what + ", second level");
        }
    // A case whose brushes hold no record is told so by both workspaces, and nothing else.
    for (const auto& m : Recorder.Messages)
        EXPECT_EQ(m.Text, "No records satisfy the selections: there is nothing to pipeline") << AllMessages();
}

namespace {
// Row numbers (dimension 0) of a dataset, in record order.
std::vector<long> RowNumbers(const TPreProcessedData& data)
{
    std::vector<long> ids;
    for (int k = 0; k < data.RecordsNumber; ++k) ids.push_back(std::lround(data.Denormalise(0, data.GetCell(0, k).Value())));
    return ids;
}

std::vector<std::string> NumberedRows(const TEngineDatabase& db, const std::string& table, int rows)
{
    std::vector<std::string> statements = {"DROP TABLE IF EXISTS " + table,
                                           "CREATE TABLE " + table + " (id integer, x " + std::string(db.RealType()) + ")"};
    std::string values;
    for (int k = 1; k <= rows; ++k) {
        values += (values.empty() ? "(" : ", (") + std::to_string(k) + ", " + std::to_string(k * 1.5) + ")";
        if (k % 500 == 0 || k == rows) {
            statements.push_back("INSERT INTO " + table + " VALUES " + values);
            values.clear();
        }
    }
    return statements;
}
} // namespace

TEST_P(DatabasePipeline, ARootAboveTheLimitIsAnEvenSampleInTableOrderOnTheTablesScale)
{
    Db->Execute(NumberedRows(*Db, "numbered", 10000));
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Db->Connection(";Records=1000")));
    EXPECT_EQ(access.RecordLimit(), 1000);
    std::unique_ptr<TFormVisWorkspace> root = Root(access, "numbered", access.RecordLimit());
    ASSERT_NE(root, nullptr) << AllMessages();
    const TPreProcessedData& data = *root->Data();
    const bool exact = GetParam() == TEngine::Sqlite;  // PostgreSQL's Bernoulli sample is about that size
    if (exact)
        EXPECT_EQ(data.RecordsNumber, 1000);
    else
        EXPECT_NEAR(data.RecordsNumber, 1000, 150);
    EXPECT_FALSE(root->TableBacking()->Whole);
    EXPECT_EQ(root->WhereClause(),
              "- SELECT * FROM numbered\n- Sample of " + GroupedCount(data.RecordsNumber) + " of 10,000 records");

    const std::vector<long> ids = RowNumbers(data);
    for (std::size_t k = 1; k < ids.size(); ++k) ASSERT_LT(ids[k - 1], ids[k]) << "table order at " << k;
    // The whole table's ranges, though the sample hardly holds the first and the last row.
    EXPECT_FLOAT_EQ(data.GetLowValue(0), 1.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(0), 10000.0f);
    EXPECT_FLOAT_EQ(data.GetLowValue(1), 1.5f);
    EXPECT_FLOAT_EQ(data.GetHighValue(1), 15000.0f);
    // Even cover: ten bins of the row numbers, a chi-square test at the 0.1 % level.
    std::vector<double> bins(10, 0.0);
    for (const long id : ids) bins[static_cast<std::size_t>((id - 1) / 1000)] += 1;
    double chi = 0;
    for (const double count : bins) {
        const double expected = static_cast<double>(ids.size()) / 10;
        chi += (count - expected) * (count - expected) / expected;
    }
    EXPECT_LT(chi, 27.88) << "bins far from even";

    // The same table and limit give the same sample.
    std::unique_ptr<TFormVisWorkspace> again = Root(access, "numbered", 1000);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(RowNumbers(*again->Data()), ids);

    // A pipeline of a brush holding fewer rows than the limit holds every one of them, from
    // the whole table; one holding more is a sample of them again.
    Brush(root.get(), {{1, 0.25f, 0.30f}}, loAND);
    TFormVisWorkspace exactChild(nullptr);
    ASSERT_TRUE(exactChild.LoadPipeline(root.get(), root->SelectionsController(), root->Data(), true));
    std::vector<long> expected;
    for (long id = 1; id <= 10000; ++id) {
        const float value = NormalisedValue(static_cast<float>(id * 1.5), 1.5f, 15000.0f, 15000.0f - 1.5f);
        if (0.25f <= value && value <= 0.30f) expected.push_back(id);
    }
    EXPECT_EQ(RowNumbers(*exactChild.Data()), expected);
    EXPECT_TRUE(exactChild.TableBacking()->Whole);

    Brush(root.get(), {{1, 0.5f, 1.0f}}, loAND);
    TFormVisWorkspace sampledChild(nullptr);
    ASSERT_TRUE(sampledChild.LoadPipeline(root.get(), root->SelectionsController(), root->Data(), false));
    const TPreProcessedData& child = *sampledChild.Data();
    if (exact)
        EXPECT_EQ(child.RecordsNumber, 1000);
    else
        EXPECT_NEAR(child.RecordsNumber, 1000, 150);
    EXPECT_FALSE(sampledChild.TableBacking()->Whole);
    long first = 0, matching = 0;
    for (long id = 1; id <= 10000; ++id)
        if (NormalisedValue(static_cast<float>(id * 1.5), 1.5f, 15000.0f, 15000.0f - 1.5f) >= 0.5f) {
            if (!first) first = id;
            ++matching;
        }
    ASSERT_FALSE(child.LoadNotes.empty());
    EXPECT_EQ(child.LoadNotes[0],
              "- Sample of " + GroupedCount(child.RecordsNumber) + " of " + GroupedCount(matching) + " matching records");
    for (const long id : RowNumbers(child)) ASSERT_GE(id, first);
    // Partial domain over every matching row, not over the sample's.
    EXPECT_FLOAT_EQ(child.GetLowValue(1), static_cast<float>(first * 1.5));
    EXPECT_FLOAT_EQ(child.GetHighValue(1), 15000.0f);
    EXPECT_TRUE(Recorder.Messages.empty()) << AllMessages();

    // 0: never sampled.
    std::unique_ptr<TFormVisWorkspace> whole = Root(access, "numbered", 0);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->Data()->RecordsNumber, 10000);
}

TEST_P(DatabasePipeline, CancelStopsTheEnginePromptlyAndLeavesNoWorkspace)
{
    if (GetParam() == TEngine::Sqlite)
        Db->Execute({"CREATE VIEW slow AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) "
                     "SELECT max(x) AS m FROM n"});
    else
        Db->Execute({"DROP VIEW IF EXISTS slow", "CREATE VIEW slow AS SELECT 1 AS m FROM pg_sleep(60)"});
    TFormVisualizationTree main;
    main.findChild<QComboBox*>("ComboBoxSelectDB")->setEditText(QString::fromStdString(Db->Connection()));
    main.findChild<QComboBox*>("ComboBoxSelectTable")->setEditText("slow");
    // The dialog appears after half a second; Cancel is pressed a second later.
    QTimer::singleShot(1500, [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(widget)) dialog->cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    main.ButtonGoClick();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20.0);  // the engine's query was stopped, not waited for
    EXPECT_EQ(main.VisTree(), nullptr);
    EXPECT_TRUE(Recorder.Messages.empty()) << AllMessages();
}

INSTANTIATE_TEST_SUITE_P(Engines, DatabasePipeline, ::testing::Values(TEngine::Sqlite, TEngine::Postgres), EngineName);

TEST_P(DatabasePipeline, TheTablesRangesLeaveNaNOutAndHoldTheZeroItReadsAs)
{
    if (GetParam() != TEngine::Postgres) GTEST_SKIP() << "SQLite stores no NaN";
    std::vector<std::string> statements = {"DROP TABLE IF EXISTS nans", "CREATE TABLE nans (id integer, x double precision)"};
    std::string values;
    for (int k = 1; k <= 3000; ++k)
        values += (values.empty() ? "(" : ", (") + std::to_string(k) + ", " +
                  (k % 7 == 0 ? std::string("'NaN'") : k % 13 == 0 ? std::string("NULL") : std::to_string(k + 100)) + ")";
    statements.push_back("INSERT INTO nans VALUES " + values);
    Db->Execute(statements);
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Db->Connection()));
    std::unique_ptr<TFormVisWorkspace> root = Root(access, "nans", 500);
    ASSERT_NE(root, nullptr) << AllMessages();
    EXPECT_FALSE(root->TableBacking()->Whole);
    EXPECT_FLOAT_EQ(root->Data()->GetLowValue(1), 0.0f);
    EXPECT_FLOAT_EQ(root->Data()->GetHighValue(1), 3100.0f);
    for (int k = 0; k < root->Data()->RecordsNumber; ++k) {
        const float value = root->Data()->GetCell(1, k).Value();
        ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << k;
    }
}

// Bounds sent to the engine are numbers in the engine's own notation, whatever decimal
// separator the C library's locale (which Qt sets from the environment) would write.
TEST_P(DatabasePipeline, APushedDownPipelineHoldsTheSameRecordsUnderACommaLocale)
{
    const std::string table = "comma";
    Db->Execute(TableStatements(*Db, table, 300));  // written in the C locale
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (tools/dev.sh test generates it)";
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(Db->Connection())) << AllMessages();
    std::unique_ptr<TFormVisWorkspace> root = Root(access, table, 1000000);
    ASSERT_NE(root, nullptr) << AllMessages();
    Brush(root.get(), {{1, 0.2137f, 0.6143f}, {4, 0.2467f, 0.7319f}}, loOR);
    TFormVisWorkspace memory(nullptr), pushed(nullptr);
    const bool inMemory = memory.LoadFromSelection(root->SelectionsController(), root->Data(), false);
    const bool onEngine = pushed.LoadPipeline(root.get(), root->SelectionsController(), root->Data(), false);
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_TRUE(inMemory) << AllMessages();
    ASSERT_TRUE(onEngine) << AllMessages();
    ExpectSameRecords(*pushed.Data(), *memory.Data(), "comma locale");
}

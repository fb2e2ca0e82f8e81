// Database access against a real PostgreSQL server: a throwaway cluster that this test
// starts on the loopback address (tools/pg_test_cluster.sh) and stops at the end.
#include <gtest/gtest.h>

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/DatabaseAccess.h"
#include "data/PreProcessedData.h"
#include "tests/support/MessageRecorder.h"

namespace {
const std::string Script = LUMETRA_SOURCE_DIR "/tools/pg_test_cluster.sh";

struct TServer {
    std::string Directory;
    std::map<std::string, std::string> Settings;  // port, user, password, database
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
        server.Directory = QDir::tempPath().toStdString() + "/lumetra-pg-" + std::to_string(::getpid());
        int status = 0;
        const std::string output = Run(Script + " start '" + server.Directory + "' 2>&1", status);
        if (status == 3) {
            server.SkipReason = "PostgreSQL is not installed";
            return;
        }
        if (status != 0) {
            server.SkipReason = "the test server did not start: " + output;
            return;
        }
        std::istringstream in(output);
        std::string pair;
        while (in >> pair) {
            const auto eq = pair.find('=');
            if (eq != std::string::npos) server.Settings[pair.substr(0, eq)] = pair.substr(eq + 1);
        }
        server.Running = true;
    }
    void TearDown() override
    {
        TServer& server = Server();
        if (server.Directory.empty()) return;
        int status = 0;
        Run(Script + " stop '" + server.Directory + "' 2>&1", status);
    }
};

const auto* const Environment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

std::string ConnectionString(const std::string& password, const std::string& port = "")
{
    const TServer& s = Server();
    return "Provider=PostgreSQL;Host=127.0.0.1;Port=" + (port.empty() ? s.Settings.at("port") : port) +
           ";Database=" + s.Settings.at("database") + ";User ID=" + s.Settings.at("user") + ";Password=\"" +
           password + "\"";
}

bool HasText(const TMessageRecorder& recorder, const std::string& part)
{
    for (const auto& m : recorder.Messages)
        if (m.Text.find(part) != std::string::npos) return true;
    return false;
}

std::string AllText(const TMessageRecorder& recorder)
{
    std::string text;
    for (const auto& m : recorder.Messages) text += m.Title + ": " + m.Text + "\n";
    return text;
}

class DatabasePostgres : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Server().Running) GTEST_SKIP() << Server().SkipReason;
        if (!QSqlDatabase::isDriverAvailable("QPSQL")) GTEST_SKIP() << "Qt's PostgreSQL driver is not installed";
    }
    // Runs statements through a connection of the test's own.
    void Execute(const std::vector<std::string>& statements)
    {
        {
            const TServer& s = Server();
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "pg-writer");
            db.setHostName("127.0.0.1");
            db.setPort(std::stoi(s.Settings.at("port")));
            db.setDatabaseName(QString::fromStdString(s.Settings.at("database")));
            db.setUserName(QString::fromStdString(s.Settings.at("user")));
            db.setPassword(QString::fromStdString(s.Settings.at("password")));
            ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
            QSqlQuery query(db);
            for (const std::string& statement : statements)
                ASSERT_TRUE(query.exec(QString::fromStdString(statement)))
                    << statement << ": " << query.lastError().text().toStdString();
        }
        QSqlDatabase::removeDatabase("pg-writer");
    }
    bool Load(TDatabaseAccess& access, const std::string& table, TPreProcessedData& data)
    {
        std::unique_ptr<TTableSource> source = access.OpenTable(table);
        return source && data.ReadTable(*source);
    }
    TMessageRecorder Recorder;
};
} // namespace

TEST_F(DatabasePostgres, NumericTableEqualsTextFile)
{
    const char* rows[] = {"1.5 -3 100 0", "2.25 7 100 1", "-0.5 7 250 2", "9.75 0.125 100 3", "3.1 2.7 1e3 4"};
    std::vector<std::string> statements = {
        "DROP TABLE IF EXISTS samples",
        "CREATE TABLE samples (a double precision, b real, c numeric, \"TIME_attribute_name\" integer)"};
    QTemporaryDir dir;
    const std::string lumet = dir.filePath("samples.lumet").toStdString();
    {
        std::ofstream out(lumet);
        out << "#a b c TIME_attribute_name\n";
        for (const char* row : rows) {
            out << row << "\n";
            std::string values = row;
            for (char& ch : values)
                if (ch == ' ') ch = ',';
            statements.push_back("INSERT INTO samples VALUES (" + values + ")");
        }
    }
    Execute(statements);

    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(ConnectionString(Server().Settings.at("password")))) << AllText(Recorder);
    const std::vector<std::string> tables = access.TableNames();
    EXPECT_NE(std::find(tables.begin(), tables.end(), "samples"), tables.end());
    TPreProcessedData fromTable, fromFile;
    ASSERT_TRUE(Load(access, "samples", fromTable)) << AllText(Recorder);
    ASSERT_TRUE(fromFile.ReadTextFile(lumet));
    ASSERT_EQ(fromTable.RecordsNumber, fromFile.RecordsNumber);
    ASSERT_EQ(fromTable.NumberOfDimensions(), fromFile.NumberOfDimensions());
    EXPECT_TRUE(fromTable.HasTimeAttribute);
    EXPECT_EQ(fromTable.TimeAttributeIndex, 3);
    for (int i = 0; i < fromFile.NumberOfDimensions(); ++i) {
        EXPECT_FALSE(fromTable.IsStringDimension(i)) << i;
        EXPECT_EQ(fromTable.GetLowValue(i), fromFile.GetLowValue(i)) << i;
        EXPECT_EQ(fromTable.GetHighValue(i), fromFile.GetHighValue(i)) << i;
        for (int k = 0; k < fromFile.RecordsNumber; ++k) {
            EXPECT_EQ(fromTable.GetCell(i, k).Value(), fromFile.GetCell(i, k).Value()) << i << "," << k;
            EXPECT_EQ(fromTable.GetCell(i, k).Weight(), fromFile.GetCell(i, k).Weight()) << i << "," << k;
        }
    }
    EXPECT_TRUE(Recorder.Messages.empty()) << AllText(Recorder);
}

TEST_F(DatabasePostgres, TextColumnsNullsAndSchemas)
{
    Execute({"DROP TABLE IF EXISTS words", "DROP SCHEMA IF EXISTS other CASCADE",
             "CREATE TABLE words (w text, v varchar(10), x integer)", "INSERT INTO words VALUES ('abc', 'abc', 1)",
             "INSERT INTO words VALUES ('abc', NULL, NULL)", "INSERT INTO words VALUES (NULL, 'xyz', 3)",
             "CREATE SCHEMA other", "CREATE TABLE other.kept (v real)", "INSERT INTO other.kept VALUES (2), (4)"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(ConnectionString(Server().Settings.at("password"))));
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "words", data)) << AllText(Recorder);
    ASSERT_EQ(data.RecordsNumber, 3);
    EXPECT_TRUE(data.IsStringDimension(0));
    EXPECT_TRUE(data.IsStringDimension(1));
    EXPECT_FALSE(data.IsStringDimension(2));
    EXPECT_EQ(data.GetCell(0, 0).Value(), data.GetCell(0, 1).Value());
    EXPECT_FLOAT_EQ(data.GetHighValue(0), 580202.0f);
    EXPECT_EQ(data.GetCell(0, 2).Value(), 0.0f);  // NULL text: the empty text's code
    EXPECT_EQ(data.GetCell(1, 1).Value(), 0.0f);
    EXPECT_FLOAT_EQ(data.GetLowValue(2), 0.0f);   // NULL number: 0
    EXPECT_FLOAT_EQ(data.GetCell(2, 0).Value(), 1.0f / 3.0f);

    // Tables outside the public schema are listed as schema.table and load under that name.
    const std::vector<std::string> tables = access.TableNames();
    ASSERT_NE(std::find(tables.begin(), tables.end(), "other.kept"), tables.end());
    TPreProcessedData kept;
    ASSERT_TRUE(Load(access, "other.kept", kept)) << AllText(Recorder);
    EXPECT_EQ(kept.RecordsNumber, 2);
}

TEST_F(DatabasePostgres, TablesThatCannotBeLoaded)
{
    Execute({"DROP TABLE IF EXISTS t", "DROP TABLE IF EXISTS empty", "DROP TABLE IF EXISTS nocolumns",
             "CREATE TABLE t (x integer)", "INSERT INTO t VALUES (1), (2)", "CREATE TABLE empty (x integer)",
             "CREATE TABLE nocolumns ()"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(ConnectionString(Server().Settings.at("password"))));
    struct TCase {
        std::string Table;
        std::string MessagePart;
    } cases[] = {
        {"nosuchtable", "does not exist"},  // the engine's own words
        {"empty", "no rows"},
        {"nocolumns", "no columns"},
        {"t; DROP TABLE t", "does not exist"},
        {"\"t\"; DROP TABLE t; --\"", "does not exist"},
        {"t\"; DROP TABLE t; --", "does not exist"},
    };
    for (const TCase& c : cases) {
        TMessageRecorder recorder;
        EXPECT_EQ(access.OpenTable(c.Table), nullptr) << c.Table;
        EXPECT_TRUE(HasText(recorder, c.MessagePart)) << c.Table << ": " << AllText(recorder);
    }
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "t", data)) << "the table survived";
    EXPECT_EQ(data.RecordsNumber, 2);
}

TEST_F(DatabasePostgres, RefusedConnectionAndWrongPassword)
{
    const std::string password = Server().Settings.at("password");
    struct TCase {
        std::string Connection;
        std::string Secret;
        std::string MessagePart;
    } cases[] = {
        // Port 1 is privileged and nothing listens there: the engine refuses the connection.
        {ConnectionString(password, "1"), password, "refused"},
        {ConnectionString("not-the-password"), "not-the-password", "password authentication failed"},
    };
    for (const TCase& c : cases) {
        TMessageRecorder recorder;
        TDatabaseAccess access;
        EXPECT_FALSE(access.Connect(c.Connection));
        EXPECT_FALSE(access.IsConnected());
        EXPECT_TRUE(HasText(recorder, c.MessagePart)) << AllText(recorder);
        EXPECT_FALSE(HasText(recorder, c.Secret)) << AllText(recorder);
        EXPECT_EQ(access.OpenTable("t"), nullptr);
    }
}

TEST_F(DatabasePostgres, NotANumberReadsAsZeroWithANote)
{
    Execute({"DROP TABLE IF EXISTS nans", "CREATE TABLE nans (x double precision, y real)",
             "INSERT INTO nans VALUES (4, 'NaN'), ('NaN', 'NaN'), (-4, 2)"});
    TDatabaseAccess access;
    ASSERT_TRUE(access.Connect(ConnectionString(Server().Settings.at("password"))));
    TPreProcessedData data;
    ASSERT_TRUE(Load(access, "nans", data)) << AllText(Recorder);
    ASSERT_EQ(data.RecordsNumber, 3);
    EXPECT_FLOAT_EQ(data.Denormalise(0, data.GetCell(0, 1).Value()), 0.0f);
    EXPECT_FLOAT_EQ(data.GetLowValue(1), 0.0f);
    EXPECT_FLOAT_EQ(data.GetHighValue(1), 2.0f);
    EXPECT_EQ(data.LoadNotes, (std::vector<std::string>{"- 1 value of \"x\" read as 0: not a number (NaN)",
                                                        "- 2 values of \"y\" read as 0: not a number (NaN)"}));
}

#include "app/SqliteTableSource.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>
#include <filesystem>
#include <fstream>

#include "data/Auxiliar.h"

namespace {
// The file holds a WAL database (read and write versions 2 in its header).
bool IsWalDatabase(const std::string& file)
{
    char header[20] = {};
    std::ifstream in(file, std::ios::binary);
    return in.read(header, sizeof header) && header[18] == 2 && header[19] == 2;
}

std::string UpperCased(const char* text)
{
    std::string result;
    for (const char* c = text; *c; ++c) result += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    return result;
}
} // namespace

std::string SqliteReadOnlyUri(const std::string& file)
{
    std::error_code error;
    std::string path = std::filesystem::absolute(file, error).string();
    if (error) path = file;
    // Characters with a meaning in a URI are written as %HH.
    std::string uri = "file://";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#' || static_cast<unsigned char>(c) < 0x20) {
            static const char hex[] = "0123456789ABCDEF";
            uri += '%';
            uri += hex[static_cast<unsigned char>(c) >> 4];
            uri += hex[static_cast<unsigned char>(c) & 15];
        } else {
            uri += c;
        }
    }
    uri += "?mode=ro";
    if (IsWalDatabase(file) && !std::filesystem::exists(file + "-wal", error)) uri += "&immutable=1";
    return uri;
}

TSqliteTableSource::TSqliteTableSource(const std::string& file, const std::string& selectStatement,
                                       std::vector<TColumnKind> kinds, const std::string& rowCountStatement,
                                       std::function<bool()> keepGoing, const std::vector<TSqlValue>& parameters)
{
    // The connection is used from this one thread only: no per-call locking.
    const std::string uri = SqliteReadOnlyUri(file);
    if (sqlite3_open_v2(uri.c_str(), &Database, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI,
                        nullptr) != SQLITE_OK) {
        Error = Database ? sqlite3_errmsg(Database) : "out of memory";
        return;
    }
    SetKeepGoing(std::move(keepGoing));
    sqlite3_busy_handler(Database, &TSqliteTableSource::Busy, this);
    if (sqlite3_prepare_v2(Database, selectStatement.c_str(), -1, &Statement, nullptr) != SQLITE_OK) {
        TakeError();
        sqlite3_finalize(Statement);
        Statement = nullptr;
        return;
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const TSqlValue& value = parameters[i];
        const int at = static_cast<int>(i) + 1;
        if (value.Type == TSqlValue::TType::Number)
            sqlite3_bind_double(Statement, at, value.Number);
        else
            sqlite3_bind_text(Statement, at, value.Text.data(), static_cast<int>(value.Text.size()), SQLITE_TRANSIENT);
    }
    const int count = sqlite3_column_count(Statement);
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(Statement, i);
        Names.emplace_back(name ? name : "");
    }
    if (!rowCountStatement.empty() && count > 0) {
        sqlite3_stmt* counter = nullptr;
        if (sqlite3_prepare_v2(Database, rowCountStatement.c_str(), -1, &counter, nullptr) == SQLITE_OK &&
            sqlite3_step(counter) == SQLITE_ROW && sqlite3_column_type(counter, 0) == SQLITE_INTEGER) {
            // A stored row takes at least a byte per column and a few more: a large rowid
            // alone proves no large table.
            std::error_code error;
            const auto bytes = std::filesystem::file_size(file, error);
            if (!error) RowCount = std::min<std::int64_t>(sqlite3_column_int64(counter, 0), static_cast<std::int64_t>(bytes / (count + 5)));
        }
        sqlite3_finalize(counter);
    }
    if (static_cast<int>(kinds.size()) == count) {
        Kinds = std::move(kinds);
        Step();
    } else {
        DecideKinds();
    }
    NoDates.assign(count, 0);
    AtFirstRow = true;
}

// SQLite's affinity rule: a declared type mentioning CHAR, CLOB or TEXT is text; one
// mentioning DATE or TIME holds dates (as ISO-8601 text, the way SQLite stores them, or as
// numbers); any other declared type is a number. A column without a declared type (an
// expression of a view) takes the kind of its first value that is not NULL: the rows are
// read until every such column has one, then reading starts again at the first row.
void TSqliteTableSource::DecideKinds()
{
    const int count = FieldCount();
    std::vector<int> open;
    Kinds.assign(count, TKind::Number);
    for (int i = 0; i < count; ++i) {
        const char* declared = sqlite3_column_decltype(Statement, i);
        if (!declared || !*declared) {
            open.push_back(i);
            continue;
        }
        const std::string type = UpperCased(declared);
        if (type.find("CHAR") != std::string::npos || type.find("CLOB") != std::string::npos ||
            type.find("TEXT") != std::string::npos)
            Kinds[i] = TKind::Text;
        else if (type.find("DATE") != std::string::npos || type.find("TIME") != std::string::npos)
            Kinds[i] = TKind::Date;
    }
    Step();
    if (open.empty()) return;
    bool readOn = false;
    while (OnRow && !open.empty()) {
        std::erase_if(open, [&](int i) {
            const int type = sqlite3_column_type(Statement, i);
            if (type == SQLITE_NULL) return false;
            Kinds[i] = type == SQLITE_TEXT ? TKind::Text : TKind::Number;
            return true;
        });
        if (open.empty()) break;
        readOn = true;
        Step();
    }
    if (readOn && Error.empty()) {
        sqlite3_reset(Statement);
        Step();
    }
}

TSqliteTableSource::~TSqliteTableSource()
{
    sqlite3_finalize(Statement);
    sqlite3_close(Database);
}

void TSqliteTableSource::SetKeepGoing(std::function<bool()> keepGoing)
{
    KeepGoing = std::move(keepGoing);
    if (!Database) return;
    // Called every thousand virtual machine steps: often enough to answer within a fraction
    // of a second, rarely enough to cost nothing measurable.
    if (KeepGoing)
        sqlite3_progress_handler(Database, 1000, &TSqliteTableSource::Progress, this);
    else
        sqlite3_progress_handler(Database, 0, nullptr, nullptr);
}

namespace {
std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

// Another connection holds a lock: wait in short steps (the loading dialog stays live and
// Cancel works) until it goes or BusyWaitMs have passed; then the lock is reported.
int TSqliteTableSource::Busy(void* source, int attempt)
{
    auto* self = static_cast<TSqliteTableSource*>(source);
    const std::int64_t now = NowMs();
    if (attempt == 0) self->BusySinceMs = now;
    if (now - self->BusySinceMs >= BusyWaitMs) return 0;
    if (self->KeepGoing && !self->KeepGoing()) {
        self->CancelledValue = true;
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return 1;
}

void TSqliteTableSource::TakeError()
{
    if (CancelledValue) {
        Error = "Cancelled.";
        return;
    }
    const int code = sqlite3_errcode(Database) & 0xff;
    Error = sqlite3_errmsg(Database);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        Error = "the database is locked by another program (waited " + IntToStr(BusyWaitMs / 1000) +
                " seconds): " + Error;
}

int TSqliteTableSource::Progress(void* source)
{
    auto* self = static_cast<TSqliteTableSource*>(source);
    if (!self->CancelledValue && self->KeepGoing && !self->KeepGoing()) self->CancelledValue = true;
    return self->CancelledValue ? 1 : 0;  // non-zero interrupts the statement
}

bool TSqliteTableSource::Step()
{
    const int result = sqlite3_step(Statement);
    OnRow = result == SQLITE_ROW;
    if (!OnRow && result != SQLITE_DONE) TakeError();
    return OnRow;
}

std::string TSqliteTableSource::DeclaredType(int field) const
{
    if (!Statement || field < 0 || field >= FieldCount()) return {};
    const char* declared = sqlite3_column_decltype(Statement, field);
    return declared ? UpperCased(declared) : std::string();
}

std::string TSqliteTableSource::FieldName(int field) const
{
    return field >= 0 && field < FieldCount() ? Names[field] : std::string();
}

bool TSqliteTableSource::IsTextField(int field) const
{
    return field >= 0 && field < FieldCount() && Kinds[field] == TKind::Text;
}

bool TSqliteTableSource::First()
{
    if (!Statement || CancelledValue) return false;
    if (!AtFirstRow) {
        sqlite3_reset(Statement);
        Error.clear();
        std::fill(NoDates.begin(), NoDates.end(), 0);
        Step();
    }
    AtFirstRow = false;
    return OnRow;
}

bool TSqliteTableSource::Next()
{
    if (!Statement || !OnRow) return false;
    AtFirstRow = false;
    return Step();
}

double TSqliteTableSource::AsFloat(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount()) return 0.0;
    if (Kinds[field] == TKind::Date && sqlite3_column_type(Statement, field) == SQLITE_TEXT) {
        const unsigned char* text = sqlite3_column_text(Statement, field);
        double days = 0.0;
        if (text && IsoDateTimeToDays(std::string_view(reinterpret_cast<const char*>(text),
                                                       static_cast<std::size_t>(sqlite3_column_bytes(Statement, field))),
                                      days))
            return days;
        ++NoDates[field];
        return 0.0;
    }
    // SQLite's own conversion: NULL reads 0, text its leading number (or 0).
    return sqlite3_column_double(Statement, field);
}

std::string TSqliteTableSource::AsString(int field)
{
    if (!OnRow || field < 0 || field >= FieldCount()) return {};
    const unsigned char* text = sqlite3_column_text(Statement, field);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(Statement, field));
}

void TSqliteTableSource::AppendNotes(std::vector<std::string>& notes) const
{
    for (int i = 0; i < FieldCount() && i < static_cast<int>(NoDates.size()); ++i)
        if (NoDates[i] > 0)
            notes.push_back("- " + IntToStr(NoDates[i]) + (NoDates[i] == 1 ? " text" : " texts") + " of \"" + Names[i] +
                            "\" read as 0: no ISO-8601 dates");
}

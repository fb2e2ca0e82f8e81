#include "app/DatabaseTable.h"

#include <QSqlDatabase>
#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "app/PgTableSource.h"
#include "app/QtTableSource.h"
#include "app/SqliteTableSource.h"
#include "data/Auxiliar.h"
#include "data/PreProcessedData.h"
#include "vis/SelectionsController.h"
#include "vis/SelectionsList.h"
#include "vis/Selectioner.h"

namespace {
const char* const Title = "Database";

void Report(const std::string& text) { ShowMessage(TMessageKind::Warning, Title, text); }

// A number from the engine as the dataset reads it (NaN as 0, beyond the float range as the
// largest float of its sign).
float CellValue(double value)
{
    if (std::isnan(value)) return 0.0f;
    const double limit = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -limit, limit));
}

// The rows of an engine's query that a workspace takes: those of a lineage (tested exactly
// here, whatever the engine's WHERE let through), of those a stratified sample or the first
// rows. Every value the dataset reads passes through once, so the raw values of the rows
// taken can be kept for a normalisation over fixed ranges.
class TSelectedRows : public TTableSource {
public:
    TSelectedRows(std::unique_ptr<TTableSource> inner, const TLineage* lineage, std::optional<TStratifiedChoice> choice,
                  std::int64_t firstRows, std::int64_t expected, bool keepRaw)
        : Inner(std::move(inner)), Lineage(lineage), Choice(std::move(choice)), FirstRowsLimit(firstRows),
          Expected(expected), KeepRaw(keepRaw)
    {
        const int count = Inner->FieldCount();
        Numbers.assign(static_cast<std::size_t>(count), 0.0);
        Texts.assign(static_cast<std::size_t>(count), std::string());
        Read.assign(static_cast<std::size_t>(count), 0);
        Raw.resize(KeepRaw ? static_cast<std::size_t>(count) : 0);
        RawRow.assign(static_cast<std::size_t>(count), 0.0f);
        if (Lineage) TestedColumns = Lineage->Columns();
    }

    int FieldCount() const override { return Inner->FieldCount(); }
    std::string FieldName(int field) const override { return Inner->FieldName(field); }
    bool IsTextField(int field) const override { return Inner->IsTextField(field); }
    bool First() override { return Settle(Inner->First()); }
    bool Next() override
    {
        if (FirstRowsLimit >= 0 && Taken >= FirstRowsLimit) return false;
        return Settle(Inner->Next());
    }
    double AsFloat(int field) override
    {
        if (!Lineage && !KeepRaw) return Inner->AsFloat(field);  // passed straight through
        if (field < 0 || field >= FieldCount()) return 0.0;
        const double value = Number(field);
        if (KeepRaw) Raw[static_cast<std::size_t>(field)].push_back(CellValue(value));
        return value;
    }
    std::string AsString(int field) override
    {
        if (!Lineage && !KeepRaw) return Inner->AsString(field);
        if (field < 0 || field >= FieldCount()) return {};
        std::string text = Text(field);
        if (KeepRaw)
            Raw[static_cast<std::size_t>(field)].push_back(static_cast<float>(TPreProcessedDimension::HashText(text)));
        return text;
    }
    std::string LastError() const override { return Inner->LastError(); }
    std::int64_t RowCountHint() const override { return Expected; }
    void SetKeepGoing(std::function<bool()> keepGoing) override { Inner->SetKeepGoing(std::move(keepGoing)); }
    bool Cancelled() const override { return Inner->Cancelled(); }
    void AppendNotes(std::vector<std::string>& notes) const override { Inner->AppendNotes(notes); }

    std::vector<std::vector<float>> Raw;  // per field, the raw values of the rows taken

private:
    double Number(int field)
    {
        auto& read = Read[static_cast<std::size_t>(field)];
        if (!(read & 1)) {
            Numbers[static_cast<std::size_t>(field)] = Inner->AsFloat(field);
            read |= 1;
        }
        return Numbers[static_cast<std::size_t>(field)];
    }
    const std::string& Text(int field)
    {
        auto& read = Read[static_cast<std::size_t>(field)];
        if (!(read & 2)) {
            Texts[static_cast<std::size_t>(field)] = Inner->AsString(field);
            read |= 2;
        }
        return Texts[static_cast<std::size_t>(field)];
    }

    // Moves on from the row the engine stands on to the first row that is taken.
    bool Settle(bool onRow)
    {
        for (; onRow; onRow = Inner->Next()) {
            if (Lineage || KeepRaw) std::fill(Read.begin(), Read.end(), 0);
            if (Choice && !Choice->Take()) continue;
            if (Lineage) {
                for (const int column : TestedColumns)
                    RawRow[static_cast<std::size_t>(column)] =
                        Inner->IsTextField(column)
                            ? static_cast<float>(TPreProcessedDimension::HashText(Text(column)))
                            : CellValue(Number(column));
                if (!Lineage->Accepts(RawRow.data())) continue;
            }
            ++Taken;
            return true;
        }
        return false;
    }

    std::unique_ptr<TTableSource> Inner;
    const TLineage* Lineage;
    std::optional<TStratifiedChoice> Choice;
    std::int64_t FirstRowsLimit;
    std::int64_t Expected;
    bool KeepRaw;
    std::vector<int> TestedColumns;
    std::vector<double> Numbers;
    std::vector<std::string> Texts;
    std::vector<unsigned char> Read;
    std::vector<float> RawRow;
    std::int64_t Taken = 0;
};

// Each dimension with a known range is normalised over it instead of over the rows read;
// values outside it (rows the range was not measured on) are kept inside [0, 1].
void ApplyFixedRanges(TPreProcessedData& data, std::vector<std::vector<float>>& raw,
                      const std::vector<TColumnRange>& ranges)
{
    bool changed = false;
    for (int i = 0; i < data.NumberOfDimensions() && i < static_cast<int>(ranges.size()); ++i) {
        const TColumnRange& range = ranges[static_cast<std::size_t>(i)];
        TPreProcessedDimension* dimension = data.GetDimension(i);
        if (!range.Known || i >= static_cast<int>(raw.size()) || raw[static_cast<std::size_t>(i)].size() != dimension->Count())
            continue;
        dimension->Values = std::move(raw[static_cast<std::size_t>(i)]);
        dimension->SetHighLow(range.High, range.Low);
        dimension->Normalised = false;
        dimension->Normalise(false);
        for (float& value : dimension->Values) value = std::max(value, 0.0f);
        dimension->Normalised = true;
        dimension->ComputeFrequencies();
        changed = true;
    }
    if (changed) {
        data.FrequencyValuesTimeStamp = NewChangeStamp();
        data.RelevanceValuesTimeStamp = NewChangeStamp();
    }
}
} // namespace

TDatabaseTable::TDatabaseTable(TEngine engine, std::string name, std::string quotedName, std::vector<TTableColumn> columns)
    : Engine(std::move(engine)), NameValue(std::move(name)), QuotedNameValue(std::move(quotedName)),
      ColumnsValue(std::move(columns))
{
    Texts.resize(ColumnsValue.size());
    TextsListed.assign(ColumnsValue.size(), 0);
}

TDatabaseTable::~TDatabaseTable() = default;

TSqlDialect TDatabaseTable::Dialect() const
{
    TSqlDialect dialect;
    dialect.Engine = Engine.Kind == TEngineKind::Postgres ? TSqlEngine::Postgres : TSqlEngine::Sqlite;
    return dialect;
}

std::string TDatabaseTable::MaskSecret(const std::string& text) const { return ::MaskSecret(text, Engine.Password); }

std::unique_ptr<TTableSource> TDatabaseTable::Run(const std::string& statement, const std::vector<TSqlValue>& parameters,
                                                  std::vector<TColumnKind> kinds,
                                                  const std::function<bool()>& keepGoing, std::string& error,
                                                  bool binaryRows)
{
    error.clear();
    switch (Engine.Kind) {
    case TEngineKind::Sqlite: {
        auto source = std::make_unique<TSqliteTableSource>(Engine.SqliteFile, statement, std::move(kinds), std::string(),
                                                           keepGoing, parameters);
        if (source->Cancelled()) return nullptr;
        if (!source->Ok() || (!source->HasRows() && !source->LastError().empty())) {
            error = source->LastError();
            return nullptr;
        }
        return source;
    }
    case TEngineKind::Postgres: {
        const QSqlDatabase database = QSqlDatabase::database(QString::fromStdString(Engine.ConnectionName), false);
        auto source = std::make_unique<TPgTableSource>(Engine.Holder, PostgresConnectionOf(database), statement,
                                                       parameters, std::move(kinds), Engine.Password, keepGoing,
                                                       binaryRows);
        if (source->Cancelled()) return nullptr;
        if (!source->Ok()) {
            error = source->LastError();
            return nullptr;
        }
        return source;
    }
    case TEngineKind::Other: {
        std::vector<bool> text;
        for (const TColumnKind kind : kinds) text.push_back(kind == TColumnKind::Text);
        auto source = std::make_unique<TQtTableSource>(
            Engine.Holder, QSqlDatabase::database(QString::fromStdString(Engine.ConnectionName), false),
            QString::fromStdString(statement), text, Engine.Password);
        source->SetKeepGoing(keepGoing);
        if (!source->Ok()) {
            error = source->LastError();
            return nullptr;
        }
        return source;
    }
    }
    return nullptr;
}

std::string TDatabaseTable::AggregateStatement(const std::string& where, bool ranges, std::vector<int>& measured,
                                               const std::vector<int>* only) const
{
    const TSqlDialect dialect = Dialect();
    std::string sql = "SELECT count(*)";
    measured.clear();
    if (ranges)
        for (std::size_t i = 0; i < ColumnsValue.size(); ++i) {
            const TTableColumn& column = ColumnsValue[i];
            if (column.Kind == TColumnKind::Text) continue;
            if (only && std::find(only->begin(), only->end(), static_cast<int>(i)) == only->end()) continue;
            const std::string name = TSqlDialect::Quote(column.Name);
            std::string value = name;
            if (dialect.Engine == TSqlEngine::Postgres) {
                if (column.Boolean) value = "(CASE WHEN " + name + " THEN 1 ELSE 0 END)";
                else if (column.TimeOfDay) value = "(EXTRACT(EPOCH FROM " + name + ") / 86400.0)";
                else if (column.Kind == TColumnKind::Date) value = dialect.DaysOf(name);
                // Plain min and max are much faster; NaN shows as a NaN maximum and is then
                // measured again without it.
                else if (column.FloatingPoint && only) value = "NULLIF(" + name + ", 'NaN')";

            } else if (column.Kind == TColumnKind::Date) {
                value = dialect.DaysOf(name);
            }
            sql += ", min(" + value + "), max(" + value + "), count(" + value + ")";
            measured.push_back(static_cast<int>(i));
        }
    sql += " FROM " + QuotedNameValue;
    if (!where.empty()) sql += " WHERE " + where;
    return sql;
}

bool TDatabaseTable::ReadAggregate(TTableSource& row, const std::vector<int>& measured, std::size_t columnCount,
                                   std::int64_t& count, std::vector<TColumnRange>* ranges, std::vector<int>* withNaN)
{
    if (!row.First()) return false;
    count = static_cast<std::int64_t>(row.AsFloat(0));
    if (!ranges) return true;
    if (ranges->size() != columnCount) ranges->assign(columnCount, TColumnRange{});
    for (std::size_t k = 0; k < measured.size(); ++k) {
        const int field = 1 + static_cast<int>(k) * 3;
        if (withNaN && (std::isnan(row.AsFloat(field)) || std::isnan(row.AsFloat(field + 1)))) {
            withNaN->push_back(measured[k]);
            continue;
        }
        const auto valued = static_cast<std::int64_t>(row.AsFloat(field + 2));
        TColumnRange& range = (*ranges)[static_cast<std::size_t>(measured[k])];
        range.Known = true;
        if (valued > 0) {
            range.Low = CellValue(row.AsFloat(field));
            range.High = CellValue(row.AsFloat(field + 1));
        }
        // NULL, NaN and what is no date read as 0: the range holds 0 when such cells exist.
        if (valued < count) {
            if (valued == 0) range.Low = range.High = 0.0f;
            range.Low = std::min(range.Low, 0.0f);
            range.High = std::max(range.High, 0.0f);
        }
    }
    return true;
}

bool TDatabaseTable::Measure(const TLineage& lineage, bool ranges, std::int64_t& count,
                             std::vector<TColumnRange>* rangesOut, const std::function<bool()>& keepGoing,
                             bool& cancelled)
{
    cancelled = false;
    const TWhere where = BuildWhere(lineage, ColumnsValue, Dialect(),
                                    [this, &keepGoing](int column) { return DistinctTexts(column, keepGoing); });
    if (where.None) {
        count = 0;
        if (rangesOut) rangesOut->assign(ColumnsValue.size(), TColumnRange{});
        return true;
    }
    std::vector<int> measured;
    const std::string statement = AggregateStatement(where.Sql, ranges, measured);
    std::vector<TColumnKind> kinds(1 + measured.size() * 3, TColumnKind::Number);
    std::string error;
    std::unique_ptr<TTableSource> row = Run(statement, where.Parameters, kinds, keepGoing, error);
    if (!row) {
        cancelled = error.empty();
        if (!cancelled) Report("Could not measure the table \"" + NameValue + "\": " + error);
        return false;
    }
    std::vector<int> withNaN;
    if (rangesOut) rangesOut->clear();
    if (!ReadAggregate(*row, measured, ColumnsValue.size(), count, rangesOut, &withNaN)) {
        cancelled = row->Cancelled();
        if (!cancelled) Report("Could not measure the table \"" + NameValue + "\": " + row->LastError());
        return false;
    }
    row.reset();
    if (!withNaN.empty() && rangesOut) {
        const std::string again = AggregateStatement(where.Sql, true, measured, &withNaN);
        std::int64_t ignored = 0;
        row = Run(again, where.Parameters, std::vector<TColumnKind>(1 + measured.size() * 3, TColumnKind::Number),
                  keepGoing, error);
        if (!row || !ReadAggregate(*row, measured, ColumnsValue.size(), ignored, rangesOut)) {
            cancelled = error.empty() && (!row || row->Cancelled());
            if (!cancelled) Report("Could not measure the table \"" + NameValue + "\": " + (row ? row->LastError() : error));
            return false;
        }
    }
    return true;
}

const std::vector<TColumnRange>* TDatabaseTable::TableRanges(const std::function<bool()>& keepGoing, bool& cancelled)
{
    cancelled = false;
    if (HasRanges) return &Ranges;
    std::int64_t count = 0;
    std::vector<TColumnRange> ranges;
    if (!Measure(TLineage(), true, count, &ranges, keepGoing, cancelled)) return nullptr;
    Rows = count;
    SetTableRanges(std::move(ranges));
    return &Ranges;
}

const std::vector<std::string>* TDatabaseTable::DistinctTexts(int column, const std::function<bool()>& keepGoing)
{
    if (column < 0 || column >= static_cast<int>(ColumnsValue.size())) return nullptr;
    const auto at = static_cast<std::size_t>(column);
    if (TextsListed[at]) return Texts[at].get();
    TextsListed[at] = 1;
    const std::string name = TSqlDialect::Quote(ColumnsValue[at].Name);
    std::string error;
    std::unique_ptr<TTableSource> rows =
        Run("SELECT DISTINCT " + name + " FROM " + QuotedNameValue + " LIMIT " + std::to_string(MaxListedTexts + 1),
            {}, {TColumnKind::Text}, keepGoing, error);
    if (!rows) return nullptr;  // tested on the client instead
    auto texts = std::make_unique<std::vector<std::string>>();
    for (bool more = rows->First(); more; more = rows->Next()) texts->push_back(rows->AsString(0));
    if (!rows->LastError().empty() || texts->size() > MaxListedTexts) return nullptr;
    Texts[at] = std::move(texts);
    return Texts[at].get();
}

bool TDatabaseTable::Load(const TLineage& lineage, std::int64_t matching, std::int64_t limit,
                          const std::vector<TColumnRange>* fixedRanges, TPreProcessedData& data,
                          const std::function<bool()>& keepGoing, TRead& read, bool& cancelled)
{
    cancelled = false;
    read = TRead{};
    read.Matching = matching;
    const bool all = lineage.All();
    const bool sample = limit > 0 && matching > limit;
    const TSqlDialect dialect = Dialect();
    std::string statement = "SELECT * FROM " + QuotedNameValue;
    std::vector<TSqlValue> parameters;
    std::optional<TStratifiedChoice> choice;
    std::int64_t firstRows = -1;
    const std::uint64_t seed = SampleSeed(NameValue, limit);

    TWhere where;
    if (!all && CanPushDown())
        where = BuildWhere(lineage, ColumnsValue, dialect,
                           [this, &keepGoing](int column) { return DistinctTexts(column, keepGoing); },
                           sample && Engine.Kind == TEngineKind::Postgres && !Engine.IsView ? 3 : 1);
    if (where.None) {
        Report("No record of the table \"" + NameValue + "\" lies inside the selection.");
        return false;
    }
    if (sample) {
        read.Sampled = true;
        if (Engine.Kind == TEngineKind::Postgres && !Engine.IsView) {
            // A Bernoulli sample in the table's block order, the same for the same seed.
            const double percent = std::min(100.0, 100.0 * static_cast<double>(limit) / static_cast<double>(matching));
            statement += " TABLESAMPLE BERNOULLI (" + dialect.Placeholder(1, TSqlValue::TType::Number) +
                         ") REPEATABLE (" + dialect.Placeholder(2, TSqlValue::TType::Number) + ")";
            parameters.push_back({TSqlValue::TType::Number, percent, {}});
            parameters.push_back({TSqlValue::TType::Number, static_cast<double>(seed % 2147483647u), {}});
        } else if (Engine.Kind == TEngineKind::Other) {
            read.FirstRows = true;
            firstRows = limit;
        } else {
            choice.emplace(matching, limit, seed);
        }
    }
    if (!where.Sql.empty()) {
        statement += " WHERE " + where.Sql;
        parameters.insert(parameters.end(), where.Parameters.begin(), where.Parameters.end());
    }
    read.Statement = statement;
    read.Parameters = parameters;

    std::vector<TColumnKind> kinds;
    for (const TTableColumn& column : ColumnsValue) kinds.push_back(column.Kind);
    std::string error;
    // PostgreSQL sends the rows in binary form when every column's type allows it.
    bool binary = Engine.Kind == TEngineKind::Postgres;
    for (const TTableColumn& column : ColumnsValue)
        binary = binary && TPgTableSource::BinaryReadable(static_cast<Oid>(column.EngineType));
    std::unique_ptr<TTableSource> rows = Run(statement, parameters, kinds, keepGoing, error, binary);
    if (!rows) {
        cancelled = error.empty();
        if (!cancelled) Report("Could not read the table \"" + NameValue + "\": " + error);
        return false;
    }
    const bool keepRaw = fixedRanges != nullptr;
    const std::int64_t expected = limit > 0 && matching >= 0 ? std::min(matching, limit) : matching;
    TSelectedRows selected(std::move(rows), all ? nullptr : &lineage, std::move(choice), firstRows, expected, keepRaw);
    if (!data.ReadTable(selected)) {
        cancelled = selected.Cancelled();
        return false;
    }
    if (fixedRanges) ApplyFixedRanges(data, selected.Raw, *fixedRanges);
    return true;
}

TPipelineLevel LevelOfSelections(const TSelectionsController& controller, const TPreProcessedData& data)
{
    TPipelineLevel level;
    level.Logic = static_cast<int>(controller.LogicOperation);
    const int lists = std::min(controller.Count(), data.NumberOfDimensions());
    for (int d = 0; d < lists; ++d) {
        const TSelectionsList* list = controller.GetSelectionsList(d);
        if (!list || list->Count() == 0) continue;
        const TPreProcessedDimension* dimension = data.GetDimension(d);
        TLevelDimension brushed;
        brushed.Column = d;
        brushed.Low = dimension->LowValue;
        brushed.High = dimension->HighValue;
        brushed.Range = dimension->ValueRange;
        for (int s = 0; s < list->Count(); ++s) {
            const TSelectioner* selection = list->GetSelection(s);
            brushed.Brushes.push_back({selection->MinNormalized(), selection->MaxNormalized()});
        }
        level.Dimensions.push_back(std::move(brushed));
    }
    return level;
}

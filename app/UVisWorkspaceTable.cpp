// Workspaces whose records come from a database table: the root (whole, or sampled above the
// record limit), pipelines asked of the engine, and compositions of sampled pipelines.
#include <QLabel>

#include <new>

#include "app/DatabaseTable.h"
#include "app/LoadProgress.h"
#include "app/UVisWorkspace.h"
#include "app/UVisualizationTree.h"
#include "app/VisTree.h"
#include "data/Auxiliar.h"
#include "data/PreProcessedData.h"
#include "vis/SelectionsController.h"

namespace {
std::string SampleLine(std::int64_t held, std::int64_t of, const char* what)
{
    return "- Sample of " + GroupedCount(held) + " of " + GroupedCount(of) + " " + what;
}

// A pipeline's dataset knows no time attribute and no time window, as one built in memory.
void AsPipeline(TPreProcessedData& data)
{
    data.HasTimeAttribute = false;
    data.TimeAttributeIndex = -1;
    data.TimeMoment = -1;
    data.TimeDiscreteRange = -1;
}
} // namespace

bool TFormVisWorkspace::LoadFromDatabaseTable(std::shared_ptr<TDatabaseTable> table, std::int64_t recordLimit,
                                              std::function<bool()> keepGoing)
{
    if (!table) return false;
    const std::int64_t rows = table->RowCount();
    const bool sample = recordLimit > 0 && rows > recordLimit;
    TDatabaseTable::TRead read;
    try {
        DataValue = std::make_unique<TPreProcessedData>();
        const std::vector<TColumnRange>* ranges = nullptr;
        bool cancelled = false;
        if (sample && table->CanPushDown()) {
            // Every pipeline of the tree shares the scale of the whole table.
            ranges = table->TableRanges(keepGoing, cancelled);
            if (!ranges) {
                DataValue.reset();
                return false;
            }
        }
        if (!table->Load(TLineage(), rows, recordLimit, ranges, *DataValue, keepGoing, read, cancelled)) {
            DataValue.reset();
            return false;
        }
    } catch (const std::bad_alloc&) {
        return OutOfMemory("the table \"" + table->Name() + "\"");
    }
    LabelWhereWord->hide();
    LabelWhereClause->move(6, LabelWhereClause->y());
    std::string source = "- SELECT * FROM " + table->Name();
    if (read.FirstRows)
        source += "\n- First " + GroupedCount(DataValue->RecordsNumber) + " of " + GroupedCount(rows) +
                  " records (this engine draws no samples)";
    else if (read.Sampled)
        source += "\n" + SampleLine(DataValue->RecordsNumber, rows, "records");
    SetWhereClause(source);
    Backing = std::make_shared<TTableBacking>(TTableBacking{table, TLineage(), recordLimit, !read.Sampled});
    FinishLoad();
    return true;
}

bool TFormVisWorkspace::LoadPipeline(TFormVisWorkspace* parent, TSelectionsController* controller,
                                     TPreProcessedData* parentData, bool fullDomain)
{
    const TTableBacking* backing = parent ? parent->TableBacking() : nullptr;
    if (!backing || !backing->Table || !backing->Table->CanPushDown() || !controller || !parentData)
        return LoadFromSelection(controller, parentData, fullDomain);
    return LoadPushedDownSelection(*backing, controller, parentData, fullDomain);
}

bool TFormVisWorkspace::LoadPushedDownSelection(const TTableBacking& parent, TSelectionsController* controller,
                                                TPreProcessedData* parentData, bool fullDomain)
{
    TRecordList* records = controller->ListOfItemsSatisfyingSelections();
    if (!records) return false;
    // A parent that holds all its rows knows that no row matches; a sample cannot know.
    if (records->empty() && parent.Whole) return false;
    const TPipelineLevel level = LevelOfSelections(*controller, *parentData);
    if (level.Dimensions.empty()) return false;
    const TLineage lineage = parent.Lineage.Then(level);
    TDatabaseTable& table = *parent.Table;

    TLoadProgress progress(MainWindowValue, QStringLiteral("Loading the selected records of \"%1\"\u2026")
                                                .arg(QString::fromUtf8(table.Name().c_str())));
    const std::function<bool()> keepGoing = [&progress] { return progress.KeepGoing(); };
    const std::int64_t limit = parent.Limit;
    std::int64_t matching = parent.Whole ? static_cast<std::int64_t>(records->size()) : -1;
    std::vector<TColumnRange> measured;
    bool haveMeasured = false;
    bool cancelled = false;
    try {
        const bool sampled = matching < 0 || (limit > 0 && matching > limit);
        if (sampled) {
            // The count decides whether the pipeline is sampled too; a partial domain then
            // takes the ranges of all matching rows, not of the sample's.
            if (!table.Measure(lineage, !fullDomain, matching, &measured, keepGoing, cancelled)) return false;
            haveMeasured = !fullDomain;
        }
        if (matching == 0) {
            ShowMessage(TMessageKind::Warning, "Warning", "No record of the table lies inside the selection.");
            return false;
        }
        std::vector<TColumnRange> parentRanges;
        if (fullDomain) {
            for (int i = 0; i < parentData->NumberOfDimensions(); ++i)
                parentRanges.push_back({true, parentData->GetLowValue(i), parentData->GetHighValue(i)});
        }
        const bool sampledNow = limit > 0 && matching > limit;
        const std::vector<TColumnRange>* ranges =
            fullDomain ? &parentRanges : (sampledNow && haveMeasured ? &measured : nullptr);
        DataValue = std::make_unique<TPreProcessedData>();
        TDatabaseTable::TRead read;
        if (!table.Load(lineage, matching, limit, ranges, *DataValue, keepGoing, read, cancelled)) {
            DataValue.reset();
            return false;
        }
        AsPipeline(*DataValue);
        SetWhereClause(controller->GetWhereClause());
        if (read.Sampled)
            DataValue->LoadNotes.insert(DataValue->LoadNotes.begin(),
                                        SampleLine(DataValue->RecordsNumber, matching, "matching records"));
        Backing = std::make_shared<TTableBacking>(TTableBacking{parent.Table, lineage, limit, !read.Sampled});
        FinishLoad();
    } catch (const std::bad_alloc&) {
        return OutOfMemory("the selected records");
    }
    return true;
}

bool TFormVisWorkspace::LoadCompositionFromTable(TVisTreeCompositionNode* composition)
{
    if (!composition) return false;
    std::shared_ptr<TDatabaseTable> table;
    TLineage lineage = TLineage::Nothing();
    bool whole = true;
    std::int64_t limit = 0;
    std::string condition;
    for (const TVisTreeNode* member : composition->Members) {
        const TFormVisWorkspace* workspace = member ? member->Workspace.get() : nullptr;
        if (!workspace || !workspace->Data() || workspace->Data()->RecordsNumber == 0) continue;
        const TTableBacking* backing = workspace->TableBacking();
        if (!backing || !backing->Table || !backing->Table->CanPushDown() || (table && backing->Table != table))
            return false;
        table = backing->Table;
        lineage = lineage.Or(backing->Lineage);
        whole = whole && backing->Whole;
        limit = backing->Limit;
        condition += workspace->WhereClause() + " OR ";
    }
    if (!table) return false;
    Backing = std::make_shared<TTableBacking>(TTableBacking{table, lineage, limit, whole});
    // Members that hold all their rows give the union in memory.
    if (whole) return false;

    TLoadProgress progress(MainWindowValue, QStringLiteral("Loading the union of the selected records\u2026"));
    const std::function<bool()> keepGoing = [&progress] { return progress.KeepGoing(); };
    try {
        std::int64_t matching = 0;
        std::vector<TColumnRange> measured;
        bool cancelled = false;
        if (!table->Measure(lineage, true, matching, &measured, keepGoing, cancelled) || matching == 0) return false;
        auto data = std::make_unique<TPreProcessedData>();
        TDatabaseTable::TRead read;
        if (!table->Load(lineage, matching, limit, limit > 0 && matching > limit ? &measured : nullptr, *data, keepGoing,
                         read, cancelled))
            return false;
        AsPipeline(*data);
        if (read.Sampled)
            data->LoadNotes.insert(data->LoadNotes.begin(), SampleLine(data->RecordsNumber, matching, "matching records"));
        DataValue = std::move(data);
        Backing->Whole = !read.Sampled;
    } catch (const std::bad_alloc&) {
        return false;  // the union in memory instead
    }
    if (condition.size() >= 4) condition.resize(condition.size() - 4);
    SetWhereClause(condition);
    FinishLoad();
    return true;
}

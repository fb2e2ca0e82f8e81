#include "techniques/tablelens/TableLensRecordList.h"

#include "render/Drawing.h"
#include "techniques/tablelens/TableLens.h"

void TTableLensRecordList::BuildRows(TTableLens* view, TPreProcessedData* data)
{
    View = view;
    Data = data;
    Rows.clear();
    Filter.clear();
    Filter.shrink_to_fit();
    IsFiltered = false;
    FilterVersion = 0;
    OrderedBy = 0;
    HoveredRow = -1;
    if (data) Rows = data->ListOfPreprocessedRecords;
}

void TTableLensRecordList::Clear()
{
    Rows.clear();
    Filter.clear();
    IsFiltered = false;
    FilterVersion = 0;
    HoveredRow = -1;
}

void TTableLensRecordList::OrderBy(int d)
{
    if (d == OrderedBy || !Data || d < 0 || d >= Data->NumberOfDimensions()) return;
    // A stable counting pass over the dimension's ranks, from the order the rows show now.
    Data->SortRecordsByDimension(d, Rows);
    OrderedBy = d;
}

void TTableLensRecordList::SetListOfIndexOfDataItemsToDraw(const TRecordList* list, int d, std::uint64_t version)
{
    IsFiltered = list != nullptr;
    if (!IsFiltered) {
        Filter.clear();
        FilterVersion = 0;
        return;
    }
    if (version != 0 && version == FilterVersion && d == FilterDimension) return;
    FilterVersion = version;
    FilterDimension = d;
    Filter.assign(list->begin(), list->end());
    if (Data && d >= 0 && d < Data->NumberOfDimensions()) Data->SortRecordsByDimension(d, Filter);
}

std::int64_t TTableLensRecordList::Shown() const
{
    return static_cast<std::int64_t>(IsFiltered ? Filter.size() : Rows.size());
}

TPreProcessedRecord* TTableLensRecordList::RecordAt(std::int64_t k) const
{
    const TRecordList& list = IsFiltered ? Filter : Rows;
    if (k < 0 || k >= static_cast<std::int64_t>(list.size())) return nullptr;
    return list[static_cast<std::size_t>(k)];
}

void TTableLensRecordList::DrawRows(const TTableLensRowLayout& layout) const
{
    if (!View || !Data) return;
    TTableLensRecord row;
    row.DrawMode = DrawMode;
    const std::int64_t last = std::min(layout.LastVisible(), Shown());
    for (std::int64_t k = layout.FirstVisible(); k < last; ++k) {
        TPreProcessedRecord* record = RecordAt(k);
        if (!record || !record->TemporalInteractionDraw) continue;
        row.Initialize(View, k, layout);
        row.Record = record;
        row.Draw();
    }
    Gl().Flush();
}

void TTableLensRecordList::DrawHoveredRow(const TTableLensRowLayout& layout) const
{
    if (!View || !Data || HoveredRow < 0) return;
    TPreProcessedRecord* record = RecordAt(HoveredRow);
    if (!record || !record->TemporalInteractionDraw) return;
    TTableLensRecord row;
    row.DrawMode = DrawMode;
    row.Initialize(View, HoveredRow, layout);
    row.Record = record;
    row.Hovered = true;
    // Over everything drawn before, whatever its depth.
    Gl().Disable(TCapability::DepthTest);
    row.Draw();
    row.DrawValueLabels();
    Gl().Enable(TCapability::DepthTest);
}

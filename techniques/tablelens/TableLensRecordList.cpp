#include "techniques/tablelens/TableLensRecordList.h"

#include <algorithm>

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
    Scratch.clear();
    Scratch.shrink_to_fit();
    if (!data) return;
    Rows.reserve(data->ListOfPreprocessedRecords.size());
    for (const TPreProcessedRecord* record : data->ListOfPreprocessedRecords) Rows.push_back(std::uint32_t(record->Index));
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
    SortByDimension(Rows, d);
    OrderedBy = d;
}

void TTableLensRecordList::SortByDimension(std::vector<std::uint32_t>& rows, int d)
{
    TPreProcessedDimension* dimension = Data->GetDimension(d);
    if (rows.size() < 2) return;
    if (!dimension->RanksCurrent()) dimension->ComputeRanks();
    const std::uint32_t* ranks = dimension->Ranks.data();
    const std::size_t cells = dimension->Ranks.size();
    const std::size_t distinct = dimension->DistinctCount();
    if (distinct == 0) return;
    if (rows.size() < distinct / 4) {
        // Few rows among many values: a comparison sort is cheaper than counting.
        std::stable_sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
            return (a < cells ? ranks[a] : 0) < (b < cells ? ranks[b] : 0);
        });
        return;
    }
    // Counting: each row's rank read once (into Scratch), counted, then the rows placed.
    const std::size_t n = rows.size();
    std::vector<std::uint32_t> start(distinct + 1, 0);
    Scratch.resize(2 * n);
    std::uint32_t* keys = Scratch.data();
    std::uint32_t* sorted = Scratch.data() + n;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t row = rows[k];
        const std::uint32_t key = row < cells ? std::min<std::uint32_t>(ranks[row], std::uint32_t(distinct - 1)) : 0;
        keys[k] = key;
        ++start[key + 1];
    }
    for (std::size_t r = 1; r <= distinct; ++r) start[r] += start[r - 1];
    for (std::size_t k = 0; k < n; ++k) sorted[start[keys[k]]++] = rows[k];
    std::copy(sorted, sorted + n, rows.begin());
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
    Filter.clear();
    Filter.reserve(list->size());
    for (const TPreProcessedRecord* record : *list)
        if (record) Filter.push_back(std::uint32_t(record->Index));
    if (Data && d >= 0 && d < Data->NumberOfDimensions()) SortByDimension(Filter, d);
}

std::int64_t TTableLensRecordList::Shown() const
{
    return static_cast<std::int64_t>(IsFiltered ? Filter.size() : Rows.size());
}

TPreProcessedRecord* TTableLensRecordList::RecordAt(std::int64_t k) const
{
    const std::vector<std::uint32_t>& list = IsFiltered ? Filter : Rows;
    if (!Data || k < 0 || k >= static_cast<std::int64_t>(list.size())) return nullptr;
    return Data->RecordByIndex(int(list[static_cast<std::size_t>(k)]));
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

void TTableLensRecordList::DrawHoveredRow(const TTableLensRowLayout& layout, const std::function<void()>& overBars) const
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
    if (overBars) overBars();
    row.DrawValueLabels();
    Gl().Enable(TCapability::DepthTest);
}

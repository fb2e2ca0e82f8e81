#pragma once
// The rows of the table lens: the unfiltered order (every record of the dataset once, from
// the top, sorted by the ordering dimension when that changes), the filtered order while
// selections exist (the satisfying records sorted by the ordering dimension, packed from
// the top), and drawing the visible rows.
//
// Sorting is a stable counting pass over the dataset's ranks. Nothing is stored per row
// beyond the record's storage row (4 bytes) in the order: a row's position follows from its
// place in the order, its record from the storage row.

#include <cstdint>
#include <functional>
#include <vector>

#include "techniques/tablelens/TableLensRecord.h"

class TTableLensRecordList {
public:
    // The dataset's records in list order; ordered by dimension 0 (nothing sorted yet).
    void BuildRows(TTableLens* view, TPreProcessedData* data);
    void Clear();

    // Sorts the unfiltered order by dimension d when it is not ordered by d already.
    void OrderBy(int d);
    // The records to show: null shows every record; otherwise the listed records, sorted by
    // dimension d. `version` is the selections controller's: the list is copied and sorted
    // again only when it or d changed.
    void SetListOfIndexOfDataItemsToDraw(const TRecordList* list, int d, std::uint64_t version);
    bool Filtered() const { return IsFiltered; }
    // Rows shown: every record, or the satisfying ones.
    std::int64_t Shown() const;
    // The record at visual position k, or null.
    TPreProcessedRecord* RecordAt(std::int64_t k) const;

    void SetDrawMode(ENUM_drawModes mode) { DrawMode = mode; }
    ENUM_drawModes GetDrawMode() const { return DrawMode; }

    // The visible rows of `layout` (none hovered), skipping records outside the time window.
    void DrawRows(const TTableLensRowLayout& layout) const;
    // The hovered row highlighted, with its value labels; nothing without one. It goes over
    // the picture without the depth test; `overBars` runs between its bars and its labels to
    // draw again what lies over the rows (statistics lines, band outlines, markers).
    void DrawHoveredRow(const TTableLensRowLayout& layout, const std::function<void()>& overBars = {}) const;


    int OrderedBy = 0;
    std::int64_t HoveredRow = -1;  // visual position under the pointer, −1 for none

private:
    TTableLens* View = nullptr;
    TPreProcessedData* Data = nullptr;
    // Sorts storage rows by their rank in dimension d, equal ranks keeping their order.
    void SortByDimension(std::vector<std::uint32_t>& rows, int d);

    std::vector<std::uint32_t> Rows;    // the unfiltered order
    std::vector<std::uint32_t> Filter;  // the filtered order
    std::vector<std::uint32_t> Scratch;  // keys, then the sorted rows; kept between sorts
    bool IsFiltered = false;
    std::uint64_t FilterVersion = 0;  // 0: no filter sorted yet
    int FilterDimension = -1;
    ENUM_drawModes DrawMode = drawmodeNormal;
};

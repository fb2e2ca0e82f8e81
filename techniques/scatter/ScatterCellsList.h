#pragma once
// The cells of the scatter plot matrix, in building order (bottom row first, each row from
// the left), the focused cell, the zoom cell, and the records the cells draw.
//
// Before the cells draw, the records to draw are laid out once as columns in drawing
// order (TScatterPointSource): straight from the dataset's arrays while that order is the
// storage order, gathered otherwise. The columns are kept while nothing they depend on
// changes: the selections (controller version), the time window, the record order, the
// frequency and relevance values and the draw mode.

#include <cstdint>
#include <optional>
#include <vector>

#include "techniques/scatter/ScatterCell.h"
#include "techniques/scatter/ScatterDensity.h"
#include "techniques/scatter/ScatterZoomCell.h"

class TScatterCellsList {
public:
    // Makes the cells of `data` in the view's layout (none without dimensions) and attaches
    // the zoom cell to the view. Whatever the list held before is forgotten: cells, focus,
    // the zoom cell's displayed cell and pointer, the columns.
    void BuildCells(TScatterPlots* view, TPreProcessedData* data, const TScatterLayout& layout);

    // Null: every record is drawn.
    void SetListOfIndexOfDataItemsToDraw(const TRecordList* list) { ListOfIndexOfDataItemsToDraw = list; }
    const TRecordList* GetListOfIndexOfDataItemsToDraw() const { return ListOfIndexOfDataItemsToDraw; }
    float PointSize() const { return PointSizeValue; }
    void SetPointSize(float size) { PointSizeValue = size; }
    void SetZoomPointSize(float size) { ZoomCell.ZoomPointSize = size; }
    ENUM_drawModes DrawMode() const { return DrawModeValue; }
    void SetDrawMode(ENUM_drawModes mode)
    {
        DrawModeValue = mode;
        ZoomCell.DrawMode = mode;
    }

    // Lays the records to draw out for this paint (see above); `selectionsVersion` is the
    // controller's version. In the relevance mode the dataset's records are first sorted by
    // ascending relevance (once, and only when out of order), so the most relevant come last.
    void PrepareRecords(std::uint64_t selectionsVersion);
    // Every cell, in list order, with `paint`'s settings (its Points and Scratch are the
    // list's own).
    void DrawCells(TScatterPaint paint);
    // The zoom cell shows the focused cell.
    void DrawZoomCell(TScatterPaint paint);
    void DrawCursor(TScatterPaint paint) const;
    // The same with the records as densities (`density` prepared for this paint); with
    // `exactBrushed` the records to draw (PrepareRecords) go exactly over the pictures.
    void DrawCellsDensity(TScatterPaint paint, TScatterDensity& density, bool exactBrushed);
    void DrawZoomCellDensity(TScatterPaint paint, TScatterDensity& density, bool exactBrushed);

    // The first cell containing (x, y) becomes the focused one and its indexes are answered;
    // without one the focused cell keeps its place (without its mark), the zoom cell tracks
    // the pointer and nothing is answered.
    std::optional<TScatterCellIndexes> FocusCellAt(int x, int y);
    const TScatterCell* FindCell(const std::optional<TScatterCellIndexes>& indexes) const;
    bool IsDiagonal(const std::optional<TScatterCellIndexes>& indexes) const;
    // The found cell's ValueAtX(x); 0 when there is none.
    float ValueInCell(int x, const std::optional<TScatterCellIndexes>& indexes) const;

    int Count() const { return int(Items.size()); }
    const TScatterCell& Item(int i) const { return Items[i]; }
    const TScatterCell* FocusedCell() const { return Focused; }

    TScatterZoomCell ZoomCell;
    // How often the records were laid out (tests: the columns are kept between paints).
    long long RecordLayouts = 0;

private:
    // The records of one drawing laid out as columns, and what they were made from.
    struct TColumns {
        TScatterPointSource Source;
        std::vector<float> Gathered;    // values, then weights, then relevances, per dimension
        std::vector<float> Zeros;
        std::vector<float> Strengths;
        std::vector<float> Colors;
        std::vector<std::uint32_t> Rows;
        struct TKey {
            const TPreProcessedData* Data = nullptr;
            const TRecordList* List = nullptr;
            std::uint64_t Selections = 0;
            std::uint64_t TimeWindow = 0;
            std::uint64_t Order = 0;
            std::uint64_t Frequencies = 0;
            std::uint64_t Relevances = 0;
            ENUM_drawModes Mode = drawmodeNormal;
            bool operator==(const TKey&) const = default;
        } Key;
        bool Valid = false;
        std::size_t SkippedByTime = 0;  // records of the list left out by the time window
        // Lays out the records of `list` (every record when null), those outside the time
        // window left out when `timeWindow`.
        void Build(const TPreProcessedData& data, const TRecordList* list, ENUM_drawModes mode, bool timeWindow);
    };
    // Brings `columns` up to date; answers whether it was laid out again.
    bool Refresh(TColumns& columns, const TColumns::TKey& key, bool timeWindow);

    std::vector<TScatterCell> Items;
    TScatterCell* Focused = nullptr;
    const TRecordList* ListOfIndexOfDataItemsToDraw = nullptr;
    TPreProcessedData* Data = nullptr;
    TScatterPlots* View = nullptr;
    ENUM_drawModes DrawModeValue = drawmodeNormal;
    float PointSizeValue = 1.0f;
    // The small cells draw the records of the time window; the zoom cell every record.
    TColumns CellColumns;
    TColumns ZoomColumns;
    bool ZoomSharesCellColumns = false;
    TScatterScratch Scratch;
};

#include "techniques/scatter/ScatterCellsList.h"

#include <algorithm>

#include "render/Drawing.h"
#include "techniques/scatter/ScatterPlots.h"

void TScatterCellsList::BuildCells(TScatterPlots* view, TPreProcessedData* data, const TScatterLayout& layout)
{
    View = view;
    Data = data;
    Items.clear();
    Focused = nullptr;
    ListOfIndexOfDataItemsToDraw = nullptr;
    CellColumns = {};
    ZoomColumns = {};
    ZoomSharesCellColumns = false;
    ZoomCell.Reset();
    ZoomCell.Attach(view, layout);
    const int n = data ? data->NumberOfDimensions() : 0;
    if (n <= 0 || layout.Dimensions != n) return;
    Items.reserve(std::size_t(n) * std::size_t(n + 1) / 2);
    for (int line = 0; line < n; ++line)
        for (int column = n - 1; column >= line; --column) {
            Items.emplace_back();
            Items.back().Initialize(view, layout, column, line);
        }
}

// ---- the records to draw

void TScatterCellsList::TColumns::Build(const TPreProcessedData& data, const TRecordList* list, ENUM_drawModes mode,
                                        bool timeWindow)
{
    const int n = data.NumberOfDimensions();
    const TRecordList& records = list ? *list : data.ListOfPreprocessedRecords;
    std::size_t rowsLimit = n > 0 ? data.GetDimension(0)->Values.size() : 0;
    for (int d = 1; d < n; ++d) rowsLimit = std::min(rowsLimit, data.GetDimension(d)->Values.size());

    const bool recordColors = list != nullptr;
    const bool relevance = mode == drawmodeRelev;
    const bool weights = mode == drawmodeFreq || relevance;
    Rows.clear();
    Colors.clear();
    Strengths.clear();
    SkippedByTime = 0;
    Rows.reserve(records.size());
    if (recordColors) Colors.reserve(3 * records.size());
    if (relevance) Strengths.reserve(records.size());
    for (const TPreProcessedRecord* record : records) {
        if (!record || record->Index < 0 || std::size_t(record->Index) >= rowsLimit) continue;
        if (timeWindow && !record->TemporalInteractionDraw) {
            ++SkippedByTime;
            continue;
        }
        Rows.push_back(std::uint32_t(record->Index));
        if (recordColors) Colors.insert(Colors.end(), {record->Color.C1, record->Color.C2, record->Color.C3});
        if (relevance) Strengths.push_back(RelevanceStrength(record->RecordRelevanceCoefficiente));
    }
    const std::size_t count = Rows.size();
    bool inStorageOrder = count == rowsLimit;
    for (std::size_t i = 0; inStorageOrder && i < count; ++i) inStorageOrder = Rows[i] == i;

    Source = {};
    Source.Count = count;
    Source.Colors = recordColors ? Colors.data() : nullptr;
    Source.Strengths = relevance ? Strengths.data() : nullptr;
    Zeros.assign(count, 0.0f);
    // Where the order is the storage order the dataset's arrays serve as they are.
    const std::size_t arrays = std::size_t(n) * (1 + (weights ? 1 : 0) + (relevance ? 1 : 0));
    Gathered.resize(inStorageOrder ? 0 : arrays * count);
    std::size_t next = 0;
    auto column = [&](const std::vector<float>& cells) -> const float* {
        if (cells.size() < rowsLimit) return Zeros.data();  // not computed yet: reads 0
        if (inStorageOrder) return cells.data();
        float* out = Gathered.data() + next;
        next += count;
        const float* in = cells.data();
        for (std::size_t i = 0; i < count; ++i) out[i] = in[Rows[i]];
        return out;
    };
    for (int d = 0; d < n; ++d) {
        const TPreProcessedDimension* dimension = data.GetDimension(d);
        Source.Values.push_back(column(dimension->Values));
        Source.Weights.push_back(weights ? column(dimension->Weights) : Zeros.data());
        Source.Relevances.push_back(relevance ? column(dimension->Relevances) : Zeros.data());
    }
    Valid = true;
}

bool TScatterCellsList::Refresh(TColumns& columns, const TColumns::TKey& key, bool timeWindow)
{
    if (columns.Valid && columns.Key == key) return false;
    columns.Build(*Data, ListOfIndexOfDataItemsToDraw, DrawModeValue, timeWindow);
    columns.Key = key;
    ++RecordLayouts;
    return true;
}

void TScatterCellsList::PrepareRecords(std::uint64_t selectionsVersion)
{
    if (!Data) return;
    if (DrawModeValue == drawmodeRelev) Data->SortRecordsByRelevance();
    TColumns::TKey key;
    key.Data = Data;
    key.List = ListOfIndexOfDataItemsToDraw;
    key.Selections = selectionsVersion;
    key.TimeWindow = Data->TimeWindowStamp;
    key.Order = Data->RecordOrderStamp;
    key.Frequencies = Data->FrequencyValuesTimeStamp;
    key.Relevances = Data->RelevanceValuesTimeStamp;
    key.Mode = DrawModeValue;
    Refresh(CellColumns, key, true);
    ZoomSharesCellColumns = CellColumns.SkippedByTime == 0;
    if (!ZoomSharesCellColumns && ZoomCell.Covers() && Focused) Refresh(ZoomColumns, key, false);
}

// ---- drawing

void TScatterCellsList::DrawCells(TScatterPaint paint)
{
    paint.Points = &CellColumns.Source;
    paint.Scratch = &Scratch;
    paint.DrawMode = DrawModeValue;
    paint.PointSize = PointSizeValue;
    for (const TScatterCell& cell : Items) cell.Draw(paint);
}

void TScatterCellsList::DrawZoomCell(TScatterPaint paint)
{
    ZoomCell.SetCellToDisplay(Focused);
    paint.Points = ZoomSharesCellColumns ? &CellColumns.Source : &ZoomColumns.Source;
    paint.Scratch = &Scratch;
    paint.DrawMode = DrawModeValue;
    paint.PointSize = ZoomCell.ZoomPointSize;
    ZoomCell.Draw(paint);
}

void TScatterCellsList::DrawCellsDensity(TScatterPaint paint, TScatterDensity& density, bool exactBrushed)
{
    paint.Points = exactBrushed ? &CellColumns.Source : nullptr;  // no points: frames, labels and marks only
    paint.Scratch = &Scratch;
    paint.DrawMode = DrawModeValue;
    paint.PointSize = PointSizeValue;
    const float ux = paint.UnitsPerPixelX / paint.PixelRatio, uy = paint.UnitsPerPixelY / paint.PixelRatio;
    for (const TScatterCell& cell : Items) {
        density.DrawPlot(cell.ScatterCellIndexes.ColumnIndex, cell.ScatterCellIndexes.LineIndex,
                         TScatterDensity::FrameFor(cell.XScale, cell.YScale, ux, uy), false);
        cell.Draw(paint);
    }
}

void TScatterCellsList::DrawZoomCellDensity(TScatterPaint paint, TScatterDensity& density, bool exactBrushed)
{
    ZoomCell.SetCellToDisplay(Focused);
    if (!Focused || !ZoomCell.Covers()) return;
    const float ux = paint.UnitsPerPixelX / paint.PixelRatio, uy = paint.UnitsPerPixelY / paint.PixelRatio;
    density.DrawPlot(Focused->ScatterCellIndexes.ColumnIndex, Focused->ScatterCellIndexes.LineIndex,
                     TScatterDensity::FrameFor(ZoomCell.XScale, ZoomCell.YScale, ux, uy), true);
    paint.Points = !exactBrushed ? nullptr : ZoomSharesCellColumns ? &CellColumns.Source : &ZoomColumns.Source;
    paint.Scratch = &Scratch;
    paint.DrawMode = DrawModeValue;
    paint.PointSize = ZoomCell.ZoomPointSize;
    ZoomCell.Draw(paint);
}

void TScatterCellsList::DrawCursor(TScatterPaint paint) const { ZoomCell.DrawCursor(paint); }

// ---- the pointer

std::optional<TScatterCellIndexes> TScatterCellsList::FocusCellAt(int x, int y)
{
    if (Focused) Focused->Focused = false;
    for (TScatterCell& cell : Items)
        if (cell.Contains(x, y)) {
            Focused = &cell;
            cell.Focused = true;
            // The pointer is no longer inside the zoom cell, which does not overlap a cell.
            ZoomCell.PointerX = ZoomCell.PointerY = -1;
            return cell.ScatterCellIndexes;
        }
    ZoomCell.TrackPointer(x, y);
    return std::nullopt;
}

const TScatterCell* TScatterCellsList::FindCell(const std::optional<TScatterCellIndexes>& indexes) const
{
    if (!indexes) return nullptr;
    for (const TScatterCell& cell : Items)
        if (cell.ScatterCellIndexes == *indexes) return &cell;
    return nullptr;
}

bool TScatterCellsList::IsDiagonal(const std::optional<TScatterCellIndexes>& indexes) const
{
    const TScatterCell* cell = FindCell(indexes);
    return cell && cell->IsDiagonal();
}

float TScatterCellsList::ValueInCell(int x, const std::optional<TScatterCellIndexes>& indexes) const
{
    const TScatterCell* cell = FindCell(indexes);
    return cell ? cell->ValueAtX(x) : 0.0f;
}

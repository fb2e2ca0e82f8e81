#include "techniques/scatter/ScatterPlotsMethods.h"

#include <algorithm>
#include <cmath>

#include "render/CheckedInt.h"
#include "render/Drawing.h"
#include "techniques/scatter/ScatterPlots.h"

TScatterPlotsMethods::TScatterPlotsMethods(TScatterPlots* view) : TVisualizationMethods(view), ScatterPlots(view) {}

void TScatterPlotsMethods::SetStatisticsDrawFunctions(TStatisticsList* list)
{
    if (!list) return;
    list->SetDrawAverage([this](TStatistics* s) { DrawAverageOnDiagonal(s); });
    list->SetDrawMedian([this](TStatistics* s) { DrawMedianOnDiagonal(s); });
    list->SetDrawModaValues([this](TStatistics* s) { DrawModaValuesOnDiagonal(s); });
    list->SetDrawStandardDeviation([this](TStatistics* s) { DrawStandardDeviationOnDiagonal(s); });
    list->DrawAverageList = [this](TStatisticsList* l) { BeginDrawAverageList(l); };
    list->DrawMedianList = [this](TStatisticsList* l) { BeginDrawMedianList(l); };
}

// ---- statistics

void TScatterPlotsMethods::Marks(const TStatistics* statistics, const float* values, std::size_t count)
{
    const TScatterLayout& layout = ScatterPlots->Layout;
    const int d = statistics->DimensionIndex();
    if (d < 0 || d >= layout.Dimensions) return;
    const bool inZoom = layout.HasZoom() && ScatterPlots->CurrentCellIndexes->LineIndex == d;
    TMeaningScope meaning(TMeaning::Statistic);
    TDrawing& gl = Gl();
    gl.PointSize(6);
    gl.Begin(TPrimitive::Points);
    for (std::size_t i = 0; i < count; ++i) {
        const float v = values[i];
        if (!std::isfinite(v)) continue;
        gl.Vertex(float(layout.DiagonalX(d)) + v * layout.CellWidth, float(layout.DiagonalY(d)) + v * layout.CellHeight, 1);
        if (inZoom)
            gl.Vertex(float(layout.ZoomLeft) + v * layout.ZoomWidth, float(layout.ZoomBottom) + v * layout.ZoomHeight, 1);
    }
    gl.End();
    gl.PointSize(2);
}

void TScatterPlotsMethods::DrawAverageOnDiagonal(TStatistics* s)
{
    if (!s || !ScatterPlots->CurrentCellIndexes) return;
    BeginDrawAverage(s);
    const float v = s->Average();
    Marks(s, &v, 1);
}

void TScatterPlotsMethods::DrawMedianOnDiagonal(TStatistics* s)
{
    if (!s || !ScatterPlots->CurrentCellIndexes) return;
    BeginDrawMedian(s);
    const float v = s->Median();
    Marks(s, &v, 1);
}

void TScatterPlotsMethods::DrawModaValuesOnDiagonal(TStatistics* s)
{
    if (!s || !ScatterPlots->CurrentCellIndexes) return;
    BeginDrawModaValues(s);
    const std::vector<float>& values = s->GetModaValues();
    Marks(s, values.data(), values.size());
}

void TScatterPlotsMethods::DrawStandardDeviationOnDiagonal(TStatistics* s)
{
    if (!s || !ScatterPlots->CurrentCellIndexes) return;
    BeginDrawStandardDeviation(s);
    const float v = s->StandardDeviation();  // placed as if it were a normalised value
    Marks(s, &v, 1);
}

// ---- selections

namespace {
// The extent a box may take along one side of a cell: one unit beyond the plotted range
// at each end (so a box pushed against the border includes 0 and 1), within the cell.
struct TBoxExtent {
    int Low;
    int High;
};

TBoxExtent BoxExtent(const TValueScale& scale, int cellLow, int cellHigh)
{
    const int low = std::max(cellLow, TruncToInt(scale.Origin) - 1);
    const int high = std::max(low, std::min(cellHigh, TruncToInt(double(scale.Origin) + scale.Length) + 1));
    return {low, high};
}
} // namespace

void TScatterPlotsMethods::DrawSelectionBox(TSelectioner* s)
{
    BeginDrawSelection(s);
    if (!s) return;
    const TScatterLayout& layout = ScatterPlots->Layout;
    const int d = s->SelectionDimensionIndex();
    if (d < 0 || d >= layout.Dimensions) return;
    const TScatterRect cell = layout.Cell(d, d);
    const TValueScale xs = layout.CellXScale(d), ys = layout.CellYScale(d);
    const TBoxExtent bx = BoxExtent(xs, cell.X0, cell.X1), by = BoxExtent(ys, cell.Y0, cell.Y1);
    // A range made in another view may lie outside [0, 1] or be reversed: the box shows
    // the part of it the cell can show.
    float low = s->MinNormalized(), high = s->MaxNormalized();
    if (low > high) std::swap(low, high);
    s->XMin = std::clamp(xs.ToLogicalInt(low), bx.Low, bx.High);
    s->XMax = std::clamp(xs.ToLogicalInt(high), bx.Low, bx.High);
    s->YMin = std::clamp(ys.ToLogicalInt(low), by.Low, by.High);
    s->YMax = std::clamp(ys.ToLogicalInt(high), by.Low, by.High);

    TDrawing& gl = Gl();
    {
        TMeaningScope meaning(TMeaning::Brush);
        gl.PointSize(1);
        gl.LineWidth(1);
        if (s->DiferentiateColor)
            gl.Color(1, 0, 0);
        else
            s->ApplyColor();
        gl.Begin(TPrimitive::LineLoop);
        gl.Vertex(float(s->XMin), float(s->YMin), 2);
        gl.Vertex(float(s->XMin), float(s->YMax), 2);
        gl.Vertex(float(s->XMax), float(s->YMax), 2);
        gl.Vertex(float(s->XMax), float(s->YMin), 2);
        gl.End();
        gl.Flush();
    }
    SetStatisticsDrawFunctions(s->StatisticsList());
}

void TScatterPlotsMethods::ResizeSelectionBox(TSelectioner* s, int x, int y)
{
    BeginResizeSelection(s);
    if (!s) return;
    const TScatterLayout& layout = ScatterPlots->Layout;
    TPreProcessedData* data = ScatterPlots->PreProcessedData();
    const int d = s->SelectionDimensionIndex();
    if (!data || d < 0 || d >= layout.Dimensions || d >= data->NumberOfDimensions()) return;
    // Below right or above left of the box: nothing happens.
    if ((x > s->XMax && y < s->YMin) || (x < s->XMin && y > s->YMax)) return;

    int xMin = s->XMin, xMax = s->XMax, yMin = s->YMin, yMax = s->YMax;
    if ((xMin <= x && x <= xMax && y >= yMin + (yMax - yMin) / 2) || (x >= xMax && y >= yMin)) {
        xMax = x;
        yMax = y;
    } else {
        xMin = x;
        yMin = y;
    }
    // Within the cell: a corner pushed against (or beyond) the border ends one unit beyond
    // the plotted range.
    const TScatterRect cell = layout.Cell(d, d);
    const TValueScale xs = layout.CellXScale(d), ys = layout.CellYScale(d);
    const TBoxExtent bx = BoxExtent(xs, cell.X0, cell.X1), by = BoxExtent(ys, cell.Y0, cell.Y1);
    if (float(xMin) <= xs.Origin) xMin = bx.Low;
    if (float(xMax) >= xs.Origin + xs.Length) xMax = bx.High;
    if (float(yMin) <= ys.Origin) yMin = by.Low;
    if (float(yMax) >= ys.Origin + ys.Length) yMax = by.High;
    xMin = std::clamp(xMin, bx.Low, bx.High);
    xMax = std::clamp(xMax, bx.Low, bx.High);
    yMin = std::clamp(yMin, by.Low, by.High);
    yMax = std::clamp(yMax, by.Low, by.High);
    if (xMin > xMax) std::swap(xMin, xMax);
    if (yMin > yMax) std::swap(yMin, yMax);

    // The longer side gives the range.
    const bool across = xMax - xMin > yMax - yMin;
    const TValueScale& scale = across ? xs : ys;
    if (scale.Length <= 0.0f) return;  // a cell too small to read a range from
    const float high = scale.ToValue(float(across ? xMax : yMax));
    const float low = scale.ToValue(float(across ? xMin : yMin));
    if (!std::isfinite(high) || !std::isfinite(low)) return;
    s->XMin = xMin;
    s->XMax = xMax;
    s->YMin = yMin;
    s->YMax = yMax;
    s->SetNormalizedRange(low, high);
    s->MaxValue = data->Denormalise(d, s->MaxNormalized());
    s->MinValue = data->Denormalise(d, s->MinNormalized());
}

int TScatterPlotsMethods::SelectionBoxUnderPointer(TSelectionsList* list, int x, int y)
{
    BeginSelectionOverWhichTheMouseIs(list);
    if (!list) return -1;
    for (int i = 0; i < list->Count(); ++i) {
        const TSelectioner* s = list->GetSelection(i);
        if (s->XMin <= x && x <= s->XMax && s->YMin <= y && y <= s->YMax) return i;
    }
    return -1;
}

void TScatterPlotsMethods::AddSelectionBox(TSelectionsList* list, int, int)
{
    BeginAddNewSelection(list);
    TPreProcessedData* data = ScatterPlots->PreProcessedData();
    const TScatterLayout& layout = ScatterPlots->Layout;
    if (!list || !data) return;
    const int d = list->SelectionDimensionIndex();
    if (d < 0 || d >= data->NumberOfDimensions() || d >= layout.Dimensions) return;
    auto selection = std::make_unique<TSelectioner>();
    TSelectioner* s = selection.get();
    s->Attach(data, d);
    const int cx = layout.DiagonalX(d), cy = layout.DiagonalY(d);
    s->XMin = cx;
    s->YMin = cy;
    s->XMax = TruncToInt(float(cx) + layout.CellWidth * 0.5f);
    s->YMax = TruncToInt(float(cy) + layout.CellHeight * 0.5f);
    s->SetNormalizedRange(0.0f, 0.5f);
    s->MaxValue = data->Denormalise(d, 0.5f);
    s->MinValue = data->Denormalise(d, 0.0f);
    s->DrawSelectionFunction = list->DrawSelectionFunction();
    s->ResizeSelectionFunction = list->ResizeSelectionFunction();
    const int index = list->Add(std::move(selection));
    list->SetFocus(index);
    s->Color()->Assign(list->NewSelectionColor());
}

bool TScatterPlotsMethods::UpdateSelectionBoxes(TSelectionsList* list, ENUM_selectionEvents event, int x, int y)
{
    BeginUpdateSelectionsList(list);
    if (!list) return false;
    switch (event) {
    case seSelect:
        list->SetFocus(SelectionBoxUnderPointer(list, x, y));
        if (list->FocusIndex() == -1) AddSelectionBox(list, x, y);
        return false;
    case seRemove: list->RemoveFocused(); return true;
    case seResize:
        if (list->Count() == 0) return false;
        if (TSelectioner* focused = list->GetSelection(list->FocusIndex())) ResizeSelectionBox(focused, x, y);
        return true;
    }
    return false;
}

void TScatterPlotsMethods::AddSelectionOnDimension(TSelectionsController* controller, int d)
{
    BeginNewSelection(controller);
    if (!controller) return;
    TSelectionsList* list = controller->GetSelectionsList(d);
    if (!list) return;
    if (controller->CurrentListIndex == -1) controller->CurrentListIndex = d;
    AddSelectionBox(list, 0, 0);
}

int TScatterPlotsMethods::DiagonalCellUnderPointer(TSelectionsController* controller, int x, int y)
{
    BeginGetFocusedSelectionList(controller);
    if (!controller) return -1;
    const TScatterLayout& layout = ScatterPlots->Layout;
    const int lists = std::min(controller->Count(), layout.Dimensions);
    for (int d = 0; d < lists; ++d) {
        const float cx = float(layout.DiagonalX(d)), cy = float(layout.DiagonalY(d));
        if (cx <= float(x) && float(x) <= cx + layout.CellWidth && cy <= float(y) && float(y) <= cy + layout.CellHeight)
            return d;
    }
    return -1;
}

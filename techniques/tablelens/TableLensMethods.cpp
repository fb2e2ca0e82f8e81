#include "techniques/tablelens/TableLensMethods.h"

#include <cmath>

#include "render/Drawing.h"
#include "techniques/tablelens/TableLens.h"
#include "render/CheckedInt.h"
#include "render/TextDecoding.h"

TTableLensMethods::TTableLensMethods(TTableLens* view) : TVisualizationMethods(view), TableLens(view) {}

void TTableLensMethods::SetStatisticsDrawFunctions(TStatisticsList* list)
{
    if (!list) return;
    list->SetDrawAverage([this](TStatistics* s) { DrawAverageInColumn(s); });
    list->SetDrawMedian([this](TStatistics* s) { DrawMedianInColumn(s); });
    list->SetDrawModaValues([this](TStatistics* s) { DrawModaValuesInColumn(s); });
    list->SetDrawStandardDeviation([this](TStatistics* s) { DrawStandardDeviationInColumn(s); });
    list->DrawAverageList = [this](TStatisticsList* l) { BeginDrawAverageList(l); };
    list->DrawMedianList = [this](TStatisticsList* l) { BeginDrawMedianList(l); };
}

// ---- statistics

void TTableLensMethods::Lines(const TStatistics* s, const float* values, std::size_t count)
{
    if (!s) return;
    const TTableLensColumnsList& columns = TableLens->TableLensColumnsList;
    const int d = s->DimensionIndex();
    if (!columns.Valid(d)) return;
    const TTableLensColumn& column = columns.Column(d);
    const float top = float(TableLens->SpaceHeight - 30);
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Statistic);
    gl.Begin(TPrimitive::Lines);
    for (std::size_t k = 0; k < count; ++k) {
        if (!std::isfinite(values[k])) continue;  // an undefined statistic draws nothing
        const float x = column.PosX0 + 1 + column.OffsetOfValue(values[k]);
        gl.Vertex(x, top, 2);
        gl.Vertex(x, 51, 2);
    }
    gl.End();
}

void TTableLensMethods::DrawAverageInColumn(TStatistics* s)
{
    BeginDrawAverage(s);
    if (!s) return;
    const float v = s->Average();
    Lines(s, &v, 1);
}

void TTableLensMethods::DrawMedianInColumn(TStatistics* s)
{
    BeginDrawMedian(s);
    if (!s) return;
    const float v = s->Median();
    Lines(s, &v, 1);
}

void TTableLensMethods::DrawStandardDeviationInColumn(TStatistics* s)
{
    BeginDrawStandardDeviation(s);
    if (!s) return;
    // Placed as if it were a normalised value: it is a spread in those units.
    const float v = s->StandardDeviation();
    Lines(s, &v, 1);
}

void TTableLensMethods::DrawModaValuesInColumn(TStatistics* s)
{
    BeginDrawModaValues(s);
    if (!s) return;
    const std::vector<float>& values = s->GetModaValues();
    Lines(s, values.data(), values.size());
}

// ---- bands

void TTableLensMethods::DrawSelectionBand(TSelectioner* s)
{
    BeginDrawSelection(s);
    if (!s) return;
    const TTableLensColumnsList& columns = TableLens->TableLensColumnsList;
    const int d = s->SelectionDimensionIndex();
    if (!columns.Valid(d)) return;
    const TTableLensColumn& column = columns.Column(d);
    const int h = TableLens->SpaceHeight;
    s->XMax = TruncToInt(column.PosX0 + column.OffsetOfValue(s->MaxNormalized()));
    s->XMin = TruncToInt(column.PosX0 + column.OffsetOfValue(s->MinNormalized()));
    s->YMax = h;
    s->YMin = h - 28;
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Brush);
    if (s->DiferentiateColor)
        gl.Color(1, 0, 0);
    else
        s->ApplyColor();
    const float x0 = float(s->XMin);
    const float x1 = float(s->XMax);
    gl.Begin(TPrimitive::Quads);
    gl.Vertex(x0, float(s->YMin), 0);
    gl.Vertex(x0, float(s->YMax), 0);
    gl.Vertex(x1, float(s->YMax), 0);
    gl.Vertex(x1, float(s->YMin), 0);
    gl.End();
    gl.LineWidth(2);
    gl.Begin(TPrimitive::LineLoop);
    gl.Vertex(x0, 49, 2);
    gl.Vertex(x0, float(h - 29), 2);
    gl.Vertex(x1, float(h - 29), 2);
    gl.Vertex(x1, 49, 2);
    gl.End();
    SetStatisticsDrawFunctions(s->StatisticsList());
}

bool TTableLensMethods::ClampIntoColumn(int d, int& x) const
{
    const TTableLensColumnsList& columns = TableLens->TableLensColumnsList;
    if (!columns.Valid(d)) return false;
    const TTableLensColumn& column = columns.Column(d);
    if (column.Usable() <= 0.0f) return false;
    if (float(x) >= column.PosX0 + column.Range - 5)
        x = TruncToInt(column.PosX0 + column.Range - 4);
    else if (float(x) <= column.PosX0 + 5)
        x = TruncToInt(column.PosX0 + 4);
    return true;
}

void TTableLensMethods::ResizeSelectionBand(TSelectioner* s, int x, int)
{
    BeginResizeSelection(s);
    TPreProcessedData* data = TableLens->PreProcessedData();
    if (!s || !data) return;
    const int d = s->SelectionDimensionIndex();
    if (d < 0 || d >= data->NumberOfDimensions() || !ClampIntoColumn(d, x)) return;
    const float value = TableLens->TableLensColumnsList.ValueAtX(d, x);
    if (x > s->XMin + (s->XMax - s->XMin) / 2) {
        s->XMax = x;
        s->SetMaxNormalized(value);
        s->MaxValue = data->Denormalise(d, s->MaxNormalized());
    } else {
        s->XMin = x;
        s->SetMinNormalized(value);
        s->MinValue = data->Denormalise(d, s->MinNormalized());
    }
}

void TTableLensMethods::AddSelectionBand(TSelectionsList* list, int x, int)
{
    BeginAddNewSelection(list);
    TPreProcessedData* data = TableLens->PreProcessedData();
    if (!list || !data) return;
    const int d = list->SelectionDimensionIndex();
    if (d < 0 || d >= data->NumberOfDimensions() || !ClampIntoColumn(d, x)) return;
    auto selection = std::make_unique<TSelectioner>();
    TSelectioner* s = selection.get();
    s->Attach(data, d);
    s->XMax = s->XMin = x;
    s->SetMaxNormalized(TableLens->TableLensColumnsList.ValueAtX(d, x));
    s->SetMinNormalized(s->MaxNormalized());
    s->MaxValue = s->MinValue = data->Denormalise(d, s->MaxNormalized());
    s->YMax = TableLens->SpaceHeight;
    s->YMin = TableLens->SpaceHeight - 28;
    s->DrawSelectionFunction = list->DrawSelectionFunction();
    s->ResizeSelectionFunction = list->ResizeSelectionFunction();
    const int index = list->Add(std::move(selection));
    list->SetFocus(index);
    s->Color()->Assign(list->NewSelectionColor());
}

int TTableLensMethods::SelectionBandUnderPointer(TSelectionsList* list, int x, int)
{
    BeginSelectionOverWhichTheMouseIs(list);
    if (!list) return -1;
    for (int i = 0; i < list->Count(); ++i) {
        const TSelectioner* s = list->GetSelection(i);
        if (s->XMin <= x && x <= s->XMax) return i;
    }
    return -1;
}

bool TTableLensMethods::UpdateSelectionBands(TSelectionsList* list, ENUM_selectionEvents event, int x, int y)
{
    BeginUpdateSelectionsList(list);
    if (!list) return false;
    switch (event) {
    case seSelect:
        list->SetFocus(list->SelectionOverWhichTheMouseIs(x, y));
        if (list->FocusIndex() == -1) list->AddNewSelection(x, y);
        return false;
    case seRemove: list->RemoveFocused(); return true;
    case seResize: {
        if (list->Count() == 0) return false;
        TSelectioner* c = list->GetSelection(list->FocusIndex());
        if (!c) return false;  // no focused band: nothing to resize
        // An edge stops at the nearest neighbouring band on its way.
        if (list->Count() > 1) {
            if (x <= c->XMin) {
                bool found = false;
                int limit = 0;
                for (int i = 0; i < list->Count(); ++i) {
                    const TSelectioner* o = list->GetSelection(i);
                    if (o == c || !(x <= o->XMax && o->XMax < c->XMax)) continue;
                    if (!found || o->XMax > limit) limit = o->XMax;
                    found = true;
                }
                if (found) x = limit;
            } else if (x >= c->XMax) {
                bool found = false;
                int limit = 0;
                for (int i = 0; i < list->Count(); ++i) {
                    const TSelectioner* o = list->GetSelection(i);
                    if (o == c || !(c->XMin < o->XMin && o->XMin <= x)) continue;
                    if (!found || o->XMin < limit) limit = o->XMin;
                    found = true;
                }
                if (found) x = limit;
            }
        }
        c->Resize(x, y);
        return true;
    }
    }
    return false;
}

int TTableLensMethods::ColumnUnderPointer(TSelectionsController* controller, int, int)
{
    BeginGetFocusedSelectionList(controller);
    return TableLens->TableLensColumnsList.IndexOfColumnOverWhichTheMouseIs;
}

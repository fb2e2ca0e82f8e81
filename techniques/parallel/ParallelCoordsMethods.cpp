#include "techniques/parallel/ParallelCoordsMethods.h"

#include <algorithm>
#include <cmath>

#include "render/Drawing.h"
#include "techniques/parallel/ParallelCoordinates.h"

namespace {
void Tick(float x, int y, float depth)
{
    TDrawing& gl = Gl();
    gl.Begin(TPrimitive::Lines);
    gl.Vertex(x - 5, float(y), depth);
    gl.Vertex(x + 5, float(y), depth);
    gl.End();
}

// Text offsets are pixels (see TParallelCoordinates::PixelsAcross).
} // namespace

TParallelCoordsMethods::TParallelCoordsMethods(TParallelCoordinates* view) : TVisualizationMethods(view), View(view) {}

void TParallelCoordsMethods::SetStatisticsDrawFunctions(TStatisticsList* list)
{
    if (!list) return;
    list->SetDrawAverage([this](TStatistics* s) { DrawAverageStatistic(s); });
    list->SetDrawMedian([this](TStatistics* s) { DrawMedianStatistic(s); });
    list->SetDrawModaValues([this](TStatistics* s) { DrawModaValuesStatistic(s); });
    list->SetDrawStandardDeviation([this](TStatistics* s) { DrawStandardDeviationStatistic(s); });
    list->DrawAverageList = [this](TStatisticsList* l) { DrawAverageLine(l); };
    list->DrawMedianList = [this](TStatisticsList* l) { DrawMedianLine(l); };
}

// A normalised value of dimension i as the user reads it (its text in a text column).
std::string TParallelCoordsMethods::ValueText(int i, float normalised) const
{
    const TPreProcessedData* data = View->PreProcessedData();
    return data->ValueText(i, data->Denormalise(i, normalised));
}

float TParallelCoordsMethods::Normalised(int y) const
{
    return View->ValueScale().ToValue(float(y));
}

// ---- statistics

void TParallelCoordsMethods::Mark(int dimension, float value, const std::string& label)
{
    const float x = View->GetAxisX(dimension);
    const int y = View->ValueScale().ToLogicalInt(value);
    Gl().LineWidth(5);
    Tick(x, y, 0);
    StatisticLabel(x + View->PixelsAcross(6), StatisticLabelY(float(y)), label);
}

void TParallelCoordsMethods::StatisticLabel(float x, float y, const std::string& text)
{
    const TOpenGLColor colour = StatisticColor;
    ReadOutBacking(x, y, text);
    Gl().Color(0.5f * colour.C1, 0.5f * colour.C2, 0.5f * colour.C3);
    Gl().RasterPos(x, y, 1);
    Gl().Text(text);
    colour.Apply();
}

float TParallelCoordsMethods::StatisticLabelY(float y, float below) const
{
    // Texts stand 13 pixels high: one line clear of each axis-end value.
    const float line = View->PixelsUp(13);
    const float highest = View->HighValueLabelY() - line;
    const float lowest = View->LowValueLabelY() + line + View->PixelsUp(below);
    return std::max(lowest, std::min(y, highest));
}

void TParallelCoordsMethods::DrawAverageStatistic(TStatistics* s)
{
    BeginDrawAverage(s);
    if (!s || !View->PreProcessedData()) return;
    const int i = s->DimensionIndex();
    Mark(i, s->Average(), ValueText(i, s->Average()));
}

void TParallelCoordsMethods::DrawMedianStatistic(TStatistics* s)
{
    BeginDrawMedian(s);
    if (!s || !View->PreProcessedData()) return;
    const int i = s->DimensionIndex();
    const float x = View->GetAxisX(i);
    const int y = View->ValueScale().ToLogicalInt(s->Median());
    Gl().LineWidth(5);
    Tick(x, y, 0);
    const float labelY = StatisticLabelY(float(y), 11);
    StatisticLabel(x + View->PixelsAcross(6), labelY - View->PixelsUp(11), "Med");
    StatisticLabel(x + View->PixelsAcross(6), labelY, ValueText(i, s->Median()));
}

void TParallelCoordsMethods::DrawStandardDeviationStatistic(TStatistics* s)
{
    BeginDrawStandardDeviation(s);
    if (!s || !View->PreProcessedData()) return;
    // The mark stands at the normalised deviation; its label reads in the dimension's units,
    // like every other label on the axis (a spread: the range times the deviation).
    const int i = s->DimensionIndex();
    Mark(i, s->StandardDeviation(), FormatFloat("0.##", View->PreProcessedData()->SpreadInUnits(i, s->StandardDeviation())));
}

void TParallelCoordsMethods::DrawModaValuesStatistic(TStatistics* s)
{
    BeginDrawModaValues(s);
    if (!s || !View->PreProcessedData()) return;
    const int i = s->DimensionIndex();
    for (float a : s->GetModaValues()) Mark(i, a, ValueText(i, a));
}

void TParallelCoordsMethods::DrawAverageLine(TStatisticsList* statistics)
{
    BeginDrawAverageList(statistics);
    DrawStatisticsLine(statistics, &TStatistics::Average);
}

void TParallelCoordsMethods::DrawMedianLine(TStatisticsList* statistics)
{
    BeginDrawMedianList(statistics);
    DrawStatisticsLine(statistics, &TStatistics::Median);
}

// One line strip through a statistic of every axis, in this view's axis order.
void TParallelCoordsMethods::DrawStatisticsLine(TStatisticsList* statistics, float (TStatistics::*value)() const)
{
    if (!statistics) return;
    TDrawing& gl = Gl();
    gl.LineWidth(5);
    gl.Begin(TPrimitive::LineStrip);
    for (int d : View->GetAxisOrder())
        if (TStatistics* s = statistics->GetStatistics(d))
            gl.Vertex(View->GetAxisX(d), float(View->ValueScale().ToLogicalInt((s->*value)())), 0);
    gl.End();
    gl.Flush();
}

// ---- selections

void TParallelCoordsMethods::DrawSelection(TSelectioner* s)
{
    BeginDrawSelection(s);
    if (!s) return;
    TDrawing& gl = Gl();
    const float x = View->GetAxisX(s->SelectionDimensionIndex());
    s->YMax = View->ValueScale().ToLogicalInt(s->MaxNormalized());
    s->YMin = View->ValueScale().ToLogicalInt(s->MinNormalized());
    const float yMax = float(s->YMax);
    const float yMin = float(s->YMin);

    // The read-outs (record count, upper and lower bound) stay readable over dense
    // polylines: the brushes are drawn after the lines, each read-out on a light backing,
    // and the backings go first so that the brush itself stays on top of them.
    const TPreProcessedData* data = View->PreProcessedData();
    const int d = s->SelectionDimensionIndex();
    const bool valid = data && d >= 0 && d < data->NumberOfDimensions();
    const struct {
        float X, Y;
        std::string Text;
    } readOuts[] = {
        // The count ends left of the bar and its arrowheads, however many digits it has.
        {x - View->PixelsAcross(std::max(25.0f, 9.0f + 8.0f * float(IntToStr(s->Count()).size()))),
         float(s->YMax - (s->YMax - s->YMin) / 2), IntToStr(s->Count())},
        {x + View->PixelsAcross(7), yMax, valid ? data->ValueText(d, s->MaxValue) : FormatFloat("0.##", s->MaxValue)},
        {x + View->PixelsAcross(7), yMin, valid ? data->ValueText(d, s->MinValue) : FormatFloat("0.##", s->MinValue)},
    };
    for (const auto& readOut : readOuts) ReadOutBacking(readOut.X, readOut.Y, readOut.Text);

    if (s->DiferentiateColor)
        gl.Color(1, 0, 0);
    else
        s->ApplyColor();
    gl.Begin(TPrimitive::Triangles);
    gl.Vertex(x - 6, yMax, 1);
    gl.Vertex(x, yMax - 8, 1);
    gl.Vertex(x + 6, yMax, 1);
    gl.Vertex(x - 6, yMin, 1);
    gl.Vertex(x, yMin + 8, 1);
    gl.Vertex(x + 6, yMin, 1);
    gl.End();
    gl.LineWidth(5);
    gl.Begin(TPrimitive::Lines);
    gl.Vertex(x, yMax, 1);
    gl.Vertex(x, yMin, 1);
    gl.End();

    gl.Color(0, 0, 0);
    for (const auto& readOut : readOuts) {
        gl.RasterPos(readOut.X, readOut.Y, 1);
        gl.Text(readOut.Text);
    }
    gl.Flush();
    gl.LineWidth(5);
    SetStatisticsDrawFunctions(s->StatisticsList());
}

void TParallelCoordsMethods::ReadOutBacking(float x, float y, const std::string& text)
{
    TDrawing& gl = Gl();
    // A little larger than the text: 8 pixels a character, 13 high from 3 below the baseline.
    const float left = x - View->PixelsAcross(2), right = x + View->PixelsAcross(8.0f * float(text.size()) + 2.0f);
    const float bottom = y - View->PixelsUp(3), top = y + View->PixelsUp(10);
    gl.Color(1.0f, 1.0f, 0.92f);
    gl.Begin(TPrimitive::Quads);
    gl.Vertex(left, bottom, 1);
    gl.Vertex(right, bottom, 1);
    gl.Vertex(right, top, 1);
    gl.Vertex(left, top, 1);
    gl.End();
}

void TParallelCoordsMethods::ResizeSelection(TSelectioner* s, int, int y)
{
    BeginResizeSelection(s);
    if (!s || !View->PreProcessedData()) return;
    TPreProcessedData* data = View->PreProcessedData();
    const int dimension = s->SelectionDimensionIndex();
    if (dimension < 0 || dimension >= data->NumberOfDimensions()) return;
    const int mid = s->YMin + (s->YMax - s->YMin) / 2;
    if (y > mid) {
        s->YMax = y;
        s->SetMaxNormalized(Normalised(y));
        s->MaxValue = data->Denormalise(dimension, s->MaxNormalized());
        s->MaxString = FormatFloat("0.##", s->MaxNormalized());
    } else {
        s->YMin = y;
        s->SetMinNormalized(Normalised(y));
        s->MinValue = data->Denormalise(dimension, s->MinNormalized());
        s->MinString = FormatFloat("0.##", s->MinNormalized());
    }
}

void TParallelCoordsMethods::CreateSelectionAt(TSelectionsList* list, int, int y)
{
    BeginAddNewSelection(list);
    TPreProcessedData* data = View->PreProcessedData();
    if (!list || !data) return;
    const int dimension = list->SelectionDimensionIndex();
    if (dimension < 0 || dimension >= data->NumberOfDimensions()) return;
    auto selection = std::make_unique<TSelectioner>();
    TSelectioner* s = selection.get();
    s->Attach(data, dimension);
    s->YMax = s->YMin = y;
    s->SetMaxNormalized(Normalised(y));
    s->SetMinNormalized(s->MaxNormalized());
    s->MaxValue = s->MinValue = data->Denormalise(dimension, s->MaxNormalized());
    s->MaxString = s->MinString = FormatFloat("0.##", s->MaxNormalized());
    s->DrawSelectionFunction = list->DrawSelectionFunction();
    s->ResizeSelectionFunction = list->ResizeSelectionFunction();
    const int index = list->Add(std::move(selection));
    list->SetFocus(index);
    s->Color()->Assign(list->NewSelectionColor());
}

int TParallelCoordsMethods::SelectionAt(TSelectionsList* list, int, int y)
{
    BeginSelectionOverWhichTheMouseIs(list);
    if (!list) return -1;
    for (int i = 0; i < list->Count(); ++i) {
        const TSelectioner* s = list->GetSelection(i);
        if (s->YMin <= y && y <= s->YMax) return i;
    }
    return -1;
}

bool TParallelCoordsMethods::UpdateSelections(TSelectionsList* list, ENUM_selectionEvents event, int x, int y)
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
        TSelectioner* f = list->GetSelection(list->FocusIndex());
        if (!f) return true;
        // The focused brush does not grow over its neighbours.
        if (list->Count() > 1) {
            if (y <= f->YMin) {
                bool found = false;
                int limit = 0;
                for (int i = 0; i < list->Count(); ++i) {
                    const TSelectioner* o = list->GetSelection(i);
                    if (o == f || o->YMax < y || o->YMax >= f->YMax) continue;
                    if (!found || o->YMax > limit) limit = o->YMax;
                    found = true;
                }
                if (found) y = limit;
            } else if (y >= f->YMax) {
                bool found = false;
                int limit = 0;
                for (int i = 0; i < list->Count(); ++i) {
                    const TSelectioner* o = list->GetSelection(i);
                    if (o == f || o->YMin > y || o->YMin <= f->YMin) continue;
                    if (!found || o->YMin < limit) limit = o->YMin;
                    found = true;
                }
                if (found) y = limit;
            }
        }
        f->Resize(x, y);
        return true;
    }
    }
    return false;
}

void TParallelCoordsMethods::NewSelectionOnAxis(TSelectionsController* controller, int dimension)
{
    BeginNewSelection(controller);
    if (!controller) return;
    TSelectionsList* list = controller->GetSelectionsList(dimension);
    if (!list) return;
    if (controller->CurrentListIndex == -1) controller->CurrentListIndex = dimension;
    int top = 0;
    int bottom = 0;
    for (int i = 0; i < list->Count(); ++i) {
        const TSelectioner* s = list->GetSelection(i);
        if (i == 0 || s->YMax > top) top = s->YMax;
        if (i == 0 || s->YMin < bottom) bottom = s->YMin;
    }
    const int margin = TParallelCoordinates::Margin;
    if (View->SpaceHeight - margin > top)
        list->AddNewSelection(0, View->SpaceHeight - margin);
    else if (margin < bottom)
        list->AddNewSelection(0, margin);
}

int TParallelCoordsMethods::ListAtPosition(TSelectionsController* controller, int x, int)
{
    BeginGetFocusedSelectionList(controller);
    return View->DimensionAtX(x, false);
}

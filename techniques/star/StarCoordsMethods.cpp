#include "techniques/star/StarCoordsMethods.h"

#include "render/Drawing.h"
#include "techniques/star/StarCoordinates.h"

TStarCoordsMethods::TStarCoordsMethods(TStarCoordinates* view) : TVisualizationMethods(view), StarCoordinates(view) {}

void TStarCoordsMethods::SetStatisticsDrawFunctions(TStatisticsList* list)
{
    if (!list) return;
    list->SetDrawAverage([this](TStatistics* s) { DrawAverageOnAxis(s); });
    list->SetDrawMedian([this](TStatistics* s) { DrawMedianOnAxis(s); });
    list->SetDrawModaValues([this](TStatistics* s) { DrawModaValuesOnAxis(s); });
    list->SetDrawStandardDeviation([this](TStatistics* s) { DrawStandardDeviationOnAxis(s); });
    list->DrawAverageList = [this](TStatisticsList* l) { DrawAverageLoop(l); };
    list->DrawMedianList = [this](TStatisticsList* l) { DrawMedianLoop(l); };
}

void TStarCoordsMethods::InstallSelectionFunctions(TSelectionsController* c)
{
    DrawingSelectionColor.reset();
    if (!c) return;
    c->SetDrawSelectionFunction([this](TSelectioner* s) { DrawSelectionOnAxis(s); });
    c->SetStatisticsListDrawingFunction = [this](TStatisticsList* l) { SetStatisticsDrawFunctions(l); };
    c->SetResizeSelectionFunction([this](TSelectioner* s, int, int) { BeginResizeSelection(s); });
    c->SetAddNewSelectionFunction([this](TSelectionsList* l, int, int) { BeginAddNewSelection(l); });
    c->SetSelectionOverWhichTheMouseIsFunction([this](TSelectionsList* l, int, int) {
        BeginSelectionOverWhichTheMouseIs(l);
        return -1;
    });
    c->SetUpdateSelectionsListFunction([this](TSelectionsList* l, ENUM_selectionEvents, int, int) {
        BeginUpdateSelectionsList(l);
        return false;
    });
    c->SelectionsControllerAddNewSelectionFunction = [this](TSelectionsController* k, int) { BeginNewSelection(k); };
    // No list is ever focused here: a press, drag or release in this view touches no
    // selection and so never makes the controller recompute the dataset's frequencies.
    c->GetFocusedSelectionListFunction = [this](TSelectionsController* k, int, int) {
        BeginGetFocusedSelectionList(k);
        return -1;
    };
}

bool TStarCoordsMethods::Place(int dimension, float value, bool activeOnly)
{
    const TStarAxis* axis = StarCoordinates->StarAxesList.Item(dimension);
    if (!axis || (activeOnly && !axis->IsActive)) return false;
    axis->PointAt(value, &ScratchVertex);
    if (!StarCoordinates->Mode3D()) ScratchVertex.Z = 0.0f;
    return true;
}

void TStarCoordsMethods::Point(int dimension, float value)
{
    if (!Place(dimension, value, true)) return;
    Gl().Vertex(ScratchVertex.X, ScratchVertex.Y, ScratchVertex.Z);
}

// ---- selections

void TStarCoordsMethods::DrawSelectionOnAxis(TSelectioner* s)
{
    BeginDrawSelection(s);
    DrawingSelectionColor.reset();
    if (!s) return;
    DrawingSelectionColor = *s->Color();
    TMeaningScope meaning(TMeaning::Brush);
    TDrawing& gl = Gl();
    gl.LineWidth(6);
    if (s->DiferentiateColor)
        gl.Color(1, 0, 0);
    else
        s->ApplyColor();
    // Drawn on switched-off axes too: the brush still holds its records.
    const int d = s->SelectionDimensionIndex();
    float x0, y0, z0, x1, y1, z1;
    if (Place(d, s->MaxNormalized(), false)) {
        x0 = ScratchVertex.X, y0 = ScratchVertex.Y, z0 = ScratchVertex.Z;
        Place(d, s->MinNormalized(), false);
        x1 = ScratchVertex.X, y1 = ScratchVertex.Y, z1 = ScratchVertex.Z;
        gl.Begin(TPrimitive::LineStrip);
        gl.Vertex(x0, y0, z0);
        gl.Vertex(x1, y1, z1);
        gl.End();
    }
    if (TStatisticsList* statistics = s->StatisticsList()) SetStatisticsDrawFunctions(statistics);
}

// ---- statistics

void TStarCoordsMethods::DrawAverageOnAxis(TStatistics* s)
{
    BeginDrawAverage(s);
    if (!s) return;
    TMeaningScope meaning(TMeaning::Statistic);
    Gl().PointSize(7);
    if (DrawingSelectionColor) DrawingSelectionColor->Apply();
    Gl().Begin(TPrimitive::Points);
    Point(s->DimensionIndex(), s->Average());
    Gl().End();
}

void TStarCoordsMethods::DrawMedianOnAxis(TStatistics* s)
{
    BeginDrawMedian(s);
    if (!s) return;
    TMeaningScope meaning(TMeaning::Statistic);
    Gl().PointSize(7);
    Gl().Begin(TPrimitive::Points);
    Point(s->DimensionIndex(), s->Median());
    Gl().End();
}

void TStarCoordsMethods::DrawModaValuesOnAxis(TStatistics* s)
{
    BeginDrawModaValues(s);
    if (!s) return;
    TMeaningScope meaning(TMeaning::Statistic);
    Gl().Begin(TPrimitive::Points);
    for (float v : s->GetModaValues()) Point(s->DimensionIndex(), v);
    Gl().End();
}

void TStarCoordsMethods::DrawStandardDeviationOnAxis(TStatistics* s)
{
    BeginDrawStandardDeviation(s);
    if (!s) return;
    TMeaningScope meaning(TMeaning::Statistic);
    Gl().PointSize(7);
    Gl().Begin(TPrimitive::Points);
    Point(s->DimensionIndex(), s->StandardDeviation());
    Gl().End();
}

void TStarCoordsMethods::Loop(TStatisticsList* statistics, float (TStatistics::*value)() const)
{
    if (!statistics) return;
    TMeaningScope meaning(TMeaning::Statistic);
    TDrawing& gl = Gl();
    gl.PointSize(7);
    gl.LineWidth(5);
    gl.Begin(TPrimitive::LineLoop);
    for (int i = 0; i < statistics->Count(); ++i) {
        TStatistics* s = statistics->GetStatistics(i);
        if (s) Point(s->DimensionIndex(), (s->*value)());
    }
    gl.End();
    gl.Flush();
}

void TStarCoordsMethods::DrawAverageLoop(TStatisticsList* statistics)
{
    BeginDrawAverageList(statistics);
    if (DrawingSelectionColor) DrawingSelectionColor->Apply();
    Loop(statistics, &TStatistics::Average);
}

void TStarCoordsMethods::DrawMedianLoop(TStatisticsList* statistics)
{
    BeginDrawMedianList(statistics);
    Loop(statistics, &TStatistics::Median);
}

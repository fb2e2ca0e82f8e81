#include "techniques/scatter/ScatterZoomCell.h"

#include <string>

#include "data/Auxiliar.h"
#include "render/Drawing.h"
#include "render/TextDecoding.h"
#include "techniques/scatter/ScatterPlots.h"

void TScatterZoomCell::Attach(TScatterPlots* view, const TScatterLayout& layout)
{
    if (!view) return;
    ScatterPlots = view;
    PreProcessedData = view->PreProcessedData();
    const TScatterRect r = layout.Zoom();
    PosX0 = r.X0;
    PosY0 = r.Y0;
    PosX1 = r.X1;
    PosY1 = r.Y1;
    ZoomWidth = layout.ZoomWidth;
    ZoomHeight = layout.ZoomHeight;
    XScale = layout.ZoomXScale();
    YScale = layout.ZoomYScale();
}

void TScatterZoomCell::Reset()
{
    PreProcessedData = nullptr;
    Displayed = nullptr;
    PosX0 = PosY0 = PosX1 = PosY1 = -1;
    PointerX = PointerY = -1;
    ZoomWidth = ZoomHeight = 0.0f;
    XScale = YScale = TValueScale();
}

bool TScatterZoomCell::TrackPointer(int x, int y)
{
    if (Covers() && Rect().Contains(x, y)) {
        PointerX = x;
        PointerY = y;
        return true;
    }
    PointerX = PointerY = -1;
    return false;
}

float TScatterZoomCell::ValueIn(int dimension, float fraction) const
{
    if (!PreProcessedData || dimension < 0 || dimension >= PreProcessedData->NumberOfDimensions()) return 0.0f;
    const TPreProcessedDimension* d = PreProcessedData->GetDimension(dimension);
    if (d->HighValue == d->LowValue) return d->LowValue;
    return d->Denormalise(fraction);
}

float TScatterZoomCell::ColumnValueAt(int x) const
{
    if (!Displayed || ZoomWidth <= 0.0f) return 0.0f;
    return ValueIn(Displayed->ScatterCellIndexes.ColumnIndex, (float(x) - float(PosX0)) / ZoomWidth);
}

float TScatterZoomCell::LineValueAt(int y) const
{
    if (!Displayed || ZoomHeight <= 0.0f) return 0.0f;
    return ValueIn(Displayed->ScatterCellIndexes.LineIndex, (float(y) - float(PosY0)) / ZoomHeight);
}

bool TScatterZoomCell::Place(const TScatterPaint& paint) const
{
    const TScatterPointSource* points = paint.Points;
    if (!Displayed || !points || points->Count == 0) return false;
    const int c = Displayed->ScatterCellIndexes.ColumnIndex, l = Displayed->ScatterCellIndexes.LineIndex;
    if (c < 0 || l < 0 || c >= int(points->Values.size()) || l >= int(points->Values.size())) return false;
    PlacePoints(points->Values[c], XScale, points->Values[l], YScale, points->Count, *paint.Scratch);
    return true;
}

void TScatterZoomCell::Draw(const TScatterPaint& paint) const
{
    if (!Displayed || !Covers()) return;
    switch (DrawMode) {
    case drawmodeNormal: DrawNormal(paint); break;
    case drawmodeFreq: DrawFrequency(paint); break;
    case drawmodeRelev: DrawRelevance(paint); break;
    default: break;
    }
}

void TScatterZoomCell::DrawNormal(const TScatterPaint& paint) const
{
    DrawFrameAndLabels(paint);
    TDrawing& gl = Gl();
    gl.PointSize(ZoomPointSize);
    if (Place(paint) && ZoomPointSize > 0.0f) {
        TMeaningScope meaning(TMeaning::Record);
        gl.Color(0, 0, 1);
        gl.DrawArrays(TPrimitive::Points, paint.Scratch->Positions.data(), 2, paint.Points->Colors, paint.Points->Count);
    }
    gl.Flush();
}

void TScatterZoomCell::DrawFrequency(const TScatterPaint& paint) const
{
    DrawFrameAndLabels(paint);
    if (!Place(paint)) return;
    const TScatterPointSource& points = *paint.Points;
    TScatterScratch& scratch = *paint.Scratch;
    FrequencyPoints(points.Weights[Displayed->ScatterCellIndexes.ColumnIndex],
                    points.Weights[Displayed->ScatterCellIndexes.LineIndex], ZoomPointSize, points.Count, scratch);
    TMeaningScope meaning(TMeaning::Record);
    DrawSizedPoints(scratch.Positions.data(), scratch.Colors.data(), scratch.Sizes.data(), points.Count, scratch);
}

void TScatterZoomCell::DrawRelevance(const TScatterPaint& paint) const
{
    DrawFrameAndLabels(paint);
    const int c = Displayed->ScatterCellIndexes.ColumnIndex, l = Displayed->ScatterCellIndexes.LineIndex;
    if (Place(paint) && paint.Points->Strengths) {
        const TScatterPointSource& points = *paint.Points;
        TScatterScratch& scratch = *paint.Scratch;
        // Sized by the record's coefficient (the small cells use the two cells' relevance).
        scratch.Sizes.resize(points.Count);
        for (std::size_t i = 0; i < points.Count; ++i) scratch.Sizes[i] = 20.0f * points.Strengths[i] * points.Strengths[i];
        RelevanceColors(points.Strengths, points.Weights[c], points.Weights[l], points.Count, scratch);
        TMeaningScope meaning(TMeaning::Record);
        DrawSizedPoints(scratch.Positions.data(), scratch.Colors.data(), scratch.Sizes.data(), points.Count, scratch);
    }
    if (Displayed->IsDiagonal() && PreProcessedData && c >= 0 && c < PreProcessedData->NumberOfDimensions()) {
        const float rv = PreProcessedData->GetRelevanceValue(c);
        if (rv != -1.0f) {
            TMeaningScope meaning(TMeaning::Marker);
            TDrawing& gl = Gl();
            gl.Color(1, 1, 0);
            gl.PointSize(ZoomPointSize + 5);
            gl.Begin(TPrimitive::Points);
            gl.Vertex(XScale.ToLogical(rv), YScale.ToLogical(rv), 2);
            gl.End();
        }
    }
}

void TScatterZoomCell::DrawFrameAndLabels(const TScatterPaint& paint) const
{
    TDrawing& gl = Gl();
    gl.Color(0, 0, 0);
    {
        TMeaningScope meaning(TMeaning::Frame);
        gl.Begin(TPrimitive::LineStrip);
        gl.Vertex(float(PosX0), float(PosY0), 2);
        gl.Vertex(float(PosX1), float(PosY0), 2);
        gl.Vertex(float(PosX1), float(PosY1), 2);
        gl.Vertex(float(PosX0), float(PosY1), 2);
        gl.Vertex(float(PosX0), float(PosY0), 2);
        gl.End();
    }
    if (!PreProcessedData || !Displayed) return;
    const int c = Displayed->ScatterCellIndexes.ColumnIndex, l = Displayed->ScatterCellIndexes.LineIndex;
    if (c < 0 || l < 0 || c >= PreProcessedData->NumberOfDimensions() || l >= PreProcessedData->NumberOfDimensions())
        return;
    TMeaningScope meaning(TMeaning::Label);
    const float px = paint.UnitsPerPixelX, py = paint.UnitsPerPixelY;
    auto text = [&](float x, float y, const std::string& s) {
        if (s.empty()) return;
        gl.RasterPos(x, y, 1);
        gl.Text(s);
    };
    auto width = [&](const std::string& s) { return 8.0f * float(DecodeTextBytes(s).size()) * px; };
    const std::string lineLow = PreProcessedData->ValueText(l, PreProcessedData->GetLowValue(l));
    const std::string lineHigh = PreProcessedData->ValueText(l, PreProcessedData->GetHighValue(l));
    const std::string columnLow = PreProcessedData->ValueText(c, PreProcessedData->GetLowValue(c));
    const std::string columnHigh = PreProcessedData->ValueText(c, PreProcessedData->GetHighValue(c));
    text(float(PosX0) - width(lineLow), float(PosY0) + 12.0f * py, lineLow);
    text(float(PosX0) - width(lineHigh), float(PosY1) - 11.0f * py, lineHigh);
    text(float(PosX0), float(PosY0) - 11.0f * py, columnLow);
    text(float(PosX1) - width(columnHigh), float(PosY0) - 11.0f * py, columnHigh);

    // The line's name down the left side, centred, 11 pixels per character, as many
    // characters as fit in the height.
    const float heightPixels = float(PosY1 - PosY0) / py;
    const std::string& lineName = PreProcessedData->GetDimensionName(l);
    const int len = int(DecodeTextBytes(CutToPixels(lineName, heightPixels, 11.0f)).size());
    float y = float(PosY1) - (float(PosY1 - PosY0) - 11.0f * float(len) * py) / 2.0f;
    std::string previous;
    for (int i = 1; i <= len; ++i) {
        std::string upTo = FirstCharacters(lineName, i);
        y -= 11.0f * py;
        text(float(PosX0) - 45.0f * px, y, upTo.substr(previous.size()));
        previous = std::move(upTo);
    }
    // The column's name centred under the frame.
    const std::string columnName =
        CutToPixels(PreProcessedData->GetDimensionName(c), float(PosX1 - PosX0) / px);
    text(float(PosX0) + (float(PosX1 - PosX0) - width(columnName)) / 2.0f, float(PosY0) - 15.0f * py, columnName);
}

void TScatterZoomCell::DrawCursor(const TScatterPaint& paint) const
{
    if (PointerX == -1 || PointerY == -1 || !Displayed || !Covers()) return;
    TMeaningScope meaning(TMeaning::Overlay);
    TDrawing& gl = Gl();
    const float px = paint.UnitsPerPixelX, py = paint.UnitsPerPixelY;
    const float x = float(PointerX), y = float(PointerY);
    gl.Color(0, 0, 1);
    gl.LineWidth(1);
    gl.Begin(TPrimitive::LineStrip);
    gl.Vertex(x - 4 * px, y + 4 * py, 2);
    gl.Vertex(x + 4 * px, y + 4 * py, 2);
    gl.Vertex(x + 4 * px, y - 4 * py, 2);
    gl.Vertex(x - 4 * px, y - 4 * py, 2);
    gl.Vertex(x - 4 * px, y + 4 * py, 2);
    gl.End();
    gl.LineStipple(3, 0xAAAA);
    gl.Enable(TCapability::LineStipple);
    gl.Begin(TPrimitive::Lines);
    gl.Vertex(x, y + 4 * py, 2);
    gl.Vertex(x, float(PosY0) - 4 * py, 2);
    gl.Vertex(x, y, 2);
    gl.Vertex(float(PosX0) - 4 * px, y, 2);
    gl.End();
    gl.Disable(TCapability::LineStipple);
    const std::string column =
        PreProcessedData->ValueText(Displayed->ScatterCellIndexes.ColumnIndex, ColumnValueAt(PointerX));
    const std::string line = PreProcessedData->ValueText(Displayed->ScatterCellIndexes.LineIndex, LineValueAt(PointerY));
    gl.RasterPos(x, float(PosY0) - 11.0f * py, 2);
    gl.Text(column);
    gl.RasterPos(float(PosX0) - 8.0f * float(DecodeTextBytes(line).size()) * px, y, 2);
    gl.Text(line);
}

#include "techniques/tablelens/TableLensColumn.h"

#include <algorithm>
#include <cmath>

#include "data/Auxiliar.h"
#include "render/Drawing.h"
#include "techniques/tablelens/TableLens.h"
#include "render/CheckedInt.h"
#include "render/TextDecoding.h"

void TTableLensColumn::Initialize(TTableLens* view, int i, int count, int spaceWidth)
{
    TableLens = view;
    const int step = count > 0 ? spaceWidth / count : 0;
    // Many dimensions in a narrow space leave no room: the column collapses, never inverts.
    Range = float(std::max(0, step - 2));
    DimensionIndex = i;
    PosX0 = float(i) * (Range + 2.0f) + 1.0f;
    PosX1 = PosX0 + Range + 1.0f;
    IsMouseOverNow = false;
    IsMouseOverHeader = false;
}

float TTableLensColumn::ValueAtX(int x) const
{
    if (Usable() <= 0.0f) return -1.0f;
    return (float(x) - PosX0 - 5.0f) / (Range - 10.0f);
}

float TTableLensColumn::BarStart() const { return PosX0 + std::min(5.0f, Range * 0.5f); }

float TTableLensColumn::BarEnd(float v) const
{
    if (!std::isfinite(v)) v = 0.0f;
    v = std::clamp(v, 0.0f, 1.0f);
    return BarStart() + Usable() * (0.05f + 0.95f * v);
}

bool TTableLensColumn::HitHeader(int x, int y, int spaceHeight)
{
    IsMouseOverHeader = ContainsX(x) && spaceHeight - 28 <= y && y <= spaceHeight;
    return IsMouseOverHeader;
}

bool TTableLensColumn::HitColumn(int x, int y, int spaceHeight)
{
    HitHeader(x, y, spaceHeight);
    IsMouseOverNow = ContainsX(x);
    return IsMouseOverNow;
}

namespace {
void Rectangle(TPrimitive kind, float x0, float y0, float x1, float y1, float z)
{
    TDrawing& gl = Gl();
    gl.Begin(kind);
    gl.Vertex(x0, y1, z);
    gl.Vertex(x0, y0, z);
    gl.Vertex(x1, y0, z);
    gl.Vertex(x1, y1, z);
    gl.End();
}

// Black outline of width 2 and a grey fill (hovered), or a blue outline of width 1.
void Box(bool hovered, float x0, float y0, float x1, float y1)
{
    TDrawing& gl = Gl();
    if (hovered) {
        gl.Color(0, 0, 0);
        gl.LineWidth(2);
        Rectangle(TPrimitive::LineLoop, x0, y0, x1, y1, -1);
        gl.Color(0.73f, 0.73f, 0.73f);
        Rectangle(TPrimitive::Quads, x0, y0, x1, y1, -1);
    } else {
        gl.Color(0, 0, 1);
        gl.LineWidth(1);
        Rectangle(TPrimitive::LineLoop, x0, y0, x1, y1, -1);
    }
}
} // namespace

void TTableLensColumn::Draw() const
{
    if (!TableLens) return;
    TDrawing& gl = Gl();
    const TPreProcessedData* data = TableLens->PreProcessedData();
    const float h = float(TableLens->SpaceHeight);
    TMeaningScope meaning(TMeaning::Axis);
    gl.LineWidth(1);
    // The frame reaches down to where the rows' bars end, so no bar runs below it.
    Box(IsMouseOverNow, PosX0, float(TTableLensRowLayout::RowsBottom), PosX1, h - 31);
    if (IsMouseOverHeader) {
        gl.Color(1, 0, 0);
        gl.LineWidth(5);
        Rectangle(TPrimitive::LineLoop, PosX0, h - 30, PosX1, h - 1, -1);
    } else {
        Box(IsMouseOverNow, PosX0, h - 30, PosX1, h - 1);
    }

    if (data && DimensionIndex >= 0 && DimensionIndex < data->NumberOfDimensions()) {
        TMeaningScope label(TMeaning::Label);
        if (IsMouseOverNow && !IsMouseOverHeader)
            gl.Color(1, 0, 0);
        else
            gl.Color(0, 0, 0);
        // The name, cut to whole characters that fit the column at 8 pixels each, drawn as
        // one text centred on the column.
        const float pixelsPerUnit = TableLens->PixelsAcross(1) > 0 ? 1.0f / TableLens->PixelsAcross(1) : 1.0f;
        const std::string name = CutToPixels(data->GetDimensionName(DimensionIndex), (Range - 4) * pixelsPerUnit);
        if (!name.empty()) {
            const float width = TableLens->PixelsAcross(8.0f * float(DecodeTextBytes(name).size()));
            gl.RasterPos(PosX0 + Range * 0.5f - width * 0.5f, h - 16, 2);
            gl.Text(name);
        }
    }
    DrawHeaderHint(TruncToInt(PosX0), TruncToInt(h - 90));
    gl.Flush();
}

void TTableLensColumn::DrawHeaderHint(int left, int bottom) const
{
    if (!IsMouseOverHeader || !TableLens) return;
    const TPreProcessedData* data = TableLens->PreProcessedData();
    if (!data || DimensionIndex < 0 || DimensionIndex >= data->NumberOfDimensions()) return;
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Label);
    const float l = float(left);
    const float b = float(bottom);
    const float r = l + Range;
    gl.Color(0, 0, 0);
    gl.RasterPos(l + 2, b + 24, 2);
    gl.Text("Dimension: " + data->GetDimensionName(DimensionIndex));
    gl.RasterPos(l + 2, b + 4, 2);
    gl.Text("Range: " + data->ValueText(DimensionIndex, data->GetLowValue(DimensionIndex), "0.####") + " - " +
            data->ValueText(DimensionIndex, data->GetHighValue(DimensionIndex), "0.####"));
    gl.LineWidth(2);
    Rectangle(TPrimitive::LineLoop, l, b, r, b + 60, 2);
    gl.Color(1, 1, 1);
    Rectangle(TPrimitive::Quads, l, b, r, b + 60, 2);
}

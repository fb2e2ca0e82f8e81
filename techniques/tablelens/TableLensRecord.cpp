#include "techniques/tablelens/TableLensRecord.h"

#include <algorithm>
#include <cmath>

#include "data/Auxiliar.h"
#include "render/Drawing.h"
#include "render/OpenGLColor.h"
#include "techniques/tablelens/TableLens.h"
#include "render/CheckedInt.h"
#include "render/TextDecoding.h"

// ---- layout

std::int64_t TTableLensRowLayout::Edge(std::int64_t k) const
{
    return static_cast<std::int64_t>(std::ceil(double(k) * double(Thickness)));
}

std::int64_t TTableLensRowLayout::MaxScroll() const { return std::max<std::int64_t>(0, ContentHeight() - Height); }

std::int64_t TTableLensRowLayout::Clamped(std::int64_t scroll) const { return std::clamp<std::int64_t>(scroll, 0, MaxScroll()); }

std::int64_t TTableLensRowLayout::IndexAtDepth(std::int64_t depth) const
{
    std::int64_t k = static_cast<std::int64_t>(std::ceil(double(depth) / double(Thickness))) - 1;
    if (k < 0) k = 0;
    while (k > 0 && Edge(k) >= depth) --k;
    while (Edge(k + 1) < depth) ++k;
    return k;
}

std::int64_t TTableLensRowLayout::RowAt(int y) const
{
    if (y < ClipBottom() || y >= ClipTop()) return -1;
    const std::int64_t k = IndexAtDepth(Top() - y);
    return k < Rows ? k : -1;
}

std::int64_t TTableLensRowLayout::FirstVisible() const
{
    if (ClipTop() <= ClipBottom() || Rows <= 0) return 0;
    return std::min(Rows, IndexAtDepth(Top() - (ClipTop() - 1)));
}

std::int64_t TTableLensRowLayout::LastVisible() const
{
    if (ClipTop() <= ClipBottom() || Rows <= 0) return 0;
    return std::min(Rows, IndexAtDepth(Top() - ClipBottom()) + 1);
}

// ---- relevance

float RecordRelevanceAverage(const TPreProcessedData& data, const TPreProcessedRecord& record)
{
    float sum = 0.0f;
    int counted = 0;
    for (int i = 0; i < data.NumberOfDimensions(); ++i) {
        const TPreProcessedDimension* d = data.GetDimension(i);
        if (d->RelevanceValue == -1.0f) continue;
        ++counted;
        const auto row = static_cast<std::size_t>(record.Index);
        if (row < d->Relevances.size()) sum += d->Relevances[row];
    }
    if (counted == 0) return 1.0f;
    const float average = sum / float(counted);
    return std::isfinite(average) ? std::clamp(average, -1.0f, 1.0f) : 0.0f;
}

// ---- one row

void TTableLensRecord::Initialize(TTableLens* view, std::int64_t index, const TTableLensRowLayout& layout)
{
    TableLens = view;
    Layout = &layout;
    Index = index;
    Thickness = layout.Thickness;
    PosY = layout.PosY(index);
    Top = layout.RowTop(index);
}

namespace {
float Finite01(float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f; }
} // namespace

void TTableLensRecord::DrawBar(int i) const
{
    if (!TableLens || !Record || !Layout) return;
    const TPreProcessedData* data = TableLens->PreProcessedData();
    const TTableLensColumnsList& columns = TableLens->TableLensColumnsList;
    if (!data || !columns.Valid(i) || i >= data->NumberOfDimensions()) return;
    // Only the part inside the rows' band shows: headers and footer stay clear.
    const std::int64_t low = std::max<std::int64_t>(PosY, Layout->ClipBottom());
    const std::int64_t high = std::min<std::int64_t>(Top, Layout->ClipTop());
    if (low >= high) return;
    const TTableLensColumn& column = columns.Column(i);
    const float x0 = column.BarStart();
    const float x1 = column.BarEnd(data->Value(i, Record));
    const float y0 = float(low);
    const float y1 = float(high);
    TDrawing& gl = Gl();
    gl.Vertex(x1, y0, 0);
    gl.Vertex(x1, y1, 0);
    gl.Vertex(x0, y1, 0);
    gl.Vertex(x0, y0, 0);
}

void TTableLensRecord::DrawNormal() const
{
    if (!Record) return;
    if (Hovered)
        Gl().Color(0, 0, 0);
    else
        Gl().Color(Finite01(Record->Color.C1), Finite01(Record->Color.C2), Finite01(Record->Color.C3));
    const int n = TableLens->TableLensColumnsList.Count();
    for (int i = 0; i < n; ++i) DrawBar(i);
}

void TTableLensRecord::DrawFrequency() const
{
    if (!Record) return;
    const TPreProcessedData* data = TableLens->PreProcessedData();
    const int n = std::min(TableLens->TableLensColumnsList.Count(), data->NumberOfDimensions());
    for (int i = 0; i < n; ++i) {
        if (Hovered) {
            Gl().Color(0, 1, 0);
        } else {
            const float f = Finite01(data->Weight(i, Record));
            Gl().Color(1, 1 - f * f, 1 - f * f);
        }
        DrawBar(i);
    }
}

void TTableLensRecord::DrawRelevance() const
{
    if (!Record) return;
    const TPreProcessedData* data = TableLens->PreProcessedData();
    const float average = RecordRelevanceAverage(*data, *Record);
    const int n = std::min(TableLens->TableLensColumnsList.Count(), data->NumberOfDimensions());
    for (int i = 0; i < n; ++i) {
        if (Hovered) {
            Gl().Color(0, 0, 0);
        } else {
            const float f = Finite01(data->Weight(i, Record));
            const TOpenGLColor c = RelevanceColor(average, f * f);
            Gl().Color(Finite01(c.C1), Finite01(c.C2), Finite01(c.C3));
        }
        DrawBar(i);
    }
}

void TTableLensRecord::Draw() const
{
    TMeaningScope meaning(TMeaning::Record);
    Gl().Begin(TPrimitive::Quads);
    switch (DrawMode) {
    case drawmodeNormal: DrawNormal(); break;
    case drawmodeFreq: DrawFrequency(); break;
    case drawmodeRelev: DrawRelevance(); break;
    default: break;
    }
    Gl().End();
}

void TTableLensRecord::DrawValueLabels() const
{
    if (!Record || !Layout) return;
    const TPreProcessedData* data = TableLens->PreProcessedData();
    const TTableLensColumnsList& columns = TableLens->TableLensColumnsList;
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Label);
    // One row height above the row; where that leaves the view (the top rows at a large
    // thickness), one row height below it instead.
    const double t = double(Top - PosY);
    double low = double(PosY) + 2 * t + 3;
    double high = double(PosY) + 2 * t + 20;
    if (high > double(Layout->Height - 1)) {
        high = double(PosY) - t - 3;
        low = double(PosY) - t - 20;
    }
    const int n = std::min(columns.Count(), data->NumberOfDimensions());
    for (int i = 0; i < n; ++i) {
        const TTableLensColumn& column = columns.Column(i);
        const float v = data->Value(i, Record);
        std::string text = data->ValueText(i, data->Denormalise(i, v), "0.####");
        const float pixelsPerUnit = TableLens->PixelsAcross(1) > 0 ? 1.0f / TableLens->PixelsAcross(1) : 1.0f;
        text = CutToPixels(text, (column.Range - 8) * pixelsPerUnit);
        const float width = TableLens->PixelsAcross(8.0f * float(DecodeTextBytes(text).size()));
        // Painted in order (box, outline, text): the hovered row goes over the picture
        // without the depth test, so it also serves as an overlay of a kept picture.
        gl.Color(1, 1, 1);
        gl.Begin(TPrimitive::Quads);
        gl.Vertex(column.PosX0 + 3, float(high), 2);
        gl.Vertex(column.PosX1 - 3, float(high), 2);
        gl.Vertex(column.PosX1 - 3, float(low), 2);
        gl.Vertex(column.PosX0 + 3, float(low), 2);
        gl.End();
        gl.Color(0, 1, 0);
        gl.LineWidth(2);
        gl.Begin(TPrimitive::LineLoop);
        gl.Vertex(column.PosX0 + 1, float(high), 2);
        gl.Vertex(column.PosX1 - 1, float(high), 2);
        gl.Vertex(column.PosX1 - 1, float(low), 2);
        gl.Vertex(column.PosX0 + 1, float(low), 2);
        gl.End();
        if (!text.empty()) {
            if (column.IsMouseOverNow)
                gl.Color(1, 0, 0);
            else
                gl.Color(0, 0, 0);
            gl.RasterPos(column.PosX0 + column.Range * 0.5f - width * 0.5f, float(low + 5), 2);
            gl.Text(text);
        }
    }
    gl.Color(0, 0, 0);
    gl.RasterPos(110, 2, 2);
    gl.Text("Visual order: " + IntToStr(Index));
    gl.Flush();
}

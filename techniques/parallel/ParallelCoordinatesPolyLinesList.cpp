#include "techniques/parallel/ParallelCoordinatesPolyLinesList.h"

#include <algorithm>

#include "render/Drawing.h"

void TParallelCoordinatesPolyLinesList::Build(TParallelCoordinates* view, TPreProcessedData* data)
{
    View = view;
    Data = data;
    Items.clear();
    ListOfIndexOfDataItemsToDraw = nullptr;
    if (!data) return;
    const int n = static_cast<int>(data->ListOfPreprocessedRecords.size());
    Items.resize(n);
    for (int i = 0; i < n; ++i) {
        Items[i].Attach(view, data, i);
        Items[i].DrawMode = DrawMode;
    }
    Scratch.Attach(view, data, -1);
}

void TParallelCoordinatesPolyLinesList::SetDrawMode(ENUM_drawModes mode)
{
    DrawMode = mode;
    for (auto& item : Items) item.DrawMode = mode;
}

namespace {
// Draws one record in `mode` into the open Lines primitive; in relevance mode it skips
// records below 0.1 and reopens the primitive when the width changes.
class TSegmentWriter {
public:
    TSegmentWriter(TParallelAxesGeometry& axes, ENUM_drawModes mode) : Axes(axes), Mode(mode) {}

    void Record(TParallelCoordinatesPolyLine& line)
    {
        // The primitive is closed and reopened every few records (the same picture): the
        // OpenGL drawing sends what it gathered when a primitive ends, so its arrays stay
        // small and in cache instead of growing to hold every segment of the paint.
        if (++InPrimitive == RecordsPerPrimitive) {
            Gl().End();
            Gl().Begin(TPrimitive::Lines);
            InPrimitive = 0;
        }
        switch (Mode) {
        case drawmodeNormal: line.DrawNormal(Axes); break;
        case drawmodeFreq: line.DrawFrequency(Axes); break;
        case drawmodeRelev: {
            const float r = line.Record ? RelevanceStrength(*line.Record) : 0.0f;
            if (!(r >= 0.1f)) return;  // not relevant enough: not drawn
            const float width = r * 8.0f;
            if (width != Width) {
                Gl().End();
                Gl().LineWidth(width);
                Width = width;
                Gl().Begin(TPrimitive::Lines);
            }
            line.DrawRelevance(Axes);
            break;
        }
        default: break;
        }
    }

private:
    TParallelAxesGeometry& Axes;
    ENUM_drawModes Mode;
    float Width = 1.0f;
    int InPrimitive = 0;
    static constexpr int RecordsPerPrimitive = 1024;
};
} // namespace

void TParallelCoordinatesPolyLinesList::Draw(TParallelAxesGeometry& axes)
{
    TDrawing& gl = Gl();
    gl.Color(0, 0, 1);
    gl.LineWidth(1);
    if (!Data || axes.Slots() < 2) return;

    if (DrawMode == drawmodeRelev) {
        // Most relevant records last, on top. Equal coefficients keep their order.
        auto byRelevance = [](const TParallelCoordinatesPolyLine& a, const TParallelCoordinatesPolyLine& b) {
            const float ra = a.Record ? a.Record->RecordRelevanceCoefficiente : 0.0f;
            const float rb = b.Record ? b.Record->RecordRelevanceCoefficiente : 0.0f;
            return CompareValues(ra, rb) < 0;
        };
        if (!std::is_sorted(Items.begin(), Items.end(), byRelevance))
            std::stable_sort(Items.begin(), Items.end(), byRelevance);
    }

    TSegmentWriter writer(axes, DrawMode);
    gl.Begin(TPrimitive::Lines);
    if (ListOfIndexOfDataItemsToDraw) {
        const TOpenGLColor* current = nullptr;
        for (TPreProcessedRecord* record : *ListOfIndexOfDataItemsToDraw) {
            if (!record || !record->TemporalInteractionDraw) continue;
            if (DrawMode == drawmodeNormal && (!current || !(*current == record->Color))) {
                gl.Color(record->Color.C1, record->Color.C2, record->Color.C3);
                current = &record->Color;
            }
            Scratch.Record = record;
            writer.Record(Scratch);
        }
        Scratch.Record = nullptr;
    } else {
        for (auto& line : Items)
            if (line.Record && line.Record->TemporalInteractionDraw) writer.Record(line);
    }
    gl.End();
    gl.Flush();
}

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
// Adds one record in `mode` to the arrays; in relevance mode it skips records below 0.1 and
// sends what was gathered when the width changes.
class TSegmentWriter {
public:
    TSegmentWriter(TParallelAxesGeometry& axes, ENUM_drawModes mode, TVertexArrays& out)
        : Axes(axes), Mode(mode), Out(out)
    {
    }

    void Record(TParallelCoordinatesPolyLine& line, const TOpenGLColor& color)
    {
        switch (Mode) {
        case drawmodeNormal: line.DrawNormal(Axes, Out, color); break;
        case drawmodeFreq: line.DrawFrequency(Axes, Out); break;
        case drawmodeRelev: {
            const float r = line.Record ? RelevanceStrength(*line.Record) : 0.0f;
            if (!(r >= 0.1f)) return;  // not relevant enough: not drawn
            const float width = r * 8.0f;
            if (width != Width) {
                Out.Flush();
                Gl().LineWidth(width);
                Width = width;
            }
            line.DrawRelevance(Axes, Out);
            break;
        }
        default: break;
        }
        Out.EndOfPrimitive();
    }

private:
    TParallelAxesGeometry& Axes;
    ENUM_drawModes Mode;
    TVertexArrays& Out;
    float Width = 1.0f;
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

    TMeaningScope meaning(TMeaning::Record);
    Arrays.SetPrimitive(TPrimitive::Lines);
    TSegmentWriter writer(axes, DrawMode, Arrays);
    const TOpenGLColor blue(0, 0, 1);
    if (ListOfIndexOfDataItemsToDraw) {
        for (TPreProcessedRecord* record : *ListOfIndexOfDataItemsToDraw) {
            if (!record || !record->TemporalInteractionDraw) continue;
            Scratch.Record = record;
            writer.Record(Scratch, record->Color);
        }
        Scratch.Record = nullptr;
    } else {
        for (auto& line : Items)
            if (line.Record && line.Record->TemporalInteractionDraw) writer.Record(line, blue);
    }
    Arrays.Flush();
    gl.Flush();
}

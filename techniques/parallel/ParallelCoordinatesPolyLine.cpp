#include "techniques/parallel/ParallelCoordinatesPolyLine.h"

#include "render/Drawing.h"
#include "render/OpenGLColor.h"

void TParallelCoordinatesPolyLine::Attach(TParallelCoordinates* view, TPreProcessedData* data, int recordIndex)
{
    View = view;
    Data = data;
    if (recordIndex != -1 && data && recordIndex >= 0 && recordIndex < static_cast<int>(data->ListOfPreprocessedRecords.size()))
        Record = data->GetRecord(recordIndex);
}

float RelevanceStrength(const TPreProcessedRecord& record)
{
    const float r = record.RecordRelevanceCoefficiente;
    if (!(r > 0.0f)) return 0.0f;  // negative or not a number
    return r > 1.0f ? 1.0f : r;
}

void TParallelAxesGeometry::BindColumns(const TPreProcessedData& data)
{
    Values.clear();
    Weights.clear();
    for (int d : Order) {
        const TPreProcessedDimension* dimension = data.GetDimension(d);
        Values.push_back(dimension->Values.data());
        if (dimension->Weights.size() >= dimension->Values.size()) {
            Weights.push_back(dimension->Weights.data());
        } else {
            if (NoWeights.size() < dimension->Values.size()) NoWeights.assign(dimension->Values.size(), 0.0f);
            Weights.push_back(NoWeights.data());
        }
    }
}

void TParallelCoordinatesPolyLine::DrawNormal(const TParallelAxesGeometry& axes) const
{
    if (!Record) return;
    TDrawing& gl = Gl();
    const int row = Record->Index;
    const int slots = axes.Slots();
    float previous = slots > 0 ? axes.Values[0][row] * axes.AxisLength + axes.Margin : 0.0f;
    for (int s = 1; s < slots; ++s) {
        const float y = axes.Values[s][row] * axes.AxisLength + axes.Margin;
        gl.Vertex(axes.X[s - 1], previous, 0.0f);
        gl.Vertex(axes.X[s], y, 0.0f);
        previous = y;
    }
}

void TParallelCoordinatesPolyLine::DrawFrequency(const TParallelAxesGeometry& axes) const
{
    if (!Record) return;
    TDrawing& gl = Gl();
    const int row = Record->Index;
    const int slots = axes.Slots();
    for (int s = 0; s + 1 < slots; ++s)
        for (int k = s; k <= s + 1; ++k) {
            const float w = axes.Weights[k][row];
            gl.Color(1.0f, 1.0f - w * w, 1.0f - w * w);
            gl.Vertex(axes.X[k], axes.Values[k][row] * axes.AxisLength + axes.Margin, 1.0f);
        }
}

void TParallelCoordinatesPolyLine::DrawRelevance(const TParallelAxesGeometry& axes) const
{
    if (!Record) return;
    TDrawing& gl = Gl();
    const int row = Record->Index;
    const float r = RelevanceStrength(*Record);
    const int slots = axes.Slots();
    for (int s = 0; s + 1 < slots; ++s)
        for (int k = s; k <= s + 1; ++k) {
            const TOpenGLColor c = RelevanceColor(r, axes.Weights[k][row]);
            gl.Color(c.C1, c.C2, c.C3);
            gl.Vertex(axes.X[k], axes.Values[k][row] * axes.AxisLength + axes.Margin, 1.0f);
        }
}

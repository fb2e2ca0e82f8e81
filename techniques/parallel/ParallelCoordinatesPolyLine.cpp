#include "techniques/parallel/ParallelCoordinatesPolyLine.h"

#include "render/OpenGLColor.h"

void TParallelCoordinatesPolyLine::Attach(TParallelCoordinates* view, TPreProcessedData* data, int recordIndex)
{
    View = view;
    Data = data;
    if (recordIndex != -1 && data && recordIndex >= 0 && recordIndex < static_cast<int>(data->ListOfPreprocessedRecords.size()))
        Record = data->GetRecord(recordIndex);
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

void TParallelCoordinatesPolyLine::DrawNormal(const TParallelAxesGeometry& axes, TVertexArrays& out,
                                              const TOpenGLColor& color) const
{
    if (!Record) return;
    const int row = Record->Index;
    const int slots = axes.Slots();
    float previous = slots > 0 ? axes.Scale.ToLogical(axes.Values[0][row]) : 0.0f;
    for (int s = 1; s < slots; ++s) {
        const float y = axes.Scale.ToLogical(axes.Values[s][row]);
        out.Add(axes.X[s - 1], previous, 0.0f, color);
        out.Add(axes.X[s], y, 0.0f, color);
        previous = y;
    }
}

void TParallelCoordinatesPolyLine::DrawFrequency(const TParallelAxesGeometry& axes, TVertexArrays& out) const
{
    if (!Record) return;
    const int row = Record->Index;
    const int slots = axes.Slots();
    for (int s = 0; s + 1 < slots; ++s)
        for (int k = s; k <= s + 1; ++k) {
            const float w = axes.Weights[k][row];
            out.Add(axes.X[k], axes.Scale.ToLogical(axes.Values[k][row]), 1.0f, TOpenGLColor(1.0f, 1.0f - w * w, 1.0f - w * w));
        }
}

void TParallelCoordinatesPolyLine::DrawRelevance(const TParallelAxesGeometry& axes, TVertexArrays& out) const
{
    if (!Record) return;
    const int row = Record->Index;
    const float r = RelevanceStrength(*Record);
    const int slots = axes.Slots();
    for (int s = 0; s + 1 < slots; ++s)
        for (int k = s; k <= s + 1; ++k)
            out.Add(axes.X[k], axes.Scale.ToLogical(axes.Values[k][row]), 1.0f, RelevanceColor(r, axes.Weights[k][row]));
}

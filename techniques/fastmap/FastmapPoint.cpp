#include "techniques/fastmap/FastmapPoint.h"

#include "render/Drawing.h"
#include "techniques/fastmap/FastmapPointList.h"

TPreProcessedRecord* TFastmapPoint::Record() const
{
    return List->Data ? List->Data->RecordByIndex(IndexValue) : nullptr;
}

TOpenGLVertex TFastmapPoint::Vertex() const
{
    const float* p = List->Position(IndexValue);
    TOpenGLVertex vertex(IndexValue);
    vertex.SetPosition(p[0], p[1], p[2]);
    vertex.PointSize = List->VertexSize;
    return vertex;
}

bool TFastmapPoint::Selected() const { return List->Marked == IndexValue; }
float TFastmapPoint::PointFrequency() const { return List->Frequency(IndexValue); }
float TFastmapPoint::PointRelevance() const { return List->Relevance(IndexValue); }
void TFastmapPoint::ComputeFrequency() { List->ComputeFrequency(IndexValue); }
void TFastmapPoint::ComputeRelevance() { List->ComputeRelevance(IndexValue); }

TOpenGLColor TFastmapPoint::NormalColor(bool selected)
{
    return selected ? TOpenGLColor(1, 0, 0) : TOpenGLColor(0, 0, 1);
}

TOpenGLColor TFastmapPoint::FrequencyColor(float frequency) { return HueColor(1.0f, 1.0f - 0.5f * frequency, 0.0f); }

TOpenGLColor TFastmapPoint::RelevanceColor(float relevance, float frequency)
{
    // Negative (far from every relevance point) and not-a-number read 0, as in every view.
    return ::RelevanceColor(RelevanceStrength(relevance), frequency);
}

void TFastmapPoint::DrawIn(const TOpenGLColor& color)
{
    TDrawing& gl = Gl();
    gl.LoadName(static_cast<unsigned>(IndexValue));
    gl.Color(color.C1, color.C2, color.C3);
    Vertex().Draw(List->Mode3D(), Selected());
    if (Selected()) DrawLabel();
}

void TFastmapPoint::DrawNormal() { DrawIn(NormalColor(Selected())); }
void TFastmapPoint::DrawWithColor(const TOpenGLColor& color) { DrawIn(color); }
void TFastmapPoint::DrawFrequency() { DrawIn(FrequencyColor(PointFrequency())); }
void TFastmapPoint::DrawRelevance() { DrawIn(RelevanceColor(PointRelevance(), PointFrequency())); }

void TFastmapPoint::DrawLabel()
{
    const TPreProcessedRecord* record = Record();
    if (!record) return;
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Label);
    const bool lit = List->Mode3D();
    if (lit) gl.Disable(TCapability::Lighting);
    gl.Color(0, 0, 0);
    const float* p = List->Position(IndexValue);
    gl.RasterPos(1.05f * p[0], p[1], lit ? p[2] : 0.0f);
    gl.Text(record->GetLabel());
    if (lit) gl.Enable(TCapability::Lighting);
}

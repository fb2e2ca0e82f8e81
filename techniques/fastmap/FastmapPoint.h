#pragma once
// One point of the FastMap view: a handle onto its point list's arrays, not an object per
// record. The list keeps every point's position, frequency and relevance in arrays indexed
// by the record's Index, so a million records are a few arrays and the whole cloud is
// drawn from one of them.
#include <string>

#include "data/PreProcessedData.h"
#include "render/OpenGLColor.h"
#include "render/OpenGLVertex.h"

class TFastmapPointList;

class TFastmapPoint {
public:
    TFastmapPoint(TFastmapPointList& list, int index) : List(&list), IndexValue(index) {}

    // The record's Index; also the point's selection name.
    int FastmapPointIndex() const { return IndexValue; }
    TPreProcessedRecord* Record() const;
    // Position and point size (the record's Index as identifier).
    TOpenGLVertex Vertex() const;
    bool Selected() const;
    float PointFrequency() const;
    float PointRelevance() const;

    // Mean Weight of the record's cells over all dimensions.
    void ComputeFrequency();
    // Sum of the record's cell relevances over the dataset's RelevanceDimensionCount (1 when 0).
    void ComputeRelevance();

    // Each loads the point's name, sets its colour and draws the vertex (twice the size
    // when selected, then its label).
    void DrawNormal();
    void DrawWithColor(const TOpenGLColor& color);
    void DrawFrequency();
    void DrawRelevance();
    // The record's label in black at (1.05 x, y, z) (z = 0 in 2-D), lighting off meanwhile.
    void DrawLabel();

    // The colours of the draw functions.
    static TOpenGLColor NormalColor(bool selected);
    static TOpenGLColor FrequencyColor(float frequency);
    static TOpenGLColor RelevanceColor(float relevance, float frequency);

private:
    void DrawIn(const TOpenGLColor& color);

    TFastmapPointList* List;
    int IndexValue;
};

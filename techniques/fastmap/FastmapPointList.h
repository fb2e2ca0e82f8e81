#pragma once
// The points of the FastMap view, one per record, and the projection that places them.
//
// Points are keyed by the record's Index: point i is the record whose Index is i, whatever
// order another view sorted the dataset's record list into. Positions, frequencies and
// relevances are arrays indexed the same way.
//
// Drawing: the points that pass the filters (the time window; the records that satisfy the
// selections, when a list is given) are gathered once into a vertex array, with their
// colours when they differ, and drawn with one call; the array is kept until something it
// depends on changes (positions, draw mode, the list and its version, the time window, the
// frequency and relevance stamps, 2-D or 3-D). The highlighted point is drawn once more by
// DrawMarked, over the picture: red (or in its colour) at twice the size, with its label, so
// that highlighting another point redraws only that.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/Auxiliar.h"
#include "data/MetricEvaluator.h"
#include "data/PreProcessedData.h"
#include "render/OpenGLColor.h"
#include "techniques/fastmap/FastmapCamera.h"
#include "techniques/fastmap/FastmapPoint.h"
#include "vis/VisualizationMethods.h"

class TFastmapProjection;

class TFastmapPointList {
public:
    // `view` (may be null) receives the scene bounds and says 2-D or 3-D.
    explicit TFastmapPointList(TFastmapProjection* view = nullptr);

    // One point per record of `data`, at the origin; forgets any projection.
    void Fill(TPreProcessedData* data);
    int Count() const { return static_cast<int>(Frequencies.size()); }
    TFastmapPoint Point(int i) { return TFastmapPoint(*this, i); }
    TPreProcessedData* PreProcessedData() const { return Data; }
    TFastmapProjection* View() const { return ViewValue; }

    // x, y, z of point i.
    const float* Position(int i) const { return Xyz.data() + 3 * static_cast<std::size_t>(i); }
    void SetPosition(int i, float x, float y, float z);

    // Places every point by FastMap over the records (three axes, five pivot scans), once:
    // nothing happens when the points are projected already. One record stays at the origin
    // with bounds of 10. No record: nothing. Answers whether points were projected.
    // `Progress` (when set) is called now and then with the fraction done.
    bool ComputeProjection(stBasicEuclideanMetricEvaluator* evaluator);
    std::function<void(double fraction)> Progress;
    // Moves the point whose record is labelled with the decimal text of n (the first such
    // record in list order; point 0 when none is) to the origin, with the bounds.
    void CentreOn(int n);
    // Moves point `point` (a record Index) to the origin, with the bounds; nothing outside.
    void CentrePoint(int point);
    TSceneBounds Bounds;

    // Highlights point i (-1: none); SelectedElement keeps the last one highlighted.
    void SelectElement(int i);
    void Unmark() { Marked = -1; }
    int MarkedElement() const { return Marked; }
    int SelectedElement = 0;

    void RefreshFrequencies();
    void RefreshRelevances();
    float Frequency(int i) const { return Frequencies[static_cast<std::size_t>(i)]; }
    float Relevance(int i) const { return Relevances[static_cast<std::size_t>(i)]; }
    void ComputeFrequency(int i);
    void ComputeRelevance(int i);

    // The points, as described above, under TMeaning::Record (labels under Label).
    void Draw();
    // The highlighted point, when Draw draws it: red (normal colours) or in its colour, at
    // twice the size, with its label.
    void DrawMarked();
    // The points that Draw draws, in record order, each with its own selection name; with
    // `region`, only those inside its clip volume (and a margin), which are all that can hit.
    void DrawForPicking(const TFastmapCamera::TMatrix* region = nullptr);
    // Record Index of every point Draw put into its vertex array (valid after Draw).
    const std::vector<int>& DrawnIndices() const { return BulkIndices; }

    // The records that satisfy the selections, or null for every record; and a number
    // that changes whenever that list or its records' colours may have.
    TRecordList* ListOfIndexOfDataItemsToDraw = nullptr;
    std::uint64_t ListVersion = 0;

    ENUM_drawModes DrawMode() const { return DrawModeValue; }
    void SetDrawMode(ENUM_drawModes mode) { DrawModeValue = mode; }
    // The stored value stays 3; setting it gives every point that size.
    float PointSize() const { return 3.0f; }
    void SetPointSize(float size) { VertexSize = size; }
    float VertexPointSize() const { return VertexSize; }

    int TargetDimension = 3;
    bool DrawIdLabelsProperty = false;
    bool Projected = false;
    TChangeStamp RelevanceStamp = 0;
    TChangeStamp FrequencyStamp = 0;
    bool Mode3D() const;

private:
    friend class TFastmapPoint;
    struct TBulkKey {
        ENUM_drawModes Mode = drawmodeNormal;
        const TRecordList* List = nullptr;
        std::uint64_t ListVersion = 0;
        TChangeStamp TimeWindow = 0, Frequency = 0, Relevance = 0;
        std::uint64_t Positions = 0;
        bool Mode3D = true;
        const TPreProcessedData* Data = nullptr;
        bool operator==(const TBulkKey&) const = default;
    };
    TBulkKey CurrentKey() const;
    void BuildBulk();
    void EnsureBulk();
    // Whether Draw draws point i, and in which colour.
    bool DrawnColor(int i, TOpenGLColor& color) const;
    bool Drawable(const TPreProcessedRecord* record) const { return record && record->TemporalInteractionDraw; }
    void ColorOf(int i, TOpenGLColor& color) const;
    void SetBounds(const TSceneBounds& bounds);

    TFastmapProjection* ViewValue;
    TPreProcessedData* Data = nullptr;
    std::vector<float> Xyz;
    std::vector<float> Frequencies;
    std::vector<float> Relevances;
    ENUM_drawModes DrawModeValue = drawmodeNormal;
    float VertexSize = 5.0f;
    int Marked = -1;
    std::uint64_t PositionsVersion = 1;
    bool FrequenciesFresh = false;  // Frequencies hold the values of FrequencyStamp
    bool RelevancesFresh = false;

    // The kept vertex array.
    bool BulkValid = false;
    TBulkKey BulkKey;
    std::vector<float> BulkPositions;
    std::vector<float> BulkColors;  // empty: every point in BulkColor
    TOpenGLColor BulkColor;
    std::vector<int> BulkIndices;  // in record order when no list is given
};

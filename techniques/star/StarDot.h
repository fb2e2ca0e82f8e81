#pragma once
// The dots of the star-coordinates view: one per record, at the centre plus the sum over
// the active axes of the record's normalised value times the axis vector.
//
// Dots are kept as arrays indexed by the record's Index (its storage row), not as objects:
// positions (2 floats in 2-D, 3 in 3-D), and only in the modes that need them the dot's
// frequency, relevance and colour. Each array remembers the stamp of its source (the axes,
// the dataset's frequency or relevance values) and is recomputed when that moves. A paint
// then sends the dots in one bulk primitive.

#include <cstdint>
#include <vector>

#include "data/PreProcessedData.h"
#include "render/OpenGLVertex.h"
#include "vis/VisualizationMethods.h"

class TStarCoordinates;
class TStarAxesList;
class TStarDotList;
class TSelectionsController;

// One record's dot, read from the list's arrays.
class TStarDot {
public:
    TStarDot(const TStarDotList& list, int index) : List(list), Index(index) {}
    float X() const;
    float Y() const;
    float Z() const;  // 0 in 2-D
    // Mean weight of the record's cells; 0 before the frequencies were computed.
    float DotFrequency() const;
    // Summed relevance over the number of relevance dimensions; 1 without any.
    float DotRelevance() const;

private:
    const TStarDotList& List;
    int Index;
};

class TStarDotList {
public:
    void Fill(TStarCoordinates* view, TStarAxesList* axes, TPreProcessedData* data, const TOpenGLVertex* center);
    // The next Draw recomputes positions, frequencies and relevances.
    void InvalidateCaches();
    // Each recomputes its array when its stamp differs from its source's.
    void RefreshPositions();
    void RefreshFrequencies();
    void RefreshRelevances();

    // Draws the dots: every record in the time window (blue, or per mode) while `list` is
    // null; otherwise the listed records in the window, in their colours. One Points
    // primitive, under the Record meaning.
    void Draw();

    void SetDrawMode(ENUM_drawModes mode) { DrawMode = mode; }
    ENUM_drawModes GetDrawMode() const { return DrawMode; }
    void SetPointSize(float size) { PointSize = size; }
    float GetPointSize() const { return PointSize; }
    void SetMode3D(bool mode3D) { Mode3D = mode3D; }
    // Null: draw every record. `version` changes whenever the list or its colours may have.
    void SetListOfIndexOfDataItemsToDraw(const TRecordList* list, std::uint64_t version)
    {
        ListOfIndexOfDataItemsToDraw = list;
        ListVersion = version;
    }

    int Count() const { return Data ? Data->RecordsNumber : 0; }
    TStarDot Dot(int index) const { return TStarDot(*this, index); }
    int Components() const { return PositionComponents; }
    // Bytes held per record by the dot arrays (for the benchmark).
    double BytesPerRecord() const;
    // Times the positions were computed (tests check the caching with it).
    long long PositionComputations = 0;

    std::vector<float> Positions;    // Components() floats per record, by Index
    std::vector<float> Frequencies;  // by Index; empty until a mode needs them
    std::vector<float> Relevances;

    TChangeStamp PositionsStamp = 0;
    TChangeStamp FrequencyStamp = 0;
    TChangeStamp RelevanceStamp = 0;

private:
    // The colour of record `row` in the current mode (frequency or relevance).
    void ModeColor(int row, float* rgb) const;
    bool EveryRecordInWindow();

    TStarCoordinates* StarCoordinates = nullptr;
    TStarAxesList* StarAxesList = nullptr;
    TPreProcessedData* Data = nullptr;
    const TOpenGLVertex* Center = nullptr;
    const TRecordList* ListOfIndexOfDataItemsToDraw = nullptr;
    std::uint64_t ListVersion = 0;
    ENUM_drawModes DrawMode = drawmodeNormal;
    float PointSize = 6.0f;
    bool Mode3D = false;
    int PositionComponents = 2;
    bool PositionsValid = false;

    // Whether every record lies in the time window, for the window's stamp.
    bool WindowKnown = false;
    TChangeStamp WindowStamp = 0;
    bool WholeWindow = true;

    // Colours of every record in frequency or relevance mode, for the stamps below.
    std::vector<float> Colors;
    struct TColorKey {
        ENUM_drawModes Mode = drawmodeNormal;
        TChangeStamp Frequency = 0, Relevance = 0;
        bool operator==(const TColorKey&) const = default;
    };
    TColorKey ColorsKey;
    bool ColorsValid = false;

    // The drawn subset (a selection or a time window): positions and colours gathered in
    // list order, kept until something they come from changes.
    std::vector<float> SubsetPositions;
    std::vector<float> SubsetColors;
    struct TSubsetKey {
        bool HasList = false;
        std::uint64_t ListVersion = 0;
        TChangeStamp Positions = 0, Frequency = 0, Relevance = 0, Window = 0, Order = 0;
        ENUM_drawModes Mode = drawmodeNormal;
        int Components = 2;
        bool operator==(const TSubsetKey&) const = default;
    };
    TSubsetKey SubsetKey;
    bool SubsetValid = false;
};

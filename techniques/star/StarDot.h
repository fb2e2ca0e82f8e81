#pragma once
// The dots of the star-coordinates view: one per record, at the centre plus the sum over
// the active axes of the record's normalised value times the axis vector.
//
// Dots are not objects: a paint sends one array of positions (2 floats a dot in 2-D, 3 in
// 3-D) and, where dots differ in colour, one array of colours (3 floats), computed column
// by column from the dataset. Every record's position is kept while every record is drawn;
// while a brush or the time window restricts the dots, only the drawn ones are kept, in
// list order. Each array remembers what it was computed from (the axes' stamp, the
// dataset's frequency, relevance, time-window and order stamps, the selections' version)
// and is computed again only when that moves. At most 24 bytes a record are kept.

#include <cstdint>
#include <vector>

#include "data/PreProcessedData.h"
#include "render/OpenGLVertex.h"
#include "vis/VisualizationMethods.h"

class TStarCoordinates;
class TStarAxesList;
class TStarDotList;

// One record's dot, computed from the columns (the record-by-record form of the arrays).
class TStarDot {
public:
    TStarDot(const TStarDotList& list, const TPreProcessedRecord* record) : List(list), Record(record) {}
    void ComputePosition(float& x, float& y, float& z) const;
    // Mean weight of the record's cells.
    float DotFrequency() const;
    // Summed relevance over the number of relevance dimensions; 1 without any.
    float DotRelevance() const;

private:
    const TStarDotList& List;
    const TPreProcessedRecord* Record;
};

class TStarDotList {
public:
    void Fill(TStarCoordinates* view, TStarAxesList* axes, TPreProcessedData* data, const TOpenGLVertex* center);
    // The next Draw computes positions and colours again.
    void InvalidateCaches();
    // Every record's position, by Index, unless they are current.
    void RefreshPositions();

    // Draws the dots: every record in the time window (blue, or per mode) while the list is
    // null; otherwise the listed records in the window, in their colours. One bulk Points
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
    // The dot of the record with storage row `index`.
    TStarDot Dot(int index) const { return TStarDot(*this, Data ? Data->RecordByIndex(index) : nullptr); }
    int Components() const { return Mode3D ? 3 : 2; }
    // Bytes the dot arrays hold per record.
    double BytesPerRecord() const;
    // Times positions were computed, for every record or for the drawn ones (tests check
    // the caching with it).
    long long PositionComputations = 0;

    std::vector<float> Positions;  // Components() floats per record, by Index, while valid
    // The stamps of the dataset's frequency and relevance values the colours were computed
    // for.
    TChangeStamp FrequencyStamp = 0;
    TChangeStamp RelevanceStamp = 0;

private:
    friend class TStarDot;
    // Positions of `count` records into `out`: the record of storage row rows[k], or k
    // itself when `rows` is null.
    void ComputePositions(const std::uint32_t* rows, std::size_t count, float* out);
    // Frequency or relevance colours of the same records into `out` (3 floats each).
    void ComputeModeColors(const std::uint32_t* rows, std::size_t count, float* out) const;
    bool EveryRecordInWindow();

    // What positions depend on besides the rows: the axes and their invalidations.
    struct TPositionsKey {
        TChangeStamp Axes = 0;
        std::uint64_t Invalidations = 0;
        int Components = 2;
        bool operator==(const TPositionsKey&) const = default;
    };
    TPositionsKey CurrentPositionsKey() const;
    struct TColorsKey {
        ENUM_drawModes Mode = drawmodeNormal;
        TChangeStamp Frequency = 0, Relevance = 0;
        bool operator==(const TColorsKey&) const = default;
    };
    TColorsKey CurrentColorsKey() const;

    TStarCoordinates* StarCoordinates = nullptr;
    TStarAxesList* StarAxesList = nullptr;
    TPreProcessedData* Data = nullptr;
    const TOpenGLVertex* Center = nullptr;
    const TRecordList* ListOfIndexOfDataItemsToDraw = nullptr;
    std::uint64_t ListVersion = 0;
    ENUM_drawModes DrawMode = drawmodeNormal;
    float PointSize = 6.0f;
    bool Mode3D = false;
    std::uint64_t Invalidations = 0;

    bool PositionsValid = false;
    TPositionsKey PositionsKey;

    // Whether every record lies in the time window, for the window's stamp.
    bool WindowKnown = false;
    TChangeStamp WindowStamp = 0;
    bool WholeWindow = true;

    // Colours: of every record (by Index) or of the drawn subset (in list order).
    std::vector<float> Colors;
    bool ColorsValid = false;
    bool ColorsOfSubset = false;
    TColorsKey ColorsKey;

    // The drawn subset (a brush or a time window): positions in list order, computed from
    // the columns for those records only.
    std::vector<float> SubsetPositions;
    struct TSubsetKey {
        bool HasList = false;
        std::uint64_t ListVersion = 0;
        TPositionsKey Positions;
        TColorsKey Colors;
        TChangeStamp Window = 0, Order = 0;
        bool operator==(const TSubsetKey&) const = default;
    };
    TSubsetKey SubsetKey;
    bool SubsetValid = false;
};

#pragma once
// Density drawing of the scatter plot matrix: per cell (and for the zoom cell) the records
// counted per device pixel of its plot area and drawn as one picture (render/Density.h
// counts and tone-maps). As in the parallel coordinates, a context layer holds every record
// drawn (dimmed under brushed records) and a brushed layer the records satisfying the
// selections in their colours; the mode's colours are kept (blue; white→red by weight; the
// relevance scale) as the mean colour of a pixel, and in the relevance mode records weigh
// their relevance and those under 0.1 stay out. Pictures are kept per plot while nothing
// they depend on changes, so a brush drag counts only the brushed layer.

#include <cstdint>
#include <map>
#include <vector>

#include "data/PreProcessedData.h"
#include "render/Density.h"
#include "vis/ValueScale.h"
#include "vis/VisualizationMethods.h"

class TScatterDensity {
public:
    // Where a plot's picture goes: its points' area snapped to whole device pixels, and the
    // map from a bin code to a pixel (pixel = Offset + code × Scale).
    struct TFrame {
        float X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
        int PixelWidth = 0, PixelHeight = 0;
        float OffsetX = 0, ScaleX = 0, OffsetY = 0, ScaleY = 0;
        bool operator==(const TFrame&) const = default;
    };
    static TFrame FrameFor(const TValueScale& x, const TValueScale& y, float unitsPerPixelX, float unitsPerPixelY);

    // Takes the records of this paint: every record of the time window (the zoom cell: every
    // record) as context, and `brushed` (null without selections). Lists are made again only
    // when something they depend on changed.
    void Prepare(const TPreProcessedData& data, ENUM_drawModes mode, const TRecordList* brushed,
                 std::uint64_t selectionsVersion, bool brushedLayer);
    // Draws the plot of dimension `column` across and `line` up into `frame`: the context
    // picture, then the brushed one when Prepare was given a brushed layer. `zoom`: the zoom
    // cell (its own records and relevance sizes).
    void DrawPlot(int column, int line, const TFrame& frame, bool zoom);
    void Reset();

    std::size_t ContextRecords() const { return ContextRows.Rows.size(); }
    long long ContextCounts = 0;
    long long BrushedCounts = 0;
    // The grid of the last count, before tone mapping (tests check its sums).
    const TDensityGrid& LastGrid() const { return Grid; }

private:
    struct TLayerKey {
        const TPreProcessedData* Data = nullptr;
        ENUM_drawModes Mode = drawmodeNormal;
        std::uint64_t TimeWindow = 0, Frequencies = 0, Relevances = 0, Selections = 0;
        std::size_t Records = 0;
        bool Dimmed = false;
        bool operator==(const TLayerKey&) const = default;
    };
    struct TPicture {
        TLayerKey Key;
        TFrame Frame;
        bool Valid = false;
        TRgbaImage Image;
    };
    struct TRows {
        std::vector<std::uint32_t> Rows;
        std::vector<float> Strengths;     // relevance strength of each record (relevance mode)
        std::vector<TOpenGLColor> Colors;  // brushed layers only; empty when all are Single
        TOpenGLColor Single{0, 0, 1};
    };
    void Code(int dimension);
    void Count(int column, int line, const TFrame& frame, bool zoom, const TRows& rows, bool colors, float opacity,
               TRgbaImage& out);
    void Show(const TFrame& frame, const TRgbaImage& image) const;
    static void Collect(const TRecordList& records, bool timeWindow, bool relevance, bool colors, TRows& out);

    const TPreProcessedData* Data = nullptr;
    ENUM_drawModes Mode = drawmodeNormal;
    std::vector<TBinCodes> Codes;
    TLayerKey ContextKey, BrushedKey;
    bool ContextListed = false, BrushedListed = false;
    TRows ContextRows, ZoomContextRows, BrushedRows, ZoomBrushedRows;
    bool ZoomSharesRows = true;
    bool HasBrushed = false;
    std::map<long long, TPicture> Context, Brushed;
    TDensityGrid Grid;
    std::vector<float> Zeros;
};

#pragma once
// Density drawing of the parallel coordinates: the records the view draws, counted per pair
// of bins of neighbouring axes and drawn as one picture between the first and the last axis
// (render/Density.h does the counting, rasterising and tone mapping).
//
// Two layers: the context (every record in the time window; in the relevance mode those of
// relevance 0.1 and more, each weighing its relevance) and, while selections hold records,
// the brushed layer (those records in their selection colours) drawn over it. Colours are
// those of exact drawing (blue; white→red by weight; the relevance scale), as the mean of
// the records through a pixel. The context picture is kept while nothing it depends on
// changes, so a brush drag counts only the brushed records. Bin codes are computed once per
// column.

#include <cstdint>
#include <vector>

#include "render/Density.h"
#include "techniques/parallel/ParallelCoordinatesPolyLine.h"

class TParallelDensity {
public:
    // Where the picture goes: a logical rectangle and its size in device pixels.
    struct TFrame {
        float X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
        int PixelWidth = 0, PixelHeight = 0;
        bool operator==(const TFrame&) const = default;
    };
    // The rectangle from the first to the last axis and over the axis length, snapped to
    // whole device pixels (`unitsPerPixelX/Y`: logical units per device pixel).
    static TFrame FrameFor(const TParallelAxesGeometry& axes, float y0, float y1, float unitsPerPixelX,
                           float unitsPerPixelY);

    // Counts (when out of date) and draws the context layer; `dimmed` when a brushed layer
    // goes over it.
    void DrawContext(const TPreProcessedData& data, const TParallelAxesGeometry& axes, ENUM_drawModes mode,
                     const TFrame& frame, bool dimmed);
    // Counts (when out of date) and draws the records of `brushed` in their colours.
    void DrawBrushed(const TPreProcessedData& data, const TParallelAxesGeometry& axes, ENUM_drawModes mode,
                     const TFrame& frame, const TRecordList& brushed, std::uint64_t selectionsVersion);
    // Forgets the kept pictures and codes (a new dataset).
    void Reset();

    // The records the context layer counted; what the note "density of N records" says.
    std::size_t ContextRecords() const { return Context.Records; }
    std::size_t BrushedRecords() const { return Brushed.Records; }
    // Counting passes made (tests: a drag recounts only the brushed layer).
    long long ContextCounts = 0;
    long long BrushedCounts = 0;
    long long CodeComputations() const;
    // The last grids, before tone mapping (tests check their sums).
    const TDensityGrid& LastGrid() const { return Grid; }
    const TRgbaImage& ContextImage() const { return Context.Image; }
    const TRgbaImage& BrushedImage() const { return Brushed.Image; }
    int Bins() const { return LastBins; }

    // Rasterising costs non-empty pairs times columns: above this many samples per panel the
    // pairs are merged to coarser bins (a uniform table at 256 bins would cost ten times the
    // counting).
    static constexpr double SamplesPerPanel = 1.5e6;

private:
    struct TKey {
        const TPreProcessedData* Data = nullptr;
        std::vector<int> Order;
        TFrame Frame;
        ENUM_drawModes Mode = drawmodeNormal;
        std::uint64_t TimeWindow = 0, Frequencies = 0, Relevances = 0, Selections = 0;
        std::size_t Records = 0;
        bool Dimmed = false;
        bool operator==(const TKey&) const = default;
    };
    struct TLayer {
        TKey Key;
        bool Valid = false;
        TRgbaImage Image;
        std::size_t Records = 0;
    };
    TKey KeyFor(const TPreProcessedData& data, const TParallelAxesGeometry& axes, ENUM_drawModes mode,
                const TFrame& frame) const;
    void CodeColumns(const TPreProcessedData& data, const TParallelAxesGeometry& axes);
    // Counts and rasterises `rows` (with per-row colours when `colors`, or the mode's) into
    // Grid, then tone-maps it into `out`.
    void Count(const TPreProcessedData& data, const TParallelAxesGeometry& axes, ENUM_drawModes mode, const TFrame& frame,
               const std::vector<std::uint32_t>& rows, const std::vector<float>* weights,
               const std::vector<TOpenGLColor>* colors, float opacity, TRgbaImage& out);
    void Show(const TFrame& frame, const TRgbaImage& image) const;

    std::vector<TBinCodes> Codes;  // per dimension
    const TPreProcessedData* CodedData = nullptr;
    TLayer Context, Brushed;
    TBinPairCounts Pairs;
    TDensityGrid Grid;
    std::vector<std::uint32_t> Rows;
    std::vector<float> Weights;
    std::vector<TOpenGLColor> Colors;
    int LastBins = 0;
};

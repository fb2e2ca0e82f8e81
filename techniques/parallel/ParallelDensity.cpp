#include "techniques/parallel/ParallelDensity.h"

#include <algorithm>
#include <cmath>

#include "render/Drawing.h"

TParallelDensity::TFrame TParallelDensity::FrameFor(const TParallelAxesGeometry& axes, float y0, float y1,
                                                    float unitsPerPixelX, float unitsPerPixelY)
{
    TFrame frame;
    if (axes.Slots() < 2 || !(unitsPerPixelX > 0.0f) || !(unitsPerPixelY > 0.0f) || !(y1 > y0)) return frame;
    const float left = std::floor(axes.X.front() / unitsPerPixelX);
    const float right = std::floor(axes.X.back() / unitsPerPixelX) + 1.0f;
    const float bottom = std::floor(y0 / unitsPerPixelY);
    const float top = std::ceil(y1 / unitsPerPixelY);
    if (!(right > left) || !(top > bottom) || right - left > 16384.0f || top - bottom > 16384.0f) return frame;
    frame.PixelWidth = int(right - left);
    frame.PixelHeight = int(top - bottom);
    frame.X0 = left * unitsPerPixelX;
    frame.X1 = right * unitsPerPixelX;
    frame.Y0 = bottom * unitsPerPixelY;
    frame.Y1 = top * unitsPerPixelY;
    return frame;
}

void TParallelDensity::Reset()
{
    Codes.clear();
    CodedData = nullptr;
    Context = {};
    Brushed = {};
}

long long TParallelDensity::CodeComputations() const
{
    long long n = 0;
    for (const TBinCodes& codes : Codes) n += codes.Computations;
    return n;
}

TParallelDensity::TKey TParallelDensity::KeyFor(const TPreProcessedData& data, const TParallelAxesGeometry& axes,
                                                ENUM_drawModes mode, const TFrame& frame) const
{
    TKey key;
    key.Data = &data;
    key.Order = axes.Order;
    key.Frame = frame;
    key.Mode = mode;
    key.TimeWindow = data.TimeWindowStamp;
    // Weights colour only the frequency mode, relevances only the relevance mode.
    key.Frequencies = mode != drawmodeNormal ? data.FrequencyValuesTimeStamp : 0;
    key.Relevances = mode == drawmodeRelev ? data.RelevanceValuesTimeStamp : 0;
    key.Records = data.ListOfPreprocessedRecords.size();
    return key;
}

void TParallelDensity::CodeColumns(const TPreProcessedData& data, const TParallelAxesGeometry& axes)
{
    if (CodedData != &data) {
        Codes.clear();
        CodedData = &data;
    }
    const int n = data.NumberOfDimensions();
    if (int(Codes.size()) != n) Codes.resize(n);
    // Only the columns on an axis; each is coded once (its array's address and length key it).
    for (int d : axes.Order) {
        const std::vector<float>& values = data.GetDimension(d)->Values;
        Codes[d].Code(values.data(), values.size());
    }
}

void TParallelDensity::Show(const TFrame& frame, const TRgbaImage& image) const
{
    if (image.Empty()) return;
    TMeaningScope meaning(TMeaning::Record);
    Gl().Image(frame.X0, frame.Y0, frame.X1, frame.Y1, 0.0f, image);
}

void TParallelDensity::Count(const TPreProcessedData& data, const TParallelAxesGeometry& axes, ENUM_drawModes mode,
                             const TFrame& frame, const std::vector<std::uint32_t>& rows,
                             const std::vector<float>* weights, const std::vector<TOpenGLColor>* colors, float opacity,
                             TRgbaImage& out)
{
    CodeColumns(data, axes);
    int bins = TBinPairCounts::MaxBins;
    while (bins > 2 && bins > frame.PixelHeight) bins /= 2;
    // Records all of one colour (one brush, or the context) need no colour sums.
    TOpenGLColor single(0, 0, 1);
    if (colors && mode == drawmodeNormal) {
        bool same = true;
        for (std::size_t i = 1; same && i < colors->size(); ++i) same = (*colors)[i] == (*colors)[0];
        if (same) {
            if (!colors->empty()) single = (*colors)[0];
            colors = nullptr;
        }
    }
    const bool uniform = !colors && mode == drawmodeNormal;
    Grid.Reset(frame.PixelWidth, frame.PixelHeight, !uniform);
    const float pixelsPerUnit = float(frame.PixelWidth) / (frame.X1 - frame.X0);
    const std::size_t count = rows.size();
    for (int s = 0; s + 1 < axes.Slots(); ++s) {
        const TBinCodes& left = Codes[axes.Order[s]];
        const TBinCodes& right = Codes[axes.Order[s + 1]];
        const std::uint16_t* cl = left.Data();
        const std::uint16_t* cr = right.Data();
        const std::size_t cells = std::min(left.Count(), right.Count());
        Pairs.Reset(bins, !uniform);
        if (uniform && !weights) {
            // Rows beyond a column's cells are left out, as their lines cannot be drawn.
            bool inside = true;
            for (std::size_t i = 0; inside && i < count; ++i) inside = rows[i] < cells;
            if (inside) {
                Pairs.AddRows(cl, cr, rows.data(), count);
            } else {
                for (std::size_t i = 0; i < count; ++i)
                    if (rows[i] < cells) Pairs.Add(TBinCodes::BinOfCode(cl[rows[i]], bins), TBinCodes::BinOfCode(cr[rows[i]], bins), 1.0f);
            }
        } else {
            const float* wl = axes.Weights[s];
            const float* wr = axes.Weights[s + 1];
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t row = rows[i];
                if (row >= cells) continue;
                const int l = TBinCodes::BinOfCode(cl[row], bins), r = TBinCodes::BinOfCode(cr[row], bins);
                const float w = weights ? (*weights)[i] : 1.0f;
                switch (mode) {
                case drawmodeFreq: {
                    const float a = wl[row] * wl[row], b = wr[row] * wr[row];
                    Pairs.Add(l, r, w, TOpenGLColor(1.0f, 1.0f - a, 1.0f - a), TOpenGLColor(1.0f, 1.0f - b, 1.0f - b));
                    break;
                }
                case drawmodeRelev: {
                    // The weight is the record's relevance strength, as is the colour's.
                    Pairs.Add(l, r, w, RelevanceColor(w, wl[row]), RelevanceColor(w, wr[row]));
                    break;
                }
                default: {
                    const TOpenGLColor c = colors ? (*colors)[i] : TOpenGLColor(0, 0, 1);
                    if (uniform)
                        Pairs.Add(l, r, w);
                    else
                        Pairs.Add(l, r, w, c, c);
                    break;
                }
                }
            }
        }
        const float leftX = (axes.X[s] - frame.X0) * pixelsPerUnit;
        const float rightX = (axes.X[s + 1] - frame.X0) * pixelsPerUnit;
        const double columns = std::max(0.0f, rightX - leftX);
        while (Pairs.Bins() > 16 && double(Pairs.NonEmpty()) * columns > SamplesPerPanel) Pairs.Coarsen();
        LastBins = Pairs.Bins();
        RasterisePairs(Pairs, Grid, leftX, rightX);
    }
    TToneMap map;
    map.Opacity = opacity;
    ToneMap(Grid, single, map, out);
}

namespace {
// Context records are dimmed under a brushed layer, so the brushes' colours stand out.
constexpr float DimmedOpacity = 0.3f;
} // namespace

void TParallelDensity::DrawContext(const TPreProcessedData& data, const TParallelAxesGeometry& axes,
                                   ENUM_drawModes mode, const TFrame& frame, bool dimmed)
{
    if (frame.PixelWidth <= 0 || frame.PixelHeight <= 0 || axes.Slots() < 2) return;
    TKey key = KeyFor(data, axes, mode, frame);
    key.Dimmed = dimmed;
    if (!Context.Valid || !(Context.Key == key)) {
        Rows.clear();
        Weights.clear();
        const bool relevance = mode == drawmodeRelev;
        for (const TPreProcessedRecord* record : data.ListOfPreprocessedRecords) {
            if (!record || !record->TemporalInteractionDraw || record->Index < 0) continue;
            if (relevance) {
                const float r = RelevanceStrength(*record);
                if (!(r >= 0.1f)) continue;  // not relevant enough: not drawn
                Weights.push_back(r);
            }
            Rows.push_back(std::uint32_t(record->Index));
        }
        Count(data, axes, mode, frame, Rows, relevance ? &Weights : nullptr, nullptr, dimmed ? DimmedOpacity : 1.0f,
              Context.Image);
        Context.Records = Rows.size();
        Context.Key = std::move(key);
        Context.Valid = true;
        ++ContextCounts;
    }
    Show(frame, Context.Image);
}

void TParallelDensity::DrawBrushed(const TPreProcessedData& data, const TParallelAxesGeometry& axes,
                                   ENUM_drawModes mode, const TFrame& frame, const TRecordList& brushed,
                                   std::uint64_t selectionsVersion)
{
    if (frame.PixelWidth <= 0 || frame.PixelHeight <= 0 || axes.Slots() < 2) return;
    TKey key = KeyFor(data, axes, mode, frame);
    key.Selections = selectionsVersion;
    key.Records = brushed.size();
    if (!Brushed.Valid || !(Brushed.Key == key)) {
        Rows.clear();
        Weights.clear();
        Colors.clear();
        const bool relevance = mode == drawmodeRelev;
        for (const TPreProcessedRecord* record : brushed) {
            if (!record || !record->TemporalInteractionDraw || record->Index < 0) continue;
            if (relevance) {
                const float r = RelevanceStrength(*record);
                if (!(r >= 0.1f)) continue;
                Weights.push_back(r);
            }
            Rows.push_back(std::uint32_t(record->Index));
            Colors.push_back(record->Color);
        }
        Count(data, axes, mode, frame, Rows, relevance ? &Weights : nullptr, &Colors, 1.0f, Brushed.Image);
        Brushed.Records = Rows.size();
        Brushed.Key = std::move(key);
        Brushed.Valid = true;
        ++BrushedCounts;
    }
    Show(frame, Brushed.Image);
}

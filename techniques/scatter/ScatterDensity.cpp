#include "techniques/scatter/ScatterDensity.h"

#include <algorithm>
#include <cmath>

#include "render/Drawing.h"

TScatterDensity::TFrame TScatterDensity::FrameFor(const TValueScale& x, const TValueScale& y, float unitsPerPixelX,
                                                  float unitsPerPixelY)
{
    TFrame frame;
    if (!(unitsPerPixelX > 0.0f) || !(unitsPerPixelY > 0.0f) || !(x.Length > 0.0f) || !(y.Length > 0.0f)) return frame;
    const float left = std::floor(x.Origin / unitsPerPixelX), bottom = std::floor(y.Origin / unitsPerPixelY);
    const float right = std::floor((x.Origin + x.Length) / unitsPerPixelX) + 1.0f;
    const float top = std::floor((y.Origin + y.Length) / unitsPerPixelY) + 1.0f;
    if (right - left > 16384.0f || top - bottom > 16384.0f) return frame;
    frame.PixelWidth = int(right - left);
    frame.PixelHeight = int(top - bottom);
    frame.X0 = left * unitsPerPixelX;
    frame.X1 = right * unitsPerPixelX;
    frame.Y0 = bottom * unitsPerPixelY;
    frame.Y1 = top * unitsPerPixelY;
    // A value v lies at Origin + v × Length, the pixel of that point in the picture.
    frame.OffsetX = x.Origin / unitsPerPixelX - left;
    frame.ScaleX = x.Length / unitsPerPixelX / float(TBinCodes::Levels);
    frame.OffsetY = y.Origin / unitsPerPixelY - bottom;
    frame.ScaleY = y.Length / unitsPerPixelY / float(TBinCodes::Levels);
    return frame;
}

void TScatterDensity::Reset()
{
    Data = nullptr;
    Codes.clear();
    Context.clear();
    Brushed.clear();
    ContextListed = BrushedListed = false;
}

void TScatterDensity::Collect(const TRecordList& records, bool timeWindow, bool relevance, bool colors, TRows& out)
{
    out.Rows.clear();
    out.Strengths.clear();
    out.Colors.clear();
    for (const TPreProcessedRecord* record : records) {
        if (!record || record->Index < 0) continue;
        if (timeWindow && !record->TemporalInteractionDraw) continue;
        out.Rows.push_back(std::uint32_t(record->Index));
        if (relevance) out.Strengths.push_back(RelevanceStrength(record->RecordRelevanceCoefficiente));
        if (colors) out.Colors.push_back(record->Color);
    }
    // Records all of one colour (one brush) need no colour sums.
    out.Single = TOpenGLColor(0, 0, 1);
    bool same = true;
    for (std::size_t i = 1; same && i < out.Colors.size(); ++i) same = out.Colors[i] == out.Colors[0];
    if (same && !out.Colors.empty()) {
        out.Single = out.Colors[0];
        out.Colors.clear();
    }
}

void TScatterDensity::Prepare(const TPreProcessedData& data, ENUM_drawModes mode, const TRecordList* brushed,
                              std::uint64_t selectionsVersion, bool brushedLayer)
{
    if (Data != &data) {
        Reset();
        Data = &data;
    }
    Mode = mode;
    const bool relevance = mode == drawmodeRelev;
    TLayerKey key;
    key.Data = &data;
    key.Mode = mode;
    key.TimeWindow = data.TimeWindowStamp;
    // Weights colour only the frequency and relevance modes, relevances only the latter.
    key.Frequencies = mode != drawmodeNormal ? data.FrequencyValuesTimeStamp : 0;
    key.Relevances = mode == drawmodeRelev ? data.RelevanceValuesTimeStamp : 0;
    key.Records = data.ListOfPreprocessedRecords.size();
    key.Dimmed = brushed != nullptr;
    if (!ContextListed || !(key == ContextKey)) {
        Collect(data.ListOfPreprocessedRecords, true, relevance, false, ContextRows);
        ZoomSharesRows = ContextRows.Rows.size() == data.ListOfPreprocessedRecords.size();
        if (!ZoomSharesRows) Collect(data.ListOfPreprocessedRecords, false, relevance, false, ZoomContextRows);
        ContextKey = key;
        ContextListed = true;
    }
    HasBrushed = brushed && brushedLayer;
    if (HasBrushed) {
        TLayerKey b = key;
        b.Selections = selectionsVersion;
        b.Records = brushed->size();
        if (!BrushedListed || !(b == BrushedKey)) {
            Collect(*brushed, true, relevance, true, BrushedRows);
            if (!ZoomSharesRows) Collect(*brushed, false, relevance, true, ZoomBrushedRows);
            BrushedKey = b;
            BrushedListed = true;
        }
    }
}

void TScatterDensity::Code(int dimension)
{
    if (int(Codes.size()) < Data->NumberOfDimensions()) Codes.resize(Data->NumberOfDimensions());
    const std::vector<float>& values = Data->GetDimension(dimension)->Values;
    Codes[dimension].Code(values.data(), values.size());
}

void TScatterDensity::Count(int column, int line, const TFrame& frame, bool zoom, const TRows& rows, bool colors,
                            float opacity, TRgbaImage& out)
{
    Code(column);
    Code(line);
    const TBinCodes& across = Codes[column];
    const TBinCodes& up = Codes[line];
    const std::size_t cells = std::min(across.Count(), up.Count());
    const std::uint16_t* cx = across.Data();
    const std::uint16_t* cy = up.Data();
    colors = colors && !rows.Colors.empty();
    const bool uniform = Mode == drawmodeNormal && !colors;
    Grid.Reset(frame.PixelWidth, frame.PixelHeight, !uniform);
    // Weights and relevances not computed yet read 0, as in exact drawing.
    if (Zeros.size() < cells) Zeros.assign(cells, 0.0f);
    auto column0 = [&](const std::vector<float>& v) { return v.size() >= cells ? v.data() : Zeros.data(); };
    const TPreProcessedDimension* dx = Data->GetDimension(column);
    const TPreProcessedDimension* dy = Data->GetDimension(line);
    const float* wx = column0(dx->Weights);
    const float* wy = column0(dy->Weights);
    const float* rx = column0(dx->Relevances);
    const float* ry = column0(dy->Relevances);
    const bool columnPoint = Data->GetRelevanceValue(column) != -1.0f;
    const bool linePoint = Data->GetRelevanceValue(line) != -1.0f;
    if (Mode == drawmodeRelev && !zoom && !columnPoint && !linePoint) {
        // Cells size by their dimensions' relevance: without a relevance point on either
        // dimension nothing is drawn.
        out.Reset(0, 0);
        return;
    }
    const std::size_t n = rows.Rows.size();
    const float ox = frame.OffsetX, sx = frame.ScaleX, oy = frame.OffsetY, sy = frame.ScaleY;
    if (uniform) {
        // One colour: weights alone, in fixed point (32 fraction bits), rows in storage order
        // read straight from the codes.
        const int width = frame.PixelWidth, height = frame.PixelHeight;
        const double unit = 4294967296.0;
        const std::uint64_t fx = std::uint64_t(std::max(0.0f, ox) * unit), kx = std::uint64_t(double(sx) * unit);
        const std::uint64_t fy = std::uint64_t(std::max(0.0f, oy) * unit), ky = std::uint64_t(double(sy) * unit);
        const std::uint64_t lastX = std::uint64_t(width - 1), lastY = std::uint64_t(height - 1);
        float* weights = Grid.WeightData();
        auto add = [&](std::uint32_t row) {
            const std::uint64_t x = std::min((fx + cx[row] * kx) >> 32, lastX);
            const std::uint64_t y = std::min((fy + cy[row] * ky) >> 32, lastY);
            weights[y * std::uint64_t(width) + x] += 1.0f;
        };
        bool identity = n == cells && (n == 0 || rows.Rows[n - 1] == n - 1);
        if (identity)
            for (std::uint32_t row = 0; row < n; ++row) add(row);
        else
            for (std::size_t i = 0; i < n; ++i) {
                if (rows.Rows[i] < cells) add(rows.Rows[i]);
            }
        TToneMap map;
        map.Opacity = opacity;
        ToneMap(Grid, rows.Single, map, out);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t row = rows.Rows[i];
        if (row >= cells) continue;
        const int x = int(ox + float(cx[row]) * sx);
        const int y = int(oy + float(cy[row]) * sy);
        switch (Mode) {
        case drawmodeFreq: {
            const float w = (wx[row] + wy[row]) * 0.5f;
            float d = w * w;
            d = d > 0.1f ? (d < 1.0f ? d : 1.0f) : 0.1f;
            Grid.Add(x, y, 1.0f, 1.0f, 1.0f - d, 1.0f - d);
            break;
        }
        case drawmodeRelev: {
            const float strength = rows.Strengths[i];
            float s = strength;  // the zoom cell sizes by the record's coefficient
            if (!zoom)
                s = RelevanceStrength(columnPoint && linePoint ? (rx[row] + ry[row]) * 0.5f : columnPoint ? rx[row] : ry[row]);
            if (!(s >= 0.1f)) continue;  // not relevant enough: not drawn
            const float w = (wx[row] + wy[row]) * 0.5f;
            const TOpenGLColor c = RelevanceColor(strength, w > 0.1f ? w : 0.1f);
            Grid.Add(x, y, s, c.C1, c.C2, c.C3);
            break;
        }
        default:
            if (uniform) {
                Grid.Add(x, y, 1.0f);  // the weights alone: the tone map gives the colour
            } else {
                const TOpenGLColor& c = rows.Colors[i];
                Grid.Add(x, y, 1.0f, c.C1, c.C2, c.C3);
            }
            break;
        }
    }
    TToneMap map;
    map.Opacity = opacity;
    ToneMap(Grid, rows.Single, map, out);
}

void TScatterDensity::Show(const TFrame& frame, const TRgbaImage& image) const
{
    if (image.Empty()) return;
    TMeaningScope meaning(TMeaning::Record);
    Gl().Image(frame.X0, frame.Y0, frame.X1, frame.Y1, 0.0f, image);
}

void TScatterDensity::DrawPlot(int column, int line, const TFrame& frame, bool zoom)
{
    if (!Data || frame.PixelWidth <= 0 || frame.PixelHeight <= 0 || column < 0 || line < 0 ||
        column >= Data->NumberOfDimensions() || line >= Data->NumberOfDimensions())
        return;
    const long long id = (zoom ? 1LL << 40 : 0) + (long long)column * 65536 + line;
    constexpr float DimmedOpacity = 0.3f;
    TPicture& context = Context[id];
    if (!context.Valid || !(context.Key == ContextKey) || !(context.Frame == frame)) {
        const TRows& rows = zoom && !ZoomSharesRows ? ZoomContextRows : ContextRows;
        Count(column, line, frame, zoom, rows, false, ContextKey.Dimmed ? DimmedOpacity : 1.0f, context.Image);
        context.Key = ContextKey;
        context.Frame = frame;
        context.Valid = true;
        ++ContextCounts;
    }
    Show(frame, context.Image);
    if (!HasBrushed) return;
    TPicture& brushed = Brushed[id];
    if (!brushed.Valid || !(brushed.Key == BrushedKey) || !(brushed.Frame == frame)) {
        const TRows& rows = zoom && !ZoomSharesRows ? ZoomBrushedRows : BrushedRows;
        Count(column, line, frame, zoom, rows, true, 1.0f, brushed.Image);
        brushed.Key = BrushedKey;
        brushed.Frame = frame;
        brushed.Valid = true;
        ++BrushedCounts;
    }
    Show(frame, brushed.Image);
}

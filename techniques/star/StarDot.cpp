#include "techniques/star/StarDot.h"

#include <algorithm>

#include "render/Drawing.h"
#include "render/OpenGLColor.h"
#include "techniques/star/StarAxis.h"

// ---- TStarDot

float TStarDot::X() const
{
    const std::size_t i = std::size_t(Index) * List.Components();
    return i < List.Positions.size() ? List.Positions[i] : 0.0f;
}

float TStarDot::Y() const
{
    const std::size_t i = std::size_t(Index) * List.Components() + 1;
    return i < List.Positions.size() ? List.Positions[i] : 0.0f;
}

float TStarDot::Z() const
{
    if (List.Components() < 3) return 0.0f;
    const std::size_t i = std::size_t(Index) * 3 + 2;
    return i < List.Positions.size() ? List.Positions[i] : 0.0f;
}

float TStarDot::DotFrequency() const
{
    return std::size_t(Index) < List.Frequencies.size() ? List.Frequencies[Index] : 0.0f;
}

float TStarDot::DotRelevance() const
{
    return std::size_t(Index) < List.Relevances.size() ? List.Relevances[Index] : 1.0f;
}

// ---- TStarDotList

namespace {
// sums[k] += values[k] × direction × size: one coordinate of one axis's term over a block
// of records, in a form the compiler turns into vector instructions.
__attribute__((optimize("tree-vectorize", "vect-cost-model=dynamic"))) void AddTerm(const float* __restrict values,
                                                                                    std::size_t count, float direction,
                                                                                    float size, float* __restrict sums)
{
    for (std::size_t k = 0; k < count; ++k) sums[k] += values[k] * direction * size;
}
} // namespace

void TStarDotList::Fill(TStarCoordinates* view, TStarAxesList* axes, TPreProcessedData* data,
                        const TOpenGLVertex* center)
{
    StarCoordinates = view;
    StarAxesList = axes;
    Data = data;
    Center = center;
    ListOfIndexOfDataItemsToDraw = nullptr;
    Positions.clear();
    Frequencies.clear();
    Relevances.clear();
    Colors.clear();
    SubsetPositions.clear();
    SubsetColors.clear();
    WindowKnown = false;
    InvalidateCaches();
}

void TStarDotList::InvalidateCaches()
{
    PositionsStamp = FrequencyStamp = RelevanceStamp = 0;
    PositionsValid = false;
    ColorsValid = false;
    SubsetValid = false;
}

double TStarDotList::BytesPerRecord() const
{
    const int n = Count();
    if (n == 0) return 0.0;
    const std::size_t floats = Positions.capacity() + Frequencies.capacity() + Relevances.capacity() +
                               Colors.capacity() + SubsetPositions.capacity() + SubsetColors.capacity();
    return double(floats * sizeof(float)) / n;
}

void TStarDotList::RefreshPositions()
{
    if (!Data || !StarAxesList) return;
    const int components = Mode3D ? 3 : 2;
    if (PositionsValid && PositionsStamp == StarAxesList->StarAxesTimeStamp && components == PositionComponents) return;
    PositionComponents = components;
    PositionsStamp = StarAxesList->StarAxesTimeStamp;
    PositionsValid = true;
    ++PositionComputations;

    const std::size_t n = std::size_t(std::max(0, Data->RecordsNumber));
    Positions.resize(n * components);

    // The active axes' terms, and the columns they read.
    struct TTerm {
        const float* Values;
        std::size_t Count;
        float V1, V2, V3, Size;
    };
    std::vector<TTerm> terms;
    for (int i = 0; i < StarAxesList->Count(); ++i) {
        const TStarAxis* axis = StarAxesList->Item(i);
        if (!axis->IsActive || axis->DimensionIndex < 0 || axis->DimensionIndex >= Data->NumberOfDimensions())
            continue;
        const TPreProcessedDimension* d = Data->GetDimension(axis->DimensionIndex);
        terms.push_back({d->Values.data(), std::min(d->Values.size(), n), axis->UnitaryVector.V1,
                         axis->UnitaryVector.V2, axis->UnitaryVector.V3, axis->SizeOfAxis});
    }
    const float cx = Center ? Center->X : 0.0f, cy = Center ? Center->Y : 0.0f, cz = Center ? Center->Z : 0.0f;

    // Blocks of records: every term is added to a block of sums that stays in cache, the
    // terms in axis order (each record's sums are formed in that order), then the block
    // goes out with the centre added.
    constexpr std::size_t Block = 1024;
    float sx[Block], sy[Block], sz[Block];
    float* out = Positions.data();
    for (std::size_t first = 0; first < n; first += Block) {
        const std::size_t count = std::min(Block, n - first);
        std::fill(sx, sx + count, 0.0f);
        std::fill(sy, sy + count, 0.0f);
        std::fill(sz, sz + count, 0.0f);
        for (const TTerm& t : terms) {
            const std::size_t end = std::min(count, t.Count > first ? t.Count - first : 0);
            AddTerm(t.Values + first, end, t.V1, t.Size, sx);
            AddTerm(t.Values + first, end, t.V2, t.Size, sy);
            if (components == 3) AddTerm(t.Values + first, end, t.V3, t.Size, sz);
        }
        float* p = out + first * components;
        if (components == 2) {
            for (std::size_t k = 0; k < count; ++k) {
                p[2 * k] = cx + sx[k];
                p[2 * k + 1] = cy + sy[k];
            }
        } else {
            for (std::size_t k = 0; k < count; ++k) {
                p[3 * k] = cx + sx[k];
                p[3 * k + 1] = cy + sy[k];
                p[3 * k + 2] = cz + sz[k];
            }
        }
    }
}

void TStarDotList::RefreshFrequencies()
{
    if (!Data) return;
    if (FrequencyStamp == Data->FrequencyValuesTimeStamp && FrequencyStamp != 0 &&
        Frequencies.size() == std::size_t(std::max(0, Data->RecordsNumber)))
        return;
    FrequencyStamp = Data->FrequencyValuesTimeStamp;
    const std::size_t n = std::size_t(std::max(0, Data->RecordsNumber));
    Frequencies.assign(n, 0.0f);
    const int dimensions = Data->NumberOfDimensions();
    for (int i = 0; i < dimensions; ++i) {
        const TPreProcessedDimension* d = Data->GetDimension(i);
        const std::size_t count = std::min(d->Weights.size(), n);
        const float* w = d->Weights.data();
        for (std::size_t r = 0; r < count; ++r) Frequencies[r] += w[r];
    }
    if (dimensions > 0)
        for (float& f : Frequencies) f /= float(dimensions);
}

void TStarDotList::RefreshRelevances()
{
    if (!Data) return;
    if (RelevanceStamp == Data->RelevanceValuesTimeStamp && RelevanceStamp != 0 &&
        Relevances.size() == std::size_t(std::max(0, Data->RecordsNumber)))
        return;
    RelevanceStamp = Data->RelevanceValuesTimeStamp;
    const std::size_t n = std::size_t(std::max(0, Data->RecordsNumber));
    const int k = Data->RelevanceDimensionCount;
    if (k == 0) {
        Relevances.assign(n, 1.0f);
        return;
    }
    Relevances.assign(n, 0.0f);
    for (int i = 0; i < Data->NumberOfDimensions(); ++i) {
        const TPreProcessedDimension* d = Data->GetDimension(i);
        const std::size_t count = std::min(d->Relevances.size(), n);
        const float* r = d->Relevances.data();
        for (std::size_t row = 0; row < count; ++row) Relevances[row] += r[row];
    }
    for (float& r : Relevances) r /= float(k);
}

void TStarDotList::ModeColor(int row, float* rgb) const
{
    const float frequency = std::size_t(row) < Frequencies.size() ? Frequencies[row] : 0.0f;
    TOpenGLColor c;
    if (DrawMode == drawmodeFreq) {
        c = HueColor(1.0f, 1.0f - 0.5f * frequency, 0.0f);
    } else {
        const float relevance = std::size_t(row) < Relevances.size() ? Relevances[row] : 1.0f;
        c = RelevanceColor(RelevanceStrength(relevance), frequency);
    }
    rgb[0] = c.C1;
    rgb[1] = c.C2;
    rgb[2] = c.C3;
}

bool TStarDotList::EveryRecordInWindow()
{
    if (WindowKnown && WindowStamp == Data->TimeWindowStamp) return WholeWindow;
    WindowKnown = true;
    WindowStamp = Data->TimeWindowStamp;
    WholeWindow = std::all_of(Data->ListOfPreprocessedRecords.begin(), Data->ListOfPreprocessedRecords.end(),
                              [](const TPreProcessedRecord* r) { return r && r->TemporalInteractionDraw; });
    return WholeWindow;
}

void TStarDotList::Draw()
{
    TDrawing& gl = Gl();
    TMeaningScope meaning(TMeaning::Record);
    gl.Color(0, 0, 1);
    if (!Data || Count() == 0) return;
    const bool colored = DrawMode == drawmodeFreq || DrawMode == drawmodeRelev;
    if (DrawMode != drawmodeNormal && !colored) return;
    RefreshPositions();
    if (colored) {
        RefreshFrequencies();
        if (DrawMode == drawmodeRelev) RefreshRelevances();
    }
    gl.PointSize(PointSize);
    const int c = PositionComponents;

    if (!ListOfIndexOfDataItemsToDraw && EveryRecordInWindow()) {
        const std::size_t n = Positions.size() / c;
        if (!colored) {
            gl.DrawArrays(TPrimitive::Points, Positions.data(), c, nullptr, n);
            return;
        }
        const TColorKey key{DrawMode, FrequencyStamp, DrawMode == drawmodeRelev ? RelevanceStamp : 0};
        if (!ColorsValid || !(ColorsKey == key)) {
            Colors.resize(n * 3);
            for (std::size_t row = 0; row < n; ++row) ModeColor(int(row), &Colors[row * 3]);
            ColorsKey = key;
            ColorsValid = true;
        }
        gl.DrawArrays(TPrimitive::Points, Positions.data(), c, Colors.data(), n);
        return;
    }

    // A subset: the listed records, or every record of the time window, in list order.
    const TSubsetKey key{ListOfIndexOfDataItemsToDraw != nullptr,
                         ListOfIndexOfDataItemsToDraw ? ListVersion : 0,
                         TChangeStamp(PositionComputations),
                         colored ? FrequencyStamp : 0,
                         DrawMode == drawmodeRelev ? RelevanceStamp : 0,
                         Data->TimeWindowStamp,
                         Data->RecordOrderStamp,
                         DrawMode,
                         c};
    if (!SubsetValid || !(SubsetKey == key)) {
        // Drop the whole-set colours while a subset is drawn: one colour array at a time.
        std::vector<float>().swap(Colors);
        ColorsValid = false;
        const TRecordList& records = ListOfIndexOfDataItemsToDraw ? *ListOfIndexOfDataItemsToDraw
                                                                  : Data->ListOfPreprocessedRecords;
        SubsetPositions.clear();
        SubsetColors.clear();
        const std::size_t n = Positions.size() / c;
        for (const TPreProcessedRecord* record : records) {
            if (!record || !record->TemporalInteractionDraw) continue;
            const std::size_t row = std::size_t(record->Index);
            if (row >= n) continue;
            const float* p = &Positions[row * c];
            SubsetPositions.insert(SubsetPositions.end(), p, p + c);
            float rgb[3];
            if (colored) {
                ModeColor(int(row), rgb);
            } else if (ListOfIndexOfDataItemsToDraw) {
                rgb[0] = record->Color.C1;
                rgb[1] = record->Color.C2;
                rgb[2] = record->Color.C3;
            } else {
                rgb[0] = 0.0f, rgb[1] = 0.0f, rgb[2] = 1.0f;
            }
            SubsetColors.insert(SubsetColors.end(), rgb, rgb + 3);
        }
        SubsetKey = key;
        SubsetValid = true;
    }
    gl.DrawArrays(TPrimitive::Points, SubsetPositions.data(), c, SubsetColors.data(), SubsetPositions.size() / c);
}

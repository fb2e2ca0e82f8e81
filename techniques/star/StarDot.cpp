#include "techniques/star/StarDot.h"

#include <algorithm>

#include "render/Drawing.h"
#include "render/OpenGLColor.h"
#include "techniques/star/StarAxis.h"

// ---- TStarDot

void TStarDot::ComputePosition(float& x, float& y, float& z) const
{
    const TOpenGLVertex* c = List.Center;
    x = c ? c->X : 0.0f;
    y = c ? c->Y : 0.0f;
    z = c ? c->Z : 0.0f;
    if (!Record || !List.Data || !List.StarAxesList) return;
    float sx = 0.0f, sy = 0.0f, sz = 0.0f;
    for (int i = 0; i < List.StarAxesList->Count(); ++i) {
        const TStarAxis* axis = List.StarAxesList->Item(i);
        if (!axis->IsActive || axis->DimensionIndex < 0 || axis->DimensionIndex >= List.Data->NumberOfDimensions())
            continue;
        const float v = List.Data->Value(axis->DimensionIndex, Record);
        sx += v * axis->UnitaryVector.V1 * axis->SizeOfAxis;
        sy += v * axis->UnitaryVector.V2 * axis->SizeOfAxis;
        sz += v * axis->UnitaryVector.V3 * axis->SizeOfAxis;
    }
    x += sx;
    y += sy;
    z += sz;
}

float TStarDot::DotFrequency() const
{
    if (!Record || !List.Data || List.Data->NumberOfDimensions() == 0) return 0.0f;
    float sum = 0.0f;
    for (int i = 0; i < List.Data->NumberOfDimensions(); ++i) {
        const TPreProcessedDimension* d = List.Data->GetDimension(i);
        if (std::size_t(Record->Index) < d->Weights.size()) sum += d->Weights[Record->Index];
    }
    return sum / float(List.Data->NumberOfDimensions());
}

float TStarDot::DotRelevance() const
{
    if (!Record || !List.Data || List.Data->RelevanceDimensionCount == 0) return 1.0f;
    float sum = 0.0f;
    for (int i = 0; i < List.Data->NumberOfDimensions(); ++i) {
        const TPreProcessedDimension* d = List.Data->GetDimension(i);
        if (std::size_t(Record->Index) < d->Relevances.size()) sum += d->Relevances[Record->Index];
    }
    return sum / float(List.Data->RelevanceDimensionCount);
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

constexpr std::size_t Block = 1024;

// values[rows[first + k]] for a block, or values[first + k] without rows; 0 past the column.
const float* BlockOf(const float* column, std::size_t columnSize, const std::uint32_t* rows, std::size_t first,
                     std::size_t count, float* scratch)
{
    if (!rows && first + count <= columnSize) return column + first;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t row = rows ? rows[first + k] : first + k;
        scratch[k] = row < columnSize ? column[row] : 0.0f;
    }
    return scratch;
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
    std::vector<float>().swap(Positions);
    std::vector<float>().swap(Colors);
    std::vector<float>().swap(SubsetPositions);
    WindowKnown = false;
    InvalidateCaches();
}

void TStarDotList::InvalidateCaches()
{
    ++Invalidations;
    FrequencyStamp = RelevanceStamp = 0;
    PositionsValid = false;
    ColorsValid = false;
    SubsetValid = false;
}

double TStarDotList::BytesPerRecord() const
{
    const int n = Count();
    if (n == 0) return 0.0;
    const std::size_t floats = Positions.capacity() + Colors.capacity() + SubsetPositions.capacity();
    return double(floats * sizeof(float)) / n;
}

TStarDotList::TPositionsKey TStarDotList::CurrentPositionsKey() const
{
    return {StarAxesList ? StarAxesList->StarAxesTimeStamp : 0, Invalidations, Components()};
}

TStarDotList::TColorsKey TStarDotList::CurrentColorsKey() const
{
    if (!Data || (DrawMode != drawmodeFreq && DrawMode != drawmodeRelev)) return {DrawMode, 0, 0};
    return {DrawMode, Data->FrequencyValuesTimeStamp, DrawMode == drawmodeRelev ? Data->RelevanceValuesTimeStamp : 0};
}

void TStarDotList::ComputePositions(const std::uint32_t* rows, std::size_t n, float* out)
{
    ++PositionComputations;
    const int components = Components();
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
        terms.push_back({d->Values.data(), d->Values.size(), axis->UnitaryVector.V1, axis->UnitaryVector.V2,
                         axis->UnitaryVector.V3, axis->SizeOfAxis});
    }
    const float cx = Center ? Center->X : 0.0f, cy = Center ? Center->Y : 0.0f, cz = Center ? Center->Z : 0.0f;

    // Blocks of records: every term is added to a block of sums that stays in cache, the
    // terms in axis order (each record's sums are formed in that order), then the block
    // goes out with the centre added.
    float sx[Block], sy[Block], sz[Block], scratch[Block];
    for (std::size_t first = 0; first < n; first += Block) {
        const std::size_t count = std::min(Block, n - first);
        std::fill(sx, sx + count, 0.0f);
        std::fill(sy, sy + count, 0.0f);
        std::fill(sz, sz + count, 0.0f);
        for (const TTerm& t : terms) {
            const float* v = BlockOf(t.Values, t.Count, rows, first, count, scratch);
            AddTerm(v, count, t.V1, t.Size, sx);
            AddTerm(v, count, t.V2, t.Size, sy);
            if (components == 3) AddTerm(v, count, t.V3, t.Size, sz);
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

void TStarDotList::ComputeModeColors(const std::uint32_t* rows, std::size_t n, float* out) const
{
    // Weights summed into the first component and relevances into the second, column by
    // column, then turned into the colour in place.
    std::fill(out, out + 3 * n, 0.0f);
    const int dimensions = Data->NumberOfDimensions();
    const bool relevance = DrawMode == drawmodeRelev;
    const int k = Data->RelevanceDimensionCount;
    float scratch[Block];
    for (int i = 0; i < dimensions; ++i) {
        const TPreProcessedDimension* d = Data->GetDimension(i);
        for (std::size_t first = 0; first < n; first += Block) {
            const std::size_t count = std::min(Block, n - first);
            const float* w = BlockOf(d->Weights.data(), d->Weights.size(), rows, first, count, scratch);
            for (std::size_t j = 0; j < count; ++j) out[3 * (first + j)] += w[j];
            if (relevance && k != 0) {
                const float* r = BlockOf(d->Relevances.data(), d->Relevances.size(), rows, first, count, scratch);
                for (std::size_t j = 0; j < count; ++j) out[3 * (first + j) + 1] += r[j];
            }
        }
    }
    for (std::size_t j = 0; j < n; ++j) {
        float* rgb = out + 3 * j;
        const float frequency = dimensions > 0 ? rgb[0] / float(dimensions) : 0.0f;
        TOpenGLColor c;
        if (!relevance) {
            c = HueColor(1.0f, 1.0f - 0.5f * frequency, 0.0f);
        } else {
            const float dotRelevance = k != 0 ? rgb[1] / float(k) : 1.0f;
            c = RelevanceColor(RelevanceStrength(dotRelevance), frequency);
        }
        rgb[0] = c.C1;
        rgb[1] = c.C2;
        rgb[2] = c.C3;
    }
}

void TStarDotList::RefreshPositions()
{
    if (!Data || !StarAxesList) return;
    const TPositionsKey key = CurrentPositionsKey();
    if (PositionsValid && PositionsKey == key) return;
    const std::size_t n = std::size_t(std::max(0, Data->RecordsNumber));
    Positions.resize(n * key.Components);
    ComputePositions(nullptr, n, Positions.data());
    PositionsKey = key;
    PositionsValid = true;
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
    if (!Data || !StarAxesList || Count() == 0) return;
    const bool colored = DrawMode == drawmodeFreq || DrawMode == drawmodeRelev;
    if (DrawMode != drawmodeNormal && !colored) return;
    gl.PointSize(PointSize);
    const int c = Components();
    const TColorsKey colorsKey = CurrentColorsKey();

    if (!ListOfIndexOfDataItemsToDraw && EveryRecordInWindow()) {
        // Every record: positions by Index, kept until the axes change.
        std::vector<float>().swap(SubsetPositions);
        SubsetValid = false;
        RefreshPositions();
        const std::size_t n = Positions.size() / c;
        if (!colored) {
            gl.DrawArrays(TPrimitive::Points, Positions.data(), c, nullptr, n);
            return;
        }
        if (!ColorsValid || ColorsOfSubset || !(ColorsKey == colorsKey)) {
            Colors.resize(n * 3);
            ComputeModeColors(nullptr, n, Colors.data());
            ColorsKey = colorsKey;
            ColorsValid = true;
            ColorsOfSubset = false;
        }
        FrequencyStamp = colorsKey.Frequency;
        RelevanceStamp = colorsKey.Relevance;
        gl.DrawArrays(TPrimitive::Points, Positions.data(), c, Colors.data(), n);
        return;
    }

    // A subset: the listed records, or every record of the time window, in list order.
    const bool listed = ListOfIndexOfDataItemsToDraw != nullptr;
    const TSubsetKey key{listed,         listed ? ListVersion : 0, CurrentPositionsKey(), colorsKey,
                         Data->TimeWindowStamp, Data->RecordOrderStamp};
    if (!SubsetValid || !(SubsetKey == key)) {
        // Only the drawn records are kept meanwhile.
        std::vector<float>().swap(Positions);
        PositionsValid = false;
        const TRecordList& records = listed ? *ListOfIndexOfDataItemsToDraw : Data->ListOfPreprocessedRecords;
        const std::size_t rowCount = std::size_t(std::max(0, Data->RecordsNumber));
        std::vector<std::uint32_t> rows;
        for (const TPreProcessedRecord* record : records)
            if (record && record->TemporalInteractionDraw && record->Index >= 0 && std::size_t(record->Index) < rowCount)
                rows.push_back(std::uint32_t(record->Index));
        SubsetPositions.resize(rows.size() * c);
        ComputePositions(rows.data(), rows.size(), SubsetPositions.data());
        if (colored) {
            Colors.resize(rows.size() * 3);
            ComputeModeColors(rows.data(), rows.size(), Colors.data());
        } else if (listed) {
            // The selections controller gave every listed record its selection's colour.
            Colors.clear();
            Colors.reserve(rows.size() * 3);
            for (const TPreProcessedRecord* record : records)
                if (record && record->TemporalInteractionDraw && record->Index >= 0 &&
                    std::size_t(record->Index) < rowCount)
                    Colors.insert(Colors.end(), {record->Color.C1, record->Color.C2, record->Color.C3});
        } else {
            std::vector<float>().swap(Colors);
        }
        Colors.shrink_to_fit();
        SubsetPositions.shrink_to_fit();
        ColorsValid = true;
        ColorsOfSubset = true;
        ColorsKey = colorsKey;
        SubsetKey = key;
        SubsetValid = true;
    }
    FrequencyStamp = colorsKey.Frequency;
    RelevanceStamp = colorsKey.Relevance;
    const std::size_t n = SubsetPositions.size() / c;
    if (n == 0) return;
    gl.DrawArrays(TPrimitive::Points, SubsetPositions.data(), c, Colors.empty() ? nullptr : Colors.data(), n);
}

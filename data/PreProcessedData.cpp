// Cells, dimensions, records, feature vectors and the dataset's own bookkeeping.
#include "data/PreProcessedData.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

// ---- TPreProcessedAttribute -----------------------------------------------------------

float TPreProcessedAttribute::Value() const { return Dimension->Values[Row]; }
float TPreProcessedAttribute::Weight() const { return Dimension->Weights[Row]; }
float TPreProcessedAttribute::Relevance() const
{
    return Row < Dimension->Relevances.size() ? Dimension->Relevances[Row] : 0.0f;
}
int TPreProcessedAttribute::Occurrences() const { return Dimension->Occurrences[Row]; }
void TPreProcessedAttribute::SetWeight(float weight) { Dimension->Weights[Row] = weight; }
void TPreProcessedAttribute::SetRelevance(float relevance)
{
    if (Dimension->Relevances.size() < Dimension->Count()) Dimension->Relevances.resize(Dimension->Count(), 0.0f);
    Dimension->Relevances[Row] = relevance;
}
void TPreProcessedAttribute::SetOccurrences(int occurrences) { Dimension->Occurrences[Row] = occurrences; }

// ---- TPreProcessedDimension -----------------------------------------------------------

TPreProcessedDimension::TPreProcessedDimension(std::string name, int index)
    : DimensionName(std::move(name)), DimensionIndex(index)
{
}

void TPreProcessedDimension::AddValueText(std::string_view text)
{
    float value;
    if (!StrToFloat(text, value)) value = static_cast<float>(Values.size());
    AddValue(value);
}

void TPreProcessedDimension::AddValue(float value)
{
    Values.push_back(value);
    Normalised = false;
    RanksAreCurrent = false;
}

void TPreProcessedDimension::Normalise(bool recomputeRange)
{
    if (Normalised) return;
    if (recomputeRange && !Values.empty()) {
        const auto [low, high] = std::minmax_element(Values.begin(), Values.end());
        LowValue = *low;
        HighValue = *high;
    }
    ValueRange = HighValue - LowValue;
    if (ValueRange == 0.0f) ValueRange = 1.0f;
    const float low = LowValue;
    const float range = ValueRange;
    if (std::isfinite(range)) {
        for (float& value : Values) value = std::min(1.0f, (value - low) / range);
    } else {
        // The range overflows a float (values near ±3.4e38): divide in double so that no
        // infinite difference turns into a not-a-number.
        const double wide = static_cast<double>(HighValue) - static_cast<double>(LowValue);
        for (float& value : Values)
            value = std::min(1.0f, static_cast<float>((static_cast<double>(value) - low) / wide));
    }
    Normalised = true;
    RanksAreCurrent = false;
}

namespace {
// Maps a float to an unsigned key with the same order; -0 and +0 get the same key.
inline std::uint32_t OrderKey(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (bits == 0x80000000u) bits = 0;
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}
} // namespace

void TPreProcessedDimension::ComputeRanks()
{
    const std::size_t n = Values.size();
    Ranks.assign(n, 0);
    DistinctValues.clear();
    RankCounts.clear();
    RankCounts.shrink_to_fit();
    if (n == 0) {
        RanksAreCurrent = true;
        return;
    }
    // LSD radix sort of (key << 32 | row) over the 32 key bits, 11 + 11 + 10 bits per pass;
    // passes whose digit is the same for every value are skipped.
    std::vector<std::uint64_t> items(n);
    std::uint32_t histogram[3][2048] = {};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t key = OrderKey(Values[i]);
        items[i] = (static_cast<std::uint64_t>(key) << 32) | i;
        ++histogram[0][key & 0x7FF];
        ++histogram[1][(key >> 11) & 0x7FF];
        ++histogram[2][key >> 22];
    }
    std::vector<std::uint64_t> other(n);
    static constexpr int kShift[3] = {32, 43, 54};
    for (int pass = 0; pass < 3; ++pass) {
        std::uint32_t* counts = histogram[pass];
        const std::uint64_t first = (items[0] >> kShift[pass]) & 0x7FF;
        if (counts[first] == n) continue;
        std::uint32_t sum = 0;
        for (int d = 0; d < 2048; ++d) {
            const std::uint32_t c = counts[d];
            counts[d] = sum;
            sum += c;
        }
        const int shift = kShift[pass];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t item = items[i];
            other[counts[(item >> shift) & 0x7FF]++] = item;
        }
        items.swap(other);
    }
    other.clear();
    other.shrink_to_fit();
    std::uint32_t rank = 0;
    std::uint32_t previous = static_cast<std::uint32_t>(items[0] >> 32);
    DistinctValues.push_back(Values[static_cast<std::uint32_t>(items[0])]);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t item = items[i];
        const auto key = static_cast<std::uint32_t>(item >> 32);
        const auto row = static_cast<std::uint32_t>(item);
        if (key != previous) {
            previous = key;
            ++rank;
            DistinctValues.push_back(Values[row]);
        }
        Ranks[row] = rank;
    }
    DistinctValues.shrink_to_fit();
    RanksAreCurrent = true;
}

void TPreProcessedDimension::ComputeFrequencies()
{
    const std::size_t n = Values.size();
    if (!RanksAreCurrent) ComputeRanks();
    Occurrences.resize(n);
    Weights.resize(n);
    if (n == 0) return;
    std::vector<std::uint32_t> counts(DistinctValues.size(), 0);
    for (std::size_t i = 0; i < n; ++i) ++counts[Ranks[i]];
    const std::uint32_t maxRun = *std::max_element(counts.begin(), counts.end());
    std::vector<float> weightOfRank(counts.size());
    for (std::size_t r = 0; r < counts.size(); ++r)
        weightOfRank[r] = static_cast<float>(counts[r]) / static_cast<float>(maxRun);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t r = Ranks[i];
        Occurrences[i] = static_cast<std::int32_t>(counts[r]);
        Weights[i] = weightOfRank[r];
    }
}

void TPreProcessedDimension::ComputeFrequencies(const TRecordList& records)
{
    if (records.empty()) return;
    const std::size_t n = Values.size();
    if (!RanksAreCurrent) ComputeRanks();
    if (Occurrences.size() < n) Occurrences.resize(n, 0);
    if (Weights.size() < n) Weights.resize(n, 0.0f);
    if (RankCounts.size() != DistinctValues.size()) RankCounts.assign(DistinctValues.size(), 0);
    std::uint32_t maxRun = 0;
    for (const TPreProcessedRecord* record : records) {
        const auto row = static_cast<std::size_t>(record->Index);
        if (row >= n) continue;
        const std::uint32_t c = ++RankCounts[Ranks[row]];
        maxRun = std::max(maxRun, c);
    }
    if (maxRun == 0) return;
    const float max = static_cast<float>(maxRun);
    for (const TPreProcessedRecord* record : records) {
        const auto row = static_cast<std::size_t>(record->Index);
        if (row >= n) continue;
        const std::uint32_t c = RankCounts[Ranks[row]];
        Occurrences[row] = static_cast<std::int32_t>(c);
        Weights[row] = static_cast<float>(c) / max;
    }
    for (const TPreProcessedRecord* record : records) {
        const auto row = static_cast<std::size_t>(record->Index);
        if (row < n) RankCounts[Ranks[row]] = 0;
    }
}

void TPreProcessedDimension::ComputeRelevance()
{
    if (RelevanceValue == -1.0f) return;
    const std::size_t n = Values.size();
    Relevances.resize(n, 0.0f);
    if (Weights.size() < n) Weights.resize(n, 0.0f);
    const float m = MaxRelevanceDistance;
    const float centre = RelevanceValue;
    for (std::size_t i = 0; i < n; ++i) {
        const float d = std::fabs(centre - Values[i]);
        float r;
        if (d > m)
            // Farther than the radius: falls to -1 at distance 1. With a radius of 1 nothing
            // in [0, 1] lies outside; a value beyond it counts as least relevant.
            r = m < 1.0f ? -(d - m) / (1.0f - m) : -1.0f;
        else
            // Within the radius: 1 at the value itself, 0 at the radius. A radius of 0 keeps
            // only the exact value relevant (d = 0 here), which gets 1.
            r = m > 0.0f ? 1.0f - d / m : 1.0f;
        r = std::clamp(r, -1.0f, 1.0f);
        Relevances[i] = r;
        Weights[i] = (r + 1.0f) * 0.5f;
    }
}

void TPreProcessedDimension::ClearWeights()
{
    Weights.assign(Values.size(), 0.0f);
}

void TPreProcessedDimension::SetMaxRelevanceDistance(float distance)
{
    if (std::isnan(distance)) return;
    MaxRelevanceDistance = std::clamp(distance, 0.0f, 1.0f);
}

// ---- TPreProcessedRecord --------------------------------------------------------------

namespace {
// Labels are rare (most records read as their index), so they live outside the records.
// Never destroyed, so records that outlive static destruction can still unregister.
std::unordered_map<const TPreProcessedRecord*, std::string>& Labels()
{
    static auto* labels = new std::unordered_map<const TPreProcessedRecord*, std::string>();
    return *labels;
}
} // namespace

TPreProcessedRecord::~TPreProcessedRecord()
{
    if (HasLabel) Labels().erase(this);
}

TPreProcessedRecord::TPreProcessedRecord(TPreProcessedRecord&& other) noexcept
    : Index(other.Index),
      Color(other.Color),
      TemporalInteractionDraw(other.TemporalInteractionDraw),
      RecordRelevanceCoefficiente(other.RecordRelevanceCoefficiente),
      HasLabel(other.HasLabel)
{
    if (HasLabel) {
        auto& labels = Labels();
        auto found = labels.find(&other);
        std::string label = std::move(found->second);
        labels.erase(found);
        labels[this] = std::move(label);
        other.HasLabel = false;
    }
}

std::string TPreProcessedRecord::GetLabel() const
{
    if (HasLabel) return Labels().find(this)->second;
    return IntToStr(Index);
}

void TPreProcessedRecord::SetLabel(const std::string& label)
{
    if (label.empty()) {
        if (HasLabel) Labels().erase(this);
        HasLabel = false;
        return;
    }
    Labels()[this] = label;
    HasLabel = true;
}

std::unique_ptr<TPreProcessedRecord> TPreProcessedRecord::CopyRecord() const
{
    auto copy = std::make_unique<TPreProcessedRecord>(Index);
    copy->Color = Color;
    copy->TemporalInteractionDraw = TemporalInteractionDraw;
    copy->RecordRelevanceCoefficiente = RecordRelevanceCoefficiente;
    if (HasLabel) copy->SetLabel(GetLabel());
    return copy;
}

// ---- stBasicArrayObject ---------------------------------------------------------------

stBasicArrayObject::stBasicArrayObject(int oid, const float* values, std::uint32_t count)
    : Count(count), Buffer(4 + 4 * static_cast<std::size_t>(count))
{
    std::memcpy(Buffer.data(), &oid, 4);
    if (count > 0) std::memcpy(Buffer.data() + 4, values, 4 * static_cast<std::size_t>(count));
}

std::unique_ptr<stBasicArrayObject> stBasicArrayObject::Duplicate() const
{
    return std::make_unique<stBasicArrayObject>(*this);
}

bool stBasicArrayObject::HasSameValues(const stBasicArrayObject& other) const
{
    if (Count != other.Count) return false;
    for (std::uint32_t i = 0; i < Count; ++i)
        if (ValueAt(i) != other.ValueAt(i)) return false;
    return true;
}

void stBasicArrayObject::LoadStoredBytes(const unsigned char* data, std::uint32_t length)
{
    // Anything shorter than the identifier leaves an empty object; trailing bytes that do
    // not make a whole value are ignored.
    const std::uint32_t count = length >= 4 ? (length - 4) / 4 : 0;
    if (count != Count || Buffer.size() != 4 + 4 * static_cast<std::size_t>(count))
        Buffer.assign(4 + 4 * static_cast<std::size_t>(count), 0);
    Count = count;
    const std::size_t copied = std::min<std::size_t>(length, Buffer.size());
    if (data && copied > 0) std::memcpy(Buffer.data(), data, copied);
}

float stBasicArrayObject::ValueAt(std::uint32_t i) const
{
    if (i >= Count) throw std::out_of_range("Index out of range.");
    float value;
    std::memcpy(&value, Buffer.data() + 4 + 4 * static_cast<std::size_t>(i), 4);
    return value;
}

int stBasicArrayObject::GetOID() const
{
    int oid;
    std::memcpy(&oid, Buffer.data(), 4);
    return oid;
}

// ---- TPreProcessedData ----------------------------------------------------------------

int TPreProcessedData::SortDimensionValue = -1;

int TPreProcessedData::SortDimension() { return SortDimensionValue; }

TPreProcessedData::TPreProcessedData() { SortDimensionValue = -1; }

TPreProcessedData::~TPreProcessedData() = default;

void TPreProcessedData::Clear()
{
    ListOfPreprocessedRecords.clear();
    ListOfPreprocessedRecords.shrink_to_fit();
    RecordStorage.clear();
    RecordStorage.shrink_to_fit();
    Dimensions.clear();
    RecordsNumber = 0;
    RelevanceDimensionCount = 0;
    HasTimeAttribute = false;
    TimeAttributeIndex = -1;
    TimeMoment = -1;
    TimeDiscreteRange = -1;
}

TPreProcessedDimension* TPreProcessedData::AddDimension(const std::string& name)
{
    Dimensions.push_back(std::make_unique<TPreProcessedDimension>(name, static_cast<int>(Dimensions.size())));
    return Dimensions.back().get();
}

void TPreProcessedData::BuildRecords()
{
    const std::size_t n = Dimensions.empty() ? 0 : Dimensions[0]->Count();
    if (RecordStorage.size() != n) {
        std::vector<TPreProcessedRecord> storage;
        storage.reserve(n);
        for (std::size_t k = 0; k < std::min(n, RecordStorage.size()); ++k) storage.push_back(std::move(RecordStorage[k]));
        for (std::size_t k = storage.size(); k < n; ++k) storage.emplace_back(static_cast<int>(k));
        RecordStorage.swap(storage);
    }
    ListOfPreprocessedRecords.resize(n);
    for (std::size_t k = 0; k < n; ++k) ListOfPreprocessedRecords[k] = &RecordStorage[k];
    RecordsNumber = static_cast<int>(n);
}

TPreProcessedRecord* TPreProcessedData::RecordByIndex(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= RecordStorage.size()) return nullptr;
    return const_cast<TPreProcessedRecord*>(&RecordStorage[index]);
}

stBasicArrayObject TPreProcessedData::ToFeatureVector(const TPreProcessedRecord* record) const
{
    std::vector<float> values(Dimensions.size());
    for (std::size_t i = 0; i < Dimensions.size(); ++i) values[i] = Dimensions[i]->Values[record->Index];
    return stBasicArrayObject(record->Index, values.data(), static_cast<std::uint32_t>(values.size()));
}

void TPreProcessedData::Normalise(bool recomputeRange)
{
    for (auto& dimension : Dimensions) dimension->Normalise(recomputeRange);
}

void TPreProcessedData::ComputeFrequencies()
{
    for (auto& dimension : Dimensions) dimension->ComputeFrequencies();
    FrequencyValuesTimeStamp = NewChangeStamp();
}

void TPreProcessedData::ComputeAxisPositions(int width, int height)
{
    const int n = NumberOfDimensions();
    if (n == 0) return;
    const int step = width / n;
    int axis = step / 2;
    const int rowStep = (height - 30) / n;
    int row = 30;
    const int columnStep = (width - 30) / n;
    for (int i = 0; i < n; ++i) {
        const int column = 30 + (n - 1 - i) * columnStep;
        Dimensions[i]->SetPositions(axis, column, row);
        axis += step;
        row += rowStep;
    }
}

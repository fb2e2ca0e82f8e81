// Cells, dimensions, records, feature vectors and the dataset's own bookkeeping.
#include "data/PreProcessedData.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <unordered_map>

// ---- TPreProcessedAttribute -----------------------------------------------------------

float TPreProcessedAttribute::Value() const { return Dimension->Values[Row]; }
// Weights, occurrences and relevances exist once computed; before that they read as 0.
float TPreProcessedAttribute::Weight() const { return Row < Dimension->Weights.size() ? Dimension->Weights[Row] : 0.0f; }
float TPreProcessedAttribute::Relevance() const
{
    return Row < Dimension->Relevances.size() ? Dimension->Relevances[Row] : 0.0f;
}
int TPreProcessedAttribute::Occurrences() const { return Dimension->OccurrenceAt(Row); }
void TPreProcessedAttribute::SetWeight(float weight)
{
    if (Dimension->Weights.size() < Dimension->Count()) Dimension->Weights.resize(Dimension->Count(), 0.0f);
    Dimension->Weights[Row] = weight;
}
void TPreProcessedAttribute::SetRelevance(float relevance)
{
    if (Dimension->Relevances.size() < Dimension->Count()) Dimension->Relevances.resize(Dimension->Count(), 0.0f);
    Dimension->Relevances[Row] = relevance;
}
void TPreProcessedAttribute::SetOccurrences(int occurrences)
{
    Dimension->MaterialiseOccurrences();
    if (Dimension->Occurrences.size() < Dimension->Count()) Dimension->Occurrences.resize(Dimension->Count(), 0);
    Dimension->Occurrences[Row] = occurrences;
}

// ---- large arrays ----------------------------------------------------------------------

namespace {
// Sets `v` to `n` zeros. A block that has to be allocated is allocated fresh (the old one
// freed first, to keep the peak low) as whole huge pages; the unused end of the last one goes
// back to the system once the block is written.
template <class T>
void AssignLarge(std::vector<T>& v, std::size_t n)
{
    v.clear();
    if (v.capacity() >= n) {
        v.resize(n);  // zeros, written as one memset
        return;
    }
    std::vector<T>().swap(v);
    v.reserve(HugePageCapacity(n, sizeof(T)));
    AdviseHugePages(v.data(), v.capacity() * sizeof(T));
    PrefaultPages(v.data(), n * sizeof(T));
    v.resize(n);
    ReleaseUnusedPages(v.data() + n, (v.capacity() - n) * sizeof(T));
}

// Empties `v` and makes room for `n` elements, to be filled with push_back: every element
// is written once. New room is allocated as in AssignLarge.
template <class T>
void ReserveLarge(std::vector<T>& v, std::size_t n)
{
    v.clear();
    if (v.capacity() >= n) return;
    std::vector<T>().swap(v);
    v.reserve(HugePageCapacity(n, sizeof(T)));
    AdviseHugePages(v.data(), v.capacity() * sizeof(T));
    PrefaultPages(v.data(), n * sizeof(T));
}

// Gives the unused end of a filled block back to the system.
template <class T>
void ReleaseTail(std::vector<T>& v)
{
    ReleaseUnusedPages(v.data() + v.size(), (v.capacity() - v.size()) * sizeof(T));
}
} // namespace

struct TRankScratch::TTables {
    std::vector<std::uint64_t> Slots;  // key << 32 | (id + 1); 0 when free
    std::vector<std::uint32_t> Keys;   // key of each id, in order of appearance
    std::vector<std::uint32_t> Counts; // cells of each id
    std::vector<std::uint64_t> Order;  // key << 32 | id, sorted
    std::vector<std::uint32_t> RankOfId;
};

TRankScratch::TRankScratch() : HashTables(std::make_unique<TTables>()) {}
TRankScratch::~TRankScratch() = default;

std::uint64_t* TRankScratch::Get(std::size_t count)
{
    if (Capacity < count) {
        Items.reset();
        Capacity = HugePageCapacity(count, sizeof(std::uint64_t));
        Items.reset(new std::uint64_t[Capacity]);
        AdviseHugePages(Items.get(), Capacity * sizeof(std::uint64_t));
        PrefaultPages(Items.get(), count * sizeof(std::uint64_t));
    }
    return Items.get();
}

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

std::string TPreProcessedDimension::ValueText(float value, std::string_view pattern) const
{
    if (Categories.empty() || !std::isfinite(value)) return FormatFloat(pattern, value);
    const float last = static_cast<float>(Categories.size() - 1);
    return Categories[static_cast<std::size_t>(std::nearbyint(std::clamp(value, 0.0f, last)))];
}

namespace {
float WithinFloats(double value)
{
    const double limit = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -limit, limit));
}
} // namespace

float TPreProcessedDimension::DenormaliseWide(float value) const
{
    const double range = static_cast<double>(HighValue) - static_cast<double>(LowValue);
    return WithinFloats(static_cast<double>(value) * (range == 0.0 ? 1.0 : range) + LowValue);
}

bool TPreProcessedDimension::RangeOverflows() const
{
    return std::isfinite(HighValue) && std::isfinite(LowValue) && !std::isfinite(HighValue - LowValue);
}

int TPreProcessedDimension::OccurrenceAt(std::size_t row) const
{
    if (OccurrencesByRank) return row < Ranks.size() ? static_cast<int>(ColumnCounts[Ranks[row]]) : 0;
    return row < Occurrences.size() ? Occurrences[row] : 0;
}

void TPreProcessedDimension::MaterialiseOccurrences()
{
    if (!OccurrencesByRank) return;
    OccurrencesByRank = false;
    const std::size_t n = Ranks.size();
    ReserveLarge(Occurrences, n);
    for (std::size_t i = 0; i < n; ++i) Occurrences.push_back(static_cast<std::int32_t>(ColumnCounts[Ranks[i]]));
    std::vector<std::uint32_t>().swap(ColumnCounts);
}

void TPreProcessedDimension::AddValue(float value)
{
    if (OccurrencesByRank) MaterialiseOccurrences();
    Values.push_back(value);
    Normalised = false;
    RanksAreCurrent = false;
}

namespace {
// The normalisation of one value: min(1, (value − low) / range), in double when the range
// overflows a float (values near ±3.4e38), so that no infinite difference turns into a
// not-a-number.
struct TNormaliser {
    float Low;
    float Range;
    double Wide;
    bool Finite;
    TNormaliser(float low, float high, float range)
        : Low(low), Range(range), Wide(static_cast<double>(high) - static_cast<double>(low)), Finite(std::isfinite(range))
    {
    }
    float operator()(float value) const
    {
        if (Finite) return std::min(1.0f, (value - Low) / Range);
        return std::min(1.0f, static_cast<float>((static_cast<double>(value) - Low) / Wide));
    }
};
} // namespace

void TPreProcessedDimension::Normalise(bool recomputeRange)
{
    if (Normalised) return;
    if (OccurrencesByRank) MaterialiseOccurrences();
    if (recomputeRange && !Values.empty()) {
        float low = Values[0], high = Values[0];
        for (const float value : Values) {
            if (value > high) high = value;
            if (value < low) low = value;
        }
        LowValue = low;
        HighValue = high;
    }
    ValueRange = HighValue - LowValue;
    if (ValueRange == 0.0f) ValueRange = 1.0f;
    const TNormaliser normalise(LowValue, HighValue, ValueRange);
    for (float& value : Values) value = normalise(value);
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
    TRankScratch scratch;
    ComputeRanks(scratch);
}

namespace {
// The float of a key made by OrderKey.
inline float KeyValue(std::uint32_t key)
{
    const std::uint32_t bits = (key & 0x80000000u) ? (key & 0x7FFFFFFFu) : ~key;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Sorts items ascending by their upper 32 bits (LSD radix sort, 11 + 11 + 10 bits per pass,
// skipping passes whose digit is the same for every item). `other` holds n items of scratch;
// returns the one of the two arrays that holds the result.
std::uint64_t* RadixSortByUpperHalf(std::uint64_t* items, std::uint64_t* other, std::size_t n)
{
    if (n < 2) return items;
    std::vector<std::uint32_t> histograms(3 * 2048, 0);
    std::uint32_t* histogram[3] = {histograms.data(), histograms.data() + 2048, histograms.data() + 4096};
    for (std::size_t i = 0; i < n; ++i) {
        const auto key = static_cast<std::uint32_t>(items[i] >> 32);
        ++histogram[0][key & 0x7FF];
        ++histogram[1][(key >> 11) & 0x7FF];
        ++histogram[2][key >> 22];
    }
    static constexpr int kShift[3] = {32, 43, 54};
    for (int pass = 0; pass < 3; ++pass) {
        std::uint32_t* counts = histogram[pass];
        const int shift = kShift[pass];
        if (counts[(items[0] >> shift) & 0x7FF] == n) continue;
        std::uint32_t sum = 0;
        for (int d = 0; d < 2048; ++d) {
            const std::uint32_t c = counts[d];
            counts[d] = sum;
            sum += c;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t item = items[i];
            other[counts[(item >> shift) & 0x7FF]++] = item;
        }
        std::swap(items, other);
    }
    return items;
}

// Dense ranks through a hash table of the distinct values, for columns with few of them
// compared with their cells (the common case: measurements repeat). Writes the ranks and the
// ascending distinct values, and with `occurrences` and `weights` also the frequencies; gives
// up, returning false, once more than `limit` distinct values turn up.
// `ranks` (and `occurrences`, `weights`) come empty, with room for n elements.
bool RankByHashing(const float* values, std::size_t n, std::vector<std::uint32_t>& ranks, std::vector<float>& distinct,
                   std::size_t limit, std::vector<std::uint32_t>* columnCounts, std::vector<float>* weights,
                   TRankScratch::TTables& tables)
{
    if (n == 0) return true;
    const bool counting = columnCounts && weights;
    std::vector<std::uint32_t>& counts = tables.Counts;  // only when counting
    std::vector<std::uint32_t>& keys = tables.Keys;
    counts.clear();
    keys.clear();
    int bits = 10;
    // A slot holds key << 32 | (id + 1); 0 when free. Key and id in one place: one memory
    // access per probe.
    std::vector<std::uint64_t>& slots = tables.Slots;
    slots.assign(std::size_t{1} << bits, 0);
    std::uint32_t mask = static_cast<std::uint32_t>(slots.size() - 1);
    bool haveLast = false;
    std::uint32_t lastKey = 0, lastId = 0;
    // The probes land anywhere in a table of up to a few MiB: fetch the slot of a value a
    // few steps ahead, so that its memory access overlaps the work on the current ones.
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            __builtin_prefetch(&slots[(OrderKey(values[i + kAhead]) * 0x9E3779B1u) >> (32 - bits)]);
        const std::uint32_t key = OrderKey(values[i]);
        if (haveLast && key == lastKey) {
            ranks.push_back(lastId);
            if (counting) ++counts[lastId];
            continue;
        }
        std::uint32_t h = (key * 0x9E3779B1u) >> (32 - bits);
        std::uint32_t id;
        for (;;) {
            const std::uint64_t slot = slots[h];
            if (slot == 0) {
                id = static_cast<std::uint32_t>(keys.size());
                keys.push_back(key);
                if (counting) counts.push_back(0);
                slots[h] = (static_cast<std::uint64_t>(key) << 32) | (id + 1);
                if (keys.size() * 2 > slots.size()) {
                    if (keys.size() > limit) return false;
                    ++bits;
                    slots.assign(std::size_t{1} << bits, 0);
                    mask = static_cast<std::uint32_t>(slots.size() - 1);
                    for (std::uint32_t k = 0; k < keys.size(); ++k) {
                        std::uint32_t g = (keys[k] * 0x9E3779B1u) >> (32 - bits);
                        while (slots[g] != 0) g = (g + 1) & mask;
                        slots[g] = (static_cast<std::uint64_t>(keys[k]) << 32) | (k + 1);
                    }
                }
                break;
            }
            if (static_cast<std::uint32_t>(slot >> 32) == key) {
                id = static_cast<std::uint32_t>(slot) - 1;
                break;
            }
            h = (h + 1) & mask;
        }
        ranks.push_back(id);
        if (counting) ++counts[id];
        haveLast = true;
        lastKey = key;
        lastId = id;
    }
    const std::size_t d = keys.size();
    std::vector<std::uint64_t>& order = tables.Order;
    order.resize(2 * d);
    for (std::uint32_t id = 0; id < d; ++id) order[id] = (static_cast<std::uint64_t>(keys[id]) << 32) | id;
    const std::uint64_t* sorted = RadixSortByUpperHalf(order.data(), order.data() + d, d);
    std::vector<std::uint32_t>& rankOfId = tables.RankOfId;
    rankOfId.resize(d);
    distinct.resize(d);
    for (std::uint32_t r = 0; r < d; ++r) {
        rankOfId[static_cast<std::uint32_t>(sorted[r])] = r;
        distinct[r] = KeyValue(static_cast<std::uint32_t>(sorted[r] >> 32));
    }
    if (!counting) {
        for (std::size_t i = 0; i < n; ++i) ranks[i] = rankOfId[ranks[i]];
        return true;
    }
    // Everything a cell takes from its id, side by side: one memory access per cell.
    struct TIdResult {
        std::uint32_t Rank;
        float Weight;
    };
    const float maxRun = static_cast<float>(*std::max_element(counts.begin(), counts.end()));
    std::vector<TIdResult> results(d);
    columnCounts->assign(d, 0);
    for (std::size_t id = 0; id < d; ++id) {
        results[id] = {rankOfId[id], static_cast<float>(counts[id]) / maxRun};
        (*columnCounts)[rankOfId[id]] = counts[id];
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n) __builtin_prefetch(&results[ranks[i + kAhead]]);
        const TIdResult& result = results[ranks[i]];
        ranks[i] = result.Rank;
        weights->push_back(result.Weight);
    }
    return true;
}
} // namespace

namespace {
// Beyond this many distinct values sorting beats the hash table.
std::size_t RankHashLimit(std::size_t n) { return std::max<std::size_t>(n / 8, 4096); }
} // namespace

void TPreProcessedDimension::ComputeRanks(TRankScratch& scratch)
{
    MaterialiseOccurrences();
    const std::size_t n = Values.size();
    ReserveLarge(Ranks, n);
    DistinctValues.clear();
    RankCounts.clear();
    RankCounts.shrink_to_fit();
    RanksAreCurrent = true;
    RankGenerationValue = NewChangeStamp();
    if (RankByHashing(Values.data(), n, Ranks, DistinctValues, RankHashLimit(n), nullptr, nullptr, scratch.Tables())) {
        ReleaseTail(Ranks);
        return;
    }
    RankBySorting(scratch);
}

void TPreProcessedDimension::RankBySorting(TRankScratch& scratch)
{
    // Many distinct values: sort (key, row) pairs and number the runs of equal keys.
    const std::size_t n = Values.size();
    AssignLarge(Ranks, n);
    DistinctValues.clear();
    RanksAreCurrent = true;
    RankGenerationValue = NewChangeStamp();
    if (n == 0) return;
    std::uint64_t* const block = scratch.Get(2 * n);
    for (std::size_t i = 0; i < n; ++i) block[i] = (static_cast<std::uint64_t>(OrderKey(Values[i])) << 32) | i;
    const std::uint64_t* items = RadixSortByUpperHalf(block, block + n, n);
    std::uint32_t rank = 0;
    std::uint32_t previous = static_cast<std::uint32_t>(items[0] >> 32);
    DistinctValues.push_back(KeyValue(previous));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t item = items[i];
        const auto key = static_cast<std::uint32_t>(item >> 32);
        if (key != previous) {
            previous = key;
            ++rank;
            DistinctValues.push_back(KeyValue(key));
        }
        Ranks[static_cast<std::uint32_t>(item)] = rank;
    }
    DistinctValues.shrink_to_fit();
}

void TPreProcessedDimension::ComputeFrequencies()
{
    TRankScratch scratch;
    ComputeFrequencies(scratch);
}

void TPreProcessedDimension::ComputeFrequencies(TRankScratch& scratch)
{
    const std::size_t n = Values.size();
    // Every cell's count is its rank's: kept per rank (OccurrenceAt), not per cell.
    std::vector<std::int32_t>().swap(Occurrences);
    OccurrencesByRank = false;
    if (!RanksAreCurrent) {
        // Ranking and counting in one pass, when the hash table serves.
        ReserveLarge(Ranks, n);
        ReserveLarge(Weights, n);
        DistinctValues.clear();
        RankCounts.clear();
        RankCounts.shrink_to_fit();
        RanksAreCurrent = true;
        RankGenerationValue = NewChangeStamp();
        if (RankByHashing(Values.data(), n, Ranks, DistinctValues, RankHashLimit(n), &ColumnCounts, &Weights,
                          scratch.Tables())) {
            ReleaseTail(Ranks);
            ReleaseTail(Weights);
            OccurrencesByRank = true;
            return;
        }
        RankBySorting(scratch);
    }
    AssignLarge(Weights, n);
    ColumnCounts.assign(DistinctValues.size(), 0);
    OccurrencesByRank = true;
    if (n == 0) return;
    std::vector<std::uint32_t>& counts = ColumnCounts;
    for (std::size_t i = 0; i < n; ++i) ++counts[Ranks[i]];
    const std::uint32_t maxRun = *std::max_element(counts.begin(), counts.end());
    std::vector<float> weightOfRank(counts.size());
    for (std::size_t r = 0; r < counts.size(); ++r)
        weightOfRank[r] = static_cast<float>(counts[r]) / static_cast<float>(maxRun);
    for (std::size_t i = 0; i < n; ++i) Weights[i] = weightOfRank[Ranks[i]];
}

void TPreProcessedDimension::NormaliseAndComputeFrequencies(unsigned decimals, TRankScratch& scratch)
{
    if (!Normalised && RankOnDecimalGrid(decimals)) return;
    Normalise(false);
    ComputeFrequencies(scratch);
}

bool TPreProcessedDimension::RankOnDecimalGrid(unsigned decimals)
{
    // A value v is on the grid when key(v) = round(v × 10^decimals) gives v back: then
    // different values have different keys, in the same order, and a table indexed by the
    // key (from the lowest one) counts and ranks them with one cached access per cell.
    const std::size_t n = Values.size();
    if (n == 0 || decimals > 9 || !std::isfinite(LowValue) || !std::isfinite(HighValue)) return false;
    double scale = 1.0;
    for (unsigned i = 0; i < decimals; ++i) scale *= 10.0;
    const double inverse = 1.0 / scale;
    auto key = [scale](float v) {
        const double x = static_cast<double>(v) * scale;
        return static_cast<std::int64_t>(x + (x >= 0 ? 0.5 : -0.5));
    };
    constexpr std::int64_t kLimit = std::int64_t{1} << 23;  // keys whose floats are exact enough
    // Compared before any conversion: a value far off the grid has no integer key at all.
    if (!(static_cast<double>(LowValue) * scale > -static_cast<double>(kLimit)) ||
        !(static_cast<double>(HighValue) * scale < static_cast<double>(kLimit)))
        return false;
    const std::int64_t lowKey = key(LowValue);
    const std::int64_t highKey = key(HighValue);
    if (lowKey <= -kLimit || highKey >= kLimit) return false;
    const std::size_t span = static_cast<std::size_t>(highKey - lowKey) + 1;
    if (span > std::max<std::size_t>(4 * n, 1 << 16)) return false;

    // Pass 1: every cell's key (kept in Ranks for now), counted per key.
    if (OccurrencesByRank) MaterialiseOccurrences();
    std::vector<std::int32_t>().swap(Occurrences);
    ReserveLarge(Ranks, n);
    std::vector<std::uint32_t> slots(span, 0);
    const float* values = Values.data();
    for (std::size_t i = 0; i < n; ++i) {
        const float v = values[i];
        const std::int64_t k = key(v);
        if (k < lowKey || k > highKey || static_cast<float>(static_cast<double>(k) * inverse) != v) {
            Ranks.clear();
            return false;  // not on the grid: ranked the general way
        }
        const auto slot = static_cast<std::uint32_t>(k - lowKey);
        Ranks.push_back(slot);
        ++slots[slot];
    }

    // The keys in order: their normalised values, equal ones (which normalisation can make
    // of different raw values) merged into one rank.
    const TNormaliser normalise(LowValue, HighValue, (HighValue - LowValue) == 0.0f ? 1.0f : HighValue - LowValue);
    ValueRange = normalise.Range;
    DistinctValues.clear();
    ColumnCounts.clear();
    struct TSlotResult {
        std::uint32_t Rank;
        float Weight;
    };
    std::vector<TSlotResult> results(span);
    std::vector<float> normalisedOfRank;
    for (std::size_t slot = 0; slot < span; ++slot) {
        if (slots[slot] == 0) continue;
        const float raw = static_cast<float>(static_cast<double>(lowKey + static_cast<std::int64_t>(slot)) * inverse);
        const float value = normalise(raw);
        if (DistinctValues.empty() || DistinctValues.back() != value) {
            DistinctValues.push_back(value == 0.0f ? 0.0f : value);  // -0 and +0 are one value, +0
            ColumnCounts.push_back(0);
        }
        ColumnCounts.back() += slots[slot];
        results[slot].Rank = static_cast<std::uint32_t>(DistinctValues.size() - 1);
    }
    const float maxRun = static_cast<float>(*std::max_element(ColumnCounts.begin(), ColumnCounts.end()));
    for (std::size_t slot = 0; slot < span; ++slot)
        if (slots[slot] != 0) results[slot].Weight = static_cast<float>(ColumnCounts[results[slot].Rank]) / maxRun;
    std::vector<std::uint32_t>().swap(slots);

    // Pass 2: every cell's rank, normalised value and weight.
    ReserveLarge(Weights, n);
    float* out = Values.data();
    std::uint32_t* ranks = Ranks.data();
    for (std::size_t i = 0; i < n; ++i) {
        const TSlotResult& result = results[ranks[i]];
        ranks[i] = result.Rank;
        out[i] = DistinctValues[result.Rank];
        Weights.push_back(result.Weight);
    }
    ReleaseTail(Ranks);
    ReleaseTail(Weights);
    DistinctValues.shrink_to_fit();
    RankCounts.clear();
    RankCounts.shrink_to_fit();
    Normalised = true;
    RanksAreCurrent = true;
    RankGenerationValue = NewChangeStamp();
    OccurrencesByRank = true;
    return true;
}

namespace {
// Relative frequencies among the cells of some rows: counts per rank, then every cell of
// the rows gets its count and weight, then the counts are cleared again. `forEachRow(visit)`
// hands every row to `visit`, and is called three times.
template <class ForEachRow>
void FrequenciesAmong(ForEachRow forEachRow, std::size_t n, const std::uint32_t* ranks, std::vector<std::uint32_t>& rankCounts,
                      std::int32_t* occurrences, float* weights)
{
    std::uint32_t maxRun = 0;
    forEachRow([&](std::size_t row) {
        if (row >= n) return;
        const std::uint32_t c = ++rankCounts[ranks[row]];
        maxRun = std::max(maxRun, c);
    });
    if (maxRun == 0) return;
    const float max = static_cast<float>(maxRun);
    forEachRow([&](std::size_t row) {
        if (row >= n) return;
        const std::uint32_t c = rankCounts[ranks[row]];
        occurrences[row] = static_cast<std::int32_t>(c);
        weights[row] = static_cast<float>(c) / max;
    });
    forEachRow([&](std::size_t row) {
        if (row < n) rankCounts[ranks[row]] = 0;
    });
}
} // namespace

void TPreProcessedDimension::ComputeFrequencies(const TRecordList& records)
{
    if (records.empty()) return;
    PrepareSubsetFrequencies();
    FrequenciesAmong(
        [&records](auto visit) {
            for (const TPreProcessedRecord* record : records) visit(static_cast<std::size_t>(static_cast<std::uint32_t>(record->Index)));
        },
        Values.size(), Ranks.data(), RankCounts, Occurrences.data(), Weights.data());
}

void TPreProcessedDimension::ComputeFrequenciesOfRows(const std::vector<std::uint32_t>& rows)
{
    if (rows.empty()) return;
    PrepareSubsetFrequencies();
    FrequenciesAmong(
        [&rows](auto visit) {
            for (const std::uint32_t row : rows) visit(row);
        },
        Values.size(), Ranks.data(), RankCounts, Occurrences.data(), Weights.data());
}

void TPreProcessedDimension::SetFrequenciesFromRankCounts(const std::vector<std::uint32_t>& rows, const std::uint32_t* counts)
{
    if (rows.empty()) return;
    PrepareSubsetFrequencies();
    const std::size_t n = std::min(Values.size(), Ranks.size());
    std::uint32_t maxRun = 0;
    for (std::size_t r = 0; r < DistinctValues.size(); ++r) maxRun = std::max(maxRun, counts[r]);
    if (maxRun == 0) return;
    const float max = static_cast<float>(maxRun);
    const std::uint32_t* ranks = Ranks.data();
    std::int32_t* occurrences = Occurrences.data();
    float* weights = Weights.data();
    for (const std::uint32_t row : rows) {
        if (row >= n) continue;
        const std::uint32_t c = counts[ranks[row]];
        occurrences[row] = static_cast<std::int32_t>(c);
        weights[row] = static_cast<float>(c) / max;
    }
}

void TPreProcessedDimension::PrepareSubsetFrequencies()
{
    const std::size_t n = Values.size();
    if (!RanksAreCurrent) ComputeRanks();
    MaterialiseOccurrences();
    if (Occurrences.size() < n) Occurrences.resize(n, 0);
    if (Weights.size() < n) Weights.resize(n, 0.0f);
    if (RankCounts.size() != DistinctValues.size()) RankCounts.assign(DistinctValues.size(), 0);
}

std::pair<std::uint32_t, std::uint32_t> TPreProcessedDimension::RankRange(float min, float max)
{
    if (!RanksAreCurrent) ComputeRanks();
    if (std::isnan(min) || std::isnan(max) || DistinctValues.empty()) return {0, 0};
    // Not-a-number values sort to either end of the distinct values; no bound holds them.
    const float* begin = DistinctValues.data();
    const float* end = begin + DistinctValues.size();
    while (begin < end && std::isnan(*begin)) ++begin;
    while (end > begin && std::isnan(end[-1])) --end;
    const float* first = std::lower_bound(begin, end, min);
    const float* last = std::upper_bound(first, end, max);
    const auto a = static_cast<std::uint32_t>(first - DistinctValues.data());
    const auto b = static_cast<std::uint32_t>(last - DistinctValues.data());
    return a < b ? std::pair{a, b} : std::pair{a, a};
}

void TPreProcessedDimension::BuildSortedOrder()
{
    if (!RanksAreCurrent) ComputeRanks();
    if (SortedOrderGeneration == RankGenerationValue && RankStartsValue.size() == DistinctValues.size() + 1) return;
    // A counting sort by rank: rows of equal rank stay in row order.
    const std::size_t n = Ranks.size();
    const std::size_t distinct = DistinctValues.size();
    RankStartsValue.assign(distinct + 1, 0);
    for (std::size_t i = 0; i < n; ++i) ++RankStartsValue[Ranks[i] + 1];
    for (std::size_t r = 1; r <= distinct; ++r) RankStartsValue[r] += RankStartsValue[r - 1];
    std::vector<std::uint32_t> next(RankStartsValue.begin(), RankStartsValue.end() - 1);
    AssignLarge(SortedRowsValue, n);
    for (std::size_t i = 0; i < n; ++i) SortedRowsValue[next[Ranks[i]]++] = static_cast<std::uint32_t>(i);
    SortedOrderGeneration = RankGenerationValue;
}

const std::vector<std::uint32_t>& TPreProcessedDimension::SortedRows()
{
    BuildSortedOrder();
    return SortedRowsValue;
}

const std::vector<std::uint32_t>& TPreProcessedDimension::RankStarts()
{
    BuildSortedOrder();
    return RankStartsValue;
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
      RecordRelevanceCoefficiente(other.RecordRelevanceCoefficiente),
      TemporalInteractionDraw(other.TemporalInteractionDraw),
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

std::uint64_t TPreProcessedData::NewOrigin()
{
    static std::uint64_t last = 0;
    return ++last;
}

TPreProcessedData::TPreProcessedData() : OriginValue(NewOrigin()) { SortDimensionValue = -1; }

TPreProcessedData::~TPreProcessedData() = default;

void TPreProcessedData::Clear()
{
    ListOfPreprocessedRecords.clear();
    ListOfPreprocessedRecords.shrink_to_fit();
    RecordStorage.clear();
    RecordStorage.shrink_to_fit();
    Dimensions.clear();
    SourceIndexes.clear();
    RecordsNumber = 0;
    RelevanceDimensionCount = 0;
    HasTimeAttribute = false;
    TimeAttributeIndex = -1;
    TimeMoment = -1;
    TimeDiscreteRange = -1;
    LoadNotes.clear();
}

void TSkippedLines::AppendNote(std::vector<std::string>& notes) const
{
    if (Count == 0) return;
    std::string note = "- Skipped " + IntToStr(static_cast<long long>(Count)) + (Count == 1 ? " line (" : " lines (") + Reason + "): ";
    for (std::size_t i = 0; i < FirstLines.size(); ++i) note += (i ? ", " : "") + IntToStr(static_cast<long long>(FirstLines[i]));
    if (Count > FirstLines.size()) note += ", \u2026";
    notes.push_back(std::move(note));
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
        storage.reserve(HugePageCapacity(n, sizeof(TPreProcessedRecord)));
        AdviseHugePages(storage.data(), storage.capacity() * sizeof(TPreProcessedRecord));
        PrefaultPages(storage.data(), n * sizeof(TPreProcessedRecord));
        for (std::size_t k = 0; k < std::min(n, RecordStorage.size()); ++k) storage.push_back(std::move(RecordStorage[k]));
        for (std::size_t k = storage.size(); k < n; ++k) storage.emplace_back(static_cast<int>(k));
        ReleaseUnusedPages(storage.data() + n, (storage.capacity() - n) * sizeof(TPreProcessedRecord));
        RecordStorage.swap(storage);
    }
    AssignLarge(ListOfPreprocessedRecords, n);
    for (std::size_t k = 0; k < n; ++k) ListOfPreprocessedRecords[k] = &RecordStorage[k];
    RecordOrderStamp = NewChangeStamp();
    TimeWindowStamp = NewChangeStamp();
    RecordsNumber = static_cast<int>(n);
}

bool TPreProcessedData::RecordsInStorageOrder() const
{
    if (InStorageOrderStamp != RecordOrderStamp || InStorageOrderStamp == 0) {
        bool inOrder = ListOfPreprocessedRecords.size() == RecordStorage.size();
        for (std::size_t k = 0; inOrder && k < ListOfPreprocessedRecords.size(); ++k)
            inOrder = ListOfPreprocessedRecords[k] == &RecordStorage[k];
        InStorageOrder = inOrder;
        InStorageOrderStamp = RecordOrderStamp;
    }
    return InStorageOrder;
}

float TPreProcessedData::SpreadInUnits(int i, float spread) const
{
    const float units = spread * (GetHighValue(i) - GetLowValue(i));
    if (std::isfinite(units) || !std::isfinite(spread)) return units;
    return WithinFloats(static_cast<double>(spread) * (static_cast<double>(GetHighValue(i)) - GetLowValue(i)));
}

void TPreProcessedData::NoteWideRanges()
{
    auto shortText = [](float value) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 3).ptr;
        return std::string(text, end);
    };
    for (const auto& dimension : Dimensions)
        if (dimension->RangeOverflows())
            LoadNotes.push_back("- " + dimension->DimensionName + ": values from " + shortText(dimension->LowValue) +
                                " to " + shortText(dimension->HighValue) +
                                " span more than a float holds; they are kept finite, close ones may read as equal");
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

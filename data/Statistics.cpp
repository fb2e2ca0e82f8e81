#include "data/Statistics.h"

#include <algorithm>
#include <cmath>

#include "render/Drawing.h"

namespace {

// Per-rank counts, reused between calls (one statistic is computed at a time).
std::vector<std::uint32_t>& RankCounts()
{
    static std::vector<std::uint32_t> counts;
    return counts;
}

// Below this many values per distinct value, sorting the few ranks is cheaper than
// counting over every distinct value.
constexpr std::size_t SortInsteadOfCountFactor = 32;

// Ascending order with not-a-number values last, so the sort stays well defined.
bool FloatLess(float a, float b)
{
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
}

} // namespace

TStatistics::TCells TStatistics::CellsOf(const TPreProcessedDimension& dimension)
{
    const bool ranked = dimension.RanksCurrent() && dimension.Ranks.size() == dimension.Values.size() &&
                        !dimension.DistinctValues.empty();
    return {dimension.Values.data(), dimension.Values.size(), ranked ? dimension.Ranks.data() : nullptr,
            dimension.DistinctValues.data(), ranked ? dimension.DistinctValues.size() : 0};
}

void TStatistics::Reset()
{
    ValuesCount = 0;
    SumValue = 0.0f;
    SumOfSquaresValue = 0.0f;
    MedianValue = 0.0f;
    ModaValues.clear();
    VarianceCached = false;
    VarianceValue = 0.0f;
    StandardDeviationCached = false;
    StandardDeviationValue = 0.0f;
}

// Median and mode values from the runs of equal values in ascending order; forEachRun(visit)
// calls visit(value, runLength) once per run and may be called twice.
template <class ForEachRun>
void TStatistics::OrderStatistics(ForEachRun forEachRun)
{
    const std::size_t n = ValuesCount;
    if (n == 0) return;
    const std::size_t lowMiddle = n % 2 ? n / 2 : n / 2 - 1;
    const std::size_t highMiddle = n / 2;
    float low = 0.0f;
    float high = 0.0f;
    std::size_t before = 0;
    std::size_t runs = 0;
    std::size_t best = 0;
    std::size_t runsAtBest = 0;
    forEachRun([&](float value, std::size_t length) {
        if (lowMiddle >= before && lowMiddle < before + length) low = value;
        if (highMiddle >= before && highMiddle < before + length) high = value;
        before += length;
        ++runs;
        if (length > best) {
            best = length;
            runsAtBest = 1;
        } else if (length == best) {
            ++runsAtBest;
        }
    });
    MedianValue = n % 2 ? high : (low + high) * 0.5f;
    // When every value is equal no run is ever closed, so there is no mode value; more
    // mode values than 30 % of the values are no mode values either.
    if (runs < 2 || 10 * runsAtBest > 3 * n) return;
    ModaValues.reserve(runsAtBest);
    forEachRun([&](float value, std::size_t length) {
        if (length == best) ModaValues.push_back(value);
    });
}

template <class RowAt>
void TStatistics::Fill(const TCells& cells_, std::size_t n, RowAt rowAt)
{
    Reset();
    const float* values = cells_.Values;
    const std::size_t cells = cells_.Count;
    const std::uint32_t* ranks = cells_.Ranks;
    const float* distinctValues = cells_.DistinctValues;
    const std::size_t distinct = cells_.Distinct;
    const bool ranked = ranks != nullptr && distinct > 0;

    float sum = 0.0f;
    float sumOfSquares = 0.0f;
    std::size_t count = 0;
    bool ranksValid = ranked;

    if (ranked && n * SortInsteadOfCountFactor >= distinct) {
        // Counting pass: sums in the given order and one count per rank.
        auto& counts = RankCounts();
        counts.assign(distinct, 0);
        std::uint32_t* c = counts.data();
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t row = rowAt(k);
            if (row >= cells) continue;
            const float v = values[row];
            sum += v;
            sumOfSquares += v * v;
            ++count;
            const std::uint32_t rank = ranks[row];
            if (rank < distinct)
                ++c[rank];
            else
                ranksValid = false;
        }
        SumValue = sum;
        SumOfSquaresValue = sumOfSquares;
        ValuesCount = count;
        if (ranksValid) {
            OrderStatistics([&](auto visit) {
                for (std::size_t r = 0; r < distinct; ++r)
                    if (c[r]) visit(distinctValues[r], c[r]);
            });
            return;
        }
    } else if (ranked) {
        // Few values: sort their ranks.
        std::vector<std::uint32_t> sortedRanks;
        sortedRanks.reserve(n);
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t row = rowAt(k);
            if (row >= cells) continue;
            const float v = values[row];
            sum += v;
            sumOfSquares += v * v;
            const std::uint32_t rank = ranks[row];
            if (rank >= distinct) ranksValid = false;
            sortedRanks.push_back(rank);
        }
        SumValue = sum;
        SumOfSquaresValue = sumOfSquares;
        ValuesCount = sortedRanks.size();
        if (ranksValid) {
            std::sort(sortedRanks.begin(), sortedRanks.end());
            OrderStatistics([&](auto visit) {
                for (std::size_t i = 0; i < sortedRanks.size();) {
                    std::size_t j = i + 1;
                    while (j < sortedRanks.size() && sortedRanks[j] == sortedRanks[i]) ++j;
                    visit(distinctValues[sortedRanks[i]], j - i);
                    i = j;
                }
            });
            return;
        }
    }

    // No usable ranks: sort the values themselves.
    std::vector<float> sorted;
    sorted.reserve(n);
    sum = 0.0f;
    sumOfSquares = 0.0f;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t row = rowAt(k);
        if (row >= cells) continue;
        const float v = values[row];
        sum += v;
        sumOfSquares += v * v;
        sorted.push_back(v);
    }
    const std::size_t valuesCount = sorted.size();
    Reset();
    SumValue = sum;
    SumOfSquaresValue = sumOfSquares;
    ValuesCount = valuesCount;
    std::sort(sorted.begin(), sorted.end(), FloatLess);
    OrderStatistics([&](auto visit) {
        for (std::size_t i = 0; i < sorted.size();) {
            std::size_t j = i + 1;
            while (j < sorted.size() && sorted[j] == sorted[i]) ++j;
            visit(sorted[i], j - i);
            i = j;
        }
    });
}

void TStatistics::SetValues(int dimensionIndex, const TPreProcessedDimension& dimension, const TRecordList& records)
{
    DimensionIndexValue = dimensionIndex;
    RecalculateValues(dimension, records);
}

void TStatistics::SetValues(int dimensionIndex, const TPreProcessedDimension& dimension)
{
    DimensionIndexValue = dimensionIndex;
    RecalculateValues(dimension);
}

void TStatistics::SetValues(int dimensionIndex, const std::vector<float>& values)
{
    DimensionIndexValue = dimensionIndex;
    RecalculateValues(values);
}

void TStatistics::RecalculateValues(const TPreProcessedDimension& dimension, const TRecordList& records)
{
    const TPreProcessedRecord* const* items = records.data();
    Fill(CellsOf(dimension), records.size(), [items](std::size_t k) -> std::size_t {
        const TPreProcessedRecord* record = items[k];
        // Rows that do not exist are skipped by Fill.
        return record && record->Index >= 0 ? static_cast<std::size_t>(record->Index) : ~std::size_t{0};
    });
}

void TStatistics::RecalculateValues(const TPreProcessedDimension& dimension, const std::vector<std::uint32_t>& rows)
{
    const std::uint32_t* r = rows.data();
    Fill(CellsOf(dimension), rows.size(), [r](std::size_t k) -> std::size_t { return r[k]; });
}

void TStatistics::RecalculateValues(const TPreProcessedDimension& dimension)
{
    Fill(CellsOf(dimension), dimension.Values.size(), [](std::size_t k) { return k; });
}

void TStatistics::RecalculateValues(const std::vector<float>& values)
{
    Fill(TCells{values.data(), values.size(), nullptr, nullptr, 0}, values.size(), [](std::size_t k) { return k; });
}

void TStatistics::SetFromRankCounts(const TPreProcessedDimension& dimension, const std::uint32_t* counts, std::size_t count,
                                    double sum, double sumOfSquares)
{
    Reset();
    ValuesCount = count;
    SumValue = static_cast<float>(sum);
    SumOfSquaresValue = static_cast<float>(sumOfSquares);
    const std::size_t distinct = dimension.DistinctValues.size();
    const float* distinctValues = dimension.DistinctValues.data();
    OrderStatistics([&](auto visit) {
        for (std::size_t r = 0; r < distinct; ++r)
            if (counts[r]) visit(distinctValues[r], counts[r]);
    });
}

float TStatistics::Average() const
{
    if (!HasValues()) return 0.0f;
    return SumValue / static_cast<float>(ValuesCount);
}

float TStatistics::Median() const
{
    return HasValues() ? MedianValue : 0.0f;
}

float TStatistics::Variance() const
{
    if (!HasValues()) return 0.0f;
    if (!VarianceCached) {
        const float n = static_cast<float>(ValuesCount);
        const float m = SumValue * SumValue / n;
        float variance = ValuesCount > 1 ? (SumOfSquaresValue - m) / (n - 1.0f) : (SumOfSquaresValue - m) / n;
        if (variance < 0.0f) variance = 0.0f;
        VarianceValue = variance;
        VarianceCached = true;
    }
    return VarianceValue;
}

float TStatistics::StandardDeviation() const
{
    if (!HasValues()) return 0.0f;
    if (!StandardDeviationCached) {
        StandardDeviationValue = std::sqrt(Variance());
        StandardDeviationCached = true;
    }
    return StandardDeviationValue;
}

float TStatistics::VariationCoeficient() const
{
    if (!HasValues()) return 0.0f;
    return StandardDeviation() / Average();
}

void TStatistics::Draw()
{
    if (!HasValues()) return;
    Gl().Color(0.0f, 0.0f, 1.0f);
    if (ShowAverage && DrawAverage) DrawAverage(this);
    if (ShowMedian && DrawMedian) DrawMedian(this);
    if (ShowModaValues && DrawModaValues) DrawModaValues(this);
    if (ShowStandardDeviation && DrawStandardDeviation) DrawStandardDeviation(this);
}

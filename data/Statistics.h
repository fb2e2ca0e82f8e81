#pragma once
// Statistics of one dimension over a set of records: average, median, mode values,
// sample variance, standard deviation and coefficient of variation of the normalised
// values, with the switches and draw callbacks through which a view shows them.
//
// Order statistics (median, mode values) come from the dimension's dense ranks: a set of
// values is counted per rank instead of being sorted, so a million values cost one
// counting pass. Median and mode values are fixed when the values are set; the variance
// and standard deviation are computed on first request and cached.

#include <cstdint>
#include <functional>
#include <vector>

#include "data/PreProcessedData.h"

class TStatistics;
class TStatisticsList;

using TStatisticsDrawFunction = std::function<void(TStatistics* statistics)>;
using TStatisticsListDrawFunction = std::function<void(TStatisticsList* list)>;

class TStatistics {
public:
    TStatistics() = default;

    // ---- setting values
    // Values of `dimension` for `records`, in the order given (the order of the sums).
    void SetValues(int dimensionIndex, const TPreProcessedDimension& dimension, const TRecordList& records);
    // Every cell of `dimension`, in storage order.
    void SetValues(int dimensionIndex, const TPreProcessedDimension& dimension);
    // Plain values (no ranks): sorted on their own.
    void SetValues(int dimensionIndex, const std::vector<float>& values);
    // The same, keeping DimensionIndex.
    void RecalculateValues(const TPreProcessedDimension& dimension, const TRecordList& records);
    void RecalculateValues(const TPreProcessedDimension& dimension);
    void RecalculateValues(const std::vector<float>& values);
    // Values of `dimension` at the given storage rows, in that order (for callers that
    // compute several dimensions over the same records and resolve their rows once).
    void RecalculateValues(const TPreProcessedDimension& dimension, const std::vector<std::uint32_t>& rows);

    // Values given by their counts per rank of `dimension` (counts[r] values equal to its
    // r-th distinct value), with their sum and sum of squares already known: what a brush that
    // keeps its counts while it moves hands over, without a pass over its records.
    void SetFromRankCounts(const TPreProcessedDimension& dimension, const std::uint32_t* counts, std::size_t count,
                           double sum, double sumOfSquares);

    // ---- results; every getter answers 0 while HasValues() is false
    int DimensionIndex() const { return DimensionIndexValue; }
    bool HasValues() const { return ValuesCount > 0; }
    std::size_t Count() const { return ValuesCount; }
    float Sum() const { return SumValue; }
    float SumOfSquares() const { return SumOfSquaresValue; }
    float Average() const;
    float Median() const;
    // Sample variance by the sum-of-squares formula (divisor n − 1; n when n = 1). Rounding of
    // the single-precision sums can make it slightly negative: it is then 0.
    float Variance() const;
    float StandardDeviation() const;
    // StandardDeviation / Average; infinite or not a number when the average is 0.
    float VariationCoeficient() const;
    // The values whose run of equal values is the longest, ascending; none when every value
    // is equal, and none when there are more of them than 0.3 × n.
    const std::vector<float>& GetModaValues() const { return ModaValues; }

    // Sets blue and calls the draw functions whose show flag is on (nothing without values).
    void Draw();

    bool ShowAverage = false;
    bool ShowMedian = false;
    bool ShowModaValues = false;
    bool ShowStandardDeviation = false;

    TStatisticsDrawFunction DrawAverage;
    TStatisticsDrawFunction DrawMedian;
    TStatisticsDrawFunction DrawModaValues;
    TStatisticsDrawFunction DrawStandardDeviation;

private:
    // The cells a statistic reads: values by row, and optionally their dense ranks.
    struct TCells {
        const float* Values;
        std::size_t Count;
        const std::uint32_t* Ranks;  // nullptr: sort the values themselves
        const float* DistinctValues;
        std::size_t Distinct;
    };
    static TCells CellsOf(const TPreProcessedDimension& dimension);
    template <class RowAt>
    void Fill(const TCells& cells, std::size_t n, RowAt rowAt);
    template <class ForEachRun>
    void OrderStatistics(ForEachRun forEachRun);
    void Reset();

    int DimensionIndexValue = -1;
    std::size_t ValuesCount = 0;
    float SumValue = 0.0f;
    float SumOfSquaresValue = 0.0f;
    float MedianValue = 0.0f;
    std::vector<float> ModaValues;
    mutable bool VarianceCached = false;
    mutable float VarianceValue = 0.0f;
    mutable bool StandardDeviationCached = false;
    mutable float StandardDeviationValue = 0.0f;
};

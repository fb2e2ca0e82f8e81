#pragma once
// Distances between records for FastMap.
//
// The evaluators measure two feature vectors (stBasicArrayObject). The Euclidean one also
// measures two rows of the dataset's value columns directly: that path reads the cells in
// place, with no feature vector and no allocation per evaluation, and is the one the mapper
// uses. Both paths sum the same squared differences in the same order, in double precision.
#include <cstdint>
#include <vector>

#include "data/PreProcessedData.h"

// The value columns of a dataset, as the evaluators read them: Columns[i][row].
struct TFeatureColumns {
    std::vector<const float*> Columns;

    // The columns of `data`; valid while its cells are neither added nor removed.
    static TFeatureColumns Of(const TPreProcessedData& data);
    std::size_t Count() const { return Columns.size(); }
};

class stMetricEvaluatorStatistics {
public:
    virtual ~stMetricEvaluatorStatistics() = default;
    // Number of distance calculations made so far.
    std::uint64_t DistanceCount = 0;
};

class stBasicMetricEvaluator {
public:
    virtual ~stBasicMetricEvaluator() = default;
    virtual double Distance(const stBasicArrayObject& a, const stBasicArrayObject& b) = 0;
    virtual double SquaredDistance(const stBasicArrayObject& a, const stBasicArrayObject& b) = 0;
};

class stBasicEuclideanMetricEvaluator : public stMetricEvaluatorStatistics, public stBasicMetricEvaluator {
public:
    // Sum over i < size of a of (a_i - b_i)^2; counts one calculation.
    double SquaredDistance(const stBasicArrayObject& a, const stBasicArrayObject& b) override;
    double Distance(const stBasicArrayObject& a, const stBasicArrayObject& b) override;

    // The same sum between the cells of two rows of the columns; counts one calculation.
    double SquaredDistance(const TFeatureColumns& columns, std::uint32_t rowA, std::uint32_t rowB)
    {
        ++DistanceCount;
        double sum = 0;
        for (const float* column : columns.Columns) {
            const double difference = static_cast<double>(column[rowA]) - static_cast<double>(column[rowB]);
            sum += difference * difference;
        }
        return sum;
    }
};

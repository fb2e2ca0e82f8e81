#include "data/MetricEvaluator.h"

#include <cmath>

TFeatureColumns TFeatureColumns::Of(const TPreProcessedData& data)
{
    TFeatureColumns columns;
    columns.Columns.reserve(static_cast<std::size_t>(data.NumberOfDimensions()));
    for (int i = 0; i < data.NumberOfDimensions(); ++i) columns.Columns.push_back(data.GetDimension(i)->Values.data());
    return columns;
}

double stBasicEuclideanMetricEvaluator::SquaredDistance(const stBasicArrayObject& a, const stBasicArrayObject& b)
{
    ++DistanceCount;
    double sum = 0;
    for (std::uint32_t i = 0; i < a.GetSize(); ++i) {
        const double difference = static_cast<double>(a.ValueAt(i)) - static_cast<double>(b.ValueAt(i));
        sum += difference * difference;
    }
    return sum;
}

double stBasicEuclideanMetricEvaluator::Distance(const stBasicArrayObject& a, const stBasicArrayObject& b)
{
    return std::sqrt(SquaredDistance(a, b));
}

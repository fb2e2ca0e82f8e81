// FastMap: the worked examples, a slow double-precision version of the same algorithm,
// distance preservation in a 3-D subspace, degenerate data and the cost in distances.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "data/FastMapper.h"
#include "data/MetricEvaluator.h"
#include "tests/support/UnitScaleData.h"

namespace {

// Columns from rows (each row one record).
std::unique_ptr<TPreProcessedData> DataFromRows(const std::vector<std::vector<float>>& rows, int dimensions)
{
    std::vector<std::vector<float>> columns(static_cast<std::size_t>(dimensions));
    for (const auto& row : rows)
        for (int i = 0; i < dimensions; ++i) columns[static_cast<std::size_t>(i)].push_back(row[static_cast<std::size_t>(i)]);
    return MakeUnitScaleData({}, columns);
}

// Runs the whole projection as the view does: k coordinates per record, in list order.
std::vector<float> Project(const TPreProcessedData& data, const TRecordList& records, int k, int iterations,
                           stBasicEuclideanMetricEvaluator& evaluator, TFastMapper* keep = nullptr)
{
    TFastMapper local(evaluator, k, iterations);
    TFastMapper& mapper = keep ? *keep : local;
    mapper.BuildAxes(data, records);
    std::vector<float> coordinates(records.size() * static_cast<std::size_t>(k), -99.0f);
    mapper.ProjectRecords(records, coordinates.data());
    return coordinates;
}

// ---- the worked example ------------------------------------------------------------------

TEST(FastMapper, ThreeRecordsInThePlaneFollowTheWorkedExample)
{
    const auto data = DataFromRows({{0, 0}, {1, 0}, {0, 1}}, 2);
    stBasicEuclideanMetricEvaluator evaluator;
    TFastMapper mapper(evaluator, 2, 5);
    const auto x = Project(*data, data->ListOfPreprocessedRecords, 2, 5, evaluator, &mapper);

    // Axis 0: record 2 and record 1 (ties go to the lower index), at distance sqrt 2.
    ASSERT_NE(mapper.Pivot(0), nullptr);
    EXPECT_EQ(mapper.Pivot(0)->GetRecord()->Index, 2);
    EXPECT_EQ(mapper.Pivot(1)->GetRecord()->Index, 1);
    EXPECT_NEAR(mapper.PivotDistance(0), std::sqrt(2.0), 1e-6);
    // The pivots' working coordinates are exact.
    EXPECT_EQ(mapper.Pivot(0)->GetCoordinates()[0], 0.0f);
    EXPECT_EQ(mapper.Pivot(1)->GetCoordinates()[0], mapper.PivotDistance(0));
    // Axis 1: records 1 and 0, at distance 1/sqrt 2.
    EXPECT_EQ(mapper.Pivot(2)->GetRecord()->Index, 1);
    EXPECT_EQ(mapper.Pivot(3)->GetRecord()->Index, 0);
    EXPECT_NEAR(mapper.PivotDistance(1), 1 / std::sqrt(2.0), 1e-6);

    const double h = 1 / std::sqrt(2.0);
    const std::vector<double> expected = {h, h, std::sqrt(2.0), 0, 0, 0};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(x[i], expected[i], 1e-6) << "value " << i;
}

TEST(FastMapper, OneScanTakesTheFirstRecordsFarthestAndTheFirstRecord)
{
    const auto data = DataFromRows({{0, 0}, {1, 0}, {0, 1}}, 2);
    stBasicEuclideanMetricEvaluator evaluator;
    TFastMapper mapper(evaluator, 2, 1);
    mapper.BuildAxes(*data, data->ListOfPreprocessedRecords);
    EXPECT_EQ(mapper.Pivot(0)->GetRecord()->Index, 1);
    EXPECT_EQ(mapper.Pivot(1)->GetRecord()->Index, 0);
    EXPECT_NEAR(mapper.PivotDistance(0), 1.0, 1e-6);
}

TEST(FastMapper, EqualFarthestDistancesGoToTheLowestIndex)
{
    // From record 0 every other record lies at distance 1, and from each of the others the
    // remaining two lie at sqrt 2.
    const auto data = DataFromRows({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 3);
    stBasicEuclideanMetricEvaluator evaluator;
    TFastMapper mapper(evaluator, 1, 1);
    mapper.BuildAxes(*data, data->ListOfPreprocessedRecords);
    EXPECT_EQ(mapper.Pivot(0)->GetRecord()->Index, 1);
    TFastMapper longer(evaluator, 1, 5);
    longer.BuildAxes(*data, data->ListOfPreprocessedRecords);
    // 0 -> 1, 1 -> 2 (before 3), 2 -> 1: the pivot it replaced, stop.
    EXPECT_EQ(longer.Pivot(0)->GetRecord()->Index, 2);
    EXPECT_EQ(longer.Pivot(1)->GetRecord()->Index, 1);
    EXPECT_NEAR(longer.PivotDistance(0), std::sqrt(2.0), 1e-6);
}

// ---- a second way of computing: the algorithm written plainly in double precision ---------

struct TReference {
    std::vector<std::vector<double>> Rows;
    int K = 3;
    int Iterations = 5;
    std::vector<std::vector<double>> X;  // working coordinates
    std::vector<int> PivotA, PivotB;
    std::vector<double> D;

    double Residual(const std::vector<double>& a, const std::vector<double>& xa, const std::vector<double>& b,
                    const std::vector<double>& xb, int axis) const
    {
        double d2 = 0, s = 0;
        for (std::size_t i = 0; i < a.size(); ++i) d2 += (a[i] - b[i]) * (a[i] - b[i]);
        for (int i = 0; i < axis; ++i) s += (xa[i] - xb[i]) * (xa[i] - xb[i]);
        return d2 - s;
    }
    double OnAxis(const std::vector<double>& row, const std::vector<double>& x, int axis) const
    {
        const int a = PivotA[axis], b = PivotB[axis];
        const double ra = Residual(row, x, Rows[a], PivotX[2 * axis], axis);
        const double rb = Residual(row, x, Rows[b], PivotX[2 * axis + 1], axis);
        return (ra + D[axis] * D[axis] - rb) / (2 * D[axis]);
    }
    std::vector<std::vector<double>> PivotX;

    void Build()
    {
        const int n = static_cast<int>(Rows.size());
        X.assign(n, std::vector<double>(K, 0.0));
        PivotX.assign(2 * K, std::vector<double>(K, 0.0));
        for (int axis = 0; axis < K; ++axis) {
            int a = 0, previous = 0, b = -1;
            double d = 0;
            for (int scan = 0; scan < Iterations; ++scan) {
                d = 0;
                for (int j = 0; j < n; ++j) {
                    if (j == a) continue;
                    const double dj = std::sqrt(std::max(0.0, Residual(Rows[a], X[a], Rows[j], X[j], axis)));
                    if (dj > d) d = dj, b = j;
                }
                if (b == previous) break;
                previous = a, a = b, b = previous;
            }
            PivotA.push_back(a), PivotB.push_back(b), D.push_back(d);
            PivotX[2 * axis] = X[a];
            PivotX[2 * axis + 1] = X[b];
            for (int j = 0; j < n; ++j) X[j][axis] = j == a ? 0 : j == b ? d : OnAxis(Rows[j], X[j], axis);
            for (int m = 0; m <= 2 * axis + 1; ++m) PivotX[m][axis] = X[m % 2 ? PivotB[m / 2] : PivotA[m / 2]][axis];
        }
    }
    std::vector<double> ProjectRecord(int j) const
    {
        std::vector<double> x(K, 0.0);
        for (int axis = 0; axis < K; ++axis) x[axis] = OnAxis(Rows[j], x, axis);
        return x;
    }
};

std::vector<std::vector<float>> RandomRows(int n, int dimensions, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<std::vector<float>> rows(static_cast<std::size_t>(n), std::vector<float>(static_cast<std::size_t>(dimensions)));
    for (auto& row : rows)
        for (float& v : row) v = unit(generator);
    return rows;
}

TEST(FastMapper, AgreesWithAPlainDoublePrecisionComputation)
{
    for (const unsigned seed : {1u, 2u, 3u}) {
        const auto rows = RandomRows(300, 11, seed);
        const auto data = DataFromRows(rows, 11);
        stBasicEuclideanMetricEvaluator evaluator;
        TFastMapper mapper(evaluator, 3, 5);
        const auto x = Project(*data, data->ListOfPreprocessedRecords, 3, 5, evaluator, &mapper);

        TReference reference;
        reference.K = 3;
        reference.Iterations = 5;
        for (const auto& row : rows) reference.Rows.emplace_back(row.begin(), row.end());
        reference.Build();
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(mapper.Pivot(2 * axis)->GetRecord()->Index, reference.PivotA[axis]) << "seed " << seed;
            EXPECT_EQ(mapper.Pivot(2 * axis + 1)->GetRecord()->Index, reference.PivotB[axis]) << "seed " << seed;
            EXPECT_NEAR(mapper.PivotDistance(axis), reference.D[axis], 1e-5);
        }
        for (int j = 0; j < 300; ++j) {
            const auto expected = reference.ProjectRecord(j);
            for (int axis = 0; axis < 3; ++axis)
                ASSERT_NEAR(x[3 * j + axis], expected[axis], 1e-5) << "seed " << seed << " record " << j << " axis " << axis;
        }
    }
}

// Records in a 3-D affine subspace of 11-D: three FastMap axes recover every pairwise
// distance, also when the record list was sorted by something else first.
TEST(FastMapper, KeepsEveryPairwiseDistanceOfAThreeDimensionalSubspace)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    // Three orthonormal directions (Gram-Schmidt on random vectors).
    std::vector<std::vector<double>> basis;
    while (basis.size() < 3) {
        std::vector<double> v(11);
        for (double& c : v) c = unit(generator) - 0.5;
        for (const auto& e : basis) {
            double dot = 0;
            for (int i = 0; i < 11; ++i) dot += v[i] * e[i];
            for (int i = 0; i < 11; ++i) v[i] -= dot * e[i];
        }
        double norm = 0;
        for (double c : v) norm += c * c;
        for (double& c : v) c /= std::sqrt(norm);
        basis.push_back(v);
    }
    const int n = 200;
    std::vector<std::vector<float>> rows;
    for (int j = 0; j < n; ++j) {
        std::vector<float> row(11);
        const double u = unit(generator) * 0.5, v = unit(generator) * 0.4, w = unit(generator) * 0.3;
        for (int i = 0; i < 11; ++i)
            row[i] = static_cast<float>(0.5 + (u - 0.25) * basis[0][i] + (v - 0.2) * basis[1][i] + (w - 0.15) * basis[2][i]);
        rows.push_back(row);
    }
    const auto data = DataFromRows(rows, 11);
    TRecordList shuffled = data->ListOfPreprocessedRecords;
    std::shuffle(shuffled.begin(), shuffled.end(), generator);
    for (const TRecordList* list : {&data->ListOfPreprocessedRecords, &shuffled}) {
        stBasicEuclideanMetricEvaluator evaluator;
        const auto x = Project(*data, *list, 3, 5, evaluator);
        double worst = 0;
        for (int p = 0; p < n; ++p)
            for (int q = p + 1; q < n; ++q) {
                const int a = (*list)[p]->Index, b = (*list)[q]->Index;
                double exact = 0, mapped = 0;
                for (int i = 0; i < 11; ++i) exact += std::pow(double(rows[a][i]) - rows[b][i], 2);
                for (int axis = 0; axis < 3; ++axis) mapped += std::pow(double(x[3 * p + axis]) - x[3 * q + axis], 2);
                worst = std::max(worst, std::abs(std::sqrt(exact) - std::sqrt(mapped)));
            }
        EXPECT_LT(worst, 1e-4);
    }
}

// A list sorted by another view: each pivot keeps the coordinates of its own record.
TEST(FastMapper, PivotsKeepTheirOwnRecordsCoordinatesInASortedList)
{
    const auto rows = RandomRows(60, 5, 11);
    const auto data = DataFromRows(rows, 5);
    TRecordList reversed(data->ListOfPreprocessedRecords.rbegin(), data->ListOfPreprocessedRecords.rend());
    stBasicEuclideanMetricEvaluator evaluator;
    TFastMapper mapper(evaluator, 3, 5);
    mapper.BuildAxes(*data, reversed);
    for (int m = 0; m < 6; ++m) {
        const TFastMapImage* pivot = mapper.Pivot(m);
        ASSERT_NE(pivot, nullptr);
        float projected[3];
        mapper.ProjectRecord(*pivot->GetRecord(), projected);
        for (int axis = 0; axis < 3; ++axis)
            EXPECT_NEAR(pivot->GetCoordinates()[axis], projected[axis], 1e-5) << "pivot " << m << " axis " << axis;
    }
}

// ---- degenerate data ---------------------------------------------------------------------

struct TDegenerateCase {
    const char* Name;
    std::vector<std::vector<float>> Rows;
    int Dimensions;
    int ZeroFromAxis;  // every coordinate on this axis and later ones is exactly 0
};

class FastMapperDegenerate : public ::testing::TestWithParam<TDegenerateCase> {};

TEST_P(FastMapperDegenerate, GivesFiniteCoordinatesAndZeroAxesWithoutASecondPivot)
{
    const auto& c = GetParam();
    const auto data = DataFromRows(c.Rows, c.Dimensions);
    stBasicEuclideanMetricEvaluator evaluator;
    TFastMapper mapper(evaluator, 3, 5);
    const auto x = Project(*data, data->ListOfPreprocessedRecords, 3, 5, evaluator, &mapper);
    const int n = static_cast<int>(c.Rows.size());
    for (float v : x) EXPECT_TRUE(std::isfinite(v));
    for (int j = 0; j < n; ++j)
        for (int axis = c.ZeroFromAxis; axis < 3; ++axis) EXPECT_EQ(x[3 * j + axis], 0.0f) << "record " << j << " axis " << axis;
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_TRUE(std::isfinite(mapper.PivotDistance(axis)));
        if (axis >= c.ZeroFromAxis) {
            EXPECT_EQ(mapper.PivotDistance(axis), 0.0f);
        } else {
            ASSERT_NE(mapper.Pivot(2 * axis), nullptr);
            const int a = mapper.Pivot(2 * axis)->GetRecord()->Index, b = mapper.Pivot(2 * axis + 1)->GetRecord()->Index;
            EXPECT_TRUE(a >= 0 && a < n && b >= 0 && b < n && a != b);
        }
    }
    // What the axes that are not degenerate give keeps the distances (all cases lie in <= 2-D).
    for (int p = 0; p < n; ++p)
        for (int q = p + 1; q < n; ++q) {
            double exact = 0, mapped = 0;
            for (int i = 0; i < c.Dimensions; ++i) exact += std::pow(double(c.Rows[p][i]) - c.Rows[q][i], 2);
            for (int axis = 0; axis < 3; ++axis) mapped += std::pow(double(x[3 * p + axis]) - x[3 * q + axis], 2);
            EXPECT_NEAR(std::sqrt(mapped), std::sqrt(exact), 1e-5) << p << "-" << q;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FastMapperDegenerate,
    ::testing::Values(TDegenerateCase{"NoRecords", {}, 3, 0}, TDegenerateCase{"OneRecord", {{0.2f, 0.4f, 0.6f}}, 3, 0},
                      TDegenerateCase{"TwoRecords", {{0, 0, 0}, {1, 0.5f, 0.25f}}, 3, 1},
                      TDegenerateCase{"IdenticalRecords", {{0.3f, 0.3f}, {0.3f, 0.3f}, {0.3f, 0.3f}, {0.3f, 0.3f}}, 2, 0},
                      TDegenerateCase{"OneDimension", {{0}, {0.25f}, {1}, {0.5f}, {0.75f}}, 1, 1},
                      TDegenerateCase{"ConstantColumns", {{0.5f, 0, 0.7f}, {0.5f, 0.3f, 0.7f}, {0.5f, 1, 0.7f}}, 3, 1},
                      TDegenerateCase{"CollinearIn3D", {{0, 0, 0}, {0.1f, 0.2f, 0.3f}, {0.2f, 0.4f, 0.6f}, {0.3f, 0.6f, 0.9f}, {0.15f, 0.3f, 0.45f}}, 3, 1},
                      TDegenerateCase{"PlaneIn3D", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0.5f, 0.25f, 0}}, 3, 2},
                      TDegenerateCase{"DuplicatesOfAPivot", {{0, 0}, {1, 1}, {1, 1}, {0, 0}, {0.5f, 0.2f}, {1, 1}}, 2, 2}),
    [](const ::testing::TestParamInfo<TDegenerateCase>& info) { return std::string(info.param.Name); });

// ---- cost --------------------------------------------------------------------------------

TEST(FastMapper, MakesAtMost27DistanceCalculationsPerRecordForThreeAxes)
{
    for (const int n : {2, 10, 1000}) {
        const auto data = DataFromRows(RandomRows(n, 11, 5), 11);
        stBasicEuclideanMetricEvaluator evaluator;
        TFastMapper mapper(evaluator, 3, 5);
        Project(*data, data->ListOfPreprocessedRecords, 3, 5, evaluator, &mapper);
        EXPECT_LE(evaluator.DistanceCount, 27u * n) << n << " records";
        EXPECT_LE(evaluator.DistanceCount, mapper.DistanceBudget(n));
    }
}

TEST(FastMapper, ReportsProgressDuringALongRun)
{
    const auto data = DataFromRows(RandomRows(20000, 3, 9), 3);
    stBasicEuclideanMetricEvaluator evaluator;
    TFastMapper mapper(evaluator, 3, 5);
    int calls = 0;
    mapper.Progress = [&calls] { ++calls; };
    Project(*data, data->ListOfPreprocessedRecords, 3, 5, evaluator, &mapper);
    EXPECT_GT(calls, 3);
}

// ---- the evaluator and the image -------------------------------------------------------

TEST(EuclideanEvaluator, MeasuresFeatureVectorsAndColumnsAlikeAndCountsEachCalculation)
{
    const auto data = DataFromRows({{0.1f, 0.9f, 0.3f}, {0.7f, 0.2f, 0.3f}}, 3);
    stBasicEuclideanMetricEvaluator evaluator;
    const auto a = data->ToFeatureVector(data->GetRecord(0));
    const auto b = data->ToFeatureVector(data->GetRecord(1));
    const double expected = std::pow(0.1 - 0.7, 2) + std::pow(0.9 - 0.2, 2);
    EXPECT_NEAR(evaluator.SquaredDistance(a, b), expected, 1e-6);
    EXPECT_NEAR(evaluator.Distance(a, b), std::sqrt(expected), 1e-6);
    EXPECT_EQ(evaluator.SquaredDistance(TFeatureColumns::Of(*data), 0, 1), evaluator.SquaredDistance(a, b));
    EXPECT_EQ(evaluator.DistanceCount, 4u);
}

TEST(FastMapImage, HoldsCoordinatesAndFreesOnlyARecordItOwns)
{
    const auto data = DataFromRows({{0.1f}, {0.2f}}, 1);
    data->GetRecord(1)->SetLabel("second");
    TFastMapImage image(data->GetRecord(0), 3, false);
    image.FillCoordinates(2.0f);
    EXPECT_EQ(image.GetCoordinate(2), 2.0f);
    const float source[3] = {1, 2, 3};
    image.SetCoordinates(source);
    EXPECT_EQ(image.GetCoordinates()[1], 2.0f);
    image.SetRecord(data->GetRecord(1)->CopyRecord().release(), true);
    EXPECT_EQ(image.GetRecord()->GetLabel(), "second");
    image.SetRecord(data->GetRecord(0), false);  // frees the copy; the dataset's record keeps its label
    EXPECT_EQ(data->GetRecord(1)->GetLabel(), "second");
    EXPECT_FALSE(image.OwnsRecord());
}

} // namespace

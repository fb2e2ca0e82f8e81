#include "data/FastMapper.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
constexpr float DegenerateFloor = 1e-5f;
constexpr std::uint64_t TickInterval = 65536;
} // namespace

TFastMapper::TFastMapper(stBasicEuclideanMetricEvaluator& evaluator, int mapDimensions, int pivotIterations)
    : Evaluator(evaluator),
      Dimensions(std::max(0, mapDimensions)),
      Iterations(std::max(1, pivotIterations)),
      Pivots(2 * static_cast<std::size_t>(Dimensions)),
      PivotPositions(2 * static_cast<std::size_t>(Dimensions), -1),
      PivotDistances(static_cast<std::size_t>(Dimensions), 0.0f),
      SquaredPivotDistances(static_cast<std::size_t>(Dimensions), 0.0f)
{
}

std::uint64_t TFastMapper::DistanceBudget(std::uint64_t records) const
{
    // Per axis: the scans, two per record while building, two per record when projecting.
    return static_cast<std::uint64_t>(Dimensions) * (static_cast<std::uint64_t>(Iterations) + 4) * records;
}

void TFastMapper::StartTicks()
{
    NextTick = Progress ? Evaluator.DistanceCount + TickInterval : UINT64_MAX;
}

void TFastMapper::Tick()
{
    NextTick = Evaluator.DistanceCount + TickInterval;
    Progress();
}

float TFastMapper::ResidualDistance2(std::uint32_t rowA, const float* xA, std::uint32_t rowB, const float* xB, int axis)
{
    const float d2 = static_cast<float>(Evaluator.SquaredDistance(Columns, rowA, rowB));
    float explained = 0;
    for (int i = 0; i < axis; ++i) {
        const float difference = xA[i] - xB[i];
        explained += difference * difference;
    }
    return d2 - explained;
}

float TFastMapper::ProjectOnAxis(std::uint32_t row, const float* x, int axis)
{
    const float distance = PivotDistances[static_cast<std::size_t>(axis)];
    if (!(distance > 0.0f)) return 0.0f;
    const TFastMapImage& a = *Pivots[2 * static_cast<std::size_t>(axis)];
    const TFastMapImage& b = *Pivots[2 * static_cast<std::size_t>(axis) + 1];
    const float rA = ResidualDistance2(row, x, static_cast<std::uint32_t>(a.GetRecord()->Index), a.GetCoordinates(), axis);
    const float rB = ResidualDistance2(row, x, static_cast<std::uint32_t>(b.GetRecord()->Index), b.GetCoordinates(), axis);
    return Place(rA, rB, axis);
}

float TFastMapper::Place(float rA, float rB, int axis) const
{
    const float distance = PivotDistances[static_cast<std::size_t>(axis)];
    if (!(distance > 0.0f)) return 0.0f;
    const float coordinate = (rA + SquaredPivotDistances[static_cast<std::size_t>(axis)] - rB) / (2.0f * distance);
    return std::isfinite(coordinate) ? coordinate : 0.0f;
}

void TFastMapper::MakeWorkingImages(const TRecordList& records)
{
    WorkingRows.resize(records.size());
    for (std::size_t j = 0; j < records.size(); ++j) WorkingRows[j] = static_cast<std::uint32_t>(records[j]->Index);
    Working.assign(records.size() * static_cast<std::size_t>(Dimensions), 0.0f);
}

TFastMapper::TPivotPair TFastMapper::FindPivotPair(int axis)
{
    const int n = static_cast<int>(WorkingRows.size());
    // A spread below the floor is rounding, not a second direction.
    const float floorDistance =
        axis == 0 ? 0.0f : std::sqrt(DegenerateFloor * SquaredPivotDistances[0]);
    int a = 0;
    int previous = 0;
    TPivotPair pair;
    if (n < 2) return pair;
    ScanResiduals.resize(static_cast<std::size_t>(n));
    for (int scan = 0; scan < Iterations; ++scan) {
        const std::uint32_t rowA = WorkingRows[static_cast<std::size_t>(a)];
        const float* xA = WorkingCoordinates(a);
        float d = 0;
        int b = -1;
        ScanOrigin = a;
        ScanResiduals[static_cast<std::size_t>(a)] = 0.0f;
        for (int j = 0; j < n; ++j) {
            if (j == a) continue;
            const float r = ResidualDistance2(rowA, xA, WorkingRows[static_cast<std::size_t>(j)], WorkingCoordinates(j), axis);
            ScanResiduals[static_cast<std::size_t>(j)] = r;
            const float dj = std::sqrt(std::max(r, 0.0f));
            if (dj > d) {
                d = dj;
                b = j;
            }
            if (Evaluator.DistanceCount >= NextTick) Tick();
        }
        if (b < 0 || !(d > floorDistance)) return {};  // later scans only measure farther
        pair = {a, b, d};
        if (b == previous) break;  // the farthest record from a is the pivot a replaced
        previous = a;
        a = b;
        pair = {a, previous, d};
    }
    return pair;
}

void TFastMapper::StorePivot(int m, const TPreProcessedRecord& record, const float* coordinates)
{
    auto& pivot = Pivots[static_cast<std::size_t>(m)];
    if (!pivot) pivot = std::make_unique<TFastMapImage>(nullptr, Dimensions, false);
    // The copy shares the record's cells (they live in the dataset's columns) and frees only
    // its own label and colour, so the image owns it.
    pivot->SetRecord(record.CopyRecord().release(), true);
    pivot->SetCoordinates(coordinates);
}

void TFastMapper::BuildAxes(const TPreProcessedData& data, const TRecordList& records)
{
    Columns = TFeatureColumns::Of(data);
    StartTicks();
    for (auto& pivot : Pivots) pivot.reset();
    std::fill(PivotPositions.begin(), PivotPositions.end(), -1);
    std::fill(PivotDistances.begin(), PivotDistances.end(), 0.0f);
    std::fill(SquaredPivotDistances.begin(), SquaredPivotDistances.end(), 0.0f);
    MakeWorkingImages(records);
    const int n = static_cast<int>(records.size());
    for (int axis = 0; axis < Dimensions; ++axis) {
        const TPivotPair pair = FindPivotPair(axis);
        if (pair.A < 0) {
            // No second pivot: this axis and every later one are 0 for every record (the
            // working coordinates are 0 already), and their pivots stay unchosen.
            break;
        }
        PivotDistances[static_cast<std::size_t>(axis)] = pair.Distance;
        SquaredPivotDistances[static_cast<std::size_t>(axis)] = pair.Distance * pair.Distance;
        StorePivot(2 * axis, *records[static_cast<std::size_t>(pair.A)], WorkingCoordinates(pair.A));
        StorePivot(2 * axis + 1, *records[static_cast<std::size_t>(pair.B)], WorkingCoordinates(pair.B));
        PivotPositions[2 * static_cast<std::size_t>(axis)] = pair.A;
        PivotPositions[2 * static_cast<std::size_t>(axis) + 1] = pair.B;
        for (int j = 0; j < n; ++j) {
            float* x = WorkingCoordinates(j);
            if (j == pair.A)
                x[axis] = 0.0f;
            else if (j == pair.B)
                x[axis] = pair.Distance;
            else
                x[axis] = PlaceWorking(j, x, pair, axis);
            if (Evaluator.DistanceCount >= NextTick) Tick();
        }
        for (int m = 0; m <= 2 * axis + 1; ++m)
            Pivots[static_cast<std::size_t>(m)]->GetCoordinate(axis) =
                WorkingCoordinates(PivotPositions[static_cast<std::size_t>(m)])[axis];
    }
    WorkingRows = {};
    Working = {};
    ScanResiduals = {};
    ScanOrigin = -1;
}

float TFastMapper::PlaceWorking(int j, const float* x, const TPivotPair& pair, int axis)
{
    // The residual to the pivot the last scan started from is known already (the residual
    // is symmetric, and that pivot's coordinates are its working ones).
    const std::uint32_t row = WorkingRows[static_cast<std::size_t>(j)];
    const TFastMapImage& a = *Pivots[2 * static_cast<std::size_t>(axis)];
    const TFastMapImage& b = *Pivots[2 * static_cast<std::size_t>(axis) + 1];
    const float known = ScanResiduals[static_cast<std::size_t>(j)];
    if (ScanOrigin == pair.A)
        return Place(known, ResidualDistance2(row, x, static_cast<std::uint32_t>(b.GetRecord()->Index), b.GetCoordinates(), axis), axis);
    if (ScanOrigin == pair.B)
        return Place(ResidualDistance2(row, x, static_cast<std::uint32_t>(a.GetRecord()->Index), a.GetCoordinates(), axis), known, axis);
    return ProjectOnAxis(row, x, axis);
}

void TFastMapper::ProjectRecord(const TPreProcessedRecord& record, float* coordinates)
{
    for (int axis = 0; axis < Dimensions; ++axis)
        coordinates[axis] = ProjectOnAxis(static_cast<std::uint32_t>(record.Index), coordinates, axis);
}

void TFastMapper::ProjectRecords(const TRecordList& records, float* coordinates)
{
    StartTicks();
    for (std::size_t j = 0; j < records.size(); ++j) {
        ProjectRecord(*records[j], coordinates + j * static_cast<std::size_t>(Dimensions));
        if (Evaluator.DistanceCount >= NextTick) Tick();
    }
}

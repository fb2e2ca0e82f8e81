#pragma once
// FastMap: embeds records into k coordinates so that Euclidean distances between the
// coordinates approximate the distances between the records' normalised values.
//
// Each axis i has two pivot records, chosen far apart by a few alternating scans over the
// residual distances (the squared distance minus what axes 0 … i-1 already explain); a
// record's coordinate i is its position between the pivots by the cosine law.
//
// Records are measured in place from the dataset's value columns: no feature vector is built
// and nothing is allocated per distance. The working coordinates of the records while the
// axes are built live in one array, in the order of the list given to BuildAxes; each pivot
// remembers its position in that list.
//
// Degenerate axes: when no residual distance on an axis is above a small floor (every record
// equal so far: identical records, one record, collinear or one-dimensional data), there is
// no second pivot. That axis and every later one get pivot distance 0, and every record's
// coordinate on them is 0. The floor is 0 on axis 0 and 1e-5 of the first axis's squared
// pivot distance on the later ones, where single-precision rounding of the residuals would
// otherwise pass for a spread.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/FastMapImage.h"
#include "data/MetricEvaluator.h"
#include "data/PreProcessedData.h"

class TFastMapper {
public:
    // `mapDimensions` output axes (at least 0); `pivotIterations` scans at most per axis (at least 1).
    TFastMapper(stBasicEuclideanMetricEvaluator& evaluator, int mapDimensions, int pivotIterations);

    // Chooses the pivots of every axis among `records`, which must be records of `data`.
    // Must run before ProjectRecord; the mapper then reads `data`'s columns until it goes.
    void BuildAxes(const TPreProcessedData& data, const TRecordList& records);
    // coordinates[0 … k-1] of any record of the dataset, in axis order.
    void ProjectRecord(const TPreProcessedRecord& record, float* coordinates);
    // ProjectRecord of every record of the list: coordinates[k*j … k*j+k-1] for records[j].
    void ProjectRecords(const TRecordList& records, float* coordinates);

    // Called now and then (about every 65536 distance calculations) during BuildAxes and
    // ProjectRecords, so that a caller can show progress; the evaluator's DistanceCount says
    // how far the work is.
    std::function<void()> Progress;

    int MapDimensions() const { return Dimensions; }
    int PivotIterations() const { return Iterations; }
    // Pivot image m: 2i and 2i + 1 are the pivots of axis i; null while not chosen.
    const TFastMapImage* Pivot(int m) const { return Pivots[static_cast<std::size_t>(m)].get(); }
    float PivotDistance(int axis) const { return PivotDistances[static_cast<std::size_t>(axis)]; }
    float SquaredPivotDistance(int axis) const { return SquaredPivotDistances[static_cast<std::size_t>(axis)]; }
    // Upper bound of the distance calculations of BuildAxes and ProjectRecords over n records.
    std::uint64_t DistanceBudget(std::uint64_t records) const;

    // ---- building blocks
    // Squared distance of rows A and B minus what their coordinates explain on axes < axis.
    float ResidualDistance2(std::uint32_t rowA, const float* xA, std::uint32_t rowB, const float* xB, int axis);
    // Coordinate `axis` of the record in `row` whose coordinates 0 … axis-1 are `x`.
    float ProjectOnAxis(std::uint32_t row, const float* x, int axis);
    // The cosine law on an axis, from a record's residuals to its two pivots.
    float Place(float rA, float rB, int axis) const;
    struct TPivotPair {
        int A = -1;  // positions in the working list; -1 when the axis has no second pivot
        int B = -1;
        float Distance = 0;
    };
    // Pivot search over the working images on one axis.
    TPivotPair FindPivotPair(int axis);
    // Pivot image m receives a copy of `record` and of `coordinates`.
    void StorePivot(int m, const TPreProcessedRecord& record, const float* coordinates);

private:
    void MakeWorkingImages(const TRecordList& records);
    float* WorkingCoordinates(int position) { return Working.data() + static_cast<std::size_t>(position) * Dimensions; }
    float PlaceWorking(int j, const float* x, const TPivotPair& pair, int axis);
    void StartTicks();
    void Tick();

    stBasicEuclideanMetricEvaluator& Evaluator;
    int Dimensions;
    int Iterations;
    TFeatureColumns Columns;
    std::vector<std::unique_ptr<TFastMapImage>> Pivots;  // 2k
    std::vector<int> PivotPositions;                      // 2k: working-list position of each pivot
    std::vector<float> PivotDistances;                    // k
    std::vector<float> SquaredPivotDistances;             // k
    // Working images while the axes are built: rows and k coordinates each, in list order.
    std::vector<std::uint32_t> WorkingRows;
    std::vector<float> Working;
    // The residuals the last scan of the pivot search measured from ScanOrigin to every
    // working image: one of the axis's pivots, so placing the records reuses them.
    std::vector<float> ScanResiduals;
    int ScanOrigin = -1;
    std::uint64_t NextTick = 0;
};

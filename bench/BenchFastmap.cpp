// lumetra-bench fastmap: the FastMap projection alone (pivots and coordinates of every
// record into three axes), on a dataset loaded once.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/FastMapper.h"
#include "data/MetricEvaluator.h"
#include "data/PreProcessedData.h"

namespace {

constexpr int Axes = 3;
constexpr int PivotIterations = 5;

int RunFastmap(const TPreProcessedData& data, int runs, bool dump)
{
    if (runs < 1) runs = 1;
    const TRecordList& records = data.ListOfPreprocessedRecords;
    std::vector<float> coordinates(records.size() * Axes);
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        stBasicEuclideanMetricEvaluator evaluator;
        const double start = NowSeconds();
        TFastMapper mapper(evaluator, Axes, PivotIterations);
        mapper.BuildAxes(data, records);
        mapper.ProjectRecords(records, coordinates.data());
        const double elapsed = NowSeconds() - start;
        seconds.push_back(elapsed);
        std::printf("fastmap records=%zu seconds=%.4f distances=%llu\n", records.size(), elapsed,
                    static_cast<unsigned long long>(evaluator.DistanceCount));
        std::fflush(stdout);
    }
    if (dump)
        for (std::size_t j = 0; j < records.size(); ++j)
            std::printf("point %d %.9g %.9g %.9g\n", records[j]->Index, coordinates[Axes * j], coordinates[Axes * j + 1],
                        coordinates[Axes * j + 2]);
    std::printf("fastmap median_seconds=%.4f runs=%d\n", Median(seconds), runs);
    return 0;
}

// n records of d uniform pseudo-random normalised values.
std::unique_ptr<TPreProcessedData> SyntheticData(int n, int d)
{
    auto data = std::make_unique<TPreProcessedData>();
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < d; ++i) {
        TPreProcessedDimension* dimension = data->AddDimension("d" + std::to_string(i));
        dimension->Values.reserve(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            dimension->AddValue(static_cast<float>(state >> 40) / static_cast<float>(1 << 24));
        }
    }
    data->BuildRecords();
    data->Normalise(true);
    return data;
}

const bool registered = RegisterBenchCommand({
    "fastmap",
    "fastmap FILE [--runs N] [--dump]",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench fastmap FILE [--runs N] [--dump]\n");
            return 2;
        }
        TPreProcessedData data;
        if (!data.ReadTextFile(arguments[0])) {
            std::fprintf(stderr, "fastmap: could not load %s\n", arguments[0].c_str());
            return 1;
        }
        return RunFastmap(data, std::atoi(Option(arguments, "--runs", "5").c_str()), HasFlag(arguments, "--dump"));
    },
    [](const std::string&) {
        std::printf("fastmap synthetic: 100000 records x 11 dimensions\n");
        return RunFastmap(*SyntheticData(100000, 11), 3, false);
    },
});

} // namespace

// lumetra-bench starpositions FILE [--3d] [--runs N]
// Times what the star-coordinates view does when an axis drag ends: every dot's position
// computed again from the dataset's columns. Per run:
// `starpositions records=R dimensions=D mode=2d|3d seconds=S`, then the median and the
// bytes the dot arrays hold per record.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/PreProcessedData.h"
#include "techniques/star/StarAxis.h"
#include "techniques/star/StarDot.h"

namespace {

int RunStarPositions(const std::string& file, bool mode3D, int runs)
{
    TPreProcessedData data;
    if (!data.ReadTextFile(file)) {
        std::fprintf(stderr, "starpositions: cannot read %s\n", file.c_str());
        return 1;
    }
    TOpenGLVertex center(-1, 0, 0, 0);
    TStarAxesList axes;
    axes.Initialize(nullptr, &center, &data, 379.5f, mode3D);
    TStarDotList dots;
    dots.Fill(nullptr, &axes, &data, &center);
    dots.SetMode3D(mode3D);
    dots.RefreshPositions();  // first touch of the arrays

    const char* modeName = mode3D ? "3d" : "2d";
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        // An end point dragged somewhere else, then released.
        axes.MoveAxisEndPoint(run % std::max(1, axes.Count()), 100 + run, 200 - run);
        axes.Touch();
        dots.InvalidateCaches();
        const double t0 = NowSeconds();
        dots.RefreshPositions();
        seconds.push_back(NowSeconds() - t0);
        std::printf("starpositions records=%d dimensions=%d mode=%s seconds=%.6f\n", data.RecordsNumber,
                    data.NumberOfDimensions(), modeName, seconds.back());
    }
    std::printf("starpositions_median records=%d dimensions=%d mode=%s seconds=%.6f bytes_per_record=%.1f\n",
                data.RecordsNumber, data.NumberOfDimensions(), modeName, Median(seconds), dots.BytesPerRecord());
    return 0;
}

const bool registered = RegisterBenchCommand({
    "starpositions",
    "starpositions FILE [--3d] [--runs N]   (star coordinates: every dot placed again after an axis drag)",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench starpositions FILE [--3d] [--runs N]\n");
            return 2;
        }
        const int runs = std::max(1, std::atoi(Option(arguments, "--runs", "9").c_str()));
        return RunStarPositions(arguments[0], HasFlag(arguments, "--3d"), runs);
    },
    {},
});

} // namespace

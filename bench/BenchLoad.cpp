// lumetra-bench load: loads a data file (.lumet, or a CSV/TSV table) several times and
// reports time and memory.
// lumetra-bench gen: writes a synthetic dataset text file (or CSV table).
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/PreProcessedData.h"

namespace {

struct TTiming {
    double Seconds = -1;  // wall clock; -1 when the load failed
    double CpuSeconds = -1;
};

// One load; prints its line (and the dump).
TTiming LoadOnce(const std::string& fileName, bool dump)
{
    auto data = std::make_unique<TPreProcessedData>();
    const double start = NowSeconds();
    const double cpuStart = ProcessCpuSeconds();
    const bool ok = data->ReadDataFile(fileName);
    const double elapsed = NowSeconds() - start;
    const double cpu = ProcessCpuSeconds() - cpuStart;
    if (!ok) {
        std::fprintf(stderr, "load: could not load %s\n", fileName.c_str());
        return {};
    }
    std::printf("load records=%d dims=%d seconds=%.4f peak_rss_mb=%.1f\n", data->RecordsNumber,
                data->NumberOfDimensions(), elapsed, PeakRssMegabytes());
    if (dump) {
        for (int i = 0; i < data->NumberOfDimensions(); ++i) {
            double values = 0, weights = 0;
            for (const TPreProcessedRecord* record : data->ListOfPreprocessedRecords) {
                values += data->Value(i, record);
                weights += data->Weight(i, record);
            }
            std::printf("dim %s low=%.9g high=%.9g sum_values=%.9g sum_weights=%.9g\n", data->GetDimensionName(i).c_str(),
                        data->GetLowValue(i), data->GetHighValue(i), values, weights);
        }
    }
    std::fflush(stdout);
    return {elapsed, cpu};
}

// Each run loads in a fresh child process, so that every run starts from the same state
// (an empty heap) and its peak memory is that of one load; --same-process loads N times in
// this process instead (the later runs reuse memory the earlier ones freed).
int RunLoad(const std::string& fileName, int runs, bool dump, bool sameProcess)
{
    if (runs < 1) runs = 1;
    std::vector<double> seconds, cpuSeconds;
    for (int run = 0; run < runs; ++run) {
        const bool dumpThis = dump && run == runs - 1;
        TTiming timing;
        if (sameProcess) {
            timing = LoadOnce(fileName, dumpThis);
        } else {
            int channel[2];
            if (::pipe(channel) != 0) return 1;
            std::fflush(stdout);
            const pid_t parent = ::getpid();
            const pid_t child = ::fork();
            if (child < 0) return 1;
            if (child == 0) {
                // The child goes with its parent: a killed benchmark leaves no load running.
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != parent) ::_exit(1);
                ::close(channel[0]);
                const TTiming result = LoadOnce(fileName, dumpThis);
                const ssize_t written = ::write(channel[1], &result, sizeof result);
                ::_exit(written == sizeof result && result.Seconds >= 0 ? 0 : 1);
            }
            ::close(channel[1]);
            if (::read(channel[0], &timing, sizeof timing) != sizeof timing) timing = {};
            ::close(channel[0]);
            int status = 0;
            ::waitpid(child, &status, 0);
        }
        if (timing.Seconds < 0) return 1;
        seconds.push_back(timing.Seconds);
        cpuSeconds.push_back(timing.CpuSeconds);
    }
    std::printf("load median_seconds=%.4f median_cpu_seconds=%.4f runs=%d\n", Median(seconds), Median(cpuSeconds), runs);
    return 0;
}

// Numeric columns with repeated values: each dimension draws from its own set of values
// (integers, one or two decimals, some negative; about 100000 distinct values, 10000 for
// every fourth dimension), so the text looks like real measurements. 1000000 records of 11
// dimensions make about 72 MB. A name ending in ".csv" gets the same table as CSV (a header
// row, commas), so both readers can be timed on one table.
bool Generate(long long records, int dimensions, const std::string& fileName)
{
    const bool csv = fileName.size() >= 4 && fileName.compare(fileName.size() - 4, 4, ".csv") == 0;
    const char separator = csv ? ',' : ' ';
    std::FILE* out = std::fopen(fileName.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "gen: cannot write %s\n", fileName.c_str());
        return false;
    }
    std::string text = csv ? "" : "#";
    for (int j = 0; j < dimensions; ++j) text += (j ? std::string(1, separator) + "d" : "d") + std::to_string(j);
    text += csv ? "\n" : "\n% synthetic dataset written by lumetra-bench gen\n";
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    char token[32];
    for (long long k = 0; k < records; ++k) {
        for (int j = 0; j < dimensions; ++j) {
            const std::uint64_t r = next();
            int length;
            switch (j % 4) {
            case 0:  // integers 0 … 99999
                length = std::snprintf(token, sizeof token, "%d", static_cast<int>(r % 100000));
                break;
            case 1:  // two decimals, 0.00 … 999.99
                length = std::snprintf(token, sizeof token, "%d.%02d", static_cast<int>(r % 1000),
                                       static_cast<int>((r >> 20) % 100));
                break;
            case 2:  // one decimal, -5000.0 … 4999.9
                length = std::snprintf(token, sizeof token, "%.1f", static_cast<int>(r % 100000) * 0.1 - 5000.0);
                break;
            default:  // two decimals, 0.00 … 99.99, a bell-like sum of two draws
                length = std::snprintf(token, sizeof token, "%d.%02d",
                                       static_cast<int>((r % 50) + ((r >> 16) % 50)), static_cast<int>((r >> 32) % 100));
                break;
            }
            if (j) text.push_back(separator);
            text.append(token, static_cast<std::size_t>(length));
        }
        text.push_back('\n');
        if (text.size() > (1u << 20)) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    std::fwrite(text.data(), 1, text.size(), out);
    const bool ok = std::fclose(out) == 0;
    if (!ok) std::fprintf(stderr, "gen: error writing %s\n", fileName.c_str());
    return ok;
}

const bool registeredLoad = RegisterBenchCommand({
    "load",
    "load FILE [--runs N] [--dump] [--same-process]",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench load FILE [--runs N] [--dump] [--same-process]\n");
            return 2;
        }
        return RunLoad(arguments[0], std::atoi(Option(arguments, "--runs", "5").c_str()), HasFlag(arguments, "--dump"),
                       HasFlag(arguments, "--same-process"));
    },
    [](const std::string& scratch) {
        const std::string file = scratch + "/synthetic-load.lumet";
        std::printf("load synthetic: 200000 records x 11 dimensions\n");
        if (!Generate(200000, 11, file)) return 1;
        return RunLoad(file, 3, false, false);
    },
});

const bool registeredGen = RegisterBenchCommand({
    "gen",
    "gen N D FILE  (FILE ending in .csv: a CSV table)",
    [](const std::vector<std::string>& arguments) {
        if (arguments.size() != 3) {
            std::fprintf(stderr, "usage: lumetra-bench gen N D FILE\n");
            return 2;
        }
        const long long records = std::atoll(arguments[0].c_str());
        const int dimensions = std::atoi(arguments[1].c_str());
        if (records < 0 || dimensions < 1) {
            std::fprintf(stderr, "gen: N must be at least 0 and D at least 1\n");
            return 2;
        }
        return Generate(records, dimensions, arguments[2]) ? 0 : 1;
    },
    {},
});

} // namespace

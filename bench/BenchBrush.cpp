// lumetra-bench brush: the costs of brushing a loaded dataset.
//   and3       one selection [0.2, 0.8] on each of dimensions 1, 2, 3, loAND, then the
//              records satisfying the selections
//   and3_step  one step of a drag on dimension 1 (upper bound 0.8 to 0.79 or back), then the
//              records satisfying the selections: what a view waits for per mouse move
//   drag       the upper bound of dimension 1's selection moved from 0.8 to 0.7, with
//              statistics and frequencies off
//   drag_full  the same with one statistics overlay on and frequencies computed
//   stats      the statistics of every dimension over all records
// Each figure is the median of several runs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/Bench.h"
#include "data/PreProcessedData.h"
#include "data/StatisticsList.h"
#include "vis/SelectionsController.h"

namespace {

TSelectioner* AddSelection(TSelectionsList& list, TPreProcessedData* data, float min, float max)
{
    auto selection = std::make_unique<TSelectioner>();
    selection->Attach(data, list.SelectionDimensionIndex());
    selection->SetCalculateDataFrequencies = false;
    selection->SetMaxNormalized(max);
    selection->SetMinNormalized(min);
    TSelectioner* added = selection.get();
    list.SetFocus(list.Add(std::move(selection)));
    added->Color()->Assign(*list.PaletteColor(list.FocusIndex()));
    return added;
}

// Wall-clock and process CPU seconds of one run.
struct TTimer {
    double Wall = NowSeconds();
    double Cpu = ProcessCpuSeconds();
    void Stop(std::vector<double>& wall, std::vector<double>& cpu) const
    {
        wall.push_back(NowSeconds() - Wall);
        cpu.push_back(ProcessCpuSeconds() - Cpu);
    }
};

// The CPU figure beside the wall-clock one shows how much of it other processes took.
void Report(const char* name, std::size_t items, const std::vector<double>& seconds, const std::vector<double>& cpu)
{
    std::printf("brush %s items=%zu seconds=%.6f cpu_seconds=%.6f\n", name, items, Median(seconds), Median(cpu));
    std::fflush(stdout);
}

int RunBrush(const std::string& fileName, int runs)
{
    if (runs < 1) runs = 1;
    auto data = std::make_unique<TPreProcessedData>();
    if (!data->ReadDataFile(fileName)) {
        std::fprintf(stderr, "brush: could not load %s\n", fileName.c_str());
        return 1;
    }
    if (data->NumberOfDimensions() < 4) {
        std::fprintf(stderr, "brush: %s has %d dimensions; at least 4 are needed\n", fileName.c_str(),
                     data->NumberOfDimensions());
        return 1;
    }
    std::printf("brush records=%d dims=%d runs=%d\n", data->RecordsNumber, data->NumberOfDimensions(), runs);

    TSelectionsController controller;
    controller.BindData(data.get());
    controller.LogicOperation = loAND;
    TSelectioner* dragged = AddSelection(*controller.GetSelectionsList(1), data.get(), 0.2f, 0.8f);
    AddSelection(*controller.GetSelectionsList(2), data.get(), 0.2f, 0.8f);
    AddSelection(*controller.GetSelectionsList(3), data.get(), 0.2f, 0.8f);

    std::vector<double> seconds, cpu;
    std::size_t items = 0;
    for (int run = 0; run < runs; ++run) {
        // The pass itself: asking for the list again with nothing changed returns the list
        // already computed, so the combination is forced here.
        const TTimer timer;
        controller.ComputeItemsSatisfyingSelections();
        const TRecordList* listed = controller.ListOfItemsSatisfyingSelections();
        timer.Stop(seconds, cpu);
        items = listed ? listed->size() : 0;
    }
    Report("and3", items, seconds, cpu);

    seconds.clear();
    cpu.clear();
    for (int run = 0; run < runs; ++run) {
        const TTimer timer;
        dragged->SetMaxNormalized(run % 2 ? 0.8f : 0.79f);
        const TRecordList* listed = controller.ListOfItemsSatisfyingSelections();
        timer.Stop(seconds, cpu);
        items = listed ? listed->size() : 0;
    }
    dragged->SetMaxNormalized(0.8f);
    Report("and3_step", items, seconds, cpu);

    auto drag = [&](const char* name) {
        seconds.clear();
        cpu.clear();
        for (int run = 0; run < runs; ++run) {
            dragged->SetMaxNormalized(0.8f);
            const TTimer timer;
            dragged->SetMaxNormalized(0.7f);
            timer.Stop(seconds, cpu);
        }
        Report(name, static_cast<std::size_t>(dragged->Count()), seconds, cpu);
    };
    drag("drag");
    dragged->ToggleAverage();
    dragged->SetCalculateDataFrequencies = true;
    drag("drag_full");

    seconds.clear();
    cpu.clear();
    TStatisticsList statistics;
    for (int run = 0; run < runs; ++run) {
        const TTimer timer;
        statistics.CalculateStatistics(data.get(), false);
        timer.Stop(seconds, cpu);
    }
    Report("stats", static_cast<std::size_t>(data->RecordsNumber), seconds, cpu);
    return 0;
}

// A dataset of uniform values with three decimals, so every dimension repeats values.
bool WriteSynthetic(const std::string& fileName, int records, int dimensions)
{
    std::FILE* out = std::fopen(fileName.c_str(), "wb");
    if (!out) return false;
    std::string text = "#";
    for (int j = 0; j < dimensions; ++j) text += " v" + std::to_string(j);
    text += "\n";
    std::uint64_t state = 0x2545F4914F6CDD1Dull;
    char token[16];
    for (int k = 0; k < records; ++k) {
        for (int j = 0; j < dimensions; ++j) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            const int length = std::snprintf(token, sizeof token, j ? " %.3f" : "%.3f", (state % 100000) * 0.001);
            text.append(token, static_cast<std::size_t>(length));
        }
        text.push_back('\n');
        if (text.size() > (1u << 20)) {
            std::fwrite(text.data(), 1, text.size(), out);
            text.clear();
        }
    }
    std::fwrite(text.data(), 1, text.size(), out);
    return std::fclose(out) == 0;
}

const bool registered = RegisterBenchCommand({
    "brush",
    "brush FILE [--runs N]",
    [](const std::vector<std::string>& arguments) {
        if (arguments.empty() || arguments[0].rfind("--", 0) == 0) {
            std::fprintf(stderr, "usage: lumetra-bench brush FILE [--runs N]\n");
            return 2;
        }
        return RunBrush(arguments[0], std::atoi(Option(arguments, "--runs", "7").c_str()));
    },
    [](const std::string& scratch) {
        const std::string file = scratch + "/synthetic-brush.lumet";
        std::printf("brush synthetic: 200000 records x 11 dimensions\n");
        if (!WriteSynthetic(file, 200000, 11)) {
            std::fprintf(stderr, "brush: cannot write %s\n", file.c_str());
            return 1;
        }
        return RunBrush(file, 5);
    },
});

} // namespace

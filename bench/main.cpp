#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <algorithm>

#include "bench/Bench.h"

namespace {
std::map<std::string, TBenchCommand>& Commands()
{
    static std::map<std::string, TBenchCommand> commands;
    return commands;
}
} // namespace

bool RegisterBenchCommand(TBenchCommand command)
{
    const std::string name = command.Name;
    Commands()[name] = std::move(command);
    return true;
}

double NowSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double PeakRssMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) {
            std::istringstream in(line.substr(6));
            double kb = 0;
            in >> kb;
            return kb / 1024.0;
        }
    return 0;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) * 0.5;
}

std::string Option(const std::vector<std::string>& arguments, const std::string& name, const std::string& fallback)
{
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == name) return arguments[i + 1];
    return fallback;
}

bool HasFlag(const std::vector<std::string>& arguments, const std::string& name)
{
    return std::find(arguments.begin(), arguments.end(), name) != arguments.end();
}

static void Usage()
{
    std::fprintf(stderr, "usage: lumetra-bench                (synthetic suite)\n");
    for (const auto& [name, command] : Commands()) std::fprintf(stderr, "       lumetra-bench %s\n", command.Usage.c_str());
}

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        const auto scratch = std::filesystem::temp_directory_path() / ("lumetra-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(scratch);
        int status = 0;
        for (const auto& [name, command] : Commands())
            if (command.Synthetic) status |= command.Synthetic(scratch.string());
        std::filesystem::remove_all(scratch);
        return status;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h") {
        Usage();
        return 0;
    }
    const auto found = Commands().find(arguments[0]);
    if (found == Commands().end()) {
        std::fprintf(stderr, "lumetra-bench: unknown command \"%s\"\n", arguments[0].c_str());
        Usage();
        return 2;
    }
    return found->second.Run({arguments.begin() + 1, arguments.end()});
}

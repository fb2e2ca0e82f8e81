#pragma once
// lumetra-bench: each subcommand lives in its own file and registers itself here.
//   lumetra-bench               runs every command's synthetic suite
//   lumetra-bench NAME ARGS...  runs one command on real files
#include <functional>
#include <string>
#include <vector>

struct TBenchCommand {
    std::string Name;
    std::string Usage;  // one line, e.g. "load FILE [--runs N] [--dump]"
    // Runs the command with the arguments after its name; returns the exit code.
    std::function<int(const std::vector<std::string>& arguments)> Run;
    // Runs a small synthetic version (files it makes itself, in `scratchDirectory`); may be empty.
    std::function<int(const std::string& scratchDirectory)> Synthetic;
};

// Registers a command; use at namespace scope: static const bool registered = RegisterBenchCommand({...});
bool RegisterBenchCommand(TBenchCommand command);

// Helpers shared by the commands.
double NowSeconds();           // monotonic wall clock
double ProcessCpuSeconds();    // CPU time of the process
double PeakRssMegabytes();     // peak resident set size so far (VmHWM)
double Median(std::vector<double> values);
// "--name value" lookup in arguments; `fallback` when absent.
std::string Option(const std::vector<std::string>& arguments, const std::string& name, const std::string& fallback);
bool HasFlag(const std::vector<std::string>& arguments, const std::string& name);

#pragma once
// Subcommands of vespera-bench register themselves at start-up:
//
//   static const RegisterSubcommand reg{"name", "ARGS...", "what it does", Run};
//
// Run gets the arguments after the subcommand's name and returns the exit
// status. Every subcommand prints time_ms=N for the timed operation alone on
// standard error, and minor_faults=N, the pages the process had the kernel
// provide meanwhile (fresh memory touched for the first time).

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct Subcommand {
    std::string name;
    std::string usage;
    std::string summary;
    std::function<int(const std::vector<std::string>&)> run;
};

std::vector<Subcommand>& Subcommands();

struct RegisterSubcommand {
    RegisterSubcommand(std::string name, std::string usage, std::string summary,
                       std::function<int(const std::vector<std::string>&)> run) {
        Subcommands().push_back({std::move(name), std::move(usage), std::move(summary), std::move(run)});
    }
};

// The process's minor page faults so far (all threads).
inline long MinorFaults() {
    rusage usage{};
    return ::getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_minflt : 0;
}

// Times fn and prints time_ms and minor_faults on standard error; returns
// fn's result.
template <typename Fn>
auto TimeOperation(Fn&& fn) {
    const long faults = MinorFaults();
    const auto start = std::chrono::steady_clock::now();
    auto result = fn();
    const auto end = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(end - start).count();
    std::fprintf(stderr, "time_ms=%.1f\nminor_faults=%ld\n", ms, MinorFaults() - faults);
    return result;
}

// Parses a whole decimal integer or double argument; throws std::invalid_argument.
int IntArgument(const std::string& text);
double DoubleArgument(const std::string& text);

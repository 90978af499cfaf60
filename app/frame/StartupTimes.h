#pragma once
// The marks of the program's start for --timing: the time from the program's
// entry to each step up to the first painted picture, printed on standard
// error as "startup_<step>_ms=N" lines in the order of their times.
//
// UI thread only; a worker's times are handed over as time points once it
// has been joined.

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

class StartupTimes {
public:
    using Clock = std::chrono::steady_clock;

    // The program's entry, the origin of every mark (main calls it first;
    // without it the origin is the first use).
    static void Begin();
    static void Mark(const char* step);
    static void MarkAt(const char* step, Clock::time_point at);
    // Milliseconds from the origin to now.
    static double ElapsedMs();
    static void Print(std::FILE* out);

private:
    struct State {
        Clock::time_point origin = Clock::now();
        std::vector<std::pair<std::string, Clock::time_point>> marks;
    };
    static State& Get();
};

#include "app/frame/StartupTimes.h"

#include <algorithm>

namespace {

double MsBetween(StartupTimes::Clock::time_point from, StartupTimes::Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

StartupTimes::State& StartupTimes::Get() {
    static State state;
    return state;
}

void StartupTimes::Begin() {
    State& state = Get();
    state.origin = Clock::now();
    state.marks.clear();
}

void StartupTimes::Mark(const char* step) { MarkAt(step, Clock::now()); }

void StartupTimes::MarkAt(const char* step, Clock::time_point at) { Get().marks.emplace_back(step, at); }

double StartupTimes::ElapsedMs() { return MsBetween(Get().origin, Clock::now()); }

void StartupTimes::Print(std::FILE* out) {
    State& state = Get();
    std::vector<std::pair<std::string, Clock::time_point>> marks = state.marks;
    std::stable_sort(marks.begin(), marks.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    for (const auto& [step, at] : marks)
        std::fprintf(out, "startup_%s_ms=%.1f\n", step.c_str(), MsBetween(state.origin, at));
    std::fflush(out);
}

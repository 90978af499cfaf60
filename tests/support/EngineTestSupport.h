#pragma once
// Shared helpers of the engine tests.

#include <cstdint>
#include <random>
#include <vector>

#include "engine/RSProgress.h"

using Plane = std::vector<std::uint8_t>;

inline Plane RandomPlane(int w, int h, unsigned seed, int lo = 0, int hi = 255) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(lo, hi);
    Plane p(static_cast<std::size_t>(w) * h);
    for (auto& v : p)
        v = static_cast<std::uint8_t>(dist(rng));
    return p;
}

// Records every report and answers "stop" from the given report on (counted
// from 0; -1 never stops).
class ScriptedProgress : public CRSProgress {
public:
    explicit ScriptedProgress(int stopAtReport = -1) : stopAt_(stopAtReport) {}
    int Progress(int percent) override {
        reports.push_back(percent);
        if (stopAt_ >= 0 && static_cast<int>(reports.size()) > stopAt_)
            return 0;
        return CRSProgress::Progress(percent);
    }
    std::vector<int> reports;

private:
    int stopAt_;
};

// Clears the process-wide engine flags around a test.
struct EngineFlagsGuard {
    EngineFlagsGuard() { Reset(); }
    ~EngineFlagsGuard() { Reset(); }
    static void Reset() {
        g_bAbortResize = 0;
        g_nProgressPercent = 0;
        g_bResizeOutOfMemory = 0;
    }
};

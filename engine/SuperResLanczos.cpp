#include "engine/SuperResLanczos.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "engine/KernelResample.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace SuperRes {
namespace {

constexpr int kWeightOne = 4096;

// Whole part and phase (in 1/256) of the source position of output index i.
struct Position {
    long long whole;
    int phase;
};

Position SourcePosition(long long i, int srcSize, int dstSize) {
    const long long scaled = i * srcSize;
    const long long whole = scaled / dstSize;
    // floor(256 * i * src / dst) - 256 * whole, without forming 256 * i * src.
    return {whole, static_cast<int>((scaled % dstSize) * kLanczosPhases / dstSize)};
}

struct Tables {
    int taps = 0;                   // 2R
    std::vector<int> phase;         // kLanczosPhases rows of `taps` weights
    std::vector<int> columnSlot;    // per output column: its slot among the phases in use
    std::vector<int> slotPhase;     // phase of each slot
    std::vector<int> columnOffset;  // per output column, `taps` byte offsets into a source row
    std::vector<int> rowPhase;      // per output row
    std::vector<long long> rowWhole;
    std::vector<int> scratch;       // per band: slots x taps x taps two-dimensional weights
};

void BuildTables(Tables& t, const ResampleParams& p, int radius, int channels) {
    t.taps = 2 * radius;
    t.phase.resize(static_cast<std::size_t>(kLanczosPhases) * t.taps);
    for (int k = 0; k < kLanczosPhases; ++k)
        for (int tap = 0; tap < t.taps; ++tap) {
            const double x = (tap - (radius - 1)) - k / static_cast<double>(kLanczosPhases);
            t.phase[static_cast<std::size_t>(k) * t.taps + tap] =
                static_cast<int>(KernelValue(x, p.support, p.window, p.type) * kWeightOne + 0.5);
        }

    std::vector<int> slotOf(kLanczosPhases, -1);
    t.columnSlot.resize(p.dstW);
    t.columnOffset.resize(static_cast<std::size_t>(p.dstW) * t.taps);
    for (int x = 0; x < p.dstW; ++x) {
        const Position pos = SourcePosition(x, p.srcW, p.dstW);
        if (slotOf[pos.phase] < 0) {
            slotOf[pos.phase] = static_cast<int>(t.slotPhase.size());
            t.slotPhase.push_back(pos.phase);
        }
        t.columnSlot[x] = slotOf[pos.phase];
        for (int u = 0; u < t.taps; ++u)
            t.columnOffset[static_cast<std::size_t>(x) * t.taps + u] =
                channels * ClampIndex(pos.whole - radius + 1 + u, p.srcW);
    }
    t.rowPhase.resize(p.dstH);
    t.rowWhole.resize(p.dstH);
    for (int y = 0; y < p.dstH; ++y) {
        const Position pos = SourcePosition(y, p.srcH, p.dstH);
        t.rowPhase[y] = pos.phase;
        t.rowWhole[y] = pos.whole;
    }
    t.scratch.resize(static_cast<std::size_t>(kBands) * t.slotPhase.size() * t.taps * t.taps);
}

template <int Channels>
void ResampleRow(const ResampleParams& p, const Tables& t, int* weights, int y) {
    const int taps = t.taps;
    const int radius = taps / 2;
    const int* vertical = &t.phase[static_cast<std::size_t>(t.rowPhase[y]) * taps];

    // The two-dimensional weights of this row for every horizontal phase in use.
    for (std::size_t slot = 0; slot < t.slotPhase.size(); ++slot) {
        const int* horizontal = &t.phase[static_cast<std::size_t>(t.slotPhase[slot]) * taps];
        int* w = weights + slot * taps * taps;
        for (int v = 0; v < taps; ++v)
            for (int u = 0; u < taps; ++u)
                w[v * taps + u] = (horizontal[u] * vertical[v]) >> 8;
    }

    const std::uint8_t* rows[2 * kLanczosMaxRadius];
    for (int v = 0; v < taps; ++v)
        rows[v] = p.src + static_cast<std::ptrdiff_t>(ClampIndex(t.rowWhole[y] - radius + 1 + v, p.srcH)) *
                              p.srcStride;

    std::uint8_t* out = p.dst + static_cast<std::ptrdiff_t>(y) * p.dstStride;
    for (int x = 0; x < p.dstW; ++x) {
        const int* w = weights + static_cast<std::size_t>(t.columnSlot[x]) * taps * taps;
        const int* offsets = &t.columnOffset[static_cast<std::size_t>(x) * taps];
        int sum[Channels] = {};
        for (int v = 0; v < taps; ++v) {
            const std::uint8_t* row = rows[v];
            const int* wv = w + v * taps;
            for (int u = 0; u < taps; ++u) {
                const std::uint8_t* px = row + offsets[u];
                for (int c = 0; c < Channels; ++c)
                    sum[c] += wv[u] * px[c];
            }
        }
        for (int c = 0; c < Channels; ++c)
            out[Channels * x + c] = ClampToByte(sum[c] >> 16);
    }
}

}  // namespace

bool ResampleLanczos(const ResampleParams& p) {
    if (p.type == 0 || !p.dst || !p.src || p.srcW <= 0 || p.srcH <= 0 || p.dstW <= 0 || p.dstH <= 0)
        return false;
    if (!(p.support > 0 && p.support <= kLanczosMaxRadius))
        return false;
    const int channels = p.colour ? 3 : 1;
    if (p.srcStride < static_cast<long long>(p.srcW) * channels ||
        p.dstStride < static_cast<long long>(p.dstW) * channels)
        return false;
    const int radius = static_cast<int>(std::ceil(p.support));

    Tables t;
    try {
        BuildTables(t, p, radius, channels);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return false;
    }

    const int bandRows = (p.dstH + kBands - 1) / kBands;
    const std::size_t bandScratch = t.slotPhase.size() * t.taps * t.taps;
    std::atomic<bool> stopped{false};
    ForEachBand(p.dstH, p.parallel, [&](int first, int end) {
        int* weights = &t.scratch[static_cast<std::size_t>(first / bandRows) * bandScratch];
        for (int y = first; y < end; ++y) {
            if (Stopped(p.abort)) {
                stopped.store(true, std::memory_order_relaxed);
                return;
            }
            if (channels == 3)
                ResampleRow<3>(p, t, weights, y);
            else
                ResampleRow<1>(p, t, weights, y);
        }
    });
    return !stopped.load(std::memory_order_relaxed);
}

}  // namespace SuperRes

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
    t.scratch.resize(static_cast<std::size_t>(kBands) * t.slotPhase.size() * t.taps * t.taps * channels);
}

// The two-dimensional weights (wh * wv) >> 8 of row y for every horizontal
// phase in use: per slot, taps rows of taps * Channels weights, each weight
// repeated for the channels so that a run of interleaved source bytes meets
// its weights one to one.
template <int Channels>
void RowWeights(const Tables& t, int y, int* weights) {
    const int taps = t.taps;
    const int* vertical = &t.phase[static_cast<std::size_t>(t.rowPhase[y]) * taps];
    for (std::size_t slot = 0; slot < t.slotPhase.size(); ++slot) {
        const int* horizontal = &t.phase[static_cast<std::size_t>(t.slotPhase[slot]) * taps];
        int* w = weights + slot * taps * taps * Channels;
        for (int v = 0; v < taps; ++v)
            for (int u = 0; u < taps; ++u)
                for (int c = 0; c < Channels; ++c)
                    w[(v * taps + u) * Channels + c] = (horizontal[u] * vertical[v]) >> 8;
    }
}

struct RowContext {
    const std::uint8_t* rows[2 * kLanczosMaxRadius];
    std::uint8_t* out;
};

RowContext RowPointers(const ResampleParams& p, const Tables& t, int y) {
    RowContext r;
    const int radius = t.taps / 2;
    for (int v = 0; v < t.taps; ++v)
        r.rows[v] = p.src + static_cast<std::ptrdiff_t>(ClampIndex(t.rowWhole[y] - radius + 1 + v, p.srcH)) *
                                p.srcStride;
    r.out = p.dst + static_cast<std::ptrdiff_t>(y) * p.dstStride;
    return r;
}

// One output pixel through the clamped column offsets (any tap count).
template <int Channels>
void ClampedPixel(const RowContext& r, const Tables& t, const int* weights, int x) {
    const int taps = t.taps;
    const int* w = weights + static_cast<std::size_t>(t.columnSlot[x]) * taps * taps * Channels;
    const int* offsets = &t.columnOffset[static_cast<std::size_t>(x) * taps];
    int sum[Channels] = {};
    for (int v = 0; v < taps; ++v) {
        const std::uint8_t* row = r.rows[v];
        const int* wv = w + v * taps * Channels;
        for (int u = 0; u < taps; ++u)
            for (int c = 0; c < Channels; ++c)
                sum[c] += wv[u * Channels + c] * row[offsets[u] + c];
    }
    for (int c = 0; c < Channels; ++c)
        r.out[Channels * x + c] = ClampToByte(sum[c] >> 16);
}

template <int Channels>
void ResampleRow(const ResampleParams& p, const Tables& t, int* weights, int y) {
    RowWeights<Channels>(t, y, weights);
    const RowContext r = RowPointers(p, t, y);
    for (int x = 0; x < p.dstW; ++x)
        ClampedPixel<Channels>(r, t, weights, x);
}

// The common case of the super-resolution driver, Lanczos-4 on B, G, R: where
// all 8 columns of a pixel lie inside the row, its 24 source bytes are
// contiguous and meet their 24 weights in one vectorisable loop per row.
constexpr int kBgrTaps = 8;
constexpr int kBgrRun = 3 * kBgrTaps;

__attribute__((target_clones("avx2", "default")))
void ResampleRowBgr8(const ResampleParams& p, const Tables& t, int* weights, int y) {
    RowWeights<3>(t, y, weights);
    const RowContext r = RowPointers(p, t, y);
    for (int x = 0; x < p.dstW; ++x) {
        const int* offsets = &t.columnOffset[static_cast<std::size_t>(x) * kBgrTaps];
        if (offsets[kBgrTaps - 1] - offsets[0] != 3 * (kBgrTaps - 1)) {
            ClampedPixel<3>(r, t, weights, x);
            continue;
        }
        const int* w = weights + static_cast<std::size_t>(t.columnSlot[x]) * kBgrTaps * kBgrRun;
        int acc[kBgrRun] = {};
        for (int v = 0; v < kBgrTaps; ++v) {
            const std::uint8_t* px = r.rows[v] + offsets[0];
            const int* wv = w + v * kBgrRun;
            for (int i = 0; i < kBgrRun; ++i)
                acc[i] += wv[i] * px[i];
        }
        int sum[3] = {};
        for (int u = 0; u < kBgrTaps; ++u)
            for (int c = 0; c < 3; ++c)
                sum[c] += acc[3 * u + c];
        for (int c = 0; c < 3; ++c)
            r.out[3 * x + c] = ClampToByte(sum[c] >> 16);
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
    const std::size_t bandScratch = t.slotPhase.size() * t.taps * t.taps * channels;
    std::atomic<bool> stopped{false};
    ForEachBand(p.dstH, p.parallel, [&](int first, int end) {
        int* weights = &t.scratch[static_cast<std::size_t>(first / bandRows) * bandScratch];
        for (int y = first; y < end; ++y) {
            if (Stopped(p.abort)) {
                stopped.store(true, std::memory_order_relaxed);
                return;
            }
            if (channels == 3 && t.taps == kBgrTaps)
                ResampleRowBgr8(p, t, weights, y);
            else if (channels == 3)
                ResampleRow<3>(p, t, weights, y);
            else
                ResampleRow<1>(p, t, weights, y);
        }
    });
    return !stopped.load(std::memory_order_relaxed);
}

}  // namespace SuperRes

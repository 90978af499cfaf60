#include "engine/KernelResample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include <tbb/task_arena.h>

#include "engine/ParallelFor.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kMaxRadius = 256;

double SincWindowed(double a, double support, double window) {
    if (a == 0.0)
        return 1.0;
    if (a >= support)
        return 0.0;
    const double d = kPi * a;
    if (window == 1.0)
        return std::sin(d / support) / (d / support) * std::sin(d) / d;
    if (window == 2.0)
        return (0.5 * std::cos(d / support) + 0.5) * std::sin(d) / d;
    if (window == 3.0)
        return std::sin(d) / d * (1.0 - a / support);
    if (window == 4.0)
        return 0.5 * std::cos(d / support) + 0.5;
    return 0.0;
}

double Cubic(double a, double b, double c) {
    if (a < 1.0)
        return ((12 - 9 * b - 6 * c) * a * a * a + (-18 + 12 * b + 6 * c) * a * a + (6 - 2 * b)) / 6;
    if (a < 2.0)
        return ((-b - 6 * c) * a * a * a + (6 * b + 30 * c) * a * a + (-12 * b - 48 * c) * a +
                (8 * b + 24 * c)) / 6;
    return 0.0;
}

// Kernel radius in pixels, or 0 when the arguments give no usable kernel.
int KernelRadius(double support, int type) {
    if (type == 1 || type == 2)
        return type;
    if (!std::isfinite(support))
        return 0;
    const double r = std::ceil(support);
    return (r >= 1 && r <= kMaxRadius) ? static_cast<int>(r) : 0;
}

// Source position of output index i: the whole part and the phase
// trunc(1024 * fraction), clamped to the table.
struct Tap {
    long long whole;
    int phase;
};

Tap SourceTap(long long i, int srcSize, int dstSize) {
    const long long scaled = i * srcSize;
    const long long whole = scaled / dstSize;
    const double exact = static_cast<double>(scaled) / dstSize;
    const int phase = static_cast<int>(kKernelPhases * std::fabs(exact - static_cast<double>(whole)));
    return {whole, std::clamp(phase, 0, kKernelPhases - 1)};
}

// Everything the per-row work reads: the phase table and, per output column,
// the slot of its phase among the distinct column phases and its clamped
// source columns.
struct ResampleTables {
    int taps = 0;                     // 2R
    std::vector<double> phaseTable;   // kKernelPhases rows of `taps` weights
    std::vector<int> phases;          // the distinct phases of the columns
    std::vector<int> columnSlot;      // dstW indices into `phases`
    std::vector<int> columnIndex;     // dstW rows of `taps` source columns
};

void BuildTables(ResampleTables& t, int radius, double support, double param, int type,
                 int srcW, int dstW) {
    t.taps = 2 * radius;
    t.phaseTable.resize(static_cast<std::size_t>(kKernelPhases) * t.taps);
    for (int k = 0; k < kKernelPhases; ++k)
        for (int tap = 0; tap < t.taps; ++tap)
            t.phaseTable[static_cast<std::size_t>(k) * t.taps + tap] =
                KernelValue((tap + 1 - radius) - k / 1024.0, support, param, type);

    std::vector<int> slotOfPhase(kKernelPhases, -1);
    t.columnSlot.resize(dstW);
    t.columnIndex.resize(static_cast<std::size_t>(dstW) * t.taps);
    for (int x = 0; x < dstW; ++x) {
        const Tap tap = SourceTap(x, srcW, dstW);
        if (slotOfPhase[tap.phase] < 0) {
            slotOfPhase[tap.phase] = static_cast<int>(t.phases.size());
            t.phases.push_back(tap.phase);
        }
        t.columnSlot[x] = slotOfPhase[tap.phase];
        for (int u = 0; u < t.taps; ++u)
            t.columnIndex[static_cast<std::size_t>(x) * t.taps + u] =
                ClampIndex(tap.whole - radius + 1 + u, srcW);
    }
}

// The products horizontal[u] * vertical[v] of one output row, per column
// phase slot, laid out v-major. Multiplying them once per row instead of once
// per pixel gives the very same doubles.
void RowWeights(const ResampleTables& t, const double* vertical, std::vector<double>& weights) {
    const int taps = t.taps;
    const std::size_t perSlot = static_cast<std::size_t>(taps) * taps;
    weights.resize(t.phases.size() * perSlot);
    for (std::size_t slot = 0; slot < t.phases.size(); ++slot) {
        const double* horizontal = &t.phaseTable[static_cast<std::size_t>(t.phases[slot]) * taps];
        double* w = &weights[slot * perSlot];
        for (int v = 0; v < taps; ++v)
            for (int u = 0; u < taps; ++u)
                w[v * taps + u] = horizontal[u] * vertical[v];
    }
}

// One output row. Each pixel is the sum over v, then u, in that order, of
// (horizontal[u] * vertical[v]) * sample.
void ResampleRow(std::uint8_t* out, long long y, const ResampleTables& t, const std::uint8_t* src,
                 int srcW, int srcH, int dstW, int dstH, std::vector<double>& weights) {
    const int taps = t.taps;
    const int radius = taps / 2;
    const Tap rowTap = SourceTap(y, srcH, dstH);
    RowWeights(t, &t.phaseTable[static_cast<std::size_t>(rowTap.phase) * taps], weights);

    const std::uint8_t* rows[2 * kMaxRadius];
    for (int v = 0; v < taps; ++v)
        rows[v] = src + PlaneBytes(ClampIndex(rowTap.whole - radius + 1 + v, srcH), srcW);

    const std::size_t perSlot = static_cast<std::size_t>(taps) * taps;
    for (int x = 0; x < dstW; ++x) {
        const double* w = &weights[t.columnSlot[x] * perSlot];
        const int* columns = &t.columnIndex[static_cast<std::size_t>(x) * taps];
        double sum = 0.0;
        for (int v = 0; v < taps; ++v) {
            const std::uint8_t* row = rows[v];
            for (int u = 0; u < taps; ++u)
                sum += w[v * taps + u] * row[columns[u]];
        }
        out[x] = ClampToByte(static_cast<long long>(sum + 0.5));
    }
}

// Rows computed in parallel per block before they are handed out one by one.
int RowsPerBlock(int dstH) {
    return std::clamp(4 * tbb::this_task_arena::max_concurrency(), 1, dstH);
}

}  // namespace

double KernelValue(double x, double p1, double p2, int type) {
    const double a = std::fabs(x);
    switch (type) {
    case 1:
        return a < 1.0 ? 1.0 - a : 0.0;
    case 2:
        return Cubic(a, p1, p2);
    case 3:
        return SincWindowed(a, p1, p2);
    default:
        return a < 0.5 ? 1.0 : 0.0;
    }
}

int KernelResample(std::uint8_t* dst, const std::uint8_t* src, int srcW, int srcH, int dstW,
                   int dstH, double support, double param, int type, CRSProgress* progress) {
    if (type == 0 || !dst || !src || srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        return 0;
    const int radius = KernelRadius(support, type);
    if (radius == 0)
        return 0;

    ResampleTables tables;
    std::vector<std::uint8_t> staging;
    const int block = RowsPerBlock(dstH);
    try {
        BuildTables(tables, radius, support, param, type, srcW, dstW);
        staging.resize(PlaneBytes(block, dstW));
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return 0;
    }

    for (int first = 0; first < dstH; first += block) {
        const int last = std::min(dstH, first + block);
        try {
            ParallelFor(first, last, [&](int begin, int end) {
                std::vector<double> weights;
                for (int y = begin; y != end; ++y)
                    ResampleRow(&staging[PlaneBytes(y - first, dstW)], y, tables, src, srcW, srcH,
                                dstW, dstH, weights);
            });
        } catch (const std::bad_alloc&) {
            g_bResizeOutOfMemory = 1;
            return 0;
        }
        for (int y = first; y < last; ++y) {
            std::memcpy(dst + PlaneBytes(y, dstW), &staging[PlaneBytes(y - first, dstW)], dstW);
            if (!ReportRow(progress, y, dstH))
                return 0;
        }
    }
    return 1;
}

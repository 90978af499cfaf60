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

// Output columns computed side by side: each keeps its own sum in its own
// order, the lanes only overlap the sums of neighbouring columns.
constexpr int kColumnLanes = 8;

// Everything the per-row work reads: the phase table and, per output column,
// its phase and its clamped source columns; and for each whole group of
// kColumnLanes columns the same weights and columns tap by tap,
// [group][tap][lane].
struct ResampleTables {
    int taps = 0;                     // 2R
    std::vector<double> phaseTable;   // kKernelPhases rows of `taps` weights
    std::vector<int> columnPhase;     // dstW
    std::vector<int> columnIndex;     // dstW rows of `taps` source columns
    std::vector<double> laneWeights;  // groups * taps * kColumnLanes
    std::vector<int> laneColumns;     // groups * taps * kColumnLanes
};

void BuildTables(ResampleTables& t, int radius, double support, double param, int type,
                 int srcW, int dstW) {
    t.taps = 2 * radius;
    t.phaseTable.resize(static_cast<std::size_t>(kKernelPhases) * t.taps);
    for (int k = 0; k < kKernelPhases; ++k)
        for (int tap = 0; tap < t.taps; ++tap)
            t.phaseTable[static_cast<std::size_t>(k) * t.taps + tap] =
                KernelValue((tap + 1 - radius) - k / 1024.0, support, param, type);

    t.columnPhase.resize(dstW);
    t.columnIndex.resize(static_cast<std::size_t>(dstW) * t.taps);
    for (int x = 0; x < dstW; ++x) {
        const Tap tap = SourceTap(x, srcW, dstW);
        t.columnPhase[x] = tap.phase;
        for (int u = 0; u < t.taps; ++u)
            t.columnIndex[static_cast<std::size_t>(x) * t.taps + u] =
                ClampIndex(tap.whole - radius + 1 + u, srcW);
    }

    const int groups = dstW / kColumnLanes;
    t.laneWeights.resize(static_cast<std::size_t>(groups) * t.taps * kColumnLanes);
    t.laneColumns.resize(t.laneWeights.size());
    for (int g = 0; g < groups; ++g)
        for (int u = 0; u < t.taps; ++u)
            for (int l = 0; l < kColumnLanes; ++l) {
                const int x = g * kColumnLanes + l;
                const std::size_t at = (static_cast<std::size_t>(g) * t.taps + u) * kColumnLanes + l;
                t.laneWeights[at] = t.phaseTable[static_cast<std::size_t>(t.columnPhase[x]) * t.taps + u];
                t.laneColumns[at] = t.columnIndex[static_cast<std::size_t>(x) * t.taps + u];
            }
}

// kColumnLanes output columns of group g: per column
// sum over v, then u, of (h[u] * wv) * src.
void ResampleGroup(std::uint8_t* out, int g, const ResampleTables& t, const double* vertical,
                   const double* const* rows) {
    static_assert(kColumnLanes == 8);
    const int taps = t.taps;
    const double* h = &t.laneWeights[static_cast<std::size_t>(g) * taps * kColumnLanes];
    const int* c = &t.laneColumns[static_cast<std::size_t>(g) * taps * kColumnLanes];
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0, s5 = 0.0, s6 = 0.0, s7 = 0.0;
    for (int v = 0; v < taps; ++v) {
        const double* row = rows[v];
        const double wv = vertical[v];
        for (int u = 0; u < taps; ++u) {
            const double* hu = h + u * kColumnLanes;
            const int* cu = c + u * kColumnLanes;
            s0 += (hu[0] * wv) * row[cu[0]];
            s1 += (hu[1] * wv) * row[cu[1]];
            s2 += (hu[2] * wv) * row[cu[2]];
            s3 += (hu[3] * wv) * row[cu[3]];
            s4 += (hu[4] * wv) * row[cu[4]];
            s5 += (hu[5] * wv) * row[cu[5]];
            s6 += (hu[6] * wv) * row[cu[6]];
            s7 += (hu[7] * wv) * row[cu[7]];
        }
    }
    const double sums[kColumnLanes] = {s0, s1, s2, s3, s4, s5, s6, s7};
    for (int l = 0; l < kColumnLanes; ++l)
        out[l] = ClampToByte(static_cast<long long>(sums[l] + 0.5));
}

// Output row y. `samples` holds taps * srcW doubles: the tap rows are
// converted once per output row instead of once per tap and output pixel.
void ResampleRow(std::uint8_t* out, long long y, const ResampleTables& t, const std::uint8_t* src,
                 int srcW, int srcH, int dstW, int dstH, double* samples) {
    const int taps = t.taps;
    const int radius = taps / 2;
    const Tap rowTap = SourceTap(y, srcH, dstH);
    const double* vertical = &t.phaseTable[static_cast<std::size_t>(rowTap.phase) * taps];

    const double* rows[2 * kMaxRadius];
    for (int v = 0; v < taps; ++v) {
        const std::uint8_t* in = src + PlaneBytes(ClampIndex(rowTap.whole - radius + 1 + v, srcH), srcW);
        double* row = samples + PlaneBytes(v, srcW);
        for (int x = 0; x < srcW; ++x)
            row[x] = in[x];
        rows[v] = row;
    }

    const int groups = dstW / kColumnLanes;
    for (int g = 0; g < groups; ++g)
        ResampleGroup(out + g * kColumnLanes, g, t, vertical, rows);

    for (int x = groups * kColumnLanes; x < dstW; ++x) {
        const double* horizontal = &t.phaseTable[static_cast<std::size_t>(t.columnPhase[x]) * taps];
        const int* columns = &t.columnIndex[static_cast<std::size_t>(x) * taps];
        double sum = 0.0;
        for (int v = 0; v < taps; ++v) {
            const double* row = rows[v];
            const double wv = vertical[v];
            for (int u = 0; u < taps; ++u)
                sum += (horizontal[u] * wv) * row[columns[u]];
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
                std::vector<double> samples(PlaneBytes(tables.taps, srcW));
                for (int y = begin; y != end; ++y)
                    ResampleRow(&staging[PlaneBytes(y - first, dstW)], y, tables, src, srcW, srcH,
                                dstW, dstH, samples.data());
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

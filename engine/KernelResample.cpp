#include "engine/KernelResample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include <tbb/task_arena.h>

#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "engine/TargetClones.h"
#include "platform/threads/ParallelFor.h"

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
        return ((-b - 6 * c) * a * a * a + (6 * b + 30 * c) * a * a + (-12 * b - 48 * c) * a + (8 * b + 24 * c)) / 6;
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

// Columns of one phase share their horizontal weights, so their products
// h[u] * wv are one product; when their first taps are also evenly spaced
// and all taps lie inside the row (every whole or simple factor away from
// the edges), sixteen of them go through vector lanes together.
constexpr int kPhaseLanes = 16;

struct PhaseGroup {
    int phase;
    int start;  // first tap of the first column
    int step;   // first taps of successive columns are this far apart
    int x[kPhaseLanes];
};

// Everything the per-row work reads: the phase table and, per output column,
// its phase and its clamped source columns; the phase groups; and for the
// remaining columns, kColumnLanes at a time, the same weights and columns tap
// by tap, [group][tap][lane], with the last few columns on their own.
struct ResampleTables {
    int taps = 0;                    // 2R
    std::vector<double> phaseTable;  // kKernelPhases rows of `taps` weights
    std::vector<int> columnPhase;    // dstW
    std::vector<int> columnIndex;    // dstW rows of `taps` source columns
    std::vector<PhaseGroup> phaseGroups;
    std::vector<int> laneX;           // the other columns, in order
    std::vector<double> laneWeights;  // laneX.size() / kColumnLanes * taps * kColumnLanes
    std::vector<int> laneColumns;     // the same layout
};

// Splits the columns into phase groups and the rest.
void GroupColumns(ResampleTables& t, int radius, int srcW, int dstW) {
    std::vector<std::vector<int>> byPhase(kKernelPhases);
    for (int x = 0; x < dstW; ++x)
        byPhase[t.columnPhase[x]].push_back(x);
    auto firstTap = [&](int x) { return static_cast<long long>(x) * srcW / dstW - radius + 1; };

    std::vector<char> grouped(dstW, 0);
    for (int phase = 0; phase < kKernelPhases; ++phase) {
        const std::vector<int>& xs = byPhase[phase];
        std::size_t i = 0;
        while (i + kPhaseLanes <= xs.size()) {
            const long long start = firstTap(xs[i]);
            const long long step = firstTap(xs[i + 1]) - start;
            bool even = step >= 1 && start >= 0 && start + step * (kPhaseLanes - 1) + t.taps <= srcW;
            for (int l = 2; even && l < kPhaseLanes; ++l)
                even = firstTap(xs[i + l]) == start + step * l;
            if (!even) {
                ++i;
                continue;
            }
            PhaseGroup g{phase, static_cast<int>(start), static_cast<int>(step), {}};
            for (int l = 0; l < kPhaseLanes; ++l) {
                g.x[l] = xs[i + l];
                grouped[xs[i + l]] = 1;
            }
            t.phaseGroups.push_back(g);
            i += kPhaseLanes;
        }
    }
    for (int x = 0; x < dstW; ++x)
        if (!grouped[x])
            t.laneX.push_back(x);
}

void BuildTables(ResampleTables& t, int radius, double support, double param, int type, int srcW, int dstW) {
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
            t.columnIndex[static_cast<std::size_t>(x) * t.taps + u] = ClampIndex(tap.whole - radius + 1 + u, srcW);
    }
    GroupColumns(t, radius, srcW, dstW);

    const std::size_t groups = t.laneX.size() / kColumnLanes;
    t.laneWeights.resize(groups * t.taps * kColumnLanes);
    t.laneColumns.resize(t.laneWeights.size());
    for (std::size_t g = 0; g < groups; ++g)
        for (int u = 0; u < t.taps; ++u)
            for (int l = 0; l < kColumnLanes; ++l) {
                const int x = t.laneX[g * kColumnLanes + l];
                const std::size_t at = (g * t.taps + u) * kColumnLanes + l;
                t.laneWeights[at] = t.phaseTable[static_cast<std::size_t>(t.columnPhase[x]) * t.taps + u];
                t.laneColumns[at] = t.columnIndex[static_cast<std::size_t>(x) * t.taps + u];
            }
}

using Double4 = double __attribute__((vector_size(32)));

// The taps of one axis whose weight is not zero, in order. A zero weight
// (the Catmull-Rom and the windows' exact zeros, at whole positions) makes
// a zero product: leaving it out of a sum changes nothing, since no sum here
// is -0 (it starts at +0, and a sum of terms of both signs comes out +0).
struct LiveTaps {
    int count = 0;
    int tap[2 * kMaxRadius];
};

LiveTaps NonZeroTaps(const double* weights, int taps) {
    LiveTaps live;
    for (int t = 0; t < taps; ++t)
        if (weights[t] != 0.0)
            live.tap[live.count++] = t;
    return live;
}

// The sixteen columns of a phase group: per column
// sum over v, then u, of (h[u] * wv) * src, the product shared. Four sums
// of four columns each, kept in registers.
template <bool kAdjacent>
VESPERA_WIDE_VECTORS void ResamplePhaseGroup(std::uint8_t* out, const PhaseGroup& g, const ResampleTables& t,
                                             const double* vertical, const LiveTaps& rowTaps,
                                             const double* const* rows) {
    static_assert(kPhaseLanes == 16);
    const double* h = &t.phaseTable[static_cast<std::size_t>(g.phase) * t.taps];
    const LiveTaps columnTaps = NonZeroTaps(h, t.taps);
    const std::ptrdiff_t step = g.step;
    auto load = [](const double* p, std::ptrdiff_t apart, Double4& v) {
        if constexpr (kAdjacent)
            __builtin_memcpy(&v, p, sizeof v);
        else
            v = Double4{p[0], p[apart], p[2 * apart], p[3 * apart]};
    };
    Double4 s0 = {0.0, 0.0, 0.0, 0.0}, s1 = s0, s2 = s0, s3 = s0;
    for (int i = 0; i < rowTaps.count; ++i) {
        const int v = rowTaps.tap[i];
        const double* row = rows[v] + g.start;
        const double wv = vertical[v];
        for (int j = 0; j < columnTaps.count; ++j) {
            const int u = columnTaps.tap[j];
            const double product = h[u] * wv;
            const Double4 w = {product, product, product, product};
            const double* p = row + u;
            Double4 a, b, c, d;
            load(p, step, a);
            load(p + 4 * step, step, b);
            load(p + 8 * step, step, c);
            load(p + 12 * step, step, d);
            s0 += w * a;
            s1 += w * b;
            s2 += w * c;
            s3 += w * d;
        }
    }
    const Double4 sums[4] = {s0, s1, s2, s3};
    for (int q = 0; q < 4; ++q)
        for (int l = 0; l < 4; ++l)
            out[g.x[4 * q + l]] = ClampToByte(static_cast<long long>(sums[q][l] + 0.5));
}

// kColumnLanes output columns of group g: per column
// sum over v, then u, of (h[u] * wv) * src.
void ResampleGroup(std::uint8_t* out, int g, const ResampleTables& t, const double* vertical, const LiveTaps& rowTaps,
                   const double* const* rows) {
    static_assert(kColumnLanes == 8);
    const int taps = t.taps;
    const double* h = &t.laneWeights[static_cast<std::size_t>(g) * taps * kColumnLanes];
    const int* c = &t.laneColumns[static_cast<std::size_t>(g) * taps * kColumnLanes];
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0, s4 = 0.0, s5 = 0.0, s6 = 0.0, s7 = 0.0;
    for (int i = 0; i < rowTaps.count; ++i) {
        const int v = rowTaps.tap[i];
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
    const int* xs = &t.laneX[static_cast<std::size_t>(g) * kColumnLanes];
    for (int l = 0; l < kColumnLanes; ++l)
        out[xs[l]] = ClampToByte(static_cast<long long>(sums[l] + 0.5));
}

// Output row y. `samples` holds taps * srcW doubles: the tap rows are
// converted once per output row instead of once per tap and output pixel
// (only those with a weight: the others are never read).
void ResampleRow(std::uint8_t* out, long long y, const ResampleTables& t, const std::uint8_t* src, int srcW, int srcH,
                 int dstH, double* samples) {
    const int taps = t.taps;
    const int radius = taps / 2;
    const Tap rowTap = SourceTap(y, srcH, dstH);
    const double* vertical = &t.phaseTable[static_cast<std::size_t>(rowTap.phase) * taps];

    const LiveTaps rowTaps = NonZeroTaps(vertical, taps);
    const double* rows[2 * kMaxRadius];
    for (int i = 0; i < rowTaps.count; ++i) {
        const int v = rowTaps.tap[i];
        const std::uint8_t* in = src + PlaneBytes(ClampIndex(rowTap.whole - radius + 1 + v, srcH), srcW);
        double* row = samples + PlaneBytes(v, srcW);
        for (int x = 0; x < srcW; ++x)
            row[x] = in[x];
        rows[v] = row;
    }

    for (const PhaseGroup& g : t.phaseGroups) {
        if (g.step == 1)
            ResamplePhaseGroup<true>(out, g, t, vertical, rowTaps, rows);
        else
            ResamplePhaseGroup<false>(out, g, t, vertical, rowTaps, rows);
    }

    const int groups = static_cast<int>(t.laneX.size() / kColumnLanes);
    for (int g = 0; g < groups; ++g)
        ResampleGroup(out, g, t, vertical, rowTaps, rows);

    for (std::size_t i = static_cast<std::size_t>(groups) * kColumnLanes; i < t.laneX.size(); ++i) {
        const int x = t.laneX[i];
        const double* horizontal = &t.phaseTable[static_cast<std::size_t>(t.columnPhase[x]) * taps];
        const int* columns = &t.columnIndex[static_cast<std::size_t>(x) * taps];
        double sum = 0.0;
        for (int i = 0; i < rowTaps.count; ++i) {
            const int v = rowTaps.tap[i];
            const double* row = rows[v];
            const double wv = vertical[v];
            for (int u = 0; u < taps; ++u)
                sum += (horizontal[u] * wv) * row[columns[u]];
        }
        out[x] = ClampToByte(static_cast<long long>(sum + 0.5));
    }
}

// Rows computed in parallel per block before they are handed out one by one:
// sixteen a thread, so that the wait at each block's end stays small beside
// the block's work.
int RowsPerBlock(int dstH) { return std::clamp(16 * tbb::this_task_arena::max_concurrency(), 1, dstH); }

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

int KernelResample(std::uint8_t* dst, const std::uint8_t* src, int srcW, int srcH, int dstW, int dstH, double support,
                   double param, int type, CRSProgress* progress) {
    if (type == 0 || !dst || !src || srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0)
        return 0;
    const int radius = KernelRadius(support, type);
    if (radius == 0)
        return 0;

    ResampleTables tables;
    std::vector<std::uint8_t> staging[2];
    const int block = RowsPerBlock(dstH);
    try {
        BuildTables(tables, radius, support, param, type, srcW, dstW);
        for (auto& rows : staging)
            rows.resize(PlaneBytes(block, dstW));
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return 0;
    }

    // Each thread converts its tap rows into samples of its own, kept for the
    // whole call (allocated per block they would map fresh pages every time).
    const std::size_t sampleCount = PlaneBytes(tables.taps, srcW);
    PerThread<std::vector<double>> samples([sampleCount] { return std::vector<double>(sampleCount); });

    // Blocks of rows go through two staging buffers. Block b is reported row
    // by row on this thread once computed; then one parallel loop computes
    // block b + 1 and copies block b into dst, kCopyRows rows a task, so the
    // copy no longer leaves the other threads waiting. A stop copies only
    // the rows up to the one whose report said stop.
    constexpr int kCopyRows = 8;
    auto copyRows = [&](int first, int from, int to) {
        std::memcpy(dst + PlaneBytes(from, dstW), &staging[(first / block) & 1][PlaneBytes(from - first, dstW)],
                    PlaneBytes(to - from, dstW));
    };
    int copyFirst = 0, copyLast = 0;  // the reported block waiting to be copied
    for (int first = 0; first < dstH; first += block) {
        const int last = std::min(dstH, first + block);
        std::uint8_t* rows = staging[(first / block) & 1].data();
        const int copyTasks = (copyLast - copyFirst + kCopyRows - 1) / kCopyRows;
        try {
            ParallelFor(0, (last - first) + copyTasks, [&](int begin, int end) {
                for (int i = begin; i != end; ++i) {
                    if (i < last - first) {
                        const int y = first + i;
                        ResampleRow(rows + PlaneBytes(i, dstW), y, tables, src, srcW, srcH, dstH,
                                    samples.local().data());
                    } else {
                        const int from = copyFirst + (i - (last - first)) * kCopyRows;
                        copyRows(copyFirst, from, std::min(copyLast, from + kCopyRows));
                    }
                }
            });
        } catch (const std::bad_alloc&) {
            g_bResizeOutOfMemory = 1;
            return 0;
        }
        for (int y = first; y < last; ++y)
            if (!ReportRow(progress, y, dstH)) {
                copyRows(first, first, y + 1);
                return 0;
            }
        copyFirst = first;
        copyLast = last;
    }
    copyRows(copyFirst, copyFirst, copyLast);
    return 1;
}

#include "engine/LocalRangeClamp.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "engine/GaussianNoise.h"
#include "engine/ParallelRows.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "platform/crt/CrtRandom.h"
#include "platform/threads/ParallelFor.h"

namespace {

// The window [first, last] along one axis of `size` samples for position i:
// centred on i moved inside the plane, then clipped to the plane when the
// window is larger than the plane.
struct Span {
    int first;
    int last;
};

Span WindowSpan(int i, int half, int size) {
    const long long h = half;
    const long long centre = (size >= 2 * h + 1) ? std::clamp<long long>(i, h, size - h - 1) : i;
    return {static_cast<int>(std::max(0LL, centre - h)), static_cast<int>(std::min<long long>(size - 1, centre + h))};
}

// The minima and maxima of one line over each sample's window of half-width
// `half`. Where the window fits, the interior samples take the window
// centred on them, sample by sample offset so that the loops run straight
// along the line, and the border samples copy the nearest interior one.
void LineRanges(std::uint8_t* mins, std::uint8_t* maxs, const std::uint8_t* line, int size, int half) {
    if (size < 2 * static_cast<long long>(half) + 1) {
        for (int x = 0; x < size; ++x) {
            const Span s = WindowSpan(x, half, size);
            mins[x] = *std::min_element(line + s.first, line + s.last + 1);
            maxs[x] = *std::max_element(line + s.first, line + s.last + 1);
        }
        return;
    }
    const int first = half, last = size - half;  // interior [first, last)
    for (int x = first; x < last; ++x) {
        mins[x] = line[x - half];
        maxs[x] = line[x - half];
    }
    for (int d = -half + 1; d <= half; ++d)
        for (int x = first; x < last; ++x) {
            mins[x] = std::min(mins[x], line[x + d]);
            maxs[x] = std::max(maxs[x], line[x + d]);
        }
    std::fill(mins, mins + first, mins[first]);
    std::fill(maxs, maxs + first, maxs[first]);
    std::fill(mins + last, mins + size, mins[last - 1]);
    std::fill(maxs + last, maxs + size, maxs[last - 1]);
}

// The row minima and maxima of the reference over each pixel's horizontal
// window, for the rows [first, last) of a strip (StripRanges).
struct StripRanges {
    std::uint8_t* rowMin;
    std::uint8_t* rowMax;
    int first = 0;  // the plane row at the strip's row 0
    int last = 0;
    std::size_t Offset(int row, int stride) const { return PlaneBytes(row - first, stride); }
};

void ComputeStripRanges(const StripRanges& strip, const std::uint8_t* reference, int width, int stride, int hw) {
    ParallelFor(strip.first, strip.last, [&](int first, int last) {
        for (int y = first; y < last; ++y)
            LineRanges(strip.rowMin + strip.Offset(y, stride), strip.rowMax + strip.Offset(y, stride),
                       reference + PlaneBytes(y, stride), width, hw);
    });
}

// lo and hi of row y: the row ranges over the vertical window.
void WindowRange(std::uint8_t* lo, std::uint8_t* hi, const StripRanges& strip, int width, int height, int stride,
                 int hh, int y) {
    const Span s = WindowSpan(y, hh, height);
    std::copy_n(strip.rowMin + strip.Offset(s.first, stride), width, lo);
    std::copy_n(strip.rowMax + strip.Offset(s.first, stride), width, hi);
    for (int r = s.first + 1; r <= s.last; ++r) {
        const std::uint8_t* mins = strip.rowMin + strip.Offset(r, stride);
        const std::uint8_t* maxs = strip.rowMax + strip.Offset(r, stride);
        for (int x = 0; x < width; ++x) {
            lo[x] = std::min(lo[x], mins[x]);
            hi[x] = std::max(hi[x], maxs[x]);
        }
    }
}

// The stretch depends on the pixel only through the local half-range
// (1..127), so its value, whether it copies the reference, and where
// saturation starts are worked out once per half-range with the very
// expressions the pixels would use.
constexpr int kHalves = 128;

struct StretchTable {
    double k[kHalves];
    bool copies[kHalves];
    int saturatesFrom[kHalves];  // the least |p - mid| with |(p - mid) / half| > 1 / k
};

StretchTable MakeStretchTable(double cf, double q) {
    StretchTable t{};
    for (int half = 1; half < kHalves; ++half) {
        double k = half / cf / q * 0.5;
        if (k < 1)
            k = 1;
        t.k[half] = k;
        t.copies[half] = k == 1;
        int d = 0;
        while (d < 256 && !(std::fabs(static_cast<double>(d) / half) > 1 / k))
            ++d;
        t.saturatesFrom[half] = d;
    }
    return t;
}

// The clamped pixel before any noise; `drawsNoise` tells whether the pixel
// is one that gets the noise term (neither copied nor saturated).
long long ClampPixel(int p, int reference, int lo, int hi, const StretchTable& t, double& k, bool& drawsNoise) {
    drawsNoise = false;
    const int mid = (lo + hi + 1) >> 1;
    const int half = (hi - mid) == 0 ? 1 : hi - mid;
    if (t.copies[half])
        return reference;
    const int d = p - mid;
    if (std::abs(d) >= t.saturatesFrom[half])
        return d > 0 ? hi : lo;
    k = t.k[half];
    drawsNoise = true;
    return static_cast<long long>(d * k + mid);
}

struct ClampJob {
    const std::uint8_t* image;
    const std::uint8_t* reference;
    const StripRanges* ranges;
    std::uint8_t* output;
    int width, height, stride, hh;
    const StretchTable* stretch;
    const std::optional<double>* noise;
};

// Row y of the output. With noise, pixels that take it draw from the calling
// thread's generator in order; without, they are only counted.
long long ClampRow(const ClampJob& j, int y, std::uint8_t* lo, std::uint8_t* hi, bool addNoise) {
    WindowRange(lo, hi, *j.ranges, j.width, j.height, j.stride, j.hh, y);
    const std::size_t row = PlaneBytes(y, j.stride);
    long long draws = 0;
    for (int x = 0; x < j.width; ++x) {
        const std::size_t i = row + x;
        double k = 1;
        bool drawsNoise = false;
        long long v = ClampPixel(j.image[i], j.reference[i], lo[x], hi[x], *j.stretch, k, drawsNoise);
        if (drawsNoise && j.noise->has_value()) {
            if (addNoise)
                v += static_cast<long long>(k * **j.noise) * SixDrawSum() / 163830;
            ++draws;
        }
        j.output[i] = ClampToByte(v);
    }
    return draws;
}

// Copies height rows of stride bytes, spread over the threads.
void CopyRows(std::uint8_t* to, const std::uint8_t* from, int stride, int height) {
    ParallelFor(0, height, [&](int first, int last) {
        std::copy_n(from + PlaneBytes(first, stride), PlaneBytes(last - first, stride), to + PlaneBytes(first, stride));
    });
}

// Output rows are done a strip at a time, with the row ranges of just the
// reference rows the strip's windows reach: two strips of row ranges stay
// in the caches where two planes of them would not.
constexpr int kStripRows = 256;

int ClampPlane(std::uint8_t* image, const std::uint8_t* reference, int width, int height, int stride, int winW,
               int winH, double sx, double sy, double cf, const std::optional<double>& noise, CRSProgress* progress) {
    if (!image || !reference || width <= 0 || height <= 0 || stride < width || winW < 0 || winH < 0 || !(sx > 0) ||
        !(sy > 0) || !(cf > 0) || (noise && !std::isfinite(*noise)))
        return 0;
    const std::size_t bytes = PlaneBytes(stride, height);
    const int hw = winW / 2, hh = winH / 2;
    const int stripRows = std::min(height, kStripRows);
    // Rows of row ranges a strip's windows reach at most.
    const int reach = std::min<long long>(height, stripRows + 2LL * hh);

    // With a wider stride the output starts as the image, so that the bytes
    // past each row come back unchanged; the row ranges are written whole for
    // each strip.
    PlaneBuffer output, rowMin, rowMax;
    std::vector<long long> draws;
    try {
        output = NewPlane(bytes);
        if (stride > width)
            CopyRows(output.get(), image, stride, height);
        rowMin = NewPlane(PlaneBytes(stride, reach));
        rowMax = NewPlane(PlaneBytes(stride, reach));
        draws.resize(height);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return 0;
    }

    const StretchTable stretch = MakeStretchTable(cf, std::sqrt(std::sqrt(sx * sy)));
    StripRanges ranges{rowMin.get(), rowMax.get()};
    const ClampJob job{image, reference, &ranges, output.get(), width, height, stride, hh, &stretch, &noise};
    // Real noise must come from this thread's generator in pixel order; noise
    // of 0 adds nothing and only moves the generator on, by the count.
    const bool realNoise = noise && *noise != 0;
    std::vector<std::uint8_t> lo, hi;
    if (realNoise) {
        lo.resize(width);
        hi.resize(width);
    }
    for (int y0 = 0; y0 < height; y0 += stripRows) {
        const int y1 = std::min(height, y0 + stripRows);
        ranges.first = WindowSpan(y0, hh, height).first;
        ranges.last = WindowSpan(y1 - 1, hh, height).last + 1;
        ComputeStripRanges(ranges, reference, width, stride, hw);
        if (realNoise) {
            for (int y = y0; y < y1; ++y) {
                ClampRow(job, y, lo.data(), hi.data(), true);
                if (!ReportRow(progress, y, height))
                    return 0;
            }
            continue;
        }
        const int done = ParallelLinesInOrder(
            y1 - y0, width,
            [&](int first, int last) {
                std::vector<std::uint8_t> rowLo(width), rowHi(width);
                for (int y = y0 + first; y < y0 + last; ++y)
                    draws[y] = ClampRow(job, y, rowLo.data(), rowHi.data(), false);
            },
            [&](int line) {
                const int y = y0 + line;
                platform::CrtRandDiscard(6ULL * draws[y]);
                return ReportRow(progress, y, height);
            });
        if (!done)
            return 0;
    }

    CopyRows(image, output.get(), stride, height);
    return 1;
}

}  // namespace

int LocalRangeClamp(std::uint8_t* image, const std::uint8_t* reference, int width, int height, int stride, int winW,
                    int winH, double sx, double sy, double cf, CRSProgress* progress) {
    return ClampPlane(image, reference, width, height, stride, winW, winH, sx, sy, cf, std::nullopt, progress);
}

int LocalRangeClampNoise(std::uint8_t* image, const std::uint8_t* reference, int width, int height, int stride,
                         int winW, int winH, double sx, double sy, double cf, double noise, CRSProgress* progress) {
    return ClampPlane(image, reference, width, height, stride, winW, winH, sx, sy, cf, noise, progress);
}

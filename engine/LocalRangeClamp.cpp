#include "engine/LocalRangeClamp.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "engine/GaussianNoise.h"
#include "engine/ParallelFor.h"
#include "engine/ParallelRows.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "platform/crt/CrtRandom.h"

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
    return {static_cast<int>(std::max(0LL, centre - h)),
            static_cast<int>(std::min<long long>(size - 1, centre + h))};
}

// The row minima and maxima of the reference over each pixel's horizontal
// window, for rows [first, last).
void RowRanges(std::uint8_t* rowMin, std::uint8_t* rowMax, const std::uint8_t* reference,
               int width, int stride, int hw, int first, int last) {
    for (int y = first; y < last; ++y) {
        const std::uint8_t* row = reference + PlaneBytes(y, stride);
        std::uint8_t* mins = rowMin + PlaneBytes(y, stride);
        std::uint8_t* maxs = rowMax + PlaneBytes(y, stride);
        for (int x = 0; x < width; ++x) {
            const Span s = WindowSpan(x, hw, width);
            std::uint8_t mn = row[s.first], mx = row[s.first];
            for (int i = s.first + 1; i <= s.last; ++i) {
                mn = std::min(mn, row[i]);
                mx = std::max(mx, row[i]);
            }
            mins[x] = mn;
            maxs[x] = mx;
        }
    }
}

// lo and hi of row y: the row ranges over the vertical window.
void WindowRange(std::uint8_t* lo, std::uint8_t* hi, const std::uint8_t* rowMin,
                 const std::uint8_t* rowMax, int width, int height, int stride, int hh, int y) {
    const Span s = WindowSpan(y, hh, height);
    std::copy_n(rowMin + PlaneBytes(s.first, stride), width, lo);
    std::copy_n(rowMax + PlaneBytes(s.first, stride), width, hi);
    for (int r = s.first + 1; r <= s.last; ++r) {
        const std::uint8_t* mins = rowMin + PlaneBytes(r, stride);
        const std::uint8_t* maxs = rowMax + PlaneBytes(r, stride);
        for (int x = 0; x < width; ++x) {
            lo[x] = std::min(lo[x], mins[x]);
            hi[x] = std::max(hi[x], maxs[x]);
        }
    }
}

// The clamped pixel before any noise; `drawsNoise` tells whether the pixel
// is one that gets the noise term (neither copied nor saturated).
long long ClampPixel(int p, int reference, int lo, int hi, double cf, double q, double& k,
                     bool& drawsNoise) {
    drawsNoise = false;
    const int mid = (lo + hi + 1) >> 1;
    const int half = (hi - mid) == 0 ? 1 : hi - mid;
    k = half / cf / q * 0.5;
    if (k < 1)
        k = 1;
    if (k == 1)
        return reference;

    const double t = static_cast<double>(p - mid) / half;
    if (std::fabs(t) > 1 / k)
        return t > 0 ? hi : lo;
    drawsNoise = true;
    return static_cast<long long>((p - mid) * k + mid);
}

struct ClampJob {
    const std::uint8_t* image;
    const std::uint8_t* reference;
    const std::uint8_t* rowMin;
    const std::uint8_t* rowMax;
    std::uint8_t* output;
    int width, height, stride, hh;
    double cf, q;
    const std::optional<double>* noise;
};

// Row y of the output. With noise, pixels that take it draw from the calling
// thread's generator in order; without, they are only counted.
long long ClampRow(const ClampJob& j, int y, std::uint8_t* lo, std::uint8_t* hi, bool addNoise) {
    WindowRange(lo, hi, j.rowMin, j.rowMax, j.width, j.height, j.stride, j.hh, y);
    const std::size_t row = PlaneBytes(y, j.stride);
    long long draws = 0;
    for (int x = 0; x < j.width; ++x) {
        const std::size_t i = row + x;
        double k = 1;
        bool drawsNoise = false;
        long long v = ClampPixel(j.image[i], j.reference[i], lo[x], hi[x], j.cf, j.q, k, drawsNoise);
        if (drawsNoise && j.noise->has_value()) {
            if (addNoise)
                v += static_cast<long long>(k * **j.noise) * SixDrawSum() / 163830;
            ++draws;
        }
        j.output[i] = ClampToByte(v);
    }
    return draws;
}

int ClampPlane(std::uint8_t* image, const std::uint8_t* reference, int width, int height,
               int stride, int winW, int winH, double sx, double sy, double cf,
               const std::optional<double>& noise, CRSProgress* progress) {
    if (!image || !reference || width <= 0 || height <= 0 || stride < width || winW < 0 ||
        winH < 0 || !(sx > 0) || !(sy > 0) || !(cf > 0) || (noise && !std::isfinite(*noise)))
        return 0;
    const double q = std::sqrt(std::sqrt(sx * sy));
    const std::size_t bytes = PlaneBytes(stride, height);

    std::vector<std::uint8_t> output, rowMin, rowMax;
    std::vector<long long> draws;
    try {
        output.assign(image, image + bytes);
        rowMin.resize(bytes);
        rowMax.resize(bytes);
        draws.resize(height);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return 0;
    }

    const int hw = winW / 2, hh = winH / 2;
    ParallelFor(0, height, [&](int first, int last) {
        RowRanges(rowMin.data(), rowMax.data(), reference, width, stride, hw, first, last);
    });

    const ClampJob job{image, reference, rowMin.data(), rowMax.data(), output.data(),
                       width, height, stride, hh, cf, q, &noise};
    // Real noise must come from this thread's generator in pixel order; noise
    // of 0 adds nothing and only moves the generator on, by the count.
    const bool realNoise = noise && *noise != 0;
    if (realNoise) {
        std::vector<std::uint8_t> lo(width), hi(width);
        for (int y = 0; y < height; ++y) {
            ClampRow(job, y, lo.data(), hi.data(), true);
            if (!ReportRow(progress, y, height))
                return 0;
        }
    } else {
        const int done = ParallelLinesInOrder(
            height, width,
            [&](int first, int last) {
                std::vector<std::uint8_t> lo(width), hi(width);
                for (int y = first; y < last; ++y)
                    draws[y] = ClampRow(job, y, lo.data(), hi.data(), false);
            },
            [&](int y) {
                platform::CrtRandDiscard(6ULL * draws[y]);
                return ReportRow(progress, y, height);
            });
        if (!done)
            return 0;
    }

    std::copy(output.begin(), output.end(), image);
    return 1;
}

}  // namespace

int LocalRangeClamp(std::uint8_t* image, const std::uint8_t* reference, int width, int height,
                    int stride, int winW, int winH, double sx, double sy, double cf,
                    CRSProgress* progress) {
    return ClampPlane(image, reference, width, height, stride, winW, winH, sx, sy, cf,
                      std::nullopt, progress);
}

int LocalRangeClampNoise(std::uint8_t* image, const std::uint8_t* reference, int width, int height,
                         int stride, int winW, int winH, double sx, double sy, double cf,
                         double noise, CRSProgress* progress) {
    return ClampPlane(image, reference, width, height, stride, winW, winH, sx, sy, cf, noise,
                      progress);
}

#include "engine/LocalRangeClamp.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <vector>

#include "engine/GaussianNoise.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace {

// The window [first, last] along one axis of `size` samples for position i:
// centred on i moved inside the plane, then clipped to the plane when the
// window is larger than the plane.
struct Span {
    int first;
    int last;
};

Span WindowSpan(int i, int half, int size) {
    const int centre = (size >= 2 * half + 1) ? std::clamp(i, half, size - half - 1) : i;
    return {std::max(0, centre - half), std::min(size - 1, centre + half)};
}

struct RangePlanes {
    std::vector<std::uint8_t> output, rowMin, rowMax, lo, hi;
};

// lo and hi of the reference for every pixel, by a row pass and a column pass.
void LocalRange(RangePlanes& p, const std::uint8_t* reference, int width, int height, int stride,
                int hw, int hh) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = reference + PlaneBytes(y, stride);
        for (int x = 0; x < width; ++x) {
            const Span s = WindowSpan(x, hw, width);
            const auto [mn, mx] = std::minmax_element(row + s.first, row + s.last + 1);
            p.rowMin[PlaneBytes(y, stride) + x] = *mn;
            p.rowMax[PlaneBytes(y, stride) + x] = *mx;
        }
    }
    for (int y = 0; y < height; ++y) {
        const Span s = WindowSpan(y, hh, height);
        for (int x = 0; x < width; ++x) {
            std::uint8_t mn = 255, mx = 0;
            for (int r = s.first; r <= s.last; ++r) {
                mn = std::min(mn, p.rowMin[PlaneBytes(r, stride) + x]);
                mx = std::max(mx, p.rowMax[PlaneBytes(r, stride) + x]);
            }
            p.lo[PlaneBytes(y, stride) + x] = mn;
            p.hi[PlaneBytes(y, stride) + x] = mx;
        }
    }
}

std::uint8_t ClampPixel(int p, int reference, int lo, int hi, double cf, double q,
                        const std::optional<double>& noise) {
    const int mid = (lo + hi + 1) >> 1;
    const int half = (hi - mid) == 0 ? 1 : hi - mid;
    double k = half / cf / q * 0.5;
    if (k < 1)
        k = 1;
    if (k == 1)
        return static_cast<std::uint8_t>(reference);

    const double t = static_cast<double>(p - mid) / half;
    if (std::fabs(t) > 1 / k)
        return static_cast<std::uint8_t>(t > 0 ? hi : lo);
    long long v = static_cast<long long>((p - mid) * k + mid);
    if (noise)
        v += static_cast<long long>(k * *noise) * SixDrawSum() / 163830;
    return ClampToByte(v);
}

int ClampPlane(std::uint8_t* image, const std::uint8_t* reference, int width, int height,
               int stride, int winW, int winH, double sx, double sy, double cf,
               const std::optional<double>& noise, CRSProgress* progress) {
    if (!image || !reference || width <= 0 || height <= 0 || stride < width || winW < 0 ||
        winH < 0 || !(sx > 0) || !(sy > 0) || !(cf > 0) || (noise && !std::isfinite(*noise)))
        return 0;
    const double q = std::sqrt(std::sqrt(sx * sy));
    const std::size_t bytes = PlaneBytes(stride, height);

    RangePlanes planes;
    try {
        planes.output.assign(image, image + bytes);
        for (auto* plane : {&planes.rowMin, &planes.rowMax, &planes.lo, &planes.hi})
            plane->resize(bytes);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return 0;
    }

    LocalRange(planes, reference, width, height, stride, winW / 2, winH / 2);

    for (int y = 0; y < height; ++y) {
        const std::size_t row = PlaneBytes(y, stride);
        for (int x = 0; x < width; ++x) {
            const std::size_t i = row + x;
            planes.output[i] = ClampPixel(image[i], reference[i], planes.lo[i], planes.hi[i], cf, q, noise);
        }
        if (!ReportRow(progress, y, height))
            return 0;
    }

    std::copy(planes.output.begin(), planes.output.end(), image);
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

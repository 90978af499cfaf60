#include "engine/SuperResGaussian.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace SuperRes {
namespace {

using Complex = std::complex<double>;

constexpr double kPi = 3.141592653589793;
constexpr int kColumnLanes = 64;
constexpr double kMinScaledSigma = 0.5;  // columns filtered side by side, for the cache

struct LineFilter {
    double r;
    Complex c;     // r * e^(i theta)
    double gain;
    // Constants of the steady states and of the backward start.
    double realSteady;      // 1 / (1 - r)
    Complex complexSteady;  // 1 / (1 - c)
};

LineFilter MakeFilter(double sigma) {
    const GaussianPoles poles = GaussianPolesFor(sigma);
    LineFilter f;
    f.r = poles.r;
    f.c = std::polar(poles.r, poles.theta);
    f.gain = poles.gain;
    f.realSteady = 1.0 / (1.0 - f.r);
    f.complexSteady = 1.0 / (1.0 - f.c);
    return f;
}

// Filters `lanes` lines side by side: sample n of lane j is at
// data[j + n * step]. work holds n * lanes doubles for the forward results.
void FilterLanes(std::uint8_t* data, std::ptrdiff_t step, int n, int lanes, const LineFilter& f,
                 double* work) {
    const double r = f.r, gain = f.gain;
    const double cr = f.c.real(), ci = f.c.imag();
    double p[kColumnLanes], qr[kColumnLanes], qi[kColumnLanes];

    // Forward, from the steady state of the first sample.
    for (int j = 0; j < lanes; ++j) {
        const double x0 = data[j];
        p[j] = x0 * f.realSteady;
        qr[j] = x0 * f.complexSteady.real();
        qi[j] = x0 * f.complexSteady.imag();
    }
    for (int i = 0; i < n; ++i) {
        const std::uint8_t* in = data + i * step;
        double* out = work + static_cast<std::ptrdiff_t>(i) * lanes;
        for (int j = 0; j < lanes; ++j) {
            const double x = in[j];
            p[j] = x + r * p[j];
            const double nr = x + (cr * qr[j] - ci * qi[j]);
            const double ni = ci * qr[j] + cr * qi[j];
            qr[j] = nr;
            qi[j] = ni;
            out[j] = gain * (p[j] - qr[j]);
        }
    }

    // Backward, from the sums over the forward pass continued with the last
    // sample repeated: with dp, dq the distances of the forward states from
    // their steady states for that sample L, the continuation is
    // f[N + k] = L + F (r^(k+1) dp - Re(c^(k+1) dq)), summed in closed form.
    const Complex c = f.c;
    const Complex rc = f.r * c;
    for (int j = 0; j < lanes; ++j) {
        const double L = data[static_cast<std::ptrdiff_t>(n - 1) * step + j];
        const double dp = p[j] - L * f.realSteady;
        const Complex dq = Complex(qr[j], qi[j]) - L * f.complexSteady;
        const double pStart = L * f.realSteady + gain * (dp * r / (1.0 - r * r) - (dq * c / (1.0 - rc)).real());
        const Complex qStart = L * f.complexSteady +
                               gain * (dp * r / (1.0 - rc) -
                                       0.5 * (dq * c / (1.0 - c * c) + std::conj(dq * c) / (1.0 - r * r)));
        p[j] = pStart;
        qr[j] = qStart.real();
        qi[j] = qStart.imag();
    }
    for (int i = n - 1; i >= 0; --i) {
        const double* in = work + static_cast<std::ptrdiff_t>(i) * lanes;
        std::uint8_t* out = data + i * step;
        for (int j = 0; j < lanes; ++j) {
            const double x = in[j];
            p[j] = x + r * p[j];
            const double nr = x + (cr * qr[j] - ci * qi[j]);
            const double ni = ci * qr[j] + cr * qi[j];
            qr[j] = nr;
            qi[j] = ni;
            out[j] = ClampToByte(static_cast<long long>(std::nearbyint(gain * (p[j] - qr[j]))));
        }
    }
}

}  // namespace

GaussianPoles GaussianPolesFor(double sigma) {
    // Below sigma' = 0.5 (theta above pi) the kernel 1 - cos(n theta) aliases
    // and at theta = 2 pi, 4 pi ... vanishes altogether (a division by zero);
    // at 0.5 the pair is already within a hundredth of the identity.
    const double s = std::max(std::isfinite(sigma) ? sigma / 0.857379 : 0.0, kMinScaledSigma);
    GaussianPoles poles;
    poles.theta = kPi / (2.0 * s);
    poles.r = std::exp(-poles.theta);
    // sum of h / F = 1 / (1 - r) - Re(1 / (1 - r e^(i theta)))
    const Complex c = std::polar(poles.r, poles.theta);
    poles.gain = 1.0 / (1.0 / (1.0 - poles.r) - (1.0 / (1.0 - c)).real());
    return poles;
}

bool RecursiveGaussian(int width, int height, int pitch, std::uint8_t* plane, double sigma,
                       const AbortFlag* abort) {
    if (!plane || width <= 0 || height <= 0 || pitch < width || !std::isfinite(sigma))
        return false;
    const LineFilter f = MakeFilter(sigma);
    const int strips = (width + kColumnLanes - 1) / kColumnLanes;
    const bool columnsDone = ForEachWithScratch<double>(strips, static_cast<std::size_t>(height) * kColumnLanes, abort,
                                           [&](int strip, double* work) {
        const int x0 = strip * kColumnLanes;
        FilterLanes(plane + x0, pitch, height, std::min(kColumnLanes, width - x0), f, work);
    });
    if (!columnsDone)
        return false;
    return ForEachWithScratch<double>(height, static_cast<std::size_t>(width), abort, [&](int y, double* work) {
        FilterLanes(plane + static_cast<std::ptrdiff_t>(y) * pitch, 1, width, 1, f, work);
    });
}

void UnsharpMask(std::uint8_t* plane, int width, int height, int amount, double sigma, int threshold,
                 bool parallel, const AbortFlag* abort) {
    if (!plane || width <= 0 || height <= 0)
        return;
    const std::size_t bytes = PlaneBytes(width, height);
    std::unique_ptr<std::uint8_t[]> blurred;
    try {
        blurred = std::make_unique<std::uint8_t[]>(bytes);
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return;
    }
    std::memcpy(blurred.get(), plane, bytes);
    if (!RecursiveGaussian(width, height, width, blurred.get(), sigma, abort))
        return;
    ForEachBand(height, parallel, [&](int first, int end) {
        for (std::size_t i = PlaneBytes(first, width); i < PlaneBytes(end, width); ++i) {
            const int v = plane[i], b = blurred[i];
            if (std::abs(v - b) > threshold)
                plane[i] = ClampToByte((static_cast<long long>(v) * (amount + 256LL) - static_cast<long long>(amount) * b) >> 8);
        }
    });
}

}  // namespace SuperRes

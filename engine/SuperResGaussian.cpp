#include "engine/SuperResGaussian.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <memory>

#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace SuperRes {
namespace {

using Complex = std::complex<double>;

constexpr double kPi = 3.141592653589793;
constexpr int kColumnLanes = 16;  // lines filtered side by side, for the cache and the vector unit
constexpr int kFetchAhead = 16;   // samples
constexpr double kMinScaledSigma = 0.5;
constexpr int kMaxAmount = 1 << 16;

struct LineFilter {
    double r;
    Complex c;  // r * e^(i theta)
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

// Rounds to nearest, ties to even, as nearbyint does in the default rounding
// mode, in a form the compiler can vectorise: adding and subtracting 1.5 * 2^52
// leaves no fraction bits. Valid for |v| < 2^51.
inline double RoundHalfEven(double v) {
    constexpr double kShift = 6755399441055744.0;
    return (v + kShift) - kShift;
}

// One step of the recursion on every lane: p = x + r p, q = x + c q, and the
// filter's output F (p - Re q).
struct LaneStates {
    alignas(64) double p[kColumnLanes];
    alignas(64) double qr[kColumnLanes];
    alignas(64) double qi[kColumnLanes];
};

// Filters kColumnLanes lines side by side (only the first `lanes` hold data):
// sample i of lane j is at data[j * laneStep + i * sampleStep]. work holds
// n * kColumnLanes doubles for the forward results. Inlined into a portable
// and an AVX2 variant; both compute the same doubles, lane by lane. Adjacent
// is for a full set of lanes side by side in memory (laneStep 1), whose
// samples load and store as vectors.
template <bool Adjacent>
__attribute__((always_inline)) inline void FilterLanesBody(std::uint8_t* __restrict data, std::ptrdiff_t sampleStep,
                                                           std::ptrdiff_t laneStep, int n, int lanes,
                                                           const LineFilter& f, double* __restrict work) {
    if constexpr (Adjacent) {
        laneStep = 1;
        lanes = kColumnLanes;
    }
    const double r = f.r, gain = f.gain;
    const double cr = f.c.real(), ci = f.c.imag();
    LaneStates s;
    alignas(64) double x[kColumnLanes] = {};

    auto load = [&](const std::uint8_t* in) {
        for (int j = 0; j < lanes; ++j)
            x[j] = in[j * laneStep];
    };
    auto step = [&](double* __restrict out) {
        for (int j = 0; j < kColumnLanes; ++j) {
            s.p[j] = x[j] + r * s.p[j];
            const double nr = x[j] + (cr * s.qr[j] - ci * s.qi[j]);
            const double ni = ci * s.qr[j] + cr * s.qi[j];
            s.qr[j] = nr;
            s.qi[j] = ni;
            out[j] = gain * (s.p[j] - s.qr[j]);
        }
    };

    // Forward, from the steady state of the first sample.
    load(data);
    for (int j = 0; j < kColumnLanes; ++j) {
        s.p[j] = x[j] * f.realSteady;
        s.qr[j] = x[j] * f.complexSteady.real();
        s.qi[j] = x[j] * f.complexSteady.imag();
    }
    for (int i = 0; i < n; ++i) {
        // Down a column every sample lies in another page, where the
        // processor would not fetch ahead by itself.
        if (Adjacent && i + kFetchAhead < n)
            __builtin_prefetch(data + (i + kFetchAhead) * sampleStep);
        load(data + i * sampleStep);
        step(work + static_cast<std::ptrdiff_t>(i) * kColumnLanes);
    }

    // Backward, from the sums over the forward pass continued with the last
    // sample repeated: with dp, dq the distances of the forward states from
    // their steady states for that sample L, the continuation is
    // f[N + k] = L + F (r^(k+1) dp - Re(c^(k+1) dq)), summed in closed form.
    const Complex c = f.c;
    const Complex rc = f.r * c;
    for (int j = 0; j < kColumnLanes; ++j) {
        const double L = x[j];
        const double dp = s.p[j] - L * f.realSteady;
        const Complex dq = Complex(s.qr[j], s.qi[j]) - L * f.complexSteady;
        const double pStart = L * f.realSteady + gain * (dp * r / (1.0 - r * r) - (dq * c / (1.0 - rc)).real());
        const Complex qStart =
            L * f.complexSteady +
            gain * (dp * r / (1.0 - rc) - 0.5 * (dq * c / (1.0 - c * c) + std::conj(dq * c) / (1.0 - r * r)));
        s.p[j] = pStart;
        s.qr[j] = qStart.real();
        s.qi[j] = qStart.imag();
    }
    alignas(64) double y[kColumnLanes];
    for (int i = n - 1; i >= 0; --i) {
        const double* in = work + static_cast<std::ptrdiff_t>(i) * kColumnLanes;
        for (int j = 0; j < kColumnLanes; ++j)
            x[j] = in[j];
        step(y);
        for (int j = 0; j < kColumnLanes; ++j)
            y[j] = std::clamp(RoundHalfEven(y[j]), 0.0, 255.0);
        std::uint8_t* out = data + i * sampleStep;
        for (int j = 0; j < lanes; ++j)
            out[j * laneStep] = static_cast<std::uint8_t>(y[j]);
    }
}

void FilterLanesPortable(std::uint8_t* data, std::ptrdiff_t sampleStep, std::ptrdiff_t laneStep, int n, int lanes,
                         const LineFilter& f, double* work) {
    if (laneStep == 1 && lanes == kColumnLanes)
        FilterLanesBody<true>(data, sampleStep, laneStep, n, lanes, f, work);
    else
        FilterLanesBody<false>(data, sampleStep, laneStep, n, lanes, f, work);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void FilterLanesAvx2(std::uint8_t* data, std::ptrdiff_t sampleStep,
                                                     std::ptrdiff_t laneStep, int n, int lanes, const LineFilter& f,
                                                     double* work) {
    if (laneStep == 1 && lanes == kColumnLanes)
        FilterLanesBody<true>(data, sampleStep, laneStep, n, lanes, f, work);
    else
        FilterLanesBody<false>(data, sampleStep, laneStep, n, lanes, f, work);
}

// Sixteen lanes are two AVX-512 vectors of doubles instead of four AVX2 ones
// (g++ is told to prefer them; clang has no such attribute).
#if defined(__clang__)
#define SUPERRES_AVX512 __attribute__((target("avx512f,avx512vl,avx512dq,avx512bw")))
#else
#define SUPERRES_AVX512 __attribute__((target("avx512f,avx512vl,avx512dq,avx512bw,prefer-vector-width=512")))
#endif
SUPERRES_AVX512 void FilterLanesAvx512(std::uint8_t* data, std::ptrdiff_t sampleStep, std::ptrdiff_t laneStep, int n,
                                       int lanes, const LineFilter& f, double* work) {
    if (laneStep == 1 && lanes == kColumnLanes)
        FilterLanesBody<true>(data, sampleStep, laneStep, n, lanes, f, work);
    else
        FilterLanesBody<false>(data, sampleStep, laneStep, n, lanes, f, work);
}
#else
void FilterLanesAvx512(std::uint8_t* data, std::ptrdiff_t sampleStep, std::ptrdiff_t laneStep, int n, int lanes,
                       const LineFilter& f, double* work) {
    FilterLanesPortable(data, sampleStep, laneStep, n, lanes, f, work);
}
void FilterLanesAvx2(std::uint8_t* data, std::ptrdiff_t sampleStep, std::ptrdiff_t laneStep, int n, int lanes,
                     const LineFilter& f, double* work) {
    FilterLanesPortable(data, sampleStep, laneStep, n, lanes, f, work);
}
#endif

void FilterLanes(std::uint8_t* data, std::ptrdiff_t sampleStep, std::ptrdiff_t laneStep, int n, int lanes,
                 const LineFilter& f, double* work) {
    if (HasAvx512())
        FilterLanesAvx512(data, sampleStep, laneStep, n, lanes, f, work);
    else if (HasAvx2())
        FilterLanesAvx2(data, sampleStep, laneStep, n, lanes, f, work);
    else
        FilterLanesPortable(data, sampleStep, laneStep, n, lanes, f, work);
}

// v' = (v (amount + 256) - amount b) >> 8 where |v - b| > threshold. The
// amount is limited to +-2^16 so that the products stay in 32 bits.
void SharpenRun(std::uint8_t* __restrict plane, const std::uint8_t* __restrict blurred, std::size_t count, int amount,
                int threshold) {
    amount = std::clamp(amount, -kMaxAmount, kMaxAmount);
    for (std::size_t i = 0; i < count; ++i) {
        const int v = plane[i], b = blurred[i];
        const int sharpened = std::clamp((v * (amount + 256) - amount * b) >> 8, 0, 255);
        plane[i] = static_cast<std::uint8_t>(std::abs(v - b) > threshold ? sharpened : v);
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

bool RecursiveGaussian(int width, int height, int pitch, std::uint8_t* plane, double sigma, const AbortFlag* abort) {
    if (!plane || width <= 0 || height <= 0 || pitch < width || !std::isfinite(sigma))
        return false;
    const LineFilter f = MakeFilter(sigma);
    // Columns in strips of neighbouring columns, then rows in groups of
    // neighbouring rows: each group is filtered side by side.
    const int strips = (width + kColumnLanes - 1) / kColumnLanes;
    const bool columnsDone = ForEachWithScratch<double>(
        strips, static_cast<std::size_t>(height) * kColumnLanes, true, abort, [&](int strip, double* work) {
            const int x0 = strip * kColumnLanes;
            FilterLanes(plane + x0, pitch, 1, height, std::min(kColumnLanes, width - x0), f, work);
        });
    if (!columnsDone)
        return false;
    const int groups = (height + kColumnLanes - 1) / kColumnLanes;
    return ForEachWithScratch<double>(groups, static_cast<std::size_t>(width) * kColumnLanes, true, abort,
                                      [&](int group, double* work) {
                                          const int y0 = group * kColumnLanes;
                                          FilterLanes(plane + static_cast<std::ptrdiff_t>(y0) * pitch, 1, pitch, width,
                                                      std::min(kColumnLanes, height - y0), f, work);
                                      });
}

void UnsharpMask(std::uint8_t* plane, int width, int height, int amount, double sigma, int threshold, bool parallel,
                 const AbortFlag* abort) {
    if (!plane || width <= 0 || height <= 0)
        return;
    const std::size_t bytes = PlaneBytes(width, height);
    const auto blurred = TryAllocatePlane(bytes);
    if (!blurred)
        return;
    ForEachRowRange(height, parallel, [&](int first, int end) {
        const std::size_t at = PlaneBytes(first, width);
        std::memcpy(blurred.get() + at, plane + at, PlaneBytes(end - first, width));
    });
    if (!RecursiveGaussian(width, height, width, blurred.get(), sigma, abort))
        return;
    ForEachRowRange(height, parallel, [&](int first, int end) {
        const std::size_t at = PlaneBytes(first, width);
        SharpenRun(plane + at, blurred.get() + at, PlaneBytes(end - first, width), amount, threshold);
    });
}

}  // namespace SuperRes

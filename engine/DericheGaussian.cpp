#include "engine/DericheGaussian.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/ParallelRows.h"
#include "engine/Plane.h"
#include "engine/TargetClones.h"
#include "engine/RSProgress.h"

DericheCoeffs DericheCoefficients(double sigma) {
    const double A = std::sqrt(6.283185307179586) * sigma;
    const double a0 = 1.6803 / A, a1 = 3.735 / A, c0 = -0.6803 / A, c1 = -0.2598 / A;
    const double b0 = 1.783 / sigma, b1 = 1.723 / sigma;
    const double w0 = 0.6318 / sigma, w1 = 1.997 / sigma;
    const double cos0 = std::cos(w0), sin0 = std::sin(w0), cos1 = std::cos(w1), sin1 = std::sin(w1);

    DericheCoeffs c;
    auto& n = c.nPlus;
    n[0] = a0 + c0;
    n[1] = std::exp(-b1) * (c1 * sin1 - (2 * a0 + c0) * cos1) +
           std::exp(-b0) * (a1 * sin0 - (a0 + 2 * c0) * cos0);
    n[2] = 2 * std::exp(-b0 - b1) * ((a0 + c0) * cos1 * cos0 - a1 * cos1 * sin0 - c1 * cos0 * sin1) +
           c0 * std::exp(-2 * b0) + a0 * std::exp(-2 * b1);
    n[3] = std::exp(-b1 - 2 * b0) * (c1 * sin1 - c0 * cos1) +
           std::exp(-b0 - 2 * b1) * (a1 * sin0 - a0 * cos0);
    n[4] = 0;

    auto& d = c.d;
    d[0] = 0;
    d[1] = -2 * std::exp(-b1) * cos1 - 2 * std::exp(-b0) * cos0;
    d[2] = 4 * cos1 * cos0 * std::exp(-b0 - b1) + std::exp(-2 * b1) + std::exp(-2 * b0);
    d[3] = -2 * cos0 * std::exp(-b0 - 2 * b1) - 2 * cos1 * std::exp(-b1 - 2 * b0);
    d[4] = std::exp(-2 * b0 - 2 * b1);

    c.nMinus[0] = 0;
    for (int i = 1; i <= 4; ++i)
        c.nMinus[i] = n[i] - d[i] * n[0];

    double sumPlus = 0, sumMinus = 0, sumD = 0;
    for (int i = 0; i <= 4; ++i) {
        sumPlus += c.nPlus[i];
        sumMinus += c.nMinus[i];
        sumD += d[i];
    }
    // Steady-state gains: a constant input x gives x * gain from each pass.
    const double gainPlus = sumPlus / (1 + sumD);
    const double gainMinus = sumMinus / (1 + sumD);
    for (int i = 0; i <= 4; ++i) {
        c.ePlus[i] = gainPlus * d[i];
        c.eMinus[i] = gainMinus * d[i];
    }
    return c;
}

double DericheSigma(int v) {
    const double r = std::fabs(v / 10.0f) + 1;
    return std::sqrt(r * r / (2 * std::log(255.0)));
}

namespace {

// The blurred value: the sum of both passes in single precision, rounded to
// the nearest integer (ties to even) and limited to 0..255. Inside the range
// adding and removing 2^23 rounds exactly as lrintf does in the default
// rounding mode; outside it the limit decides.
std::uint8_t RoundSumToByte(double causal, double anticausal) {
    const float sum = static_cast<float>(causal + anticausal);
    if (!(sum > 0.0f))
        return 0;
    if (sum >= 255.0f)
        return 255;
    constexpr float kRound = 8388608.0f;  // 2^23
    return static_cast<std::uint8_t>((sum + kRound) - kRound);
}

}  // namespace

void DericheFilterLine(const int* x, int n, const DericheCoeffs& c, double* causal,
                       double* anticausal, std::uint8_t* out, std::ptrdiff_t outStep) {
    for (int k = 0; k < n; ++k) {
        double y = 0;
        for (int i = 0; i <= 4; ++i) {
            if (k - i >= 0)
                y += c.nPlus[i] * x[k - i] - c.d[i] * causal[k - i];
            else
                y += (c.nPlus[i] - c.ePlus[i]) * x[0];
        }
        causal[k] = y;
    }
    for (int k = n - 1; k >= 0; --k) {
        double y = 0;
        for (int i = 0; i <= 4; ++i) {
            if (k + i <= n - 1)
                y += c.nMinus[i] * x[k + i] - c.d[i] * anticausal[k + i];
            else
                y += (c.nMinus[i] - c.eMinus[i]) * x[n - 1];
        }
        anticausal[k] = y;
    }
    for (int k = 0; k < n; ++k)
        out[k * outStep] = RoundSumToByte(causal[k], anticausal[k]);
}

namespace {

// Lines filtered side by side: kLanes lines of the plane, each step of the
// recursions done for all of them at once. Every line goes through exactly
// the arithmetic of DericheFilterLine, in the same order; the lanes only keep
// the sequential recursions of neighbouring lines apart so that they overlap.
constexpr int kLanes = 16;

// Work arrays of one group of lanes: n * kLanes doubles each, sample k of
// lane l at k * kLanes + l.
struct LaneBuffers {
    explicit LaneBuffers(int n)
        : samples(static_cast<std::size_t>(n) * kLanes), causal(samples.size()),
          anticausal(samples.size()) {}
    std::vector<double> samples, causal, anticausal;
};

// One step of a recursion for all lanes: out = sum over i = 0..4 of
// (num[i] * x[-i] - d[i] * y[-i]), i in order, where x[-i] and y[-i] are the
// lanes `i` steps back (`dir` elements per step). Term i = 0 has no earlier
// output (d[0] is 0). Terms that fall before the line's start take
// edge[i] * boundary instead.
// Inlined into both builds of FilterLanes.
__attribute__((always_inline)) inline void RecursionStep(const double* x, const double* y,
                                                         std::ptrdiff_t dir, int available,
                                                         const std::array<double, 5>& num,
                                                         const std::array<double, 5>& d,
                                                         const double* edge, const double* boundary,
                                                         double* out) {
    if (available >= 4) {
        const double* x1 = x - dir;
        const double* x2 = x - 2 * dir;
        const double* x3 = x - 3 * dir;
        const double* x4 = x - 4 * dir;
        const double* y1 = y - dir;
        const double* y2 = y - 2 * dir;
        const double* y3 = y - 3 * dir;
        const double* y4 = y - 4 * dir;
        for (int l = 0; l < kLanes; ++l) {
            double v = 0.0;
            v += num[0] * x[l] - d[0] * 0.0;
            v += num[1] * x1[l] - d[1] * y1[l];
            v += num[2] * x2[l] - d[2] * y2[l];
            v += num[3] * x3[l] - d[3] * y3[l];
            v += num[4] * x4[l] - d[4] * y4[l];
            out[l] = v;
        }
        return;
    }
    double v[kLanes];
    for (int l = 0; l < kLanes; ++l)
        v[l] = 0.0 + (num[0] * x[l] - d[0] * 0.0);
    for (int i = 1; i <= 4; ++i) {
        if (i <= available) {
            const double* xi = x - i * dir;
            const double* yi = y - i * dir;
            for (int l = 0; l < kLanes; ++l)
                v[l] += num[i] * xi[l] - d[i] * yi[l];
        } else {
            for (int l = 0; l < kLanes; ++l)
                v[l] += edge[i] * boundary[l];
        }
    }
    for (int l = 0; l < kLanes; ++l)
        out[l] = v[l];
}

// Lines l = 0..kLanes-1 of n samples: sample k of line l is
// first[l * laneStep + k * sampleStep]. Filtered in place.
VESPERA_WIDE_VECTORS void FilterLanes(std::uint8_t* first, std::ptrdiff_t laneStep, std::ptrdiff_t sampleStep, int n,
                 const DericheCoeffs& c, LaneBuffers& buffers) {
    double* x = buffers.samples.data();
    double* causal = buffers.causal.data();
    double* anti = buffers.anticausal.data();
    for (int k = 0; k < n; ++k)
        for (int l = 0; l < kLanes; ++l)
            x[static_cast<std::ptrdiff_t>(k) * kLanes + l] = first[l * laneStep + k * sampleStep];

    double edgePlus[5], edgeMinus[5];
    for (int i = 0; i <= 4; ++i) {
        edgePlus[i] = c.nPlus[i] - c.ePlus[i];
        edgeMinus[i] = c.nMinus[i] - c.eMinus[i];
    }
    const double* x0 = x;
    const double* xLast = x + static_cast<std::ptrdiff_t>(n - 1) * kLanes;

    for (int k = 0; k < n; ++k) {
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(k) * kLanes;
        RecursionStep(x + at, causal + at, kLanes, k, c.nPlus, c.d, edgePlus, x0, causal + at);
    }
    for (int k = n - 1; k >= 0; --k) {
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(k) * kLanes;
        RecursionStep(x + at, anti + at, -kLanes, n - 1 - k, c.nMinus, c.d, edgeMinus, xLast, anti + at);
        for (int l = 0; l < kLanes; ++l)
            first[l * laneStep + k * sampleStep] = RoundSumToByte(causal[at + l], anti[at + l]);
    }
}

// Filters lines [firstLine, lastLine) of n samples in place: line j starts at
// plane + j * lineStep, its samples sampleStep apart.
void FilterLines(std::uint8_t* plane, std::ptrdiff_t lineStep, std::ptrdiff_t sampleStep, int n,
                 int firstLine, int lastLine, const DericheCoeffs& c) {
    int line = firstLine;
    if (line + kLanes <= lastLine) {
        LaneBuffers buffers(n);
        for (; line + kLanes <= lastLine; line += kLanes)
            FilterLanes(plane + line * lineStep, lineStep, sampleStep, n, c, buffers);
    }
    if (line == lastLine)
        return;
    std::vector<int> samples(n);
    std::vector<double> causal(n), anticausal(n);
    for (; line < lastLine; ++line) {
        std::uint8_t* first = plane + line * lineStep;
        for (int k = 0; k < n; ++k)
            samples[k] = first[k * sampleStep];
        DericheFilterLine(samples.data(), n, c, causal.data(), anticausal.data(), first, sampleStep);
    }
}

}  // namespace

bool DericheGaussian(EngineRect rect, std::uint8_t* plane, const std::atomic<std::uint8_t>* abort,
                     int hParam, int vParam, CRSProgress* progress) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (!plane || !abort || width <= 0 || height <= 0)
        return false;

    // Columns side by side, then rows; each pass spread over the threads in
    // blocks of lines, with the reports made here in order.
    const DericheCoeffs vertical = DericheCoefficients(DericheSigma(vParam));
    const int columnsDone = ParallelLinesInOrder(
        width, height,
        [&](int first, int last) { FilterLines(plane, 1, width, height, first, last, vertical); },
        [&](int c) { return !progress || progress->Progress(static_cast<int>(c * 50LL / width)); },
        kLanes);
    if (!columnsDone)
        return false;

    const DericheCoeffs horizontal = DericheCoefficients(DericheSigma(hParam));
    return ParallelLinesInOrder(
        height, width,
        [&](int first, int last) { FilterLines(plane, width, 1, width, first, last, horizontal); },
        [&](int y) {
            if (abort->load(std::memory_order_relaxed))
                return 0;
            const long long done = static_cast<long long>(y) * width * 50 / (static_cast<long long>(width) * height);
            return !progress || progress->Progress(static_cast<int>(done + 50)) ? 1 : 0;
        },
        kLanes);
}

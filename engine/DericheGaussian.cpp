#include "engine/DericheGaussian.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/Plane.h"
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
    for (int k = 0; k < n; ++k) {
        const float sum = static_cast<float>(causal[k] + anticausal[k]);
        out[k * outStep] = ClampToByte(std::lrintf(sum));
    }
}

namespace {

// Line buffers shared by both passes of one call.
struct DericheLines {
    explicit DericheLines(int length) : causal(length), anticausal(length), samples(length) {}
    std::vector<double> causal;
    std::vector<double> anticausal;
    std::vector<int> samples;
};

void FilterPlaneLine(std::uint8_t* first, std::ptrdiff_t step, int n, const DericheCoeffs& c,
                     DericheLines& lines) {
    for (int k = 0; k < n; ++k)
        lines.samples[k] = first[k * step];
    DericheFilterLine(lines.samples.data(), n, c, lines.causal.data(), lines.anticausal.data(),
                      first, step);
}

}  // namespace

bool DericheGaussian(EngineRect rect, std::uint8_t* plane, const std::atomic<std::uint8_t>* abort,
                     int hParam, int vParam, CRSProgress* progress) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (!plane || !abort || width <= 0 || height <= 0)
        return false;

    DericheLines lines(std::max(width, height) + 8);

    const DericheCoeffs vertical = DericheCoefficients(DericheSigma(vParam));
    for (int c = 0; c < width; ++c) {
        FilterPlaneLine(plane + c, width, height, vertical, lines);
        if (progress && !progress->Progress(static_cast<int>(c * 50LL / width)))
            return false;
    }

    const DericheCoeffs horizontal = DericheCoefficients(DericheSigma(hParam));
    for (int y = 0; y < height; ++y) {
        FilterPlaneLine(plane + PlaneBytes(y, width), 1, width, horizontal, lines);
        if (abort->load(std::memory_order_relaxed))
            return false;
        const long long done = static_cast<long long>(y) * width * 50 / (static_cast<long long>(width) * height);
        if (progress && !progress->Progress(static_cast<int>(done + 50)))
            return false;
    }
    return true;
}

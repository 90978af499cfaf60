#pragma once
// Deriche's fourth-order recursive approximation of the Gaussian
// (R. Deriche, "Recursively implementing the Gaussian and its derivatives").
//
// Each line is filtered by a causal and an anti-causal fourth-order recursion
// whose sum is the blurred line, so the cost does not depend on sigma. Samples
// beyond either end repeat the end sample, and the recursion's earlier outputs
// there take their steady-state value for that sample, so a constant line
// stays constant up to its ends.

#include <array>
#include <atomic>
#include <cstdint>

class CRSProgress;

// nPlus[4], nMinus[0] and d[0] are zero (the lane filter relies on it and
// leaves their terms out).
struct DericheCoeffs {
    std::array<double, 5> nPlus{};   // causal numerator
    std::array<double, 5> nMinus{};  // anti-causal numerator
    std::array<double, 5> d{};       // denominator, both directions
    std::array<double, 5> ePlus{};   // causal boundary terms
    std::array<double, 5> eMinus{};  // anti-causal boundary terms
};

struct EngineRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

DericheCoeffs DericheCoefficients(double sigma);

// Sigma for a blur parameter v: the radius r = |v / 10| + 1 is where the
// Gaussian has fallen to 1/255, so sigma = sqrt(r^2 / (2 ln 255)).
double DericheSigma(int v);

// Filters one line of n samples (n >= 1). causal and anticausal are work
// arrays of n doubles. Each result is the sum of the two passes rounded in
// single precision (ties to even) and limited to 0..255.
void DericheFilterLine(const int* x, int n, const DericheCoeffs& c, double* causal, double* anticausal,
                       std::uint8_t* out, std::ptrdiff_t outStep);

// Blurs the tight plane described by rect (width right - left, height
// bottom - top) in place: a vertical pass with DericheSigma(vParam), then a
// horizontal pass with DericheSigma(hParam), each rounded to bytes.
// Reports c * 50 / width after each column and 50 + y * 50 / height after each
// row. Returns true when done; false for a null plane or abort pointer, an
// empty rectangle, a set abort byte (checked before each row of the
// horizontal pass) or a stop. A stop leaves the plane partly blurred.
// The line buffers are not guarded: their allocation failure reaches the
// caller as std::bad_alloc.
bool DericheGaussian(EngineRect rect, std::uint8_t* plane, const std::atomic<std::uint8_t>* abort, int hParam,
                     int vParam, CRSProgress* progress);

#include "engine/DericheGaussian.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <emmintrin.h>

#include "engine/ParallelRows.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"
#include "engine/TargetClones.h"
#include "platform/threads/ParallelFor.h"

DericheCoeffs DericheCoefficients(double sigma) {
    const double A = std::sqrt(6.283185307179586) * sigma;
    const double a0 = 1.6803 / A, a1 = 3.735 / A, c0 = -0.6803 / A, c1 = -0.2598 / A;
    const double b0 = 1.783 / sigma, b1 = 1.723 / sigma;
    const double w0 = 0.6318 / sigma, w1 = 1.997 / sigma;
    const double cos0 = std::cos(w0), sin0 = std::sin(w0), cos1 = std::cos(w1), sin1 = std::sin(w1);

    DericheCoeffs c;
    auto& n = c.nPlus;
    n[0] = a0 + c0;
    n[1] = std::exp(-b1) * (c1 * sin1 - (2 * a0 + c0) * cos1) + std::exp(-b0) * (a1 * sin0 - (a0 + 2 * c0) * cos0);
    n[2] = 2 * std::exp(-b0 - b1) * ((a0 + c0) * cos1 * cos0 - a1 * cos1 * sin0 - c1 * cos0 * sin1) +
           c0 * std::exp(-2 * b0) + a0 * std::exp(-2 * b1);
    n[3] = std::exp(-b1 - 2 * b0) * (c1 * sin1 - c0 * cos1) + std::exp(-b0 - 2 * b1) * (a1 * sin0 - a0 * cos0);
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
// Limiting first and rounding the limited value gives the same bytes, and
// keeps the function free of branches.
inline std::uint8_t RoundSumToByte(double causal, double anticausal) {
    const float sum = static_cast<float>(causal + anticausal);
    const float positive = sum > 0.0f ? sum : 0.0f;
    const float limited = positive < 255.0f ? positive : 255.0f;
    constexpr float kRound = 8388608.0f;  // 2^23
    return static_cast<std::uint8_t>(static_cast<int>((limited + kRound) - kRound));
}

}  // namespace

void DericheFilterLine(const int* x, int n, const DericheCoeffs& c, double* causal, double* anticausal,
                       std::uint8_t* out, std::ptrdiff_t outStep) {
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
constexpr int kColumnGranule = 16 * kLanes;

// A pass over a line takes its samples as doubles kChunk steps at a time,
// with the four steps before the chunk kept in front of it (behind it for the
// anti-causal pass), so the recursion reads them as if the whole line were
// there; the anti-causal outputs are kept the same way. These stay in the
// first-level cache whatever the line's length.
constexpr int kChunk = 64;
constexpr int kHistory = 4;
constexpr int kWindowSteps = kChunk + kHistory;

// Work arrays of one group of lanes, sample k of lane l at k * kLanes + l:
// the lanes' bytes and the causal pass's outputs (n steps each), kept for the
// anti-causal pass that sums them, and the two chunk windows. Every element
// is written before it is read, so they start uninitialised.
struct LaneBuffers {
    void Reserve(int n) {
        if (n <= lines)
            return;
        const auto elements = static_cast<std::size_t>(n) * kLanes;
        samples = std::make_unique_for_overwrite<std::uint8_t[]>(elements);
        causal = std::make_unique_for_overwrite<double[]>(elements);
        lines = n;
    }
    int lines = 0;
    std::unique_ptr<std::uint8_t[]> samples;
    std::unique_ptr<double[]> causal;
    alignas(64) double x[kWindowSteps * kLanes];
    alignas(64) double anticausal[kWindowSteps * kLanes];
};

// The lane buffers of the calling thread, for lines of up to n samples. Each
// thread keeps its own from one blur to the next (a picture is blurred twice
// per channel, on the same threads), so they are not faulted in anew each
// time; they grow with the longest line met.
LaneBuffers& ThreadLaneBuffers(int n) {
    thread_local LaneBuffers buffers;
    buffers.Reserve(n);
    return buffers;
}

// One of the first four steps of a recursion, for all lanes: out = sum over
// i = 0..4 of (num[i] * x[-i] - d[i] * y[-i]), i in order, where x[-i] and
// y[-i] are the lanes `i` steps back (`dir` elements per step); the terms
// that fall before the line's start (i > available) take edge[i] * boundary
// instead. Term i = 0 has no earlier output (d[0] is 0). Inlined into both
// builds of FilterLanes.
__attribute__((always_inline)) inline void EdgeStep(const double* x, const double* y, std::ptrdiff_t dir, int available,
                                                    const std::array<double, 5>& num, const std::array<double, 5>& d,
                                                    const double* edge, const double* boundary, double* out) {
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

using Double4 = double __attribute__((vector_size(32)));
constexpr int kVectors = kLanes / 4;

// `count` steps with four earlier outputs, the first at x and y and each
// next one `dir` steps on (dir is +1 or -1), with the terms of EdgeStep in the
// same order, on whole vectors: the latest output stays in registers for the
// next step. The terms whose coefficient is zero by construction are left
// out (d[0] always; nPlus[4] in the causal pass, nMinus[0] in the anti-causal
// one): adding an exact zero leaves a sum's value as it was, and at most turns
// the sign of a zero sum, which rounds to the same byte.
template <bool kCausal>
__attribute__((always_inline)) inline void RecurseInterior(const double* x, double* y, int count, int dir,
                                                           const std::array<double, 5>& num,
                                                           const std::array<double, 5>& d) {
    static_assert(kVectors == 4);
    auto load = [](const double* p, Double4& v) { __builtin_memcpy(&v, p, sizeof v); };
    auto broadcast = [](double c, Double4& v) { v = Double4{c, c, c, c}; };
    Double4 n0, n1, n2, n3, n4, d1, d2, d3, d4;
    broadcast(num[0], n0), broadcast(num[1], n1), broadcast(num[2], n2), broadcast(num[3], n3);
    broadcast(num[4], n4), broadcast(d[1], d1), broadcast(d[2], d2), broadcast(d[3], d3), broadcast(d[4], d4);
    const std::ptrdiff_t back = -static_cast<std::ptrdiff_t>(dir) * kLanes;  // one step back

    Double4 last[kVectors];
    const double* previous = y + back;
    for (int q = 0; q < kVectors; ++q)
        load(previous + 4 * q, last[q]);

    for (int i = 0; i < count; ++i) {
        const std::ptrdiff_t at = -static_cast<std::ptrdiff_t>(i) * back;
        for (int q = 0; q < kVectors; ++q) {
            const std::ptrdiff_t lane = at + 4 * q;
            Double4 x0, x1, x2, x3, x4, y2, y3, y4;
            load(x + lane + back, x1);
            load(x + lane + 2 * back, x2);
            load(x + lane + 3 * back, x3);
            load(y + lane + 2 * back, y2);
            load(y + lane + 3 * back, y3);
            load(y + lane + 4 * back, y4);
            Double4 v;
            if constexpr (kCausal) {
                load(x + lane, x0);
                v = n0 * x0;  // 0 + (n0 * x0 - d0 * 0)
                v += n1 * x1 - d1 * last[q];
                v += n2 * x2 - d2 * y2;
                v += n3 * x3 - d3 * y3;
                v -= d4 * y4;  // + (n4 * x4 - d4 * y4), n4 = 0
            } else {
                load(x + lane + 4 * back, x4);
                v = n1 * x1 - d1 * last[q];  // 0 + (n0 * x0 - d0 * 0) + ..., n0 = 0
                v += n2 * x2 - d2 * y2;
                v += n3 * x3 - d3 * y3;
                v += n4 * x4 - d4 * y4;
            }
            __builtin_memcpy(y + lane, &v, sizeof v);
            last[q] = v;
        }
    }
}

// RoundSumToByte of a step's kLanes lanes on vectors; the bytes go to out
// side by side. The same values: maxps and minps pick as the comparisons do
// (a zero or a sum at or below it gives +0), and rounding a limited value in
// the current mode (cvtps2dq) is what adding and removing 2^23 does in it.
__attribute__((always_inline)) inline void RoundStep(const double* causal, const double* anti, std::uint8_t* out) {
    using Float4 = float __attribute__((vector_size(16)));
    const __m128 zero = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(255.0f);
    __m128i value[kVectors];
    for (int q = 0; q < kVectors; ++q) {
        Double4 c, a;
        __builtin_memcpy(&c, causal + 4 * q, sizeof c);
        __builtin_memcpy(&a, anti + 4 * q, sizeof a);
        const Float4 sum = __builtin_convertvector(c + a, Float4);
        const __m128 limited = _mm_min_ps(_mm_max_ps(reinterpret_cast<__m128>(sum), zero), top);
        value[q] = _mm_cvtps_epi32(limited);
    }
    // Every value is 0..255, so the saturating packs keep them exactly.
    static_assert(kVectors == 4);
    const __m128i low = _mm_packs_epi32(value[0], value[1]);
    const __m128i high = _mm_packs_epi32(value[2], value[3]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
}

// A step's kLanes bytes as doubles (exactly: every byte is a double).
__attribute__((always_inline)) inline void WidenStep(const std::uint8_t* bytes, double* to) {
    using Int4 = int __attribute__((vector_size(16)));
    static_assert(kLanes == 16);
    const __m128i all = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(all, zero), high = _mm_unpackhi_epi8(all, zero);
    const __m128i quarters[4] = {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
                                 _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
    for (int q = 0; q < 4; ++q) {
        Int4 ints;
        __builtin_memcpy(&ints, &quarters[q], sizeof ints);
        const Double4 wide = __builtin_convertvector(ints, Double4);
        __builtin_memcpy(to + 4 * q, &wide, sizeof wide);
    }
}

// to[c * toStep + r] = from[r * fromStep + c] for a 16 x 16 block of bytes:
// four rounds of interleaving row i with row i + 8 put every column in a row.
__attribute__((always_inline)) inline void Transpose16(const std::uint8_t* from, std::ptrdiff_t fromStep,
                                                       std::uint8_t* to, std::ptrdiff_t toStep) {
    __m128i rows[16], next[16];
    for (int r = 0; r < 16; ++r)
        rows[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + r * fromStep));
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 8; ++i) {
            next[2 * i] = _mm_unpacklo_epi8(rows[i], rows[i + 8]);
            next[2 * i + 1] = _mm_unpackhi_epi8(rows[i], rows[i + 8]);
        }
        for (int r = 0; r < 16; ++r)
            rows[r] = next[r];
    }
    for (int c = 0; c < 16; ++c)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + c * toStep), rows[c]);
}

// The bytes of kLanes rows (row l at rows + l * rowStep) as steps (sample k
// of row l at steps[k * kLanes + l]), n samples; and back.
__attribute__((always_inline)) inline void RowsToSteps(const std::uint8_t* rows, std::ptrdiff_t rowStep, int n,
                                                       std::uint8_t* steps) {
    static_assert(kLanes == 16);
    int k = 0;
    for (; k + 16 <= n; k += 16)
        Transpose16(rows + k, rowStep, steps + static_cast<std::ptrdiff_t>(k) * kLanes, kLanes);
    for (; k < n; ++k)
        for (int l = 0; l < kLanes; ++l)
            steps[static_cast<std::ptrdiff_t>(k) * kLanes + l] = rows[l * rowStep + k];
}

__attribute__((always_inline)) inline void StepsToRows(const std::uint8_t* steps, int n, std::uint8_t* rows,
                                                       std::ptrdiff_t rowStep) {
    int k = 0;
    for (; k + 16 <= n; k += 16)
        Transpose16(steps + static_cast<std::ptrdiff_t>(k) * kLanes, kLanes, rows + k, rowStep);
    for (; k < n; ++k)
        for (int l = 0; l < kLanes; ++l)
            rows[l * rowStep + k] = steps[static_cast<std::ptrdiff_t>(k) * kLanes + l];
}

// Lines l = 0..kLanes-1 of n samples: sample k of line l is
// first[l * laneStep + k * sampleStep]. Filtered in place.
//
// kAcross: the lanes are neighbouring columns (laneStep 1) and a sample
// step is a row; otherwise the lanes are rows and the samples of a lane
// are neighbours (sampleStep 1). Either way the inner loops run over
// neighbouring bytes.
template <bool kAcross>
VESPERA_WIDE_VECTORS void FilterLanes(std::uint8_t* first, std::ptrdiff_t laneStep, std::ptrdiff_t sampleStep, int n,
                                      const DericheCoeffs& c, LaneBuffers& buffers) {
    if constexpr (kAcross)
        laneStep = 1;
    else
        sampleStep = 1;
    std::uint8_t* samples = buffers.samples.get();
    double* causal = buffers.causal.get();
    if constexpr (kAcross) {
        for (int k = 0; k < n; ++k)
            __builtin_memcpy(samples + static_cast<std::ptrdiff_t>(k) * kLanes, first + k * sampleStep, kLanes);
    } else {
        RowsToSteps(first, laneStep, n, samples);
    }
    // Steps [from, from + count) as doubles, to window steps from `to` on.
    auto widen = [&](int from, int count, double* to) {
        for (int k = 0; k < count; ++k)
            WidenStep(samples + static_cast<std::ptrdiff_t>(from + k) * kLanes, to + k * kLanes);
    };
    auto step = [](double* window, int s) { return window + static_cast<std::ptrdiff_t>(s) * kLanes; };
    auto moveSteps = [&](double* window, int from, int to) {
        __builtin_memmove(step(window, to), step(window, from), sizeof(double) * kHistory * kLanes);
    };

    double edgePlus[5], edgeMinus[5];
    for (int i = 0; i <= 4; ++i) {
        edgePlus[i] = c.nPlus[i] - c.ePlus[i];
        edgeMinus[i] = c.nMinus[i] - c.eMinus[i];
    }
    double firstSample[kLanes], lastSample[kLanes];
    widen(0, 1, firstSample);
    widen(n - 1, 1, lastSample);
    const int edgeSteps = std::min(n, 4);
    double* x = buffers.x;

    // Causal: window step s holds line step a - kHistory + s.
    for (int a = 0; a < n; a += kChunk) {
        const int b = std::min(n, a + kChunk);
        if (a > 0)
            moveSteps(x, kChunk, 0);
        widen(a, b - a, step(x, kHistory));
        int k = a;
        for (; k < edgeSteps; ++k)
            EdgeStep(step(x, kHistory + k - a), causal + static_cast<std::ptrdiff_t>(k) * kLanes, kLanes, k, c.nPlus,
                     c.d, edgePlus, firstSample, causal + static_cast<std::ptrdiff_t>(k) * kLanes);
        if (k < b)
            RecurseInterior<true>(step(x, kHistory + k - a), causal + static_cast<std::ptrdiff_t>(k) * kLanes, b - k,
                                  +1, c.nPlus, c.d);
    }

    // Anti-causal, chunks from the end: window step s holds line step a + s,
    // the four after the chunk above it. Each chunk's steps are summed with
    // the causal outputs and written to the plane once done.
    double* anti = buffers.anticausal;
    for (int b = n; b > 0; b -= kChunk) {
        const int a = std::max(0, b - kChunk);
        if (b < n) {
            moveSteps(x, 0, b - a);
            moveSteps(anti, 0, b - a);
        }
        widen(a, b - a, x);
        int k = b - 1;
        for (; k >= n - edgeSteps; --k)
            EdgeStep(step(x, k - a), step(anti, k - a), -kLanes, n - 1 - k, c.nMinus, c.d, edgeMinus, lastSample,
                     step(anti, k - a));
        if (k >= a)
            RecurseInterior<false>(step(x, k - a), step(anti, k - a), k - a + 1, -1, c.nMinus, c.d);
        // A step's sixteen bytes are side by side in a row of the plane
        // across; for rows they go back over the step's samples, no longer
        // needed once widened, and to the rows when the line is done.
        for (k = a; k < b; ++k) {
            const double* causalStep = causal + static_cast<std::ptrdiff_t>(k) * kLanes;
            std::uint8_t* out = kAcross ? first + k * sampleStep : samples + static_cast<std::ptrdiff_t>(k) * kLanes;
            RoundStep(causalStep, step(anti, k - a), out);
        }
    }
    if constexpr (!kAcross)
        StepsToRows(samples, n, first, laneStep);
}

// Filters lines [firstLine, lastLine) of n samples in place: line j starts at
// plane + j * lineStep, its samples sampleStep apart.
void FilterLines(std::uint8_t* plane, std::ptrdiff_t lineStep, std::ptrdiff_t sampleStep, int n, int firstLine,
                 int lastLine, const DericheCoeffs& c, LaneBuffers& buffers) {
    int line = firstLine;
    for (; line + kLanes <= lastLine; line += kLanes) {
        if (lineStep == 1)
            FilterLanes<true>(plane + line, 1, sampleStep, n, c, buffers);
        else
            FilterLanes<false>(plane + line * lineStep, lineStep, 1, n, c, buffers);
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

bool DericheGaussian(EngineRect rect, std::uint8_t* plane, const std::atomic<std::uint8_t>* abort, int hParam,
                     int vParam, CRSProgress* progress) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (!plane || !abort)
        return false;
    if (width <= 0 || height <= 0) {
        // Nothing to blur; the vertical pass still reports its columns.
        for (int c = 0; c < width; ++c)
            if (progress && !progress->Progress(c * 50 / width))
                return false;
        return true;
    }

    // Columns side by side, then rows; each pass spread over the threads in
    // blocks of lines, with the reports made here in order. A thread takes
    // columns kColumnGranule at a time: the rows' bytes of narrower ranges
    // would share most of their cache lines with other threads' ranges. Each thread
    // keeps its lane buffers (ThreadLaneBuffers): allocating them per block
    // of lines, or per call, would map fresh pages every time.
    const int longest = std::max(width, height);
    const DericheCoeffs vertical = DericheCoefficients(DericheSigma(vParam));
    const int columnsDone = ParallelLinesInOrder(
        width, height,
        [&](int first, int last) {
            FilterLines(plane, 1, width, height, first, last, vertical, ThreadLaneBuffers(longest));
        },
        [&](int c) { return !progress || progress->Progress(static_cast<int>(c * 50LL / width)); }, kColumnGranule);
    if (!columnsDone)
        return false;

    const DericheCoeffs horizontal = DericheCoefficients(DericheSigma(hParam));
    return ParallelLinesInOrder(
        height, width,
        [&](int first, int last) {
            FilterLines(plane, width, 1, width, first, last, horizontal, ThreadLaneBuffers(longest));
        },
        [&](int y) {
            if (abort->load(std::memory_order_relaxed))
                return 0;
            const long long done = static_cast<long long>(y) * width * 50 / (static_cast<long long>(width) * height);
            return !progress || progress->Progress(static_cast<int>(done + 50)) ? 1 : 0;
        },
        kLanes);
}

#include "platform/imaging/Resampler.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "platform/cpu/TargetClones.h"
#include "platform/threads/ParallelFor.h"

namespace imaging {

namespace {

// Index i folded into 0..n-1 by mirroring with the edge pixel repeated.
int Mirror(long long i, int n) {
    const long long period = 2LL * n;
    long long m = i % period;
    if (m < 0)
        m += period;
    return static_cast<int>(m < n ? m : period - 1 - m);
}

double Tent(double x) {
    x = std::fabs(x);
    return x < 1.0 ? 1.0 - x : 0.0;
}

// Catmull-Rom: the cubic convolution kernel with a = -0.5.
double CatmullRom(double x) {
    x = std::fabs(x);
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    if (x < 2.0)
        return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
    return 0.0;
}

// The taps of every output position of one axis that is computed. Output
// i's taps are the consecutive positions start[i], start[i] + 1, ... of the
// source continued by mirroring; index holds them folded into the source.
struct AxisTaps {
    int taps = 0;
    std::vector<int> index;                  // count * taps, already mirrored into the source
    std::vector<float> weight;               // count * taps, each output's weights sum to 1
    std::vector<std::ptrdiff_t> start;       // count, nondecreasing
    std::ptrdiff_t lowest = 0, highest = 0;  // the first and last position of any tap
};

void NoteSpan(AxisTaps& axis) {
    if (axis.start.empty())
        return;
    axis.lowest = axis.start.front();
    axis.highest = axis.start.back() + axis.taps - 1;
}

AxisTaps BuildAxis(int srcLen, int dstLen, int first, int count, InterpolationMode mode) {
    AxisTaps axis;
    const double scale = static_cast<double>(srcLen) / dstLen;
    if (mode == InterpolationMode::NearestNeighbor) {
        axis.taps = 1;
        axis.index.resize(count);
        axis.weight.assign(count, 1.0f);
        axis.start.resize(count);
        for (int i = 0; i < count; ++i) {
            const long long o = first + i;
            axis.index[i] = static_cast<int>(
                std::min<long long>(srcLen - 1, static_cast<long long>(std::floor((o + 0.5) * scale))));
            axis.start[i] = axis.index[i];
        }
        NoteSpan(axis);
        return axis;
    }
    const bool cubic = mode == InterpolationMode::Bicubic || mode == InterpolationMode::HighQualityBicubic;
    const bool wide = mode == InterpolationMode::HighQualityBilinear || mode == InterpolationMode::HighQualityBicubic;
    const double stretch = wide ? std::max(1.0, scale) : 1.0;
    const double radius = (cubic ? 2.0 : 1.0) * stretch;
    axis.taps = static_cast<int>(std::ceil(2.0 * radius)) + 1;
    axis.index.resize(static_cast<std::size_t>(count) * axis.taps);
    axis.weight.resize(static_cast<std::size_t>(count) * axis.taps);
    axis.start.resize(count);
    std::vector<double> w(axis.taps);
    for (int i = 0; i < count; ++i) {
        const double centre = (first + i + 0.5) * scale - 0.5;
        const long long start = static_cast<long long>(std::floor(centre - radius));
        axis.start[i] = static_cast<std::ptrdiff_t>(start);
        double sum = 0.0;
        for (int k = 0; k < axis.taps; ++k) {
            const double x = (static_cast<double>(start + k) - centre) / stretch;
            w[k] = cubic ? CatmullRom(x) : Tent(x);
            sum += w[k];
        }
        const std::size_t base = static_cast<std::size_t>(i) * axis.taps;
        for (int k = 0; k < axis.taps; ++k) {
            axis.index[base + k] = Mirror(start + k, srcLen);
            axis.weight[base + k] = static_cast<float>(w[k] / sum);
        }
    }
    NoteSpan(axis);
    return axis;
}

// Four floats: one pixel's channels, in the lanes of one SSE register.
using PixelLanes = float __attribute__((vector_size(16)));

// Each byte as a float.
VESPERA_WIDE_VECTORS
void BytesToFloats(const std::uint8_t* bytes, std::ptrdiff_t n, float* out) {
    for (std::ptrdiff_t i = 0; i < n; ++i)
        out[i] = bytes[i];
}

// Positions ax.lowest..ax.highest of a source row (continued by mirroring)
// as floats, Step a pixel as the bytes lie, so that each output of the
// horizontal pass reads its taps one after another: a tap is the four
// floats from its pixel on. Of 3-byte pixels the fourth is the next pixel's
// first (or, after the last, whatever `out` holds there), in a lane whose
// sum is never used. Converting once is cheaper than once per tap: at a 3x
// reduction with the widened cubic every source pixel is a tap of four or
// five outputs. `out` holds (ax.highest - ax.lowest + 1) * Step + 1 floats.
template <int Step>
void RowToLanes(const std::uint8_t* row, int srcLen, const AxisTaps& ax, float* out) {
    const auto mirrored = [&](std::ptrdiff_t position) {
        BytesToFloats(row + static_cast<std::ptrdiff_t>(Mirror(position, srcLen)) * Step, Step,
                      out + (position - ax.lowest) * Step);
    };
    const std::ptrdiff_t inFirst = std::max<std::ptrdiff_t>(ax.lowest, 0);
    const std::ptrdiff_t inLast = std::min<std::ptrdiff_t>(ax.highest, srcLen - 1);
    for (std::ptrdiff_t v = ax.lowest; v < inFirst; ++v)
        mirrored(v);
    if (inFirst <= inLast)
        BytesToFloats(row + inFirst * Step, (inLast - inFirst + 1) * Step, out + (inFirst - ax.lowest) * Step);
    for (std::ptrdiff_t v = std::max(inLast + 1, ax.lowest); v <= ax.highest; ++v)
        mirrored(v);
}

// Two pixels' lanes: two outputs of the horizontal pass side by side.
using PairLanes = float __attribute__((vector_size(32)));

// Outputs of the horizontal pass summed at once: each sum is a chain of
// dependent additions, so several sums side by side keep the adder busy.
constexpr int kPairsAtOnce = 4;

// The horizontal weights of each pair of outputs (x, x + 1), x even, as the
// lanes they multiply: tap k of the pair is x's weight four times, then
// x + 1's four times.
std::vector<float> PairWeights(const AxisTaps& ax, int count) {
    const int taps = ax.taps;
    std::vector<float> pairs(static_cast<std::size_t>(count / 2) * taps * 8);
    for (int x = 0; x + 1 < count; x += 2)
        for (int k = 0; k < taps; ++k) {
            float* lanes = &pairs[(static_cast<std::size_t>(x / 2) * taps + k) * 8];
            std::fill(lanes, lanes + 4, ax.weight[static_cast<std::size_t>(x) * taps + k]);
            std::fill(lanes + 4, lanes + 8, ax.weight[static_cast<std::size_t>(x + 1) * taps + k]);
        }
    return pairs;
}

// Sums `pairs` pairs of outputs (at most kPairsAtOnce) from x on (even);
// see HorizontalRowOf.
template <int Step>
inline void SumPairs(const float* lanes, const std::ptrdiff_t* start, std::ptrdiff_t lowest, const float* pairWeights,
                     int taps, int x, int pairs, int channels, float* out) {
    const float* p[2 * kPairsAtOnce];
    for (int j = 0; j < 2 * pairs; ++j)
        p[j] = lanes + (start[x + j] - lowest) * Step;
    const float* w = pairWeights + static_cast<std::ptrdiff_t>(x / 2) * taps * 8;
    PairLanes acc[kPairsAtOnce] = {};
    for (int k = 0; k < taps; ++k)
        for (int j = 0; j < pairs; ++j) {
            PixelLanes a, b;
            PairLanes weights;
            std::memcpy(&a, p[2 * j] + k * Step, sizeof a);
            std::memcpy(&b, p[2 * j + 1] + k * Step, sizeof b);
            std::memcpy(&weights, w + (static_cast<std::ptrdiff_t>(j) * taps + k) * 8, sizeof weights);
            acc[j] += weights * __builtin_shufflevector(a, b, 0, 1, 2, 3, 4, 5, 6, 7);
        }
    for (int j = 0; j < pairs; ++j) {
        const PixelLanes a = __builtin_shufflevector(acc[j], acc[j], 0, 1, 2, 3);
        const PixelLanes b = __builtin_shufflevector(acc[j], acc[j], 4, 5, 6, 7);
        std::memcpy(out + static_cast<std::ptrdiff_t>(x + 2 * j) * channels, &a, sizeof a);
        std::memcpy(out + static_cast<std::ptrdiff_t>(x + 2 * j + 1) * channels, &b, sizeof b);
    }
}

// The horizontal pass of one row, from its lanes (RowToLanes): each
// output's channels are summed side by side, two outputs in one vector,
// each lane as the scalar sum acc = 0, acc += w[k] * p[k] for k in order, so
// every output value gets exactly the same float operations in the same
// order. Writes four floats an output, `channels` apart and in order, so
// `out` needs one float to spare after the last.
template <int Step>
inline void HorizontalRowOf(const float* lanes, const AxisTaps& ax, const float* pairWeights, int count, int channels,
                            float* out) {
    const int taps = ax.taps;
    const std::ptrdiff_t* start = ax.start.data();
    int x = 0;
    for (; x + 2 * kPairsAtOnce <= count; x += 2 * kPairsAtOnce)
        SumPairs<Step>(lanes, start, ax.lowest, pairWeights, taps, x, kPairsAtOnce, channels, out);
    if (x + 2 <= count) {
        const int pairs = (count - x) / 2;
        SumPairs<Step>(lanes, start, ax.lowest, pairWeights, taps, x, pairs, channels, out);
        x += 2 * pairs;
    }
    if (x < count) {
        const float* p = lanes + (start[x] - ax.lowest) * Step;
        const float* w = &ax.weight[static_cast<std::size_t>(x) * taps];
        PixelLanes acc = {};
        for (int k = 0; k < taps; ++k) {
            PixelLanes a;
            std::memcpy(&a, p + k * Step, sizeof a);
            acc += w[k] * a;
        }
        std::memcpy(out + static_cast<std::ptrdiff_t>(x) * channels, &acc, sizeof acc);
    }
}

// The horizontal pass of rows of 3- and 4-byte pixels, each with an AVX2 build.
VESPERA_WIDE_VECTORS
void HorizontalRow3(const float* lanes, const AxisTaps& ax, const float* pairWeights, int count, int channels,
                    float* out) {
    HorizontalRowOf<3>(lanes, ax, pairWeights, count, channels, out);
}
VESPERA_WIDE_VECTORS
void HorizontalRow4(const float* lanes, const AxisTaps& ax, const float* pairWeights, int count, int channels,
                    float* out) {
    HorizontalRowOf<4>(lanes, ax, pairWeights, count, channels, out);
}

// The vertical pass's step: acc[j] += w * row[j].
VESPERA_WIDE_VECTORS
void AddWeightedRow(const float* row, float w, int n, float* acc) {
    for (int j = 0; j < n; ++j)
        acc[j] += w * row[j];
}

// The sums (already offset by 0.5) to bytes, clamped and truncated.
VESPERA_WIDE_VECTORS
void RoundRow(const float* acc, int n, std::uint8_t* out) {
    for (int j = 0; j < n; ++j)
        out[j] = static_cast<std::uint8_t>(std::clamp(acc[j], 0.0f, 255.0f));
}

// One source row's share in one output row of a block.
struct Contribution {
    int row;  // source row
    int y;    // output row within the block
    float weight;
};

template <int Step, int Channels>
bool ResampleImpl(const ResampleSource& src, int dstW, int dstH, const Rect& window, std::uint8_t* out,
                  std::ptrdiff_t outStride, InterpolationMode mode) {
    const AxisTaps hx = BuildAxis(src.width, dstW, window.x, window.width, mode);
    const AxisTaps vy = BuildAxis(src.height, dstH, window.y, window.height, mode);
    const std::vector<float> pairWeights = PairWeights(hx, window.width);
    const double scaleY = static_cast<double>(src.height) / dstH;
    const int n = window.width * Channels;
    // Blocks of output rows that each need a few dozen source rows, so the
    // source rows shared by two blocks are filtered twice only rarely; the
    // block's sums stay within 16 MB.
    int blockRows = scaleY >= 1.0 ? std::clamp(static_cast<int>(256.0 / scaleY), 4, 32)
                                  : static_cast<int>(std::min(4096.0, 32.0 * std::ceil(1.0 / scaleY)));
    blockRows = std::max(1, std::min<int>(blockRows, (std::int64_t{4} << 20) / n));
    const int blocks = (window.height + blockRows - 1) / blockRows;
    std::atomic<bool> failed{false};

    ParallelFor(0, blocks, [&](int b0, int b1) {
        try {
            std::vector<float> sums, filtered(n + 1),
                lanes(static_cast<std::size_t>(hx.highest - hx.lowest + 1) * Step + 1);
            std::vector<Contribution> parts;
            for (int b = b0; b < b1 && !failed.load(std::memory_order_relaxed); ++b) {
                const int y0 = b * blockRows, y1 = std::min(window.height, y0 + blockRows);
                parts.clear();
                for (int y = y0; y < y1; ++y)
                    for (int k = 0; k < vy.taps; ++k) {
                        const std::size_t t = static_cast<std::size_t>(y) * vy.taps + k;
                        if (vy.weight[t] != 0.0f)
                            parts.push_back({vy.index[t], y - y0, vy.weight[t]});
                    }
                // Each source row is filtered once and added to every output
                // row of the block that uses it, in a fixed order.
                std::stable_sort(parts.begin(), parts.end(),
                                 [](const Contribution& a, const Contribution& c) { return a.row < c.row; });
                sums.assign(static_cast<std::size_t>(y1 - y0) * n, 0.5f);  // 0.5: rounding offset
                for (std::size_t i = 0; i < parts.size();) {
                    const int row = parts[i].row;
                    RowToLanes<Step>(src.bits + static_cast<std::ptrdiff_t>(row) * src.stride, src.width, hx,
                                     lanes.data());
                    (Step == 3 ? HorizontalRow3 : HorizontalRow4)(lanes.data(), hx, pairWeights.data(), window.width,
                                                                  Channels, filtered.data());
                    for (; i < parts.size() && parts[i].row == row; ++i) {
                        float* acc = &sums[static_cast<std::size_t>(parts[i].y) * n];
                        AddWeightedRow(filtered.data(), parts[i].weight, n, acc);
                    }
                }
                for (int y = y0; y < y1; ++y) {
                    const float* acc = &sums[static_cast<std::size_t>(y - y0) * n];
                    std::uint8_t* o = out + static_cast<std::ptrdiff_t>(y) * outStride;
                    RoundRow(acc, n, o);
                }
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    });
    return !failed;
}

}  // namespace

bool Resample(const ResampleSource& src, int dstW, int dstH, const Rect& window, std::uint8_t* out,
              std::ptrdiff_t outStride, InterpolationMode mode) {
    if (!src.bits || src.width <= 0 || src.height <= 0 || dstW <= 0 || dstH <= 0 || !out ||
        !window.InsideOf(dstW, dstH))
        return false;
    try {
        if (src.step == 3 && src.channels == 3)
            return ResampleImpl<3, 3>(src, dstW, dstH, window, out, outStride, mode);
        if (src.step == 4 && src.channels == 3)
            return ResampleImpl<4, 3>(src, dstW, dstH, window, out, outStride, mode);
        if (src.step == 4 && src.channels == 4)
            return ResampleImpl<4, 4>(src, dstW, dstH, window, out, outStride, mode);
    } catch (const std::bad_alloc&) {
    }
    return false;
}

}  // namespace imaging

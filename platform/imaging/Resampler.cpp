#include "platform/imaging/Resampler.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

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

// The taps of every output position of one axis that is computed.
struct AxisTaps {
    int taps = 0;
    std::vector<int> index;     // count * taps, already mirrored into the source
    std::vector<float> weight;  // count * taps, each output's weights sum to 1
    int lowest = 0;             // the smallest and largest index
    int highest = 0;
};

void NoteIndexRange(AxisTaps& axis) {
    const auto [lowest, highest] = std::minmax_element(axis.index.begin(), axis.index.end());
    axis.lowest = *lowest;
    axis.highest = *highest;
}

AxisTaps BuildAxis(int srcLen, int dstLen, int first, int count, InterpolationMode mode) {
    AxisTaps axis;
    const double scale = static_cast<double>(srcLen) / dstLen;
    if (mode == InterpolationMode::NearestNeighbor) {
        axis.taps = 1;
        axis.index.resize(count);
        axis.weight.assign(count, 1.0f);
        for (int i = 0; i < count; ++i) {
            const long long o = first + i;
            axis.index[i] = static_cast<int>(
                std::min<long long>(srcLen - 1, static_cast<long long>(std::floor((o + 0.5) * scale))));
        }
        NoteIndexRange(axis);
        return axis;
    }
    const bool cubic = mode == InterpolationMode::Bicubic || mode == InterpolationMode::HighQualityBicubic;
    const bool wide = mode == InterpolationMode::HighQualityBilinear || mode == InterpolationMode::HighQualityBicubic;
    const double stretch = wide ? std::max(1.0, scale) : 1.0;
    const double radius = (cubic ? 2.0 : 1.0) * stretch;
    axis.taps = static_cast<int>(std::ceil(2.0 * radius)) + 1;
    axis.index.resize(static_cast<std::size_t>(count) * axis.taps);
    axis.weight.resize(static_cast<std::size_t>(count) * axis.taps);
    std::vector<double> w(axis.taps);
    for (int i = 0; i < count; ++i) {
        const double centre = (first + i + 0.5) * scale - 0.5;
        const long long start = static_cast<long long>(std::floor(centre - radius));
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
    NoteIndexRange(axis);
    return axis;
}

// Four floats: one pixel's channels, in the lanes of one SSE register.
using PixelLanes = float __attribute__((vector_size(16)));

// Source pixels first..first+width-1 of a row as floats, four lanes a pixel
// (the channels, then the pad byte or 0), so that each tap of the
// horizontal pass is one 4-lane load.
// Converting once is cheaper than once per tap: at a 3x reduction with the
// widened cubic every source pixel is a tap of four or five outputs.
template <int Step>
void RowToLanes(const std::uint8_t* row, int first, int width, float* out) {
    row += static_cast<std::ptrdiff_t>(first) * Step;
    if constexpr (Step == 4) {
        for (int i = 0; i < width * 4; ++i)
            out[i] = row[i];
    } else {
        for (int x = 0; x < width; ++x) {
            out[x * 4 + 0] = row[x * 3 + 0];
            out[x * 4 + 1] = row[x * 3 + 1];
            out[x * 4 + 2] = row[x * 3 + 2];
            out[x * 4 + 3] = 0.0f;
        }
    }
}

// The horizontal pass of one row, from its lanes (those of source pixels
// ax.lowest..ax.highest): each output's channels
// are summed side by side in one register, each lane as the scalar sum
// acc = 0, acc += w[k] * p[k] for k in order, so every output value gets
// exactly the same float operations in the same order.
template <int Channels>
void HorizontalRow(const float* lanes, const AxisTaps& ax, int count, float* out) {
    const int taps = ax.taps;
    for (int x = 0; x < count; ++x) {
        const int* idx = &ax.index[static_cast<std::size_t>(x) * taps];
        const float* wt = &ax.weight[static_cast<std::size_t>(x) * taps];
        PixelLanes acc = {0.0f, 0.0f, 0.0f, 0.0f};
        for (int k = 0; k < taps; ++k) {
            PixelLanes p;
            std::memcpy(&p, lanes + static_cast<std::ptrdiff_t>(idx[k] - ax.lowest) * 4, sizeof p);
            acc += wt[k] * p;
        }
        for (int c = 0; c < Channels; ++c)
            out[x * Channels + c] = acc[c];
    }
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
            std::vector<float> sums, filtered(n), lanes(static_cast<std::size_t>(hx.highest - hx.lowest + 1) * 4);
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
                    RowToLanes<Step>(src.bits + static_cast<std::ptrdiff_t>(row) * src.stride, hx.lowest,
                                     hx.highest - hx.lowest + 1, lanes.data());
                    HorizontalRow<Channels>(lanes.data(), hx, window.width, filtered.data());
                    for (; i < parts.size() && parts[i].row == row; ++i) {
                        float* acc = &sums[static_cast<std::size_t>(parts[i].y) * n];
                        const float w = parts[i].weight;
                        for (int j = 0; j < n; ++j)
                            acc[j] += w * filtered[j];
                    }
                }
                for (int y = y0; y < y1; ++y) {
                    const float* acc = &sums[static_cast<std::size_t>(y - y0) * n];
                    std::uint8_t* o = out + static_cast<std::ptrdiff_t>(y) * outStride;
                    for (int j = 0; j < n; ++j)
                        o[j] = static_cast<std::uint8_t>(std::clamp(acc[j], 0.0f, 255.0f));
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

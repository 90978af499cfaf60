#include "engine/SuperResLanczos.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "engine/KernelResample.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace SuperRes {
namespace {

constexpr int kWeightOne = 4096;
// Phase weights up to this keep |(wh * wv) >> 8| below 2^20, so that its
// high part (PairWeights) fits 16 bits.
constexpr int kLargestPairedWeight = 1 << 14;
constexpr double kMaxWeight = 1 << 20;

// Whole part and phase (in 1/256) of the source position of output index i.
struct Position {
    long long whole;
    int phase;
};

Position SourcePosition(long long i, int srcSize, int dstSize) {
    const long long scaled = i * srcSize;
    const long long whole = scaled / dstSize;
    // floor(256 * i * src / dst) - 256 * whole, without forming 256 * i * src.
    return {whole, static_cast<int>((scaled % dstSize) * kLanczosPhases / dstSize)};
}

// The taps of a phase whose weight is not 0: [first, last], empty when
// first > last. A tap of weight 0 makes every (wh * wv) >> 8 of its row or
// column 0, so the sums may leave it out (at phase 0 a sinc kernel has one).
struct TapRange {
    int first;
    int last;
};

struct Tables {
    int taps = 0;                       // 2R
    std::vector<int> phase;             // kLanczosPhases rows of `taps` weights
    std::vector<TapRange> nonZero;      // per phase
    bool pairsFit = false;              // every (wh * wv) >> 8 splits into 16-bit pairs (PairWeights)
    std::vector<int> columnSlot;        // per output column: its slot among the phases in use
    std::vector<int> slotPhase;         // phase of each slot
    std::vector<TapRange> slotColumns;  // the non-zero taps of each slot's phase
    std::vector<int> columnOffset;      // per output column, `taps` byte offsets into a source row
    std::vector<int> rowPhase;          // per output row
    std::vector<long long> rowWhole;
};

// Fills the tables; false when the kernel's weights are too large for the
// 32-bit sums (no kernel of this system comes near: Lanczos weights are at
// most 1).
bool BuildTables(Tables& t, const ResampleParams& p, int radius, int channels) {
    t.taps = 2 * radius;
    t.phase.resize(static_cast<std::size_t>(kLanczosPhases) * t.taps);
    long long largestRowSum = 0;  // of |weight| over the taps of a phase
    for (int k = 0; k < kLanczosPhases; ++k) {
        long long rowSum = 0;
        for (int tap = 0; tap < t.taps; ++tap) {
            const double x = (tap - (radius - 1)) - k / static_cast<double>(kLanczosPhases);
            const double w = KernelValue(x, p.support, p.window, p.type) * kWeightOne + 0.5;
            if (!(std::fabs(w) < kMaxWeight))
                return false;
            const int weight = static_cast<int>(w);
            t.phase[static_cast<std::size_t>(k) * t.taps + tap] = weight;
            rowSum += std::abs(weight);
        }
        largestRowSum = std::max(largestRowSum, rowSum);
    }
    int largestWeight = 0;
    for (int weight : t.phase)
        largestWeight = std::max(largestWeight, std::abs(weight));
    t.pairsFit = largestWeight <= kLargestPairedWeight;
    t.nonZero.resize(kLanczosPhases);
    for (int k = 0; k < kLanczosPhases; ++k) {
        const int* w = &t.phase[static_cast<std::size_t>(k) * t.taps];
        TapRange& range = t.nonZero[k];
        range = {t.taps, -1};
        for (int tap = 0; tap < t.taps; ++tap)
            if (w[tap] != 0) {
                range.first = std::min(range.first, tap);
                range.last = tap;
            }
    }
    // Every sum is at most 255 * sum |(wh * wv) >> 8| over the tap pairs.
    const long long bound = 255 * (largestRowSum * largestRowSum / 256 + t.taps * t.taps);
    if (bound > std::numeric_limits<int>::max())
        return false;

    std::vector<int> slotOf(kLanczosPhases, -1);
    t.columnSlot.resize(p.dstW);
    t.columnOffset.resize(static_cast<std::size_t>(p.dstW) * t.taps);
    for (int x = 0; x < p.dstW; ++x) {
        const Position pos = SourcePosition(x, p.srcW, p.dstW);
        if (slotOf[pos.phase] < 0) {
            slotOf[pos.phase] = static_cast<int>(t.slotPhase.size());
            t.slotPhase.push_back(pos.phase);
        }
        t.columnSlot[x] = slotOf[pos.phase];
        for (int u = 0; u < t.taps; ++u)
            t.columnOffset[static_cast<std::size_t>(x) * t.taps + u] =
                channels * ClampIndex(pos.whole - radius + 1 + u, p.srcW);
    }
    for (int phase : t.slotPhase)
        t.slotColumns.push_back(t.nonZero[phase]);
    t.rowPhase.resize(p.dstH);
    t.rowWhole.resize(p.dstH);
    for (int y = 0; y < p.dstH; ++y) {
        const Position pos = SourcePosition(y, p.srcH, p.dstH);
        t.rowPhase[y] = pos.phase;
        t.rowWhole[y] = pos.whole;
    }
    return true;
}

// The two-dimensional weights (wh * wv) >> 8 of row y for every horizontal
// phase in use: per slot, taps rows of taps * Channels weights, each weight
// repeated for the channels so that a run of interleaved source bytes meets
// its weights one to one.
template <int Channels>
void RowWeights(const Tables& t, int y, int* weights) {
    const int taps = t.taps;
    const int* vertical = &t.phase[static_cast<std::size_t>(t.rowPhase[y]) * taps];
    for (std::size_t slot = 0; slot < t.slotPhase.size(); ++slot) {
        const int* horizontal = &t.phase[static_cast<std::size_t>(t.slotPhase[slot]) * taps];
        int* w = weights + slot * taps * taps * Channels;
        for (int v = 0; v < taps; ++v)
            for (int u = 0; u < taps; ++u)
                for (int c = 0; c < Channels; ++c)
                    w[(v * taps + u) * Channels + c] = (horizontal[u] * vertical[v]) >> 8;
    }
}

struct RowContext {
    const std::uint8_t* rows[2 * kLanczosMaxRadius];
    std::uint8_t* out;
};

RowContext RowPointers(const ResampleParams& p, const Tables& t, int y) {
    RowContext r;
    const int radius = t.taps / 2;
    for (int v = 0; v < t.taps; ++v)
        r.rows[v] =
            p.src + static_cast<std::ptrdiff_t>(ClampIndex(t.rowWhole[y] - radius + 1 + v, p.srcH)) * p.srcStride;
    r.out = p.dst + static_cast<std::ptrdiff_t>(y) * p.dstStride;
    return r;
}

// One output pixel through the clamped column offsets (any tap count).
template <int Channels>
void ClampedPixel(const RowContext& r, const Tables& t, const int* weights, int x) {
    const int taps = t.taps;
    const int* w = weights + static_cast<std::size_t>(t.columnSlot[x]) * taps * taps * Channels;
    const int* offsets = &t.columnOffset[static_cast<std::size_t>(x) * taps];
    int sum[Channels] = {};
    for (int v = 0; v < taps; ++v) {
        const std::uint8_t* row = r.rows[v];
        const int* wv = w + v * taps * Channels;
        for (int u = 0; u < taps; ++u)
            for (int c = 0; c < Channels; ++c)
                sum[c] += wv[u * Channels + c] * row[offsets[u] + c];
    }
    for (int c = 0; c < Channels; ++c)
        r.out[Channels * x + c] = ClampToByte(sum[c] >> 16);
}

template <int Channels>
void ResampleRow(const ResampleParams& p, const Tables& t, int* weights, int y) {
    RowWeights<Channels>(t, y, weights);
    const RowContext r = RowPointers(p, t, y);
    for (int x = 0; x < p.dstW; ++x)
        ClampedPixel<Channels>(r, t, weights, x);
}

// The common case of the super-resolution driver, Lanczos-4 on B, G, R: where
// all 8 columns of a pixel lie inside the row, its 24 source bytes are
// contiguous and meet their 24 weights in one vectorisable loop per row.
constexpr int kBgrTaps = 8;
constexpr int kBgrRun = 3 * kBgrTaps;

bool ColumnsInside(const int* offsets) { return offsets[kBgrTaps - 1] - offsets[0] == 3 * (kBgrTaps - 1); }

void StoreBgr(std::uint8_t* out, const int* acc) {
    int sum[3] = {};
    for (int u = 0; u < kBgrTaps; ++u)
        for (int c = 0; c < 3; ++c)
            sum[c] += acc[3 * u + c];
    for (int c = 0; c < 3; ++c)
        out[c] = ClampToByte(sum[c] >> 16);
}

void ResampleRowBgr8(const ResampleParams& p, const Tables& t, int* weights, int y) {
    RowWeights<3>(t, y, weights);
    const RowContext r = RowPointers(p, t, y);
    const TapRange rows = t.nonZero[t.rowPhase[y]];
    for (int x = 0; x < p.dstW; ++x) {
        const int* offsets = &t.columnOffset[static_cast<std::size_t>(x) * kBgrTaps];
        if (!ColumnsInside(offsets)) {
            ClampedPixel<3>(r, t, weights, x);
            continue;
        }
        const int* w = weights + static_cast<std::size_t>(t.columnSlot[x]) * kBgrTaps * kBgrRun;
        int acc[kBgrRun] = {};
        for (int v = rows.first; v <= rows.last; ++v) {
            const std::uint8_t* px = r.rows[v] + offsets[0];
            const int* wv = w + v * kBgrRun;
            for (int i = 0; i < kBgrRun; ++i)
                acc[i] += wv[i] * px[i];
        }
        StoreBgr(r.out + 3 * x, acc);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The output bytes of the sums B, G, R in the first three lanes: sum >> 16
// limited to 0..255.
__attribute__((target("avx2"))) inline void StoreSumsBgr(std::uint8_t* out, __m128i sums) {
    sums = _mm_srai_epi32(sums, 16);
    sums = _mm_min_epi32(_mm_max_epi32(sums, _mm_setzero_si128()), _mm_set1_epi32(255));
    alignas(16) int bgr[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(bgr), sums);
    out[0] = static_cast<std::uint8_t>(bgr[0]);
    out[1] = static_cast<std::uint8_t>(bgr[1]);
    out[2] = static_cast<std::uint8_t>(bgr[2]);
}

// Channel sums of the 24 products B0 G0 R0 B1 ... R7 held in three vectors of
// eight: every vector lane belongs to a channel by its position modulo 3, so
// blending the three vectors per lane gathers one channel into one vector.
__attribute__((target("avx2"))) inline void StoreBgrAvx2(std::uint8_t* out, __m256i a0, __m256i a1, __m256i a2) {
    constexpr int kLanes0 = 0x49;  // lanes 0, 3, 6
    constexpr int kLanes1 = 0x92;  // lanes 1, 4, 7 (lanes 2 and 5 are the rest)
    const __m256i blue = _mm256_blend_epi32(_mm256_blend_epi32(a2, a0, kLanes0), a1, kLanes1);
    const __m256i green = _mm256_blend_epi32(_mm256_blend_epi32(a1, a2, kLanes0), a0, kLanes1);
    const __m256i red = _mm256_blend_epi32(_mm256_blend_epi32(a0, a1, kLanes0), a2, kLanes1);
    const __m256i bg = _mm256_hadd_epi32(blue, green);
    const __m256i r0 = _mm256_hadd_epi32(red, _mm256_setzero_si256());
    const __m256i sums8 = _mm256_hadd_epi32(bg, r0);  // B G R 0 per 128-bit half
    StoreSumsBgr(out, _mm_add_epi32(_mm256_castsi256_si128(sums8), _mm256_extracti128_si256(sums8, 1)));
}

// A pixel whose horizontal weights are 0 but at one tap (phase 0): the
// products of that column alone, per row the three bytes B, G, R from
// `column` bytes into the row with the weights from `weight` ints into the
// row's run of weights. The fourth lane takes the next byte of the row (the
// next tap, still inside it) times the next tap's weight, 0, and is dropped.
__attribute__((target("avx2"))) inline void OneColumnBgrAvx2(const RowContext& r, TapRange rows, const int* w,
                                                             int column, int weight, std::uint8_t* out) {
    __m128i acc = _mm_setzero_si128();
    for (int v = rows.first; v <= rows.last; ++v) {
        int bytes;
        std::memcpy(&bytes, r.rows[v] + column, sizeof bytes);
        const __m128i px = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes));
        const __m128i wv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + v * kBgrRun + weight));
        acc = _mm_add_epi32(acc, _mm_mullo_epi32(px, wv));
    }
    StoreSumsBgr(out, acc);
}

// The same integer arithmetic with AVX2, eight products at a time, each as
// one 16-bit multiply-add: a weight w = 128 a + b (b in 0..127) is held as a
// lane of b in the low and a in the high 16 bits, and a source byte p as p
// in the low and 128 p in the high half, so that pmaddwd makes
// p b + 128 p a = p w exactly (p, b, 128 p and a all fit 16 bits).
void PairWeights(const int* weights, std::size_t count, std::int32_t* pairs) {
    for (std::size_t i = 0; i < count; ++i) {
        const int a = weights[i] >> 7;  // floor
        const int b = weights[i] - 128 * a;
        pairs[i] = static_cast<std::int32_t>((static_cast<std::uint32_t>(a) << 16) | static_cast<std::uint32_t>(b));
    }
}

__attribute__((target("avx2"))) inline __m256i BytePairs(__m128i bytes) {
    const __m256i p = _mm256_cvtepu8_epi32(bytes);
    return _mm256_or_si256(p, _mm256_slli_epi32(p, 23));
}

// Neighbouring output pixels of an enlargement share their source columns
// (the same first column, other phases): their 24 bytes per row are
// widened once for the whole run and meet each pixel's own weights.
constexpr int kLongestRun = 3;

template <int N>
__attribute__((target("avx2"))) inline void SharedColumnsRunAvx2(const RowContext& r, TapRange rows, int column,
                                                                 const std::int32_t* const* pairs, std::uint8_t* out) {
    __m256i acc[N][3];
#pragma GCC unroll 3
    for (int k = 0; k < N; ++k)
        acc[k][0] = acc[k][1] = acc[k][2] = _mm256_setzero_si256();
    for (int v = rows.first; v <= rows.last; ++v) {
        const std::uint8_t* px = r.rows[v] + column;
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
        const __m128i high = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(px + 16));
        const __m256i p0 = BytePairs(low);
        const __m256i p1 = BytePairs(_mm_srli_si128(low, 8));
        const __m256i p2 = BytePairs(high);
#pragma GCC unroll 3
        for (int k = 0; k < N; ++k) {
            const std::int32_t* wv = pairs[k] + v * kBgrRun;
            acc[k][0] = _mm256_add_epi32(
                acc[k][0], _mm256_madd_epi16(p0, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wv))));
            acc[k][1] = _mm256_add_epi32(
                acc[k][1], _mm256_madd_epi16(p1, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wv + 8))));
            acc[k][2] = _mm256_add_epi32(
                acc[k][2], _mm256_madd_epi16(p2, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(wv + 16))));
        }
    }
#pragma GCC unroll 3
    for (int k = 0; k < N; ++k)
        StoreBgrAvx2(out + 3 * k, acc[k][0], acc[k][1], acc[k][2]);
}

// weights holds two rows' worth of scratch: RowWeights, then its pairs.
__attribute__((target("avx2"))) void ResampleRowBgr8Avx2(const ResampleParams& p, const Tables& t, int* weights,
                                                         int y) {
    RowWeights<3>(t, y, weights);
    const std::size_t weightCount = t.slotPhase.size() * kBgrTaps * kBgrRun;
    std::int32_t* pairs = weights + weightCount;
    PairWeights(weights, weightCount, pairs);
    const RowContext r = RowPointers(p, t, y);
    const TapRange rows = t.nonZero[t.rowPhase[y]];
    auto general = [&](int x) {
        const int* offsets = &t.columnOffset[static_cast<std::size_t>(x) * kBgrTaps];
        const TapRange columns = t.slotColumns[t.columnSlot[x]];
        return ColumnsInside(offsets) && !(columns.first == columns.last && columns.last < kBgrTaps - 1);
    };
    for (int x = 0; x < p.dstW; ++x) {
        const int* offsets = &t.columnOffset[static_cast<std::size_t>(x) * kBgrTaps];
        if (!ColumnsInside(offsets)) {
            ClampedPixel<3>(r, t, weights, x);
            continue;
        }
        const int slot = t.columnSlot[x];
        const int* w = weights + static_cast<std::size_t>(slot) * kBgrTaps * kBgrRun;
        const TapRange columns = t.slotColumns[slot];
        if (columns.first == columns.last && columns.last < kBgrTaps - 1) {
            OneColumnBgrAvx2(r, rows, w, offsets[0] + 3 * columns.first, 3 * columns.first, r.out + 3 * x);
            continue;
        }
        // A run of pixels with the same first column, this one included.
        const std::int32_t* run[kLongestRun] = {pairs + static_cast<std::size_t>(slot) * kBgrTaps * kBgrRun};
        int n = 1;
        while (n < kLongestRun && x + n < p.dstW &&
               t.columnOffset[static_cast<std::size_t>(x + n) * kBgrTaps] == offsets[0] && general(x + n)) {
            run[n] = pairs + static_cast<std::size_t>(t.columnSlot[x + n]) * kBgrTaps * kBgrRun;
            ++n;
        }
        if (n == 3)
            SharedColumnsRunAvx2<3>(r, rows, offsets[0], run, r.out + 3 * x);
        else if (n == 2)
            SharedColumnsRunAvx2<2>(r, rows, offsets[0], run, r.out + 3 * x);
        else
            SharedColumnsRunAvx2<1>(r, rows, offsets[0], run, r.out + 3 * x);
        x += n - 1;
    }
}

#else
void ResampleRowBgr8Avx2(const ResampleParams& p, const Tables& t, int* weights, int y) {
    ResampleRowBgr8(p, t, weights, y);
}
#endif

}  // namespace

bool ResampleLanczos(const ResampleParams& p) {
    if (p.type == 0 || !p.dst || !p.src || p.srcW <= 0 || p.srcH <= 0 || p.dstW <= 0 || p.dstH <= 0)
        return false;
    if (!(p.support > 0 && p.support <= kLanczosMaxRadius))
        return false;
    const int channels = p.colour ? 3 : 1;
    if (p.srcStride < static_cast<long long>(p.srcW) * channels ||
        p.dstStride < static_cast<long long>(p.dstW) * channels)
        return false;
    const int radius = static_cast<int>(std::ceil(p.support));

    Tables t;
    try {
        if (!BuildTables(t, p, radius, channels))
            return false;
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return false;
    }

    // Each range of rows has the row weights of every slot (RowWeights) of its own.
    const std::size_t weightCount = t.slotPhase.size() * t.taps * t.taps * channels;
    const bool avx2 = HasAvx2() && !p.portable;
    const bool paired = channels == 3 && t.taps == kBgrTaps && avx2 && t.pairsFit;
    return ForEachWithScratch<int>(p.dstH, paired ? 2 * weightCount : weightCount, p.parallel, p.abort,
                                   [&](int y, int* weights) {
                                       if (paired)
                                           ResampleRowBgr8Avx2(p, t, weights, y);
                                       else if (channels == 3 && t.taps == kBgrTaps)
                                           ResampleRowBgr8(p, t, weights, y);
                                       else if (channels == 3)
                                           ResampleRow<3>(p, t, weights, y);
                                       else
                                           ResampleRow<1>(p, t, weights, y);
                                   });
}

}  // namespace SuperRes

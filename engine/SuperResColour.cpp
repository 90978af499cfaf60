#include "engine/SuperResColour.h"

#include <algorithm>
#include <array>
#include <memory>

#include "engine/Plane.h"

namespace SuperRes {
namespace {

constexpr int kChromaZero = 127;

struct ColourTables {
    std::array<std::uint8_t, 256 * 256> blue;   // [Y][Cb]
    std::array<std::uint8_t, 256 * 256> red;    // [Y][Cr]
    std::array<std::int16_t, 256 * 256> green;  // [Cb][Cr]: subtracted from Y
};

std::unique_ptr<ColourTables> BuildColourTables() {
    auto t = std::make_unique<ColourTables>();
    for (int y = 0; y < 256; ++y)
        for (int c = 0; c < 256; ++c) {
            t->blue[y * 256 + c] = ClampToByte(y + static_cast<int>(1.7708 * (c - kChromaZero) + 0.5));
            t->red[y * 256 + c] = ClampToByte(y + static_cast<int>(1.4022 * (c - kChromaZero) + 0.5));
        }
    for (int cb = 0; cb < 256; ++cb)
        for (int cr = 0; cr < 256; ++cr) {
            const int g = static_cast<int>((cr - kChromaZero) * 0.7145 + (cb - kChromaZero) * 0.3456 + 0.5);
            t->green[cb * 256 + cr] = static_cast<std::int16_t>(std::clamp(g, -256, 256));
        }
    return t;
}

// Built once for the process (on the heap) and only read afterwards.
const ColourTables& Tables() {
    static const std::unique_ptr<ColourTables> tables = BuildColourTables();
    return *tables;
}

// One padded row of the planes from `width` pixels of B, G, R; the padding
// repeats the last pixel. Without cb (and cr) only the luminance.
inline void SplitRow(const std::uint8_t* __restrict row, int width, int paddedW, std::uint8_t* __restrict y,
                     std::uint8_t* __restrict cb, std::uint8_t* __restrict cr) {
    auto pixel = [&](int x, const std::uint8_t* px) {
        const int b = px[0], g = px[1], r = px[2];
        y[x] = static_cast<std::uint8_t>(LumaOf(b, g, r));
        if (cb) {
            cb[x] = static_cast<std::uint8_t>(BlueDifferenceOf(b, g, r));
            cr[x] = static_cast<std::uint8_t>(RedDifferenceOf(b, g, r));
        }
    };
    for (int x = 0; x < width; ++x)
        pixel(x, row + 3 * x);
    for (int x = width; x < paddedW; ++x)
        pixel(x, row + 3 * (width - 1));
}

}  // namespace

void SplitPlanesChunk(const PlaneSplitJob& job, int block) {
    const ColourPlanes& p = job.planes;
    const int first = block * kBlockRows;
    const int end = std::min(p.paddedH, first + kBlockRows);
    for (int y = first; y < end; ++y) {
        if (Stopped(job.abort))
            return;
        const std::uint8_t* row = job.image + static_cast<std::ptrdiff_t>(std::min(y, job.height - 1)) * job.stride;
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y) * p.paddedW;
        if (p.cb)
            SplitRow(row, job.width, p.paddedW, p.y + at, p.cb + at, p.cr + at);
        else
            SplitRow(row, job.width, p.paddedW, p.y + at, nullptr, nullptr);
    }
}

void MergePlanesChunk(const PlaneMergeJob& job, int block) {
    const ColourTables& t = Tables();
    const ColourPlanes& p = job.planes;
    const int first = block * kBlockRows;
    const int end = std::min(job.height, first + kBlockRows);
    for (int y = first; y < end; ++y) {
        std::uint8_t* out = job.image + static_cast<std::ptrdiff_t>(y) * job.stride;
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y) * p.paddedW;
        for (int x = 0; x < job.width; ++x) {
            std::uint8_t* px = out + 3 * x;
            const int lum = p.y[at + x];
            const int cb = p.cb ? p.cb[at + x] : BlueDifferenceOf(px[0], px[1], px[2]);
            const int cr = p.cr ? p.cr[at + x] : RedDifferenceOf(px[0], px[1], px[2]);
            px[0] = t.blue[lum * 256 + cb];
            px[1] = ClampToByte(lum - t.green[cb * 256 + cr]);
            px[2] = t.red[lum * 256 + cr];
        }
    }
}

}  // namespace SuperRes

#include "vespera-bench/PpmBitmap.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/threads/ParallelFor.h"
#include "vespera-bench/Ppm.h"

namespace {

// Swaps the first and third byte of every 3-byte pixel of a row, which turns
// R, G, B into B, G, R and back.
void SwapOuterBytes(const std::uint8_t* in, std::uint8_t* out, int pixels) {
    for (int x = 0; x < pixels; ++x) {
        const std::uint8_t a = in[3 * x], b = in[3 * x + 1], c = in[3 * x + 2];
        out[3 * x] = c;
        out[3 * x + 1] = b;
        out[3 * x + 2] = a;
    }
}

}  // namespace

std::unique_ptr<imaging::Bitmap> ReadPpmBitmap(const std::string& path) {
    PpmFile in(path, "rb");
    const std::optional<PpmSize> header = ReadDirectPpmHeader(in.file);
    if (!header)
        return nullptr;
    const PpmSize size = *header;
    // Every byte is read from the file, so the bitmap need not be cleared.
    auto bitmap = imaging::Bitmap::CreateUninitialised(size.width, size.height, imaging::PixelFormat24bppRGB);
    if (!bitmap)
        throw std::runtime_error(path + ": no memory for the picture");
    {
        auto lock = bitmap->LockBits({0, 0, size.width, size.height}, imaging::LockMode::Write);
        if (!lock)
            throw std::runtime_error(path + ": no memory for the picture");
        const std::size_t rowBytes = static_cast<std::size_t>(size.width) * 3;
        const std::size_t stride = static_cast<std::size_t>(lock->Stride());
        // Tight rows (a width that is a multiple of 4) come in one read.
        const bool tight = stride == rowBytes;
        for (int y = 0; y < size.height; y += tight ? size.height : 1) {
            const std::size_t bytes = tight ? rowBytes * size.height : rowBytes;
            if (std::fread(lock->Scan0() + y * stride, 1, bytes, in.file) != bytes)
                throw std::runtime_error(path + ": truncated PPM");
        }
        ParallelFor(0, size.height, [&](int first, int last) {
            for (int y = first; y < last; ++y)
                SwapOuterBytes(lock->Scan0() + y * stride, lock->Scan0() + y * stride, size.width);
        });
    }
    return bitmap;
}

void WritePpmBitmap(imaging::Bitmap& bitmap, const std::string& path) {
    const int w = bitmap.Width(), h = bitmap.Height();
    auto lock = bitmap.LockBits({0, 0, w, h}, imaging::LockMode::Read);
    if (!lock)
        throw std::runtime_error("cannot read the result");
    PpmFile out(path, "wb");
    WritePpmHeader(out.file, w, h);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    const int rowsPerChunk = static_cast<int>(std::max<std::size_t>(1, (std::size_t{4} << 20) / rowBytes));
    std::vector<std::uint8_t> chunk(rowBytes * std::min(rowsPerChunk, h));
    for (int first = 0; first < h; first += rowsPerChunk) {
        const int rows = std::min(rowsPerChunk, h - first);
        ParallelFor(0, rows, [&](int r0, int r1) {
            for (int r = r0; r < r1; ++r)
                SwapOuterBytes(lock->Scan0() + (first + r) * lock->Stride(), &chunk[r * rowBytes], w);
        });
        if (std::fwrite(chunk.data(), 1, rows * rowBytes, out.file) != rows * rowBytes)
            throw std::runtime_error("cannot write " + path);
    }
    if (std::fflush(out.file) != 0)
        throw std::runtime_error("cannot write " + path);
}

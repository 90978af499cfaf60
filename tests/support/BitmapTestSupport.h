#pragma once
// Bitmaps whose pixels name their own coordinates, for tests that must see
// where each output pixel came from.

#include <cstdint>
#include <memory>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"

// Pixel (x, y) holds B = x & 255, G = y & 255, R = (x >> 8) | (y >> 8) << 4.
inline void WriteCoordinatePixel(std::uint8_t* p, int x, int y) {
    p[0] = static_cast<std::uint8_t>(x);
    p[1] = static_cast<std::uint8_t>(y);
    p[2] = static_cast<std::uint8_t>((x >> 8) | (y >> 8) << 4);
}

inline std::unique_ptr<imaging::Bitmap> CoordinateBitmap(int w, int h) {
    auto bitmap = imaging::Bitmap::Create(w, h, imaging::PixelFormat24bppRGB);
    auto lock = bitmap->LockBits({0, 0, w, h}, imaging::LockMode::Write);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            WriteCoordinatePixel(lock->Scan0() + y * lock->Stride() + 3 * x, x, y);
    return bitmap;
}

struct Coordinate {
    int x, y;
};

inline Coordinate CoordinateAt(imaging::Bitmap& bitmap, int x, int y) {
    auto lock = bitmap.LockBits({x, y, 1, 1}, imaging::LockMode::Read);
    const std::uint8_t* p = lock->Scan0();
    return {p[0] | (p[2] & 15) << 8, p[1] | (p[2] >> 4) << 8};
}

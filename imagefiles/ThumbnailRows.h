#pragma once
// The decoded rows of an embedded thumbnail as R, G, B bytes, asked for top
// to bottom (each y at least the one before).

#include <cstdint>
#include <memory>
#include <vector>

class ThumbnailRows {
public:
    virtual ~ThumbnailRows() = default;
    virtual std::int64_t Width() const = 0;
    virtual std::int64_t Height() const = 0;
    // Row y, Width() x 3 bytes, valid until the next call. May throw.
    virtual const std::uint8_t* Row(std::int64_t y) = 0;
};

// A JPEG thumbnail decoded row by row with the Kestrel decoder; grey
// thumbnails come out as three equal bytes per pixel. Null for an image too
// large for the bytes it came in. Throws Kestrel::Error for a malformed JPEG.
std::unique_ptr<ThumbnailRows> OpenJpegThumbnailRows(std::vector<std::uint8_t> jpeg);

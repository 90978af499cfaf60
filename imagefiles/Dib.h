#pragma once
// CDib: a packed device-independent bitmap (header, optional palette and
// bottom-up pixel rows in one block) with a reference count, so that a
// thumbnail cell, the thumbnail cache and the drawing code can share one image.
//
// Every holder that keeps a reference calls AddRef and, when done, Release;
// the last Release frees the block and the object. The count is atomic, but
// the pixels and Stretch are not guarded: holders that change the image must
// agree on a lock of their own.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace imaging {
class Bitmap;
}

#pragma pack(push, 1)
// The 40-byte header at the start of every packed DIB, little-endian as on disk.
struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

struct RGBQUAD {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);

inline constexpr std::uint32_t BI_RGB = 0;

// A packed DIB made elsewhere (the EXIF thumbnail readers), handed over whole.
struct PackedDib {
    std::unique_ptr<std::uint8_t[]> block;
    std::size_t bytes = 0;

    explicit operator bool() const { return block != nullptr; }
    const BITMAPINFOHEADER& Header() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(block.get()); }
};

// Bytes per row: rows padded to 4 bytes.
std::size_t DibStride(std::int64_t width, int bitsPerPixel);

// Pixels per metre for a resolution in dots per inch, rounded: 72 dpi gives
// 2835, 96 dpi 3780.
std::int32_t DpiToPelsPerMeter(std::int64_t dpi);

class CDib {
public:
    // A blank image; the pixels are left uninitialised. 1-, 4- and 8-bit
    // images need a palette of 2^bits entries. Throws std::invalid_argument.
    static CDib* Create(int width, int height, int bitsPerPixel, std::span<const RGBQUAD> palette = {});
    // A 24-bit copy of a bitmap, with its resolution. Throws std::invalid_argument.
    static CDib* CreateFromBitmap(imaging::Bitmap* bitmap);
    // A copy of a packed DIB of blockBytes bytes. A palette shorter than
    // 2^bits (biClrUsed) is taken as it stands. Throws std::invalid_argument.
    static CDib* CreateFromInfo(const BITMAPINFO* pbmi, std::size_t blockBytes);
    // Adopts the block: on success it belongs to the CDib, on failure it is
    // freed with the PackedDib. Throws std::invalid_argument.
    static CDib* CreateFromInfo(PackedDib&& packed);

    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    void AddRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; the last one deletes the object.
    void Release();
    int RefCount() const { return m_refCount.load(std::memory_order_relaxed); }

    // Resamples to a new size as a 24-bit image with area averaging. False
    // (image unchanged) for a size of 0 or less or without memory; the same
    // size changes nothing.
    bool Stretch(int newWidth, int newHeight);
    void SetDpi(int xDpi, int yDpi);

    BITMAPINFOHEADER* Header() { return reinterpret_cast<BITMAPINFOHEADER*>(m_block.get()); }
    const BITMAPINFOHEADER* Header() const { return reinterpret_cast<const BITMAPINFOHEADER*>(m_block.get()); }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(m_block.get()); }
    std::uint8_t* Bits() { return m_bits; }
    const std::uint8_t* Bits() const { return m_bits; }
    const RGBQUAD* Palette() const {
        return reinterpret_cast<const RGBQUAD*>(m_block.get() + sizeof(BITMAPINFOHEADER));
    }
    std::size_t PaletteEntries() const { return m_paletteEntries; }
    std::size_t Stride() const { return m_stride; }
    std::size_t BlockBytes() const { return m_blockBytes; }
    int Width() const { return Header()->biWidth; }
    int Height() const { return Header()->biHeight; }
    int BitCount() const { return Header()->biBitCount; }
    // Row y counted from the top of the image (rows are stored bottom-up).
    std::uint8_t* TopDownRow(int y) { return m_bits + static_cast<std::size_t>(Height() - 1 - y) * m_stride; }
    const std::uint8_t* TopDownRow(int y) const {
        return m_bits + static_cast<std::size_t>(Height() - 1 - y) * m_stride;
    }

private:
    CDib(std::unique_ptr<std::uint8_t[]> block, std::size_t blockBytes, std::size_t paletteEntries);
    ~CDib() = default;

    std::atomic<std::int32_t> m_refCount{1};
    std::unique_ptr<std::uint8_t[]> m_block;
    std::size_t m_blockBytes = 0;
    std::size_t m_paletteEntries = 0;
    std::size_t m_stride = 0;
    std::uint8_t* m_bits = nullptr;
};

// Allocates a 24-bit packed DIB of width x height (both above 0) with the
// header filled (bottom-up, BI_RGB, biSizeImage set, no palette, resolution
// 0); the pixels are left uninitialised.
PackedDib AllocatePackedDib24(int width, int height);

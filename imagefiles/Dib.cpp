#include "imagefiles/Dib.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const std::string kTabs(8, '\t');

[[noreturn]] void ThrowEmptyDib() {
    throw std::invalid_argument("invalid width or height argument: " + kTabs + " trying to create an empty dib");
}

[[noreturn]] void ThrowUnsupportedBits() {
    throw std::invalid_argument("invalid argument: " + kTabs + " unsupported bits per pixel");
}

[[noreturn]] void ThrowInvalidInfo() { throw std::invalid_argument("invalid pbmi argument"); }

bool SupportedBitCount(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

std::size_t FullPaletteEntries(int bits) { return bits <= 8 ? std::size_t{1} << bits : 0; }

std::size_t BlockBytesFor(std::size_t paletteEntries, std::size_t stride, int height) {
    return sizeof(BITMAPINFOHEADER) + 4 * paletteEntries + stride * static_cast<std::size_t>(height);
}

// biSizeImage is 32 bits; an image too large for it gets 0, which BI_RGB allows.
std::uint32_t SizeImageField(std::size_t imageBytes) {
    return imageBytes <= UINT32_MAX ? static_cast<std::uint32_t>(imageBytes) : 0;
}

void FillHeader(BITMAPINFOHEADER& h, int width, int height, int bits, std::size_t paletteEntries, std::size_t stride) {
    h = BITMAPINFOHEADER{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<std::uint16_t>(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = SizeImageField(stride * static_cast<std::size_t>(height));
    h.biClrUsed = h.biClrImportant = static_cast<std::uint32_t>(paletteEntries);
}

// Source pixels and weights (in 1/65536, summing to 65536) that make each
// destination pixel when srcSize pixels are averaged into dstSize: output i
// covers [i * src, (i + 1) * src) in units where a source pixel is dst wide.
struct Tap {
    std::uint32_t index;
    std::uint32_t weight;
};
struct TapRange {
    std::size_t first;
    std::size_t count;
};

void AreaTaps(std::int64_t srcSize, std::int64_t dstSize, std::vector<Tap>& taps, std::vector<TapRange>& ranges) {
    ranges.resize(static_cast<std::size_t>(dstSize));
    for (std::int64_t i = 0; i < dstSize; ++i) {
        const std::int64_t lo = i * srcSize, hi = (i + 1) * srcSize;
        const std::size_t first = taps.size();
        std::uint32_t sum = 0;
        std::size_t heaviest = first;
        for (std::int64_t k = lo / dstSize; k * dstSize < hi && k < srcSize; ++k) {
            const std::int64_t overlap = std::min(hi, (k + 1) * dstSize) - std::max(lo, k * dstSize);
            const auto w = static_cast<std::uint32_t>(overlap * 65536 / srcSize);
            taps.push_back({static_cast<std::uint32_t>(k), w});
            sum += w;
            if (w > taps[heaviest].weight)
                heaviest = taps.size() - 1;
        }
        taps[heaviest].weight += 65536 - sum;  // the truncation's remainder
        ranges[static_cast<std::size_t>(i)] = {first, taps.size() - first};
    }
}

// Area-averaging resampling of tight top-down BGR rows.
std::vector<std::uint8_t> AreaAverage(const std::vector<std::uint8_t>& src, int sw, int sh, int dw, int dh) {
    std::vector<Tap> xTaps, yTaps;
    std::vector<TapRange> xRanges, yRanges;
    AreaTaps(sw, dw, xTaps, xRanges);
    AreaTaps(sh, dh, yTaps, yRanges);

    // Horizontal pass: values scaled by 65536.
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(dw) * sh * 3);
    for (std::size_t y = 0; y < static_cast<std::size_t>(sh); ++y) {
        const std::uint8_t* in = &src[y * sw * 3];
        std::uint32_t* out = &rows[y * dw * 3];
        for (std::size_t x = 0; x < static_cast<std::size_t>(dw); ++x) {
            std::uint32_t acc[3] = {0, 0, 0};
            for (std::size_t t = 0; t < xRanges[x].count; ++t) {
                const Tap& tap = xTaps[xRanges[x].first + t];
                for (int c = 0; c < 3; ++c)
                    acc[c] += in[tap.index * 3 + c] * tap.weight;
            }
            for (int c = 0; c < 3; ++c)
                out[x * 3 + c] = acc[c];
        }
    }
    std::vector<std::uint8_t> dst(static_cast<std::size_t>(dw) * dh * 3);
    for (std::size_t y = 0; y < static_cast<std::size_t>(dh); ++y) {
        std::uint8_t* out = &dst[y * dw * 3];
        for (std::size_t i = 0; i < static_cast<std::size_t>(dw) * 3; ++i) {
            std::uint64_t acc = 0;
            for (std::size_t t = 0; t < yRanges[y].count; ++t) {
                const Tap& tap = yTaps[yRanges[y].first + t];
                acc += std::uint64_t{rows[tap.index * dw * 3 + i]} * tap.weight;
            }
            out[i] = static_cast<std::uint8_t>((acc + (std::uint64_t{1} << 31)) >> 32);
        }
    }
    return dst;
}

}  // namespace

std::size_t DibStride(std::int64_t width, int bitsPerPixel) {
    return static_cast<std::size_t>(((width * bitsPerPixel + 31) >> 3) & ~std::int64_t{3});
}

std::int32_t DpiToPelsPerMeter(std::int64_t dpi) { return static_cast<std::int32_t>((dpi * 10000 + 127) / 254); }

PackedDib AllocatePackedDib24(int width, int height) {
    if (width <= 0 || height <= 0)
        ThrowEmptyDib();
    const std::size_t stride = DibStride(width, 24);
    PackedDib dib;
    dib.bytes = BlockBytesFor(0, stride, height);
    dib.block.reset(new std::uint8_t[dib.bytes]);
    FillHeader(*reinterpret_cast<BITMAPINFOHEADER*>(dib.block.get()), width, height, 24, 0, stride);
    return dib;
}

CDib::CDib(std::unique_ptr<std::uint8_t[]> block, std::size_t blockBytes, std::size_t paletteEntries)
    : m_block(std::move(block)), m_blockBytes(blockBytes), m_paletteEntries(paletteEntries) {
    m_stride = DibStride(Header()->biWidth, Header()->biBitCount);
    m_bits = m_block.get() + sizeof(BITMAPINFOHEADER) + 4 * paletteEntries;
}

CDib* CDib::Create(int width, int height, int bitsPerPixel, std::span<const RGBQUAD> palette) {
    if (width <= 0 || height <= 0)
        ThrowEmptyDib();
    if (!SupportedBitCount(bitsPerPixel))
        ThrowUnsupportedBits();
    const std::size_t entries = FullPaletteEntries(bitsPerPixel);
    if (palette.size() < entries)
        throw std::invalid_argument("invalid palette argument");

    const std::size_t stride = DibStride(width, bitsPerPixel);
    const std::size_t bytes = BlockBytesFor(entries, stride, height);
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[bytes]);
    FillHeader(*reinterpret_cast<BITMAPINFOHEADER*>(block.get()), width, height, bitsPerPixel, entries, stride);
    auto* colours = reinterpret_cast<RGBQUAD*>(block.get() + sizeof(BITMAPINFOHEADER));
    for (std::size_t i = 0; i < entries; ++i)
        colours[i] = {palette[i].rgbBlue, palette[i].rgbGreen, palette[i].rgbRed, 0};
    return new CDib(std::move(block), bytes, entries);
}

namespace {

// Checks a packed DIB's header against the bytes it comes in; returns the
// palette entries the block holds. Throws std::invalid_argument.
std::size_t CheckedPaletteEntries(const BITMAPINFO* pbmi, std::size_t blockBytes) {
    if (pbmi == nullptr)
        throw std::invalid_argument("invalid pbmi argument: NULL pointer");
    if (blockBytes < sizeof(BITMAPINFOHEADER))
        ThrowInvalidInfo();
    BITMAPINFOHEADER h;
    std::memcpy(&h, pbmi, sizeof h);
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB)
        ThrowInvalidInfo();
    if (h.biWidth <= 0 || h.biHeight <= 0)
        ThrowEmptyDib();
    if (!SupportedBitCount(h.biBitCount))
        ThrowUnsupportedBits();
    // A palette may be shorter than 2^bits when biClrUsed says so; never read
    // past what the block holds.
    std::size_t entries = FullPaletteEntries(h.biBitCount);
    if (h.biClrUsed > 0 && h.biClrUsed < entries)
        entries = h.biClrUsed;
    const std::size_t stride = DibStride(h.biWidth, h.biBitCount);
    if (BlockBytesFor(entries, stride, h.biHeight) > blockBytes)
        ThrowInvalidInfo();
    return entries;
}

}  // namespace

CDib* CDib::CreateFromInfo(const BITMAPINFO* pbmi, std::size_t blockBytes) {
    const std::size_t entries = CheckedPaletteEntries(pbmi, blockBytes);
    const auto& h = pbmi->bmiHeader;
    const std::size_t bytes = BlockBytesFor(entries, DibStride(h.biWidth, h.biBitCount), h.biHeight);
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[bytes]);
    std::memcpy(block.get(), pbmi, bytes);
    return new CDib(std::move(block), bytes, entries);
}

CDib* CDib::CreateFromInfo(PackedDib&& packed) {
    const std::size_t entries =
        CheckedPaletteEntries(reinterpret_cast<const BITMAPINFO*>(packed.block.get()), packed.bytes);
    CDib* dib = new CDib(std::move(packed.block), packed.bytes, entries);
    packed.bytes = 0;
    return dib;
}

void CDib::Release() {
    if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
        delete this;
}

void CDib::SetDpi(int xDpi, int yDpi) {
    Header()->biXPelsPerMeter = DpiToPelsPerMeter(xDpi);
    Header()->biYPelsPerMeter = DpiToPelsPerMeter(yDpi);
}

bool CDib::Stretch(int newWidth, int newHeight) {
    if (m_bits == nullptr || newWidth <= 0 || newHeight <= 0)
        return false;
    const int w = Width(), h = Height(), bits = BitCount();
    if (newWidth == w && newHeight == h)
        return true;
    try {
        // The new block is made before the old one goes, so a failure leaves
        // the image as it was.
        PackedDib fresh = AllocatePackedDib24(newWidth, newHeight);
        auto& header = *reinterpret_cast<BITMAPINFOHEADER*>(fresh.block.get());
        header.biSizeImage = 0;

        // Any depth to tight top-down B, G, R; palette indices past the
        // palette's end are black.
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
        const RGBQUAD* colours = Palette();
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* row = TopDownRow(y);
            std::uint8_t* out = &rgb[static_cast<std::size_t>(y) * w * 3];
            for (int x = 0; x < w; ++x, out += 3) {
                if (bits == 24) {
                    std::memcpy(out, row + static_cast<std::size_t>(x) * 3, 3);
                    continue;
                }
                const std::size_t bitPos = static_cast<std::size_t>(x) * bits;
                const unsigned index = (row[bitPos / 8] >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
                const RGBQUAD c = index < m_paletteEntries ? colours[index] : RGBQUAD{0, 0, 0, 0};
                out[0] = c.rgbBlue;
                out[1] = c.rgbGreen;
                out[2] = c.rgbRed;
            }
        }
        const std::vector<std::uint8_t> scaled = AreaAverage(rgb, w, h, newWidth, newHeight);

        const std::size_t stride = DibStride(newWidth, 24);
        std::uint8_t* newBits = fresh.block.get() + sizeof(BITMAPINFOHEADER);
        for (int y = 0; y < newHeight; ++y) {
            std::uint8_t* row = newBits + static_cast<std::size_t>(newHeight - 1 - y) * stride;
            std::memcpy(row, &scaled[static_cast<std::size_t>(y) * newWidth * 3],
                        static_cast<std::size_t>(newWidth) * 3);
            std::memset(row + static_cast<std::size_t>(newWidth) * 3, 0,
                        stride - static_cast<std::size_t>(newWidth) * 3);
        }
        m_block = std::move(fresh.block);
        m_blockBytes = fresh.bytes;
        m_paletteEntries = 0;
        m_stride = stride;
        m_bits = newBits;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

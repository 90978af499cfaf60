#include "platform/imaging/GifDecoder.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "platform/imaging/CodedDataWalk.h"
#include "platform/imaging/DecodeBudget.h"

namespace imaging {

namespace {

struct MemoryReader {
    std::span<const std::uint8_t> data;
    std::size_t at = 0;
};

// giflib takes a short read for the end of the file and fails.
int ReadMemory(GifFileType* gif, GifByteType* out, int wanted) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    if (wanted <= 0)
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(wanted), reader->data.size() - reader->at);
    std::memcpy(out, reader->data.data() + reader->at, n);
    reader->at += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

bool FitsBudget(std::int64_t width, std::int64_t height, std::int64_t codedBytes, std::int64_t bytes,
                std::int64_t memoryBudget) {
    return width > 0 && height > 0 && PixelsFitFile(width * height, codedBytes, kMaxGifPixelsPerByte) &&
           bytes <= memoryBudget;
}

// The graphic control block's transparent colour index, or
// NO_TRANSPARENT_COLOR. Skips every other extension.
bool ReadExtension(GifFileType* gif, int& transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            transparent = gcb.TransparentColor;
    }
    while (block != nullptr)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

QRgb PaletteColour(const ColorMapObject* map, int index, int transparent) {
    if (map == nullptr || index < 0 || index >= map->ColorCount)
        return qRgb(0, 0, 0);
    const GifColorType& c = map->Colors[index];
    return index == transparent ? qRgba(c.Red, c.Green, c.Blue, 0) : qRgb(c.Red, c.Green, c.Blue);
}

// The stream's rows in picture order: in four passes when interlaced.
std::vector<int> RowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            rows.push_back(y);
    return rows;
}

// `codedBytes`: the data bytes of the image's sub-blocks, which alone hold
// its pixels; the screen around it is filled, so it counts against them too.
QImage DecodeFirstImage(GifFileType* gif, std::int64_t codedBytes, std::int64_t memoryBudget,
                        const ImageAllocator& allocate) {
    const std::int64_t screenW = gif->SWidth, screenH = gif->SHeight;
    const std::int64_t screenBytes = screenW * screenH * 4;
    if (!FitsBudget(screenW, screenH, codedBytes, screenBytes, memoryBudget))
        return {};
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            return {};
        if (record == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif, transparent))
                return {};
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) == GIF_ERROR)
            return {};  // the trailer or garbage before any image
        break;
    }
    const GifImageDesc& frame = gif->Image;
    if (!FitsBudget(frame.Width, frame.Height, codedBytes, screenBytes + frame.Width, memoryBudget))
        return {};
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr)
        return {};

    const bool hasAlpha = transparent != NO_TRANSPARENT_COLOR;
    QImage image = allocate(static_cast<int>(screenW), static_cast<int>(screenH),
                            hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull() || image.width() != screenW || image.height() != screenH)
        return {};
    image.fill(hasAlpha ? PaletteColour(map, transparent, transparent)
                        : PaletteColour(gif->SColorMap, gif->SBackGroundColor, NO_TRANSPARENT_COLOR));

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    for (const int row : RowOrder(frame.Height, frame.Interlace)) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
            return {};
        const std::int64_t y = std::int64_t{frame.Top} + row;
        if (y < 0 || y >= screenH)
            continue;  // the part of an image off the screen is not shown
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (int x = 0; x < frame.Width; ++x) {
            const std::int64_t sx = std::int64_t{frame.Left} + x;
            if (sx >= 0 && sx < screenW)
                out[sx] = PaletteColour(map, line[static_cast<std::size_t>(x)], transparent);
        }
    }
    return image;
}

}  // namespace

QImage DecodeGif(std::span<const std::uint8_t> data, std::int64_t memoryBudget, const ImageAllocator& allocate) {
    if (data.empty())
        return {};
    try {
        MemoryReader reader{data};
        int error = 0;
        const GifFile gif(DGifOpen(&reader, ReadMemory, &error));
        if (!gif)
            return {};
        const std::uint64_t codedBytes = WalkGifData(data).imageDataBytes;
        return DecodeFirstImage(gif.get(), static_cast<std::int64_t>(codedBytes), memoryBudget, allocate);
    } catch (...) {
        // Out of memory, an allocator that throws: a failure of this decode,
        // giflib's state freed with the file.
        return {};
    }
}

}  // namespace imaging

#include "platform/imaging/GifEncoder.h"

#include "platform/imaging/PaletteQuantizer.h"

#include <gif_lib.h>

#include <algorithm>
#include <new>
#include <optional>
#include <span>
#include <utility>

namespace imaging {

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* bytes, int count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), bytes, bytes + count);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return count;
}

// Palette indices and colours of the image.
bool IndexImage(const QImage& image, std::vector<GifByteType>& indices, std::vector<GifColorType>& colours) {
    const int w = image.width(), h = image.height();
    colours.assign(256, GifColorType{0, 0, 0});
    if (image.format() == QImage::Format_Indexed8 && image.colorCount() > 0 && image.colorCount() <= 256) {
        const auto table = image.colorTable();
        for (int i = 0; i < table.size(); ++i)
            colours[i] = {static_cast<GifByteType>(qRed(table[i])), static_cast<GifByteType>(qGreen(table[i])),
                          static_cast<GifByteType>(qBlue(table[i]))};
        indices.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < w; ++x)
                indices[static_cast<std::size_t>(y) * w + x] =
                    static_cast<GifByteType>(std::min<int>(row[x], table.size() - 1));
        }
        return true;
    }
    IndexedPixels indexed;
    if (!QuantizeToPalette(image, 256, indexed))
        return false;
    for (std::size_t i = 0; i < indexed.palette.size(); ++i)
        colours[i] = {indexed.palette[i][0], indexed.palette[i][1], indexed.palette[i][2]};
    indices = std::move(indexed.indices);
    return true;
}

using SubBlocks = std::vector<std::span<const GifByteType>>;

// One application extension: the identifier with its authentication code
// (11 bytes), then the data's sub-blocks and the terminator.
bool PutApplicationExtension(GifFileType* gif, const char (&identifier)[12], const SubBlocks& blocks) {
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(gif, 11, identifier) != GIF_OK)
        return false;
    for (const auto& block : blocks)
        if (EGifPutExtensionBlock(gif, static_cast<int>(block.size()), block.data()) != GIF_OK)
            return false;
    return EGifPutExtensionTrailer(gif) == GIF_OK;
}

// The bytes cut into sub-blocks of at most 255 bytes.
SubBlocks CutIntoSubBlocks(std::span<const GifByteType> bytes) {
    SubBlocks blocks;
    for (std::size_t at = 0; at < bytes.size(); at += 255)
        blocks.push_back(bytes.subspan(at, std::min<std::size_t>(255, bytes.size() - at)));
    return blocks;
}

// XMP's magic trailer: 1, then 255 down to 0. Walked as sub-blocks from any
// byte of the packet, the walk lands in it and ends right after it.
std::vector<GifByteType> WithMagicTrailer(const std::string& packet) {
    std::vector<GifByteType> raw(packet.begin(), packet.end());
    raw.push_back(1);
    for (int value = 255; value >= 0; --value)
        raw.push_back(static_cast<GifByteType>(value));
    return raw;
}

// The packet and its trailer read as the sub-blocks they amount to (each
// length byte the packet's own), so that giflib writes exactly those bytes;
// none when the walk lands on a NUL inside the packet and would end there.
std::optional<SubBlocks> AsSubBlocks(std::span<const GifByteType> raw) {
    SubBlocks blocks;
    std::size_t at = 0;
    while (at < raw.size()) {
        const std::size_t length = raw[at];
        if (length == 0 || length > raw.size() - at - 1)
            return std::nullopt;
        blocks.push_back(raw.subspan(at + 1, length));
        at += 1 + length;
    }
    return blocks;
}

bool PutMetadata(GifFileType* gif, const GifMetadata& metadata) {
    try {
        if (!metadata.iccProfile.empty() &&
            !PutApplicationExtension(gif, "ICCRGBG1012", CutIntoSubBlocks(metadata.iccProfile)))
            return false;
        if (metadata.xmp.empty())
            return true;
        const std::vector<GifByteType> raw = WithMagicTrailer(metadata.xmp);
        const std::optional<SubBlocks> blocks = AsSubBlocks(raw);
        return !blocks || PutApplicationExtension(gif, "XMP DataXMP", *blocks);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool EncodeGif(const QImage& image, std::vector<std::uint8_t>& out, const GifMetadata& metadata) {
    if (image.isNull() || image.width() > 65535 || image.height() > 65535)
        return false;
    std::vector<GifByteType> indices;
    std::vector<GifColorType> colours;
    try {
        if (!IndexImage(image, indices, colours))
            return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendBytes, &error);
    if (!gif)
        return false;
    // Extensions are GIF89a's; a file without them stays GIF87a.
    EGifSetGifVersion(gif, !metadata.iccProfile.empty() || !metadata.xmp.empty());
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    bool ok = map && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map) == GIF_OK &&
              PutMetadata(gif, metadata) &&
              EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y)
        ok = EGifPutLine(gif, &indices[static_cast<std::size_t>(y) * image.width()], image.width()) == GIF_OK;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    if (!ok)
        return false;
    out.insert(out.end(), bytes.begin(), bytes.end());
    return true;
}

}  // namespace imaging

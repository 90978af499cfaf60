#include "platform/imaging/GifEncoder.h"

#include "platform/imaging/PaletteQuantizer.h"

#include <gif_lib.h>

#include <algorithm>
#include <new>
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

}  // namespace

bool EncodeGif(const QImage& image, std::vector<std::uint8_t>& out) {
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
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    bool ok = map && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map) == GIF_OK &&
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

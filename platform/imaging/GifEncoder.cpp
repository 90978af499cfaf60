#include "platform/imaging/GifEncoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <mutex>
#include <new>

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

// GifQuantizeBuffer keeps its sort axis in a global: one call at a time.
std::mutex g_quantizeMutex;

// Palette indices and colours of the image.
bool IndexImage(const QImage& image, std::vector<GifByteType>& indices, std::vector<GifColorType>& colours) {
    const int w = image.width(), h = image.height();
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    indices.resize(pixels);
    if (image.format() == QImage::Format_Indexed8 && image.colorCount() > 0 && image.colorCount() <= 256) {
        const auto table = image.colorTable();
        colours.resize(256, GifColorType{0, 0, 0});
        for (int i = 0; i < table.size(); ++i)
            colours[i] = {static_cast<GifByteType>(qRed(table[i])), static_cast<GifByteType>(qGreen(table[i])),
                          static_cast<GifByteType>(qBlue(table[i]))};
        for (int y = 0; y < h; ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < w; ++x)
                indices[static_cast<std::size_t>(y) * w + x] =
                    static_cast<GifByteType>(std::min<int>(row[x], table.size() - 1));
        }
        return true;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return false;
    std::vector<GifByteType> r(pixels), g(pixels), b(pixels);
    for (int y = 0; y < h; ++y) {
        const uchar* row = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            r[i] = row[3 * x];
            g[i] = row[3 * x + 1];
            b[i] = row[3 * x + 2];
        }
    }
    colours.assign(256, GifColorType{0, 0, 0});
    int size = 256;
    std::lock_guard<std::mutex> lock(g_quantizeMutex);
    return GifQuantizeBuffer(static_cast<unsigned>(w), static_cast<unsigned>(h), &size, r.data(), g.data(), b.data(),
                             indices.data(), colours.data()) == GIF_OK;
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

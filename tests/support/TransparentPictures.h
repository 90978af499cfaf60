#pragma once
// Pictures with transparency, to see it laid over white: the left half
// transparent, the right half opaque red, and in the alpha files a middle
// band of half-transparent blue. The GIF is written with giflib (Qt cannot
// write GIF), with a transparent palette colour whose own value is black;
// the PNG and TIFF come from Qt's writers with black under the transparent
// alpha, as many editors leave it.

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace transparent {

inline constexpr QRgb kRed = 0xFFFF0000u;
inline constexpr QRgb kWhite = 0xFFFFFFFFu;
// Blue at alpha 128 over white: 255 - 128 = 127 in red and green.
inline constexpr QRgb kBlueOverWhite = 0xFF7F7FFFu;

// Which part a column lies in: 0 transparent, 1 half-transparent band (the
// alpha files only), 2 opaque red.
inline int Part(int x, int width, bool band) {
    if (x >= width / 2)
        return 2;
    return band && x >= width / 4 ? 1 : 0;
}

inline QRgb ExpectedOverWhite(int x, int width, bool band) {
    switch (Part(x, width, band)) {
    case 2:
        return kRed;
    case 1:
        return kBlueOverWhite;
    default:
        return kWhite;
    }
}

// Whether each channel of `got` lies within `slack` of `want`, for
// EXPECT_TRUE with the two colours in its message.
inline ::testing::AssertionResult NearColour(QRgb got, QRgb want, int slack) {
    const int d = std::max(
        {std::abs(qRed(got) - qRed(want)), std::abs(qGreen(got) - qGreen(want)), std::abs(qBlue(got) - qBlue(want))});
    if (d <= slack)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << "got " << (got & 0xFFFFFFu) << ", want " << (want & 0xFFFFFFu)
                                         << std::dec << " within " << slack;
}

// ARGB32: transparent black, half-transparent blue, opaque red.
inline QImage AlphaPicture(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int part = Part(x, width, true);
            image.setPixel(x, y, part == 2 ? kRed : part == 1 ? qRgba(0, 0, 255, 128) : qRgba(0, 0, 0, 0));
        }
    return image;
}

inline QByteArray QtEncoded(const QImage& image, const char* format) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(image) ? out : QByteArray();
}

inline QByteArray AlphaPng(int width, int height) { return QtEncoded(AlphaPicture(width, height), "png"); }
inline QByteArray AlphaTiff(int width, int height) { return QtEncoded(AlphaPicture(width, height), "tiff"); }

namespace detail {
inline int Append(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}
}  // namespace detail

// Palette: 0 black (the transparent colour), 1 red.
inline QByteArray TransparentGif(int width, int height) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, detail::Append, &error);
    if (!gif)
        return {};
    GifColorType colours[2] = {{0, 0, 0}, {255, 0, 0}};
    ColorMapObject* map = GifMakeMapObject(2, colours);
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSAL_UNSPECIFIED;
    control.TransparentColor = 0;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    bool ok = EGifPutScreenDesc(gif, width, height, 1, 0, map) == GIF_OK &&
              EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> row(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        row[static_cast<std::size_t>(x)] = Part(x, width, false) == 2 ? 1 : 0;
    for (int y = 0; ok && y < height; ++y)
        ok = EGifPutLine(gif, row.data(), width) == GIF_OK;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok)
        return {};
    return out;
}

}  // namespace transparent

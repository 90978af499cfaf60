#pragma once
// Damaged pictures that a lenient decoder takes for whole ones: every marker
// or block a structure walk looks for is there, but the coded data is cut or
// the header claims far more pixels than the data holds.

#include <cstdint>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include "platform/imaging/GifEncoder.h"

namespace damaged {

// Noise, which no coder can squeeze much.
inline QImage Noise(int w, int h, std::uint32_t seed = 12345) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < 3 * w; ++x) {
            seed = seed * 214013 + 2531011;
            row[x] = static_cast<uchar>(seed >> 16);
        }
    }
    return image;
}

inline QByteArray Jpeg(const QImage& image, int quality = 90) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image);
    return out;
}

// The offset of the first JPEG marker segment with this code, or -1.
inline qsizetype JpegSegment(const QByteArray& jpeg, std::uint8_t code) {
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xFF) {
        if (uchar(jpeg[at + 1]) == code)
            return at;
        at += 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]));
    }
    return -1;
}

// A JPEG cut in the middle of its scan, with an end-of-image marker after.
inline QByteArray JpegCutWithEnd(int w = 300, int h = 200) {
    QByteArray jpeg = Jpeg(Noise(w, h));
    qsizetype cut = jpeg.size() / 2;
    while (uchar(jpeg[cut - 1]) == 0xFF)  // not between 0xFF and the byte it escapes
        --cut;
    jpeg.truncate(cut);
    jpeg.append("\xFF\xD9", 2);
    return jpeg;
}

// A whole small JPEG whose frame header claims `w` x `h` pixels.
inline QByteArray JpegClaiming(int w, int h) {
    QByteArray jpeg = Jpeg(Noise(48, 40), 75);
    const qsizetype frame = JpegSegment(jpeg, 0xC0);
    if (frame < 0)
        return {};
    jpeg[frame + 5] = char(h >> 8);
    jpeg[frame + 6] = char(h);
    jpeg[frame + 7] = char(w >> 8);
    jpeg[frame + 8] = char(w);
    return jpeg;
}

// The offset of the first image descriptor of a GIF, or -1.
inline qsizetype GifImageDescriptor(const QByteArray& gif) {
    if (gif.size() < 13)
        return -1;
    qsizetype at = 13;
    if (uchar(gif[10]) & 0x80)
        at += 3 * (qsizetype{2} << (uchar(gif[10]) & 7));
    while (at < gif.size() && gif[at] == '!') {
        at += 2;
        while (at < gif.size() && gif[at] != 0)
            at += 1 + uchar(gif[at]);
        ++at;
    }
    return at < gif.size() && gif[at] == ',' ? at : -1;
}

// A whole GIF of a few rows whose screen and image claim `h` rows.
inline QByteArray GifClaimingRows(int w, int rows, int h) {
    std::vector<std::uint8_t> bytes;
    if (!imaging::EncodeGif(Noise(w, rows), bytes))
        return {};
    QByteArray gif(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    const qsizetype image = GifImageDescriptor(gif);
    if (image < 0)
        return {};
    for (const qsizetype at : {qsizetype{8}, image + 7}) {
        gif[at] = char(h);
        gif[at + 1] = char(h >> 8);
    }
    return gif;
}

// A JPEG claiming `w` x `h` pixels, padded after SOI with `comments` COM
// segments of 65533 bytes each: a file that looks large enough for its
// claim, though its scan holds the pixels of 48 x 40.
inline QByteArray JpegPaddedWithComments(int w, int h, int comments = 16) {
    QByteArray jpeg = JpegClaiming(w, h);
    QByteArray padding;
    for (int i = 0; i < comments; ++i) {
        padding.append("\xFF\xFE\xFF\xFF", 4);
        padding.append(65533, 'c');
    }
    jpeg.insert(2, padding);
    return jpeg;
}

// A GIF whose screen and image claim `side` x `side` pixels, its few coded
// rows after a comment extension of `commentBytes` bytes.
inline QByteArray GifPaddedWithComment(int side, int commentBytes) {
    QByteArray gif = GifClaimingRows(4, 4, side);
    const qsizetype image = GifImageDescriptor(gif);
    if (image < 0)
        return {};
    for (const qsizetype at : {qsizetype{6}, image + 5}) {
        gif[at] = char(side);
        gif[at + 1] = char(side >> 8);
    }
    QByteArray comment("\x21\xFE", 2);
    for (int left = commentBytes; left > 0; left -= 255) {
        const int n = left < 255 ? left : 255;
        comment.append(char(n));
        comment.append(n, 'c');
    }
    comment.append('\0');
    gif.insert(image, comment);
    return gif;
}

}  // namespace damaged

#include "platform/imaging/FlattenOntoWhite.h"

#include <cstdint>

#include <QColor>
#include <QRgba64>

namespace imaging {

namespace {

// Over white, in premultiplied terms: c * a + max * (1 - a) is the
// premultiplied channel plus (max - a).
QRgb OverWhite(QRgb premultiplied) {
    const int lift = 255 - qAlpha(premultiplied);
    return qRgb(qRed(premultiplied) + lift, qGreen(premultiplied) + lift, qBlue(premultiplied) + lift);
}

// Straight (not premultiplied) 16-bit channels, in 64-bit integers.
QRgba64 OverWhite(QRgba64 straight) {
    const std::uint64_t a = straight.alpha();
    auto channel = [a](std::uint64_t c) {
        return static_cast<quint16>((c * a + 0xFFFFu * (0xFFFFu - a) + 0x7FFFu) / 0xFFFFu);
    };
    return QRgba64::fromRgba64(channel(straight.red()), channel(straight.green()), channel(straight.blue()), 0xFFFF);
}

bool DeeperThan8Bits(QImage::Format format) {
    switch (format) {
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_A2RGB30_Premultiplied:
        return true;
    default:
        return false;
    }
}

}  // namespace

QImage FlattenOntoWhite(QImage image) {
    if (image.isNull() || !image.hasAlphaChannel())
        return image;
    if (image.format() == QImage::Format_Indexed8) {
        QList<QRgb> table = image.colorTable();
        for (QRgb& colour : table)
            colour = OverWhite(qPremultiply(colour));
        image.setColorTable(table);
        return image;
    }
    // Converted in place where Qt can (ARGB32 to its premultiplied form).
    if (DeeperThan8Bits(image.format())) {
        image.convertTo(QImage::Format_RGBA64);
        if (image.isNull())
            return image;
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgba64*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = OverWhite(row[x]);
        }
        image.reinterpretAsFormat(QImage::Format_RGBX64);
        return image;
    }
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = OverWhite(row[x]);
    }
    image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

}  // namespace imaging

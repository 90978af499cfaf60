#include "app/preview/PreviewRendering.h"

#include <QImage>

#include "platform/imaging/DrawImage.h"

QPixmap RenderScaled(const imaging::Bitmap& source, const imaging::Rect& src, const imaging::Rect& into, int width,
                     int height, imaging::InterpolationMode mode) {
    if (width <= 0 || height <= 0)
        return QPixmap();
    std::unique_ptr<imaging::Bitmap> target;
    if (source.Image().hasAlphaChannel()) {
        QImage white(width, height, QImage::Format_BGR888);
        if (white.isNull())
            return QPixmap();
        white.fill(Qt::white);
        target = imaging::Bitmap::FromImage(white, imaging::PixelFormat24bppRGB);
    } else {
        target = imaging::Bitmap::Create(width, height, imaging::PixelFormat24bppRGB);
    }
    if (!target || !imaging::DrawImage(*target, into, source, src, mode))
        return QPixmap();
    return QPixmap::fromImage(target->Image());
}

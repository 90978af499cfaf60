// CPaletteItemImg: drawing the thumbnail into its cell and elsewhere.
#include <QImage>

#include <mutex>

#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbCacheLock.h"

namespace {

// The DIB's rows as an upright QImage (DIB rows are stored bottom-up).
QImage UprightImage(const CDib& dib) {
    const QImage view(dib.Bits(), dib.Width(), dib.Height(), static_cast<qsizetype>(dib.Stride()),
                      QImage::Format_BGR888);
    return view.mirrored(false, true);
}

// The cut look: every colour channel 0.3 x (R + G + B), drawn at half opacity.
QImage GreyForCut(const QImage& image) {
    QImage grey = image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < grey.height(); ++y) {
        std::uint8_t* p = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x, p += 3) {
            const int v = std::min(255, static_cast<int>(0.3 * (p[0] + p[1] + p[2])));
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(v);
        }
    }
    return grey;
}

void DrawBlackBorder(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

// The image fitted into r, centred on the other side.
QRect FitInto(const QRect& r, int iw, int ih) {
    const std::int64_t rw = r.width(), rh = r.height();
    if (rw * ih < iw * rh) {
        const int h = static_cast<int>(rw * ih / iw);
        return QRect(r.left(), r.top() + (r.height() - h) / 2, r.width(), h);
    }
    const int w = static_cast<int>(rh * iw / ih);
    return QRect(r.left() + (r.width() - w) / 2, r.top(), w, r.height());
}

}  // namespace

void CPaletteItemImg::DrawDib(QPainter& painter, const CDib& dib, const QRect& dest, bool cut) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QImage image = UprightImage(dib);
    if (cut) {
        painter.setOpacity(0.5);
        painter.drawImage(dest, GreyForCut(image));
    } else {
        painter.drawImage(dest, image);
    }
    painter.restore();
}

void CPaletteItemImg::DrawImage(QPainter& painter, int x, int y, const QString& path, bool, bool cut) {
    std::lock_guard lock(g_csThumbCache);
    const DibRef dib = GetDib();
    if (dib) {
        const QRect dest = GetImageRect().translated(x, y);
        DrawDib(painter, *dib, dest, cut);
        DrawBlackBorder(painter, dest);
        return;
    }
    if (GetZoomPercent() > 19)
        DrawPlaceholder(painter, GetImageArea().translated(x, y), path);
}

void CPaletteItemImg::DrawFrame(QPainter& painter, IBorderBuffer& surface, int x, int y, const QString& path,
                                bool selected) {
    CPaletteItem::DrawFrame(painter, surface, x, y, path, selected);
}

QRegion CPaletteItemImg::GetImageRegion() const {
    std::lock_guard lock(g_csThumbCache);
    if (m_bNoCaption || (!m_pDib && !m_pJpeg))
        return CPaletteItem::GetImageRegion();
    return QRegion(GetImageArea()).subtracted(QRegion(GetImageRect()));
}

void CPaletteItemImg::DrawInto(QPainter& painter, const QRect& rect, const QString& path, bool border) {
    DrawFitted(painter, rect, path, border, false);
}

void CPaletteItemImg::DrawStretched(QPainter& painter, const QRect& rect, const QString& path, bool crop) {
    DrawFitted(painter, rect, path, false, crop);
}

void CPaletteItemImg::DrawFitted(QPainter& painter, const QRect& rect, const QString& path, bool border, bool crop) {
    std::lock_guard lock(g_csThumbCache);
    const DibRef dib = GetDib();
    if (!dib || rect.isEmpty()) {
        DrawPlaceholder(painter, rect, path);
        return;
    }
    if (!crop) {
        const QRect dest = FitInto(rect, dib->Width(), dib->Height());
        DrawDib(painter, *dib, dest, false);
        if (border)
            DrawBlackBorder(painter, dest);
        return;
    }
    // Cover the rectangle and cut what overhangs, keeping the centre.
    const std::int64_t iw = dib->Width(), ih = dib->Height();
    const double scale = std::max(double(rect.width()) / iw, double(rect.height()) / ih);
    const QSize covered(static_cast<int>(iw * scale + 0.5), static_cast<int>(ih * scale + 0.5));
    const QRect dest(rect.left() + (rect.width() - covered.width()) / 2,
                     rect.top() + (rect.height() - covered.height()) / 2, covered.width(), covered.height());
    painter.save();
    painter.setClipRect(rect, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    DrawDib(painter, *dib, dest, false);
    painter.restore();
}

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

// The DIB upright in the painter's own pixel format, written into `out` (kept
// by the caller, so that drawing a screenful of cells allocates once): one
// pass that turns the rows over and widens blue, green, red to 32 bits, after
// which the painting is a plain copy.
const QImage& UprightRgb32(const CDib& dib, QImage& out) {
    const int w = dib.Width(), h = dib.Height();
    if (out.width() != w || out.height() != h || out.format() != QImage::Format_RGB32)
        out = QImage(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = dib.Bits() + static_cast<std::size_t>(h - 1 - y) * dib.Stride();
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < w; ++x, s += 3)
            d[x] = qRgb(s[2], s[1], s[0]);
    }
    return out;
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

// The one-pixel outline just inside the rectangle, as four solid fills.
void DrawBlackBorder(QPainter& painter, const QRect& rect) {
    const int x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
    if (w <= 0 || h <= 0)
        return;
    painter.fillRect(QRect(x, y, w, 1), Qt::black);
    painter.fillRect(QRect(x, y + h - 1, w, 1), Qt::black);
    painter.fillRect(QRect(x, y, 1, h), Qt::black);
    painter.fillRect(QRect(x + w - 1, y, 1, h), Qt::black);
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
    if (cut) {
        painter.setOpacity(0.5);
        painter.drawImage(dest, GreyForCut(UprightImage(dib)));
    } else {
        // One scratch image serves every cell drawn on this thread; a painter
        // that keeps the image (a recording) keeps its own copy.
        thread_local QImage scratch;
        painter.drawImage(dest, UprightRgb32(dib, scratch));
    }
    painter.restore();
}

void CPaletteItemImg::DrawImage(QPainter& painter, int x, int y, const QString& path, bool, bool cut) {
    // Decoded before the lock is taken: GetDib holds it only around the cell.
    const DibRef dib = GetDib();
    QRect dest, area;
    int zoom = 0;
    {
        std::lock_guard lock(g_csThumbCache);
        dest = GetImageRect().translated(x, y);
        area = GetImageArea().translated(x, y);
        zoom = GetZoomPercent();
    }
    if (dib) {
        DrawDib(painter, *dib, dest, cut);
        DrawBlackBorder(painter, dest);
        return;
    }
    if (zoom > 19)
        DrawPlaceholder(painter, area, path);
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

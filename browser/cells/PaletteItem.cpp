#include "browser/cells/PaletteItem.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainterPath>

#include <mutex>

#include "browser/cells/ThumbCacheLock.h"
#include "core/settings/AppSettings.h"
#include "imagefiles/PathHelpers.h"
#include "platform/files/LocalFileName.h"
#include "platform/paths/Paths.h"

namespace {

// The painter's visible area in its logical coordinates.
QRect VisibleArea(const QPainter& painter) {
    if (painter.hasClipping())
        return painter.clipBoundingRect().toAlignedRect();
    const QPaintDevice* device = painter.device();
    if (device == nullptr)
        return {};
    const QRect deviceRect(0, 0, device->width(), device->height());
    return painter.worldTransform().inverted().mapRect(deviceRect);
}

bool RectVisible(const QPainter& painter, const QRect& rect) { return VisibleArea(painter).intersects(rect); }

}  // namespace

int ScaleForZoom(int value, int zoomPercent) { return static_cast<int>(value * double(zoomPercent) / 100.0 + 0.5); }

QSize GetCellSizeForZoom(int zoomPercent, bool) {
    return {ScaleForZoom(kThumbBoxWidth, zoomPercent) + 2 * kCellMargin,
            ScaleForZoom(kThumbBoxHeight, zoomPercent) + 2 * kCellMargin + kCaptionHeight};
}

QColor BrowserColor(std::uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

CPaletteItem::CPaletteItem() = default;
CPaletteItem::~CPaletteItem() = default;

void CPaletteItem::Serialize(platform::ArchiveWriter&) {}
void CPaletteItem::Deserialize(platform::ArchiveReader&) {}
bool CPaletteItem::LoadThumbnail(const QString&, bool, CProgress*) { return false; }
void CPaletteItem::DrawInto(QPainter&, const QRect&, const QString&, bool) {}
void CPaletteItem::DrawStretched(QPainter&, const QRect&, const QString&, bool) {}
void CPaletteItem::DrawDetails(QPainter&, int, int, const QString&, bool) {}
void CPaletteItem::DrawImage(QPainter&, int, int, const QString&, bool, bool) {}
void CPaletteItem::DrawMarks(QPainter&, int, int, const QString&, bool) {}

int CPaletteItem::GetZoomPercent() const { return g_nIconsZoom.load(); }
bool CPaletteItem::IsDetailsMode() const { return g_bDetailsMode.load() != 0; }

QSize CPaletteItem::GetScaledBox() const {
    const int z = GetZoomPercent();
    return {ScaleForZoom(m_sizeBox.width(), z), ScaleForZoom(m_sizeBox.height(), z)};
}

QSize CPaletteItem::GetCellSize() const {
    const QSize box = GetScaledBox();
    return {box.width() + 2 * kCellMargin, box.height() + 2 * kCellMargin + GetCaptionHeight()};
}

QRect CPaletteItem::GetImageArea() const {
    const QSize cell = GetCellSize();
    return QRect(QPoint(kCellMargin, kCellMargin),
                 QSize(cell.width() - 2 * kCellMargin, cell.height() - 2 * kCellMargin - GetCaptionHeight()));
}

QSize CPaletteItem::GetScaledThumbSize() const {
    const int z = GetZoomPercent();
    return {ScaleForZoom(m_nThumbWidth, z), ScaleForZoom(m_nThumbHeight, z)};
}

QRect CPaletteItem::GetImageRect() const {
    const QRect area = GetImageArea();
    const QSize thumb = GetScaledThumbSize();
    return QRect(
        QPoint(area.left() + (area.width() - thumb.width()) / 2, area.top() + (area.height() - thumb.height()) / 2),
        thumb);
}

QString CPaletteItem::CaptionText(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    // A name that is not UTF-8 shows its other bytes as escapes.
    return platform::DisplayFileName(slash < 0 ? path : path.mid(slash + 1));
}

QFont CPaletteItem::CaptionFont() {
    QFont font(GetDefaultGuiFontFace());
    font.setPointSize(8);
    return font;
}

QRect CPaletteItem::GetLabelRect(const QRect& cell, const QString& text) {
    const QFontMetrics metrics(CaptionFont());
    m_nLabelTextWidth = metrics.horizontalAdvance(text);
    const int top = cell.top() + cell.height() - kCaptionHeight;
    return QRect(QPoint(cell.left() + 10, top), QSize(cell.width() - 20, metrics.height() + 1));
}

QRegion CPaletteItem::GetImageRegion() {
    std::lock_guard lock(g_csThumbCache);
    return QRegion(GetImageArea());
}

void CPaletteItem::Draw(QPainter& painter, IBorderBuffer& surface, int x, int y, const QString& path, bool selected,
                        bool cut) {
    // Each part takes the lock for what it reads of the cell, and only for
    // that: the image may have to be decoded first, and the builder threads
    // go on meanwhile.
    QSize size;
    {
        std::lock_guard lock(g_csThumbCache);
        size = GetCellSize();
    }
    const QRect cell(QPoint(x, y), size);
    if (!RectVisible(painter, cell))
        return;
    // The image cell's region decodes its thumbnail first, with the lock free.
    const QRegion region = GetImageRegion().translated(x, y);
    if (!region.isEmpty()) {
        const QColor fill = BrowserColor(cut ? g_BrowserColors.crBackgroundInFrameCut.load()
                                             : g_BrowserColors.crBackgroundInFrame.load());
        for (const QRect& r : region)
            painter.fillRect(r, fill);
    }
    DrawImage(painter, x, y, path, selected, cut);
    DrawMarks(painter, x, y, path, selected);
    DrawDetails(painter, x, y, path, selected);
    if (!IsDetailsMode())
        DrawFrame(painter, surface, x, y, path, selected);
    DrawLabel(painter, x, y, path, selected);
}

QPixmap CPaletteItem::PaintFrame(const QSize& cell, bool selected) const {
    const int w = cell.width(), h = cell.height();
    QPixmap pixmap(w, h);
    pixmap.fill(BrowserColor(g_BrowserColors.crBackground.load()));
    QPainter painter(&pixmap);
    const QRect image(QPoint(kCellMargin, kCellMargin),
                      QSize(w - 2 * kCellMargin, h - 2 * kCellMargin - GetCaptionHeight()));
    painter.setClipRegion(QRegion(0, 0, w, h).subtracted(QRegion(image)));
    const QColor frame =
        BrowserColor(selected ? g_BrowserColors.crSelectedBorder.load() : g_BrowserColors.crBorder.load());
    painter.fillRect(QRect(13, 13, w - 26, h - 26), frame);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(frame, 12);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(8, 8, w - 16, h - 16));
    return pixmap;
}

void CPaletteItem::DrawFrame(QPainter& painter, IBorderBuffer& surface, int x, int y, const QString&, bool selected) {
    std::lock_guard lock(g_csThumbCache);
    const QSize cell = GetCellSize();
    if (!RectVisible(painter, QRect(QPoint(x, y), cell)))
        return;
    if (surface.width != cell.width() || surface.height != cell.height() || surface.frame.isNull() ||
        surface.selectedFrame.isNull()) {
        surface.frame = PaintFrame(cell, false);
        surface.selectedFrame = PaintFrame(cell, true);
        surface.width = cell.width();
        surface.height = cell.height();
    }
    // The image area is left out, so the thumbnail drawn before stays.
    const QRegion frameRegion = QRegion(QRect(QPoint(x, y), cell)).subtracted(QRegion(GetImageArea().translated(x, y)));
    painter.save();
    painter.setClipRegion(frameRegion, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter.drawPixmap(x, y, selected ? surface.selectedFrame : surface.frame);
    painter.restore();
}

void CPaletteItem::DrawLabel(QPainter& painter, int x, int y, const QString& path, bool selected) {
    std::lock_guard lock(g_csThumbCache);
    if (m_bNoCaption)
        return;
    painter.save();
    const QFont font = CaptionFont();
    painter.setFont(font);
    painter.setPen(BrowserColor(selected ? g_BrowserColors.crSelectedText.load() : g_BrowserColors.crText.load()));
    const QString text = CaptionText(path);
    m_rcLabel = GetLabelRect(QRect(QPoint(x, y), GetCellSize()), text);
    const QFontMetrics metrics(font);
    const int width = m_rcLabel.width();
    const int tw = m_nLabelTextWidth;
    if (width == 0 || tw < width - 3) {
        m_bLabelScrolls = false;
        painter.drawText(QPoint(m_rcLabel.left() + (width - tw) / 2, m_rcLabel.top() + metrics.ascent()), text);
    } else {
        m_bLabelScrolls = true;
        if (selected) {
            painter.setClipRect(m_rcLabel, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
            painter.drawText(QPoint(m_rcLabel.left() - m_nLabelScroll, m_rcLabel.top() + metrics.ascent()), text);
        } else {
            painter.drawText(m_rcLabel, Qt::AlignHCenter | Qt::AlignTop,
                             metrics.elidedText(text, Qt::ElideRight, width));
        }
    }
    painter.restore();
}

QRect CPaletteItem::RedrawSelection(int x, int y) {
    std::lock_guard lock(g_csThumbCache);
    m_nLabelScroll = 0;
    return QRect(QPoint(x, y), GetCellSize());
}

QRect CPaletteItem::ScrollLabel(int scrollY) {
    std::lock_guard lock(g_csThumbCache);
    if (!m_bLabelScrolls) {
        m_nLabelScroll = 0;
        return {};
    }
    m_nLabelScroll += 5;
    if (m_nLabelScroll > m_nLabelTextWidth)
        m_nLabelScroll = -m_rcLabel.width();  // the text comes in again from the right
    return m_rcLabel.translated(0, -scrollY);
}

void CPaletteItem::DrawInsertMark(QPainter& painter, const QRect& r) {
    painter.save();
    painter.setPen(QPen(QColor(255, 0, 0), 2));
    const int right = r.left() + r.width(), bottom = r.top() + r.height();
    const int m = (r.left() + right) / 2;
    painter.drawLine(m - 3, r.top() + 1, m + 2, r.top() + 1);
    painter.drawLine(m - 3, bottom - 1, m + 2, bottom - 1);
    painter.drawLine(m, r.top(), m, bottom - 1);
    painter.restore();
}

void CPaletteItem::DrawPlaceholder(QPainter& painter, const QRect& area, const QString& path) {
    const int left = area.left() + (area.width() - 32) / 2;
    const int top = area.top() + (area.height() - 32) / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    // A page with a folded corner and a band for the extension.
    QPainterPath page;
    page.moveTo(left + 5.5, top + 1.5);
    page.lineTo(left + 21.5, top + 1.5);
    page.lineTo(left + 27.5, top + 7.5);
    page.lineTo(left + 27.5, top + 30.5);
    page.lineTo(left + 5.5, top + 30.5);
    page.closeSubpath();
    painter.setPen(QPen(QColor(96, 96, 96), 1));
    painter.setBrush(QColor(255, 255, 255));
    painter.drawPath(page);
    painter.drawLine(QPointF(left + 21.5, top + 1.5), QPointF(left + 21.5, top + 7.5));
    painter.drawLine(QPointF(left + 21.5, top + 7.5), QPointF(left + 27.5, top + 7.5));
    painter.fillRect(QRect(left + 1, top + 10, 25, 9), QColor(40, 96, 176));
    // The extension without its dot, in upper case, in white.
    QFont font(GetDefaultGuiFontFace());
    font.setPixelSize(8);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QString ext = platform::SplitPath(path).ext.mid(1).toUpper();
    painter.drawText(QRect(QPoint(left + 2, top + 10), QPoint(left + 24, top + 17)), Qt::AlignCenter, ext);
    painter.restore();
}

#include "app/preview/NavigatorWnd.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <QMouseEvent>
#include <QPainter>

#include "app/preview/PreviewGeometry.h"
#include "app/preview/PreviewRendering.h"
#include "app/preview/QVVesperaView.h"
#include "core/document/QVVesperaDoc.h"
#include "core/settings/AppSettings.h"

namespace {

// The right and bottom edges one past the last pixel.
int Right(const QRect& r) { return r.x() + r.width(); }
int Bottom(const QRect& r) { return r.y() + r.height(); }

// A side of at least 1 and at most `limit` pixels (limit at least 1).
int Side(std::int64_t value, int limit) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 1, std::max(1, limit)));
}

}  // namespace

CNavigatorWnd::CNavigatorWnd(AppSettings& settings, QWidget* parent) : QWidget(parent), m_settings(settings) {}

CNavigatorWnd::~CNavigatorWnd() = default;

QSize CNavigatorWnd::DeviceSize() const {
    const double ratio = devicePixelRatioF();
    return QSize(static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio)));
}

QPoint CNavigatorWnd::DevicePosition(const QPointF& logical) const {
    const double ratio = devicePixelRatioF();
    return QPoint(static_cast<int>(std::lround(logical.x() * ratio)),
                  static_cast<int>(std::lround(logical.y() * ratio)));
}

void CNavigatorWnd::SetDocument(CQVVesperaDoc* document) {
    m_pDoc = document;
    RebuildPicture();
    Refresh();
}

void CNavigatorWnd::SetView(CQVVesperaView* view) {
    if (m_pView)
        disconnect(m_pView, nullptr, this, nullptr);
    m_pView = view;
    if (view)
        connect(view, &CQVVesperaView::VisiblePartChanged, this, &CNavigatorWnd::Refresh);
    Refresh();
}

void CNavigatorWnd::RebuildPicture() {
    std::shared_ptr<const imaging::Bitmap> source = m_pDoc ? m_pDoc->GetSource() : nullptr;
    if (!source) {
        m_pCachedBitmap = QPixmap();
        m_pPictureSource.reset();
        m_bPictureWanted = false;
        m_rcImage = m_rcView = m_rcBounds = QRect();
        update();
        return;
    }
    // The image centred, its aspect kept; at least one pixel each way, so a
    // 4000 x 1 picture still has a place and a drag never divides by zero.
    const std::int64_t cw = DeviceSize().width(), ch = DeviceSize().height();
    const std::int64_t sw = source->Width(), sh = source->Height();
    QRect image;
    if (sw * ch < sh * cw) {
        const int width = Side(sw * ch / sh, static_cast<int>(cw));
        image = QRect(static_cast<int>((cw - width) / 2), 0, width, Side(ch, static_cast<int>(ch)));
    } else {
        const int height = Side(sh * cw / sw, static_cast<int>(ch));
        image = QRect(0, static_cast<int>((ch - height) / 2), Side(cw, static_cast<int>(cw)), height);
    }
    m_nSourceWidth = static_cast<int>(sw);
    m_nSourceHeight = static_cast<int>(sh);
    const bool samePicture =
        source == m_pPictureSource && image.size() == m_rcImage.size() && (HasPicture() || m_bPictureWanted);
    m_rcImage = image;
    ComputeBounds();
    if (!samePicture) {
        m_pPictureSource = source;
        m_pCachedBitmap = QPixmap();
        m_bPictureWanted = true;
    }
    update();
}

void CNavigatorWnd::BuildPicture() {
    if (!m_bPictureWanted || !m_pPictureSource)
        return;
    m_bPictureWanted = false;
    m_pCachedBitmap = RenderScaled(*m_pPictureSource, {0, 0, m_nSourceWidth, m_nSourceHeight},
                                   {0, 0, m_rcImage.width(), m_rcImage.height()}, m_rcImage.width(), m_rcImage.height(),
                                   imaging::InterpolationMode::HighQualityBilinear);
    update();
}

void CNavigatorWnd::ComputeBounds() {
    m_rcBounds = m_rcImage;
    const std::int64_t W = m_settings.m_nWidth, H = m_settings.m_nHeight;
    if (m_settings.m_nCorrectProp != 1 || W <= 0 || H <= 0 || m_rcImage.isEmpty())
        return;
    // The largest rectangle of the output's aspect inside the image,
    // centred: the part the crop keeps.
    const std::int64_t iw = m_rcImage.width(), ih = m_rcImage.height();
    int width, height;
    if (ih * W < H * iw) {
        width = Side(DivideRoundingUp(W * ih, H), static_cast<int>(iw));
        height = static_cast<int>(ih);
    } else {
        width = static_cast<int>(iw);
        height = Side(DivideRoundingUp(H * iw, W), static_cast<int>(ih));
    }
    m_rcBounds = QRect(m_rcImage.x() + static_cast<int>((iw - width) / 2),
                       m_rcImage.y() + static_cast<int>((ih - height) / 2), width, height);
}

void CNavigatorWnd::Refresh() {
    if (!m_pPictureSource || m_bScrolling || !m_pView)
        return;
    const imaging::Rect visible = m_pView->GetVisibleSourceRect();
    const std::int64_t iw = m_rcImage.width(), ih = m_rcImage.height();
    const std::int64_t sw = m_nSourceWidth, sh = m_nSourceHeight;
    auto scaleX = [&](std::int64_t x) { return DivideRoundingUp(x * iw, sw); };
    auto scaleY = [&](std::int64_t y) { return DivideRoundingUp(y * ih, sh); };
    // Rounded up, and at least one pixel each way inside the image.
    const int left = static_cast<int>(std::min<std::int64_t>(scaleX(visible.x), iw - 1));
    const int top = static_cast<int>(std::min<std::int64_t>(scaleY(visible.y), ih - 1));
    const int right =
        static_cast<int>(std::max<std::int64_t>(scaleX(std::int64_t{visible.x} + visible.width), left + 1));
    const int bottom =
        static_cast<int>(std::max<std::int64_t>(scaleY(std::int64_t{visible.y} + visible.height), top + 1));
    m_rcView = QRect(left, top, right - left, bottom - top).translated(m_rcImage.topLeft());
    ComputeBounds();
    update();
}

// ---------------------------------------------------------------------------
// Painting

void CNavigatorWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double ratio = devicePixelRatioF();
    // Everything below is in device pixels.
    if (ratio != 1.0)
        painter.scale(1.0 / ratio, 1.0 / ratio);
    if (m_bPictureWanted && !m_bBuildQueued) {
        // Made once this painting has reached the screen.
        m_bBuildQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_bBuildQueued = false;
                BuildPicture();
            },
            Qt::QueuedConnection);
    }
    if (!HasPicture())
        return;
    painter.drawPixmap(m_rcImage.topLeft(), m_pCachedBitmap);
    const QRect frame = m_bDragging ? m_rcDrag : m_rcView;
    if (frame.width() < m_rcImage.width() || frame.height() < m_rcImage.height())
        PaintFrame(painter, frame);
}

void CNavigatorWnd::PaintFrame(QPainter& painter, const QRect& frame) const {
    // White in difference mode inverts what lies below, as an XOR pen does;
    // the pieces never overlap, so no pixel is inverted twice.
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    auto invert = [&painter](int x, int y, int w, int h) {
        if (w > 0 && h > 0)
            painter.fillRect(QRect(x, y, w, h), Qt::white);
    };
    const int l = frame.x(), t = frame.y(), r = Right(frame), b = Bottom(frame);
    const int w = frame.width(), h = frame.height();
    invert(l, t, w, 1);
    if (h > 1)
        invert(l, b - 1, w, 1);
    invert(l, t + 1, 1, h - 2);
    if (w > 1)
        invert(r - 1, t + 1, 1, h - 2);
    const QPoint c((l + r) / 2, (t + b) / 2);
    const QRect& image = m_rcImage;
    invert(image.x(), c.y(), l - image.x(), 1);
    invert(r, c.y(), Right(image) - r, 1);
    invert(c.x(), image.y(), 1, t - image.y());
    invert(c.x(), b, 1, Bottom(image) - b);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// ---------------------------------------------------------------------------
// Dragging

void CNavigatorWnd::mousePressEvent(QMouseEvent* event) {
    const QPoint point = DevicePosition(event->position());
    if (event->button() != Qt::LeftButton || !HasPicture() || !m_rcView.contains(point))
        return;
    m_ptDragStart = point;
    m_rcDrag = m_rcView;
    m_bDragging = true;
}

void CNavigatorWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bDragging)
        return;
    QRect drag = m_rcView.translated(DevicePosition(event->position()) - m_ptDragStart);
    // Held inside the bounds, in this order: top, bottom, left, right.
    if (drag.y() < m_rcBounds.y())
        drag.moveTop(m_rcBounds.y());
    if (Bottom(drag) > Bottom(m_rcBounds))
        drag.moveTop(Bottom(m_rcBounds) - drag.height());
    if (drag.x() < m_rcBounds.x())
        drag.moveLeft(m_rcBounds.x());
    if (Right(drag) > Right(m_rcBounds))
        drag.moveLeft(Right(m_rcBounds) - drag.width());
    m_rcDrag = drag;
    update();
}

void CNavigatorWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_bDragging)
        return;
    m_bDragging = false;
    m_rcView = m_rcDrag;
    update();
    ScrollView();
}

void CNavigatorWnd::ScrollView() {
    if (!m_pView)
        return;
    // The frame's place within the part of the image the view shows (the
    // bounds: the whole image, or the crop's part) at the view's scale.
    const std::int64_t x = m_rcView.x() - m_rcBounds.x(), y = m_rcView.y() - m_rcBounds.y();
    const QSize total = m_pView->GetTotalSize();
    const std::int64_t bw = std::max(1, m_rcBounds.width()), bh = std::max(1, m_rcBounds.height());
    QPoint position = m_pView->GetScrollPosition();
    if (m_pView->HasHorizontalBar())
        position.setX(static_cast<int>(DivideRoundingUp(std::max<std::int64_t>(0, x) * total.width(), bw)));
    if (m_pView->HasVerticalBar())
        position.setY(static_cast<int>(DivideRoundingUp(std::max<std::int64_t>(0, y) * total.height(), bh)));
    m_bScrolling = true;
    m_pView->ScrollToPosition(position);
    if (m_pDoc)
        m_pDoc->UpdateAllViews();
    m_bScrolling = false;
}

void CNavigatorWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RebuildPicture();
    Refresh();
}

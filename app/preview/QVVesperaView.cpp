#include "app/preview/QVVesperaView.h"

#include <cmath>

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include "app/preview/PreviewGeometry.h"
#include "app/preview/PreviewRendering.h"
#include "core/document/DocumentIds.h"
#include "core/document/PreviewRegion.h"
#include "core/document/QVVesperaDoc.h"
#include "core/resize/InterpolMode.h"
#include "core/settings/AppSettings.h"

namespace {

constexpr QRgb kBackground = 0xFFFFFFFF;

bool Covers(const imaging::Rect& outer, const imaging::Rect& inner) {
    return !inner.Empty() && Intersect(outer, inner) == inner;
}

// The engine is asked only for a region it can work on: more than 2 pixels
// each way. Regions of at most 4 x 4 pixels are drawn bicubically instead.
bool IsTinyRegion(const imaging::Rect& src) { return src.width <= 4 && src.height <= 4; }
bool WantsEngineRegion(const imaging::Rect& src) { return src.width > 2 && src.height > 2 && !IsTinyRegion(src); }

}  // namespace

CQVVesperaView::CQVVesperaView(CQVVesperaDoc& document, AppSettings& settings, QWidget* parent)
    : COrvekScrollView(parent), m_doc(document), m_settings(settings) {
    // The view paints every pixel of the client itself.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    OnInitialUpdate();
}

CQVVesperaView::~CQVVesperaView() = default;

// ---------------------------------------------------------------------------
// Geometry

QSize CQVVesperaView::OutputSize() const { return QSize(m_settings.m_nWidth, m_settings.m_nHeight); }

PreviewMapping CQVVesperaView::Mapping() const {
    if (!m_doc.HasImage())
        return PreviewMapping(0, 0, 0, 0, false);
    return PreviewMapping(m_nImageWidth, m_nImageHeight, m_settings.m_nWidth, m_settings.m_nHeight,
                          m_settings.m_nCorrectProp == 1);
}

std::optional<CQVVesperaView::Regions> CQVVesperaView::VisibleRegions() const {
    const PreviewMapping mapping = Mapping();
    if (!mapping.Valid())
        return std::nullopt;
    const QPoint scroll = GetScrollPosition();
    const QSize client = ClientSize();
    Regions regions;
    regions.visible = Intersect({scroll.x(), scroll.y(), client.width(), client.height()},
                                {0, 0, m_settings.m_nWidth, m_settings.m_nHeight});
    regions.src = mapping.OutputToSource(regions.visible);
    regions.dst = mapping.SourceToOutput(regions.src);
    if (regions.visible.Empty() || regions.src.Empty() || regions.dst.Empty())
        return std::nullopt;
    return regions;
}

imaging::Rect CQVVesperaView::GetVisibleSourceRect() const {
    const PreviewMapping mapping = Mapping();
    if (!mapping.Valid())
        return {};
    const QPoint scroll = GetScrollPosition();
    const QSize client = ClientSize();
    return mapping.OutputToSource({scroll.x(), scroll.y(), client.width(), client.height()}, false);
}

imaging::Rect CQVVesperaView::SourceToClientRect(const imaging::Rect& source) const {
    imaging::Rect out = Mapping().SourceToOutput(source);
    const QPoint scroll = GetScrollPosition();
    out.x -= scroll.x();
    out.y -= scroll.y();
    return out;
}

QPoint CQVVesperaView::DevicePosition(const QPointF& logical) const {
    const double ratio = DevicePixelRatio();
    return QPoint(static_cast<int>(std::lround(logical.x() * ratio)),
                  static_cast<int>(std::lround(logical.y() * ratio)));
}

// ---------------------------------------------------------------------------
// Updates

void CQVVesperaView::DropShown() {
    m_pCachedBitmap = QPixmap();
    m_pShownSource.reset();
    m_rcShownSrc = m_rcShownDst = m_rcShownClip = {};
    m_sizeShown = QSize();
    m_nShownMode = -10;
    m_bShowsResult = false;
    m_lastRequest.reset();
}

void CQVVesperaView::OnInitialUpdate() {
    DropShown();
    OnUpdate();
}

void CQVVesperaView::OnUpdate() {
    m_nImageWidth = m_doc.HasImage() ? m_doc.ImageWidth() : 0;
    m_nImageHeight = m_doc.HasImage() ? m_doc.ImageHeight() : 0;
    // Without a picture to show (no image, or an output size of 0) the
    // scroll sizes are 10 x 10.
    SetScrollSizes(Mapping().Valid() ? OutputSize() : QSize(10, 10));
    // An update may answer a request, or follow a change that makes an
    // earlier one worth asking again (the end of a batch run).
    m_lastRequest.reset();
    if (m_timing && (OutputSize() != m_sizeTimed || m_doc.GetSource().get() != m_pTimedSource)) {
        m_sizeTimed = OutputSize();
        m_pTimedSource = m_doc.GetSource().get();
        m_timeSinceChange.start();
        m_bFastPending = m_pTimedSource != nullptr;
        m_bEnginePending = m_bFastPending && IsEngineMode(m_settings.m_nInterpolMode);
    }
    Q_EMIT VisiblePartChanged();
    viewport()->update();
}

void CQVVesperaView::ReportPainted() {
    if (!m_timing)
        return;
    if (m_bPanning)
        ++m_nPanFrames;
    if (m_bFastPending) {
        m_bFastPending = false;
        m_timing("preview_fast_ms", m_timeSinceChange.elapsed());
    }
    if (m_bEnginePending && m_bShowsResult) {
        m_bEnginePending = false;
        m_timing("preview_engine_ms", m_timeSinceChange.elapsed());
    }
}

// ---------------------------------------------------------------------------
// Drawing

bool CQVVesperaView::ResultFits(const PreviewRegion& result, const Regions& regions, int mode) const {
    // A result of another region, mode, output or image is never drawn here,
    // even when it came late.
    return result.bitmap && result.src == regions.src && result.dst == regions.dst && result.mode == mode &&
           result.outputWidth == m_settings.m_nWidth && result.outputHeight == m_settings.m_nHeight &&
           result.bitmap->Width() == regions.dst.width && result.bitmap->Height() == regions.dst.height;
}

void CQVVesperaView::RenderFastPreview(const Regions& regions, int mode, bool tiny) {
    const imaging::InterpolationMode interpolation = IsDrawingMode(mode) ? DrawingInterpolation(mode)
                                                     : tiny              ? imaging::InterpolationMode::Bicubic
                                                                         : imaging::InterpolationMode::NearestNeighbor;
    std::shared_ptr<const imaging::Bitmap> source = m_doc.GetSource();
    // Only the visible part of the destination is rendered: at a huge
    // enlargement one source pixel covers far more than the client.
    const imaging::Rect clip = Intersect(regions.dst, regions.visible);
    m_rcShownSrc = regions.src;
    m_rcShownDst = regions.dst;
    m_rcShownClip = clip;
    m_sizeShown = OutputSize();
    m_pShownSource = source;
    m_pCachedBitmap = QPixmap();
    if (!source || clip.Empty())
        return;

    const imaging::Rect into{regions.dst.x - clip.x, regions.dst.y - clip.y, regions.dst.width, regions.dst.height};
    m_pCachedBitmap = RenderScaled(*source, regions.src, into, clip.width, clip.height, interpolation);
}

void CQVVesperaView::ShowResult(const PreviewRegion& result) {
    m_pCachedBitmap = QPixmap::fromImage(result.bitmap->Image());
    m_rcShownClip = result.dst;
    m_bShowsResult = true;
}

void CQVVesperaView::PaintShown(QPainter& painter) {
    const double ratio = DevicePixelRatio();
    const QRect whole(0, 0, static_cast<int>(std::ceil(viewport()->width() * ratio)),
                      static_cast<int>(std::ceil(viewport()->height() * ratio)));
    const QPoint scroll = GetScrollPosition();
    const QRect shown(m_rcShownClip.x - scroll.x(), m_rcShownClip.y - scroll.y(), m_pCachedBitmap.width(),
                      m_pCachedBitmap.height());
    QRegion background(whole);
    if (!m_pCachedBitmap.isNull() && !m_pCachedBitmap.hasAlphaChannel())
        background -= shown;
    for (const QRect& r : background)
        painter.fillRect(r, QColor::fromRgb(kBackground));
    if (!m_pCachedBitmap.isNull())
        painter.drawPixmap(shown.topLeft(), m_pCachedBitmap);
}

void CQVVesperaView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const double ratio = DevicePixelRatio();
    // Everything below is in device pixels.
    if (ratio != 1.0)
        painter.scale(1.0 / ratio, 1.0 / ratio);

    if (!m_doc.HasImage()) {
        painter.fillRect(QRect(QPoint(0, 0), viewport()->size() * ratio), palette().base());
        return;
    }
    // A spin arrow of the resize panel is held: the last frame stays, and
    // nothing is asked for until the arrow is released.
    if (m_doc.m_bHoldUpdates) {
        PaintShown(painter);
        return;
    }
    const std::optional<Regions> regions = VisibleRegions();
    if (!regions) {
        DropShown();
        PaintShown(painter);
        return;
    }

    const int mode = m_settings.m_nInterpolMode;
    const bool engine = IsEngineMode(mode);
    const bool tiny = IsTinyRegion(regions->src);
    std::shared_ptr<const PreviewRegion> result = m_doc.GetPreviewResult();
    const bool sameRegion = !m_pCachedBitmap.isNull() && m_rcShownSrc == regions->src && m_rcShownDst == regions->dst &&
                            m_sizeShown == OutputSize() && m_pShownSource == m_doc.GetSource() &&
                            (m_bShowsResult || Covers(m_rcShownClip, regions->visible));

    if (sameRegion && mode == m_nShownMode) {
        if (result && !ResultFits(*result, *regions, mode)) {
            // Made for another request; it must not keep this one from
            // being asked.
            m_doc.DropPreviewResult();
            result.reset();
        }
        if (result && !m_bShowsResult && engine && !tiny)
            ShowResult(*result);
    } else {
        m_doc.DropPreviewResult();
        result.reset();
        // Between engine modes the nearest-neighbour rendering stays (not
        // the other mode's result); a drawing mode renders anew.
        if (!sameRegion || !engine || tiny || m_bShowsResult)
            RenderFastPreview(*regions, mode, tiny);
        m_nShownMode = mode;
        m_bShowsResult = false;
    }
    PaintShown(painter);
    painter.end();
    if (!m_pCachedBitmap.isNull()) {
        ReportPainted();
        Q_EMIT PicturePainted();
    }

    if (engine && !result && !m_bShowsResult && !m_bPanning && !m_bScrolling && WantsEngineRegion(regions->src))
        RequestRegion(*regions, mode);
}

void CQVVesperaView::RequestRegion(const Regions& regions, int mode) {
    const Request request{regions.src,         regions.dst,          mode,
                          m_settings.m_nWidth, m_settings.m_nHeight, m_doc.GetSource().get()};
    if (m_lastRequest == request)
        return;
    m_lastRequest = request;
    m_doc.RequestPreviewRegion(regions.src, regions.dst);
}

// ---------------------------------------------------------------------------
// Mouse

void CQVVesperaView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        COrvekScrollView::mousePressEvent(event);
        return;
    }
    if (m_settings.m_bBatchMode && m_doc.HasImage()) {
        m_bDragPending = true;
        m_ptDragStart = event->position().toPoint();
        return;
    }
    m_ptPanMouse = DevicePosition(event->position());
    m_ptPanScroll = GetScrollPosition();
    m_bPanning = true;
    m_panTimer.start();
    m_nPanFrames = 0;
    viewport()->setCursor(Qt::ClosedHandCursor);
}

void CQVVesperaView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (m_bDragPending) {
        if ((event->position().toPoint() - m_ptDragStart).manhattanLength() >= QApplication::startDragDistance()) {
            m_bDragPending = false;
            StartFileDrag();
        }
        return;
    }
    if (!m_bPanning)
        return;
    const QPoint target = m_ptPanScroll + (m_ptPanMouse - DevicePosition(event->position()));
    // Only along an axis the content overflows; a centred axis stays.
    const QSize total = GetTotalSize(), client = ClientSize();
    const QPoint current = GetScrollPosition();
    ScrollToPosition(QPoint(total.width() > client.width() ? target.x() : current.x(),
                            total.height() > client.height() ? target.y() : current.y()));
}

void CQVVesperaView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        COrvekScrollView::mouseReleaseEvent(event);
        return;
    }
    m_bDragPending = false;
    if (!m_bPanning)
        return;
    m_bPanning = false;
    if (m_timing) {
        m_timing("pan_frames", m_nPanFrames);
        m_timing("pan_ms", m_panTimer.elapsed());
    }
    viewport()->unsetCursor();
    // The next drawing asks for the engine region.
    viewport()->update();
}

void CQVVesperaView::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier && m_runCommand &&
        (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        m_runCommand(event->key() == Qt::Key_Right ? ID_NEXT_IMAGE : ID_PREV_IMAGE);
        return;
    }
    COrvekScrollView::keyPressEvent(event);
}

QMimeData* CQVVesperaView::MakeDropFilesBlock(const QString& path) {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(path)});
    return data;
}

void CQVVesperaView::StartFileDrag() {
    const QString path = m_doc.GetPathName();
    if (path.isEmpty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(MakeDropFilesBlock(path));
    if (m_execDrag)
        m_execDrag(*drag, Qt::CopyAction);
    else
        drag->exec(Qt::CopyAction, Qt::CopyAction);
    drag->deleteLater();
}

// ---------------------------------------------------------------------------
// Scrolling and size

void CQVVesperaView::OnScrolled() { Q_EMIT VisiblePartChanged(); }

void CQVVesperaView::OnScrollBarPressed() { m_bScrolling = true; }

void CQVVesperaView::OnScrollBarReleased() {
    m_bScrolling = false;
    Q_EMIT VisiblePartChanged();
    // The next drawing asks for the engine region.
    viewport()->update();
}

void CQVVesperaView::resizeEvent(QResizeEvent* event) {
    COrvekScrollView::resizeEvent(event);
    Q_EMIT VisiblePartChanged();
}

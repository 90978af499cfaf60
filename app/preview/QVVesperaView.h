#pragma once
// The preview view: the open image at the output size (AppSettings
// m_nWidth x m_nHeight), scrollable, centred when smaller than the window.
//
// It draws only the visible part: first a fast rendering of the visible
// source region with the drawing interpolation of modes 0-4 (nearest
// neighbour for the engine modes 5-9), kept as a pixmap; then, for the engine
// modes, the engine's own result for that region, which it asks the document
// for and draws when the preview worker has delivered it (the document's
// views are updated). With the "Crop" correction it shows the centre cut that
// Resize and Save writes. The left button pans; in batch mode it drags the
// open file out to other programs as a copy instead.
//
// All drawing happens in paint events: everything else changes state and
// asks for an update. One output pixel is one device pixel, so on a screen
// with a device pixel ratio of 2 the preview shows what the file will hold,
// pixel for pixel.
//
// Region requests: one per visible region, mode and output size, made while
// drawing and neither while panning nor while a scroll bar is held, nor while
// the document holds updates (a spin arrow of the resize panel is held: the
// last frame stays). A repaint of the same region asks again only after the
// views were updated (OnUpdate), so exposing the window never restarts a job
// that is still running.

#include <QElapsedTimer>
#include <QPixmap>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>

#include "app/preview/OrvekScrollView.h"
#include "platform/imaging/Geometry.h"

class AppSettings;
class CQVVesperaDoc;
class PreviewMapping;
class QDrag;
class QMimeData;
struct PreviewRegion;

namespace imaging {
class Bitmap;
}

class CQVVesperaView : public COrvekScrollView {
    Q_OBJECT
public:
    // The document and the settings must outlive the view.
    CQVVesperaView(CQVVesperaDoc& document, AppSettings& settings, QWidget* parent = nullptr);
    ~CQVVesperaView() override;

    CQVVesperaDoc& GetDocument() const { return m_doc; }

    // A new image (or none): forgets what was drawn and takes the scroll
    // sizes of the output, centred.
    void OnInitialUpdate();
    // The document's views are updated: the image size, the output size and
    // the result may have changed.
    void OnUpdate();

    // The part of the image visible in the client, in image pixels (right
    // and bottom rounded down); empty without an image.
    imaging::Rect GetVisibleSourceRect() const;
    // A rectangle of image pixels in client coordinates (device pixels).
    imaging::Rect SourceToClientRect(const imaging::Rect& source) const;

    // The file list a file drag offers: the document's path.
    static QMimeData* MakeDropFilesBlock(const QString& path);
    // Runs the drag of the open file with the actions it allows; tests
    // replace it.
    std::function<Qt::DropAction(QDrag& drag, Qt::DropActions actions)> m_execDrag;

    // Runs a command of the frame's chain: Left and Right are Previous and
    // Next (ID_PREV_IMAGE, ID_NEXT_IMAGE) here, not scrolling.
    std::function<void(int id)> m_runCommand;

    // Timing reports (the program's --timing): after each change of the
    // output size or the image, "preview_fast_ms" when the fast rendering was
    // first painted and "preview_engine_ms" when the engine's result was;
    // after each pan, "pan_frames" and "pan_ms", the frames painted while
    // panning and its duration.
    std::function<void(const char* what, qint64 value)> m_timing;

    // What the view shows, for tests and the navigator.
    bool IsPanning() const { return m_bPanning; }
    bool IsScrolling() const { return m_bScrolling; }
    bool ShowsResult() const { return m_bShowsResult; }
    imaging::Rect ShownSource() const { return m_rcShownSrc; }
    imaging::Rect ShownDestination() const { return m_rcShownDst; }
    int ShownMode() const { return m_nShownMode; }

Q_SIGNALS:
    // The visible part may have changed: the navigator follows
    // (CNavigatorWnd::Refresh).
    void VisiblePartChanged();
    // A paint drew the picture (the fast rendering or the engine's result:
    // ShowsResult tells which).
    void PicturePainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void OnScrolled() override;
    void OnScrollBarPressed() override;
    void OnScrollBarReleased() override;

private:
    // The regions of one drawing.
    struct Regions {
        imaging::Rect src;      // image pixels
        imaging::Rect dst;      // output pixels, covering src
        imaging::Rect visible;  // the client's part of the output
    };
    // What a region request asked for, so that a repaint does not ask again.
    struct Request {
        imaging::Rect src;
        imaging::Rect dst;
        int mode;
        int outputWidth;
        int outputHeight;
        const imaging::Bitmap* source;
        friend bool operator==(const Request&, const Request&) = default;
    };

    PreviewMapping Mapping() const;
    QSize OutputSize() const;
    std::optional<Regions> VisibleRegions() const;
    bool ResultFits(const PreviewRegion& result, const Regions& regions, int mode) const;
    void RenderFastPreview(const Regions& regions, int mode, bool tiny);
    void ShowResult(const PreviewRegion& result);
    void DropShown();
    void PaintShown(QPainter& painter);
    void RequestRegion(const Regions& regions, int mode);
    QPoint DevicePosition(const QPointF& logical) const;
    void StartFileDrag();

    CQVVesperaDoc& m_doc;
    AppSettings& m_settings;

    bool m_bPanning = false;
    QPoint m_ptPanScroll;
    QPoint m_ptPanMouse;
    bool m_bScrolling = false;
    // Batch mode: a press that becomes a file drag once the mouse moves.
    bool m_bDragPending = false;
    QPoint m_ptDragStart;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;

    // What the pixmap was made for.
    imaging::Rect m_rcShownSrc;
    imaging::Rect m_rcShownDst;
    imaging::Rect m_rcShownClip;  // the part of the output the pixmap covers
    QSize m_sizeShown;
    std::shared_ptr<const imaging::Bitmap> m_pShownSource;
    QPixmap m_pCachedBitmap;
    int m_nShownMode = -10;
    bool m_bShowsResult = false;
    std::optional<Request> m_lastRequest;

    // The timing reports.
    void ReportPainted();
    QElapsedTimer m_timeSinceChange;
    QSize m_sizeTimed;
    const imaging::Bitmap* m_pTimedSource = nullptr;
    bool m_bFastPending = false;
    bool m_bEnginePending = false;
    QElapsedTimer m_panTimer;
    int m_nPanFrames = 0;
};

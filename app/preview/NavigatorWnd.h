#pragma once
// The navigator: the whole open image scaled to fit the window, with a frame
// drawn in inverted colours around the part the preview view shows and
// cross-hair lines from the frame to the image's edges. Dragging the frame
// scrolls the view when the button is released. With the "Crop" correction
// the frame moves only inside the part of the image the crop keeps.
//
// Like the view it draws in device pixels. It lives in the resize panel,
// laid over the panel's navigator frame; the view tells it when its visible
// part may have changed (Refresh).
//
// Scaling a large image down takes a while, so a new picture is made only
// after the navigator has once been painted without it: the window shows the
// new image in the view first, and the navigator's picture follows in the
// next painting.

#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>

class AppSettings;
class CQVVesperaDoc;
class CQVVesperaView;

namespace imaging {
class Bitmap;
}

class CNavigatorWnd : public QWidget {
    Q_OBJECT
public:
    // The settings must outlive the navigator.
    explicit CNavigatorWnd(AppSettings& settings, QWidget* parent = nullptr);
    ~CNavigatorWnd() override;

    // Places the scaled image of the document's image (none: no picture)
    // and asks for its picture, made after the next painting. The document
    // must outlive the navigator or be replaced.
    void SetDocument(CQVVesperaDoc* document);
    // The view whose visible part the frame shows and that a drag scrolls.
    void SetView(CQVVesperaView* view);
    // Recomputes the frame and the bounds from the view.
    void Refresh();

    // Where the scaled image lies, the frame, the area the frame may move
    // in and the frame of a drag under way, in device pixels.
    QRect GetImageRect() const { return m_rcImage; }
    QRect ViewFrame() const { return m_rcView; }
    QRect Bounds() const { return m_rcBounds; }
    QRect DragFrame() const { return m_rcDrag; }
    bool IsDragging() const { return m_bDragging; }
    // The scaled picture is made (it is drawn from now on).
    bool HasPicture() const { return !m_pCachedBitmap.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize DeviceSize() const;
    QPoint DevicePosition(const QPointF& logical) const;
    void RebuildPicture();
    // Scales the picture now when it is wanted.
    void BuildPicture();
    void ComputeBounds();
    void PaintFrame(QPainter& painter, const QRect& frame) const;
    void ScrollView();

    AppSettings& m_settings;
    CQVVesperaDoc* m_pDoc = nullptr;
    QPointer<CQVVesperaView> m_pView;

    QPixmap m_pCachedBitmap;
    // What the picture is made from; set while there is an image to show.
    std::shared_ptr<const imaging::Bitmap> m_pPictureSource;
    // The picture of m_pPictureSource at m_rcImage's size is still to be
    // made, and its making is queued behind the painting.
    bool m_bPictureWanted = false;
    bool m_bBuildQueued = false;
    QRect m_rcView;
    QRect m_rcImage;
    QRect m_rcBounds;
    int m_nSourceWidth = 0;
    int m_nSourceHeight = 0;
    bool m_bDragging = false;
    QPoint m_ptDragStart;
    QRect m_rcDrag;
    // Set while the navigator scrolls the view itself, so that the view's
    // refresh does not move the frame back.
    bool m_bScrolling = false;
};

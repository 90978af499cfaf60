#pragma once
// The scroll-view base of the preview: a scroll area over content of a total
// size that centres content smaller than the client area and, when the total
// size changes (the output size while the user edits it), moves the scroll
// position by half the change, so the view follows content that grows or
// shrinks about its centre.
//
// The view keeps its own scroll position, negative along an axis while the
// content is centred on it (then minus half the free space); the scroll bars
// show it and feed it back when the user moves them. Sizes and positions are
// in device pixels (the widget's size times its devicePixelRatio), so one
// pixel of content is one pixel of the screen.
//
// The scroll bars: each is shown when the content does not fit along its
// axis (counting the room the other bar takes); a page is a tenth of the
// total size and a line a tenth of a page unless told otherwise. Pressing a
// bar begins a scroll and releasing it ends one (OnScrollBarPressed and
// OnScrollBarReleased), as the end-of-scroll code of a scroll message did.

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

class COrvekScrollView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit COrvekScrollView(QWidget* parent = nullptr);

    // The total, page and line sizes in device pixels; an empty page or line
    // size takes the default. The old total is remembered so that the
    // position moves by half the change.
    void SetScrollSizes(QSize total, QSize page = {}, QSize line = {});
    QSize GetTotalSize() const { return m_sizeTotal; }
    QSize GetLineSize() const { return m_sizeLine; }

    // The view's own scroll position (negative along a centred axis).
    QPoint GetScrollPosition() const { return m_ptScroll; }
    // The largest position per axis (0 where the content fits).
    QPoint GetScrollLimit() const;
    // The client area in device pixels, without the bars shown.
    QSize ClientSize() const;
    // Where the content's origin lies in the client, in device pixels.
    QPoint ViewportOrigin() const { return -m_ptScroll; }
    bool HasHorizontalBar() const { return m_bHorzBar; }
    bool HasVerticalBar() const { return m_bVertBar; }
    double DevicePixelRatio() const;

    // Fits the bars and the position to the sizes and the client.
    void UpdateBars();
    // Scrolls by `delta`; an axis without a bar does not move and each
    // position stays within 0 .. the limit. False when nothing moved.
    bool OnScrollBy(QSize delta, bool doScroll = true);
    // Scrolls to `position` along the axes that have a bar.
    void ScrollToPosition(QPoint position);

    // Centre small content and keep the centre when the sizes change.
    bool m_bCenter = true;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The default handling of a size change, then UpdateBars.
    void OnSize();
    // The scroll position changed (by the bars, the wheel or a call).
    virtual void OnScrolled() {}
    // A mouse button went down or up on a scroll bar.
    virtual void OnScrollBarPressed() {}
    virtual void OnScrollBarReleased() {}

private:
    struct Bars {
        bool horizontal;
        bool vertical;
        QSize client;
    };
    // The bars the content needs and the client they leave, in device pixels.
    Bars NeededBars() const;
    void ShowBar(Qt::Orientation orientation, bool shown, int range, int page, int line, int position);
    void SetBarPositions();
    void OnBarAction(Qt::Orientation orientation, int action);

    QSize m_sizeTotal{0, 0};
    QSize m_sizePage{0, 0};
    QSize m_sizeLine{0, 0};
    QSize m_sizeOldTotal{0, 0};
    QPoint m_ptScroll{0, 0};
    QSize m_sizeClient{0, 0};
    bool m_bHorzBar = false;
    bool m_bVertBar = false;
    // Set while the bars are changed from here, so their signals do not feed
    // the position back.
    bool m_bInsideUpdate = false;
};

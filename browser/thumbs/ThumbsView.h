#pragma once
// CThumbsView: the scrollable window of a thumbnail browser. It owns no
// items: it shows one CThumbsBrowser and forwards painting, mouse, keys,
// timer ticks, tooltips, drops and commands to it. It keeps the frame images
// its cells share (its IBorderBuffer, passed as the drawing surface) and paints into the
// window's backing store, which reaches the screen whole, so the grid never flickers.
//
// Thumbnails reach it as WM_THUMBS_UPDATED posted to its command port by the
// browser's builder listener: it then repaints its client area without
// erasing. Closing it (DestroyWindow) first cuts that path (after which no
// builder thread can reach it), then deletes it once no left-button handler
// of the browser is running.
//
// User-interface thread only.

#include <QAbstractScrollArea>
#include <QPixmap>
#include <QRegion>

class QDropEvent;
class QKeyEvent;

#include <memory>

#include "browser/cells/BorderBuffer.h"
#include "platform/commands/CmdTarget.h"
#include "platform/commands/PostedCommand.h"

class CThumbsBrowser;

class CThumbsView : public QAbstractScrollArea, public platform::CmdTarget, public platform::CommandReceiver {
public:
    static constexpr int kTimerPeriodMs = 100;
    static constexpr int kToolTipMaxChars = 511;
    static constexpr int kToolTipWrapWidth = 600;

    explicit CThumbsView(QWidget* parent = nullptr);
    ~CThumbsView() override;
    CThumbsView(const CThumbsView&) = delete;
    CThumbsView& operator=(const CThumbsView&) = delete;

    // Links the browser (not owned) and this view both ways.
    void SetBrowser(CThumbsBrowser* browser);
    CThumbsBrowser* Browser() const { return m_pBrowser; }
    IBorderBuffer& Surface() { return m_surface; }
    // The browser is going away before the view.
    void DetachBrowser(CThumbsBrowser* browser);
    // Lists the browser's folder and lays the view out.
    void OnInitialUpdate();
    // Closes the view: no builder message reaches it from now on; it is
    // deleted from the event loop once no handler of the browser runs.
    void DestroyWindow();

    // Scroll sizes from the browser's content size and cell size.
    void RecalcScrollSizes();
    // RecalcScrollSizes and a repaint of the whole client area.
    void RecalcLayout();

    // --- What the browser asks of its view ---
    QSize ClientSize() const;
    QPoint ScrollPosition() const;
    void ScrollToPosition(QPoint position);
    bool VerticalRangeEmpty() const;
    // Marks a client rectangle (empty: all) for repainting. Painting always
    // fills the background first, so `erase` changes nothing.
    void Invalidate(const QRect& rect, bool erase);
    // Paints what is marked, now.
    void UpdateWindow();
    // Timers of the view whose ticks reach the browser's OnTimerTick.
    int StartTimer(int periodMs) { return startTimer(periodMs); }
    void KillTimer(int id) { killTimer(id); }

    // The port the browser's thumbnail messages arrive at.
    std::shared_ptr<platform::CommandPort> Port() const { return m_port; }
    void OnPostedCommand(const platform::Command& command) override;

    // The tooltip text of an item as shown: at most 511 characters, broken
    // into lines no wider than 600 pixels in the tooltip font.
    // Views of other browsers give their own texts.
    virtual QString ToolTipTextAt(QPoint clientPoint, QRect* itemRect = nullptr);
    static QString WrapToolTipText(const QString& text, const QFont& font, int maxWidth);

    // The background colour of the view.
    static QColor BackgroundColor();
    // Counts the paintings of the client area (for tests and measurements).
    int PaintCount() const { return m_nPaints; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The command of Ctrl+C, Ctrl+X, Ctrl+V and Ctrl+A (the desktop's keys), else 0.
    static int ClipboardCommandOf(const QKeyEvent& event);
    // The drag started in this view (an internal drag).
    bool IsOwnDrag(const QDropEvent& event) const;
    void FillBackground(QPainter& painter, const QRect& rect) const;
    void RegisterCommands();
    // A left-button handler of the browser runs while this is above 0.
    void EndBusy();

    CThumbsBrowser* m_pBrowser = nullptr;
    IBorderBuffer m_surface;
    std::shared_ptr<platform::CommandPort> m_port;
    QPoint m_ptRButton;
    int m_nTimer = 0;
    int m_nBusy = 0;
    bool m_bCloseRequested = false;
    QRegion m_pending;
    int m_nPaints = 0;
};

// The key flags (MK_*) of a mouse or key event's buttons and modifiers.
unsigned KeyFlagsOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

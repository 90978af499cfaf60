#include "browser/thumbs/ThumbsView.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimerEvent>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include "browser/builder/ThumbUpdate.h"
#include "browser/tabstops/TabstopNavigator.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsIds.h"
#include "core/settings/AppSettings.h"

unsigned KeyFlagsOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

namespace {

int DropEffectToAction(int effect) {
    if (effect & DROPEFFECT_MOVE)
        return Qt::MoveAction;
    if (effect & DROPEFFECT_COPY)
        return Qt::CopyAction;
    return Qt::IgnoreAction;
}

}  // namespace

CThumbsView::CThumbsView(QWidget* parent) : QAbstractScrollArea(parent), m_port(platform::CommandPort::Create(this)) {
    // The painting fills every pixel itself: no background erase.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    m_nTimer = startTimer(kTimerPeriodMs);
    RegisterCommands();
    CTabstopNavigator::Register(this, kTabstopOrderThumbsView);
}

CThumbsView::~CThumbsView() {
    if (m_pBrowser != nullptr)
        m_pBrowser->UnlinkView(this);
    m_port->Close();
    if (m_nTimer != 0)
        killTimer(m_nTimer);
}

void CThumbsView::SetBrowser(CThumbsBrowser* browser) {
    if (m_pBrowser != nullptr && m_pBrowser != browser)
        m_pBrowser->UnlinkView(this);
    m_pBrowser = browser;
    if (browser != nullptr)
        browser->LinkView(this, m_port);
}

void CThumbsView::DetachBrowser(CThumbsBrowser* browser) {
    if (m_pBrowser == browser)
        m_pBrowser = nullptr;
    viewport()->update();
}

void CThumbsView::OnInitialUpdate() {
    if (m_pBrowser == nullptr)
        return;
    m_pBrowser->LinkView(this, m_port);
    m_pBrowser->Refresh();
    RecalcScrollSizes();
}

void CThumbsView::DestroyWindow() {
    // The browser may go before the deferred deletion: forget it now.
    if (m_pBrowser != nullptr)
        m_pBrowser->UnlinkView(this);
    m_pBrowser = nullptr;
    m_port->Close();
    m_bCloseRequested = true;
    hide();
    if (m_nBusy == 0)
        deleteLater();
}

void CThumbsView::EndBusy() {
    if (--m_nBusy == 0 && m_bCloseRequested)
        deleteLater();
}

void CThumbsView::RecalcScrollSizes() {
    if (m_pBrowser == nullptr)
        return;
    const QSize total = m_pBrowser->GetContentSize(this);
    const QSize client = ClientSize();
    const QSize line = m_pBrowser->GetCellSize();
    horizontalScrollBar()->setRange(0, std::max(0, total.width() - client.width()));
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    horizontalScrollBar()->setSingleStep(std::max(1, line.width()));
    verticalScrollBar()->setRange(0, std::max(0, total.height() - client.height()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
    verticalScrollBar()->setSingleStep(std::max(1, line.height()));
}

void CThumbsView::RecalcLayout() {
    if (m_pBrowser == nullptr)
        return;
    RecalcScrollSizes();
    Invalidate(QRect(), false);
}

QSize CThumbsView::ClientSize() const { return viewport()->size(); }

QPoint CThumbsView::ScrollPosition() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

void CThumbsView::ScrollToPosition(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

bool CThumbsView::VerticalRangeEmpty() const {
    return verticalScrollBar()->minimum() == verticalScrollBar()->maximum();
}

void CThumbsView::Invalidate(const QRect& rect, bool) {
    const QRect client(QPoint(0, 0), ClientSize());
    const QRect area = rect.isEmpty() ? client : rect.intersected(client);
    if (area.isEmpty())
        return;
    m_pending += area;
    viewport()->update(area);
}

void CThumbsView::UpdateWindow() {
    if (m_pending.isEmpty())
        return;
    const QRegion region = m_pending;
    m_pending = QRegion();
    viewport()->repaint(region);
}

QColor CThumbsView::BackgroundColor() { return BrowserColor(g_BrowserColors.crBackground.load()); }

void CThumbsView::FillBackground(QPainter& painter, const QRect& rect) const {
    painter.fillRect(rect.adjusted(-2, -2, 2, 2), BackgroundColor());
}

void CThumbsView::paintEvent(QPaintEvent* event) {
    // The window's backing store is the memory bitmap: the painting goes
    // there and reaches the screen whole, so the grid never flickers.
    const QRect area = event->rect();  // client coordinates
    m_pending -= event->region();
    {
        QPainter painter(viewport());
        painter.setClipRegion(event->region());
        FillBackground(painter, area);
        if (m_pBrowser != nullptr) {
            // The painter keeps client coordinates: far into a long list the
            // content coordinates leave the range of Qt's text layout.
            painter.save();
            painter.setPen(QPen(BrowserColor(g_BrowserColors.crSelectedBorder.load()), 1));
            painter.setBrush(BackgroundColor());
            m_pBrowser->OnDraw(this, m_surface, painter, area.translated(ScrollPosition()));
            painter.restore();
            if (m_pBrowser->RubberBandShown()) {
                painter.setPen(QPen(Qt::black, 1));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(m_pBrowser->RubberBandRect());
            }
        }
    }
    ++m_nPaints;
}

void CThumbsView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_pBrowser == nullptr || width() == 0 || height() == 0)
        return;
    RecalcLayout();
}

void CThumbsView::scrollContentsBy(int dx, int dy) {
    // The painted pixels move; only the uncovered strip is painted anew.
    m_pending.translate(dx, dy);
    viewport()->scroll(dx, dy);
}

void CThumbsView::wheelEvent(QWheelEvent* event) {
    // Without a vertical range (the basket's single row) the wheel turns
    // the horizontal bar, a line of cells per notch, at most a page.
    const bool vertical = std::abs(event->angleDelta().y()) >= std::abs(event->angleDelta().x());
    QScrollBar* across = horizontalScrollBar();
    if (vertical && VerticalRangeEmpty() && across->maximum() > across->minimum()) {
        QCoreApplication::sendEvent(across, event);
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void CThumbsView::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    const unsigned flags = KeyFlagsOf(event->buttons(), event->modifiers());
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) {
        ++m_nBusy;
        if (m_pBrowser != nullptr)
            m_pBrowser->OnLButtonDown(this, m_surface, flags, point);
        EndBusy();
    } else if (event->button() == Qt::RightButton) {
        m_ptRButton = point;
        if (m_pBrowser != nullptr)
            m_pBrowser->OnContextMenu(this, m_surface, flags, point);
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void CThumbsView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        ++m_nBusy;
        if (m_pBrowser != nullptr)
            m_pBrowser->OnLButtonUp(this, m_surface, KeyFlagsOf(event->buttons(), event->modifiers()),
                                    event->position().toPoint());
        EndBusy();
    }
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void CThumbsView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_pBrowser != nullptr && !m_pBrowser->GetItemPathAt(this, point).isEmpty())
        m_pBrowser->OnItemDblClick(this, m_surface, KeyFlagsOf(event->buttons(), event->modifiers()), point);
}

void CThumbsView::mouseMoveEvent(QMouseEvent* event) {
    if (m_pBrowser != nullptr)
        m_pBrowser->OnMouseMove(this, m_surface, KeyFlagsOf(event->buttons(), event->modifiers()),
                                event->position().toPoint());
    QAbstractScrollArea::mouseMoveEvent(event);
}

bool CThumbsView::event(QEvent* event) {
    // The view's own clipboard keys win over the window's shortcuts.
    if (event->type() == QEvent::ShortcutOverride && ClipboardCommandOf(*static_cast<QKeyEvent*>(event)) != 0) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void CThumbsView::keyPressEvent(QKeyEvent* event) {
    if (const int command = ClipboardCommandOf(*event); command != 0) {
        RunCommand(command);
        return;
    }
    if (m_pBrowser != nullptr && m_pBrowser->OnKeyDown(event->key(), KeyFlagsOf(Qt::NoButton, event->modifiers())))
        return;
    QAbstractScrollArea::keyPressEvent(event);
}

void CThumbsView::timerEvent(QTimerEvent* event) {
    if (m_pBrowser != nullptr)
        m_pBrowser->OnTimerTick(event->timerId());
    UpdateWindow();
}

void CThumbsView::OnPostedCommand(const platform::Command& command) {
    if (command.id != WM_THUMBS_UPDATED || command.lParam != 0)
        return;
    if (m_pBrowser == nullptr || command.wParam != m_pBrowser->Tag())
        return;
    m_pBrowser->ThumbUpdateDelivered();
    Invalidate(QRect(), false);
}

QString CThumbsView::WrapToolTipText(const QString& text, const QFont& font, int maxWidth) {
    const QFontMetrics metrics(font);
    QStringList out;
    for (const QString& line : text.split(u'\n')) {
        QString current;
        for (const QString& word : line.split(u' ')) {
            const QString candidate = current.isEmpty() ? word : current + u' ' + word;
            if (!current.isEmpty() && metrics.horizontalAdvance(candidate) > maxWidth) {
                out.append(current);
                current = word;
            } else {
                current = candidate;
            }
            // A single word wider than the limit is broken where it must be.
            while (metrics.horizontalAdvance(current) > maxWidth && current.size() > 1) {
                qsizetype fit = current.size() - 1;
                while (fit > 1 && metrics.horizontalAdvance(current.left(fit)) > maxWidth)
                    --fit;
                out.append(current.left(fit));
                current = current.mid(fit);
            }
        }
        out.append(current);
    }
    return out.join(u'\n');
}

QString CThumbsView::ToolTipTextAt(QPoint clientPoint, QRect* itemRect) {
    if (m_pBrowser == nullptr)
        return {};
    const int index = m_pBrowser->HitTest(this, clientPoint);
    if (index < 0 || index >= m_pBrowser->GetItemCount())
        return {};
    if (itemRect != nullptr)
        *itemRect = m_pBrowser->GetItemRect(this, index).translated(-ScrollPosition());
    return ShownToolTipText(m_pBrowser->GetItemToolTip(index), kToolTipMaxChars, kToolTipWrapWidth);
}

QString CThumbsView::ShownToolTipText(const QString& text, int maxChars, int maxWidth) {
    return WrapToolTipText(text.left(maxChars), QToolTip::font(), maxWidth);
}

bool CThumbsView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QRect itemRect;
        const QString text = ToolTipTextAt(help->pos(), &itemRect);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport(), itemRect);
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CThumbsView::dragEnterEvent(QDragEnterEvent* event) {
    const int effect = m_pBrowser != nullptr ? m_pBrowser->OnDragEnter(event->mimeData(),
                                                                       KeyFlagsOf(event->buttons(), event->modifiers()),
                                                                       event->position().toPoint())
                                             : DROPEFFECT_NONE;
    if (effect == DROPEFFECT_NONE) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void CThumbsView::dragMoveEvent(QDragMoveEvent* event) {
    // A drag of this view's own items reorders them; any other is a drop of files.
    int effect = DROPEFFECT_NONE;
    if (m_pBrowser != nullptr) {
        m_pBrowser->m_bInternalDrag = IsOwnDrag(*event) ? 1 : 0;
        effect = m_pBrowser->OnDragOver(event->mimeData(), KeyFlagsOf(event->buttons(), event->modifiers()),
                                        event->position().toPoint());
        // The insertion gap follows the pointer only where the items can
        // be dropped.
        if (m_pBrowser->m_bInternalDrag && effect != DROPEFFECT_NONE)
            m_pBrowser->UpdateDragFeedback(this, event->position().toPoint());
        else if (m_pBrowser->m_bInternalDrag)
            m_pBrowser->EndDragFeedback(this);
    }
    const int action = DropEffectToAction(effect);
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(static_cast<Qt::DropAction>(action));
    event->accept();
}

void CThumbsView::dragLeaveEvent(QDragLeaveEvent* event) {
    if (m_pBrowser != nullptr) {
        m_pBrowser->EndDragFeedback(this);
        m_pBrowser->OnDragLeave();
    }
    event->accept();
}

void CThumbsView::dropEvent(QDropEvent* event) {
    if (m_pBrowser != nullptr) {
        const int effect = event->dropAction() == Qt::MoveAction   ? DROPEFFECT_MOVE
                           : event->dropAction() == Qt::CopyAction ? DROPEFFECT_COPY
                                                                   : DROPEFFECT_NONE;
        m_pBrowser->m_bInternalDrag = IsOwnDrag(*event) ? 1 : 0;
        m_pBrowser->OnDrop(event->mimeData(), effect, event->position().toPoint());
    }
    // The browser has carried the file operation out itself: the source
    // must not delete anything.
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
}

void CThumbsView::RegisterCommands() {
    OnCommand(ID_BROWSER_REFRESH, [this] {
        if (m_pBrowser != nullptr)
            m_pBrowser->Refresh();
    });
    OnUpdate(ID_BROWSER_REFRESH, [](platform::CCmdUI& ui) { ui.Enable(true); });
    for (const SortCommand& sort : kSortCommands) {
        OnCommand(sort.id, [this, type = sort.type] {
            if (m_pBrowser != nullptr)
                m_pBrowser->SetSortOrder(type);
        });
        OnUpdate(sort.id, [this](platform::CCmdUI& ui) { ui.Enable(m_pBrowser && m_pBrowser->GetItemCount() > 1); });
    }
    OnCommand(ID_BROWSER_SELECTALL, [this] {
        if (m_pBrowser != nullptr)
            m_pBrowser->SelectAll(this, m_surface);
    });
    OnUpdate(ID_BROWSER_SELECTALL,
             [this](platform::CCmdUI& ui) { ui.Enable(m_pBrowser && m_pBrowser->GetItemCount() > 0); });
    OnCommand(ID_BROWSER_COPY, [this] {
        if (m_pBrowser != nullptr)
            m_pBrowser->CopyToClipboard();
    });
    OnUpdate(ID_BROWSER_COPY, [](platform::CCmdUI& ui) { ui.Enable(true); });
    OnCommand(ID_BROWSER_PASTE, [this] {
        if (m_pBrowser != nullptr)
            m_pBrowser->PasteFromClipboard();
    });
    OnUpdate(ID_BROWSER_PASTE, [this](platform::CCmdUI& ui) { ui.Enable(m_pBrowser && m_pBrowser->CanPaste()); });
    OnCommand(ID_BROWSER_CUT, [this] {
        if (m_pBrowser != nullptr)
            m_pBrowser->CutToClipboard();
    });
    OnUpdate(ID_BROWSER_CUT, [this](platform::CCmdUI& ui) {
        int first = 0, last = -1;
        ui.Enable(m_pBrowser && (m_pBrowser->GetSelectionRange(first, last), last >= 0));
    });
    // The frame's Edit accelerators reach the view under the standard ids.
    OnCommand(ID_EDIT_COPY, [this] { RunCommand(ID_BROWSER_COPY); });
    OnCommand(ID_EDIT_SELECT_ALL, [this] { RunCommand(ID_BROWSER_SELECTALL); });
    OnCommand(ID_BROWSER_PROPERTIES, [this] {
        if (m_pBrowser != nullptr)
            m_pBrowser->ShowImageInfo();
    });
    OnUpdate(ID_BROWSER_PROPERTIES, [](platform::CCmdUI& ui) { ui.Enable(true); });
    OnCommand(ID_BROWSER_RESERVED, [] {});
    OnCommand(ID_NEXT_PANE, [] {});
}

int CThumbsView::ClipboardCommandOf(const QKeyEvent& event) {
    if (event.matches(QKeySequence::Copy))
        return ID_BROWSER_COPY;
    if (event.matches(QKeySequence::Cut))
        return ID_BROWSER_CUT;
    if (event.matches(QKeySequence::Paste))
        return ID_BROWSER_PASTE;
    if (event.matches(QKeySequence::SelectAll))
        return ID_BROWSER_SELECTALL;
    return 0;
}

bool CThumbsView::IsOwnDrag(const QDropEvent& event) const {
    const QObject* source = event.source();
    return source != nullptr && (source == this || source == viewport());
}

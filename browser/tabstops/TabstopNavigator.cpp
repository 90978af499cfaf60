#include "browser/tabstops/TabstopNavigator.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>

#include <algorithm>

CTabstopNavigator* g_pTabstopRegistry = nullptr;

namespace {

class TabKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            return CTabstopNavigator::PreTranslateMessage(watched, *static_cast<QKeyEvent*>(event));
        return false;
    }
};

bool IsUsable(const QWidget* wnd) { return wnd != nullptr && wnd->isEnabled() && wnd->isVisible(); }

// The widgets that Tab visits inside `top`, in its focus chain's order.
std::vector<QWidget*> TabItemsOf(QWidget* top) {
    std::vector<QWidget*> items;
    QWidget* widget = top;
    do {
        if (widget != top && top->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) != 0 &&
            IsUsable(widget) && widget->focusProxy() == nullptr) {
            items.push_back(widget);
        }
        widget = widget->nextInFocusChain();
    } while (widget != nullptr && widget != top);
    return items;
}

// Gives the focus to a usable pane: a dialog to its first control, or to
// its last one when the focus comes backwards.
bool FocusPane(QWidget* pane, bool backward) {
    if (qobject_cast<QDialog*>(pane) != nullptr) {
        const std::vector<QWidget*> items = TabItemsOf(pane);
        if (!items.empty() && IsUsable(pane))
            return CTabstopNavigator::SetFocusIfUsable(backward ? items.back() : items.front());
    }
    return CTabstopNavigator::SetFocusIfUsable(pane);
}

}  // namespace

CTabstopNavigator::CTabstopNavigator() { g_pTabstopRegistry = this; }

CTabstopNavigator::~CTabstopNavigator() {
    g_pTabstopRegistry = nullptr;
    m_arrWindows.clear();
    // The application deletes the filter when it goes first.
    delete m_filter.data();
}

void CTabstopNavigator::InstallFilter() {
    if (m_filter || QCoreApplication::instance() == nullptr)
        return;
    m_filter = new TabKeyFilter(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(m_filter);
}

bool CTabstopNavigator::Register(QWidget* pWnd, int order) {
    CTabstopNavigator* self = g_pTabstopRegistry;
    if (self == nullptr || pWnd == nullptr)
        return false;
    if (self->IsRegistered(pWnd))
        return true;
    self->InstallFilter();
    CWndData entry{order, pWnd};
    auto position = self->m_arrWindows.end();
    if (order != INT_MAX) {
        position = std::find_if(self->m_arrWindows.begin(), self->m_arrWindows.end(),
                                [order](const CWndData& data) { return data.order > order; });
    }
    self->m_arrWindows.insert(position, std::move(entry));
    QObject::connect(pWnd, &QObject::destroyed, self->m_filter, [pWnd] { Unregister(pWnd); });
    return true;
}

void CTabstopNavigator::Unregister(QWidget* pWnd) {
    CTabstopNavigator* self = g_pTabstopRegistry;
    if (self == nullptr || self->m_arrWindows.empty())
        return;
    auto& windows = self->m_arrWindows;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (it->pWnd.data() == pWnd) {
            windows.erase(std::next(it).base());
            break;
        }
    }
    // A pane being destroyed reads as null already.
    std::erase_if(windows, [](const CWndData& data) { return data.pWnd.isNull(); });
}

std::vector<QWidget*> CTabstopNavigator::RegisteredPanes() {
    std::vector<QWidget*> panes;
    if (g_pTabstopRegistry != nullptr) {
        for (const CWndData& data : g_pTabstopRegistry->m_arrWindows) {
            if (data.pWnd)
                panes.push_back(data.pWnd);
        }
    }
    return panes;
}

bool CTabstopNavigator::IsRegistered(QWidget* pWnd) const {
    return std::any_of(m_arrWindows.begin(), m_arrWindows.end(),
                       [pWnd](const CWndData& data) { return data.pWnd.data() == pWnd; });
}

QWidget* CTabstopNavigator::FindRegisteredAncestor(QWidget* window) const {
    for (QWidget* widget = window; widget != nullptr; widget = widget->parentWidget()) {
        for (auto it = m_arrWindows.rbegin(); it != m_arrWindows.rend(); ++it) {
            if (it->pWnd.data() == widget)
                return widget;
        }
        // A window of its own (a dialog owned by a pane) is no part of the
        // pane: its Tab stays among its controls.
        if (widget->isWindow())
            break;
    }
    return nullptr;
}

bool CTabstopNavigator::PreTranslateMessage(QObject* receiver, const QKeyEvent& event) {
    const CTabstopNavigator* self = g_pTabstopRegistry;
    if (self == nullptr || !receiver->isWidgetType())
        return false;
    const bool tab = event.key() == Qt::Key_Tab || event.key() == Qt::Key_Backtab;
    if (!tab)
        return false;
    QWidget* pane = self->FindRegisteredAncestor(static_cast<QWidget*>(receiver));
    if (pane == nullptr)
        return false;
    const bool backward = event.key() == Qt::Key_Backtab || (event.modifiers() & Qt::ShiftModifier) != 0;
    return self->HandleTab(pane, backward);
}

bool CTabstopNavigator::HandleTab(QWidget* pane, bool backward) const {
    if (qobject_cast<QDialog*>(pane) == nullptr) {
        QWidget* next = FindNext(pane, backward);
        return next != nullptr && FocusPane(next, backward);
    }
    // A dialog moves the focus among its own controls; only past its ends
    // does the focus go to the next pane.
    const std::vector<QWidget*> items = TabItemsOf(pane);
    if (items.empty())
        return false;
    QWidget* focus = QApplication::focusWidget();
    const bool atEnd = backward ? focus == items.front() : focus == items.back();
    if (!atEnd)
        return false;
    QWidget* next = FindNext(pane, backward);
    return next != nullptr && FocusPane(next, backward);
}

QWidget* CTabstopNavigator::FindNext(QWidget* pane, bool backward) const {
    const auto count = static_cast<std::ptrdiff_t>(m_arrWindows.size());
    std::ptrdiff_t j = -1;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        if (m_arrWindows[static_cast<std::size_t>(i)].pWnd.data() == pane) {
            j = i;
            break;
        }
    }
    if (j < 0)
        return nullptr;
    for (std::ptrdiff_t step = 1; step < count; ++step) {
        const std::ptrdiff_t k = backward ? (j - step + count) % count : (j + step) % count;
        QWidget* candidate = m_arrWindows[static_cast<std::size_t>(k)].pWnd;
        if (IsUsable(candidate))
            return candidate;
    }
    return nullptr;
}

bool CTabstopNavigator::SetFocusIfUsable(QWidget* pWnd) {
    if (!IsUsable(pWnd))
        return false;
    pWnd->activateWindow();
    pWnd->setFocus(Qt::TabFocusReason);
    return true;
}

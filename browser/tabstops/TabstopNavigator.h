#pragma once
// CTabstopNavigator: Tab and Shift+Tab between panes that are not controls
// of one dialog: the folder tree, the basket's view and the Browse window's
// thumbnail view sit in splitter panes of different windows, and Qt's own
// focus chain would walk through every control between them.
//
// The panes register with an order number; the navigator keeps them sorted
// by it (equal orders in the order of registration). A Tab pressed in a
// registered pane, or in any child of one, moves the focus to the next
// registered pane that is enabled and visible, wrapping at the ends; Shift+Tab
// (which Qt sends as Key_Backtab) to the previous one. A pane that is a
// dialog keeps Tab among its own controls and hands the focus on only from
// its last control forwards or its first control backwards.
//
// Qt handles Tab in QWidget::event before a widget sees the key, so the
// navigator looks at key presses as an event filter of the application,
// installed with the first registration. A Tab with no other usable pane is
// left alone.
//
// One navigator exists for the process (g_pTabstopRegistry) while its owner
// keeps it: the application object makes it before the first pane and ends it
// after the last. The operations are static and do nothing (or answer false)
// without it. UI thread only.

#include <QPointer>
#include <QWidget>

#include <climits>
#include <memory>
#include <vector>

class QKeyEvent;
class QObject;

class CTabstopNavigator {
public:
    struct CWndData {
        int order = 0;
        QPointer<QWidget> pWnd;  // not owned; null once the pane is gone
    };

    CTabstopNavigator();
    ~CTabstopNavigator();
    CTabstopNavigator(const CTabstopNavigator&) = delete;
    CTabstopNavigator& operator=(const CTabstopNavigator&) = delete;

    // Adds the pane with its order (INT_MAX: after every other). True also
    // when it is registered already; it keeps its first order. A pane that is
    // destroyed leaves the registry by itself.
    static bool Register(QWidget* pWnd, int order);
    static void Unregister(QWidget* pWnd);

    // Called with every key press the application delivers: true when the
    // navigator moved the focus and the key is consumed.
    static bool PreTranslateMessage(QObject* receiver, const QKeyEvent& event);

    // The registered panes in visiting order, for tests.
    static std::vector<QWidget*> RegisteredPanes();

    // The pane of a window: the window itself or its nearest registered
    // ancestor inside the same top-level window; null when none.
    QWidget* FindRegisteredAncestor(QWidget* window) const;
    bool HandleTab(QWidget* pane, bool backward) const;
    QWidget* FindNext(QWidget* pane, bool backward) const;
    bool IsRegistered(QWidget* pWnd) const;
    static bool SetFocusIfUsable(QWidget* pWnd);

private:
    void InstallFilter();

    std::vector<CWndData> m_arrWindows;
    QPointer<QObject> m_filter;  // a child of the application, which deletes it
};

// The process's navigator; null before its construction and from the start of
// its destruction.
extern CTabstopNavigator* g_pTabstopRegistry;

// The order numbers of this program's panes.
inline constexpr int kTabstopOrderShellTree = 4;
inline constexpr int kTabstopOrderThumbsView = 7;

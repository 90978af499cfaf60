#include "app/frame/SplitterWnd.h"

#include "app/frame/FrameIds.h"
#include "platform/profile/ProfileStore.h"

#include <QApplication>
#include <QList>

#include <algorithm>

namespace {
const char* const kPaneIdProperty = "vesperaPaneId";
constexpr int kMaxLines = 2;
}  // namespace

QV_SplitterWnd::QV_SplitterWnd(int id) : m_nId(id) {
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] { OnSplitterMoved(); });
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        m_focusConnection =
            connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
}

QV_SplitterWnd::~QV_SplitterWnd() {
    // Focus moves while the panes are destroyed, after this object has
    // stopped being a splitter: the handler must not run then.
    disconnect(m_focusConnection);
    // A splitter that never got its panes has no state worth keeping.
    if (m_nCount == 0)
        return;
    try {
        SaveState();
    } catch (...) {
        // The sizes are lost; the splitter still goes.
    }
}

bool QV_SplitterWnd::CreateWithViews(QWidget* parent, const PaneFactory& first, const PaneFactory& second,
                                     bool sideBySide, int /*windowId*/) {
    // The window id has no use here: Qt finds no child window by number.
    m_bSideBySide = sideBySide;
    setParent(parent);
    setOrientation(sideBySide ? Qt::Horizontal : Qt::Vertical);
    const PaneFactory* factories[kMaxLines] = {&first, &second};
    QWidget* panes[kMaxLines] = {};
    for (int line = 0; line < kMaxLines; ++line) {
        panes[line] = *factories[line] ? (*factories[line])(this) : nullptr;
        if (panes[line] == nullptr) {
            for (QWidget* made : panes)
                delete made;
            return false;
        }
    }
    for (int line = 0; line < kMaxLines; ++line) {
        panes[line]->setProperty(kPaneIdProperty, LineId(line));
        addWidget(panes[line]);
        lines_[line] = LineInfo{};
    }
    m_nCount = kMaxLines;
    RecalcLayout();
    return true;
}

int QV_SplitterWnd::IdFromRowCol(int row, int column) { return AFX_IDW_PANE_FIRST + 16 * row + column; }

int QV_SplitterWnd::PaneId(const QWidget* pane) {
    return pane == nullptr ? 0 : pane->property(kPaneIdProperty).toInt();
}

int QV_SplitterWnd::LineId(int line) const { return m_bSideBySide ? IdFromRowCol(0, line) : IdFromRowCol(line, 0); }

QWidget* QV_SplitterWnd::GetPane(int row, int column) const {
    const int id = IdFromRowCol(row, column);
    for (int i = 0; i < count(); ++i) {
        if (PaneId(widget(i)) == id)
            return widget(i);
    }
    return nullptr;
}

QWidget* QV_SplitterWnd::PaneAt(int line) const { return m_bSideBySide ? GetPane(0, line) : GetPane(line, 0); }

void QV_SplitterWnd::TogglePane(int index) {
    int& hidden = m_bSideBySide ? m_nHiddenCol : m_nHiddenRow;
    if (hidden == -1) {
        HideLine(index);
    } else if (hidden == index) {
        ShowLine();
    }
}

void QV_SplitterWnd::HideColumn(int column) {
    if (m_bSideBySide)
        HideLine(column);
}

void QV_SplitterWnd::ShowColumn() {
    if (m_bSideBySide)
        ShowLine();
}

void QV_SplitterWnd::HideRow(int row) {
    if (!m_bSideBySide)
        HideLine(row);
}

void QV_SplitterWnd::HideLine(int line) {
    int& hidden = m_bSideBySide ? m_nHiddenCol : m_nHiddenRow;
    // One of the two at most, and never the last one shown.
    if (hidden != -1 || line < 0 || line >= m_nCount || m_nCount < 2)
        return;
    RememberSizes();
    hidden = line;
    QWidget* pane = PaneAt(line);
    const int size = CurrentSize(line);
    if (pane != nullptr && m_pActive == pane) {
        const int next = line + 1 < m_nCount ? line + 1 : 0;
        if (QWidget* other = PaneAt(next)) {
            m_pActive = other;
            if (pane->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == pane)
                other->setFocus();
        }
    }
    // The hidden pane takes the id just past the last line, those after it
    // move one line up.
    QWidget* after[kMaxLines] = {};
    for (int i = line + 1; i < m_nCount; ++i)
        after[i] = PaneAt(i);
    if (pane != nullptr) {
        pane->hide();
        pane->setProperty(kPaneIdProperty, LineId(m_nCount));
    }
    for (int i = line + 1; i < m_nCount; ++i) {
        if (after[i] != nullptr)
            after[i]->setProperty(kPaneIdProperty, LineId(i - 1));
    }
    --m_nCount;
    lines_[m_nCount].ideal = size;
    RecalcLayout();
}

void QV_SplitterWnd::ShowLine() {
    int& hidden = m_bSideBySide ? m_nHiddenCol : m_nHiddenRow;
    if (hidden == -1)
        return;
    const int shownLine = hidden;
    hidden = -1;
    const int stashedSize = lines_[m_nCount].ideal;
    ++m_nCount;
    QWidget* stashed = PaneAt(m_nCount);
    // Sizes before the panes move: the lines after the shown one take the
    // sizes of the lines before them.
    int sizes[kMaxLines + 1] = {};
    for (int i = 0; i < m_nCount - 1; ++i)
        sizes[i] = CurrentSize(i);
    for (int i = m_nCount - 2; i >= shownLine; --i) {
        if (QWidget* pane = PaneAt(i))
            pane->setProperty(kPaneIdProperty, LineId(i + 1));
    }
    if (stashed != nullptr) {
        stashed->setProperty(kPaneIdProperty, LineId(shownLine));
        stashed->show();
    }
    for (int i = shownLine + 1; i < m_nCount; ++i)
        lines_[i].ideal = sizes[i - 1];
    lines_[shownLine].ideal = stashedSize;
    RecalcLayout();
}

int QV_SplitterWnd::CurrentSize(int line) const {
    QWidget* pane = PaneAt(line);
    if (pane == nullptr || line >= m_nCount)
        return 0;
    const int index = indexOf(pane);
    const QList<int> current = sizes();
    return index >= 0 && index < current.size() ? current[index] : 0;
}

void QV_SplitterWnd::GetLineInfo(int line, int& current, int& minimum) const {
    if (line < 0 || line > kMaxLines) {
        current = minimum = 0;
        return;
    }
    current = CurrentSize(line);
    minimum = lines_[line].minimum;
}

void QV_SplitterWnd::SetLineInfo(int line, int ideal, int minimum) {
    if (line < 0 || line > kMaxLines)
        return;
    lines_[line].ideal = std::max(ideal, 0);
    lines_[line].minimum = std::max(minimum, 0);
}

void QV_SplitterWnd::GetRowInfo(int row, int& current, int& minimum) const {
    if (m_bSideBySide) {
        current = row == 0 ? height() : 0;
        minimum = 0;
        return;
    }
    GetLineInfo(row, current, minimum);
}

void QV_SplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
    if (!m_bSideBySide)
        SetLineInfo(row, ideal, minimum);
}

void QV_SplitterWnd::GetColumnInfo(int column, int& current, int& minimum) const {
    if (!m_bSideBySide) {
        current = column == 0 ? width() : 0;
        minimum = 0;
        return;
    }
    GetLineInfo(column, current, minimum);
}

void QV_SplitterWnd::SetColumnInfo(int column, int ideal, int minimum) {
    if (m_bSideBySide)
        SetLineInfo(column, ideal, minimum);
}

void QV_SplitterWnd::RecalcLayout() {
    if (m_nCount == 0)
        return;
    const int extent = orientation() == Qt::Horizontal ? width() : height();
    int left = std::max(0, extent - (m_nCount - 1) * handleWidth());
    QList<int> newSizes(count(), 0);
    for (int line = 0; line < m_nCount; ++line) {
        QWidget* pane = PaneAt(line);
        // Keep the splitter's order of widgets that of the lines.
        if (pane != nullptr && indexOf(pane) != line)
            insertWidget(line, pane);
        int size = left;
        if (line + 1 < m_nCount) {
            size = lines_[line].ideal < lines_[line].minimum ? 0 : std::min(lines_[line].ideal, left);
            left -= size;
        }
        if (pane != nullptr)
            newSizes[indexOf(pane)] = size;
    }
    m_bLayingOut = true;
    setSizes(newSizes);
    m_bLayingOut = false;
}

void QV_SplitterWnd::OnSplitterMoved() {
    if (m_bLayingOut)
        return;
    for (int line = 0; line < m_nCount; ++line)
        lines_[line].ideal = CurrentSize(line);
}

void QV_SplitterWnd::resizeEvent(QResizeEvent* event) {
    QSplitter::resizeEvent(event);
    RecalcLayout();
}

QWidget* QV_SplitterWnd::GetActivePane() const { return m_pActive; }

void QV_SplitterWnd::SetActivePane(int row, int column) {
    QWidget* pane = GetPane(row, column);
    if (pane == nullptr || pane->isHidden())
        return;
    m_pActive = pane;
    pane->setFocus();
}

void QV_SplitterWnd::OnFocusChanged(QWidget* now) {
    for (int line = 0; line < m_nCount && now != nullptr; ++line) {
        QWidget* pane = PaneAt(line);
        if (pane != nullptr && (pane == now || pane->isAncestorOf(now))) {
            m_pActive = pane;
            return;
        }
    }
}

void QV_SplitterWnd::RememberSizes() {
    if (m_nHiddenCol != -1 || m_nHiddenRow != -1)
        return;
    for (int line = 0; line < kMaxLines && line < m_nCount; ++line)
        GetLineInfo(line, m_nSize[line], m_nMinSize[line]);
}

void QV_SplitterWnd::SaveState() {
    RememberSizes();
    for (int& size : m_nSize) {
        if (size == -1)
            size = 100;
    }
    platform::ProfileStore store;
    store.WriteString(
        m_strSection, QStringLiteral("Panes_%1").arg(m_nId),
        QStringLiteral("%1 %2 %3 %4").arg(m_nHiddenCol).arg(m_nSize[0]).arg(m_nHiddenRow).arg(m_nSize[1]));
    store.Sync();
}

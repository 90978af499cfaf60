#pragma once
// A static splitter of two panes, side by side (one row of two columns) or
// stacked (two rows of one column), that can hide one of its rows or columns
// and show it again, and that writes its pane sizes to the profile when it is
// destroyed.
//
// It keeps the row and column model of the system's splitter windows over a
// QSplitter: rows and columns are counted, each pane has a pane id (the first
// pane id + 16 * row + column) that moves when a row or column is hidden, and
// each row or column has an ideal and a minimum size. The layout gives every
// row (column) its ideal size in order and the last one what is left; a row
// whose ideal size is below its minimum gets none. Dragging the bar between
// the panes sets their ideal sizes; resizing the splitter lays it out again.

#include <QPointer>
#include <QSplitter>
#include <QString>

#include <array>
#include <functional>

class QV_SplitterWnd : public QSplitter {
public:
    // Makes a pane as a child of the splitter; null when it cannot.
    using PaneFactory = std::function<QWidget*(QWidget* parent)>;

    // `id` numbers the splitter in the profile's value name.
    explicit QV_SplitterWnd(int id);
    ~QV_SplitterWnd() override;

    // Places the splitter in `parent` and makes its two panes: the first at
    // row 0, column 0, the second at row 0, column 1 (side by side) or row 1,
    // column 0 (stacked). False when a pane is not given or cannot be made;
    // the splitter is then left without panes.
    bool CreateWithViews(QWidget* parent, const PaneFactory& first, const PaneFactory& second, bool sideBySide,
                         int windowId);

    // Side by side: hides column `index` when none is hidden, shows it again
    // when it is the hidden one, else nothing. Stacked: the same with rows.
    void TogglePane(int index);
    void HideColumn(int column);
    void ShowColumn();
    void HideRow(int row);

    int GetRowCount() const { return m_bSideBySide ? 1 : m_nCount; }
    int GetColumnCount() const { return m_bSideBySide ? m_nCount : 1; }

    static int IdFromRowCol(int row, int column);
    // The pane id of a pane of this splitter, 0 for another widget.
    static int PaneId(const QWidget* pane);
    // The pane that has the id of (row, column), shown or stashed.
    QWidget* GetPane(int row, int column) const;

    // The current and minimum size of a row (column); the ideal size and
    // minimum that the next layout uses.
    void GetRowInfo(int row, int& current, int& minimum) const;
    void SetRowInfo(int row, int ideal, int minimum);
    void GetColumnInfo(int column, int& current, int& minimum) const;
    void SetColumnInfo(int column, int ideal, int minimum);
    void RecalcLayout();

    // The pane that last had the focus, or was made active.
    QWidget* GetActivePane() const;
    void SetActivePane(int row, int column);

    // Copies the current and minimum sizes of both panes into m_nSize and
    // m_nMinSize, unless a pane is hidden.
    void RememberSizes();
    // Writes "hidden column, first size, hidden row, second size" to the
    // profile, section m_strSection, value "Panes_<id>".
    void SaveState();

    bool m_bSideBySide = false;
    int m_nHiddenCol = -1;
    int m_nHiddenRow = -1;
    int m_nSize[2] = {100, 100};
    int m_nMinSize[2] = {10, 10};
    QString m_strSection = QStringLiteral("SplitterWnd");
    int m_nId;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Rows when stacked, columns side by side: the splitter's one axis.
    void HideLine(int line);
    void ShowLine();
    int LineId(int line) const;
    QWidget* PaneAt(int line) const;
    int CurrentSize(int line) const;
    void GetLineInfo(int line, int& current, int& minimum) const;
    void SetLineInfo(int line, int ideal, int minimum);
    void OnFocusChanged(QWidget* now);
    void OnSplitterMoved();

    struct LineInfo {
        int ideal = 100;
        int minimum = 0;
    };
    // One more than the lines, for the hidden line's stashed size.
    std::array<LineInfo, 3> lines_{};
    int m_nCount = 0;
    QMetaObject::Connection m_focusConnection;
    bool m_bLayingOut = false;
    QPointer<QWidget> m_pActive;
};

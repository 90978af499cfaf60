#pragma once
// CBasketView: the window of the batch basket in the main frame's lower
// pane, a thumbnail view of its CBasketBrowser. It adds the basket's
// commands (remove, copy, paste, select all, sort, properties, refresh) with
// their enabling rules, its context menus, and tooltips that show each
// item's output settings in three lines.
//
// Its own commands come before those of the thumbnail view, so that the
// clipboard's paste adds files to the basket instead of copying them
// anywhere. UI thread only.

#include <QMenu>
#include <QPointer>

#include "browser/thumbs/ThumbsView.h"

class CBasketBrowser;

class CBasketView : public CThumbsView {
public:
    static constexpr int kToolTipMaxChars = 80;
    static constexpr int kToolTipMaxWidth = 300;

    explicit CBasketView(QWidget* parent = nullptr);
    ~CBasketView() override;

    // Links the basket (not owned) and this view both ways.
    void SetBasket(CBasketBrowser* basket);
    // The linked basket; null once it has gone.
    CBasketBrowser* Basket() const;

    bool OnCmdMsg(int id, platform::CCmdUI* ui) override;

    // The item tooltip at a client point: the item's settings (at most 80
    // characters, lines of at most 300 pixels), empty over no item.
    QString ToolTipTextAt(QPoint clientPoint, QRect* itemRect = nullptr) override;
    // The context menu last shown (null when none is open).
    QMenu* ContextMenu() const { return m_menu; }
    // Builds and shows context menu `menuId` at a global point.
    void TrackContextMenu(int menuId, QPoint globalPoint);

private:
    class Commands;
    std::unique_ptr<Commands> m_commands;
    QPointer<QMenu> m_menu;
};

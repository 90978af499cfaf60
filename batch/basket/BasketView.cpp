#include "batch/basket/BasketView.h"

#include <QMenu>
#include <QToolTip>

#include "batch/basket/BasketBrowser.h"
#include "batch/basket/BasketIds.h"
#include "platform/resources/CommandIds.h"

namespace {

struct MenuEntry {
    int id;  // 0: the "Sort" popup
    const char* text;
};

constexpr MenuEntry kSortEntries[] = {
    {ID_BASKET_SORT_NAME, "&Name"}, {ID_BASKET_SORT_DATE, "&Date"}, {ID_BASKET_SORT_FORMAT, "&File Format"}};

std::vector<MenuEntry> EntriesOf(int menuId) {
    switch (menuId) {
    case IDR_BASKET_MENU_OUT:
        return {{ID_BASKET_REFRESH, "&Refresh"},
                {ID_BASKET_PASTE, "&Paste"},
                {ID_BASKET_SELECTALL, "Select all"},
                {0, "Sort"}};
    case IDR_BASKET_MENU_ONE:
        return {{ID_BASKET_PASTE, "&Paste"},
                {ID_BASKET_COPY, "&Copy"},
                {ID_BATCH_REMOVE, "&Remove"},
                {ID_BASKET_SELECTALL, "Select all"},
                {0, "Sort"},
                {ID_BASKET_PROPERTIES, "Properties ..."}};
    case IDR_BASKET_MENU_MANY:
        return {{ID_BASKET_PASTE, "&Paste"},
                {ID_BASKET_COPY, "&Copy"},
                {ID_BATCH_REMOVE, "&Remove"},
                {ID_BASKET_SELECTALL, "Select all"},
                {0, "Sort"}};
    default:
        return {};
    }
}

}  // namespace

// The basket's own command table, asked before the thumbnail view's.
class CBasketView::Commands : public platform::CmdTarget {
public:
    explicit Commands(CBasketView& view) : view_(view) {
        OnCommand(ID_BATCH_REMOVE, [this] { Run([](CBasketBrowser& b) { b.RemoveSelected(); }); });
        OnUpdate(ID_BATCH_REMOVE,
                 [this](platform::CCmdUI& ui) { ui.Enable(Basket() && Basket()->CountSelectedFiles() > 0); });
        for (int id : {ID_BASKET_PASTE, ID_EDIT_PASTE}) {
            OnCommand(id, [this] {
                Run([](CBasketBrowser& b) { b.PasteFiles(); });
                view_.Invalidate(QRect(), true);
            });
            OnUpdate(id, [this](platform::CCmdUI& ui) { ui.Enable(Basket() && Basket()->CanPasteFiles()); });
        }
        OnCommand(ID_BASKET_COPY, [this] { Run([](CBasketBrowser& b) { b.CopyToClipboard(); }); });
        OnUpdate(ID_BASKET_COPY, [](platform::CCmdUI& ui) { ui.Enable(true); });
        OnCommand(ID_BASKET_SELECTALL,
                  [this] { Run([this](CBasketBrowser& b) { b.SelectAll(&view_, view_.Surface()); }); });
        OnUpdate(ID_BASKET_SELECTALL,
                 [this](platform::CCmdUI& ui) { ui.Enable(Basket() && Basket()->GetItemCount() > 0); });
        const std::pair<int, int> sorts[] = {
            {ID_BASKET_SORT_NAME, 0}, {ID_BASKET_SORT_DATE, 2}, {ID_BASKET_SORT_FORMAT, 4}};
        for (const auto& [id, type] : sorts) {
            OnCommand(id, [this, type = type] { Run([type](CBasketBrowser& b) { b.SetSortOrder(type); }); });
            OnUpdate(id, [this](platform::CCmdUI& ui) { ui.Enable(Basket() && Basket()->GetItemCount() > 1); });
        }
        OnCommand(ID_BASKET_PROPERTIES, [this] { Run([](CBasketBrowser& b) { b.ShowImageInfo(); }); });
        OnUpdate(ID_BASKET_PROPERTIES, [](platform::CCmdUI& ui) { ui.Enable(true); });
        OnCommand(ID_BASKET_REFRESH, [this] { Run([](CBasketBrowser& b) { b.RebuildList(); }); });
        OnUpdate(ID_BASKET_REFRESH,
                 [this](platform::CCmdUI& ui) { ui.Enable(Basket() && Basket()->GetItemCount() > 0); });
    }

private:
    CBasketBrowser* Basket() const { return view_.Basket(); }
    template <typename F>
    void Run(F&& f) {
        if (CBasketBrowser* basket = Basket())
            f(*basket);
    }

    CBasketView& view_;
};

CBasketView::CBasketView(QWidget* parent) : CThumbsView(parent), m_commands(std::make_unique<Commands>(*this)) {
    setObjectName(QStringLiteral("basketView"));
}

CBasketView::~CBasketView() {
    if (CBasketBrowser* basket = Basket())
        basket->m_trackMenu = nullptr;
}

// The browser link of the base view is the one link: a basket that goes
// first detaches itself from the view, so the view never reaches it after.
CBasketBrowser* CBasketView::Basket() const { return dynamic_cast<CBasketBrowser*>(Browser()); }

void CBasketView::SetBasket(CBasketBrowser* basket) {
    if (CBasketBrowser* old = Basket(); old != nullptr && old != basket)
        old->m_trackMenu = nullptr;
    SetBrowser(basket);
    if (basket != nullptr)
        basket->m_trackMenu = [this](int menuId, QPoint global) { TrackContextMenu(menuId, global); };
}

bool CBasketView::OnCmdMsg(int id, platform::CCmdUI* ui) {
    if (m_commands->OnCmdMsg(id, ui))
        return true;
    return CThumbsView::OnCmdMsg(id, ui);
}

void CBasketView::TrackContextMenu(int menuId, QPoint globalPoint) {
    const std::vector<MenuEntry> entries = EntriesOf(menuId);
    if (entries.empty())
        return;
    if (m_menu)
        m_menu->deleteLater();
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto add = [this](QMenu* to, const MenuEntry& entry) {
        QAction* action = to->addAction(QString::fromUtf8(entry.text));
        action->setData(entry.id);
        action->setEnabled(QueryCommand(entry.id).enabled);
        connect(action, &QAction::triggered, this, [this, id = entry.id] { RunCommand(id); });
    };
    for (const MenuEntry& entry : entries) {
        if (entry.id != 0) {
            add(menu, entry);
            continue;
        }
        QMenu* sort = menu->addMenu(QString::fromUtf8(entry.text));
        for (const MenuEntry& sortEntry : kSortEntries)
            add(sort, sortEntry);
    }
    m_menu = menu;
    menu->popup(globalPoint);
}

QString CBasketView::ToolTipTextAt(QPoint clientPoint, QRect* itemRect) {
    CBasketBrowser* basket = Basket();
    if (basket == nullptr)
        return {};
    const int index = basket->HitTest(this, clientPoint);
    if (index < 0 || index >= basket->GetItemCount())
        return {};
    if (itemRect != nullptr)
        *itemRect = basket->GetItemRect(this, index).translated(-ScrollPosition());
    return ShownToolTipText(basket->GetToolTipText(index), kToolTipMaxChars, kToolTipMaxWidth);
}

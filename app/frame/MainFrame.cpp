#include "app/frame/MainFrame.h"

#include "app/frame/BasketPane.h"
#include "app/frame/BatchBasket.h"
#include "app/frame/CommandActions.h"
#include "app/frame/FrameIds.h"
#include "app/frame/FrameResources.h"
#include "app/frame/IconZoom.h"
#include "app/frame/MyToolBar.h"
#include "app/frame/QVVesperaApp.h"
#include "app/panel/PanelDocumentAdapter.h"
#include "app/panel/ResizeDlgBar.h"
#include "batch/basket/BasketIds.h"
#include "browser/browse/BrowseWnd.h"
#include "browser/browse/TreeDropTarget.h"
#include "browser/cells/PaletteItem.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/document/QVVesperaDoc.h"
#include "core/settings/AppSettings.h"
#include "engine/RSProgress.h"
#include "platform/profile/ProfileStore.h"
#include "platform/progress/ProgressSink.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/CommandIds.h"
#include "platform/resources/StringTable.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace {

const QString kSplitterSection = QStringLiteral("SPLITTER");
const QString kRightHeight = QStringLiteral("RIGHTHEIGHT");
constexpr int kBasketRowDefault = 250;
constexpr int kProgressMaximum = 90;
constexpr int kIdleUpdateMs = 100;

// Posts the engine's progress commands to the frame's port.
class FrameProgressSink : public platform::ProgressSink {
public:
    explicit FrameProgressSink(std::weak_ptr<platform::CommandPort> port) : m_pPort(std::move(port)) {}
    void PostCommand(int commandId) override {
        if (auto port = m_pPort.lock())
            port->Post(commandId);
    }

private:
    std::weak_ptr<platform::CommandPort> m_pPort;
};

bool IsEnterKey(const QKeyEvent& key) {
    return (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) &&
           (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Widgets that do something with Enter themselves: a text or spin field
// commits its value, a list picks its entry.
bool TakesEnter(const QWidget* widget) {
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
           qobject_cast<const QComboBox*>(widget) != nullptr;
}

// The caption part of the document template's string: its first line.
QString FrameTitle() { return platform::LoadResString(IDR_MAINFRAME).section(u'\n', 0, 0); }

}  // namespace

CMainFrame::CMainFrame(CQVVesperaApp& app) : m_app(app) {
    m_pPort = platform::CommandPort::Create(this);
    m_pActions = new CommandActions(*this, this);
    setWindowTitle(FrameTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/vespera.svg")));
    RegisterCommands();
}

CMainFrame::~CMainFrame() { OnDestroy(); }

bool CMainFrame::LoadFrame(const CreateContext& context) {
    if (!OnCreate())
        return false;
    if (!OnCreateClient(context))
        return false;
    platform::InstallProgressSink(std::make_shared<FrameProgressSink>(m_pPort));
    platform::SetPromptOwner(this);
    SetTreeDropQuery([this](const QMimeData* data, unsigned keyState, QPoint point) {
        return QueryTreeDrop(data, keyState, point);
    });
    m_pIdleTimer = new QTimer(this);
    m_pIdleTimer->setInterval(kIdleUpdateMs);
    connect(m_pIdleTimer, &QTimer::timeout, this, [this] {
        if (isVisible())
            UpdateCommandUI();
    });
    m_pIdleTimer->start();
    OnUpdateFrameTitle();
    return true;
}

bool CMainFrame::OnCreate() {
    for (const MenuItemResource& popup : LoadMenuResource(IDR_MAINFRAME)) {
        QMenu* menu = menuBar()->addMenu(popup.text);
        BuildMenu(menu, popup.items);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    }
    const auto& viewOptions = LoadMenuResource(IDR_VIEW_OPTIONS_MENU);
    if (!viewOptions.empty()) {
        m_pViewOptionsMenu = new QMenu(viewOptions.front().text, this);
        BuildMenu(m_pViewOptionsMenu, viewOptions.front().items);
        connect(m_pViewOptionsMenu, &QMenu::aboutToShow, this, [this] { UpdateMenu(m_pViewOptionsMenu); });
    }
    if (menuBar()->actions().isEmpty())
        return false;
    InstallAccelerators();

    m_wndToolBar = new CMyToolBar(*m_pActions, this);
    m_wndToolBar->setObjectName(QStringLiteral("toolbar"));
    m_wndToolBar->SetFlat(true);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    const ToolbarResource& toolbar = LoadToolbarResource();
    if (toolbar.textIds.empty() || toolbar.sets.empty())
        return false;
    QStringList texts;
    for (int id : toolbar.textIds)
        texts << platform::LoadResString(id);
    m_wndToolBar->SetButtonTexts(texts);
    SetNormalToolbar();

    m_wndStatusBar = statusBar();
    m_wndIdleMessage = new QLabel(platform::LoadResString(AFX_IDS_IDLEMESSAGE), m_wndStatusBar);
    m_wndStatusBar->addWidget(m_wndIdleMessage, 1);

    // The resize panel, docked at the right; it may dock left or right.
    m_wndResizeBar = new CResizeDlgBar(m_app, this);
    m_wndResizeBar->SetHost(this);
    addDockWidget(Qt::RightDockWidgetArea, m_wndResizeBar);
    m_pResizeBarTarget = m_wndResizeBar;

    // A plain child of the status bar, placed by OnStartProgress.
    m_wndProgress = new QProgressBar(m_wndStatusBar);
    m_wndProgress->setTextVisible(false);
    m_wndProgress->setGeometry(0, 0, 0, 0);
    m_wndProgress->hide();
    return true;
}

bool CMainFrame::OnCreateClient(const CreateContext& context) {
    m_pBasket = context.basket;
    QV_SplitterWnd::PaneFactory basketView = context.basketView;
    if (m_pBasket == nullptr && !basketView) {
        // The frame's own basket and its view in the lower row.
        m_pOwnBasket = std::make_unique<CBasketPane>(m_app, *this);
        m_pBasket = m_pOwnBasket.get();
        basketView = m_pOwnBasket->ViewFactory();
    }
    if (!basketView) {
        // The basket row until the basket comes: an empty, sunken pane.
        basketView = [](QWidget* parent) -> QWidget* {
            auto* pane = new QFrame(parent);
            pane->setFrameShape(QFrame::StyledPanel);
            return pane;
        };
    }
    auto* splitter = new QV_SplitterWnd(0);
    if (!splitter->CreateWithViews(this, context.view, basketView, false, AFX_IDW_PANE_FIRST)) {
        delete splitter;
        return false;
    }
    m_wndSplitter = splitter;
    m_pBasketView = splitter->GetPane(1, 0);
    setCentralWidget(m_wndSplitter);
    // The program starts with the basket row hidden.
    m_wndSplitter->TogglePane(1);
    return true;
}

void CMainFrame::BuildMenu(QMenu* menu, const std::vector<MenuItemResource>& items) {
    for (const MenuItemResource& item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (item.IsPopup()) {
            QMenu* sub = menu->addMenu(item.text);
            BuildMenu(sub, item.items);
            connect(sub, &QMenu::aboutToShow, this, [this, sub] { UpdateMenu(sub); });
        } else {
            QAction* action = m_pActions->Action(item.id);
            action->setText(item.text);
            menu->addAction(action);
        }
    }
}

void CMainFrame::InstallAccelerators() {
    std::map<int, QList<QKeySequence>> keys;
    for (const AcceleratorResource& accelerator : LoadAcceleratorTable(IDR_MAINFRAME))
        keys[accelerator.id].append(accelerator.key);
    for (const auto& [id, sequences] : keys) {
        QAction* action = m_pActions->Action(id);
        action->setShortcuts(sequences);
        action->setShortcutContext(Qt::WindowShortcut);
        // Reachable whether or not the action is in a menu or the toolbar.
        addAction(action);
        m_acceleratorActions.push_back(action);
    }
    // Enter runs the basket only where the basket shows; the key reaches
    // the run's action as a shortcut event, which is held back elsewhere.
    if (QAction* run = m_pActions->Find(ID_BATCH_RUN))
        run->installEventFilter(this);
    qApp->installEventFilter(this);
}

bool CMainFrame::RunKeyActs() const { return m_app.m_bBatchMode != 0 && !IsBrowsing(); }

QMenu* CMainFrame::Popup(const QString& text) const {
    for (QAction* action : menuBar()->actions()) {
        if (action->menu() != nullptr && action->text() == text)
            return action->menu();
    }
    return nullptr;
}

void CMainFrame::UpdateMenu(QMenu* menu) {
    UpdateRecentFileMenu(menu);
    std::vector<QAction*> actions;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->menu() == nullptr)
            actions.push_back(action);
    }
    m_pActions->Update(actions);
}

// The menu item of the first recent file stands for the whole list: it shows
// "Recent File" disabled while the list is empty, else the first entry, and
// the other entries follow it.
void CMainFrame::UpdateRecentFileMenu(QMenu* menu) {
    QAction* first = m_pActions->Find(ID_FILE_MRU_FILE1);
    if (first == nullptr || !menu->actions().contains(first))
        return;
    for (QAction* extra : m_recentFileActions)
        menu->removeAction(extra);
    m_recentFileActions.clear();
    const CRecentFileList& recent = m_app.RecentFiles();
    if (recent.Count() == 0) {
        first->setText(QStringLiteral("Recent File"));
        return;
    }
    first->setText(recent.MenuText(0));
    const QList<QAction*> items = menu->actions();
    const qsizetype at = items.indexOf(first);
    QAction* before = at + 1 < items.size() ? items[at + 1] : nullptr;
    for (int i = 1; i < recent.Count() && i <= ID_FILE_MRU_LAST - ID_FILE_MRU_FILE1; ++i) {
        QAction* action = m_pActions->Action(ID_FILE_MRU_FILE1 + i);
        action->setText(recent.MenuText(i));
        menu->insertAction(before, action);
        m_recentFileActions.push_back(action);
    }
}

void CMainFrame::UpdateCommandUI() {
    std::vector<QAction*> actions;
    if (m_wndToolBar != nullptr) {
        for (QAction* action : m_wndToolBar->actions()) {
            if (!action->isSeparator())
                actions.push_back(action);
        }
    }
    actions.insert(actions.end(), m_acceleratorActions.begin(), m_acceleratorActions.end());
    m_pActions->Update(actions);
}

void CMainFrame::RegisterCommands() {
    OnCommand(ID_BATCH_MODE, [this] { OnBatchMode(); });
    OnUpdate(ID_BATCH_MODE, [this](platform::CCmdUI& ui) { ui.SetCheck(m_app.m_bBatchMode != 0 ? 1 : 0); });

    OnCommand(ID_BATCH_BROWSE, [this] { OnBrowse(); });
    OnUpdate(ID_BATCH_BROWSE, [this](platform::CCmdUI& ui) {
        ui.Enable(m_app.m_bBatchMode != 0);
        ui.SetCheck(IsBrowsing() ? 1 : 0);
    });
    OnCommand(ID_BROWSE_DONE, [this] {
        if (IsBrowsing())
            OnBrowse();
    });
    OnUpdate(ID_BROWSE_DONE, [this](platform::CCmdUI& ui) { ui.Enable(IsBrowsing()); });

    OnUpdate(ID_BATCH_RUN, [this](platform::CCmdUI& ui) {
        ui.Enable(!IsBrowsing() && m_pBasket != nullptr && m_pBasket->GetItemCount() > 0);
    });
    OnUpdate(ID_BATCH_SAVE, [this](platform::CCmdUI& ui) {
        ui.Enable(m_app.m_bBatchMode != 0 && m_pBasket != nullptr && m_pBasket->GetItemCount() > 0);
    });
    OnUpdate(ID_BATCH_LOAD, [this](platform::CCmdUI& ui) { ui.Enable(m_pBasket != nullptr); });
    OnCommand(ID_BATCH_RUN, [this] { OnBatchRun(); });
    OnCommand(ID_BATCH_LOAD, [this] { OnBatchLoad(); });
    OnCommand(ID_BATCH_SAVE, [this] { OnBatchSave(); });

    OnCommand(ID_VIEW_LARGE_ICONS, [this] { OnLargeIcons(); });
    OnUpdate(ID_VIEW_LARGE_ICONS,
             [](platform::CCmdUI& ui) { ui.SetCheck(g_nIconsZoom != kSmallIconsZoom && g_bDetailsMode == 0 ? 1 : 0); });
    OnCommand(ID_VIEW_SMALL_ICONS, [this] { OnSmallIcons(); });
    OnUpdate(ID_VIEW_SMALL_ICONS, [](platform::CCmdUI& ui) { ui.SetCheck(g_nIconsZoom == kSmallIconsZoom ? 1 : 0); });
    OnCommand(ID_VIEW_OPTIONS, [this] { OnViewOptions(); });
}

bool CMainFrame::IsBarCommand(int id) const {
    return id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR || id == ID_VIEW_RESIZE_BAR;
}

QWidget* CMainFrame::BarOf(int id) const {
    switch (id) {
    case ID_VIEW_TOOLBAR:
        return m_wndToolBar;
    case ID_VIEW_STATUS_BAR:
        return m_wndStatusBar;
    case ID_VIEW_RESIZE_BAR:
        return m_wndResizeBar;
    default:
        return nullptr;
    }
}

bool CMainFrame::OnCmdMsg(int id, platform::CCmdUI* ui) {
    if (m_pBrowseWnd != nullptr && m_pBrowseWnd->OnCmdMsg(id, ui))
        return true;
    if (m_pResizeBarTarget != nullptr && m_pResizeBarTarget->OnCmdMsg(id, ui))
        return true;
    if (IsBarCommand(id)) {
        if (ui == nullptr)
            return OnBarCheck(id);
        if (id == ID_VIEW_RESIZE_BAR && IsBrowsing()) {
            ui->Enable(false);
            return true;
        }
        QWidget* bar = BarOf(id);
        if (bar == nullptr)
            return false;
        ui->Enable(true);
        ui->SetCheck(bar->isVisible() ? 1 : 0);
        return true;
    }
    if (m_pActiveView != nullptr && m_pActiveView->OnCmdMsg(id, ui))
        return true;
    if (BasketTakesCommand(id) && m_pBasket->CommandTarget()->OnCmdMsg(id, ui))
        return true;
    if (m_pActiveDocument != nullptr && m_pActiveDocument->OnCmdMsg(id, ui))
        return true;
    if (HandleOwnCommand(id, ui))
        return true;
    return m_app.OnCmdMsg(id, ui);
}

void CMainFrame::OnPostedCommand(const platform::Command& command) {
    switch (command.id) {
    case ID_START_PROGRESS:
        OnStartProgress();
        break;
    case ID_PROGRESS:
        OnProgress();
        break;
    case ID_END_PROGRESS:
        OnEndProgress();
        break;
    case ID_BEGINREADFOLDER:
    case ID_REFRESH:
        // The folder monitor's commands carry the folder to list: the Browse
        // window takes them with it. Without one they are dropped.
        if (command.payload) {
            if (m_pBrowseWnd != nullptr)
                m_pBrowseWnd->OnMonitorCommand(command);
        } else {
            RunCommand(command.id);
        }
        break;
    default:
        // Posted commands that are not the frame's own go along the chain,
        // as a command chosen by the user would (ID_PREVIEW_READY reaches
        // the document this way).
        RunCommand(command.id);
        break;
    }
}

bool CMainFrame::OnBarCheck(int id) {
    if (id == ID_VIEW_RESIZE_BAR && IsBrowsing())
        return true;
    QWidget* bar = BarOf(id);
    if (bar == nullptr)
        return false;
    bar->setVisible(!bar->isVisible());
    return true;
}

void CMainFrame::SetDocumentTitle(const QString& title) {
    m_strDocumentTitle = title;
    OnUpdateFrameTitle();
}

void CMainFrame::OnUpdateFrameTitle() {
    const QString base = FrameTitle();
    if (!m_strDocumentTitle.isEmpty() && !IsBrowsing()) {
        setWindowTitle(base + QStringLiteral(" - ") + m_strDocumentTitle);
    } else {
        setWindowTitle(base);
    }
}

int CMainFrame::ClientHeight() const {
    const int menu = menuBar() != nullptr && menuBar()->isVisible() ? menuBar()->height() : 0;
    return std::max(0, height() - menu);
}

void CMainFrame::StoreBasketRowHeight() {
    if (m_app.m_bBatchMode == 0 || m_wndSplitter == nullptr)
        return;
    int current = 0, minimum = 0;
    m_wndSplitter->GetRowInfo(0, current, minimum);
    m_app.Profile().WriteInt(kSplitterSection, kRightHeight, current);
    m_app.Profile().Sync();
}

void CMainFrame::OnBatchMode() {
    // Leaving batch mode closes the Browse window first.
    if (m_app.m_bBatchMode != 0 && IsBrowsing())
        OnBrowse();
    StoreBasketRowHeight();
    m_app.m_bBatchMode = m_app.m_bBatchMode != 0 ? 0 : 1;
    if (m_app.m_bBatchMode != 0) {
        ShowBasketRow();
        SetBatchToolbar();
    } else {
        SetNormalToolbar();
    }
    m_wndSplitter->TogglePane(1);
    m_wndResizeBar->SetBatchMode();
    UpdateCommandUI();
}

void CMainFrame::OnBrowse() {
    if (m_pBrowseWnd == nullptr) {
        // Opening: the panel and the preview give way to the Browse window.
        m_bPanelWasVisible = m_wndResizeBar != nullptr && m_wndResizeBar->isVisible();
        if (m_bPanelWasVisible)
            m_wndResizeBar->hide();
        m_pViewPane = GetViewPane();
        if (m_pViewPane == nullptr)
            return;
        auto* browse = new CBrowseWnd(m_app, m_app.Profile(), m_pPort, m_pViewPane);
        browse->setGeometry(m_pViewPane->rect());
        m_pBrowseWnd = browse;
        browse->Create();
        browse->show();
        browse->raise();
        m_pViewPane->installEventFilter(this);
        browse->setFocus();
        SetBrowseToolbar();
    } else {
        CBrowseWnd* browse = m_pBrowseWnd;
        m_pBrowseWnd = nullptr;
        if (m_pViewPane)
            m_pViewPane->removeEventFilter(this);
        delete browse;
        SetBatchToolbar();
        if (m_bPanelWasVisible && m_wndResizeBar != nullptr)
            m_wndResizeBar->show();
        UpdateResizePanel(m_app.GetDocument());
        if (m_pViewPane) {
            m_pViewPane->update();
            m_pViewPane->setFocus();
        }
    }
    OnUpdateFrameTitle();
    UpdateCommandUI();
}

void CMainFrame::FitBrowseWindow() {
    if (m_pBrowseWnd != nullptr && m_pViewPane)
        m_pBrowseWnd->setGeometry(m_pViewPane->rect());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pViewPane && event->type() == QEvent::Resize)
        FitBrowseWindow();
    // A focused field or an open list takes Enter before the accelerators
    // do (seen here for every window, the lists' popups among them). The
    // event goes on to the widget, which may act on it at once, as an open
    // list does.
    if (event->type() == QEvent::ShortcutOverride && IsEnterKey(*static_cast<QKeyEvent*>(event)) &&
        (TakesEnter(QApplication::focusWidget()) || QApplication::activePopupWidget() != nullptr))
        event->accept();
    if (event->type() == QEvent::Shortcut && CommandActions::IdOf(qobject_cast<QAction*>(watched)) == ID_BATCH_RUN &&
        !RunKeyActs())
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::QueryTreeDrop(const QMimeData*, unsigned, QPoint) const { return false; }

void CMainFrame::UpdateResizePanel(CQVVesperaDoc* document) {
    if (IsBrowsing())
        return;
    if (document == nullptr)
        m_pPanelDocument.reset();
    else if (!m_pPanelDocument || &m_pPanelDocument->Document() != document)
        m_pPanelDocument = std::make_unique<PanelDocumentAdapter>(*document);
    m_wndResizeBar->SetImageInfo(m_pPanelDocument.get());
}

void CMainFrame::RefreshBatchList() {
    if (m_pBasket != nullptr)
        m_pBasket->ApplySettingsToSelected();
}

void CMainFrame::ApplySettingsToAllImages() {
    if (m_pBasket != nullptr)
        m_pBasket->ApplySettingsToAll();
}

void CMainFrame::ShowBasketRow() {
    const int client = ClientHeight();
    // The stored height is untrusted: brought into the client area.
    const int stored = m_app.Profile().GetInt(kSplitterSection, kRightHeight, -1);
    if (stored < 0) {
        const int first = std::max(0, client - kBasketRowDefault);
        m_wndSplitter->SetRowInfo(0, first, 0);
        m_wndSplitter->m_nSize[0] = first;
    } else {
        const int first = std::clamp(stored, 0, client);
        m_wndSplitter->SetRowInfo(0, first, 0);
        m_wndSplitter->m_nSize[0] = first;
        m_wndSplitter->m_nSize[1] = client - first;
    }
    m_wndSplitter->RecalcLayout();
}

void CMainFrame::AddFilesToBatch(const QStringList& paths) {
    if (paths.size() < 2 || m_pBasket == nullptr)
        return;
    m_pBasket->AddFiles(paths);
    if (m_app.m_bBatchMode == 0 && m_pBasket->GetItemCount() > 0)
        OnBatchMode();
}

bool CMainFrame::BasketTakesCommand(int id) const {
    if (m_pBasket == nullptr || m_pBasket->CommandTarget() == nullptr || m_app.m_bBatchMode == 0)
        return false;
    const bool own = id == ID_BATCH_REMOVE || (id >= ID_BASKET_PASTE && id <= ID_BASKET_REFRESH);
    if (own)
        return true;
    const QWidget* focus = QApplication::focusWidget();
    return m_pBasketView != nullptr && focus != nullptr &&
           (focus == m_pBasketView || m_pBasketView->isAncestorOf(focus));
}

void CMainFrame::OnBatchRun() {
    if (m_pBasket == nullptr || IsBrowsing() || m_pBasket->GetItemCount() == 0)
        return;
    if (m_pBasket->RunBatch(this)) {
        // The preview was held while the run had the engine.
        if (CQVVesperaDoc* document = m_app.GetDocument())
            document->OnBatchEnded();
    }
}

void CMainFrame::OnBatchLoad() {
    if (m_pBasket == nullptr)
        return;
    m_pBasket->LoadBatch();
    if (m_app.m_bBatchMode == 0 && m_pBasket->GetItemCount() > 0)
        OnBatchMode();
}

void CMainFrame::OnBatchSave() {
    if (m_pBasket != nullptr)
        m_pBasket->SaveBatch();
}

void CMainFrame::UpdateAll() {
    CQVVesperaDoc* document = m_app.GetDocument();
    UpdateResizePanel(document);
    if (document != nullptr)
        document->UpdateAllViews();
}

void CMainFrame::SetToolbarSet(const char* name) {
    const ToolbarResource& toolbar = LoadToolbarResource();
    const auto it = toolbar.sets.find(QLatin1String(name));
    if (it == toolbar.sets.end() || m_wndToolBar == nullptr)
        return;
    std::vector<QIcon> images;
    for (const QString& image : it->second.images)
        images.push_back(ToolbarImage(image));
    m_wndToolBar->SetImageList(std::move(images));
    m_wndToolBar->SetButtons(it->second.buttons.data(), static_cast<int>(it->second.buttons.size()),
                             it->second.firstText);
}

void CMainFrame::SetNormalToolbar() { SetToolbarSet("normal"); }
void CMainFrame::SetBatchToolbar() { SetToolbarSet("batch"); }
void CMainFrame::SetBrowseToolbar() { SetToolbarSet("browse"); }

QWidget* CMainFrame::GetViewPane() const { return m_wndSplitter ? m_wndSplitter->GetPane(0, 0) : nullptr; }

QWidget* CMainFrame::GetBasketView() const { return m_pBasketView; }

void CMainFrame::OnLargeIcons() {
    if (g_nIconsZoom != kSmallIconsZoom && g_bDetailsMode == 0)
        return;
    SetIconsZoom(kLargeIconsZoom);
}

void CMainFrame::OnSmallIcons() {
    if (g_nIconsZoom == kSmallIconsZoom)
        return;
    SetIconsZoom(kSmallIconsZoom);
}

void CMainFrame::SetIconsZoom(int zoom) {
    g_nIconsZoom = zoom;
    g_bDetailsMode = 0;
    FitBasketRow();
    if (CQVVesperaDoc* document = m_app.GetDocument())
        document->UpdateAllViews();
    // The views lay their items out anew and paint them at once, so that
    // what is on the screen, the scroll ranges and the hit tests all follow
    // the new cell size together.
    for (CThumbsView* view : VisibleThumbsViews()) {
        view->RecalcLayout();
        view->UpdateWindow();
    }
}

std::vector<CThumbsView*> CMainFrame::VisibleThumbsViews() const {
    std::vector<CThumbsView*> views;
    if (auto* basket = dynamic_cast<CThumbsView*>(GetBasketView()); basket != nullptr && basket->isVisible())
        views.push_back(basket);
    if (m_pBrowseWnd != nullptr) {
        if (CThumbsView* browse = m_pBrowseWnd->ThumbsView(); browse != nullptr && browse->isVisible())
            views.push_back(browse);
    }
    return views;
}

void CMainFrame::FitBasketRow() {
    QWidget* basket = GetBasketView();
    if (basket == nullptr || !basket->isVisible() || m_wndSplitter == nullptr)
        return;
    // The basket row shows exactly one row of cells and its scroll bar.
    const int cellHeight = GetCellSizeForZoom(g_nIconsZoom.load(), true).height();
    const int scrollBar = basket->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, basket);
    const int first = std::max(0, m_wndSplitter->height() - m_wndSplitter->handleWidth() - cellHeight - scrollBar);
    m_wndSplitter->SetRowInfo(0, first, 0);
    m_wndSplitter->m_nSize[0] = first;
    m_wndSplitter->RecalcLayout();
}

void CMainFrame::OnViewOptions() {
    if (m_pViewOptionsMenu != nullptr)
        m_pViewOptionsMenu->popup(QCursor::pos());
}

void CMainFrame::OnStartProgress() {
    if (m_wndProgress->isVisible())
        return;
    const int w = m_wndStatusBar->width();
    const int h = m_wndStatusBar->height() - 4;
    m_wndProgress->setGeometry(w - w / 3 - 20, 2, w / 3, h);
    m_wndProgress->setRange(0, kProgressMaximum);
    m_wndProgress->setValue(0);
    m_wndProgress->show();
    m_wndProgress->raise();
}

void CMainFrame::OnProgress() { m_wndProgress->setValue(std::clamp(g_nProgressPercent.load(), 0, kProgressMaximum)); }

void CMainFrame::OnEndProgress() { m_wndProgress->hide(); }

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The frame stays until its owner deletes it after the event loop; the
    // basket row's height is stored while the window is still laid out.
    StoreBasketRowHeight();
    m_bDestroyed = true;
    event->accept();
}

void CMainFrame::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The preview is the active view from the start: the keys go to it, not
    // to the first field of the panel.
    if (!m_bInitialFocusSet) {
        m_bInitialFocusSet = true;
        if (QWidget* view = GetViewPane(); view != nullptr && QApplication::focusWidget() == nullptr)
            view->setFocus(Qt::ActiveWindowFocusReason);
    }
    // The accelerators work from the first moment, before the idle update.
    UpdateCommandUI();
}

void CMainFrame::OnDestroy() {
    // The Browse window keeps its tree selection and pane width while the
    // frame is still whole.
    if (m_pBrowseWnd != nullptr) {
        if (m_pViewPane)
            m_pViewPane->removeEventFilter(this);
        delete m_pBrowseWnd;
        m_pBrowseWnd = nullptr;
    }
    SetTreeDropQuery({});
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
    // The panel goes before the document view it was given.
    if (m_wndResizeBar != nullptr)
        m_wndResizeBar->SetImageInfo(nullptr);
    m_pResizeBarTarget = nullptr;
    if (m_pPort)
        m_pPort->Close();
    platform::ClearProgressSink();
    platform::SetPromptOwner(nullptr);
    if (!m_bDestroyed)
        StoreBasketRowHeight();
    m_bDestroyed = true;
    // The basket goes with the frame.
    if (m_pOwnBasket) {
        m_pBasket = nullptr;
        m_pOwnBasket.reset();
    }
}

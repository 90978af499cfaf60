#pragma once
// The program's main window: a two-row splitter with the preview view on top
// and the batch basket below, the toolbar whose buttons change with the mode,
// the status bar with a progress control, the menus and accelerators of
// resource 128, and the routing of every command: the Browse window first,
// then the resize panel, then the active view, its document, the frame
// itself and the application.
//
// Modes: single image (basket row hidden, normal toolbar) and batch (basket
// row shown, batch toolbar). Every start begins outside batch mode.

#include "app/frame/SplitterWnd.h"
#include "app/panel/ResizePanelDocument.h"
#include "platform/commands/CmdTarget.h"
#include "platform/commands/PostedCommand.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <vector>

class CBrowseWnd;
class CThumbsView;
class CBasketPane;
class CommandActions;
class CQVVesperaDoc;
class CResizeDlgBar;
class PanelDocumentAdapter;
class CMyToolBar;
class CQVVesperaApp;
class IBatchBasket;
class QLabel;
class QMenu;
class QMimeData;
class QProgressBar;
class QTimer;

class CMainFrame : public QMainWindow,
                   public platform::CmdTarget,
                   public platform::CommandReceiver,
                   public ResizePanelHost {
public:
    // The panes the frame's splitter holds: the preview view in row 0 and
    // the basket view in row 1 (an empty pane when none is given), and the
    // basket model behind it (none: the batch commands stay disabled).
    struct CreateContext {
        QV_SplitterWnd::PaneFactory view;
        QV_SplitterWnd::PaneFactory basketView;
        IBatchBasket* basket = nullptr;
    };

    explicit CMainFrame(CQVVesperaApp& app);
    ~CMainFrame() override;

    // Creates the bars and the client area. False when a part could not be
    // made; the frame is then unusable and is deleted by its owner.
    bool LoadFrame(const CreateContext& context);

    bool OnCmdMsg(int id, platform::CCmdUI* ui) override;
    void OnPostedCommand(const platform::Command& command) override;

    // The port through which other threads post to the frame.
    const std::shared_ptr<platform::CommandPort>& Port() const { return m_pPort; }

    // The targets after the panel and before the frame: the active view and
    // its document (none until there is one). Neither is owned.
    void SetActiveView(platform::CmdTarget* view) { m_pActiveView = view; }
    void SetActiveDocument(platform::CmdTarget* document) { m_pActiveDocument = document; }

    // The caption: "ORVEK Vespera 3 - <title>" while a document with a
    // title is open and the Browse window is not, else "ORVEK Vespera 3".
    void SetDocumentTitle(const QString& title);
    void OnUpdateFrameTitle();

    void OnBatchMode();
    // The resize panel shows `document` (or none) anew.
    void UpdateResizePanel(CQVVesperaDoc* document);
    CResizeDlgBar* ResizePanel() const { return m_wndResizeBar; }
    // What the panel tells the frame.
    void RefreshBatchList() override;
    void ApplySettingsToAllImages() override;
    void ShowBasketRow();
    bool OnBarCheck(int id);
    // View > Large Icons and Small Icons: the zoom of every thumbnail view.
    void OnLargeIcons();
    void OnSmallIcons();
    // The basket row's height shows one row of cells at the current zoom
    // (when the basket is visible).
    void FitBasketRow();
    void OnViewOptions();
    void OnStartProgress();
    void OnProgress();
    void OnEndProgress();
    // The Browse window exists (it covers the preview pane).
    bool IsBrowsing() const { return m_pBrowseWnd != nullptr; }
    CBrowseWnd* BrowseWindow() const { return m_pBrowseWnd; }
    // Opens the Browse window over the preview pane, or closes it.
    void OnBrowse();
    // Lays the Browse window over the preview pane.
    void FitBrowseWindow();
    // Whether the folder tree may take a drop now: never.
    bool QueryTreeDrop(const QMimeData* data, unsigned keyState, QPoint point) const;

    // Two or more paths go to the basket; batch mode comes on when the
    // basket then holds items.
    void AddFilesToBatch(const QStringList& paths);
    // The batch commands: run the basket, load it from a batch file (batch
    // mode comes on when it then holds items), save it.
    void OnBatchRun();
    void OnBatchLoad();
    void OnBatchSave();
    // The panel and the views show the settings and the document anew.
    void UpdateAll();
    // The basket, when the frame made its own (none when the creation
    // context gave one).
    CBasketPane* BasketPane() const { return m_pOwnBasket.get(); }

    void SetNormalToolbar();
    void SetBatchToolbar();
    void SetBrowseToolbar();

    QWidget* GetViewPane() const;
    QWidget* GetBasketView() const;

    // Writes row 0's height to "SPLITTER"/"RIGHTHEIGHT" (batch mode only).
    void StoreBasketRowHeight();
    // The height of the frame's client area (below the menu bar).
    int ClientHeight() const;

    // Asks the update handlers of the toolbar's buttons and the accelerators.
    void UpdateCommandUI();

    CommandActions& Actions() { return *m_pActions; }
    CMyToolBar* ToolBar() const { return m_wndToolBar; }
    QProgressBar* ProgressControl() const { return m_wndProgress; }
    QV_SplitterWnd* Splitter() const { return m_wndSplitter; }
    // The menu bar's popup whose title is `text` ("&File"...), or null.
    QMenu* Popup(const QString& text) const;
    QMenu* ViewOptionsMenu() const { return m_pViewOptionsMenu; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool OnCreate();
    bool OnCreateClient(const CreateContext& context);
    void RegisterCommands();
    void BuildMenu(QMenu* menu, const std::vector<struct MenuItemResource>& items);
    void InstallAccelerators();
    // Whether the Enter key runs the basket now: only while batch mode shows
    // it (the menu item keeps its own rule).
    bool RunKeyActs() const;
    void UpdateMenu(QMenu* menu);
    void UpdateRecentFileMenu(QMenu* menu);
    void SetToolbarSet(const char* name);
    bool IsBarCommand(int id) const;
    QWidget* BarOf(int id) const;
    void OnDestroy();
    // The icon-size switch: the zoom, the basket row, the views at once.
    void SetIconsZoom(int zoom);
    // The basket view and the Browse window's thumbnails, those shown.
    std::vector<CThumbsView*> VisibleThumbsViews() const;

    // Whether a command goes to the basket view: its own commands in batch
    // mode, and any other while it has the focus.
    bool BasketTakesCommand(int id) const;

    CQVVesperaApp& m_app;
    IBatchBasket* m_pBasket = nullptr;
    std::unique_ptr<CBasketPane> m_pOwnBasket;
    QV_SplitterWnd* m_wndSplitter = nullptr;
    // The row-1 pane, also while its row is hidden.
    QPointer<QWidget> m_pBasketView;
    bool m_bPanelWasVisible = false;
    // The preview pane while the Browse window covers it, and that window.
    QPointer<QWidget> m_pViewPane;
    CBrowseWnd* m_pBrowseWnd = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    CMyToolBar* m_wndToolBar = nullptr;
    // The resize panel, its command target and its view of the document.
    CResizeDlgBar* m_wndResizeBar = nullptr;
    platform::CmdTarget* m_pResizeBarTarget = nullptr;
    std::unique_ptr<PanelDocumentAdapter> m_pPanelDocument;
    QProgressBar* m_wndProgress = nullptr;
    QLabel* m_wndIdleMessage = nullptr;
    QMenu* m_pViewOptionsMenu = nullptr;
    QTimer* m_pIdleTimer = nullptr;
    CommandActions* m_pActions = nullptr;
    std::vector<QAction*> m_acceleratorActions;
    std::vector<QAction*> m_recentFileActions;
    platform::CmdTarget* m_pActiveView = nullptr;
    platform::CmdTarget* m_pActiveDocument = nullptr;
    QString m_strDocumentTitle;
    std::shared_ptr<platform::CommandPort> m_pPort;
    bool m_bDestroyed = false;
    bool m_bInitialFocusSet = false;
};

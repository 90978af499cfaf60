#pragma once
// CBrowseWnd: the folder browser that the main window shows over its preview
// pane in batch mode. Two columns: the folder tree (CLeftView) on the left,
// the thumbnails of an image browser (CThumbsView over CImgThumbsBrowser) on
// the right. It owns the browser, turns every selection of the tree into work
// for the browser and its folder monitor, answers the monitor's commands, and
// keeps the left pane's width ("SPLITTER"/"LEFTWIDTH") and the tree's
// selection across sessions.
//
// Commands offered to it go to its active pane (the pane that last took the
// focus; the thumbnails at first), then to its own table.
//
// User-interface thread only.

#include "browser/tree/ShellTreeHost.h"
#include "platform/commands/CmdTarget.h"
#include "platform/commands/PostedCommand.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class AppSettings;
class CImgThumbsBrowser;
class CLeftView;
class CShellTree;
class CThumbsView;
class QSplitter;
namespace platform {
class ProfileStore;
}

class CBrowseWnd : public QWidget, public platform::CmdTarget, private IShellTreeOwner {
public:
    static constexpr int kDefaultLeftWidth = 200;

    // The browser makes its items from `settings`; its folder monitor posts
    // to `mainWindow`. Neither window nor browser exists before Create.
    CBrowseWnd(AppSettings& settings, platform::ProfileStore& profile,
               std::shared_ptr<platform::CommandPort> mainWindow, QWidget* parent = nullptr);
    // Saves the tree's selection and the left width, then deletes the
    // browser after the tree and the view have let it go.
    ~CBrowseWnd() override;
    CBrowseWnd(const CBrowseWnd&) = delete;
    CBrowseWnd& operator=(const CBrowseWnd&) = delete;

    // Makes the panes and the browser, starts the folder monitor, restores
    // the tree's selection (or selects the browse folder) and the layout.
    bool Create();

    bool OnCmdMsg(int id, platform::CCmdUI* ui) override;
    // The folder monitor's ID_BEGINREADFOLDER and ID_REFRESH, with their
    // payload; false for any other command.
    bool OnMonitorCommand(const platform::Command& command);

    // Pauses the thumbnail loading, shows `path` in the browser and has the
    // monitor watch it.
    void SetFolderText(const QString& path);
    // Sets the pane widths from "SPLITTER"/"LEFTWIDTH"; without a stored
    // width the tree's pane is as wide as the names it shows need.
    void RestoreLayout();

    CImgThumbsBrowser* Browser() const { return browser_.get(); }
    CLeftView* LeftView() const { return leftView_; }
    CShellTree* Tree() const;
    CThumbsView* ThumbsView() const;
    QSplitter* Splitter() const { return splitter_; }
    // The pane that commands reach first.
    QWidget* ActivePane() const { return activePane_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Stops the browser's loading for the tree.
    class TreeBrowser : public IShellTreeBrowser {
    public:
        explicit TreeBrowser(CBrowseWnd& owner) : owner_(owner) {}
        void StopLoading() override;

    private:
        CBrowseWnd& owner_;
    };

    void OnCreateClient();
    void OnFolderSelected(const QString& locationText) override;
    void OnBeginReadFolder();
    void OnDestroy();
    void OnFocusChanged(QWidget* now);
    // The tree's width when none is stored, in a window `client` wide.
    int FirstLeftWidth(int client) const;

    AppSettings& settings_;
    platform::ProfileStore& profile_;
    std::shared_ptr<platform::CommandPort> mainWindow_;
    std::unique_ptr<CImgThumbsBrowser> browser_;
    TreeBrowser treeBrowser_{*this};
    QSplitter* splitter_ = nullptr;
    CLeftView* leftView_ = nullptr;
    QPointer<CThumbsView> thumbsView_;
    QMetaObject::Connection focusConnection_;
    QPointer<QWidget> activePane_;
    // A library is shown: the monitor's late commands for the last folder
    // must not list that folder over the library.
    bool libraryShown_ = false;
    // No folder can be watched: the window lists each folder it is given
    // itself, at once.
    bool listsWithoutMonitor_ = false;
    bool destroyed_ = false;
};

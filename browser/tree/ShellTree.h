#pragma once
// CShellTree: the folder tree in the left pane of the Browse window. It shows
// our shell namespace from the Desktop down, folders only, with the
// namespace's names, icons and order, and the libraries below their
// Libraries folder. Children are read the first time an item is expanded.
//
// It reports every selection to its owner as a folder location text, keeps
// its selection across sessions ("SHELLTREE"/"PIDL" in the profile), checks
// every two seconds that the selected folder still exists, merges changes of
// the file system and of the libraries without a rebuild, renames folders
// and libraries in place (F2 or a click on the selected label) and deletes
// them with the Delete key.

#include "browser/libraries/LibUpdate.h"
#include "browser/tree/ShellTreeHost.h"
#include "browser/tree/ShellTreeItem.h"
#include "platform/commands/PostedCommand.h"

#include <QTimer>
#include <QTreeWidget>

#include <map>
#include <memory>

class CWin7Library;

class CShellTree : public QTreeWidget, public ILibUpdate, public platform::CommandReceiver {
    Q_OBJECT

public:
    // The control id of the tree in the Browse window's left pane.
    static constexpr int kControlId = 33111;
    static constexpr int kTimerMs = 2000;

    // Registers with the library service (GetWin7Library) when there is one.
    explicit CShellTree(QWidget* parent = nullptr);
    ~CShellTree() override;

    // The Browse window and the browser; either may be null (and must be set
    // to null before it goes away).
    void SetOwner(IShellTreeOwner* owner) { owner_ = owner; }
    void SetBrowser(IShellTreeBrowser* browser) { browser_ = browser; }

    // Items and filling.
    void InitRoot();
    ShellTreeItem* RootItem() const;
    // The item's file-system folder path; empty for virtual items and libraries.
    QString GetItemPath(const ShellTreeItem* item) const;
    // Expands the item, reading its children the first time.
    void ExpandItem(ShellTreeItem* item);
    void FillChildren(const platform::shellns::ShellFolder& folder, ShellTreeItem* item);
    void SortChildren(ShellTreeItem* item);
    // Answers whether a context menu was shown: none ever is.
    virtual bool OnItemContextMenu(QWidget* parent, ShellTreeItem* item, const QPoint& screenPoint);

    // Selection and saved state.
    struct SelectedPath {
        QString text;  // the path, or the library description
        bool library = false;
    };
    std::optional<SelectedPath> GetSelectedPath() const;
    QString GetItemLocationText(const ShellTreeItem* item) const;
    bool SelectPath(const QString& path);
    bool SelectLibraryByName(const QString& name);
    bool SelectByIdList(const platform::shellns::IdList& list);
    virtual bool RestoreState();
    virtual bool SaveState();
    ShellTreeItem* CurrentShellItem() const;

    // Refresh and the library rebuild.
    void CheckSelectedFolder();
    void Refresh();
    void RefreshItem(ShellTreeItem* item, bool filledOnly, bool sort);
    void RebuildLibraries();
    void OnLibrariesChanged() override;

    // Rename and delete.
    void RenameItem(ShellTreeItem* item, const QString& newName);
    void DeleteSelected();

    bool IsBusy() const { return busy_; }

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void OnPostedCommand(const platform::Command& command) override;

private:
    friend class ShellTreeRenameDelegate;

    // Filling.
    void OnItemExpanded(QTreeWidgetItem* item);
    std::optional<platform::shellns::ShellFolder> FolderOf(const ShellTreeItem* item) const;
    ShellTreeItem* MakeItem(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& child,
                            const QString& name);
    bool IsItemShown(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& child,
                     bool belowComputer) const;
    bool IsDuplicateChild(const ShellTreeItem* parent, const platform::shellns::IdList& absolute) const;
    void InsertChildren(const platform::shellns::ShellFolder& folder, ShellTreeItem* item);
    QIcon ItemIcon(const platform::shellns::IdList& absolute);
    bool IsLibraryItem(const ShellTreeItem* item) const;
    bool IsLibrariesFolder(const ShellTreeItem* item) const;
    static ShellTreeItem* ShellChild(const QTreeWidgetItem* parent, int index);
    static ShellTreeItem* ShellParent(const QTreeWidgetItem* item);

    // Selection.
    void OnSelChanged();
    void ReportSelection();
    void SelectItem(ShellTreeItem* item);
    void WalkToPath(ShellTreeItem* item, const QString& path);
    bool SearchIdList(ShellTreeItem* item, const platform::shellns::IdList& list);
    ShellTreeItem* FindRootChild(const platform::shellns::IdList& id) const;
    ShellTreeItem* FindLibrariesItem() const;

    // Refresh.
    void MergeChildren(const platform::shellns::ShellFolder& folder, ShellTreeItem* item);
    void ValidateChildren(ShellTreeItem* item);
    bool RemovableChildrenPresent(const ShellTreeItem* item) const;
    void ClearChildren(ShellTreeItem* item);
    void RemoveQuietly(ShellTreeItem* item);

    // Rename and delete.
    bool OnBeginLabelEdit(const ShellTreeItem* item) const;
    void OnEndLabelEdit(ShellTreeItem* item, const QString& text);
    void RenameLibraryItem(ShellTreeItem* item, const QString& newName);
    void DeleteLibraryItem(ShellTreeItem* item);
    void RemoveLibraryFolder(ShellTreeItem* library, ShellTreeItem* folder);
    ShellTreeItem* ChildLabelled(const ShellTreeItem* parent, const QString& label) const;

    IShellTreeOwner* owner_ = nullptr;
    IShellTreeBrowser* browser_ = nullptr;
    bool selectionFound_ = false;
    CWin7Library* library_ = nullptr;
    bool busy_ = false;
    bool quietSelection_ = false;
    QTimer timer_;
    std::shared_ptr<platform::CommandPort> port_;
    std::map<int, QIcon> icons_;
};

// The shell folder tree: renaming folders and libraries in place, deleting
// them with the Delete key, and removing a folder from a library.

#include "browser/libraries/Win7Library.h"
#include "browser/tree/ShellTree.h"
#include "imagefiles/ShellFileOps.h"
#include "platform/paths/Paths.h"
#include "platform/shellfiles/ShellFiles.h"
#include "platform/shellns/MountTable.h"

#include <QDir>

#include <functional>

namespace Attr = platform::shellns::Attr;
using platform::shellns::IdList;

namespace {

// Sets a flag for the life of the object.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

QTreeWidgetItem* NextSibling(const QTreeWidgetItem* item) {
    const QTreeWidgetItem* parent = item->parent();
    if (parent == nullptr)
        return nullptr;
    const int at = parent->indexOfChild(const_cast<QTreeWidgetItem*>(item));
    return at + 1 < parent->childCount() ? parent->child(at + 1) : nullptr;
}

QTreeWidgetItem* PreviousSibling(const QTreeWidgetItem* item) {
    const QTreeWidgetItem* parent = item->parent();
    if (parent == nullptr)
        return nullptr;
    const int at = parent->indexOfChild(const_cast<QTreeWidgetItem*>(item));
    return at > 0 ? parent->child(at - 1) : nullptr;
}

}  // namespace

bool CShellTree::OnBeginLabelEdit(const ShellTreeItem* item) const {
    if (item == nullptr || item != CurrentShellItem() || !item->Record().relative)
        return false;
    const std::optional<std::uint32_t> attributes =
        item->Record().parentFolder.GetAttributesOf(*item->Record().relative, Attr::CanRename);
    return attributes && (*attributes & Attr::CanRename);
}

void CShellTree::OnEndLabelEdit(ShellTreeItem* item, const QString& text) {
    // An empty or unchanged label changes nothing.
    if (item != CurrentShellItem() || text.isEmpty() || text == item->text(0))
        return;
    RenameItem(item, text);
}

ShellTreeItem* CShellTree::ChildLabelled(const ShellTreeItem* parent, const QString& label) const {
    if (parent == nullptr)
        return nullptr;
    for (int i = 0; i < parent->childCount(); ++i) {
        ShellTreeItem* child = ShellChild(parent, i);
        if (child != nullptr && child->text(0) == label)
            return child;
    }
    return nullptr;
}

void CShellTree::RenameItem(ShellTreeItem* item, const QString& newName) {
    if (IsLibraryItem(item)) {
        RenameLibraryItem(item, newName);
        return;
    }
    const QString path = GetItemPath(item);
    // A typed name with '/', NUL, "." or ".." names no entry of the folder.
    if (path.isEmpty() || !item->Record().relative || !platform::IsValidFileName(newName))
        return;
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return;
    const QString newPath = path.left(slash + 1) + newName;
    ShellTreeItem* parent = ShellParent(item);
    const bool belowLibrary = parent != nullptr && IsLibraryItem(parent);

    busy_ = true;
    if (browser_ != nullptr)
        browser_->StopLoading();
    // Never over an existing folder.
    const bool renamed = belowLibrary ? item->Record().parentFolder.SetNameOf(*item->Record().relative, newName)
                                      : platform::RenameNoReplace(path, newPath) == platform::RenameStatus::Renamed;
    if (!renamed) {
        busy_ = false;
        return;
    }
    // Libraries that hold the folder (or folders inside it) follow it.
    if (library_ != nullptr)
        library_->ResolveRenamedFolder(path, newPath);
    RemoveQuietly(item);
    busy_ = false;
    if (parent == nullptr) {
        Refresh();
        return;
    }
    RefreshItem(parent, false, true);
    ExpandItem(parent);
    if (ShellTreeItem* renamedItem = ChildLabelled(parent, newName))
        setCurrentItem(renamedItem);
}

void CShellTree::RenameLibraryItem(ShellTreeItem* item, const QString& newName) {
    const ShellTreeRecord& record = item->Record();
    if (!record.relative || !library_->RenameLibrary(record.parentFolder, *record.relative, newName))
        return;
    ShellTreeItem* parent = ShellParent(item);
    RemoveQuietly(item);
    busy_ = false;
    if (parent == nullptr) {
        Refresh();
        return;
    }
    parent->SetHasChildrenMark(true);
    parent->SetExpandedOnce(false);
    RefreshItem(parent, true, true);
    ExpandItem(parent);
    // A name the service had to make unique matches no child: nothing is
    // selected then.
    if (ShellTreeItem* renamed = ChildLabelled(parent, newName))
        setCurrentItem(renamed);
}

void CShellTree::DeleteSelected() {
    ShellTreeItem* item = CurrentShellItem();
    if (item == nullptr || !item->Record().relative)
        return;
    ShellTreeItem* parent = ShellParent(item);
    if (IsLibraryItem(item)) {
        DeleteLibraryItem(item);
        return;
    }
    if (parent != nullptr && IsLibraryItem(parent)) {
        RemoveLibraryFolder(parent, item);
        return;
    }
    const std::optional<std::uint32_t> attributes =
        item->Record().parentFolder.GetAttributesOf(*item->Record().relative, Attr::CanDelete);
    const std::optional<SelectedPath> selected = GetSelectedPath();
    if (!attributes || !(*attributes & Attr::CanDelete) || !selected || selected->library)
        return;
    const QString path = selected->text;
    QTreeWidgetItem* next = NextSibling(item);
    // The folder cannot go while the process stands in it.
    if (platform::shellns::IsPathAtOrBelow(QDir::currentPath(), path))
        QDir::setCurrent(platform::ExecutableFolder());

    busy_ = true;
    if (browser_ != nullptr)
        browser_->StopLoading();
    if (!ShellFileOperation(FO_DELETE, {path}, QString(), true)) {
        busy_ = false;
        return;
    }
    auto* successor = dynamic_cast<ShellTreeItem*>(next != nullptr ? next : parent);
    setCurrentItem(successor);
    const QString successorPath = GetItemPath(successor);
    busy_ = false;
    if (parent != nullptr) {
        RefreshItem(parent, true, false);
        const std::uint32_t parentAttributes =
            parent->Record().relative
                ? parent->Record()
                      .parentFolder.GetAttributesOf(*parent->Record().relative, Attr::HasSubfolder)
                      .value_or(0)
                : Attr::HasSubfolder;
        if (!(parentAttributes & Attr::HasSubfolder) || parent->childCount() == 0) {
            ClearChildren(parent);
            parent->SetHasChildrenMark(false);
        }
    }
    if (!successorPath.isEmpty())
        SelectPath(successorPath);
}

void CShellTree::DeleteLibraryItem(ShellTreeItem* item) {
    ShellTreeItem* parent = ShellParent(item);
    QTreeWidgetItem* next = NextSibling(item);
    const ShellTreeRecord& record = item->Record();
    if (!library_->DeleteLibrary(record.parentFolder, *record.relative, false))
        return;
    setCurrentItem(next != nullptr ? next : parent);
    if (parent != nullptr)
        RefreshItem(parent, true, false);
}

void CShellTree::RemoveLibraryFolder(ShellTreeItem* library, ShellTreeItem* folder) {
    // The neighbours are found again by their ids: the rebuild may replace
    // any item.
    const auto idOf = [](QTreeWidgetItem* item) {
        auto* shellItem = dynamic_cast<ShellTreeItem*>(item);
        return shellItem ? std::optional<IdList>(shellItem->Record().absolute) : std::nullopt;
    };
    const std::optional<IdList> next = idOf(NextSibling(folder));
    const std::optional<IdList> previous = idOf(PreviousSibling(folder));
    const IdList libraryId = library->Record().absolute;
    bool removed = false;
    {
        FlagScope busy(busy_);
        removed = library_->RemoveFolder(library->Record().parentFolder, *library->Record().relative,
                                         folder->Record().parentFolder, *folder->Record().relative);
    }
    if (!removed)
        return;
    RebuildLibraries();
    const auto find = [this](const IdList& id) -> ShellTreeItem* {
        ShellTreeItem* found = nullptr;
        const std::function<void(QTreeWidgetItem*)> visit = [&](QTreeWidgetItem* item) {
            for (int i = 0; i < item->childCount() && found == nullptr; ++i) {
                auto* child = dynamic_cast<ShellTreeItem*>(item->child(i));
                if (child != nullptr && child->Record().absolute == id)
                    found = child;
                else if (child != nullptr && platform::shellns::IsParentIdList(child->Record().absolute, id))
                    visit(child);
            }
        };
        if (ShellTreeItem* root = RootItem())
            visit(root);
        return found;
    };
    ShellTreeItem* target = next ? find(*next) : nullptr;
    if (target == nullptr && previous)
        target = find(*previous);
    if (target == nullptr)
        target = find(libraryId);
    {
        FlagScope quiet(quietSelection_);
        setCurrentItem(target);
    }
    ReportSelection();
}

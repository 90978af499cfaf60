// The shell folder tree: the two-second look at the selected folder, the
// refresh that merges changes of the file system, and the rebuild of the
// Libraries node.

#include "browser/libraries/Win7Library.h"
#include "browser/tree/ShellTree.h"
#include "platform/files/RegularFile.h"
#include "platform/shellns/MountTable.h"

namespace Attr = platform::shellns::Attr;
using platform::shellns::IdList;
using platform::shellns::ItemKind;
using platform::shellns::NameForm;
using platform::shellns::ShellFolder;

void CShellTree::CheckSelectedFolder() {
    const std::optional<SelectedPath> selected = GetSelectedPath();
    if (!selected || selected->library)
        return;
    // A network folder is not looked at: a dead mount would hold the window.
    if (platform::shellns::IsOnNetworkFileSystem(selected->text))
        return;
    if (selected->text.endsWith(u'/') || platform::KindOfFile(selected->text) == platform::FileKind::Folder)
        return;
    Refresh();
    setCurrentItem(nullptr);
}

void CShellTree::Refresh() {
    if (busy_)
        return;
    const std::optional<SelectedPath> selected = GetSelectedPath();
    if (ShellTreeItem* root = RootItem())
        RefreshItem(root, true, true);
    if (!selected)
        return;
    if (!selected->library) {
        SelectPath(selected->text);
        return;
    }
    SelectLibraryByName(selected->text.section(u';', 0, 0));
    if (owner_ != nullptr)
        owner_->OnFolderSelected(MakeLocationText(kLocationLibrary, selected->text));
}

void CShellTree::RefreshItem(ShellTreeItem* item, bool filledOnly, bool sort) {
    if (filledOnly && (!item->HasChildrenMark() || item->childCount() == 0))
        return;
    if (const std::optional<ShellFolder> folder = FolderOf(item)) {
        MergeChildren(*folder, item);
        if (sort)
            SortChildren(item);
    }
    if (!item->HasChildrenMark())
        return;
    for (int i = 0; i < item->childCount(); ++i) {
        if (ShellTreeItem* child = ShellChild(item, i))
            RefreshItem(child, filledOnly, sort);
    }
}

void CShellTree::MergeChildren(const ShellFolder& folder, ShellTreeItem* item) {
    ValidateChildren(item);
    InsertChildren(folder, item);
}

void CShellTree::ClearChildren(ShellTreeItem* item) {
    const bool quiet = quietSelection_;
    quietSelection_ = true;
    qDeleteAll(item->takeChildren());
    quietSelection_ = quiet;
    item->setExpanded(false);
    item->SetExpandedOnce(false);
}

void CShellTree::RemoveQuietly(ShellTreeItem* item) {
    const bool quiet = quietSelection_;
    quietSelection_ = true;
    delete item;
    quietSelection_ = quiet;
}

void CShellTree::ValidateChildren(ShellTreeItem* item) {
    if (!item->HasChildrenMark())
        return;
    for (int i = 0; i < item->childCount();) {
        ShellTreeItem* child = ShellChild(item, i);
        if (child == nullptr || !child->Record().relative) {
            delete item->child(i);
            continue;
        }
        const ShellTreeRecord& record = child->Record();
        const IdList& relative = *record.relative;
        const bool libraryItem = IsLibraryItem(child);
        const bool librariesFolder = IsLibrariesFolder(child);
        const QString name = record.parentFolder.GetDisplayNameOf(relative, NameForm::Normal).value_or(QString());
        const QString path = platform::shellns::PathFromIdList(record.absolute);
        // Network items are not validated, so that no refresh waits on the
        // network.
        const bool network = relative.Last().kind == ItemKind::NetworkMount ||
                             (!path.isEmpty() && platform::shellns::IsOnNetworkFileSystem(path));
        if (!record.parentFolder.GetAttributesOf(relative, network ? 0 : Attr::Validate)) {
            RemoveQuietly(child);
            continue;
        }
        const bool nameChanged = child->text(0) != name;
        const std::uint32_t attributes =
            record.parentFolder.GetAttributesOf(relative, Attr::HasSubfolder | Attr::Folder | Attr::Removable)
                .value_or(0);
        bool hasChildrenNow = attributes & Attr::HasSubfolder;
        if (libraryItem)
            hasChildrenNow = library_->GetFolderCount(record.parentFolder, relative, record.absolute) > 0;
        else if (librariesFolder)
            hasChildrenNow = library_->HasLibraries();
        bool remove = nameChanged;
        if (child->HasChildrenMark()) {
            if (!hasChildrenNow) {
                ClearChildren(child);
                child->SetHasChildrenMark(false);
            } else if ((attributes & Attr::Removable) && !RemovableChildrenPresent(child)) {
                remove = true;
            }
        } else if (hasChildrenNow) {
            child->SetHasChildrenMark(true);
            child->setExpanded(false);
            child->SetExpandedOnce(false);
        }
        if (remove) {
            // A renamed child comes back under its new name through the
            // enumeration that follows.
            RemoveQuietly(child);
            continue;
        }
        ++i;
    }
}

bool CShellTree::RemovableChildrenPresent(const ShellTreeItem* item) const {
    for (int i = 0; i < item->childCount(); ++i) {
        const QString path = GetItemPath(ShellChild(item, i));
        if (!path.isEmpty() && platform::KindOfFile(path) == platform::FileKind::Missing)
            return false;
    }
    return true;
}

void CShellTree::RebuildLibraries() {
    if (busy_ || RootItem() == nullptr || library_ == nullptr)
        return;
    ShellTreeItem* node = FindLibrariesItem();
    if (node == nullptr)
        return;
    if (!library_->HasLibraries()) {
        ClearChildren(node);
        node->SetHasChildrenMark(false);
    } else if (!node->HasChildrenMark()) {
        node->SetHasChildrenMark(true);
        node->setExpanded(false);
        node->SetExpandedOnce(false);
    }
    RefreshItem(node, true, true);
    const ShellTreeItem* selected = CurrentShellItem();
    for (int i = 0; i < node->childCount(); ++i) {
        ShellTreeItem* library = ShellChild(node, i);
        if (library == nullptr)
            continue;
        RefreshItem(library, true, true);
        const ShellTreeRecord& record = library->Record();
        if (record.relative && library_->GetFolderCount(record.parentFolder, *record.relative, record.absolute) > 0)
            library->SetHasChildrenMark(true);
        if (library == selected)
            ReportSelection();
        for (int j = 0; j < library->childCount(); ++j) {
            if (library->child(j) == selected)
                ReportSelection();
        }
    }
}

// The shell folder tree: reporting the selection, selecting an item by path,
// library name or id list, and the saved selection.

#include "browser/libraries/Win7Library.h"
#include "browser/tree/ShellTree.h"
#include "platform/profile/ProfileStore.h"
#include "platform/shellns/MountTable.h"
#include "platform/shellns/ShellLibrary.h"

using platform::shellns::IdList;
using platform::shellns::NameForm;
using platform::shellns::ShellFolder;

namespace {

const QString kStateSection = QStringLiteral("SHELLTREE");
const QString kStateKey = QStringLiteral("PIDL");

QString WithSlash(const QString& path) { return path.endsWith(u'/') ? path : path + u'/'; }

// `candidate` names `path` or one of its ancestors (both taken with a
// trailing '/'; paths are compared exactly, as the file system does).
bool IsPathPrefix(const QString& path, const QString& candidate) {
    return WithSlash(path).startsWith(WithSlash(candidate));
}

QString WithoutSlash(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

}  // namespace

std::optional<CShellTree::SelectedPath> CShellTree::GetSelectedPath() const {
    const ShellTreeItem* item = CurrentShellItem();
    if (item == nullptr)
        return std::nullopt;
    const QString path = GetItemPath(item);
    if (!path.isEmpty())
        return SelectedPath{path, false};
    const QString description = GetItemLocationText(item);
    if (description.isEmpty())
        return std::nullopt;
    return SelectedPath{description, true};
}

QString CShellTree::GetItemLocationText(const ShellTreeItem* item) const {
    const ShellTreeRecord& record = item->Record();
    if (library_ == nullptr || !record.relative)
        return {};
    return library_->GetLocationText(record.parentFolder, *record.relative, record.absolute);
}

void CShellTree::ReportSelection() {
    const std::optional<SelectedPath> selected = GetSelectedPath();
    if (!selected || selected->text.isEmpty() || owner_ == nullptr)
        return;
    owner_->OnFolderSelected(MakeLocationText(selected->library ? kLocationLibrary : kLocationFolder, selected->text));
}

void CShellTree::OnSelChanged() {
    if (quietSelection_)
        return;
    ShellTreeItem* item = CurrentShellItem();
    if (item != nullptr && IsLibrariesFolder(item) && !library_->HasLibraries() && item->HasChildrenMark()) {
        ClearChildren(item);
        item->SetHasChildrenMark(false);
    }
    ReportSelection();
}

void CShellTree::SelectItem(ShellTreeItem* item) {
    setCurrentItem(item);
    scrollToItem(item);
    selectionFound_ = true;
}

ShellTreeItem* CShellTree::FindRootChild(const IdList& id) const {
    const ShellTreeItem* root = RootItem();
    if (root == nullptr)
        return nullptr;
    for (int i = 0; i < root->childCount(); ++i) {
        ShellTreeItem* child = ShellChild(root, i);
        if (child != nullptr && child->Record().relative && *child->Record().relative == id)
            return child;
    }
    return nullptr;
}

ShellTreeItem* CShellTree::FindLibrariesItem() const {
    const ShellTreeItem* root = RootItem();
    if (root == nullptr)
        return nullptr;
    for (int i = 0; i < root->childCount(); ++i) {
        ShellTreeItem* child = ShellChild(root, i);
        if (child != nullptr && IsLibrariesFolder(child))
            return child;
    }
    return nullptr;
}

bool CShellTree::SelectPath(const QString& path) {
    if (library_ != nullptr && CWin7Library::IsLibraryPath(path))
        return SelectLibraryByName(platform::shellns::LibraryNameOfFile(path));
    selectionFound_ = false;
    if (const std::optional<SelectedPath> selected = GetSelectedPath(); selected && selected->text == path)
        return true;
    ShellTreeItem* root = RootItem();
    if (root == nullptr)
        return false;
    const QString desktop = platform::shellns::PathFromIdList(IdList());
    const QString target = WithoutSlash(path);
    bool answer = false;
    if (!desktop.isEmpty() && target == WithoutSlash(desktop)) {
        SelectItem(root);
        answer = true;
    } else if (!target.startsWith(u'/')) {
        // A relative path leads nowhere: Computer is opened and that is all.
        ExpandItem(FindRootChild(platform::shellns::ComputerIdList()));
        answer = true;
    } else {
        ExpandItem(root);
        WalkToPath(root, target);
        if (!selectionFound_) {
            // Not below Home, the desktop or a library: through the volume
            // (or network mount) that holds the path.
            const IdList start = platform::shellns::IsOnNetworkFileSystem(target) ? platform::shellns::NetworkIdList()
                                                                                  : platform::shellns::ComputerIdList();
            if (ShellTreeItem* item = FindRootChild(start)) {
                ExpandItem(item);
                WalkToPath(item, target);
            }
        }
    }
    viewport()->update();
    return answer || selectionFound_;
}

void CShellTree::WalkToPath(ShellTreeItem* item, const QString& path) {
    // Volumes nest on this system: below Computer and Network only the
    // deepest mount that holds the path is walked into.
    const bool mounts = item->Record().relative && (*item->Record().relative == platform::shellns::ComputerIdList() ||
                                                    *item->Record().relative == platform::shellns::NetworkIdList());
    ShellTreeItem* deepestMount = nullptr;
    QString deepestPath;
    const bool atRoot = item == RootItem();
    for (int i = 0; i < item->childCount(); ++i) {
        ShellTreeItem* child = ShellChild(item, i);
        if (child == nullptr)
            continue;
        const QString childPath = GetItemPath(child);
        if (!childPath.isEmpty()) {
            if (WithoutSlash(childPath) == path) {
                SelectItem(child);
                return;
            }
            if (!IsPathPrefix(path, childPath))
                continue;
            if (mounts) {
                if (childPath.size() > deepestPath.size()) {
                    deepestMount = child;
                    deepestPath = childPath;
                }
                continue;
            }
            ExpandItem(child);
            WalkToPath(child, path);
            continue;
        }
        if (atRoot && IsLibrariesFolder(child)) {
            QStringList folders;
            library_->EnumerateFolders(folders);
            for (const QString& folder : folders) {
                if (folder.startsWith(u'/') && IsPathPrefix(path, folder)) {
                    ExpandItem(child);
                    WalkToPath(child, path);
                    return;
                }
            }
        } else if (IsLibraryItem(child)) {
            const QStringList parts = CWin7Library::SplitLocationText(GetItemLocationText(child));
            for (const QString& part : parts) {
                if (part.startsWith(u'/') && IsPathPrefix(path, part)) {
                    ExpandItem(child);
                    WalkToPath(child, path);
                    return;
                }
            }
        }
    }
    if (deepestMount != nullptr) {
        ExpandItem(deepestMount);
        WalkToPath(deepestMount, path);
    }
}

bool CShellTree::SelectLibraryByName(const QString& name) {
    ShellTreeItem* root = RootItem();
    if (root == nullptr)
        return false;
    ExpandItem(root);
    ShellTreeItem* libraries = FindLibrariesItem();
    if (libraries == nullptr)
        return false;
    ExpandItem(libraries);
    for (int i = 0; i < libraries->childCount(); ++i) {
        ShellTreeItem* child = ShellChild(libraries, i);
        if (child == nullptr || !child->Record().relative)
            continue;
        const std::optional<QString> display =
            child->Record().parentFolder.GetDisplayNameOf(*child->Record().relative, NameForm::Normal);
        if (display && *display == name) {
            setCurrentItem(child);
            return true;
        }
    }
    return false;
}

bool CShellTree::SelectByIdList(const IdList& list) {
    selectionFound_ = false;
    ShellTreeItem* root = RootItem();
    if (root == nullptr)
        return false;
    if (platform::shellns::IsEqualIdList(root->Record().absolute, list)) {
        SelectItem(root);
        return true;
    }
    SearchIdList(root, list);
    return selectionFound_;
}

bool CShellTree::SearchIdList(ShellTreeItem* item, const IdList& list) {
    ExpandItem(item);
    for (int i = 0; i < item->childCount(); ++i) {
        ShellTreeItem* child = ShellChild(item, i);
        if (child == nullptr)
            continue;
        if (platform::shellns::IsEqualIdList(child->Record().absolute, list)) {
            SelectItem(child);
            return true;
        }
        if (platform::shellns::IsParentIdList(child->Record().absolute, list) && SearchIdList(child, list))
            return true;
    }
    return false;
}

bool CShellTree::RestoreState() {
    const platform::ProfileStore store;
    const std::optional<QByteArray> blob = store.GetBinary(kStateSection, kStateKey);
    if (!blob || blob->isEmpty())
        return false;
    // A damaged value (a record shorter than its size field, no end marker
    // inside the value) is not followed: the tree starts at its default.
    const std::optional<IdList> list = IdList::FromBytes(*blob);
    if (!list || !SelectByIdList(*list))
        return false;
    ReportSelection();
    return true;
}

bool CShellTree::SaveState() {
    const ShellTreeItem* item = CurrentShellItem();
    if (item == nullptr)
        return false;
    const QByteArray bytes = item->Record().absolute.ToBytes();
    if (bytes.isEmpty())
        return false;
    platform::ProfileStore store;
    store.WriteBinary(kStateSection, kStateKey, bytes);
    return store.Sync();
}

#include "browser/tree/ShellTree.h"
#include "browser/tabstops/TabstopNavigator.h"

#include "browser/libraries/Win7Library.h"
#include "platform/shellns/ShellIcons.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace Attr = platform::shellns::Attr;
using platform::shellns::IdList;
using platform::shellns::NameForm;
using platform::shellns::ShellFolder;

// Ends an in-place edit: the model keeps the old label, the tree renames and
// rebuilds the items itself once the editor has closed.
class ShellTreeRenameDelegate : public QStyledItemDelegate {
public:
    explicit ShellTreeRenameDelegate(CShellTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    void setModelData(QWidget* editor, QAbstractItemModel* /*model*/, const QModelIndex& index) const override {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        if (line == nullptr)
            return;
        const QPersistentModelIndex edited(index);
        const QString text = line->text();
        QMetaObject::invokeMethod(
            tree_,
            [tree = tree_, edited, text] {
                if (!edited.isValid())
                    return;
                auto* item = dynamic_cast<ShellTreeItem*>(tree->itemFromIndex(edited));
                if (item != nullptr)
                    tree->OnEndLabelEdit(item, text);
            },
            Qt::QueuedConnection);
    }

private:
    CShellTree* tree_;
};

CShellTree::CShellTree(QWidget* parent) : QTreeWidget(parent), library_(GetWin7Library()) {
    setObjectName(QStringLiteral("ShellTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    // The tree takes no drops and starts no drags.
    setDragEnabled(false);
    setAcceptDrops(false);
    setItemDelegate(new ShellTreeRenameDelegate(this));
    port_ = platform::CommandPort::Create(this);
    // Tab goes on to the basket's and the browser's views.
    CTabstopNavigator::Register(this, kTabstopOrderShellTree);

    connect(this, &QTreeWidget::itemExpanded, this, &CShellTree::OnItemExpanded);
    connect(this, &QTreeWidget::currentItemChanged, this, [this] { OnSelChanged(); });
    timer_.setInterval(kTimerMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (isVisible())
            CheckSelectedFolder();
    });
    timer_.start();
    if (library_ != nullptr)
        library_->AddListener(this);
}

CShellTree::~CShellTree() {
    // The watcher thread calls listeners under the service's mutex: once
    // RemoveListener returns it will not call this tree again.
    if (library_ != nullptr)
        library_->RemoveListener(this);
    port_->Close();
    timer_.stop();
    // The items go before the members they may use.
    quietSelection_ = true;
    clear();
}

ShellTreeItem* CShellTree::RootItem() const {
    return topLevelItemCount() > 0 ? dynamic_cast<ShellTreeItem*>(topLevelItem(0)) : nullptr;
}

ShellTreeItem* CShellTree::CurrentShellItem() const { return dynamic_cast<ShellTreeItem*>(currentItem()); }

ShellTreeItem* CShellTree::ShellChild(const QTreeWidgetItem* parent, int index) {
    return dynamic_cast<ShellTreeItem*>(parent->child(index));
}

ShellTreeItem* CShellTree::ShellParent(const QTreeWidgetItem* item) {
    return dynamic_cast<ShellTreeItem*>(item->parent());
}

QIcon CShellTree::ItemIcon(const IdList& absolute) {
    const int closed = platform::shellns::IconIndexOf(absolute, false);
    const int open = platform::shellns::IconIndexOf(absolute, true);
    const int key = closed * 64 + open;
    auto found = icons_.find(key);
    if (found != icons_.end())
        return found->second;
    QIcon icon = platform::shellns::SystemIcon(closed);
    if (open != closed) {
        const QIcon opened = platform::shellns::SystemIcon(open);
        for (const QSize& size : opened.availableSizes())
            icon.addPixmap(opened.pixmap(size), QIcon::Selected);
    }
    return icons_.emplace(key, icon).first->second;
}

ShellTreeItem* CShellTree::MakeItem(const ShellFolder& folder, const IdList& child, const QString& name) {
    auto* item = new ShellTreeItem({folder, child, folder.AbsoluteId().Combined(child)});
    item->setText(0, name);
    item->setIcon(0, ItemIcon(item->Record().absolute));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    return item;
}

void CShellTree::InitRoot() {
    const ShellFolder desktop;
    const std::optional<QString> name = desktop.GetDisplayNameOf(IdList(), NameForm::Normal);
    if (!name)
        return;
    quietSelection_ = true;
    clear();
    quietSelection_ = false;
    auto* root = new ShellTreeItem({desktop, std::nullopt, IdList()});
    root->setText(0, *name);
    root->setIcon(0, ItemIcon(IdList()));
    root->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    root->SetHasChildrenMark(true);
    addTopLevelItem(root);
    ExpandItem(root);
}

std::optional<ShellFolder> CShellTree::FolderOf(const ShellTreeItem* item) const {
    const ShellTreeRecord& record = item->Record();
    if (!record.relative)
        return record.parentFolder;
    return record.parentFolder.BindToObject(*record.relative);
}

void CShellTree::OnItemExpanded(QTreeWidgetItem* item) {
    auto* shellItem = dynamic_cast<ShellTreeItem*>(item);
    if (shellItem == nullptr || shellItem->ExpandedOnce())
        return;
    shellItem->SetExpandedOnce(true);
    if (const std::optional<ShellFolder> folder = FolderOf(shellItem))
        FillChildren(*folder, shellItem);
    SortChildren(shellItem);
}

void CShellTree::ExpandItem(ShellTreeItem* item) {
    if (item == nullptr)
        return;
    OnItemExpanded(item);
    item->setExpanded(true);
}

bool CShellTree::IsItemShown(const ShellFolder& folder, const IdList& child, bool belowComputer) const {
    // The namespace has no Recycle Bin, Control Panel, Printers or Internet
    // folder to hide, and it lists no hidden folders; below Computer only
    // storage (the volumes) is shown.
    if (!belowComputer)
        return true;
    const std::optional<std::uint32_t> attributes = folder.GetAttributesOf(child, Attr::Storage);
    return attributes && (*attributes & Attr::Storage);
}

bool CShellTree::IsDuplicateChild(const ShellTreeItem* parent, const IdList& absolute) const {
    for (int i = 0; i < parent->childCount(); ++i) {
        const ShellTreeItem* child = ShellChild(parent, i);
        if (child != nullptr && platform::shellns::IsEqualIdList(child->Record().absolute, absolute))
            return true;
    }
    return false;
}

void CShellTree::InsertChildren(const ShellFolder& folder, ShellTreeItem* item) {
    const bool belowComputer =
        platform::shellns::IsEqualIdList(folder.AbsoluteId(), platform::shellns::ComputerIdList());
    const std::optional<std::vector<IdList>> children = folder.EnumObjects();
    if (!children) {
        item->SetHasChildrenMark(false);
        return;
    }
    for (const IdList& child : *children) {
        const std::uint32_t attributes = folder.GetAttributesOf(child, Attr::Folder | Attr::HasSubfolder).value_or(0);
        // The namespace lists folders only, never files the shell could open
        // as folders (archives).
        if (!(attributes & Attr::Folder))
            continue;
        const IdList absolute = folder.AbsoluteId().Combined(child);
        // A child the item already has is not added again: filling and
        // merging add only what is new.
        if (!IsItemShown(folder, child, belowComputer) || IsDuplicateChild(item, absolute))
            continue;
        const std::optional<QString> name = folder.GetDisplayNameOf(child, NameForm::Normal);
        if (!name)
            return;  // the filling stops at a name that cannot be read
        ShellTreeItem* added = MakeItem(folder, child, *name);
        bool hasChildren = attributes & Attr::HasSubfolder;
        if (library_ != nullptr && library_->IsLibrariesFolder(folder, child))
            hasChildren = hasChildren && library_->HasLibraries();
        added->SetHasChildrenMark(hasChildren);
        item->addChild(added);
    }
}

void CShellTree::FillChildren(const ShellFolder& folder, ShellTreeItem* item) { InsertChildren(folder, item); }

bool CShellTree::IsLibraryItem(const ShellTreeItem* item) const {
    const ShellTreeRecord& record = item->Record();
    return library_ != nullptr && record.relative && library_->IsLibraryItem(record.parentFolder, *record.relative);
}

bool CShellTree::IsLibrariesFolder(const ShellTreeItem* item) const {
    const ShellTreeRecord& record = item->Record();
    return library_ != nullptr && record.relative && library_->IsLibrariesFolder(record.parentFolder, *record.relative);
}

void CShellTree::SortChildren(ShellTreeItem* item) {
    setUpdatesEnabled(false);
    bool sort = true;
    if (IsLibraryItem(item)) {
        // The folders of a library keep the library's order.
        const QStringList parts = CWin7Library::SplitLocationText(GetItemLocationText(item));
        sort = !parts.isEmpty();
        for (int i = 0; i < item->childCount(); ++i) {
            ShellTreeItem* child = ShellChild(item, i);
            if (child == nullptr)
                continue;
            const qsizetype at = parts.indexOf(platform::shellns::ParsingNameOf(child->Record().absolute), 2);
            child->SetLibraryOrder(at < 0 ? std::optional<int>(INT32_MAX) : std::optional<int>(int(at)));
        }
    }
    if (sort)
        item->sortChildren(0, Qt::AscendingOrder);
    setUpdatesEnabled(true);
    viewport()->update();
}

QString CShellTree::GetItemPath(const ShellTreeItem* item) const {
    if (item == nullptr)
        return {};
    const ShellTreeRecord& record = item->Record();
    if (record.relative) {
        const std::optional<std::uint32_t> attributes =
            record.parentFolder.GetAttributesOf(*record.relative, Attr::FileSystem);
        if (!attributes || !(*attributes & Attr::FileSystem) || !record.parentFolder.BindToObject(*record.relative))
            return {};
    }
    return platform::shellns::PathFromIdList(record.absolute);
}

bool CShellTree::OnItemContextMenu(QWidget* /*parent*/, ShellTreeItem* /*item*/, const QPoint& /*screenPoint*/) {
    return false;
}

void CShellTree::contextMenuEvent(QContextMenuEvent* event) {
    auto* item = dynamic_cast<ShellTreeItem*>(itemAt(event->pos()));
    event->accept();
    if (item == nullptr)
        return;
    if (!GetItemPath(item).isEmpty() || IsLibrariesFolder(item) || IsLibraryItem(item))
        OnItemContextMenu(parentWidget(), item, event->globalPos());
}

void CShellTree::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        DeleteSelected();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool CShellTree::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger == QAbstractItemView::EditKeyPressed || trigger == QAbstractItemView::SelectedClicked ||
        trigger == QAbstractItemView::AllEditTriggers) {
        const auto* item = dynamic_cast<ShellTreeItem*>(itemFromIndex(index));
        if (item == nullptr || item != CurrentShellItem() || !OnBeginLabelEdit(item))
            return false;
    }
    return QTreeWidget::edit(index, trigger, event);
}

void CShellTree::OnPostedCommand(const platform::Command& command) {
    if (command.id == WM_UPDATELIBRARIES)
        RebuildLibraries();
}

void CShellTree::OnLibrariesChanged() { port_->Post(WM_UPDATELIBRARIES); }

#pragma once
// An item of the shell folder tree with its record: the folder that holds
// it, its id within that folder and its id from the desktop. The record
// lives and dies with the item.

#include "platform/shellns/IdList.h"
#include "platform/shellns/ShellNamespace.h"

#include <QTreeWidgetItem>

#include <optional>

struct ShellTreeRecord {
    platform::shellns::ShellFolder parentFolder;
    std::optional<platform::shellns::IdList> relative;  // none for the root
    platform::shellns::IdList absolute;
};

class ShellTreeItem : public QTreeWidgetItem {
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 1360;

    explicit ShellTreeItem(ShellTreeRecord record) : QTreeWidgetItem(kType), record_(std::move(record)) {}

    const ShellTreeRecord& Record() const { return record_; }

    // The children were read once (the tree view's "expanded once" state).
    bool ExpandedOnce() const { return expandedOnce_; }
    void SetExpandedOnce(bool once) { expandedOnce_ = once; }

    // The has-children mark: the item shows an expand button before its
    // children are read.
    bool HasChildrenMark() const { return childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator; }
    void SetHasChildrenMark(bool mark) {
        setChildIndicatorPolicy(mark ? QTreeWidgetItem::ShowIndicator
                                     : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }

    // Sorting: by the place in the parent library's list when one is set
    // (SetLibraryOrder), else by the namespace's order of ids.
    void SetLibraryOrder(std::optional<int> order) { libraryOrder_ = order; }
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    ShellTreeRecord record_;
    bool expandedOnce_ = false;
    std::optional<int> libraryOrder_;
};

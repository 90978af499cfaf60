#include "browser/tree/ShellTreeItem.h"

bool ShellTreeItem::operator<(const QTreeWidgetItem& other) const {
    if (other.type() != kType)
        return QTreeWidgetItem::operator<(other);
    const auto& that = static_cast<const ShellTreeItem&>(other);
    if (libraryOrder_ && that.libraryOrder_)
        return *libraryOrder_ < *that.libraryOrder_;
    if (!record_.relative || !that.record_.relative)
        return !record_.relative && that.record_.relative;
    return record_.parentFolder.CompareIDs(*record_.relative, *that.record_.relative) < 0;
}

#include "browser/items/ItemList.h"

#include <iterator>
#include <utility>

CITEMLIST::POSITION CITEMLIST::FindByPath(const QString& path) {
    for (auto it = items_.begin(); it != items_.end(); ++it)
        if ((*it)->m_strPath == path)
            return it;
    for (auto it = items_.begin(); it != items_.end(); ++it)
        if ((*it)->m_strPath.compare(path, Qt::CaseInsensitive) == 0)
            return it;
    return items_.end();
}

void CITEMLIST::ForgetIndex() {
    indexed_ = false;
    index_.clear();
}

void CITEMLIST::DeleteAll() {
    std::lock_guard lock(mutex_);
    items_.clear();
    index_.clear();
    indexed_ = true;
}

CItem* CITEMLIST::AddTail(std::unique_ptr<CItem> item) {
    items_.push_back(std::move(item));
    if (indexed_)
        index_.push_back(std::prev(items_.end()));
    return items_.back().get();
}

CItem* CITEMLIST::AddHead(std::unique_ptr<CItem> item) {
    ForgetIndex();
    items_.push_front(std::move(item));
    return items_.front().get();
}

CITEMLIST::POSITION CITEMLIST::InsertBefore(POSITION position, std::unique_ptr<CItem> item) {
    ForgetIndex();
    return items_.insert(position, std::move(item));
}

CITEMLIST::POSITION CITEMLIST::InsertAfter(POSITION position, std::unique_ptr<CItem> item) {
    ForgetIndex();
    return items_.insert(position == items_.end() ? position : std::next(position), std::move(item));
}

CITEMLIST::POSITION CITEMLIST::RemoveAt(POSITION position) {
    ForgetIndex();
    return items_.erase(position);
}

std::unique_ptr<CItem> CITEMLIST::Detach(POSITION position) {
    ForgetIndex();
    std::unique_ptr<CItem> item = std::move(*position);
    items_.erase(position);
    return item;
}

CITEMLIST::POSITION CITEMLIST::FindIndex(std::size_t index) {
    if (index >= items_.size())
        return items_.end();
    if (!indexed_) {
        index_.reserve(items_.size());
        for (auto it = items_.begin(); it != items_.end(); ++it)
            index_.push_back(it);
        indexed_ = true;
    }
    return index_[index];
}

#pragma once
// The owning list of a browser's items, in display order, with a lock of its
// own. Whoever removes an item from the list deletes it (RemoveAt), or takes
// it over (Detach); the list deletes the items still in it when it goes.
//
// Positions are the list's iterators: they stay valid while their item is in
// the list, and end() stands for "no position".

#include <QString>

#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "browser/items/Item.h"

class CITEMLIST {
public:
    using List = std::list<std::unique_ptr<CItem>>;
    using POSITION = List::iterator;
    using CONST_POSITION = List::const_iterator;

    CITEMLIST() = default;
    CITEMLIST(const CITEMLIST&) = delete;
    CITEMLIST& operator=(const CITEMLIST&) = delete;

    // The position of the item whose path is `path`, searched from the head:
    // an exact match first; only when there is none, the first match that
    // ignores letter case (so a.jpg and A.jpg of one folder stay apart). end()
    // when there is none. Takes no lock.
    POSITION FindByPath(const QString& path);

    // Deletes every item under the list's lock.
    void DeleteAll();

    CItem* AddTail(std::unique_ptr<CItem> item);
    CItem* AddHead(std::unique_ptr<CItem> item);
    POSITION InsertBefore(POSITION position, std::unique_ptr<CItem> item);
    POSITION InsertAfter(POSITION position, std::unique_ptr<CItem> item);
    // Deletes the item at `position`; returns the position after it.
    POSITION RemoveAt(POSITION position);
    // Takes the item at `position` out of the list without deleting it.
    std::unique_ptr<CItem> Detach(POSITION position);
    // The position of the index-th item (0-based), or end(), in constant
    // time: an index of the positions is kept, rebuilt at the first call
    // after the list changed other than at its tail. Call it on the thread
    // that changes the list.
    POSITION FindIndex(std::size_t index);

    std::size_t GetCount() const { return items_.size(); }
    bool IsEmpty() const { return items_.empty(); }

    POSITION begin() { return items_.begin(); }
    POSITION end() { return items_.end(); }
    CONST_POSITION begin() const { return items_.begin(); }
    CONST_POSITION end() const { return items_.end(); }

    // The list's own lock, for readers on other threads.
    std::recursive_mutex& Mutex() { return mutex_; }

private:
    void ForgetIndex();

    List items_;
    std::vector<POSITION> index_;  // the position of each item, while indexed_
    bool indexed_ = true;
    std::recursive_mutex mutex_;
};

#include "browser/thumbs/ReorderByDrop.h"

#include "browser/items/ItemList.h"
#include "imagefiles/ImageFileNames.h"

#include <memory>
#include <vector>

namespace {

// The dropped paths that are items of the list, in drop order.
QStringList ItemPaths(const QStringList& dropped) {
    QStringList paths;
    for (const QString& path : dropped) {
        if (!(IsWavFile(path) && IsSoundNoteOfImage(path)))
            paths.append(path);
    }
    return paths;
}

// The item of exactly this path, nearest the head.
CITEMLIST::POSITION FindExact(CITEMLIST& items, const QString& path) {
    for (auto it = items.begin(); it != items.end(); ++it) {
        if ((*it)->m_strPath == path)
            return it;
    }
    return items.end();
}

}  // namespace

bool ReorderItemsByDrop(CITEMLIST& items, const QStringList& dropped, int insertIndex) {
    const QStringList paths = ItemPaths(dropped);
    if (paths.isEmpty())
        return false;

    const std::size_t count = items.GetCount();
    const std::size_t index = insertIndex < 0 ? 0 : static_cast<std::size_t>(insertIndex);
    const bool append = index >= count;
    const CItem* anchor = append ? nullptr : items.FindIndex(index)->get();

    // Take the dragged items out, in drop order; the anchor stays where it is
    // and is marked by a null entry.
    std::vector<std::unique_ptr<CItem>> moving;
    bool anchorDropped = false;
    for (const QString& path : paths) {
        const CITEMLIST::POSITION found = FindExact(items, path);
        if (found == items.end())
            continue;
        if (found->get() == anchor) {
            if (!anchorDropped)
                moving.push_back(nullptr);
            anchorDropped = true;
            continue;
        }
        moving.push_back(items.Detach(found));
    }

    CITEMLIST::POSITION anchorPosition = items.end();
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (it->get() == anchor)
            anchorPosition = it;
    }
    CITEMLIST::POSITION last = items.end();  // the last item placed after the anchor
    bool inFront = true;
    for (std::unique_ptr<CItem>& item : moving) {
        if (!item) {
            inFront = false;
            last = anchorPosition;
            continue;
        }
        item->m_bSelected = 0;
        if (append) {
            items.AddTail(std::move(item));
        } else if (inFront) {
            items.InsertBefore(anchorPosition, std::move(item));
        } else {
            last = items.InsertAfter(last, std::move(item));
        }
    }

    return !moving.empty();
}

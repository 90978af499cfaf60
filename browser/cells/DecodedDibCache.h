#pragma once
// CDecodedDibCache (g_DecodedDibs): the thumbnails most recently drawn, kept
// decoded so that scrolling back and forth does not decode them again.
//
// A cell with a compressed thumbnail keeps only a weak reference to its
// decoded DIB; this cache holds the strong references of the last Capacity()
// DIBs that were asked for, and drops the least recently used one when a new
// one comes in. The memory of decoded thumbnails is so bounded however many
// cells exist, and a cell whose DIB was dropped decodes it again when it is
// next drawn. The cache knows nothing of the cells: a cell that goes away
// leaves at most a DIB that nobody else holds, which it forgets on the way.
//
// Threads: every operation takes g_csThumbCache, the lock of the cells that
// use it.

#include <cstddef>
#include <list>
#include <unordered_map>

#include "browser/cells/PaletteItemImg.h"

class CDecodedDibCache {
public:
    // Several screenfuls of cells at either zoom of a large view.
    static constexpr std::size_t kDefaultCapacity = 256;

    CDecodedDibCache() = default;
    CDecodedDibCache(const CDecodedDibCache&) = delete;
    CDecodedDibCache& operator=(const CDecodedDibCache&) = delete;

    // Makes the DIB the most recently used one, adding it when it is new and
    // dropping the least recently used ones beyond the capacity.
    void Touch(const DibRef& dib);
    // Drops the DIB when the cache holds it; null does nothing.
    void Forget(const CDib* dib);
    bool Holds(const CDib* dib) const;
    std::size_t Size() const;
    std::size_t Capacity() const;
    // At least 1; a smaller capacity drops the least recently used DIBs now.
    void SetCapacity(std::size_t capacity);
    void Clear();

private:
    void Trim();

    std::list<DibRef> m_lru;  // the most recently used first
    std::unordered_map<const CDib*, std::list<DibRef>::iterator> m_index;
    std::size_t m_capacity = kDefaultCapacity;
};

// The one cache of the process. It is never destroyed, so cells that are
// destroyed during the program's exit can still leave it.
extern CDecodedDibCache& g_DecodedDibs;

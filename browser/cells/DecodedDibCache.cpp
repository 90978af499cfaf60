#include "browser/cells/DecodedDibCache.h"

#include <algorithm>
#include <mutex>

#include "browser/cells/ThumbCacheLock.h"

CDecodedDibCache& g_DecodedDibs = *new CDecodedDibCache;

void CDecodedDibCache::Touch(const DibRef& dib) {
    if (!dib)
        return;
    std::lock_guard lock(g_csThumbCache);
    const auto found = m_index.find(dib.get());
    if (found != m_index.end()) {
        m_lru.splice(m_lru.begin(), m_lru, found->second);
        return;
    }
    m_lru.push_front(dib);
    m_index.emplace(dib.get(), m_lru.begin());
    Trim();
}

void CDecodedDibCache::Forget(const CDib* dib) {
    if (dib == nullptr)
        return;
    DibRef dropped;  // released after the lock, with nothing else to do
    std::lock_guard lock(g_csThumbCache);
    const auto found = m_index.find(dib);
    if (found == m_index.end())
        return;
    dropped = std::move(*found->second);
    m_lru.erase(found->second);
    m_index.erase(found);
}

bool CDecodedDibCache::Holds(const CDib* dib) const {
    std::lock_guard lock(g_csThumbCache);
    return m_index.count(dib) != 0;
}

std::size_t CDecodedDibCache::Size() const {
    std::lock_guard lock(g_csThumbCache);
    return m_lru.size();
}

std::size_t CDecodedDibCache::Capacity() const {
    std::lock_guard lock(g_csThumbCache);
    return m_capacity;
}

void CDecodedDibCache::SetCapacity(std::size_t capacity) {
    std::lock_guard lock(g_csThumbCache);
    m_capacity = std::max<std::size_t>(capacity, 1);
    Trim();
}

void CDecodedDibCache::Clear() {
    std::lock_guard lock(g_csThumbCache);
    m_index.clear();
    m_lru.clear();
}

void CDecodedDibCache::Trim() {
    while (m_lru.size() > m_capacity) {
        m_index.erase(m_lru.back().get());
        m_lru.pop_back();
    }
}

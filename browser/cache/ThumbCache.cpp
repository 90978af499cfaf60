// CMapStringToObPlus: the map, its lookups with lazy archive merging, its
// insertions with trimming, and the pruning at the first browser.
#include "browser/cache/ThumbCache.h"

#include <QDebug>
#include <QFile>

#include <sys/stat.h>

#include <mutex>

#include "browser/cells/ThumbCacheLock.h"
#include "platform/archive/ArchiveFile.h"

CMapStringToObPlus g_ThumbCache;

bool PathExists(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

QString CMapStringToObPlus::CacheFolder() const {
    std::lock_guard lock(g_csThumbCache);
    return m_strCacheFolder;
}

bool CMapStringToObPlus::LookupInMemory(const QString& path, CellRef& cell) const {
    std::lock_guard lock(g_csThumbCache);
    const auto found = m_map.find(path);
    if (found == m_map.end())
        return false;
    cell = found->second;
    return true;
}

bool CMapStringToObPlus::Lookup(const QString& path, CellRef& cell) {
    std::lock_guard lock(g_csThumbCache);
    if (LookupInMemory(path, cell))
        return true;
    const auto archive = m_mapArchives.find(FolderOfPath(path));
    if (archive == m_mapArchives.end() || !HasFolder()) {
        m_strLastMerged.clear();
        return false;
    }
    const QString archivePath = ArchiveFilePath(m_strCacheFolder, archive->second);
    if (archivePath != m_strLastMerged) {
        std::optional<CellEntries> entries = ReadArchive(archive->second);
        if (!entries) {
            m_strLastMerged.clear();
            return false;
        }
        // Cells of files that are gone, of another folder or already in
        // memory are dropped.
        for (auto& [key, read] : *entries)
            if (FolderOfPath(key) == archive->first && !m_map.contains(key) && PathExists(key))
                m_map.emplace(key, std::move(read));
        m_strLastMerged = archivePath;
    }
    return LookupInMemory(path, cell);
}

bool CMapStringToObPlus::Insert(const QString& path, CellRef cell) {
    std::lock_guard lock(g_csThumbCache);
    const QString folder = FolderOfPath(path);
    const bool trimmed = Trim(folder);
    m_map[path] = std::move(cell);
    if (HasFolder() && !m_mapArchives.contains(folder)) {
        // The file is made at once, so that no other folder takes the number.
        const int number = FirstFreeNumber();
        platform::CreateEmptyFileExclusive(QFile::encodeName(ArchiveFilePath(m_strCacheFolder, number)).toStdString());
        m_mapArchives[folder] = number;
    }
    return trimmed;
}

bool CMapStringToObPlus::Trim(const QString& keepFolder) {
    std::lock_guard lock(g_csThumbCache);
    if (m_map.size() < std::max(m_trimAt, m_nextTrimAt) || !HasFolder())
        return true;
    // Collect whole folders, in the order the walk meets them, until fewer
    // than kTrimDownTo entries would remain; a folder met before the stop is
    // collected whole.
    std::size_t remaining = m_map.size();
    std::vector<std::pair<QString, CellEntries>> collections;
    std::map<QString, std::size_t> collectionOf;
    bool stopped = false;
    for (const auto& [key, cell] : m_map) {
        const QString folder = FolderOfPath(key);
        if (folder == keepFolder)
            continue;
        auto known = collectionOf.find(folder);
        if (known == collectionOf.end()) {
            if (stopped || remaining < m_trimDownTo) {
                stopped = true;
                continue;
            }
            known = collectionOf.emplace(folder, collections.size()).first;
            collections.emplace_back(folder, CellEntries{});
        }
        collections[known->second].second.emplace_back(key, cell);
        --remaining;
    }

    bool allWritten = true;
    for (auto& [folder, entries] : collections) {
        const int number = ArchiveNumberFor(folder);
        if (!WriteArchive(number, WithOldArchive(number, folder, entries))) {
            allWritten = false;
            continue;  // this folder stays in memory
        }
        for (const auto& entry : entries)
            m_map.erase(entry.first);
        if (m_strLastMerged == ArchiveFilePath(m_strCacheFolder, number))
            m_strLastMerged.clear();
    }
    m_nextTrimAt = allWritten ? m_trimAt : m_map.size() + 500;
    if (!allWritten)
        qWarning("thumbnail cache: an archive could not be written while trimming");
    return allWritten;
}

void CMapStringToObPlus::PruneAtFirstBrowser(std::int64_t now) {
    std::lock_guard lock(g_csThumbCache);
    const QStringList keys = Keys();
    auto ageInDays = [&](const CellRef& cell) { return (now - cell->m_timeLastUse) / 86400; };
    for (const QString& key : keys) {
        const auto found = m_map.find(key);
        if (!PathExists(key) || ageInDays(found->second) >= kPruneDays)
            m_map.erase(found);
    }
    if (m_map.size() <= kPruneCrowdedAbove)
        return;
    for (const QString& key : keys) {
        const auto found = m_map.find(key);
        if (found != m_map.end() && ageInDays(found->second) > kPruneCrowdedDays)
            m_map.erase(found);
    }
}

bool CMapStringToObPlus::CloseAtLastBrowser(const QString& legacyPath) {
    std::lock_guard lock(g_csThumbCache);
    for (auto it = m_map.begin(); it != m_map.end();)
        it = PathExists(it->first) ? std::next(it) : m_map.erase(it);
    bool saved = false;
    try {
        saved = LoadOrSave(legacyPath, true);
    } catch (...) {
        saved = false;
    }
    if (!saved)
        qWarning("thumbnail cache: the cache could not be saved");
    RemoveAll();
    return saved;
}

bool CMapStringToObPlus::RemoveKey(const QString& path) {
    std::lock_guard lock(g_csThumbCache);
    return m_map.erase(path) > 0;
}

void CMapStringToObPlus::SetAt(const QString& path, CellRef cell) {
    std::lock_guard lock(g_csThumbCache);
    m_map[path] = std::move(cell);
}

QStringList CMapStringToObPlus::Keys() const {
    std::lock_guard lock(g_csThumbCache);
    QStringList keys;
    keys.reserve(static_cast<qsizetype>(m_map.size()));
    for (const auto& entry : m_map)
        keys.push_back(entry.first);
    return keys;
}

std::size_t CMapStringToObPlus::GetCount() const {
    std::lock_guard lock(g_csThumbCache);
    return m_map.size();
}

void CMapStringToObPlus::RemoveAll() {
    std::lock_guard lock(g_csThumbCache);
    m_map.clear();
    m_strLastMerged.clear();
}

QString CMapStringToObPlus::ArchiveOf(const QString& folder) const {
    std::lock_guard lock(g_csThumbCache);
    const auto found = m_mapArchives.find(folder);
    return found == m_mapArchives.end() || !HasFolder() ? QString() : ArchiveFilePath(m_strCacheFolder, found->second);
}

void CMapStringToObPlus::SetTrimLimits(std::size_t at, std::size_t downTo) {
    std::lock_guard lock(g_csThumbCache);
    m_trimAt = at;
    m_trimDownTo = downTo;
    m_nextTrimAt = at;
}

void CMapStringToObPlus::SetArchiveWriteHook(std::function<void(const QString& archive)> hook) {
    std::lock_guard lock(g_csThumbCache);
    m_writeHook = std::move(hook);
}

QString CMapStringToObPlus::LastMerged() const {
    std::lock_guard lock(g_csThumbCache);
    return m_strLastMerged;
}

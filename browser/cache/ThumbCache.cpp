// CMapStringToObPlus: the map, its lookups with lazy archive merging, its
// insertions with trimming, and the pruning at the first browser.
#include "browser/cache/ThumbCache.h"
#include "platform/files/LocalFileName.h"

#include <QDebug>

#include <sys/stat.h>

#include <mutex>

#include "browser/cells/ThumbCacheLock.h"
#include "platform/archive/ArchiveFile.h"

CMapStringToObPlus g_ThumbCache;

bool PathExists(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(platform::LocalFileName(path).constData(), &st) == 0;
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
    cell = found->second.cell;
    return true;
}

bool CMapStringToObPlus::Lookup(const QString& path, CellRef& cell) {
    std::lock_guard lock(g_csThumbCache);
    if (LookupInMemory(path, cell))
        return true;
    const QString folder = FolderOfPath(path);
    const auto archive = m_mapArchives.find(folder);
    if (archive == m_mapArchives.end() || !HasFolder()) {
        m_strLastMerged.clear();
        return false;
    }
    // An archive this process knows: only the path's own element is read, if
    // it holds one.
    const auto saved = m_saved.find(folder);
    bool notAsKnown = false;
    if (saved != m_saved.end()) {
        const auto element = saved->second.elements.find(path);
        if (element == saved->second.elements.end())
            return false;
        if (CellRef read = ReadArchiveElement(archive->second, element->second, path)) {
            if (!PathExists(path))
                return false;
            const std::uint64_t revision = read->RecordRevision();
            Store(path, Entry{read, revision});
            cell = std::move(read);
            return true;
        }
        // Not as known: the archive is read whole below, even if it was
        // merged last.
        notAsKnown = true;
    }
    const QString archivePath = ArchiveFilePath(m_strCacheFolder, archive->second);
    if (archivePath != m_strLastMerged || notAsKnown) {
        std::optional<CellArchive> read = ReadArchive(archive->second);
        if (!read) {
            m_strLastMerged.clear();
            return false;
        }
        // The archive as it is now (any write of this process that runs
        // meanwhile sets what it wrote once it is done).
        m_saved[folder] = SavedArchive{read->elements, read->count, read->end};
        // Cells of files that are gone, of another folder or already in
        // memory are dropped.
        for (auto& [key, cellRead] : read->entries)
            if (FolderViewOfPath(key) == archive->first && !m_map.contains(key) && PathExists(key)) {
                const std::uint64_t revision = cellRead->RecordRevision();
                Store(key, Entry{std::move(cellRead), revision});
            }
        m_strLastMerged = archivePath;
    }
    return LookupInMemory(path, cell);
}

bool CMapStringToObPlus::Insert(const QString& path, CellRef cell) {
    const QString folder = FolderOfPath(path);
    const bool trimmed = Trim(folder);
    std::lock_guard lock(g_csThumbCache);
    Store(path, Entry{std::move(cell), kUnsaved});
    if (HasFolder() && !m_mapArchives.contains(folder)) {
        // The file is made at once, so that no other folder takes the number.
        const int number = FirstFreeNumber();
        if (platform::CreateEmptyFileExclusive(platform::LocalFilePath(ArchiveFilePath(m_strCacheFolder, number))))
            m_saved[folder] = SavedArchive{};
        m_mapArchives[folder] = number;
    }
    return trimmed;
}

bool CMapStringToObPlus::Trim(const QString& keepFolder) {
    // The writes below must not run under a lock a drawing needs.
    if (g_csThumbCache.HeldByThisThread())
        return true;
    std::lock_guard files(m_csFiles);
    std::vector<Collection> collections;
    {
        std::lock_guard lock(g_csThumbCache);
        if (m_map.size() < std::max(m_trimAt, m_nextTrimAt) || !HasFolder())
            return true;
        const auto kept = m_folderCounts.find(keepFolder);
        if (kept != m_folderCounts.end() && kept->second == m_map.size())
            return true;  // no other folder to move out
        // Collect whole folders, in the order the walk meets them, until
        // fewer than m_trimDownTo entries would remain; a folder met before
        // the stop is collected whole.
        std::size_t remaining = m_map.size();
        std::map<QString, std::size_t, std::less<>> collectionOf;
        bool stopped = false;
        for (const auto& [key, entry] : m_map) {
            const QStringView folder = FolderViewOfPath(key);
            if (folder == keepFolder)
                continue;
            auto known = collectionOf.find(folder);
            if (known == collectionOf.end()) {
                if (stopped || remaining < m_trimDownTo) {
                    stopped = true;
                    continue;
                }
                known = collectionOf.emplace(folder.toString(), collections.size()).first;
                collections.push_back(Collection{folder.toString(), {}});
            }
            collections[known->second].entries.emplace_back(key, entry);
            --remaining;
        }
    }

    bool allWritten = true;
    for (const Collection& collection : collections) {
        if (WriteFolder(collection))
            DropSaved(collection);
        else
            allWritten = false;  // this folder stays in memory
    }
    std::lock_guard lock(g_csThumbCache);
    m_nextTrimAt = allWritten ? m_trimAt : m_map.size() + 500;
    if (!allWritten)
        qWarning("thumbnail cache: an archive could not be written while trimming");
    return allWritten;
}

void CMapStringToObPlus::DropSaved(const Collection& collection) {
    // In batches, so that a drawing waits for a few hundred erasures at most.
    constexpr std::size_t kBatch = 256;
    const auto& entries = collection.entries;
    for (std::size_t first = 0; first < entries.size(); first += kBatch) {
        std::lock_guard lock(g_csThumbCache);
        for (std::size_t i = first; i < std::min(entries.size(), first + kBatch); ++i) {
            const auto found = m_map.find(entries[i].first);
            if (found != m_map.end() && found->second.cell == entries[i].second.cell &&
                found->second.savedRevision == found->second.cell->RecordRevision())
                Erase(found);
        }
    }
    std::lock_guard lock(g_csThumbCache);
    const auto archive = m_mapArchives.find(collection.folder);
    if (archive != m_mapArchives.end() && m_strLastMerged == ArchiveFilePath(m_strCacheFolder, archive->second))
        m_strLastMerged.clear();
}

void CMapStringToObPlus::Store(const QString& path, Entry entry) {
    const auto [at, added] = m_map.insert_or_assign(path, std::move(entry));
    if (!added)
        return;
    const QStringView folder = FolderViewOfPath(path);
    const auto count = m_folderCounts.find(folder);
    if (count != m_folderCounts.end())
        ++count->second;
    else
        m_folderCounts.emplace(folder.toString(), 1);
}

std::map<QString, CMapStringToObPlus::Entry>::iterator CMapStringToObPlus::Erase(
    std::map<QString, Entry>::iterator entry) {
    const auto count = m_folderCounts.find(FolderViewOfPath(entry->first));
    if (count != m_folderCounts.end() && --count->second == 0)
        m_folderCounts.erase(count);
    return m_map.erase(entry);
}

void CMapStringToObPlus::PruneAtFirstBrowser(std::int64_t now) {
    std::lock_guard lock(g_csThumbCache);
    const QStringList keys = Keys();
    auto ageInDays = [&](const Entry& entry) { return (now - entry.cell->m_timeLastUse) / 86400; };
    for (const QString& key : keys) {
        const auto found = m_map.find(key);
        if (!PathExists(key) || ageInDays(found->second) >= kPruneDays)
            Erase(found);
    }
    if (m_map.size() <= kPruneCrowdedAbove)
        return;
    for (const QString& key : keys) {
        const auto found = m_map.find(key);
        if (found != m_map.end() && ageInDays(found->second) > kPruneCrowdedDays)
            Erase(found);
    }
}

bool CMapStringToObPlus::CloseAtLastBrowser(const QString& legacyPath) {
    std::lock_guard files(m_csFiles);
    std::lock_guard lock(g_csThumbCache);
    for (auto it = m_map.begin(); it != m_map.end();)
        it = PathExists(it->first) ? std::next(it) : Erase(it);
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
    const auto found = m_map.find(path);
    if (found == m_map.end())
        return false;
    Erase(found);
    return true;
}

void CMapStringToObPlus::SetAt(const QString& path, CellRef cell) {
    std::lock_guard lock(g_csThumbCache);
    Store(path, Entry{std::move(cell), kUnsaved});
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
    m_folderCounts.clear();
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

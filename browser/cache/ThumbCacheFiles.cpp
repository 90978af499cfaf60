// CMapStringToObPlus: its folder, its archive files, the load and the save.
#include <QDebug>
#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "browser/cache/ThumbCache.h"
#include "browser/cells/ThumbCacheLock.h"
#include "platform/archive/ArchiveException.h"
#include "platform/archive/ArchiveFile.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"
#include "platform/paths/Paths.h"

namespace {

// The largest archive and index read back; ours are far smaller.
constexpr std::uint64_t kMaxArchiveBytes = std::uint64_t{1} << 30;
constexpr std::uint64_t kMaxIndexBytes = std::uint64_t{64} << 20;

std::string Native(const QString& path) { return platform::LocalFilePath(path); }

// The folder exists as a real folder (not a link) of this user, mode 0700;
// made so when missing.
bool EnsurePrivateFolder(const QString& folder) {
    const std::string native = Native(folder);
    struct stat st {};
    if (::lstat(native.c_str(), &st) != 0) {
        if (::mkdir(native.c_str(), 0700) != 0 || ::lstat(native.c_str(), &st) != 0)
            return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 0777) == 0700 || ::chmod(native.c_str(), 0700) == 0;
}

// A folder key's own path: without its final '/', except the root.
QString FolderPath(const QString& folder) {
    if (folder.size() > 1 && folder.endsWith(u'/'))
        return folder.chopped(1);
    return folder;
}

}  // namespace

QString DefaultThumbCacheFolder() {
    const QString base = platform::PrivateCacheFolder();
    return base.isEmpty() ? QString() : base + QStringLiteral("QVIMGBRW_QZTHM");
}

QString LegacyThumbCacheFile() {
    const QString base = platform::PrivateCacheFolder();
    return base.isEmpty() ? QString() : base + QStringLiteral("QVIMGBRW_TBCCH");
}

bool CMapStringToObPlus::Open(const QString& cacheFolder) {
    std::lock_guard lock(g_csThumbCache);
    m_strCacheFolder.clear();
    if (!cacheFolder.startsWith(u'/') || cacheFolder.endsWith(u'/') || !EnsurePrivateFolder(cacheFolder))
        return false;
    m_strCacheFolder = cacheFolder;
    return true;
}

void CMapStringToObPlus::Close() {
    std::lock_guard files(m_csFiles);
    std::lock_guard lock(g_csThumbCache);
    RemoveAll();
    m_mapArchives.clear();
    m_saved.clear();
    m_strCacheFolder.clear();
    m_nextTrimAt = m_trimAt;
}

int CMapStringToObPlus::FirstFreeNumber() const {
    std::set<int> taken;
    for (const auto& entry : m_mapArchives)
        taken.insert(entry.second);
    for (int number = 1;; ++number) {
        struct stat st {};
        if (!taken.contains(number) && ::lstat(Native(ArchiveFilePath(m_strCacheFolder, number)).c_str(), &st) != 0)
            return number;
    }
}

int CMapStringToObPlus::ArchiveNumberFor(const QString& folder) {
    const auto found = m_mapArchives.find(folder);
    if (found != m_mapArchives.end())
        return found->second;
    const int number = FirstFreeNumber();
    m_mapArchives[folder] = number;
    return number;
}

std::optional<CellArchive> CMapStringToObPlus::ReadArchive(int number) const {
    const QString path = ArchiveFilePath(m_strCacheFolder, number);
    if (platform::RefuseSpecialFile(path, "thumbnail cache"))
        return std::nullopt;
    const auto bytes = platform::ReadArchiveFile(Native(path), kMaxArchiveBytes);
    if (!bytes)
        return std::nullopt;
    if (bytes->empty())
        return CellArchive{};
    try {
        return ReadCellArchiveContents(*bytes);
    } catch (...) {
        return std::nullopt;
    }
}

CellRef CMapStringToObPlus::ReadArchiveElement(int number, const ElementSpan& span, const QString& path) const {
    const auto bytes =
        platform::ReadArchiveFileRange(Native(ArchiveFilePath(m_strCacheFolder, number)), span.offset, span.length);
    if (!bytes)
        return nullptr;
    try {
        return ReadCellElement(*bytes, span, path);
    } catch (...) {
        return nullptr;
    }
}

bool CMapStringToObPlus::WriteFolder(const Collection& collection) {
    // What is to be written, under the lock: the archive, what it holds, and
    // the records of the cells it does not hold yet, each taken with its
    // revision at once.
    int number = 0;
    std::optional<SavedArchive> saved;
    std::vector<std::pair<QString, Entry>> unsaved;
    {
        std::lock_guard lock(g_csThumbCache);
        number = ArchiveNumberFor(collection.folder);
        const auto known = m_saved.find(collection.folder);
        if (known != m_saved.end())
            saved = known->second;
        for (const auto& [key, entry] : collection.entries)
            if (entry.savedRevision != entry.cell->RecordRevision())
                unsaved.emplace_back(key, entry);
    }
    if (unsaved.empty())
        return true;
    const auto recordsOf = [](const std::vector<std::pair<QString, Entry>>& entries,
                              std::vector<std::uint64_t>& revisions) {
        std::vector<CellElement> elements;
        elements.reserve(entries.size());
        for (const auto& [key, entry] : entries) {
            std::lock_guard lock(g_csThumbCache);
            revisions.push_back(entry.cell->RecordRevision());
            elements.push_back(CellElement{key, CellRecordBytes(*entry.cell)});
        }
        return elements;
    };
    bool appendable = saved && saved->count > 0 && saved->count + unsaved.size() < 0x3FFFFFFE &&
                      CellCountBytes(saved->count).size() == CellCountBytes(saved->count + unsaved.size()).size();
    for (const auto& entry : unsaved)
        appendable = appendable && !saved->elements.contains(entry.first);

    const QString archive = ArchiveFilePath(m_strCacheFolder, number);
    SavedArchive now;
    std::vector<std::uint64_t> revisions;
    // The entries whose records went to disk, in the order of revisions.
    const std::vector<std::pair<QString, Entry>>* recorded = &unsaved;
    try {
        bool appended = false;
        if (appendable)
            appended = AppendToArchive(archive, *saved, recordsOf(unsaved, revisions), now);
        if (!appended) {
            // Written whole: every collected record, then the old archive's others.
            revisions.clear();
            recorded = &collection.entries;
            if (!WriteWholeArchive(number, collection.folder, recordsOf(collection.entries, revisions), now)) {
                std::lock_guard lock(g_csThumbCache);
                m_saved.erase(collection.folder);  // not as known any more
                return false;
            }
        }
    } catch (...) {
        return false;  // the JPEG compression of a cell failed: nothing was written
    }
    std::lock_guard lock(g_csThumbCache);
    m_saved[collection.folder] = std::move(now);
    for (std::size_t i = 0; i < recorded->size(); ++i) {
        const auto& [key, collected] = (*recorded)[i];
        const auto found = m_map.find(key);
        if (found != m_map.end() && found->second.cell == collected.cell &&
            found->second.cell->RecordRevision() == revisions[i])
            found->second.savedRevision = revisions[i];
    }
    return true;
}

bool CMapStringToObPlus::AppendToArchive(const QString& archive, const SavedArchive& saved,
                                         const std::vector<CellElement>& elements, SavedArchive& now) {
    ElementSpans spans;
    const std::vector<std::uint8_t> tail = AppendedCellElements(elements, saved.count, saved.size, spans);
    const std::vector<std::uint8_t> head = CellCountBytes(saved.count + elements.size());
    if (m_writeHook)
        m_writeHook(archive);
    const platform::AppendResult result = platform::AppendToArchiveFile(Native(archive), saved.size, tail, head);
    if (result != platform::AppendResult::appended)
        return false;
    m_bytesWritten += tail.size() + head.size();
    now = saved;
    now.elements.merge(spans);
    now.count += elements.size();
    now.size += tail.size();
    return true;
}

bool CMapStringToObPlus::WriteWholeArchive(int number, const QString& folder, std::vector<CellElement> elements,
                                           SavedArchive& now) {
    now = SavedArchive{};
    std::set<QString> taken;
    for (const CellElement& element : elements)
        taken.insert(element.path);
    // The old archive's entries of files that exist, which the new records
    // do not replace.
    if (std::optional<CellArchive> old = ReadArchive(number)) {
        for (auto& [key, cell] : old->entries)
            if (FolderViewOfPath(key) == folder && !taken.contains(key) && PathExists(key)) {
                taken.insert(key);
                elements.push_back(CellElement{key, CellRecordBytes(*cell)});
            }
    }
    const QString archive = ArchiveFilePath(m_strCacheFolder, number);
    const std::vector<std::uint8_t> bytes = WriteCellElements(elements, now.elements);
    if (m_writeHook)
        m_writeHook(archive);
    m_bytesWritten += bytes.size();
    if (!platform::WriteArchiveFile(Native(archive), bytes))
        return false;
    now.count = elements.size();
    now.size = bytes.size();
    return true;
}

bool CMapStringToObPlus::LoadOrSave(const QString& legacyPath, bool save) {
    std::unique_lock files(m_csFiles, std::defer_lock);
    if (save)
        files.lock();
    std::lock_guard lock(g_csThumbCache);
    try {
        return save ? Save() : Load(legacyPath);
    } catch (...) {
        return false;
    }
}

bool CMapStringToObPlus::Load(const QString& legacyPath) {
    if (!HasFolder())
        return false;
    m_saved.clear();  // another run may have written the archives since
    if (PathExists(m_strCacheFolder)) {
        const QString index = m_strCacheFolder + QStringLiteral("/QVIMGBRWS.IND");
        if (platform::RefuseSpecialFile(index, "thumbnail cache"))
            return false;
        const auto bytes = platform::ReadArchiveFile(Native(index), kMaxIndexBytes);
        if (!bytes)
            return false;
        try {
            for (const auto& [folder, number] : ReadCacheIndex(*bytes, m_strCacheFolder))
                m_mapArchives[folder] = number;
        } catch (const platform::ArchiveException&) {
            return false;
        }
        return true;
    }
    // No cache folder: the cells of the legacy single file come into memory.
    bool read = false;
    if (!legacyPath.isEmpty()) {
        if (const auto bytes = platform::ReadArchiveFile(Native(legacyPath), kMaxArchiveBytes)) {
            try {
                for (auto& [key, cell] : ReadCellArchive(*bytes))
                    if (!m_map.contains(key))
                        Store(key, Entry{std::move(cell), kUnsaved});
                read = true;
            } catch (const platform::ArchiveException&) {
            }
        }
    }
    const bool created = EnsurePrivateFolder(m_strCacheFolder);
    return read && created;
}

bool CMapStringToObPlus::Save() {
    if (!HasFolder() || !EnsurePrivateFolder(m_strCacheFolder))
        return false;
    std::map<QString, Collection> groups;
    for (const auto& [key, entry] : m_map)
        if (PathExists(key)) {
            Collection& group = groups[FolderOfPath(key)];
            group.folder = FolderOfPath(key);
            group.entries.emplace_back(key, entry);
        }

    bool allWritten = true;
    for (const auto& [folder, group] : groups)
        allWritten = WriteFolder(group) && allWritten;

    // The index keeps the folders that still exist; the archives of the
    // others are deleted.
    ArchiveNumbers index;
    for (const auto& [folder, number] : m_mapArchives) {
        if (PathExists(FolderPath(folder))) {
            index[folder] = number;
        } else {
            platform::DeleteArchiveFile(Native(ArchiveFilePath(m_strCacheFolder, number)));
            m_saved.erase(folder);
        }
    }
    const std::vector<std::uint8_t> indexBytes = WriteCacheIndex(index, m_strCacheFolder);
    m_bytesWritten += indexBytes.size();
    const bool indexWritten =
        platform::WriteArchiveFile(Native(m_strCacheFolder + QStringLiteral("/QVIMGBRWS.IND")), indexBytes);
    return allWritten && indexWritten;
}

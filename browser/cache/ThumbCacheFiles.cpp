// CMapStringToObPlus: its folder, its archive files, the load and the save.
#include <QDebug>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "browser/cache/ThumbCache.h"
#include "browser/cells/ThumbCacheLock.h"
#include "platform/archive/ArchiveException.h"
#include "platform/archive/ArchiveFile.h"
#include "platform/files/RegularFile.h"
#include "platform/paths/Paths.h"

namespace {

// The largest archive and index read back; ours are far smaller.
constexpr std::uint64_t kMaxArchiveBytes = std::uint64_t{1} << 30;
constexpr std::uint64_t kMaxIndexBytes = std::uint64_t{64} << 20;

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

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
    std::lock_guard lock(g_csThumbCache);
    RemoveAll();
    m_mapArchives.clear();
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

std::optional<CellEntries> CMapStringToObPlus::ReadArchive(int number) const {
    const QString path = ArchiveFilePath(m_strCacheFolder, number);
    if (platform::RefuseSpecialFile(path, "thumbnail cache"))
        return std::nullopt;
    const auto bytes = platform::ReadArchiveFile(Native(path), kMaxArchiveBytes);
    if (!bytes)
        return std::nullopt;
    if (bytes->empty())
        return CellEntries{};
    try {
        return ReadCellArchive(*bytes);
    } catch (...) {
        return std::nullopt;
    }
}

bool CMapStringToObPlus::WriteArchive(int number, const CellEntries& entries) const {
    try {
        const QString path = ArchiveFilePath(m_strCacheFolder, number);
        const std::vector<std::uint8_t> bytes = WriteCellArchive(entries);
        if (m_writeHook)
            m_writeHook(path);
        m_bytesWritten += bytes.size();
        return platform::WriteArchiveFile(Native(path), bytes);
    } catch (...) {
        return false;
    }
}

CellEntries CMapStringToObPlus::WithOldArchive(int number, const QString& folder, const CellEntries& entries) const {
    CellEntries merged = entries;
    std::optional<CellEntries> old = ReadArchive(number);
    if (!old)
        return merged;
    std::set<QString> current;
    for (const auto& entry : entries)
        current.insert(entry.first);
    for (auto& entry : *old)
        if (FolderOfPath(entry.first) == folder && !current.contains(entry.first) && PathExists(entry.first))
            merged.push_back(std::move(entry));
    return merged;
}

bool CMapStringToObPlus::LoadOrSave(const QString& legacyPath, bool save) {
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
                    m_map.emplace(key, std::move(cell));
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
    std::map<QString, CellEntries> groups;
    for (const auto& [key, cell] : m_map)
        if (PathExists(key))
            groups[FolderOfPath(key)].emplace_back(key, cell);

    bool allWritten = true;
    for (auto& [folder, entries] : groups) {
        const int number = ArchiveNumberFor(folder);
        allWritten = WriteArchive(number, WithOldArchive(number, folder, entries)) && allWritten;
    }

    // The index keeps the folders that still exist; the archives of the
    // others are deleted.
    ArchiveNumbers index;
    for (const auto& [folder, number] : m_mapArchives) {
        if (PathExists(FolderPath(folder)))
            index[folder] = number;
        else
            platform::DeleteArchiveFile(Native(ArchiveFilePath(m_strCacheFolder, number)));
    }
    const std::vector<std::uint8_t> indexBytes = WriteCacheIndex(index, m_strCacheFolder);
    m_bytesWritten += indexBytes.size();
    const bool indexWritten =
        platform::WriteArchiveFile(Native(m_strCacheFolder + QStringLiteral("/QVIMGBRWS.IND")), indexBytes);
    return allWritten && indexWritten;
}

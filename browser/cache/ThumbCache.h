#pragma once
// CMapStringToObPlus (g_ThumbCache): the process-wide map from a file's full
// path to its thumbnail cell, with its disk files.
//
// In memory the map holds cells; on disk they are kept by folder, one archive
// FLD<n>.tmp per folder in the private cache folder, with an index
// QVIMGBRWS.IND that names each folder's archive. A folder's archive is read
// back the first time a path of that folder is looked up. When the map holds
// 3000 cells or more, an insertion first writes whole other folders out until
// fewer than 2000 would remain; the last browser's end writes everything out.
//
// Files: only FLD<n>.tmp directly inside the cache folder are ever read,
// written or deleted (whatever an index names), links are never followed,
// and every archive and index is read as untrusted bytes: a damaged one is
// abandoned whole and changes nothing. Folders and paths compare exactly
// (Linux names are case-sensitive). The root folder "/" keeps its name.
//
// Ownership and threads: cells are shared (CellRef); removing an entry drops
// the map's reference only, so a cell a drawing or a builder still holds
// stays alive. Every operation takes g_csThumbCache itself; callers that
// need several operations to be one (a lookup, then a removal) hold it
// around them. No operation throws: failed writes are returned as false.

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>

#include "browser/cache/CacheArchives.h"

class CMapStringToObPlus {
public:
    static constexpr std::size_t kTrimAt = 3000;
    static constexpr std::size_t kTrimDownTo = 2000;
    static constexpr std::int64_t kPruneDays = 31;
    static constexpr std::int64_t kPruneCrowdedDays = 10;
    static constexpr std::size_t kPruneCrowdedAbove = 1800;

    CMapStringToObPlus() = default;
    CMapStringToObPlus(const CMapStringToObPlus&) = delete;
    CMapStringToObPlus& operator=(const CMapStringToObPlus&) = delete;

    // Uses `cacheFolder` (an absolute path without trailing '/'), creating it
    // with mode 0700 when missing. False, and no file is ever touched, when it
    // is not a real folder of this user.
    bool Open(const QString& cacheFolder);
    // Forgets every cell and the folder, writing nothing.
    void Close();
    QString CacheFolder() const;

    // The cell of the path; reads the folder's archive first when the path
    // is not in memory.
    bool Lookup(const QString& path, CellRef& cell);
    // The cell of the path when it is in memory; no file is read.
    bool LookupInMemory(const QString& path, CellRef& cell) const;
    // Adds a cell (replacing one stored under the path); may trim first; gives
    // the folder an archive number. False when a trim could not write an
    // archive: the cell is stored all the same and the folders that were to
    // go out stay in memory.
    bool Insert(const QString& path, CellRef cell);
    // Writes other folders out while the map is large. False on a failed write.
    bool Trim(const QString& keepFolder);

    // The load at the first browser (save clear): reads the index, or, when
    // the cache folder is missing, the legacy single file and then creates the
    // folder. The save at the last browser (save set): writes each folder's
    // archive and the index, deleting the archives of folders that are gone.
    // False when something could not be read or written.
    bool LoadOrSave(const QString& legacyPath, bool save);
    // The first browser's pruning: entries whose file is gone or that were
    // last used 31 days ago or more go; above 1800 entries, also those last
    // used more than 10 days ago. now in seconds since 1970.
    void PruneAtFirstBrowser(std::int64_t now);
    // The last browser's end: drops entries whose file is gone, saves, then
    // empties the map. False when the save failed (reported, never thrown).
    bool CloseAtLastBrowser(const QString& legacyPath);

    // The framework map's own operations.
    bool RemoveKey(const QString& path);
    void SetAt(const QString& path, CellRef cell);
    QStringList Keys() const;
    std::size_t GetCount() const;
    void RemoveAll();

    // The archive file recorded for a folder (ending with '/'), or empty.
    QString ArchiveOf(const QString& folder) const;
    QString LastMerged() const;

    // For tests and measurements: trimming starts at `at` entries and goes
    // down to fewer than `downTo` (instead of 3000 and 2000).
    void SetTrimLimits(std::size_t at, std::size_t downTo);
    // The bytes written into archives and the index so far.
    std::uint64_t BytesWritten() const { return m_bytesWritten.load(); }
    // Called on the writing thread with the archive's path right before its
    // bytes go to disk; empty: nothing is called. Set while no write runs.
    void SetArchiveWriteHook(std::function<void(const QString& archive)> hook);

private:
    bool HasFolder() const { return !m_strCacheFolder.isEmpty(); }
    int FirstFreeNumber() const;
    int ArchiveNumberFor(const QString& folder);
    // The cells of an archive, or nothing when it cannot be read or is damaged.
    std::optional<CellEntries> ReadArchive(int number) const;
    bool WriteArchive(int number, const CellEntries& entries) const;
    // The folder's entries followed by those of its archive on disk that are
    // not among them and whose files still exist (nothing of an unreadable one).
    CellEntries WithOldArchive(int number, const QString& folder, const CellEntries& entries) const;
    bool Load(const QString& legacyPath);
    bool Save();

    std::map<QString, CellRef> m_map;
    QString m_strCacheFolder;
    ArchiveNumbers m_mapArchives;
    QString m_strLastMerged;
    std::size_t m_trimAt = kTrimAt;
    std::size_t m_trimDownTo = kTrimDownTo;
    // After a failed trim, the next one waits for this many entries.
    std::size_t m_nextTrimAt = kTrimAt;
    mutable std::atomic<std::uint64_t> m_bytesWritten{0};
    std::function<void(const QString&)> m_writeHook;
};

extern CMapStringToObPlus g_ThumbCache;

// The cache folder of this program: the private cache folder followed by
// "QVIMGBRW_QZTHM"; empty when there is no private folder.
QString DefaultThumbCacheFolder();
// The legacy single cache file the first browser may import.
QString LegacyThumbCacheFile();

// Whether a file or folder exists (links followed), for the cache's sweeps.
bool PathExists(const QString& path);

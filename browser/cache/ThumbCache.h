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
// A cell of a folder that went out comes back alone, from its own element.
//
// Files: only FLD<n>.tmp directly inside the cache folder are ever read,
// written or deleted (whatever an index names), links are never followed,
// and every archive and index is read as untrusted bytes: a damaged one is
// abandoned whole and changes nothing. Folders and paths compare exactly
// (Linux names are case-sensitive). The root folder "/" keeps its name.
//
// Writing: an archive only grows by what is new. A trim collects the folders
// that go out under g_csThumbCache, writes them without it (appending the
// records of cells their archives do not hold yet, writing an archive whole
// only when one of its records changed or it is not as this process knows
// it), and then drops the entries that were saved and did not change
// meanwhile; so the bytes written grow with the thumbnails made, and a
// drawing never waits for the disk. A lookup of a path that a known archive
// does not hold reads nothing.
//
// Ownership and threads: cells are shared (CellRef); removing an entry drops
// the map's reference only, so a cell a drawing or a builder still holds
// stays alive. Every operation takes g_csThumbCache itself; callers that
// need several operations to be one (a lookup, then a removal) hold it
// around them. An insertion made while the caller holds g_csThumbCache does
// not trim (a later one does), and the save and CloseAtLastBrowser are
// called without holding it: archive writes take their own lock first. No
// operation throws: failed writes are returned as false.

#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
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

    // The cell of the path; when it is not in memory, reads the folder's
    // archive whole the first time (merging every cell), and later only the
    // path's own element of it (an archive this process wrote or read).
    bool Lookup(const QString& path, CellRef& cell);
    // The cell of the path when it is in memory; no file is read.
    bool LookupInMemory(const QString& path, CellRef& cell) const;
    // Adds a cell (replacing one stored under the path); may trim first; gives
    // the folder an archive number. False when a trim could not write an
    // archive: the cell is stored all the same and the folders that were to
    // go out stay in memory.
    bool Insert(const QString& path, CellRef cell);
    // Writes other folders out while the map is large. False on a failed
    // write. Does nothing when the caller holds g_csThumbCache.
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
    static constexpr std::uint64_t kUnsaved = ~std::uint64_t{0};
    struct Entry {
        CellRef cell;
        // The revision of the cell's record that its folder's archive holds;
        // kUnsaved when the archive holds no record of this cell.
        std::uint64_t savedRevision = kUnsaved;
    };
    // What a folder's archive holds, as this process last wrote or read it:
    // where each path's element lies, the element count and the size of its
    // elements in bytes.
    struct SavedArchive {
        ElementSpans elements;
        std::uint64_t count = 0;
        std::uint64_t size = 0;
    };
    // The entries of one folder to be written, as they were collected.
    struct Collection {
        QString folder;
        std::vector<std::pair<QString, Entry>> entries;
    };

    bool HasFolder() const { return !m_strCacheFolder.isEmpty(); }
    int FirstFreeNumber() const;
    int ArchiveNumberFor(const QString& folder);
    // The archive as read, or nothing when it cannot be read or is damaged.
    std::optional<CellArchive> ReadArchive(int number) const;
    // The cell of one element of an archive, read on its own; null when it
    // cannot be read.
    CellRef ReadArchiveElement(int number, const ElementSpan& span, const QString& path) const;
    // Brings a folder's archive onto disk holding the collected entries:
    // nothing when it holds them all, their new records appended when it
    // holds none of their paths, else the archive written whole (the old
    // one's other entries of files that exist kept). Marks the entries whose
    // records it wrote as saved. Runs under m_csFiles; takes g_csThumbCache
    // only for short steps, so a drawing never waits for the disk.
    bool WriteFolder(const Collection& collection);
    bool AppendToArchive(const QString& archive, const SavedArchive& saved, const std::vector<CellElement>& elements,
                         SavedArchive& now);
    bool WriteWholeArchive(int number, const QString& folder, std::vector<CellElement> elements, SavedArchive& now);
    // Drops the collected entries that are still the same cells and saved.
    void DropSaved(const Collection& collection);
    void Store(const QString& path, Entry entry);
    std::map<QString, Entry>::iterator Erase(std::map<QString, Entry>::iterator entry);
    bool Load(const QString& legacyPath);
    bool Save();

    std::map<QString, Entry> m_map;
    // Entries in memory per folder, so that a trim sees at once whether any
    // other folder could go out.
    std::map<QString, std::size_t, std::less<>> m_folderCounts;
    QString m_strCacheFolder;
    ArchiveNumbers m_mapArchives;
    std::map<QString, SavedArchive> m_saved;
    QString m_strLastMerged;
    // Held across every archive write (and the save): one writer at a time.
    // Taken before g_csThumbCache, never while holding it.
    std::recursive_mutex m_csFiles;
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

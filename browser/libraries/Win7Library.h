#pragma once
// CWin7Library: the process-wide library service. It recognises the
// Libraries folder and library items of the shell namespace, describes a
// library's folders, deletes and renames libraries, removes a folder from a
// library, follows renamed folders, and watches the libraries folder so that
// its listeners learn of every change.
//
// Libraries are files "<name>.library-ms" in $XDG_DATA_HOME/ORVEK/Libraries
// (platform/shellns/ShellLibrary.h). When that folder does not exist yet it
// is made with a Pictures library of the XDG pictures folder.

#include "browser/libraries/LibUpdate.h"
#include "platform/shellns/IdList.h"
#include "platform/shellns/ShellNamespace.h"
#include "platform/watch/FolderWatch.h"

#include <QString>
#include <QStringList>

#include <mutex>
#include <thread>
#include <vector>

// The version code of the system the program runs on, as the start-up
// derives it: shell libraries need 12 or more, and here they always exist.
inline constexpr int kWindowsVersionCode = 12;

class CWin7Library {
public:
    // Determines (and on first use seeds) the libraries folder and starts the
    // watcher.
    CWin7Library();
    // Stops the watcher and waits for it.
    virtual ~CWin7Library();
    CWin7Library(const CWin7Library&) = delete;
    CWin7Library& operator=(const CWin7Library&) = delete;

    // Listeners: added, removed and called under one mutex, so a listener
    // that RemoveListener has returned for is never called again.
    void AddListener(ILibUpdate* listener);
    // Removes every entry of `listener`.
    void RemoveListener(ILibUpdate* listener);
    void NotifyListeners();

    const QString& LibrariesFolder() const { return librariesFolder_; }
    // The watcher thread runs (it ends when the folder cannot be watched).
    bool IsWatching() const;

    bool IsLibrariesFolder(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& id) const;
    bool IsLibraryItem(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& id) const;
    static bool IsLibraryPath(const QString& text);
    // The libraries folder holds at least one library file.
    bool HasLibraries() const;

    // The number of the library's folders; 0 for anything that is no library.
    int GetFolderCount(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& id,
                       const platform::shellns::IdList& absolute) const;
    // The library description "name;icon;folder;folder...": empty for what is
    // no readable library and for a library whose name holds ';'. Folders
    // whose path holds ';' are left out.
    QString GetLocationText(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& id,
                            const platform::shellns::IdList& absolute) const;
    // The parts of every library's description, library by library.
    void EnumerateFolders(QStringList& out) const;
    // A description split at ';' (a part must have a character; once the rest
    // starts with ';' or holds none, the whole rest is the last part).
    static QStringList SplitLocationText(const QString& text);

    // Deletes the library's file: for good when silent, else to the trash
    // after the user's confirmation.
    bool DeleteLibrary(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& id, bool silent);
    // Saves the library under `newName` (a taken name gets "name (n)") and
    // deletes the old file. A name that is no valid file name or holds ';'
    // is refused. True once the new file is written.
    bool RenameLibrary(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& id,
                       const QString& newName);
    // Removes the folder from the library's list; the folder stays on disk.
    bool RemoveFolder(const platform::shellns::ShellFolder& libraryFolder, const platform::shellns::IdList& libraryId,
                      const platform::shellns::ShellFolder& folderFolder, const platform::shellns::IdList& folderId);
    // A folder was renamed or moved from `oldPath` to `newPath`: every library
    // that lists it, or a folder inside it, lists the new place. The number of
    // library files changed.
    int ResolveRenamedFolder(const QString& oldPath, const QString& newPath);

private:
    void WatcherThreadProc();
    QString LibraryFileOf(const platform::shellns::ShellFolder& folder, const platform::shellns::IdList& id) const;

    QString librariesFolder_;

    std::mutex listenersMutex_;
    std::vector<ILibUpdate*> listeners_;

    std::mutex quitMutex_;
    bool quit_ = false;
    platform::FolderWatch watch_;
    bool watching_ = false;  // set before the thread starts, then read only
    std::thread watcher_;
};

// The process-wide service.
void CreateWin7Library();
CWin7Library* GetWin7Library();
void DeleteWin7Library();

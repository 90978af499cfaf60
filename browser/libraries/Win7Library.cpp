#include "browser/libraries/Win7Library.h"

#include "imagefiles/ShellFileOps.h"
#include "platform/paths/Paths.h"
#include "platform/shellfiles/ShellFiles.h"
#include "platform/shellns/MountTable.h"
#include "platform/shellns/ShellIcons.h"
#include "platform/shellns/ShellLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>

using platform::shellns::IdList;
using platform::shellns::NameForm;
using platform::shellns::ShellFolder;

namespace {

std::unique_ptr<CWin7Library>& Instance() {
    static std::unique_ptr<CWin7Library> instance;
    return instance;
}

// Makes the libraries folder with a Pictures library the first time.
void SeedLibrariesFolder(const QString& folder) {
    if (QFileInfo::exists(folder) || !QDir().mkpath(folder))
        return;
    QString pictures = platform::PicturesFolder();
    if (pictures.isEmpty())
        return;
    pictures = QDir::cleanPath(pictures);
    platform::shellns::CreateLibraryFile(QStringLiteral("Pictures"), {pictures});
}

}  // namespace

CWin7Library::CWin7Library() : librariesFolder_(platform::shellns::LibrariesFolder()) {
    if (librariesFolder_.isEmpty())
        return;
    SeedLibrariesFolder(librariesFolder_);
    // A folder that cannot be watched leaves the service without a watcher
    // rather than with one that spins.
    watching_ = watch_.IsValid() && watch_.Watch(librariesFolder_);
    if (watching_)
        watcher_ = std::thread([this] { WatcherThreadProc(); });
}

CWin7Library::~CWin7Library() {
    {
        std::lock_guard lock(quitMutex_);
        quit_ = true;
    }
    watch_.Wake();
    if (watcher_.joinable())
        watcher_.join();
}

void CWin7Library::WatcherThreadProc() {
    try {
        for (;;) {
            const platform::FolderWatch::WaitResult result = watch_.Wait(-1);
            {
                std::lock_guard lock(quitMutex_);
                if (quit_)
                    return;
            }
            if (result.failed)
                return;
            if (result.changed)
                NotifyListeners();
        }
    } catch (...) {
        // Nothing may leave the thread: the watcher just ends.
    }
}

bool CWin7Library::IsWatching() const { return watching_; }

void CWin7Library::AddListener(ILibUpdate* listener) {
    std::lock_guard lock(listenersMutex_);
    listeners_.push_back(listener);
}

void CWin7Library::RemoveListener(ILibUpdate* listener) {
    std::lock_guard lock(listenersMutex_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void CWin7Library::NotifyListeners() {
    std::lock_guard lock(listenersMutex_);
    for (ILibUpdate* listener : listeners_)
        listener->OnLibrariesChanged();
}

bool CWin7Library::IsLibrariesFolder(const ShellFolder& folder, const IdList& id) const {
    const std::optional<QString> name = folder.GetDisplayNameOf(id, NameForm::ForParsing);
    return name &&
           name->compare(QString::fromUtf16(platform::shellns::kLibrariesParsingName), Qt::CaseInsensitive) == 0;
}

bool CWin7Library::IsLibraryItem(const ShellFolder& folder, const IdList& id) const {
    const std::optional<QString> name = folder.GetDisplayNameOf(id, NameForm::ForParsing);
    return name && IsLibraryPath(*name);
}

bool CWin7Library::IsLibraryPath(const QString& text) { return platform::shellns::IsLibraryFileName(text); }

bool CWin7Library::HasLibraries() const { return !platform::shellns::LibraryNames().isEmpty(); }

QString CWin7Library::LibraryFileOf(const ShellFolder& folder, const IdList& id) const {
    if (kWindowsVersionCode < 12 || !IsLibraryItem(folder, id))
        return {};
    return folder.GetDisplayNameOf(id, NameForm::ForParsing).value_or(QString());
}

int CWin7Library::GetFolderCount(const ShellFolder& folder, const IdList& id, const IdList& /*absolute*/) const {
    const QString file = LibraryFileOf(folder, id);
    if (file.isEmpty())
        return 0;
    const std::optional<QStringList> folders = platform::shellns::LoadLibraryFile(file);
    return folders ? static_cast<int>(folders->size()) : 0;
}

QString CWin7Library::GetLocationText(const ShellFolder& folder, const IdList& id, const IdList& absolute) const {
    const QString file = LibraryFileOf(folder, id);
    if (file.isEmpty())
        return {};
    const int icon = std::max(0, platform::shellns::IconIndexOf(absolute, false));
    const std::optional<QStringList> folders = platform::shellns::LoadLibraryFile(file);
    const std::optional<QString> name = folder.GetDisplayNameOf(id, NameForm::Normal);
    // The description is joined with ';': a name holding one could not be
    // read back.
    if (!folders || !name || name->contains(u';'))
        return {};
    QString text = *name + u';' + QString::number(icon);
    for (const QString& path : *folders) {
        if (!path.isEmpty() && !path.contains(u';'))
            text += u';' + path;
    }
    return text;
}

QStringList CWin7Library::SplitLocationText(const QString& text) {
    QStringList parts;
    QString rest = text;
    for (;;) {
        const qsizetype semicolon = rest.indexOf(u';');
        if (semicolon <= 0) {
            if (!rest.isEmpty())
                parts.append(rest);
            return parts;
        }
        parts.append(rest.left(semicolon));
        rest = rest.mid(semicolon + 1);
    }
}

void CWin7Library::EnumerateFolders(QStringList& out) const {
    const ShellFolder desktop;
    const auto children = desktop.EnumObjects();
    if (!children)
        return;
    for (const IdList& child : *children) {
        if (!IsLibrariesFolder(desktop, child))
            continue;
        const ShellFolder libraries(desktop.AbsoluteId().Combined(child));
        const auto libraryIds = libraries.EnumObjects();
        if (!libraryIds)
            continue;
        for (const IdList& library : *libraryIds)
            out += SplitLocationText(GetLocationText(libraries, library, libraries.AbsoluteId().Combined(library)));
    }
}

bool CWin7Library::DeleteLibrary(const ShellFolder& folder, const IdList& id, bool silent) {
    const QString file = LibraryFileOf(folder, id);
    if (file.isEmpty())
        return false;
    if (silent)
        return QFile::remove(file);
    return ShellFileOperation(FO_DELETE, {file}, QString(), true);
}

bool CWin7Library::RenameLibrary(const ShellFolder& folder, const IdList& id, const QString& newName) {
    const QString file = LibraryFileOf(folder, id);
    if (file.isEmpty() || !platform::IsValidFileName(newName) || newName.contains(u';'))
        return false;
    const std::optional<QStringList> folders = platform::shellns::LoadLibraryFile(file);
    if (!folders)
        return false;
    if (platform::shellns::CreateLibraryFile(newName, *folders).isEmpty())
        return false;
    QFile::remove(file);
    return true;
}

bool CWin7Library::RemoveFolder(const ShellFolder& libraryFolder, const IdList& libraryId,
                                const ShellFolder& folderFolder, const IdList& folderId) {
    const QString file = LibraryFileOf(libraryFolder, libraryId);
    const QString path = platform::shellns::PathFromIdList(folderFolder.AbsoluteId().Combined(folderId));
    if (file.isEmpty() || path.isEmpty())
        return false;
    std::optional<QStringList> folders = platform::shellns::LoadLibraryFile(file);
    if (!folders || folders->removeAll(path) == 0)
        return false;
    return platform::shellns::SaveLibraryFile(file, *folders);
}

int CWin7Library::ResolveRenamedFolder(const QString& oldPath, const QString& newPath) {
    int changed = 0;
    for (const QString& name : platform::shellns::LibraryNames()) {
        const QString file = platform::shellns::LibraryFilePath(name);
        std::optional<QStringList> folders = platform::shellns::LoadLibraryFile(file);
        if (!folders)
            continue;
        bool touched = false;
        for (QString& folder : *folders) {
            if (platform::shellns::IsPathAtOrBelow(folder, oldPath)) {
                folder = newPath + folder.mid(oldPath.size());
                touched = true;
            }
        }
        if (touched && platform::shellns::SaveLibraryFile(file, *folders))
            ++changed;
    }
    return changed;
}

void CreateWin7Library() {
    if (!Instance())
        Instance() = std::make_unique<CWin7Library>();
}

CWin7Library* GetWin7Library() { return Instance().get(); }

void DeleteWin7Library() { Instance().reset(); }

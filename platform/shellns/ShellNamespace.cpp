#include "platform/shellns/ShellNamespace.h"
#include "platform/files/LocalFileName.h"

#include "platform/shellfiles/ShellFiles.h"
#include "platform/shellns/MountTable.h"
#include "platform/shellns/ShellLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace platform::shellns {

namespace {

// Enough entries to find a sub-folder in any ordinary folder; a folder with
// more entries before its first sub-folder is taken to have one.
constexpr int kMaxEntriesForSubfolderLook = 4096;

QString JoinPath(const QString& folder, const QString& name) {
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

bool IsDirectory(const QByteArray& path) {
    struct stat st {};
    return stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EntryIsDirectory(const QByteArray& folder, const dirent* entry) {
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    return IsDirectory(folder + '/' + entry->d_name);
}

// Walks the visible sub-folders of `path`, calling `take` with each name
// until it answers false. False when the folder cannot be opened.
template <typename Take>
bool ForEachSubfolder(const QString& path, int maxEntries, Take take) {
    const QByteArray folder = platform::LocalFileName(path);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.constData()), closedir);
    if (!dir)
        return false;
    int seen = 0;
    while (const dirent* entry = readdir(dir.get())) {
        if (++seen > maxEntries)
            break;
        if (entry->d_name[0] == '.')
            continue;  // ".", ".." and hidden folders
        if (!EntryIsDirectory(folder, entry))
            continue;
        // Carried whole, also when it is not UTF-8.
        const QString name = platform::FileNameFromLocal(entry->d_name);
        if (!take(name))
            break;
    }
    return true;
}

std::optional<std::vector<IdList>> ListSubfolders(const QString& path) {
    std::vector<IdList> children;
    const bool opened = ForEachSubfolder(path, INT32_MAX, [&](const QString& name) {
        children.push_back(IdList::One(ItemKind::Folder, name));
        return true;
    });
    if (!opened)
        return std::nullopt;
    return children;
}

bool HasVisibleSubfolder(const QString& path) {
    bool found = false;
    ForEachSubfolder(path, kMaxEntriesForSubfolderLook, [&](const QString&) {
        found = true;
        return false;
    });
    return found;
}

std::optional<MountEntry> FindMount(const std::vector<MountEntry>& mounts, const QString& mountPoint) {
    for (const MountEntry& mount : mounts) {
        if (mount.mountPoint == mountPoint)
            return mount;
    }
    return std::nullopt;
}

bool HasFileSystemPath(const ResolvedItem& item) { return !item.path.isEmpty(); }

std::optional<ResolvedItem> ResolveChild(const ResolvedItem& parent, const IdRecord& record) {
    const std::optional<ItemKind> parentKind = parent.kind;
    const bool underDesktop = !parentKind.has_value();
    const auto under = [&](ItemKind kind) { return parentKind == kind; };
    switch (record.kind) {
    case ItemKind::Libraries:
    case ItemKind::Computer:
    case ItemKind::Network:
        if (!underDesktop || !record.name.isEmpty())
            return std::nullopt;
        return ResolvedItem{record.kind, {}};
    case ItemKind::Home:
        if (!underDesktop || !record.name.isEmpty())
            return std::nullopt;
        return ResolvedItem{record.kind, QDir::homePath()};
    case ItemKind::Library:
        if (!under(ItemKind::Libraries) || !platform::IsValidFileName(record.name))
            return std::nullopt;
        return ResolvedItem{record.kind, {}};
    case ItemKind::Volume:
    case ItemKind::NetworkMount:
    case ItemKind::LibraryFolder: {
        const ItemKind expected = record.kind == ItemKind::Volume         ? ItemKind::Computer
                                  : record.kind == ItemKind::NetworkMount ? ItemKind::Network
                                                                          : ItemKind::Library;
        if (!under(expected) || !IsCleanAbsolutePath(record.name))
            return std::nullopt;
        return ResolvedItem{record.kind, record.name};
    }
    case ItemKind::Folder:
        if (!HasFileSystemPath(parent) || !platform::IsValidFileName(record.name))
            return std::nullopt;
        return ResolvedItem{record.kind, JoinPath(parent.path, record.name)};
    }
    return std::nullopt;
}

// Whether the item still exists; network items are taken to exist, so that
// no check waits on the network.
bool ItemExists(const ResolvedItem& item, const IdList& absolute) {
    const IdRecord* record = absolute.IsDesktop() ? nullptr : &absolute.Last();
    if (!item.kind)
        return true;
    switch (*item.kind) {
    case ItemKind::Libraries:
    case ItemKind::Home:
    case ItemKind::Computer:
    case ItemKind::Network:
        return true;
    case ItemKind::Library:
        return QFileInfo(LibraryFilePath(record->name)).isFile();
    case ItemKind::Volume:
        return FindMount(ComputerVolumes(), item.path).has_value();
    case ItemKind::NetworkMount:
        return FindMount(NetworkMounts(), item.path).has_value();
    case ItemKind::LibraryFolder: {
        // Still one of the library's folders?
        const IdList library = absolute.Parent();
        const std::optional<QStringList> folders = LoadLibraryFile(LibraryFilePath(library.Last().name));
        if (!folders || !folders->contains(item.path))
            return false;
        return IsOnNetworkFileSystem(item.path) || IsDirectory(platform::LocalFileName(item.path));
    }
    case ItemKind::Folder:
        return IsOnNetworkFileSystem(item.path) || IsDirectory(platform::LocalFileName(item.path));
    }
    return false;
}

bool HasSubfolders(const ResolvedItem& item, const IdRecord* record) {
    if (!item.kind)
        return true;
    switch (*item.kind) {
    case ItemKind::Libraries:
        return !LibraryNames().isEmpty();
    case ItemKind::Library: {
        const std::optional<QStringList> folders = LoadLibraryFile(LibraryFilePath(record->name));
        return folders && !folders->isEmpty();
    }
    case ItemKind::Computer:
        return !ComputerVolumes().empty();
    case ItemKind::Network:
        return !NetworkMounts().empty();
    case ItemKind::Home:
    case ItemKind::Volume:
    case ItemKind::NetworkMount:
    case ItemKind::LibraryFolder:
    case ItemKind::Folder:
        // A network folder is taken to have sub-folders rather than read.
        return IsOnNetworkFileSystem(item.path) || HasVisibleSubfolder(item.path);
    }
    return false;
}

std::uint32_t StaticAttributes(const ResolvedItem& item) {
    std::uint32_t attributes = Attr::Folder;
    if (HasFileSystemPath(item))
        attributes |= Attr::FileSystem;
    if (!item.kind)
        return attributes;
    switch (*item.kind) {
    case ItemKind::Volume:
        attributes |= Attr::Storage;
        if (const std::optional<MountEntry> mount = FindMount(ComputerVolumes(), item.path);
            mount && IsRemovableMount(*mount))
            attributes |= Attr::Removable;
        break;
    case ItemKind::NetworkMount:
        attributes |= Attr::Storage;
        break;
    case ItemKind::Library:
        attributes |= Attr::CanRename | Attr::CanDelete;
        break;
    case ItemKind::LibraryFolder:
    case ItemKind::Folder:
        if (item.path != u'/')
            attributes |= Attr::CanRename | Attr::CanDelete;
        break;
    case ItemKind::Libraries:
    case ItemKind::Home:
    case ItemKind::Computer:
    case ItemKind::Network:
        break;
    }
    return attributes;
}

QString MountDisplayName(const std::vector<MountEntry>& mounts, const QString& mountPoint) {
    const std::optional<MountEntry> mount = FindMount(mounts, mountPoint);
    return mount ? VolumeDisplayName(*mount, mounts) : mountPoint;
}

QString NormalName(const ResolvedItem& item, const IdRecord* record) {
    if (!item.kind)
        return QStringLiteral("Desktop");
    switch (*item.kind) {
    case ItemKind::Libraries:
        return QStringLiteral("Libraries");
    case ItemKind::Home:
        return QStringLiteral("Home");
    case ItemKind::Computer:
        return QStringLiteral("Computer");
    case ItemKind::Network:
        return QStringLiteral("Network");
    case ItemKind::Library:
        return record->name;
    case ItemKind::Folder:
        // A folder name that is not UTF-8 shows its other bytes as escapes,
        // as the thumbnails' captions do.
        return DisplayFileName(record->name);
    case ItemKind::Volume:
        return MountDisplayName(ComputerVolumes(), item.path);
    case ItemKind::NetworkMount:
        return MountDisplayName(NetworkMounts(), item.path);
    case ItemKind::LibraryFolder:
        return DisplayFileName(item.path == u'/' ? item.path : item.path.section(u'/', -1));
    }
    return {};
}

QString ParsingName(const ResolvedItem& item, const IdRecord* record) {
    if (!item.kind)
        return item.path;
    switch (*item.kind) {
    case ItemKind::Libraries:
        return QString::fromUtf16(kLibrariesParsingName);
    case ItemKind::Computer:
        return QString::fromUtf16(kComputerParsingName);
    case ItemKind::Network:
        return QString::fromUtf16(kNetworkParsingName);
    case ItemKind::Library:
        return LibraryFilePath(record->name);
    case ItemKind::Home:
    case ItemKind::Volume:
    case ItemKind::NetworkMount:
    case ItemKind::LibraryFolder:
    case ItemKind::Folder:
        return item.path;
    }
    return {};
}

int KindRank(ItemKind kind) {
    switch (kind) {
    case ItemKind::Libraries:
        return 0;
    case ItemKind::Home:
        return 1;
    case ItemKind::Computer:
        return 2;
    case ItemKind::Network:
        return 3;
    default:
        return 4;
    }
}

// Runs of digits compare by their value, everything else case-blind; names
// equal that way are ordered by their exact text.
int CompareNames(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype iEnd = i, jEnd = j;
            while (iEnd < a.size() && a[iEnd].isDigit())
                ++iEnd;
            while (jEnd < b.size() && b[jEnd].isDigit())
                ++jEnd;
            // Leading zeros do not change the value.
            qsizetype iStart = i, jStart = j;
            while (iStart + 1 < iEnd && a[iStart].digitValue() == 0)
                ++iStart;
            while (jStart + 1 < jEnd && b[jStart].digitValue() == 0)
                ++jStart;
            if (iEnd - iStart != jEnd - jStart)
                return (iEnd - iStart) < (jEnd - jStart) ? -1 : 1;
            for (qsizetype k = 0; k < iEnd - iStart; ++k) {
                const int d = a[iStart + k].digitValue() - b[jStart + k].digitValue();
                if (d != 0)
                    return d;
            }
            i = iEnd;
            j = jEnd;
            continue;
        }
        const int order = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), Qt::CaseInsensitive);
        if (order != 0)
            return order;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return QString::compare(a, b, Qt::CaseSensitive);
}

}  // namespace

std::optional<ResolvedItem> ResolveIdList(const IdList& absolute) {
    ResolvedItem item{std::nullopt, DesktopFolderPath()};
    for (const IdRecord& record : absolute.Records()) {
        std::optional<ResolvedItem> child = ResolveChild(item, record);
        if (!child)
            return std::nullopt;
        item = std::move(*child);
    }
    return item;
}

std::optional<std::vector<IdList>> ShellFolder::EnumObjects() const {
    const std::optional<ResolvedItem> item = ResolveIdList(absolute_);
    if (!item)
        return std::nullopt;
    if (!item->kind) {
        std::vector<IdList> children = {LibrariesIdList(), HomeIdList(), ComputerIdList(), NetworkIdList()};
        if (std::optional<std::vector<IdList>> folders = ListSubfolders(item->path))
            children.insert(children.end(), folders->begin(), folders->end());
        return children;
    }
    std::vector<IdList> children;
    switch (*item->kind) {
    case ItemKind::Libraries:
        for (const QString& name : LibraryNames())
            children.push_back(IdList::One(ItemKind::Library, name));
        return children;
    case ItemKind::Library: {
        const std::optional<QStringList> folders = LoadLibraryFile(LibraryFilePath(absolute_.Last().name));
        if (!folders)
            return std::nullopt;
        for (const QString& folder : *folders)
            children.push_back(IdList::One(ItemKind::LibraryFolder, folder));
        return children;
    }
    case ItemKind::Computer:
        for (const MountEntry& volume : ComputerVolumes())
            children.push_back(IdList::One(ItemKind::Volume, volume.mountPoint));
        return children;
    case ItemKind::Network:
        for (const MountEntry& mount : NetworkMounts())
            children.push_back(IdList::One(ItemKind::NetworkMount, mount.mountPoint));
        return children;
    case ItemKind::Home:
    case ItemKind::Volume:
    case ItemKind::NetworkMount:
    case ItemKind::LibraryFolder:
    case ItemKind::Folder:
        return ListSubfolders(item->path);
    }
    return std::nullopt;
}

std::optional<ShellFolder> ShellFolder::BindToObject(const IdList& relative) const {
    IdList child = absolute_.Combined(relative);
    if (!ResolveIdList(child))
        return std::nullopt;
    return ShellFolder(std::move(child));
}

std::optional<std::uint32_t> ShellFolder::GetAttributesOf(const IdList& relative, std::uint32_t mask) const {
    const IdList child = absolute_.Combined(relative);
    const std::optional<ResolvedItem> item = ResolveIdList(child);
    if (!item)
        return std::nullopt;
    const IdRecord* record = child.IsDesktop() ? nullptr : &child.Last();
    if ((mask & Attr::Validate) && !ItemExists(*item, child))
        return std::nullopt;
    std::uint32_t attributes = StaticAttributes(*item);
    if ((mask & Attr::HasSubfolder) && HasSubfolders(*item, record))
        attributes |= Attr::HasSubfolder;
    return attributes & mask & ~Attr::Validate;
}

std::optional<QString> ShellFolder::GetDisplayNameOf(const IdList& relative, NameForm form) const {
    const IdList child = absolute_.Combined(relative);
    const std::optional<ResolvedItem> item = ResolveIdList(child);
    if (!item)
        return std::nullopt;
    const IdRecord* record = child.IsDesktop() ? nullptr : &child.Last();
    return form == NameForm::Normal ? NormalName(*item, record) : ParsingName(*item, record);
}

int ShellFolder::CompareIDs(const IdList& a, const IdList& b) const {
    if (a.IsDesktop() || b.IsDesktop())
        return int(b.IsDesktop()) - int(a.IsDesktop());
    const IdRecord& x = a.Last();
    const IdRecord& y = b.Last();
    if (KindRank(x.kind) != KindRank(y.kind))
        return KindRank(x.kind) - KindRank(y.kind);
    int order = 0;
    if ((x.kind == ItemKind::Volume || x.kind == ItemKind::NetworkMount) && x.kind == y.kind)
        order = QString::compare(x.name, y.name, Qt::CaseSensitive);
    else
        order = CompareNames(x.name, y.name);
    if (order != 0)
        return order;
    return int(x.kind) - int(y.kind);
}

bool ShellFolder::SetNameOf(const IdList& relative, const QString& newName) const {
    const IdList child = absolute_.Combined(relative);
    const std::optional<ResolvedItem> item = ResolveIdList(child);
    if (!item || !(StaticAttributes(*item) & Attr::CanRename) || item->path.isEmpty())
        return false;
    const QString folder = item->path.section(u'/', 0, -2);
    const QString target = JoinPath(folder.isEmpty() ? QStringLiteral("/") : folder, newName);
    return platform::RenameNoReplace(item->path, target) == platform::RenameStatus::Renamed;
}

QString PathFromIdList(const IdList& absolute) {
    const std::optional<ResolvedItem> item = ResolveIdList(absolute);
    return item ? item->path : QString();
}

std::optional<IdList> IdListFromPath(const QString& path) {
    if (!path.startsWith(u'/'))
        return std::nullopt;
    const QString clean = QDir::cleanPath(path);
    std::optional<MountEntry> best;
    bool network = false;
    const auto consider = [&](const std::vector<MountEntry>& mounts, bool isNetwork) {
        for (const MountEntry& mount : mounts) {
            if (IsPathAtOrBelow(clean, mount.mountPoint) &&
                (!best || mount.mountPoint.size() > best->mountPoint.size())) {
                best = mount;
                network = isNetwork;
            }
        }
    };
    consider(ComputerVolumes(), false);
    consider(NetworkMounts(), true);
    if (!best)
        return std::nullopt;
    std::vector<IdRecord> records = {
        {network ? ItemKind::Network : ItemKind::Computer, {}},
        {network ? ItemKind::NetworkMount : ItemKind::Volume, best->mountPoint},
    };
    const QString rest = clean.mid(best->mountPoint.size());
    for (const QString& part : rest.split(u'/', Qt::SkipEmptyParts))
        records.push_back({ItemKind::Folder, part});
    return IdList(std::move(records));
}

QString ParsingNameOf(const IdList& absolute) {
    if (absolute.IsDesktop())
        return DesktopFolderPath();
    return ShellFolder(absolute.Parent())
        .GetDisplayNameOf(absolute.LastOnly(), NameForm::ForParsing)
        .value_or(QString());
}

IdList LibrariesIdList() { return IdList::One(ItemKind::Libraries); }
IdList HomeIdList() { return IdList::One(ItemKind::Home); }
IdList ComputerIdList() { return IdList::One(ItemKind::Computer); }
IdList NetworkIdList() { return IdList::One(ItemKind::Network); }

QString DesktopFolderPath() {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop.isEmpty() ? QDir::homePath() : QDir::cleanPath(desktop);
}

}  // namespace platform::shellns

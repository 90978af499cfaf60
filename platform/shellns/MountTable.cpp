#include "platform/shellns/MountTable.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>

#include <algorithm>
#include <mutex>
#include <utility>

namespace platform::shellns {

namespace {

bool IsOctal(char ch) { return ch >= '0' && ch <= '7'; }

QString DecodeOctalEscapes(const QByteArray& field) {
    QByteArray decoded;
    decoded.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) && IsOctal(field[i + 2]) &&
            IsOctal(field[i + 3])) {
            decoded.append(
                static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        decoded.append(field[i]);
    }
    return QString::fromUtf8(decoded);
}

QString WithoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

std::vector<MountEntry> SystemMountTable() {
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseMountInfo(file.readAll());
}

std::mutex& SourceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<std::vector<MountEntry>()>& Source() {
    static std::function<std::vector<MountEntry>()> source;
    return source;
}

bool IsSystemArea(const QString& mountPoint) {
    static const QStringList areas = {QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"),
                                      QStringLiteral("/snap")};
    for (const QString& area : areas) {
        if (IsPathAtOrBelow(mountPoint, area))
            return true;
    }
    return IsPathAtOrBelow(mountPoint, QStringLiteral("/run")) &&
           !IsPathAtOrBelow(mountPoint, QStringLiteral("/run/media"));
}

bool IsShownLocalVolume(const MountEntry& mount) {
    if (mount.mountPoint == u'/')
        return true;
    if (IsNetworkFileSystemType(mount.fsType) || IsSystemArea(mount.mountPoint))
        return false;
    if (mount.root != u'/' || mount.fsType == QStringLiteral("squashfs"))
        return false;
    return mount.source.startsWith(QStringLiteral("/dev/")) || mount.fsType == QStringLiteral("zfs");
}

std::vector<MountEntry> SortedUnique(std::vector<MountEntry> mounts) {
    std::stable_sort(mounts.begin(), mounts.end(),
                     [](const MountEntry& a, const MountEntry& b) { return a.mountPoint < b.mountPoint; });
    // A mount point mounted over again shows its last mount only.
    std::vector<MountEntry> unique;
    for (MountEntry& mount : mounts) {
        if (!unique.empty() && unique.back().mountPoint == mount.mountPoint)
            unique.back() = std::move(mount);
        else
            unique.push_back(std::move(mount));
    }
    return unique;
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id, parent, major:minor, root, mount point, options, optional
        // fields..., "-", type, source, super options.
        const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 7 || dash < 0 || dash + 2 >= fields.size())
            continue;
        MountEntry mount;
        mount.root = DecodeOctalEscapes(fields[3]);
        mount.mountPoint = WithoutTrailingSlash(DecodeOctalEscapes(fields[4]));
        mount.fsType = DecodeOctalEscapes(fields[dash + 1]);
        mount.source = DecodeOctalEscapes(fields[dash + 2]);
        if (!mount.mountPoint.startsWith(u'/'))
            continue;
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

bool IsNetworkFileSystemType(const QString& fsType) {
    static const QStringList types = {
        QStringLiteral("nfs"),           QStringLiteral("nfs4"),
        QStringLiteral("cifs"),          QStringLiteral("smb3"),
        QStringLiteral("smbfs"),         QStringLiteral("ncpfs"),
        QStringLiteral("afs"),           QStringLiteral("9p"),
        QStringLiteral("ceph"),          QStringLiteral("glusterfs"),
        QStringLiteral("lustre"),        QStringLiteral("davfs"),
        QStringLiteral("sshfs"),         QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.rclone"),   QStringLiteral("fuse.s3fs"),
        QStringLiteral("fuse.davfs2"),   QStringLiteral("fuse.glusterfs"),
        QStringLiteral("fuse.ceph"),     QStringLiteral("fuse.curlftpfs"),
        QStringLiteral("fuse.smbnetfs"),
    };
    return types.contains(fsType);
}

// The table, and whether it is the system's own.
static std::pair<std::vector<MountEntry>, bool> ReadTable() {
    std::function<std::vector<MountEntry>()> source;
    {
        std::lock_guard lock(SourceMutex());
        source = Source();
    }
    if (source)
        return {source(), false};
    return {SystemMountTable(), true};
}

std::vector<MountEntry> MountTable() { return ReadTable().first; }

void SetMountTableSource(std::function<std::vector<MountEntry>()> source) {
    std::lock_guard lock(SourceMutex());
    Source() = std::move(source);
}

std::vector<MountEntry> ComputerVolumes() {
    auto [mounts, system] = ReadTable();
    std::vector<MountEntry> shown;
    for (MountEntry& mount : mounts) {
        if (!IsShownLocalVolume(mount))
            continue;
        // Labels are read for the shown local volumes only: asking a network
        // file system could wait on the network.
        if (system)
            mount.label = QStorageInfo(mount.mountPoint).name();
        shown.push_back(std::move(mount));
    }
    return SortedUnique(std::move(shown));
}

std::vector<MountEntry> NetworkMounts() {
    std::vector<MountEntry> shown;
    for (MountEntry& mount : MountTable()) {
        if (IsNetworkFileSystemType(mount.fsType))
            shown.push_back(std::move(mount));
    }
    return SortedUnique(std::move(shown));
}

namespace {

QString PlainVolumeName(const MountEntry& volume) {
    if (!volume.label.isEmpty())
        return volume.label;
    if (volume.mountPoint == u'/')
        return QStringLiteral("File System");
    return volume.mountPoint.section(u'/', -1);
}

}  // namespace

QString VolumeDisplayName(const MountEntry& volume, const std::vector<MountEntry>& siblings) {
    const QString name = PlainVolumeName(volume);
    const bool repeated = std::any_of(siblings.begin(), siblings.end(), [&](const MountEntry& other) {
        return other.mountPoint != volume.mountPoint && PlainVolumeName(other) == name;
    });
    return repeated ? QStringLiteral("%1 (%2)").arg(name, volume.mountPoint) : name;
}

bool IsPathAtOrBelow(const QString& path, const QString& prefix) {
    if (prefix == u'/')
        return path.startsWith(u'/');
    const QString bare = WithoutTrailingSlash(prefix);
    return path == bare || path.startsWith(bare + u'/');
}

std::optional<MountEntry> MountOfPath(const QString& path) {
    if (!path.startsWith(u'/'))
        return std::nullopt;
    std::optional<MountEntry> best;
    for (MountEntry& mount : MountTable()) {
        // Later entries mount over earlier ones at the same place.
        if (IsPathAtOrBelow(path, mount.mountPoint) && (!best || mount.mountPoint.size() >= best->mountPoint.size()))
            best = std::move(mount);
    }
    return best;
}

bool IsOnNetworkFileSystem(const QString& path) {
    const std::optional<MountEntry> mount = MountOfPath(path);
    return mount && IsNetworkFileSystemType(mount->fsType);
}

bool IsCleanAbsolutePath(const QString& path) {
    return path.startsWith(u'/') && !path.contains(QChar(0)) && QDir::cleanPath(path) == path;
}

bool IsRemovableMount(const MountEntry& mount) {
    return IsPathAtOrBelow(mount.mountPoint, QStringLiteral("/media")) ||
           IsPathAtOrBelow(mount.mountPoint, QStringLiteral("/run/media"));
}

}  // namespace platform::shellns

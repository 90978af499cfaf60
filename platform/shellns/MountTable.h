#pragma once
// The mounted file systems, as our namespace shows them: the local volumes
// below Computer, the network mounts below Network. Network file systems are
// known by their type (NFS, CIFS, SSHFS and the like) and are never touched:
// telling whether a path lies on one reads the mount table only, so a dead
// network mount cannot block the caller.

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace platform::shellns {

struct MountEntry {
    QString mountPoint;  // absolute, without a trailing '/' except for "/"
    QString fsType;
    QString source;  // the device or the remote share
    QString root;    // the mounted sub-tree of the source ("/" unless a bind mount)
    QString label;   // the volume's label when it has one (local volumes only)
};

// Parses the text of /proc/self/mountinfo (octal escapes decoded); lines that
// do not have the expected fields are skipped.
std::vector<MountEntry> ParseMountInfo(const QByteArray& text);

bool IsNetworkFileSystemType(const QString& fsType);

// The mount table, read through the installed source (the system's
// /proc/self/mountinfo with the local volumes' labels by default).
std::vector<MountEntry> MountTable();

// Replaces the source of the mount table (tests); an empty function restores
// the system's. Returns nothing; the change is seen by every thread.
void SetMountTableSource(std::function<std::vector<MountEntry>()> source);

// The mounts shown below Computer: "/" and the local volumes of real devices,
// without the system's own areas (/proc, /sys, /dev, /run except /run/media,
// /snap), bind mounts and network file systems; sorted by mount point.
std::vector<MountEntry> ComputerVolumes();
// The network mounts shown below Network, sorted by mount point.
std::vector<MountEntry> NetworkMounts();

// The volume's name as the namespace shows it: its label, else the last part
// of its mount point ("File System" for "/"); "Label (mount point)" when
// another volume of `siblings` shows the same label.
QString VolumeDisplayName(const MountEntry& volume, const std::vector<MountEntry>& siblings);

// The mount that holds `path` by the text of the paths alone (the longest
// mount point that is a prefix of it); nullopt for a relative path or an
// empty table.
std::optional<MountEntry> MountOfPath(const QString& path);
bool IsOnNetworkFileSystem(const QString& path);

// `prefix` is `path` or one of its ancestors, compared by whole components.
bool IsPathAtOrBelow(const QString& path, const QString& prefix);

// An absolute path without NUL, empty, "." or ".." parts or a trailing '/'
// (except "/" itself): as the namespace and library files keep paths.
bool IsCleanAbsolutePath(const QString& path);

// Removable volumes: those mounted where the desktop mounts removable media
// (/media, /run/media).
bool IsRemovableMount(const MountEntry& mount);

}  // namespace platform::shellns

#include "platform/shellns/MountTable.h"

#include "ShellnsFixtures.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using namespace platform::shellns;

TEST(MountTable, ParsesMountInfoLinesWithEscapes) {
    const QByteArray text =
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "30 22 8:2 / /media/me/My\\040Disk rw,nosuid master:2 - vfat /dev/sdb1 rw\n"
        "31 22 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
        "broken line\n"
        "40 22 0:5 / relative rw - ext4 /dev/sdc1 rw\n"
        "41 22 8:1 /srv /bind/srv/ rw - ext4 /dev/sda1 rw\n";
    const std::vector<MountEntry> mounts = ParseMountInfo(text);
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].fsType, "ext4");
    EXPECT_EQ(mounts[0].source, "/dev/sda1");
    EXPECT_EQ(mounts[1].mountPoint, "/media/me/My Disk");
    EXPECT_EQ(mounts[1].fsType, "vfat");
    EXPECT_EQ(mounts[2].fsType, "nfs4");
    EXPECT_EQ(mounts[2].source, "server:/export");
    EXPECT_EQ(mounts[3].mountPoint, "/bind/srv");
    EXPECT_EQ(mounts[3].root, "/srv");
}

TEST(MountTable, NetworkFileSystemsAreKnownByType) {
    for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "sshfs", "9p", "ceph"})
        EXPECT_TRUE(IsNetworkFileSystemType(type)) << type;
    for (const char* type : {"ext4", "btrfs", "vfat", "xfs", "tmpfs", "fuse", "fuseblk", ""})
        EXPECT_FALSE(IsNetworkFileSystemType(type)) << type;
}

TEST(MountTable, ComputerShowsLocalVolumesOnlyAndNetworkTheNetworkMounts) {
    FakeMounts mounts({
        {"/", "ext4", "/dev/sda1", "/", ""},
        {"/proc", "proc", "proc", "/", ""},
        {"/sys/fs/cgroup", "cgroup2", "cgroup2", "/", ""},
        {"/run/user/1000", "tmpfs", "tmpfs", "/", ""},
        {"/run/media/me/USB", "vfat", "/dev/sdb1", "/", "USB"},
        {"/snap/core/1", "squashfs", "/dev/loop0", "/", ""},
        {"/data", "xfs", "/dev/sdc1", "/", "Data"},
        {"/bind", "xfs", "/dev/sdc1", "/sub", ""},
        {"/mnt/nfs", "nfs4", "server:/export", "/", ""},
        {"/mnt/ssh", "fuse.sshfs", "me@host:", "/", ""},
        {"/tank", "zfs", "tank", "/", ""},
    });
    QStringList computer;
    for (const MountEntry& m : ComputerVolumes())
        computer << m.mountPoint;
    EXPECT_EQ(computer, QStringList({"/", "/data", "/run/media/me/USB", "/tank"}));
    QStringList network;
    for (const MountEntry& m : NetworkMounts())
        network << m.mountPoint;
    EXPECT_EQ(network, QStringList({"/mnt/nfs", "/mnt/ssh"}));
}

TEST(MountTable, RepeatedLabelsShowTheirMountPoints) {
    const std::vector<MountEntry> volumes = {
        {"/", "ext4", "/dev/sda1", "/", ""},
        {"/media/a", "vfat", "/dev/sdb1", "/", "Photos"},
        {"/media/b", "vfat", "/dev/sdc1", "/", "Photos"},
        {"/media/c", "vfat", "/dev/sdd1", "/", "Work"},
        {"/media/nolabel", "vfat", "/dev/sde1", "/", ""},
    };
    EXPECT_EQ(VolumeDisplayName(volumes[0], volumes), "File System");
    EXPECT_EQ(VolumeDisplayName(volumes[1], volumes), "Photos (/media/a)");
    EXPECT_EQ(VolumeDisplayName(volumes[2], volumes), "Photos (/media/b)");
    EXPECT_EQ(VolumeDisplayName(volumes[3], volumes), "Work");
    EXPECT_EQ(VolumeDisplayName(volumes[4], volumes), "nolabel");
}

TEST(MountTable, MountOfPathIsTheLongestMountPointByWholeComponents) {
    FakeMounts mounts({
        {"/", "ext4", "/dev/sda1", "/", ""},
        {"/mnt/nfs", "nfs", "server:/x", "/", ""},
        {"/mnt/nfs/local", "ext4", "/dev/sdb1", "/", ""},
    });
    struct Case {
        const char* path;
        const char* mount;
        bool network;
    };
    const Case cases[] = {
        {"/home/me", "/", false},
        {"/mnt/nfs", "/mnt/nfs", true},
        {"/mnt/nfs/photos/2020", "/mnt/nfs", true},
        {"/mnt/nfsother", "/", false},
        {"/mnt/nfs/local/x", "/mnt/nfs/local", false},
    };
    for (const Case& c : cases) {
        const auto mount = MountOfPath(c.path);
        ASSERT_TRUE(mount) << c.path;
        EXPECT_EQ(mount->mountPoint, c.mount) << c.path;
        EXPECT_EQ(IsOnNetworkFileSystem(c.path), c.network) << c.path;
    }
    EXPECT_FALSE(MountOfPath("relative/path"));
}

TEST(MountTable, TheSystemTableHasTheRoot) {
    const std::vector<MountEntry> volumes = ComputerVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().mountPoint, "/");
}

}  // namespace

#include "platform/shellfiles/Trash.h"

#include "platform/files/LocalFileCalls.h"
#include "platform/files/LocalFileName.h"
#include "platform/shellfiles/ShellFiles.h"

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

namespace platform {

namespace {

constexpr mode_t kPrivateFolder = 0700;

std::error_code Errno(int code) { return std::error_code(code, std::generic_category()); }

std::error_code LastError() { return Errno(errno); }

// The folder part of a path without a final '/': "/a/b" gives "/a", "/a"
// gives "/", "a" gives ".".
std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// `folder` + '/' + `name`, without doubling the root's '/'.
std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? '/' + name : folder + '/' + name;
}

// Where the user's data lives: $XDG_DATA_HOME when it is an absolute path
// (the base-directory rules ignore a relative one), else ~/.local/share.
// Empty without a home.
std::string DataHome() {
    const char* data = ::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return data;
    const char* home = ::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return Join(home, ".local/share");
}

// The device of the nearest folder of `path` that exists, `path` included.
bool DeviceOfNearest(std::string path, dev_t& device) {
    struct stat status {};
    while (::stat(path.c_str(), &status) != 0) {
        if (path == "/")
            return false;
        path = ParentOf(path);
    }
    device = status.st_dev;
    return true;
}

// Makes the folder `path` and every missing folder above it, each private.
std::error_code MakeFolders(const std::string& path) {
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        if (::mkdir(folder.c_str(), kPrivateFolder) != 0 && errno != EEXIST)
            return LastError();
        if (at == std::string::npos)
            break;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return LastError();
    return S_ISDIR(status.st_mode) ? std::error_code() : Errno(ENOTDIR);
}

// A trash's files/ and info/, made when missing.
std::error_code MakeTrashFolders(const std::string& trash) {
    if (std::error_code error = MakeFolders(trash + "/files"))
        return error;
    return MakeFolders(trash + "/info");
}

// The user's own trash folder on a shared file system, made when missing.
// Another user could have put a link or a folder of theirs in its place
// (the top folder is writable by all), so only a real folder of the user's
// own is taken.
std::error_code MakeOwnTrash(const std::string& trash, uid_t uid) {
    if (::mkdir(trash.c_str(), kPrivateFolder) != 0 && errno != EEXIST)
        return LastError();
    struct stat status {};
    if (::lstat(trash.c_str(), &status) != 0)
        return LastError();
    if (!S_ISDIR(status.st_mode))
        return Errno(ENOTDIR);
    if (status.st_uid != uid)
        return Errno(EPERM);
    return MakeTrashFolders(trash);
}

// The top folder of the file system on `device` that holds the canonical
// folder `folder`: the highest folder above it on the same device.
std::string TopdirOf(std::string folder, dev_t device) {
    while (folder != "/") {
        const std::string up = ParentOf(folder);
        struct stat status {};
        if (::stat(up.c_str(), &status) != 0 || status.st_dev != device)
            break;
        folder = up;
    }
    return folder;
}

// Local time as the info file writes it: YYYY-MM-DDThh:mm:ss.
std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

std::error_code WriteInfoFile(int fd, const std::string& pathInInfo) {
    const std::string text =
        "[Trash Info]\nPath=" + TrashInfoPath(pathInInfo) + "\nDeletionDate=" + DeletionDate() + '\n';
    std::error_code error = WriteAll(fd, text.data(), text.size());
    // A network file system may report a failed write only at close.
    if (::close(fd) != 0 && !error)
        error = LastError();
    return error;
}

// Moves `item` (absolute) into the trash folder `trash` under the first
// name that is free in both its files/ and its info/, with `pathInInfo` as
// the info file's Path.
std::error_code PutInTrash(const std::string& trash, const std::string& item, const std::string& pathInInfo,
                           TrashedItem& placed) {
    const QString name = FileNameFromLocal(QByteArray::fromStdString(item.substr(item.rfind('/') + 1)));
    for (int n = 1; n <= kMaxCollisionNumber; ++n) {
        const std::string entry = LocalFilePath(n == 1 ? name : NumberedFileName(name, n));
        const std::string file = trash + "/files/" + entry;
        const std::string info = trash + "/info/" + entry + ".trashinfo";
        struct stat status {};
        if (::lstat(file.c_str(), &status) == 0)
            continue;
        // The info file made exclusively reserves the name against another
        // program trashing an item of the same name at the same time.
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return LastError();
        std::error_code error = WriteInfoFile(fd, pathInInfo);
        if (!error) {
            const int code = RenameLocalNoReplace(item.c_str(), file.c_str());
            if (code == EEXIST || code == ENOTEMPTY) {
                ::unlink(info.c_str());
                continue;
            }
            error = Errno(code);
        }
        if (error) {
            ::unlink(info.c_str());
            return error;
        }
        placed = TrashedItem{file, info};
        return {};
    }
    return Errno(EEXIST);
}

}  // namespace

std::string TrashInfoPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                                byte == '~' || byte == '/';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

std::string TopdirTrash(const std::string& topdir, uid_t uid, std::error_code& error) {
    const std::string shared = Join(topdir, ".Trash");
    struct stat status {};
    if (::lstat(shared.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0) {
        const std::string own = Join(shared, std::to_string(uid));
        error = MakeOwnTrash(own, uid);
        if (!error)
            return own;
    }
    const std::string own = Join(topdir, ".Trash-" + std::to_string(uid));
    error = MakeOwnTrash(own, uid);
    return error ? std::string() : own;
}

std::error_code MoveToTrash(const std::string& item, TrashedItem& placed) {
    std::string path = item;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();  // "album/" names the folder album
    const std::string name = path.substr(path.rfind('/') + 1);
    if (name.empty() || name == "." || name == "..")
        return Errno(EINVAL);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0)
        return LastError();
    // The folder's canonical name, so that the info file tells the place
    // whatever links or relative path led to it; the item itself is not
    // resolved, a link goes to the trash as a link.
    const std::unique_ptr<char, decltype(&std::free)> canonical(::realpath(ParentOf(path).c_str(), nullptr),
                                                                &std::free);
    if (canonical == nullptr)
        return LastError();
    const std::string folder = canonical.get();
    struct stat folderStatus {};
    if (::stat(folder.c_str(), &folderStatus) != 0)
        return LastError();
    const std::string absolute = Join(folder, name);

    const std::string dataHome = DataHome();
    dev_t homeDevice = 0;
    if (!dataHome.empty() && DeviceOfNearest(Join(dataHome, "Trash"), homeDevice) &&
        homeDevice == folderStatus.st_dev) {
        const std::string trash = Join(dataHome, "Trash");
        if (std::error_code error = MakeTrashFolders(trash))
            return error;
        return PutInTrash(trash, absolute, absolute, placed);
    }
    const std::string topdir = TopdirOf(folder, folderStatus.st_dev);
    std::error_code error;
    const std::string trash = TopdirTrash(topdir, ::getuid(), error);
    if (trash.empty())
        return error;
    // In a trash at the top of a file system the path is relative to that top.
    return PutInTrash(trash, absolute, absolute.substr(topdir == "/" ? 1 : topdir.size() + 1), placed);
}

}  // namespace platform

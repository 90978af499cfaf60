#include "platform/files/LocalSaveFile.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace platform {

namespace {

constexpr int kNameTries = 100;

// The folder part of a path, "." for a bare name.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A hidden name beside the destination that no one else picks: ".name."
// and six random letters.
std::string TemporaryName(const std::string& path) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = FolderOf(path) + "/." + NameOf(path) + '.';
    for (int i = 0; i < 6; ++i)
        name += kLetters[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kLetters - 1))];
    return name;
}

// Whether an unnamed file cannot be made there for want of support (an old
// kernel takes O_TMPFILE for O_DIRECTORY), not for a fault of the folder.
bool LacksUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

}  // namespace

LocalSaveFile::LocalSaveFile(std::string path) : path_(std::move(path)) {}

LocalSaveFile::~LocalSaveFile() { Cancel(); }

bool LocalSaveFile::Fail(int error) {
    error_ = qt_error_string(error);
    Cancel();
    return false;
}

bool LocalSaveFile::Open() {
    Cancel();
    error_.clear();
    if (path_.empty() || path_.back() == '/')
        return Fail(EISDIR);
    const std::string folder = FolderOf(path_);
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ < 0 && (!LacksUnnamedFiles(errno) || !OpenNamedTemporary()))
        return Fail(errno);
    struct stat existing {};
    if (::stat(path_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        ::fchmod(fd_, existing.st_mode & 07777) != 0)
        return Fail(errno);
    return true;
}

bool LocalSaveFile::OpenNamedTemporary() {
    for (int i = 0; i < kNameTries; ++i) {
        std::string name = TemporaryName(path_);
        fd_ = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool LocalSaveFile::Write(const char* bytes, std::size_t size) {
    if (fd_ < 0)
        return Fail(EBADF);
    while (size > 0) {
        const ssize_t put = ::write(fd_, bytes, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

// Gives the unnamed file a hidden name in its folder, for the rename.
bool LocalSaveFile::LinkIntoFolder() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int i = 0; i < kNameTries; ++i) {
        std::string name = TemporaryName(path_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool LocalSaveFile::Commit() {
    if (fd_ < 0)
        return Fail(EBADF);
    // A file system that cannot sync (EINVAL) keeps the file as written; a
    // sync that fails for want of space or for an input/output error means
    // the bytes may not be there.
    if ((::fsync(fd_) != 0 && errno != EINVAL) || (temporary_.empty() && !LinkIntoFolder()))
        return Fail(errno);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 || std::rename(temporary_.c_str(), path_.c_str()) != 0)
        return Fail(errno);
    temporary_.clear();
    return true;
}

void LocalSaveFile::Cancel() {
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!temporary_.empty())
        ::unlink(std::exchange(temporary_, std::string()).c_str());
}

}  // namespace platform

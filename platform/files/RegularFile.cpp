#include "platform/files/RegularFile.h"
#include "platform/files/LocalFileName.h"

#include <QSet>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <mutex>

namespace platform {

namespace {

FileKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISDIR(mode))
        return FileKind::Folder;
    return FileKind::Special;
}

// Closes the descriptor unless it is released to the caller.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// Fills bytes from the descriptor's position; false on an error or an early end.
bool ReadFully(int fd, std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

FileKind KindOfFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return FileKind::Missing;
    return KindOfMode(st.st_mode);
}

FileKind KindOfFile(const QString& path) { return KindOfFile(LocalFilePath(path)); }

bool IsSpecialFile(const QString& path) { return KindOfFile(path) == FileKind::Special; }

int OpenRegularFile(const std::string& path, bool followLinks) {
    // A look before the open keeps devices whose open has an effect of its
    // own (a tape rewinds) unopened; the open without blocking and the check
    // of what was opened close the race with a file replaced in between.
    const FileKind kind = KindOfFile(path);
    if (kind == FileKind::Missing) {
        if (path.empty())
            errno = ENOENT;
        return -1;
    }
    if (kind != FileKind::Regular) {
        errno = EINVAL;
        return -1;
    }
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    FdGuard fd(::open(path.c_str(), flags));
    if (fd.Get() < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int status = ::fcntl(fd.Get(), F_GETFL);
    if (status < 0 || ::fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return -1;
    return fd.Release();
}

bool OpenRegularFile(QFile& file, const QString& path, QString* error) {
    const int fd = OpenRegularFile(LocalFilePath(path));
    if (fd < 0) {
        if (error != nullptr)
            *error = errno == EINVAL ? QStringLiteral("Not a regular file") : qt_error_string(errno);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (error != nullptr)
            *error = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> ReadRegularFile(const std::string& path, std::uint64_t maxBytes,
                                                         bool followLinks) {
    FdGuard fd(OpenRegularFile(path, followLinks));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || st.st_size < 0 ||
        static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    if (!ReadFully(fd.Get(), bytes))
        return std::nullopt;  // an error, or the file shrank under us
    return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadRegularFileStart(const std::string& path, std::uint64_t limit,
                                                              std::uint64_t& fileSize) {
    FdGuard fd(OpenRegularFile(path));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || st.st_size < 0)
        return std::nullopt;
    fileSize = static_cast<std::uint64_t>(st.st_size);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(fileSize, limit)));
    if (!ReadFully(fd.Get(), bytes))
        return std::nullopt;
    return bytes;
}

bool RefuseSpecialFile(const QString& path, const char* what) {
    if (!IsSpecialFile(path))
        return false;
    static std::mutex lock;
    static QSet<QString> reported;
    std::lock_guard guard(lock);
    if (!reported.contains(path)) {
        reported.insert(path);
        qWarning("%s: %s is not a regular file; it is left alone", what, qUtf8Printable(path));
    }
    return true;
}

void IgnoreFileSizeLimitSignal() { ::signal(SIGXFSZ, SIG_IGN); }

}  // namespace platform

#include "platform/archive/ArchiveFile.h"

#include "platform/files/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    // Closes now and tells whether the close itself succeeded.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Writes all bytes at offset; false on any failure.
bool WriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReadArchiveFile(const std::string& path, std::uint64_t maxBytes) {
    return ReadRegularFile(path, maxBytes, /*followLinks=*/false);
}

std::optional<std::vector<std::uint8_t>> ReadArchiveFileRange(const std::string& path, std::uint64_t offset,
                                                              std::uint64_t length) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        offset > static_cast<std::uint64_t>(st.st_size) || length > static_cast<std::uint64_t>(st.st_size) - offset)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::pread(fd.Get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        done += static_cast<std::size_t>(got);
    }
    return bytes;
}

bool WriteArchiveFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1)
        return false;
    if (::ftruncate(fd.Get(), 0) != 0)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return fd.Close();
}

AppendResult AppendToArchiveFile(const std::string& path, std::uint64_t expectedSize,
                                 std::span<const std::uint8_t> tail, std::span<const std::uint8_t> head) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1)
        return AppendResult::failed;
    if (static_cast<std::uint64_t>(st.st_size) != expectedSize || head.size() > expectedSize)
        return AppendResult::notAsExpected;
    if (!WriteAllAt(fd.Get(), tail, expectedSize)) {
        // What was added goes again; the old elements are whole.
        (void)::ftruncate(fd.Get(), static_cast<off_t>(expectedSize));
        return AppendResult::failed;
    }
    if (!WriteAllAt(fd.Get(), head, 0))
        return AppendResult::failed;
    return fd.Close() ? AppendResult::appended : AppendResult::failed;
}

bool CreateEmptyFileExclusive(const std::string& path) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    return fd.Get() >= 0 && fd.Close();
}

bool DeleteArchiveFile(const std::string& path) {
    struct stat st {};
    // A pipe, device or socket at the name is not an archive of ours (reads
    // and writes refuse it too): it stays.
    if (::lstat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        return false;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace platform

#include "platform/files/LocalFileCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int RenameLocalNoReplace(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return error;
    // A file system without RENAME_NOREPLACE: a hard link cannot replace either.
    struct stat status {};
    if (::lstat(from, &status) == 0 && S_ISDIR(status.st_mode))
        return error;
    if (::link(from, to) != 0)
        return errno;
    if (::unlink(from) != 0) {
        const int unlinkError = errno;
        ::unlink(to);
        return unlinkError;
    }
    return 0;
}

std::error_code WriteAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, bytes, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return std::error_code(errno, std::generic_category());
        }
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return {};
}

}  // namespace platform

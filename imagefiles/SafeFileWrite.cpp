#include "imagefiles/SafeFileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The file a link names, so that saving over a link replaces the linked file.
fs::path ResolvedTarget(const fs::path& target) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            return resolved;
    }
    return target;
}

// Creates a new empty file beside target with a name nobody else uses;
// returns its path, or an empty path.
fs::path CreateTemporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%ld.%u.tmp", static_cast<long>(::getpid()), counter++);
        // Cut long names so that the suffix still fits a file name.
        const fs::path candidate = folder / ("." + target.filename().string().substr(0, 160) + suffix);
        // 0666 so that the umask decides, as for any new file.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

bool SyncToDisk(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// The old target's permission bits go to the new file.
bool KeepPermissions(const fs::path& from, const fs::path& to) {
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0)
        return errno == ENOENT;
    return ::chmod(to.c_str(), st.st_mode & 07777) == 0;
}

}  // namespace

bool WriteFileSafely(const fs::path& requested, const std::function<bool(const fs::path&)>& write) {
    const fs::path target = ResolvedTarget(requested);
    const fs::path temporary = CreateTemporaryBeside(target);
    if (temporary.empty())
        return false;
    bool done = false;
    try {
        done = write(temporary) && SyncToDisk(temporary) && KeepPermissions(target, temporary) &&
               ::rename(temporary.c_str(), target.c_str()) == 0;
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    if (!done) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    SyncToDisk(folder);
    return true;
}

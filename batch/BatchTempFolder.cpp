#include "batch/BatchTempFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <QByteArray>

#include "platform/files/LocalFileName.h"

namespace {

QByteArray Join(const QByteArray& folder, const char* name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString SystemText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

std::vector<QByteArray> EntryNames(const QByteArray& folder) {
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// Removes a temporary folder: its files first, the lock file last, so that
// the folder counts as in use until it is all but gone. False when the
// folder is still there.
bool RemoveFolder(const QByteArray& folder) {
    for (const QByteArray& name : EntryNames(folder))
        if (name != kBatchLockName)
            ::unlink(Join(folder, name.constData()).constData());
    ::unlink(Join(folder, kBatchLockName).constData());
    return ::rmdir(folder.constData()) == 0;
}

// Whether the process named in a folder's name ("<prefix><pid>-XXXXXX") is
// gone. Not for this process's own folders, nor for names without a pid.
bool OwnerIsGone(const QByteArray& name) {
    const QByteArray rest = name.mid(static_cast<qsizetype>(std::strlen(kBatchTempPrefix)));
    const qsizetype dash = rest.indexOf('-');
    bool isNumber = false;
    const long pid = dash > 0 ? rest.left(dash).toLong(&isNumber) : 0;
    if (!isNumber || pid <= 0 || pid == static_cast<long>(::getpid()))
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Whether the folder belongs to a run that is gone. When it does and has a
// lock file, `lock` holds that file locked; the caller closes it once the
// folder is removed.
bool IsLeftBehind(const QByteArray& folder, const QByteArray& name, const struct stat& st, int& lock) {
    lock = ::open(Join(folder, kBatchLockName).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (lock < 0) {
        if (errno != ENOENT)
            return false;
        return OwnerIsGone(name) || std::time(nullptr) - st.st_mtim.tv_sec >= kUnlockedFolderGraceSeconds;
    }
    // Held by a run that is still going; or, where the file system has no
    // such locks, unknown: left alone.
    if (::flock(lock, LOCK_EX | LOCK_NB) == 0)
        return true;
    ::close(lock);
    lock = -1;
    return false;
}

}  // namespace

BatchTempFolder::BatchTempFolder(const QString& parent) {
    QByteArray folder = platform::LocalFileName(parent) + kBatchTempPrefix + QByteArray::number(::getpid()) + "-XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr) {
        failure_ = SystemText(errno);
        return;
    }
    // Locked under a name no sweep looks at, then named: a sweep never finds
    // the lock file of a live folder free.
    const QByteArray unnamed = Join(folder, kBatchLockName) + ".new";
    const int lock = ::open(unnamed.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        failure_ = SystemText(errno);
        ::rmdir(folder.constData());
        return;
    }
    // Where the file system has no such locks the folder goes unlocked; a
    // sweep there cannot lock it either and leaves it alone.
    ::flock(lock, LOCK_EX);
    if (::rename(unnamed.constData(), Join(folder, kBatchLockName).constData()) != 0) {
        failure_ = SystemText(errno);
        ::close(lock);
        RemoveFolder(folder);
        return;
    }
    // The run's process, for whoever looks into the folder.
    char pid[32];
    const int length = std::snprintf(pid, sizeof pid, "%ld\n", static_cast<long>(::getpid()));
    if (::write(lock, pid, static_cast<std::size_t>(length)) < 0) {
        // Only a note: the lock is what counts.
    }
    lock_ = lock;
    path_ = platform::FileNameFromLocal(folder);
}

BatchTempFolder::~BatchTempFolder() {
    if (path_.isEmpty())
        return;
    RemoveFolder(platform::LocalFileName(path_));
    ::close(lock_);
}

int RemoveStaleBatchFolders(const QString& folder) {
    const QByteArray parent = platform::LocalFileName(folder);
    int removed = 0;
    for (const QByteArray& name : EntryNames(parent)) {
        if (!name.startsWith(kBatchTempPrefix))
            continue;
        const QByteArray path = Join(parent, name.constData());
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        int lock = -1;
        if (!IsLeftBehind(path, name, st, lock))
            continue;
        if (RemoveFolder(path))
            ++removed;
        if (lock >= 0)
            ::close(lock);
    }
    return removed;
}

#include "platform/files/FolderEntries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

#include "platform/files/LocalFileName.h"

namespace platform {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool IsFolderEntry(int dirFd, const dirent& entry) {
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return entry.d_type == DT_DIR;
    struct stat st {};
    return ::fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

QStringList NonFolderEntryNames(const QString& folder) {
    QStringList names;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(LocalFileName(folder.isEmpty() ? QStringLiteral(".") : folder)));
    if (!dir)
        return names;
    const int dirFd = ::dirfd(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == ".." || IsFolderEntry(dirFd, *entry))
            continue;
        names << FileNameFromLocal(name);
    }
    return names;
}

}  // namespace platform

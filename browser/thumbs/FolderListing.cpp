#include "browser/thumbs/FolderListing.h"
#include "platform/files/LocalFileName.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "imagefiles/ImageFileNames.h"
#include "imagefiles/PathHelpers.h"

namespace {

constexpr off_t kSmallestListedSize = 16;

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

QStringList ListImageFiles(const QString& folder) {
    QStringList out;
    if (folder.isEmpty())
        return out;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(platform::LocalFileName(folder).constData()));
    if (!dir)
        return out;
    QString prefix = folder;
    AddTrailingBackslash(prefix);
    const int dirFd = ::dirfd(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (name[0] == '.')
            continue;
        // Every name is carried whole, those that are not UTF-8 too.
        const QString decoded = platform::FileNameFromLocal(name);
        if (!IsSupportedImageExtension(decoded))
            continue;
        struct stat st {};
        // A named pipe or a device is no picture, and reading it could block.
        if (::fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode) || st.st_size < kSmallestListedSize)
            continue;
        out.append(prefix + decoded);
    }
    return out;
}

void ListLibraryFiles(const QString& locationText, QStringList& out) {
    QString rest = locationText;
    const qsizetype comma = rest.indexOf(u',');
    rest = comma < 0 ? QString() : rest.mid(comma + 1);
    for (int field = 0; field < 2; ++field) {  // the name, then the icon
        const qsizetype semicolon = rest.indexOf(u';');
        if (semicolon < 0)
            return;
        rest = rest.mid(semicolon + 1);
    }
    for (;;) {
        const qsizetype semicolon = rest.indexOf(u';');
        const QString folder = semicolon < 0 ? rest : rest.left(semicolon);
        if (!folder.isEmpty())
            out.append(ListImageFiles(folder));
        if (semicolon < 0)
            return;
        rest = rest.mid(semicolon + 1);
    }
}

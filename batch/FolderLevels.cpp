#include "batch/FolderLevels.h"
#include "platform/files/LocalFileName.h"

#include <sys/stat.h>

#include <cerrno>

#include <QStringList>

namespace {

bool IsFolder(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool CreateFolderLevels(const QString& path) {
    if (!path.startsWith(u'/'))
        return false;
    QString result = QStringLiteral("/");
    const QStringList levels = path.split(u'/', Qt::SkipEmptyParts);
    for (const QString& level : levels) {
        result += level;
        const QByteArray native = platform::LocalFileName(result);
        if (!IsFolder(native) && ::mkdir(native.constData(), 0777) != 0 && !(errno == EEXIST && IsFolder(native)))
            return false;
        result += u'/';
    }
    return IsFolder(platform::LocalFileName(result));
}

#include "platform/paths/Paths.h"
#include "platform/files/LocalFileName.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

namespace platform {

namespace {

QString WithSlash(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// A writable standard location, created when missing.
QString EnsuredLocation(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    return WithSlash(folder);
}

// Creates `folder` with mode 0700 or checks that the existing one is a
// private folder of this user (not a link), tightening its mode.
bool EnsurePrivateFolder(const QString& folder) {
    const std::string path = platform::LocalFilePath(folder);
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 07777) != 0700 && ::chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

}  // namespace

PathParts SplitPath(const QString& path) {
    PathParts parts;
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype nameStart = slash + 1;
    parts.dir = path.left(nameStart);
    const QString last = path.mid(nameStart);
    const qsizetype dot = last.lastIndexOf(u'.');
    if (dot < 0) {
        parts.name = last;
    } else {
        parts.name = last.left(dot);
        parts.ext = last.mid(dot);
    }
    return parts;
}

QString ExecutableFolder() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0)
        return WithSlash(QDir::currentPath());
    const QString exe = platform::FileNameFromLocal(QByteArray(buffer, n));
    return WithSlash(QFileInfo(exe).absolutePath());
}

QString ProgramDataFolder(const QString& exeFolder, const QString& name) {
    const QString beside = WithSlash(exeFolder) + name + u'/';
    if (QFileInfo(beside).isDir())
        return beside;
    const QString installed = WithSlash(exeFolder) + QStringLiteral("../share/orvek-vespera/") + name;
    if (QFileInfo(installed).isDir())
        return WithSlash(QDir::cleanPath(installed));
    return beside;
}

QString PicturesFolder() { return EnsuredLocation(QStandardPaths::PicturesLocation); }

QString DocumentsFolder() { return EnsuredLocation(QStandardPaths::DocumentsLocation); }

QString CommonDataFolder() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return {};
    const QString folder = data + QStringLiteral("/ORVEK");
    if (!QDir().mkpath(folder))
        return {};
    return WithSlash(folder);
}

QString ConfigFolder() {
    return WithSlash(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/ORVEK"));
}

QString PrivateCacheFolder() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return {};
    const QString parent = cache + QStringLiteral("/ORVEK");
    if (!QDir().mkpath(parent))
        return {};
    const QString folder = parent + QStringLiteral("/ORVEK Vespera");
    if (!EnsurePrivateFolder(folder))
        return {};
    return WithSlash(folder);
}

}  // namespace platform

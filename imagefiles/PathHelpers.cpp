#include "imagefiles/PathHelpers.h"
#include "platform/files/LocalFileName.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <sys/stat.h>

#include <optional>
#include <string>

namespace {

// The device of the path or of its nearest existing parent.
std::optional<dev_t> DeviceOf(const QString& path) {
    std::string native = platform::LocalFilePath(path.isEmpty() ? QStringLiteral(".") : path);
    if (native.front() != '/')
        native = "./" + native;
    for (;;) {
        struct stat st {};
        if (::stat(native.c_str(), &st) == 0)
            return st.st_dev;
        const auto slash = native.find_last_of('/');
        if (slash == std::string::npos)
            return std::nullopt;
        if (slash == 0) {
            if (native == "/")
                return std::nullopt;
            native = "/";
        } else {
            native.resize(slash);
        }
    }
}

}  // namespace

void AddTrailingBackslash(QString& path) {
    if (!path.endsWith(u'/'))
        path += u'/';
}

void StripTrailingBackslash(QString& path) {
    if (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
}

bool IsPathOnValidDrive(const QString& /*path*/) { return true; }

bool IsSameDrive(const QString& a, const QString& b) {
    const auto deviceA = DeviceOf(a);
    const auto deviceB = DeviceOf(b);
    return deviceA && deviceB && *deviceA == *deviceB;
}

std::uint64_t GetFileSize64(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(platform::LocalFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

QString GetDefaultGuiFontFace() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return QStringLiteral("Sans Serif");
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

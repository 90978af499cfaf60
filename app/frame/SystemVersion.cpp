#include "app/frame/SystemVersion.h"

#include "app/version/VersionInfo.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
constexpr unsigned kFirstVersionWithLibraries = 12;
}

bool GetWindowsVersion(unsigned* code) {
    if (code == nullptr)
        return false;
    *code = kFirstVersionWithLibraries;
    return true;
}

std::uint32_t GetFileVersionMS(const QString& path) {
    const QString own = QCoreApplication::instance() != nullptr ? QCoreApplication::applicationFilePath() : QString();
    const bool isOwn =
        path.isEmpty() || (!own.isEmpty() && QFileInfo(path).canonicalFilePath() == QFileInfo(own).canonicalFilePath());
    if (!isOwn)
        return 0;
    return vespera::kFileVersionMS;
}

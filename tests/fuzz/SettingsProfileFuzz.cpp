// The settings read from an arbitrary profile file and an arbitrary
// "resourses.ini": every value the program gets lies in its range.
#include "core/settings/AppSettings.h"

#include "platform/profile/ProfileStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void Write(const QString& path, const std::uint8_t* data, std::size_t size) {
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static int run = 0;
    const QString exeFolder = dir.path() + u'/';
    QDir().mkpath(exeFolder + QStringLiteral("Res"));
    Write(exeFolder + QStringLiteral("Res/resourses.ini"), data, size);
    // A new name each run: the settings class caches files by name.
    const QString profile = dir.filePath(QStringLiteral("p%1.conf").arg(++run));
    Write(profile, data, size);

    AppSettings s;
    s.LoadSettings(platform::ProfileStore(profile), exeFolder);
    QFile::remove(profile);

    Check(s.m_nInterpolMode >= 0 && s.m_nInterpolMode <= 9);
    Check(s.m_nResUnits >= 0 && s.m_nResUnits <= 2);
    Check(s.m_nSizeUnits >= 0 && s.m_nSizeUnits <= 4);
    Check(s.m_nCorrectProp >= 0 && s.m_nCorrectProp <= 2);
    Check(s.m_nJpegQuality >= 1 && s.m_nJpegQuality <= 100);
    Check(s.m_nBatchJpegQuality >= 1 && s.m_nBatchJpegQuality <= 100);
    Check(s.m_nWidth >= 1 && s.m_nWidth <= 100000);
    Check(s.m_nHeight >= 1 && s.m_nHeight <= 100000);
    Check(std::isfinite(s.m_fDpi) && s.m_fDpi > 0.0f);
    Check(std::isfinite(s.m_dPercentW) && s.m_dPercentW > 0.0);
    Check(std::isfinite(s.m_dPercentH) && s.m_dPercentH > 0.0);
    Check(s.m_nOverwriteMethod >= 0 && s.m_nOverwriteMethod <= 2);
    Check(s.m_nOutFormat >= 0 && s.m_nOutFormat <= 4);
    Check(g_nIconsZoom == 100 || g_nIconsZoom == 66);
    Check(g_BrowserColors.crText <= 0xFFFFFF && g_BrowserColors.crBackground <= 0xFFFFFF);
    return 0;
}

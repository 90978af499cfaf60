#include "core/settings/AppSettings.h"

#include "core/settings/SettingsLimits.h"
#include "platform/files/RegularFile.h"
#include "platform/paths/Paths.h"
#include "platform/profile/ProfileStore.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

std::atomic<int> g_nIconsZoom{100};
std::atomic<int> g_bDetailsMode{0};

namespace {

const QString kMain = QStringLiteral("MAIN");
const QString kBatch = QStringLiteral("BATCH");
const QString kBrowser = QStringLiteral("BROWSER");
const QString kInterface = QStringLiteral("INTERFACE");
const QString kApplicationTitle = QStringLiteral("ORVEK Vespera");

constexpr int kLargeIconsZoom = 100;
constexpr int kSmallIconsZoom = 66;

int InRange(int value, int low, int high, int fallback) { return value >= low && value <= high ? value : fallback; }

int IndexIn(int value, int count) { return IsIndexIn(value, count) ? value : 0; }

int Flag(int value) { return value != 0 ? 1 : 0; }

double Positive(double value, double fallback) { return std::isfinite(value) && value > 0.0 ? value : fallback; }

QString WithoutTrailingSlash(QString folder) {
    if (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

}  // namespace

void AppSettings::LoadSettings(const platform::ProfileStore& store, const QString& exeFolder) {
    const int interpolMode = store.GetInt(kMain, QStringLiteral("INTERPOLMODE"), 4);
    m_nInterpolMode = IsIndexIn(interpolMode, kInterpolModeCount) ? interpolMode : kDefaultInterpolMode;
    m_nResUnits = IndexIn(store.GetInt(kMain, QStringLiteral("RESUNITS"), 0), kResUnitCount);
    m_nSizeUnits = IndexIn(store.GetInt(kMain, QStringLiteral("SIZEUNITS"), 0), kSizeUnitCount);
    m_nCorrectProp = IndexIn(store.GetInt(kMain, QStringLiteral("CORRECTPROP"), 0), kCorrectPropCount);
    m_nInPercents = Flag(store.GetInt(kMain, QStringLiteral("INPERCENTS"), 0));
    m_nEditPrints = Flag(store.GetInt(kMain, QStringLiteral("EDITPRINTS"), 0));
    m_nLockSettings = Flag(store.GetInt(kMain, QStringLiteral("LOCKSETTINGS"), 0));
    m_nJpegQuality = InRange(store.GetInt(kMain, QStringLiteral("JPEGQUALITY"), 75), 1, 100, 75);
    m_nApplyToAll = Flag(store.GetInt(kMain, QStringLiteral("APPLYTOALL"), 1));
    const int width = store.GetInt(kMain, QStringLiteral("WIDTH"), 640);
    const int height = store.GetInt(kMain, QStringLiteral("HEIGHT"), 480);
    m_nWidth = IsValidOutputSide(width) ? width : 640;
    m_nHeight = IsValidOutputSide(height) ? height : 480;
    const double dpi = Positive(store.GetDouble(kMain, QStringLiteral("DPI"), 300.0), 300.0);
    m_fDpi = static_cast<float>(dpi);
    if (!std::isfinite(m_fDpi) || m_fDpi <= 0.0f)
        m_fDpi = 300.0f;  // beyond the float range
    m_dPercentW = Positive(store.GetDouble(kMain, QStringLiteral("PERCENTW"), 100.0), 100.0);
    m_dPercentH = Positive(store.GetDouble(kMain, QStringLiteral("PERCENTH"), 100.0), 100.0);

    m_strResFolder = platform::ProgramDataFolder(exeFolder, QStringLiteral("Res"));
    m_strIniPath = m_strResFolder + QStringLiteral("resourses.ini");

    const int zoom = store.GetInt(kInterface, QStringLiteral("ICONSZOOM"), kLargeIconsZoom);
    g_nIconsZoom = zoom == kSmallIconsZoom ? kSmallIconsZoom : kLargeIconsZoom;
    g_bDetailsMode = 0;

    LoadBrowserColors(m_strIniPath);

    m_nOverwriteMethod = IndexIn(store.GetInt(kBatch, QStringLiteral("OVERWRITEMETHOD"), 1), kOverwriteMethodCount);
    m_nOutFormat = IndexIn(store.GetInt(kBatch, QStringLiteral("OUTFORMAT"), 0), kOutFormatCount);
    m_strOutFolder = store.GetString(kBatch, QStringLiteral("OUTFOLDER"), QString());
    m_bNewName = Flag(store.GetInt(kBatch, QStringLiteral("NEWNAME"), 0));
    m_nBatchJpegQuality = InRange(store.GetInt(kBatch, QStringLiteral("JPEGQUALITY"), 75), 1, 100, 75);
    m_bSameFolder = Flag(store.GetInt(kBatch, QStringLiteral("SAMEFOLDER"), 0));
}

void AppSettings::LoadFolderSettings(const platform::ProfileStore& store, const QString& exeFolder) {
    m_strExeFolder = exeFolder.endsWith(u'/') ? exeFolder : exeFolder + u'/';
    const QString common = platform::CommonDataFolder();
    m_strSettingsFolder.clear();
    if (!common.isEmpty()) {
        const QString folder = common + kApplicationTitle + QStringLiteral("/Settings/");
        if (QDir().mkpath(folder))
            m_strSettingsFolder = folder;
    }
    m_strBrowseFolder = store.GetString(kBrowser, QStringLiteral("DEFAULT"), QString());
    m_bFolderSettingsRead = true;
}

void AppSettings::Load(const platform::ProfileStore& store, const QString& exeFolder) {
    LoadSettings(store, exeFolder);
    LoadFolderSettings(store, exeFolder);
}

bool AppSettings::Save(platform::ProfileStore& store) const {
    if (m_bNoSave != 0)
        return true;
    store.WriteInt(kMain, QStringLiteral("INTERPOLMODE"), m_nInterpolMode);
    store.WriteInt(kMain, QStringLiteral("RESUNITS"), m_nResUnits);
    store.WriteInt(kMain, QStringLiteral("SIZEUNITS"), m_nSizeUnits);
    store.WriteInt(kMain, QStringLiteral("CORRECTPROP"), m_nCorrectProp);
    store.WriteInt(kMain, QStringLiteral("INPERCENTS"), m_nInPercents);
    store.WriteInt(kMain, QStringLiteral("EDITPRINTS"), m_nEditPrints);
    store.WriteInt(kMain, QStringLiteral("LOCKSETTINGS"), m_nLockSettings);
    store.WriteInt(kMain, QStringLiteral("JPEGQUALITY"), m_nJpegQuality);
    store.WriteInt(kMain, QStringLiteral("APPLYTOALL"), m_nApplyToAll);
    store.WriteInt(kMain, QStringLiteral("WIDTH"), m_nWidth);
    store.WriteInt(kMain, QStringLiteral("HEIGHT"), m_nHeight);
    store.WriteDouble(kMain, QStringLiteral("DPI"), m_fDpi);
    store.WriteDouble(kMain, QStringLiteral("PERCENTW"), m_dPercentW);
    store.WriteDouble(kMain, QStringLiteral("PERCENTH"), m_dPercentH);
    if (m_bFolderSettingsRead)
        store.WriteString(kBrowser, QStringLiteral("DEFAULT"), m_strBrowseFolder);
    store.WriteInt(kInterface, QStringLiteral("ICONSZOOM"), g_nIconsZoom);
    store.WriteInt(kBatch, QStringLiteral("OVERWRITEMETHOD"), m_nOverwriteMethod);
    store.WriteInt(kBatch, QStringLiteral("OUTFORMAT"), m_nOutFormat);
    store.WriteString(kBatch, QStringLiteral("OUTFOLDER"), m_strOutFolder);
    store.WriteInt(kBatch, QStringLiteral("NEWNAME"), m_bNewName);
    store.WriteInt(kBatch, QStringLiteral("JPEGQUALITY"), m_nBatchJpegQuality);
    store.WriteInt(kBatch, QStringLiteral("SAMEFOLDER"), m_bSameFolder);
    return store.Sync();
}

int AppSettings::GetGdiplusInterpolationMode() const {
    // NearestNeighbor, Bilinear, HighQualityBilinear, Bicubic, HighQualityBicubic
    constexpr int kModes[] = {5, 3, 6, 4, 7};
    if (m_nInterpolMode < 0 || m_nInterpolMode > 4)
        return -1;
    return kModes[m_nInterpolMode];
}

void AppSettings::ValidateBrowseFolder() {
    // A folder path with or without its final '/' is tested as the folder
    // itself; a file of that name does not count.
    if (!m_strBrowseFolder.isEmpty() && platform::KindOfFile(m_strBrowseFolder) == platform::FileKind::Folder)
        return;

    const QString samples = platform::ProgramDataFolder(m_strExeFolder, QStringLiteral("SAMPLES"));
    if (QFileInfo(samples).isDir()) {
        m_strBrowseFolder = WithoutTrailingSlash(samples);
        return;
    }
    QString folder = platform::PicturesFolder();
    if (folder.isEmpty())
        folder = platform::DocumentsFolder();
    m_strBrowseFolder = WithoutTrailingSlash(folder);
}

#include "core/settings/AppSettings.h"

#include "platform/profile/ProfileStore.h"
#include "support/CommaLocale.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QFileInfo>

#include <functional>

#include <gtest/gtest.h>

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        exeFolder_ = home_.Path() + QStringLiteral("/bin/");
        ASSERT_TRUE(QDir().mkpath(exeFolder_));
        profile_ = home_.ConfigHome() + QStringLiteral("/ORVEK/ORVEK Vespera.conf");
    }
    AppSettings Loaded() const {
        AppSettings settings;
        settings.Load(platform::ProfileStore(profile_), exeFolder_);
        return settings;
    }
    void WriteProfile(const QByteArray& text) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(profile_).path()));
        ASSERT_TRUE(WriteFile(profile_, text));
    }

    PrivateHome home_;
    QString exeFolder_;
    QString profile_;
};

TEST_F(AppSettingsTest, EmptyProfileGivesTheDefaults) {
    g_nIconsZoom = 66;
    g_bDetailsMode = 1;
    const AppSettings s = Loaded();
    EXPECT_EQ(s.m_nInterpolMode, 4);
    EXPECT_EQ(s.m_nResUnits, 0);
    EXPECT_EQ(s.m_nSizeUnits, 0);
    EXPECT_EQ(s.m_nCorrectProp, 0);
    EXPECT_EQ(s.m_nInPercents, 0);
    EXPECT_EQ(s.m_nEditPrints, 0);
    EXPECT_EQ(s.m_nLockSettings, 0);
    EXPECT_EQ(s.m_nJpegQuality, 75);
    EXPECT_EQ(s.m_nApplyToAll, 1);
    EXPECT_EQ(s.m_nWidth, 640);
    EXPECT_EQ(s.m_nHeight, 480);
    EXPECT_EQ(s.m_fDpi, 300.0f);
    EXPECT_EQ(s.m_dPercentW, 100.0);
    EXPECT_EQ(s.m_dPercentH, 100.0);
    EXPECT_EQ(s.m_nOverwriteMethod, 1);
    EXPECT_EQ(s.m_nOutFormat, 0);
    EXPECT_EQ(s.m_strOutFolder, QString());
    EXPECT_EQ(s.m_bNewName, 0);
    EXPECT_EQ(s.m_nBatchJpegQuality, 75);
    EXPECT_EQ(s.m_bSameFolder, 0);
    EXPECT_EQ(s.m_strBrowseFolder, QString());
    EXPECT_EQ(g_nIconsZoom, 100);
    EXPECT_EQ(g_bDetailsMode, 0);
    EXPECT_EQ(s.m_bBatchMode, 0);
    EXPECT_EQ(s.m_bAnimateThumbs, 1);
    EXPECT_EQ(s.m_strExeFolder, exeFolder_);
    EXPECT_EQ(s.m_strResFolder, exeFolder_ + QStringLiteral("Res/"));
    EXPECT_EQ(s.m_strIniPath, exeFolder_ + QStringLiteral("Res/resourses.ini"));
    EXPECT_EQ(s.m_strSettingsFolder, home_.DataHome() + QStringLiteral("/ORVEK/ORVEK Vespera/Settings/"));
    EXPECT_TRUE(QFileInfo(s.m_strSettingsFolder).isDir());
}

TEST_F(AppSettingsTest, RoundTripUnderACommaLocale) {
    CommaLocale comma;
    ASSERT_TRUE(CommaLocale::Active()) << "no locale with a decimal comma";
    AppSettings s = Loaded();
    s.m_nInterpolMode = 9;
    s.m_nWidth = 1920;
    s.m_nHeight = 1080;
    s.m_dPercentW = 12.5;
    s.m_strOutFolder = QStringLiteral("/out, with comma");
    s.m_strBrowseFolder = QStringLiteral("/photos");
    s.m_nOverwriteMethod = 2;
    g_nIconsZoom = 66;
    {
        platform::ProfileStore store(profile_);
        ASSERT_TRUE(s.Save(store));
    }
    const QByteArray text = ReadFile(profile_);
    EXPECT_TRUE(text.contains("DPI=300.000000\n")) << text.constData();
    EXPECT_TRUE(text.contains("PERCENTW=12.500000\n")) << text.constData();

    g_nIconsZoom = 100;
    const AppSettings back = Loaded();
    EXPECT_EQ(back.m_fDpi, 300.0f);
    EXPECT_EQ(back.m_dPercentW, 12.5);
    EXPECT_EQ(back.m_nInterpolMode, 9);
    EXPECT_EQ(back.m_nWidth, 1920);
    EXPECT_EQ(back.m_nHeight, 1080);
    EXPECT_EQ(back.m_strOutFolder, QStringLiteral("/out, with comma"));
    EXPECT_EQ(back.m_strBrowseFolder, QStringLiteral("/photos"));
    EXPECT_EQ(back.m_nOverwriteMethod, 2);
    EXPECT_EQ(g_nIconsZoom, 66);
}

TEST_F(AppSettingsTest, BrowseFolderIsWrittenOnlyAfterItWasRead) {
    WriteProfile("[BROWSER]\nDEFAULT=/photos\n");
    AppSettings s;
    {
        platform::ProfileStore store(profile_);
        s.LoadSettings(store, home_.Path());
        ASSERT_TRUE(s.Save(store));
    }
    EXPECT_TRUE(ReadFile(profile_).contains("DEFAULT=/photos")) << ReadFile(profile_).constData();
    {
        platform::ProfileStore store(profile_);
        s.LoadFolderSettings(store, home_.Path());
        s.m_strBrowseFolder = QStringLiteral("/pictures");
        ASSERT_TRUE(s.Save(store));
    }
    EXPECT_TRUE(ReadFile(profile_).contains("DEFAULT=/pictures")) << ReadFile(profile_).constData();
}

TEST_F(AppSettingsTest, NoSaveLeavesTheProfileAlone) {
    WriteProfile("[MAIN]\nWIDTH=800\n");
    AppSettings s;
    s.m_bNoSave = 1;
    platform::ProfileStore store(profile_);
    EXPECT_TRUE(s.Save(store));
    EXPECT_EQ(ReadFile(profile_), "[MAIN]\nWIDTH=800\n");
}

TEST_F(AppSettingsTest, StoredValuesAreRangeChecked) {
    using Field = std::function<double(const AppSettings&)>;
    const Field interpol = [](const AppSettings& s) { return s.m_nInterpolMode; };
    const Field resUnits = [](const AppSettings& s) { return s.m_nResUnits; };
    const Field sizeUnits = [](const AppSettings& s) { return s.m_nSizeUnits; };
    const Field correct = [](const AppSettings& s) { return s.m_nCorrectProp; };
    const Field inPercents = [](const AppSettings& s) { return s.m_nInPercents; };
    const Field quality = [](const AppSettings& s) { return s.m_nJpegQuality; };
    const Field width = [](const AppSettings& s) { return s.m_nWidth; };
    const Field height = [](const AppSettings& s) { return s.m_nHeight; };
    const Field dpi = [](const AppSettings& s) { return s.m_fDpi; };
    const Field percentW = [](const AppSettings& s) { return s.m_dPercentW; };
    const Field percentH = [](const AppSettings& s) { return s.m_dPercentH; };
    const Field overwrite = [](const AppSettings& s) { return s.m_nOverwriteMethod; };
    const Field format = [](const AppSettings& s) { return s.m_nOutFormat; };
    const Field batchQuality = [](const AppSettings& s) { return s.m_nBatchJpegQuality; };
    const Field zoom = [](const AppSettings&) { return g_nIconsZoom.load(); };
    struct Case {
        const char* profile;
        const Field& field;
        double expected;
    };
    const Case cases[] = {
        {"[MAIN]\nINTERPOLMODE=12", interpol, 4},
        {"[MAIN]\nINTERPOLMODE=-1", interpol, 4},
        {"[MAIN]\nINTERPOLMODE=0", interpol, 0},
        {"[MAIN]\nINTERPOLMODE=9", interpol, 9},
        {"[MAIN]\nRESUNITS=3", resUnits, 0},
        {"[MAIN]\nRESUNITS=2", resUnits, 2},
        {"[MAIN]\nSIZEUNITS=-1", sizeUnits, 0},
        {"[MAIN]\nSIZEUNITS=4", sizeUnits, 4},
        {"[MAIN]\nCORRECTPROP=7", correct, 0},
        {"[MAIN]\nCORRECTPROP=2", correct, 2},
        {"[MAIN]\nINPERCENTS=5", inPercents, 1},
        {"[MAIN]\nJPEGQUALITY=0", quality, 75},
        {"[MAIN]\nJPEGQUALITY=1", quality, 1},
        {"[MAIN]\nJPEGQUALITY=101", quality, 75},
        {"[MAIN]\nWIDTH=0", width, 640},
        {"[MAIN]\nWIDTH=1", width, 1},
        {"[MAIN]\nWIDTH=abc", width, 640},
        {"[MAIN]\nHEIGHT=100000", height, 100000},
        {"[MAIN]\nHEIGHT=100001", height, 480},
        {"[MAIN]\nDPI=-72", dpi, 300},
        {"[MAIN]\nDPI=0.000000", dpi, 300},
        {"[MAIN]\nDPI=1e300", dpi, 300},
        {"[MAIN]\nDPI=72.5", dpi, 72.5},
        {"[MAIN]\nDPI=dpi", dpi, 300},
        {"[MAIN]\nPERCENTW=nan", percentW, 100},
        {"[MAIN]\nPERCENTW=inf", percentW, 100},
        {"[MAIN]\nPERCENTW=2.5", percentW, 2.5},
        {"[MAIN]\nPERCENTH=0", percentH, 100},
        {"[BATCH]\nOVERWRITEMETHOD=3", overwrite, 0},
        {"[BATCH]\nOVERWRITEMETHOD=2", overwrite, 2},
        {"[BATCH]\nOUTFORMAT=5", format, 0},
        {"[BATCH]\nOUTFORMAT=4", format, 4},
        {"[BATCH]\nJPEGQUALITY=101", batchQuality, 75},
        {"[BATCH]\nJPEGQUALITY=100", batchQuality, 100},
        {"[INTERFACE]\nICONSZOOM=100000", zoom, 100},
        {"[INTERFACE]\nICONSZOOM=66", zoom, 66},
    };
    int number = 0;
    for (const Case& c : cases) {
        // A file of its own for each case: the settings class caches files by name.
        profile_ = home_.ConfigHome() + QStringLiteral("/case%1.conf").arg(++number);
        WriteProfile(QByteArray(c.profile) + '\n');
        EXPECT_EQ(c.field(Loaded()), c.expected) << c.profile;
    }
}

TEST(AppSettingsModes, GdiplusInterpolationModes) {
    AppSettings s;
    const int expected[] = {-1, 5, 3, 6, 4, 7, -1, -1, -1, -1, -1, -1};
    for (int mode = -1; mode <= 10; ++mode) {
        s.m_nInterpolMode = mode;
        EXPECT_EQ(s.GetGdiplusInterpolationMode(), expected[mode + 1]) << mode;
    }
}

class BrowseFolderTest : public AppSettingsTest {
protected:
    AppSettings WithBrowseFolder(const QString& folder) const {
        AppSettings s;
        s.m_strExeFolder = exeFolder_;
        s.m_strBrowseFolder = folder;
        s.ValidateBrowseFolder();
        return s;
    }
};

TEST_F(BrowseFolderTest, ExistingFolderIsKept) {
    const QString folder = home_.Home() + QStringLiteral("/album");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(WithBrowseFolder(folder).m_strBrowseFolder, folder);
    EXPECT_EQ(WithBrowseFolder(folder + u'/').m_strBrowseFolder, folder + u'/');
    EXPECT_EQ(WithBrowseFolder(QStringLiteral("/")).m_strBrowseFolder, QStringLiteral("/"));
}

TEST_F(BrowseFolderTest, FallsBackToSamplesThenPicturesThenDocuments) {
    const QString pictures = home_.Home() + QStringLiteral("/Pictures");
    ASSERT_TRUE(WriteFile(home_.Home() + QStringLiteral("/a-file"), "x"));
    for (const QString& gone :
         {QString(), home_.Home() + QStringLiteral("/gone"), home_.Home() + QStringLiteral("/a-file")}) {
        EXPECT_EQ(WithBrowseFolder(gone).m_strBrowseFolder, pictures) << gone.toStdString();
    }
    EXPECT_TRUE(QFileInfo(pictures).isDir());

    ASSERT_TRUE(QDir().mkpath(exeFolder_ + QStringLiteral("SAMPLES")));
    EXPECT_EQ(WithBrowseFolder(QString()).m_strBrowseFolder, exeFolder_ + QStringLiteral("SAMPLES"));
    ASSERT_TRUE(QDir(exeFolder_ + QStringLiteral("SAMPLES")).removeRecursively());

    ASSERT_TRUE(QDir(pictures).removeRecursively());
    ASSERT_TRUE(WriteFile(pictures, "a file where the folder should be"));
    EXPECT_EQ(WithBrowseFolder(QString()).m_strBrowseFolder, home_.Home() + QStringLiteral("/Documents"));
}

}  // namespace

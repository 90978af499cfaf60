#include "app/presets/PresetFolder.h"

#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList Titles(const std::vector<presets::PresetEntry>& entries) {
    QStringList titles;
    for (const auto& e : entries)
        titles << e.title;
    return titles;
}

TEST(PresetFolder, IsMadeUnderTheCommonDataFolder) {
    PrivateHome home;
    const QString folder = presets::PresetFolder(QStringLiteral("Settings"));
    EXPECT_EQ(folder, home.DataHome() + QStringLiteral("/ORVEK/ORVEK Vespera/Settings/"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(PresetFolder, ListsTheWholeExtensionIgnoringCase) {
    QTemporaryDir dir;
    for (const char* name : {"Portrait.vps", "b.VPS", "name.xvps", "xvps", ".vps", "batch.vpb", "c.vps.bak"})
        ASSERT_TRUE(WriteFile(dir.filePath(QLatin1String(name)), "x"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.vps")));

    const auto entries = presets::ListPresets(dir.path(), QStringLiteral("vps"));
    EXPECT_EQ(Titles(entries), (QStringList{QStringLiteral("b"), QStringLiteral("Portrait")}));
    EXPECT_TRUE(presets::HasPresets(dir.path(), QStringLiteral("vps")));
    EXPECT_FALSE(presets::HasPresets(dir.path(), QStringLiteral("tif")));

    const presets::PresetEntry* found = presets::FindPreset(entries, QStringLiteral("portrait"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->fileName, QStringLiteral("Portrait.vps"));
    found = presets::FindPreset(entries, QStringLiteral("B"));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->fileName, QStringLiteral("b.VPS"));
    EXPECT_EQ(presets::FindPreset(entries, QStringLiteral("name")), nullptr);
}

TEST(PresetFolder, TheExactSpellingWinsOverAnotherCase) {
    const std::vector<presets::PresetEntry> entries{{QStringLiteral("A"), QStringLiteral("A.vps")},
                                                    {QStringLiteral("a"), QStringLiteral("a.vps")}};
    EXPECT_EQ(presets::FindPreset(entries, QStringLiteral("a"))->fileName, QStringLiteral("a.vps"));
    EXPECT_EQ(presets::FindPreset(entries, QStringLiteral("A"))->fileName, QStringLiteral("A.vps"));
}

TEST(PresetFolder, NamesThatCannotNameAFileAreRefused) {
    for (const QString& bad : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("a/b"),
                               QStringLiteral("/"), QStringLiteral("../x"), QStringLiteral("a") + QChar(u'\0')})
        EXPECT_FALSE(presets::IsValidPresetName(bad)) << bad.toStdString();
    for (const QString& good : {QStringLiteral("Portrait"), QStringLiteral("a.b"), QStringLiteral("...x"),
                                QStringLiteral("4x6 300 dpi"), QStringLiteral("Ünïcode")})
        EXPECT_TRUE(presets::IsValidPresetName(good)) << good.toStdString();
}

}  // namespace

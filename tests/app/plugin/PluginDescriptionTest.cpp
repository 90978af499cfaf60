#include "app/plugin/PluginDescription.h"

#include "core/version/VersionInfo.h"
#include "support/FifoFixtures.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <string>

namespace {

const QString kProgram = QStringLiteral("/opt/orvek/bin/vespera");

// The file's whole text, as a host program reads it.
const char kExpected[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<qvplugin>\n"
    "\t<general path=\"/opt/orvek/bin/vespera\" icon=\"/opt/orvek/bin/vespera,128\" type=\"exe\" call=\"cmdline\"/>\n"
    "\t<plugins>\n"
    "\t\t<plugin>\n"
    "\t\t\t<interface icon=\"/opt/orvek/bin/vespera,128\" text=\"ORVEK Vespera|Vespera|&amp;Vespera\" group=\"3\"/>\n"
    "\t\t\t<special mode=\"browse\" files-type=\"image\" files-count-min=\"1\" files-count-max=\"-1\"/>\n"
    "\t\t</plugin>\n"
    "\t</plugins>\n"
    "</qvplugin>\n";

TEST(PluginDescription, FileNameCarriesTheVersionInHexadecimal) {
    EXPECT_EQ(plugin::PluginFileName(0x00030000), QStringLiteral("QVVespera.03.00.qvplugin"));
    EXPECT_EQ(plugin::PluginFileName(0x000A0002), QStringLiteral("QVVespera.0a.02.qvplugin"));
    EXPECT_EQ(plugin::PluginFileName(0x01230456), QStringLiteral("QVVespera.123.456.qvplugin"));
    EXPECT_EQ(vespera::kFileVersionMS, 0x00030000u);  // the project's VERSION 3.0.0
}

TEST(PluginDescription, RegisterWritesTheExactText) {
    PrivateHome home;
    ASSERT_TRUE(plugin::RegisterPlugin(true, kProgram));
    const QString folder = home.DataHome() + QStringLiteral("/ORVEK/PLUGINS");
    EXPECT_EQ(Entries(folder), QStringList{QStringLiteral("QVVespera.03.00.qvplugin")});
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/QVVespera.03.00.qvplugin")).toStdString(), std::string(kExpected));
}

TEST(PluginDescription, ASecondRegisterReplacesTheFile) {
    PrivateHome home;
    ASSERT_TRUE(plugin::RegisterPlugin(true, QStringLiteral("/old/path")));
    ASSERT_TRUE(plugin::RegisterPlugin(true, kProgram));
    const QString folder = home.DataHome() + QStringLiteral("/ORVEK/PLUGINS");
    EXPECT_EQ(Entries(folder), QStringList{QStringLiteral("QVVespera.03.00.qvplugin")});
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/QVVespera.03.00.qvplugin")).toStdString(), std::string(kExpected));
}

TEST(PluginDescription, UnregisterRemovesTheFileAndKeepsTheFolder) {
    PrivateHome home;
    const QString folder = home.DataHome() + QStringLiteral("/ORVEK/PLUGINS");
    ASSERT_TRUE(plugin::RegisterPlugin(true, kProgram));
    ASSERT_TRUE(WriteFile(folder + QStringLiteral("/Other.01.00.qvplugin"), "other program"));
    EXPECT_TRUE(plugin::RegisterPlugin(false, kProgram));
    EXPECT_EQ(Entries(folder), QStringList{QStringLiteral("Other.01.00.qvplugin")});
}

TEST(PluginDescription, UnregisterWithoutRegisterMakesTheFolderAndNoFile) {
    PrivateHome home;
    EXPECT_TRUE(plugin::RegisterPlugin(false, kProgram));
    const QString folder = home.DataHome() + QStringLiteral("/ORVEK/PLUGINS");
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(Entries(folder), QStringList());
}

TEST(PluginDescription, SpecialCharactersOfThePathAreEscaped) {
    const QByteArray xml = plugin::PluginDescriptionXml(QStringLiteral("/a \"b\" <c>/v"), QStringLiteral("x"));
    EXPECT_TRUE(xml.contains("path=\"/a &quot;b&quot; &lt;c&gt;/v\""));
}

// A named pipe in the plug-in file's place is neither replaced nor removed.
TEST(PluginDescription, APipeInTheFilesPlaceIsLeftAlone) {
    PrivateHome home;
    const QString folder = home.DataHome() + QStringLiteral("/ORVEK/PLUGINS/");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + plugin::PluginFileName(vespera::kFileVersionMS);
    ASSERT_TRUE(fifotests::MakeFifo(file));
    fifotests::LogCapture log;
    EXPECT_FALSE(plugin::RegisterPlugin(true, kProgram));
    EXPECT_FALSE(plugin::RegisterPlugin(false, kProgram));
    EXPECT_TRUE(fifotests::IsFifo(file));
    EXPECT_EQ(log.Count(QStringLiteral("plug-in file: ") + file), 1);
}

}  // namespace

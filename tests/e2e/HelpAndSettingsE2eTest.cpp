// The Help menu, the settings files, the update check and the plug-in
// switches on the real program.

#include "tests/app/update/FakeUpdateServer.h"
#include "tests/e2e/E2eSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kMainWindow = QStringLiteral("^ORVEK Vespera 3 - QVVespera$");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Opens a menu of the window with its Alt key and chooses an item by its
// mnemonic, as a user does.
bool ChooseFromMenu(E2eSession& session, unsigned long window, const QString& menuKey, const QString& itemKey) {
    return session.SendKeys(window, QStringLiteral("alt+") + menuKey) &&
           E2eSession::Xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100"), itemKey})
               .has_value();
}

void CloseAndWaitForExit(E2eSession& session, unsigned long window) {
    ASSERT_TRUE(session.CloseWindow(window));
    const std::optional<int> code = session.WaitForExit(15000);
    ASSERT_TRUE(code.has_value()) << "the program did not end: " << session.ErrorOutput().toStdString();
    EXPECT_EQ(*code, 0) << session.ErrorOutput().toStdString();
}

// The program never asks a server outside this machine in these tests.
class NoUpdateServer {
public:
    NoUpdateServer() { qputenv("VESPERA_UPDATE_SERVER", ""); }
    ~NoUpdateServer() { qunsetenv("VESPERA_UPDATE_SERVER"); }
};

TEST(HelpMenu, F1OpensTheHelpAndHelpAboutTheAboutBox) {
    NoUpdateServer off;
    E2eSession session;
    ASSERT_TRUE(session.Start());
    const unsigned long window = session.FindWindow(kMainWindow);
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();

    ASSERT_TRUE(session.SendKeys(window, QStringLiteral("F1")));
    const unsigned long help = session.FindWindow(QStringLiteral("^ORVEK Vespera Help$"));
    ASSERT_NE(help, 0u) << "no help window after F1";
    // The contents page with its heading in the pages' colour.
    EXPECT_TRUE(E2eSession::WaitFor(
        [&] { return FractionNear(session.Screenshot(help), qRgb(0x24, 0x46, 0x6b), 8) > 0.001; }, 10000));
    ASSERT_TRUE(session.CloseWindow(help));
    EXPECT_TRUE(session.WaitForWindowGone(QStringLiteral("^ORVEK Vespera Help$")));

    ASSERT_TRUE(ChooseFromMenu(session, window, QStringLiteral("h"), QStringLiteral("a")));
    const unsigned long about = session.FindWindow(QStringLiteral("^About$"));
    ASSERT_NE(about, 0u) << "no About box from Help > About";
    ASSERT_TRUE(session.SendKeys(about, QStringLiteral("Return")));
    EXPECT_TRUE(session.WaitForWindowGone(QStringLiteral("^About$")));
    CloseAndWaitForExit(session, window);
}

TEST(SettingsFiles, SaveSettingsWritesTheFileUnderTheTypedName) {
    NoUpdateServer off;
    E2eSession session;
    ASSERT_TRUE(session.Start());
    const unsigned long window = session.FindWindow(kMainWindow);
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();

    ASSERT_TRUE(ChooseFromMenu(session, window, QStringLiteral("f"), QStringLiteral("t")));
    const unsigned long picker = session.FindWindow(QStringLiteral("^Save settings$"));
    ASSERT_NE(picker, 0u) << "no picker from File > Save settings";
    ASSERT_TRUE(session.SendKeys(picker, QStringLiteral("W")));
    ASSERT_TRUE(E2eSession::Xdotool({QStringLiteral("type"), QStringLiteral("eb")}).has_value());
    ASSERT_TRUE(session.SendKeys(picker, QStringLiteral("Return")));
    EXPECT_TRUE(session.WaitForWindowGone(QStringLiteral("^Save settings$")));

    const QString file = session.DataHome() + QStringLiteral("/ORVEK/ORVEK Vespera/Settings/Web.vps");
    ASSERT_TRUE(E2eSession::WaitFor([&] { return QFileInfo(file).size() == 92; }, 5000));
    EXPECT_TRUE(ReadAll(file).startsWith(QByteArray("O\0R\0V\0E\0K\0", 10)));
    CloseAndWaitForExit(session, window);
}

TEST(UpdateCheck, AnUpdateFoundAtStartShowsTheDialog) {
    FakeUpdateServer server([](const QByteArray& target) {
        if (target == "/checkupdate/updateurl.html")
            return FakeUpdateServer::Reply("http://127.0.0.1/checkupdate/query.html");
        return FakeUpdateServer::Reply("<status>1</status><message80>Vespera 3.1 is out</message80>");
    });
    qputenv("VESPERA_UPDATE_SERVER", "127.0.0.1:" + QByteArray::number(server.Port()));
    E2eSession session;
    // The last check was long ago, so the start checks.
    ASSERT_TRUE(WriteAll(session.SettingsFile(), "[MAIN]\nXVALUE_T=\"20,01,01\"\nXVALUE_D=7\n"));
    ASSERT_TRUE(session.Start());
    qunsetenv("VESPERA_UPDATE_SERVER");
    const unsigned long window = session.FindWindow(kMainWindow);
    ASSERT_NE(window, 0u) << session.ErrorOutput().toStdString();

    const unsigned long dialog = session.FindWindow(QStringLiteral("^Dialog$"));
    ASSERT_NE(dialog, 0u) << "no update dialog";
    EXPECT_EQ(server.Requests().size(), 2);
    ASSERT_TRUE(session.SendKeys(dialog, QStringLiteral("Escape")));
    EXPECT_TRUE(session.WaitForWindowGone(QStringLiteral("^Dialog$")));
    CloseAndWaitForExit(session, window);
    EXPECT_TRUE(ReadAll(session.SettingsFile()).contains("XVALUE_D=0"));
}

TEST(PluginSwitches, RegisterWritesTheDescriptionAndUnregisterRemovesIt) {
    NoUpdateServer off;
    E2eSession session;
    const QString file = session.DataHome() + QStringLiteral("/ORVEK/PLUGINS/QVVespera.03.00.qvplugin");
    ASSERT_TRUE(session.Start({QStringLiteral("-Register")}));
    ASSERT_EQ(session.WaitForExit(15000), std::optional<int>(0));
    const QByteArray xml = ReadAll(file);
    const QString program = QFileInfo(qEnvironmentVariable("VESPERA_PROGRAM")).canonicalFilePath();
    EXPECT_TRUE(xml.contains(("<general path=\"" + program + "\" icon=\"" + program + ",128\"").toUtf8()))
        << xml.constData();
    EXPECT_FALSE(QFileInfo::exists(session.SettingsFile()));  // nothing else happens

    ASSERT_TRUE(session.Start({QStringLiteral("-UNREGSERVER")}));
    ASSERT_EQ(session.WaitForExit(15000), std::optional<int>(0));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(QFileInfo(QFileInfo(file).absolutePath()).isDir());
}

}  // namespace

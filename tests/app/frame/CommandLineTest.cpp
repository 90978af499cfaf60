#include "app/frame/CommandLineInfo.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

using Shell = CMyCommandLineInfo::ShellCommand;

struct Case {
    QStringList arguments;
    Shell shell;
    QStringList files;
    bool embedded = false;
    bool automated = false;
    bool timing = false;
};

class CommandLineTable : public ::testing::TestWithParam<Case> {};

// Files are kept where they are: a relative one under the current folder.
QString Here(const QString& file) { return file.startsWith(u'/') ? file : QDir::currentPath() + u'/' + file; }

QStringList Here(const QStringList& files) {
    QStringList out;
    for (const QString& file : files)
        out << Here(file);
    return out;
}

TEST_P(CommandLineTable, Parses) {
    const Case& c = GetParam();
    CMyCommandLineInfo info;
    info.ParseCommandLine(c.arguments);
    EXPECT_EQ(info.m_nShellCommand, c.shell);
    EXPECT_EQ(info.m_listFiles, Here(c.files));
    EXPECT_EQ(info.m_bRunEmbedded, c.embedded);
    EXPECT_EQ(info.m_bRunAutomated, c.automated);
    EXPECT_EQ(info.m_bTiming, c.timing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTable,
    ::testing::Values(Case{{}, Shell::FileNew, {}}, Case{{"shot.jpg"}, Shell::FileOpen, {"shot.jpg"}},
                      Case{{"a.jpg", "b.PNG", "notes.txt"}, Shell::FileOpen, {"a.jpg", "b.PNG"}},
                      Case{{"notes.txt"}, Shell::FileOpen, {}},
                      // A parameter starting with '/' is a path, never a switch.
                      Case{{"/photos/a.tif"}, Shell::FileOpen, {"/photos/a.tif"}},
                      Case{{"/Register"}, Shell::FileOpen, {}}, Case{{"-Register"}, Shell::AppRegister, {}},
                      Case{{"--REGSERVER"}, Shell::AppRegister, {}}, Case{{"-Unregister"}, Shell::AppUnregister, {}},
                      Case{{"-unregserver"}, Shell::AppUnregister, {}}, Case{{"-Embedding"}, Shell::FileNew, {}, true},
                      Case{{"--automation"}, Shell::FileNew, {}, false, true},
                      Case{{"--timing", "big.jpg"}, Shell::FileOpen, {"big.jpg"}, false, false, true},
                      // Printing and DDE from the command line are not carried out.
                      Case{{"-p", "a.jpg"}, Shell::FileOpen, {"a.jpg"}},
                      Case{{"-pt", "a.jpg", "printer"}, Shell::FileOpen, {"a.jpg"}}, Case{{"-dde"}, Shell::FileNew, {}},
                      // A lone dash names no switch.
                      Case{{"-"}, Shell::FileOpen, {}}));

TEST(CommandLine, FirstFileIsTheDocument) {
    CMyCommandLineInfo info;
    info.ParseCommandLine({"notes.txt", "a.jpg"});
    EXPECT_EQ(info.m_strFileName, Here(QStringLiteral("notes.txt")));
    EXPECT_EQ(info.m_listFiles, Here(QStringList{"a.jpg"}));
}

// A relative file on the command line is kept under the folder the program
// was started in, so that it names the same file from any folder later.
TEST(CommandLine, RelativeFilesAreKeptUnderTheCurrentFolder) {
    CMyCommandLineInfo info;
    info.ParseCommandLine({"big/a.png", "./big//b.png", "/photos/c.png"});
    const QString here = QDir::currentPath();
    EXPECT_EQ(info.m_listFiles, (QStringList{here + "/big/a.png", here + "/big/b.png", "/photos/c.png"}));
    EXPECT_EQ(info.m_strFileName, here + "/big/a.png");
}

}  // namespace

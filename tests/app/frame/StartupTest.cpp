#include "app/frame/FrameIds.h"
#include "app/panel/ResizeDlgBar.h"
#include "app/preview/NavigatorWnd.h"
#include "app/preview/QVVesperaView.h"
#include "core/document/QVVesperaDoc.h"
#include "platform/resources/CommandIds.h"
#include "tests/app/frame/FrameTestSupport.h"

#include <QFileInfo>

#include "platform/threads/Event.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    QByteArray Profile() const { return ReadFile(ProfilePath(home_)); }

    PrivateHome home_;
};

TEST_F(StartupTest, NoArgumentsShowsAnEmptyDocument) {
    WriteProfileText(home_, "[MAIN]\nWIDTH=800\n[BROWSER]\nDEFAULT=/photos\n");
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({}));
    ASSERT_NE(app->m_pMainWnd, nullptr);
    EXPECT_TRUE(app->m_pMainWnd->isVisible());
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - QVVespera"));
    EXPECT_EQ(app->m_bBatchMode, 0);
    EXPECT_EQ(app->m_nWidth, 800);
    EXPECT_EQ(app->m_strBrowseFolder, QStringLiteral("/photos"));
    EXPECT_GE(app->m_nWindowsVersion, 12u);
}

TEST_F(StartupTest, MaximisedByDefault) {
    EnsureApplication();
    CQVVesperaApp app;
    ASSERT_TRUE(app.InitInstance({}));
    EXPECT_TRUE(app.m_pMainWnd->windowState() & Qt::WindowMaximized);
}

TEST_F(StartupTest, UnsupportedFileGivesAnEmptyDocument) {
    WriteFile(home_.Path() + QStringLiteral("/notes.txt"), "text");
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({home_.Path() + QStringLiteral("/notes.txt")}));
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - QVVespera"));
    EXPECT_EQ(app->m_bBatchMode, 0);
}

TEST_F(StartupTest, SettingsAreWrittenOnceAtExit) {
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({}));
    EXPECT_FALSE(QFileInfo::exists(ProfilePath(home_)));  // nothing before the exit
    app->m_nWidth = 1234;
    app->m_strBrowseFolder = QStringLiteral("/pictures");
    app->RecentFiles().Add(QStringLiteral("/pictures/a.jpg"));
    EXPECT_EQ(app->ExitInstance(), 0);
    EXPECT_EQ(app->m_pMainWnd, nullptr);
    const QByteArray written = Profile();
    EXPECT_TRUE(written.contains("WIDTH=1234")) << written.constData();
    EXPECT_TRUE(written.contains("DEFAULT=/pictures")) << written.constData();
    EXPECT_TRUE(written.contains("File1=/pictures/a.jpg")) << written.constData();

    // A second exit writes nothing.
    WriteProfileText(home_, "[MAIN]\nWIDTH=1\n");
    app->m_nWidth = 999;
    app->ExitInstance();
    EXPECT_EQ(Profile(), "[MAIN]\nWIDTH=1\n");
}

TEST_F(StartupTest, ClosingTheWindowStoresTheSplitter) {
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({}));
    app->m_pMainWnd->close();
    app->ExitInstance();
    EXPECT_TRUE(Profile().contains("Panes_0=")) << Profile().constData();
}

struct RegisterCase {
    const char* argument;
    bool install;
};

class RegisterSwitches : public StartupTest, public ::testing::WithParamInterface<RegisterCase> {};

TEST_P(RegisterSwitches, OnlyTouchThePluginFile) {
    const QByteArray before = "[MAIN]\nWIDTH=800\n";
    WriteProfileText(home_, before);
    auto app = MakeApp();
    std::vector<bool> calls;
    app->m_registerPlugin = [&calls](bool install) {
        calls.push_back(install);
        return true;
    };
    EXPECT_FALSE(app->InitInstance({QString::fromUtf8(GetParam().argument)}));
    EXPECT_EQ(app->m_pMainWnd, nullptr);
    EXPECT_EQ(calls, std::vector<bool>{GetParam().install});
    EXPECT_EQ(app->m_bNoSave, 1);
    app->ExitInstance();
    EXPECT_EQ(Profile(), before);
}

INSTANTIATE_TEST_SUITE_P(Switches, RegisterSwitches,
                         ::testing::Values(RegisterCase{"-Register", true}, RegisterCase{"--regserver", true},
                                           RegisterCase{"-Unregister", false}, RegisterCase{"-UNREGSERVER", false}));

TEST_F(StartupTest, EmbeddingEndsWithoutAWindowAndKeepsTheBrowseFolder) {
    WriteProfileText(home_, "[BROWSER]\nDEFAULT=/photos\n[MAIN]\nWIDTH=800\n");
    auto app = MakeApp();
    EXPECT_FALSE(app->InitInstance({QStringLiteral("-Embedding")}));
    EXPECT_EQ(app->m_pMainWnd, nullptr);
    app->ExitInstance();
    const QByteArray written = Profile();
    // What was read is written back; the browse folder was not read and stays.
    EXPECT_TRUE(written.contains("WIDTH=800")) << written.constData();
    EXPECT_TRUE(written.contains("DEFAULT=/photos")) << written.constData();
}

TEST_F(StartupTest, OpenDialogCancelledChangesNothing) {
    ScriptedAnswers answers;
    auto app = MakeApp();
    app->m_fileDialog = [](bool, const QString&, int*) -> std::optional<QString> { return std::nullopt; };
    ASSERT_TRUE(app->InitInstance({}));
    EXPECT_FALSE(app->OpenImage(QString()));
    EXPECT_TRUE(answers.Questions().empty());
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - QVVespera"));
}

TEST_F(StartupTest, OpenDialogWithoutANameSaysSo) {
    ScriptedAnswers answers;
    auto app = MakeApp();
    app->m_fileDialog = [](bool, const QString&, int*) -> std::optional<QString> { return QString(); };
    ASSERT_TRUE(app->InitInstance({}));
    QString path = QStringLiteral("old");
    EXPECT_FALSE(app->PromptFileName(path, true, 0, nullptr));
    EXPECT_TRUE(path.isEmpty());
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("Can't open file!"));
}

TEST_F(StartupTest, SaveDialogGetsTheSaveFilterAndGivesTheIndex) {
    auto app = MakeApp();
    QString seenFilter;
    app->m_fileDialog = [&seenFilter](bool open, const QString& filter, int* index) -> std::optional<QString> {
        EXPECT_FALSE(open);
        seenFilter = filter;
        *index = 5;
        return QStringLiteral("/out/x.png");
    };
    ASSERT_TRUE(app->InitInstance({}));
    QString path;
    int index = 1;
    ASSERT_TRUE(app->PromptFileName(path, false, 0, &index));
    EXPECT_EQ(path, QStringLiteral("/out/x.png"));
    EXPECT_EQ(index, 5);
    EXPECT_EQ(seenFilter, QStringLiteral("JPEG Files (*.jpg);;TIFF Files (*.tif);;Bitmap Files (*.bmp);;GIF Files "
                                         "(*.gif);;PNG Files (*.png)"));
}

}  // namespace

namespace {

// A picture of one colour in the private home.
QString MakePicture(const PrivateHome& home, const QString& name, QColor colour) {
    QImage image(320, 200, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = home.Path() + u'/' + name;
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

TEST_F(StartupTest, TheNavigatorFillsThePanelsFrameAndFollowsTheView) {
    const QString path = MakePicture(home_, QStringLiteral("wide.png"), QColor(0, 0, 200));
    WriteProfileText(home_, "[MAIN]\nLOCKSETTINGS=1\nINPERCENTS=1\nPERCENTW=1000.000000\nPERCENTH=1000.000000\n");
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({path}));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->m_pMainWnd));
    Settle();
    CNavigatorWnd* navigator = app->GetNavigator();
    ASSERT_NE(navigator, nullptr);
    EXPECT_EQ(navigator->parentWidget(), app->m_pMainWnd->ResizePanel()->NavigatorFrame());
    EXPECT_TRUE(navigator->HasPicture());
    // Ten times the picture's size: the view shows a part, framed.
    CQVVesperaView* view = app->GetPreviewView();
    ASSERT_TRUE(view->HasHorizontalBar());
    view->ScrollToPosition({0, 0});
    const QPoint atStart = navigator->ViewFrame().topLeft();
    view->ScrollToPosition(view->GetScrollLimit());
    EXPECT_GT(navigator->ViewFrame().x(), atStart.x());
    EXPECT_LT(navigator->ViewFrame().width(), navigator->GetImageRect().width());
}

TEST_F(StartupTest, OneImageOpensAfterTheWindowIsShown) {
    const QString path = MakePicture(home_, QStringLiteral("green.png"), QColor(0, 200, 0));
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({path}));
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - green.png"));
    ASSERT_NE(app->GetPreviewView(), nullptr);
    EXPECT_TRUE(app->GetDocument()->HasImage());
    EXPECT_EQ(app->RecentFiles()[0], path);
    // The output size follows the image.
    EXPECT_EQ(app->m_nWidth, 320);
    EXPECT_EQ(app->m_nHeight, 200);
    // The view shows it.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->m_pMainWnd));
    Settle();
    CQVVesperaView* view = app->GetPreviewView();
    const QImage shot = view->viewport()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(shot.width() / 2, shot.height() / 2)), QColor(0, 200, 0));
    // Resize and Save is offered only once the output differs.
    EXPECT_FALSE(app->m_pMainWnd->QueryCommand(ID_FILE_SAVE).enabled);
    app->m_nWidth = 160;
    EXPECT_TRUE(app->m_pMainWnd->QueryCommand(ID_FILE_SAVE).enabled);
}

// The window paints itself while the picture of the command line decodes;
// a window closed meanwhile ends the start without opening the picture.
TEST_F(StartupTest, AWindowClosedWhileItsPictureDecodesEndsTheStart) {
    const QString path = MakePicture(home_, QStringLiteral("green.png"), QColor(0, 200, 0));
    auto app = MakeApp();
    // The picture is read only once the window is closed.
    platform::Event closed(platform::Event::Reset::Manual);
    app->m_beforePrefetchRead = [&closed] { closed.Wait(); };
    app->m_showMainWindow = [&closed](CMainFrame& frame) {
        frame.resize(1000, 800);
        frame.show();
        // As the window manager's close would arrive: after the showing.
        QMetaObject::invokeMethod(&frame, &QWidget::close, Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            &frame, [&closed] { closed.Set(); }, Qt::QueuedConnection);
    };
    EXPECT_FALSE(app->InitInstance({path}));
    EXPECT_FALSE(app->m_pMainWnd->isVisible());
    EXPECT_FALSE(app->GetDocument()->HasImage());
    EXPECT_EQ(app->ExitInstance(), 0);
    EXPECT_TRUE(Profile().contains("[MAIN]"));
}

TEST_F(StartupTest, UnreadableImageSaysSoAndLeavesAnEmptyDocument) {
    ScriptedAnswers answers;
    const QString path = home_.Path() + QStringLiteral("/broken.jpg");
    WriteFile(path, "not a picture");
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({path}));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("Can't open file\n%1!").arg(path));
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - QVVespera"));
    EXPECT_FALSE(app->GetDocument()->HasImage());
    EXPECT_EQ(app->RecentFiles().Count(), 0);
}

TEST_F(StartupTest, RightAndLeftWalkTheFolder) {
    const QString first = MakePicture(home_, QStringLiteral("a.png"), Qt::red);
    MakePicture(home_, QStringLiteral("b.png"), Qt::blue);
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({first}));
    CQVVesperaView* view = app->GetPreviewView();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app->m_pMainWnd));
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - b.png"));
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - a.png"));
}

TEST_F(StartupTest, RecentFileReopensAndADeadOneLeavesTheList) {
    const QString path = MakePicture(home_, QStringLiteral("c.png"), Qt::yellow);
    auto app = MakeApp();
    ASSERT_TRUE(app->InitInstance({}));
    app->RecentFiles().Add(home_.Path() + QStringLiteral("/gone.png"));
    app->RecentFiles().Add(path);
    ScriptedAnswers answers;
    EXPECT_TRUE(app->m_pMainWnd->RunCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(app->m_pMainWnd->windowTitle(), QStringLiteral("ORVEK Vespera 3 - c.png"));
    EXPECT_TRUE(app->m_pMainWnd->RunCommand(ID_FILE_MRU_FILE1 + 1));
    EXPECT_EQ(app->RecentFiles().Count(), 1);
    EXPECT_EQ(app->RecentFiles()[0], path);
}

}  // namespace

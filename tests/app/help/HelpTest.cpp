#include "app/help/CAboutDlg.h"
#include "app/help/HelpCommands.h"
#include "app/help/HelpIds.h"
#include "app/help/HelpWindow.h"
#include "app/help/WhatsThis.h"
#include "core/version/VersionInfo.h"
#include "platform/resources/CommandIds.h"
#include "platform/shellexec/OpenAddress.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWhatsThis>

#include <gtest/gtest.h>

#include <memory>

namespace {

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = platform::InstallAddressOpener([this](const QUrl& url) {
            opened_ << url.toString();
            return true;
        });
    }
    void TearDown() override {
        platform::InstallAddressOpener(previous_);
        delete help::OpenHelpWindow();
    }

    platform::AddressOpener previous_;
    QStringList opened_;
};

TEST_F(HelpTest, AboutBoxShowsTheVersionFromTheBuild) {
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(dlg.VersionLabel()->text(), QStringLiteral("ORVEK Vespera v. 3.0.0.0"));
    EXPECT_EQ(CAboutDlg::VersionText(2, 1, 0, 7), QStringLiteral("ORVEK Vespera v. 2.1.0.7"));
    dlg.show();
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(HelpTest, AboutCommandShowsTheBoxModally) {
    QWidget frame;
    help::HelpCommands commands([&] { return &frame; });
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* dlg = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            shown = dlg->VersionLabel()->text();
            QTest::keyClick(dlg, Qt::Key_Return);
        }
    });
    EXPECT_TRUE(commands.RunCommand(ID_APP_ABOUT));
    EXPECT_EQ(shown, QStringLiteral("ORVEK Vespera v. 3.0.0.0"));
}

TEST_F(HelpTest, HomePageOpensTheMakersAddress) {
    help::HelpCommands commands({});
    EXPECT_TRUE(commands.RunCommand(ID_HOME_PAGE));
    EXPECT_EQ(opened_, QStringList{QLatin1String(vespera::kHomePage)});
}

TEST_F(HelpTest, F1OpensTheHelpWindowOnItsFirstPage) {
    QWidget frame;
    help::HelpCommands commands([&] { return &frame; });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), &frame);
    QObject::connect(f1, &QShortcut::activated, [&] { commands.RunCommand(ID_HELP); });
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    QTest::keyClick(&frame, Qt::Key_F1);

    help::HelpWindow* window = help::OpenHelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->CurrentPage(), QUrl(QStringLiteral("qrc:/help/index.html")));
    EXPECT_TRUE(window->Browser()->toPlainText().contains(QLatin1String("ORVEK Vespera Help")));
    // The pages' style sheet is applied: the heading is drawn in its colour.
    const QImage shown = window->Browser()->viewport()->grab().toImage();
    int headingPixels = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x)
            headingPixels += shown.pixel(x, y) == qRgb(0x24, 0x46, 0x6b) ? 1 : 0;
    }
    EXPECT_GT(headingPixels, 50);

    // Help Topics again: the same window, back on the first page.
    Q_EMIT window->Browser()->anchorClicked(QUrl(QStringLiteral("batch.html#run")));
    EXPECT_EQ(window->CurrentPage(), QUrl(QStringLiteral("qrc:/help/batch.html#run")));
    EXPECT_TRUE(commands.RunCommand(ID_HELP_FINDER));
    EXPECT_EQ(help::OpenHelpWindow(), window);
    EXPECT_EQ(window->CurrentPage(), QUrl(QStringLiteral("qrc:/help/index.html")));
}

TEST_F(HelpTest, LinksOutsideThePagesGoToTheBrowserOrNowhere) {
    help::HelpWindow* window = help::ShowHelp(nullptr, QStringLiteral("updates.html"));
    Q_EMIT window->Browser()->anchorClicked(QUrl(QStringLiteral("https://www.orvek.example/vespera/")));
    Q_EMIT window->Browser()->anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
    Q_EMIT window->Browser()->anchorClicked(QUrl(QStringLiteral("javascript:alert(1)")));
    EXPECT_EQ(opened_, QStringList{QStringLiteral("https://www.orvek.example/vespera/")});
    EXPECT_EQ(window->CurrentPage(), QUrl(QStringLiteral("qrc:/help/updates.html")));
}

// Every link and image of every help page names a page or file that is
// there, and every "#anchor" an id in its page.
TEST_F(HelpTest, EveryHelpPageLinkResolves) {
    const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    int pages = 0;
    int links = 0;
    QDirIterator it(QStringLiteral(":/help"), {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString page = it.next();
        ++pages;
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (auto match = link.globalMatch(html); match.hasNext();) {
            const QUrl target = QUrl(QStringLiteral("qrc") + page).resolved(QUrl(match.next().captured(1)));
            if (target.scheme() == QLatin1String("https") || target.scheme() == QLatin1String("http"))
                continue;
            ++links;
            ASSERT_EQ(target.scheme(), QStringLiteral("qrc")) << page.toStdString();
            QFile linked(u':' + target.path());
            ASSERT_TRUE(linked.open(QIODevice::ReadOnly))
                << page.toStdString() << " -> " << target.toString().toStdString();
            if (target.hasFragment()) {
                const QString text = QString::fromUtf8(linked.readAll());
                EXPECT_TRUE(text.contains(QStringLiteral("id=\"%1\"").arg(target.fragment())))
                    << page.toStdString() << " -> " << target.toString().toStdString();
            }
        }
    }
    EXPECT_GE(pages, 8);
    EXPECT_GE(links, 50);
}

TEST_F(HelpTest, ControlsGetTheirWhatsThisTexts) {
    EXPECT_TRUE(help::WhatsThisText(1020).contains(QLatin1String("algorithm")));
    EXPECT_TRUE(help::WhatsThisText(1030).startsWith(QLatin1String("Lock settings")));
    EXPECT_TRUE(help::WhatsThisText(4242).isEmpty());
    QWidget combo;
    help::SetWhatsThis(&combo, 1017);
    EXPECT_TRUE(combo.whatsThis().startsWith(QLatin1String("Keep aspect")));

    // A form's controls by their ids; a control without a text keeps none.
    QWidget form;
    auto* algorithm = new QWidget(&form);
    algorithm->setProperty("controlId", 1020);
    auto* unknown = new QWidget(&form);
    unknown->setProperty("controlId", 4242);
    auto* label = new QWidget(&form);
    label->setProperty("controlId", -1);
    help::ApplyWhatsThis(&form);
    EXPECT_EQ(algorithm->whatsThis(), help::WhatsThisText(1020));
    EXPECT_TRUE(unknown->whatsThis().isEmpty());
    EXPECT_TRUE(label->whatsThis().isEmpty());

    help::HelpCommands commands({});
    EXPECT_TRUE(commands.RunCommand(ID_CONTEXT_HELP));
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

}  // namespace

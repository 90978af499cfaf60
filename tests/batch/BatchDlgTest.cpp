// Batch Settings offscreen: every control, the default folder, the folder
// made level by level, the read-only folder, the quality field and its spin.

#include "batch/BatchDlg.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "batch/FolderLevels.h"
#include "core/settings/AppSettings.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/batch/WidgetTestMain.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/PrivateHome.h"

namespace {

using platform::PromptAnswer;

template <typename T>
T* Control(QWidget& dialog, const char* name) {
    T* control = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

QPushButton* OkButton(QWidget& dialog) { return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok); }

QPushButton* CancelButton(QWidget& dialog) {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
}

// A click on the button's indicator, where a click always lands on it.
void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2)); }

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void TypeQuality(QSpinBox* spin, const QString& text) {
    spin->setFocus();
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_Delete);
    QTest::keyClicks(spin, text);
}

class BatchDlgTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Folder(const QString& name) const { return dir_.path() + u'/' + name; }

    PrivateHome home_;
    QTemporaryDir dir_;
};

TEST_F(BatchDlgTest, ShowsAndReturnsEveryOption) {
    AppSettings settings;
    settings.m_nOverwriteMethod = 2;
    settings.m_nOutFormat = 3;
    settings.m_strOutFolder = Folder("stored/");
    settings.m_bNewName = 1;
    settings.m_nBatchJpegQuality = 85;
    settings.m_bSameFolder = 0;
    QDir().mkpath(Folder("stored"));
    QDir().mkpath(Folder("picked"));

    CBatchDlg dialog;
    dialog.LoadFrom(settings);
    dialog.SetFolderChooser([&](QWidget*) { return Folder("picked"); });
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Batch Settings");
    EXPECT_EQ(Control<QLineEdit>(dialog, "IDC_OUTFOLDER")->text(), Folder("stored/"));  // a stored folder stays
    EXPECT_TRUE(Control<QCheckBox>(dialog, "IDC_NEWNAME")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(dialog, "IDC_SAMEFOLDER")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(dialog, "IDC_UNIQUE")->isChecked());
    EXPECT_EQ(Control<QComboBox>(dialog, "IDC_OUTFORMAT")->currentIndex(), 3);
    EXPECT_EQ(Control<QComboBox>(dialog, "IDC_OUTFORMAT")->itemText(0), "Don't change");
    EXPECT_EQ(Control<QComboBox>(dialog, "IDC_OUTFORMAT")->itemText(4), "PNG files (*.png)");
    EXPECT_EQ(Control<QSpinBox>(dialog, "IDC_QUALITY")->value(), 85);

    // The user changes every control.
    QTest::mouseClick(Control<QPushButton>(dialog, "IDC_BROWSE"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(dialog, "IDC_OUTFOLDER")->text(), Folder("picked/"));
    Click(Control<QCheckBox>(dialog, "IDC_NEWNAME"));
    Click(Control<QRadioButton>(dialog, "IDC_SKIP"));
    auto* combo = Control<QComboBox>(dialog, "IDC_OUTFORMAT");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Up);
    TypeQuality(Control<QSpinBox>(dialog, "IDC_QUALITY"), "42");
    ScriptedAnswers answers;
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    EXPECT_TRUE(answers.Questions().empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    AppSettings back;
    dialog.StoreTo(back);
    EXPECT_EQ(back.m_nOverwriteMethod, 0);
    EXPECT_EQ(back.m_nOutFormat, 2);
    EXPECT_EQ(back.m_strOutFolder, Folder("picked/"));
    EXPECT_EQ(back.m_bNewName, 0);
    EXPECT_EQ(back.m_nBatchJpegQuality, 42);
    EXPECT_EQ(back.m_bSameFolder, 0);
}

TEST_F(BatchDlgTest, ProposesResizedImagesInPicturesWhenNoFolderIsStored) {
    CBatchDlg dialog;
    dialog.m_nQuality = 90;
    dialog.show();
    const QString folder = Control<QLineEdit>(dialog, "IDC_OUTFOLDER")->text();
    EXPECT_TRUE(folder.startsWith(home_.Path())) << folder.toStdString();
    EXPECT_TRUE(folder.endsWith("/Resized_Images/")) << folder.toStdString();
}

TEST_F(BatchDlgTest, SaveInInitialFolderDisablesTheFolderAndSkipsItsTest) {
    CBatchDlg dialog;
    dialog.m_nQuality = 90;
    dialog.m_strOutFolder = Folder("never/made/");
    dialog.show();
    auto* same = Control<QCheckBox>(dialog, "IDC_SAMEFOLDER");
    Click(same);
    EXPECT_FALSE(Control<QLineEdit>(dialog, "IDC_OUTFOLDER")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(dialog, "IDC_BROWSE")->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(dialog, "IDC_NEWNAME")->isEnabled());
    Click(same);
    EXPECT_TRUE(Control<QLineEdit>(dialog, "IDC_OUTFOLDER")->isEnabled());
    Click(same);
    TypeInto(Control<QLineEdit>(dialog, "IDC_OUTFOLDER"), "");

    ScriptedAnswers answers;
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    EXPECT_TRUE(answers.Questions().empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_bSameFolder, 1);
    EXPECT_FALSE(QDir(Folder("never")).exists());
}

TEST_F(BatchDlgTest, AMissingFolderIsMadeLevelByLevelWhenTheUserAgrees) {
    QDir().mkpath(Folder("a"));
    CBatchDlg dialog;
    dialog.m_nQuality = 90;
    dialog.show();
    TypeInto(Control<QLineEdit>(dialog, "IDC_OUTFOLDER"), Folder("a/b/c"));
    ScriptedAnswers answers({PromptAnswer::Yes});
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, "Folder\n" + Folder("a/b/c") + "\ndoes not exist.\nCreate this folder?");
    EXPECT_EQ(answers.Questions()[0].buttons, platform::PromptButtons::YesNo);
    EXPECT_TRUE(QDir(Folder("a/b/c")).exists());
    EXPECT_EQ(dialog.m_strOutFolder, Folder("a/b/c/"));  // stored with its separator
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(BatchDlgTest, DecliningCreationEndsWithOkAndMakesNothing) {
    CBatchDlg dialog;
    dialog.m_nQuality = 90;
    dialog.m_strOutFolder = Folder("x/y/");
    dialog.show();
    ScriptedAnswers answers({PromptAnswer::No});
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    EXPECT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(QDir(Folder("x")).exists());
}

TEST_F(BatchDlgTest, AFolderThatCannotBeMadeKeepsTheDialogOpen) {
    ASSERT_TRUE(WriteFile(Folder("file"), "x"));  // a file where a level should be
    CBatchDlg dialog;
    dialog.m_nQuality = 90;
    dialog.m_strOutFolder = Folder("file/sub");
    dialog.show();
    ScriptedAnswers answers({PromptAnswer::Yes});
    QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[1].text,
              "Can't create folder\n" + Folder("file/sub") + ".\nPlease check folder name.");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
}

TEST_F(BatchDlgTest, AReadOnlyFolderIsRefused) {
    QDir().mkpath(Folder("ro"));
    ASSERT_TRUE(batchtests::MakeReadOnly(Folder("ro")));
    CBatchDlg dialog;
    dialog.m_nQuality = 90;
    dialog.m_strOutFolder = Folder("ro");
    dialog.show();
    ScriptedAnswers answers;
    {
        const batchtests::HonourFileModes modes;
        if (!modes.Active())
            GTEST_SKIP() << "file modes cannot be made to hold for this user";
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
    }
    batchtests::MakeWritable(Folder("ro"));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text,
              "Folder\n" + Folder("ro") + "\nhas read only attribute.\nPlease select another folder.");
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(BatchDlgTest, AQualityOutsideOneToHundredShowsTheRangeMessage) {
    QDir().mkpath(Folder("out"));
    for (const char* typed : {"0", "101"}) {
        SCOPED_TRACE(typed);
        CBatchDlg dialog;
        dialog.m_nQuality = 90;
        dialog.m_strOutFolder = Folder("out/");
        dialog.show();
        TypeQuality(Control<QSpinBox>(dialog, "IDC_QUALITY"), typed);
        ScriptedAnswers answers;
        QTest::mouseClick(OkButton(dialog), Qt::LeftButton);
        ASSERT_EQ(answers.Questions().size(), 1u);
        EXPECT_EQ(answers.Questions()[0].text, "Please enter an integer between 1 and 100.");
        EXPECT_TRUE(dialog.isVisible());
    }
}

TEST_F(BatchDlgTest, TheQualitySpinKeepsWithinOneToHundred) {
    CBatchDlg dialog;
    dialog.m_nQuality = 99;
    dialog.show();
    auto* spin = Control<QSpinBox>(dialog, "IDC_QUALITY");
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 100);
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 100);
    TypeQuality(spin, "0");
    QTest::keyClick(spin, Qt::Key_Up);
    EXPECT_EQ(spin->value(), 1);
    QTest::keyClick(spin, Qt::Key_Down);
    EXPECT_EQ(spin->value(), 1);
}

TEST_F(BatchDlgTest, CancelAndEscapeChangeNothing) {
    for (bool escape : {false, true}) {
        CBatchDlg dialog;
        dialog.m_nQuality = 90;
        dialog.m_strOutFolder = Folder("missing/");
        dialog.show();
        ScriptedAnswers answers;
        if (escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            QTest::mouseClick(CancelButton(dialog), Qt::LeftButton);
        }
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(answers.Questions().empty());
    }
}

TEST(CreateFolderLevels, MakesEveryMissingLevel) {
    QTemporaryDir dir;
    EXPECT_TRUE(CreateFolderLevels(dir.path() + "/a/b//c/"));
    EXPECT_TRUE(QDir(dir.path() + "/a/b/c").exists());
    EXPECT_TRUE(CreateFolderLevels(dir.path() + "/a/b"));  // levels that exist are passed over
    EXPECT_TRUE(CreateFolderLevels("/"));
    EXPECT_FALSE(CreateFolderLevels("relative/path"));
    EXPECT_FALSE(CreateFolderLevels(""));
    ASSERT_TRUE(WriteFile(dir.path() + "/f", "x"));
    EXPECT_FALSE(CreateFolderLevels(dir.path() + "/f/g"));
}

}  // namespace

VESPERA_WIDGET_TEST_MAIN()

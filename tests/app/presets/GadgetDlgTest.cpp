#include "app/presets/CGadgetDlg.h"

#include "app/presets/PresetIds.h"
#include "app/presets/SettingsCommands.h"
#include "app/presets/SettingsFile.h"
#include "core/settings/AppSettings.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

using platform::PromptAnswer;

class GadgetDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.m_strSettingsFolder = presets::PresetFolder(QStringLiteral("Settings"));
        folder_ = settings_.m_strSettingsFolder;
        ASSERT_FALSE(folder_.isEmpty());
    }

    void Preset(const QString& name, const presets::SettingsValues& values) {
        ASSERT_TRUE(presets::WriteSettingsFile(folder_ + name, values));
    }

    static void Type(CGadgetDlg& dlg, const QString& text) {
        dlg.NameBox()->clear();
        QTest::keyClicks(dlg.NameBox(), text);
    }
    static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Runs `drive` on the picker once its modal loop runs; a picker left
    // open is closed after a few seconds so that a failing test cannot hang.
    static void WhenPickerShows(std::function<void(CGadgetDlg&)> drive) {
        QTimer::singleShot(0, [drive] {
            auto* dlg = qobject_cast<CGadgetDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            drive(*dlg);
        });
        QTimer::singleShot(5000, [] {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
        });
    }

    PrivateHome home_;
    AppSettings settings_;
    QString folder_;
};

const presets::SettingsValues kPortrait{1024, 1536, 300.0f, 0, 0, 0, 6, 0, 0, 0};

TEST_F(GadgetDlgTest, ListsThePresetsSortedWithTheCaption) {
    Preset(QStringLiteral("b.vps"), kPortrait);
    Preset(QStringLiteral("Portrait.VPS"), kPortrait);
    Preset(QStringLiteral("a.vps"), kPortrait);
    CGadgetDlg dlg(101, QStringLiteral("Settings"), QStringLiteral("VPS"), false);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Save settings"));
    EXPECT_EQ(dlg.m_strExt, QStringLiteral("vps"));
    ASSERT_EQ(dlg.List()->count(), 3);
    EXPECT_EQ(dlg.List()->item(0)->text(), QStringLiteral("a"));
    EXPECT_EQ(dlg.List()->item(2)->text(), QStringLiteral("Portrait"));
    dlg.show();
    QTest::mouseClick(dlg.List()->viewport(), Qt::LeftButton, {},
                      dlg.List()->visualItemRect(dlg.List()->item(1)).center());
    EXPECT_EQ(dlg.NameBox()->text(), QStringLiteral("b"));
}

TEST_F(GadgetDlgTest, LoadFindsANameTypedInAnotherCaseByItsRealFile) {
    Preset(QStringLiteral("Portrait.VPS"), kPortrait);
    CGadgetDlg dlg(170, QStringLiteral("Settings"), QStringLiteral("vps"), true);
    dlg.show();
    Type(dlg, QStringLiteral("portrait"));
    Click(dlg.OkButton());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetSelectedPath(), folder_ + QStringLiteral("Portrait.VPS"));
}

TEST_F(GadgetDlgTest, LoadOfAnUnlistedNameSaysSoAndStays) {
    ScriptedAnswers answers;
    CGadgetDlg dlg(170, QStringLiteral("Settings"), QStringLiteral("vps"), true);
    dlg.show();
    Type(dlg, QStringLiteral("Landscape"));
    Click(dlg.OkButton());
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("No such name exists."));
}

TEST_F(GadgetDlgTest, AnEmptyNameDoesNothing) {
    ScriptedAnswers answers;
    CGadgetDlg dlg(101, QStringLiteral("Settings"), QStringLiteral("vps"), false);
    dlg.show();
    Click(dlg.OkButton());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(answers.Questions().empty());
}

TEST_F(GadgetDlgTest, SavingOverAListedNameAsksAndNoKeepsTheDialogWithTheName) {
    Preset(QStringLiteral("Portrait.vps"), kPortrait);
    ScriptedAnswers answers({PromptAnswer::No, PromptAnswer::Yes});
    CGadgetDlg dlg(101, QStringLiteral("Settings"), QStringLiteral("vps"), false);
    dlg.show();
    Type(dlg, QStringLiteral("PORTRAIT"));
    Click(dlg.OkButton());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.NameBox()->text(), QStringLiteral("PORTRAIT"));
    Click(dlg.OkButton());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("This file already exists.\nOverwrite?"));
    EXPECT_EQ(dlg.GetSelectedPath(), folder_ + QStringLiteral("Portrait.vps"));  // overwrites, no second file
}

TEST_F(GadgetDlgTest, SavingUnderANameThatCannotNameAFileIsRefused) {
    for (const QString& bad : {QStringLiteral("a/b"), QStringLiteral(".."), QStringLiteral("."),
                               QStringLiteral("x") + QChar(u'\0') + QStringLiteral("y")}) {
        ScriptedAnswers answers;
        CGadgetDlg dlg(101, QStringLiteral("Settings"), QStringLiteral("vps"), false);
        dlg.show();
        dlg.NameBox()->setText(bad);  // NUL cannot be typed; the others are set the same way
        Click(dlg.OkButton());
        EXPECT_TRUE(dlg.isVisible()) << bad.toStdString();
        ASSERT_EQ(answers.Questions().size(), 1u);
        EXPECT_TRUE(answers.Questions()[0].text.contains(QLatin1String("can't be used")));
    }
    EXPECT_EQ(Entries(folder_), QStringList());
}

TEST_F(GadgetDlgTest, DeleteAsksAndRemovesTheListedFile) {
    Preset(QStringLiteral("Portrait.VPS"), kPortrait);
    Preset(QStringLiteral("Square.vps"), kPortrait);
    ScriptedAnswers answers({PromptAnswer::No, PromptAnswer::Yes});
    CGadgetDlg dlg(170, QStringLiteral("Settings"), QStringLiteral("vps"), true);
    dlg.show();
    Type(dlg, QStringLiteral("portrait"));
    Click(dlg.DeleteButton());
    EXPECT_EQ(Entries(folder_).size(), 2);
    Click(dlg.DeleteButton());
    EXPECT_EQ(Entries(folder_), QStringList{QStringLiteral("Square.vps")});
    ASSERT_EQ(dlg.List()->count(), 1);
    EXPECT_EQ(dlg.List()->item(0)->text(), QStringLiteral("Square"));
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_EQ(answers.Questions().size(), 2u);
    EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("Delete this entry?"));
}

TEST_F(GadgetDlgTest, LoadSettingsIsDisabledUntilTheFirstFileExists) {
    presets::PresetCommands commands(
        settings_, [] { return nullptr; }, [] {});
    EXPECT_FALSE(commands.QueryCommand(ID_LOAD_SETTINGS).enabled);
    EXPECT_TRUE(commands.QueryCommand(ID_SAVE_SETTINGS).enabled);
    Preset(QStringLiteral("first.vps"), kPortrait);
    EXPECT_TRUE(commands.QueryCommand(ID_LOAD_SETTINGS).enabled);
}

TEST_F(GadgetDlgTest, SaveThenLoadThroughTheCommands) {
    settings_.m_nWidth = 1024;
    settings_.m_nHeight = 768;
    settings_.m_fDpi = 240.0f;
    settings_.m_nInterpolMode = 8;
    int loaded = 0;
    presets::PresetCommands commands(
        settings_, [] { return nullptr; }, [&] { ++loaded; });

    WhenPickerShows([](CGadgetDlg& dlg) {
        Type(dlg, QStringLiteral("Web 1024"));
        Click(dlg.OkButton());
    });
    EXPECT_TRUE(commands.RunCommand(ID_SAVE_SETTINGS));
    const QByteArray saved = ReadFile(folder_ + QStringLiteral("Web 1024.vps"));
    EXPECT_EQ(saved, presets::EncodeSettingsFile(presets::CaptureSettings(settings_)));

    settings_.m_nWidth = 10;
    settings_.m_nInterpolMode = 0;
    WhenPickerShows([](CGadgetDlg& dlg) {
        Type(dlg, QStringLiteral("web 1024"));
        Click(dlg.OkButton());
    });
    EXPECT_TRUE(commands.RunCommand(ID_LOAD_SETTINGS));
    EXPECT_EQ(settings_.m_nWidth, 1024);
    EXPECT_EQ(settings_.m_nInterpolMode, 8);
    EXPECT_EQ(loaded, 1);
}

TEST_F(GadgetDlgTest, LoadingADamagedFileSaysWrongFileAndChangesNothing) {
    QByteArray bytes = presets::EncodeSettingsFile(kPortrait);
    bytes.chop(4);  // the lock is missing
    ASSERT_TRUE(WriteFile(folder_ + QStringLiteral("short.vps"), bytes));
    settings_.m_nWidth = 800;
    ScriptedAnswers answers;
    int loaded = 0;
    presets::PresetCommands commands(
        settings_, [] { return nullptr; }, [&] { ++loaded; });
    WhenPickerShows([](CGadgetDlg& dlg) {
        Type(dlg, QStringLiteral("short"));
        Click(dlg.OkButton());
    });
    EXPECT_TRUE(commands.RunCommand(ID_LOAD_SETTINGS));
    EXPECT_EQ(settings_.m_nWidth, 800);
    EXPECT_EQ(loaded, 0);
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_EQ(answers.Questions()[0].text, QStringLiteral("Wrong file!"));
}

TEST_F(GadgetDlgTest, CancelChangesNothing) {
    Preset(QStringLiteral("Portrait.vps"), kPortrait);
    settings_.m_nWidth = 800;
    WhenPickerShows([](CGadgetDlg& dlg) {
        Type(dlg, QStringLiteral("Portrait"));
        dlg.reject();
    });
    EXPECT_FALSE(presets::LoadSettingsCommand(nullptr, settings_));
    EXPECT_EQ(settings_.m_nWidth, 800);
}

TEST_F(GadgetDlgTest, WithoutAPresetFolderSavingFailsAndSaysSo) {
    // A file where the folder should be: the folder cannot be made.
    ASSERT_TRUE(QDir(folder_).removeRecursively());
    ASSERT_TRUE(WriteFile(folder_.chopped(1), "not a folder"));
    ScriptedAnswers answers;
    WhenPickerShows([](CGadgetDlg& dlg) {
        EXPECT_TRUE(dlg.m_strFolder.isEmpty());
        Type(dlg, QStringLiteral("Web"));
        Click(dlg.OkButton());
    });
    EXPECT_FALSE(presets::SaveSettingsCommand(nullptr, settings_));
    ASSERT_EQ(answers.Questions().size(), 1u);
    EXPECT_TRUE(answers.Questions()[0].text.startsWith(QLatin1String("Can't save the settings file.")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("Web.vps")));
}

}  // namespace

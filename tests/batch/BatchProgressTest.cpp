// The progress dialog offscreen with a real worker: the status line, the
// bar, the log, Cancel and Escape while the worker runs, and closing only
// after its end.

#include "batch/BatchProgress.h"
#include "platform/commands/BatchRunning.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "tests/batch/BatchFixtures.h"
#include "tests/batch/WidgetTestMain.h"
#include "tests/support/FileFixtures.h"

namespace {

using batchtests::MakeItem;
using batchtests::OptionsFor;
using batchtests::WritePicture;

constexpr int kTimeoutMs = 60000;

class BatchProgressTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folders_.IsValid()); }
    void TearDown() override {
        EXPECT_EQ(g_bBatchRunning.load(), 0);
        g_bAbortResize.store(0);
    }
    QString Picture(const QString& name, int w = 40, int h = 30) {
        EXPECT_TRUE(WritePicture(src_ + name, w, h));
        return src_ + name;
    }
    // Shown, but never painted: the dialog's logic runs as on screen while Qt's
    // own painting threads, which ThreadSanitizer cannot see into, stay idle.
    static void Show(CBatchProgress& dialog) {
        dialog.setAttribute(Qt::WA_DontShowOnScreen);
        dialog.setVisible(true);
    }
    static QPushButton* Button(CBatchProgress& dialog) {
        return dialog.findChild<QPushButton*>(QStringLiteral("IDCANCEL"));
    }
    static QProgressBar* Bar(CBatchProgress& dialog) {
        return dialog.findChild<QProgressBar*>(QStringLiteral("IDC_BATCH_PROGRESS"));
    }
    static QString Status(CBatchProgress& dialog) {
        return dialog.findChild<QLabel*>(QStringLiteral("IDC_BATCH_STATUS"))->text();
    }

    batchtests::SourceAndOutput folders_;
    QTemporaryDir& dir_ = folders_.dir;
    const QString& src_ = folders_.src;
    const QString& out_ = folders_.out;
};

TEST_F(BatchProgressTest, ThreeBicubicItemsGiveThreeBlocksAndDone) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        run.items.push_back(MakeItem(Picture(name), 20, 15, 3, 150.0f));
    CBatchProgress dialog(run);
    EXPECT_EQ(Button(dialog)->text(), "Cancel");
    Show(dialog);
    EXPECT_EQ(g_bBatchRunning.load(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    EXPECT_EQ(Button(dialog)->text(), "Done");
    EXPECT_EQ(Status(dialog), "Processing 3 from 3");
    EXPECT_FALSE(Bar(dialog)->isVisible());
    EXPECT_EQ(Bar(dialog)->maximum(), 90);
    const QString log = dialog.LogText();
    EXPECT_EQ(log.count("File "), 3);
    EXPECT_TRUE(log.startsWith("File 1 from 3\nInput file\nFolder: " + src_ + "\nName: a.jpg\nOutput file\nFolder: " +
                               out_ + "\nName:a.jpg\nSize: 20x15 pixels, 150 DPI\nAlgorithm: Bicubic\n\n"))
        << log.toStdString();
    EXPECT_TRUE(log.contains("File 3 from 3\n"));
    EXPECT_TRUE(dialog.isVisible());
    QTest::mouseClick(Button(dialog), Qt::LeftButton);  // Done closes
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(BatchProgressTest, TheBarShowsAndRisesForEngineModesAndStartsAgainAtEachItem) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg", 120, 90), 240, 180, 9));
    run.items.push_back(MakeItem(Picture("b.jpg", 120, 90), 240, 180, 6));
    CBatchProgress dialog(run);
    std::vector<int> values;
    QObject::connect(Bar(dialog), &QProgressBar::valueChanged, [&](int value) { values.push_back(value); });
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    EXPECT_TRUE(Bar(dialog)->isVisible());
    // Two items: the bar starts at 0 for each and only rises in between.
    int resets = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_GE(values[i], 0);
        EXPECT_LE(values[i], 90);
        if (values[i] == 0) {
            ++resets;
        } else if (i > 0) {
            EXPECT_GE(values[i], values[i - 1]);
        }
    }
    EXPECT_EQ(resets, 2);
    EXPECT_GT(values.size(), 4u);
}

TEST_F(BatchProgressTest, CancelStopsTheEngineResizeAndKeepsTheDialog) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg", 300, 200), 900, 600, 9));
    run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15, 9));
    CBatchProgress dialog(run);
    // Cancel as the first item's block appears: the worker waits for that
    // block to be shown, so its resize starts with the stop already asked.
    bool clicked = false;
    auto* log = dialog.findChild<QPlainTextEdit*>(QStringLiteral("IDC_BATCH_LOG"));
    QObject::connect(log, &QPlainTextEdit::textChanged, [&] {
        if (!clicked && log->toPlainText().startsWith("File 1")) {
            clicked = true;
            QTest::mouseClick(Button(dialog), Qt::LeftButton);
        }
    });
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    ASSERT_TRUE(clicked);
    EXPECT_TRUE(dialog.isVisible());  // Cancel stopped the worker, not the dialog
    EXPECT_TRUE(dialog.LogText().endsWith("Operation canceled by user!\n\n")) << dialog.LogText().toStdString();
    EXPECT_EQ(dialog.LogText().count("File "), 1);
    EXPECT_EQ(Button(dialog)->text(), "Done");
    EXPECT_TRUE(Entries(out_).isEmpty());
    EXPECT_EQ(g_bAbortResize.load(), 0);
    QTest::keyClick(&dialog, Qt::Key_Escape);  // after Done, Escape closes
    EXPECT_FALSE(dialog.isVisible());
}

// Cancel while the worker is held at each stage (decode, resize, save,
// between two items): the log ends with the cancel's line, once, the bar is
// back at 0 and the button reads Done, wherever the cancel came.
TEST_F(BatchProgressTest, CancelAtEveryStageEndsTheSameWay) {
    const std::pair<BatchStage, std::size_t> stages[] = {
        {BatchStage::Decode, 0}, {BatchStage::Resize, 0}, {BatchStage::Save, 0}, {BatchStage::ItemStart, 1}};
    for (const auto& [stage, item] : stages) {
        SCOPED_TRACE(static_cast<int>(stage));
        BatchRun run;
        run.options = OptionsFor(out_, 1, 1);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            run.items.push_back(MakeItem(Picture(name, 60, 40), 120, 80, 9));
        batchtests::StageGate gate(stage, item);
        CBatchProgress dialog(run);
        Show(dialog);
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Reached(); }, kTimeoutMs));
        QTest::mouseClick(Button(dialog), Qt::LeftButton);
        gate.Release();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
        EXPECT_TRUE(dialog.LogText().endsWith("Operation canceled by user!\n\n")) << dialog.LogText().toStdString();
        EXPECT_EQ(dialog.LogText().count("Operation canceled by user!"), 1);
        EXPECT_EQ(Bar(dialog)->value(), 0);
        EXPECT_EQ(Button(dialog)->text(), "Done");
        EXPECT_TRUE(dialog.isVisible());
    }
}

// The dialog whose test knows when the worker has posted its end.
class WatchedBatchProgress : public CBatchProgress {
public:
    using CBatchProgress::CBatchProgress;
    void BatchFinished() override {
        CBatchProgress::BatchFinished();
        std::lock_guard lock(mutex_);
        posted_ = true;
        changed_.notify_all();
    }
    bool WaitPosted() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kTimeoutMs), [this] { return posted_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool posted_ = false;
};

TEST_F(BatchProgressTest, ACancelAfterTheWorkersLastLookStillEndsWithTheCancelLine) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15, 9));
    batchtests::StageGate gate(BatchStage::Save, 0);
    WatchedBatchProgress dialog(run);
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Reached(); }, kTimeoutMs));
    // From here on no event is handled until the worker is done and its end
    // is on its way; Cancel comes before the end is handled.
    gate.Release();
    ASSERT_TRUE(dialog.WaitPosted());
    ASSERT_TRUE(dialog.IsRunning());
    Button(dialog)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    EXPECT_TRUE(dialog.LogText().endsWith("Operation canceled by user!\n\n")) << dialog.LogText().toStdString();
    EXPECT_EQ(Button(dialog)->text(), "Done");
}

TEST_F(BatchProgressTest, EscapeRightAfterOpeningDoesNotCloseTheDialog) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    for (int i = 0; i < 3; ++i)
        run.items.push_back(MakeItem(Picture(QString("p%1.jpg").arg(i), 100, 80), 200, 160, 8));
    // The worker is held inside the first item while the keys come.
    batchtests::StageGate gate(BatchStage::Resize, 0);
    CBatchProgress dialog(run);
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Reached(); }, kTimeoutMs));
    // The item's block comes from the batch's own thread, which reports it
    // while the pool resizes: it is shown before the keys come.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.LogText().count("File ") == 1; }, kTimeoutMs));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    dialog.close();  // the window's close box asks the same
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    EXPECT_TRUE(gate.LeftOnStop());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.LogText().count("File "), 1);  // stopped before the next item
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(BatchProgressTest, AMissingOutputFolderShowsOneMessageAndLogsIt) {
    BatchRun run;
    run.options = OptionsFor(dir_.path() + "/gone", 1, 1);
    run.items.push_back(MakeItem(Picture("a.jpg"), 20, 15));
    run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15));
    ScriptedAnswers answers;
    CBatchProgress dialog(run);
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Questions().size() == 1u; }, kTimeoutMs));
    EXPECT_EQ(answers.Questions()[0].text, "Can't create output folder!");
    EXPECT_EQ(dialog.LogText(), "Can't open output folder!");
}

// Cancel while the worker is held in a write that does not give way: the
// button shows at once that the press was taken (it goes off, and further
// presses and Escape do nothing) and comes back as "Done" when the run ends.
TEST_F(BatchProgressTest, CancelTurnsTheButtonOffUntilTheRunHasEnded) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 4);
    run.items.push_back(MakeItem(Picture("a.jpg", 300, 200), 300, 200, 0));
    run.items.push_back(MakeItem(Picture("b.jpg"), 20, 15, 0));
    batchtests::StageGate gate(BatchStage::Write, 0, 2, batchtests::OnStop::Stay);
    CBatchProgress dialog(run);
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Reached(); }, kTimeoutMs));
    ASSERT_TRUE(Button(dialog)->isEnabled());
    QTest::mouseClick(Button(dialog), Qt::LeftButton);
    EXPECT_FALSE(Button(dialog)->isEnabled());
    EXPECT_EQ(Button(dialog)->text(), "Cancel");
    QTest::mouseClick(Button(dialog), Qt::LeftButton);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.IsRunning());
    EXPECT_FALSE(Button(dialog)->isEnabled());
    gate.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    EXPECT_TRUE(Button(dialog)->isEnabled());
    EXPECT_EQ(Button(dialog)->text(), "Done");
    EXPECT_EQ(dialog.LogText().count("Operation canceled by user!"), 1);
    EXPECT_TRUE(Entries(out_).isEmpty());
    QTest::mouseClick(Button(dialog), Qt::LeftButton);  // Done closes
    EXPECT_FALSE(dialog.isVisible());
}

// The output folder removed during the run: its one message box and the
// missing folder's line end the run, as a folder gone at the start does.
TEST_F(BatchProgressTest, AnOutputFolderRemovedDuringTheRunShowsOneMessage) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        run.items.push_back(MakeItem(Picture(name), 20, 15, 3));
    ScriptedAnswers answers;
    batchtests::StageGate gate(BatchStage::ItemStart, 1, 1, batchtests::OnStop::Stay);
    CBatchProgress dialog(run);
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Reached(); }, kTimeoutMs));
    ASSERT_TRUE(batchtests::RemoveFolderInUse(out_));
    gate.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Questions().size() == 1u; }, kTimeoutMs));
    EXPECT_EQ(answers.Questions()[0].text, "Can't create output folder!");
    EXPECT_EQ(dialog.LogText().count("File "), 1) << dialog.LogText().toStdString();
    EXPECT_TRUE(dialog.LogText().endsWith("Can't open output folder!")) << dialog.LogText().toStdString();
}

TEST_F(BatchProgressTest, AnEmptyRunIsDoneAtOnce) {
    CBatchProgress dialog(BatchRun{});
    Show(dialog);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.IsRunning(); }, kTimeoutMs));
    EXPECT_TRUE(dialog.LogText().isEmpty());
    EXPECT_EQ(Button(dialog)->text(), "Done");
}

TEST_F(BatchProgressTest, DestroyingTheDialogDuringARunStopsAndJoinsTheWorker) {
    BatchRun run;
    run.options = OptionsFor(out_, 1, 1);
    for (int i = 0; i < 4; ++i)
        run.items.push_back(MakeItem(Picture(QString("p%1.jpg").arg(i), 100, 80), 200, 160, 9));
    // One item at a time, so that the stages passed form one sequence.
    run.itemsInFlight = 1;
    // The worker is held inside the second item, its first written.
    batchtests::StageGate gate(BatchStage::Resize, 1);
    {
        CBatchProgress dialog(run);
        Show(dialog);
        ASSERT_TRUE(QTest::qWaitFor([&] { return gate.Reached(); }, kTimeoutMs));
        EXPECT_TRUE(dialog.IsRunning());
    }
    // The dialog's end asked the stop and joined: the worker left the gate on
    // the stop and has passed no stage since (its stage list is final).
    EXPECT_TRUE(gate.LeftOnStop());
    const auto stages = gate.Stages();
    ASSERT_FALSE(stages.empty());
    EXPECT_EQ(stages.back(), batchtests::StageGate::Passed(BatchStage::Resize, 1));
    EXPECT_EQ(g_bBatchRunning.load(), 0);
    EXPECT_EQ(g_bAbortResize.load(), 0);
    // Exactly the first item's output, whole; nothing of the stopped one.
    EXPECT_EQ(Entries(out_), QStringList{"p0.jpg"});
    EXPECT_EQ(QImage(out_ + "p0.jpg").size(), QSize(200, 160));
}

}  // namespace

VESPERA_WIDGET_TEST_MAIN()

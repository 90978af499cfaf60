// The worker process killed (SIGKILL) in the middle of a run, held at a
// known point: between two items, or inside an item's write. Every output is
// complete and readable or absent, every old file that Overwrite was
// replacing is intact, and a later run into the folder removes what the
// killed one left behind.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "batch/BatchTempFolder.h"
#include "batch/BatchWorker.h"
#include "platform/imaging/Bitmap.h"
#include "tests/batch/BatchFixtures.h"
#include "tests/support/FileFixtures.h"

extern char** environ;

namespace {

constexpr int kFiles = 24, kW = 640, kH = 480;

pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

// A new output: the whole JPEG stream (it ends with its EOI marker) decoding
// at the target size.
bool IsCompleteOutput(const QString& path) {
    const QByteArray bytes = ReadFile(path);
    if (bytes.size() < 4 || !bytes.endsWith("\xFF\xD9"))
        return false;
    const auto bitmap = imaging::Bitmap::FromFile(QFile::encodeName(path).toStdString());
    return bitmap && bitmap->Width() == kW && bitmap->Height() == kH;
}

// Where the child is held when it is killed: a stage of an item, reached
// for the given time (a write passes its stage once per block).
struct HoldAt {
    BatchStage stage;
    int item;
    int block;
};

class BatchKillTest : public ::testing::TestWithParam<HoldAt> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folders_.IsValid());
        for (int i = 0; i < kFiles; ++i) {
            const QString name = QString("p%1.jpg").arg(i, 2, 10, QChar('0'));
            ASSERT_TRUE(batchtests::WritePicture(src_ + name, 1600, 1200, i));
            names_ << name;
        }
    }

    // Runs the child until it is held where the test asks, then kills it.
    void RunAndKill(int policy) {
        const HoldAt at = GetParam();
        const QString ready = dir_.path() + "/held";
        std::vector<std::string> args = {BATCH_KILL_CHILD,
                                         QFile::encodeName(out_).toStdString(),
                                         std::to_string(policy),
                                         std::to_string(kW),
                                         std::to_string(kH),
                                         std::to_string(static_cast<int>(at.stage)),
                                         std::to_string(at.item),
                                         std::to_string(at.block),
                                         QFile::encodeName(ready).toStdString()};
        for (const QString& name : names_)
            args.push_back(QFile::encodeName(src_ + name).toStdString());
        const pid_t pid = Spawn(args);
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (!QFile::exists(ready) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const bool held = QFile::exists(ready);
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(held) << "the child never reached the point it was to be held at";
    }

    void CheckFolder(const std::vector<QByteArray>& old) {
        const HoldAt at = GetParam();
        int complete = 0;
        for (int i = 0; i < kFiles; ++i) {
            SCOPED_TRACE(names_[i].toStdString());
            const QString path = out_ + names_[i];
            const QByteArray now = ReadFile(path);
            if (now == old[i])
                continue;  // untouched: the old file, or still absent
            EXPECT_TRUE(IsCompleteOutput(path));
            ++complete;
        }
        // Held before an item, the run has put exactly the items before it
        // in place; held in an item's write, at most those.
        if (at.stage == BatchStage::ItemStart) {
            EXPECT_EQ(complete, at.item);
        } else {
            EXPECT_LE(complete, at.item);
        }
        // Besides the outputs, at most the temporary folders of the items in
        // flight, which no browser lists as images; one at least when the run
        // was killed in a write.
        int left = 0;
        for (const QString& entry : Entries(out_)) {
            if (names_.contains(entry))
                continue;
            EXPECT_TRUE(entry.startsWith(kBatchTempPrefix)) << entry.toStdString();
            ++left;
        }
        if (at.stage == BatchStage::Write) {
            EXPECT_GE(left, 1);
        }
    }

    // A later run into the folder removes what the killed run left.
    void RunAgain() {
        BatchRun run;
        run.options = batchtests::OptionsFor(out_, 1, 1);
        run.items.push_back(batchtests::MakeItem(src_ + names_[0], kW, kH));
        batchtests::RecordingReporter reporter;
        BatchThreadProc(run, reporter, nullptr);
        EXPECT_EQ(reporter.Statuses(), std::vector<int>{BATCH_ITEM_STARTED});
        EXPECT_EQ(Entries(out_).filter(kBatchTempPrefix), QStringList{});
        EXPECT_TRUE(IsCompleteOutput(out_ + names_[0]));
    }

    batchtests::SourceAndOutput folders_;
    QTemporaryDir& dir_ = folders_.dir;
    const QString& src_ = folders_.src;
    const QString& out_ = folders_.out;
    QStringList names_;
};

TEST_P(BatchKillTest, NewOutputsAreCompleteOrAbsent) {
    const std::vector<QByteArray> absent(kFiles, QByteArray("<missing>"));
    RunAndKill(1);
    CheckFolder(absent);
    RunAgain();
}

TEST_P(BatchKillTest, OverwrittenFilesAreTheOldOrTheCompleteNew) {
    std::vector<QByteArray> old;
    for (const QString& name : names_) {
        ASSERT_TRUE(batchtests::WritePicture(out_ + name, 16, 12));
        old.push_back(ReadFile(out_ + name));
    }
    RunAndKill(1);
    CheckFolder(old);
    RunAgain();
}

INSTANTIATE_TEST_SUITE_P(Held, BatchKillTest,
                         ::testing::Values(HoldAt{BatchStage::ItemStart, 1, 1}, HoldAt{BatchStage::ItemStart, 11, 1},
                                           HoldAt{BatchStage::Write, 5, 3}),
                         [](const ::testing::TestParamInfo<HoldAt>& info) {
                             const char* where =
                                 info.param.stage == BatchStage::Write ? "InTheWriteOfItem" : "BeforeItem";
                             return where + std::to_string(info.param.item);
                         });

}  // namespace

// The worker process killed (SIGKILL) in the middle of a run: every output
// is complete and readable or absent, and every old file that Overwrite was
// replacing is intact.

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

#include "batch/BatchOutputFile.h"
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

class BatchKillTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(folders_.IsValid());
        for (int i = 0; i < kFiles; ++i) {
            const QString name = QString("p%1.jpg").arg(i, 2, 10, QChar('0'));
            ASSERT_TRUE(batchtests::WritePicture(src_ + name, 1600, 1200, i));
            names_ << name;
        }
    }

    // Runs the child until `newOutputs` outputs have appeared or changed,
    // then kills it.
    void RunAndKill(int policy, int newOutputs, const std::vector<QByteArray>& old) {
        std::vector<std::string> args = {BATCH_KILL_CHILD, QFile::encodeName(out_).toStdString(),
                                         std::to_string(policy), std::to_string(kW), std::to_string(kH)};
        for (const QString& name : names_)
            args.push_back(QFile::encodeName(src_ + name).toStdString());
        const pid_t pid = Spawn(args);
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (;;) {
            int changed = 0;
            for (int i = 0; i < kFiles; ++i) {
                const QByteArray now = ReadFile(out_ + names_[i]);
                if (now != old[i])
                    ++changed;
            }
            if (changed >= newOutputs || std::chrono::steady_clock::now() > deadline)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    }

    void CheckFolder(const std::vector<QByteArray>& old) {
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
        EXPECT_GT(complete, 0);
        EXPECT_LT(complete, kFiles) << "the run ended before it was killed";
        // Besides the outputs, at most the temporary folder of the item that
        // was being written, which no browser lists as an image.
        for (const QString& entry : Entries(out_)) {
            if (names_.contains(entry))
                continue;
            EXPECT_TRUE(entry.startsWith(kBatchTempPrefix)) << entry.toStdString();
        }
    }

    batchtests::SourceAndOutput folders_;
    QTemporaryDir& dir_ = folders_.dir;
    const QString& src_ = folders_.src;
    const QString& out_ = folders_.out;
    QStringList names_;
};

TEST_P(BatchKillTest, NewOutputsAreCompleteOrAbsent) {
    const std::vector<QByteArray> absent(kFiles, QByteArray("<missing>"));
    RunAndKill(1, GetParam(), absent);
    CheckFolder(absent);
}

TEST_P(BatchKillTest, OverwrittenFilesAreTheOldOrTheCompleteNew) {
    std::vector<QByteArray> old;
    for (const QString& name : names_) {
        ASSERT_TRUE(batchtests::WritePicture(out_ + name, 16, 12));
        old.push_back(ReadFile(out_ + name));
    }
    RunAndKill(1, GetParam(), old);
    CheckFolder(old);
}

INSTANTIATE_TEST_SUITE_P(KilledAfter, BatchKillTest, ::testing::Values(1, 5, 11));

}  // namespace

// The batch as a program of its own (vespera-bench batch, which starts like
// the program does) over hostile local files: a named pipe among the sources
// and a file-size limit (ulimit -f) end the run with their log lines instead
// of hanging it or killing it, and leave no temporary behind.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <string>
#include <vector>

#include "tests/batch/BatchFixtures.h"
#include "tests/support/FifoFixtures.h"
#include "tests/support/FileFixtures.h"
#include "tests/support/LimitedChild.h"

namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

class BatchCommand : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folders_.IsValid()); }

    // vespera-bench batch OUT W H MODE FORMAT FILE... under the limit.
    limitedchild::Outcome Run(int w, int h, int format, const QStringList& files, rlim_t limit = RLIM_INFINITY) {
        std::vector<std::string> arguments = {VESPERA_BENCH,     "batch", Local(folders_.out),   std::to_string(w),
                                              std::to_string(h), "4",     std::to_string(format)};
        for (const QString& file : files)
            arguments.push_back(Local(file));
        return limitedchild::RunLimited(arguments, limit, {}, std::chrono::seconds(30));
    }

    batchtests::SourceAndOutput folders_;
    const QString& src_ = folders_.src;
};

TEST_F(BatchCommand, ANamedPipeAmongTheSourcesIsLoggedAndTheRunEnds) {
    ASSERT_TRUE(batchtests::WritePicture(src_ + "a.jpg", 80, 60));
    ASSERT_TRUE(fifotests::MakeFifo(src_ + "b.jpg"));
    ASSERT_TRUE(batchtests::WritePicture(src_ + "c.jpg", 80, 60, 1));
    const auto run = Run(64, 48, 1, {src_ + "a.jpg", src_ + "b.jpg", src_ + "c.jpg"});
    ASSERT_TRUE(run.Exited()) << (run.timedOut ? "hung" : "killed") << "\n" << run.output;
    EXPECT_NE(run.output.find("Can't open file\n" + Local(src_) + "b.jpg!"), std::string::npos) << run.output;
    EXPECT_EQ(Entries(folders_.out), (QStringList{"a.jpg", "c.jpg"}));
}

TEST_F(BatchCommand, AFileSizeLimitFailsTheWriteAndLeavesNothing) {
    ASSERT_TRUE(batchtests::WritePicture(src_ + "a.jpg", 80, 60));
    // A 2000 x 1500 BMP is 9 MB, far over the limit of 1 MB.
    const auto run = Run(2000, 1500, 3, {src_ + "a.jpg"}, 1 << 20);
    ASSERT_TRUE(run.Exited()) << (run.timedOut ? "hung" : "killed by signal ") << run.Signal() << "\n" << run.output;
    EXPECT_EQ(run.ExitCode(), 1);
    EXPECT_NE(run.output.find("Can't write file\n" + Local(folders_.out) + "a.bmp!\nFile too large\n"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(Entries(folders_.out).isEmpty()) << Entries(folders_.out).join(u' ').toStdString();
}

}  // namespace

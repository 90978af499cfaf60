#include "platform/watch/FolderWatch.h"

#include "support/FileFixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using platform::FolderWatch;
using Clock = std::chrono::steady_clock;

// Generous: the events are queued before each wait, so it ends at once unless
// the machine is very busy.
constexpr int kPatienceMs = 30000;

// Runs a shell command: the change comes from another process.
void Shell(const QString& command) {
    ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0) << command.toStdString();
}

QString Quoted(const QString& path) { return u'\'' + path + u'\''; }

class Watch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        folder_ = root_.filePath("watched");
        ASSERT_TRUE(QDir().mkpath(folder_ + "/sub"));
        ASSERT_TRUE(WriteFile(folder_ + "/old.jpg", "0123456789"));
        ASSERT_TRUE(watch_.IsValid());
        ASSERT_TRUE(watch_.Watch(folder_));
    }
    QString In(const char* name) const { return Quoted(folder_ + u'/' + QLatin1String(name)); }

    QTemporaryDir root_;
    QString folder_;
    FolderWatch watch_;
};

TEST_F(Watch, ChangesMadeByAnotherProcessAreSeen) {
    const struct {
        const char* what;
        QString command;
    } cases[] = {
        {"create", "touch " + In("new.jpg")},
        {"in-place write", "printf abc | dd of=" + In("old.jpg") + " conv=notrunc status=none"},
        {"size change", "truncate -s 3 " + In("old.jpg")},
        {"append", "printf more >> " + In("old.jpg")},
        {"time change", "touch -m -d 2001-01-01 " + In("old.jpg")},
        {"rename", "mv " + In("old.jpg") + " " + In("renamed.jpg")},
        {"rename back", "mv " + In("renamed.jpg") + " " + In("old.jpg")},
        {"make folder", "mkdir " + In("made")},
        {"remove folder", "rmdir " + In("made")},
        {"delete", "rm " + In("new.jpg")},
    };
    for (const auto& c : cases) {
        // The command has ended, so its events are queued before the wait.
        Shell(c.command);
        const FolderWatch::WaitResult result = watch_.Wait(kPatienceMs);
        EXPECT_TRUE(result.changed) << c.what;
        // Nothing is left over for the next wait.
        EXPECT_FALSE(watch_.Wait(0).Any()) << c.what;
    }
}

TEST_F(Watch, ChangesInsideSubFoldersAreNotReported) {
    Shell("touch " + In("sub") + "/inner.jpg");
    EXPECT_FALSE(watch_.Wait(300).Any());
}

TEST_F(Watch, ABurstOfEventsIsOneChange) {
    Shell("cd " + Quoted(folder_) + " && for i in $(seq 1 200); do echo $i > f$i.jpg; done");
    EXPECT_TRUE(watch_.Wait(kPatienceMs).changed);
    EXPECT_FALSE(watch_.Wait(200).Any());
}

TEST_F(Watch, TheFolderItselfDeletedOrMovedIsAChange) {
    Shell("mv " + Quoted(folder_) + " " + Quoted(root_.filePath("moved")));
    EXPECT_TRUE(watch_.Wait(kPatienceMs).changed);
    EXPECT_TRUE(watch_.IsWatching());  // the watch follows the folder

    Shell("rm -r " + Quoted(root_.filePath("moved")));
    EXPECT_TRUE(watch_.Wait(kPatienceMs).changed);
    EXPECT_FALSE(watch_.IsWatching());  // the kernel ended the watch
    EXPECT_FALSE(watch_.Wait(200).Any());
}

TEST_F(Watch, AReplacedWatchReportsOnlyTheNewFolder) {
    const QString other = root_.filePath("other");
    ASSERT_TRUE(QDir().mkpath(other));
    Shell("touch " + In("before-switch.jpg"));
    ASSERT_TRUE(watch_.Watch(other));
    EXPECT_FALSE(watch_.Wait(300).Any());
    Shell("touch " + In("after-switch.jpg"));
    EXPECT_FALSE(watch_.Wait(300).Any());
    Shell("touch " + Quoted(other + "/x.jpg"));
    EXPECT_TRUE(watch_.Wait(kPatienceMs).changed);
}

TEST_F(Watch, UnwatchedAndUnwatchableFolders) {
    watch_.Unwatch();
    EXPECT_FALSE(watch_.IsWatching());
    Shell("touch " + In("x.jpg"));
    EXPECT_FALSE(watch_.Wait(300).Any());

    EXPECT_FALSE(watch_.Watch(root_.filePath("missing")));
    EXPECT_FALSE(watch_.Watch(folder_ + "/old.jpg"));  // not a folder
    EXPECT_FALSE(watch_.Watch(""));
    EXPECT_FALSE(watch_.IsWatching());
}

TEST_F(Watch, WakeFromAnotherThreadEndsTheWait) {
    // The wait has no time limit: only the wake-up ends it, whether it
    // comes before the wait begins or during it.
    std::thread waker([this] { watch_.Wake(); });
    const FolderWatch::WaitResult result = watch_.Wait(-1);
    waker.join();
    EXPECT_TRUE(result.woken);
    EXPECT_FALSE(result.changed);
    // A wake-up given before the wait ends the next wait at once.
    watch_.Wake();
    EXPECT_TRUE(watch_.Wait(5000).woken);
    EXPECT_FALSE(watch_.Wait(0).Any());
}

TEST_F(Watch, ATimeOutReportsNothing) {
    const auto start = Clock::now();
    EXPECT_FALSE(watch_.Wait(150).Any());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(140));
}

}  // namespace

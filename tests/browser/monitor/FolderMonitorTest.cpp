#include "browser/monitor/FolderMonitor.h"

#include "platform/resources/CommandIds.h"
#include "support/FailingWatch.h"
#include "support/FileFixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Generous: the worker runs late on a loaded machine.
constexpr std::chrono::milliseconds kPatience = 30000ms;

// Stands for the browser: the monitor only carries its address.
CThumbsBrowser* const kBrowser = reinterpret_cast<CThumbsBrowser*>(0x1000);

struct Posted {
    int id;
    QString folder;
    CThumbsBrowser* browser;
};

class Recorder : public platform::CommandReceiver {
public:
    void OnPostedCommand(const platform::Command& command) override {
        const auto* folder = static_cast<const MonitoredFolder*>(command.payload.get());
        posted.push_back(
            {command.id, folder ? folder->folder : QStringLiteral("<none>"), folder ? folder->browser : nullptr});
    }
    int Count(int id) const {
        int n = 0;
        for (const Posted& p : posted)
            n += p.id == id;
        return n;
    }
    std::vector<Posted> posted;
};

void Shell(const QString& command) {
    ASSERT_EQ(std::system(command.toLocal8Bit().constData()), 0) << command.toStdString();
}

class Monitor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        folder_ = root_.filePath("photos");
        ASSERT_TRUE(QDir().mkpath(folder_));
        ASSERT_TRUE(WriteFile(folder_ + "/a.jpg", "0123456789"));
        platform::DeliverPostedCommands();  // nothing of earlier tests
        monitor_->SetClock([this] { return now_.load(); });
        ASSERT_TRUE(monitor_->Start());
    }
    void TearDown() override {
        monitor_.reset();
        port_->Close();
    }

    // Delivers posted commands until `done` holds or the time is up.
    bool DeliverUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kPatience) {
        const auto end = Clock::now() + limit;
        for (;;) {
            platform::DeliverPostedCommands();
            if (done())
                return true;
            if (Clock::now() > end)
                return false;
            std::this_thread::sleep_for(5ms);
        }
    }
    // Delivers for a while and answers how many of `id` came.
    int CountDuring(int id, std::chrono::milliseconds period) {
        const size_t before = recorder_.posted.size();
        DeliverUntil([] { return false; }, period);
        int n = 0;
        for (size_t i = before; i < recorder_.posted.size(); ++i)
            n += recorder_.posted[i].id == id;
        return n;
    }
    bool ReadFolderPosted(size_t after) {
        return DeliverUntil([&] {
            for (size_t i = after; i < recorder_.posted.size(); ++i) {
                if (recorder_.posted[i].id == ID_BEGINREADFOLDER)
                    return true;
            }
            return false;
        });
    }
    void WatchAndSettle(const QString& path) {
        const size_t before = recorder_.posted.size();
        monitor_->SetFolder(path, kBrowser);
        ASSERT_TRUE(ReadFolderPosted(before));
    }
    QString Quoted(const QString& path) const { return u'\'' + path + u'\''; }
    // Another process makes a file in `folder`: is a listing asked for?
    bool ChangeIsListed(const QString& folder, const char* name) {
        const size_t before = recorder_.posted.size();
        Shell("touch " + Quoted(folder + u'/' + QLatin1String(name)));
        return ReadFolderPosted(before);
    }

    QTemporaryDir root_;
    QString folder_;
    // The monitor's clock (milliseconds): it stands still unless a test moves it.
    std::atomic<std::int64_t> now_{0};
    Recorder recorder_;
    std::shared_ptr<platform::CommandPort> port_ = platform::CommandPort::Create(&recorder_);
    std::unique_ptr<CFolderMonitor> monitor_ = std::make_unique<CFolderMonitor>(port_);
};

TEST_F(Monitor, ANewFolderIsListedAtOnceWithItsFolderInTheCommand) {
    WatchAndSettle(folder_);
    ASSERT_FALSE(recorder_.posted.empty());
    const Posted& last = recorder_.posted.back();
    EXPECT_EQ(last.id, ID_BEGINREADFOLDER);
    EXPECT_EQ(last.folder, folder_);
    EXPECT_EQ(last.browser, kBrowser);
    EXPECT_EQ(recorder_.Count(ID_REFRESH), 0);
}

TEST_F(Monitor, PathsAsWatched) {
    const struct {
        QString given, listed;
    } cases[] = {
        {folder_ + "/", folder_},                                // one trailing slash dropped
        {"/", "/"},                                              // the root stays the root
        {"", ""},                                                // nothing watched, listed empty
        {root_.filePath("missing"), root_.filePath("missing")},  // cannot be watched: still listed (empty)
        {folder_ + "/a.jpg", folder_ + "/a.jpg"},                // not a folder: still listed (empty)
    };
    for (const auto& c : cases) {
        WatchAndSettle(c.given);
        EXPECT_EQ(recorder_.posted.back().folder, c.listed) << c.given.toStdString();
    }
}

TEST_F(Monitor, ChangesByAnotherProcessAskForAListing) {
    WatchAndSettle(folder_);
    const QString a = Quoted(folder_ + "/a.jpg");
    const QString b = Quoted(folder_ + "/b.jpg");
    const QString changes[] = {
        "touch " + b,
        "rm " + b,
        "mv " + a + " " + b,
        "mv " + b + " " + a,
        "printf xyz | dd of=" + a + " conv=notrunc status=none",
        "truncate -s 2 " + a,
    };
    for (const QString& change : changes) {
        const size_t before = recorder_.posted.size();
        Shell(change);
        EXPECT_TRUE(ReadFolderPosted(before)) << change.toStdString();
        EXPECT_EQ(recorder_.posted.back().folder, folder_);
        // Let the watch settle so that each change stands alone.
        DeliverUntil([] { return false; }, 150ms);
    }
}

TEST_F(Monitor, TheFirstChangeAfterAQuietPeriodAlsoAsksForARefresh) {
    WatchAndSettle(folder_);
    // Two changes 500 ms apart: one refresh, two listings.
    ASSERT_TRUE(ChangeIsListed(folder_, "1.jpg"));
    now_ += 500;
    ASSERT_TRUE(ChangeIsListed(folder_, "2.jpg"));
    EXPECT_EQ(recorder_.Count(ID_REFRESH), 1);
    EXPECT_GE(recorder_.Count(ID_BEGINREADFOLDER), 3);
    // The refresh comes before the listing and carries the folder too.
    ASSERT_GE(recorder_.posted.size(), 3u);
    EXPECT_EQ(recorder_.posted[1].id, ID_REFRESH);
    EXPECT_EQ(recorder_.posted[1].folder, folder_);
    EXPECT_EQ(recorder_.posted[2].id, ID_BEGINREADFOLDER);
    // After more than two quiet seconds the next change refreshes again.
    now_ += 2300;
    ASSERT_TRUE(ChangeIsListed(folder_, "3.jpg"));
    EXPECT_EQ(recorder_.Count(ID_REFRESH), 2);
}

TEST_F(Monitor, PausedChangesPostNothing) {
    WatchAndSettle(folder_);
    monitor_->SetPaused(true);
    EXPECT_TRUE(monitor_->IsPaused());
    Shell("touch " + Quoted(folder_ + "/ours.jpg") + " && rm " + Quoted(folder_ + "/a.jpg"));
    EXPECT_EQ(CountDuring(ID_BEGINREADFOLDER, 800ms) + recorder_.Count(ID_REFRESH), 0);
    monitor_->SetPaused(false);
    EXPECT_TRUE(ChangeIsListed(folder_, "theirs.jpg"));
}

TEST_F(Monitor, AVanishedFolderIsNoLongerWatchedOrListed) {
    WatchAndSettle(folder_);
    const int listings = recorder_.Count(ID_BEGINREADFOLDER);
    Shell("rm -r " + Quoted(folder_));
    ASSERT_TRUE(DeliverUntil([&] { return !monitor_->IsWatching(); }));
    EXPECT_EQ(recorder_.Count(ID_BEGINREADFOLDER), listings);
    // The same path made again is not watched until it is set again.
    ASSERT_TRUE(QDir().mkpath(folder_));
    Shell("touch " + Quoted(folder_ + "/new.jpg"));
    EXPECT_EQ(CountDuring(ID_BEGINREADFOLDER, 600ms), 0);
    WatchAndSettle(folder_);
    EXPECT_TRUE(ChangeIsListed(folder_, "newer.jpg"));
}

TEST_F(Monitor, StopWatchingPostsNothingUntilTheNextFolder) {
    WatchAndSettle(folder_);
    const size_t before = recorder_.posted.size();
    monitor_->StopWatching();
    ASSERT_TRUE(DeliverUntil([&] { return !monitor_->IsWatching(); }));
    Shell("touch " + Quoted(folder_ + "/x.jpg"));
    EXPECT_EQ(CountDuring(ID_BEGINREADFOLDER, 600ms), 0);
    EXPECT_EQ(recorder_.posted.size(), before);
    WatchAndSettle(folder_);
}

TEST_F(Monitor, TheOldFolderIsForgottenWhenANewOneComes) {
    const QString other = root_.filePath("other");
    ASSERT_TRUE(QDir().mkpath(other));
    WatchAndSettle(folder_);
    WatchAndSettle(other);
    EXPECT_EQ(recorder_.posted.back().folder, other);
    Shell("touch " + Quoted(folder_ + "/x.jpg"));
    EXPECT_EQ(CountDuring(ID_BEGINREADFOLDER, 600ms), 0);
}

TEST_F(Monitor, FoldersSetInQuickSuccessionEndWithTheLast) {
    std::vector<QString> folders;
    for (int i = 0; i < 20; ++i) {
        folders.push_back(root_.filePath(QStringLiteral("f%1").arg(i)));
        ASSERT_TRUE(QDir().mkpath(folders.back()));
    }
    for (const QString& folder : folders)
        monitor_->SetFolder(folder, kBrowser);
    DeliverUntil([&] { return !recorder_.posted.empty() && recorder_.posted.back().folder == folders.back(); });
    ASSERT_FALSE(recorder_.posted.empty());
    EXPECT_EQ(recorder_.posted.back().folder, folders.back());
    EXPECT_TRUE(ChangeIsListed(folders.back(), "x.jpg"));
}

TEST_F(Monitor, WithoutABrowserNothingIsListed) {
    monitor_->SetFolder(folder_, nullptr);
    // Watched, its changes and its end seen, and no listing asked for.
    ASSERT_TRUE(DeliverUntil([&] { return monitor_->IsWatching(); }));
    Shell("touch " + Quoted(folder_ + "/x.jpg"));
    EXPECT_EQ(CountDuring(ID_BEGINREADFOLDER, 400ms), 0);
    Shell("rm -r " + Quoted(folder_));
    ASSERT_TRUE(DeliverUntil([&] { return !monitor_->IsWatching(); }));
    EXPECT_EQ(recorder_.Count(ID_BEGINREADFOLDER), 0);
}

TEST_F(Monitor, DeletingTheMonitorWhileItWaitsWakesAndJoinsItsThread) {
    WatchAndSettle(folder_);
    const size_t before = recorder_.posted.size();
    // The worker's wait has no time limit: only the destructor's wake-up
    // ends it, so without one the test hangs here.
    monitor_.reset();
    // Joined: a change now reaches nobody.
    Shell("touch " + Quoted(folder_ + "/x.jpg"));
    platform::DeliverPostedCommands();
    EXPECT_EQ(recorder_.posted.size(), before);
}

TEST_F(Monitor, AClosedPortLeavesTheMonitorFollowingItsFolder) {
    port_->Close();
    monitor_->SetFolder(folder_, kBrowser);
    ASSERT_TRUE(DeliverUntil([&] { return monitor_->IsWatching(); }));
    // The folder's end is still noticed, though nothing can be told of it.
    Shell("rm -r " + Quoted(folder_));
    ASSERT_TRUE(DeliverUntil([&] { return !monitor_->IsWatching(); }));
    EXPECT_TRUE(recorder_.posted.empty());
}

TEST_F(Monitor, AFolderThatCannotBeWatchedIsListedAllTheSame) {
    const failingwatch::ScopedWatchCalls noWatches({nullptr, failingwatch::OutOfWatches});
    monitor_ = std::make_unique<CFolderMonitor>(port_);
    ASSERT_TRUE(monitor_->Start());
    for (int round = 0; round < 2; ++round) {  // the second time too, when the log is quiet
        WatchAndSettle(folder_);
        EXPECT_EQ(recorder_.posted.back().id, ID_BEGINREADFOLDER);
        EXPECT_EQ(recorder_.posted.back().folder, folder_);
        EXPECT_EQ(recorder_.posted.back().browser, kBrowser);
    }
}

TEST(MonitorStart, WithoutAnInotifyInstanceItDoesNotStart) {
    const failingwatch::ScopedWatchCalls noInstances({failingwatch::OutOfInstances, nullptr});
    CFolderMonitor monitor(nullptr);
    EXPECT_FALSE(monitor.Start());
}

TEST(MonitorStart, StartsOnce) {
    Recorder recorder;
    auto port = platform::CommandPort::Create(&recorder);
    CFolderMonitor monitor(port);
    EXPECT_TRUE(monitor.Start());
    EXPECT_FALSE(monitor.Start());
    port->Close();
}

TEST(MonitorStart, AMonitorNeverStartedWatchesAndPostsNothing) {
    Recorder recorder;
    auto port = platform::CommandPort::Create(&recorder);
    {
        CFolderMonitor monitor(port);
        monitor.SetFolder("/", kBrowser);
        monitor.StopWatching();
        EXPECT_FALSE(monitor.IsWatching());
    }
    platform::DeliverPostedCommands();
    EXPECT_TRUE(recorder.posted.empty());
    port->Close();
}

}  // namespace

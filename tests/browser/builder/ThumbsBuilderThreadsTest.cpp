// The builder threads on real folders: queueing, priorities, both passes,
// listeners and their posts, cancel, files being written, shutdown.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "browser/ThumbFixtures.h"
#include "browser/builder/Thumbnails.h"
#include "browser/cells/DecodedDibCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbCacheLock.h"
#include "platform/commands/PostedCommand.h"
#include "support/FifoFixtures.h"

using namespace thumbfixtures;

namespace {

constexpr int kIdleMs = 120000;

void EnsureCoreApplication() {
    static int argc = 1;
    static char name[] = "builder-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

// Sets a file's times an hour (or more seconds) back, as a folder of settled
// photographs has.
void Settle(const QString& path, int secondsBack = 3600) {
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= secondsBack;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

// Records every notification, in order, with what the cache held then.
class Recorder final : public IThumbUpdate {
public:
    explicit Recorder(CMapStringToObPlus& cache) : m_cache(cache) {}
    void OnThumbUpdate(const QString& path, int flag) override {
        CellRef cell;
        bool complete = false, sound = false;
        {
            std::lock_guard lock(g_csThumbCache);
            if (m_cache.LookupInMemory(path, cell)) {
                complete = cell->m_bComplete;
                sound = cell->m_bSoundNote;
            }
        }
        std::lock_guard lock(m_mutex);
        m_events.push_back({path, flag, cell != nullptr, complete, sound});
        m_changed.notify_all();
        if (m_onUpdate)
            m_onUpdate(path);
    }
    struct Event {
        QString path;
        int flag;
        bool cached, complete, soundNote;
    };
    std::vector<Event> Events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    bool WaitFor(std::size_t count, int timeoutMs = kIdleMs) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_events.size() >= count; });
    }
    std::function<void(const QString&)> m_onUpdate;  // called under the recorder's lock

private:
    CMapStringToObPlus& m_cache;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
};

class Builder : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_cache.Open(m_dir.filePath("cache")));
        QDir().mkpath(m_dir.filePath("photos"));
    }
    void TearDown() override {
        m_builder.Stop();
        m_cache.Close();
    }

    // n camera photographs (blue image, red EXIF thumbnail), settled.
    QStringList Photos(int n, const QString& prefix = "IMG_") {
        static const Bytes jpeg = CameraJpeg(96, 72);
        QStringList paths;
        for (int i = 0; i < n; ++i) {
            const QString path =
                m_dir.filePath(QStringLiteral("photos/%1%2.JPG").arg(prefix).arg(i, 4, 10, QChar('0')));
            EXPECT_TRUE(WriteBytes(path, jpeg));
            Settle(path);
            paths.push_back(path);
        }
        return paths;
    }

    QTemporaryDir m_dir;
    CMapStringToObPlus m_cache;
    CThumbsBuilderThreads m_builder{m_cache};
};

TEST_F(Builder, AFolderOf200IsBuiltFastThenCompleteAndListenersHearBoth) {
    const QStringList paths = Photos(200);
    Recorder recorder(m_cache);
    m_builder.AddThumbnailListener(&recorder);
    m_builder.Start();
    m_builder.QueueThumbnailFiles(paths);
    ASSERT_TRUE(recorder.WaitFor(400));
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&recorder);

    std::map<QString, std::vector<Recorder::Event>> byPath;
    for (const auto& e : recorder.Events())
        byPath[e.path].push_back(e);
    ASSERT_EQ(byPath.size(), 200u);
    for (const QString& path : paths) {
        const auto& events = byPath[path];
        ASSERT_EQ(events.size(), 2u) << path.toStdString();
        EXPECT_TRUE(events[0].cached);
        EXPECT_FALSE(events[0].complete);  // from the EXIF thumbnail
        EXPECT_TRUE(events[1].complete);   // from the whole image
        EXPECT_EQ(events[0].flag, 0);
        CellRef cell;
        ASSERT_TRUE(m_cache.LookupInMemory(path, cell));
        ASSERT_TRUE(cell->GetDib());
        EXPECT_TRUE(Near(CentreOf(*cell->GetDib()), kBlue));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(cell->m_timeFile, st.st_mtim.tv_sec);
    }
    // A second listing finds everything fresh and complete: nothing is built.
    m_builder.AddThumbnailListener(&recorder);
    m_builder.QueueThumbnailFiles(paths);
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&recorder);
    EXPECT_EQ(recorder.Events().size(), 400u);
}

TEST_F(Builder, BetterPassThreadsRunBelowNormalPriority) {
    errno = 0;
    const int base = ::getpriority(PRIO_PROCESS, 0);
    m_builder.Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kIdleMs);
    for (;;) {
        bool started = true;
        for (int n = 0; n < 3; ++n)
            started = started && m_builder.ThreadNice(n) != CThumbsBuilderThreads::kNiceUnknown;
        if (started || std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(m_builder.ThreadNice(0), base);
    EXPECT_EQ(m_builder.ThreadNice(1), std::min(base + 5, 19));
    EXPECT_EQ(m_builder.ThreadNice(2), std::min(base + 5, 19));
}

TEST_F(Builder, PrioritizedPathsGoFirstEvenWhenNotQueued) {
    const QStringList paths = Photos(6);
    m_builder.QueueThumbnailFiles(paths.mid(0, 4));
    m_builder.PrioritizeThumbnailFiles({paths[3], paths[5]});
    EXPECT_EQ(m_builder.QueuedPaths(0), (QStringList{paths[3], paths[5], paths[0], paths[1], paths[2]}));
    Recorder recorder(m_cache);
    m_builder.AddThumbnailListener(&recorder);
    m_builder.Start();
    ASSERT_TRUE(recorder.WaitFor(5));
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&recorder);
    QStringList firstPasses;
    for (const auto& e : recorder.Events())
        if (!e.complete)
            firstPasses.push_back(e.path);
    EXPECT_EQ(firstPasses, (QStringList{paths[3], paths[5], paths[0], paths[1], paths[2]}));
}

TEST_F(Builder, ANewListingCancelsTheOldOneAtTheNextStep) {
    const QStringList old = Photos(100, "OLD_");
    const QStringList fresh = Photos(3, "NEW_");
    Recorder recorder(m_cache);
    bool requeued = false;
    recorder.m_onUpdate = [&](const QString&) {
        if (!requeued) {
            requeued = true;
            m_builder.QueueThumbnailFiles(fresh);
        }
    };
    m_builder.AddThumbnailListener(&recorder);
    m_builder.Start();
    m_builder.QueueThumbnailFiles(old);
    ASSERT_TRUE(recorder.WaitFor(2));
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&recorder);
    std::set<QString> notified;
    for (const auto& e : recorder.Events())
        notified.insert(e.path);
    // Only the file that was being built when the listing changed, then the new ones.
    EXPECT_TRUE(notified.contains(old[0]));
    for (int i = 1; i < old.size(); ++i)
        EXPECT_FALSE(notified.contains(old[i])) << i;
    for (const QString& path : fresh)
        EXPECT_TRUE(notified.contains(path));
    EXPECT_TRUE(m_builder.QueuedPaths(0).isEmpty());
}

TEST_F(Builder, StaleAndVanishedFiles) {
    const QStringList paths = Photos(2);
    auto stale = std::make_shared<CPaletteItemImg>();
    GiveThumbnail(*stale, 220, 165, kRed, true);
    stale->m_timeFile = 1;  // made from an older version of the file
    m_cache.Insert(paths[0], stale);
    const QString vanished = m_dir.filePath("photos/gone.JPG");
    m_builder.Start();
    m_builder.QueueThumbnailFiles({vanished, paths[0], paths[1]});
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    CellRef cell;
    ASSERT_TRUE(m_cache.LookupInMemory(paths[0], cell));
    EXPECT_NE(cell, stale);
    EXPECT_NE(cell->m_timeFile, 1);
    EXPECT_TRUE(m_cache.LookupInMemory(paths[1], cell));
    EXPECT_FALSE(m_cache.LookupInMemory(vanished, cell));
}

TEST_F(Builder, AFileStillBeingWrittenIsBuiltOnceItSettles) {
    const Bytes jpeg = CameraJpeg(96, 72);
    const QString path = m_dir.filePath("photos/copying.JPG");
    // The listing sees the part copied so far, modified just now.
    ASSERT_TRUE(WriteBytes(path, Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 3)));
    Recorder recorder(m_cache);
    m_builder.AddThumbnailListener(&recorder);
    // The builder's clock: at its first look the rest of the file arrives
    // (size and time change) and the part seen was modified just now; from
    // then on the file's time lies two seconds back.
    std::atomic<int> looks{0};
    m_builder.SetClock([&] {
        struct stat st {};
        if (looks++ == 0) {
            WriteBytes(path, jpeg);
            ::stat(QFile::encodeName(path).constData(), &st);
            return std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
        }
        ::stat(QFile::encodeName(path).constData(), &st);
        return (std::int64_t{st.st_mtim.tv_sec} + 2) * 1'000'000'000 + st.st_mtim.tv_nsec;
    });
    m_builder.Start();
    m_builder.QueueThumbnailFiles({path});
    ASSERT_TRUE(recorder.WaitFor(1));
    // Looked at as written just now, then as changed, then as settled.
    EXPECT_GE(looks.load(), 3);
    // Built only after the rest had arrived: the first thumbnail is already whole.
    EXPECT_TRUE(recorder.Events()[0].cached);
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&recorder);
    CellRef cell;
    ASSERT_TRUE(m_cache.LookupInMemory(path, cell));
    ASSERT_TRUE(cell->GetDib());
    EXPECT_TRUE(Near(CentreOf(*cell->GetDib()), kBlue));  // the whole file, after its better pass
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(cell->m_timeFile, st.st_mtim.tv_sec);
}

TEST_F(Builder, AFileThatKeepsChangingGetsNoThumbnail) {
    const QString path = m_dir.filePath("photos/growing.JPG");
    ASSERT_TRUE(WriteBytes(path, CameraJpeg(96, 72)));
    Recorder recorder(m_cache);
    m_builder.AddThumbnailListener(&recorder);
    // As far as the clock tells, every look finds the file modified just now.
    std::atomic<int> looks{0};
    m_builder.SetClock([&] {
        ++looks;
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
    });
    m_builder.Start();
    m_builder.QueueThumbnailFiles({path});
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&recorder);
    EXPECT_EQ(looks.load(), CThumbsBuilderThreads::kSettleTries);
    // The listeners hear only that the builder gave up on the file.
    const std::vector<Recorder::Event> events = recorder.Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].path, path);
    EXPECT_EQ(events[0].flag, kThumbFailed);
    EXPECT_FALSE(events[0].cached);
    CellRef cell;
    EXPECT_FALSE(m_cache.LookupInMemory(path, cell));
}

TEST_F(Builder, SoundNoteIsKnownWhenTheCellFirstAppears) {
    const QStringList paths = Photos(1);
    const QString note = m_dir.filePath("photos/IMG_0000.WAV");
    ASSERT_TRUE(WriteBytes(note, Bytes{1, 2, 3}));
    Recorder recorder(m_cache);
    m_builder.AddThumbnailListener(&recorder);
    m_builder.Start();
    m_builder.QueueThumbnailFiles(paths);
    ASSERT_TRUE(recorder.WaitFor(1));
    m_builder.RemoveThumbnailListener(&recorder);
    EXPECT_TRUE(recorder.Events()[0].soundNote);
}

TEST_F(Builder, ShutdownInTheMiddleOfABuild) {
    const QStringList paths = Photos(60);
    Recorder recorder(m_cache);
    std::atomic<bool> stopped{false}, calledAfterStop{false};
    recorder.m_onUpdate = [&](const QString&) {
        if (stopped)
            calledAfterStop = true;
    };
    m_builder.AddThumbnailListener(&recorder);
    m_builder.Start();
    m_builder.QueueThumbnailFiles(paths);
    ASSERT_TRUE(recorder.WaitFor(3));
    m_builder.Stop();
    stopped = true;
    EXPECT_FALSE(m_builder.IsRunning());
    EXPECT_TRUE(m_builder.QueuedPaths(0).isEmpty());
    // And a builder destroyed while running joins its threads.
    {
        CThumbsBuilderThreads other(m_cache);
        other.Start();
        other.QueueThumbnailFiles(paths);
    }
    m_builder.RemoveThumbnailListener(&recorder);
    EXPECT_FALSE(calledAfterStop);  // joined: nothing more happened
}

TEST_F(Builder, StartAndStopInALoop) {
    const QStringList paths = Photos(20);
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        Recorder recorder(m_cache);
        m_builder.AddThumbnailListener(&recorder);
        m_builder.Start();
        m_builder.QueueThumbnailFiles(paths);
        // Each round stops at a later step: after `round` thumbnails.
        ASSERT_TRUE(recorder.WaitFor(static_cast<std::size_t>(round)));
        m_builder.Stop();
        m_builder.RemoveThumbnailListener(&recorder);
        EXPECT_FALSE(m_builder.IsRunning());
        for (int n = 0; n < CThumbsBuilderThreads::kQueues; ++n)
            EXPECT_TRUE(m_builder.QueuedPaths(n).isEmpty()) << n;
        m_cache.RemoveAll();
    }
    // Whole after the loop: a run to its end gives every file its thumbnail.
    m_builder.Start();
    m_builder.QueueThumbnailFiles(paths);
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    for (const QString& path : paths) {
        CellRef cell;
        EXPECT_TRUE(m_cache.LookupInMemory(path, cell) && cell->IsComplete()) << path.toStdString();
    }
}

TEST_F(Builder, ListenersComeAndGoWhileThumbnailsAreBuilt) {
    const QStringList paths = Photos(40);
    std::atomic<bool> removed{false}, calledAfterRemoval{false};
    class Flagging final : public IThumbUpdate {
    public:
        Flagging(std::atomic<bool>& removed, std::atomic<bool>& after) : m_removed(removed), m_after(after) {}
        void OnThumbUpdate(const QString&, int) override {
            if (m_removed)
                m_after = true;
        }
        std::atomic<bool>& m_removed;
        std::atomic<bool>& m_after;
    } flagging(removed, calledAfterRemoval);
    m_builder.Start();
    m_builder.QueueThumbnailFiles(paths);
    for (int i = 0; i < 200; ++i) {
        m_builder.AddThumbnailListener(&flagging);
        m_builder.AddThumbnailListener(&flagging);
        m_builder.RemoveThumbnailListener(&flagging);  // both occurrences
        removed = true;
        std::this_thread::yield();  // a builder thread may try to call it now
        removed = false;
    }
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    EXPECT_FALSE(calledAfterRemoval);
}

// A receiver on the UI thread, as a thumbnail view is.
class ViewReceiver final : public platform::CommandReceiver {
public:
    void OnPostedCommand(const platform::Command& command) override { commands.push_back(command); }
    std::vector<platform::Command> commands;
};

TEST_F(Builder, ViewsAreToldThroughTheirPorts) {
    const QStringList paths = Photos(30);
    ViewReceiver view;
    auto port = platform::CommandPort::Create(&view);
    ThumbUpdatePoster poster(port, 77);
    m_builder.AddThumbnailListener(&poster);
    m_builder.Start();
    m_builder.QueueThumbnailFiles(paths);
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&poster);
    // One post waits: the others were folded into it.
    EXPECT_EQ(poster.Posts(), 1);
    platform::DeliverPostedCommands();
    ASSERT_EQ(view.commands.size(), 1u);
    EXPECT_EQ(view.commands[0].id, WM_THUMBS_UPDATED);
    EXPECT_EQ(view.commands[0].id, 0x437);
    EXPECT_EQ(view.commands[0].wParam, 77);
    EXPECT_EQ(view.commands[0].lParam, 0);
    // Once the view has handled it, the next update posts again.
    poster.Delivered();
    poster.OnThumbUpdate(paths[0], 0);
    EXPECT_EQ(poster.Posts(), 2);
    // A closed port delivers nothing.
    port->Close();
    poster.Delivered();
    poster.OnThumbUpdate(paths[0], 0);
    EXPECT_EQ(platform::DeliverPostedCommands(), 0);
}

// Files the builder gives up on (undecodable, a named pipe, gone) are told to
// the listeners as failed, so that one waiting for a whole folder ends; the
// views' poster draws nothing for them.
TEST_F(Builder, ListenersHearOfTheFilesThatFail) {
    const QStringList good = Photos(1);
    const QString bad = m_dir.filePath("photos/BAD.JPG");
    ASSERT_TRUE(WriteBytes(bad, Bytes(200, 0x5A)));
    Settle(bad);
    const QString pipe = m_dir.filePath("photos/PIPE.JPG");
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    const QString gone = m_dir.filePath("photos/GONE.JPG");
    Recorder recorder(m_cache);
    m_builder.AddThumbnailListener(&recorder);
    m_builder.Start();
    m_builder.QueueThumbnailFiles({bad, pipe, gone, good[0]});
    ASSERT_TRUE(fifotests::FinishesWithin({pipe}, [&] { m_builder.WaitUntilIdle(kIdleMs); }));
    m_builder.RemoveThumbnailListener(&recorder);
    std::map<QString, int> flags;
    for (const Recorder::Event& event : recorder.Events())
        if (!flags.contains(event.path))
            flags[event.path] = event.flag;
    EXPECT_EQ(flags,
              (std::map<QString, int>{{bad, kThumbFailed}, {pipe, kThumbFailed}, {gone, kThumbFailed}, {good[0], 0}}));

    ViewReceiver view;
    ThumbUpdatePoster poster(platform::CommandPort::Create(&view), 1);
    poster.OnThumbUpdate(bad, kThumbFailed);
    EXPECT_EQ(poster.Posts(), 0);
}

// The cell itself never opens a named pipe, whoever asks it for a thumbnail.
TEST_F(Builder, ACellIsNeverMadeFromANamedPipe) {
    const QString pipe = m_dir.filePath("photos/PIPE.JPG");
    ASSERT_TRUE(fifotests::MakeFifo(pipe));
    bool loaded = true;
    ASSERT_TRUE(fifotests::FinishesWithin({pipe}, [&] {
        CPaletteItemImg cell;
        loaded = cell.LoadThumbnail(pipe, false, nullptr) || cell.LoadThumbnail(pipe, true, nullptr);
    }));
    EXPECT_FALSE(loaded);
}

TEST(Thumbnails, InitThenShutdownInOrder) {
    EnsureCoreApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(InitThumbnails(dir.filePath("QVIMGBRW_QZTHM")));
    EXPECT_TRUE(g_ThumbsBuilder.IsRunning());
    EXPECT_EQ(g_ThumbCache.CacheFolder(), dir.filePath("QVIMGBRW_QZTHM"));
    QueueThumbnailFiles({dir.filePath("none.jpg")});
    ShutdownThumbnails();
    EXPECT_FALSE(g_ThumbsBuilder.IsRunning());
    EXPECT_EQ(g_ThumbCache.CacheFolder(), QString());
}

}  // namespace

// While a drawing decodes a cell's thumbnail, the builder stores the next
// file's cell and reports it: the drawing holds no lock the builder needs.
TEST_F(Builder, TheBuilderGoesOnWhileADrawingDecodes) {
    constexpr int kBuiltMeanwhileMs = 20000;
    const QStringList paths = Photos(2);
    Recorder recorder(m_cache);
    m_builder.AddThumbnailListener(&recorder);
    m_builder.Start();
    m_builder.QueueThumbnailFiles({paths[0]});
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    g_DecodedDibs.Clear();
    CellRef first;
    ASSERT_TRUE(m_cache.LookupInMemory(paths[0], first));
    ASSERT_FALSE(first->HoldsDib());
    const std::size_t before = recorder.Events().size();
    int decodes = 0;
    bool builtMeanwhile = false;
    SetThumbDecodeObserver([&] {
        if (decodes++ > 0)
            return;
        m_builder.QueueThumbnailFiles({paths[1]});
        builtMeanwhile = recorder.WaitFor(before + 1, kBuiltMeanwhileMs);
    });
    QImage image(220, 165, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        first->DrawInto(painter, image.rect(), paths[0], false);
    }
    SetThumbDecodeObserver({});
    EXPECT_TRUE(builtMeanwhile);
    const QColor centre = image.pixelColor(image.rect().center());
    const Rgb drawn{std::uint8_t(centre.red()), std::uint8_t(centre.green()), std::uint8_t(centre.blue())};
    EXPECT_TRUE(Near(drawn, kRed) || Near(drawn, kBlue));
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    m_builder.RemoveThumbnailListener(&recorder);
    g_DecodedDibs.Clear();
}

// The user-interface thread draws the cached cells (their decoded DIBs, read
// back) while the builder replaces them: files change, so the builder drops
// their stale cells, and the UI thread drops others itself. A cell that goes
// away meanwhile leaves the decoded DIBs' cache; the bound holds throughout.
TEST_F(Builder, DecodedDibsStayBoundedWhileCellsAreDrawnAndReplaced) {
    constexpr std::size_t kBound = 3;
    g_DecodedDibs.Clear();
    g_DecodedDibs.SetCapacity(kBound);
    const QStringList paths = Photos(12);
    m_builder.Start();
    m_builder.QueueThumbnailFiles(paths);
    int drawn = 0;
    for (int round = 0; round < 4; ++round) {
        if (round % 2 == 1) {
            for (int i = round; i < paths.size(); i += 3)
                Settle(paths[i], 3600 + 60 * round);
            m_builder.QueueThumbnailFiles(paths);
        }
        do {
            for (int i = 0; i < paths.size(); ++i) {
                CellRef cell;
                if (!m_cache.LookupInMemory(paths[i], cell))
                    continue;
                const DibRef dib = cell->GetDib();
                ASSERT_TRUE(dib);
                const Rgb centre = CentreOf(*dib);
                EXPECT_TRUE(Near(centre, kRed) || Near(centre, kBlue));
                ++drawn;
                if ((i + round) % 5 == 0) {
                    std::lock_guard lock(g_csThumbCache);
                    m_cache.RemoveKey(paths[i]);
                }
                cell.reset();  // often the last reference: the cell goes here
                EXPECT_LE(g_DecodedDibs.Size(), kBound);
            }
        } while (!m_builder.WaitUntilIdle(0));
    }
    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    EXPECT_GT(drawn, 0);
    int holding = 0;
    for (const QString& path : paths) {
        CellRef cell;
        if (m_cache.LookupInMemory(path, cell))
            holding += cell->HoldsDib() ? 1 : 0;
    }
    EXPECT_LE(holding, static_cast<int>(kBound));
    EXPECT_LE(g_DecodedDibs.Size(), kBound);
    m_builder.Stop();
    m_cache.Close();  // every cell goes: nothing decoded stays behind
    EXPECT_EQ(g_DecodedDibs.Size(), 0u);
    g_DecodedDibs.SetCapacity(CDecodedDibCache::kDefaultCapacity);
}

// The builder and the cache on two folders, with the cache trimming at 30
// entries down to fewer than 20: a trim's archive write leaves the cache lock
// to the drawings, and a folder that goes out again appends only its new
// entries to its archive, in the archive's own layout.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "browser/ThumbFixtures.h"
#include "browser/builder/ThumbsBuilder.h"
#include "browser/cache/CacheArchives.h"
#include "browser/cells/ThumbCacheLock.h"
#include "platform/threads/Event.h"

using namespace thumbfixtures;

namespace {

constexpr int kIdleMs = 120000;
constexpr std::size_t kTrimAt = 30;
constexpr std::size_t kTrimDownTo = 20;

void EnsureCoreApplication() {
    static int argc = 1;
    static char name[] = "cache-writes-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

class CacheWrites : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCoreApplication();
        ASSERT_TRUE(m_dir.isValid());
        m_cacheFolder = m_dir.filePath("cache");
        ASSERT_TRUE(m_cache.Open(m_cacheFolder));
        m_cache.SetTrimLimits(kTrimAt, kTrimDownTo);
        m_builder.Start();
    }
    void TearDown() override {
        m_builder.Stop();
        m_cache.SetArchiveWriteHook({});
        m_cache.Close();
    }

    // Small settled pictures first .. first + count - 1 of a folder.
    QStringList Pictures(const QString& folder, int first, int count) {
        static const Bytes jpeg = SolidJpeg(64, 48, kBlue);
        const QString dir = m_dir.filePath("photos/" + folder);
        QDir().mkpath(dir);
        QStringList paths;
        for (int i = first; i < first + count; ++i) {
            const QString path = dir + QStringLiteral("/pic%1.jpg").arg(i, 3, 10, QChar('0'));
            EXPECT_TRUE(WriteBytes(path, jpeg));
            timespec times[2];
            ::clock_gettime(CLOCK_REALTIME, &times[0]);
            times[0].tv_sec -= 3600;
            times[1] = times[0];
            EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
            paths.push_back(path);
        }
        return paths;
    }
    QString FolderOf(const QString& folder) const { return m_dir.filePath("photos/" + folder) + '/'; }
    void Build(const QStringList& paths) {
        m_builder.QueueThumbnailFiles(paths);
        ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_cacheFolder;
    CMapStringToObPlus m_cache;
    CThumbsBuilderThreads m_builder{m_cache};
};

}  // namespace

TEST_F(CacheWrites, ADrawingTakesTheCacheLockWhileATrimWritesAnArchive) {
    const QStringList a = Pictures("a", 0, static_cast<int>(kTrimAt));
    const QStringList b = Pictures("b", 0, 5);
    Build(a);
    ASSERT_EQ(m_cache.GetCount(), kTrimAt);

    // The first cell of b makes the builder write a out; it is held inside
    // that write until the drawing is done (or the wait gives up).
    platform::Event writing, drawn, release(platform::Event::Reset::Manual);
    std::atomic<int> writes{0};
    m_cache.SetArchiveWriteHook([&](const QString&) {
        if (writes++ == 0) {
            writing.Set();
            release.Wait(60000);
        }
    });
    m_builder.QueueThumbnailFiles(b);
    ASSERT_TRUE(writing.Wait(kIdleMs));

    // A drawing of one of a's cells, as the view paints: under the lock.
    std::atomic<bool> hadDib{false};
    std::thread drawing([&] {
        std::lock_guard lock(g_csThumbCache);
        CellRef cell;
        if (m_cache.Lookup(a[0], cell))
            hadDib = cell->GetDib() != nullptr;
        drawn.Set();
    });
    const bool drewWhileWriting = drawn.Wait(10000);
    release.Set();
    drawing.join();
    EXPECT_TRUE(drewWhileWriting) << "the drawing waited for the archive write";
    EXPECT_TRUE(hadDib);

    ASSERT_TRUE(m_builder.WaitUntilIdle(kIdleMs));
    // a went out whole, into its archive.
    CellRef cell;
    EXPECT_FALSE(m_cache.LookupInMemory(a[1], cell));
    EXPECT_TRUE(m_cache.Lookup(a[1], cell));
}

TEST_F(CacheWrites, AFolderGoingOutAgainAppendsOnlyItsNewEntries) {
    const QStringList a = Pictures("a", 0, static_cast<int>(kTrimAt));
    Build(a);
    Build(Pictures("b", 0, 10));  // a goes out whole
    const QString archive = m_cache.ArchiveOf(FolderOf("a"));
    const QByteArray first = Read(archive);
    ASSERT_FALSE(first.isEmpty());

    // Ten new pictures in a: a comes back from its archive, gets them, and
    // goes out again for the cells of a third folder.
    const QStringList more = a + Pictures("a", static_cast<int>(kTrimAt), 10);
    Build(more);
    const std::uint64_t before = m_cache.BytesWritten();
    Build(Pictures("c", 0, 10));
    CellRef cell;
    ASSERT_FALSE(m_cache.LookupInMemory(more[0], cell)) << "a did not go out again";
    const QByteArray second = Read(archive);
    const std::uint64_t written = m_cache.BytesWritten() - before;

    // What was written is the ten new entries (and the new count), not the
    // whole archive again.
    ASSERT_GT(second.size(), first.size());
    const std::uint64_t grown = static_cast<std::uint64_t>(second.size() - first.size());
    EXPECT_LE(written, grown + 16) << "archive of " << second.size() << " bytes";
    // The archive starts as it did and is a whole one in its layout: as the
    // cache writes an archive of its entries at once.
    EXPECT_EQ(second.mid(2, first.size() - 2), first.mid(2));
    const auto bytes =
        std::span(reinterpret_cast<const std::uint8_t*>(second.constData()), static_cast<std::size_t>(second.size()));
    const CellEntries entries = ReadCellArchive(bytes);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(more.size()));
    const std::vector<std::uint8_t> whole = WriteCellArchive(entries);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(whole.data()), static_cast<qsizetype>(whole.size())), second);

    // A later run finds every cell of a in it.
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    m_builder.Stop();
    CMapStringToObPlus later;
    ASSERT_TRUE(later.Open(m_cacheFolder));
    ASSERT_TRUE(later.LoadOrSave(QString(), false));
    for (const QString& path : more)
        EXPECT_TRUE(later.Lookup(path, cell)) << path.toStdString();
    later.Close();
}

// The cache in memory: lookups that merge archives, insertions, trimming,
// pruning and the last browser's end.
#include <sys/stat.h>

#include <ctime>

#include "browser/cache/CacheTestSupport.h"
#include "browser/cells/ThumbCacheLock.h"

TEST_F(CacheTest, FirstStartMakesAPrivateFolderAndFindsNoIndex) {
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(m_cacheFolder).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(m_cache.LoadOrSave(LegacyThumbCacheFile(), false));
    EXPECT_EQ(m_cache.GetCount(), 0u);
}

TEST_F(CacheTest, RefusesAFolderThatIsALink) {
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath("elsewhere")));
    ASSERT_EQ(::symlink(QFile::encodeName(m_dir.filePath("elsewhere")).constData(),
                        QFile::encodeName(m_dir.filePath("cache/link")).constData()),
              0);
    CMapStringToObPlus cache;
    EXPECT_FALSE(cache.Open(m_dir.filePath("cache/link")));
    cache.Insert(Photo("a", "1.jpg"), Cell());
    EXPECT_TRUE(QDir(m_dir.filePath("elsewhere")).isEmpty());
}

TEST_F(CacheTest, TheFirstFolderTakesTheFirstFreeNumber) {
    ASSERT_TRUE(Write(Archive(1), "left by an earlier run"));
    m_cache.Insert(Photo("a", "1.jpg"), Cell());
    EXPECT_EQ(m_cache.ArchiveOf(Folder("a")), Archive(2));
    EXPECT_EQ(Read(Archive(2)), QByteArray());  // made at once, empty
    m_cache.Insert(Photo("b", "1.jpg"), Cell());
    EXPECT_EQ(m_cache.ArchiveOf(Folder("b")), Archive(3));
    m_cache.Insert(Photo("a", "2.jpg"), Cell());
    EXPECT_EQ(m_cache.ArchiveOf(Folder("a")), Archive(2));
    EXPECT_EQ(Read(Archive(1)), "left by an earlier run");
}

TEST_F(CacheTest, InsertReplacingACellDropsTheOldOne) {
    const QString path = Photo("a", "1.jpg");
    CellRef first = Cell();
    std::weak_ptr<CPaletteItemImg> watch = first;
    m_cache.Insert(path, std::move(first));
    m_cache.Insert(path, Cell(2000));
    EXPECT_TRUE(watch.expired());
    CellRef found;
    ASSERT_TRUE(m_cache.Lookup(path, found));
    EXPECT_EQ(found->m_timeFile, 2000);
    EXPECT_EQ(m_cache.GetCount(), 1u);
}

TEST_F(CacheTest, SavedFoldersComeBackOnTheirFirstLookup) {
    const QString a1 = Photo("a", "1.jpg"), a2 = Photo("a", "2.jpg"), b1 = Photo("b", "1.jpg");
    m_cache.Insert(a1, Cell(11));
    m_cache.Insert(a2, Cell(12));
    m_cache.Insert(b1, Cell(21));
    EXPECT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    EXPECT_EQ(m_cache.GetCount(), 0u);

    CMapStringToObPlus later;
    ASSERT_TRUE(later.Open(m_cacheFolder));
    ASSERT_TRUE(later.LoadOrSave(QString(), false));
    EXPECT_EQ(later.GetCount(), 0u);  // only the index is read at the start
    ASSERT_TRUE(QFile::remove(a2));   // gone since it was cached
    CellRef cell;
    ASSERT_TRUE(later.Lookup(a1, cell));
    EXPECT_EQ(cell->m_timeFile, 11);
    EXPECT_EQ(later.LastMerged(), later.ArchiveOf(Folder("a")));
    EXPECT_EQ(later.GetCount(), 1u);  // a's archive only, without the vanished file
    EXPECT_FALSE(later.Lookup(a2, cell));
    ASSERT_TRUE(cell);
    ASSERT_TRUE(cell->GetDib());
    EXPECT_TRUE(thumbfixtures::Near(thumbfixtures::CentreOf(*cell->GetDib()), thumbfixtures::kBlue));
    // A folder without an archive misses and forgets the last merge.
    EXPECT_FALSE(later.Lookup(Photo("c", "1.jpg"), cell));
    EXPECT_EQ(later.LastMerged(), QString());
    later.Close();
}

TEST_F(CacheTest, AnArchiveOfOnlyDeletedFilesAddsNothing) {
    const QString a1 = Photo("a", "1.jpg");
    m_cache.Insert(a1, Cell());
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    ASSERT_TRUE(m_cache.LoadOrSave(QString(), false));
    ASSERT_TRUE(QFile::remove(a1));
    CellRef cell;
    EXPECT_FALSE(m_cache.Lookup(a1, cell));
    EXPECT_EQ(m_cache.GetCount(), 0u);
}

TEST_F(CacheTest, FoldersCompareExactly) {
    const QString upper = Photo("A", "1.jpg"), lower = Photo("a", "1.jpg");
    m_cache.Insert(upper, Cell(1));
    m_cache.Insert(lower, Cell(2));
    EXPECT_NE(m_cache.ArchiveOf(Folder("A")), m_cache.ArchiveOf(Folder("a")));
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    ASSERT_TRUE(m_cache.LoadOrSave(QString(), false));
    CellRef cell;
    ASSERT_TRUE(m_cache.Lookup(lower, cell));
    EXPECT_EQ(cell->m_timeFile, 2);
    EXPECT_EQ(m_cache.GetCount(), 1u);
    ASSERT_TRUE(m_cache.Lookup(upper, cell));
    EXPECT_EQ(cell->m_timeFile, 1);
}

namespace {

// 30 folders of 100 cells: f00 .. f29.
void FillThirtyFolders(CacheTest& test, CMapStringToObPlus& cache, std::vector<QString>& paths,
                       const std::function<QString(const QString&, const QString&)>& photo) {
    for (int f = 0; f < 30; ++f)
        for (int i = 0; i < 100; ++i) {
            paths.push_back(photo(QStringLiteral("f%1").arg(f, 2, 10, QChar('0')), QStringLiteral("%1.jpg").arg(i)));
            cache.Insert(paths.back(), CacheTest::Cell(f * 1000 + i));
        }
    (void)test;
}

}  // namespace

TEST_F(CacheTest, TrimWritesWholeFoldersOutAndKeepsTheOneBeingFilled) {
    std::vector<QString> paths;
    FillThirtyFolders(*this, m_cache, paths, [&](const QString& f, const QString& n) { return Photo(f, n); });
    ASSERT_EQ(m_cache.GetCount(), 3000u);
    CellRef held;  // a drawing still holds a cell of a folder that goes out
    ASSERT_TRUE(m_cache.LookupInMemory(paths[5], held));

    ASSERT_TRUE(m_cache.Insert(Photo("f29", "new.jpg"), Cell()));
    // f00 .. f10 go out (the walk stops at f11 with 1900 left), f29 stays whole.
    EXPECT_EQ(m_cache.GetCount(), 1901u);
    CellRef cell;
    for (int f = 0; f < 30; ++f) {
        const bool out = f <= 10;
        EXPECT_EQ(m_cache.LookupInMemory(paths[static_cast<std::size_t>(f * 100)], cell), !out) << f;
        EXPECT_EQ(Read(m_cache.ArchiveOf(Folder(QStringLiteral("f%1").arg(f, 2, 10, QChar('0'))))).isEmpty(), !out)
            << f;
    }
    EXPECT_EQ(held->m_timeFile, 5);
    // A later lookup reads the cell back from the archive it was just
    // written to, its own element alone.
    ASSERT_TRUE(m_cache.Lookup(paths[150], cell));
    EXPECT_EQ(cell->m_timeFile, 1050);
    EXPECT_EQ(m_cache.GetCount(), 1902u);
}

TEST_F(CacheTest, AFailedTrimWriteIsReportedAndKeepsTheCells) {
    std::vector<QString> paths;
    FillThirtyFolders(*this, m_cache, paths, [&](const QString& f, const QString& n) { return Photo(f, n); });
    // f00's archive cannot be written: a folder stands in its place.
    const QString f00 = m_cache.ArchiveOf(Folder("f00"));
    ASSERT_TRUE(QFile::remove(f00));
    ASSERT_TRUE(QDir().mkdir(f00));
    bool result = true;
    EXPECT_NO_THROW(result = m_cache.Insert(Photo("f29", "new.jpg"), Cell()));
    EXPECT_FALSE(result);
    CellRef cell;
    EXPECT_TRUE(m_cache.LookupInMemory(paths[0], cell));     // f00 stays in memory
    EXPECT_FALSE(m_cache.LookupInMemory(paths[100], cell));  // f01 went out
    EXPECT_TRUE(m_cache.LookupInMemory(Folder("f29") + "new.jpg", cell));
}

TEST_F(CacheTest, PruningByAgeAndCrowding) {
    const std::int64_t now = 1700000000, day = 86400;
    struct Case {
        const char* name;
        std::int64_t lastUse;
        bool exists, kept;
    };
    const Case cases[] = {
        {"new", now, true, true},
        {"30 days", now - 30 * day - day / 2, true, true},
        {"31 days", now - 31 * day, true, false},
        {"in the future", now + 100 * day, true, true},
        {"gone", now, false, false},
    };
    for (const Case& c : cases) {
        const QString path = c.exists ? Photo("p", c.name) : Folder("p") + c.name;
        m_cache.Insert(path, Cell(0, c.lastUse));
    }
    m_cache.PruneAtFirstBrowser(now);
    CellRef cell;
    for (const Case& c : cases)
        EXPECT_EQ(m_cache.LookupInMemory(Folder("p") + c.name, cell), c.kept) << c.name;

    // Above 1800 entries, those older than 10 days go too.
    m_cache.RemoveAll();
    for (int i = 0; i < 1801; ++i)
        m_cache.SetAt(Photo("q", QString::number(i)), Cell(0, now - (i % 2 ? 11 : 10) * day));
    m_cache.PruneAtFirstBrowser(now);
    EXPECT_EQ(m_cache.GetCount(), 901u);
    EXPECT_TRUE(m_cache.LookupInMemory(Folder("q") + "0", cell));
    EXPECT_FALSE(m_cache.LookupInMemory(Folder("q") + "1", cell));
}

TEST_F(CacheTest, TheLastBrowserDropsMissingFilesAndDeletesArchivesOfGoneFolders) {
    const QString kept = Photo("kept", "1.jpg"), gone = Photo("gone", "1.jpg");
    m_cache.Insert(kept, Cell());
    m_cache.Insert(gone, Cell());
    const QString goneArchive = m_cache.ArchiveOf(Folder("gone"));
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    ASSERT_TRUE(QFile::exists(goneArchive));
    ASSERT_TRUE(QDir(Folder("gone")).removeRecursively());
    ASSERT_TRUE(m_cache.LoadOrSave(QString(), false));
    m_cache.Insert(Photo("kept", "2.jpg"), Cell());
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    EXPECT_FALSE(QFile::exists(goneArchive));
    CMapStringToObPlus later;
    ASSERT_TRUE(later.Open(m_cacheFolder));
    ASSERT_TRUE(later.LoadOrSave(QString(), false));
    EXPECT_EQ(later.ArchiveOf(Folder("gone")), QString());
    CellRef cell;
    EXPECT_TRUE(later.Lookup(kept, cell));
    EXPECT_EQ(later.GetCount(), 2u);  // the old archive merged with the new cell
    later.Close();
}

TEST_F(CacheTest, TheRootFolderKeepsItsName) {
    EXPECT_EQ(FolderOfPath("/photo.jpg"), "/");
    m_cache.Insert("/no-such-photo-of-the-root.jpg", Cell());
    const QString rootArchive = m_cache.ArchiveOf("/");
    ASSERT_FALSE(rootArchive.isEmpty());
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    EXPECT_TRUE(QFile::exists(rootArchive));
    CMapStringToObPlus later;
    ASSERT_TRUE(later.Open(m_cacheFolder));
    ASSERT_TRUE(later.LoadOrSave(QString(), false));
    EXPECT_EQ(later.ArchiveOf("/"), rootArchive);
    later.Close();
}

TEST_F(CacheTest, LegacyFileIsReadWhenTheCacheFolderIsMissing) {
    const QString a1 = Photo("a", "1.jpg");
    CellEntries entries{{a1, Cell(77)}, {Folder("a") + "missing.jpg", Cell(78)}};
    const std::vector<std::uint8_t> bytes = WriteCellArchive(entries);
    const QString legacy = m_dir.filePath("cache/QVIMGBRW_TBCCH");
    ASSERT_TRUE(Write(legacy, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()))));
    ASSERT_TRUE(QDir(m_cacheFolder).removeRecursively());
    EXPECT_TRUE(m_cache.LoadOrSave(legacy, false));
    EXPECT_TRUE(QFileInfo(m_cacheFolder).isDir());
    EXPECT_EQ(m_cache.GetCount(), 2u);
    m_cache.PruneAtFirstBrowser(std::time(nullptr));  // last use 0: more than 31 days
    EXPECT_EQ(m_cache.GetCount(), 0u);
}

TEST_F(CacheTest, ACellThatWentOutComesBackFromItsOwnElementOrTheWholeArchive) {
    m_cache.SetTrimLimits(4, 2);
    QStringList a;
    for (int i = 0; i < 4; ++i) {
        a.push_back(Photo("a", QStringLiteral("%1.jpg").arg(i)));
        m_cache.Insert(a.back(), Cell(100 + i));
    }
    m_cache.Insert(Photo("b", "1.jpg"), Cell(200));  // a goes out
    ASSERT_EQ(m_cache.GetCount(), 1u);
    CellRef cell;
    ASSERT_TRUE(m_cache.Lookup(a[2], cell));
    EXPECT_EQ(cell->m_timeFile, 102);
    EXPECT_EQ(m_cache.GetCount(), 2u);  // that cell alone came back
    EXPECT_FALSE(m_cache.Lookup(Folder("a") + "never.jpg", cell));
    EXPECT_EQ(m_cache.GetCount(), 2u);

    // Another run rewrote the archive (other cells, another order): the
    // element is not where it was, and the archive is read whole.
    CellEntries rewritten;
    for (int i = 3; i >= 0; --i)
        rewritten.emplace_back(a[i], Cell(300 + i));
    const std::vector<std::uint8_t> bytes = WriteCellArchive(rewritten);
    ASSERT_TRUE(Write(m_cache.ArchiveOf(Folder("a")),
                      QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))));
    ASSERT_TRUE(m_cache.Lookup(a[1], cell));
    EXPECT_EQ(cell->m_timeFile, 301);
    EXPECT_EQ(m_cache.GetCount(), 5u);  // b, a[2] as it was, a[0], a[1] and a[3] merged
    // What the cache knows of the archive is what it read: a going out again
    // leaves the other run's records as they are (nothing changed here).
    m_cache.Insert(Photo("c", "1.jpg"), Cell(400));  // a goes out again
    ASSERT_FALSE(m_cache.LookupInMemory(a[0], cell));
    CMapStringToObPlus later;
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    ASSERT_TRUE(later.Open(m_cacheFolder));
    ASSERT_TRUE(later.LoadOrSave(QString(), false));
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(later.Lookup(a[i], cell)) << i;
        EXPECT_EQ(cell->m_timeFile, 300 + i) << i;
    }
    later.Close();
}

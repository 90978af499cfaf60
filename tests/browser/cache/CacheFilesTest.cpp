// The cache's files byte for byte, and the damaged, short and planted ones.
#include <unistd.h>

#include "browser/cache/CacheTestSupport.h"
#include "platform/archive/ArchiveException.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/archive/ArchiveWriter.h"
#include "tests/support/FifoFixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Text(Bytes& out, const QString& text) {
    out.insert(out.end(), {0xFF, 0xFE, 0xFF});
    const std::u16string s = text.toStdU16String();
    if (s.size() < 255) {
        out.push_back(static_cast<std::uint8_t>(s.size()));
    } else {
        out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(s.size()), static_cast<std::uint8_t>(s.size() >> 8)});
    }
    for (char16_t c : s)
        out.insert(out.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
}

Bytes RecordOf(CPaletteItemImg& cell) {
    platform::ArchiveWriter writer;
    cell.Serialize(writer);
    return writer.TakeBytes();
}

Bytes ToBytes(const QByteArray& a) { return Bytes(a.begin(), a.end()); }
QByteArray ToQt(const Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); }

}  // namespace

TEST_F(CacheTest, GoldenArchiveAndIndexByteForByte) {
    const QString a1 = Photo("a", "1.jpg"), a2 = Photo("a", "2.jpg");
    CellRef c1 = Cell(11), c2 = Cell(12);
    m_cache.Insert(a1, c1);
    m_cache.Insert(a2, c2);
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));

    // The map: count 2, then each path and its cell; the first object names
    // its class, the second refers to it as 8001.
    Bytes archive = {2, 0};
    Text(archive, a1);
    archive.insert(archive.end(), {0xFF, 0xFF, 0x01, 0x00, 0x0F, 0x00});
    for (char c : std::string("CPaletteItemImg"))
        archive.push_back(static_cast<std::uint8_t>(c));
    const Bytes r1 = RecordOf(*c1), r2 = RecordOf(*c2);
    archive.insert(archive.end(), r1.begin(), r1.end());
    Text(archive, a2);
    archive.insert(archive.end(), {0x01, 0x80});
    archive.insert(archive.end(), r2.begin(), r2.end());
    EXPECT_EQ(ToBytes(Read(Archive(1))), archive);

    Bytes index = {1, 0};
    Text(index, Folder("a"));
    Text(index, Archive(1));
    EXPECT_EQ(ToBytes(Read(Index())), index);

    // Read back and written again: the same bytes.
    CMapStringToObPlus later;
    ASSERT_TRUE(later.Open(m_cacheFolder));
    ASSERT_TRUE(later.LoadOrSave(QString(), false));
    CellRef cell;
    ASSERT_TRUE(later.Lookup(a2, cell));
    EXPECT_EQ(cell->m_timeFile, 12);
    ASSERT_TRUE(later.CloseAtLastBrowser(QString()));
    EXPECT_EQ(ToBytes(Read(Archive(1))), archive);
    EXPECT_EQ(ToBytes(Read(Index())), index);
    later.Close();
}

class DamagedArchive : public CacheTest, public ::testing::WithParamInterface<int> {};

TEST_P(DamagedArchive, IsAbandonedWholeAndLeftAlone) {
    const QString a1 = Photo("a", "1.jpg"), a2 = Photo("a", "2.jpg");
    m_cache.Insert(a1, Cell());
    m_cache.Insert(a2, Cell());
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    QByteArray bytes = Read(Archive(1));
    switch (GetParam()) {
    case 0:  // cut short in the second record
        bytes.chop(7);
        break;
    case 1:  // the second record made for another box (200 x 150)
    {
        const QByteArray key(reinterpret_cast<const char*>(a2.utf16()), a2.size() * 2);
        const qsizetype second = bytes.indexOf(key);
        ASSERT_GT(second, 0);
        ASSERT_EQ(bytes.mid(second + key.size(), 2), QByteArray("\x01\x80", 2));
        const qsizetype size = second + key.size() + 2 + 12;  // after the class reference and the time
        ASSERT_EQ(bytes[size], char(220));
        bytes[size] = char(200);
        bytes[size + 1] = 0;
        bytes[size + 4] = char(150);
        bytes[size + 5] = 0;
        break;
    }
    case 2:  // a count far larger than the file
        bytes[0] = char(0xFE);
        bytes[1] = char(0xFF);
        break;
    case 3:  // another class name
        bytes.replace(QByteArray("CPaletteItemImg"), QByteArray("CPaletteItemXyz"));
        break;
    }
    ASSERT_TRUE(Write(Archive(1), bytes));
    ASSERT_TRUE(m_cache.LoadOrSave(QString(), false));
    CellRef cell;
    EXPECT_FALSE(m_cache.Lookup(a1, cell));
    EXPECT_EQ(m_cache.GetCount(), 0u);
    EXPECT_EQ(Read(Archive(1)), bytes);
    EXPECT_TRUE(QFile::exists(a1));
}

INSTANTIATE_TEST_SUITE_P(Damage, DamagedArchive, ::testing::Values(0, 1, 2, 3));

TEST_F(CacheTest, APlantedIndexNamingOtherFilesDeletesNothing) {
    const QString victim = Photo("victims", "precious.jpg");
    const QString outside = m_dir.filePath("cache/FLD1.tmp");  // beside the cache folder, not in it
    ASSERT_TRUE(Write(outside, "not ours"));
    ASSERT_TRUE(Write(Archive(9), "ours"));
    Bytes index = {6, 0};
    const std::pair<QString, QString> pairs[] = {
        {"/gone-folder-1/", victim},
        {"/gone-folder-2/", outside},
        {"/gone-folder-3/", m_cacheFolder + "/../FLD1.tmp"},
        {"/gone-folder-4/", m_cacheFolder + "/FLD09.tmp"},
        {"/gone-folder-5/", m_cacheFolder + "/QVIMGBRWS.IND"},
        {"/gone-folder-6/", Archive(9)},
    };
    for (const auto& [folder, file] : pairs) {
        Text(index, folder);
        Text(index, file);
    }
    ASSERT_TRUE(Write(Index(), ToQt(index)));
    ASSERT_TRUE(m_cache.LoadOrSave(QString(), false));
    EXPECT_EQ(m_cache.ArchiveOf("/gone-folder-1/"), QString());
    EXPECT_EQ(m_cache.ArchiveOf("/gone-folder-6/"), Archive(9));
    ASSERT_TRUE(m_cache.CloseAtLastBrowser(QString()));
    EXPECT_TRUE(QFile::exists(victim));
    EXPECT_EQ(Read(outside), "not ours");
    EXPECT_FALSE(QFile::exists(Archive(9)));  // ours, for a folder that is gone
}

TEST_F(CacheTest, ALinkPlantedAsAnArchiveIsNeitherFollowedNorWritten) {
    const QString victim = Photo("victims", "precious.jpg");
    ASSERT_TRUE(Write(victim, "precious"));
    m_cache.Insert(Photo("a", "1.jpg"), Cell());
    ASSERT_TRUE(QFile::remove(Archive(1)));
    ASSERT_EQ(::symlink(QFile::encodeName(victim).constData(), QFile::encodeName(Archive(1)).constData()), 0);
    EXPECT_FALSE(m_cache.CloseAtLastBrowser(QString()));
    EXPECT_EQ(Read(victim), "precious");
}

TEST_F(CacheTest, ASpecialFileAtTheArchiveOfAGoneFolderStaysAtTheSave) {
    // The folder's archive name is taken by a named pipe, then the folder
    // goes: the save leaves the pair out of the index but not the pipe.
    m_cache.Insert(Photo("gone", "1.jpg"), Cell());
    ASSERT_EQ(m_cache.ArchiveOf(Folder("gone")), Archive(1));
    ASSERT_TRUE(QFile::remove(Archive(1)));
    ASSERT_TRUE(fifotests::MakeFifo(Archive(1)));
    ASSERT_TRUE(QDir(m_dir.filePath("photos/gone")).removeRecursively());
    ASSERT_TRUE(fifotests::FinishesWithin({Archive(1)}, [&] { m_cache.CloseAtLastBrowser(QString()); }));
    EXPECT_TRUE(fifotests::IsFifo(Archive(1)));
}

TEST_F(CacheTest, DamagedIndexesAreRefused) {
    const QByteArray cases[] = {
        QByteArray(),                      // empty
        QByteArray("\x05\x00", 2),         // five pairs announced, none there
        QByteArray("\x01\x00\xFF\xFE", 4)  // a text cut short
    };
    for (const QByteArray& bytes : cases) {
        ASSERT_TRUE(Write(Index(), bytes));
        CMapStringToObPlus cache;
        ASSERT_TRUE(cache.Open(m_cacheFolder));
        EXPECT_FALSE(cache.LoadOrSave(QString(), false));
        EXPECT_TRUE(QFile::exists(Index()));
        cache.Close();
    }
}

TEST(CacheNames, OnlyArchivesDirectlyInTheCacheFolder) {
    const QString folder = "/home/u/.cache/ORVEK/ORVEK Vespera/QVIMGBRW_QZTHM";
    EXPECT_EQ(ArchiveNumberOf(folder + "/FLD1.tmp", folder), 1);
    EXPECT_EQ(ArchiveNumberOf(folder + "/FLD123.tmp", folder), 123);
    for (const QString& bad :
         {folder + "/FLD0.tmp", folder + "/FLD01.tmp", folder + "/FLD.tmp", folder + "/FLD1.tmp.bak",
          folder + "/sub/FLD1.tmp", folder + "/FLD-1.tmp", folder + "/FLD1x.tmp", folder + "X/FLD1.tmp",
          QString("/FLD1.tmp"), folder + "/FLD1234567890.tmp"})
        EXPECT_FALSE(ArchiveNumberOf(bad, folder)) << bad.toStdString();
    EXPECT_FALSE(ArchiveNumberOf("/FLD1.tmp", QString()));
    EXPECT_EQ(ArchiveFilePath(folder, 7), folder + "/FLD7.tmp");
}

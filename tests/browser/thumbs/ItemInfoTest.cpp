#include "browser/thumbs/ItemInfo.h"
#include "browser/thumbs/UndoHistory.h"

#include "ItemListFixtures.h"
#include "browser/cells/PaletteItemImg.h"
#include "platform/imaging/ExifProperties.h"
#include "support/FileFixtures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <ctime>

namespace {

QByteArray Jpeg(const std::string& shotDate = {}) {
    QImage image(32, 24, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(image);
    if (shotDate.empty())
        return out;
    std::vector<std::uint8_t> bytes(out.begin(), out.end());
    std::vector<std::uint8_t> text(shotDate.begin(), shotDate.end());
    text.push_back(0);
    imaging::InitializeImaging();
    EXPECT_TRUE(imaging::WriteExifProperties(
        bytes, {{36867, imaging::PropertyTypeASCII, static_cast<std::uint32_t>(text.size()), text}}));
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

TEST(ItemInfo, SizesAreShownInKilobytesMegabytesAndGigabytes) {
    const std::vector<std::pair<std::uint64_t, const char*>> cases{
        {0, "0.00KB"},
        {1536, "1.50KB"},
        {999 * 1024, "999.00KB"},
        {1000 * 1024, "0.98MB"},
        {1'536'000, "1.46MB"},
        {999ull * 1024 * 1024, "999.00MB"},
        {1000ull * 1024 * 1024, "0.98GB"},
        {5ull * 1024 * 1024 * 1024, "5.00GB"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(FormatFileSizeText(bytes), QString::fromLatin1(text)) << bytes;
    }
}

TEST(ItemInfo, TheToolTipNeedsTheFileAndABuiltThumbnail) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path() + QStringLiteral("/photo.jpg");
    ASSERT_TRUE(WriteFile(path, QByteArray(1'536'000, 'x')));
    CPaletteItemImg cell;
    // A cell whose thumbnail is not built knows no image size.
    EXPECT_EQ(ItemToolTipText(path, &cell), QString());
    EXPECT_EQ(ItemToolTipText(path, nullptr), QString());
    cell.m_nImageWidth = 4000;
    cell.m_nImageHeight = 3000;
    EXPECT_EQ(ItemToolTipText(path, &cell), QStringLiteral("File: photo.jpg\nSize: 4000x3000\nFile size: 1.46MB"));
    QFile::remove(path);
    EXPECT_EQ(ItemToolTipText(path, &cell), QString());
}

TEST(ItemInfo, LoadInfoReadsOnceAndRetriesAFileThatIsGone) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CITEMLIST items;
    itemfixtures::Fill(items, "here gone", dir.path());
    CItem& here = *items.begin()->get();
    CItem& gone = *std::next(items.begin())->get();
    ASSERT_TRUE(WriteFile(here.m_strPath, "12345"));
    LoadAllInfo(items);
    EXPECT_EQ(here.m_bInfoLoaded, 1);
    EXPECT_EQ(here.m_dFileSize, 5.0);
    EXPECT_NEAR(static_cast<double>(here.m_timeModified), static_cast<double>(std::time(nullptr)), 60.0);
    EXPECT_NE(here.m_timeCreated, 0);
    EXPECT_EQ(gone.m_bInfoLoaded, 0);
    EXPECT_EQ(gone.m_dFileSize, 0.0);
    // Once loaded, never refreshed.
    ASSERT_TRUE(WriteFile(here.m_strPath, "1234567890"));
    here.LoadInfo();
    EXPECT_EQ(here.m_dFileSize, 5.0);
    // A later call finds a file that came meanwhile.
    ASSERT_TRUE(WriteFile(gone.m_strPath, "12"));
    gone.LoadInfo();
    EXPECT_EQ(gone.m_bInfoLoaded, 1);
    EXPECT_EQ(gone.m_dFileSize, 2.0);
}

TEST(ItemInfo, ShotDatesComeFromExifElseFromTheLastWrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CITEMLIST items;
    itemfixtures::Fill(items, "dated plain", dir.path());
    CItem& dated = *items.begin()->get();
    CItem& plain = *std::next(items.begin())->get();
    ASSERT_TRUE(WriteFile(dated.m_strPath, Jpeg("2011:04:05 06:07:08")));
    ASSERT_TRUE(WriteFile(plain.m_strPath, Jpeg()));
    const QDateTime written(QDate(2015, 6, 7), QTime(8, 9, 10));
    QFile file(plain.m_strPath);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();

    LoadAllShotDates(items);
    EXPECT_EQ(dated.m_bShotLoaded, 1);
    EXPECT_EQ(dated.m_timeShot, QDateTime(QDate(2011, 4, 5), QTime(6, 7, 8)).toSecsSinceEpoch());
    EXPECT_EQ(plain.m_bShotLoaded, 1);
    EXPECT_EQ(plain.m_timeShot, written.toSecsSinceEpoch());
    EXPECT_EQ(plain.m_timeShot, plain.m_timeModified);
    // Determined once.
    plain.m_timeShot = 42;
    LoadAllShotDates(items);
    EXPECT_EQ(plain.m_timeShot, 42);
}

TEST(UndoHistory, KeepsTheLastTwoRenames) {
    CUndoHistory undo;
    EXPECT_EQ(undo.m_nUndoDepth, 0);
    EXPECT_EQ(undo.m_nUndoKind, CUndoHistory::kKindNone);
    const QStringList first{"/p/a.jpg", "/p/a.wav"};
    const QStringList firstNew{"/p/b.jpg", "/p/b.wav"};
    undo.RecordUndoPaths(first, firstNew);
    undo.RecordUndoRename();
    EXPECT_EQ(undo.m_nUndoDepth, 1);
    EXPECT_EQ(undo.m_nUndoKind, CUndoHistory::kKindRename);
    EXPECT_EQ(undo.m_nPrevUndoKind, CUndoHistory::kKindNone);
    EXPECT_EQ(undo.m_lstUndoOld, first);
    EXPECT_EQ(undo.m_lstUndoNew, firstNew);
    EXPECT_TRUE(undo.m_lstPrevUndoOld.isEmpty());

    for (int i = 0; i < 3; ++i) {
        undo.RecordUndoPaths({QStringLiteral("/p/c%1.jpg").arg(i)}, {QStringLiteral("/p/d%1.jpg").arg(i)});
        undo.RecordUndoRename();
    }
    EXPECT_EQ(undo.m_nUndoDepth, 2);
    EXPECT_EQ(undo.m_nPrevUndoKind, CUndoHistory::kKindRename);
    EXPECT_EQ(undo.m_lstUndoOld, QStringList{"/p/c2.jpg"});
    EXPECT_EQ(undo.m_lstUndoNew, QStringList{"/p/d2.jpg"});
    EXPECT_EQ(undo.m_lstPrevUndoOld, QStringList{"/p/c1.jpg"});
    EXPECT_EQ(undo.m_lstPrevUndoNew, QStringList{"/p/d1.jpg"});
}

}  // namespace

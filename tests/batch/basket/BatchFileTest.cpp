// Batch files: the layout byte for byte, a golden three-item file written,
// read back and read by an independent reader that follows the layout, and
// damaged, short and huge files refused whole.
#include "batch/basket/BatchFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "browser/items/ItemList.h"
#include "core/settings/AppSettings.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The expected bytes, written here by hand from the layout.
class Golden {
public:
    Golden& Header(const char* text = "ORVEK Vespera 2.0 Batch") {
        for (const char* c = text; *c != 0; ++c)
            Word(static_cast<std::uint8_t>(*c));
        return *this;
    }
    Golden& Byte(std::uint8_t b) {
        bytes.push_back(b);
        return *this;
    }
    Golden& Word(std::uint16_t w) { return Byte(w & 0xFF).Byte(w >> 8); }
    Golden& Dword(std::uint32_t d) { return Word(d & 0xFFFF).Word(d >> 16); }
    Golden& Float(float f) { return Dword(std::bit_cast<std::uint32_t>(f)); }
    Golden& Path(const std::u16string& text) {
        Byte(0xFF).Word(0xFFFE);
        if (text.size() < 0xFF)
            Byte(static_cast<std::uint8_t>(text.size()));
        else
            Byte(0xFF).Word(static_cast<std::uint16_t>(text.size()));
        for (const char16_t unit : text)
            Word(unit);
        return *this;
    }
    Golden& Record(const std::u16string& path, std::int32_t w, std::int32_t h, float dpi, std::int32_t mode,
                   std::int32_t correction) {
        return Path(path)
            .Dword(static_cast<std::uint32_t>(w))
            .Dword(static_cast<std::uint32_t>(h))
            .Float(dpi)
            .Dword(static_cast<std::uint32_t>(mode))
            .Dword(static_cast<std::uint32_t>(correction));
    }
    Bytes bytes;
};

// Reads a batch file by the layout alone, without the archive reader.
struct IndependentRecord {
    std::u16string path;
    std::int32_t width, height;
    float dpi;
    std::int32_t mode, correction;
};

std::vector<IndependentRecord> ReadIndependently(const Bytes& b) {
    std::size_t at = 0;
    auto need = [&](std::size_t n) {
        if (at + n > b.size())
            throw std::runtime_error("short");
    };
    auto u8 = [&] {
        need(1);
        return b[at++];
    };
    auto u16 = [&] {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | u8() << 8);
    };
    auto u32 = [&] {
        const std::uint32_t low = u16();
        return low | std::uint32_t{u16()} << 16;
    };
    const std::u16string header = u"ORVEK Vespera 2.0 Batch";
    for (const char16_t unit : header)
        if (u16() != unit)
            throw std::runtime_error("header");
    const std::int32_t count = static_cast<std::int32_t>(u32());
    std::vector<IndependentRecord> records;
    for (std::int32_t i = 0; i < count; ++i) {
        IndependentRecord r;
        if (u8() != 0xFF || u16() != 0xFFFE)
            throw std::runtime_error("not a UTF-16 string");
        std::uint32_t length = u8();
        if (length == 0xFF) {
            length = u16();
            if (length == 0xFFFF)
                length = u32();
        }
        for (std::uint32_t c = 0; c < length; ++c)
            r.path.push_back(static_cast<char16_t>(u16()));
        r.width = static_cast<std::int32_t>(u32());
        r.height = static_cast<std::int32_t>(u32());
        r.dpi = std::bit_cast<float>(u32());
        r.mode = static_cast<std::int32_t>(u32());
        r.correction = static_cast<std::int32_t>(u32());
        records.push_back(r);
    }
    if (at != b.size())
        throw std::runtime_error("bytes after the last record");
    return records;
}

Bytes ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    return Bytes(all.begin(), all.end());
}

void WriteBytes(const QString& path, const Bytes& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())),
              static_cast<qint64>(bytes.size()));
}

std::u16string LongPath(std::size_t length) {
    std::u16string path = u"/";
    while (path.size() < length - 4)
        path += u'x';
    return path + u".jpg";
}

// Three items, each with its own settings: an ASCII path, one with letters
// beyond Latin-1, and a long one of an item never sized.
const std::u16string kPathA = u"/photos/a.jpg";
const std::u16string kPathB = u"/photos/\u00dcber \u20ac \u0416.png";
const std::u16string kPathC = LongPath(300);

std::vector<BatchFileRecord> ThreeRecords() {
    return {
        {QString::fromStdU16String(kPathA), 640, 480, 300.0f, 4, 0},
        {QString::fromStdU16String(kPathB), 1024, 768, 72.5f, 9, 1},
        {QString::fromStdU16String(kPathC), 0, 0, 96.0f, 0, 2},
    };
}

Bytes GoldenThree() {
    return Golden()
        .Header()
        .Dword(3)
        .Record(kPathA, 640, 480, 300.0f, 4, 0)
        .Record(kPathB, 1024, 768, 72.5f, 9, 1)
        .Record(kPathC, 0, 0, 96.0f, 0, 2)
        .bytes;
}

class BatchFileTest : public ::testing::Test {
protected:
    QString File(const char* name) const { return dir_.path() + u'/' + QLatin1String(name); }
    QTemporaryDir dir_;
};

TEST_F(BatchFileTest, GoldenThreeItemsWrittenByteForByte) {
    const QString path = File("three.vpb");
    QString error;
    ASSERT_TRUE(WriteBatchFile(path, ThreeRecords(), &error)) << error.toStdString();
    EXPECT_EQ(ReadBytes(path), GoldenThree());
}

TEST_F(BatchFileTest, GoldenThreeItemsReadBackAndRewrittenTheSame) {
    const QString path = File("three.vpb");
    WriteBytes(path, GoldenThree());
    const BatchFileLoad load = ReadBatchFile(path);
    ASSERT_EQ(load.status, BatchFileStatus::Ok);
    EXPECT_EQ(load.records, ThreeRecords());
    EXPECT_EQ(EncodeBatchFile(load.records), GoldenThree());
}

TEST_F(BatchFileTest, IndependentReaderReadsWhatIsWritten) {
    const QString path = File("three.vpb");
    ASSERT_TRUE(WriteBatchFile(path, ThreeRecords(), nullptr));
    const std::vector<IndependentRecord> records = ReadIndependently(ReadBytes(path));
    ASSERT_EQ(records.size(), 3u);
    const auto expected = ThreeRecords();
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].path, expected[i].path.toStdU16String()) << i;
        EXPECT_EQ(records[i].width, expected[i].width) << i;
        EXPECT_EQ(records[i].height, expected[i].height) << i;
        EXPECT_EQ(records[i].dpi, expected[i].dpi) << i;
        EXPECT_EQ(records[i].mode, expected[i].mode) << i;
        EXPECT_EQ(records[i].correction, expected[i].correction) << i;
    }
}

TEST(BatchFileLayout, OneItemAsTheFormatShowsIt) {
    const Bytes bytes =
        EncodeBatchFile(std::vector<BatchFileRecord>{{QStringLiteral("C:\\a.jpg"), 640, 480, 300.0f, 4, 0}});
    Bytes expected = Golden().Header().bytes;
    const Bytes rest = {0x01, 0x00, 0x00, 0x00, 0xFF, 0xFE, 0xFF, 0x08, 'C',  0,    ':',  0,    '\\', 0,    'a',
                        0,    '.',  0,    'j',  0,    'p',  0,    'g',  0,    0x80, 0x02, 0x00, 0x00, 0xE0, 0x01,
                        0x00, 0x00, 0x00, 0x00, 0x96, 0x43, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(bytes, expected);
}

TEST(BatchFileLayout, EmptyBasketIsHeaderAndZeroCount) {
    const Bytes bytes = EncodeBatchFile({});
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(bytes, Golden().Header().Dword(0).bytes);
    const auto records = DecodeBatchFile(bytes);
    ASSERT_TRUE(records.has_value());
    EXPECT_TRUE(records->empty());
}

TEST(BatchFileLayout, LongPathLengthTakesThreeBytes) {
    const Bytes bytes =
        EncodeBatchFile(std::vector<BatchFileRecord>{{QString::fromStdU16String(LongPath(300)), 1, 1, 1.0f, 0, 0}});
    // Header, count, FF FE FF, then FF 2C 01 for 300 characters.
    ASSERT_GT(bytes.size(), 57u);
    EXPECT_EQ(Bytes(bytes.begin() + 50, bytes.begin() + 56), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}));
}

TEST(BatchFileLayout, SingleBytePathsReadAsWindows1252) {
    // An older file's 8-bit path: length 7, "C:\\x\x80.j" with the euro sign.
    const Bytes bytes = Golden()
                            .Header()
                            .Dword(1)
                            .Byte(7)
                            .Byte('C')
                            .Byte(':')
                            .Byte('\\')
                            .Byte('x')
                            .Byte(0x80)
                            .Byte('.')
                            .Byte(0xE9)
                            .Dword(10)
                            .Dword(20)
                            .Float(150.0f)
                            .Dword(6)
                            .Dword(1)
                            .bytes;
    const auto records = DecodeBatchFile(bytes);
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 1u);
    EXPECT_EQ(records->front().path, QString::fromStdU16String(u"C:\\x\u20ac.\u00e9"));
    EXPECT_EQ(records->front().width, 10);
    EXPECT_EQ(records->front().height, 20);
    EXPECT_EQ(records->front().mode, 6);
}

TEST(BatchFileLayout, ValuesOutsideTheirRangesAreKeptAsStored) {
    // The users of the values check them; the file keeps what it says.
    const std::vector<BatchFileRecord> odd = {{QStringLiteral("/x.jpg"), -5, 0, -1.0f, 42, 7}};
    const auto records = DecodeBatchFile(EncodeBatchFile(odd));
    ASSERT_TRUE(records.has_value());
    EXPECT_EQ(*records, odd);
}

TEST(BatchFileDamage, EveryShortenedFileIsRefused) {
    const Bytes golden = GoldenThree();
    for (std::size_t n = 0; n < golden.size(); ++n)
        EXPECT_FALSE(DecodeBatchFile(std::span(golden.data(), n)).has_value()) << n;
}

TEST(BatchFileDamage, WrongHeadersAreRefused) {
    struct Case {
        const char* name;
        Bytes bytes;
    };
    Bytes settings = Golden().Header("ORVEK Vespera 2.0 Settings").Dword(0).bytes;
    Bytes oneLetter = GoldenThree();
    oneLetter[2] = 'X';
    Bytes narrowHeader;
    for (const char c : std::string("ORVEK Vespera 2.0 Batch"))
        narrowHeader.push_back(static_cast<std::uint8_t>(c));
    narrowHeader.resize(50, 0);
    const Case cases[] = {
        {"a settings file", settings},
        {"one letter changed", oneLetter},
        {"the header in 8-bit letters", narrowHeader},
        {"nothing", {}},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(DecodeBatchFile(c.bytes).has_value()) << c.name;
}

TEST(BatchFileDamage, CountsTheBytesCannotHoldAreRefused) {
    struct Case {
        const char* name;
        std::uint32_t count;
        std::size_t recordBytes;
    };
    const Case cases[] = {
        {"two thousand million items in one record's bytes", 0x7FFFFFFF, 21},
        {"a negative count", 0xFFFFFFFF, 21},
        {"one more than the records", 2, 21 * 2 - 1},
    };
    for (const Case& c : cases) {
        Bytes bytes = Golden().Header().Dword(c.count).bytes;
        // Records of empty 8-bit paths, 21 bytes each, as many as fit.
        for (std::size_t i = 0; i + 21 <= c.recordBytes; i += 21) {
            bytes.push_back(0);
            bytes.resize(bytes.size() + 20, 0);
        }
        bytes.resize(50 + c.recordBytes, 0);
        EXPECT_FALSE(DecodeBatchFile(bytes).has_value()) << c.name;
    }
}

TEST(BatchFileDamage, StringLengthsPastTheEndAreRefused) {
    struct Case {
        const char* name;
        Bytes string;
    };
    const Case cases[] = {
        {"UTF-16 length of 2^32 - 2", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
        {"8-bit length of 65533", {0xFF, 0xFD, 0xFF}},
        {"UTF-16 length of 200 with 20 bytes behind it", {0xFF, 0xFE, 0xFF, 0xC8}},
    };
    for (const Case& c : cases) {
        Bytes bytes = Golden().Header().Dword(1).bytes;
        bytes.insert(bytes.end(), c.string.begin(), c.string.end());
        bytes.resize(bytes.size() + 20, 0);
        EXPECT_FALSE(DecodeBatchFile(bytes).has_value()) << c.name;
    }
}

TEST_F(BatchFileTest, DamagedFilesReadAsWrongFile) {
    const Bytes golden = GoldenThree();
    WriteBytes(File("short.vpb"), Bytes(golden.begin(), golden.end() - 3));
    EXPECT_EQ(ReadBatchFile(File("short.vpb")).status, BatchFileStatus::WrongFile);
    WriteBytes(File("huge.vpb"), Golden().Header().Dword(0x7FFFFFFF).bytes);
    EXPECT_EQ(ReadBatchFile(File("huge.vpb")).status, BatchFileStatus::WrongFile);
}

TEST_F(BatchFileTest, FilesBeyondTheLimitAreRefusedUnread) {
    const QString path = File("big.vpb");
    WriteBytes(path, GoldenThree());
    // A sparse file just past the limit, with a valid start.
    ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), kMaxBatchFileBytes + 1), 0);
    const BatchFileLoad load = ReadBatchFile(path);
    EXPECT_EQ(load.status, BatchFileStatus::WrongFile);
    EXPECT_TRUE(load.records.empty());
}

TEST_F(BatchFileTest, MissingFilesAndFoldersCannotBeAccessed) {
    const BatchFileLoad missing = ReadBatchFile(File("none.vpb"));
    EXPECT_EQ(missing.status, BatchFileStatus::CannotAccess);
    EXPECT_FALSE(missing.error.isEmpty());
    const BatchFileLoad folder = ReadBatchFile(dir_.path());
    EXPECT_EQ(folder.status, BatchFileStatus::CannotAccess);
    EXPECT_FALSE(folder.error.isEmpty());
}

TEST_F(BatchFileTest, SavingWritesANewFileAndRenamesIt) {
    const QString path = File("basket.vpb");
    const QString link = File("old-contents.vpb");
    ASSERT_TRUE(WriteBatchFile(path, {}, nullptr));
    // A second name of the old file keeps the old contents: the save never
    // wrote into the file in place.
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_TRUE(WriteBatchFile(path, ThreeRecords(), nullptr));
    EXPECT_EQ(ReadBytes(path), GoldenThree());
    EXPECT_EQ(ReadBytes(link).size(), 50u);
    // Nothing but the two names is left in the folder.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(BatchFileTest, AFailedSaveReportsWhyAndLeavesNothing) {
    QString error;
    EXPECT_FALSE(WriteBatchFile(File("no-such-folder/basket.vpb"), ThreeRecords(), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(File("no-such-folder")));
}

TEST(BatchRecords, ItemsGiveAndTakeTheirSettings) {
    AppSettings settings;
    settings.m_fDpi = 200.0f;
    settings.m_nInterpolMode = 3;
    settings.m_nCorrectProp = 1;
    CITEMLIST list;
    CItem* item = list.AddTail(std::make_unique<CItem>(settings, QStringLiteral("/a.jpg")));
    item->m_nTargetWidth = 12;
    item->m_nTargetHeight = 34;
    const std::vector<BatchFileRecord> records = BatchRecordsOf(list);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], (BatchFileRecord{QStringLiteral("/a.jpg"), 12, 34, 200.0f, 3, 1}));

    CItem fresh(AppSettings{});
    records[0].ApplyTo(fresh);
    EXPECT_EQ(BatchFileRecord::Of(fresh), records[0]);
}

}  // namespace

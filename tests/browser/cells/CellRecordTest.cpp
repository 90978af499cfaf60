// The image cell's archive record, byte for byte, and the records refused.
#include <gtest/gtest.h>

#include "browser/ThumbFixtures.h"
#include "browser/cells/PaletteItemImg.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/archive/ArchiveWriter.h"

using namespace thumbfixtures;
using platform::ArchiveException;

namespace {

// The record of a cell, written out by hand.
class RecordBytes {
public:
    RecordBytes& Dword(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    RecordBytes& Byte(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    RecordBytes& Raw(const Bytes& b) {
        m_bytes.insert(m_bytes.end(), b.begin(), b.end());
        return *this;
    }
    RecordBytes& Time(std::int64_t t) {
        Dword(0x8000000A);
        Dword(static_cast<std::uint32_t>(t));
        return Dword(static_cast<std::uint32_t>(static_cast<std::uint64_t>(t) >> 32));
    }
    RecordBytes& Text(const std::u16string& s) {
        Raw({0xFF, 0xFE, 0xFF, static_cast<std::uint8_t>(s.size())});
        for (char16_t c : s)
            Raw({static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
        return *this;
    }
    const Bytes& Get() const { return m_bytes; }

private:
    Bytes m_bytes;
};

// A whole record with the given thumbnail size and JPEG field.
RecordBytes Record(std::int32_t tw, std::int32_t th, const Bytes& jpegField, std::uint8_t reservedByte = 1) {
    RecordBytes r;
    r.Time(1700000000).Dword(static_cast<std::uint32_t>(tw)).Dword(static_cast<std::uint32_t>(th)).Raw(jpegField);
    r.Dword(4000).Dword(3000).Dword(24).Dword(0).Dword(7).Dword(1);
    r.Text(u"S\u00e9").Text(u"");
    r.Time(-5);
    for (int i = 0; i < 6; ++i)
        r.Dword(static_cast<std::uint32_t>(-1 - i));
    r.Dword(9).Byte(reservedByte);
    r.Raw({1, 0}).Dword(1).Dword(2).Dword(3).Dword(4);
    return r;
}

const Bytes kJpegField = {1, 0, 0, 0, 3, 0, 0, 0, 0xAA, 0xBB, 0xCC};

std::shared_ptr<CPaletteItemImg> Read(const Bytes& record) {
    platform::ArchiveReader reader(record);
    auto cell = std::make_shared<CPaletteItemImg>();
    cell->Deserialize(reader);
    EXPECT_TRUE(reader.AtEnd());
    return cell;
}

Bytes Written(CPaletteItemImg& cell) {
    platform::ArchiveWriter writer;
    cell.Serialize(writer);
    return writer.TakeBytes();
}

}  // namespace

TEST(CellRecord, GoldenRecordReadAndWrittenBackByteForByte) {
    const Bytes golden = Record(220, 165, kJpegField).Get();
    const auto cell = Read(golden);
    EXPECT_EQ(cell->m_timeFile, 1700000000);
    EXPECT_EQ(cell->m_nImageWidth, 4000);
    EXPECT_EQ(cell->m_nImageHeight, 3000);
    EXPECT_EQ(cell->m_nBitsPerPixel, 24);
    EXPECT_EQ(cell->m_nReserved2, 7);
    EXPECT_TRUE(cell->m_bComplete);
    EXPECT_EQ(cell->m_strMarkS, u"S\u00e9");
    EXPECT_EQ(cell->m_timeLastUse, -5);
    EXPECT_EQ(cell->m_anReserved[5], -6);
    EXPECT_EQ(cell->m_nReserved3, 9);
    EXPECT_EQ(cell->m_arrReservedRects, (std::vector<ReservedRect>{{1, 2, 3, 4}}));
    ASSERT_TRUE(cell->Jpeg());
    EXPECT_EQ(cell->Jpeg()->Size(), 3u);
    EXPECT_EQ(Written(*cell), golden);
}

TEST(CellRecord, ThumbnailSizesForAnotherBoxAreRefused) {
    struct Case {
        std::int32_t w, h;
        bool accepted;
    };
    for (const Case c :
         {Case{220, 165, true}, Case{220, 120, true}, Case{100, 165, true}, Case{200, 150, false}, Case{0, 0, false}}) {
        const Bytes record = Record(c.w, c.h, kJpegField).Get();
        platform::ArchiveReader reader(record);
        CPaletteItemImg cell;
        if (c.accepted) {
            EXPECT_NO_THROW(cell.Deserialize(reader)) << c.w << "x" << c.h;
            continue;
        }
        try {
            cell.Deserialize(reader);
            ADD_FAILURE() << c.w << "x" << c.h;
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.m_cause, ArchiveException::invalidFile);
        }
    }
}

TEST(CellRecord, JpegFlagWithLengthZeroGivesNoJpeg) {
    const auto cell = Read(Record(220, 165, {1, 0, 0, 0, 0, 0, 0, 0}).Get());
    EXPECT_FALSE(cell->Jpeg());
    EXPECT_FALSE(cell->GetDib());
    const auto none = Read(Record(220, 165, {0, 0, 0, 0}).Get());
    EXPECT_FALSE(none->HasThumbnailData());
}

TEST(CellRecord, ReservedByteIsStoredAsOne) {
    const auto cell = Read(Record(220, 165, kJpegField, 7).Get());
    EXPECT_TRUE(cell->m_bReserved);
    EXPECT_EQ(Written(*cell), Record(220, 165, kJpegField, 1).Get());
}

TEST(CellRecord, EveryCutOfTheRecordIsRefused) {
    const Bytes golden = Record(220, 165, kJpegField).Get();
    for (std::size_t n = 0; n < golden.size(); ++n) {
        const Bytes cut(golden.begin(), golden.begin() + n);
        platform::ArchiveReader reader(cut);
        CPaletteItemImg cell;
        EXPECT_THROW(cell.Deserialize(reader), ArchiveException) << n;
    }
}

TEST(CellRecord, AJpegLengthPastTheEndIsRefused) {
    const Bytes record = Record(220, 165, {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xAA}).Get();
    platform::ArchiveReader reader(record);
    CPaletteItemImg cell;
    EXPECT_THROW(cell.Deserialize(reader), ArchiveException);
}

TEST(CellRecord, ACellWithOnlyADibIsStoredWithItsJpeg) {
    CPaletteItemImg cell;
    GiveThumbnail(cell, 220, 165, kBlue);
    const Bytes bytes = Written(cell);
    const auto back = Read(bytes);
    ASSERT_TRUE(back->GetDib());
    EXPECT_TRUE(Near(CentreOf(*back->GetDib()), kBlue));
}

TEST(CellRecord, StoredJpegsThatAreNotThumbnailsGiveNoDib) {
    struct Case {
        const char* name;
        Bytes jpeg;
        std::int32_t tw, th;
    };
    const Case cases[] = {
        {"grey", SolidJpeg(220, 165, kBlue, true), 220, 165},
        {"too wide", SolidJpeg(221, 100, kBlue), 220, 100},
        {"too high", SolidJpeg(100, 166, kBlue), 100, 165},
        {"damaged", Bytes(64, 0xFF), 220, 165},
        {"cell size beyond the box", SolidJpeg(220, 165, kBlue), 220, 100000},
    };
    for (const Case& c : cases) {
        RecordBytes field;
        field.Dword(1).Dword(static_cast<std::uint32_t>(c.jpeg.size())).Raw(c.jpeg);
        const auto cell = Read(Record(c.tw, c.th, field.Get()).Get());
        EXPECT_TRUE(cell->HasThumbnailData()) << c.name;
        EXPECT_FALSE(cell->GetDib()) << c.name;
    }
    // A valid one of smaller size than the cell's thumbnail decodes.
    RecordBytes field;
    const Bytes small = SolidJpeg(200, 150, kBlue);
    field.Dword(1).Dword(static_cast<std::uint32_t>(small.size())).Raw(small);
    EXPECT_TRUE(Read(Record(220, 165, field.Get()).Get())->GetDib());
}

TEST(CellRecord, ObjectsOfAnotherClassOrSchemaAreRefused) {
    for (const auto& [name, schema] : {std::pair{"CPaletteItem", 1}, std::pair{"CPaletteItemImg", 2}}) {
        platform::ArchiveWriter writer;
        writer.WriteObjectClass(name, static_cast<std::uint16_t>(schema));
        writer.WriteBytes(Record(220, 165, kJpegField).Get());
        platform::ArchiveReader reader(writer.Bytes());
        try {
            CPaletteItemImg::ReadObject(reader);
            ADD_FAILURE() << name;
        } catch (const ArchiveException& e) {
            EXPECT_EQ(e.m_cause, ArchiveException::badClass);
        }
    }
}

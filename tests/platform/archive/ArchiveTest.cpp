#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/archive/ArchiveReader.h"
#include "platform/archive/ArchiveWriter.h"

using platform::ArchiveException;
using platform::ArchiveReader;
using platform::ArchiveWriter;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Prefix(const Bytes& bytes, std::size_t n) { return Bytes(bytes.begin(), bytes.begin() + n); }

ArchiveException::Cause CauseOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const ArchiveException& e) {
        return e.m_cause;
    }
    ADD_FAILURE() << "no ArchiveException";
    return ArchiveException::invalidFile;
}

}  // namespace

TEST(ArchiveWriter, NumbersAreLittleEndian) {
    ArchiveWriter w;
    w.WriteByte(0x12);
    w.WriteWord(0x3456);
    w.WriteDword(0x789ABCDE);
    w.WriteInt32(-2);
    w.WriteInt64(-3);
    EXPECT_EQ(w.Bytes(), (Bytes{0x12, 0x56, 0x34, 0xDE, 0xBC, 0x9A, 0x78, 0xFE, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF,
                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(ArchiveWriter, TimeHasTheSixtyFourBitMarker) {
    ArchiveWriter w;
    w.WriteTime(0x0102030405);
    EXPECT_EQ(w.Bytes(), (Bytes{0x0A, 0x00, 0x00, 0x80, 0x05, 0x04, 0x03, 0x02, 0x01, 0, 0, 0}));
}

struct StringCase {
    std::size_t length;
    Bytes prefix;  // everything before the characters
};

class ArchiveStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(ArchiveStrings, LengthPrefixAndRoundTrip) {
    const StringCase c = GetParam();
    std::u16string text(c.length, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(0x41 + i % 26 + (i % 7 == 0 ? 0x3000 : 0));
    ArchiveWriter w;
    w.WriteString(text);
    const Bytes& bytes = w.Bytes();
    ASSERT_EQ(bytes.size(), c.prefix.size() + 2 * c.length);
    EXPECT_EQ(Prefix(bytes, c.prefix.size()), c.prefix);
    ArchiveReader r(bytes);
    EXPECT_EQ(r.ReadString(), text);
    EXPECT_TRUE(r.AtEnd());
    // One byte short of the last character.
    const Bytes cut = Prefix(bytes, bytes.size() - 1);
    ArchiveReader shortReader(cut);
    EXPECT_EQ(CauseOf([&] { shortReader.ReadString(); }), ArchiveException::endOfFile);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ArchiveStrings,
    ::testing::Values(StringCase{0, {0xFF, 0xFE, 0xFF, 0x00}}, StringCase{1, {0xFF, 0xFE, 0xFF, 0x01}},
                      StringCase{254, {0xFF, 0xFE, 0xFF, 0xFE}}, StringCase{255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
                      StringCase{65533, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
                      StringCase{65534, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}}));

TEST(ArchiveReader, ReadsEightBitStringsAsWindows1252) {
    const Bytes bytes = {0x05, 'a', 'b', 0xE9, 0x80, 0x93};
    ArchiveReader r(bytes);
    EXPECT_EQ(r.ReadString(), u"ab\u00e9\u20ac\u201c");
}

TEST(ArchiveReader, RefusesStringLengthsPastTheEnd) {
    // Lengths of 2^32 - 2 and 2^64 - 1 characters with nothing behind them.
    const Bytes dword = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF};
    const Bytes qword = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    for (const Bytes& bytes : {dword, qword}) {
        ArchiveReader r(bytes);
        EXPECT_EQ(CauseOf([&] { r.ReadString(); }), ArchiveException::endOfFile);
    }
}

TEST(ArchiveCounts, WordThenDword) {
    ArchiveWriter w;
    w.WriteCount(0);
    w.WriteCount(0xFFFE);
    w.WriteCount(0xFFFF);
    w.WriteCount(0x12345678);
    EXPECT_EQ(w.Bytes(), (Bytes{0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}));
    ArchiveReader r(w.Bytes());
    EXPECT_EQ(r.ReadCount(0), 0u);
    EXPECT_EQ(r.ReadCount(0), 0xFFFEu);
    EXPECT_EQ(r.ReadCount(0), 0xFFFFu);
    EXPECT_EQ(r.ReadCount(0), 0x12345678u);
}

TEST(ArchiveCounts, RefusedWhenTheElementsCannotFit) {
    // 3 elements of at least 4 bytes need 12; 11 are left.
    Bytes bytes = {3, 0};
    bytes.resize(2 + 11);
    ArchiveReader r(bytes);
    EXPECT_EQ(CauseOf([&] { r.ReadCount(4); }), ArchiveException::endOfFile);
    bytes.push_back(0);
    ArchiveReader fits(bytes);
    EXPECT_EQ(fits.ReadCount(4), 3u);
}

TEST(ArchiveTime, ReadsBothForms) {
    const Bytes bytes = {0x0A, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0, 0, 0x80};
    ArchiveReader r(bytes);
    EXPECT_EQ(r.ReadTime(), -1);
    // An old 32-bit time: signed seconds.
    EXPECT_EQ(r.ReadTime(), static_cast<std::int32_t>(0x80000010u));
}

TEST(ArchiveClasses, FirstObjectNamesTheClassLaterOnesReferToIt) {
    ArchiveWriter w;
    w.WriteObjectClass("CPaletteItemImg", 1);
    w.WriteByte(0xAA);
    w.WriteObjectClass("CPaletteItemImg", 1);
    w.WriteByte(0xBB);
    w.WriteObjectClass("COther", 2);
    w.WriteObjectClass("COther", 2);
    w.WriteNullObject();
    Bytes expected = {0xFF, 0xFF, 0x01, 0x00, 0x0F, 0x00};
    for (char c : std::string("CPaletteItemImg"))
        expected.push_back(static_cast<std::uint8_t>(c));
    expected.insert(expected.end(), {0xAA, 0x01, 0x80, 0xBB, 0xFF, 0xFF, 0x02, 0x00, 0x06, 0x00});
    for (char c : std::string("COther"))
        expected.push_back(static_cast<std::uint8_t>(c));
    // Index 1 the first class, 2 and 3 its objects, 4 the second class.
    expected.insert(expected.end(), {0x04, 0x80, 0x00, 0x00});
    EXPECT_EQ(w.Bytes(), expected);

    ArchiveReader r(w.Bytes());
    auto first = r.ReadObjectClass();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->name, "CPaletteItemImg");
    EXPECT_EQ(first->schema, 1);
    EXPECT_EQ(r.ReadByte(), 0xAA);
    EXPECT_EQ(r.ReadObjectClass()->name, "CPaletteItemImg");
    EXPECT_EQ(r.ReadByte(), 0xBB);
    EXPECT_EQ(r.ReadObjectClass()->schema, 2);
    EXPECT_EQ(r.ReadObjectClass()->name, "COther");
    EXPECT_FALSE(r.ReadObjectClass());
    EXPECT_TRUE(r.AtEnd());
}

TEST(ArchiveClasses, AResumedArchiveGoesOnAsIfWrittenInOneRun) {
    ArchiveWriter whole;
    for (std::uint8_t b : {0xA1, 0xA2, 0xA3}) {
        whole.WriteObjectClass("CPaletteItemImg", 1);
        whole.WriteByte(b);
    }
    // The third object on its own: after the two before it.
    ArchiveWriter resumed;
    resumed.ResumeAfterObjects("CPaletteItemImg", 2);
    resumed.WriteObjectClass("CPaletteItemImg", 1);
    resumed.WriteByte(0xA3);
    const Bytes& all = whole.Bytes();
    EXPECT_EQ(resumed.Bytes(), Bytes(all.end() - 3, all.end()));

    ArchiveReader r(resumed.Bytes());
    r.ResumeAfterObjects({"CPaletteItemImg", 1}, 2);
    const auto archived = r.ReadObjectClass();
    ASSERT_TRUE(archived);
    EXPECT_EQ(archived->name, "CPaletteItemImg");
    EXPECT_EQ(r.ReadByte(), 0xA3);
    // Nothing else was stored: a reference to a later index is refused.
    const Bytes later = {0x03, 0x80};
    ArchiveReader refused(later);
    refused.ResumeAfterObjects({"CPaletteItemImg", 1}, 2);
    EXPECT_THROW(refused.ReadObjectClass(), ArchiveException);
    EXPECT_THROW(ArchiveWriter().ResumeAfterObjects("CPaletteItemImg", 0), std::invalid_argument);
}

struct BadTagCase {
    const char* name;
    Bytes bytes;
    ArchiveException::Cause cause;
};

class ArchiveBadTags : public ::testing::TestWithParam<BadTagCase> {};

TEST_P(ArchiveBadTags, Refused) {
    ArchiveReader r(GetParam().bytes);
    EXPECT_EQ(CauseOf([&] {
                  while (true)
                      r.ReadObjectClass();
              }),
              GetParam().cause);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, ArchiveBadTags,
    ::testing::Values(
        BadTagCase{"class reference before any class", {0x01, 0x80}, ArchiveException::badIndex},
        BadTagCase{"reference to an object", {0xFF, 0xFF, 1, 0, 1, 0, 'C', 0x02, 0x00}, ArchiveException::badIndex},
        BadTagCase{
            "class reference to an object slot", {0xFF, 0xFF, 1, 0, 1, 0, 'C', 0x02, 0x80}, ArchiveException::badIndex},
        BadTagCase{"big reference past the map", {0xFF, 0x7F, 0x09, 0, 0, 0x80}, ArchiveException::badIndex},
        BadTagCase{"empty class name", {0xFF, 0xFF, 1, 0, 0, 0}, ArchiveException::badClass},
        BadTagCase{"class name of 64", {0xFF, 0xFF, 1, 0, 64, 0}, ArchiveException::badClass},
        BadTagCase{"class name past the end", {0xFF, 0xFF, 1, 0, 9, 0, 'C'}, ArchiveException::endOfFile},
        BadTagCase{"half a tag", {0xFF}, ArchiveException::endOfFile}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(ArchiveReader, EveryReadPastTheEndThrows) {
    const Bytes three = {1, 2, 3};
    ArchiveReader r(three);
    EXPECT_EQ(CauseOf([&] { r.ReadDword(); }), ArchiveException::endOfFile);
    EXPECT_EQ(r.ReadWord(), 0x0201);  // a failed read consumes nothing
    EXPECT_EQ(CauseOf([&] { r.ReadBytes(2); }), ArchiveException::endOfFile);
    EXPECT_EQ(CauseOf([&] { r.ReadBytes(~std::uint64_t{0}); }), ArchiveException::endOfFile);
    EXPECT_EQ(r.ReadByte(), 3);
    EXPECT_EQ(CauseOf([&] { r.ReadByte(); }), ArchiveException::endOfFile);
}

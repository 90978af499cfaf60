#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "platform/imaging/ByteSource.h"
#include "platform/imaging/TiffDirectory.h"

using namespace imaging;

namespace {

// A source that counts the bytes asked of it, as a file would be read.
class CountingSource final : public ByteSource {
public:
    explicit CountingSource(const Bytes& data) : memory_(data) {}
    std::uint64_t Size() const override { return memory_.Size(); }
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override {
        asked += count;
        return memory_.ReadAt(offset, destination, count);
    }
    std::uint64_t asked = 0;

private:
    MemorySource memory_;
};

// IFD0 of a SHORT, a LONG and a RATIONAL stored after the directory, then
// the offset of a next IFD.
Bytes Structure() {
    Bytes tiff = TiffBlock({{0x0100, 3, 1, Le(640, 2)}, {0x0101, 4, 1, Le(480, 4)}, {0x011A, 5, 1, Rational(300, 1)}});
    PutLe(tiff, 8 + 2 + 3 * 12, 0x1234, 4);
    return tiff;
}

// A directory read piece by piece from a source has the entries, fields and
// next offset of the same directory read from memory; of the source it reads
// only the directory's own bytes, so a value stored elsewhere is not inside
// its data.
TEST(TiffDirectory, ReadFromASourceAsFromMemoryOnlyItsOwnBytes) {
    const Bytes tiff = Structure();
    const auto memory = TiffDirectory::ReadAt(tiff, false, 8);
    CountingSource source(tiff);
    const auto read = TiffDirectory::ReadAt(source, false, 8);
    ASSERT_TRUE(memory && read);
    EXPECT_EQ(source.asked, 2u + 3 * 12 + 4 + 2);  // the count twice: once to size the rest
    ASSERT_EQ(read->Entries().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read->Entries()[i].tag, memory->Entries()[i].tag);
        EXPECT_EQ(read->Entries()[i].fieldOffset, memory->Entries()[i].fieldOffset);
        EXPECT_EQ(read->Field(read->Entries()[i]), memory->Field(memory->Entries()[i]));
    }
    EXPECT_EQ(read->Next(), 0x1234u);
    EXPECT_EQ(memory->Next(), 0x1234u);
    EXPECT_EQ(read->Unsigned(0x0100), 640u);
    EXPECT_EQ(read->Unsigned(0x0101), 480u);
    EXPECT_EQ(memory->Rational(0x011A), 300.0);
    EXPECT_FALSE(read->Rational(0x011A));
    EXPECT_TRUE(read->RawValue(*read->Find(0x011A)).empty());
    EXPECT_FALSE(read->ReadSub(8));
}

// Cut short: entries that are not all there are no directory, a missing next
// offset is none; a count the source cannot hold is refused before anything
// of that size is read.
TEST(TiffDirectory, CutShortFromMemoryAndFromASource) {
    const Bytes whole = Structure();
    for (const std::size_t size : {8 + 2 + 3 * 12 - 1, 8 + 2 + 3 * 12}) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        CountingSource source(cut);
        const auto memory = TiffDirectory::ReadAt(cut, false, 8);
        const auto read = TiffDirectory::ReadAt(source, false, 8);
        EXPECT_EQ(memory.has_value(), size == 8 + 2 + 3 * 12) << size;
        EXPECT_EQ(read.has_value(), memory.has_value()) << size;
        if (read) {
            EXPECT_FALSE(read->Next());
            EXPECT_FALSE(memory->Next());
        }
    }
    Bytes claims = whole;
    PutLe(claims, 8, 0xFFFF, 2);
    CountingSource source(claims);
    EXPECT_FALSE(TiffDirectory::ReadAt(source, false, 8));
    EXPECT_EQ(source.asked, 2u);
    EXPECT_FALSE(TiffDirectory::ReadAt(source, false, 0xFFFFFFFFull));
}

}  // namespace

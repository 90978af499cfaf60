// Which maker notes of unknown layout may move to a new place in a file.
#include <gtest/gtest.h>

#include "ImagingFixtures.h"
#include "platform/imaging/ExifBlock.h"

using namespace imaging;

namespace {

struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, field;
};

// A note: `header` bytes, then an IFD of the entries, then `tail` bytes.
Bytes Note(const Bytes& header, const std::vector<Entry>& entries, std::size_t tail) {
    Bytes note = header;
    note.push_back(static_cast<std::uint8_t>(entries.size()));
    note.push_back(0);
    for (const Entry& e : entries) {
        const Bytes fields[] = {Le(e.tag, 2), Le(e.type, 2), Le(e.count, 4), Le(e.field, 4)};
        for (const Bytes& f : fields)
            note.insert(note.end(), f.begin(), f.end());
    }
    note.insert(note.end(), 4 + tail, 0);
    return note;
}

// "Nikon\0" and a version, then a TIFF header of the note's own whose IFD's
// text offset counts from that header.
Bytes NoteWithOwnTiffHeader() {
    const std::uint8_t header[] = {'N', 'i', 'k', 'o', 'n', 0, 2, 0x10, 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
    Bytes note(std::begin(header), std::end(header));
    for (std::uint8_t b : Note({}, {{1, 2, 12, 8 + 2 + 12 + 4}}, 12))
        note.push_back(b);
    return note;
}

const Bytes kSignature = {'K', 'D', 'K', 0};
constexpr std::uint64_t kAt = 900;  // where the note sat in its source

struct LayoutCase {
    const char* what;
    Bytes note;
    bool relocatable;
};

class MakerNoteLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(MakerNoteLayout, OnlyNotesThatPointInsideThemselvesMove) {
    EXPECT_EQ(MakerNoteIsRelocatable(GetParam().note, kAt, false), GetParam().relocatable) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MakerNoteLayout,
    ::testing::Values(LayoutCase{"values inside their entries", Note({}, {{1, 3, 1, 7}, {2, 4, 1, 9}}, 0), true},
                      LayoutCase{"signature, text counted from the note",
                                 Note(kSignature, {{1, 3, 1, 7}, {2, 2, 12, 34}}, 12), true},
                      LayoutCase{"text counted from the TIFF header",
                                 Note(kSignature, {{1, 3, 1, 7}, {2, 2, 12, kAt + 34}}, 12), false},
                      LayoutCase{"value past the note's end", Note({}, {{1, 2, 40, 18}}, 8), false},
                      LayoutCase{"tags out of order", Note({}, {{5, 3, 1, 7}, {2, 3, 1, 9}}, 0), false},
                      LayoutCase{"unknown field type", Note({}, {{1, 99, 1, 7}}, 0), false},
                      LayoutCase{"no IFD at all", Bytes(64, 0xAB), false}, LayoutCase{"empty", Bytes{}, false},
                      LayoutCase{"own TIFF header, offsets from it", NoteWithOwnTiffHeader(), true}));

TEST(MakerNoteLayoutAmbiguity, OffsetsThatFitBothReadingsStayPut) {
    // A note at offset 4 whose text offset lies inside it counted from either
    // start: nobody can say which is meant, so it does not move.
    const Bytes note = Note({}, {{1, 2, 8, 20}}, 40);
    EXPECT_FALSE(MakerNoteIsRelocatable(note, 4, false));
    EXPECT_TRUE(MakerNoteIsRelocatable(note, 4000, false));
}

}  // namespace

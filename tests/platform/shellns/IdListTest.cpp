#include "platform/shellns/IdList.h"

#include <gtest/gtest.h>

namespace {

using platform::shellns::IdList;
using platform::shellns::IdRecord;
using platform::shellns::ItemKind;

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

IdList Path(std::initializer_list<IdRecord> records) { return IdList(std::vector<IdRecord>(records)); }

TEST(IdList, DesktopIsTheTwoZeroBytes) {
    EXPECT_EQ(IdList().ToBytes(), Bytes({0, 0}));
    EXPECT_EQ(IdList().ByteSize(), 2);
    const auto parsed = IdList::FromBytes(Bytes({0, 0}));
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->IsDesktop());
}

TEST(IdList, RecordsAreSizeKindAndLittleEndianUtf16) {
    // Computer, then the volume "/", then the folder "é€".
    const IdList list =
        Path({{ItemKind::Computer, {}}, {ItemKind::Volume, "/"}, {ItemKind::Folder, QString::fromUtf8("é€")}});
    const QByteArray expected = Bytes({3, 0, 4,                          // size 3, kind 4, no name
                                       5, 0, 6, '/', 0,                  // size 5, kind 6, "/"
                                       7, 0, 9, 0xE9, 0x00, 0xAC, 0x20,  // size 7, kind 9, U+00E9 U+20AC
                                       0, 0});
    EXPECT_EQ(list.ToBytes(), expected);
    EXPECT_EQ(list.ByteSize(), expected.size());
    const auto back = IdList::FromBytes(expected);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, list);
}

TEST(IdList, RoundTripsNamesOutsideTheBasicPlane) {
    const IdList list = Path({{ItemKind::Home, {}}, {ItemKind::Folder, QString::fromUtf8("photos 📷")}});
    const auto back = IdList::FromBytes(list.ToBytes());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Last().name, QString::fromUtf8("photos 📷"));
}

TEST(IdList, DamagedBlobsAreRefused) {
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one byte", Bytes({0})},
        {"no end marker", Bytes({3, 0, 4})},
        {"record size 1", Bytes({1, 0, 0, 0})},
        {"record size 2 (no kind byte)", Bytes({2, 0, 0, 0})},
        {"odd name part", Bytes({4, 0, 9, 'a', 0, 0})},
        {"record runs past the end", Bytes({9, 0, 9, 'a', 0, 0, 0})},
        {"end marker cut in half", Bytes({3, 0, 4, 0})},
        {"unknown kind 0", Bytes({3, 0, 0, 0, 0})},
        {"unknown kind 10", Bytes({3, 0, 10, 0, 0})},
        {"bytes after the end marker", Bytes({3, 0, 4, 0, 0, 7})},
        {"huge size", Bytes({0xFF, 0xFF, 9, 0, 0})},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(IdList::FromBytes(c.bytes)) << c.what;
}

TEST(IdList, CombinedParentAndLast) {
    const IdList home = IdList::One(ItemKind::Home);
    const IdList child = IdList::One(ItemKind::Folder, "a");
    const IdList both = home.Combined(child);
    EXPECT_EQ(both.Records().size(), 2u);
    EXPECT_EQ(both.Parent(), home);
    EXPECT_EQ(both.LastOnly(), child);
    EXPECT_EQ(IdList().Combined(child), child);
    EXPECT_TRUE(IdList().Parent().IsDesktop());
    EXPECT_EQ(both.ByteSize(), home.ByteSize() + child.ByteSize() - 2);
}

TEST(IdList, EqualityAndAncestorTests) {
    const IdList home = IdList::One(ItemKind::Home);
    const IdList a = home.Combined(IdList::One(ItemKind::Folder, "a"));
    const IdList ab = a.Combined(IdList::One(ItemKind::Folder, "b"));
    const IdList upperA = home.Combined(IdList::One(ItemKind::Folder, "A"));
    const IdList volumeA = IdList::One(ItemKind::Volume, "a");
    struct Case {
        const char* what;
        IdList x, y;
        bool equal, parent;
    };
    const Case cases[] = {
        {"same list", a, a, true, false},
        {"desktop and desktop", IdList(), IdList(), true, false},
        {"desktop above everything", IdList(), ab, false, true},
        {"direct parent", a, ab, false, true},
        {"grand parent", home, ab, false, true},
        {"child is no parent", ab, a, false, false},
        {"names differ in case", a, upperA, false, false},
        {"same name, other kind", IdList::One(ItemKind::Folder, "a"), volumeA, false, false},
        {"sibling", a, upperA.Combined(IdList::One(ItemKind::Folder, "b")), false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::shellns::IsEqualIdList(c.x, c.y), c.equal) << c.what;
        EXPECT_EQ(platform::shellns::IsParentIdList(c.x, c.y), c.parent) << c.what;
    }
}

TEST(IdList, NamesTooLongForARecordGiveNoBytes) {
    const IdList list = IdList::One(ItemKind::Folder, QString(40000, u'x'));
    EXPECT_TRUE(list.ToBytes().isEmpty());
}

}  // namespace

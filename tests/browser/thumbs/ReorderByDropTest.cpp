#include "browser/thumbs/ReorderByDrop.h"

#include "ItemListFixtures.h"
#include "support/FileFixtures.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

using itemfixtures::Describe;
using itemfixtures::Fill;

QStringList Paths(const QString& names, const QString& folder = QStringLiteral("/p")) {
    QStringList paths;
    for (const QString& name : names.split(u' ', Qt::SkipEmptyParts))
        paths.append(folder + u'/' + name + (name.contains(u'.') ? QString() : QStringLiteral(".jpg")));
    return paths;
}

TEST(ReorderByDrop, DroppedItemsLandAtTheGapInTheirDroppedOrder) {
    struct Case {
        const char* list;
        const char* dropped;
        int index;
        const char* expected;
    };
    const std::vector<Case> cases{
        // The run B C D dropped at B keeps its order (it used to give A B D C).
        {"A *B *C *D", "B C D", 1, "A *B C D"},
        {"*A B *C D", "A C", 3, "B A C D"},
        {"A B *C *D", "C D", 0, "C D A B"},
        // Past the last item: appended.
        {"*A *B C D", "A B", 4, "C D A B"},
        {"*A *B C D", "A B", 99, "C D A B"},
        {"*A B C", "A", -5, "*A B C"},
        // A single item onto the gap in front of itself: unchanged, still selected.
        {"A *B C", "B", 1, "A *B C"},
        // The dropped order wins over the display order.
        {"A B C D", "D B", 0, "D B A C"},
        // Items dropped after the anchor follow it in their order.
        {"A B C D E", "B D E", 3, "A C B D E"},
        {"A B C D E", "D A B", 3, "C D A B E"},
        {"A B C", "", 1, "A B C"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " / " + c.dropped + " @ " + std::to_string(c.index));
        CITEMLIST items;
        Fill(items, QString::fromLatin1(c.list));
        ReorderItemsByDrop(items, Paths(QString::fromLatin1(c.dropped)), c.index);
        EXPECT_EQ(Describe(items), QString::fromLatin1(c.expected));
    }
}

TEST(ReorderByDrop, MovedItemsKeepTheirRecords) {
    CITEMLIST items;
    Fill(items, "A B *C");
    CItem* c = items.FindIndex(2)->get();
    c->m_nTargetWidth = 1600;
    c->m_bInfoLoaded = 1;
    EXPECT_TRUE(ReorderItemsByDrop(items, Paths("C"), 0));
    EXPECT_EQ(items.begin()->get(), c);
    EXPECT_EQ(c->m_nTargetWidth, 1600);
    EXPECT_EQ(c->m_bInfoLoaded, 1);
    EXPECT_EQ(items.GetCount(), 3u);
}

TEST(ReorderByDrop, SoundNotesInTheDragDataAreNoItems) {
    // A drag carries each picture's note right after it.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"A.jpg", "A.wav", "B.jpg", "C.jpg", "C.WAV", "D.jpg", "lone.wav"})
        ASSERT_TRUE(WriteFile(dir.path() + u'/' + QLatin1String(name), "x"));
    CITEMLIST items;
    Fill(items, "*A B *C D", dir.path());
    EXPECT_TRUE(ReorderItemsByDrop(items, Paths("A.jpg A.wav C.jpg C.WAV lone.wav", dir.path()), 4));
    EXPECT_EQ(Describe(items), QStringLiteral("B D A C"));
    EXPECT_EQ(items.GetCount(), 4u);
}

TEST(ReorderByDrop, PathsWithoutItemsAreIgnored) {
    CITEMLIST items;
    Fill(items, "A B");
    EXPECT_FALSE(ReorderItemsByDrop(items, Paths("X Y"), 0));
    EXPECT_EQ(Describe(items), QStringLiteral("A B"));
    // Names differ in letter case only: different files.
    EXPECT_FALSE(ReorderItemsByDrop(items, Paths("b"), 0));
    EXPECT_EQ(Describe(items), QStringLiteral("A B"));
}

}  // namespace

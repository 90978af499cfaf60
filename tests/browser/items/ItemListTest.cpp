// Items and their list: the settings an item starts with, finding by path,
// ownership.

#include "browser/items/ItemList.h"

#include <gtest/gtest.h>

#include <memory>

#include <QStringList>

#include "core/settings/AppSettings.h"

namespace {

std::unique_ptr<CItem> Item(const QString& path) { return std::make_unique<CItem>(AppSettings{}, path); }

TEST(CItem, StartsFromTheSettingsOfItsCreation) {
    AppSettings settings;
    settings.m_fDpi = 300.0f;
    settings.m_nInterpolMode = 6;
    settings.m_nCorrectProp = 2;
    const CItem before(settings, "/a.jpg");
    settings.m_fDpi = 72.0f;
    const CItem after(settings, "/b.jpg");
    EXPECT_EQ(before.m_fTargetDpi, 300.0f);
    EXPECT_EQ(before.m_nMode, 6);
    EXPECT_EQ(before.m_nCorrection, 2);
    EXPECT_EQ(after.m_fTargetDpi, 72.0f);
    EXPECT_EQ(before.m_nTargetWidth, 0);
    EXPECT_EQ(before.m_bSelected, 0);
    EXPECT_EQ(before.m_bInfoLoaded, 0);
    EXPECT_EQ(before.m_timeShot, 0);
}

TEST(CITEMLIST, FindByPathPrefersAnExactMatchThenIgnoresCase) {
    CITEMLIST list;
    EXPECT_EQ(list.FindByPath("/p/a.jpg"), list.end());
    CItem* upper = list.AddTail(Item("/p/A.jpg"));
    CItem* lower = list.AddTail(Item("/p/a.jpg"));
    CItem* other = list.AddTail(Item("/p/Other.JPG"));
    CItem* duplicate = list.AddTail(Item("/p/Other.JPG"));
    EXPECT_EQ(list.FindByPath("/p/a.jpg")->get(), lower);
    EXPECT_EQ(list.FindByPath("/p/A.jpg")->get(), upper);
    EXPECT_EQ(list.FindByPath("/p/other.jpg")->get(), other);  // only a match ignoring case
    EXPECT_EQ(list.FindByPath("/p/Other.JPG")->get(), other);  // the one nearer the head
    EXPECT_EQ(list.FindByPath("/p/a.jp"), list.end());         // a prefix is no match
    EXPECT_EQ(list.FindByPath("/p/a.jpgx"), list.end());
    EXPECT_NE(duplicate, other);
}

TEST(CITEMLIST, PositionsInsertRemoveAndDeleteAll) {
    CITEMLIST list;
    list.AddTail(Item("/b"));
    list.AddHead(Item("/a"));
    list.InsertAfter(list.FindIndex(1), Item("/d"));
    list.InsertBefore(list.FindIndex(2), Item("/c"));
    ASSERT_EQ(list.GetCount(), 4u);
    QStringList order;
    for (const auto& item : list)
        order << item->m_strPath;
    EXPECT_EQ(order, (QStringList{"/a", "/b", "/c", "/d"}));
    EXPECT_EQ(list.FindIndex(4), list.end());
    std::unique_ptr<CItem> taken = list.Detach(list.FindIndex(0));
    EXPECT_EQ(taken->m_strPath, "/a");
    EXPECT_EQ((*list.RemoveAt(list.FindIndex(0)))->m_strPath, "/c");
    list.DeleteAll();
    EXPECT_TRUE(list.IsEmpty());
}

// Every change of the list, wherever it happens, keeps FindIndex in step
// with the list's order.
TEST(CITEMLIST, FindIndexFollowsEveryChange) {
    CITEMLIST list;
    const auto expectOrder = [&](const QStringList& expected) {
        QStringList walked, indexed;
        for (const auto& item : list)
            walked << item->m_strPath;
        for (std::size_t i = 0; i < list.GetCount(); ++i)
            indexed << (*list.FindIndex(i))->m_strPath;
        EXPECT_EQ(walked, expected);
        EXPECT_EQ(indexed, expected);
        EXPECT_EQ(list.FindIndex(list.GetCount()), list.end());
    };
    for (const char* path : {"/a", "/b", "/c"})
        list.AddTail(Item(path));
    expectOrder({"/a", "/b", "/c"});
    list.AddTail(Item("/e"));
    expectOrder({"/a", "/b", "/c", "/e"});
    list.InsertBefore(list.FindIndex(3), Item("/d"));
    expectOrder({"/a", "/b", "/c", "/d", "/e"});
    list.AddHead(Item("/0"));
    expectOrder({"/0", "/a", "/b", "/c", "/d", "/e"});
    list.RemoveAt(list.FindIndex(2));
    expectOrder({"/0", "/a", "/c", "/d", "/e"});
    std::unique_ptr<CItem> taken = list.Detach(list.FindIndex(0));
    list.InsertAfter(list.FindIndex(2), std::move(taken));
    expectOrder({"/a", "/c", "/d", "/0", "/e"});
    list.AddTail(Item("/f"));
    expectOrder({"/a", "/c", "/d", "/0", "/e", "/f"});
    list.DeleteAll();
    expectOrder({});
    list.AddTail(Item("/z"));
    expectOrder({"/z"});
}

}  // namespace

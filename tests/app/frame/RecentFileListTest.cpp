#include "app/frame/RecentFileList.h"
#include "platform/profile/ProfileStore.h"
#include "tests/support/PrivateHome.h"

#include <gtest/gtest.h>

namespace {

TEST(RecentFileList, NewestFirstWithoutRepeats) {
    CRecentFileList list(4);
    for (const char* path : {"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/a.jpg", "/p/d.jpg", "/p/e.jpg"})
        list.Add(QString::fromUtf8(path));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list[0], QStringLiteral("/p/e.jpg"));
    EXPECT_EQ(list[1], QStringLiteral("/p/d.jpg"));
    EXPECT_EQ(list[2], QStringLiteral("/p/a.jpg"));
    EXPECT_EQ(list[3], QStringLiteral("/p/c.jpg"));
    list.Remove(1);
    EXPECT_EQ(list[1], QStringLiteral("/p/a.jpg"));
    EXPECT_EQ(list.Count(), 3);
}

TEST(RecentFileList, MenuTexts) {
    PrivateHome home;
    CRecentFileList list(4);
    list.Add(home.Home() + QStringLiteral("/Pictures/R&D.jpg"));
    list.Add(QStringLiteral("/mnt/archive/2019/holidays/a very long folder name indeed/more/IMG_0001.JPG"));
    EXPECT_EQ(list.MenuText(0), QStringLiteral("&1 /mnt/.../IMG_0001.JPG"));
    EXPECT_EQ(list.MenuText(1), QStringLiteral("&2 ~/Pictures/R&&D.jpg"));
}

TEST(RecentFileList, ProfileRoundTrip) {
    PrivateHome home;
    {
        CRecentFileList list(4);
        list.Add(QStringLiteral("/p/a.jpg"));
        list.Add(QStringLiteral("/p/b.jpg"));
        platform::ProfileStore store;
        list.WriteList(store);
        ASSERT_TRUE(store.Sync());
    }
    platform::ProfileStore store;
    EXPECT_EQ(store.GetString(QStringLiteral("Recent File List"), QStringLiteral("File1"), QString()),
              QStringLiteral("/p/b.jpg"));
    CRecentFileList back(4);
    back.ReadList(store);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back[1], QStringLiteral("/p/a.jpg"));
}

}  // namespace

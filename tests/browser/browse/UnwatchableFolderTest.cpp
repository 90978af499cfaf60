// The Browse window when folders cannot be watched: the user's inotify
// watches used up (each folder's watch fails) or no inotify instance at all
// (the folder monitor cannot start). The pictures are listed all the same;
// only later changes go unseen.
#include "browser/browse/BrowseFixtures.h"

#include "support/FailingWatch.h"

namespace {

using namespace failingwatch;

class UnwatchableFolders : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        for (const char* name : {"Pictures/Trip/a.jpg", "Pictures/Trip/b.jpg", "Documents/doc.jpg"})
            ASSERT_TRUE(WriteBytes(H(name), SolidJpeg(64, 48, kRed)));
    }
};

TEST_F(UnwatchableFolders, FoldersAreListedWhenNoWatchCanBeAdded) {
    const ScopedWatchCalls noWatches({nullptr, OutOfWatches});
    OpenWindow();
    EXPECT_TRUE(WaitForListing({"a.jpg", "b.jpg"}));
    EXPECT_EQ(Browser().m_strFolder, H("Pictures/Trip"));
    Click(Find({"Home", "Documents"}));
    EXPECT_TRUE(WaitForListing({"doc.jpg"}));
    EXPECT_EQ(Browser().m_strFolder, H("Documents"));
}

TEST_F(UnwatchableFolders, FoldersAreListedWhenTheMonitorCannotStart) {
    const ScopedWatchCalls noInstances({OutOfInstances, nullptr});
    OpenWindow();
    EXPECT_EQ(Browser().Monitor(), nullptr);
    EXPECT_TRUE(WaitForListing({"a.jpg", "b.jpg"}));
    Click(Find({"Home", "Documents"}));
    EXPECT_TRUE(WaitForListing({"doc.jpg"}));
    EXPECT_EQ(Browser().m_strFolder, H("Documents"));
    Click(Find({"Home", "Pictures", "Trip"}));
    EXPECT_TRUE(WaitForListing({"a.jpg", "b.jpg"}));
}

}  // namespace

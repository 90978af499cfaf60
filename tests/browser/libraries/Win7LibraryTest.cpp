#include "browser/libraries/Win7Library.h"

#include "platform/paths/Paths.h"
#include "platform/shellns/ShellIcons.h"
#include "platform/shellns/ShellLibrary.h"
#include "support/FileFixtures.h"
#include "support/PrivateHome.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using namespace platform::shellns;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CountingListener : public ILibUpdate {
public:
    void OnLibrariesChanged() override { ++calls; }
    std::atomic<int> calls{0};
};

// Generous: the watcher thread runs late on a loaded machine.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 30000ms) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class Libraries : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"Pictures/2020", "Pictures/2021", "Work"})
            ASSERT_TRUE(QDir().mkpath(home.Home() + u'/' + QLatin1String(folder)));
        service = std::make_unique<CWin7Library>();
    }
    QString H(const char* path) const { return home.Home() + u'/' + QLatin1String(path); }

    static IdList LibraryId(const QString& name) { return IdList::One(ItemKind::Library, name); }
    static ShellFolder LibrariesRoot() { return ShellFolder(LibrariesIdList()); }
    QString Location(const QString& name) const {
        return service->GetLocationText(LibrariesRoot(), LibraryId(name), LibrariesIdList().Combined(LibraryId(name)));
    }
    int Count(const QString& name) const {
        return service->GetFolderCount(LibrariesRoot(), LibraryId(name), LibrariesIdList().Combined(LibraryId(name)));
    }

    PrivateHome home;
    std::unique_ptr<CWin7Library> service;
};

TEST_F(Libraries, TheFirstStartSeedsAPicturesLibraryOnce) {
    EXPECT_EQ(service->LibrariesFolder(), home.DataHome() + "/ORVEK/Libraries");
    EXPECT_TRUE(service->HasLibraries());
    EXPECT_EQ(LoadLibraryFile(LibraryFilePath("Pictures")), QStringList({QDir::cleanPath(platform::PicturesFolder())}));
    EXPECT_TRUE(service->IsWatching());
    // A Pictures library the user deleted stays deleted.
    service.reset();
    ASSERT_TRUE(QFile::remove(LibraryFilePath("Pictures")));
    service = std::make_unique<CWin7Library>();
    EXPECT_FALSE(service->HasLibraries());
}

TEST_F(Libraries, ItemTests) {
    const ShellFolder desktop;
    EXPECT_TRUE(service->IsLibrariesFolder(desktop, LibrariesIdList()));
    EXPECT_FALSE(service->IsLibrariesFolder(desktop, ComputerIdList()));
    EXPECT_TRUE(service->IsLibraryItem(LibrariesRoot(), LibraryId("Pictures")));
    EXPECT_FALSE(service->IsLibraryItem(desktop, LibrariesIdList()));
    EXPECT_FALSE(service->IsLibraryItem(desktop, HomeIdList()));
    EXPECT_TRUE(CWin7Library::IsLibraryPath("/x/Trips.Library-MS"));
    EXPECT_FALSE(CWin7Library::IsLibraryPath(".library-ms"));
    EXPECT_FALSE(CWin7Library::IsLibraryPath("/x/Trips"));
}

TEST_F(Libraries, LocationTextsAndCounts) {
    const int icon = IconIndexOf(LibrariesIdList().Combined(LibraryId("Trips")), false);
    ASSERT_GE(icon, 0);
    const QString n = QString::number(icon);
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Trips"), {H("Pictures/2021"), H("Work"), "/odd;name"}));
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Empty"), {}));
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("a;b"), {H("Work")}));
    ASSERT_TRUE(WriteFile(LibraryFilePath("Damaged"), "<library>"));
    EXPECT_EQ(Location("Trips"), "Trips;" + n + ";" + H("Pictures/2021") + ";" + H("Work"));
    EXPECT_EQ(Count("Trips"), 3);
    EXPECT_EQ(Location("Empty"), "Empty;" + n);
    EXPECT_EQ(Count("Empty"), 0);
    EXPECT_EQ(Location("a;b"), "");
    EXPECT_EQ(Location("Damaged"), "");
    EXPECT_EQ(Count("Damaged"), 0);
    EXPECT_EQ(Location("Missing"), "");
    // Anything that is no library has no description.
    EXPECT_EQ(service->GetLocationText(ShellFolder(), HomeIdList(), HomeIdList()), "");
    EXPECT_EQ(service->GetFolderCount(ShellFolder(), LibrariesIdList(), LibrariesIdList()), 0);
}

TEST_F(Libraries, SplittingDescriptions) {
    const struct {
        QString text;
        QStringList parts;
    } cases[] = {
        {"Trips;3;/a;/b", {"Trips", "3", "/a", "/b"}},
        {"Empty;3", {"Empty", "3"}},
        {"", {}},
        {"a;;b", {"a", ";b"}},
        {";a", {";a"}},
        {"a;", {"a"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CWin7Library::SplitLocationText(c.text), c.parts) << c.text.toStdString();
}

TEST_F(Libraries, EnumerateFoldersListsEveryLibrarysParts) {
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Trips"), {H("Work")}));
    QStringList parts;
    service->EnumerateFolders(parts);
    const QString pictures = QString::number(IconIndexOf(LibrariesIdList().Combined(LibraryId("Pictures")), false));
    EXPECT_EQ(parts, QStringList({"Pictures", pictures, QDir::cleanPath(platform::PicturesFolder()), "Trips", pictures,
                                  H("Work")}));
}

TEST_F(Libraries, RenamingKeepsTheFoldersAndNeverReplaces) {
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Trips"), {H("Work")}));
    EXPECT_TRUE(service->RenameLibrary(LibrariesRoot(), LibraryId("Trips"), "Travels"));
    EXPECT_FALSE(QFileInfo::exists(LibraryFilePath("Trips")));
    EXPECT_EQ(LoadLibraryFile(LibraryFilePath("Travels")), QStringList({H("Work")}));
    // A taken name gets a unique variant.
    EXPECT_TRUE(service->RenameLibrary(LibrariesRoot(), LibraryId("Travels"), "Pictures"));
    EXPECT_EQ(LibraryNames(), QStringList({"Pictures", "Pictures (2)"}));
    EXPECT_EQ(LoadLibraryFile(LibraryFilePath("Pictures (2)")), QStringList({H("Work")}));
    // Refused names change nothing.
    for (const char* name : {"", ".", "..", "a/b", "a;b"})
        EXPECT_FALSE(service->RenameLibrary(LibrariesRoot(), LibraryId("Pictures (2)"), name)) << name;
    EXPECT_EQ(LibraryNames(), QStringList({"Pictures", "Pictures (2)"}));
    EXPECT_FALSE(service->RenameLibrary(LibrariesRoot(), LibraryId("Missing"), "X"));
    EXPECT_FALSE(service->RenameLibrary(ShellFolder(), HomeIdList(), "X"));
}

TEST_F(Libraries, DeletingSilentlyOrToTheTrash) {
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Trips"), {H("Work")}));
    EXPECT_TRUE(service->DeleteLibrary(LibrariesRoot(), LibraryId("Trips"), true));
    EXPECT_FALSE(QFileInfo::exists(LibraryFilePath("Trips")));

    {
        ScriptedAnswers no({platform::PromptAnswer::No});
        EXPECT_FALSE(service->DeleteLibrary(LibrariesRoot(), LibraryId("Pictures"), false));
        EXPECT_TRUE(QFileInfo::exists(LibraryFilePath("Pictures")));
        ASSERT_EQ(no.Questions().size(), 1u);
    }
    ScriptedAnswers yes({platform::PromptAnswer::Yes});
    EXPECT_TRUE(service->DeleteLibrary(LibrariesRoot(), LibraryId("Pictures"), false));
    EXPECT_FALSE(QFileInfo::exists(LibraryFilePath("Pictures")));
    EXPECT_EQ(Entries(home.DataHome() + "/Trash/files"), QStringList({"Pictures.library-ms"}));
    EXPECT_FALSE(service->HasLibraries());
}

TEST_F(Libraries, RemovingAFolderKeepsItOnDisk) {
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Trips"), {H("Work"), H("Pictures/2020")}));
    const ShellFolder trips(LibrariesIdList().Combined(LibraryId("Trips")));
    EXPECT_TRUE(service->RemoveFolder(LibrariesRoot(), LibraryId("Trips"), trips,
                                      IdList::One(ItemKind::LibraryFolder, H("Work"))));
    EXPECT_EQ(LoadLibraryFile(LibraryFilePath("Trips")), QStringList({H("Pictures/2020")}));
    EXPECT_TRUE(QFileInfo(H("Work")).isDir());
    EXPECT_FALSE(service->RemoveFolder(LibrariesRoot(), LibraryId("Trips"), trips,
                                       IdList::One(ItemKind::LibraryFolder, H("Work"))));
}

TEST_F(Libraries, RenamedFoldersAreFollowed) {
    ASSERT_TRUE(SaveLibraryFile(LibraryFilePath("Trips"), {H("Pictures/2020"), H("Work"), H("Pictures2")}));
    EXPECT_EQ(service->ResolveRenamedFolder(H("Pictures"), H("Photos")), 2);  // Trips and the seeded Pictures
    EXPECT_EQ(LoadLibraryFile(LibraryFilePath("Trips")), QStringList({H("Photos/2020"), H("Work"), H("Pictures2")}));
    EXPECT_EQ(service->ResolveRenamedFolder(H("Nothing"), H("Else")), 0);
}

TEST_F(Libraries, ListenersHearChangesMadeByAnotherProcess) {
    CountingListener listener, twice, removed;
    service->AddListener(&listener);
    service->AddListener(&twice);
    service->AddListener(&twice);
    service->AddListener(&removed);
    service->RemoveListener(&removed);
    const std::string file = LibraryFilePath("Pictures").toStdString();
    ASSERT_EQ(std::system(("printf '<library version=\"1\"/>' > '" + file + "'").c_str()), 0);
    // One write may reach the watcher as one change or as several; each
    // change calls every entry once, so `twice` hears twice as often.
    EXPECT_TRUE(WaitFor([&] { return listener.calls >= 1 && twice.calls == 2 * listener.calls; }))
        << listener.calls << " " << twice.calls;
    EXPECT_EQ(removed.calls, 0);

    const std::string renamed = LibraryFilePath("Renamed").toStdString();
    ASSERT_EQ(std::system(("mv '" + file + "' '" + renamed + "'").c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return listener.calls >= 2; }));
    service->RemoveListener(&twice);
    const int before = twice.calls;
    ASSERT_EQ(std::system(("rm '" + renamed + "'").c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return listener.calls >= 3; }));
    EXPECT_EQ(twice.calls, before);
    service->RemoveListener(&listener);
}

TEST_F(Libraries, ListenersComeAndGoWhileTheWatcherNotifies) {
    // Counts calls, and calls that came once RemoveListener had returned.
    class Flagging : public ILibUpdate {
    public:
        void OnLibrariesChanged() override {
            ++calls;
            if (removed)
                calledAfterRemoval = true;
        }
        std::atomic<int> calls{0};
        std::atomic<bool> removed{false}, calledAfterRemoval{false};
    };
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        while (!stop) {
            SaveLibraryFile(LibraryFilePath("Busy"), {QStringLiteral("/f%1").arg(writes.load())});
            ++writes;
            std::this_thread::sleep_for(5ms);  // paces the writer; nothing waits on it
        }
    });
    int heard = 0;
    for (int round = 0; round < 50; ++round) {
        Flagging listener;
        service->AddListener(&listener);
        // Every few rounds the listener stays until it has heard a change.
        if (round % 10 == 0) {
            EXPECT_TRUE(WaitFor([&] { return listener.calls > 0; })) << round;
        } else {
            std::this_thread::yield();
        }
        service->RemoveListener(&listener);
        listener.removed = true;
        heard += listener.calls > 0;
        EXPECT_FALSE(listener.calledAfterRemoval) << round;
    }
    stop = true;
    writer.join();
    EXPECT_GE(heard, 5);
}

TEST_F(Libraries, AnUnwatchableFolderLeavesNoWatcher) {
    service.reset();
    ASSERT_TRUE(QDir(LibrariesFolder()).removeRecursively());
    ASSERT_TRUE(WriteFile(LibrariesFolder(), "not a folder"));
    service = std::make_unique<CWin7Library>();
    EXPECT_FALSE(service->IsWatching());
    EXPECT_FALSE(service->HasLibraries());
    service.reset();  // no watcher thread waits to be woken
}

TEST(LibrariesSingleton, CreatedOnceAndDeleted) {
    PrivateHome home;
    CreateWin7Library();
    CWin7Library* first = GetWin7Library();
    ASSERT_NE(first, nullptr);
    CreateWin7Library();
    EXPECT_EQ(GetWin7Library(), first);
    DeleteWin7Library();
    EXPECT_EQ(GetWin7Library(), nullptr);
    EXPECT_GE(WM_UPDATELIBRARIES, 0xC000);
    EXPECT_EQ(WM_UPDATELIBRARIES, platform::RegisterCommandId("WM_UPDATELIBRARIES"));
}

}  // namespace

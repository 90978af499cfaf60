#include "platform/shellfiles/Trash.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

using platform::TopdirTrash;
using platform::TrashInfoPath;

TEST(Trash, InfoPathsArePercentEncodedBytes) {
    struct Case {
        std::string path;
        std::string encoded;
    };
    for (const Case& c : {
             Case{"/photos/a-b_c.d~e.jpg", "/photos/a-b_c.d~e.jpg"},
             Case{"/photos/caf\xC3\xA9.jpg", "/photos/caf%C3%A9.jpg"},     // UTF-8
             Case{"/a b/caf\xE9 100%.jpg", "/a%20b/caf%E9%20100%25.jpg"},  // Latin-1, space, '%'
             Case{"album/x#?&=+,;:@.jpg", "album/x%23%3F%26%3D%2B%2C%3B%3A%40.jpg"},
         }) {
        EXPECT_EQ(TrashInfoPath(c.path), c.encoded) << c.path;
    }
}

// The trash a file system's top folder gives: the administrator's shared
// .Trash only when it is a real folder with the sticky bit, else the user's
// own .Trash-$uid; a link in the place of either is never followed.
TEST(Trash, TopdirTrashTakesOnlyASafeSharedTrash) {
    const uid_t uid = ::getuid();
    const std::string own = "/.Trash-" + std::to_string(uid);
    const std::string shared = "/.Trash/" + std::to_string(uid);
    enum class Setup { None, StickyTrash, PlainTrash, LinkToStickyTrash, OwnTrashALink };
    struct Case {
        const char* name;
        Setup setup;
        std::string trash;  // under the top folder; empty when none can be had
    };
    for (const Case& c : {
             Case{"no shared trash", Setup::None, own},
             Case{"a shared trash with the sticky bit", Setup::StickyTrash, shared},
             Case{"a shared trash without it", Setup::PlainTrash, own},
             Case{"a link to a shared trash", Setup::LinkToStickyTrash, own},
             Case{"a link in the place of the user's trash", Setup::OwnTrashALink, ""},
         }) {
        SCOPED_TRACE(c.name);
        QTemporaryDir top;
        QTemporaryDir elsewhere;
        ASSERT_TRUE(top.isValid() && elsewhere.isValid());
        const std::string topdir = QFile::encodeName(top.path()).toStdString();
        const std::string target = QFile::encodeName(elsewhere.path()).toStdString();
        switch (c.setup) {
        case Setup::None:
            break;
        case Setup::StickyTrash:
        case Setup::PlainTrash:
            ASSERT_EQ(::mkdir((topdir + "/.Trash").c_str(), 0777), 0);
            ASSERT_EQ(::chmod((topdir + "/.Trash").c_str(), c.setup == Setup::StickyTrash ? 01777 : 0777), 0);
            break;
        case Setup::LinkToStickyTrash:
            ASSERT_EQ(::chmod(target.c_str(), 01777), 0);
            ASSERT_EQ(::symlink(target.c_str(), (topdir + "/.Trash").c_str()), 0);
            break;
        case Setup::OwnTrashALink:
            ASSERT_EQ(::symlink(target.c_str(), (topdir + own).c_str()), 0);
            break;
        }
        std::error_code error;
        const std::string trash = TopdirTrash(topdir, uid, error);
        if (c.trash.empty()) {
            EXPECT_EQ(trash, "");
            EXPECT_EQ(error.value(), ENOTDIR);
            EXPECT_FALSE(QFile::exists(elsewhere.path() + QStringLiteral("/files")));
            continue;
        }
        EXPECT_FALSE(error) << error.message();
        EXPECT_EQ(trash, topdir + c.trash);
        for (const std::string& folder : {trash, trash + "/files", trash + "/info"}) {
            struct stat status {};
            ASSERT_EQ(::lstat(folder.c_str(), &status), 0) << folder;
            EXPECT_TRUE(S_ISDIR(status.st_mode)) << folder;
            EXPECT_EQ(status.st_mode & 07777, 0700u) << folder;
        }
        EXPECT_FALSE(QFile::exists(elsewhere.path() + QStringLiteral("/") + QString::number(uid)));
    }
}

}  // namespace

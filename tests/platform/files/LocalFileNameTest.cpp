// File names carried whole between the kernel's bytes and QString.
#include "platform/files/LocalFileName.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using platform::AbsoluteFileName;
using platform::DisplayFileName;
using platform::FileNameFromLocal;
using platform::HoldsNonUtf8Bytes;
using platform::LocalFileName;

TEST(LocalFileName, EveryByteNameComesBackWhole) {
    const QByteArray names[] = {
        "plain.jpg",
        "caf\xC3\xA9.jpg",       // valid UTF-8
        "caf\xE9.jpg",           // Latin-1
        "\xFF\xFE",              // never UTF-8
        "a\xC3",                 // a sequence cut at the end
        "\xC0\x80",              // an overlong NUL
        "\xED\xA0\x80",          // an encoded surrogate
        "\xF4\x90\x80\x80",      // past U+10FFFF
        "\xF0\x90\x82\x80\xE9",  // U+10080, whose low half looks like an escape, then Latin-1
        "\xED\xB2\x80",          // U+DC80 encoded, not valid UTF-8 either
    };
    for (const QByteArray& local : names) {
        SCOPED_TRACE(local.toHex().toStdString());
        const QString name = FileNameFromLocal(local);
        EXPECT_EQ(LocalFileName(name), local);
        const bool valid = QFile::encodeName(QFile::decodeName(local)) == local;
        EXPECT_EQ(HoldsNonUtf8Bytes(name), !valid);
        if (valid) {
            EXPECT_EQ(name, QFile::decodeName(local));  // Qt's own decoding where it carries the name
        }
    }
    EXPECT_EQ(FileNameFromLocal("caf\xE9.jpg").size(), 8);
    EXPECT_TRUE(FileNameFromLocal("caf\xE9.jpg").startsWith(QStringLiteral("caf")));
    EXPECT_EQ(LocalFileName(QStringLiteral("caf\u00E9.jpg")), QByteArray("caf\xC3\xA9.jpg"));
}

// Relative names are joined to the current folder, whose own name need not
// be UTF-8; only "." and repeated separators are taken out.
TEST(LocalFileName, AbsoluteNamesStartAtTheCurrentFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QByteArray folder = QFile::encodeName(root.path()) + "/caf\xE9";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    char* previous = ::getcwd(nullptr, 0);
    ASSERT_NE(previous, nullptr);
    ASSERT_EQ(::chdir(folder.constData()), 0);
    const struct {
        const char* name;
        QByteArray absolute;
    } cases[] = {
        {"big/a.png", folder + "/big/a.png"},
        {"./big//a.png", folder + "/big/a.png"},
        {"../a.png", folder + "/../a.png"},
        {"big/", folder + "/big/"},
        {".", folder},
        {"/photos/./a.png", "/photos/a.png"},
        {"/", "/"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LocalFileName(AbsoluteFileName(QString::fromUtf8(c.name))), c.absolute) << c.name;
    EXPECT_EQ(::chdir(previous), 0);
    std::free(previous);
    ::rmdir(folder.constData());  // a name Qt's removal of the folder cannot reach
}

// A name is shown with each byte that is not UTF-8 as an escape, the rest as
// it is.
TEST(LocalFileName, DisplayNamesMarkTheBytesThatAreNotUtf8) {
    const struct {
        QByteArray local;
        const char* shown;  // UTF-8
    } cases[] = {
        {"plain.jpg", "plain.jpg"},
        {"caf\xC3\xA9.jpg", "caf\xC3\xA9.jpg"},
        {"caf\xE9.jpg", "caf\\xE9.jpg"},
        {"\xFF\xFE", "\\xFF\\xFE"},
        {"\xF0\x9F\x93\xB7\x80.png", "\xF0\x9F\x93\xB7\\x80.png"},  // a camera, then a stray byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(DisplayFileName(FileNameFromLocal(c.local)), QString::fromUtf8(c.shown)) << c.shown;
}

}  // namespace

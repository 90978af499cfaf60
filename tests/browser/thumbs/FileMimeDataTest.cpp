#include "browser/thumbs/FileMimeData.h"

#include "imagefiles/FileListBlock.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace {

const QStringList kTwo{QStringLiteral("/photos/a.jpg"), QStringLiteral("/photos/b c.jpg")};

TEST(FileMimeData, CopyPutsTheUriListTheCopyMarkersTextAndTheRecord) {
    const auto data = NewFileListMimeData(kTwo, false);
    EXPECT_EQ(data->data(QStringLiteral("text/uri-list")),
              QByteArray("file:///photos/a.jpg\r\nfile:///photos/b%20c.jpg\r\n"));
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")),
              QByteArray("copy\nfile:///photos/a.jpg\nfile:///photos/b%20c.jpg"));
    EXPECT_EQ(data->data(QStringLiteral("application/x-kde-cutselection")), QByteArray("0"));
    EXPECT_EQ(data->text(), QStringLiteral("/photos/a.jpg\n/photos/b c.jpg"));
    EXPECT_EQ(data->data(QStringLiteral("application/x-orvek-vespera-file-list")), BuildFileListHGlobal(kTwo, 1));
}

TEST(FileMimeData, CutMarksTheListCutForBothDesktops) {
    const auto data = NewFileListMimeData(kTwo, true);
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")),
              QByteArray("cut\nfile:///photos/a.jpg\nfile:///photos/b%20c.jpg"));
    EXPECT_EQ(data->data(QStringLiteral("application/x-kde-cutselection")), QByteArray("1"));
    const std::optional<FileListData> read = ReadFileListMimeData(data.get());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->paths, kTwo);
    EXPECT_TRUE(read->cut);
}

TEST(FileMimeData, ClipboardRoundTripKeepsEveryFormat) {
    QClipboard* clipboard = QApplication::clipboard();
    for (const bool cut : {false, true}) {
        clipboard->setMimeData(NewFileListMimeData(kTwo, cut).release());
        const std::optional<FileListData> read = ReadFileListMimeData(clipboard->mimeData());
        ASSERT_TRUE(read);
        EXPECT_EQ(read->paths, kTwo);
        EXPECT_EQ(read->cut, cut);
        EXPECT_EQ(clipboard->mimeData()->data(QStringLiteral("application/x-kde-cutselection")),
                  cut ? QByteArray("1") : QByteArray("0"));
    }
    clipboard->clear();
}

// The clipboard of a file manager, as it puts it there.
struct DesktopCase {
    const char* name;
    std::vector<std::pair<QString, QByteArray>> formats;
    QStringList paths;
    bool cut;
};

TEST(FileMimeData, ReadsWhatNautilusAndDolphinPutOnTheClipboard) {
    const QStringList two{QStringLiteral("/home/u/Bilder/Sommer 2023.jpg"), QStringLiteral("/home/u/Bilder/ä é.png")};
    const QByteArray uris = "file:///home/u/Bilder/Sommer%202023.jpg\r\nfile:///home/u/Bilder/%C3%A4%20%C3%A9.png\r\n";
    const QByteArray gnome = "file:///home/u/Bilder/Sommer%202023.jpg\nfile:///home/u/Bilder/%C3%A4%20%C3%A9.png";
    const std::vector<DesktopCase> cases{
        {"Nautilus copy, GNOME list alone",
         {{QStringLiteral("x-special/gnome-copied-files"), "copy\n" + gnome}},
         two,
         false},
        {"Nautilus cut, GNOME list alone",
         {{QStringLiteral("x-special/gnome-copied-files"), "cut\n" + gnome}},
         two,
         true},
        {"Nautilus cut with a trailing line feed and a uri list",
         {{QStringLiteral("x-special/gnome-copied-files"), "cut\n" + gnome + "\n"},
          {QStringLiteral("text/uri-list"), uris}},
         two,
         true},
        {"Dolphin copy",
         {{QStringLiteral("text/uri-list"), uris},
          {QStringLiteral("application/x-kde-cutselection"), "0"},
          {QStringLiteral("text/plain"), "/home/u/Bilder/Sommer 2023.jpg"}},
         two,
         false},
        {"Dolphin cut",
         {{QStringLiteral("text/uri-list"), uris}, {QStringLiteral("application/x-kde-cutselection"), "1"}},
         two,
         true},
        {"a uri list with a comment, a blank line, a remote and a localhost file",
         {{QStringLiteral("text/uri-list"),
           "# from somewhere\r\n\r\nhttp://example.com/x.jpg\r\nfile://otherhost/x.jpg\r\nfile://localhost/tmp/"
           "y.jpg\r\nsmb://server/share/z.jpg\r\n"}},
         {QStringLiteral("/tmp/y.jpg")},
         false},
    };
    for (const DesktopCase& c : cases) {
        SCOPED_TRACE(c.name);
        QMimeData data;
        for (const auto& [format, bytes] : c.formats)
            data.setData(format, bytes);
        EXPECT_TRUE(HasFileListFormat(&data));
        const std::optional<FileListData> read = ReadFileListMimeData(&data);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->paths, c.paths);
        EXPECT_EQ(read->cut, c.cut);
    }
}

TEST(FileMimeData, NoLocalFileGivesNothing) {
    QMimeData text;
    text.setText(QStringLiteral("/home/u/a.jpg"));
    EXPECT_FALSE(HasFileListFormat(&text));
    EXPECT_FALSE(ReadFileListMimeData(&text));
    QMimeData remote;
    remote.setData(QStringLiteral("text/uri-list"), "https://example.com/a.jpg\r\n");
    EXPECT_FALSE(ReadFileListMimeData(&remote));
    EXPECT_FALSE(ReadFileListMimeData(nullptr));
}

TEST(FileMimeData, PathsAndUrlsOfAnyLengthGoThroughWhole) {
    // Far beyond the 260 characters of the record's slots.
    QString deep = QStringLiteral("/data");
    for (int i = 0; i < 40; ++i)
        deep += QStringLiteral("/folder number %1 with spaces & #hash ?query").arg(i);
    deep += QStringLiteral("/picture 100%.jpg");
    ASSERT_GT(deep.size(), 1500);
    const QStringList paths{deep, QStringLiteral("/short.jpg")};
    const auto data = NewFileListMimeData(paths, false);
    const std::optional<FileListData> read = ReadFileListMimeData(data.get());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->paths, paths);
    // The record would not hold it: it is left out rather than cut.
    EXPECT_FALSE(data->hasFormat(QStringLiteral("application/x-orvek-vespera-file-list")));
    EXPECT_EQ(DecodeUriList(EncodeUriList(paths)), paths);
}

}  // namespace

#pragma once
// File lists on the clipboard and in drags, as the Linux desktops exchange
// them: "text/uri-list" (one file: URL a line), with the cut or copy marker
// that GNOME ("x-special/gnome-copied-files": "cut" or "copy", then the
// URLs) and KDE ("application/x-kde-cutselection": "1" for a cut, "0" for a
// copy) read, so that files copied here paste in Nautilus and Dolphin and
// files copied there paste here. The paths also go as plain text, and as the
// browser's own FileListBlock record when every path fits its slots.
//
// Paths and URLs have no length limit. Only local files are taken: a URL of
// another scheme or host is left out.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QMimeData;

inline constexpr char kUriListMime[] = "text/uri-list";
inline constexpr char kGnomeCopiedFilesMime[] = "x-special/gnome-copied-files";
inline constexpr char kKdeCutSelectionMime[] = "application/x-kde-cutselection";
// The browser's private record of the list (imagefiles/FileListBlock.h), tag 1.
inline constexpr char kFileListBlockMime[] = "application/x-orvek-vespera-file-list";

struct FileListData {
    QStringList paths;  // local paths in list order
    bool cut = false;   // the files were cut: a paste moves them
};

// The URL text of each path, "\r\n" after each line.
QByteArray EncodeUriList(const QStringList& paths);
// The local paths of a "text/uri-list" text: lines end with "\r\n" or "\n",
// lines starting with '#' are comments.
QStringList DecodeUriList(const QByteArray& text);

// The data for the clipboard or a drag: uri list, both markers, plain text and
// the private record.
std::unique_ptr<QMimeData> NewFileListMimeData(const QStringList& paths, bool cut);

// The files and the cut flag of data from any of the desktops: the uri list,
// else GNOME's list; the cut flag from either marker. Nothing when the data
// names no local file.
std::optional<FileListData> ReadFileListMimeData(const QMimeData* data);

// The data offers a file list (a paste or a drop may take it).
bool HasFileListFormat(const QMimeData* data);

#include "browser/thumbs/FileMimeData.h"
#include "platform/files/LocalFileName.h"

#include "imagefiles/FileListBlock.h"

#include <QMimeData>
#include <QUrl>

namespace {

constexpr std::uint32_t kFileListTag = 1;

// The URL of the path's own bytes: a name that is not UTF-8 keeps them,
// percent-encoded, where QUrl would put U+FFFD in their place. What a URL's
// path may hold as it is stays as QUrl leaves it.
QByteArray UrlOf(const QString& path) {
    return "file://" + platform::LocalFileName(path).toPercentEncoding("/!$&'()*+,;=:@");
}

// The local path of one URL line; empty for anything else.
QString LocalPathOf(const QByteArray& line) {
    const QUrl url = QUrl::fromEncoded(line.trimmed(), QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().compare(u"file", Qt::CaseInsensitive) != 0)
        return {};
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(u"localhost", Qt::CaseInsensitive) != 0)
        return {};
    // The path's bytes, as the file system names the file.
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    const QString path = platform::FileNameFromLocal(QByteArray::fromPercentEncoding(encoded));
    return path.startsWith(u'/') ? path : QString();
}

QStringList PathsOfLines(const QList<QByteArray>& lines) {
    QStringList paths;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QString path = LocalPathOf(line);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

}  // namespace

QByteArray EncodeUriList(const QStringList& paths) {
    QByteArray text;
    for (const QString& path : paths) {
        text += UrlOf(path);
        text += "\r\n";
    }
    return text;
}

QStringList DecodeUriList(const QByteArray& text) { return PathsOfLines(text.split('\n')); }

std::unique_ptr<QMimeData> NewFileListMimeData(const QStringList& paths, bool cut) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QString::fromLatin1(kUriListMime), EncodeUriList(paths));

    QByteArray gnome = cut ? QByteArray("cut") : QByteArray("copy");
    for (const QString& path : paths) {
        gnome += '\n';
        gnome += UrlOf(path);
    }
    data->setData(QString::fromLatin1(kGnomeCopiedFilesMime), gnome);
    data->setData(QString::fromLatin1(kKdeCutSelectionMime), cut ? QByteArray("1") : QByteArray("0"));
    data->setText(paths.join(u'\n'));

    // A path too long for the record's slots leaves the record out.
    const QByteArray block = BuildFileListHGlobal(paths, kFileListTag);
    if (!block.isEmpty())
        data->setData(QString::fromLatin1(kFileListBlockMime), block);
    return data;
}

std::optional<FileListData> ReadFileListMimeData(const QMimeData* data) {
    if (data == nullptr)
        return std::nullopt;
    FileListData list;
    const QString gnomeMime = QString::fromLatin1(kGnomeCopiedFilesMime);
    QList<QByteArray> gnomeLines;
    if (data->hasFormat(gnomeMime)) {
        gnomeLines = data->data(gnomeMime).split('\n');
        if (!gnomeLines.isEmpty()) {
            list.cut = gnomeLines.front().trimmed() == "cut";
            gnomeLines.removeFirst();
        }
    }
    const QString kdeMime = QString::fromLatin1(kKdeCutSelectionMime);
    if (data->hasFormat(kdeMime) && data->data(kdeMime).trimmed() == "1")
        list.cut = true;

    const QString uriMime = QString::fromLatin1(kUriListMime);
    if (data->hasFormat(uriMime))
        list.paths = DecodeUriList(data->data(uriMime));
    if (list.paths.isEmpty())
        list.paths = PathsOfLines(gnomeLines);
    if (list.paths.isEmpty())
        return std::nullopt;
    return list;
}

bool HasFileListFormat(const QMimeData* data) {
    return data != nullptr && (data->hasFormat(QString::fromLatin1(kUriListMime)) ||
                               data->hasFormat(QString::fromLatin1(kGnomeCopiedFilesMime)));
}

#include "core/document/NeighbourImages.h"
#include "platform/files/FolderEntries.h"

#include "imagefiles/ImageFileNames.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

bool IsVisitedExtension(const QString& name) {
    static const QStringList kExtensions = {QStringLiteral(".jpg"), QStringLiteral(".tif"), QStringLiteral(".bmp"),
                                            QStringLiteral(".png")};
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 && kExtensions.contains(CanonicalImageExtension(name.mid(dot)));
}

bool NameOrder(const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

}  // namespace

QStringList ListNeighbourImages(const QString& folder, const QStringList& excluded) {
    QStringList names = platform::NonFolderEntryNames(folder);
    std::sort(names.begin(), names.end(), NameOrder);
    QStringList paths;
    const QDir dir(folder);
    for (const QString& name : names) {
        if (!IsVisitedExtension(name))
            continue;
        const QString path = dir.filePath(name);
        if (!excluded.contains(path))
            paths.append(path);
    }
    return paths;
}

QString NeighbourImage(const QString& reference, bool previous, const QStringList& excluded) {
    if (reference.isEmpty())
        return {};
    const QFileInfo info(reference);
    const QStringList images = ListNeighbourImages(info.absolutePath(), excluded);
    const qsizetype count = images.size();
    const qsizetype current = images.indexOf(info.absoluteFilePath());
    if (current < 0 || count < 2)
        return {};
    const qsizetype next = previous ? (current + count - 1) % count : (current + 1) % count;
    return images[next];
}

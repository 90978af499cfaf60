#include "app/frame/RecentFileList.h"

#include "platform/files/LocalFileName.h"
#include "platform/profile/ProfileStore.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kSection = QStringLiteral("Recent File List");
constexpr int kMaxShownLength = 60;

QString Key(int index) { return QStringLiteral("File%1").arg(index + 1); }

// The path as the menu shows it: the home folder as '~'; when it is long, the
// first folder, "...", and the file name.
QString ShortPath(const QString& path) {
    // A name that is not UTF-8 shows its other bytes as escapes.
    QString shown = platform::DisplayFileName(QDir::toNativeSeparators(path));
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != QStringLiteral("/") && shown.startsWith(home + u'/'))
        shown = u'~' + shown.mid(home.size());
    if (shown.size() <= kMaxShownLength)
        return shown;
    const QString name = platform::DisplayFileName(QFileInfo(path).fileName());
    const qsizetype firstSlash = shown.indexOf(u'/', 1);
    const QString head = firstSlash > 0 ? shown.left(firstSlash + 1) : QString();
    return head + QStringLiteral(".../") + name;
}

bool SameFile(const QString& a, const QString& b) {
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty() || size_ <= 0)
        return;
    for (qsizetype i = 0; i < files_.size(); ++i) {
        if (SameFile(files_[i], path)) {
            files_.removeAt(i);
            break;
        }
    }
    files_.prepend(QFileInfo(path).absoluteFilePath());
    while (files_.size() > size_)
        files_.removeLast();
}

void CRecentFileList::Remove(int index) {
    if (index >= 0 && index < files_.size())
        files_.removeAt(index);
}

QString CRecentFileList::MenuText(int index) const {
    QString shown = ShortPath(files_.value(index));
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

void CRecentFileList::ReadList(const platform::ProfileStore& store) {
    files_.clear();
    for (int i = 0; i < size_; ++i) {
        const QString path = store.GetString(kSection, Key(i), QString());
        if (!path.isEmpty())
            files_.append(path);
    }
}

void CRecentFileList::WriteList(platform::ProfileStore& store) const {
    for (int i = 0; i < size_; ++i)
        store.WriteString(kSection, Key(i), files_.value(i));
}

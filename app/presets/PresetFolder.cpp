#include "app/presets/PresetFolder.h"

#include "core/version/VersionInfo.h"
#include "platform/paths/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace presets {

QString PresetFolder(const QString& subfolder) {
    const QString common = platform::CommonDataFolder();
    if (common.isEmpty())
        return {};
    const QString folder = common + QLatin1String(vespera::kApplicationTitle) + u'/' + subfolder + u'/';
    return QDir().mkpath(folder) ? folder : QString();
}

namespace {

// The title of `fileName` when it names a preset of `ext`, else empty.
QString TitleOf(const QString& fileName, const QString& ext) {
    const QString suffix = u'.' + ext;
    if (fileName.size() <= suffix.size() || !fileName.endsWith(suffix, Qt::CaseInsensitive))
        return {};
    return fileName.left(fileName.size() - suffix.size());
}

}  // namespace

std::vector<PresetEntry> ListPresets(const QString& folder, const QString& ext) {
    std::vector<PresetEntry> entries;
    if (folder.isEmpty())
        return entries;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        const QString title = TitleOf(name, ext);
        if (!title.isEmpty())
            entries.push_back({title, name});
    }
    std::sort(entries.begin(), entries.end(), [](const PresetEntry& a, const PresetEntry& b) {
        const int c = a.title.compare(b.title, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.title < b.title;
    });
    return entries;
}

bool HasPresets(const QString& folder, const QString& ext) {
    if (folder.isEmpty())
        return false;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (!TitleOf(it.fileName(), ext).isEmpty())
            return true;
    }
    return false;
}

const PresetEntry* FindPreset(const std::vector<PresetEntry>& entries, const QString& name) {
    auto exact = std::find_if(entries.begin(), entries.end(), [&](const PresetEntry& e) { return e.title == name; });
    if (exact != entries.end())
        return &*exact;
    auto loose = std::find_if(entries.begin(), entries.end(),
                              [&](const PresetEntry& e) { return e.title.compare(name, Qt::CaseInsensitive) == 0; });
    return loose != entries.end() ? &*loose : nullptr;
}

bool IsValidPresetName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(u'/') &&
           !name.contains(QChar(u'\0'));
}

}  // namespace presets

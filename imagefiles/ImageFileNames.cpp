#include "imagefiles/ImageFileNames.h"
#include "platform/files/RegularFile.h"

#include "platform/paths/Paths.h"

#include <initializer_list>

namespace {

bool IsExtension(const QString& ext, QStringView wanted) { return ext.compare(wanted, Qt::CaseInsensitive) == 0; }

bool IsPhotographWithNotes(const QString& ext) {
    const QString canonical = CanonicalImageExtension(ext);
    return canonical == u".jpg" || canonical == u".tif";
}

// The path of an existing file dir + name + ext in one of the usual letter
// cases, or an empty string.
QString FindCompanion(const QString& dir, const QString& name, QStringView lowerExt) {
    const QString lower = lowerExt.toString();
    const QString upper = lower.toUpper();
    const QString title = upper.left(2) + lower.mid(2);  // ".Wav"
    for (const QString& stem : {name, name.toLower(), name.toUpper()}) {
        for (const QString& ext : {lower, upper, title}) {
            const QString candidate = dir + stem + ext;
            if (platform::KindOfFile(candidate) == platform::FileKind::Regular)
                return candidate;
        }
    }
    return {};
}

}  // namespace

QString CanonicalImageExtension(const QString& ext) {
    const QString lower = ext.toLower();
    if (lower == u".jpeg")
        return QStringLiteral(".jpg");
    if (lower == u".tiff")
        return QStringLiteral(".tif");
    return lower;
}

bool IsSupportedImageExtension(const QString& path) {
    const QString ext = CanonicalImageExtension(platform::SplitPath(path).ext);
    if (ext.size() < 4)
        return false;
    for (QStringView entry : QStringView(g_strImageExtensions).split(u';')) {
        if (entry == ext)
            return true;
    }
    return false;
}

bool HasSoundNote(const QString& imagePath) {
    const platform::PathParts parts = platform::SplitPath(imagePath);
    if (!IsPhotographWithNotes(parts.ext))
        return false;
    return !FindCompanion(parts.drive + parts.dir, parts.name, u".wav").isEmpty();
}

bool GetSoundNotePath(const QString& imagePath, QString& notePath) {
    if (!IsSupportedImageExtension(imagePath))
        return false;
    const platform::PathParts parts = platform::SplitPath(imagePath);
    if (!IsPhotographWithNotes(parts.ext))
        return false;
    const QString found = FindCompanion(parts.drive + parts.dir, parts.name, u".wav");
    notePath = found.isEmpty() ? parts.drive + parts.dir + parts.name + QStringLiteral(".wav") : found;
    return !found.isEmpty();
}

bool IsWavFile(const QString& path) { return IsExtension(platform::SplitPath(path).ext, u".WAV"); }

bool IsSoundNoteOfImage(const QString& wavPath) {
    const platform::PathParts parts = platform::SplitPath(wavPath);
    const QString dir = parts.drive + parts.dir;
    // A JPEG first, then a TIFF, each under either spelling of its extension.
    for (QStringView ext : {u".jpg", u".jpeg", u".tif", u".tiff"}) {
        if (!FindCompanion(dir, parts.name, ext).isEmpty())
            return true;
    }
    return false;
}

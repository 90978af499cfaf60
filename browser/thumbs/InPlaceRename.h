#pragma once
// The file part of the in-place rename: the check of the typed name and the
// rename of a picture with its sound note.
//
// The typed name is the new name without folder and extension; the file
// keeps its extension. Names are compared exactly: a change of letter case
// alone is a rename. The rename never replaces an existing file.

#include <QString>
#include <QStringList>

#include <optional>

// The longest file name the file systems take, in bytes.
inline constexpr int kMaxFileNameBytes = 255;

// Why `typedName` cannot be the new name of a file with extension `ext`
// (".jpg", or empty): '/', NUL, ".", "..", an empty name, or a name with the
// extension longer than 255 bytes. Nothing when it can.
std::optional<QString> RefusedNameReason(const QString& typedName, const QString& ext);

struct RenameResult {
    bool renamed = false;  // the picture has its new name
    QString newPath;       // its new full path
    // Old and new paths of what was renamed: the picture, then its sound
    // note when that followed.
    QStringList oldPaths;
    QStringList newPaths;
};

// Renames `oldPath` to `typedName` with its extension, then its sound note
// (".wav" beside a ".jpg" or ".tif") to the same name with the note's own
// extension. A refused name or a failure is shown to the user and renames
// nothing; a note whose rename fails keeps its name and is left out of the
// result. The same name as before renames nothing and shows nothing.
RenameResult RenameWithSoundNote(const QString& oldPath, const QString& typedName);

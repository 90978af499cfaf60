#include "browser/thumbs/InPlaceRename.h"
#include "platform/files/LocalFileName.h"

#include "imagefiles/ImageFileNames.h"
#include "imagefiles/ShellFileOps.h"
#include "platform/paths/Paths.h"
#include "platform/prompt/Prompt.h"
#include "platform/shellfiles/ShellFiles.h"

std::optional<QString> RefusedNameReason(const QString& typedName, const QString& ext) {
    if (!platform::IsValidFileName(typedName))
        return QStringLiteral("\"%1\" is not a valid file name.").arg(typedName);
    if (platform::LocalFileName(typedName + ext).size() > kMaxFileNameBytes)
        return QStringLiteral("The name \"%1\" is too long.").arg(typedName);
    return std::nullopt;
}

RenameResult RenameWithSoundNote(const QString& oldPath, const QString& typedName) {
    RenameResult result;
    const platform::PathParts parts = platform::SplitPath(oldPath);
    if (typedName == parts.name)
        return result;
    if (const std::optional<QString> reason = RefusedNameReason(typedName, parts.ext)) {
        platform::Ask(platform::PromptIcon::Error, platform::PromptButtons::Ok, *reason);
        return result;
    }

    QString notePath;
    const bool hasNote = GetSoundNotePath(oldPath, notePath);
    QString newPath = typedName;
    if (!RenameFileKeepExtension(oldPath, newPath))
        return result;
    result.renamed = true;
    result.newPath = newPath;
    result.oldPaths.append(oldPath);
    result.newPaths.append(newPath);

    QString newNotePath = typedName;
    if (hasNote && RenameFileKeepExtension(notePath, newNotePath)) {
        result.oldPaths.append(notePath);
        result.newPaths.append(newNotePath);
    }
    return result;
}

#include "imagefiles/ShellFileOps.h"
#include "platform/files/RegularFile.h"

#include "platform/paths/Paths.h"
#include "platform/prompt/Prompt.h"
#include "platform/shellfiles/ShellFiles.h"

bool ShellFileOperation(unsigned wFunc, const QStringList& files, const QString& destination,
                        bool noRenameOnCollision) {
    QStringList existing;
    for (const QString& file : files) {
        if (platform::KindOfFile(file) != platform::FileKind::Missing)
            existing.append(file);
    }
    platform::FileOpOutcome outcome;
    switch (wFunc) {
    case FO_MOVE:
    case FO_COPY:
        outcome = platform::CopyOrMoveItems(wFunc == FO_MOVE ? platform::FileOpKind::Move : platform::FileOpKind::Copy,
                                            existing, destination, !noRenameOnCollision);
        break;
    case FO_DELETE:
        outcome = platform::DeleteItems(existing);
        break;
    default:
        return false;
    }
    return outcome.succeeded && !outcome.aborted;
}

bool RenameFileKeepExtension(const QString& oldPath, QString& newName) {
    const platform::PathParts parts = platform::SplitPath(oldPath);
    const QString bareName = newName;
    newName = parts.drive + parts.dir + bareName + parts.ext;
    if (!platform::IsValidFileName(bareName) || !platform::IsValidFileName(bareName + parts.ext)) {
        platform::Ask(platform::PromptIcon::Error, platform::PromptButtons::Ok,
                      QStringLiteral("\"%1\" is not a valid file name.").arg(bareName));
        return false;
    }
    switch (platform::RenameNoReplace(oldPath, newName)) {
    case platform::RenameStatus::Renamed:
        return true;
    case platform::RenameStatus::TargetExists:
        platform::Ask(platform::PromptIcon::Error, platform::PromptButtons::Ok,
                      QStringLiteral("Can't rename \"%1\": \"%2\" already exists.").arg(oldPath, newName));
        return false;
    case platform::RenameStatus::InvalidName:
    case platform::RenameStatus::Failed:
        break;
    }
    platform::Ask(platform::PromptIcon::Error, platform::PromptButtons::Ok,
                  QStringLiteral("Can't rename \"%1\" to \"%2\".").arg(oldPath, newName));
    return false;
}

void FileOperationHook(int /*begin*/) {}

#include "platform/shellfiles/ShellFiles.h"

#include "platform/files/LocalFileCalls.h"
#include "platform/files/LocalFileName.h"
#include "platform/prompt/Prompt.h"
#include "platform/shellfiles/Trash.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace platform {

namespace fs = std::filesystem;

namespace {

fs::path ToPath(const QString& path) { return fs::path(platform::LocalFileName(path).toStdString()); }

QString FromPath(const fs::path& path) { return platform::FileNameFromLocal(QByteArray::fromStdString(path.native())); }

QString Describe(const std::error_code& error) { return QString::fromLocal8Bit(error.message().c_str()); }

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

void ShowError(const QString& text) { Ask(PromptIcon::Error, PromptButtons::Ok, text); }

// An error of the destination's or the source's file system as a whole
// (full, over quota, read-only, failing, or a file-size limit): every later
// item would meet it too.
bool FailsEveryLaterItem(const std::error_code& error) {
    switch (error.value()) {
    case ENOSPC:
    case EDQUOT:
    case EROFS:
    case EIO:
    case EFBIG:
        return true;
    default:
        return false;
    }
}

// How a run over several items goes on after one of them failed.
class FailureReport {
public:
    // Shows why the item failed and tells whether the run goes on. An
    // error that every later item would meet as well ends the run after
    // its one message; another lets the user skip the item, skip every
    // later failure as well, or stop, as long as items are left.
    bool GoOn(const QString& text, bool failsEveryLaterItem, bool itemsLeft) {
        if (failsEveryLaterItem || !itemsLeft) {
            ShowError(text);
            return !failsEveryLaterItem;
        }
        if (skipAll_)
            return true;
        switch (Ask(PromptIcon::Error, PromptButtons::SkipSkipAllCancel, text)) {
        case PromptAnswer::SkipAll:
            skipAll_ = true;
            return true;
        case PromptAnswer::Skip:
            return true;
        default:
            stopped_ = true;
            return false;
        }
    }
    // The user chose to stop.
    bool Stopped() const { return stopped_; }

private:
    bool skipAll_ = false;
    bool stopped_ = false;
};

bool Confirm(PromptIcon icon, const QString& text) {
    return Ask(icon, PromptButtons::YesNo, text) == PromptAnswer::Yes;
}

// A new, unused entry name in `folder` for a copy in progress.
fs::path TemporaryPath(const fs::path& folder, bool directory, std::error_code& error) {
    std::string pattern = (folder / ".vespera-copy-XXXXXX").native();
    if (directory) {
        if (::mkdtemp(pattern.data()) == nullptr)
            error.assign(errno, std::generic_category());
    } else {
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            error.assign(errno, std::generic_category());
        } else {
            ::close(fd);
        }
    }
    return pattern;
}

std::error_code LastError() { return std::error_code(errno, std::generic_category()); }

// Copies the bytes of the regular file `source` into the existing file
// `target`, reporting the cause of a failure as the system gives it (the
// standard library's copy_file turns a short copy into EIO).
std::error_code CopyFileBytes(const fs::path& source, const fs::path& target) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return LastError();
    const int out = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (out < 0) {
        const std::error_code error = LastError();
        ::close(in);
        return error;
    }
    constexpr std::size_t kBlock = 1 << 20;
    std::vector<char> block(kBlock);
    std::error_code error;
    for (;;) {
        const ssize_t got = ::read(in, block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = LastError();
            break;
        }
        if (got == 0)
            break;
        error = WriteAll(out, block.data(), static_cast<std::size_t>(got));
        if (error)
            break;
    }
    ::close(in);
    // A network file system may report a failed write only at close.
    if (::close(out) != 0 && !error)
        error = LastError();
    return error;
}

// Copies a regular file with its modification time into `target`, which
// exists (empty).
std::error_code CopyRegularFile(const fs::path& source, const fs::path& target) {
    std::error_code error = CopyFileBytes(source, target);
    if (error)
        return error;
    const fs::file_time_type modified = fs::last_write_time(source, error);
    if (!error)
        fs::last_write_time(target, modified, error);
    return error;
}

// Copies the entries of the folder `source` into the existing folder
// `target`, folders whole and links as links.
std::error_code CopyFolderEntries(const fs::path& source, const fs::path& target) {
    std::error_code error;
    for (fs::directory_iterator it(source, error), end; !error && it != end; it.increment(error)) {
        const fs::path from = it->path();
        const fs::path to = target / from.filename();
        const fs::file_status status = fs::symlink_status(from, error);
        if (error)
            break;
        if (fs::is_symlink(status)) {
            fs::copy_symlink(from, to, error);
        } else if (fs::is_directory(status)) {
            if (fs::create_directory(to, error); !error)
                error = CopyFolderEntries(from, to);
            if (!error)
                fs::permissions(to, status.permissions(), error);
        } else if (fs::is_regular_file(status)) {
            if (const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); fd < 0) {
                error = LastError();
            } else {
                ::close(fd);
                error = CopyRegularFile(from, to);
            }
            if (!error)
                fs::permissions(to, status.permissions(), error);
        } else {
            fs::copy(from, to, error);  // a pipe or a device node: made anew, never read
        }
        if (error)
            break;
    }
    return error;
}

// Copies `source` (file, folder or link) to a temporary entry in `folder`.
// A failed copy leaves nothing behind.
fs::path CopyToTemporary(const fs::path& source, const fs::path& folder, std::error_code& error) {
    const fs::file_status status = fs::symlink_status(source, error);
    if (error)
        return {};
    const bool directory = fs::is_directory(status);
    fs::path temporary = TemporaryPath(folder, directory, error);
    if (error)
        return {};
    if (fs::is_symlink(status)) {
        fs::remove(temporary, error);
        if (!error)
            fs::copy_symlink(source, temporary, error);
    } else if (directory) {
        error = CopyFolderEntries(source, temporary);
    } else {
        error = CopyRegularFile(source, temporary);
    }
    if (!error && !fs::is_symlink(status))
        fs::permissions(temporary, status.permissions(), error);
    if (error) {
        std::error_code ignored;
        fs::remove_all(temporary, ignored);
        return {};
    }
    return temporary;
}

// The place of `source` inside `folder`, decided with the user: empty when
// the item is skipped, because the user declined or for the reason in
// `error`. `replace` tells that an existing entry is replaced.
struct Placement {
    fs::path target;
    bool replace = false;
    bool declined = false;
    QString error;
};

Placement PlaceItem(const fs::path& source, const fs::path& folder, bool renameOnCollision, const QString& verb) {
    Placement place;
    const QString name = FromPath(source.filename());
    place.target = folder / source.filename();
    if (!Exists(place.target))
        return place;

    std::error_code error;
    const bool sameEntry = fs::equivalent(source, place.target, error);
    if (renameOnCollision) {
        const QString free = CollisionFreeName(FromPath(folder), name);
        if (free.isEmpty()) {
            place.error =
                QStringLiteral("Can't %1 \"%2\": no free name is left in \"%3\".").arg(verb, name, FromPath(folder));
            place.target.clear();
            return place;
        }
        place.target = folder / ToPath(free);
        return place;
    }
    if (sameEntry) {
        place.error = QStringLiteral("Can't %1 \"%2\": the source and the destination are the same.").arg(verb, name);
        place.target.clear();
        return place;
    }
    if (!Confirm(PromptIcon::Question,
                 QStringLiteral("\"%1\" already exists in \"%2\". Replace it?").arg(name, FromPath(folder)))) {
        place.target.clear();
        place.declined = true;
        return place;
    }
    place.replace = true;
    return place;
}

// Renames `from` to the place's target, replacing only what the user agreed
// to replace.
std::error_code RenameInto(const fs::path& from, const Placement& place) {
    std::error_code error;
    if (place.replace) {
        fs::rename(from, place.target, error);
    } else if (const int code = RenameLocalNoReplace(from.c_str(), place.target.c_str()); code != 0) {
        error.assign(code, std::generic_category());
    }
    return error;
}

// Puts a finished temporary copy at `place`; a name taken meanwhile is
// never replaced unless the user said so.
std::error_code Finish(const fs::path& temporary, const Placement& place) {
    const std::error_code error = RenameInto(temporary, place);
    if (error) {
        std::error_code ignored;
        fs::remove_all(temporary, ignored);
    }
    return error;
}

std::error_code CopyItem(const fs::path& source, const Placement& place) {
    std::error_code error;
    const fs::path temporary = CopyToTemporary(source, place.target.parent_path(), error);
    if (error)
        return error;
    return Finish(temporary, place);
}

std::error_code MoveItem(const fs::path& source, const Placement& place) {
    std::error_code error = RenameInto(source, place);
    if (error.value() != EXDEV)
        return error;
    // Another file system: copy, then delete the source once the copy is in place.
    error = CopyItem(source, place);
    if (error)
        return error;
    fs::remove_all(source, error);
    return error;
}

// The item lies inside the folder (or is it): copying or moving a folder
// into itself never ends.
bool IsSelfOrAncestor(const fs::path& item, const fs::path& folder) {
    std::error_code error;
    const fs::path a = fs::weakly_canonical(item, error);
    const fs::path b = fs::weakly_canonical(folder, error);
    if (error)
        return false;
    auto ai = a.begin();
    auto bi = b.begin();
    for (; ai != a.end(); ++ai, ++bi) {
        if (bi == b.end() || *ai != *bi)
            return false;
    }
    return true;
}

bool EnsureDestination(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    if (Exists(folder)) {
        ShowError(QStringLiteral("\"%1\" is not a folder.").arg(FromPath(folder)));
        return false;
    }
    if (!Confirm(PromptIcon::Question,
                 QStringLiteral("The folder \"%1\" does not exist. Create it?").arg(FromPath(folder)))) {
        return false;
    }
    fs::create_directories(folder, error);
    if (error) {
        ShowError(QStringLiteral("Can't create the folder \"%1\": %2").arg(FromPath(folder), Describe(error)));
        return false;
    }
    return true;
}

// What became of one item of a copy or a move.
struct ItemOutcome {
    QString failure;        // the message of a failure; empty when none
    std::error_code error;  // the system's error behind it, if any
    bool declined = false;  // the user refused to replace an existing item
};

ItemOutcome CopyOrMoveItem(const QString& item, const fs::path& folder, bool move, bool renameOnCollision) {
    const QString verb = move ? QStringLiteral("move") : QStringLiteral("copy");
    ItemOutcome outcome;
    // "/photos/album/" names the folder album.
    fs::path source = ToPath(item).lexically_normal();
    if (!source.has_filename())
        source = source.parent_path();
    if (!source.has_filename()) {
        outcome.failure = QStringLiteral("Can't %1 \"%2\".").arg(verb, item);
        return outcome;
    }
    if (IsSelfOrAncestor(source, folder)) {
        outcome.failure = QStringLiteral("Can't %1 \"%2\" into itself.").arg(verb, item);
        return outcome;
    }
    std::error_code sameFolderError;
    if (move && fs::equivalent(source.parent_path(), folder, sameFolderError))
        return outcome;  // moving an item into the folder that holds it changes nothing
    const Placement place = PlaceItem(source, folder, renameOnCollision, verb);
    if (place.target.empty()) {
        outcome.failure = place.error;
        outcome.declined = place.declined;
        return outcome;
    }
    outcome.error = move ? MoveItem(source, place) : CopyItem(source, place);
    if (outcome.error)
        outcome.failure = QStringLiteral("Can't %1 \"%2\": %3").arg(verb, item, Describe(outcome.error));
    return outcome;
}

}  // namespace

bool IsValidFileName(const QString& name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') && !name.contains(QChar(0));
}

QString CollisionFreeName(const QString& folder, const QString& fileName) {
    const fs::path base = ToPath(folder);
    if (!Exists(base / ToPath(fileName)))
        return fileName;
    for (int n = 2; n <= kMaxCollisionNumber; ++n) {
        const QString candidate = NumberedFileName(fileName, n);
        if (!Exists(base / ToPath(candidate)))
            return candidate;
    }
    return {};
}

QString NumberedFileName(const QString& fileName, int n) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString stem = dot > 0 ? fileName.left(dot) : fileName;
    const QString ext = dot > 0 ? fileName.mid(dot) : QString();
    return QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(ext);
}

RenameStatus RenameNoReplace(const QString& from, const QString& to) {
    const qsizetype slash = to.lastIndexOf(u'/');
    if (!IsValidFileName(to.mid(slash + 1)) || from.isEmpty())
        return RenameStatus::InvalidName;
    const int code = RenameLocalNoReplace(ToPath(from).c_str(), ToPath(to).c_str());
    if (code == 0)
        return RenameStatus::Renamed;
    return code == EEXIST || code == ENOTEMPTY ? RenameStatus::TargetExists : RenameStatus::Failed;
}

FileOpOutcome CopyOrMoveItems(FileOpKind kind, const QStringList& sources, const QString& destinationFolder,
                              bool renameOnCollision) {
    FileOpOutcome outcome;
    if (sources.isEmpty())
        return outcome;
    const fs::path folder = ToPath(destinationFolder);
    if (!EnsureDestination(folder)) {
        outcome.succeeded = false;
        outcome.aborted = true;
        return outcome;
    }
    const bool move = kind == FileOpKind::Move;
    ProgressWindow progress(move ? QStringLiteral("Moving...") : QStringLiteral("Copying..."),
                            static_cast<int>(sources.size()));
    FailureReport report;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const QString& item = sources[i];
        if (!progress.Advance(static_cast<int>(i), item)) {
            outcome.aborted = true;
            break;
        }
        const ItemOutcome done = CopyOrMoveItem(item, folder, move, renameOnCollision);
        outcome.aborted = outcome.aborted || done.declined;
        if (done.failure.isEmpty())
            continue;
        outcome.succeeded = false;
        if (!report.GoOn(done.failure, FailsEveryLaterItem(done.error), i + 1 < sources.size())) {
            outcome.aborted = outcome.aborted || report.Stopped();
            break;
        }
    }
    return outcome;
}

FileOpOutcome DeleteItems(const QStringList& sources) {
    FileOpOutcome outcome;
    if (sources.isEmpty())
        return outcome;
    const QString question = sources.size() == 1
                                 ? QStringLiteral("Move \"%1\" to the trash?").arg(sources.front())
                                 : QStringLiteral("Move these %1 items to the trash?").arg(sources.size());
    if (!Confirm(PromptIcon::Question, question)) {
        outcome.aborted = true;
        return outcome;
    }
    ProgressWindow progress(QStringLiteral("Moving to the trash..."), static_cast<int>(sources.size()));
    FailureReport report;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        const QString& item = sources[i];
        if (!progress.Advance(static_cast<int>(i), item)) {
            outcome.aborted = true;
            break;
        }
        TrashedItem placed;
        const std::error_code trashError = MoveToTrash(LocalFilePath(item), placed);
        if (!trashError)
            continue;
        if (!Confirm(PromptIcon::Warning, QStringLiteral("\"%1\" can't be moved to the trash: %2. Delete it for good?")
                                              .arg(item, Describe(trashError)))) {
            outcome.aborted = true;
            continue;
        }
        std::error_code error;
        fs::remove_all(ToPath(item), error);
        if (!error)
            continue;
        outcome.succeeded = false;
        if (!report.GoOn(QStringLiteral("Can't delete \"%1\": %2").arg(item, Describe(error)),
                         FailsEveryLaterItem(error), i + 1 < sources.size())) {
            outcome.aborted = outcome.aborted || report.Stopped();
            break;
        }
    }
    return outcome;
}

}  // namespace platform

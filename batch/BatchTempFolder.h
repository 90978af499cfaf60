#pragma once
// The hidden folder an output is made in before it is put in place:
// ".vespera-batch-<pid>-XXXXXX" beside the output, named after the run's
// process (a name without an image extension, so browsers and thumbnail
// builders pass it by).
//
// Each folder holds a lock file, "lock", that its run keeps locked (flock)
// for as long as it uses the folder. The lock goes with the process, so a
// folder whose lock is free belongs to a run that was killed or crashed, and
// any later run may remove it; a folder with a held lock is never touched.
// The lock file is locked before it gets its name, so a folder without one
// is one being made or being removed: it is left alone unless the process
// its name gives is gone or it has not changed for
// kUnlockedFolderGraceSeconds.

#include <QString>

#include <cstdint>

inline constexpr char kBatchTempPrefix[] = ".vespera-batch-";
inline constexpr char kBatchLockName[] = "lock";
// How long a temporary folder without a lock file may stay unchanged before
// it counts as left behind.
inline constexpr std::int64_t kUnlockedFolderGraceSeconds = 600;

class BatchTempFolder {
public:
    // Makes and locks a fresh folder in `parent` (a folder path ending with
    // '/'); check IsValid.
    explicit BatchTempFolder(const QString& parent);
    // Removes the folder with the files in it.
    ~BatchTempFolder();
    BatchTempFolder(const BatchTempFolder&) = delete;
    BatchTempFolder& operator=(const BatchTempFolder&) = delete;

    bool IsValid() const { return !path_.isEmpty(); }
    // The folder, without a trailing '/'; empty when none could be made.
    const QString& Path() const { return path_; }
    // Why no folder could be made (the system's text).
    const QString& Failure() const { return failure_; }

private:
    QString path_;
    int lock_ = -1;
    QString failure_;
};

// Removes every temporary folder in `folder` whose run is gone, with its
// files; returns how many it removed. Only real folders of this user are
// looked at, never links.
int RemoveStaleBatchFolders(const QString& folder);

#pragma once
// A file written whole or not at all, by the bytes of its name. What is
// written goes into a file of its own beside the destination (unnamed where
// the file system allows it, else under a hidden temporary name) and takes
// the destination's name only at Commit, when it is complete and on disk; a
// failed, cancelled or abandoned write leaves the destination as it was and
// nothing beside it.
//
// It stands where QSaveFile would: QSaveFile encodes its name as UTF-8 and
// cannot reach a name (or a folder) whose bytes are not.

#include <QString>

#include <cstddef>
#include <string>

namespace platform {

class LocalSaveFile {
public:
    // `path`: the destination's bytes, as LocalFilePath gives them.
    explicit LocalSaveFile(std::string path);
    ~LocalSaveFile();  // cancels what was not committed
    LocalSaveFile(const LocalSaveFile&) = delete;
    LocalSaveFile& operator=(const LocalSaveFile&) = delete;

    // Makes the file that is written. An existing destination's permissions
    // are kept; a new one gets those the process's umask leaves of 0666.
    bool Open();
    // Writes every byte, unbuffered: a short write goes on with the rest,
    // so that a full disk or a file size limit gives its own error.
    bool Write(const char* bytes, std::size_t size);
    // Puts the file in place of the destination.
    bool Commit();
    // Drops what was written.
    void Cancel();

    // Why the last call failed, in the system's words ("No space left on
    // device", "File too large").
    QString ErrorString() const { return error_; }

private:
    bool Fail(int error);
    bool OpenNamedTemporary();
    bool LinkIntoFolder();

    std::string path_;
    std::string temporary_;  // the hidden name, once there is one
    int fd_ = -1;
    QString error_;
};

}  // namespace platform

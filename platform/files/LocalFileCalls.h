#pragma once
// Two of the system's file calls made whole: a rename that never replaces
// what lies at the new name, and a write of every byte given. Names are as
// the kernel keeps them (bytes); a failure comes back as its errno, so that
// a message can say what the system said.

#include <cstddef>
#include <system_error>

namespace platform {

// Renames `from` to `to` unless an entry named `to` exists: renameat2 with
// RENAME_NOREPLACE, and where the file system lacks that, a hard link and an
// unlink for what is not a folder (a link cannot replace either). 0 when
// renamed, else the errno of the failure (EEXIST or ENOTEMPTY when the name
// is taken); nothing is changed then.
int RenameLocalNoReplace(const char* from, const char* to);

// Writes all of `size` bytes to `fd`. A short write is retried for the
// rest, so that a full disk or a file-size limit gives its own error
// (ENOSPC, EFBIG) rather than a bare short count.
std::error_code WriteAll(int fd, const char* bytes, std::size_t size);

}  // namespace platform

#pragma once
// Writing a file so that a failure never damages what was there: the new
// contents go to a temporary file in the target's folder, which replaces the
// target only once it is complete and on disk.

#include <filesystem>
#include <functional>

// Calls write with the path of a fresh, empty temporary file beside target
// (same folder, so the final rename stays on one file system). When write
// returns true and the file reached the disk, it is renamed over target
// (a symbolic link is followed, so the file it names is replaced); the new
// file gets the old target's permissions, or the usual ones for a new file.
// Otherwise the temporary file is removed and target is left as it was.
// Returns whether target now holds the new contents. write may throw; the
// temporary file is removed and the exception passed on.
bool WriteFileSafely(const std::filesystem::path& target,
                     const std::function<bool(const std::filesystem::path& temporary)>& write);

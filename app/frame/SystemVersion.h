#pragma once
// The system's version figures that the start-up records.

#include <QString>

#include <cstdint>

// The version code of the system the program runs on (12 and above: shell
// libraries are available). This system always has the program's own
// libraries, so the code is that of the first system that had them. True
// when a code was given.
bool GetWindowsVersion(unsigned* code);

// The high half of a file's version, major << 16 | minor: the program's own
// version for its executable (an empty path names it), 0 for every other
// file (no version information on this system).
std::uint32_t GetFileVersionMS(const QString& path);

#pragma once
// The system's version figures that the start-up records.

// The version code of the system the program runs on (12 and above: shell
// libraries are available). This system always has the program's own
// libraries, so the code is that of the first system that had them. True
// when a code was given.
bool GetWindowsVersion(unsigned* code);

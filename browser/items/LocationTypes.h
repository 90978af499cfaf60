#pragma once
// What a browser shows, and the type digit of a folder location text:
// a file-system folder, a list of files, or a library.

inline constexpr int kLocationFolder = 0;
inline constexpr int kLocationList = 1;
inline constexpr int kLocationLibrary = 2;

#pragma once
// The date a photograph was taken, from its EXIF date tags.

#include <cstddef>
#include <ctime>
#include <filesystem>

// The shot date of a ".JPG", ".TIF", ".TIFF" or ".DNG" file (any letter
// case): the first non-empty of DateTimeOriginal (36867), DateTimeDigitized
// (36868) and DateTime (306), as local time. False when the file has none,
// cannot be read or the text is not a valid date; never throws.
bool GetShotDate(const std::filesystem::path& path, std::time_t& shotDate);

// Parses an EXIF date text of length bytes (not necessarily terminated) of
// the form "YYYY:MM:DD hh:mm:ss" into local time (daylight saving decided by
// the C library; a day past the month's end rolls over). Years 1970..3000,
// months 1..12, days 1..31, hours 0..23, minutes and seconds 0..59.
bool ParseShotDateText(const char* text, std::size_t length, std::time_t& shotDate);

#pragma once
// The file information of a browser item, read once on first need: size,
// creation, modification and access times, and the shot date of the EXIF
// data. Information once loaded is never refreshed; the next listing makes
// new items.

#include <QString>

#include <cstdint>

class CItem;

// Fills the item's size and times once. A file that cannot be found leaves
// the item as it was (m_bInfoLoaded clear, so a later call tries again). The
// creation time is the file's birth time where the file system records one,
// else its modification time.
void LoadItemInfo(CItem& item);

// Determines the item's shot date once: the EXIF date, else the modification
// time.
void LoadItemShotDate(CItem& item);

// A byte count as the browser shows it: "%.2fKB", from 1000 KB on "%.2fMB",
// from 1000 MB on "%.2fGB".
QString FormatFileSizeText(std::uint64_t bytes);

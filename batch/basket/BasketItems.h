#pragma once
// The basket's operations on its items, apart from any window: each item's
// output settings from the resize settings and from the image's own header,
// adding files by drop, paste and the command line, removing the selected
// items, the click that gives the settings an item's own, the tooltip text,
// and loading and saving the basket as a batch file.
//
// UI thread only. The item list's lock is taken around every change, so a
// reader on another thread never sees a half-changed list.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class AppSettings;
class CItem;
class CITEMLIST;

// What the basket needs of an image: its size and horizontal resolution, read
// from the file's header without decoding the pixels.
struct ItemImageFacts {
    std::int64_t width = 0;
    std::int64_t height = 0;
    double dpi = 0.0;
};

// The facts of the image at `path`; nothing when the file is not an image the
// program can read.
std::optional<ItemImageFacts> ReadItemImageFacts(const QString& path);

// Sets an item's output size, resolution, algorithm and correction.
//   keepOwnSize: the image's size and resolution (kept as they were when the
//     image cannot be read);
//   else, in percent (both percentages above 0): the image's sides scaled,
//     rounded and brought into the output's range (0 x 0 for an image that
//     cannot be read); in pixels: the settings' size, fitted inside it with
//     the image's aspect for "Keep aspect" (products in 64 bits); and the
//     settings' resolution.
// The algorithm and correction always come from the settings.
void ComputeItemSize(CItem& item, bool keepOwnSize, const AppSettings& settings,
                     const std::optional<ItemImageFacts>& facts);
// The same with the facts read from the item's file.
void ComputeItemSize(CItem& item, bool keepOwnSize, const AppSettings& settings);

// ComputeItemSize without keeping own sizes, for every item or the selected ones.
void ApplySettingsToAll(CITEMLIST& items, const AppSettings& settings);
void ApplySettingsToSelected(CITEMLIST& items, const AppSettings& settings);

// What adding a file does besides appending its item: the immediate
// thumbnail load (none: no thumbnail).
using LoadItemThumbnail = std::function<void(const QString& path)>;

// Drop and paste: appends an item per path, in order, paths kept whole. A
// path already in the basket (letter case ignored) asks whether to add a
// second copy; No skips it. New items get the settings' size with "Apply to
// new" on, else their own. Returns how many were added.
int AddBasketFiles(CITEMLIST& items, const QStringList& paths, const AppSettings& settings,
                   const LoadItemThumbnail& loadThumbnail = {});

// The command line: replaces the basket with an item per path whose file
// exists (others are dropped silently), sized as added files are.
void ReplaceBasketFiles(CITEMLIST& items, const QStringList& paths, const AppSettings& settings);

// Deletes the selected items; returns how many.
int RemoveSelectedItems(CITEMLIST& items);

// The click on an item: an item that has been sized and whose values are in
// their ranges gives the settings its size, resolution, algorithm and
// correction. False (settings untouched) for an item never sized (0 x 0) or
// with a value no setting may take (only a damaged batch file brings one).
bool ApplyItemSettings(const CItem& item, AppSettings& settings);

// "Resize to: %dx%d\nResolution: %g DPI\n%s" for the index-th item; empty
// beyond the list.
QString BasketToolTipText(const CITEMLIST& items, int index);

// The empty basket's hint, "Drag'n'drop images into this area".
QString BasketEmptyHint();

// Loading a batch file: the whole file is read and checked first; a file that
// cannot be read gives the system's reason and one that is not a batch file
// or is damaged "Wrong file!", and the basket is unchanged (false). Else the
// basket holds the file's items whose files exist, in file order, none
// selected (true).
bool LoadBatchFileInto(CITEMLIST& items, const QString& path, const AppSettings& settings);
// Saving: every item in list order; a file that cannot be written gives the
// system's reason (false) and keeps what it held.
bool SaveBatchFileFrom(const CITEMLIST& items, const QString& path);

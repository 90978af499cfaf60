#pragma once
// The ten sort orders of the thumbnail browsers. Every order is ascending.
//
//   0 file name with extension     ties: equal
//   1 creation time                ties: full paths
//   2 modification time            ties: full paths
//   3 shot date                    ties: the name order
//   4 extension (with its dot)     ties: full paths
//   5 image width << 16 | height   ties: equal
//   6 image width                  ties: equal
//   7 image height                 ties: equal
//   8 file size                    ties: full paths
//   9 file title (no extension)    ties: full paths
//
// Texts compare case-insensitively by their lower-case fold, code unit by
// code unit (so '_' sorts before the letters). The image sizes are those of
// the item's cached thumbnail cell, 0 without one.
//
// Sorting first computes each item's key once (file information, shot dates
// and cache lookups included), then sorts (key, item) pairs: the comparison
// reads nothing but the keys, so keys cannot change under the sort. Items
// with equal keys keep their order.

#include <QString>

#include <cstdint>
#include <functional>

#include "browser/cache/CacheArchives.h"

class CItem;
class CITEMLIST;

inline constexpr int kSortTypes = 10;

struct SortKey {
    QString text;       // the folded text of the text orders
    double number = 0;  // the number of the numeric orders
    QString tie;        // the folded tie-break text; equal keys when both are empty
};

using SortKeyCompare = int (*)(const SortKey& a, const SortKey& b);

int CompareByName(const SortKey& a, const SortKey& b);
int CompareByCreated(const SortKey& a, const SortKey& b);
int CompareByModified(const SortKey& a, const SortKey& b);
int CompareByShotDate(const SortKey& a, const SortKey& b);
int CompareByExtension(const SortKey& a, const SortKey& b);
int CompareByImageSize(const SortKey& a, const SortKey& b);
int CompareByWidth(const SortKey& a, const SortKey& b);
int CompareByHeight(const SortKey& a, const SortKey& b);
int CompareBySize(const SortKey& a, const SortKey& b);
int CompareByTitle(const SortKey& a, const SortKey& b);

// The comparison of a sort type 0..9; null for any other.
SortKeyCompare CompareFunctionOf(int type);

// Finds an item's cached cell (the browser's LookupThumb).
using ThumbLookup = std::function<bool(const QString& path, CellRef& cell)>;

// The key of one item for a sort type; loads the information the type needs.
SortKey MakeSortKey(int type, CItem& item, const ThumbLookup& lookup);

// Sorts the list by the type (0..9; another type changes nothing).
void SortItemList(CITEMLIST& items, int type, const ThumbLookup& lookup);
// Sorts with the keys of `keyType` and the comparison `compare`.
void SortItemList(CITEMLIST& items, int keyType, SortKeyCompare compare, const ThumbLookup& lookup);

// The lower-case fold the text orders compare.
QString FoldForSort(const QString& text);

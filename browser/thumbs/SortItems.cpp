#include "browser/thumbs/SortItems.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "browser/cells/ThumbCacheLock.h"
#include "browser/items/ItemList.h"
#include "browser/thumbs/ItemInfo.h"
#include "platform/paths/Paths.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareText(const QString& a, const QString& b) { return Sign(QString::compare(a, b, Qt::CaseSensitive)); }

int CompareNumber(double a, double b) { return (a > b) - (a < b); }

int WithTie(int primary, const SortKey& a, const SortKey& b) {
    return primary != 0 ? primary : CompareText(a.tie, b.tie);
}

// The image size of the cached cell, as unsigned values; 0 without a cell or
// before the cell knows the image.
struct CellSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

CellSize CachedImageSize(const QString& path, const ThumbLookup& lookup) {
    CellRef cell;
    if (!lookup || !lookup(path, cell) || !cell)
        return {};
    std::lock_guard lock(g_csThumbCache);
    return {static_cast<std::uint32_t>(std::max(0, cell->m_nImageWidth)),
            static_cast<std::uint32_t>(std::max(0, cell->m_nImageHeight))};
}

QString FileName(const QString& path) {
    const platform::PathParts parts = platform::SplitPath(path);
    return parts.name + parts.ext;
}

}  // namespace

QString FoldForSort(const QString& text) { return text.toLower(); }

int CompareByName(const SortKey& a, const SortKey& b) { return CompareText(a.text, b.text); }
int CompareByCreated(const SortKey& a, const SortKey& b) { return WithTie(CompareNumber(a.number, b.number), a, b); }
int CompareByModified(const SortKey& a, const SortKey& b) { return WithTie(CompareNumber(a.number, b.number), a, b); }
int CompareByShotDate(const SortKey& a, const SortKey& b) { return WithTie(CompareNumber(a.number, b.number), a, b); }
int CompareByExtension(const SortKey& a, const SortKey& b) { return WithTie(CompareText(a.text, b.text), a, b); }
int CompareByImageSize(const SortKey& a, const SortKey& b) { return CompareNumber(a.number, b.number); }
int CompareByWidth(const SortKey& a, const SortKey& b) { return CompareNumber(a.number, b.number); }
int CompareByHeight(const SortKey& a, const SortKey& b) { return CompareNumber(a.number, b.number); }
int CompareBySize(const SortKey& a, const SortKey& b) { return WithTie(CompareNumber(a.number, b.number), a, b); }
int CompareByTitle(const SortKey& a, const SortKey& b) { return WithTie(CompareText(a.text, b.text), a, b); }

SortKeyCompare CompareFunctionOf(int type) {
    static constexpr SortKeyCompare kCompare[kSortTypes] = {
        CompareByName,      CompareByCreated, CompareByModified, CompareByShotDate, CompareByExtension,
        CompareByImageSize, CompareByWidth,   CompareByHeight,   CompareBySize,     CompareByTitle};
    return type >= 0 && type < kSortTypes ? kCompare[type] : nullptr;
}

SortKey MakeSortKey(int type, CItem& item, const ThumbLookup& lookup) {
    SortKey key;
    const QString& path = item.m_strPath;
    switch (type) {
    case 0:
        key.text = FoldForSort(FileName(path));
        break;
    case 1:
        LoadItemInfo(item);
        key.number = static_cast<double>(item.m_timeCreated);
        key.tie = FoldForSort(path);
        break;
    case 2:
        LoadItemInfo(item);
        key.number = static_cast<double>(item.m_timeModified);
        key.tie = FoldForSort(path);
        break;
    case 3:
        LoadItemShotDate(item);
        key.number = static_cast<double>(item.m_timeShot);
        key.tie = FoldForSort(FileName(path));
        break;
    case 4:
        key.text = FoldForSort(platform::SplitPath(path).ext);
        key.tie = FoldForSort(path);
        break;
    case 5: {
        const CellSize size = CachedImageSize(path, lookup);
        key.number = static_cast<double>(((size.width & 0xFFFFu) << 16) | (size.height & 0xFFFFu));
        break;
    }
    case 6:
        key.number = CachedImageSize(path, lookup).width;
        break;
    case 7:
        key.number = CachedImageSize(path, lookup).height;
        break;
    case 8:
        LoadItemInfo(item);
        key.number = item.m_dFileSize;
        key.tie = FoldForSort(path);
        break;
    case 9:
        key.text = FoldForSort(platform::SplitPath(path).name);
        key.tie = FoldForSort(path);
        break;
    default:
        break;
    }
    return key;
}

void SortItemList(CITEMLIST& items, int keyType, SortKeyCompare compare, const ThumbLookup& lookup) {
    if (compare == nullptr || items.GetCount() < 2)
        return;
    std::vector<std::pair<SortKey, std::unique_ptr<CItem>>> keyed;
    keyed.reserve(items.GetCount());
    for (auto position = items.begin(); position != items.end();) {
        SortKey key = MakeSortKey(keyType, **position, lookup);
        auto next = std::next(position);
        keyed.emplace_back(std::move(key), items.Detach(position));
        position = next;
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [compare](const auto& a, const auto& b) { return compare(a.first, b.first) < 0; });
    for (auto& [key, item] : keyed)
        items.AddTail(std::move(item));
}

void SortItemList(CITEMLIST& items, int type, const ThumbLookup& lookup) {
    SortItemList(items, type, CompareFunctionOf(type), lookup);
}

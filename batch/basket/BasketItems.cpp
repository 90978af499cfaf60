#include "batch/basket/BasketItems.h"

#include <QStringList>

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>

#include "batch/BatchLog.h"
#include "batch/basket/BasketStrings.h"
#include "batch/basket/BatchFile.h"
#include "browser/items/ItemList.h"
#include "core/document/OutputSizeRule.h"
#include "core/resize/InterpolMode.h"
#include "core/settings/AppSettings.h"
#include "core/settings/SettingsLimits.h"
#include "imagefiles/PixelFormatProbe.h"
#include "platform/files/LocalFileName.h"
#include "platform/files/RegularFile.h"
#include "platform/prompt/Prompt.h"
#include "platform/resources/StringTable.h"

namespace {

bool InPercents(const AppSettings& s) { return s.m_nInPercents != 0 && s.m_dPercentW > 0 && s.m_dPercentH > 0; }

int Side(std::int64_t side) { return static_cast<int>(std::min<std::int64_t>(side, INT_MAX)); }

// A side made from the other by the image's aspect: a picture far narrower
// (or flatter) than the box still gets one pixel.
int FittedSide(std::int64_t side) { return static_cast<int>(std::max<std::int64_t>(side, 1)); }

// Whether w x h is the image's aspect to within a pixel on one side: one side
// made from the other by the image's aspect, truncated as the resize panel
// does (|w H - h W| below W means h is within a pixel of w H / W, below H that
// w is within a pixel of h W / H).
bool HasAspectOf(std::int64_t w, std::int64_t h, std::int64_t imageW, std::int64_t imageH) {
    const std::int64_t skew = w * imageH - h * imageW;
    const std::int64_t within = std::max(imageW, imageH);
    return skew > -within && skew < within;
}

void SizeFromSettings(CItem& item, const AppSettings& s, const std::optional<ItemImageFacts>& facts) {
    if (InPercents(s)) {
        // An image that cannot be read counts as 0 x 0 and stays 0 x 0: the
        // run reports it.
        item.m_nTargetWidth = facts ? PercentOfSide(Side(facts->width), s.m_dPercentW) : 0;
        item.m_nTargetHeight = facts ? PercentOfSide(Side(facts->height), s.m_dPercentH) : 0;
    } else if (facts && s.m_nCorrectProp == 0) {
        // Fit inside the settings' size with the image's aspect; a tie takes
        // the second branch. Both results stay within the settings' sides.
        const std::int64_t w = s.m_nWidth, h = s.m_nHeight;
        if (HasAspectOf(w, h, facts->width, facts->height)) {
            // The panel's own pair: one side typed, the other made from it.
            // Fitting it again would give back the typed side less a pixel.
            item.m_nTargetWidth = s.m_nWidth;
            item.m_nTargetHeight = s.m_nHeight;
        } else if (h * facts->width > w * facts->height) {
            item.m_nTargetWidth = s.m_nWidth;
            item.m_nTargetHeight = FittedSide(w * facts->height / facts->width);
        } else {
            item.m_nTargetHeight = s.m_nHeight;
            item.m_nTargetWidth = FittedSide(h * facts->width / facts->height);
        }
    } else {
        item.m_nTargetWidth = s.m_nWidth;
        item.m_nTargetHeight = s.m_nHeight;
    }
    item.m_fTargetDpi = s.m_fDpi;
}

bool KeepOwnSizeOfNewItems(const AppSettings& s) { return s.m_nApplyToAll == 0; }

std::unique_ptr<CItem> NewSizedItem(const QString& path, const AppSettings& settings) {
    auto item = std::make_unique<CItem>(settings, path);
    ComputeItemSize(*item, KeepOwnSizeOfNewItems(settings), settings);
    return item;
}

// A path that can become an item: it exists and is no named pipe or device,
// which could block every reader of the picture for ever.
bool CanBeItem(const QString& path) {
    if (platform::KindOfFile(path) == platform::FileKind::Missing) {
        if (const QString reason = platform::UnreachableNameReason(path); !reason.isEmpty())
            qWarning("basket: %s is left out: %s", qUtf8Printable(path), qUtf8Printable(reason));
        return false;
    }
    return !platform::RefuseSpecialFile(path, "basket");
}

bool AlreadyInBasket(CITEMLIST& items, const QString& path) { return items.FindByPath(path) != items.end(); }

bool AddSecondCopy(const QString& path) {
    const QString text = platform::LoadResString(IDS_ALREADY_IN_BATCH).replace(QStringLiteral("%s"), path);
    return platform::Ask(platform::PromptIcon::Question, platform::PromptButtons::YesNo, text) ==
           platform::PromptAnswer::Yes;
}

void Tell(int id, const QString& path = {}, const QString& reason = {}) {
    QString text = platform::LoadResString(id);
    if (text.contains(QLatin1String("%2")))
        text = text.arg(path, reason);
    platform::Ask(platform::PromptIcon::Warning, platform::PromptButtons::Ok, text);
}

// The pictures of a batch file that are gone are left out of the basket; the
// log says how many and which, so that a basket that comes back smaller (or
// empty) is not a riddle.
void ReportGonePictures(const QString& batchFile, std::size_t total, const QStringList& gone) {
    if (gone.isEmpty())
        return;
    qWarning("basket: %lld of the %zu pictures of %s are gone and are left out:", static_cast<long long>(gone.size()),
             total, qUtf8Printable(batchFile));
    for (const QString& path : gone)
        qWarning("basket:   %s", qUtf8Printable(path));
}

}  // namespace

std::optional<ItemImageFacts> ReadItemImageFacts(const QString& path) {
    const std::optional<imaging::ImageHeader> header = ProbeImageFileHeader(path);
    if (!header || header->width <= 0 || header->height <= 0)
        return std::nullopt;
    return ItemImageFacts{header->width, header->height, header->dpiX};
}

void ComputeItemSize(CItem& item, bool keepOwnSize, const AppSettings& settings,
                     const std::optional<ItemImageFacts>& facts) {
    if (keepOwnSize) {
        if (facts) {
            item.m_nTargetWidth = Side(facts->width);
            item.m_nTargetHeight = Side(facts->height);
            // A file may state any resolution; the item keeps to the range
            // the run and the settings take.
            item.m_fTargetDpi = static_cast<float>(std::clamp(facts->dpi, kMinDpi, kMaxDpi));
        }
    } else {
        SizeFromSettings(item, settings, facts);
    }
    item.m_nMode = settings.m_nInterpolMode;
    item.m_nCorrection = settings.m_nCorrectProp;
}

void ComputeItemSize(CItem& item, bool keepOwnSize, const AppSettings& settings) {
    ComputeItemSize(item, keepOwnSize, settings, ReadItemImageFacts(item.m_strPath));
}

void ApplySettingsToAll(CITEMLIST& items, const AppSettings& settings) {
    std::lock_guard lock(items.Mutex());
    for (auto& item : items)
        ComputeItemSize(*item, false, settings);
}

void ApplySettingsToSelected(CITEMLIST& items, const AppSettings& settings) {
    std::lock_guard lock(items.Mutex());
    for (auto& item : items)
        if (item->m_bSelected)
            ComputeItemSize(*item, false, settings);
}

int AddBasketFiles(CITEMLIST& items, const QStringList& paths, const AppSettings& settings,
                   const LoadItemThumbnail& loadThumbnail) {
    int added = 0;
    for (const QString& path : paths) {
        if (path.isEmpty() || platform::RefuseSpecialFile(path, "basket"))
            continue;
        if (AlreadyInBasket(items, path) && !AddSecondCopy(path))
            continue;
        auto item = std::make_unique<CItem>(settings, path);
        if (loadThumbnail)
            loadThumbnail(path);
        ComputeItemSize(*item, KeepOwnSizeOfNewItems(settings), settings);
        std::lock_guard lock(items.Mutex());
        items.AddTail(std::move(item));
        ++added;
    }
    return added;
}

void ReplaceBasketFiles(CITEMLIST& items, const QStringList& paths, const AppSettings& settings) {
    std::vector<std::unique_ptr<CItem>> fresh;
    for (const QString& path : paths)
        if (CanBeItem(path))
            fresh.push_back(NewSizedItem(path, settings));
    std::lock_guard lock(items.Mutex());
    items.DeleteAll();
    for (auto& item : fresh)
        items.AddTail(std::move(item));
}

int RemoveSelectedItems(CITEMLIST& items) {
    std::lock_guard lock(items.Mutex());
    int removed = 0;
    for (auto position = items.begin(); position != items.end();) {
        if ((*position)->m_bSelected) {
            position = items.RemoveAt(position);
            ++removed;
        } else {
            ++position;
        }
    }
    return removed;
}

bool ApplyItemSettings(const CItem& item, AppSettings& settings) {
    if (item.m_nTargetWidth == 0 || item.m_nTargetHeight == 0)
        return false;
    // Values only a damaged batch file can bring are refused here, where they
    // would become settings. An item has no units or flags of its own: those
    // stay 0, always valid.
    const SettingsRecord record{.width = item.m_nTargetWidth,
                                .height = item.m_nTargetHeight,
                                .dpi = item.m_fTargetDpi,
                                .correctProp = item.m_nCorrection,
                                .interpolMode = item.m_nMode};
    if (!IsValidSettingsRecord(record, SideLimit::UpToMaxOutputSide))
        return false;
    settings.m_nWidth = item.m_nTargetWidth;
    settings.m_nHeight = item.m_nTargetHeight;
    settings.m_fDpi = item.m_fTargetDpi;
    settings.m_nInterpolMode = item.m_nMode;
    settings.m_nCorrectProp = item.m_nCorrection;
    return true;
}

QString BasketToolTipText(const CITEMLIST& items, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= items.GetCount())
        return {};
    auto position = items.begin();
    std::advance(position, index);
    const CItem& item = **position;
    const QByteArray format = platform::LoadResString(IDS_BASKET_TOOLTIP).toUtf8();
    return QString::asprintf(format.constData(), item.m_nTargetWidth, item.m_nTargetHeight,
                             static_cast<double>(item.m_fTargetDpi),
                             BatchAlgorithmName(item.m_nMode).toUtf8().constData());
}

QString BasketEmptyHint() { return platform::LoadResString(IDS_BASKET_EMPTY_HINT); }

bool LoadBatchFileInto(CITEMLIST& items, const QString& path, const AppSettings& settings) {
    BatchFileLoad load = ReadBatchFile(path);
    switch (load.status) {
    case BatchFileStatus::CannotAccess:
        Tell(IDS_CANT_READ_BATCH, path, load.error);
        return false;
    case BatchFileStatus::WrongFile:
        Tell(IDS_WRONG_FILE);
        return false;
    case BatchFileStatus::Ok:
        break;
    }
    std::vector<std::unique_ptr<CItem>> fresh;
    QStringList gone;
    for (const BatchFileRecord& record : load.records) {
        if (!CanBeItem(record.path)) {
            if (platform::KindOfFile(record.path) == platform::FileKind::Missing)
                gone << record.path;
            continue;
        }
        auto item = std::make_unique<CItem>(settings);
        record.ApplyTo(*item);
        fresh.push_back(std::move(item));
    }
    ReportGonePictures(path, load.records.size(), gone);
    std::lock_guard lock(items.Mutex());
    items.DeleteAll();
    for (auto& item : fresh)
        items.AddTail(std::move(item));
    return true;
}

bool SaveBatchFileFrom(const CITEMLIST& items, const QString& path) {
    QString error;
    if (WriteBatchFile(path, BatchRecordsOf(items), &error))
        return true;
    Tell(IDS_CANT_WRITE_BATCH, path, error);
    return false;
}

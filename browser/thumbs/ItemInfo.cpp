#include "browser/thumbs/ItemInfo.h"

#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbCacheLock.h"
#include "browser/items/ItemList.h"
#include "imagefiles/PathHelpers.h"
#include "imagefiles/ShotDate.h"
#include "platform/resources/StringTable.h"

#include <QFile>
#include <QFileInfo>

#include <ctime>
#include <mutex>

namespace {

constexpr int IDS_SIZE_KB = 70;
constexpr int IDS_SIZE_MB = 78;
constexpr int IDS_SIZE_GB = 81;
constexpr int IDS_ITEM_TOOLTIP = 296;

QString FormatNumber(int id, double value) { return QString::asprintf(qPrintable(platform::LoadResString(id)), value); }

}  // namespace

QString FormatFileSizeText(std::uint64_t bytes) {
    double value = static_cast<double>(bytes) / 1024.0;
    if (value < 1000.0)
        return FormatNumber(IDS_SIZE_KB, value);
    value /= 1024.0;
    if (value < 1000.0)
        return FormatNumber(IDS_SIZE_MB, value);
    return FormatNumber(IDS_SIZE_GB, value / 1024.0);
}

QString ItemToolTipText(const QString& path, const CPaletteItemImg* cell) {
    const QFileInfo file(path);
    if (cell == nullptr || !file.exists())
        return {};
    int width = 0;
    int height = 0;
    {
        const std::lock_guard lock(g_csThumbCache);
        width = cell->m_nImageWidth;
        height = cell->m_nImageHeight;
    }
    if (width <= 0 || height <= 0)
        return {};
    const QByteArray name = file.fileName().toUtf8();
    const QByteArray size = FormatFileSizeText(GetFileSize64(path)).toUtf8();
    return QString::asprintf(qPrintable(platform::LoadResString(IDS_ITEM_TOOLTIP)), name.constData(), width, height,
                             size.constData());
}

void LoadAllInfo(CITEMLIST& items) {
    for (auto& item : items)
        item->LoadInfo();
}

void LoadAllShotDates(CITEMLIST& items) {
    for (auto& item : items) {
        if (item->m_bShotLoaded)
            continue;
        std::time_t shot = 0;
        if (GetShotDate(std::filesystem::path(QFile::encodeName(item->m_strPath).toStdString()), shot)) {
            item->m_timeShot = shot;
        } else {
            item->LoadInfo();
            item->m_timeShot = item->m_timeModified;
        }
        item->m_bShotLoaded = 1;
    }
}

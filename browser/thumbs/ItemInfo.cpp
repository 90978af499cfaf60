#include "browser/thumbs/ItemInfo.h"
#include "platform/files/LocalFileName.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "browser/items/Item.h"
#include "imagefiles/ShotDate.h"
#include "platform/resources/StringTable.h"

void LoadItemInfo(CItem& item) {
    if (item.m_bInfoLoaded)
        return;
    const QByteArray name = platform::LocalFileName(item.m_strPath);
    struct statx st {};
    if (item.m_strPath.isEmpty() || ::statx(AT_FDCWD, name.constData(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0 ||
        !S_ISREG(st.stx_mode))
        return;
    item.m_timeModified = st.stx_mtime.tv_sec;
    item.m_timeAccessed = st.stx_atime.tv_sec;
    item.m_timeCreated = (st.stx_mask & STATX_BTIME) ? st.stx_btime.tv_sec : st.stx_mtime.tv_sec;
    item.m_dFileSize = static_cast<double>(st.stx_size);
    item.m_bInfoLoaded = 1;
}

void LoadItemShotDate(CItem& item) {
    if (item.m_bShotLoaded)
        return;
    std::time_t shot = 0;
    if (GetShotDate(std::filesystem::path(platform::LocalFilePath(item.m_strPath)), shot)) {
        item.m_timeShot = shot;
    } else {
        LoadItemInfo(item);
        item.m_timeShot = item.m_timeModified;
    }
    item.m_bShotLoaded = 1;
}

QString FormatFileSizeText(std::uint64_t bytes) {
    double value = static_cast<double>(bytes) / 1024.0;
    int id = 70;
    if (value >= 1000.0) {
        value /= 1024.0;
        id = 78;
        if (value >= 1000.0) {
            value /= 1024.0;
            id = 81;
        }
    }
    return QString::asprintf(platform::LoadResString(id).toUtf8().constData(), value);
}

#include "browser/items/Item.h"

#include <QDateTime>
#include <QFileInfo>

void CItem::LoadInfo() {
    if (m_bInfoLoaded)
        return;
    const QFileInfo file(m_strPath);
    if (!file.exists() || file.isDir())
        return;
    const QDateTime modified = file.lastModified();
    const QDateTime created = file.birthTime();
    m_timeModified = modified.toSecsSinceEpoch();
    m_timeCreated = created.isValid() ? created.toSecsSinceEpoch() : m_timeModified;
    m_timeAccessed = file.lastRead().toSecsSinceEpoch();
    m_dFileSize = static_cast<double>(file.size());
    m_bInfoLoaded = 1;
}

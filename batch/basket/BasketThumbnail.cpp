#include "batch/basket/BasketThumbnail.h"

#include <sys/stat.h>

#include <QFile>

#include <mutex>

#include "browser/cache/ThumbCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbCacheLock.h"
#include "platform/files/LocalFileName.h"

namespace {

// The modification time in seconds, as the builder stamps its cells.
bool ModificationTime(const QString& path, std::int64_t& seconds) {
    struct stat st {};
    if (::stat(platform::LocalFileName(path).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    seconds = st.st_mtim.tv_sec;
    return true;
}

}  // namespace

bool LoadThumbnailAtOnce(const QString& path, CMapStringToObPlus& cache, const CreateThumbCell& createCell) {
    std::int64_t modified = 0;
    if (!ModificationTime(path, modified))
        return false;
    {
        std::lock_guard lock(g_csThumbCache);
        CellRef cached;
        if (cache.Lookup(path, cached)) {
            if (cached->m_timeFile == modified)
                return true;
            cache.RemoveKey(path);
        }
    }
    std::shared_ptr<CPaletteItemImg> cell = createCell ? createCell() : std::make_shared<CPaletteItemImg>();
    try {
        if (!cell->LoadThumbnail(path, true, nullptr))
            return false;
    } catch (...) {
        return false;  // the new cell goes; the cache has no entry for the path
    }
    cell->m_timeFile = modified;
    std::lock_guard lock(g_csThumbCache);
    cache.Insert(path, cell);
    return true;
}

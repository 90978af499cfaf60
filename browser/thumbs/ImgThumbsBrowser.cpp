#include "browser/thumbs/ImgThumbsBrowser.h"
#include "platform/files/LocalFileName.h"

#include <sys/stat.h>

#include <mutex>

#include "browser/cache/ThumbCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbCacheLock.h"
#include "browser/info/ShowImageInfo.h"
#include "browser/thumbs/ThumbsView.h"

CImgThumbsBrowser::CImgThumbsBrowser(const AppSettings& settings) : CThumbsBrowser(settings) {}

CImgThumbsBrowser::~CImgThumbsBrowser() = default;

void CImgThumbsBrowser::CancelPreview() {}

void CImgThumbsBrowser::OnFileRenamed(const QString& oldPath, const QString& newPath) {
    // The builder threads stay out of the cache until the new key holds the
    // new cell and the old key is settled.
    std::lock_guard lock(g_csThumbCache);
    CellRef old;
    if (!g_ThumbCache.Lookup(oldPath, old) || !old)
        return;
    struct stat st {};
    if (::stat(platform::LocalFileName(newPath).constData(), &st) != 0)
        return;
    auto cell = std::make_shared<CPaletteItemImg>();
    cell->m_timeFile = st.st_mtime;
    cell->CopyInfoFrom(*old);
    if (old->HasThumbnailData())
        cell->CopyJpegFrom(*old);
    g_ThumbCache.Insert(newPath, std::move(cell));
    if (!PathExists(oldPath))
        g_ThumbCache.RemoveKey(oldPath);
}

std::shared_ptr<CPaletteItem> CImgThumbsBrowser::CreateItem() { return std::make_shared<CPaletteItemImg>(); }

void CImgThumbsBrowser::ShowImageInfo() { browser::ShowImageInfoDialog(m_strContextPath, View()); }

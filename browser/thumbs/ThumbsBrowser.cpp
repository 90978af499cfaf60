// CThumbsBrowser: construction, the first and last browser of the process,
// the loading handshake, the link to the view and the builder, and the base
// behaviour of the virtual operations that belong to no other file.
#include "browser/thumbs/ThumbsBrowser.h"
#include "platform/files/LocalFileName.h"

#include <QDir>

#include <sys/stat.h>

#include <chrono>
#include <ctime>

#include "browser/builder/Thumbnails.h"
#include "browser/cells/ThumbCacheLock.h"
#include "browser/cells/ThumbDecoder.h"
#include "browser/monitor/FolderMonitor.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/settings/AppSettings.h"
#include "imagefiles/CpuSpeed.h"
#include "imagefiles/PathHelpers.h"
#include "platform/ini/IniFile.h"
#include "platform/paths/Paths.h"
#include "platform/profile/ProfileStore.h"

int g_nBrowserInstances = 0;
int g_nDragGapMax = 20;
int g_nDragGapStep = 2;
constinit std::recursive_mutex g_csBrowserList;
constinit std::mutex g_csSelectionInfo;

namespace {

// How long the last browser waits for the builder to finish the thumbnail it
// is making before it saves the cache regardless (the save holds the cache
// lock, so a late thumbnail is only lost from the saved files, never torn).
constexpr int kBuilderIdleWaitMs = 30000;

// The processor clock, measured once per process (about 100 ms).
int MeasuredCpuMHz() {
    static const int mhz = CCpuSpeed().m_nMHz;
    return mhz;
}

// The private temporary folder, ending with '/'; empty when there is none.
QString TempFolder() {
    QString folder = platform::PrivateCacheFolder();
    if (!folder.isEmpty())
        AddTrailingBackslash(folder);
    return folder;
}

}  // namespace

CThumbsBrowser::CThumbsBrowser(const AppSettings& settings) : m_settings(settings) {
    AddThumbnailListener(&m_builderListener);
    m_nSortType = platform::GetWinIniInt("BROWSER", "SORT", 0);

    m_nCpuMHz = MeasuredCpuMHz();
    if (IsSlowCpu(m_nCpuMHz)) {
        g_nDragGapMax = 20;
        g_nDragGapStep = 5;
    }

    const QString temp = TempFolder();
    m_strLegacyCacheFile = temp.isEmpty() ? QString() : temp + QStringLiteral("QVIMGBRW_TBCCH");
    if (g_nBrowserInstances == 0)
        PrepareThumbCache();
    ++g_nBrowserInstances;

    m_evGo.Set();
    m_evStop.ResetEvent();
    m_evIdle.Set();

    // The undo store folders live in the private temporary folder; nothing
    // is written into them.
    if (!temp.isEmpty()) {
        m_strUndoDir1 = temp + QStringLiteral("QVIMGBRSUND1");
        m_strUndoDir2 = temp + QStringLiteral("QVIMGBRSUND2");
        m_strUndoCutDir1 = temp + QStringLiteral("QVIMGBRSUND1CUT");
        m_strUndoCutDir2 = temp + QStringLiteral("QVIMGBRSUND2CUT");
        for (const QString* dir : {&m_strUndoDir1, &m_strUndoDir2, &m_strUndoCutDir1, &m_strUndoCutDir2})
            if (!PathExists(*dir))
                ::mkdir(platform::LocalFileName(*dir).constData(), 0700);
    }
}

CThumbsBrowser::~CThumbsBrowser() {
    // A view that outlives its browser must not reach it any more.
    if (CThumbsView* view = m_pView.load())
        view->DetachBrowser(this);
    UnlinkView(nullptr);
    ReleaseInstance();
    m_items.DeleteAll();
    m_pMonitor.reset();
    try {
        platform::ProfileStore().WriteString(QStringLiteral("FOLDERS"), QStringLiteral("DEFAULT"), m_strFolder);
    } catch (...) {
        // A profile that cannot be written loses only this unread value.
    }
    RemoveThumbnailListener(&m_builderListener);
}

void CThumbsBrowser::PrepareThumbCache() {
    try {
        g_ThumbCache.LoadOrSave(m_strLegacyCacheFile, false);
    } catch (...) {
        // The cache is whatever the load left.
    }
    g_ThumbCache.PruneAtFirstBrowser(static_cast<std::int64_t>(std::time(nullptr)));
}

void CThumbsBrowser::ReleaseInstance() {
    if (g_nBrowserInstances == 0)
        return;
    if (--g_nBrowserInstances != 0)
        return;
    StopLoading();
    // The builder must not change the cache while it is swept and saved:
    // its work is dropped and the thumbnail it is making is awaited.
    QueueThumbnailFiles({});
    if (g_ThumbsBuilder.IsRunning())
        g_ThumbsBuilder.WaitUntilIdle(kBuilderIdleWaitMs);
    // The cache holds its own locks across the sweep and the save (its
    // writes lock before g_csThumbCache, so it is not held here).
    g_ThumbCache.CloseAtLastBrowser(m_strLegacyCacheFile);
}

void CThumbsBrowser::StopLoading() {
    m_evGo.ResetEvent();
    m_evStop.Set();
    m_evIdle.Wait();
    m_evIdle.Set();
    m_evGo.Set();
    m_evStop.ResetEvent();
}

bool CThumbsBrowser::CreateMonitor(std::shared_ptr<platform::CommandPort> mainWindow) {
    if (m_pMonitor)
        return true;
    m_pMonitor = std::make_unique<CFolderMonitor>(std::move(mainWindow));
    if (m_pMonitor->Start())
        return true;
    // No watch can be made at all (the user's inotify instances used up): a
    // monitor without its thread would never ask for a listing.
    qWarning(
        "folder monitor: folders cannot be watched; changes made to them will not be shown until they are "
        "chosen again");
    m_pMonitor.reset();
    return false;
}

void CThumbsBrowser::LinkView(CThumbsView* view, std::shared_ptr<platform::CommandPort> port) {
    std::lock_guard lock(m_csListener);
    m_pView.store(view);
    m_poster = port ? std::make_shared<ThumbUpdatePoster>(std::move(port), Tag()) : nullptr;
}

void CThumbsBrowser::UnlinkView(CThumbsView* view) {
    std::lock_guard lock(m_csListener);
    if (view != nullptr && m_pView.load() != view)
        return;
    m_pView.store(nullptr);
    m_poster.reset();
}

void CThumbsBrowser::ThumbUpdateDelivered() {
    // New thumbnails: the rows next to the visible ones are looked at again.
    m_aheadKey = AheadKey{};
    std::lock_guard lock(m_csListener);
    if (m_poster)
        m_poster->Delivered();
}

void CThumbsBrowser::OnThumbUpdate(const QString& path, int flag) { PostThumbUpdate(path, flag); }

void CThumbsBrowser::PostThumbUpdate(const QString& path, int flag) {
    std::lock_guard lock(m_csListener);
    if (m_poster)
        m_poster->OnThumbUpdate(path, flag);
}

// --- Base behaviour of the virtual operations ---

bool CThumbsBrowser::IsDetailsMode() const { return g_bDetailsMode.load() != 0; }

QSize CThumbsBrowser::GetCellSize() const { return GetCellSizeForZoom(g_nIconsZoom.load(), IsDetailsMode()); }

bool CThumbsBrowser::LookupThumb(const QString& path, CellRef& cell) { return g_ThumbCache.Lookup(path, cell); }

void CThumbsBrowser::ReleaseThumb(const CellRef&) {}

std::shared_ptr<CPaletteItem> CThumbsBrowser::CreateTempItem() { return CreateItem(); }

void CThumbsBrowser::CancelPreview() {}

void CThumbsBrowser::OnFileRenamed(const QString&, const QString&) {}

void CThumbsBrowser::OnFilesMoved(const QStringList& paths, const QString& destinationFolder) {
    QString folder = destinationFolder;
    AddTrailingBackslash(folder);
    for (const QString& path : paths)
        OnFileRenamed(path, folder + platform::SplitPath(path).name + platform::SplitPath(path).ext);
}

void CThumbsBrowser::OnMonitorHook() {}

std::shared_ptr<CPaletteItem> CThumbsBrowser::CreateItem() { return std::make_shared<CPaletteItem>(); }

void CThumbsBrowser::OnItemDblClick(CThumbsView*, IBorderBuffer&, unsigned, QPoint) {
    QStringList selected;
    GetSelectedFiles(selected);
}

void CThumbsBrowser::OnDragLeave() { m_bInternalDrag = 0; }

// --- Items ---

CItem* CThumbsBrowser::GetItem(int index) {
    if (index < 0)
        return nullptr;
    const auto position = m_items.FindIndex(static_cast<std::size_t>(index));
    return position == m_items.end() ? nullptr : position->get();
}

std::unique_ptr<CItem> CThumbsBrowser::MakeItem(const QString& path) const {
    return std::make_unique<CItem>(m_settings, path);
}

QString CThumbsBrowser::GetItemPathAt(CThumbsView* view, QPoint point) {
    const int index = HitTest(view, point);
    const CItem* item = GetItem(index);
    return item ? item->m_strPath : QString();
}

void CThumbsBrowser::GetSelectedFiles(QStringList& out) const {
    for (const auto& item : m_items)
        if (item->m_bSelected)
            out.append(item->m_strPath);
}

void CThumbsBrowser::InvalidateView(bool updateNow) {
    CThumbsView* view = m_pView.load();
    if (view == nullptr)
        return;
    view->Invalidate(QRect(), true);
    if (updateNow)
        view->UpdateWindow();
}

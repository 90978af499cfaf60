// CThumbsBrowser: listing a folder, a library or a list of files, sorting,
// and the item information the listings and the view need.
#include <QSet>

#include <mutex>

#include "browser/builder/Thumbnails.h"
#include "browser/cells/ThumbCacheLock.h"
#include "browser/monitor/FolderMonitor.h"
#include "browser/thumbs/FolderListing.h"
#include "browser/thumbs/ItemInfo.h"
#include "browser/thumbs/SortItems.h"
#include "browser/thumbs/ThumbsBrowser.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/widgets/WaitCursor.h"
#include "imagefiles/ImageFileNames.h"
#include "imagefiles/PathHelpers.h"
#include "platform/paths/Paths.h"
#include "platform/resources/StringTable.h"

namespace {

constexpr int kManyItems = 40;

}  // namespace

void CThumbsBrowser::SortItems() {
    if (CompareFunctionOf(m_nSortType) == nullptr)
        return;
    SortItemList(m_items, m_nSortType, [this](const QString& path, CellRef& cell) { return LookupThumb(path, cell); });
}

void CThumbsBrowser::SetSortOrder(int type) {
    // Types 0 and 3 (and unknown ones) sort the current list by name; the
    // stored type still rules the next listings.
    const bool own = type == 1 || type == 2 || (type >= 4 && type <= 9);
    const int keyType = own ? type : 0;
    m_nSortType = type;
    SortItemList(m_items, keyType, CompareFunctionOf(keyType),
                 [this](const QString& path, CellRef& cell) { return LookupThumb(path, cell); });
    InvalidateView(false);
}

void CThumbsBrowser::AfterListing(bool scrollToTop) {
    m_selectAllCells.clear();
    m_arrOffsets.assign(m_items.GetCount(), 0);
    m_lstPaths.clear();
    m_lstPaths.reserve(static_cast<qsizetype>(m_items.GetCount()));
    for (const auto& item : m_items)
        m_lstPaths.append(item->m_strPath);
    if (CThumbsView* view = m_pView.load()) {
        if (scrollToTop)
            view->ScrollToPosition(QPoint(0, 0));
        view->RecalcLayout();
        view->Invalidate(QRect(), true);
        view->UpdateWindow();
    }
    QueueThumbnailFiles(m_lstPaths);
}

void CThumbsBrowser::Reload() {
    if (m_nLocationType != kLocationFolder && m_strFolder.isEmpty())
        return;
    WaitCursor wait;
    std::lock_guard lock(g_csBrowserList);
    StopLoading();

    QSet<QString> selected;
    for (const auto& item : m_items)
        if (item->m_bSelected)
            selected.insert(item->m_strPath);
    m_items.DeleteAll();
    m_lstPaths.clear();

    m_bManyItems = 0;
    if (!m_strFolder.isEmpty()) {
        for (const QString& path : ListImageFiles(m_strFolder)) {
            std::unique_ptr<CItem> item = MakeItem(path);
            item->m_bSelected = selected.contains(path) ? 1 : 0;
            m_items.AddTail(std::move(item));
        }
        SortItems();
    }
    m_bManyItems = m_items.GetCount() > kManyItems ? 1 : 0;
    // An empty folder path lists nothing: the view and the builder's queues
    // are emptied like those of an empty folder.
    AfterListing(false);
    UpdateSelectionInfo();
}

void CThumbsBrowser::Refresh() {
    // A library has no folder: its refresh lists the library again.
    if (m_strFolder.isEmpty() && m_nLocationType == kLocationLibrary && !m_strLocationText.isEmpty()) {
        SetLocation(m_strLocationText);
        return;
    }
    std::lock_guard lock(g_csBrowserList);
    StopLoading();
    m_items.DeleteAll();
    m_lstPaths.clear();
    if (!m_strFolder.isEmpty()) {
        for (const QString& path : ListImageFiles(m_strFolder))
            m_items.AddTail(MakeItem(path));
        SortItems();
    }
    WaitCursor wait;
    AfterListing(false);
}

void CThumbsBrowser::SetLocation(const QString& locationText) {
    std::lock_guard lock(g_csBrowserList);
    if (!locationText.startsWith(u'2') || !locationText.contains(u','))
        return;
    QStringList files;
    ListLibraryFiles(locationText, files);
    FillFromFiles(files, kLocationLibrary);
    m_strLocationText = locationText;
}

void CThumbsBrowser::FillFromFiles(QStringList paths, int locationType) {
    if (locationType == kLocationLibrary)
        paths.removeIf([](const QString& path) { return !PathExists(path); });
    WaitCursor wait;
    m_strFolder.clear();
    m_strLocationText.clear();
    m_nLocationType = locationType;
    std::lock_guard lock(g_csBrowserList);
    StopLoading();
    m_items.DeleteAll();
    {
        std::lock_guard cacheLock(g_csThumbCache);
        m_lstPaths.clear();
    }
    for (const QString& path : paths)
        if (IsSupportedImageExtension(path))
            m_items.AddTail(MakeItem(path));
    if (m_nSortType == 1 || m_nSortType == 2 || m_nSortType == 8)
        LoadAllInfo();
    SortItems();
    AfterListing(true);
    if (m_pMonitor)
        m_pMonitor->StopWatching();
    UpdateSelectionInfo();
}

bool CThumbsBrowser::LoadAllInfo() {
    for (auto& item : m_items)
        LoadItemInfo(*item);
    return true;
}

bool CThumbsBrowser::LoadAllShotDates() {
    for (auto& item : m_items)
        LoadItemShotDate(*item);
    return true;
}

void CThumbsBrowser::UpdateSelectionInfo() {
    if (m_bInClick)
        return;
    QString path;
    for (const auto& item : m_items) {
        if (item->m_bSelected) {
            if (PathExists(item->m_strPath))
                path = item->m_strPath;
            break;
        }
    }
    if (m_bButtonDown)
        return;
    bool changed = false;
    {
        std::lock_guard lock(g_csSelectionInfo);
        if (path != m_strLastInfoPath) {
            m_strLastInfoPath = path;
            changed = true;
        }
    }
    if (changed)
        CancelPreview();
}

QString CThumbsBrowser::GetItemToolTip(int index) {
    const CItem* item = GetItem(index);
    if (item == nullptr)
        return {};
    const QString& path = item->m_strPath;
    const platform::PathParts parts = platform::SplitPath(path);
    if (!PathExists(path))
        return {};
    const QString size = FormatFileSizeText(GetFileSize64(path));
    CellRef cell;
    if (!LookupThumb(path, cell) || !cell)
        return {};
    int width = 0, height = 0;
    {
        std::lock_guard lock(g_csThumbCache);
        width = cell->m_nImageWidth;
        height = cell->m_nImageHeight;
    }
    ReleaseThumb(cell);
    // The format's %s and %d are filled in here, so that a name holding '%'
    // stays as it is.
    QString text = platform::LoadResString(296);
    text.replace(QStringLiteral("%s"), QStringLiteral("\x01"));
    text.replace(QStringLiteral("%d"), QStringLiteral("\x02"));
    const QString fields[] = {parts.name + parts.ext, QString::number(width), QString::number(height), size};
    QString out;
    int field = 0;
    for (const QChar c : text) {
        if ((c == u'\x01' || c == u'\x02') && field < 4)
            out += fields[field++];
        else
            out += c;
    }
    return out;
}

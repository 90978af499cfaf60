#pragma once
// CThumbsBrowser: the model of a thumbnail browser. It holds the items of one
// folder, library or basket in display order, lays them out as a grid or a
// single row, keeps the selection flags, the sort order, the drag gap and the
// link to the thumbnail builder. It is not a widget: a CThumbsView shows it
// and forwards painting, input, timer, tooltip and drop events to the virtual
// operations below, passing itself and its frame images (IBorderBuffer).
// Derived browsers (the image browser, the basket) change its behaviour only
// through those virtual operations, and the view reaches the items only
// through them.
//
// Lifetime: the first browser of the process loads and prunes the thumbnail
// cache; the last one to go empties the builder's queues, waits until the
// builder is idle and then, under g_csThumbCache, drops the entries of files
// that are gone, saves the cache and empties it.
//
// Threads: everything runs on the user-interface thread except
// OnThumbUpdate, which the builder threads call. It reaches the view only
// through the poster the view installs (under the listener mutex), and the
// view removes it before it goes, so no builder callback ever touches a view
// that is being destroyed. The builder does not call the browser itself but
// a listener member of one fixed type: while a derived browser is being
// constructed or destroyed its dynamic type changes, and a builder thread
// must never dispatch through the browser at those moments.

#include <QHash>
#include <QMimeData>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "browser/builder/ThumbUpdate.h"
#include "browser/cache/CacheArchives.h"
#include "browser/cells/BorderBuffer.h"
#include "browser/cells/PaletteItem.h"
#include "browser/items/ItemList.h"
#include "browser/items/LocationTypes.h"
#include "browser/thumbs/ThumbsLayout.h"
#include "platform/threads/Event.h"

class AppSettings;
class QMenu;
class CFolderMonitor;
class CThumbsView;
namespace platform {
class ArchiveWriter;
class CommandPort;
}  // namespace platform

// Process-wide values of the browser family (user-interface thread only).
extern int g_nBrowserInstances;
extern int g_nDragGapMax;   // widest drag insertion gap, 20 pixels
extern int g_nDragGapStep;  // gap animation step: 2, or 5 on a slow processor
// The listings that rebuild an item list hold this lock.
extern std::recursive_mutex g_csBrowserList;
// Held while a browser reacts to a selection change.
extern std::mutex g_csSelectionInfo;

// Mouse key flags passed with the mouse events, as the view reports them.
inline constexpr unsigned MK_LBUTTON = 0x0001;
inline constexpr unsigned MK_RBUTTON = 0x0002;
inline constexpr unsigned MK_SHIFT = 0x0004;
inline constexpr unsigned MK_CONTROL = 0x0008;

// Drop effects of the drag-and-drop operations.
inline constexpr int DROPEFFECT_NONE = 0;
inline constexpr int DROPEFFECT_COPY = 1;
inline constexpr int DROPEFFECT_MOVE = 2;

// The auto-scroll timer of the rubber band: the view it scrolls, the id of
// the running timer (0 when none) and the key flags to repeat.
struct AutoScrollTimer {
    CThumbsView* view = nullptr;
    int timerId = 0;
    unsigned keyFlags = 0;
};

class CThumbDecoder;

class CThumbsBrowser : public IThumbUpdate {
public:
    // Items are created with the batch fields of `settings` as they are when
    // each item is made; the settings outlive the browser.
    explicit CThumbsBrowser(const AppSettings& settings);
    ~CThumbsBrowser() override;
    CThumbsBrowser(const CThumbsBrowser&) = delete;
    CThumbsBrowser& operator=(const CThumbsBrowser&) = delete;

    // --- Virtual operations, in their order ---
    virtual const char* GetRuntimeClass() const { return "CThumbsBrowser"; }
    // The browser stores nothing of its own.
    virtual void Serialize(platform::ArchiveWriter&) {}
    virtual bool IsDetailsMode() const;
    virtual QSize GetCellSize() const;
    // The cached cell of the path (the cache's archive of its folder is read
    // first when needed).
    virtual bool LookupThumb(const QString& path, CellRef& cell);
    // Called after each use of a cell from LookupThumb.
    virtual void ReleaseThumb(const CellRef& cell);
    // A cell for drawing an item without a cached one; the caller drops it.
    virtual std::shared_ptr<CPaletteItem> CreateTempItem();
    virtual void CancelPreview();
    // Lists the current folder again, clearing the selection.
    virtual void Refresh();
    virtual void OnFileRenamed(const QString& oldPath, const QString& newPath);
    // OnFileRenamed for each path and the same name in `destinationFolder`.
    virtual void OnFilesMoved(const QStringList& paths, const QString& destinationFolder);
    // After every selection change: remembers the first selected file and
    // calls CancelPreview when it changed.
    virtual void UpdateSelectionInfo();
    virtual void BeginDrag(CThumbsView* view);
    virtual void OnContextMenu(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point);
    virtual void OnMonitorHook();
    virtual std::shared_ptr<CPaletteItem> CreateItem();
    // Draws item `index`; `clip` is in content coordinates, the painter draws
    // in client coordinates (the visible area's corner at 0, 0).
    virtual void DrawItem(CThumbsView* view, IBorderBuffer& surface, QPainter& painter, int index, const QRect& clip);
    // Paints the items that meet `clip` (content coordinates; empty: the
    // visible area), the background already filled, on a painter in client
    // coordinates.
    virtual void OnDraw(CThumbsView* view, IBorderBuffer& surface, QPainter& painter, const QRect& clip);
    // How many cells the last OnDraw handed to DrawItem.
    int CellsDrawnLastTime() const { return m_nCellsDrawn; }
    virtual void OnItemDblClick(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point);
    virtual bool OnDrop(const QMimeData* data, int dropEffect, QPoint point);
    virtual void OnDropFiles(const QMimeData* data, QPoint point, CThumbsView* view, int dropEffect);
    virtual int OnDragOver(const QMimeData* data, unsigned keyState, QPoint point);
    virtual void OnDragLeave();
    virtual int OnDragEnter(const QMimeData* data, unsigned keyState, QPoint point);
    virtual int ReservedDropHook(int, int, int) { return 0; }
    virtual void OnLButtonUp(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point);
    virtual void OnLButtonDown(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point);
    virtual void OnMouseMove(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point);
    virtual void ClearContextItem() {}
    virtual void ReservedHook() {}
    virtual void DeleteSelected() {}
    virtual void ShowImageInfo() {}
    // The arrow, paging, Home and End keys (Qt::Key); true when handled.
    virtual bool OnKeyDown(int key, unsigned keyFlags);

    // IThumbUpdate: a builder thread finished a thumbnail. The builder
    // reaches it through the browser's listener member (see Threads above).
    void OnThumbUpdate(const QString& path, int flag) override;

    // --- Lifetime and links ---
    // The loading handshake; returns with go and idle signalled, stop reset.
    void StopLoading();
    // Makes and starts the folder monitor (posting to `mainWindow`) once.
    // False when its thread cannot watch anything: then there is no monitor,
    // and the owner lists the folders it shows itself.
    bool CreateMonitor(std::shared_ptr<platform::CommandPort> mainWindow);
    CFolderMonitor* Monitor() const { return m_pMonitor.get(); }
    // The view links itself with the port its WM_THUMBS_UPDATED messages
    // arrive at (wParam: this browser's tag), and unlinks itself before it
    // goes: once UnlinkView returns no builder callback reaches the view.
    void LinkView(CThumbsView* view, std::shared_ptr<platform::CommandPort> port);
    void UnlinkView(CThumbsView* view);
    CThumbsView* View() const { return m_pView.load(); }
    // The tag the browser's messages carry as wParam.
    std::int64_t Tag() const { return reinterpret_cast<std::intptr_t>(this); }
    // The view handled a WM_THUMBS_UPDATED; the next thumbnail posts again.
    void ThumbUpdateDelivered();

    // --- Listing and sorting ---
    // Lists m_strFolder again, keeping the selection of the files still there.
    void Reload();
    // Shows a library from its location text "2,name;icon;folder;...".
    void SetLocation(const QString& locationText);
    // Shows the given files (those with an image extension).
    void FillFromFiles(QStringList paths, int locationType);
    // Sorts the current list by `type` (0..9, others by name) and keeps it.
    void SetSortOrder(int type);
    // Sorts the items by m_nSortType as every listing does.
    void SortItems();

    // --- Item information ---
    bool LoadAllInfo();
    bool LoadAllShotDates();
    // "File: %s\nSize: %dx%d\nFile size: %s", or empty without a file or a
    // cached cell.
    QString GetItemToolTip(int index);

    // --- Items and selection ---
    int GetItemCount() const { return static_cast<int>(m_items.GetCount()); }
    // Item `index` (0-based) or null; walks the list.
    CItem* GetItem(int index);
    const CITEMLIST& Items() const { return m_items; }
    CITEMLIST& Items() { return m_items; }
    // The path of the item under a client point, empty when none.
    QString GetItemPathAt(CThumbsView* view, QPoint point);
    // Appends the selected paths in display order.
    void GetSelectedFiles(QStringList& out) const;
    // Selects every item and repaints; UpdateSelectionInfo. An item without
    // a built thumbnail gets one loaded on this thread by the cell that
    // redraws it; the cells of the items shown are kept and painted in their
    // place (see m_selectAllCells).
    void SelectAll(CThumbsView* view, IBorderBuffer& surface);
    // --- Selection (ThumbsBrowserInput.cpp) ---
    // Index out of range: nothing. An unselected item is selected; a selected
    // one is deselected only with toggle. A change repaints the item and
    // calls UpdateSelectionInfo.
    void SelectItem(int index, CThumbsView* view, bool toggle);
    void DeselectItem(int index, CThumbsView* view);
    // Deselects every item but `keep` (-1: none), then UpdateSelectionInfo.
    void DeselectAllExcept(CThumbsView* view, int keep);
    // The item count; first selected (the count when none), last (-1 when none).
    int GetSelectionRange(int& first, int& last) const;
    // The selected items plus those of them with a sound note.
    int CountSelectedFiles() const;
    bool IsItemSelectedAt(CThumbsView* view, QPoint point);
    void ClickSelect(QPoint point, CThumbsView* view);
    void ShiftSelect(QPoint point, CThumbsView* view);
    void ToggleAt(QPoint point, CThumbsView* view);
    void CollapseSelectionAt(QPoint point, CThumbsView* view);
    void StartAutoScroll(CThumbsView* view, unsigned keyFlags);
    void StopAutoScroll();
    // The context menus 154 (outside the items), 149 (one item), 284 (several).
    std::unique_ptr<QMenu> BuildContextMenu(int menuId, CThumbsView* view);

    // --- Clipboard and drag and drop (ThumbsBrowserTransfer.cpp) ---
    // The selected paths in display order, each followed by its sound note;
    // firstPath gets the first selected path.
    QStringList BuildDropFiles(QString& firstPath) const;
    void CopyToClipboard();
    // Ctrl+X: the selection on the clipboard marked cut, so that a paste
    // (here or in a file manager) moves it.
    void CutToClipboard();
    // The clipboard offers files and a folder is shown.
    bool CanPaste() const;
    // Copies or moves the clipboard's files into the folder; `pasted` gets
    // their paths. Lists the folder again afterwards.
    void PasteFromClipboard(QStringList* pasted = nullptr);
    // An internal drag: the insertion marker follows the pointer.
    void UpdateDragFeedback(CThumbsView* view, QPoint point);
    // Removes the insertion marker and closes the gap.
    void EndDragFeedback(CThumbsView* view);
    void ReorderByDrop(const QMimeData* data, QPoint point, CThumbsView* view);
    // The file-operation bracket of paste, drop and rename (FileOpBracket.h).
    void BeginFileOp();
    void EndFileOp();
    void SuspendMonitor();
    void ResumeMonitor();

    // --- In-place rename and the undo record (ThumbsBrowserRename.cpp) ---
    // Opens the rename box over the caption of item `index`.
    void BeginRename(CThumbsView* view, int index);
    // The box's commit: renames the file and its sound note, records the
    // rename, and updates the item (or lists the folder again when a sound
    // note is involved).
    void CommitRename(const QString& oldPath, const QString& typedName);
    void RecordUndoPaths(const QStringList& oldPaths, const QStringList& newPaths);
    void RecordUndoRename();
    // The application's label-editing flag, set while a rename box is open.
    void SetLabelEditingFlag(bool* flag) { m_pbLabelEditing = flag; }

    // --- Layout (content coordinates unless said otherwise) ---
    ThumbsGeometry Geometry(const CThumbsView* view) const;
    int GetColumnCount(CThumbsView* view);
    // The cell's top-left corner with its gap offset; advances the gap
    // animation of the item.
    QPoint GetItemPos(CThumbsView* view, int index);
    // The cell's top-left corner with its gap offset as it stands, as the
    // last painting placed it (the animation stays where it is).
    QPoint DrawnItemPos(CThumbsView* view, int index) const;
    QRect GetItemRect(CThumbsView* view, int index);
    QRect GetLabelRect(CThumbsView* view, int index);
    int GetRowOf(CThumbsView* view, int index);
    // The item's row in client coordinates, across the client width.
    QRect GetRowRect(CThumbsView* view, int index);
    QRect GetRowRectOfRow(CThumbsView* view, int row);
    // Point in client coordinates; -1 or an index (maybe >= count).
    int HitTest(CThumbsView* view, QPoint point);
    int GetInsertIndexAt(CThumbsView* view, QPoint point);
    QSize GetContentSize(CThumbsView* view);
    void EnsureVisible(int index);
    void AnimateGap(CThumbsView* view);
    void ResetOffsets();
    void DrawInsertMarker(QPainter& painter, CThumbsView* view);
    void EraseInsertMarker(CThumbsView* view);
    void DrawRubberBand(CThumbsView* view, int x, int y, bool erase);
    void EraseRubberBand(CThumbsView* view, int x, int y);
    // The rubber band outline, drawn by the view's painting while shown.
    bool RubberBandShown() const { return m_bBandDrawn != 0; }
    QRect RubberBandRect() const;
    void OnTimerTick(int timerId);
    // The rubber band's auto-scroll timer; true when `timerId` was its own.
    bool OnAutoScrollTimer(int timerId);

    // --- State ---
    platform::Event m_evGo{platform::Event::Reset::Automatic, true};
    platform::Event m_evStop{platform::Event::Reset::Automatic, false};
    platform::Event m_evIdle{platform::Event::Reset::Automatic, true};
    int m_nGap = 0;
    std::vector<std::int16_t> m_arrOffsets;
    std::uint8_t m_bInClick = 0;
    std::uint8_t m_bButtonDown = 0;
    std::uint8_t m_bManyItems = 0;
    int m_nCellsDrawn = 0;  // DrawItem calls of the last OnDraw
    std::uint8_t m_bMultiSelect = 1;
    int m_bRubberBand = 0;
    AutoScrollTimer m_autoScroll;
    int m_nCpuMHz = 0;
    int m_bClosingGap = 0;
    QString m_strLastInfoPath;
    QStringList m_lstPaths;
    QString m_strFolder;
    // The library shown (its location text), empty while a folder or a list is.
    QString m_strLocationText;
    QString m_strLegacyCacheFile;
    int m_bInternalDrag = 0;
    int m_nInsertIndex = -1;
    int m_nPrevInsertRow = -1;
    QPoint m_ptLastFeedback;
    int m_nSortType = 0;
    std::uint8_t m_bSingleRow = 0;
    int m_nLocationType = kLocationFolder;
    int m_bCtrlPending = 0;
    int m_bDragCandidate = 0;
    QPoint m_ptAnchor;
    QPoint m_ptBandEnd;
    int m_bBandDrawn = 0;
    QRect m_rcContext;
    QString m_strContextPath;
    CellRef m_pDragCell;
    bool* m_pbLabelEditing = nullptr;
    QString m_strUndoDir1, m_strUndoDir2, m_strUndoCutDir1, m_strUndoCutDir2;
    int m_nUndoDepth = 0, m_nUndoKind = 0, m_nPrevUndoKind = 0;
    QStringList m_lstUndoOld, m_lstPrevUndoOld, m_lstUndoNew, m_lstPrevUndoNew;

    // Decodes the thumbnails of the rows about to come into view, off the
    // painting; each painting of the grid hands it the rows next to the
    // visible ones (for tests and measurements).
    CThumbDecoder& ThumbDecoder();

protected:
    const AppSettings& Settings() const { return m_settings; }
    // A new unselected item of the path.
    std::unique_ptr<CItem> MakeItem(const QString& path) const;
    // The common end of every listing: offsets and paths rebuilt, the view
    // laid out and repainted, the builder given the paths.
    void AfterListing(bool scrollToTop);
    // Repaints the whole view with erase (when a view is linked).
    void InvalidateView(bool updateNow);

private:
    void PrepareThumbCache();
    void ReleaseInstance();
    // The gap offset of item j in the grid (advancing its animation).
    int GapOffset(int index, int row, int col, int cols);
    // Hands the decoder the cells of the rows next to the visible ones: two
    // screenfuls in the direction of the last scrolling first, nearest
    // first, then one screenful the other way; at most as many as leave the
    // visible cells their place among the decoded thumbnails. Nothing while
    // a visible picture still waits for its thumbnail.
    void DecodeRowsAhead(CThumbsView* view);
    // Whether item `index` lies, whole or in part, in the view's client area.
    bool IsItemShown(CThumbsView* view, int index);

    const AppSettings& m_settings;
    CITEMLIST m_items;
    std::atomic<CThumbsView*> m_pView{nullptr};
    std::unique_ptr<CFolderMonitor> m_pMonitor;
    // The builder's way to the view: installed by LinkView, removed by
    // UnlinkView, read by OnThumbUpdate, all under this mutex.
    std::mutex m_csListener;
    std::shared_ptr<ThumbUpdatePoster> m_poster;
    // The temporary cells whose thumbnails Select all loaded, for the items
    // that were shown then, by path: the painting draws them while the
    // thumbnail cache has no built cell for the item. Rebuilt by every
    // Select all (only the items shown keep theirs), emptied by every
    // listing. User-interface thread only.
    QHash<QString, std::shared_ptr<CPaletteItem>> m_selectAllCells;

    // What the builder holds in its list of listeners. Its type never
    // changes and it touches only the listener mutex and the poster, so a
    // builder thread may call it at any moment between the registration in
    // the constructor and the removal in the destructor, also while the
    // derived parts of the browser are still being built or already gone.
    class BuilderListener final : public IThumbUpdate {
    public:
        explicit BuilderListener(CThumbsBrowser& browser) : m_browser(browser) {}
        void OnThumbUpdate(const QString& path, int flag) override { m_browser.PostThumbUpdate(path, flag); }

    private:
        CThumbsBrowser& m_browser;
    };
    void PostThumbUpdate(const QString& path, int flag);
    BuilderListener m_builderListener{*this};
    // Made by the first painting.
    std::unique_ptr<CThumbDecoder> m_pDecoder;
    // What the last hand-over to the decoder was made for, and the direction
    // of the last scrolling.
    struct AheadKey {
        int scrollY = -1, count = -1, columns = -1, cellHeight = -1, clientHeight = -1;
        bool operator==(const AheadKey&) const = default;
    };
    AheadKey m_aheadKey;
    bool m_bScrolledUp = false;
};

#include "batch/basket/BasketBrowser.h"

#include <QClipboard>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <mutex>
#include <optional>

#include "batch/basket/BasketHost.h"
#include "batch/basket/BasketIds.h"
#include "batch/basket/BasketItems.h"
#include "batch/basket/BasketThumbnail.h"
#include "browser/cache/ThumbCache.h"
#include "browser/cells/PaletteItemImg.h"
#include "browser/thumbs/FileMimeData.h"
#include "browser/thumbs/ThumbsView.h"
#include "core/settings/AppSettings.h"

namespace {

constexpr int kHintMinTenths = 4;
constexpr int kHintMeasureTenths = 100;

// The same formats as the browser's paste and drop take.
bool OffersFiles(const QMimeData* data) { return HasFileListFormat(data); }

}  // namespace

QStringList LocalFilesOf(const QMimeData* data) {
    const std::optional<FileListData> list = ReadFileListMimeData(data);
    return list ? list->paths : QStringList();
}

CBasketBrowser::CBasketBrowser(AppSettings& settings, IBasketHost* host)
    : CImgThumbsBrowser(settings), m_appSettings(settings), m_pHost(host) {
    // One row of items, never a folder's listing.
    m_bSingleRow = 1;
    m_nLocationType = kLocationList;
}

CBasketBrowser::~CBasketBrowser() = default;

void CBasketBrowser::ComputeItemSize(CItem& item, bool keepOwnSize) {
    ::ComputeItemSize(item, keepOwnSize, m_appSettings);
}

void CBasketBrowser::ApplySettingsToAll() { ::ApplySettingsToAll(Items(), m_appSettings); }

void CBasketBrowser::ApplySettingsToSelected() { ::ApplySettingsToSelected(Items(), m_appSettings); }

void CBasketBrowser::AddFiles(const QStringList& paths) {
    ReplaceBasketFiles(Items(), paths, m_appSettings);
    RebuildList();
}

void CBasketBrowser::LoadThumbnail(const QString& path) {
    LoadThumbnailAtOnce(path, g_ThumbCache,
                        [this] { return std::dynamic_pointer_cast<CPaletteItemImg>(CreateItem()); });
}

int CBasketBrowser::AddDroppedFiles(const QStringList& paths) {
    const int added =
        AddBasketFiles(Items(), paths, m_appSettings, [this](const QString& path) { LoadThumbnail(path); });
    // The new items start without a drag gap; the paths go to the builder.
    RebuildList();
    return added;
}

void CBasketBrowser::PasteFiles() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!OffersFiles(data))
        return;
    // What the clipboard says of moving or copying changes nothing: the
    // basket only records paths.
    AddDroppedFiles(LocalFilesOf(data));
}

bool CBasketBrowser::CanPasteFiles() const { return OffersFiles(QGuiApplication::clipboard()->mimeData()); }

void CBasketBrowser::RemoveSelected() {
    if (RemoveSelectedItems(Items()) > 0)
        RebuildList();
    else
        Repaint();
}

int CBasketBrowser::CountSelectedFiles() const {
    return static_cast<int>(
        std::count_if(Items().begin(), Items().end(), [](const auto& item) { return item->m_bSelected != 0; }));
}

void CBasketBrowser::Refresh() { RebuildList(); }

void CBasketBrowser::RebuildList() { AfterListing(false); }

void CBasketBrowser::Repaint() { InvalidateView(false); }

bool CBasketBrowser::LoadBatch() {
    if (!m_chooseBatchFile)
        return false;
    const QString path = m_chooseBatchFile(true);
    if (path.isEmpty() || !LoadBatchFileInto(Items(), path, m_appSettings))
        return false;
    // Another basket: it opens at its first item, not where the old one was
    // scrolled to.
    AfterListing(true);
    return true;
}

bool CBasketBrowser::SaveBatch() {
    if (!m_chooseBatchFile)
        return false;
    const QString path = m_chooseBatchFile(false);
    return !path.isEmpty() && SaveBatchFileFrom(Items(), path);
}

void CBasketBrowser::OpenClickedItem(const CItem& item) {
    ApplyItemSettings(item, m_appSettings);
    if (m_pHost == nullptr)
        return;
    if (m_pHost->IsBrowsing()) {
        m_pHost->UpdateAll();
        return;
    }
    // The document keeps the item's target on this open.
    const QString path = item.m_strPath;
    m_appSettings.m_bOpenFromBasket = 1;
    m_pHost->OpenDocumentFile(path);
    m_appSettings.m_bOpenFromBasket = 0;
}

void CBasketBrowser::OnLButtonDown(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point) {
    const int index = HitTest(view, point);
    if (const CItem* item = index < GetItemCount() ? GetItem(index) : nullptr)
        OpenClickedItem(*item);
    CImgThumbsBrowser::OnLButtonDown(view, surface, keyFlags, point);
}

void CBasketBrowser::OnMouseMove(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point) {
    CImgThumbsBrowser::OnMouseMove(view, surface, keyFlags, point);
}

void CBasketBrowser::OnContextMenu(CThumbsView* view, IBorderBuffer& surface, unsigned, QPoint point) {
    const QPoint global = view != nullptr ? view->viewport()->mapToGlobal(point) : QCursor::pos();
    const int index = HitTest(view, point);
    CItem* item = index < GetItemCount() ? GetItem(index) : nullptr;
    int menu = IDR_BASKET_MENU_OUT;
    if (item == nullptr) {
        for (auto& each : Items())
            each->m_bSelected = 0;
        Repaint();
    } else {
        if (!item->m_bSelected) {
            // As a left click and release on it.
            OnLButtonDown(view, surface, MK_LBUTTON, point);
            OnLButtonUp(view, surface, 0, point);
            // The base selection comes with the browser's mouse handling;
            // the item under the point is selected in any case.
            if (!item->m_bSelected) {
                for (auto& each : Items())
                    each->m_bSelected = 0;
                item->m_bSelected = 1;
                Repaint();
            }
        }
        m_strContextPath = item->m_strPath;
        m_rcContext = GetItemRect(view, index);
        menu = CountSelectedFiles() == 1 ? IDR_BASKET_MENU_ONE : IDR_BASKET_MENU_MANY;
    }
    if (m_trackMenu)
        m_trackMenu(menu, global);
    UpdateSelectionInfo();
}

int CBasketBrowser::HintFontTenths(int clientWidth, int measuredWidthAt10pt) {
    if (measuredWidthAt10pt <= 0)
        return kHintMinTenths;
    const std::int64_t tenths = std::int64_t{clientWidth} * 50 / measuredWidthAt10pt;
    return static_cast<int>(std::clamp<std::int64_t>(tenths, kHintMinTenths, 100000));
}

void CBasketBrowser::OnDraw(CThumbsView* view, IBorderBuffer& surface, QPainter& painter, const QRect& clip) {
    if (GetItemCount() > 0 || view == nullptr) {
        CImgThumbsBrowser::OnDraw(view, surface, painter, clip);
        return;
    }
    const QString hint = BasketEmptyHint();
    const QRect client(QPoint(0, 0), view->ClientSize());
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(kHintMeasureTenths / 10.0);
    const int measured = QFontMetrics(font, painter.device()).horizontalAdvance(hint);
    font.setPointSizeF(HintFontTenths(client.width(), measured) / 10.0);
    painter.save();
    painter.setFont(font);
    painter.setPen(BrowserColor(g_BrowserColors.crText.load()));
    painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, hint);
    painter.restore();
}

int CBasketBrowser::OnDragEnter(const QMimeData* data, unsigned, QPoint) {
    if (data == nullptr)
        return DROPEFFECT_NONE;
    if (m_bInternalDrag || OffersFiles(data))
        return DROPEFFECT_COPY | DROPEFFECT_MOVE;
    return DROPEFFECT_NONE;
}

int CBasketBrowser::OnDragOver(const QMimeData* data, unsigned keyState, QPoint) {
    if (!OffersFiles(data))
        return DROPEFFECT_NONE;
    if (keyState & MK_CONTROL)
        return DROPEFFECT_COPY;
    if (keyState & MK_SHIFT)
        return DROPEFFECT_MOVE;
    return DROPEFFECT_COPY;
}

void CBasketBrowser::OnDragLeave() { m_bInternalDrag = 0; }

bool CBasketBrowser::OnDrop(const QMimeData* data, int dropEffect, QPoint point) {
    // A drag within the basket reorders its items (the browser's own drop);
    // any other drop adds files.
    if (m_bInternalDrag)
        return CImgThumbsBrowser::OnDrop(data, dropEffect, point);
    OnDropFiles(data, point, View(), dropEffect);
    return true;
}

void CBasketBrowser::OnDropFiles(const QMimeData* data, QPoint, CThumbsView*, int) {
    if (!OffersFiles(data))
        return;
    AddDroppedFiles(LocalFilesOf(data));
}

QString CBasketBrowser::GetToolTipText(int index) { return BasketToolTipText(Items(), index); }

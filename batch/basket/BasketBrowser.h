#pragma once
// CBasketBrowser: the model of the batch basket, an image thumbnail browser
// whose items are added one by one (drop, paste, the command line, batch
// files) rather than listed from a folder, laid out in one row. Every item
// carries its own output settings (BasketItems.h); a click gives the settings
// an item's own and opens its picture; the tooltip shows an item's settings;
// the empty basket draws its hint.
//
// The main frame makes one basket with its client area and deletes it with
// the frame; CBasketView shows it. UI thread only; during a batch run the
// worker reads a copy of the items, and the modal progress dialog keeps the
// basket from changing.

#include <QString>
#include <QStringList>

#include <functional>

#include "browser/thumbs/ImgThumbsBrowser.h"

class AppSettings;
class IBasketHost;

class CBasketBrowser : public CImgThumbsBrowser {
public:
    // The path of a batch file to load (load set) or save, chosen by the
    // user; empty when cancelled.
    using ChooseBatchFile = std::function<QString(bool load)>;
    // Shows a context menu of the given id at the global point.
    using TrackMenu = std::function<void(int menuId, QPoint globalPoint)>;

    CBasketBrowser(AppSettings& settings, IBasketHost* host = nullptr);
    ~CBasketBrowser() override;

    void SetHost(IBasketHost* host) { m_pHost = host; }
    ChooseBatchFile m_chooseBatchFile;
    TrackMenu m_trackMenu;

    const char* GetRuntimeClass() const override { return "CBasketBrowser"; }

    void ComputeItemSize(CItem& item, bool keepOwnSize);
    void ApplySettingsToAll();
    void ApplySettingsToSelected();
    // Replaces the basket with the files that exist (the command line).
    void AddFiles(const QStringList& paths);
    // Adds the clipboard's files (nothing when it holds none).
    void PasteFiles();
    bool CanPasteFiles() const;
    // Adds dropped or pasted files; returns how many were added.
    int AddDroppedFiles(const QStringList& paths);
    void RemoveSelected();
    int CountSelectedFiles() const;
    void Refresh() override;
    void RebuildList();
    // True when a file was loaded (the basket was replaced); the view then
    // shows the new basket from its first item.
    bool LoadBatch();
    bool SaveBatch();

    void OnContextMenu(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point) override;
    void OnDraw(CThumbsView* view, IBorderBuffer& surface, QPainter& painter, const QRect& clip) override;
    bool OnDrop(const QMimeData* data, int dropEffect, QPoint point) override;
    void OnDropFiles(const QMimeData* data, QPoint point, CThumbsView* view, int dropEffect) override;
    int OnDragOver(const QMimeData* data, unsigned keyState, QPoint point) override;
    void OnDragLeave() override;
    int OnDragEnter(const QMimeData* data, unsigned keyState, QPoint point) override;
    void OnLButtonDown(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point) override;
    void OnMouseMove(CThumbsView* view, IBorderBuffer& surface, unsigned keyFlags, QPoint point) override;
    virtual QString GetToolTipText(int index);

    // The empty basket's hint font size in tenths of a point for a client
    // width: the hint takes about half of it, and never less than 4.
    static int HintFontTenths(int clientWidth, int measuredWidthAt10pt);

private:
    void LoadThumbnail(const QString& path);
    void OpenClickedItem(const CItem& item);
    void Repaint();

    AppSettings& m_appSettings;
    IBasketHost* m_pHost = nullptr;
};

// The local files of a drop or a clipboard, in order, paths whole, from any
// of the desktops' file-list formats (FileMimeData.h).
QStringList LocalFilesOf(const QMimeData* data);

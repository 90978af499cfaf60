#pragma once
// CPaletteItem: the cell that draws one file in a thumbnail browser: an image
// area on the in-frame background, a rounded frame painted once into the
// view's IBorderBuffer and then copied, and a caption with the file name that
// scrolls sideways while the item is selected and the name is too long. The
// base cell draws background, frame and caption; its image slot draws
// nothing. CPaletteItemImg adds the thumbnail.
//
// Geometry at zoom z (percent, g_nIconsZoom): the box 220 x 165 scaled to
// bw x bh (rounded half up), the cell (bw + 12) x (bh + 12 + 20), the image
// area at (6, 6) of size bw x bh, the caption band of 20 pixels below it.
// Zoom 100 gives cells of 232 x 197, zoom 66 cells of 157 x 141.
//
// Ownership and threads: cells are held by std::shared_ptr (the cache, the
// builder threads and the browsers share them). Once a cell is shared, its
// fields are read and written under g_csThumbCache; every operation here
// takes that lock itself. Drawing happens on the user-interface thread inside
// paint events, on a QPainter of the view; operations that would have drawn
// outside a paint event (RedrawSelection, ScrollLabel) instead return the
// rectangle the view must update.

#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <cstdint>

#include "browser/cells/BorderBuffer.h"

namespace platform {
class ArchiveReader;
class ArchiveWriter;
}  // namespace platform
class CProgress;

// The thumbnail box at zoom 100.
inline constexpr int kThumbBoxWidth = 220;
inline constexpr int kThumbBoxHeight = 165;
inline constexpr int kCellMargin = 6;
inline constexpr int kCaptionHeight = 20;

// The cell size for a zoom without a cell: the same numbers as GetCellSize of
// a cell with a caption. The details layout is not built (nothing switches it
// on); its flag is accepted and ignored.
QSize GetCellSizeForZoom(int zoomPercent, bool details = false);

// v * zoom / 100, rounded half up as the cells round.
int ScaleForZoom(int value, int zoomPercent);

// A 0x00BBGGRR colour of g_BrowserColors.
QColor BrowserColor(std::uint32_t bgr);

class CPaletteItem {
public:
    CPaletteItem();
    virtual ~CPaletteItem();
    CPaletteItem(const CPaletteItem&) = delete;
    CPaletteItem& operator=(const CPaletteItem&) = delete;

    // --- Virtual operations, in their order ---
    virtual const char* GetRuntimeClass() const { return "CPaletteItem"; }
    // The archive record; the base cell has none.
    virtual void Serialize(platform::ArchiveWriter& archive);
    virtual void Deserialize(platform::ArchiveReader& archive);
    virtual bool LoadThumbnail(const QString& path, bool better, CProgress* progress);
    virtual void DrawInto(QPainter& painter, const QRect& rect, const QString& path, bool border);
    virtual void DrawStretched(QPainter& painter, const QRect& rect, const QString& path, bool crop);
    virtual QSize GetCellSize() const;
    virtual int GetZoomPercent() const;
    virtual bool IsDetailsMode() const;
    // The information band has height 0 and adds nothing to any size.
    virtual bool HasInfoBand() const { return true; }
    virtual void DrawDetails(QPainter& painter, int x, int y, const QString& path, bool selected);
    virtual void DrawImage(QPainter& painter, int x, int y, const QString& path, bool selected, bool cut);
    virtual void DrawFrame(QPainter& painter, IBorderBuffer& surface, int x, int y, const QString& path, bool selected);
    virtual void DrawMarks(QPainter& painter, int x, int y, const QString& path, bool selected);
    // The part of the cell (relative to its corner) filled with the in-frame
    // background before the image is drawn (the image cell decodes its
    // thumbnail to tell).
    virtual QRegion GetImageRegion();
    virtual void DrawLabel(QPainter& painter, int x, int y, const QString& path, bool selected);

    // --- Interfaces ---
    // The whole cell with its top-left corner at (x, y). Cells outside the
    // painter's clip return at once.
    void Draw(QPainter& painter, IBorderBuffer& surface, int x, int y, const QString& path, bool selected, bool cut);
    // After a selection change: resets the caption's scroll and returns the
    // cell rectangle at (x, y) for the view to update.
    QRect RedrawSelection(int x, int y);
    // One step of the caption animation (every 100 ms for a selected cell):
    // returns the caption rectangle moved up by scrollY for the view to
    // update, or an empty rectangle when the caption does not scroll.
    QRect ScrollLabel(int scrollY);
    // The insertion caret of a drag within a single-row browser.
    static void DrawInsertMark(QPainter& painter, const QRect& rect);

    // --- Geometry, relative to the cell's top-left corner ---
    QRect GetImageArea() const;
    QRect GetImageRect() const;
    // The caption rectangle of the cell rectangle for a text measured with
    // the caption font; stores the measured width.
    QRect GetLabelRect(const QRect& cell, const QString& text);
    int GetCaptionHeight() const { return m_bNoCaption ? 0 : kCaptionHeight; }
    QSize GetScaledThumbSize() const;
    // The scaled box at the current zoom.
    QSize GetScaledBox() const;

    // The caption text: the path after its last '/' (the whole path without one).
    static QString CaptionText(const QString& path);
    // The caption font: the desktop's general font at 8 points.
    static QFont CaptionFont();

    // --- Fields ---
    std::int64_t m_timeFile = 0;  // last write time of the file when the thumbnail was made
    std::int32_t m_nImageWidth = -1;
    std::int32_t m_nImageHeight = -1;
    std::int32_t m_nBitsPerPixel = -1;
    std::int64_t m_timeLastUse = 0;
    std::int32_t m_nThumbWidth = kThumbBoxWidth;  // kept thumbnail at zoom 100
    std::int32_t m_nThumbHeight = kThumbBoxHeight;
    std::int32_t m_nReserved1 = 0;
    std::int32_t m_nReserved2 = 0;
    std::u16string m_strMarkS;
    std::u16string m_strMarkF;
    // Caption state of the last drawing.
    std::int32_t m_nLabelScroll = 0;
    bool m_bLabelScrolls = false;
    QRect m_rcLabel;
    std::int32_t m_nLabelTextWidth = 0;
    bool m_bNoCaption = false;
    QSize m_sizeBox{kThumbBoxWidth, kThumbBoxHeight};

protected:
    // Paints one frame image of W x H.
    QPixmap PaintFrame(const QSize& cell, bool selected) const;
    // The placeholder of a cell without thumbnail: a page with the file's
    // extension, centred in `area` (drawn when the zoom is above 19).
    static void DrawPlaceholder(QPainter& painter, const QRect& area, const QString& path);
};

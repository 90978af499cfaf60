#pragma once
// CPaletteItemImg: the thumbnail cell of an image file.
//
// It builds its thumbnail from the file, fast from the thumbnail a camera
// embedded in the EXIF data (the fast pass), or from the whole image decoded
// at a reduced size (the better pass, and the fast pass of a file without an
// embedded thumbnail); keeps it as a baseline JPEG from the Kestrel encoder;
// decodes that into a 24-bit CDib only when it is drawn; and writes and reads
// itself as one record of the thumbnail cache's archives (class
// "CPaletteItemImg", schema 1).
//
// Threads: a pass builds into locals without any lock, reading only the
// file, and then swaps the results in under g_csThumbCache; a failed pass
// keeps the thumbnail the cell had. Drawing and GetDib take the same lock to
// read the cell and to store a decoded DIB, never while they decode, so the
// builder threads are not held up by a drawing; the DIB and JPEG a drawing
// uses stay alive through their shared pointers.

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "browser/cells/ByteBlock.h"
#include "browser/cells/PaletteItem.h"
#include "imagefiles/Dib.h"

// A CDib reference owned by a shared pointer: the last holder releases it.
using DibRef = std::shared_ptr<CDib>;
// Takes over the one reference the caller holds.
DibRef AdoptDib(CDib* dib);

// What a pass produced, ready to be swapped into a cell.
struct ThumbnailBuild {
    std::int32_t imageWidth = 0;
    std::int32_t imageHeight = 0;
    std::int32_t bitsPerPixel = 0;
    std::int32_t thumbWidth = kThumbBoxWidth;
    std::int32_t thumbHeight = kThumbBoxHeight;
    bool complete = false;
    bool soundNote = false;
    // Null for a better pass of a complete cell: nothing to replace.
    DibRef dib;
    std::shared_ptr<const CByteBlock> jpeg;
};

struct ReservedRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const ReservedRect&) const = default;
};

// For tests: called on the decoding thread right before a cell decodes its
// JPEG for a drawing (GetDib) or ahead of one (DecodeAhead), with no lock
// held; an empty function removes it.
void SetThumbDecodeObserver(std::function<void()> observer);

class CPaletteItemImg : public CPaletteItem {
public:
    CPaletteItemImg();
    ~CPaletteItemImg() override;

    const char* GetRuntimeClass() const override { return "CPaletteItemImg"; }
    // The record; writing first compresses a cell that has only a DIB.
    // Reading raises platform::ArchiveException (invalidFile for a thumbnail
    // made for another box, endOfFile for a record cut short).
    void Serialize(platform::ArchiveWriter& archive) override;
    void Deserialize(platform::ArchiveReader& archive) override;
    // Builds (fast pass: better clear) or improves (better pass) the
    // thumbnail; true when the cell now holds one from this pass.
    bool LoadThumbnail(const QString& path, bool better, CProgress* progress) override;
    void DrawInto(QPainter& painter, const QRect& rect, const QString& path, bool border) override;
    // Fills the rectangle with the thumbnail, cropped to cover it when crop
    // is set, else fitted into it.
    void DrawStretched(QPainter& painter, const QRect& rect, const QString& path, bool crop) override;
    void DrawImage(QPainter& painter, int x, int y, const QString& path, bool selected, bool cut) override;
    void DrawFrame(QPainter& painter, IBorderBuffer& surface, int x, int y, const QString& path,
                   bool selected) override;
    QRegion GetImageRegion() override;

    // The class tag and record of one cell in an archive; reading accepts
    // only the class "CPaletteItemImg" with schema 1 (else badClass).
    static void WriteObject(platform::ArchiveWriter& archive, CPaletteItemImg& cell);
    // The class tag of a cell followed by a record written before (Serialize's bytes).
    static void WriteObjectRecord(platform::ArchiveWriter& archive, std::span<const std::uint8_t> record);
    // Continues an archive whose `objects` objects (at least one) are cells.
    static void ResumeArchiveOfCells(platform::ArchiveWriter& archive, std::uint32_t objects);
    static void ResumeArchiveOfCells(platform::ArchiveReader& archive, std::uint64_t objects);
    static std::shared_ptr<CPaletteItemImg> ReadObject(platform::ArchiveReader& archive);

    // The two halves of LoadThumbnail, for callers that check the cell
    // between them (the builder's better pass): the build reads the cell's
    // facts under the lock and then works without it; nothing for a failed
    // build. Exceptions of the JPEG compression escape.
    std::optional<ThumbnailBuild> BuildThumbnail(const QString& path, bool better) const;
    // Swaps a build in; the caller holds g_csThumbCache or owns the cell alone.
    void AdoptThumbnail(ThumbnailBuild&& build);

    // The DIB, decoded from the JPEG first when needed; null without a
    // thumbnail or when the JPEG is damaged or not a colour image of at most
    // 220 x 165 matching the cell's thumbnail size. A DIB decoded from the
    // JPEG becomes the most recently used one of g_DecodedDibs, which may
    // drop it later: the cell then decodes it again.
    DibRef GetDib();
    // Decodes the DIB from the JPEG ahead of its drawing, holding
    // g_csThumbCache only to look at the cell and to store the result (not
    // while it decodes). True when it decoded one; false when the cell had a
    // DIB, has no JPEG, the JPEG is damaged, or the cell changed meanwhile.
    bool DecodeAhead();
    // Whether the cell has a decoded DIB now, without decoding one.
    bool HoldsDib() const;
    bool HasThumbnailData() const;
    bool IsComplete() const;
    // Changes whenever the cell's record changes (a pass swapped in, a failed
    // fast pass cleared it), so that a saved copy of the record can be told
    // from a stale one. Read it under g_csThumbCache.
    std::uint64_t RecordRevision() const { return m_nRecordRevision; }
    // The stored JPEG, shared.
    std::shared_ptr<const CByteBlock> Jpeg() const;

    // For a file whose name changed: its facts and its JPEG move to the new cell.
    void CopyInfoFrom(const CPaletteItemImg& other);
    void CopyJpegFrom(const CPaletteItemImg& other);

    // The thumbnail size for an image of w x h: touching the box 220 x 165 on
    // one side, the other side at least 1; 10 x 10 when either side is 0.
    static QSize FitThumbSize(std::int64_t width, std::int64_t height);
    // Compresses a 24-bit DIB as this cell stores it (rows in memory order,
    // blue, green, red taken as the encoder's red, green, blue).
    static std::shared_ptr<const CByteBlock> CompressThumbnail(const CDib& dib);

    bool m_bSoundNote = false;
    bool m_bComplete = false;
    std::int32_t m_nReserved3 = 0;
    std::array<std::int32_t, 6> m_anReserved{-1, -1, -1, -1, -1, -1};
    bool m_bReserved = false;
    std::vector<ReservedRect> m_arrReservedRects;

private:
    // The image drawn into a rectangle of the painter (flipped upright).
    static void DrawDib(QPainter& painter, const CDib& dib, const QRect& dest, bool cut);
    // The thumbnail fitted into the rectangle, or covering it when crop is set.
    void DrawFitted(QPainter& painter, const QRect& rect, const QString& path, bool border, bool crop);

    // The decoded DIB is stale: it leaves g_DecodedDibs. Under the lock.
    void ForgetDecodedDib();
    // DecodeJpeg for a drawing or the decoder ahead, which hold no lock
    // meanwhile; tells the observer of the decodings first.
    static DibRef DecodeUnlocked(const std::shared_ptr<const CByteBlock>& jpeg, std::int32_t thumbWidth,
                                 std::int32_t thumbHeight);
    // The JPEG decoded into a DIB of the thumbnail's size; null when it is
    // damaged or not a colour image of at most 220 x 165. No lock needed.
    static DibRef DecodeJpeg(const CByteBlock& jpeg, std::int32_t thumbWidth, std::int32_t thumbHeight);

    std::uint64_t m_nRecordRevision = 0;
    std::shared_ptr<const CByteBlock> m_pJpeg;
    // Only a cell without a JPEG keeps its DIB.
    DibRef m_pDib;
    // The DIB decoded from m_pJpeg, while g_DecodedDibs keeps it.
    std::weak_ptr<CDib> m_pDecodedDib;
};

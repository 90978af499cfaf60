// CPaletteItemImg: the record of one cell in the thumbnail cache's archives.
#include <mutex>

#include "browser/cells/PaletteItemImg.h"
#include "browser/cells/ThumbCacheLock.h"
#include "platform/archive/ArchiveReader.h"
#include "platform/archive/ArchiveWriter.h"

namespace {

constexpr const char* kClassName = "CPaletteItemImg";
constexpr std::uint16_t kSchema = 1;
constexpr std::uint64_t kReservedRectBytes = 16;

}  // namespace

void CPaletteItemImg::Serialize(platform::ArchiveWriter& ar) {
    std::lock_guard lock(g_csThumbCache);
    if (!m_pJpeg && m_pDib)
        m_pJpeg = CompressThumbnail(*m_pDib);
    ar.WriteTime(m_timeFile);
    ar.WriteInt32(m_nThumbWidth);
    ar.WriteInt32(m_nThumbHeight);
    ar.WriteDword(m_pJpeg ? 1 : 0);
    if (m_pJpeg) {
        ar.WriteDword(m_pJpeg->Size());
        ar.WriteBytes(m_pJpeg->Bytes());
    }
    ar.WriteInt32(m_nImageWidth);
    ar.WriteInt32(m_nImageHeight);
    ar.WriteInt32(m_nBitsPerPixel);
    ar.WriteInt32(m_nReserved1);
    ar.WriteInt32(m_nReserved2);
    ar.WriteDword(m_bComplete ? 1 : 0);
    ar.WriteString(m_strMarkS);
    ar.WriteString(m_strMarkF);
    ar.WriteTime(m_timeLastUse);
    for (const std::int32_t value : m_anReserved)
        ar.WriteInt32(value);
    ar.WriteInt32(m_nReserved3);
    ar.WriteByte(m_bReserved ? 1 : 0);
    ar.WriteCount(m_arrReservedRects.size());
    for (const ReservedRect& r : m_arrReservedRects) {
        ar.WriteInt32(r.left);
        ar.WriteInt32(r.top);
        ar.WriteInt32(r.right);
        ar.WriteInt32(r.bottom);
    }
}

void CPaletteItemImg::Deserialize(platform::ArchiveReader& ar) {
    std::lock_guard lock(g_csThumbCache);
    ForgetDecodedDib();
    m_pDib = nullptr;
    m_pJpeg = nullptr;
    m_timeFile = ar.ReadTime();
    m_nThumbWidth = ar.ReadInt32();
    m_nThumbHeight = ar.ReadInt32();
    // A thumbnail made for another box is not for this program.
    if (m_nThumbWidth != kThumbBoxWidth && m_nThumbHeight != kThumbBoxHeight)
        throw platform::ArchiveException(platform::ArchiveException::invalidFile);
    if (ar.ReadDword() != 0) {
        const std::uint32_t length = ar.ReadDword();
        if (length > 0) {
            const auto bytes = ar.ReadBytes(length);
            m_pJpeg = std::make_shared<const CByteBlock>(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        }
    }
    m_nImageWidth = ar.ReadInt32();
    m_nImageHeight = ar.ReadInt32();
    m_nBitsPerPixel = ar.ReadInt32();
    m_nReserved1 = ar.ReadInt32();
    m_nReserved2 = ar.ReadInt32();
    m_bComplete = ar.ReadDword() != 0;
    m_strMarkS = ar.ReadString();
    m_strMarkF = ar.ReadString();
    m_timeLastUse = ar.ReadTime();
    for (std::int32_t& value : m_anReserved)
        value = ar.ReadInt32();
    m_nReserved3 = ar.ReadInt32();
    m_bReserved = ar.ReadByte() != 0;
    const std::uint64_t rects = ar.ReadCount(kReservedRectBytes);
    m_arrReservedRects.clear();
    m_arrReservedRects.reserve(static_cast<std::size_t>(rects));
    for (std::uint64_t i = 0; i < rects; ++i) {
        ReservedRect r;
        r.left = ar.ReadInt32();
        r.top = ar.ReadInt32();
        r.right = ar.ReadInt32();
        r.bottom = ar.ReadInt32();
        m_arrReservedRects.push_back(r);
    }
}

void CPaletteItemImg::WriteObject(platform::ArchiveWriter& ar, CPaletteItemImg& cell) {
    ar.WriteObjectClass(kClassName, kSchema);
    cell.Serialize(ar);
}

void CPaletteItemImg::WriteObjectRecord(platform::ArchiveWriter& ar, std::span<const std::uint8_t> record) {
    ar.WriteObjectClass(kClassName, kSchema);
    ar.WriteBytes(record);
}

void CPaletteItemImg::ResumeArchiveOfCells(platform::ArchiveWriter& ar, std::uint32_t objects) {
    ar.ResumeAfterObjects(kClassName, objects);
}

void CPaletteItemImg::ResumeArchiveOfCells(platform::ArchiveReader& ar, std::uint64_t objects) {
    ar.ResumeAfterObjects(platform::ArchiveClass{kClassName, kSchema}, objects);
}

std::shared_ptr<CPaletteItemImg> CPaletteItemImg::ReadObject(platform::ArchiveReader& ar) {
    const std::optional<platform::ArchiveClass> archived = ar.ReadObjectClass();
    if (!archived || archived->name != kClassName || archived->schema != kSchema)
        throw platform::ArchiveException(platform::ArchiveException::badClass);
    auto cell = std::make_shared<CPaletteItemImg>();
    cell->Deserialize(ar);
    return cell;
}

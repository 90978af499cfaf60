#include "platform/imaging/ExifBlock.h"

#include <cstring>

#include "platform/imaging/ByteReader.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/JpegSegments.h"
#include "platform/imaging/TiffDirectory.h"

namespace imaging {

namespace {

// The value offsets of an IFD inside a maker note, as the note stores them.
// Nothing when the bytes at `at` are not a plausible IFD.
struct NoteIfd {
    bool valid = false;
    std::vector<std::uint32_t> offsets;  // of the values that do not fit their entry
    std::vector<std::uint64_t> sizes;
};

constexpr std::uint32_t kMaxNoteEntries = 512;

NoteIfd ReadNoteIfd(const ByteReader& reader, std::uint64_t at) {
    NoteIfd ifd;
    const auto dir = TiffDirectory::ReadAt(reader, at);
    // The pointer to a next IFD follows the entries.
    if (!dir || dir->Entries().empty() || dir->Entries().size() > kMaxNoteEntries || !dir->Next())
        return ifd;
    std::uint32_t previousTag = 0;
    for (const TiffEntry& entry : dir->Entries()) {
        if (&entry != &dir->Entries().front() && entry.tag <= previousTag)
            return ifd;  // the tags of an IFD ascend
        previousTag = entry.tag;
        const std::uint64_t size = TiffFieldTypeSize(entry.type) * entry.count;
        if (TiffFieldTypeSize(entry.type) == 0)
            return ifd;
        if (size > 4) {
            std::uint32_t field = 0;
            reader.U32(entry.fieldOffset, field);
            ifd.offsets.push_back(field);
            ifd.sizes.push_back(size);
        }
    }
    ifd.valid = true;
    return ifd;
}

bool AllInside(const NoteIfd& ifd, std::int64_t base, std::uint64_t noteSize) {
    for (std::size_t i = 0; i < ifd.offsets.size(); ++i) {
        const std::int64_t start = static_cast<std::int64_t>(ifd.offsets[i]) - base;
        if (start < 0 || static_cast<std::uint64_t>(start) > noteSize || ifd.sizes[i] > noteSize - start)
            return false;
    }
    return true;
}

}  // namespace

std::span<const std::uint8_t> FindExifTiffBlock(std::span<const std::uint8_t> file) {
    const auto type = SniffImageFileType(file);
    if (type == ImageFileType::Tiff)
        return file;
    std::span<const std::uint8_t> exif;
    if (type == ImageFileType::Jpeg)
        ForEachJpegSegment(file, [&](std::uint32_t marker, std::span<const std::uint8_t> body) {
            if (marker == 0xE1 && body.size() > 6 && std::memcmp(body.data(), "Exif\0\0", 6) == 0)
                exif = body.subspan(6);
            return exif.empty();
        });
    return exif;
}

RawMakerNoteBytes FindRawMakerNote(std::span<const std::uint8_t> tiff) {
    RawMakerNoteBytes found;
    const auto ifd0 = TiffDirectory::ReadFirst(tiff);
    if (!ifd0)
        return found;
    const auto exifOffset = ifd0->Unsigned(kExifIfdPointerTag);
    if (!exifOffset)
        return found;
    const auto exif = ifd0->ReadSub(*exifOffset);
    const TiffEntry* note = exif ? exif->Find(kMakerNoteTag) : nullptr;
    if (!note)
        return found;
    const auto bytes = exif->RawValue(*note);
    if (bytes.empty())
        return found;
    found.bytes.assign(bytes.begin(), bytes.end());
    found.offset = static_cast<std::uint64_t>(bytes.data() - tiff.data());
    found.bigEndian = tiff[0] == 'M';
    return found;
}

bool MakerNoteIsRelocatable(std::span<const std::uint8_t> note, std::uint64_t sourceOffset, bool bigEndian) {
    // A TIFF header of the note's own within its first bytes: its offsets
    // count from that header, wherever the note goes.
    for (std::uint64_t at = 0; at + 8 <= note.size() && at <= 16; at += 2) {
        const bool ii = note[at] == 'I' && note[at + 1] == 'I' && note[at + 2] == 42 && note[at + 3] == 0;
        const bool mm = note[at] == 'M' && note[at + 1] == 'M' && note[at + 2] == 0 && note[at + 3] == 42;
        if (!ii && !mm)
            continue;
        const auto own = note.subspan(at);
        const ByteReader reader(own, mm);
        std::uint32_t first = 0;
        reader.U32(4, first);
        const NoteIfd ifd = ReadNoteIfd(reader, first);
        return ifd.valid && AllInside(ifd, 0, own.size());
    }
    // An IFD at the start or after a signature of up to 16 bytes.
    const ByteReader reader(note, bigEndian);
    for (std::uint64_t at = 0; at <= 16 && at + 2 <= note.size(); at += 2) {
        const NoteIfd ifd = ReadNoteIfd(reader, at);
        if (!ifd.valid)
            continue;
        if (ifd.offsets.empty())
            return true;  // every value inside its entry: nothing points anywhere
        const bool fromNote = AllInside(ifd, 0, note.size());
        const bool fromTiff = AllInside(ifd, static_cast<std::int64_t>(sourceOffset), note.size());
        return fromNote && !fromTiff;
    }
    return false;
}

}  // namespace imaging

// Every header probe, the EXIF block readers, the tests for data cut short,
// the PNG chunk writer's walk, the TIFF byte-order turn and the ICC profile
// check on arbitrary bytes, each read also as every file type (the first
// bytes say which probe runs).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/imaging/ByteSource.h"
#include "platform/imaging/ExifBlock.h"
#include "platform/imaging/HeaderProbe.h"
#include "platform/imaging/IccProfile.h"
#include "platform/imaging/ImageDataCompleteness.h"
#include "platform/imaging/PngChunks.h"
#include "platform/imaging/TiffByteOrder.h"
#include "platform/imaging/TiffDirectory.h"

using namespace imaging;

namespace {

// IFD0 read piece by piece from a source is IFD0 read from memory: the same
// entries, fields and next offset, and inline values alike.
void CompareWithSourceRead(std::span<const std::uint8_t> file) {
    if (file.size() < 8)
        return;
    const bool bigEndian = file[0] == 'M';
    const std::uint32_t ifd0 = bigEndian ? (std::uint32_t{file[4]} << 24 | file[5] << 16 | file[6] << 8 | file[7])
                                         : (std::uint32_t{file[7]} << 24 | file[6] << 16 | file[5] << 8 | file[4]);
    const auto memory = TiffDirectory::ReadAt(file, bigEndian, ifd0);
    MemorySource source(file);
    const auto read = TiffDirectory::ReadAt(source, bigEndian, ifd0);
    if (memory.has_value() != read.has_value())
        __builtin_trap();
    if (!read)
        return;
    if (read->Entries().size() != memory->Entries().size() || read->Next() != memory->Next())
        __builtin_trap();
    for (std::size_t i = 0; i < read->Entries().size(); ++i) {
        const TiffEntry& a = read->Entries()[i];
        const TiffEntry& b = memory->Entries()[i];
        if (a.tag != b.tag || a.count != b.count || a.fieldOffset != b.fieldOffset ||
            read->Field(a) != memory->Field(b))
            __builtin_trap();
        // Unsigned reads the first entry of a tag: inline values alike.
        const bool inlineFirst = read->Find(a.tag) == &a && TiffFieldTypeSize(a.type) * a.count <= 4;
        if (inlineFirst && read->Unsigned(a.tag) != memory->Unsigned(b.tag))
            __builtin_trap();
        read->RawValue(a);
        read->Rational(a.tag);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    JpegDataIsComplete(bytes);
    BmpDataIsComplete(bytes);
    GifDataIsComplete(bytes);
    if (const auto header = ProbeImageHeader(bytes)) {
        if (header->width <= 0 || header->height <= 0 || !(header->dpiX > 0) || !(header->dpiY > 0))
            __builtin_trap();
    }
    // The same bytes behind each magic, so every probe sees every input.
    struct Magic {
        const char* bytes;
        std::size_t size;
    };
    static const Magic magics[] = {{"\xFF\xD8\xFF", 3}, {"\x89PNG\r\n\x1A\n", 8}, {"BM", 2},
                                   {"GIF89a", 6},       {"II\x2A\x00", 4},        {"MM\x00\x2A", 4}};
    for (const Magic& magic : magics) {
        std::vector<std::uint8_t> file(magic.bytes, magic.bytes + magic.size);
        file.insert(file.end(), data, data + size);
        ProbeImageHeader(file);
        ImageDataIsComplete(file);
        if (magic.bytes[1] == 'P') {
            const std::uint8_t profile[] = {1, 2, 3}, exif[] = {'I', 'I', 42, 0};
            std::vector<std::uint8_t> png = file;
            if (!AddPngMetadataChunks(png, profile, exif) && png != file)
                __builtin_trap();  // a refused file stays as it was
        }
        if (const auto turned = TiffInOtherByteOrder(file)) {
            if (turned->size() != file.size() || TiffIsBigEndian(*turned) == TiffIsBigEndian(file))
                __builtin_trap();  // the same bytes, the other order
        }
        const auto note = FindRawMakerNote(FindExifTiffBlock(file));
        MakerNoteIsRelocatable(note.bytes, note.offset, note.bigEndian);
        if (const auto dir = TiffDirectory::ReadFirst(file)) {
            for (const auto& entry : dir->Entries()) {
                dir->RawValue(entry);
                dir->Unsigned(entry.tag, entry.count > 0 ? entry.count - 1 : 0);
                dir->Rational(entry.tag);
            }
            if (const auto next = dir->Next(); next && *next != 0)
                dir->ReadSub(*next);
        }
        CompareWithSourceRead(file);
    }
    IccProfileMisfit(bytes, IccOutput::Any);
    IccProfileMisfit(bytes, IccOutput::Png);
    MakerNoteIsRelocatable(bytes, size, false);
    MakerNoteIsRelocatable(bytes, 0, true);
    return 0;
}

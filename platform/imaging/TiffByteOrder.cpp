#include "platform/imaging/TiffByteOrder.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <new>

#include "platform/imaging/ByteReader.h"
#include "platform/imaging/TiffDirectory.h"

namespace imaging {

namespace {

constexpr int kMaxDirectories = 64;  // a longer chain is no encoder's output
constexpr std::uint32_t kBitsPerSample = 0x0102;

// Tags whose values point at further directories, which this code does not
// walk: SubIFDs, the EXIF, GPS and interoperability directories.
bool IsDirectoryPointer(std::uint32_t tag, std::uint32_t type) {
    return type == 13 || tag == 0x014A || tag == 0x8769 || tag == 0x8825 || tag == 0xA005;
}

// The byte ranges already turned: the header, each directory, each value.
// Every byte is turned at most once; a range that overlaps one already
// turned (a value pointing into the header or into a directory, two entries
// sharing a value, a chain that comes back) would be turned back or leave a
// mix of both orders, so the file is refused.
class TurnedRanges {
public:
    // Takes [at, at + bytes); false when it overlaps a range taken before.
    bool Take(std::uint64_t at, std::uint64_t bytes) {
        if (bytes == 0)
            return true;
        const auto after = ranges_.lower_bound(at);
        if (after != ranges_.end() && after->first < at + bytes)
            return false;
        if (after != ranges_.begin() && std::prev(after)->second > at)
            return false;
        ranges_.emplace_hint(after, at, at + bytes);
        return true;
    }

private:
    std::map<std::uint64_t, std::uint64_t> ranges_;  // start -> end
};

constexpr std::uint64_t kHeaderBytes = 8;

// The width of the numbers a value of a field type is made of: a RATIONAL
// is two LONGs, text and bytes are single bytes.
std::uint64_t ElementWidth(std::uint32_t type) {
    const std::uint64_t size = TiffFieldTypeSize(type);
    return type == 5 || type == 10 ? 4 : size;
}

// Writes the `width` bytes at `at` of `in` to the same place of `out`, reversed.
void Reverse(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, std::uint64_t at, std::uint64_t width) {
    std::reverse_copy(in.begin() + static_cast<std::ptrdiff_t>(at),
                      in.begin() + static_cast<std::ptrdiff_t>(at + width),
                      out.begin() + static_cast<std::ptrdiff_t>(at));
}

// The numbers of `bytes` bytes at `at`, each `width` bytes wide, reversed.
void ReverseEach(std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out, std::uint64_t at,
                 std::uint64_t bytes, std::uint64_t width) {
    if (width > 1)
        for (std::uint64_t i = 0; i + width <= bytes; i += width)
            Reverse(in, out, at + i, width);
}

// Samples of more than 8 bits are stored in the file's byte order: their
// pixel data would have to be turned as well.
bool SamplesAreBytes(const ByteReader& r, std::uint32_t type, std::uint32_t values, std::uint64_t at) {
    if (type != 3)
        return false;
    for (std::uint32_t v = 0; v < values; ++v) {
        std::uint32_t bits = 0;
        if (!r.U16(at + 2 * std::uint64_t{v}, bits) || bits > 8)
            return false;
    }
    return true;
}

// Turns one directory's entries around; false when the file is refused.
bool TurnDirectory(const ByteReader& r, std::span<const std::uint8_t> in, std::vector<std::uint8_t>& out,
                   TurnedRanges& turned, std::uint32_t ifd, std::uint32_t& next) {
    const auto dir = TiffDirectory::ReadAt(in, r.BigEndian(), ifd);
    if (!dir || !dir->Next() || !turned.Take(ifd, 2 + dir->Entries().size() * 12 + 4))
        return false;
    Reverse(in, out, ifd, 2);
    for (const TiffEntry& entry : dir->Entries()) {
        const std::uint64_t width = ElementWidth(entry.type);
        if (width == 0 || IsDirectoryPointer(entry.tag, entry.type))
            return false;
        const std::uint64_t bytes = TiffFieldTypeSize(entry.type) * entry.count;
        const auto valueAt = dir->ValueAt(entry);
        if (!valueAt || (bytes > 4 && !turned.Take(*valueAt, bytes)))
            return false;
        if (entry.tag == kBitsPerSample && !SamplesAreBytes(r, entry.type, entry.count, *valueAt))
            return false;
        const std::uint64_t at = entry.fieldOffset - 8;
        Reverse(in, out, at, 2);
        Reverse(in, out, at + 2, 2);
        Reverse(in, out, at + 4, 4);
        if (bytes > 4)
            Reverse(in, out, at + 8, 4);
        ReverseEach(in, out, *valueAt, bytes, width);
    }
    next = *dir->Next();
    Reverse(in, out, ifd + 2 + dir->Entries().size() * 12, 4);
    return true;
}

}  // namespace

std::optional<bool> TiffIsBigEndian(std::span<const std::uint8_t> tiff) {
    if (tiff.size() < 8)
        return std::nullopt;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        return false;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        return true;
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> TiffInOtherByteOrder(std::span<const std::uint8_t> tiff) {
    const std::optional<bool> bigEndian = TiffIsBigEndian(tiff);
    if (!bigEndian)
        return std::nullopt;
    const ByteReader r(tiff, *bigEndian);
    std::uint32_t magic = 0, ifd = 0;
    if (!r.U16(2, magic) || magic != 42 || !r.U32(4, ifd) || ifd == 0)
        return std::nullopt;
    try {
        std::vector<std::uint8_t> out(tiff.begin(), tiff.end());
        out[0] = out[1] = *bigEndian ? 'I' : 'M';
        Reverse(tiff, out, 2, 2);
        Reverse(tiff, out, 4, 4);
        TurnedRanges turned;
        turned.Take(0, kHeaderBytes);
        for (int n = 0; ifd != 0; ++n) {
            std::uint32_t next = 0;
            if (n == kMaxDirectories || !TurnDirectory(r, tiff, out, turned, ifd, next))
                return std::nullopt;
            ifd = next;
        }
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace imaging

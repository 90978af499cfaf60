#include "imagefiles/ExifThumbnail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imagefiles/ThumbnailRows.h"
#include "platform/files/RegularFile.h"
#include "platform/imaging/ByteSource.h"
#include "platform/imaging/JpegSegments.h"
#include "platform/imaging/TiffDirectory.h"

namespace {

using imaging::ByteSource;
using imaging::MemorySource;
using imaging::TailSource;

// A read-only file with a window of its bytes kept, so that the marker scan
// and the directory walk cost a few system calls.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::filesystem::path& path) {
        m_fd = platform::OpenRegularFile(path.string());
        struct stat st {};
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode))
            m_size = static_cast<std::uint64_t>(st.st_size);
        else
            Close();
    }
    ~FileSource() override { Close(); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    std::uint64_t Size() const override { return m_size; }

    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override {
        if (!IsOpen() || !Has(offset, count))
            return false;
        auto* out = static_cast<std::uint8_t*>(destination);
        if (count > kWindow / 2)
            return ReadFully(offset, out, count);
        if (offset < m_windowStart || offset + count > m_windowStart + m_window.size()) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, m_size - offset));
            m_window.resize(want);
            if (!ReadFully(offset, m_window.data(), want)) {
                m_window.clear();
                return false;
            }
            m_windowStart = offset;
        }
        std::memcpy(out, m_window.data() + (offset - m_windowStart), count);
        return true;
    }

private:
    static constexpr std::size_t kWindow = 64 * 1024;

    bool ReadFully(std::uint64_t offset, std::uint8_t* out, std::size_t count) {
        while (count > 0) {
            const ssize_t got = ::pread(m_fd, out, count, static_cast<off_t>(offset));
            if (got <= 0)
                return false;  // an error, or the file shrank under us
            out += got;
            offset += static_cast<std::uint64_t>(got);
            count -= static_cast<std::size_t>(got);
        }
        return true;
    }
    void Close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_size = 0;
    }

    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::vector<std::uint8_t> m_window;
    std::uint64_t m_windowStart = 0;
};

[[noreturn]] void ThrowMalformed() { throw CFileException(CFileException::genericException); }

// The start of a TIFF structure: its byte order and IFD0's offset.
struct TiffHeader {
    bool bigEndian = false;
    std::uint32_t ifd0 = 0;
};

// The byte order mark, two bytes not looked at and IFD0's offset; a header
// cut short is malformed. With strict, anything but "II" or "MM" is
// malformed; otherwise anything but "MM" is little-endian.
TiffHeader ReadTiffHeader(ByteSource& tiff, bool strict) {
    std::uint8_t header[8];
    if (!tiff.ReadAt(0, header, sizeof header))
        ThrowMalformed();
    const bool big = header[0] == 'M' && header[1] == 'M';
    if (strict && !big && !(header[0] == 'I' && header[1] == 'I'))
        ThrowMalformed();
    std::uint32_t ifd0 = 0;
    imaging::ByteReader(header, big).U32(4, ifd0);
    return {big, ifd0};
}

// The IFD at offset, with its next IFD's offset; a directory that is not all
// there is malformed.
struct Ifd {
    imaging::TiffDirectory directory;
    std::uint32_t next;
};

Ifd ReadIfd(ByteSource& tiff, const TiffHeader& header, std::uint64_t offset) {
    auto directory = imaging::TiffDirectory::ReadAt(tiff, header.bigEndian, offset);
    if (!directory || !directory->Next())
        ThrowMalformed();
    const std::uint32_t next = *directory->Next();
    return {std::move(*directory), next};
}

void SetSize(std::uint32_t value, int& out) { out = static_cast<int>(std::min<std::uint32_t>(value, INT32_MAX)); }

enum : std::uint16_t {
    kImageWidth = 256,
    kImageLength = 257,
    kCompression = 259,
    kStripOffsets = 273,
    kStripByteCounts = 279,
    kJpegOffset = 513,
    kJpegLength = 514,
    kExifIfd = 34665,
    kPixelXDimension = 40962,
    kPixelYDimension = 40963,
};

constexpr std::uint32_t kUncompressed = 1;
constexpr std::uint32_t kJpegCompressed = 6;

// What IFD1 (and, in a JPEG, IFD0) say about the thumbnail.
struct ThumbnailTags {
    std::optional<std::uint32_t> offset, length, compression;
    std::uint32_t width = 0, height = 0;
};

// An entry as the thumbnail readers take it: the value by the value rule
// (a SHORT from the field's first two bytes, anything else all four).
struct Entry {
    std::uint32_t tag;
    std::uint32_t count;
    std::uint32_t value;
};

template <typename OnEntry>
void ForEachEntry(const Ifd& ifd, OnEntry&& onEntry) {
    for (const imaging::TiffEntry& e : ifd.directory.Entries())
        onEntry(Entry{e.tag, e.count, ifd.directory.Field(e)});
}

void ReadIfd1(const Ifd& ifd1, ThumbnailTags& tags) {
    ForEachEntry(ifd1, [&](const Entry& e) {
        switch (e.tag) {
        case kImageWidth:
            tags.width = e.value;
            break;
        case kImageLength:
            tags.height = e.value;
            break;
        case kCompression:
            tags.compression = e.value;
            break;
        // Several strips would make the field an offset to a list.
        case kStripOffsets:
            if (e.count == 1)
                tags.offset = e.value;
            break;
        case kStripByteCounts:
            if (e.count == 1)
                tags.length = e.value;
            break;
        case kJpegOffset:
            tags.offset = e.value;
            break;
        case kJpegLength:
            tags.length = e.value;
            break;
        default:
            break;
        }
    });
}

// Nearest-neighbour fit of the thumbnail's rows into the box, as B, G, R.
PackedDib FitIntoBox(ThumbnailRows& rows, ThumbnailBox& box) {
    const std::int64_t tw = rows.Width(), th = rows.Height();
    std::int64_t bw = box.width, bh = box.height;
    if (tw <= 0 || th <= 0 || bw <= 0 || bh <= 0)
        return {};
    if (bw * th < bh * tw)
        bh = bw * th / tw;
    else
        bw = bh * tw / th;
    bw = std::max<std::int64_t>(bw, 1);
    bh = std::max<std::int64_t>(bh, 1);
    box = {static_cast<int>(bw), static_cast<int>(bh)};

    PackedDib dib = AllocatePackedDib24(box.width, box.height);
    auto& header = *reinterpret_cast<BITMAPINFOHEADER*>(dib.block.get());
    header.biXPelsPerMeter = header.biYPelsPerMeter = DpiToPelsPerMeter(72);
    const std::size_t stride = DibStride(bw, 24);
    std::uint8_t* bits = dib.block.get() + sizeof(BITMAPINFOHEADER);

    std::vector<std::size_t> sourceColumn(static_cast<std::size_t>(bw));
    for (std::int64_t j = 0; j < bw; ++j)
        sourceColumn[static_cast<std::size_t>(j)] = static_cast<std::size_t>(j * tw / bw) * 3;
    // From the top row down, so the source rows are asked for in order.
    for (std::int64_t i = bh - 1; i >= 0; --i) {
        const std::uint8_t* rgb = rows.Row((bh - i - 1) * th / bh);
        std::uint8_t* out = bits + static_cast<std::size_t>(i) * stride;
        for (std::size_t j = 0; j < sourceColumn.size(); ++j, out += 3) {
            const std::uint8_t* px = rgb + sourceColumn[j];
            out[0] = px[2];
            out[1] = px[1];
            out[2] = px[0];
        }
        std::memset(out, 0, stride - sourceColumn.size() * 3);
    }
    return dib;
}

// Uncompressed R, G, B rows held in memory.
class RgbRows final : public ThumbnailRows {
public:
    RgbRows(std::vector<std::uint8_t> bytes, std::int64_t width, std::int64_t height)
        : m_bytes(std::move(bytes)), m_width(width), m_height(height) {}
    std::int64_t Width() const override { return m_width; }
    std::int64_t Height() const override { return m_height; }
    const std::uint8_t* Row(std::int64_t y) override {
        return m_bytes.data() + static_cast<std::size_t>(y * m_width * 3);
    }

private:
    std::vector<std::uint8_t> m_bytes;
    std::int64_t m_width, m_height;
};

// Reads and decodes the thumbnail that tags describe, offsets counted from
// the TIFF structure's start; empty when there is none or it is incomplete.
PackedDib ReadThumbnail(ByteSource& tiff, const ThumbnailTags& tags, ThumbnailBox& box) {
    if (!tags.offset || !tags.length || *tags.length == 0)
        return {};
    const std::uint64_t start = *tags.offset;
    // Checked against the file before anything is allocated: bytes that are
    // not there are no thumbnail.
    if (!tiff.Has(start, *tags.length))
        return {};

    std::unique_ptr<ThumbnailRows> rows;
    if (tags.compression == kJpegCompressed) {
        std::vector<std::uint8_t> bytes(*tags.length);
        if (!tiff.ReadAt(start, bytes.data(), bytes.size()))
            return {};
        rows = OpenJpegThumbnailRows(std::move(bytes));
    } else if (tags.compression == kUncompressed) {
        const std::uint64_t expected = std::uint64_t{tags.width} * tags.height * 3;
        if (tags.width == 0 || tags.height == 0 || expected != *tags.length)
            return {};
        std::vector<std::uint8_t> bytes(*tags.length);
        if (!tiff.ReadAt(start, bytes.data(), bytes.size()))
            return {};
        rows = std::make_unique<RgbRows>(std::move(bytes), tags.width, tags.height);
    }
    if (!rows)
        return {};
    return FitIntoBox(*rows, box);
}

// Everything but "no thumbnail" becomes the file exception.
template <typename Body>
PackedDib Guarded(Body&& body) {
    try {
        return body();
    } catch (const CFileException&) {
        throw;
    } catch (...) {
        ThrowMalformed();
    }
}

PackedDib ReadJpegThumbnail(ByteSource& source, ThumbnailBox& box, int& imageWidth, int& imageHeight);

// The extension in upper case is `upper` or `longer` (".JPEG" for ".JPG").
bool HasExtension(const std::filesystem::path& path, const char* upper, const char* longer) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext == upper || ext == longer;
}

// The bounds-checked reads the one JPEG segment walker asks of a source.
class SegmentSource {
public:
    explicit SegmentSource(ByteSource& source) : m_source(source) {}
    bool Has(std::uint64_t offset, std::uint64_t count) const { return m_source.Has(offset, count); }
    bool U8(std::uint64_t offset, std::uint32_t& value) const {
        std::uint8_t b;
        if (!m_source.ReadAt(offset, &b, 1))
            return false;
        value = b;
        return true;
    }
    bool U16(std::uint64_t offset, std::uint32_t& value) const {
        std::uint8_t b[2];
        if (!m_source.ReadAt(offset, b, 2))
            return false;
        value = std::uint32_t{b[0]} << 8 | b[1];
        return true;
    }

private:
    ByteSource& m_source;
};

// The position after FF E1 (at its length field) of the first APP1 segment
// when it says "Exif"; 0 when the first APP1 is another one, when there is
// none before the start of scan, or when the headers break off first.
std::uint64_t FindExifSegment(ByteSource& source) {
    SegmentSource segments(source);
    std::uint64_t found = 0;
    imaging::WalkJpegSegments(segments, [&](const imaging::JpegSegment& segment) {
        if (segment.marker != 0xE1)
            return true;
        std::uint8_t head[5];
        // The signature and its zero byte must lie inside the segment.
        if (segment.bodySize < 6 || !source.ReadAt(segment.bodyOffset, head, sizeof head))
            return false;
        const char* signature = "exif";
        for (int i = 0; i < 4; ++i)
            if (std::tolower(head[i]) != signature[i])
                return false;
        if (head[4] == 0)
            found = segment.lengthOffset;
        return false;  // only the first APP1 segment is examined
    });
    return found;
}

PackedDib ReadJpegThumbnail(ByteSource& source, ThumbnailBox& box, int& imageWidth, int& imageHeight) {
    const std::uint64_t segment = FindExifSegment(source);
    if (segment == 0)
        return {};
    return Guarded([&]() -> PackedDib {
        // The segment's length, "Exif", 0, 0: the TIFF structure follows,
        // its offsets counted from its own first byte.
        if (!source.Has(segment, 2 + 6))
            ThrowMalformed();
        TailSource tiff(source, segment + 2 + 6);
        const TiffHeader header = ReadTiffHeader(tiff, false);

        ThumbnailTags tags;
        std::uint32_t exifIfd = 0;
        const Ifd ifd0 = ReadIfd(tiff, header, header.ifd0);
        ForEachEntry(ifd0, [&](const Entry& e) {
            switch (e.tag) {
            case kImageWidth:
            case kPixelXDimension:
                SetSize(e.value, imageWidth);
                break;
            case kImageLength:
            case kPixelYDimension:
                SetSize(e.value, imageHeight);
                break;
            case kJpegOffset:
                tags.offset = e.value;
                break;
            case kJpegLength:
                tags.length = e.value;
                break;
            case kExifIfd:
                exifIfd = e.value;
                break;
            default:
                break;
            }
        });
        if (ifd0.next == 0)
            return {};
        if (exifIfd > 0) {
            ForEachEntry(ReadIfd(tiff, header, exifIfd), [&](const Entry& e) {
                if (e.tag == kImageWidth || e.tag == kPixelXDimension)
                    SetSize(e.value, imageWidth);
                else if (e.tag == kImageLength || e.tag == kPixelYDimension)
                    SetSize(e.value, imageHeight);
            });
        }
        ReadIfd1(ReadIfd(tiff, header, ifd0.next), tags);
        return ReadThumbnail(tiff, tags, box);
    });
}

// IFD0's ExifIFD pointer, 0 for none; throws for a malformed file.
std::uint32_t ExifIfdOffset(ByteSource& source) {
    const TiffHeader header = ReadTiffHeader(source, true);
    std::uint32_t exifIfd = 0;
    ForEachEntry(ReadIfd(source, header, header.ifd0), [&](const Entry& e) {
        if (e.tag == kExifIfd)
            exifIfd = e.value;
    });
    return exifIfd;
}

std::uint32_t HasExifIfd(ByteSource& source) {
    if (source.Size() <= 128)
        return 0;
    try {
        return ExifIfdOffset(source);
    } catch (...) {
        return 0;
    }
}

PackedDib ReadTiffThumbnail(ByteSource& source, ThumbnailBox& box, int& imageWidth, int& imageHeight) {
    if (HasExifIfd(source) == 0)
        return {};
    return Guarded([&]() -> PackedDib {
        const TiffHeader header = ReadTiffHeader(source, true);
        const Ifd ifd0 = ReadIfd(source, header, header.ifd0);
        ForEachEntry(ifd0, [&](const Entry& e) {
            if (e.tag == kImageWidth)
                SetSize(e.value, imageWidth);
            else if (e.tag == kImageLength)
                SetSize(e.value, imageHeight);
        });
        if (ifd0.next == 0)
            return {};
        ThumbnailTags tags;
        ReadIfd1(ReadIfd(source, header, ifd0.next), tags);
        return ReadThumbnail(source, tags, box);
    });
}

}  // namespace

PackedDib ReadJpegExifThumbnail(const std::filesystem::path& path, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight) {
    if (!HasExtension(path, ".JPG", ".JPEG"))
        return {};
    FileSource file(path);
    if (!file.IsOpen())
        return {};
    return ReadJpegThumbnail(file, box, imageWidth, imageHeight);
}

PackedDib ReadTiffExifThumbnail(const std::filesystem::path& path, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight) {
    if (!HasExtension(path, ".TIF", ".TIFF"))
        return {};
    FileSource file(path);
    if (!file.IsOpen())
        return {};
    return ReadTiffThumbnail(file, box, imageWidth, imageHeight);
}

PackedDib ReadJpegExifThumbnail(std::span<const std::uint8_t> data, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight) {
    MemorySource source(data);
    return ReadJpegThumbnail(source, box, imageWidth, imageHeight);
}

PackedDib ReadTiffExifThumbnail(std::span<const std::uint8_t> data, ThumbnailBox& box, int& imageWidth,
                                int& imageHeight) {
    MemorySource source(data);
    return ReadTiffThumbnail(source, box, imageWidth, imageHeight);
}

std::uint64_t FindExifSegment(const std::filesystem::path& path) {
    FileSource file(path);
    return FindExifSegment(file);
}

std::uint32_t HasExifIfd(const std::filesystem::path& path) {
    FileSource file(path);
    return HasExifIfd(file);
}

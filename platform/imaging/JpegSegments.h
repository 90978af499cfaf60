#pragma once
// The one walker over the marker segments of an untrusted JPEG header, from
// SOI up to the start of scan (or end of image). Segments are stepped over by
// their length fields, never found by scanning for marker bytes, so bytes
// such as FF DA inside a segment's body are never taken for a marker. Fill
// bytes and markers without a length are skipped.
//
// WalkJpegSegments works on any source with bounds-checked reads
// (Has(offset, count), U8(offset, value), big-endian U16(offset, value)), so
// a file can be walked without reading it whole; ForEachJpegSegment walks a
// block in memory and hands each body over as bytes.

#include <cstdint>
#include <span>

#include "platform/imaging/ByteReader.h"

namespace imaging {

struct JpegSegment {
    std::uint32_t marker = 0;
    std::uint64_t lengthOffset = 0;  // where the 2-byte length field starts
    std::uint64_t bodyOffset = 0;    // the bytes after the length field
    std::uint64_t bodySize = 0;
};

// Calls visit(const JpegSegment&) for each segment with a length; visit
// returns false to stop. Returns false when the data does not start with SOI
// or ends or breaks off inside the headers.
template <typename Source, typename Visit>
bool WalkJpegSegments(Source& source, Visit&& visit) {
    std::uint32_t soi0 = 0, soi1 = 0;
    if (!source.U8(0, soi0) || !source.U8(1, soi1) || soi0 != 0xFF || soi1 != 0xD8)
        return false;
    std::uint64_t at = 2;
    for (;;) {
        std::uint32_t ff = 0, marker = 0;
        if (!source.U8(at, ff) || ff != 0xFF)
            return false;
        do {  // any number of FF fill bytes before the marker code
            ++at;
            if (!source.U8(at, marker))
                return false;
        } while (marker == 0xFF);
        ++at;
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        if (marker == 0xD9 || marker == 0xDA)
            return true;
        std::uint32_t length = 0;
        if (!source.U16(at, length) || length < 2 || !source.Has(at, length))
            return false;
        if (!visit(JpegSegment{marker, at, at + 2, std::uint64_t{length} - 2}))
            return true;
        at += length;
    }
}

// The same over a block in memory: visit(marker, body) for each segment.
template <typename Visit>
bool ForEachJpegSegment(std::span<const std::uint8_t> data, Visit&& visit) {
    const ByteReader reader(data, true);
    return WalkJpegSegments(reader, [&](const JpegSegment& segment) {
        return visit(segment.marker, reader.Bytes(segment.bodyOffset, segment.bodySize));
    });
}

}  // namespace imaging

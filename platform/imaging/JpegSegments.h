#pragma once
// Walks the marker segments of an untrusted JPEG header, from SOI up to the
// start of scan (or end of image), calling visit(marker, body) for each
// segment with a length; visit returns false to stop. Fill bytes and
// markers without a length are skipped. Returns false when the data ends or
// breaks off inside the headers.

#include <cstdint>
#include <span>

#include "platform/imaging/ByteReader.h"

namespace imaging {

template <typename Visit>
bool ForEachJpegSegment(std::span<const std::uint8_t> data, Visit&& visit) {
    const ByteReader r(data, true);
    std::uint64_t at = 2;  // after SOI
    for (;;) {
        std::uint32_t ff = 0, marker = 0;
        if (!r.U8(at, ff) || ff != 0xFF)
            return false;
        do {  // any number of FF fill bytes before the marker code
            ++at;
            if (!r.U8(at, marker))
                return false;
        } while (marker == 0xFF);
        ++at;
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
            continue;
        if (marker == 0xD9 || marker == 0xDA)
            return true;
        std::uint32_t length = 0;
        if (!r.U16(at, length) || length < 2 || !r.Has(at, length))
            return false;
        if (!visit(marker, r.Bytes(at + 2, length - 2)))
            return true;
        at += length;
    }
}

}  // namespace imaging

#pragma once
// Hand-made TIFF structures and JPEG files around them, so that each test
// shows exactly the layout it is about.

#include <cstdint>
#include <string>
#include <vector>

namespace exiffixtures {

using Bytes = std::vector<std::uint8_t>;

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;  // 3 SHORT, 4 LONG
    std::uint32_t count;
    std::uint32_t value;
};

// A TIFF structure to build. Entries of the thumbnail's offset (273, 513) or
// length (279, 514) tags with value 0 get the real offset from the TIFF start
// or the real length of the thumbnail bytes.
struct Layout {
    bool bigEndian = false;
    std::vector<Entry> ifd0;
    std::vector<Entry> exifIfd;  // written when not empty; IFD0 gets 34665
    std::vector<Entry> ifd1;     // written when not empty
    Bytes thumbnail;             // placed after IFD1
    bool ifd1OffsetZero = false;
};

class Writer {
public:
    explicit Writer(bool big) : m_big(big) {}
    void U8(std::uint8_t v) { m_out.push_back(v); }
    void U16(std::uint32_t v) {
        if (m_big) {
            U8(static_cast<std::uint8_t>(v >> 8));
            U8(static_cast<std::uint8_t>(v));
        } else {
            U8(static_cast<std::uint8_t>(v));
            U8(static_cast<std::uint8_t>(v >> 8));
        }
    }
    void U32(std::uint32_t v) {
        if (m_big) {
            U16(v >> 16);
            U16(v & 0xFFFF);
        } else {
            U16(v & 0xFFFF);
            U16(v >> 16);
        }
    }
    void Bytes_(const Bytes& b) { m_out.insert(m_out.end(), b.begin(), b.end()); }
    std::size_t Size() const { return m_out.size(); }
    Bytes& Out() { return m_out; }

private:
    bool m_big;
    Bytes m_out;
};

inline std::size_t IfdBytes(const std::vector<Entry>& entries) { return 2 + 12 * entries.size() + 4; }

inline bool IsThumbOffsetTag(std::uint16_t tag) { return tag == 273 || tag == 513; }
inline bool IsThumbLengthTag(std::uint16_t tag) { return tag == 279 || tag == 514; }

inline void WriteIfd(Writer& w, const std::vector<Entry>& entries, std::uint32_t next, std::uint32_t thumbOffset,
                     std::uint32_t thumbLength) {
    w.U16(static_cast<std::uint32_t>(entries.size()));
    for (const Entry& e : entries) {
        w.U16(e.tag);
        w.U16(e.type);
        w.U32(e.count);
        std::uint32_t value = e.value;
        if (value == 0 && IsThumbOffsetTag(e.tag))
            value = thumbOffset;
        if (value == 0 && IsThumbLengthTag(e.tag))
            value = thumbLength;
        if (e.type == 3) {
            w.U16(value);
            w.U16(0);
        } else {
            w.U32(value);
        }
    }
    w.U32(next);
}

// The TIFF structure: header, IFD0, ExifIFD, IFD1, thumbnail bytes. A TIFF
// file also carries padding so that it passes the 128-byte minimum.
inline Bytes BuildTiff(const Layout& layout, std::size_t padding = 0) {
    std::vector<Entry> ifd0 = layout.ifd0;
    const std::uint32_t ifd0Offset = 8;
    std::uint32_t exifOffset = 0;
    if (!layout.exifIfd.empty())
        ifd0.push_back({34665, 4, 1, 0});
    const std::uint32_t afterIfd0 = ifd0Offset + static_cast<std::uint32_t>(IfdBytes(ifd0));
    if (!layout.exifIfd.empty()) {
        exifOffset = afterIfd0;
        ifd0.back().value = exifOffset;
    }
    const std::uint32_t ifd1Offset =
        afterIfd0 + static_cast<std::uint32_t>(layout.exifIfd.empty() ? 0 : IfdBytes(layout.exifIfd));
    const std::uint32_t thumbOffset =
        ifd1Offset + static_cast<std::uint32_t>(layout.ifd1.empty() ? 0 : IfdBytes(layout.ifd1));
    const auto thumbLength = static_cast<std::uint32_t>(layout.thumbnail.size());

    Writer w(layout.bigEndian);
    w.U8(layout.bigEndian ? 'M' : 'I');
    w.U8(layout.bigEndian ? 'M' : 'I');
    w.U16(42);
    w.U32(ifd0Offset);
    const std::uint32_t next = layout.ifd1.empty() || layout.ifd1OffsetZero ? 0 : ifd1Offset;
    WriteIfd(w, ifd0, next, thumbOffset, thumbLength);
    if (!layout.exifIfd.empty())
        WriteIfd(w, layout.exifIfd, 0, thumbOffset, thumbLength);
    if (!layout.ifd1.empty())
        WriteIfd(w, layout.ifd1, 0, thumbOffset, thumbLength);
    w.Bytes_(layout.thumbnail);
    w.Out().resize(w.Size() + padding, 0);
    return w.Out();
}

inline void AppendSegment(Bytes& out, std::uint8_t marker, const Bytes& payload) {
    out.push_back(0xFF);
    out.push_back(marker);
    const std::size_t length = payload.size() + 2;
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(length));
    out.insert(out.end(), payload.begin(), payload.end());
}

inline Bytes ExifPayload(const Bytes& tiff) {
    Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return payload;
}

inline Bytes XmpPayload() {
    const std::string ns = "http://ns.adobe.com/xap/1.0/";
    Bytes payload(ns.begin(), ns.end());
    payload.push_back(0);
    const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
    payload.insert(payload.end(), xmp.begin(), xmp.end());
    return payload;
}

// SOI, the given segments, a start of scan with a few bytes, EOI.
inline Bytes JpegWith(const std::vector<std::pair<std::uint8_t, Bytes>>& segments, bool withScan = true) {
    Bytes out = {0xFF, 0xD8};
    for (const auto& [marker, payload] : segments)
        AppendSegment(out, marker, payload);
    if (withScan) {
        AppendSegment(out, 0xDA, Bytes{1, 1, 0, 0, 63, 0});
        out.insert(out.end(), {0x12, 0x34, 0xFF, 0xD9});
    }
    return out;
}

// Uncompressed R, G, B thumbnail tags for a w x h image.
inline std::vector<Entry> RgbIfd1(std::uint32_t w, std::uint32_t h) {
    return {{256, 4, 1, w}, {257, 4, 1, h}, {259, 3, 1, 1}, {273, 4, 1, 0}, {279, 4, 1, 0}};
}

// w x h R, G, B with R = x, G = y, B = 7.
inline Bytes GradientRgb(int w, int h) {
    Bytes rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            rgb.insert(rgb.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7});
    return rgb;
}

}  // namespace exiffixtures

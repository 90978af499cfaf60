#include "platform/imaging/CodedDataWalk.h"

#include <cstring>

namespace imaging {

namespace {

constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kEndOfImage = 0xD9;

bool IsRestartMarker(std::uint8_t code) { return code >= 0xD0 && code <= 0xD7; }

// Moves `at` past the next marker and returns its code and where its FF
// bytes began; false when the data ends first. Skipped on the way:
// entropy-coded data with its stuffed FF 00 pairs and restart markers, fill
// bytes, and extraneous bytes between segments.
bool NextJpegMarker(std::span<const std::uint8_t> data, std::size_t& at, std::uint8_t& code, std::size_t& markerAt) {
    const std::size_t size = data.size();
    for (;;) {
        if (at >= size)
            return false;
        const void* ff = std::memchr(data.data() + at, 0xFF, size - at);
        if (ff == nullptr)
            return false;
        markerAt = static_cast<std::size_t>(static_cast<const std::uint8_t*>(ff) - data.data());
        at = markerAt + 1;
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size)
            return false;
        code = data[at++];
        if (code != 0x00 && !IsRestartMarker(code))
            return true;
    }
}

// Steps over GIF data sub-blocks up to and past their empty terminator,
// adding up the bytes they hold.
bool SkipGifSubBlocks(std::span<const std::uint8_t> data, std::size_t& at, std::uint64_t& held) {
    for (;;) {
        if (at >= data.size())
            return false;
        const std::size_t length = data[at++];
        if (length == 0)
            return true;
        if (length > data.size() - at)
            return false;
        at += length;
        held += length;
    }
}

std::size_t GifColourTableBytes(std::uint8_t packed) {
    return (packed & 0x80) != 0 ? std::size_t{3} << ((packed & 7) + 1) : 0;
}

}  // namespace

JpegWalk WalkJpegData(std::span<const std::uint8_t> data) {
    JpegWalk walk;
    if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return walk;
    std::size_t at = 2;
    std::size_t scanFrom = 0;  // where the current scan's coded data began; 0 outside a scan
    std::uint8_t code = 0;
    std::size_t markerAt = 0;
    while (NextJpegMarker(data, at, code, markerAt)) {
        if (scanFrom != 0) {
            walk.scanBytes += markerAt - scanFrom;
            scanFrom = 0;
        }
        if (code == kEndOfImage) {
            walk.end = WalkEnd::Whole;
            return walk;
        }
        if (code == 0xD8 || code == 0x01)
            continue;  // markers without a length
        // Every other marker has a length that counts its own two bytes; a
        // start of scan is followed by its entropy-coded data, which the
        // next search for a marker steps over.
        if (data.size() - at < 2)
            return walk;
        const std::size_t length = std::size_t{data[at]} << 8 | data[at + 1];
        if (length < 2) {
            walk.end = WalkEnd::Unreadable;
            return walk;
        }
        if (length > data.size() - at)
            return walk;
        at += length;
        if (code == kStartOfScan)
            scanFrom = at;
    }
    if (scanFrom != 0)
        walk.scanBytes += data.size() - scanFrom;
    return walk;
}

GifWalk WalkGifData(std::span<const std::uint8_t> data) {
    GifWalk walk;
    constexpr std::size_t kScreenEnd = 13;  // signature and logical screen descriptor
    if (data.size() < kScreenEnd)
        return walk;
    std::size_t at = kScreenEnd + GifColourTableBytes(data[10]);
    for (;;) {
        if (at >= data.size())
            return walk;
        const std::uint8_t introducer = data[at++];
        if (introducer == 0x21) {  // extension: its label, then sub-blocks
            if (at >= data.size())
                return walk;
            ++at;
            std::uint64_t ignored = 0;
            if (!SkipGifSubBlocks(data, at, ignored))
                return walk;
        } else if (introducer == 0x2C) {  // the first image: descriptor, table, code size, data
            constexpr std::size_t kDescriptor = 9;
            if (data.size() - at < kDescriptor)
                return walk;
            at += kDescriptor + GifColourTableBytes(data[at + 8]);
            if (at >= data.size())
                return walk;
            ++at;
            if (SkipGifSubBlocks(data, at, walk.imageDataBytes))
                walk.end = WalkEnd::Whole;
            return walk;
        } else {
            walk.end = WalkEnd::Unreadable;
            return walk;
        }
    }
}

}  // namespace imaging

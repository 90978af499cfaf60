#pragma once
// Walks over the structure of JPEG and GIF files as their decoders read it,
// telling whether the data the decoder will ask for is all there and how
// many of the file's bytes can hold coded pixels.
//
// A JPEG's pixels are coded only in the entropy-coded data after each start
// of scan; a GIF's only in the data sub-blocks of an image. Comments,
// application segments and extensions hold none, so a bound on the pixels a
// file can code (DecodeBudget.h) counts only these bytes: padding a file
// with comments must not make a claim of more pixels look honest.
//
// The data is untrusted: nothing is read past its end.

#include <cstdint>
#include <span>

namespace imaging {

enum class WalkEnd {
    Whole,      // the walk reached the end it looks for
    Cut,        // the data ends first
    Unreadable  // the structure breaks off in a way the decoder refuses by itself
};

struct JpegWalk {
    WalkEnd end = WalkEnd::Cut;
    // The entropy-coded bytes of every scan met (their stuffed bytes and
    // restart markers included).
    std::uint64_t scanBytes = 0;
};

// From SOI to the first EOI: the marker segments and the entropy-coded data,
// stepped over as a decoder does (extraneous bytes before a marker are
// skipped, as decoders skip them).
JpegWalk WalkJpegData(std::span<const std::uint8_t> data);

struct GifWalk {
    WalkEnd end = WalkEnd::Cut;  // Unreadable: the trailer or a block no decoder reads before any image
    // The data bytes of the first image's sub-blocks (not their length bytes).
    std::uint64_t imageDataBytes = 0;
};

// From the screen descriptor over the extensions to the first image and its
// data sub-blocks, down to their terminating empty block.
GifWalk WalkGifData(std::span<const std::uint8_t> data);

}  // namespace imaging

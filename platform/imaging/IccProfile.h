#pragma once
// Whether a source's ICC colour profile can go into an output file. Every
// output holds RGB pixels, so a profile of another colour space (a grey
// source's, a CMYK source's) would describe colours the file does not have;
// a profile cut short or otherwise malformed would be refused by readers.
//
// The rules are those PNG readers (libpng) apply to an iCCP chunk: the
// profile is at least its 128-byte header and tag count long, its header
// states its true length, carries the "acsp" signature, the colour space
// "RGB ", an input, display, output or colour-space class and an XYZ or Lab
// connection space, and its tag table lies inside it. For a PNG output also
// what libpng only warns about: a rendering intent beyond the four defined,
// a connection-space illuminant other than D50, a tag not on a 4-byte
// boundary, a version 4 profile whose length is not a multiple of 4.

#include <cstdint>
#include <span>
#include <string>

namespace imaging {

enum class IccOutput { Any, Png };

// Why the profile cannot go into an RGB output of that kind, or the empty
// text when it can.
std::string IccProfileMisfit(std::span<const std::uint8_t> profile, IccOutput output);

}  // namespace imaging

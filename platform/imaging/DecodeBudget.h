#pragma once
// Bounds on what a decoder may allocate for a picture, decided from its
// header before any pixel memory is taken.
//
// A compressed file codes a least number of bits for every block or string
// of pixels, so the size of its coded data (CodedDataWalk.h: not the
// comments and other segments around it) bounds the pixels it can really
// hold: a header that
// claims more is a damaged or hostile file whose picture would come out of
// nothing but fill (grey or black) after allocating gigabytes for it. And a
// picture larger than the memory the machine has free cannot be decoded
// without driving it into swap or the out-of-memory killer.

#include <cstdint>

namespace imaging {

// The most pixels one byte of coded data can give: a Huffman-coded JPEG
// spends at least one bit on each 8 x 8 block (512 pixels a byte); a GIF's
// 12-bit LZW code stands for at most 4096 pixels (about 2730 a byte). Both
// with room to spare.
inline constexpr std::int64_t kMaxJpegPixelsPerByte = 1024;
inline constexpr std::int64_t kMaxGifPixelsPerByte = 4096;

// Whether `pixels` can come from `fileBytes` bytes of coded data at the
// given density.
bool PixelsFitFile(std::int64_t pixels, std::int64_t fileBytes, std::int64_t maxPixelsPerByte);

// The bytes a decode may allocate now: the memory the kernel reports
// available (MemAvailable), bounded by the address-space limit when one is
// set. A machine that does not tell gives no bound beyond the bitmap's own.
std::int64_t AvailableMemoryBytes();

}  // namespace imaging

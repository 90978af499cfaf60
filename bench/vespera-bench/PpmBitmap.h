#pragma once
// Binary PPM files straight into and out of 24-bit bitmaps, for the resize
// benchmarks: the file's rows are read into the bitmap's own rows and turned
// from R, G, B into B, G, R in parallel, and written back through a small
// reused buffer, so the files cost little beside the operation measured.

#include <memory>
#include <string>

namespace imaging {
class Bitmap;
}

// Null for a file that is not an 8-bit P6 PPM (ReadDirectPpmHeader), which
// the general reader may still take; throws std::runtime_error for one whose
// header or pixels are damaged or cut short.
std::unique_ptr<imaging::Bitmap> ReadPpmBitmap(const std::string& path);
void WritePpmBitmap(imaging::Bitmap& bitmap, const std::string& path);

#pragma once
// A preview region: the engine's result for one visible part of the image at
// the output size, as the preview worker made it or a cache served it.
//
// Regions are immutable once made and shared: the view reads the document's
// current one (CQVVesperaDoc::GetPreviewResult) on the UI thread while the
// worker may already be making the next, and a cache and the current result
// can hold the same region.

#include <cstdint>
#include <memory>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/Geometry.h"

struct PreviewRegion {
    // dst.width x dst.height pixels: 24-bit, or the image's own format for a
    // region at 100 % (which is the image's pixels).
    std::shared_ptr<const imaging::Bitmap> bitmap;
    imaging::Rect src;    // in image pixels
    imaging::Rect dst;    // the same area in output pixels
    int mode = 0;         // InterpolMode 5-9
    int outputWidth = 0;  // the output size it was made for
    int outputHeight = 0;
    std::uint64_t generation = 0;  // the request it answers
};

// What a request hands the worker: everything the job needs, taken on the UI
// thread, so the worker reads nothing the UI thread may change.
struct PreviewRequest {
    std::shared_ptr<const imaging::Bitmap> source;
    imaging::Rect src;
    imaging::Rect dst;
    int mode = 0;
    int outputWidth = 0;
    int outputHeight = 0;
    std::uint64_t generation = 0;
};

// The caches hold one region per engine mode, in the order 5, 6, 7, 9, 8.
inline constexpr int kPreviewCacheCount = 5;
// The cache slot of an engine mode, or -1 for any other mode.
int PreviewCacheIndex(int mode);

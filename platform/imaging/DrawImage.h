#pragma once
// Drawing one bitmap into another, scaled, with the wrap mode that mirrors
// the source at its edges (so a scaled image keeps its colours to the border).
//
// srcRect must lie wholly inside the source; dstRect may reach outside the
// target, whose visible part alone is computed. Opaque sources replace the
// target's pixels; sources with alpha are composed over them.

#include <memory>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/Resampler.h"

namespace imaging {

// False for a source rectangle outside the source, an empty rectangle, a
// target that is locked, or lack of memory. Nothing to draw is success.
bool DrawImage(Bitmap& target, const Rect& dstRect, const Bitmap& source, const Rect& srcRect, InterpolationMode mode);

// A new 24-bit bitmap of the whole source scaled to width x height with the
// high-quality bicubic mode, at the source's resolution (the thumbnails of
// saved files and of the browser's cells). Null for a size of 0 or less or
// lack of memory.
std::unique_ptr<Bitmap> ScaledCopy(const Bitmap& source, int width, int height);

}  // namespace imaging

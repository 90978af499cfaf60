#pragma once
// The fast renderings of the preview and the navigator: a region of the
// image scaled with one of the drawing interpolations into a pixmap, the
// stand-in of a cached bitmap for the screen.

#include <QPixmap>

#include "platform/imaging/Bitmap.h"
#include "platform/imaging/Resampler.h"

// A width x height pixmap showing the source region `src` scaled onto the
// rectangle `into` (in the pixmap's pixels; it may reach outside the pixmap,
// whose part alone is computed). Transparent pixels of the source show
// white. Null when the arguments are bad or memory runs out.
QPixmap RenderScaled(const imaging::Bitmap& source, const imaging::Rect& src, const imaging::Rect& into, int width,
                     int height, imaging::InterpolationMode mode);

#pragma once
// Transparency is not kept: a picture with an alpha channel or a transparent
// palette colour enters the program laid over white, so that the document,
// its preview, the thumbnails and every saved file show white where the
// picture was transparent, whatever the pixels under a transparent alpha
// held (often black).

#include <QImage>

namespace imaging {

// `image` over opaque white. An image without alpha comes back as it is (no
// copy); a palette image keeps its palette, each colour laid over white; any
// other image becomes Format_RGB32, or Format_RGBX64 when it has more than 8
// bits a channel. Each channel is c * a + white * (1 - a), rounded. A null
// image when memory runs out.
QImage FlattenOntoWhite(QImage image);

}  // namespace imaging

#include "platform/imaging/ImageFormatPlugins.h"

#include <QImageReader>
#include <QImageWriter>

namespace imaging {

void LoadImageFormatPlugins() {
    // A function-local static is made once, and other threads wait for it.
    static const bool loaded = [] {
        (void)QImageReader::supportedImageFormats();
        (void)QImageWriter::supportedImageFormats();
        return true;
    }();
    (void)loaded;
}

}  // namespace imaging

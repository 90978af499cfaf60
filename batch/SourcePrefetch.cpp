#include "batch/SourcePrefetch.h"

#include <exception>

#include <QFile>

#include "platform/files/LocalFileName.h"
#include "platform/imaging/Bitmap.h"

std::unique_ptr<imaging::Bitmap> DecodeBatchSource(const QString& path, imaging::PixelPool* pool) {
    try {
        return imaging::Bitmap::FromFile(platform::LocalFilePath(path), pool, imaging::ColourLayout::Bgr24);
    } catch (const std::exception&) {
        return nullptr;
    }
}

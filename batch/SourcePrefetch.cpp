#include "batch/SourcePrefetch.h"

#include <exception>

#include <QFile>

#include "platform/imaging/Bitmap.h"

std::unique_ptr<imaging::Bitmap> DecodeBatchSource(const QString& path, imaging::PixelPool* pool) {
    try {
        return imaging::Bitmap::FromFile(QFile::encodeName(path).toStdString(), pool);
    } catch (const std::exception&) {
        return nullptr;
    }
}

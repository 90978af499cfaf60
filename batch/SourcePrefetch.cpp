#include "batch/SourcePrefetch.h"

#include <exception>

#include <QFile>

#include "platform/imaging/Bitmap.h"

std::unique_ptr<imaging::Bitmap> DecodeBatchSource(const QString& path) {
    try {
        return imaging::Bitmap::FromFile(QFile::encodeName(path).toStdString());
    } catch (const std::exception&) {
        return nullptr;
    }
}

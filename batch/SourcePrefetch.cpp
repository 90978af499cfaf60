#include "batch/SourcePrefetch.h"

#include <exception>
#include <system_error>

#include <QFile>

#include "platform/imaging/Bitmap.h"

std::unique_ptr<imaging::Bitmap> DecodeBatchSource(const QString& path) {
    try {
        return imaging::Bitmap::FromFile(QFile::encodeName(path).toStdString());
    } catch (const std::exception&) {
        return nullptr;
    }
}

SourcePrefetch::~SourcePrefetch() { Join(); }

bool SourcePrefetch::Start(std::size_t index, const QString& path) {
    Discard();
    try {
        thread_ = std::thread([this, path] { bitmap_ = DecodeBatchSource(path); });
    } catch (const std::system_error&) {
        return false;
    }
    index_ = index;
    pending_ = true;
    return true;
}

std::unique_ptr<imaging::Bitmap> SourcePrefetch::Take() {
    Join();
    pending_ = false;
    return std::move(bitmap_);
}

void SourcePrefetch::Discard() {
    Join();
    pending_ = false;
    bitmap_.reset();
}

void SourcePrefetch::Join() {
    if (thread_.joinable())
        thread_.join();
}

#include "core/document/ImageReading.h"

#include <sys/stat.h>

#include <QFile>

#include "platform/files/LocalFileName.h"
#include "platform/imaging/Bitmap.h"

std::unique_ptr<imaging::Bitmap> ReadImageFile(const QString& path) {
    // Only a regular file is read, and a named pipe or a device is refused
    // without being opened; a file too long to be read whole is refused,
    // never read in part.
    return imaging::Bitmap::FromFile(platform::LocalFilePath(path));
}

bool ImagePrefetch::FileStamp::operator==(const FileStamp& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

ImagePrefetch::FileStamp ImagePrefetch::StampOf(const QString& path) {
    FileStamp stamp;
    struct stat status {};
    if (path.isEmpty() || ::stat(platform::LocalFileName(path).constData(), &status) != 0)
        return stamp;
    stamp.device = status.st_dev;
    stamp.inode = status.st_ino;
    stamp.size = status.st_size;
    stamp.modified = status.st_mtim;
    stamp.changed = status.st_ctim;
    return stamp;
}

ImagePrefetch::ImagePrefetch(const QString& path, std::function<void()> beforeRead)
    : worker_([this, path, beforeRead = std::move(beforeRead)] {
          if (beforeRead)
              beforeRead();
          Read(path);
      }) {}

ImagePrefetch::~ImagePrefetch() { Wait(); }

void ImagePrefetch::Wait() {
    if (worker_.joinable())
        worker_.join();
}

void ImagePrefetch::Read(const QString& path) {
    started_ = Clock::now();
    try {
        stamp_ = StampOf(path);
        if (stamp_.size >= 0) {
            bitmap_ = ReadImageFile(path);
            // Written to while it was read: what was decoded may be neither
            // version.
            if (!(StampOf(path) == stamp_))
                bitmap_.reset();
        }
    } catch (...) {
        bitmap_.reset();
    }
    finished_ = Clock::now();
    std::function<void()> finished;
    {
        std::lock_guard lock(mutex_);
        finished_flag_ = true;
        finished = std::move(whenFinished_);
    }
    if (finished)
        finished();
}

bool ImagePrefetch::HasFinished() {
    std::lock_guard lock(mutex_);
    return finished_flag_;
}

void ImagePrefetch::WhenFinished(std::function<void()> finished) {
    {
        std::lock_guard lock(mutex_);
        if (!finished_flag_) {
            whenFinished_ = std::move(finished);
            return;
        }
    }
    finished();
}

std::unique_ptr<imaging::Bitmap> ImagePrefetch::Take(const QString& path) {
    Wait();
    std::unique_ptr<imaging::Bitmap> bitmap = std::move(bitmap_);
    if (!bitmap || !(StampOf(path) == stamp_))
        return nullptr;
    return bitmap;
}

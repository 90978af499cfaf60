#pragma once
// Reading the document's picture: ReadImageFile reads and decodes a file at
// once; an ImagePrefetch does the same on a worker thread of its own, so that
// the picture named on the command line is decoded while the main window is
// being built. The document takes the prefetched picture only when the file
// it opens is the one read and has not changed since.

#include <QString>

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace imaging {
class Bitmap;
}

// The whole file decoded, with its metadata; null when it is not a regular
// file, is empty or too long to be read whole, or cannot be decoded.
std::unique_ptr<imaging::Bitmap> ReadImageFile(const QString& path);

class ImagePrefetch {
public:
    using Clock = std::chrono::steady_clock;

    // Starts reading `path` at once; the worker first runs `beforeRead` when
    // one is given (a test holds it there).
    explicit ImagePrefetch(const QString& path, std::function<void()> beforeRead = {});
    // Waits for the worker.
    ~ImagePrefetch();
    ImagePrefetch(const ImagePrefetch&) = delete;
    ImagePrefetch& operator=(const ImagePrefetch&) = delete;

    // Waits for the worker, then hands over the picture when `path` names
    // the file that was read (the same file, not merely the same name) and
    // that file is unchanged since before the read; null otherwise, and null
    // after the first call. The caller then reads the file itself.
    std::unique_ptr<imaging::Bitmap> Take(const QString& path);
    // Waits for the worker (for tests and the start-up timing).
    void Wait();
    // Calls `finished` once, when the read has ended: at once on this thread
    // when it has, else on the worker as it ends.
    void WhenFinished(std::function<void()> finished);
    // The read has ended (the worker may still be returning).
    bool HasFinished();

    // When the worker began and ended, for the start-up timing.
    Clock::time_point Started() const { return started_; }
    Clock::time_point Finished() const { return finished_; }

    // What tells one version of a file from another.
    struct FileStamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = -1;
        timespec modified{};
        timespec changed{};
        bool operator==(const FileStamp& other) const;
    };
    // The file's stamp, or none (size -1) when it cannot be read.
    static FileStamp StampOf(const QString& path);

private:
    void Read(const QString& path);

    std::mutex mutex_;
    bool finished_flag_ = false;          // under mutex_
    std::function<void()> whenFinished_;  // under mutex_
    // Written by the worker, read after it has been joined.
    FileStamp stamp_;
    std::unique_ptr<imaging::Bitmap> bitmap_;
    Clock::time_point started_;
    Clock::time_point finished_;
    std::thread worker_;  // last: starts once everything above exists
};

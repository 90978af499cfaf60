#pragma once
// Decodes the next item's source on a thread of its own while the worker
// resizes and saves the current item, so that decoding, the resize and the
// encoder overlap. The result is the same bitmap the worker would decode
// itself; the thread is always joined before the result is read or the
// object goes.

#include <QString>

#include <cstddef>
#include <memory>
#include <thread>

namespace imaging {
class Bitmap;
}

// The source of a batch item decoded from its file; null when it cannot be
// (no file, not an image, too large, out of memory).
std::unique_ptr<imaging::Bitmap> DecodeBatchSource(const QString& path);

class SourcePrefetch {
public:
    SourcePrefetch() = default;
    ~SourcePrefetch();
    SourcePrefetch(const SourcePrefetch&) = delete;
    SourcePrefetch& operator=(const SourcePrefetch&) = delete;

    // Starts decoding `path` for item `index` (after a previous decode is
    // done with). False when no thread could be started.
    bool Start(std::size_t index, const QString& path);
    // Whether item `index` is the one being decoded.
    bool Holds(std::size_t index) const { return pending_ && index_ == index; }
    // Waits for the decode and hands over its result (null when it failed).
    std::unique_ptr<imaging::Bitmap> Take();
    // Waits for a decode in progress and drops its result.
    void Discard();

private:
    void Join();

    std::thread thread_;
    std::size_t index_ = 0;
    bool pending_ = false;
    std::unique_ptr<imaging::Bitmap> bitmap_;
};

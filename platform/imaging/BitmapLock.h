#pragma once
// A locked rectangle of a Bitmap in 24-bit BGR (QImage::Format_BGR888), rows
// padded to 4 bytes. A bitmap already held as BGR888 is locked in place;
// any other is converted into a buffer on locking (for reading) and
// converted back into the bitmap on Unlock (for writing). A read-only lock's
// bytes must not be written. The lock ends at Unlock or destruction.

#include <cstddef>
#include <cstdint>

#include <QImage>

#include "platform/imaging/Bitmap.h"

namespace imaging {

class BitmapLock {
public:
    ~BitmapLock();
    BitmapLock(const BitmapLock&) = delete;
    BitmapLock& operator=(const BitmapLock&) = delete;

    std::uint8_t* Scan0() const { return scan0_; }
    std::ptrdiff_t Stride() const { return stride_; }
    int Width() const { return rect_.width; }
    int Height() const { return rect_.height; }

    // Writes the buffer back (write modes) and releases the bitmap. False when
    // the write-back failed for lack of memory; the lock ends either way.
    bool Unlock();

private:
    friend class Bitmap;
    BitmapLock(Bitmap& bitmap, const Rect& rect, LockMode mode) : bitmap_(&bitmap), rect_(rect), mode_(mode) {}
    bool Begin();
    bool WriteBack();

    Bitmap* bitmap_;
    Rect rect_;
    LockMode mode_;
    QImage buffer_;  // null when locked in place
    std::uint8_t* scan0_ = nullptr;
    std::ptrdiff_t stride_ = 0;
    bool locked_ = true;
};

}  // namespace imaging

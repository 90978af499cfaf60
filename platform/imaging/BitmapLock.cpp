#include "platform/imaging/BitmapLock.h"

#include <cstring>

namespace imaging {

BitmapLock::~BitmapLock() { Unlock(); }

bool BitmapLock::Begin() {
    QImage& image = bitmap_->image_;
    const bool writes = mode_ != LockMode::Read;
    if (image.format() == QImage::Format_BGR888) {
        // In place. Writing detaches pixels shared with clones first; reading
        // leaves them shared.
        std::uint8_t* bits = writes ? image.bits() : const_cast<std::uint8_t*>(image.constBits());
        if (!bits)
            return false;
        stride_ = image.bytesPerLine();
        scan0_ = bits + static_cast<std::ptrdiff_t>(rect_.y) * stride_ + static_cast<std::ptrdiff_t>(rect_.x) * 3;
        return true;
    }
    if (mode_ == LockMode::Write) {
        buffer_ = QImage(rect_.width, rect_.height, QImage::Format_BGR888);
        if (buffer_.isNull())
            return false;
        buffer_.fill(0);
    } else {
        buffer_ = image.copy(rect_.x, rect_.y, rect_.width, rect_.height).convertToFormat(QImage::Format_BGR888);
        if (buffer_.isNull())
            return false;
    }
    scan0_ = buffer_.bits();
    stride_ = buffer_.bytesPerLine();
    return scan0_ != nullptr;
}

bool BitmapLock::WriteBack() {
    QImage& image = bitmap_->image_;
    QImage converted;
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB)
        converted = buffer_.convertToFormat(image.format(), image.colorTable());
    else
        converted = buffer_.convertToFormat(image.format());
    std::uint8_t* dst = image.bits();
    if (converted.isNull() || !dst)
        return false;
    const int depth = image.depth();
    if (depth >= 8) {
        const std::size_t rowBytes = static_cast<std::size_t>(rect_.width) * (depth / 8);
        const std::size_t offset = static_cast<std::size_t>(rect_.x) * (depth / 8);
        for (int y = 0; y < rect_.height; ++y)
            std::memcpy(dst + static_cast<std::ptrdiff_t>(rect_.y + y) * image.bytesPerLine() + offset,
                        converted.constScanLine(y), rowBytes);
    } else {
        for (int y = 0; y < rect_.height; ++y)
            for (int x = 0; x < rect_.width; ++x)
                image.setPixel(rect_.x + x, rect_.y + y, converted.pixelIndex(x, y));
    }
    return true;
}

bool BitmapLock::Unlock() {
    if (!locked_)
        return true;
    bool ok = true;
    if (mode_ != LockMode::Read && !buffer_.isNull()) {
        try {
            ok = WriteBack();
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    buffer_ = QImage();
    scan0_ = nullptr;
    locked_ = false;
    bitmap_->locked_ = false;
    return ok;
}

}  // namespace imaging

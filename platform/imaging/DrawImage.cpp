#include "platform/imaging/DrawImage.h"

#include <algorithm>
#include <new>
#include <vector>

#include <QtGlobal>

#include "platform/imaging/BitmapLock.h"

namespace imaging {

namespace {

// The source rectangle as rows the resampler reads: the bitmap's own bytes
// when their layout suits it, else a converted copy kept in `holder`.
ResampleSource SourceView(const QImage& image, const Rect& r, QImage& holder) {
    const QImage::Format format = image.format();
    const bool littleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    int step = 0, channels = 0;
    const QImage* pixels = &image;
    int x = r.x, y = r.y;
    if (format == QImage::Format_BGR888) {
        step = channels = 3;
    } else if (littleEndian && format == QImage::Format_RGB32) {
        step = 4;  // B, G, R, unused
        channels = 3;
    } else if (littleEndian && format == QImage::Format_ARGB32_Premultiplied) {
        step = channels = 4;
    } else {
        const bool alpha = image.hasAlphaChannel();
        holder = image.copy(r.x, r.y, r.width, r.height)
                     .convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_BGR888);
        if (holder.isNull())
            throw std::bad_alloc();
        pixels = &holder;
        x = y = 0;
        step = channels = alpha ? 4 : 3;
    }
    ResampleSource src;
    src.stride = pixels->bytesPerLine();
    src.bits =
        pixels->constBits() + static_cast<std::ptrdiff_t>(y) * src.stride + static_cast<std::ptrdiff_t>(x) * step;
    src.width = r.width;
    src.height = r.height;
    src.step = step;
    src.channels = channels;
    return src;
}

// Premultiplied B, G, R, A over opaque B, G, R.
void ComposeOver(const std::uint8_t* src, int w, int h, std::uint8_t* dst, std::ptrdiff_t dstStride) {
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * w * 4;
        std::uint8_t* d = dst + static_cast<std::ptrdiff_t>(y) * dstStride;
        for (int x = 0; x < w; ++x, s += 4, d += 3) {
            const int keep = 255 - s[3];
            for (int c = 0; c < 3; ++c)
                d[c] = static_cast<std::uint8_t>(std::min(255, s[c] + (d[c] * keep + 127) / 255));
        }
    }
}

}  // namespace

bool DrawImage(Bitmap& target, const Rect& dstRect, const Bitmap& source, const Rect& srcRect, InterpolationMode mode) {
    if (dstRect.Empty() || !srcRect.InsideOf(source.Width(), source.Height()))
        return false;
    const std::int64_t left = std::max<std::int64_t>(0, dstRect.x), top = std::max<std::int64_t>(0, dstRect.y);
    const std::int64_t right = std::min<std::int64_t>(target.Width(), std::int64_t{dstRect.x} + dstRect.width);
    const std::int64_t bottom = std::min<std::int64_t>(target.Height(), std::int64_t{dstRect.y} + dstRect.height);
    if (left >= right || top >= bottom)
        return true;
    const Rect visible{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                       static_cast<int>(bottom - top)};
    const Rect window{visible.x - dstRect.x, visible.y - dstRect.y, visible.width, visible.height};
    try {
        // Drawing a bitmap into itself reads from a snapshot of its pixels.
        const QImage pixels = source.Image();
        QImage holder;
        const ResampleSource src = SourceView(pixels, srcRect, holder);
        const bool alpha = src.channels == 4;
        auto lock = target.LockBits(visible, alpha ? LockMode::ReadWrite : LockMode::Write);
        if (!lock)
            return false;
        bool ok;
        if (!alpha) {
            ok = Resample(src, dstRect.width, dstRect.height, window, lock->Scan0(), lock->Stride(), mode);
        } else {
            std::vector<std::uint8_t> premultiplied(static_cast<std::size_t>(visible.width) * visible.height * 4);
            ok = Resample(src, dstRect.width, dstRect.height, window, premultiplied.data(),
                          static_cast<std::ptrdiff_t>(visible.width) * 4, mode);
            if (ok)
                ComposeOver(premultiplied.data(), visible.width, visible.height, lock->Scan0(), lock->Stride());
        }
        return lock->Unlock() && ok;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::unique_ptr<Bitmap> ScaledCopy(const Bitmap& source, int width, int height) {
    auto copy = Bitmap::Create(width, height, PixelFormat24bppRGB);
    if (!copy || !DrawImage(*copy, {0, 0, width, height}, source, {0, 0, source.Width(), source.Height()},
                            InterpolationMode::HighQualityBicubic))
        return nullptr;
    copy->SetResolution(source.HorizontalResolution(), source.VerticalResolution());
    return copy;
}

}  // namespace imaging

#pragma once
// What the decoder fuzz targets ask of every picture a decoder gives: a
// format the decoder promises. Each decode runs within a small budget.

#include <QImage>

#include <cstdint>
#include <initializer_list>

namespace fuzzcheck {

inline constexpr std::int64_t kBudget = std::int64_t{64} << 20;

// Traps when `image` is a picture of a format outside `formats`.
inline void RequireFormat(const QImage& image, std::initializer_list<QImage::Format> formats) {
    if (image.isNull())
        return;
    for (const QImage::Format format : formats)
        if (image.format() == format)
            return;
    __builtin_trap();
}

}  // namespace fuzzcheck

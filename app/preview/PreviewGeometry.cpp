#include "app/preview/PreviewGeometry.h"

#include <algorithm>

namespace {

struct Edges {
    std::int64_t left, top, right, bottom;
};

Edges EdgesOf(const imaging::Rect& r) { return {r.x, r.y, std::int64_t{r.x} + r.width, std::int64_t{r.y} + r.height}; }

// Edges within the int range by construction of the callers (they lie inside
// the image or the output).
imaging::Rect RectOf(const Edges& e) {
    if (e.right <= e.left || e.bottom <= e.top)
        return {};
    return {static_cast<int>(e.left), static_cast<int>(e.top), static_cast<int>(e.right - e.left),
            static_cast<int>(e.bottom - e.top)};
}

}  // namespace

imaging::Rect Intersect(const imaging::Rect& a, const imaging::Rect& b) {
    const Edges ea = EdgesOf(a), eb = EdgesOf(b);
    return RectOf({std::max(ea.left, eb.left), std::max(ea.top, eb.top), std::min(ea.right, eb.right),
                   std::min(ea.bottom, eb.bottom)});
}

PreviewMapping::PreviewMapping(int imageWidth, int imageHeight, int outputWidth, int outputHeight, bool crop) {
    valid_ = imageWidth > 0 && imageHeight > 0 && outputWidth > 0 && outputHeight > 0;
    if (!valid_)
        return;
    const std::int64_t w = imageWidth, h = imageHeight, W = outputWidth, H = outputHeight;
    outputWidth_ = W;
    outputHeight_ = H;
    cropWidth_ = w;
    cropHeight_ = h;
    if (crop) {
        // The covering proportion of the whole-image resize, seen from the
        // source: the side that is too long for the output's aspect is cut.
        if (h * W < H * w)
            cropWidth_ = std::max<std::int64_t>(1, h * W / H);
        else
            cropHeight_ = std::max<std::int64_t>(1, H * w / W);
        cropX_ = (w - cropWidth_) / 2;
        cropY_ = (h - cropHeight_) / 2;
    }
}

imaging::Rect PreviewMapping::ShownSource() const {
    if (!valid_)
        return {};
    return RectOf({cropX_, cropY_, cropX_ + cropWidth_, cropY_ + cropHeight_});
}

imaging::Rect PreviewMapping::OutputToSource(const imaging::Rect& output, bool roundOut) const {
    if (!valid_)
        return {};
    const imaging::Rect visible =
        Intersect(output, {0, 0, static_cast<int>(outputWidth_), static_cast<int>(outputHeight_)});
    if (visible.Empty())
        return {};
    const Edges o = EdgesOf(visible);
    auto right = [&](std::int64_t value, std::int64_t crop, std::int64_t out) {
        return roundOut ? DivideRoundingUp(value * crop, out) : value * crop / out;
    };
    const std::int64_t left = cropX_ + o.left * cropWidth_ / outputWidth_;
    const std::int64_t top = cropY_ + o.top * cropHeight_ / outputHeight_;
    // Rounded down, a part of the output narrower than one source pixel
    // keeps its place with a size of 0.
    const std::int64_t width = cropX_ + right(o.right, cropWidth_, outputWidth_) - left;
    const std::int64_t height = cropY_ + right(o.bottom, cropHeight_, outputHeight_) - top;
    return {static_cast<int>(left), static_cast<int>(top), static_cast<int>(std::max<std::int64_t>(0, width)),
            static_cast<int>(std::max<std::int64_t>(0, height))};
}

imaging::Rect PreviewMapping::SourceToOutput(const imaging::Rect& source) const {
    if (!valid_)
        return {};
    const imaging::Rect inside = Intersect(source, ShownSource());
    if (inside.Empty())
        return {};
    const Edges s = EdgesOf(inside);
    return RectOf({(s.left - cropX_) * outputWidth_ / cropWidth_, (s.top - cropY_) * outputHeight_ / cropHeight_,
                   DivideRoundingUp((s.right - cropX_) * outputWidth_, cropWidth_),
                   DivideRoundingUp((s.bottom - cropY_) * outputHeight_, cropHeight_)});
}

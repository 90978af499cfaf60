#pragma once
// Where the preview's pixels come from: the mapping between the output
// (the image at the output size, as the view scrolls over it) and the image.
//
// Without the crop correction the whole image maps onto the whole output.
// With it ("Crop") the output shows the centre cut that Resize and Save
// writes: the largest part of the image with the output's aspect, centred,
// maps onto the whole output, so every scroll position shows its own part of
// that cut.
//
// Rectangles are in whole pixels; every product of a position and a size is
// taken in 64 bits (outputs reach 100000 pixels a side). A mapping with a
// size of 0 or less in the image or the output is not valid and maps
// everything to the empty rectangle, so nothing ever divides by zero.

#include <cstdint>

#include "platform/imaging/Geometry.h"

class PreviewMapping {
public:
    PreviewMapping(int imageWidth, int imageHeight, int outputWidth, int outputHeight, bool crop);

    bool Valid() const { return valid_; }
    // The part of the image the output shows: the whole image, or the
    // centre cut with the crop correction.
    imaging::Rect ShownSource() const;

    // The source region under a rectangle of the output, limited to the
    // output first: left and top rounded down, right and bottom rounded up
    // (roundOut) or down. Rounded down, the region may have a size of 0 where
    // the output is narrower than a source pixel; it keeps its position.
    imaging::Rect OutputToSource(const imaging::Rect& output, bool roundOut = true) const;
    // The output rectangle a source region covers: left and top rounded
    // down, right and bottom up; limited to the output.
    imaging::Rect SourceToOutput(const imaging::Rect& source) const;

private:
    bool valid_ = false;
    std::int64_t outputWidth_ = 0, outputHeight_ = 0;
    // The shown part of the image.
    std::int64_t cropX_ = 0, cropY_ = 0, cropWidth_ = 0, cropHeight_ = 0;
};

// Division of a non-negative product rounded up.
inline std::int64_t DivideRoundingUp(std::int64_t numerator, std::int64_t denominator) {
    return (numerator + denominator - 1) / denominator;
}

// The part of `a` inside `b` (empty when they do not meet).
imaging::Rect Intersect(const imaging::Rect& a, const imaging::Rect& b);

#pragma once
// Integer rectangles of bitmap pixels.

#include <cstdint>

namespace imaging {

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool Empty() const { return width <= 0 || height <= 0; }
    // Non-empty and wholly inside a w x h image (64-bit sums, no overflow).
    bool InsideOf(int w, int h) const {
        return !Empty() && x >= 0 && y >= 0 && std::int64_t{x} + width <= w && std::int64_t{y} + height <= h;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace imaging

#include "engine/Unsharp3x3.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace {

int BlockSum3x3(const std::uint8_t* plane, int width, int x, int y) {
    int sum = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        const std::uint8_t* row = plane + PlaneBytes(y + dy, width);
        sum += row[x - 1] + row[x] + row[x + 1];
    }
    return sum;
}

}  // namespace

int Unsharp3x3(std::uint8_t* plane, int width, int height, int amount, CRSProgress* progress) {
    if (!plane || width <= 0 || height <= 0 || amount < 0 || amount >= 100)
        return 0;

    std::vector<std::uint8_t> result;
    try {
        result.assign(plane, plane + PlaneBytes(width, height));
    } catch (const std::bad_alloc&) {
        g_bResizeOutOfMemory = 1;
        return 0;
    }

    for (int y = 1; y < height - 1; ++y) {
        std::uint8_t* out = &result[PlaneBytes(y, width)];
        const std::uint8_t* in = plane + PlaneBytes(y, width);
        for (int x = 1; x < width - 1; ++x) {
            const int mean = BlockSum3x3(plane, width, x, y) / 9;
            out[x] = ClampToByte((100 * in[x] - amount * mean) / (100 - amount));
        }
        if (!ReportRow(progress, y, height - 1))
            return 0;
    }

    std::copy(result.begin(), result.end(), plane);
    return 1;
}

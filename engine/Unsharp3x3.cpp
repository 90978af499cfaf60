#include "engine/Unsharp3x3.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engine/ParallelRows.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace {

// Interior row y of the sharpened plane into out (columns 1..width-2), from
// the unchanged plane: the 3x3 block sum as three column sums.
void SharpenRow(std::uint8_t* out, const std::uint8_t* plane, int width, int y, int amount,
                std::vector<int>& columnSums) {
    const std::uint8_t* above = plane + PlaneBytes(y - 1, width);
    const std::uint8_t* row = plane + PlaneBytes(y, width);
    const std::uint8_t* below = plane + PlaneBytes(y + 1, width);
    for (int x = 0; x < width; ++x)
        columnSums[x] = above[x] + row[x] + below[x];
    for (int x = 1; x < width - 1; ++x) {
        const int mean = (columnSums[x - 1] + columnSums[x] + columnSums[x + 1]) / 9;
        out[x] = ClampToByte((100 * row[x] - amount * mean) / (100 - amount));
    }
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

    // Interior rows 1..height-2 in parallel blocks, reported in order.
    const int interior = std::max(0, height - 2);
    const int done = ParallelLinesInOrder(
        interior, width,
        [&](int first, int last) {
            std::vector<int> columnSums(width);
            for (int i = first; i < last; ++i)
                SharpenRow(&result[PlaneBytes(i + 1, width)], plane, width, i + 1, amount, columnSums);
        },
        [&](int i) { return ReportRow(progress, i + 1, height - 1); });
    if (!done)
        return 0;

    std::copy(result.begin(), result.end(), plane);
    return 1;
}

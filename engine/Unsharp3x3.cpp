#include "engine/Unsharp3x3.h"

#include <algorithm>
#include <new>
#include <vector>

#include "engine/ParallelRows.h"
#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace {

std::uint8_t Sharpened(int p, int mean, int amount) { return ClampToByte((100 * p - amount * mean) / (100 - amount)); }

// Sharpened(p, mean) for every p and mean, at mean * 256 + p: for planes
// large enough to repay the 65536 divisions.
constexpr long long kTableFrom = 1 << 18;

std::vector<std::uint8_t> SharpenTable(int amount) {
    std::vector<std::uint8_t> table(256 * 256);
    for (int mean = 0; mean < 256; ++mean)
        for (int p = 0; p < 256; ++p)
            table[mean * 256 + p] = Sharpened(p, mean, amount);
    return table;
}

// Interior row y of the sharpened plane into out (columns 1..width-2), from
// the unchanged plane: the 3x3 block sum as three column sums.
void SharpenRow(std::uint8_t* out, const std::uint8_t* plane, int width, int y, int amount, const std::uint8_t* table,
                std::vector<int>& columnSums) {
    const std::uint8_t* above = plane + PlaneBytes(y - 1, width);
    const std::uint8_t* row = plane + PlaneBytes(y, width);
    const std::uint8_t* below = plane + PlaneBytes(y + 1, width);
    for (int x = 0; x < width; ++x)
        columnSums[x] = above[x] + row[x] + below[x];
    for (int x = 1; x < width - 1; ++x) {
        const int mean = (columnSums[x - 1] + columnSums[x] + columnSums[x + 1]) / 9;
        out[x] = table ? table[mean * 256 + row[x]] : Sharpened(row[x], mean, amount);
    }
}

}  // namespace

int Unsharp3x3(std::uint8_t* plane, int width, int height, int amount, CRSProgress* progress) {
    if (!plane || width <= 0 || height <= 0 || amount < 0 || amount >= 100)
        return 0;

    const std::size_t bytes = PlaneBytes(width, height);
    PlaneBuffer result;
    std::vector<std::uint8_t> table;
    try {
        result = NewPlane(bytes);
        std::copy_n(plane, bytes, result.get());
        if (static_cast<long long>(width) * height >= kTableFrom)
            table = SharpenTable(amount);
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
                SharpenRow(&result[PlaneBytes(i + 1, width)], plane, width, i + 1, amount,
                           table.empty() ? nullptr : table.data(), columnSums);
        },
        [&](int i) { return ReportRow(progress, i + 1, height - 1); });
    if (!done)
        return 0;

    std::copy_n(result.get(), bytes, plane);
    return 1;
}

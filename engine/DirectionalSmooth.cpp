#include "engine/DirectionalSmooth.h"

#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "engine/Plane.h"
#include "engine/RSProgress.h"

namespace {

constexpr int kRootEntries = 10000;
constexpr int kClassSide = 512;    // gx and gy in -256..255 (the gradients reach -255..255)
constexpr int kClassCentre = 256;  // index of gx = 0 (and of gy = 0)
constexpr double kTan22_5 = 0.41421356237309503;

// trunc(sqrt(i)) for i < 10000: the strength of a gradient of squared
// magnitude i.
const std::array<std::uint8_t, kRootEntries>& RootTable() {
    static const auto table = [] {
        std::array<std::uint8_t, kRootEntries> t{};
        for (int i = 0; i < kRootEntries; ++i)
            t[i] = static_cast<std::uint8_t>(std::sqrt(static_cast<double>(i)));
        return t;
    }();
    return table;
}

std::uint8_t ComputeClass(int gx, int gy) {
    const double ax = std::abs(gx), ay = std::abs(gy);
    if (ax < kTan22_5 * ay)
        return 2;
    if (ay < kTan22_5 * ax || (gx == 0 && gy == 0))
        return 0;
    if (gx * gy < 1)
        return 3;
    return 1;
}

// The class of every gradient, [gy + 256][gx + 256]; built once for the
// process and only read afterwards.
const std::uint8_t* ClassTable() {
    static const auto table = [] {
        auto t = std::make_unique<std::uint8_t[]>(kClassSide * kClassSide);
        for (int gy = -kClassCentre; gy < kClassSide - kClassCentre; ++gy)
            for (int gx = -kClassCentre; gx < kClassSide - kClassCentre; ++gx)
                t[(gy + kClassCentre) * kClassSide + gx + kClassCentre] = ComputeClass(gx, gy);
        return t;
    }();
    return table.get();
}

// Rows above and below y, each replaced by y itself outside the plane.
struct RowPair {
    int up, down;
};
RowPair Neighbours(int y, int height) { return {y > 0 ? y - 1 : y, y < height - 1 ? y + 1 : y}; }

// Horizontal 1-2-1 sum at (x, row); a neighbour outside the row is the centre.
int HorizontalSum(const std::uint8_t* row, int x, int width) {
    const int left = row[x > 0 ? x - 1 : x];
    const int right = row[x < width - 1 ? x + 1 : x];
    return left + 2 * row[x] + right;
}

// Vertical 1-2-1 sum at column x of rows up, centre, down.
int VerticalSum(const std::uint8_t* up, const std::uint8_t* centre, const std::uint8_t* down, int x) {
    return up[x] + 2 * centre[x] + down[x];
}

// Computes the gradient of every pixel of row y and hands its index, strength
// and class to emit(index, strength, class).
template <typename Emit>
void GradientRow(const std::uint8_t* plane, int width, int height, std::ptrdiff_t pitch, int y, const Emit& emit) {
    const auto& root = RootTable();
    const std::uint8_t* classes = ClassTable() + kClassCentre * kClassSide + kClassCentre;
    const RowPair rows = Neighbours(y, height);
    const std::uint8_t* up = plane + rows.up * pitch;
    const std::uint8_t* centre = plane + y * pitch;
    const std::uint8_t* down = plane + rows.down * pitch;
    // The vertical difference uses the rows on both sides, or at the first and
    // last row the row itself and its one neighbour.
    const std::uint8_t* before = height == 1 ? centre : (y == 0 ? centre : up);
    const std::uint8_t* after = height == 1 ? centre : (y == height - 1 ? centre : down);

    for (int x = 0; x < width; ++x) {
        int gx = 0;
        if (width > 1) {
            const int left = x == 0 ? 0 : (x == width - 1 ? width - 2 : x - 1);
            const int right = x == 0 ? 1 : (x == width - 1 ? width - 1 : x + 1);
            gx = (VerticalSum(up, centre, down, right) - VerticalSum(up, centre, down, left)) / 4;
        }
        const int gy = (HorizontalSum(after, x, width) - HorizontalSum(before, x, width)) / 4;
        emit(y * pitch + x, root[std::min(gx * gx + gy * gy, kRootEntries - 1)], classes[gx + kClassSide * gy]);
    }
}

// The votes of one pixel packed into a word: one byte per class 0..3, so
// that adding the words of the nine neighbours counts every class at once (at
// most 9 per byte). A class plane holds 0..3 (class 4 casts no vote); the
// smoothing's own plane adds kWeakMark to the class of a weak gradient, which
// still votes.
constexpr std::uint8_t kWeakMark = 4;
constexpr std::uint32_t kVote[256] = {1u, 1u << 8, 1u << 16, 1u << 24};
constexpr std::uint32_t kMarkedVote[256] = {1u, 1u << 8, 1u << 16, 1u << 24, 1u, 1u << 8, 1u << 16, 1u << 24};

// The packed votes of column x over rows `lines`.
std::uint32_t ColumnVotes(const std::uint32_t* voteOf, const std::uint8_t* const* lines, int x) {
    return voteOf[lines[0][x]] + voteOf[lines[1][x]] + voteOf[lines[2][x]];
}

// Votes on row y of a class plane and hands every pixel's winner and
// confidence to emit(index, class, confidence); pixels for which
// leaveAlone(index) holds get class 4 and confidence 0.
template <typename LeaveAlone, typename Emit>
void VoteRow(const std::uint32_t* voteOf, const std::uint8_t* direction, int width, int height, std::ptrdiff_t pitch,
             int y, const LeaveAlone& leaveAlone, const Emit& emit) {
    const RowPair rows = Neighbours(y, height);
    const std::uint8_t* lines[3] = {direction + rows.up * pitch, direction + y * pitch, direction + rows.down * pitch};
    // A sliding window of three columns; outside the row the edge column
    // counts again.
    std::uint32_t left = ColumnVotes(voteOf, lines, 0), centre = left;
    for (int x = 0; x < width; ++x) {
        const std::uint32_t right = x + 1 < width ? ColumnVotes(voteOf, lines, x + 1) : centre;
        const std::ptrdiff_t at = y * pitch + x;
        if (leaveAlone(at)) {
            emit(at, kSmoothKeep, 0);
        } else {
            const std::uint32_t votes = left + centre + right;
            int best = 0, bestCount = votes & 0xFF;
            for (int c = 1; c < kSmoothKeep; ++c) {
                const int count = (votes >> (8 * c)) & 0xFF;
                if (count >= bestCount) {
                    best = c;
                    bestCount = count;
                }
            }
            emit(at, best, 11 * bestCount);
        }
        left = centre;
        centre = right;
    }
}

// Neighbour offsets along each class: {dx1, dy1, dx2, dy2}.
constexpr int kAlong[4][4] = {
    {0, -1, 0, 1},   // vertical edge: above and below
    {-1, 1, 1, -1},  // lower left and upper right
    {-1, 0, 1, 0},   // horizontal edge: left and right
    {-1, -1, 1, 1},  // upper left and lower right
};

// Averages every pixel of row y with its two neighbours along its class. In
// the first and last rows both neighbours lose their vertical offset, in the
// first and last columns their horizontal one: there a diagonal runs along
// the border, and a neighbour straight across it is the pixel itself.
void SmoothRow(std::uint8_t* out, const std::uint8_t* plane, const std::uint8_t* direction, int width, int height,
               int y) {
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(y) * width;
    const std::ptrdiff_t rowStep = y > 0 && y < height - 1 ? width : 0;
    for (int x = 0; x < width; ++x) {
        const std::ptrdiff_t at = row + x;
        const int cls = direction[at];
        if (cls >= kSmoothKeep) {
            out[at] = plane[at];
            continue;
        }
        const std::ptrdiff_t columnStep = x > 0 && x < width - 1 ? 1 : 0;
        const int* d = kAlong[cls];
        const int first = plane[at + d[1] * rowStep + d[0] * columnStep];
        const int second = plane[at + d[3] * rowStep + d[2] * columnStep];
        out[at] = static_cast<std::uint8_t>((plane[at] + first + second + 1) / 3);
    }
}

// Runs rowFn(y) for every row, band by band, testing the abort byte before
// each row. Returns false when a band stopped.
template <typename RowFn>
bool ForEachRow(int height, bool parallel, const SuperRes::AbortFlag* abort, const RowFn& rowFn) {
    std::atomic<bool> stopped{false};
    SuperRes::ForEachRowRange(height, parallel, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            if (SuperRes::Stopped(abort)) {
                stopped.store(true, std::memory_order_relaxed);
                return;
            }
            rowFn(y);
        }
    });
    return !stopped.load(std::memory_order_relaxed);
}

}  // namespace

std::uint8_t DirectionClass(int gx, int gy) {
    return ClassTable()[(gy + kClassCentre) * kClassSide + gx + kClassCentre];
}

void GradientField(std::uint8_t* strength, std::uint8_t* direction, const std::uint8_t* plane, int width, int height,
                   int pitch, bool parallel, const SuperRes::AbortFlag* abort) {
    if (!strength || !direction || !plane || width <= 0 || height <= 0 || pitch < width)
        return;
    ForEachRow(height, parallel, abort, [&](int y) {
        GradientRow(plane, width, height, pitch, y, [&](std::ptrdiff_t at, int s, int cls) {
            strength[at] = static_cast<std::uint8_t>(s);
            direction[at] = static_cast<std::uint8_t>(cls);
        });
    });
}

void DirectionVote(std::uint8_t* confidence, const std::uint8_t* strength, std::uint8_t* direction, int width,
                   int height, int pitch, bool parallel, const SuperRes::AbortFlag* abort) {
    if (!confidence || !strength || !direction || width <= 0 || height <= 0 || pitch < width)
        return;
    const std::size_t bytes = PlaneBytes(pitch, height);
    const auto voted = SuperRes::TryAllocatePlane(bytes);
    if (!voted)
        return;
    const bool done = ForEachRow(height, parallel, abort, [&](int y) {
        VoteRow(
            kVote, direction, width, height, pitch, y, [&](std::ptrdiff_t at) { return strength[at] == 0; },
            [&](std::ptrdiff_t at, int cls, int conf) {
                confidence[at] = static_cast<std::uint8_t>(conf);
                voted[at] = static_cast<std::uint8_t>(cls);
            });
    });
    if (!done)
        return;
    for (int y = 0; y < height; ++y)
        std::memcpy(direction + static_cast<std::ptrdiff_t>(y) * pitch,
                    voted.get() + static_cast<std::ptrdiff_t>(y) * pitch, width);
}

void DirectionalSmooth(std::uint8_t* plane, int width, int height, int confidenceThreshold, int strengthThreshold,
                       int passes, bool parallel, const SuperRes::AbortFlag* abort) {
    // Without a pass the gradients and the vote could change nothing.
    if (!plane || width <= 0 || height <= 0 || passes <= 0)
        return;
    // Two planes: the gradient classes, marked where the gradient is weak,
    // then the voted classes; the first plane later takes each pass's result.
    const std::size_t bytes = PlaneBytes(width, height);
    auto marked = SuperRes::TryAllocatePlane(bytes);
    auto voted = marked ? SuperRes::TryAllocatePlane(bytes) : nullptr;
    if (!voted)
        return;

    // A gradient of about 15 is needed (and strength 0 never smooths).
    const int weakBelow = std::max(strengthThreshold, 1);
    const bool gradientDone = ForEachRow(height, parallel, abort, [&](int y) {
        GradientRow(plane, width, height, width, y, [&](std::ptrdiff_t at, int strength, int cls) {
            marked[at] = static_cast<std::uint8_t>(strength < weakBelow ? cls + kWeakMark : cls);
        });
    });
    if (!gradientDone)
        return;
    // At least 5 of the 9 votes are needed.
    const bool voteDone = ForEachRow(height, parallel, abort, [&](int y) {
        VoteRow(
            kMarkedVote, marked.get(), width, height, width, y,
            [&](std::ptrdiff_t at) { return marked[at] >= kWeakMark; },
            [&](std::ptrdiff_t at, int cls, int conf) {
                voted[at] = static_cast<std::uint8_t>(conf < confidenceThreshold ? kSmoothKeep : cls);
            });
    });
    if (!voteDone)
        return;

    // The passes go back and forth between the plane and the first buffer;
    // whichever holds the last finished pass is what the plane keeps, also
    // after a stop.
    std::uint8_t* from = plane;
    std::uint8_t* to = marked.get();
    for (int pass = 0; pass < passes; ++pass) {
        if (!ForEachRow(height, parallel, abort, [&](int y) { SmoothRow(to, from, voted.get(), width, height, y); }))
            break;
        std::swap(from, to);
    }
    if (from != plane)
        SuperRes::ForEachRowRange(height, parallel, [&](int first, int end) {
            const std::size_t at = PlaneBytes(first, width);
            std::memcpy(plane + at, from + at, PlaneBytes(end - first, width));
        });
}

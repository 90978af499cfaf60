#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "engine/DirectionalSmooth.h"
#include "support/EngineTestSupport.h"

namespace {

const SuperRes::AbortFlag kNeverAbort{0};

Plane MakePlane(int w, int h, const std::function<int(int, int)>& value) {
    Plane p(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(value(x, y));
    return p;
}

void Smooth(Plane& p, int w, int h, int passes, bool parallel = false) {
    DirectionalSmooth(p.data(), w, h, 55, 15, passes, parallel, &kNeverAbort);
}

TEST(DirectionalSmooth, ClassesOfGradientDirections) {
    struct Case {
        int gx, gy, cls;
    } cases[] = {
        {0, 0, 0},    {100, 0, 0},   {-100, 0, 0}, {0, 100, 2},  {0, -255, 2},  // axes
        {100, 41, 0}, {100, 42, 1},  {41, 100, 2}, {42, 100, 1},                // tan 22.5 = 0.41421
        {50, 50, 1},  {-50, -50, 1}, {50, -50, 3}, {-50, 50, 3}, {255, -255, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DirectionClass(c.gx, c.gy), c.cls) << c.gx << "," << c.gy;
}

TEST(DirectionalSmooth, GradientOfAVerticalStep) {
    // Columns 0, 0, 100, 100: the Sobel pair divided by 4, one-sided in the
    // first and last column.
    const int w = 4, h = 3;
    const Plane p = MakePlane(w, h, [](int x, int) { return x < 2 ? 0 : 100; });
    Plane strength(p.size()), cls(p.size());
    GradientField(strength.data(), cls.data(), p.data(), w, h, w, false, &kNeverAbort);
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(strength[y * w + 0], 0);
        EXPECT_EQ(strength[y * w + 1], 99);  // gx 100: sqrt(min(10000, 9999))
        EXPECT_EQ(strength[y * w + 2], 99);
        EXPECT_EQ(strength[y * w + 3], 0);
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(cls[y * w + x], 0) << x << "," << y;
    }
}

TEST(DirectionalSmooth, GradientTruncatesTowardsZero) {
    // A ramp of 1 per column: gx = (4 * 2) / 4 = 2 inside, (4 * 1) / 4 = 1 in
    // the one-sided first and last column. The last row is 1 higher.
    const int w = 5, h = 4;
    const Plane p = MakePlane(w, h, [](int x, int y) { return 10 + x + (y == 3 ? 1 : 0); });
    Plane strength(p.size()), cls(p.size());
    GradientField(strength.data(), cls.data(), p.data(), w, h, w, false, &kNeverAbort);
    // Row 1: gy = 0; gx 1 at the ends, 2 inside.
    EXPECT_EQ(strength[1 * w + 0], 1);
    EXPECT_EQ(strength[1 * w + 2], 2);
    // Row 2: gy = (4 * 1) / 4 = 1 (the last row differs by 1 at every column).
    EXPECT_EQ(strength[2 * w + 2], 2);  // trunc(sqrt(4 + 1))
    // Row 3 (last): one-sided, gy = (4 - 0) / 4 = 1.
    EXPECT_EQ(strength[3 * w + 0], 1);  // trunc(sqrt(1 + 1))
}

// An independent count of the votes, indices clamped at the border.
void ReferenceVote(const Plane& strength, const Plane& cls, int w, int h, Plane& outClass, Plane& outConf) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * w + x;
            if (strength[at] == 0) {
                outClass[at] = 4;
                outConf[at] = 0;
                continue;
            }
            int counts[5] = {};
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int yy = std::clamp(y + dy, 0, h - 1), xx = std::clamp(x + dx, 0, w - 1);
                    ++counts[cls[static_cast<std::size_t>(yy) * w + xx]];
                }
            int best = 3;
            for (int c = 2; c >= 0; --c)
                if (counts[c] > counts[best])
                    best = c;
            outClass[at] = static_cast<std::uint8_t>(best);
            outConf[at] = static_cast<std::uint8_t>(11 * counts[best]);
        }
}

TEST(DirectionalSmooth, VoteMatchesAReferenceCount) {
    EngineFlagsGuard flags;
    for (auto [w, h] : {std::pair{1, 1}, std::pair{3, 3}, std::pair{17, 9}}) {
        const Plane strength = RandomPlane(w, h, 5, 0, 2);  // a third of the pixels 0
        Plane cls = RandomPlane(w, h, 6, 0, 3);
        Plane expectedClass(cls.size()), expectedConf(cls.size()), conf(cls.size(), 0xAB);
        ReferenceVote(strength, cls, w, h, expectedClass, expectedConf);
        DirectionVote(conf.data(), strength.data(), cls.data(), w, h, w, false, &kNeverAbort);
        EXPECT_EQ(cls, expectedClass) << w << "x" << h;
        EXPECT_EQ(conf, expectedConf) << w << "x" << h;
    }
}

TEST(DirectionalSmooth, TiedVoteGoesToTheLaterClass) {
    EngineFlagsGuard flags;
    const Plane strength(9, 50);
    Plane cls = {1, 2, 3, 1, 2, 3, 1, 2, 3};  // three votes each for 1, 2 and 3
    Plane conf(9);
    DirectionVote(conf.data(), strength.data(), cls.data(), 3, 3, 3, false, &kNeverAbort);
    EXPECT_EQ(cls[4], 3);
    EXPECT_EQ(conf[4], 33);
    // The corner counts its clamped neighbours twice: 1 four times, 2 twice,
    // and its own column 0 of row 1 twice.
    EXPECT_EQ(cls[0], 1);
    EXPECT_EQ(conf[0], 66);
}

// The smoothing as its description reads, written apart from the code: 1-2-1
// sums with the centre for a missing neighbour, Sobel differences divided by
// 4 (one-sided in the border rows and columns), the class of each gradient,
// a vote of the 3 x 3 neighbourhood with clamped indices, the thresholds (55
// and 15), then passes that average each pixel with its two neighbours along
// its class, the vertical offset 0 in the first and last rows and the
// horizontal one 0 in the first and last columns. Planes of 2 x 2 and more.
Plane ReferenceSmooth(const Plane& original, int w, int h, int passes) {
    const auto at = [w](int x, int y) { return static_cast<std::size_t>(y) * w + x; };
    std::vector<int> across(original.size()), down(original.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int c = original[at(x, y)];
            const int left = x > 0 ? original[at(x - 1, y)] : c, right = x < w - 1 ? original[at(x + 1, y)] : c;
            const int above = y > 0 ? original[at(x, y - 1)] : c, below = y < h - 1 ? original[at(x, y + 1)] : c;
            across[at(x, y)] = left + 2 * c + right;
            down[at(x, y)] = above + 2 * c + below;
        }
    std::vector<int> strength(original.size()), cls(original.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x0 = std::max(x - 1, 0), x1 = std::min(x + 1, w - 1);
            const int y0 = std::max(y - 1, 0), y1 = std::min(y + 1, h - 1);
            const int gx = (down[at(x1, y)] - down[at(x0, y)]) / 4;
            const int gy = (across[at(x, y1)] - across[at(x, y0)]) / 4;
            strength[at(x, y)] = static_cast<int>(std::sqrt(static_cast<double>(std::min(gx * gx + gy * gy, 9999))));
            const double tan22_5 = 0.41421356237309503;
            if (std::abs(gx) < tan22_5 * std::abs(gy))
                cls[at(x, y)] = 2;
            else if (std::abs(gy) < tan22_5 * std::abs(gx) || (gx == 0 && gy == 0))
                cls[at(x, y)] = 0;
            else
                cls[at(x, y)] = gx * gy < 1 ? 3 : 1;
        }
    std::vector<int> smoothAs(original.size(), kSmoothKeep);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (strength[at(x, y)] == 0)
                continue;
            int count[4] = {};
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    ++count[cls[at(std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1))]];
            int winner = 0;
            for (int c = 1; c < 4; ++c)
                if (count[c] >= count[winner])
                    winner = c;
            if (11 * count[winner] >= 55 && strength[at(x, y)] >= 15)
                smoothAs[at(x, y)] = winner;
        }
    // Class 0 above and below, 1 lower left and upper right, 2 left and
    // right, 3 upper left and lower right (y grows downwards).
    const int along[4][2][2] = {{{0, -1}, {0, 1}}, {{-1, 1}, {1, -1}}, {{-1, 0}, {1, 0}}, {{-1, -1}, {1, 1}}};
    Plane p = original;
    for (int pass = 0; pass < passes; ++pass) {
        Plane next = p;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int c = smoothAs[at(x, y)];
                if (c == kSmoothKeep)
                    continue;
                const bool borderRow = y == 0 || y == h - 1, borderColumn = x == 0 || x == w - 1;
                int sum = p[at(x, y)] + 1;
                for (const auto& offset : along[c])
                    sum += p[at(x + (borderColumn ? 0 : offset[0]), y + (borderRow ? 0 : offset[1]))];
                next[at(x, y)] = static_cast<std::uint8_t>(sum / 3);
            }
        p = next;
    }
    return p;
}

TEST(DirectionalSmooth, EqualsTheReferenceBordersIncluded) {
    EngineFlagsGuard flags;
    for (auto [w, h] : {std::pair{29, 23}, std::pair{64, 17}, std::pair{5, 40}, std::pair{2, 9}, std::pair{16, 2}}) {
        // Blocks of a few grey levels: strong edges in every direction.
        Plane original = RandomPlane(w, h, static_cast<unsigned>(w * h), 0, 3);
        for (auto& v : original)
            v = static_cast<std::uint8_t>(v * 70);
        for (int passes : {1, 3}) {
            const Plane expected = ReferenceSmooth(original, w, h, passes);
            if (w > 2 && h > 2) {
                EXPECT_NE(expected, original);
            }
            for (bool parallel : {false, true}) {
                Plane p = original;
                Smooth(p, w, h, passes, parallel);
                EXPECT_EQ(p, expected) << w << "x" << h << " passes " << passes << (parallel ? " parallel" : "");
            }
        }
    }
}

// In the first row a diagonal edge is averaged along the row: the neighbours
// below left and above right become left and right.
TEST(DirectionalSmooth, TheFirstRowAveragesADiagonalAlongItself) {
    EngineFlagsGuard flags;
    const int w = 40, h = 30;
    const Plane original = MakePlane(w, h, [](int x, int y) { return x + y < 35 ? 0 : 200; });
    Plane p = original;
    Smooth(p, w, h, 1);
    EXPECT_EQ(p, ReferenceSmooth(original, w, h, 1));
    EXPECT_EQ(p[34], (0 + 0 + 200 + 1) / 3);         // 0 between 0 and 200
    EXPECT_EQ(p[5 * w + 29], original[5 * w + 29]);  // inside, along the edge: unchanged
}

// Constant planes and straight edges stay as they are; diagonal ones inside
// the border rows and columns (there they are averaged along the border).
TEST(DirectionalSmooth, ConstantPlanesAndStraightEdgesStayUnchanged) {
    EngineFlagsGuard flags;
    const int w = 40, h = 30;
    const struct {
        const char* name;
        std::function<int(int, int)> shape;
        bool diagonal;
    } shapes[] = {
        {"constant", [](int, int) { return 77; }, false},
        {"vertical edge", [](int x, int) { return x < w / 2 ? 0 : 200; }, false},
        {"horizontal edge", [](int, int y) { return y < h / 2 ? 0 : 200; }, false},
        {"45 degrees rising", [](int x, int y) { return x + y < 35 ? 0 : 200; }, true},
        {"45 degrees falling", [](int x, int y) { return x - y < 5 ? 30 : 220; }, true},
    };
    for (const auto& [name, shape, diagonal] : shapes)
        for (bool parallel : {false, true}) {
            const Plane original = MakePlane(w, h, shape);
            Plane p = original;
            Smooth(p, w, h, diagonal ? 1 : 4, parallel);
            const int margin = diagonal ? 1 : 0;
            for (int y = margin; y < h - margin; ++y)
                for (int x = margin; x < w - margin; ++x)
                    EXPECT_EQ(p[y * w + x], original[y * w + x]) << name << " at " << x << "," << y;
        }
}

TEST(DirectionalSmooth, VerticalEdgeIsClassifiedUnanimously) {
    EngineFlagsGuard flags;
    const int w = 12, h = 8;
    const Plane p = MakePlane(w, h, [](int x, int) { return x < 6 ? 0 : 200; });
    Plane strength(p.size()), cls(p.size()), conf(p.size());
    GradientField(strength.data(), cls.data(), p.data(), w, h, w, false, &kNeverAbort);
    DirectionVote(conf.data(), strength.data(), cls.data(), w, h, w, false, &kNeverAbort);
    for (int y = 0; y < h; ++y) {
        for (int x : {5, 6}) {
            EXPECT_EQ(cls[y * w + x], 0);
            EXPECT_EQ(conf[y * w + x], 99);
        }
        EXPECT_EQ(cls[y * w + 2], kSmoothKeep);  // no gradient
    }
}

TEST(DirectionalSmooth, SmoothsAStaircaseAlongItsEdge) {
    EngineFlagsGuard flags;
    // A near-vertical edge with one-pixel steps every 8 rows: the pixels at a
    // step lean towards the rows above and below.
    const int w = 24, h = 32;
    const Plane original = MakePlane(w, h, [](int x, int y) { return x < 10 + y / 8 ? 20 : 220; });
    Plane p = original;
    Smooth(p, w, h, 1);
    EXPECT_NE(p, original);
    // Row 8 starts the next step: pixel (10, 8) was 20, its vertical
    // neighbours are 220 and 20, so it becomes (20 + 220 + 20 + 1) / 3 = 87.
    EXPECT_EQ(p[8 * w + 10], 87);
    // Far from the edge nothing changes.
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(p[y * w + 2], 20);
        EXPECT_EQ(p[y * w + 20], 220);
    }
}

TEST(DirectionalSmooth, ZeroPassesOrAnAbortLeaveThePlane) {
    EngineFlagsGuard flags;
    const int w = 31, h = 19;
    const Plane original = RandomPlane(w, h, 9);
    Plane p = original;
    Smooth(p, w, h, 0);
    EXPECT_EQ(p, original);

    const SuperRes::AbortFlag abort{1};
    for (bool parallel : {false, true}) {
        p = original;
        DirectionalSmooth(p.data(), w, h, 55, 15, 4, parallel, &abort);
        EXPECT_EQ(p, original);
    }
    EXPECT_EQ(g_bResizeOutOfMemory, 0);
}

TEST(DirectionalSmooth, PassesAccumulate) {
    EngineFlagsGuard flags;
    const int w = 24, h = 32;
    const Plane original = MakePlane(w, h, [](int x, int y) { return x < 10 + y / 8 ? 20 : 220; });
    Plane once = original, twice = original;
    Smooth(once, w, h, 1);
    Smooth(twice, w, h, 2);
    EXPECT_NE(once, twice);
}

}  // namespace

#include <gtest/gtest.h>

#include <tuple>

#include "engine/AreaResample.h"
#include "support/EngineTestSupport.h"

namespace {

struct AreaCase {
    Plane row;
    int dstW;
    Plane expected;
};

void PrintTo(const AreaCase& c, std::ostream* os) { *os << c.row.size() << " to " << c.dstW; }

class AreaTable : public ::testing::TestWithParam<AreaCase> {};

// The same line reduced as a row and as a column gives the same values.
TEST_P(AreaTable, ReducesRowsAndColumnsAlike) {
    EngineFlagsGuard flags;
    const AreaCase& c = GetParam();
    const int n = static_cast<int>(c.row.size());
    Plane horizontal(c.dstW, 0), vertical(c.dstW, 0);
    ASSERT_EQ(AreaResampleHorizontal(horizontal.data(), c.row.data(), n, 1, c.dstW, nullptr), 1);
    ASSERT_EQ(AreaResampleVertical(vertical.data(), c.row.data(), 1, n, c.dstW, nullptr), 1);
    EXPECT_EQ(horizontal, c.expected);
    EXPECT_EQ(vertical, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, AreaTable,
                         ::testing::Values(AreaCase{{10, 20, 30, 40}, 2, {15, 35}},
                                           // Step 87381: truncation and the cleared low bits pull every value down.
                                           AreaCase{{10, 20, 30, 40}, 3, {12, 24, 36}},
                                           // A step of exactly 65536 copies.
                                           AreaCase{{10, 20, 30, 40, 255, 0}, 6, {10, 20, 30, 40, 255, 0}},
                                           AreaCase{{255, 255, 255}, 1, {255}},
                                           // 1.5x reduction: each output pixel covers one and a half source pixels.
                                           AreaCase{{0, 90, 180, 0, 90, 180}, 4, {30, 150, 30, 150}}));

TEST(AreaResample, WalksEveryLineOfAPlane) {
    EngineFlagsGuard flags;
    // 4 x 2 plane reduced to 2 x 2 horizontally, and 2 x 4 reduced to 2 x 2 vertically.
    const Plane rows{10, 20, 30, 40, 100, 100, 0, 0};
    Plane out(4, 0);
    ASSERT_EQ(AreaResampleHorizontal(out.data(), rows.data(), 4, 2, 2, nullptr), 1);
    EXPECT_EQ(out, (Plane{15, 35, 100, 0}));

    const Plane columns{10, 100, 20, 100, 30, 0, 40, 0};
    ASSERT_EQ(AreaResampleVertical(out.data(), columns.data(), 2, 4, 2, nullptr), 1);
    EXPECT_EQ(out, (Plane{15, 100, 35, 0}));
}

TEST(AreaResample, ReportsPerLineAndStops) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(9, 5, 2);
    Plane dst(6 * 5, 0);
    ScriptedProgress all;
    ASSERT_EQ(AreaResampleHorizontal(dst.data(), src.data(), 9, 5, 6, &all), 1);
    EXPECT_EQ(all.reports, (std::vector<int>{0, 20, 40, 60, 80}));

    Plane dstV(9 * 3, 0);
    ScriptedProgress stop(1);
    EXPECT_EQ(AreaResampleVertical(dstV.data(), src.data(), 9, 5, 3, &stop), 0);
    EXPECT_EQ(stop.reports, (std::vector<int>{0, 11}));
}

TEST(AreaResample, RefusesEnlargementAndEmptySizes) {
    EngineFlagsGuard flags;
    const Plane src{1, 2, 3, 4};
    Plane dst(8, 9);
    EXPECT_EQ(AreaResampleHorizontal(dst.data(), src.data(), 4, 1, 8, nullptr), 0);
    EXPECT_EQ(AreaResampleHorizontal(dst.data(), src.data(), 4, 0, 2, nullptr), 0);
    EXPECT_EQ(AreaResampleVertical(dst.data(), src.data(), 0, 4, 2, nullptr), 0);
    EXPECT_EQ(AreaResampleVertical(dst.data(), src.data(), 1, 4, 0, nullptr), 0);
    EXPECT_EQ(dst, Plane(8, 9));
}

TEST(AreaResample, WideRowsKeepExactAverages) {
    EngineFlagsGuard flags;
    // srcW * 65536 passes 2^32 here; a 32-bit step would wrap.
    const int srcW = 70000, dstW = 35000;
    Plane src(srcW);
    for (int x = 0; x < srcW; ++x)
        src[x] = static_cast<std::uint8_t>(x % 2 ? 200 : 100);
    Plane dst(dstW, 0);
    ASSERT_EQ(AreaResampleHorizontal(dst.data(), src.data(), srcW, 1, dstW, nullptr), 1);
    EXPECT_TRUE(std::all_of(dst.begin(), dst.end(), [](auto v) { return v == 150; }));
}

}  // namespace

namespace {

Plane Transposed(const Plane& p, int w, int h) {
    Plane t(p.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            t[static_cast<std::size_t>(x) * h + y] = p[static_cast<std::size_t>(y) * w + x];
    return t;
}

TEST(AreaResample, VerticalIsHorizontalOfTheTransposedPlane) {
    EngineFlagsGuard flags;
    for (auto [w, sh, dh] : {std::tuple{300, 97, 40}, std::tuple{65, 50, 50}, std::tuple{1030, 33, 7}}) {
        const Plane src = RandomPlane(w, sh, w + sh);
        Plane down(static_cast<std::size_t>(w) * dh), across(down.size());
        ASSERT_EQ(AreaResampleVertical(down.data(), src.data(), w, sh, dh, nullptr), 1);
        ASSERT_EQ(AreaResampleHorizontal(across.data(), Transposed(src, w, sh).data(), sh, w, dh, nullptr), 1);
        EXPECT_EQ(down, Transposed(across, dh, w)) << w << "x" << sh << " to " << dh;
    }
}

}  // namespace

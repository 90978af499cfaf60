#include <gtest/gtest.h>

#include <tuple>

#include "engine/GaussianNoise.h"
#include "engine/Unsharp3x3.h"
#include "platform/crt/CrtRandom.h"
#include "support/EngineTestSupport.h"

namespace {

TEST(Unsharp3x3, SharpensOnlyInteriorPixels) {
    EngineFlagsGuard flags;
    Plane plane{0, 0, 0, 0, 100, 0, 0, 0, 0};
    ASSERT_EQ(Unsharp3x3(plane.data(), 3, 3, 25, nullptr), 1);
    EXPECT_EQ(plane, (Plane{0, 0, 0, 0, 129, 0, 0, 0, 0}));  // (10000 - 25 * 11) / 75
}

TEST(Unsharp3x3, MatchesTheRuleOnARandomPlane) {
    EngineFlagsGuard flags;
    // Small and large planes (the large ones take a table of results).
    for (auto [w, h, amount] :
         {std::tuple{13, 9, 31}, std::tuple{700, 400, 31}, std::tuple{700, 400, 99}, std::tuple{600, 500, 4}}) {
        const Plane src = RandomPlane(w, h, 11);
        Plane plane = src;
        ASSERT_EQ(Unsharp3x3(plane.data(), w, h, amount, nullptr), 1);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int expected = src[y * w + x];
                if (y > 0 && y < h - 1 && x > 0 && x < w - 1) {
                    int sum = 0;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            sum += src[(y + dy) * w + x + dx];
                    expected = std::clamp((100 * expected - amount * (sum / 9)) / (100 - amount), 0, 255);
                }
                ASSERT_EQ(plane[y * w + x], expected) << x << "," << y << " amount " << amount;
            }
    }
}

TEST(Unsharp3x3, ConstantPlaneIsUnchanged) {
    EngineFlagsGuard flags;
    Plane plane(7 * 6, 77);
    ASSERT_EQ(Unsharp3x3(plane.data(), 7, 6, 20, nullptr), 1);
    EXPECT_EQ(plane, Plane(7 * 6, 77));
}

TEST(Unsharp3x3, ReportsInteriorRowsAndStopsWithPlaneUnchanged) {
    EngineFlagsGuard flags;
    const Plane src = RandomPlane(5, 6, 4);
    Plane plane = src;
    ScriptedProgress all;
    ASSERT_EQ(Unsharp3x3(plane.data(), 5, 6, 10, &all), 1);
    EXPECT_EQ(all.reports, (std::vector<int>{20, 40, 60, 80}));

    ScriptedProgress narrow;  // fewer than 3 columns: still one report per interior row
    Plane two(2 * 4, 50);
    ASSERT_EQ(Unsharp3x3(two.data(), 2, 4, 10, &narrow), 1);
    EXPECT_EQ(narrow.reports.size(), 2u);

    ScriptedProgress low;  // fewer than 3 rows: no report
    Plane flat(6 * 2, 50);
    ASSERT_EQ(Unsharp3x3(flat.data(), 6, 2, 10, &low), 1);
    EXPECT_TRUE(low.reports.empty());

    plane = src;
    ScriptedProgress stop(0);
    EXPECT_EQ(Unsharp3x3(plane.data(), 5, 6, 10, &stop), 0);
    EXPECT_EQ(plane, src);
}

TEST(Unsharp3x3, RefusesAmountsThatWouldDivideByZero) {
    EngineFlagsGuard flags;
    Plane plane = RandomPlane(4, 4, 9);
    const Plane before = plane;
    for (int amount : {100, 150, -1})
        EXPECT_EQ(Unsharp3x3(plane.data(), 4, 4, amount, nullptr), 0);
    EXPECT_EQ(Unsharp3x3(plane.data(), 0, 4, 10, nullptr), 0);
    EXPECT_EQ(plane, before);
}

TEST(CrtRandom, FollowsTheWindowsRuntimeSequence) {
    platform::CrtSrand(1);
    // The first values of the Windows C runtime's rand() after srand(1).
    EXPECT_EQ(platform::CrtRand(), 41);
    EXPECT_EQ(platform::CrtRand(), 18467);
    EXPECT_EQ(platform::CrtRand(), 6334);
    EXPECT_EQ(platform::CrtRand(), 26500);
}

TEST(GaussianNoise, ScalesTheSixDrawSumAndAlwaysDrawsSix) {
    platform::CrtSrand(1);
    int expectedSum = 0;
    for (int i = 0; i < 6; ++i)
        expectedSum += platform::CrtRand() - 16383;
    const int next = platform::CrtRand();

    platform::CrtSrand(1);
    EXPECT_EQ(GaussianNoise(0), 0);
    EXPECT_EQ(platform::CrtRand(), next);

    platform::CrtSrand(1);
    EXPECT_EQ(GaussianNoise(1000), 1000 * expectedSum / 163830);
    platform::CrtSrand(1);
    EXPECT_EQ(GaussianNoise2(1000), 1000 * expectedSum / 163830);
}

TEST(GaussianNoise, StaysWithinItsBellAndIsCentred) {
    platform::CrtSrand(12345);
    long long total = 0;
    for (int i = 0; i < 20000; ++i) {
        const int v = GaussianNoise(100);
        ASSERT_LE(std::abs(v), 61);
        total += v;
    }
    EXPECT_NEAR(static_cast<double>(total) / 20000, 0.0, 1.0);
    // Large amplitudes do not overflow.
    platform::CrtSrand(3);
    EXPECT_LE(std::abs(GaussianNoise(1 << 30)), (1 << 30) / 1000 * 601);
}

TEST(CrtRandom, DiscardMovesOnLikeThatManyDraws) {
    for (unsigned long long count : {0ULL, 1ULL, 2ULL, 7ULL, 1000ULL, 123457ULL}) {
        platform::CrtSrand(99);
        for (unsigned long long i = 0; i < count; ++i)
            platform::CrtRand();
        const int expected = platform::CrtRand();
        platform::CrtSrand(99);
        platform::CrtRandDiscard(count);
        EXPECT_EQ(platform::CrtRand(), expected) << count;
    }
}

TEST(GaussianNoise, AddedToAPlaneInOrderAndLimited) {
    Plane plane{0, 255, 128, 3, 250, 77};
    const Plane before = plane;
    platform::CrtSrand(5);
    Plane expected = before;
    for (auto& v : expected)
        v = static_cast<std::uint8_t>(std::clamp(v + GaussianNoise(40), 0, 255));
    const int next = platform::CrtRand();

    platform::CrtSrand(5);
    AddGaussianNoise(plane.data(), plane.size(), 40);
    EXPECT_EQ(plane, expected);
    EXPECT_EQ(platform::CrtRand(), next);

    // Amplitude 0: unchanged, and the generator is six draws per byte on.
    platform::CrtSrand(5);
    for (std::size_t i = 0; i < 6 * before.size(); ++i)
        platform::CrtRand();
    const int afterZero = platform::CrtRand();
    platform::CrtSrand(5);
    plane = before;
    AddGaussianNoise(plane.data(), plane.size(), 0);
    EXPECT_EQ(plane, before);
    EXPECT_EQ(platform::CrtRand(), afterZero);
}

}  // namespace

// The mapping between the output and the image: rounding of the visible
// region, the crop's centre cut, sizes up to 100000 pixels without overflow,
// and sizes of 0 that never divide.

#include <gtest/gtest.h>

#include <array>

#include "app/preview/PreviewGeometry.h"

using imaging::Rect;

TEST(PreviewMapping, RoundsTheSourceRegionOutwardsAndBack) {
    // 3000 x 2000 at 6000 x 4000: two output pixels a source pixel.
    const PreviewMapping mapping(3000, 2000, 6000, 4000, false);
    EXPECT_EQ(mapping.OutputToSource({2201, 1501, 1599, 999}), (Rect{1100, 750, 800, 500}));
    EXPECT_EQ(mapping.OutputToSource({2201, 1501, 1599, 999}, false), (Rect{1100, 750, 800, 500}));
    EXPECT_EQ(mapping.OutputToSource({2201, 1501, 1598, 998}, false), (Rect{1100, 750, 799, 499}));
    EXPECT_EQ(mapping.SourceToOutput({1100, 750, 800, 500}), (Rect{2200, 1500, 1600, 1000}));
    // 3 source pixels onto 10 output pixels.
    const PreviewMapping odd(3, 3, 10, 10, false);
    EXPECT_EQ(odd.OutputToSource({4, 4, 2, 2}), (Rect{1, 1, 1, 1}));
    EXPECT_EQ(odd.SourceToOutput({1, 1, 1, 1}), (Rect{3, 3, 4, 4}));
}

TEST(PreviewMapping, LimitsToTheOutputAndTheImage) {
    const PreviewMapping mapping(400, 300, 800, 600, false);
    // A client larger than the output, centred (negative corner).
    EXPECT_EQ(mapping.OutputToSource({-100, -50, 1000, 700}), (Rect{0, 0, 400, 300}));
    EXPECT_EQ(mapping.OutputToSource({900, 0, 10, 10}), Rect{});
    EXPECT_EQ(mapping.SourceToOutput({-10, -10, 1000, 1000}), (Rect{0, 0, 800, 600}));
    // Rounded down, a part narrower than a source pixel keeps its place.
    const PreviewMapping huge(10, 10, 100000, 100000, false);
    EXPECT_EQ(huge.OutputToSource({50001, 50001, 300, 200}, false), (Rect{5, 5, 0, 0}));
    EXPECT_EQ(huge.OutputToSource({50001, 50001, 300, 200}), (Rect{5, 5, 1, 1}));
}

TEST(PreviewMapping, CropShowsTheCentreCutOfResizeAndSave) {
    // 400 x 300 at 200 x 200: columns 50..350.
    const PreviewMapping mapping(400, 300, 200, 200, true);
    EXPECT_EQ(mapping.ShownSource(), (Rect{50, 0, 300, 300}));
    EXPECT_EQ(mapping.OutputToSource({0, 0, 200, 200}), (Rect{50, 0, 300, 300}));
    EXPECT_EQ(mapping.SourceToOutput({50, 0, 300, 300}), (Rect{0, 0, 200, 200}));
    // Scrolled, the view shows its own part of the cut: the left half of
    // the output is the left half of the cut.
    const PreviewMapping wide(2000, 1000, 1000, 1000, true);
    EXPECT_EQ(wide.ShownSource(), (Rect{500, 0, 1000, 1000}));
    EXPECT_EQ(wide.OutputToSource({0, 0, 500, 500}), (Rect{500, 0, 500, 500}));
    EXPECT_EQ(wide.SourceToOutput({500, 0, 500, 500}), (Rect{0, 0, 500, 500}));
    // Parts of the image the cut leaves out map to nothing.
    EXPECT_EQ(wide.SourceToOutput({0, 0, 400, 1000}), Rect{});
    // A tall image loses its top and bottom.
    const PreviewMapping tall(300, 400, 200, 200, true);
    EXPECT_EQ(tall.ShownSource(), (Rect{0, 50, 300, 300}));
}

TEST(PreviewMapping, ProductsOfLargeSizesDoNotOverflow) {
    // 99999 * 50000 is far beyond 32 bits.
    const PreviewMapping mapping(50000, 50000, 100000, 100000, false);
    EXPECT_EQ(mapping.OutputToSource({99000, 99000, 1000, 1000}), (Rect{49500, 49500, 500, 500}));
    EXPECT_EQ(mapping.SourceToOutput({49500, 49500, 500, 500}), (Rect{99000, 99000, 1000, 1000}));
    const PreviewMapping crop(100000, 3, 100000, 100000, true);
    EXPECT_EQ(crop.ShownSource(), (Rect{49998, 0, 3, 3}));
    EXPECT_EQ(crop.OutputToSource({0, 0, 100000, 100000}), (Rect{49998, 0, 3, 3}));
}

TEST(PreviewMapping, ZeroSizesNeverDivide) {
    for (const auto& sizes : {std::array{0, 10, 10, 10}, std::array{10, 0, 10, 10}, std::array{10, 10, 0, 10},
                              std::array{10, 10, 10, 0}, std::array{-1, 10, 10, 10}}) {
        for (const bool crop : {false, true}) {
            const PreviewMapping mapping(sizes[0], sizes[1], sizes[2], sizes[3], crop);
            EXPECT_FALSE(mapping.Valid());
            EXPECT_EQ(mapping.OutputToSource({0, 0, 10, 10}), Rect{});
            EXPECT_EQ(mapping.SourceToOutput({0, 0, 10, 10}), Rect{});
        }
    }
    // A crop cut thinner than a pixel keeps one.
    const PreviewMapping thin(1000, 1, 1, 100000, true);
    EXPECT_EQ(thin.ShownSource(), (Rect{499, 0, 1, 1}));
}

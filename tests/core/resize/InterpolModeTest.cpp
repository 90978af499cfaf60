#include <gtest/gtest.h>

#include <set>

#include "core/resize/InterpolMode.h"

namespace {

TEST(InterpolMode, TenDistinctNameIdsAndNothingOutside) {
    std::set<int> ids;
    for (int mode = 0; mode < kInterpolModeCount; ++mode)
        ids.insert(InterpolModeStringId(mode));
    EXPECT_EQ(ids, (std::set<int>{24, 25, 110, 111, 112, 113, 114, 115, 116, 300}));
    EXPECT_EQ(InterpolModeStringId(INTERPOL_HQ_BILINEAR), 111);
    EXPECT_EQ(InterpolModeStringId(INTERPOL_HQ_BICUBIC), 114);
    EXPECT_EQ(InterpolModeStringId(INTERPOL_ADVANCED_NATURAL_SCENES), 300);
    EXPECT_EQ(InterpolModeStringId(INTERPOL_SUPERRESOLUTION), 24);
    EXPECT_EQ(InterpolModeStringId(-1), 0);
    EXPECT_EQ(InterpolModeStringId(10), 0);
    EXPECT_EQ(kDefaultInterpolMode, 4);
}

}  // namespace

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/resize/InterpolMode.h"

namespace {

TEST(InterpolMode, TenDistinctDisplayStringsAndNothingOutside) {
    std::set<std::string> texts;
    for (int mode = 0; mode < kInterpolModeCount; ++mode) {
        EXPECT_STRNE(InterpolModeDisplayString(mode), "");
        texts.insert(InterpolModeDisplayString(mode));
    }
    EXPECT_EQ(texts.size(), 10u);
    EXPECT_STREQ(InterpolModeDisplayString(INTERPOL_HQ_BILINEAR), "High Quality Bilinear");
    EXPECT_EQ(InterpolModeStringId(INTERPOL_HQ_BILINEAR), 111);
    EXPECT_STREQ(InterpolModeDisplayString(INTERPOL_SUPERRESOLUTION), "ORVEK Super-Resolution");
    EXPECT_EQ(InterpolModeStringId(INTERPOL_ADVANCED_NATURAL_SCENES), 300);
    EXPECT_STREQ(InterpolModeDisplayString(-1), "");
    EXPECT_STREQ(InterpolModeDisplayString(10), "");
    EXPECT_EQ(InterpolModeStringId(10), 0);
    EXPECT_EQ(kDefaultInterpolMode, 4);
}

}  // namespace

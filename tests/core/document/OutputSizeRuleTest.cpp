// The output size an opening image gets: lock, apply-to-new, basket items and
// the range of a locked percentage.

#include <gtest/gtest.h>

#include "DocumentFixtures.h"
#include "core/document/OutputSizeRule.h"
#include "core/settings/AppSettings.h"

namespace {

struct RuleCase {
    const char* name;
    int batch, fromBasket, applyToAll, lock, inPercents;
    double percentW, percentH;
    int correct;
    int imageW, imageH;
    // expected
    int width, height;
    float dpi;
    int correctAfter;
};

constexpr float kImageDpi = 72.0f;

class OutputSizeRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(OutputSizeRule, SetsTheSettings) {
    const RuleCase& c = GetParam();
    AppSettings s;
    s.m_bBatchMode = c.batch;
    s.m_bOpenFromBasket = c.fromBasket;
    s.m_nApplyToAll = c.applyToAll;
    s.m_nLockSettings = c.lock;
    s.m_nInPercents = c.inPercents;
    s.m_dPercentW = c.percentW;
    s.m_dPercentH = c.percentH;
    s.m_nCorrectProp = c.correct;
    s.m_nWidth = 640;
    s.m_nHeight = 480;
    s.m_fDpi = 300.0f;

    ApplyOutputSizeRule(s, c.imageW, c.imageH, kImageDpi);
    EXPECT_EQ(s.m_nWidth, c.width);
    EXPECT_EQ(s.m_nHeight, c.height);
    EXPECT_EQ(s.m_fDpi, c.dpi);
    EXPECT_EQ(s.m_nCorrectProp, c.correctAfter);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, OutputSizeRule, ::testing::Values(
    //        name              batch basket apply lock pct  %W     %H    corr  imgW   imgH     w       h     dpi        corr'
    RuleCase{"LockOff",           0,   0,     0,    0,   1,  50,    50,    0,  1001,  601,    1001,   601,  kImageDpi, 0},
    RuleCase{"LockOnPercent",     0,   0,     0,    1,   1,  50,    50,    0,  1001,  601,     501,   301,  300.0f,    1},
    RuleCase{"LockOnPixels",      0,   0,     0,    1,   0,  50,    50,    0,  1001,  601,     640,   480,  300.0f,    1},
    RuleCase{"LockOnKeepsNone",   0,   0,     0,    1,   1,  200,   25,    2,   100,   80,     200,    20,  300.0f,    2},
    RuleCase{"LockOnZeroPercent", 0,   0,     0,    1,   1,  0,     50,    1,   100,   80,     640,   480,  300.0f,    1},
    RuleCase{"BatchApplyOff",     1,   0,     0,    1,   1,  50,    50,    0,  1001,  601,    1001,   601,  kImageDpi, 0},
    RuleCase{"BatchApplyOn",      1,   0,     1,    0,   1,  50,    50,    0,  1001,  601,     501,   301,  300.0f,    1},
    RuleCase{"BasketItemOwn",     1,   1,     1,    1,   1,  50,    50,    0,  1001,  601,     640,   480,  300.0f,    0},
    RuleCase{"TinyPercentSmall",  0,   0,     0,    1,   1,  0.3,   0.3,   1,   100,  100,       3,     3,  300.0f,    1},
    RuleCase{"HugePercentLarge",  0,   0,     0,    1,   1,  10000, 10000, 1, 50000,    2,  100000,   200,  300.0f,    1}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });
// clang-format on

TEST(PercentOfSide, RoundsHalfUpWithinTheRange) {
    EXPECT_EQ(PercentOfSide(1001, 50), 501);  // 500.5 rounds up
    EXPECT_EQ(PercentOfSide(1000, 33.3), 333);
    EXPECT_EQ(PercentOfSide(100, 0.3), kMinOutputSide);
    EXPECT_EQ(PercentOfSide(50000, 10000), kMaxOutputSide);
    EXPECT_EQ(PercentOfSide(1 << 20, 1e300), kMaxOutputSide);
}

// The rule runs when an image opens.
class OpenWithLock : public doctests::DocumentTest {};

TEST_F(OpenWithLock, LockedPercentageAppliesToTheOpenedImage) {
    settings.m_nLockSettings = 1;
    settings.m_nInPercents = 1;
    settings.m_dPercentW = 50;
    settings.m_dPercentH = 50;
    settings.m_nCorrectProp = 0;
    CQVVesperaDoc doc(settings);
    ASSERT_TRUE(doc.OnOpenDocument(WriteImage("odd.png", doctests::Gradient(1001, 601), "png")));
    EXPECT_EQ(settings.m_nWidth, 501);
    EXPECT_EQ(settings.m_nHeight, 301);
    EXPECT_EQ(settings.m_nCorrectProp, 1);
    EXPECT_EQ(settings.m_fDpi, 300.0f);
}

}  // namespace

#include <gtest/gtest.h>

#include <vector>

#include "engine/RSProgress.h"
#include "platform/resources/CommandIds.h"
#include "support/EngineTestSupport.h"
#include "support/RecordingProgressSink.h"

namespace {

struct ProgressCase {
    const char* name;
    int phases;
    std::vector<int> reports;
    std::vector<int> percents;  // g_nProgressPercent after each report
    int posts;                  // ID_PROGRESS posts
};

void PrintTo(const ProgressCase& c, std::ostream* os) { *os << c.name; }

class ProgressArithmetic : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressArithmetic, CombinesStagesIntoOnePercentage) {
    EngineFlagsGuard flags;
    RecordingProgressSink sink;
    const ProgressCase& c = GetParam();
    {
        CRSProgress progress;
        progress.m_nPhases = c.phases;
        for (std::size_t i = 0; i < c.reports.size(); ++i) {
            EXPECT_EQ(progress.Progress(c.reports[i]), 1);
            EXPECT_EQ(g_nProgressPercent.load(), c.percents[i]) << "after report " << i;
        }
    }
    std::vector<int> expected{ID_START_PROGRESS};
    expected.insert(expected.end(), c.posts, ID_PROGRESS);
    expected.push_back(ID_END_PROGRESS);
    EXPECT_EQ(sink.Commands(), expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ProgressArithmetic,
                         ::testing::Values(
                             // 0 is unchanged from the fresh object: no post.
                             ProgressCase{"TwoPhases", 2, {0, 50, 0, 50}, {0, 25, 50, 75}, 3},
                             // The third stage tops out at 33*2 + 99/3 = 99.
                             ProgressCase{
                                 "ThreePhasesPeakAt99", 3, {50, 99, 0, 99, 0, 99}, {16, 33, 33, 66, 66, 99}, 6},
                             // Repeated values post nothing and change nothing.
                             ProgressCase{"RepeatsPostNothing", 1, {10, 10, 10, 20}, {10, 10, 10, 20}, 2},
                             // A one-row stage reports 0 after a stage that ended on 0: no wrap.
                             ProgressCase{"EqualFirstReportCountsNoWrap", 2, {0, 0, 50}, {0, 0, 25}, 1},
                             // A bad phase count is read as one stage instead of dividing by zero.
                             ProgressCase{"ZeroPhasesIsOneStage", 0, {40, 10}, {40, 110}, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RSProgress, SetAbortFlagStopsAndChangesNothing) {
    EngineFlagsGuard flags;
    RecordingProgressSink sink;
    CRSProgress progress;
    progress.m_nPhases = 2;
    ASSERT_EQ(progress.Progress(60), 1);
    sink.Clear();

    *progress.GetCancelFlag() = 1;
    EXPECT_EQ(progress.Progress(10), 0);
    EXPECT_EQ(progress.m_nWraps, 0);
    EXPECT_EQ(progress.m_nLastPercent, 60);
    EXPECT_EQ(g_nProgressPercent.load(), 30);
    EXPECT_TRUE(sink.Commands().empty());
}

TEST(RSProgress, CancelFlagIsTheProcessWideByte) {
    CRSProgress a, b;
    EXPECT_EQ(a.GetCancelFlag(), &g_bAbortResize);
    EXPECT_EQ(b.GetCancelFlag(), &g_bAbortResize);
}

// The window that received the progress has gone (its sink was cleared):
// the sink hears nothing more, and the progress still counts.
TEST(RSProgress, WithoutMainWindowNothingIsPostedAndProgressStillWorks) {
    EngineFlagsGuard flags;
    RecordingProgressSink sink;
    EXPECT_TRUE(platform::PostProgressCommand(ID_PROGRESS));
    EXPECT_EQ(sink.Commands(), std::vector<int>{ID_PROGRESS});
    sink.Clear();

    platform::ClearProgressSink();
    EXPECT_FALSE(platform::PostProgressCommand(ID_PROGRESS));
    {
        CRSProgress progress;
        EXPECT_EQ(progress.Progress(42), 1);
        EXPECT_EQ(progress.Progress(77), 1);
    }
    EXPECT_EQ(g_nProgressPercent.load(), 77);
    EXPECT_TRUE(sink.Commands().empty());
}

}  // namespace

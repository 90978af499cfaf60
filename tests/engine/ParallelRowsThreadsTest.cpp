// ParallelLinesInOrder: lines computed in parallel, handed out in order on the
// calling thread; run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <tbb/global_control.h>

#include "engine/ParallelRows.h"

namespace {

struct Recorder {
    explicit Recorder(int count) : computed(count) {
        for (auto& c : computed)
            c.store(0);
    }
    std::vector<std::atomic<int>> computed;
    std::mutex mutex;
    std::vector<std::pair<int, int>> ranges;
    std::vector<int> published;
    std::thread::id caller = std::this_thread::get_id();
    bool publishedElsewhere = false;
    bool publishedBeforeComputed = false;
};

int RunLines(Recorder& r, int count, int granule, int stopAt) {
    return ParallelLinesInOrder(
        count, 1000,
        [&](int first, int last) {
            {
                std::lock_guard lock(r.mutex);
                r.ranges.emplace_back(first, last);
            }
            for (int i = first; i < last; ++i)
                r.computed[i].fetch_add(1);
        },
        [&](int line) {
            r.published.push_back(line);
            r.publishedElsewhere |= std::this_thread::get_id() != r.caller;
            r.publishedBeforeComputed |= r.computed[line].load() != 1;
            return line == stopAt ? 0 : 1;
        },
        granule);
}

TEST(ParallelLinesInOrder, EveryLineOnceThenHandedOutInOrder) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, 8);
    for (auto [count, granule] :
         {std::pair{1, 1}, std::pair{1000, 1}, std::pair{1000, 16}, std::pair{37, 16}, std::pair{5000, 64}}) {
        Recorder r(count);
        ASSERT_EQ(RunLines(r, count, granule, -1), 1);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(r.computed[i].load(), 1) << i;
        ASSERT_EQ(static_cast<int>(r.published.size()), count);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(r.published[i], i);
        EXPECT_FALSE(r.publishedElsewhere);
        EXPECT_FALSE(r.publishedBeforeComputed);
        for (auto [first, last] : r.ranges) {
            EXPECT_EQ(first % granule, 0) << first;
            EXPECT_TRUE((last - first) % granule == 0 || last == count) << first << ".." << last;
        }
    }
}

TEST(ParallelLinesInOrder, StopEndsWithinABlock) {
    tbb::global_control limit(tbb::global_control::max_allowed_parallelism, 8);
    const int count = 5000, stopAt = 700;
    Recorder r(count);
    EXPECT_EQ(RunLines(r, count, 1, stopAt), 0);
    ASSERT_EQ(r.published.back(), stopAt);
    EXPECT_EQ(static_cast<int>(r.published.size()), stopAt + 1);
    int computed = 0;
    for (auto& c : r.computed)
        computed += c.load();
    EXPECT_LE(computed, stopAt + 1 + kMaxBlockLines);
}

}  // namespace

#pragma once
// ParallelFor(begin, end, body): runs body(first, last) over disjoint
// sub-ranges of [begin, end) that together cover it, in parallel.
//
// Normally this is tbb::parallel_for with its automatic partitioner. Under
// ThreadSanitizer the hand-off of work through oneTBB's (uninstrumented)
// library is invisible to the sanitizer and every loop would be reported as a
// race, so there the same contract is kept with plain threads, which it can
// see: the engine's own sharing of data between rows stays checked. Results
// never depend on how the range is split.

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include <tbb/blocked_range.h>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#if defined(__SANITIZE_THREAD__)
#define VESPERA_PLAIN_THREADS 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VESPERA_PLAIN_THREADS 1
#endif
#endif

template <typename Body>
void ParallelFor(int begin, int end, const Body& body) {
    if (begin >= end)
        return;
#if defined(VESPERA_PLAIN_THREADS)
    const int workers = std::clamp(tbb::this_task_arena::max_concurrency(), 1, end - begin);
    const int chunk = (end - begin + workers - 1) / workers;
    std::vector<std::thread> threads;
    for (int first = begin + chunk; first < end; first += chunk)
        threads.emplace_back([&body, first, last = std::min(end, first + chunk)] { body(first, last); });
    body(begin, std::min(end, begin + chunk));
    for (auto& t : threads)
        t.join();
#else
    tbb::parallel_for(tbb::blocked_range<int>(begin, end),
                      [&body](const tbb::blocked_range<int>& r) { body(r.begin(), r.end()); });
#endif
}

// Values of a parallel loop kept per thread (tbb::enumerable_thread_specific).
// Under ThreadSanitizer they are allocated with the C++ allocator: oneTBB's
// own allocator passes freed memory from one thread to another inside its
// uninstrumented library, and two loops running at once on two threads (the
// batch resizes several items at a time) would be reported as racing on it.
#if defined(VESPERA_PLAIN_THREADS)
template <typename T>
using PerThread = tbb::enumerable_thread_specific<T, std::allocator<T>>;
#else
template <typename T>
using PerThread = tbb::enumerable_thread_specific<T>;
#endif

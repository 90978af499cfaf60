#pragma once
// CThumbDecoder: decodes the thumbnails of cells that are about to be drawn,
// on worker threads of its own, so that a painting finds them decoded.
//
// A browser hands it the cells of the rows about to come into view after
// each painting (Decode); each call replaces the cells still waiting, and
// the workers take them in the order given. A cell is decoded with
// CPaletteItemImg::DecodeAhead: its DIB joins g_DecodedDibs, whose bound
// holds for these DIBs as for those a drawing decodes. A cell that a drawing
// decoded first, or whose thumbnail changed meanwhile, is left as it is.
//
// The workers run below normal priority, so that the builder's first pass
// over a folder goes first.
//
// Threads: the list of waiting cells is guarded by one mutex; the cells are
// shared, so a cell dropped from the cache stays alive while a worker
// decodes it. The workers start with the first Decode and are stopped and
// joined by the destructor (a decoding in progress finishes first).

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CPaletteItemImg;

class CThumbDecoder {
public:
    static constexpr int kDefaultThreads = 2;
    // The nice steps the workers run below their creator.
    static constexpr int kBelowNormalNice = 5;

    explicit CThumbDecoder(int threads = kDefaultThreads);
    ~CThumbDecoder();
    CThumbDecoder(const CThumbDecoder&) = delete;
    CThumbDecoder& operator=(const CThumbDecoder&) = delete;

    // Replaces the waiting cells with these, to be decoded in this order.
    void Decode(std::vector<std::shared_ptr<CPaletteItemImg>> cells);
    // Drops the waiting cells (the ones being decoded finish).
    void Clear();

    // For tests and measurements: waits up to timeoutMs until no cell waits
    // and no worker decodes; how many cells the workers have decoded.
    bool WaitUntilIdle(int timeoutMs) const;
    int DecodedCount() const { return m_nDecoded.load(); }

private:
    void Work();

    const int m_nThreads;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;  // work waits, or the end
    mutable std::condition_variable m_idle;
    std::deque<std::shared_ptr<CPaletteItemImg>> m_waiting;
    int m_nBusy = 0;
    bool m_bStop = false;
    std::atomic<int> m_nDecoded{0};
    std::vector<std::thread> m_threads;  // UI thread only
};

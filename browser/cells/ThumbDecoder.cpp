#include "browser/cells/ThumbDecoder.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "browser/cells/PaletteItemImg.h"

CThumbDecoder::CThumbDecoder(int threads) : m_nThreads(std::max(1, threads)) {}

CThumbDecoder::~CThumbDecoder() {
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
        m_waiting.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void CThumbDecoder::Decode(std::vector<std::shared_ptr<CPaletteItemImg>> cells) {
    {
        std::lock_guard lock(m_mutex);
        m_waiting.assign(std::make_move_iterator(cells.begin()), std::make_move_iterator(cells.end()));
        std::erase(m_waiting, nullptr);
    }
    if (m_threads.empty()) {
        for (int i = 0; i < m_nThreads; ++i)
            m_threads.emplace_back([this] { Work(); });
    }
    m_wake.notify_all();
}

void CThumbDecoder::Clear() {
    std::lock_guard lock(m_mutex);
    m_waiting.clear();
    if (m_nBusy == 0)
        m_idle.notify_all();
}

bool CThumbDecoder::WaitUntilIdle(int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_waiting.empty() && m_nBusy == 0; });
}

void CThumbDecoder::Work() {
    // Below normal, as the builder's better pass: a thumbnail still to be
    // made comes before one decoded ahead.
    const auto self = static_cast<id_t>(::gettid());
    ::setpriority(PRIO_PROCESS, self, std::min(::getpriority(PRIO_PROCESS, self) + kBelowNormalNice, 19));
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStop || !m_waiting.empty(); });
        if (m_bStop)
            return;
        std::shared_ptr<CPaletteItemImg> cell = std::move(m_waiting.front());
        m_waiting.pop_front();
        ++m_nBusy;
        lock.unlock();
        try {
            if (cell->DecodeAhead())
                ++m_nDecoded;
        } catch (...) {
            // Out of memory: the drawing decodes it, or shows the placeholder.
        }
        cell.reset();  // the last reference may go here, outside the lock
        lock.lock();
        --m_nBusy;
        if (m_waiting.empty() && m_nBusy == 0)
            m_idle.notify_all();
    }
}

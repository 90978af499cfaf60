#include "engine/RSProgress.h"

#include "platform/progress/ProgressSink.h"

std::atomic<std::uint8_t> g_bAbortResize{0};
std::atomic<int> g_nProgressPercent{0};
thread_local std::uint8_t g_bResizeOutOfMemory = 0;

CRSProgress::CRSProgress() { platform::PostProgressStart(); }

CRSProgress::CRSProgress(Relay) : m_bPostsStartAndEnd(false) {}

CRSProgress::~CRSProgress() {
    if (m_bPostsStartAndEnd)
        platform::PostProgressEnd();
}

int CRSProgress::Progress(int percent) {
    if (g_bAbortResize.load(std::memory_order_relaxed))
        return 0;

    const bool changed = percent != m_nLastPercent;
    if (percent < m_nLastPercent)
        ++m_nWraps;
    m_nLastPercent = percent;
    if (!changed)
        return 1;

    g_nProgressPercent.store(OverallPercent(percent, m_nWraps, m_nPhases), std::memory_order_relaxed);
    platform::PostProgressStep();
    return 1;
}

std::atomic<std::uint8_t>* CRSProgress::GetCancelFlag() { return &g_bAbortResize; }

#include "engine/RSProgress.h"

#include "platform/progress/ProgressSink.h"

std::atomic<std::uint8_t> g_bAbortResize{0};
std::atomic<std::uint8_t> g_bBatchRunning{0};
std::atomic<int> g_nProgressPercent{0};
thread_local std::uint8_t g_bResizeOutOfMemory = 0;

CRSProgress::CRSProgress() { platform::PostProgressCommand(ID_START_PROGRESS); }

CRSProgress::CRSProgress(Relay) : m_bPostsStartAndEnd(false) {}

CRSProgress::~CRSProgress() {
    if (m_bPostsStartAndEnd)
        platform::PostProgressCommand(ID_END_PROGRESS);
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

    // A phase count below 1 would divide by zero; it means one stage.
    const int phases = m_nPhases > 0 ? m_nPhases : 1;
    g_nProgressPercent.store((100 / phases) * m_nWraps + percent / phases, std::memory_order_relaxed);
    platform::PostProgressCommand(ID_PROGRESS);
    return 1;
}

std::atomic<std::uint8_t>* CRSProgress::GetCancelFlag() { return &g_bAbortResize; }

#pragma once
// Whether a batch run owns the engine.

#include <atomic>
#include <cstdint>

// Set on the UI thread before a batch run's worker starts and cleared when
// its end reaches the UI thread. While it is set the engine's abort flag
// (g_bAbortResize) belongs to the batch: nothing else starts an engine job
// (the preview waits).
extern std::atomic<std::uint8_t> g_bBatchRunning;

#include "platform/commands/BatchRunning.h"

std::atomic<std::uint8_t> g_bBatchRunning{0};

#include "platform/crt/CrtRandom.h"

#include <cstdint>

namespace platform {
namespace {
thread_local std::uint32_t t_state = 1;
}

int CrtRand() {
    t_state = t_state * 214013u + 2531011u;
    return static_cast<int>((t_state >> 16) & 0x7FFFu);
}

void CrtSrand(unsigned seed) { t_state = seed; }

}  // namespace platform

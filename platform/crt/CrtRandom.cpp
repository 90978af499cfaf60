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

void CrtRandDiscard(unsigned long long count) {
    // n steps of x -> a x + c compose to x -> A x + C; square the step while
    // walking the bits of n.
    std::uint32_t a = 214013u, c = 2531011u;
    std::uint32_t totalA = 1u, totalC = 0u;
    for (; count; count >>= 1) {
        if (count & 1) {
            totalA *= a;
            totalC = totalC * a + c;
        }
        c = c * (a + 1u);
        a *= a;
    }
    t_state = t_state * totalA + totalC;
}

void CrtSrand(unsigned seed) { t_state = seed; }

}  // namespace platform

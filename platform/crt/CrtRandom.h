#pragma once
// The pseudo-random sequence of the Windows C runtime's rand().
//
// The engine's noise terms are defined on this sequence, and glibc's rand()
// has another range and another sequence, so the engine draws from here:
//   state = state * 214013 + 2531011 (mod 2^32), result = (state >> 16) & 0x7FFF
// Each thread has its own state, seeded with 1, as the multithreaded runtime
// does.

namespace platform {

inline constexpr int kCrtRandMax = 0x7FFF;

// Next value of the calling thread's sequence, 0..kCrtRandMax.
int CrtRand();

// Moves the calling thread's sequence on by `count` values, as that many
// calls of CrtRand would, in O(log count) steps.
void CrtRandDiscard(unsigned long long count);

// Restarts the calling thread's sequence.
void CrtSrand(unsigned seed);

}  // namespace platform

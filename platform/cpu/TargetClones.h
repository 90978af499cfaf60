#pragma once
// VESPERA_WIDE_VECTORS before a hot loop function: GCC builds it twice, for
// AVX2 and for the baseline, and picks one when the program loads. Both run
// the same IEEE operations in the same order (no fused multiply-add: the
// code that uses it is built with -ffp-contract=off), so the results are
// identical; AVX2 only does more lanes at once.
//
// Not under the sanitizers: the load-time choice runs before their runtimes
// are ready.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__) && \
    !defined(__SANITIZE_ADDRESS__)
#define VESPERA_WIDE_VECTORS __attribute__((target_clones("avx2", "default")))
#else
#define VESPERA_WIDE_VECTORS
#endif

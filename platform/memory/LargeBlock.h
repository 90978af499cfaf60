#pragma once
// Blocks of working memory for whole planes and pictures.
//
// AllocateLargeBlock gives `bytes` bytes, uninitialised. From 2 MB on the
// block is aligned to the huge page size and asks the kernel for transparent
// huge pages (madvise MADV_HUGEPAGE; a kernel without them says no and small
// pages serve), so touching it for the first time costs a fault per 2 MB
// rather than per 4 KB. Throws std::bad_alloc. Released with FreeLargeBlock.

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

std::uint8_t* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(std::uint8_t* block);

}  // namespace platform

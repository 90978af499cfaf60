#pragma once
// Blocks of working memory for whole planes and pictures.
//
// AllocateLargeBlock gives `bytes` bytes, uninitialised. With
// PageSize::Huge, from 2 MB on the block is aligned to the huge page size and
// asks the kernel for transparent huge pages (madvise MADV_HUGEPAGE; a kernel
// without them says no and small pages serve), so touching it for the first
// time costs a fault per 2 MB rather than per 4 KB. That pays for memory that
// is used again and again, or touched ahead of time: on a virtual machine
// whose host takes back the guest's free 2 MB blocks, a fresh huge page can
// take the host several times as long to provide as the small pages of the
// same bytes, so memory that is fresh in every call takes PageSize::Small.
// Throws std::bad_alloc. Released with FreeLargeBlock.

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

enum class PageSize { Small, Huge };

std::uint8_t* AllocateLargeBlock(std::size_t bytes, PageSize pages = PageSize::Huge);
void FreeLargeBlock(std::uint8_t* block);

}  // namespace platform

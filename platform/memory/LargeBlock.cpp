#include "platform/memory/LargeBlock.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace platform {

std::uint8_t* AllocateLargeBlock(std::size_t bytes, PageSize pages) {
    if (pages == PageSize::Small || bytes < kHugePageBytes) {
        void* memory = std::malloc(std::max<std::size_t>(bytes, 1));
        if (!memory)
            throw std::bad_alloc();
        return static_cast<std::uint8_t*>(memory);
    }
    const std::size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    void* memory = std::aligned_alloc(kHugePageBytes, rounded);
    if (!memory)
        throw std::bad_alloc();
    ::madvise(memory, rounded, MADV_HUGEPAGE);
    return static_cast<std::uint8_t*>(memory);
}

void FreeLargeBlock(std::uint8_t* block) { std::free(block); }

}  // namespace platform

#include "platform/memory/LargeBlock.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace platform {

std::uint8_t* AllocateLargeBlock(std::size_t bytes) {
    void* memory = std::malloc(std::max<std::size_t>(bytes, 1));
    if (!memory)
        throw std::bad_alloc();
    return static_cast<std::uint8_t*>(memory);
}

void FreeLargeBlock(std::uint8_t* block) { std::free(block); }

}  // namespace platform

#pragma once
// Blocks of working memory for whole planes and pictures.
//
// AllocateLargeBlock gives `bytes` bytes, uninitialised; throws
// std::bad_alloc. Released with FreeLargeBlock.
//
// The blocks take the kernel's ordinary small pages, without asking for
// transparent huge pages: on a virtual machine whose host takes back the
// guest's free 2 MB blocks (free page reporting), a fresh huge page takes the
// host several times as long to provide as the small pages of the same
// bytes, and the engine's planes, a batch's first pictures and a new target
// are fresh memory. Measured on such a machine, asking for huge pages made a
// batch of twenty 24-megapixel pictures a quarter slower and a single resize
// process up to 250 ms slower, although it took far fewer page faults.

#include <cstddef>
#include <cstdint>

namespace platform {

std::uint8_t* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(std::uint8_t* block);

}  // namespace platform

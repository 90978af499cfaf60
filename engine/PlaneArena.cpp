#include "engine/PlaneArena.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace {

// Blocks from this size on are aligned to huge pages and ask for them.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

thread_local PlaneArena* t_arena = nullptr;

}  // namespace

std::uint8_t* AllocateLargeBlock(std::size_t bytes) {
    if (bytes < kHugePage) {
        void* memory = std::malloc(std::max<std::size_t>(bytes, 1));
        if (!memory)
            throw std::bad_alloc();
        return static_cast<std::uint8_t*>(memory);
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(kHugePage, rounded);
    if (!memory)
        throw std::bad_alloc();
    // Fewer, larger pages to fault in; a kernel without them says no.
    ::madvise(memory, rounded, MADV_HUGEPAGE);
    return static_cast<std::uint8_t*>(memory);
}

void FreeLargeBlock(std::uint8_t* block) { std::free(block); }

PlaneArena::~PlaneArena() {
    for (const Block& block : blocks_)
        FreeLargeBlock(block.memory);
}

std::uint8_t* PlaneArena::Take(std::size_t bytes) {
    Block* best = nullptr;
    for (Block& block : blocks_)
        if (!block.inUse && block.bytes >= bytes && (!best || block.bytes < best->bytes))
            best = &block;
    if (best) {
        best->inUse = true;
        return best->memory;
    }
    blocks_.reserve(blocks_.size() + 1);
    std::uint8_t* memory = AllocateLargeBlock(bytes);
    blocks_.push_back({memory, bytes, true});
    return memory;
}

void PlaneArena::Give(std::uint8_t* block) {
    for (Block& b : blocks_)
        if (b.memory == block) {
            b.inUse = false;
            return;
        }
}

std::size_t PlaneArena::HeldBytes() const {
    std::size_t total = 0;
    for (const Block& block : blocks_)
        total += block.bytes;
    return total;
}

PlaneArena* CurrentPlaneArena() { return t_arena; }

PlaneArenaScope::PlaneArenaScope() {
    if (t_arena)
        return;
    own_.emplace();
    t_arena = &*own_;
}

PlaneArenaScope::~PlaneArenaScope() {
    if (own_)
        t_arena = nullptr;
}

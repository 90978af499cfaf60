#include "engine/PlaneArena.h"

#include "platform/memory/LargeBlock.h"

namespace {

thread_local PlaneArena* t_arena = nullptr;

}  // namespace

PlaneArena::~PlaneArena() {
    for (const Block& block : blocks_)
        platform::FreeLargeBlock(block.memory);
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
    std::uint8_t* memory = platform::AllocateLargeBlock(bytes);
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

#pragma once
// The working planes of one engine call, kept for the whole call and handed
// from one stage (and one channel) to the next instead of going back to the
// system and coming again as fresh pages.
//
// An entry point opens a PlaneArenaScope on its thread. Until the outermost
// scope of that thread closes, NewPlane (Plane.h) on the thread takes its
// bytes from the scope's arena: the smallest block given back by an earlier
// stage that is large enough, else a new block. The arena frees its blocks
// when that scope closes, so nothing outlives the call. Without a scope, as
// on the threads of a parallel loop, NewPlane allocates and frees as usual.
//
// Blocks come uninitialised: a stage gets back whatever an earlier stage left
// in them, which is why every plane is written whole before it is read.
// Blocks come from platform::AllocateLargeBlock.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class PlaneArena {
public:
    PlaneArena() = default;
    ~PlaneArena();
    PlaneArena(const PlaneArena&) = delete;
    PlaneArena& operator=(const PlaneArena&) = delete;

    // A block of at least `bytes` bytes; throws std::bad_alloc.
    std::uint8_t* Take(std::size_t bytes);
    // Returns a block Take handed out.
    void Give(std::uint8_t* block);

    // The bytes of all blocks held, in use or not.
    std::size_t HeldBytes() const;

private:
    struct Block {
        std::uint8_t* memory;
        std::size_t bytes;
        bool inUse;
    };
    std::vector<Block> blocks_;
};

// The arena of the innermost open scope of the calling thread, or null.
PlaneArena* CurrentPlaneArena();

class PlaneArenaScope {
public:
    PlaneArenaScope();
    ~PlaneArenaScope();
    PlaneArenaScope(const PlaneArenaScope&) = delete;
    PlaneArenaScope& operator=(const PlaneArenaScope&) = delete;

private:
    std::optional<PlaneArena> own_;  // held by the outermost scope of the thread
};

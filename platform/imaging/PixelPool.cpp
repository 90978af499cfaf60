#include "platform/imaging/PixelPool.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/memory/LargeBlock.h"

namespace imaging {

std::shared_ptr<PixelPool> PixelPool::Create(std::size_t keptBlocks) {
    return std::shared_ptr<PixelPool>(new PixelPool(keptBlocks));
}

std::shared_ptr<std::uint8_t> PixelPool::Take(std::size_t bytes, bool& fresh) {
    // Before the block is taken, so that nothing after it throws but the
    // shared pointer's own allocation, which gives the block back itself.
    std::shared_ptr<PixelPool> self = shared_from_this();
    std::uint8_t* memory = nullptr;
    std::size_t size = bytes;
    {
        std::lock_guard lock(mutex_);
        auto best = free_.end();
        for (auto it = free_.begin(); it != free_.end(); ++it)
            if (it->bytes >= bytes && (best == free_.end() || it->bytes < best->bytes))
                best = it;
        if (best != free_.end()) {
            memory = best->memory;
            size = best->bytes;
            free_.erase(best);
        }
    }
    fresh = memory == nullptr;
    if (fresh)
        memory = platform::AllocateLargeBlock(bytes);
    // When the control block cannot be allocated, the constructor calls the
    // deleter, which gives the block back to the pool, and throws.
    return std::shared_ptr<std::uint8_t>(
        memory, [self = std::move(self), size](std::uint8_t* block) { self->GiveBack(block, size); });
}

void PixelPool::GiveBack(std::uint8_t* memory, std::size_t bytes) {
    {
        std::lock_guard lock(mutex_);
        if (free_.size() < keptBlocks_) {
            try {
                free_.push_back({memory, bytes});
                return;
            } catch (const std::bad_alloc&) {
            }
        }
    }
    platform::FreeLargeBlock(memory);
}

std::size_t PixelPool::KeptBlocks() const {
    std::lock_guard lock(mutex_);
    return free_.size();
}

// The pool's blocks go with the pool: each taken block holds the pool, so
// only blocks nobody uses are left here.
PixelPool::~PixelPool() {
    for (const Block& block : free_)
        platform::FreeLargeBlock(block.memory);
}

QImage ImageOverMemory(std::shared_ptr<std::uint8_t> memory, int width, int height, qsizetype stride,
                       QImage::Format format) {
    std::uint8_t* bits = memory.get();
    return QImage(
        bits, width, height, stride, format,
        [](void* share) { delete static_cast<std::shared_ptr<std::uint8_t>*>(share); },
        new std::shared_ptr<std::uint8_t>(std::move(memory)));
}

QImage PooledImage(PixelPool& pool, int width, int height, QImage::Format format) {
    try {
        const qsizetype stride =
            (static_cast<qsizetype>(width) * QImage::toPixelFormat(format).bitsPerPixel() / 8 + 3) / 4 * 4;
        const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
        bool fresh = false;
        std::shared_ptr<std::uint8_t> memory = pool.Take(bytes, fresh);
        std::memset(memory.get(), 0, bytes);
        return ImageOverMemory(std::move(memory), width, height, stride, format);
    } catch (const std::bad_alloc&) {
        return QImage();
    }
}

}  // namespace imaging

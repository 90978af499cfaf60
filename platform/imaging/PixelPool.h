#pragma once
// Pixel memory handed from one picture to the next.
//
// A run over many pictures of similar sizes (the batch) decodes each into,
// and resizes each into, memory that an earlier picture of the run gave
// back, instead of having the system provide fresh pages for every picture.
// A block goes back to the pool when the last image over it goes; the pool
// keeps at most `keptBlocks` blocks that nobody uses and frees the rest, and
// the blocks it keeps go with the last of the pool's owners and images.
//
// Threads: Take and the giving back may run on several threads at once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include <QImage>

namespace imaging {

class PixelPool : public std::enable_shared_from_this<PixelPool> {
public:
    static std::shared_ptr<PixelPool> Create(std::size_t keptBlocks);
    ~PixelPool();
    PixelPool(const PixelPool&) = delete;
    PixelPool& operator=(const PixelPool&) = delete;

    // A block of at least `bytes` bytes, uninitialised: the smallest one kept
    // that is large enough, else a new one (`fresh`: its pages are yet to be
    // touched). It goes back to the pool with the last copy of the pointer.
    // Throws std::bad_alloc.
    std::shared_ptr<std::uint8_t> Take(std::size_t bytes, bool& fresh);

    // The number of blocks kept for reuse.
    std::size_t KeptBlocks() const;

private:
    explicit PixelPool(std::size_t keptBlocks) : keptBlocks_(keptBlocks) {}
    void GiveBack(std::uint8_t* memory, std::size_t bytes);

    struct Block {
        std::uint8_t* memory;
        std::size_t bytes;
    };
    const std::size_t keptBlocks_;
    mutable std::mutex mutex_;
    std::vector<Block> free_;
};

// An image of `format` over `memory` (at least height * stride bytes), which
// it keeps alive until its last copy goes.
QImage ImageOverMemory(std::shared_ptr<std::uint8_t> memory, int width, int height, qsizetype stride,
                       QImage::Format format);

// A width x height image of `format` over a block of the pool, all bytes
// zero; null when memory runs out.
QImage PooledImage(PixelPool& pool, int width, int height, QImage::Format format);

}  // namespace imaging

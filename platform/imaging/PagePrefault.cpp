#include "platform/imaging/PagePrefault.h"

#include <algorithm>

#include <sys/mman.h>

namespace imaging {
namespace {

void Populate(std::uint8_t* data, std::size_t size) {
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::size_t kChunk = std::size_t{4} << 20;  // in the writer's order, a piece at a time
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
    for (std::uintptr_t p = begin; p < end; p += kChunk) {
        // A kernel without it refuses; the writer faults the pages itself.
        if (::madvise(reinterpret_cast<void*>(p), std::min<std::uintptr_t>(kChunk, end - p), MADV_POPULATE_WRITE) != 0)
            return;
    }
}

}  // namespace

PagePrefault::PagePrefault(std::uint8_t* data, std::size_t size) : thread_([data, size] { Populate(data, size); }) {}

PagePrefault::~PagePrefault() { thread_.join(); }

}  // namespace imaging

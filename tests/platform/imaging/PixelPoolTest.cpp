#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "ImagingFixtures.h"
#include "platform/imaging/Bitmap.h"
#include "platform/imaging/BitmapLock.h"
#include "platform/imaging/PixelPool.h"

using imaging::Bitmap;
using imaging::PixelPool;

namespace {

// Set, the next operator new of this thread throws std::bad_alloc: the
// allocation of a shared pointer's control block, for one.
thread_local bool t_failNextNew = false;

}  // namespace

// This test program's operator new, so that one allocation can be made to
// fail; every form of it and of delete over malloc and free, so that no
// block is allocated by one allocator and freed by another.
void* operator new(std::size_t size) {
    if (t_failNextNew) {
        t_failNextNew = false;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace {

// When the block's shared pointer cannot be made, the block goes back to
// the pool once: the pool keeps it, nothing else is handed its memory.
TEST(PixelPool, ABlockWhoseSharedPointerCannotBeMadeGoesBackOnce) {
    constexpr std::size_t kBytes = 1000;
    auto pool = PixelPool::Create(2);
    bool fresh = false;
    const auto takeFailing = [&] {
        t_failNextNew = true;
        return pool->Take(kBytes, fresh);
    };
    EXPECT_THROW(takeFailing(), std::bad_alloc);
    t_failNextNew = false;
    ASSERT_EQ(pool->KeptBlocks(), 1u);
    const auto kept = pool->Take(kBytes, fresh);
    EXPECT_FALSE(fresh);
    const std::unique_ptr<void, decltype(&std::free)> other(std::malloc(kBytes), std::free);
    EXPECT_NE(other.get(), static_cast<void*>(kept.get()));
    std::memset(kept.get(), 1, kBytes);
}

TEST(PixelPool, ABlockGivenBackIsTakenByTheNextPictureThatFits) {
    auto pool = PixelPool::Create(2);
    bool fresh = false;
    std::uint8_t* first = nullptr;
    {
        auto block = pool->Take(3 << 20, fresh);
        EXPECT_TRUE(fresh);
        first = block.get();
    }
    EXPECT_EQ(pool->KeptBlocks(), 1u);
    auto again = pool->Take(2 << 20, fresh);
    EXPECT_FALSE(fresh);
    EXPECT_EQ(again.get(), first);
    // Larger than anything kept: new.
    auto larger = pool->Take(4 << 20, fresh);
    EXPECT_TRUE(fresh);
}

TEST(PixelPool, NoMoreBlocksAreKeptThanAsked) {
    auto pool = PixelPool::Create(1);
    bool fresh = false;
    {
        auto a = pool->Take(1 << 20, fresh);
        auto b = pool->Take(1 << 20, fresh);
    }
    EXPECT_EQ(pool->KeptBlocks(), 1u);
}

// The batch decodes one large JPEG after another: the second goes into the
// pixels the first gave back.
TEST(PixelPool, ALargeJpegDecodesIntoThePixelsAnEarlierOneGaveBack) {
    JpegOptions options;
    options.width = 2400;
    options.height = 1800;
    const Bytes jpeg = LibjpegEncode(options);
    auto pool = PixelPool::Create(1);
    const std::uint8_t* firstPixels = nullptr;
    {
        auto first = Bitmap::FromMemory(jpeg, pool.get());
        ASSERT_NE(first, nullptr);
        firstPixels = first->Image().constBits();
    }
    EXPECT_EQ(pool->KeptBlocks(), 1u);
    auto second = Bitmap::FromMemory(jpeg, pool.get());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Image().constBits(), firstPixels);
    EXPECT_EQ(pool->KeptBlocks(), 0u);
    // The same pixels as a decode without the pool.
    auto plain = Bitmap::FromMemory(jpeg);
    EXPECT_EQ(plain->Image(), second->Image());
}

// The batch reads its sources packed, three bytes a pixel: those reuse the
// pool's blocks too, and hold the colours of the 32-bit decode.
TEST(PixelPool, APackedLargeJpegDecodesIntoThePixelsAnEarlierOneGaveBack) {
    JpegOptions options;
    options.width = 2400;
    options.height = 2400;  // 17 MB packed: large enough for the pool
    const Bytes jpeg = LibjpegEncode(options);
    auto pool = PixelPool::Create(1);
    const std::uint8_t* firstPixels = nullptr;
    {
        auto first = Bitmap::FromMemory(jpeg, pool.get(), imaging::ColourLayout::Bgr24);
        ASSERT_NE(first, nullptr);
        firstPixels = first->Image().constBits();
    }
    EXPECT_EQ(pool->KeptBlocks(), 1u);
    auto second = Bitmap::FromMemory(jpeg, pool.get(), imaging::ColourLayout::Bgr24);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Image().constBits(), firstPixels);
    EXPECT_EQ(second->Image().format(), QImage::Format_BGR888);
    EXPECT_EQ(second->Image().bytesPerLine(), 2400 * 3);
    auto wide = Bitmap::FromMemory(jpeg);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->Image().convertToFormat(QImage::Format_BGR888), second->Image());
}

TEST(PixelPool, ABitmapMadeOverThePoolIsBlackAndReusesItsPixels) {
    auto pool = PixelPool::Create(1);
    const std::uint8_t* pixels = nullptr;
    {
        auto target = Bitmap::Create(1500, 1000, imaging::PixelFormat24bppRGB, pool.get());
        ASSERT_NE(target, nullptr);
        pixels = target->Image().constBits();
        auto lock = target->LockBits({0, 0, 1500, 1000}, imaging::LockMode::Write);
        lock->Scan0()[0] = 200;
    }
    auto again = Bitmap::Create(1500, 1000, imaging::PixelFormat24bppRGB, pool.get());
    EXPECT_EQ(again->Image().constBits(), pixels);
    EXPECT_EQ(again->Image().pixel(0, 0), qRgb(0, 0, 0));
}

}  // namespace

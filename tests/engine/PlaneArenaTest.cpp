#include <gtest/gtest.h>

#include "engine/Plane.h"
#include "engine/PlaneArena.h"

namespace {

TEST(PlaneArena, ALaterPlaneOfNoMoreBytesTakesABlockGivenBack) {
    const PlaneArenaScope scope;
    PlaneArena* arena = CurrentPlaneArena();
    ASSERT_NE(arena, nullptr);
    std::uint8_t* first = nullptr;
    {
        PlaneBuffer large = NewPlane(3 << 20);
        PlaneBuffer small = NewPlane(1000);
        first = large.get();
        large[0] = 7;
    }
    const std::size_t held = arena->HeldBytes();
    PlaneBuffer again = NewPlane(2 << 20);
    EXPECT_EQ(again.get(), first);
    EXPECT_EQ(again[0], 7);  // uninitialised: whatever the last user left
    PlaneBuffer smallAgain = NewPlane(500);
    EXPECT_EQ(arena->HeldBytes(), held);
    // Both blocks are in use: a third plane is new.
    PlaneBuffer third = NewPlane(500);
    EXPECT_GT(arena->HeldBytes(), held);
}

TEST(PlaneArena, TheSmallestFreeBlockThatFitsIsTaken) {
    const PlaneArenaScope scope;
    std::uint8_t* big = nullptr;
    std::uint8_t* medium = nullptr;
    {
        PlaneBuffer a = NewPlane(8 << 20);
        PlaneBuffer b = NewPlane(4 << 20);
        big = a.get();
        medium = b.get();
    }
    PlaneBuffer c = NewPlane(3 << 20);
    EXPECT_EQ(c.get(), medium);
    PlaneBuffer d = NewPlane(3 << 20);
    EXPECT_EQ(d.get(), big);
}

TEST(PlaneArena, InnerScopesShareTheOutermostArenaWhichEndsWithIt) {
    EXPECT_EQ(CurrentPlaneArena(), nullptr);
    {
        const PlaneArenaScope outer;
        PlaneArena* arena = CurrentPlaneArena();
        {
            const PlaneArenaScope inner;
            EXPECT_EQ(CurrentPlaneArena(), arena);
        }
        EXPECT_EQ(CurrentPlaneArena(), arena);
    }
    EXPECT_EQ(CurrentPlaneArena(), nullptr);
    // Without a scope a plane is the system's, freed with its buffer.
    PlaneBuffer plane = NewPlane(1 << 20);
    EXPECT_EQ(plane.get_deleter().arena, nullptr);
}

}  // namespace

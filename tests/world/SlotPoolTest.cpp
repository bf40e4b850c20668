#include <cstdint>

#include "support/WorldFixture.h"
#include "world/SlotPool.h"

namespace {
bool onLine(const void *p) { return reinterpret_cast<std::uintptr_t>(p) % SlotPool::kLine == 0; }
}  // namespace

TEST(SlotPool, SlotsOnLinesGivenInOrderAndTheLastFreedFirst) {
    EXPECT_EQ(SlotPool(64).slotSize(), 64u);
    SlotPool pool(65);
    ASSERT_EQ(pool.slotSize(), 128u);
    char *a = static_cast<char *>(pool.allocate());
    char *b = static_cast<char *>(pool.allocate());
    char *c = static_cast<char *>(pool.allocate());
    EXPECT_TRUE(onLine(a));
    EXPECT_EQ(b, a + 128);
    EXPECT_EQ(c, b + 128);
    EXPECT_EQ(pool.liveCount(), 3u);
    pool.release(a);
    pool.release(c);
    EXPECT_EQ(pool.liveCount(), 1u);
    EXPECT_EQ(pool.allocate(), c);
    EXPECT_EQ(pool.allocate(), a);
    EXPECT_EQ(pool.allocate(), b + 256);
    EXPECT_EQ(pool.blockCount(), 1u);
    // A full block brings another.
    SlotPool big(SlotPool::kBlockBytes / 2 + 1);
    void *x = big.allocate();
    void *y = big.allocate();
    EXPECT_NE(x, y);
    EXPECT_TRUE(onLine(y));
    EXPECT_EQ(big.blockCount(), 2u);
}

TEST_F(WorldFixture, AtomsLiveInThePool) {
    Atom *a = new Atom(1.0f, 2.0f, 0, -1);
    EXPECT_TRUE(onLine(a));
    a->kill();
    purgeDead();
    Atom *b = new Atom(3.0f, 4.0f, 1, -1);
    EXPECT_EQ(b, a);
    EXPECT_EQ(b->position, Vec2(3.0f, 4.0f));
    EXPECT_EQ(b->colour, 1);
}

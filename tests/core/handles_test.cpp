// Host memory handles: real blocks behind PF_Handle, lock counts, and
// bookkeeping that notices leaks and double disposals instead of crashing.
#include <gtest/gtest.h>

#include <string.h>

#include "runner/core/handles.h"

TEST(Handles, BlockIsTheHandlesFirstPointer) {
    runner::HandleTable table;
    PF_Handle h = table.New(24);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(table.SizeOf(h), 24u);
    void* block = table.Lock(h);
    ASSERT_EQ(block, *h);
    const uint8_t zeros[24] = {};
    EXPECT_EQ(memcmp(block, zeros, sizeof zeros), 0);
    memset(block, 0xEE, 24);  // the whole block is ours to write
    EXPECT_EQ(table.LockCount(h), 1);
    table.Unlock(h);
    EXPECT_EQ(table.LockCount(h), 0);
    table.Dispose(h);
    EXPECT_EQ(table.LiveCount(), 0u);
}

TEST(Handles, MisuseIsCountedNotFatal) {
    runner::HandleTable table;
    PF_Handle a = table.New(1);
    PF_Handle b = table.New(0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(table.LiveCount(), 2u);
    table.Unlock(a);  // never locked
    EXPECT_EQ(table.BadUnlocks(), 1);
    table.Dispose(a);
    table.Dispose(a);  // twice
    table.Dispose(nullptr);
    void* foreign = nullptr;
    table.Dispose(&foreign);
    EXPECT_EQ(table.BadDisposals(), 3);
    EXPECT_EQ(table.Lock(a), nullptr);
    EXPECT_FALSE(table.IsLive(a));
    EXPECT_TRUE(table.IsLive(b));
    EXPECT_EQ(table.LiveCount(), 1u);
    EXPECT_EQ(table.Allocations(), 2);
}

TEST(Handles, LargeBlocksComeBackForTheSameSizeAndAFewAreKept) {
    runner::HandleTable table;
    const uint32_t big = runner::RECYCLE_MIN_BYTES * 4;
    PF_Handle a = table.New(big);
    ASSERT_NE(a, nullptr);
    void* block = *a;
    memset(block, 0x5A, big);
    table.Dispose(a);
    PF_Handle b = table.New(big);  // the same block, as its last owner left it
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(*b, block);
    EXPECT_EQ(static_cast<uint8_t*>(*b)[big - 1], 0x5A);
    PF_Handle c = table.New(big + 16);  // another size: fresh and zero-filled
    ASSERT_NE(c, nullptr);
    EXPECT_NE(*c, block);
    EXPECT_EQ(static_cast<uint8_t*>(*c)[big + 15], 0);
    table.Dispose(table.New(64));  // small blocks go back to the allocator
    table.Dispose(table.New(64));
    EXPECT_EQ(table.Recycled(), 1);

    // However many are disposed of, only RECYCLE_KEPT wait for reuse.
    PF_Handle more[] = {table.New(big), table.New(big)};
    for (PF_Handle h : {b, more[0], more[1]}) table.Dispose(h);
    for (int i = 0; i < 3; ++i) table.New(big);
    EXPECT_EQ(table.Recycled(), 1 + static_cast<int32_t>(runner::RECYCLE_KEPT));
    EXPECT_EQ(table.LiveCount(), 4u);
}

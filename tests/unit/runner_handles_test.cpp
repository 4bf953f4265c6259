// Host memory handles: real blocks behind PF_Handle, lock counts, and
// bookkeeping that notices leaks and double disposals instead of crashing.
#include <gtest/gtest.h>

#include <string.h>

#include "runner/handles.h"

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

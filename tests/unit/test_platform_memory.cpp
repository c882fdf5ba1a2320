// The memory contract of both backends: movable blocks and reading the
// process's own memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/memory.h"

namespace {

TEST(PlatformMemory, BlocksAreZeroFilledCountLocksAndRefuseStaleHandles) {
    plat::MemHandle h = plat::mem_alloc(64);
    ASSERT_NE(h, 0u);
    EXPECT_GE(plat::mem_size(h), 64u);
    auto* p = static_cast<unsigned char*>(plat::mem_lock(h));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(p[i], 0);
    p[0] = 7;
    EXPECT_NE(plat::mem_lock(h), nullptr);
    EXPECT_EQ(plat::mem_lock_count(h), 2u);
    EXPECT_TRUE(plat::mem_unlock(h));
    EXPECT_TRUE(plat::mem_unlock(h));
    EXPECT_FALSE(plat::mem_unlock(h));
    EXPECT_EQ(static_cast<unsigned char*>(plat::mem_lock(h))[0], 7);
    plat::mem_unlock(h);
    EXPECT_TRUE(plat::mem_free(h));
    // A freed handle fails every operation; so does one that never existed.
    EXPECT_EQ(plat::mem_lock(h), nullptr);
    EXPECT_EQ(plat::mem_size(h), 0u);
    EXPECT_EQ(plat::mem_lock(0), nullptr);
    EXPECT_EQ(plat::mem_size(0), 0u);
}

TEST(PlatformMemory, BlocksAreIndependentAndKeepTheirSize) {
    // Many blocks at once, each with its own bytes.
    std::vector<plat::MemHandle> blocks;
    for (std::size_t i = 0; i < 64; ++i) {
        plat::MemHandle h = plat::mem_alloc(i * 37 + 1);
        ASSERT_NE(h, 0u);
        auto* p = static_cast<unsigned char*>(plat::mem_lock(h));
        ASSERT_NE(p, nullptr);
        p[i * 37] = static_cast<unsigned char>(i);
        plat::mem_unlock(h);
        blocks.push_back(h);
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_GE(plat::mem_size(blocks[i]), i * 37 + 1);
        EXPECT_EQ(plat::mem_lock_count(blocks[i]), 0u);
        auto* p = static_cast<unsigned char*>(plat::mem_lock(blocks[i]));
        EXPECT_EQ(p[i * 37], i);
        if (i > 0) {
            EXPECT_EQ(p[i * 37 - 1], 0);
        }
        plat::mem_unlock(blocks[i]);
    }
    for (plat::MemHandle h : blocks)
        EXPECT_TRUE(plat::mem_free(h));
    EXPECT_FALSE(plat::mem_free(blocks[0])); // freed once only
    EXPECT_FALSE(plat::mem_free(0));
}

TEST(PlatformMemory, ReadsOnlyReadableMemoryAndNeverFaults) {
    std::uint64_t word = 0x1122334455667788ull;
    std::uint64_t copy = 0;
    EXPECT_TRUE(plat::read_process_memory(reinterpret_cast<std::uintptr_t>(&word), &copy, 8));
    EXPECT_EQ(copy, word);
    copy = 0;
    EXPECT_FALSE(plat::read_process_memory(0, &copy, 1));
    EXPECT_FALSE(plat::read_process_memory(~std::uintptr_t{0} - 1, &copy, 4)); // wraps
    EXPECT_FALSE(plat::read_process_memory(reinterpret_cast<std::uintptr_t>(&word), &copy, 0));
    EXPECT_EQ(copy, 0u);
}

} // namespace

// Freed memory handed back to the system: the process's resident size falls.
#include "framework/system/Memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Resident pages of this process, in bytes.
long Resident()
{
    long size = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return -1;
    if (std::fscanf(statm, "%ld %ld", &size, &resident) != 2) resident = -1;
    std::fclose(statm);
    return resident * 4096;
}

}  // namespace

TEST(Memory, FreedBlocksAmongUsedOnesLeaveTheProcess)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator keeps freed memory its own way";
#endif
    // 48 MiB in blocks small enough to come from the allocator's heap, written so their pages are
    // resident; every block but the last is freed, and the last keeps the heap from shrinking by
    // itself.
    constexpr size_t kBlock = 64 << 10, kBlocks = 768;
    std::vector<std::unique_ptr<char[]>> blocks;
    for (size_t i = 0; i < kBlocks; ++i) {
        blocks.push_back(std::make_unique<char[]>(kBlock));
        std::memset(blocks.back().get(), 1, kBlock);
    }
    for (size_t i = 0; i + 1 < kBlocks; ++i) blocks[i] = nullptr;
    const long before = Resident();
    ASSERT_GT(before, 0);
    ReturnFreedMemory();
    EXPECT_LT(Resident(), before - (32L << 20));
}

// Freed memory handed back to the system: the process's resident size falls; threads share arenas.
#include "framework/system/Memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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

#if defined(__GLIBC__)
// The allocator's arenas, as it describes them.
size_t Arenas()
{
    char* text = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&text, &length);
    if (!out) return 0;
    malloc_info(0, out);
    std::fclose(out);
    const std::string info(text, length);
    std::free(text);
    size_t arenas = 0;
    for (size_t at = info.find("<heap nr="); at != std::string::npos; at = info.find("<heap nr=", at + 1)) ++arenas;
    return arenas;
}
#endif

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

TEST(Memory, ThreadsAllocatingAtOnceShareOneArenaBesideTheMainOne)
{
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    GTEST_SKIP() << "only the C library's own allocator has arenas";
#else
    KeepFreedMemoryForReuse();
    const size_t before = Arenas();
    // Twelve threads, each holding a block until all of them hold one: left to itself the
    // allocator gives each its own arena.
    constexpr int32_t kThreads = 12;
    std::mutex mutex;
    std::condition_variable allHold;
    int32_t holding = 0;
    std::vector<std::thread> threads;
    for (int32_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            const auto block = std::make_unique<char[]>(4096);
            std::unique_lock lock(mutex);
            if (++holding == kThreads) allHold.notify_all();
            allHold.wait(lock, [&] { return holding == kThreads; });
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_LE(Arenas(), std::max<size_t>(before, 2));
#endif
}

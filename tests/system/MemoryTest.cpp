// Freed memory handed back to the system, and kept for blocks taken later: the process's resident
// size falls, populated and warmed blocks fault no pages in, and threads share arenas.
#include "framework/system/Memory.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

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

// Pages this thread has faulted in so far.
long ThreadFaults()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

#if defined(__GLIBC__) && !defined(KRELLIX_ADDRESS_SANITIZER)
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
#if defined(KRELLIX_ADDRESS_SANITIZER)
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

// How many blocks, taken once the warmer is done (waited for, or gone) and written page by page,
// faulted in more than a few pages: a texture-sized block, the same with its smaller levels, and
// a few renderer buffers. Fresh memory faults in 4096 bytes at a time.
static int BlocksFaultedAfterWarming(bool waitAsked)
{
    KeepFreedMemoryForReuse();
    {
        THeapWarmer warmer(24 << 20);
        if (waitAsked) warmer.Wait();
    }
    const struct {
        size_t bytes;
        int count;
    } cases[] = {{(4u << 20) + 64, 1}, {(16u << 20) / 3 + 64, 1}, {(512u << 10) + 48, 6}};
    int faulted = 0;
    for (const auto& c : cases) {
        for (int i = 0; i < c.count; ++i) {
            const long before = ThreadFaults();
            // Kept until the end, as the renderer keeps its textures.
            void* block = std::malloc(c.bytes);
            if (!block) return 100;
            std::memset(block, 1, c.bytes);
            const long faults = ThreadFaults() - before;
            if (faults > static_cast<long>(c.bytes / 4096 / 16)) {
                std::fprintf(stderr, "%zu bytes: %ld pages faulted in\n", c.bytes, faults);
                ++faulted;
            }
        }
    }
    return faulted;
}

// In a process of its own: memory other tests freed and handed back lies in the heap as free
// stretches without pages, which a block may be taken from.
TEST(MemoryDeathTest, BlocksTakenAfterWarmingFindTheirPagesInPlace)
{
#if defined(KRELLIX_ADDRESS_SANITIZER)
    GTEST_SKIP() << "the sanitizer's allocator keeps freed memory its own way";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const bool waitAsked : {true, false})
        EXPECT_EXIT(std::exit(BlocksFaultedAfterWarming(waitAsked)), testing::ExitedWithCode(0), "") << waitAsked;
}

TEST(Memory, ThreadsAllocatingAtOnceShareOneArenaBesideTheMainOne)
{
#if defined(KRELLIX_ADDRESS_SANITIZER) || !defined(__GLIBC__)
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

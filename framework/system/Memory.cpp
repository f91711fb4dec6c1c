// Giving memory the program has freed back to the system, or keeping it, through the C library's allocator.
#include "framework/system/Memory.h"

// Any C library header says which library it is.
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void ReturnFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // Setting one of these turns off the allocator's own tuning of both, so both are set: blocks
    // up to 4 MiB come from the heap, whose top is given back only beyond 64 MiB of free space.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    // Each thread that allocates would get an arena of its own, up to eight a core, each keeping
    // what was freed in it: the loading threads' decodes leave megabytes behind in arenas nothing
    // allocates from again. The drawing thread keeps the main one; all others share a second.
    mallopt(M_ARENA_MAX, 2);
#endif
}

THeapWarmer::THeapWarmer(size_t bytes)
{
    // Taken here, so from this thread's heap, in blocks small enough to come from the heap at all;
    // freed side by side, they join into one free stretch.
    constexpr size_t kBlockBytes = 1u << 20;
    std::vector<void*> blocks;
    for (size_t taken = 0; taken < bytes; taken += kBlockBytes)
        if (void* block = std::malloc(kBlockBytes)) blocks.push_back(block);
    _writer = std::thread([blocks = std::move(blocks)] {
        // Written a page at a time, not handed over in bulk: with the bulk hand-over a level's first
        // frame was measured at 26-37 ms of wall time instead of 16-21.
        for (void* block : blocks) {
            volatile char* bytes = static_cast<char*>(block);
            for (size_t at = 0; at < kBlockBytes; at += 4096) bytes[at] = 0;
        }
        for (void* block : blocks) std::free(block);
    });
}

THeapWarmer::~THeapWarmer() { Wait(); }

void THeapWarmer::Wait()
{
    if (_writer.joinable()) _writer.join();
}

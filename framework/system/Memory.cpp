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
#if defined(__linux__)
#include <sys/mman.h>
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

void PopulateMemory(void* data, size_t bytes)
{
    constexpr uintptr_t kPageBytes = 4096;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data), end = begin + bytes;
    const uintptr_t first = (begin + kPageBytes - 1) / kPageBytes * kPageBytes, last = end / kPageBytes * kPageBytes;
    // One write a page is what makes the system hand the page over.
    const auto write = [](uintptr_t at) { *reinterpret_cast<volatile char*>(at) = 0; };
#if defined(__linux__)
    // Only whole pages are handed over in bulk; the pages at either end are written. Named here for
    // C libraries older than the kernels that know it; older kernels refuse it.
    constexpr int kPopulateWrite = 23;
    if (first < last && madvise(reinterpret_cast<void*>(first), last - first, kPopulateWrite) == 0) {
        if (begin < first) write(begin);
        if (last < end) write(last);
        return;
    }
#endif
    for (uintptr_t page = begin; page < end; page = page / kPageBytes * kPageBytes + kPageBytes) write(page);
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

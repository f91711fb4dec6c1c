// Giving memory the program has freed back to the system, or keeping it, through the C library's allocator.
#include "framework/system/Memory.h"

// Any C library header says which library it is.
#include <cstdlib>

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

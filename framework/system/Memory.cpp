// Giving memory the program has freed back to the system, through the C library's allocator.
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

// Giving memory the program has freed back to the system, and keeping what it reuses at once.
#pragma once

#include <cstddef>
#include <thread>

// Hands the pages of freed memory back to the system. The allocator keeps what a level's picture
// and music decodes have freed, scattered among blocks still in use, and the process's memory
// creeps up level after level; this stops that. Takes a few milliseconds: for moments such as a
// level's start, not for every frame.
void ReturnFreedMemory();

// Keeps freed memory in the process for the next allocations instead of handing it back at once.
// The software renderer takes and frees megabytes of scratch memory for every frame; handed back,
// each page of it faults in again on the next frame, which costs more than the drawing itself.
// Threads other than the first share one arena of the allocator. Called once at start-up;
// ReturnFreedMemory still gives it all back when asked.
void KeepFreedMemoryForReuse();

// Has bytes of the constructing thread's heap handed over on another thread and freed again, so
// that the next large blocks that thread takes (a level's textures, the renderer's buffers) find
// their pages in place instead of faulting each one in on the spot. Construction returns at once;
// the other thread is waited for by Wait or at destruction.
class THeapWarmer {
public:
    explicit THeapWarmer(size_t bytes);
    ~THeapWarmer();
    THeapWarmer(const THeapWarmer&) = delete;
    THeapWarmer& operator=(const THeapWarmer&) = delete;
    void Wait();

private:
    std::thread _writer;
};

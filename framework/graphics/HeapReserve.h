// A reserve of heap memory touched ahead, over frames that leave time, for the software renderer.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// The software renderer keeps the drawing state of each queued frame in memory it takes from the
// heap, some 33 KB for every change of texture or blending: a frame of a few hundred changes takes
// 10 to 15 MB, twice over while two frames are queued. Memory the heap has never handed out costs a
// page fault per page when first written (about 20 us each here), which made the first busy frames
// of a screen 30 to 50 ms late. Pages handed over in bulk cost no fault but still about 6 us each at
// their first write: the starfield's first two frames spent 12 to 19 ms of processor copying that
// state into them, against 2 ms into pages written before. The reserve grows the heap a step at a
// time, writing each page, then gives it all back to the heap and keeps the heap from returning it
// to the system.
class THeapReserve {
public:
    // total bytes in all, in steps of step bytes.
    THeapReserve(size_t total, size_t step);
    // Grows by one step, and gives the whole reserve to the heap once it is grown.
    void Step();
    bool Done() const { return _done; }

private:
    std::vector<std::unique_ptr<char[]>> _blocks;
    size_t _total;
    size_t _step;
    size_t _grown = 0;
    bool _done = false;
};

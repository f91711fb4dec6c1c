// The drawing memory set aside over quick frames: the renderer later takes it without page faults,
// also after the memory freed meanwhile is handed back.
#include "GLSupport.h"

#include "framework/graphics/GLDriver.h"
#include "framework/system/Memory.h"

#include <sys/resource.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace {

long MinorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_minflt;
}

// Page faults taken while bytes are allocated in the software renderer's block size and written.
long FaultsToTake(size_t bytes)
{
    constexpr size_t kBlock = 64 * 1024;
    const long before = MinorFaults();
    std::vector<std::unique_ptr<char[]>> blocks;
    for (size_t taken = 0; taken < bytes; taken += kBlock) {
        blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
        volatile char* block = blocks.back().get();
        for (size_t at = 0; at < kBlock; at += 4096) block[at] = 1;
    }
    return MinorFaults() - before;
}

}  // namespace

TEST_F(GLTest, DrawingMemorySetAsideIsTakenAgainWithoutPageFaults)
{
    ReserveDrawingMemory();
    auto& driver = *TGLDraw2DDriver::Instance();
    int32_t frames = 0;
    for (; !driver.MemoryReserved() && frames < 5000; ++frames) {
        Cls();
        Flip(0);
    }
    ASSERT_TRUE(driver.MemoryReserved());
    // Grown a step after each quick frame, not all at once.
    EXPECT_GT(frames, 100);
    // Two busy frames' worth, well within the reserve: nearly all of its pages are there already,
    // where fresh memory faults on every one.
    constexpr size_t kBusyFrames = 32u << 20;
    constexpr long kFewFaults = static_cast<long>(kBusyFrames / 4096 / 10);
    EXPECT_LT(FaultsToTake(kBusyFrames), kFewFaults);
    // Freed memory handed back at a level's start leaves the reserve in place; handed back
    // whole, the reserve goes with it.
    ReturnFreedMemoryButDrawingReserve();
    EXPECT_LT(FaultsToTake(kBusyFrames), kFewFaults) << "after handing back all but the reserve";
    ReturnFreedMemory();
    EXPECT_GT(FaultsToTake(kBusyFrames), 5 * kFewFaults) << "after handing back everything";
}

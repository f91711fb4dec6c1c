// The program's millisecond clock and sleep, and the steady real clock used when none is set.
#include "framework/system/Clock.h"

#include <chrono>
#include <thread>

int32_t TSteadyClock::Millisecs()
{
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    // The low 32 bits, read as signed: wraps like the system's millisecond counter.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms.count())));
}

void TSteadyClock::Sleep(int32_t ms)
{
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace {

std::shared_ptr<TClock>& CurrentClock()
{
    static std::shared_ptr<TClock> clock = std::make_shared<TSteadyClock>();
    return clock;
}

}  // namespace

void SetClock(std::shared_ptr<TClock> clock)
{
    CurrentClock() = clock ? std::move(clock) : std::make_shared<TSteadyClock>();
}

std::shared_ptr<TClock> GetClock() { return CurrentClock(); }

int32_t CurrentMillisecs() { return CurrentClock()->Millisecs(); }

void SleepMillisecs(int32_t ms)
{
    if (ms < 0) return;
    // Hold a reference: a clock may be replaced while it sleeps.
    std::shared_ptr<TClock> clock = CurrentClock();
    clock->Sleep(ms);
}

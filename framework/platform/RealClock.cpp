// The real millisecond clock (time since the system started, wrapping at 32 bits) and sleep.
#include "framework/platform/Platform.h"

#include <chrono>
#include <thread>

namespace {

class TRealClock : public TClock {
public:
    int32_t Millisecs() override
    {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
        return static_cast<int32_t>(static_cast<uint32_t>(ms));
    }

    void Sleep(int32_t ms) override
    {
        if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

}  // namespace

std::shared_ptr<TClock> CreateRealClock() { return std::make_shared<TRealClock>(); }

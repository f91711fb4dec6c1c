// The millisecond clock and sleep, behind an interface so tests and headless runs use virtual time.
#pragma once

#include <cstdint>
#include <memory>

class TClock {
public:
    virtual ~TClock() = default;
    // Milliseconds, 32-bit signed, wrapping.
    virtual int32_t Millisecs() = 0;
    // Negative ms does nothing.
    virtual void Sleep(int32_t ms) = 0;
};

// Time moves only when told: Advance, or Sleep advancing by its argument.
class TVirtualClock : public TClock {
public:
    explicit TVirtualClock(int32_t start = 0) : _now(start) {}
    int32_t Millisecs() override { return _now; }
    void Sleep(int32_t ms) override
    {
        if (ms > 0) Advance(ms);
    }
    void Advance(int32_t ms) { _now = static_cast<int32_t>(static_cast<uint32_t>(_now) + static_cast<uint32_t>(ms)); }

private:
    int32_t _now;
};

// Real milliseconds of the system's steady clock (since boot), 32-bit wrapping; Sleep really sleeps.
class TSteadyClock : public TClock {
public:
    int32_t Millisecs() override;
    void Sleep(int32_t ms) override;
};

// The program's clock; a real one is installed by the platform, a virtual one by tests.
// Null puts the steady clock back, which is also the clock when none was set.
void SetClock(std::shared_ptr<TClock> clock);
std::shared_ptr<TClock> GetClock();

int32_t CurrentMillisecs();
void SleepMillisecs(int32_t ms);

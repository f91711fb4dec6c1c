// The clock interface: the virtual clock, the program's clock and the steady real clock.
#include "framework/system/Clock.h"

#include <gtest/gtest.h>

namespace {

class Clock : public ::testing::Test {
protected:
    void TearDown() override { SetClock(nullptr); }
};

TEST_F(Clock, VirtualTimeMovesOnlyWhenTold)
{
    auto clock = std::make_shared<TVirtualClock>(1000);
    SetClock(clock);
    EXPECT_EQ(CurrentMillisecs(), 1000);
    EXPECT_EQ(CurrentMillisecs(), 1000);
    SleepMillisecs(16);
    EXPECT_EQ(CurrentMillisecs(), 1016);
    SleepMillisecs(-5);
    SleepMillisecs(0);
    EXPECT_EQ(CurrentMillisecs(), 1016);
    clock->Advance(4);
    EXPECT_EQ(CurrentMillisecs(), 1020);
}

TEST_F(Clock, VirtualTimeWrapsLikeA32BitCounter)
{
    auto clock = std::make_shared<TVirtualClock>(INT32_MAX - 1);
    SetClock(clock);
    SleepMillisecs(3);
    EXPECT_EQ(CurrentMillisecs(), INT32_MIN + 1);
}

TEST_F(Clock, SteadyClockIsTheDefaultAndCountsRealMilliseconds)
{
    SetClock(nullptr);
    EXPECT_NE(dynamic_cast<TSteadyClock*>(GetClock().get()), nullptr);
    const int32_t before = CurrentMillisecs();
    SleepMillisecs(25);
    const auto elapsed =
        static_cast<int32_t>(static_cast<uint32_t>(CurrentMillisecs()) - static_cast<uint32_t>(before));
    EXPECT_GE(elapsed, 25);
}

// A clock whose sleep replaces the program's clock: the sleeping clock must stay alive.
class TSelfReplacingClock : public TClock {
public:
    int32_t Millisecs() override { return 7; }
    void Sleep(int32_t) override
    {
        SetClock(std::make_shared<TVirtualClock>(99));
        slept = true;
    }
    bool slept = false;
};

TEST_F(Clock, AClockMayBeReplacedWhileItSleeps)
{
    auto clock = std::make_shared<TSelfReplacingClock>();
    SetClock(clock);
    std::weak_ptr<TSelfReplacingClock> watch = clock;
    clock.reset();
    SleepMillisecs(1);
    EXPECT_EQ(CurrentMillisecs(), 99);
    EXPECT_TRUE(watch.expired());
}

}  // namespace

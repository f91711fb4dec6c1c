// The pacing follows the player's switch between window and full screen: the vertical blank in a
// full screen whose display runs at the game's rate, the timer in a window.
#include "GLSupport.h"

#include "framework/platform/Platform.h"

#include <utility>
#include <vector>

namespace {

// The headless surface, pretending to be switched between a window and a 60 Hz full screen.
class TSwitchingProvider : public TGLContextProvider {
public:
    explicit TSwitchingProvider(std::shared_ptr<TGLContextProvider> inner) : _inner(std::move(inner)) {}
    bool Open(int32_t w, int32_t h, int32_t d, int32_t hz, int32_t f) override { return _inner->Open(w, h, d, hz, f); }
    void Close() override { _inner->Close(); }
    bool CanHardSync(int32_t hertz) override { return fullScreen && hertz == 60; }
    bool TakePacingChange() override { return std::exchange(switched, false); }
    void SetSwapInterval(int32_t interval) override
    {
        intervals.push_back(interval);
        _inner->SetSwapInterval(interval);
    }
    void SwapBuffers() override { _inner->SwapBuffers(); }

    void Switch(bool toFullScreen)
    {
        fullScreen = toFullScreen;
        switched = true;
    }

    bool fullScreen = false;
    bool switched = false;
    std::vector<int32_t> intervals;

private:
    std::shared_ptr<TGLContextProvider> _inner;
};

TEST(GLPacing, FollowsTheSwitchBetweenWindowAndFullScreen)
{
    auto clock = std::make_shared<TVirtualClock>();
    SetClock(clock);
    auto headless = CreateSdlGLContextProvider(true);
    auto provider = std::make_shared<TSwitchingProvider>(headless);
    SetGLContextProvider(provider);
    // Started in a window: the timer paces.
    ASSERT_TRUE(OpenGraphics(kWidth, kHeight, 32, 60, 0));
    const auto elapsed = [&](int32_t frames) {
        const int32_t start = clock->Millisecs();
        for (int32_t i = 0; i < frames; ++i) Flip(-1);
        return clock->Millisecs() - start;
    };
    EXPECT_EQ(elapsed(60), 1000);
    // What the display could do counts only once the switch is reported.
    provider->fullScreen = true;
    EXPECT_EQ(elapsed(60), 1000);

    // To the full screen: the flip that carries the switch is still timed, the next ones wait for
    // the vertical blank.
    provider->Switch(true);
    EXPECT_EQ(elapsed(1), 16);
    EXPECT_EQ(elapsed(30), 0);
    EXPECT_EQ(provider->intervals.back(), 1);

    // Back to a window: the timer again, from a fresh start.
    provider->Switch(false);
    EXPECT_EQ(elapsed(1), 0);
    EXPECT_EQ(elapsed(60), 1000);
    EXPECT_EQ(provider->intervals.back(), 0);

    EndGraphics();
    SetGLContextProvider(headless);
    SetClock(nullptr);
}

}  // namespace

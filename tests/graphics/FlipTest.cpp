// Opening graphics and presenting frames: timer pacing on the virtual clock, hooks, failures.
#include "TestSupport.h"

#include "framework/graphics/Draw2D.h"
#include "framework/system/Input.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace {

class FailingProvider : public TGLContextProvider {
public:
    explicit FailingProvider(bool throws) : _throws(throws) {}
    bool Open(int32_t, int32_t, int32_t, int32_t, int32_t) override
    {
        ++opens;
        if (_throws) throw std::runtime_error("no pixel format");
        return false;
    }
    void Close() override { ++closes; }
    bool CanHardSync(int32_t) override { return false; }
    void SetSwapInterval(int32_t) override {}
    void SwapBuffers() override {}
    int opens = 0;
    int closes = 0;

private:
    bool _throws;
};

}  // namespace

TEST_F(RecordingTest, SixtyPacedFramesTakeExactlyOneSecondInSixteensAndSeventeens)
{
    std::vector<int32_t> periods;
    int32_t last = clock->Millisecs();
    for (int i = 0; i < 60; ++i) {
        Flip(-1);
        periods.push_back(clock->Millisecs() - last);
        last = clock->Millisecs();
    }
    EXPECT_EQ(last, 1000);
    for (size_t i = 0; i < periods.size(); ++i) {
        // The 40 ms left over from 60 x 16 are spread as one extra ms on two frames of three.
        EXPECT_EQ(periods[i], i % 3 == 0 ? 16 : 17) << "frame " << i;
    }
    EXPECT_EQ(driver->flips, 2 + 60);
}

TEST_F(RecordingTest, ALateFrameIsNotCaughtUp)
{
    Flip(-1);
    EXPECT_EQ(clock->Millisecs(), 16);
    clock->Advance(100);  // a frame that took far too long to draw
    Flip(-1);
    EXPECT_EQ(clock->Millisecs(), 116);
    Flip(-1);
    // The next frame still gets a whole period.
    EXPECT_EQ(clock->Millisecs(), 133);
    clock->Advance(5);  // drawing time counts into the period
    Flip(-1);
    EXPECT_EQ(clock->Millisecs(), 149);
}

TEST_F(RecordingTest, FlipZeroAndOneIgnoreThePacing)
{
    Flip(0);
    Flip(1);
    EXPECT_EQ(clock->Millisecs(), 0);
    EXPECT_EQ(driver->flips, 4);
    Flip(-1);
    EXPECT_EQ(clock->Millisecs(), 16);
}

TEST_F(RecordingTest, HooksRunAroundThePresentOfEveryFlip)
{
    std::vector<std::string> log;
    AddFlipHook(
        [&] { log.push_back("pre " + std::to_string(driver->records.size()) + " " + std::to_string(driver->flips)); });
    AddPostFlipHook([&] {
        log.push_back("post " + std::to_string(driver->presented.size()) + " " + std::to_string(driver->flips));
    });
    Cls();
    DrawRect(0, 0, 1, 1);
    Flip(-1);
    Flip(0);
    // Before the present the finished frame is still there to read; after it, presented.
    EXPECT_EQ(log, (std::vector<std::string>{"pre 2 2", "post 2 3", "pre 0 3", "post 0 4"}));
}

TEST_F(RecordingTest, RemovedHooksStopRunningAndTheOthersKeepTheirOrder)
{
    std::string log;
    const int32_t a = AddPostFlipHook([&] { log += "a"; });
    AddFlipHook([&] { log += "p"; });
    const int32_t b = AddPostFlipHook([&] { log += "b"; });
    // A hook may remove another; the removal counts from the next Flip.
    AddPostFlipHook([&] { RemoveFlipHook(a); });
    Flip(0);
    RemoveFlipHook(b);
    RemoveFlipHook(b);
    RemoveFlipHook(12345);
    Flip(0);
    EXPECT_EQ(log, "pabp");
}

TEST_F(RecordingTest, OpeningPresentsDoNotRunHooks)
{
    int hooks = 0;
    AddFlipHook([&] { ++hooks; });
    AddPostFlipHook([&] { ++hooks; });
    auto other = std::make_shared<TRecordingDriver>();
    graphics = OpenRecordingGraphics(100, 100, other);
    driver = other;
    EXPECT_EQ(other->flips, 2);
    EXPECT_EQ(hooks, 0);
    EXPECT_EQ(clock->Millisecs(), 0);
}

TEST_F(RecordingTest, OpeningSwitchesPolledInputOnWithAFreshState)
{
    TEvent down;
    down.id = EVENT_KEYDOWN;
    down.data = KEY_SPACE;
    HandleInputEvent(down);
    EXPECT_EQ(KeyIsDown(KEY_SPACE), 1);
    graphics = OpenRecordingGraphics(100, 100, driver);
    EXPECT_EQ(KeyIsDown(KEY_SPACE), 0);
    EXPECT_EQ(KeyHitCount(KEY_SPACE), 0);
}

TEST_F(RecordingTest, ASecondOpenClosesTheFirst)
{
    auto second = std::make_shared<TRecordingDriver>();
    auto first_graphics = graphics;
    graphics = OpenRecordingGraphics(200, 100, second);
    EXPECT_EQ(CurrentDraw2DDriver(), second.get());
    Cls();
    EXPECT_TRUE(driver->records.empty());
    EXPECT_EQ(second->records.size(), 1u);
    int32_t w, h, d, hz, flags;
    first_graphics->GetSettings(w, h, d, hz, flags);
    EXPECT_EQ(w, 0);  // closed
    graphics->GetSettings(w, h, d, hz, flags);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(hz, 60);
    EXPECT_EQ(flags & GFX_BACKBUFFER, GFX_BACKBUFFER);
}

TEST(OpenGraphics, FailsWithoutAProviderOrWhenTheProviderFails)
{
    SetGLContextProvider(nullptr);
    EXPECT_EQ(OpenGraphics(1024, 768, 0, 60, 0), nullptr);
    for (bool throws : {false, true}) {
        auto provider = std::make_shared<FailingProvider>(throws);
        SetGLContextProvider(provider);
        const int32_t seq = GraphicsSeq();
        EXPECT_EQ(OpenGraphics(1024, 768, 32, 60, 0), nullptr);
        EXPECT_EQ(provider->opens, 1);
        EXPECT_EQ(GraphicsSeq(), seq);
        EXPECT_EQ(CurrentDraw2DDriver(), nullptr);
        EXPECT_EQ(GraphicsWidth(), 0);
    }
    SetGLContextProvider(nullptr);
}

TEST(OpenGraphics, DrawingWithoutGraphicsDoesNothing)
{
    EndGraphics();
    Cls();
    DrawRect(0, 0, 10, 10);
    SetColor(1, 2, 3);
    int32_t r, g, b;
    GetColor(r, g, b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(GrabPixmap(0, 0, 1, 1), nullptr);
    Flip(-1);
    EXPECT_EQ(CurrentDraw2DDriver(), nullptr);
}

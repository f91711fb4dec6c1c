// A level played with a game controller: a virtual pad on SDL's own event queue (offscreen driver)
// steers, launches, pauses, resumes and leaves through the controller mapping and the polled keys.
#include "GameWorld.h"
#include "framework/platform/SdlView.h"

#include <map>
#include <string>

namespace {

class ControllerPlayTest : public GameWorldTest {
protected:
    void SetUp() override
    {
        GameWorldTest::SetUp();
        PrepareHeadlessEnvironment();
        video = std::make_unique<TSdlVideoSubsystem>();
        // SDL drops a pad's presses while no window has the keyboard focus, which an offscreen
        // window never gets.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
        // An unscaled window of the picture's size, so that the paddle's pointer warps come back.
        window = SDL_CreateWindow("test", 0, 0, 1024, 768, 0);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        TSdlView& view = CurrentSdlView();
        view.window = window;
        view.pictureWidth = 1024;
        view.pictureHeight = 768;

        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
        desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
        desc.name = "Krellix test pad";
        device = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(device, 0) << SDL_GetError();
        pad = SDL_JoystickOpen(device);
        ASSERT_NE(pad, nullptr) << SDL_GetError();
        SetEventSource(CreateSdlEventSource(TPointerSteering::Warp));
    }

    void TearDown() override
    {
        SetEventSource(nullptr);
        if (pad) SDL_JoystickClose(pad);
        if (device >= 0) SDL_JoystickDetachVirtual(device);
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        SDL_ResetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS);
        CurrentSdlView() = TSdlView{};
        if (window) SDL_DestroyWindow(window);
        video.reset();
        GameWorldTest::TearDown();
    }

    std::unique_ptr<TSdlVideoSubsystem> video;
    SDL_Window* window = nullptr;
    SDL_Joystick* pad = nullptr;
    int device = -1;
};

TEST_F(ControllerPlayTest, APadSteersLaunchesPausesAndLeaves)
{
    TLevelPtr level = TLevel::Create(1);
    level->InitalizeLevel();
    level->IntroLoop();
    const int32_t start = flips;
    struct TStep {
        int32_t frame;
        bool button;
        int32_t index;
        int32_t value;
    };
    const TStep steps[] = {
        {2, true, SDL_CONTROLLER_BUTTON_A, 1},           {4, true, SDL_CONTROLLER_BUTTON_A, 0},
        {10, false, SDL_CONTROLLER_AXIS_LEFTX, -32000},  {20, false, SDL_CONTROLLER_AXIS_LEFTX, 0},
        {25, true, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1}, {30, true, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0},
        {40, true, SDL_CONTROLLER_BUTTON_START, 1},      {42, true, SDL_CONTROLLER_BUTTON_START, 0},
        {60, true, SDL_CONTROLLER_BUTTON_START, 1},      {62, true, SDL_CONTROLLER_BUTTON_START, 0},
        {80, true, SDL_CONTROLLER_BUTTON_B, 1},
    };
    std::map<int32_t, int32_t> paddleX;
    int32_t launchedAt = -1;
    std::string timeline;  // one character per frame from the first, 'P' while paused
    onFlip = [&](int32_t f) {
        const int32_t k = f - start;
        paddleX[k] = level->Paddle->positionX;
        if (launchedAt < 0 && GameMode == GameCommon::GameMode_GamePlaying) launchedAt = k;
        timeline += Texts(driver->presented, "Game Paused").empty() ? '-' : 'P';
        for (const TStep& step : steps) {
            if (step.frame != k) continue;
            if (step.button)
                SDL_JoystickSetVirtualButton(pad, step.index, static_cast<Uint8>(step.value));
            else
                SDL_JoystickSetVirtualAxis(pad, step.index, static_cast<Sint16>(step.value));
        }
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);

    // A launched the ball in the frame after its press.
    EXPECT_EQ(launchedAt, 3);
    // The stick steered left for ten frames, the d-pad right for five; still in between.
    EXPECT_LT(paddleX[20], paddleX[10] - 50);
    EXPECT_EQ(paddleX[24], paddleX[21]);
    EXPECT_GT(paddleX[30], paddleX[25] + 25);
    // Start paused in play and went on in the pause; B held left the level.
    EXPECT_EQ(timeline, std::string(40, '-') + std::string(20, 'P') + std::string(20, '-'));
}

}  // namespace

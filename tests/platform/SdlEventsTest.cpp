// SDL events through the event source as the game sees them: key codes, repeats, typed characters,
// mouse buttons and positions (also through the scaled full screen's bars), wheel, focus, close.
#include "framework/platform/SdlView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class SdlEvents : public testing::Test {
  protected:
    void SetUp() override {
        // The offscreen driver: SDL's real event queue without any display.
        PrepareHeadlessEnvironment();
        video = std::make_unique<TSdlVideoSubsystem>();
        source = CreateSdlEventSource();
        SetInputEventTap([this](const TEvent& e) { seen.push_back(e); });
    }
    void TearDown() override {
        SetInputEventTap(nullptr);
        CurrentSdlView() = TSdlView{};
        window.reset();
        source.reset();
        video.reset();
        FlushInputState();
    }

    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    static SDL_Event Key(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, bool repeat = false) {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        return event;
    }

    static SDL_Event Text(const char* utf8) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
        return event;
    }

    static SDL_Event Button(Uint32 type, Uint8 button, int32_t x, int32_t y) {
        SDL_Event event{};
        event.type = type;
        event.button.button = button;
        event.button.x = x;
        event.button.y = y;
        return event;
    }

    static SDL_Event Motion(int32_t x, int32_t y, Uint32 state = 0) {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.x = x;
        event.motion.y = y;
        event.motion.state = state;
        return event;
    }

    static SDL_Event Window(SDL_WindowEventID id) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = id;
        return event;
    }

    struct TWindowDeleter {
        void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
    };

    std::unique_ptr<TSdlVideoSubsystem> video;
    std::unique_ptr<SDL_Window, TWindowDeleter> window;
    std::shared_ptr<TEventSource> source;
    std::vector<TEvent> seen;
};

TEST_F(SdlEvents, KeysRepeatsAndTypedCharacters) {
    Push(Key(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE));
    Push(Key(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE, true));
    Push(Key(SDL_KEYUP, SDLK_SPACE, SDL_SCANCODE_SPACE));
    Push(Key(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN));
    Push(Key(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, true));
    Push(Key(SDL_KEYDOWN, SDLK_RCTRL, SDL_SCANCODE_RCTRL));
    Push(Key(SDL_KEYDOWN, SDLK_VOLUMEUP, SDL_SCANCODE_VOLUMEUP));
    Push(Text("a\xC3\xA9\xE2\x82\xAC"));
    source->PollEvents();

    struct TExpected {
        int32_t id;
        int32_t data;
    };
    const std::vector<TExpected> expected = {
        {EVENT_KEYDOWN, 32},  {EVENT_KEYREPEAT, 32}, {EVENT_KEYUP, 32},
        {EVENT_KEYDOWN, 13},  {EVENT_KEYCHAR, 13},   // Enter types a character too
        {EVENT_KEYREPEAT, 8}, {EVENT_KEYCHAR, 8},    // so does each repeat of backspace
        {EVENT_KEYDOWN, 163},                        // right control; volume up has no key code
        {EVENT_KEYCHAR, 'a'}, {EVENT_KEYCHAR, 0xE9}, // the euro sign is not Latin-1
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].id, expected[i].id) << i;
        EXPECT_EQ(seen[i].data, expected[i].data) << i;
    }
    // The polled state: one hit for the press, none for the repeat; the space is up again.
    EXPECT_EQ(KeyHitCount(KEY_SPACE), 1);
    EXPECT_EQ(KeyIsDown(KEY_SPACE), 0);
    EXPECT_EQ(KeyIsDown(163), 1);
}

TEST_F(SdlEvents, MouseButtonsWheelFocusAndClose) {
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 11, 21));
    Push(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 12, 22));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 12, 22));
    Push(Motion(300, 400, SDL_BUTTON_LMASK | SDL_BUTTON_RMASK));
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -2;
    Push(wheel);
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    Push(wheel);
    Push(Window(SDL_WINDOWEVENT_FOCUS_LOST));
    Push(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
    Push(Window(SDL_WINDOWEVENT_CLOSE));
    Push(Window(SDL_WINDOWEVENT_LEAVE));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    source->PollEvents();

    struct TExpected {
        int32_t id, data, x, y;
    };
    const std::vector<TExpected> expected = {
        {EVENT_MOUSEDOWN, 1, 10, 20},   {EVENT_MOUSEDOWN, 2, 11, 21},  {EVENT_MOUSEUP, 3, 12, 22},
        {EVENT_MOUSEMOVE, 3, 300, 400},                               // left and right held
        {EVENT_MOUSEWHEEL, -2, 0, 0},   {EVENT_MOUSEWHEEL, -1, 0, 0}, // a flipped wheel turns back
        {EVENT_APPSUSPEND, 0, 0, 0},    {EVENT_APPRESUME, 0, 0, 0},    {EVENT_APPTERMINATE, 0, 0, 0},
        {EVENT_MOUSELEAVE, 0, 0, 0},    {EVENT_APPTERMINATE, 0, 0, 0}, // the desktop asks the program to end
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].id, expected[i].id) << i;
        EXPECT_EQ(seen[i].data, expected[i].data) << i;
        if (expected[i].id == EVENT_MOUSEWHEEL) continue; // the wheel reports where the pointer is
        EXPECT_EQ(seen[i].x, expected[i].x) << i;
        EXPECT_EQ(seen[i].y, expected[i].y) << i;
    }
    EXPECT_TRUE(AppTerminateRequested());
    EXPECT_EQ(MousePosX(), 300);
}

TEST_F(SdlEvents, PointerMapsThroughTheBarsOfAScaledScreen) {
    // A desktop-sized full screen of 1920 x 1080 showing the 1024 x 768 picture.
    window.reset(SDL_CreateWindow("test", 0, 0, 1920, 1080, 0));
    ASSERT_NE(window, nullptr) << SDL_GetError();
    TSdlView& view = CurrentSdlView();
    view.window = window.get();
    view.pictureWidth = 1024;
    view.pictureHeight = 768;
    view.scaled = true;

    Push(Motion(960, 540));
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 240, 0));
    Push(Motion(100, 1079)); // in the left bar
    Push(Motion(1900, 10));  // in the right bar
    source->PollEvents();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(std::pair(seen[0].x, seen[0].y), std::pair(512, 384));
    EXPECT_EQ(std::pair(seen[1].x, seen[1].y), std::pair(0, 0));
    EXPECT_EQ(std::pair(seen[2].x, seen[2].y), std::pair(0, 767));
    EXPECT_EQ(std::pair(seen[3].x, seen[3].y), std::pair(1023, 7));

    // Unscaled, window points are game points.
    view.scaled = false;
    seen.clear();
    Push(Motion(1500, 900));
    source->PollEvents();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].x, 1500);
}

} // namespace

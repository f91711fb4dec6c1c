// SDL events through the event source as the game sees them: key codes, repeats, typed characters,
// mouse buttons and positions (also through the scaled full screen's bars and a resized window),
// wheel, focus, close, the full-screen toggle keys and the comfort keys, relative pointer steering,
// and controllers.
#include "framework/audio/Audio.h"
#include "framework/platform/Comforts.h"
#include "framework/platform/SdlView.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class SdlEvents : public testing::Test {
protected:
    void SetUp() override
    {
        // The offscreen driver: SDL's real event queue without any display.
        PrepareHeadlessEnvironment();
        video = std::make_unique<TSdlVideoSubsystem>();
        source = CreateSdlEventSource();
        SetInputEventTap([this](const TEvent& e) { seen.push_back(e); });
    }
    void TearDown() override
    {
        SetInputEventTap(nullptr);
        CurrentSdlView() = TSdlView{};
        window.reset();
        source.reset();
        video.reset();
        FlushInputState();
    }

    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

    static SDL_Event Key(Uint32 type, SDL_Keycode key, SDL_Scancode scancode, bool repeat = false,
                         Uint16 mod = KMOD_NONE)
    {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = mod;
        return event;
    }

    static SDL_Event Text(const char* utf8)
    {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
        return event;
    }

    static SDL_Event Button(Uint32 type, Uint8 button, int32_t x, int32_t y)
    {
        SDL_Event event{};
        event.type = type;
        event.button.button = button;
        event.button.x = x;
        event.button.y = y;
        return event;
    }

    static SDL_Event Motion(int32_t x, int32_t y, Uint32 state = 0, int32_t dx = 0, int32_t dy = 0)
    {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.x = x;
        event.motion.y = y;
        event.motion.xrel = dx;
        event.motion.yrel = dy;
        event.motion.state = state;
        return event;
    }

    // A window of the given size showing the 1024 x 768 picture scaled, as a resized window does.
    void OpenScaledWindow(int32_t width, int32_t height)
    {
        window.reset(SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_RESIZABLE));
        ASSERT_NE(window, nullptr) << SDL_GetError();
        TSdlView& view = CurrentSdlView();
        view.window = window.get();
        view.pictureWidth = 1024;
        view.pictureHeight = 768;
        view.scaled = true;
    }

    static SDL_Event Window(SDL_WindowEventID id)
    {
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

TEST_F(SdlEvents, KeysRepeatsAndTypedCharacters)
{
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
        {EVENT_KEYDOWN, 13},  {EVENT_KEYCHAR, 13},    // Enter types a character too
        {EVENT_KEYREPEAT, 8}, {EVENT_KEYCHAR, 8},     // so does each repeat of backspace
        {EVENT_KEYDOWN, 163},                         // right control; volume up has no key code
        {EVENT_KEYCHAR, 'a'}, {EVENT_KEYCHAR, 0xE9},  // the euro sign is not Latin-1
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

TEST_F(SdlEvents, MouseButtonsWheelFocusAndClose)
{
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
        {EVENT_MOUSEMOVE, 3, 300, 400},                                // left and right held
        {EVENT_MOUSEWHEEL, -2, 0, 0},   {EVENT_MOUSEWHEEL, -1, 0, 0},  // a flipped wheel turns back
        {EVENT_APPSUSPEND, 0, 0, 0},    {EVENT_APPRESUME, 0, 0, 0},    {EVENT_APPTERMINATE, 0, 0, 0},
        {EVENT_MOUSELEAVE, 0, 0, 0},    {EVENT_APPTERMINATE, 0, 0, 0},  // the desktop asks the program to end
    };
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].id, expected[i].id) << i;
        EXPECT_EQ(seen[i].data, expected[i].data) << i;
        if (expected[i].id == EVENT_MOUSEWHEEL) continue;  // the wheel reports where the pointer is
        EXPECT_EQ(seen[i].x, expected[i].x) << i;
        EXPECT_EQ(seen[i].y, expected[i].y) << i;
    }
    EXPECT_TRUE(AppTerminateRequested());
    EXPECT_EQ(MousePosX(), 300);
}

TEST_F(SdlEvents, PointerMapsThroughTheBarsOfAScaledScreen)
{
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
    Push(Motion(100, 1079));  // in the left bar
    Push(Motion(1900, 10));   // in the right bar
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

TEST_F(SdlEvents, FullScreenToggleKeysNeverReachTheGame)
{
    struct TCase {
        const char* name;
        SDL_Keycode key;
        SDL_Scancode scancode;
        Uint16 mod;
        bool toggles;
    };
    const TCase cases[] = {
        {"Alt+Enter", SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT, true},
        {"AltGr+keypad Enter", SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, KMOD_RALT, true},
        {"F11", SDLK_F11, SDL_SCANCODE_F11, KMOD_NONE, true},
        {"Shift+F11", SDLK_F11, SDL_SCANCODE_F11, KMOD_LSHIFT, true},
        {"Enter", SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_NONE, false},
        {"Ctrl+Alt+Enter", SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LCTRL | KMOD_LALT, false},
        {"F10", SDLK_F10, SDL_SCANCODE_F10, KMOD_NONE, false},
    };
    OpenScaledWindow(1024, 768);
    for (const TCase& c : cases) {
        seen.clear();
        CurrentSdlView().toggleRequested = false;
        Push(Key(SDL_KEYDOWN, c.key, c.scancode, false, c.mod));
        Push(Key(SDL_KEYDOWN, c.key, c.scancode, true, c.mod));
        // Alt may be let go first: the release still belongs to the toggle.
        Push(Key(SDL_KEYUP, c.key, c.scancode));
        source->PollEvents();
        EXPECT_EQ(CurrentSdlView().toggleRequested, c.toggles) << c.name;
        const int32_t key = VirtualKeyFromSdl(c.key, c.scancode);
        if (c.toggles) {
            EXPECT_TRUE(seen.empty()) << c.name << ": " << seen.size() << " events reached the game";
        } else {
            ASSERT_EQ(seen.size(), key == 13 ? 5u : 3u) << c.name;  // Enter types a character twice
            EXPECT_EQ(seen.front().id, EVENT_KEYDOWN) << c.name;
        }
        EXPECT_EQ(KeyHitCount(key), c.toggles ? 0 : 1) << c.name;
        EXPECT_EQ(NextTypedChar(), c.toggles || key != 13 ? 0 : 13) << c.name;
        ClearKeyboard();
    }

    // A run whose input comes from a file drops the window's input, but not the toggle.
    CurrentSdlView().toggleRequested = false;
    seen.clear();
    Push(Key(SDL_KEYDOWN, SDLK_SPACE, SDL_SCANCODE_SPACE));
    Push(Key(SDL_KEYDOWN, SDLK_F11, SDL_SCANCODE_F11));
    DiscardSdlEvents();
    source->PollEvents();
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(CurrentSdlView().toggleRequested);
}

TEST_F(SdlEvents, ComfortKeysStepTheVolumesAndNeverReachTheGame)
{
    struct TCase {
        SDL_Keycode key;
        SDL_Scancode scancode;
        int32_t presses;
        int32_t music, effects;  // percent after the presses
    };
    const TCase cases[] = {
        {SDLK_F5, SDL_SCANCODE_F5, 4, 60, 100},  {SDLK_F6, SDL_SCANCODE_F6, 1, 70, 100},
        {SDLK_F6, SDL_SCANCODE_F6, 5, 100, 100}, {SDLK_F7, SDL_SCANCODE_F7, 11, 100, 0},
        {SDLK_F8, SDL_SCANCODE_F8, 2, 100, 20},  {SDLK_F12, SDL_SCANCODE_F12, 1, 100, 20},
    };
    OpenScaledWindow(1024, 768);
    for (const TCase& c : cases) {
        seen.clear();
        for (int32_t i = 0; i < c.presses; ++i) {
            Push(Key(SDL_KEYDOWN, c.key, c.scancode));
            // Held, the key repeats without stepping again.
            Push(Key(SDL_KEYDOWN, c.key, c.scancode, true));
            Push(Key(SDL_KEYUP, c.key, c.scancode));
        }
        source->PollEvents();
        EXPECT_TRUE(seen.empty()) << c.key << ": " << seen.size() << " events reached the game";
        EXPECT_EQ(GroupVolume(TSoundGroup::Music), c.music) << c.key;
        EXPECT_EQ(GroupVolume(TSoundGroup::Effects), c.effects) << c.key;
    }
    // The note says what the last step did; a run whose input comes from a file still steps.
    ASSERT_TRUE(CurrentComforts().Note());
    Push(Key(SDL_KEYDOWN, SDLK_F5, SDL_SCANCODE_F5));
    DiscardSdlEvents();
    EXPECT_EQ(GroupVolume(TSoundGroup::Music), 90);
    SetGroupVolume(TSoundGroup::Music, 100);
    SetGroupVolume(TSoundGroup::Effects, 100);
}

TEST_F(SdlEvents, PointerMapsAtTheCornersOfAResizedWindow)
{
    struct TCase {
        int32_t width, height;
        int32_t wx, wy;  // a window point
        int32_t x, y;    // where the game sees it
    };
    const TCase cases[] = {
        // Wide: bars left and right (the picture is 533 x 400 at x 133).
        {800, 400, 0, 0, 0, 0},
        {800, 400, 799, 399, 1023, 767},
        {800, 400, 799, 0, 1023, 0},
        {800, 400, 0, 399, 0, 767},
        {800, 400, 133, 0, 0, 0},
        {800, 400, 665, 399, 1023, 767},
        {800, 400, 400, 200, 513, 384},
        // Tall: bars above and below (the picture is 640 x 480 at y 160).
        {640, 800, 0, 0, 0, 0},
        {640, 800, 639, 799, 1023, 767},
        {640, 800, 639, 160, 1023, 0},
        {640, 800, 320, 400, 512, 384},
        // Maximised on a large screen: the picture grows.
        {2048, 1536, 2047, 1535, 1023, 767},
        {2048, 1536, 1024, 768, 512, 384},
    };
    OpenScaledWindow(1024, 768);
    for (const TCase& c : cases) {
        SDL_SetWindowSize(window.get(), c.width, c.height);
        seen.clear();
        Push(Motion(c.wx, c.wy));
        source->PollEvents();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(std::pair(seen[0].x, seen[0].y), std::pair(c.x, c.y))
            << c.width << "x" << c.height << " at " << c.wx << "," << c.wy;
    }

    // The paddle warps the pointer to itself every frame; in a shrunken picture the move that comes
    // back is still the point asked for, so the paddle never creeps.
    SDL_SetWindowSize(window.get(), 800, 400);
    for (const auto& [x, y] : {std::pair(401, 704), std::pair(1023, 767), std::pair(2, 3)}) {
        int32_t wx = 0;
        int32_t wy = 0;
        seen.clear();
        source->MoveMouse(x, y);
        // The offscreen driver answers a warp with a move of its own.
        source->PollEvents();
        for (const TEvent& e : seen) EXPECT_EQ(std::pair(e.x, e.y), std::pair(x, y));
        PictureToWindow(CurrentSdlView(), x, y, wx, wy);
        seen.clear();
        Push(Motion(wx, wy));
        Push(Motion(wx, wy));  // the same spot again, from the player
        Push(Motion(wx + 1, wy));
        Push(Motion(wx, wy));  // after a real move the window point counts again
        source->PollEvents();
        ASSERT_EQ(seen.size(), 4u);
        EXPECT_EQ(std::pair(seen[0].x, seen[0].y), std::pair(x, y));
        EXPECT_EQ(std::pair(seen[1].x, seen[1].y), std::pair(x, y));
        int32_t px = 0;
        int32_t py = 0;
        WindowToPicture(CurrentSdlView(), wx, wy, px, py);
        EXPECT_EQ(std::pair(seen[3].x, seen[3].y), std::pair(px, py));
    }

    // A warp to where the last warp left the pointer, with no move since, is left out: no move
    // comes back. After the player's move, or out of the window, the pointer is warped again.
    const auto warped = [&](int32_t x, int32_t y) {
        seen.clear();
        source->MoveMouse(x, y);
        source->PollEvents();
        return !seen.empty() && std::pair(seen.back().x, seen.back().y) == std::pair(x, y);
    };
    EXPECT_TRUE(warped(300, 704));
    EXPECT_FALSE(warped(300, 704));
    EXPECT_FALSE(warped(300, 704));
    EXPECT_TRUE(warped(301, 704));
    EXPECT_TRUE(warped(301, 700));
    // In the shrunken picture the next row down may share the window's pixel row: still a warp.
    int32_t wy700 = 0, wy701 = 0, wx = 0;
    PictureToWindow(CurrentSdlView(), 301, 700, wx, wy700);
    PictureToWindow(CurrentSdlView(), 301, 701, wx, wy701);
    EXPECT_EQ(wy700, wy701);
    EXPECT_TRUE(warped(301, 701));
    // At another window size the same game point is another window point.
    SDL_SetWindowSize(window.get(), 1024, 768);
    EXPECT_TRUE(warped(301, 701));
    EXPECT_TRUE(warped(301, 700));
    Push(Motion(10, 10));
    source->PollEvents();
    EXPECT_TRUE(warped(301, 700));
    for (const Uint8 away : {SDL_WINDOWEVENT_LEAVE, SDL_WINDOWEVENT_FOCUS_LOST}) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = away;
        SDL_PushEvent(&event);
        source->PollEvents();
        EXPECT_TRUE(warped(301, 700)) << int{away};
    }
}

TEST_F(SdlEvents, RelativeSteeringKeepsAbsolutePointerSemantics)
{
    // Twice the picture's size: one window unit is half a game pixel.
    OpenScaledWindow(2048, 1536);
    source = CreateSdlEventSource(TPointerSteering::Relative);
    const auto move = [&](int32_t dx, int32_t dy) {
        seen.clear();
        Push(Motion(5, 5, 0, dx, dy));  // the absolute position of a locked pointer means nothing
        source->PollEvents();
        return seen.size() == 1 && seen[0].id == EVENT_MOUSEMOVE ? std::pair(seen[0].x, seen[0].y) : std::pair(-1, -1);
    };

    // Out of play the pointer is the window's own.
    EXPECT_EQ(move(0, 0), std::pair(2, 2));

    source->ConfineMouse(true);
    // A warp is answered by a move with the next poll, as on a desktop that warps.
    source->MoveMouse(400, 704);
    seen.clear();
    source->PollEvents();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(std::pair(seen[0].x, seen[0].y), std::pair(400, 704));
    EXPECT_EQ(MousePosX(), 400);

    EXPECT_EQ(move(100, 0), std::pair(450, 704));
    EXPECT_EQ(move(-1, 0), std::pair(449, 704));  // half pixels add up
    EXPECT_EQ(move(-1, 0), std::pair(449, 704));
    EXPECT_EQ(move(-5000, 5000), std::pair(0, 767));
    EXPECT_EQ(move(5000, -5000), std::pair(1023, 0));

    // Buttons report where our pointer is, not the locked system pointer.
    seen.clear();
    Push(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 7, 7));
    source->PollEvents();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(std::pair(seen[0].x, seen[0].y), std::pair(1023, 0));

    // Losing the focus lets the pointer go; the window's positions count again.
    seen.clear();
    Push(Window(SDL_WINDOWEVENT_FOCUS_LOST));
    source->PollEvents();
    EXPECT_EQ(move(0, 0), std::pair(2, 2));
    source->ConfineMouse(false);
}

TEST_F(SdlEvents, ControllersSteerLaunchAndPauseAsKeys)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.name = "Krellix test pad";
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device, 0) << SDL_GetError();
    SDL_Joystick* stick = SDL_JoystickOpen(device);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    ASSERT_TRUE(SDL_IsGameController(device)) << "no controller mapping for a virtual pad";
    source->PollEvents();  // the pad is found and opened

    enum TInput { Button, Axis };
    struct TStep {
        const char* what;
        TInput input;
        int32_t index;
        int32_t value;
        bool playing;
        std::vector<std::pair<int32_t, int32_t>> events;  // (id, key) in order
    };
    const int32_t Down = EVENT_KEYDOWN;
    const int32_t Up = EVENT_KEYUP;
    const TStep steps[] = {
        {"A", Button, SDL_CONTROLLER_BUTTON_A, 1, true, {{Down, KEY_SPACE}}},
        {"A up", Button, SDL_CONTROLLER_BUTTON_A, 0, true, {{Up, KEY_SPACE}}},
        {"stick left", Axis, SDL_CONTROLLER_AXIS_LEFTX, -30000, true, {{Down, KEY_LEFT}}},
        {"stick eases", Axis, SDL_CONTROLLER_AXIS_LEFTX, -14000, true, {}},
        {"d-pad left too", Button, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 1, true, {}},
        {"stick centred", Axis, SDL_CONTROLLER_AXIS_LEFTX, -1000, true, {}},
        {"d-pad left up", Button, SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0, true, {{Up, KEY_LEFT}}},
        {"stick right", Axis, SDL_CONTROLLER_AXIS_LEFTX, 20000, true, {{Down, KEY_RIGHT}}},
        {"stick across", Axis, SDL_CONTROLLER_AXIS_LEFTX, -20000, true, {{Up, KEY_RIGHT}, {Down, KEY_LEFT}}},
        {"stick centred", Axis, SDL_CONTROLLER_AXIS_LEFTX, 0, true, {{Up, KEY_LEFT}}},
        {"right stick ignored", Axis, SDL_CONTROLLER_AXIS_RIGHTX, 30000, true, {}},
        {"Start in play", Button, SDL_CONTROLLER_BUTTON_START, 1, true, {{Down, KEY_P}}},
        // The pause began while Start was held: its release is P's.
        {"Start up", Button, SDL_CONTROLLER_BUTTON_START, 0, false, {{Up, KEY_P}}},
        {"Start in the pause", Button, SDL_CONTROLLER_BUTTON_START, 1, false, {{Down, KEY_SPACE}}},
        {"Start up", Button, SDL_CONTROLLER_BUTTON_START, 0, true, {{Up, KEY_SPACE}}},
        {"d-pad up", Button, SDL_CONTROLLER_BUTTON_DPAD_UP, 1, false, {{Down, KEY_UP}}},
        {"d-pad down", Button, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1, false, {{Down, KEY_DOWN}}},
        {"B", Button, SDL_CONTROLLER_BUTTON_B, 1, true, {{Down, KEY_ESCAPE}}},
    };
    for (const TStep& step : steps) {
        SetPlayActive(step.playing);
        seen.clear();
        if (step.input == Button)
            SDL_JoystickSetVirtualButton(stick, step.index, static_cast<Uint8>(step.value));
        else
            SDL_JoystickSetVirtualAxis(stick, step.index, static_cast<Sint16>(step.value));
        source->PollEvents();
        std::vector<std::pair<int32_t, int32_t>> got;
        for (const TEvent& e : seen) got.emplace_back(e.id, e.data);
        EXPECT_EQ(got, step.events) << step.what;
    }
    SetPlayActive(false);
    // The polled state: the keys still held, and one Space hit each for A and Start in the pause.
    EXPECT_EQ(KeyHitCount(KEY_SPACE), 2);
    EXPECT_EQ(KeyIsDown(KEY_ESCAPE), 1);
    EXPECT_EQ(KeyIsDown(KEY_UP), 1);
    EXPECT_EQ(KeyIsDown(KEY_LEFT), 0);

    // Unplugged with buttons held: their keys go up.
    seen.clear();
    SDL_JoystickClose(stick);
    ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0) << SDL_GetError();
    source->PollEvents();
    EXPECT_EQ(KeyIsDown(KEY_ESCAPE), 0);
    EXPECT_EQ(KeyIsDown(KEY_UP), 0);
    EXPECT_EQ(KeyIsDown(KEY_DOWN), 0);
    EXPECT_EQ(seen.size(), 3u);
    source.reset();  // closes its controllers before the subsystem goes
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

}  // namespace

TEST_F(SdlEvents, AWindowShownUncoveredOrResizedIsRepaintedAlsoWhenItsInputIsDropped)
{
    struct TCase {
        SDL_WindowEventID id;
        bool repaint;
    };
    const TCase cases[] = {{SDL_WINDOWEVENT_SHOWN, true},         {SDL_WINDOWEVENT_EXPOSED, true},
                           {SDL_WINDOWEVENT_SIZE_CHANGED, true},  {SDL_WINDOWEVENT_MAXIMIZED, true},
                           {SDL_WINDOWEVENT_RESTORED, true},      {SDL_WINDOWEVENT_MOVED, false},
                           {SDL_WINDOWEVENT_FOCUS_GAINED, false}, {SDL_WINDOWEVENT_HIDDEN, false}};
    OpenScaledWindow(1024, 768);
    // Live input, and a replay in a window, which drops the window's input.
    for (const bool dropped : {false, true}) {
        for (const TCase& c : cases) {
            SDL_PumpEvents();
            SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
            CurrentSdlView().repaintRequested = false;
            SDL_Event event = Window(c.id);
            event.window.windowID = SDL_GetWindowID(window.get());
            Push(event);
            if (dropped)
                DiscardSdlEvents();
            else
                source->PollEvents();
            EXPECT_EQ(CurrentSdlView().repaintRequested, c.repaint) << c.id << (dropped ? " dropped" : " live");
        }
    }
}

// Polled input: events, the input handler and the key, character and mouse queries.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

// Event ids.
constexpr int32_t EVENT_APPSUSPEND = 257;
constexpr int32_t EVENT_APPRESUME = 258;
constexpr int32_t EVENT_APPTERMINATE = 259;
constexpr int32_t EVENT_KEYDOWN = 513;
constexpr int32_t EVENT_KEYUP = 514;
constexpr int32_t EVENT_KEYCHAR = 515;
constexpr int32_t EVENT_KEYREPEAT = 516;
constexpr int32_t EVENT_MOUSEDOWN = 1025;
constexpr int32_t EVENT_MOUSEUP = 1026;
constexpr int32_t EVENT_MOUSEMOVE = 1027;
constexpr int32_t EVENT_MOUSEWHEEL = 1028;
constexpr int32_t EVENT_MOUSEENTER = 1029;
constexpr int32_t EVENT_MOUSELEAVE = 1030;

// Key codes the game uses (virtual-key numbering).
constexpr int32_t KEY_ENTER = 13;
constexpr int32_t KEY_ESCAPE = 27;
constexpr int32_t KEY_SPACE = 32;
constexpr int32_t KEY_LEFT = 37;
constexpr int32_t KEY_UP = 38;
constexpr int32_t KEY_RIGHT = 39;
constexpr int32_t KEY_DOWN = 40;
constexpr int32_t KEY_M = 77;
constexpr int32_t KEY_P = 80;

struct TEvent {
    int32_t id = 0;
    int32_t data = 0;
    int32_t mods = 0;  // 1 shift, 2 control, 4 alt, 8 system key
    int32_t x = 0;
    int32_t y = 0;
};

// Where PollSystemEvents gets its events: the SDL window, a script, or nothing.
class TEventSource {
public:
    virtual ~TEventSource() = default;
    // Hands every pending event to HandleInputEvent.
    virtual void PollEvents() = 0;
    // Puts the pointer at client position (x, y); the MouseMove arrives with a later poll.
    virtual void MoveMouse(int32_t x, int32_t y) = 0;
    virtual void HideMouse() {}
    virtual void ShowMouse() {}
    // Keeps the pointer inside the game window while on; the window system lets it go whenever
    // the window loses focus.
    virtual void ConfineMouse(bool) {}
};

void SetEventSource(std::shared_ptr<TEventSource> source);
std::shared_ptr<TEventSource> GetEventSource();

// The one input handler: updates the polled state from an event.
void HandleInputEvent(const TEvent& event);
// Pulls pending events from the event source; a nested call does nothing.
void PollSystemEvents();

int32_t KeyHitCount(int32_t key);
int32_t KeyIsDown(int32_t key);
int32_t NextTypedChar();
void ClearKeyboard();
int32_t MousePosX();
int32_t MousePosY();
int32_t MouseHitCount(int32_t button);
int32_t MouseIsDown(int32_t button);
void MoveMouse(int32_t x, int32_t y);
void HideMouse();
void ShowMouse();
// The game says when a level is being played (not paused, not a front-end screen): the pointer is
// then kept inside the window, and a controller's Start button pauses (as P) instead of going on
// (as Space).
void SetPlayActive(bool active);
bool PlayActive();
// Set by AppTerminate (the window's close request).
bool AppTerminateRequested();
// Clears every key, hit, character and mouse state (used when input is switched on).
void FlushInputState();
// True between AppSuspend and AppResume.
bool AppSuspended();
// Everything back to the start-up state: all zero, pointer at (0, 0), no flags.
void ResetInputState();
// Sees every event HandleInputEvent receives, before it is applied (the session recorder).
// Returns the tap it replaces.
std::function<void(const TEvent&)> SetInputEventTap(std::function<void(const TEvent&)> tap);

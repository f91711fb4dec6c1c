// The polled input state, the input handler and the queries the game asks once or more per frame.
#include "framework/system/Input.h"

#include <array>

namespace {

struct TInputState {
    std::array<int32_t, 256> keyStates{};
    std::array<int32_t, 256> keyHits{};
    std::array<int32_t, 256> charQueue{};
    uint32_t charRead = 0;  // both indices count up; a slot is index modulo 256
    uint32_t charWrite = 0;
    std::array<int32_t, 4> mouseStates{};
    std::array<int32_t, 4> mouseHits{};
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    int32_t mouseZ = 0;
    int32_t suspended = 0;
    int32_t terminate = 0;
    bool playActive = false;
    bool polling = false;
    std::shared_ptr<TEventSource> source;
    std::function<void(const TEvent&)> tap;
};

TInputState& State()
{
    static TInputState state;
    return state;
}

// Callers pass 0 to 255 and 1 to 3; anything else is ignored instead of touching other memory.
bool ValidKey(int32_t key) { return key >= 0 && key < 256; }
bool ValidButton(int32_t button) { return button >= 0 && button < 4; }

void ClearKeys(TInputState& s)
{
    s.charRead = s.charWrite = 0;
    s.keyStates.fill(0);
    s.keyHits.fill(0);
}

void ClearMouse(TInputState& s)
{
    s.mouseStates.fill(0);
    s.mouseHits.fill(0);
    s.mouseZ = 0;
}

}  // namespace

void SetEventSource(std::shared_ptr<TEventSource> source)
{
    TInputState& s = State();
    s.source = std::move(source);
    if (s.source && s.playActive) s.source->ConfineMouse(true);
}
std::shared_ptr<TEventSource> GetEventSource() { return State().source; }
std::function<void(const TEvent&)> SetInputEventTap(std::function<void(const TEvent&)> tap)
{
    std::swap(State().tap, tap);
    return tap;
}

void HandleInputEvent(const TEvent& event)
{
    TInputState& s = State();
    if (s.tap) s.tap(event);
    switch (event.id) {
    case EVENT_APPSUSPEND:
    case EVENT_APPRESUME:
        ClearKeys(s);
        ClearMouse(s);
        s.suspended = event.id == EVENT_APPSUSPEND ? 1 : 0;
        break;
    case EVENT_APPTERMINATE:
        s.terminate = 1;
        break;
    case EVENT_KEYDOWN:
        if (ValidKey(event.data) && s.keyStates[event.data] == 0) {
            s.keyStates[event.data] = 1;
            ++s.keyHits[event.data];
        }
        break;
    case EVENT_KEYUP:
        if (ValidKey(event.data)) s.keyStates[event.data] = 0;
        break;
    case EVENT_KEYCHAR:
        // The 257th unread character is dropped.
        if (s.charWrite - s.charRead <= 255) {
            s.charQueue[s.charWrite % 256] = event.data;
            ++s.charWrite;
        }
        break;
    case EVENT_MOUSEDOWN:
        if (ValidButton(event.data) && s.mouseStates[event.data] == 0) {
            s.mouseStates[event.data] = 1;
            ++s.mouseHits[event.data];
        }
        break;
    case EVENT_MOUSEUP:
        if (ValidButton(event.data)) s.mouseStates[event.data] = 0;
        break;
    case EVENT_MOUSEMOVE:
        s.mouseX = event.x;
        s.mouseY = event.y;
        break;
    case EVENT_MOUSEWHEEL:
        s.mouseZ += event.data;
        break;
    default:  // KeyRepeat, MouseEnter, MouseLeave and unknown ids
        break;
    }
}

void PollSystemEvents()
{
    TInputState& s = State();
    if (s.polling || !s.source) return;
    s.polling = true;
    // Keep the source alive even if an event handler replaces it.
    std::shared_ptr<TEventSource> source = s.source;
    try {
        source->PollEvents();
    } catch (...) {
        s.polling = false;
        throw;
    }
    s.polling = false;
}

int32_t KeyHitCount(int32_t key)
{
    PollSystemEvents();
    if (!ValidKey(key)) return 0;
    TInputState& s = State();
    const int32_t n = s.keyHits[key];
    s.keyHits[key] = 0;
    return n;
}

int32_t KeyIsDown(int32_t key)
{
    PollSystemEvents();
    return ValidKey(key) ? State().keyStates[key] : 0;
}

int32_t NextTypedChar()
{
    PollSystemEvents();
    TInputState& s = State();
    if (s.charRead == s.charWrite) return 0;
    return s.charQueue[s.charRead++ % 256];
}

void ClearKeyboard()
{
    PollSystemEvents();
    ClearKeys(State());
}

int32_t MousePosX()
{
    PollSystemEvents();
    return State().mouseX;
}

int32_t MousePosY()
{
    PollSystemEvents();
    return State().mouseY;
}

int32_t MouseHitCount(int32_t button)
{
    PollSystemEvents();
    if (!ValidButton(button)) return 0;
    TInputState& s = State();
    const int32_t n = s.mouseHits[button];
    s.mouseHits[button] = 0;
    return n;
}

int32_t MouseIsDown(int32_t button)
{
    PollSystemEvents();
    return ValidButton(button) ? State().mouseStates[button] : 0;
}

void MoveMouse(int32_t x, int32_t y)
{
    if (auto source = State().source) source->MoveMouse(x, y);
}

void HideMouse()
{
    if (auto source = State().source) source->HideMouse();
}

void ShowMouse()
{
    if (auto source = State().source) source->ShowMouse();
}

void SetPlayActive(bool active)
{
    TInputState& s = State();
    if (s.playActive == active) return;
    s.playActive = active;
    if (s.source) s.source->ConfineMouse(active);
}

bool PlayActive() { return State().playActive; }

bool AppTerminateRequested()
{
    PollSystemEvents();
    return State().terminate != 0;
}

bool AppSuspended()
{
    PollSystemEvents();
    return State().suspended != 0;
}

void FlushInputState()
{
    TInputState& s = State();
    ClearKeys(s);
    ClearMouse(s);
}

void ResetInputState()
{
    TInputState& s = State();
    ClearKeys(s);
    ClearMouse(s);
    s.charQueue.fill(0);
    s.mouseX = s.mouseY = 0;
    s.suspended = s.terminate = 0;
    s.playActive = false;
}

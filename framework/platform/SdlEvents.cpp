// SDL events as TEvents: keys with virtual-key codes, typed Latin-1 characters, the mouse in game
// coordinates, focus and close requests, controllers; the full-screen toggle keys; pointer warping,
// hiding and confinement.
#include "framework/platform/Comforts.h"
#include "framework/platform/SdlView.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

int32_t ModsFromSdl(Uint16 mod)
{
    int32_t mods = 0;
    if (mod & KMOD_SHIFT) mods |= 1;
    if (mod & KMOD_CTRL) mods |= 2;
    if (mod & KMOD_ALT) mods |= 4;
    if (mod & KMOD_GUI) mods |= 8;
    return mods;
}

int32_t ButtonFromSdl(Uint8 button)
{
    switch (button) {
    case SDL_BUTTON_LEFT:
        return 1;
    case SDL_BUTTON_RIGHT:
        return 2;
    case SDL_BUTTON_MIDDLE:
        return 3;
    default:
        return 0;
    }
}

int32_t ButtonsHeld(Uint32 state)
{
    int32_t held = 0;
    if (state & SDL_BUTTON_LMASK) held |= 1;
    if (state & SDL_BUTTON_RMASK) held |= 2;
    if (state & SDL_BUTTON_MMASK) held |= 4;
    return held;
}

// The window was shown, uncovered or resized: the window system may have lost what it showed.
bool AsksForRepaint(const SDL_Event& event)
{
    if (event.type != SDL_WINDOWEVENT) return false;
    switch (event.window.event) {
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
        return true;
    default:
        return false;
    }
}

// Keys that type a control character the text events never carry.
int32_t ControlCharOfKey(int32_t virtualKey)
{
    switch (virtualKey) {
    case 8:
    case 9:
    case 13:
    case 27:
        return virtualKey;
    default:
        return 0;
    }
}

class TSdlEventSource : public TEventSource {
public:
    // steering unset: chosen from the video driver once a window is open.
    explicit TSdlEventSource(std::optional<TPointerSteering> steering) : _steering(steering) {}

    void PollEvents() override
    {
        if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
        if (!_gamepads) _gamepads = std::make_unique<TSdlGamepads>();
        // Our own pointer answers a warp a poll later, as a warped system pointer does.
        std::vector<TEvent> moves;
        moves.swap(_moves);
        for (const TEvent& move : moves) HandleInputEvent(move);
        if (MustPump()) SDL_PumpEvents();
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Convert(event);
    }

    void MoveMouse(int32_t x, int32_t y) override
    {
        const TSdlView& view = CurrentSdlView();
        if (!view.window) return;
        if (Steering() == TPointerSteering::Relative) {
            _ownX = x;
            _ownY = y;
            TEvent move;
            move.id = EVENT_MOUSEMOVE;
            move.x = x;
            move.y = y;
            _moves.push_back(move);
            return;
        }
        int32_t wx = 0;
        int32_t wy = 0;
        PictureToWindow(view, x, y, wx, wy);
        // The paddle puts the pointer back on itself every frame, and on an X server each warp
        // waits for the server's answer: with no other move seen since the last warp to the very
        // same spot, the pointer is still there.
        if (_warp && _warp->wx == wx && _warp->wy == wy && _warp->x == x && _warp->y == y) return;
        // A shrunken picture has points no window pixel shows; the move the warp causes must
        // still bring back the very point asked for, or the paddle would creep.
        _warp = {wx, wy, x, y};
        SDL_WarpMouseInWindow(view.window, wx, wy);
    }

    void HideMouse() override
    {
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(SDL_DISABLE);
    }

    void ShowMouse() override
    {
        if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(SDL_ENABLE);
    }

    void ConfineMouse(bool on) override
    {
        _confine = on;
        ApplyConfinement();
    }

private:
    // SDL's pump asks the window system for its messages and looks after the controllers and the
    // screen saver in a dozen system calls, and a frame asks for the keys several times. Where the
    // window system can say cheaply that no message waits, and no controller is plugged in, the
    // pump is left out but for a visit every tenth of a second; messages SDL queued itself are
    // still read.
    bool MustPump()
    {
        constexpr Uint64 UpkeepMs = 100;
        // Windows are told apart by their numbers, never reused, unlike their addresses.
        SDL_Window* window = CurrentSdlView().window;
        const Uint32 id = window ? SDL_GetWindowID(window) : 0;
        if (id != _watched) {
            _watched = id;
            _waiting = window ? X11MessagesWaiting(window) : TMessagesWaiting{};
        }
        const Uint64 now = SDL_GetTicks64();
        if (_waiting && now - _pumpedAt < UpkeepMs && SDL_NumJoysticks() == 0 && !_waiting()) return false;
        _pumpedAt = now;
        return true;
    }

    static void Send(int32_t id, int32_t data, int32_t mods, int32_t x = 0, int32_t y = 0)
    {
        TEvent event;
        event.id = id;
        event.data = data;
        event.mods = mods;
        event.x = x;
        event.y = y;
        HandleInputEvent(event);
    }

    // Known once the video driver runs, which it does while a window is open.
    TPointerSteering Steering()
    {
        if (!_steering) _steering = PointerSteeringForDriver();
        return *_steering;
    }

    // Grab or relative motion while the game plays and the window has the focus.
    void ApplyConfinement()
    {
        const TSdlView& view = CurrentSdlView();
        if (!view.window || !SDL_WasInit(SDL_INIT_VIDEO)) return;
        if (Steering() == TPointerSteering::Relative) {
            const bool relative = _confine && _focused;
            if (relative == _relative) return;
            _relative = relative;
            // A driver without relative motion still sends motion with its deltas.
            SDL_SetRelativeMouseMode(relative ? SDL_TRUE : SDL_FALSE);
            return;
        }
        // SDL itself lets go while the window is without focus and takes it again on return.
        SDL_SetWindowMouseGrab(view.window, _confine ? SDL_TRUE : SDL_FALSE);
    }

    // Swallows the toggle keys and the comfort keys, from the press to the release, and asks for
    // the switch or performs the comfort.
    bool TakeToggleKey(const SDL_KeyboardEvent& key)
    {
        const SDL_Scancode scancode = key.keysym.scancode;
        if (key.type == SDL_KEYUP) {
            if (!_toggleKeys.erase(scancode)) return false;
            return true;
        }
        if (_toggleKeys.count(scancode)) return true;
        if (IsFullScreenToggle(key))
            CurrentSdlView().toggleRequested = true;
        else if (!CurrentComforts().Press(VirtualKeyFromSdl(key.keysym.sym, scancode)))
            return false;
        _toggleKeys.insert(scancode);
        return true;
    }

    void MoveOwnPointer(int32_t dx, int32_t dy, int32_t buttons, int32_t mods)
    {
        const TSdlView& view = CurrentSdlView();
        // Window units to picture units: the picture is scaled into the letterbox.
        double scale = 1.0;
        if (view.scaled && view.window) {
            int width = 0;
            int height = 0;
            ViewWindowSize(view, width, height);
            const TLetterbox box = FitLetterbox(width, height, view.pictureWidth, view.pictureHeight);
            if (box.width > 0) scale = static_cast<double>(view.pictureWidth) / box.width;
        }
        const double maxX = std::max(0, view.pictureWidth - 1);
        const double maxY = std::max(0, view.pictureHeight - 1);
        _ownX = std::clamp(_ownX + dx * scale, 0.0, maxX);
        _ownY = std::clamp(_ownY + dy * scale, 0.0, maxY);
        Send(EVENT_MOUSEMOVE, buttons, mods, static_cast<int32_t>(_ownX), static_cast<int32_t>(_ownY));
    }

    // A window point in game coordinates; our own pointer's while the motion is relative.
    void PointerAt(int32_t wx, int32_t wy, int32_t& x, int32_t& y)
    {
        if (_relative) {
            x = static_cast<int32_t>(_ownX);
            y = static_cast<int32_t>(_ownY);
            return;
        }
        WindowToPicture(CurrentSdlView(), wx, wy, x, y);
    }

    void Convert(const SDL_Event& event)
    {
        if (_gamepads && _gamepads->Convert(event)) return;
        const int32_t mods = ModsFromSdl(static_cast<Uint16>(SDL_GetModState()));
        switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (TakeToggleKey(event.key)) return;
            const int32_t key = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
            if (key == 0) return;
            if (event.type == SDL_KEYUP) {
                Send(EVENT_KEYUP, key, mods);
                return;
            }
            Send(event.key.repeat ? EVENT_KEYREPEAT : EVENT_KEYDOWN, key, mods);
            // Held keys type again with each repeat, as typed characters do.
            if (const int32_t control = ControlCharOfKey(key)) Send(EVENT_KEYCHAR, control, mods);
            return;
        }
        case SDL_TEXTINPUT:
            for (const char c : Latin1FromUtf8(event.text.text)) Send(EVENT_KEYCHAR, static_cast<uint8_t>(c), mods);
            return;
        case SDL_MOUSEMOTION: {
            const int32_t buttons = ButtonsHeld(event.motion.state);
            if (_relative) {
                MoveOwnPointer(event.motion.xrel, event.motion.yrel, buttons, mods);
                return;
            }
            int32_t x = 0;
            int32_t y = 0;
            if (_warp && _warp->wx == event.motion.x && _warp->wy == event.motion.y) {
                x = _warp->x;
                y = _warp->y;
            } else {
                _warp.reset();
                WindowToPicture(CurrentSdlView(), event.motion.x, event.motion.y, x, y);
            }
            // Where our own pointer starts when the motion next turns relative.
            _ownX = x;
            _ownY = y;
            Send(EVENT_MOUSEMOVE, buttons, mods, x, y);
            return;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int32_t button = ButtonFromSdl(event.button.button);
            if (button == 0) return;
            int32_t x = 0;
            int32_t y = 0;
            PointerAt(event.button.x, event.button.y, x, y);
            Send(event.type == SDL_MOUSEBUTTONDOWN ? EVENT_MOUSEDOWN : EVENT_MOUSEUP, button, mods, x, y);
            return;
        }
        case SDL_MOUSEWHEEL: {
            // One notch is one step, positive away from the player whatever the desktop's setting.
            int32_t steps = event.wheel.y;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
            if (steps == 0) return;
            int32_t x = 0;
            int32_t y = 0;
            PointerAt(event.wheel.mouseX, event.wheel.mouseY, x, y);
            Send(EVENT_MOUSEWHEEL, steps, mods, x, y);
            return;
        }
        case SDL_WINDOWEVENT:
            if (AsksForRepaint(event)) CurrentSdlView().repaintRequested = true;
            ConvertWindowEvent(event.window, mods);
            return;
        case SDL_QUIT:
            // The desktop asks the program to end (its last window closed, or a log-out).
            Send(EVENT_APPTERMINATE, 0, mods);
            return;
        default:
            return;
        }
    }

    void ConvertWindowEvent(const SDL_WindowEvent& event, int32_t mods)
    {
        switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Without the focus, or out of the window, the pointer goes where the player takes it.
            _warp.reset();
            _focused = false;
            _suspended = true;
            ApplyConfinement();
            Send(EVENT_APPSUSPEND, 0, mods);
            return;
        case SDL_WINDOWEVENT_FOCUS_GAINED: {
            _focused = true;
            ApplyConfinement();
            SDL_Window* window = SDL_GetWindowFromID(event.windowID);
            if (window && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED)) return;
            _suspended = false;
            Send(EVENT_APPRESUME, 0, mods);
            return;
        }
        case SDL_WINDOWEVENT_RESTORED: {
            // The focus came back while the window was still minimised: the resume is now.
            SDL_Window* window = SDL_GetWindowFromID(event.windowID);
            if (!_suspended || !_focused || !window) return;
            _suspended = false;
            Send(EVENT_APPRESUME, 0, mods);
            return;
        }
        case SDL_WINDOWEVENT_CLOSE:
            Send(EVENT_APPTERMINATE, 0, mods);
            return;
        case SDL_WINDOWEVENT_ENTER:
            Send(EVENT_MOUSEENTER, 0, mods);
            return;
        case SDL_WINDOWEVENT_LEAVE:
            _warp.reset();
            Send(EVENT_MOUSELEAVE, 0, mods);
            return;
        default:
            return;
        }
    }

    // The last warp: the window point and the game point it stands for.
    struct TWarp {
        int32_t wx, wy, x, y;
    };
    std::optional<TWarp> _warp;
    std::optional<TPointerSteering> _steering;
    std::unique_ptr<TSdlGamepads> _gamepads;
    Uint32 _watched = 0;
    TMessagesWaiting _waiting;
    Uint64 _pumpedAt = 0;
    std::set<SDL_Scancode> _toggleKeys;
    std::vector<TEvent> _moves;
    double _ownX = 0.0;
    double _ownY = 0.0;
    bool _confine = false;
    bool _relative = false;
    bool _focused = true;
    bool _suspended = false;
};

}  // namespace

std::shared_ptr<TEventSource> CreateSdlEventSource() { return std::make_shared<TSdlEventSource>(std::nullopt); }

std::shared_ptr<TEventSource> CreateSdlEventSource(TPointerSteering steering)
{
    return std::make_shared<TSdlEventSource>(steering);
}

TPointerSteering PointerSteeringForDriver()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver ? driver : "";
    // Under XWayland the X server only pretends to warp: the compositor owns the pointer.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (name == "wayland" || (name == "x11" && wayland && *wayland)) return TPointerSteering::Relative;
    return TPointerSteering::Warp;
}

bool IsFullScreenToggle(const SDL_KeyboardEvent& key)
{
    if (key.type != SDL_KEYDOWN) return false;
    const SDL_Scancode scancode = key.keysym.scancode;
    if (scancode == SDL_SCANCODE_F11) return true;
    const bool enter = scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
    return enter && (key.keysym.mod & KMOD_ALT) && !(key.keysym.mod & (KMOD_CTRL | KMOD_GUI));
}

void DiscardSdlEvents()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    // The input is dropped, but the player may still switch between full screen and window and
    // use the comfort keys, and the window is still repainted when it needs it.
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (AsksForRepaint(event)) CurrentSdlView().repaintRequested = true;
        if (event.type != SDL_KEYDOWN || event.key.repeat) continue;
        if (IsFullScreenToggle(event.key))
            CurrentSdlView().toggleRequested = true;
        else
            CurrentComforts().Press(VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode));
    }
}

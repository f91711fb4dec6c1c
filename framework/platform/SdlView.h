// The window the SDL event source talks to, shared by the context provider that opens it.
#pragma once

#include "framework/platform/Platform.h"

#include <SDL.h>

#include <array>
#include <functional>
#include <vector>

// What the events need to know about the open window: the SDL window and, when the picture is
// scaled into a larger screen, how window points map to the game's coordinates.
struct TSdlView {
    SDL_Window* window = nullptr;
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    bool scaled = false;
    // Alt+Enter or F11 was pressed: the window switches between full screen and window right
    // after the next present, so that no frame is drawn half in each.
    bool toggleRequested = false;
    // The window was uncovered, resized or shown again: the next frame must be presented even
    // if its picture did not change.
    bool repaintRequested = false;
    // The window's real size in window units at the last present; 0 until then.
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
};

// The one view of the process (one window at a time); empty while no window is open.
TSdlView& CurrentSdlView();

// The size of the view's window in window units: as last presented, else as SDL knows it.
void ViewWindowSize(const TSdlView& view, int& width, int& height);

// On an X server, the size the window really has (false elsewhere): without a window manager
// a switch to the full screen is never carried out, though SDL then reports the screen's size.
bool X11WindowSize(SDL_Window* window, int& width, int& height);
// The size of a window's drawable as the screen shows it, in pixels, without a round trip to an
// X server every frame: the server is asked again when SDL's idea of the window changed, when the
// window system told of the window (a repaint was asked for), for two seconds after a switch
// between window and full screen (a window manager resizes when it pleases, while SDL may claim
// the new size at once), and once a second in any case.
class TWindowSizeWatch {
public:
    // The window was switched between window and full screen.
    void Switched() { _askUntil = SDL_GetTicks64() + 2000; }
    // Also keeps the view's window size when the view shows window.
    void Measure(SDL_Window* window, int& width, int& height);

private:
    bool _known = false;
    int _width = 0, _height = 0;
    int _sdlWidth = 0, _sdlHeight = 0;
    Uint32 _sdlFlags = 0;
    Uint64 _askedAt = 0;
    Uint64 _askUntil = 0;
};

// On an X server, a lost connection no longer ends the program at once: it is reported in one
// line and DisplayLost turns true, so the game can end as if its window were closed (a lost
// Wayland connection is found by DisplayLost itself).
void WatchX11Connection(SDL_Window* window);
// On an X server, whether messages for the program wait in Xlib's queue or on the connection (what
// is still to be sent goes first, as SDL's own check does). Empty elsewhere.
using TMessagesWaiting = std::function<bool()>;
TMessagesWaiting X11MessagesWaiting(SDL_Window* window);
// On an X server whose GL copies part of a window's back buffer to the screen (the
// GLX_MESA_copy_sub_buffer extension), that copy: x and y of the lower-left corner, in GL's rows
// from the bottom; the back buffer stays as it is. Empty elsewhere.
using TSubBufferCopy = std::function<void(int32_t x, int32_t y, int32_t width, int32_t height)>;
TSubBufferCopy X11SubBufferCopy(SDL_Window* window);
// On an X server, pixels put straight onto a window: width x height pixels of four bytes each,
// blue, green, red and one unused (OpenGL's GL_BGRA), the top row first, placed with their
// top-left corner at x, y of the window. Empty where the window's pixels are laid out otherwise,
// or off X.
using TWindowPut = std::function<void(int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* pixels)>;
TWindowPut X11WindowPut(SDL_Window* window);

// Window point to game point and back, through the letterbox when the picture is scaled.
void WindowToPicture(const TSdlView& view, int32_t wx, int32_t wy, int32_t& px, int32_t& py);
void PictureToWindow(const TSdlView& view, int32_t px, int32_t py, int32_t& wx, int32_t& wy);

// True for the keys that switch between full screen and window (Alt+Enter, F11); they never
// reach the game.
bool IsFullScreenToggle(const SDL_KeyboardEvent& key);

// How the pointer steers during play. Warp: the window's absolute pointer, kept inside by a grab,
// and MoveMouse warps it. Relative: where the window system refuses warps (Wayland), the pointer is
// locked and its motion moves a pointer of our own, which MoveMouse sets; the game sees the same
// absolute positions either way.
enum class TPointerSteering { Warp, Relative };
// The steering the running video driver needs.
TPointerSteering PointerSteeringForDriver();
std::shared_ptr<TEventSource> CreateSdlEventSource(TPointerSteering steering);

// Game controllers known to SDL's controller database, plugged in or out at any time, as the keys
// the game polls: stick and d-pad left/right are the arrows, d-pad up/down move the menu highlight,
// A is Space, B is Escape, and Start is P during play and Space elsewhere. A key is down while any
// button or stick holds it.
class TSdlGamepads {
public:
    // Starts SDL's controller subsystem; without it (an error on stderr) nothing is converted.
    TSdlGamepads();
    ~TSdlGamepads();
    TSdlGamepads(const TSdlGamepads&) = delete;
    TSdlGamepads& operator=(const TSdlGamepads&) = delete;
    // Turns a controller event into key events for HandleInputEvent; false for other events.
    bool Convert(const SDL_Event& event);
    int32_t Connected() const { return static_cast<int32_t>(_pads.size()); }

private:
    struct TPad {
        SDL_GameController* controller = nullptr;
        SDL_JoystickID id = -1;
        // The key each input holds down, 0 when none; Start remembers which key it pressed.
        std::array<int32_t, SDL_CONTROLLER_BUTTON_MAX> buttonKeys{};
        int32_t stickKey = 0;
    };
    TPad* Find(SDL_JoystickID id);
    void Hold(int32_t& slot, int32_t key);
    void ReleaseAll(TPad& pad);

    bool _started = false;
    std::vector<TPad> _pads;
    std::array<int32_t, 256> _holders{};
};

// SDL's video subsystem for as long as the object lives (SDL counts nested initialisations).
class TSdlVideoSubsystem {
public:
    // Throws std::runtime_error with SDL's reason when video cannot start.
    TSdlVideoSubsystem();
    ~TSdlVideoSubsystem();
    TSdlVideoSubsystem(const TSdlVideoSubsystem&) = delete;
    TSdlVideoSubsystem& operator=(const TSdlVideoSubsystem&) = delete;
};

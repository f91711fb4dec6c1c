// What SDL does not say about a window on an X server: the size it really has, and the loss of the
// connection to the server.
#include "framework/platform/SdlView.h"
#include "framework/system/Report.h"

#include <SDL_syswm.h>

#include <X11/Xlib.h>

#include <atomic>
#include <string>

namespace {

std::atomic<bool> Lost{false};
std::atomic<bool> Reported{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The X connection and window under an SDL window; null when it is on another window system.
Display* X11Of(SDL_Window* window, Window& handle)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    handle = info.info.x11.window;
    return info.info.x11.display;
}

// Xlib's handler of a broken connection, which may not use the display: one line instead of
// Xlib's own message.
int OnConnectionBroken(Display* display)
{
    if (!Reported.exchange(true))
        ReportProblem(std::string("the connection to the display ") + DisplayString(display) +
                      " was lost; the game ends as if its window were closed");
    return 0;
}

// Called instead of Xlib's exit once the handler returns: Xlib then leaves the dead connection
// alone, and the game ends at its next frame with its tables saved.
void OnConnectionGone(Display*, void*) { Lost.store(true); }

}  // namespace

bool X11WindowSize(SDL_Window* window, int& width, int& height)
{
    Window handle = 0;
    Display* display = X11Of(window, handle);
    XWindowAttributes attributes{};
    if (!display || Lost.load() || !XGetWindowAttributes(display, handle, &attributes)) return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}

void WatchX11Connection(SDL_Window* window)
{
    Window handle = 0;
    Display* display = X11Of(window, handle);
    if (!display) return;
    XSetIOErrorHandler(OnConnectionBroken);
    XSetIOErrorExitHandler(display, OnConnectionGone, nullptr);
}

bool DisplayLost() { return Lost.load(); }

// What SDL does not say about the window system: the size a window really has on an X server, and
// the loss of the connection to the display (an X server or a Wayland compositor gone).
#include "framework/platform/SdlView.h"
#include "framework/system/Report.h"

#include <SDL_syswm.h>

#include <X11/Xlib.h>
#include <wayland-client-core.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <poll.h>
#include <string>
#include <type_traits>

namespace {

std::atomic<bool> Lost{false};
std::atomic<bool> Reported{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void ReportLost(const std::string& display)
{
    if (!Reported.exchange(true))
        ReportProblem("the connection to the display " + display +
                      " was lost; the game ends as if its window were closed");
}

bool WindowInfo(SDL_Window* window, SDL_SysWMinfo& info)
{
    SDL_VERSION(&info.version);
    return window && SDL_GetWindowWMInfo(window, &info);
}

// The X connection and window under an SDL window; null when it is on another window system.
Display* X11Of(SDL_Window* window, Window& handle)
{
    SDL_SysWMinfo info;
    if (!WindowInfo(window, info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    handle = info.info.x11.window;
    return info.info.x11.display;
}

// Xlib's handler of a broken connection, which may not use the display: one line instead of
// Xlib's own message.
int OnConnectionBroken(Display* display)
{
    ReportLost(DisplayString(display));
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

TMessagesWaiting X11MessagesWaiting(SDL_Window* window)
{
    Window handle = 0;
    Display* display = X11Of(window, handle);
    if (!display || Lost.load()) return {};
    // Asking Xlib reads the connection twice, and a frame asks several times. Once Xlib has found
    // nothing, a message can only come onto the connection, which one look tells, until a request
    // is sent through it (XNextRequest counts those other libraries send beside Xlib too): what is
    // still to be sent must go first, and reading an answer may bring messages along.
    struct TQuiet {
        bool known = false;
        unsigned long request = 0;
    };
    auto quiet = std::make_shared<TQuiet>();
    // A lost connection is SDL's to find.
    return [display, quiet] {
        if (Lost.load() || XEventsQueued(display, QueuedAlready) > 0) return true;
        if (quiet->known && XNextRequest(display) == quiet->request) {
            pollfd connection{ConnectionNumber(display), POLLIN, 0};
            if (poll(&connection, 1, 0) == 0) return false;
        }
        const bool waiting = XEventsQueued(display, QueuedAfterFlush) > 0;
        quiet->known = !waiting;
        quiet->request = XNextRequest(display);
        return waiting;
    };
}

TSubBufferCopy X11SubBufferCopy(SDL_Window* window)
{
    Window handle = 0;
    Display* display = X11Of(window, handle);
    if (!display || Lost.load()) return {};
    using TQueryExtensions = const char* (*)(Display*, int);
    using TCopySubBuffer = void (*)(Display*, XID, int, int, int, int);
    const auto query = reinterpret_cast<TQueryExtensions>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
    const auto copy = reinterpret_cast<TCopySubBuffer>(SDL_GL_GetProcAddress("glXCopySubBufferMESA"));
    const char* extensions = query ? query(display, DefaultScreen(display)) : nullptr;
    // A name that merely begins another extension's is no match.
    const std::string list = std::string(" ") + (extensions ? extensions : "") + " ";
    if (!copy || list.find(" GLX_MESA_copy_sub_buffer ") == std::string::npos) return {};
    // GLX draws into the X window itself.
    return [display, handle, copy](int32_t x, int32_t y, int32_t width, int32_t height) {
        if (!Lost.load()) copy(display, handle, x, y, width, height);
    };
}

TWindowPut X11WindowPut(SDL_Window* window)
{
    Window handle = 0;
    Display* display = X11Of(window, handle);
    XWindowAttributes attributes{};
    if (!display || Lost.load() || !XGetWindowAttributes(display, handle, &attributes)) return {};
    Visual* visual = attributes.visual;
    const int depth = attributes.depth;
    if ((depth != 24 && depth != 32) || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
        visual->blue_mask != 0xFF)
        return {};
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    bool fourBytes = false;
    for (int i = 0; i < count; ++i)
        fourBytes = fourBytes || (formats[i].depth == depth && formats[i].bits_per_pixel == 32);
    if (formats) XFree(formats);
    if (!fourBytes) return {};
    const auto freeGc = [display](GC gc) {
        if (!Lost.load()) XFreeGC(display, gc);
    };
    const std::shared_ptr<std::remove_pointer_t<GC>> gc(XCreateGC(display, handle, 0, nullptr), freeGc);
    return [display, handle, gc, visual, depth](int32_t x, int32_t y, int32_t width, int32_t height,
                                                const uint8_t* pixels) {
        if (Lost.load()) return;
        // The bytes as they lie: the lowest holds blue whichever way the server orders its own.
        XImage image{};
        image.width = width;
        image.height = height;
        image.format = ZPixmap;
        image.data = const_cast<char*>(reinterpret_cast<const char*>(pixels));
        image.byte_order = LSBFirst;
        image.bitmap_unit = 32;
        image.bitmap_bit_order = LSBFirst;
        image.bitmap_pad = 32;
        image.depth = depth;
        image.bytes_per_line = width * 4;
        image.bits_per_pixel = 32;
        image.red_mask = visual->red_mask;
        image.green_mask = visual->green_mask;
        image.blue_mask = visual->blue_mask;
        if (!XInitImage(&image)) return;
        // Sent with the event pump that follows every present, in one write with its own.
        XPutImage(display, handle, gc.get(), &image, 0, 0, x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    };
}

bool DisplayLost()
{
    if (Lost.load()) return true;
    // SDL's Wayland back-end turns a broken connection into a quit request and says no more;
    // libwayland keeps the error.
    SDL_SysWMinfo info;
    if (WindowInfo(CurrentSdlView().window, info) && info.subsystem == SDL_SYSWM_WAYLAND &&
        wl_display_get_error(info.info.wl.display) != 0) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        ReportLost(name && *name ? name : "wayland-0");
        Lost.store(true);
    }
    return Lost.load();
}

// SDL's video subsystem, finding a screen to open on, the offscreen set-up of headless runs, and
// mapping points between the window and the game's picture.
#include "framework/platform/SdlView.h"

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>

TWindowState& RememberedWindowState()
{
    static TWindowState state;
    return state;
}

TSdlView& CurrentSdlView()
{
    static TSdlView view;
    return view;
}

void ViewWindowSize(const TSdlView& view, int& width, int& height)
{
    width = view.windowWidth;
    height = view.windowHeight;
    if (width <= 0 || height <= 0) SDL_GetWindowSize(view.window, &width, &height);
}

void TWindowSizeWatch::Measure(SDL_Window* window, int& width, int& height)
{
    TSdlView& view = CurrentSdlView();
    const Uint64 now = SDL_GetTicks64();
    int sdlWidth = 0;
    int sdlHeight = 0;
    SDL_GetWindowSize(window, &sdlWidth, &sdlHeight);
    const Uint32 sdlFlags = SDL_GetWindowFlags(window);
    if (!_known || sdlWidth != _sdlWidth || sdlHeight != _sdlHeight || sdlFlags != _sdlFlags || view.repaintRequested ||
        now < _askUntil || now - _askedAt >= 1000) {
        _sdlWidth = sdlWidth;
        _sdlHeight = sdlHeight;
        _sdlFlags = sdlFlags;
        _askedAt = now;
        _known = X11WindowSize(window, _width, _height);
    }
    if (_known) {
        // Pixels are window units on X.
        width = _width;
        height = _height;
        if (view.window == window) {
            view.windowWidth = width;
            view.windowHeight = height;
        }
        return;
    }
    SDL_GL_GetDrawableSize(window, &width, &height);
    if (view.window == window) {
        view.windowWidth = sdlWidth;
        view.windowHeight = sdlHeight;
    }
}

namespace {

// The letterbox the picture sits in inside the window; none when the picture fills the window as
// it is.
std::optional<TLetterbox> ViewLetterbox(const TSdlView& view)
{
    if (!view.scaled || !view.window) return std::nullopt;
    int width = 0;
    int height = 0;
    ViewWindowSize(view, width, height);
    return FitLetterbox(width, height, view.pictureWidth, view.pictureHeight);
}

}  // namespace

void WindowToPicture(const TSdlView& view, int32_t wx, int32_t wy, int32_t& px, int32_t& py)
{
    px = wx;
    py = wy;
    if (const auto box = ViewLetterbox(view)) OuterToInner(*box, view.pictureWidth, view.pictureHeight, wx, wy, px, py);
}

void PictureToWindow(const TSdlView& view, int32_t px, int32_t py, int32_t& wx, int32_t& wy)
{
    wx = px;
    wy = py;
    if (const auto box = ViewLetterbox(view)) InnerToOuter(*box, view.pictureWidth, view.pictureHeight, px, py, wx, wy);
}

TSdlVideoSubsystem::TSdlVideoSubsystem()
{
    // Ctrl+C in a terminal must still end the game; SDL would turn it into a close request.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        throw std::runtime_error(std::string("cannot start SDL video: ") + SDL_GetError());
}

TSdlVideoSubsystem::~TSdlVideoSubsystem() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

void PrepareHeadlessEnvironment()
{
    // Only before SDL's video starts: the driver is chosen once, at initialisation.
    if (SDL_WasInit(SDL_INIT_VIDEO)) return;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
}

bool DisplayAvailable(std::string& why)
{
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    const std::string wanted = chosen ? chosen : "";
    // SDL falls back to its offscreen driver when no real one works; that is no display.
    const auto invisible = [](const std::string& name) {
        return name == "offscreen" || name == "dummy" || name == "evdev";
    };
    if (invisible(wanted)) {
        why = "SDL_VIDEODRIVER is " + wanted;
        return false;
    }
    // Without its runtime folder a Wayland client can only fail, noisily.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const bool waylandPossible = runtime && *runtime;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::string firstError;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const std::string name = SDL_GetVideoDriver(i);
        if (invisible(name) || (!wanted.empty() && name != wanted)) continue;
        if (name == "wayland" && !waylandPossible) continue;
        // The hint makes the window open later on the driver found here.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, name.c_str());
        std::unique_ptr<TSdlVideoSubsystem> video;
        try {
            video = std::make_unique<TSdlVideoSubsystem>();
        } catch (const std::exception&) {
            if (firstError.empty()) firstError = SDL_GetError();
            continue;
        }
        if (SDL_GetNumVideoDisplays() < 1) continue;
        // Stay connected: an X server with no other client resets when the last one leaves, and
        // refuses the window that would follow a moment later.
        static std::unique_ptr<TSdlVideoSubsystem> connection;
        if (!connection) connection = std::move(video);
        return true;
    }
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    why = firstError.empty() ? "no screen found" : firstError;
    return false;
}

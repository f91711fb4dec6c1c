// The SDL window (or offscreen surface) with its GL context, full-screen modes and their fallback,
// switching between window and full screen, and the swap-interval pacing check.
#include "framework/platform/Comforts.h"
#include "framework/platform/GLSurface.h"
#include "framework/platform/SdlView.h"
#include "framework/system/Report.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

constexpr const char* WindowTitle = "Krellix";
constexpr int32_t MinimumWindowWidth = 320;
constexpr int32_t MinimumWindowHeight = 240;

struct TWindowDeleter {
    void operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }
};
using TWindowPtr = std::unique_ptr<SDL_Window, TWindowDeleter>;

void SetGLAttributes(int32_t flags, bool exact)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (flags & GFX_BACKBUFFER) ? 1 : 0);
    if (!exact) return;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, (flags & GFX_ALPHABUFFER) ? 8 : 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, (flags & GFX_DEPTHBUFFER) ? 24 : 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, (flags & GFX_STENCILBUFFER) ? 8 : 0);
    const int accum = (flags & GFX_ACCUMBUFFER) ? 16 : 0;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
}

enum class TSurfaceKind { Headless, Window, FullScreen, Desktop };

class TSdlGLContextProvider : public TGLContextProvider {
public:
    TSdlGLContextProvider(bool headless, bool window) : _headless(headless), _forceWindow(window) {}
    ~TSdlGLContextProvider() override { Close(); }

    bool Open(int32_t width, int32_t height, int32_t depth, int32_t hertz, int32_t flags) override
    {
        Close();
        if (width <= 0 || height <= 0) return false;
        if (_headless) PrepareHeadlessEnvironment();
        try {
            _video = std::make_unique<TSdlVideoSubsystem>();
        } catch (const std::exception& error) {
            ReportProblem(error.what());
            return false;
        }
        TSurfaceKind kind = TSurfaceKind::Window;
        if (_headless)
            kind = TSurfaceKind::Headless;
        else if (depth != 0 && !_forceWindow)
            kind = TSurfaceKind::FullScreen;

        if (!CreateWindowAndContext(kind, width, height, hertz, flags)) {
            Close();
            return false;
        }
        _width = width;
        _height = height;
        _kind = kind;
        _hertz = hertz;
        int drawableWidth = 0;
        int drawableHeight = 0;
        SDL_GL_GetDrawableSize(_window.get(), &drawableWidth, &drawableHeight);
        // A window on a desktop draws into a picture of its own, so that it can be resized and
        // switched to the full screen at any moment; offscreen, the surface is the picture.
        if (!_headless || drawableWidth != width || drawableHeight != height) {
            _scaler = TFramebufferScaler::Create(width, height);
            if (!_scaler && (drawableWidth != width || drawableHeight != height))
                ReportProblem("cannot scale the " + std::to_string(width) + "x" + std::to_string(height) +
                              " picture to the " + std::to_string(drawableWidth) + "x" +
                              std::to_string(drawableHeight) + " screen; drawing unscaled");
        }
        // Back from the full screen, the window takes the size it had when the player last left it.
        if (!_headless) {
            _windowWidth = RememberedWindowState().width;
            _windowHeight = RememberedWindowState().height;
        }
        if (_scaler && _kind == TSurfaceKind::Window) {
            SDL_SetWindowResizable(_window.get(), SDL_TRUE);
            SDL_SetWindowMinimumSize(_window.get(), MinimumWindowWidth, MinimumWindowHeight);
        }
        TSdlView& view = CurrentSdlView();
        view.window = _window.get();
        view.pictureWidth = width;
        view.pictureHeight = height;
        view.scaled = _scaler != nullptr;
        if (!_headless) WatchX11Connection(_window.get());

        if (kind == TSurfaceKind::FullScreen || kind == TSurfaceKind::Desktop) MeasureVerticalSync();
        return true;
    }

    void Close() override
    {
        if (_window && !_headless) RememberState();
        if (CurrentSdlView().window == _window.get()) CurrentSdlView() = TSdlView{};
        if (_context.Get() && _window) SDL_GL_MakeCurrent(_window.get(), _context.Get());
        _frameFence.Reset();
        _scaler.reset();
        _windowSize = TWindowSizeWatch{};
        _context.Reset();
        _window.reset();
        _video.reset();
        _interval = -1;
        _syncedHertz = 0;
        _pacingChanged = false;
        _windowWidth = 0;
        _windowHeight = 0;
    }

    bool CanHardSync(int32_t hertz) override { return hertz != 0 && hertz == _syncedHertz; }

    bool TakePacingChange() override
    {
        const bool changed = _pacingChanged;
        _pacingChanged = false;
        return changed;
    }

    void SetSwapInterval(int32_t interval) override
    {
        if (!_context.Get() || interval == _interval) return;
        // A driver that refuses is not an error: Flip then paces with the timer.
        SDL_GL_SetSwapInterval(interval);
        _interval = interval;
    }

    // Offscreen the pbuffer keeps its picture; in a window the game draws into a picture of its own.
    bool KeepsPicture() override { return _headless || _scaler != nullptr; }

    bool ShowsLastPicture() override
    {
        if (_headless) return true;
        const TSdlView& view = CurrentSdlView();
        return _scaler && view.window == _window.get() && !view.repaintRequested && !view.toggleRequested &&
               CurrentComforts().NoteUpToDate();
    }

    void SwapBuffers() override { Swap(nullptr); }
    void SwapChanged(const std::vector<TPixelRect>& changed) override { Swap(&changed); }

    bool TakesPieces() override { return _scaler && ShowsLastPicture() && _scaler->TakesPieces(_interval <= 0); }

    bool SwapPieces(const std::vector<TPicturePiece>& pieces, bool drawn) override
    {
        if (!_window || !_scaler || !ShowsLastPicture()) return false;
        int drawableWidth = 0;
        int drawableHeight = 0;
        _windowSize.Measure(_window.get(), drawableWidth, drawableHeight);
        if (!_scaler->PresentPieces(_window.get(), drawableWidth, drawableHeight, pieces, drawn, _interval <= 0))
            return false;
        CurrentSdlView().repaintRequested = false;
        AfterPresent();
        return true;
    }

private:
    void Swap(const std::vector<TPixelRect>* changed)
    {
        if (!_window) return;
        // A part of a picture only onto a screen that still shows all the rest.
        Present(ShowsLastPicture() ? changed : nullptr);
        AfterPresent();
    }

    void AfterPresent()
    {
        TSdlView& view = CurrentSdlView();
        if (view.toggleRequested && view.window == _window.get()) {
            view.toggleRequested = false;
            ToggleFullScreen();
        }
        // Swapping an offscreen pbuffer neither draws nor waits: without a wait the software
        // renderer queued frame after frame (2 MB more per frame in play). Waiting for the frame
        // before this one bounds the queue and lets this one be drawn while the next is computed.
        if (_headless) _frameFence.Wait();
    }

    void Present(const std::vector<TPixelRect>* changed = nullptr)
    {
        if (_scaler) {
            int drawableWidth = 0;
            int drawableHeight = 0;
            _windowSize.Measure(_window.get(), drawableWidth, drawableHeight);
            CurrentSdlView().repaintRequested = false;
            _scaler->Present(_window.get(), drawableWidth, drawableHeight, changed, _interval <= 0);
            return;
        }
        CurrentSdlView().repaintRequested = false;
        // Unscaled, the back buffer is drawn afresh each frame, so the note may go on it.
        if (!_headless) DrawNoteOverlay(TLetterbox{0, 0, _width, _height}, _height, _height);
        SDL_GL_SwapWindow(_window.get());
    }

    void RememberState()
    {
        TWindowState& state = RememberedWindowState();
        state.fullScreen = _kind != TSurfaceKind::Window;
        if (!state.fullScreen && !(SDL_GetWindowFlags(_window.get()) & SDL_WINDOW_MAXIMIZED))
            SDL_GetWindowSize(_window.get(), &_windowWidth, &_windowHeight);
        state.width = _windowWidth;
        state.height = _windowHeight;
    }

    // Between the full screen and a window, keeping the GL context and with it every texture.
    void ToggleFullScreen()
    {
        // Unscaled, a picture in a window of another size would sit in a corner.
        if (!_scaler || _headless) return;
        SDL_Window* window = _window.get();
        if (_kind == TSurfaceKind::Window) {
            if (!(SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED))
                SDL_GetWindowSize(window, &_windowWidth, &_windowHeight);
            if (!EnterFullScreen()) return;
        } else {
            SDL_SetWindowFullscreen(window, 0);
            SDL_SetWindowResizable(window, SDL_TRUE);
            SDL_SetWindowMinimumSize(window, MinimumWindowWidth, MinimumWindowHeight);
            SDL_SetWindowSize(window, _windowWidth > 0 ? _windowWidth : _width,
                              _windowHeight > 0 ? _windowHeight : _height);
            SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
            _kind = TSurfaceKind::Window;
            _syncedHertz = 0;
        }
        _windowSize.Switched();
        _pacingChanged = true;
        RememberedWindowState().fullScreen = _kind != TSurfaceKind::Window;
    }

    // The game's own mode where the display has it, else the desktop-sized full screen.
    bool EnterFullScreen()
    {
        SDL_Window* window = _window.get();
        const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
        SDL_DisplayMode wanted{0, _width, _height, _hertz, nullptr};
        SDL_DisplayMode closest{};
        if (std::string(SDL_GetCurrentVideoDriver()) != "wayland" &&
            SDL_GetClosestDisplayMode(display, &wanted, &closest) && closest.w == _width && closest.h == _height &&
            SDL_SetWindowDisplayMode(window, &closest) == 0 &&
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0) {
            SDL_DisplayMode current{};
            if (SDL_GetCurrentDisplayMode(display, &current) == 0 && current.w == _width && current.h == _height) {
                _kind = TSurfaceKind::FullScreen;
                _refresh = current.refresh_rate;
                MeasureVerticalSync();
                return true;
            }
            SDL_SetWindowFullscreen(window, 0);
        }
        SDL_DisplayMode desktop{};
        if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            ReportProblem(std::string("cannot switch to the full screen: ") + SDL_GetError());
            return false;
        }
        _refresh = SDL_GetDesktopDisplayMode(display, &desktop) == 0 ? desktop.refresh_rate : 0;
        _kind = TSurfaceKind::Desktop;
        MeasureVerticalSync();
        return true;
    }

    bool CreateWindowAndContext(TSurfaceKind& kind, int32_t width, int32_t height, int32_t hertz, int32_t flags)
    {
        // First the exact pixel format the game asks for, then whatever the system offers.
        for (const bool exact : {true, false}) {
            SetGLAttributes(flags, exact);
            if (kind == TSurfaceKind::FullScreen) {
                if (OpenFullScreen(width, height, hertz)) return true;
                kind = TSurfaceKind::Desktop;
            }
            if (OpenPlain(kind, width, height)) return true;
        }
        ReportProblem("cannot open a " + std::to_string(width) + "x" + std::to_string(height) +
                      " OpenGL display: " + SDL_GetError());
        return false;
    }

    // The real mode switch; false when the display has no such mode or refuses it.
    bool OpenFullScreen(int32_t width, int32_t height, int32_t hertz)
    {
        // Wayland only pretends to switch modes; the desktop window with scaling is the honest way.
        if (std::string(SDL_GetCurrentVideoDriver()) == "wayland") return false;
        SDL_DisplayMode wanted{0, width, height, hertz, nullptr};
        SDL_DisplayMode closest{};
        if (!SDL_GetClosestDisplayMode(0, &wanted, &closest) || closest.w != width || closest.h != height) return false;
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "1");
        _window.reset(SDL_CreateWindow(WindowTitle, SDL_WINDOWPOS_UNDEFINED_DISPLAY(0),
                                       SDL_WINDOWPOS_UNDEFINED_DISPLAY(0), width, height,
                                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN));
        if (!_window) return false;
        if (SDL_SetWindowDisplayMode(_window.get(), &closest) != 0 ||
            SDL_SetWindowFullscreen(_window.get(), SDL_WINDOW_FULLSCREEN) != 0 || !MakeContext()) {
            _window.reset();
            return false;
        }
        SDL_ShowWindow(_window.get());
        SDL_DisplayMode current{};
        const int display = SDL_GetWindowDisplayIndex(_window.get());
        if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &current) != 0 || current.w != width ||
            current.h != height) {
            _context.Reset();
            _window.reset();
            return false;
        }
        _refresh = current.refresh_rate;
        return true;
    }

    bool OpenPlain(TSurfaceKind kind, int32_t width, int32_t height)
    {
        Uint32 windowFlags = SDL_WINDOW_OPENGL;
        int32_t x = SDL_WINDOWPOS_CENTERED;
        int32_t y = SDL_WINDOWPOS_CENTERED;
        int32_t windowWidth = width;
        int32_t windowHeight = height;
        if (kind == TSurfaceKind::Desktop) {
            SDL_DisplayMode desktop{};
            SDL_Rect bounds{};
            if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || SDL_GetDisplayBounds(0, &bounds) != 0) return false;
            windowFlags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
            _refresh = desktop.refresh_rate;
            // Already covering the screen: without a window manager nothing would move it there.
            x = bounds.x;
            y = bounds.y;
            windowWidth = bounds.w;
            windowHeight = bounds.h;
        }
        if (kind == TSurfaceKind::Headless) {
            x = 0;
            y = 0;
        }
        SDL_Rect usable{};
        const TWindowState& remembered = RememberedWindowState();
        if (kind == TSurfaceKind::Window && remembered.width >= MinimumWindowWidth &&
            remembered.height >= MinimumWindowHeight && SDL_GetDisplayUsableBounds(0, &usable) == 0 &&
            remembered.width <= usable.w && remembered.height <= usable.h) {
            windowWidth = remembered.width;
            windowHeight = remembered.height;
        }
        _window.reset(SDL_CreateWindow(WindowTitle, x, y, windowWidth, windowHeight, windowFlags));
        if (!_window) return false;
        if (!MakeContext()) {
            _window.reset();
            return false;
        }
        return true;
    }

    bool MakeContext()
    {
        _context = TGLContext(SDL_GL_CreateContext(_window.get()));
        if (!_context.Get()) return false;
        if (SDL_GL_MakeCurrent(_window.get(), _context.Get()) != 0) {
            _context.Reset();
            return false;
        }
        return true;
    }

    // Hard sync is trusted only when swaps with interval 1 really take one refresh period of the
    // display's reported rate: some drivers accept the interval and never wait. The swap interval
    // is left as it was, which the GL driver remembers.
    void MeasureVerticalSync()
    {
        _syncedHertz = 0;
        const int32_t previous = std::max(0, _interval);
        if (_refresh > 0 && SDL_GL_SetSwapInterval(1) == 0) {
            constexpr int WarmUp = 2;
            constexpr int Measured = 6;
            // The picture kept for scaling is shown again; without one the screen is cleared.
            if (!_scaler) glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            using Clock = std::chrono::steady_clock;
            Clock::time_point start;
            for (int i = 0; i < WarmUp + Measured; ++i) {
                if (i == WarmUp) start = Clock::now();
                if (!_scaler) glClear(GL_COLOR_BUFFER_BIT);
                Present();
            }
            const double period = std::chrono::duration<double, std::milli>(Clock::now() - start).count() / Measured;
            const double expected = 1000.0 / _refresh;
            if (period > expected * 0.85 && period < expected * 1.15) _syncedHertz = _refresh;
        }
        SDL_GL_SetSwapInterval(previous);
        _interval = previous;
    }

    bool _headless;
    bool _forceWindow;
    std::unique_ptr<TSdlVideoSubsystem> _video;
    TWindowPtr _window;
    TGLContext _context;
    std::unique_ptr<TFramebufferScaler> _scaler;
    TWindowSizeWatch _windowSize;
    TFrameFence _frameFence;
    int32_t _width = 0;
    int32_t _height = 0;
    int32_t _refresh = 0;
    int32_t _syncedHertz = 0;
    int32_t _interval = -1;
    int32_t _hertz = 0;
    TSurfaceKind _kind = TSurfaceKind::Window;
    // The window's size to come back to from the full screen; 0 until known.
    int32_t _windowWidth = 0;
    int32_t _windowHeight = 0;
    bool _pacingChanged = false;
};

}  // namespace

std::shared_ptr<TGLContextProvider> CreateSdlGLContextProvider(bool headless, bool window)
{
    if (headless) PrepareHeadlessEnvironment();
    return std::make_shared<TSdlGLContextProvider>(headless, window);
}

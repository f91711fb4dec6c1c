// A real window under Xvfb: pictures presented whole or only where they changed end up on the
// window exactly, a window of another size is always given the whole picture, and a message from
// the X server or a controller's press is seen by the very next poll.
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/GLDriver.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/Platform.h"
#include "framework/platform/SdlView.h"
#include "framework/system/Input.h"
#include "tests/support/Run.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

// After the test framework, whose names Xlib's macros would replace.
#include <SDL_syswm.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// Hands the platform the changed areas the test names, as the drawing back-end does for a frame
// it drew only in part; none named presents whole, or where the back-end found changes.
class TNamedAreas : public TGLContextProvider {
public:
    explicit TNamedAreas(std::shared_ptr<TGLContextProvider> inner) : _inner(std::move(inner)) {}
    bool Open(int32_t width, int32_t height, int32_t depth, int32_t hertz, int32_t flags) override
    {
        return _inner->Open(width, height, depth, hertz, flags);
    }
    void Close() override { _inner->Close(); }
    bool CanHardSync(int32_t hertz) override { return _inner->CanHardSync(hertz); }
    void SetSwapInterval(int32_t interval) override { _inner->SetSwapInterval(interval); }
    void SwapBuffers() override
    {
        if (areas)
            _inner->SwapChanged(*areas);
        else
            _inner->SwapBuffers();
    }
    // The drawing back-end's own areas go through when the test asks for them.
    void SwapChanged(const std::vector<TPixelRect>& changed) override
    {
        if (backEndAreas && !areas)
            _inner->SwapChanged(changed);
        else
            SwapBuffers();
    }
    bool TakesPieces() override { return backEndAreas && !areas && _inner->TakesPieces(); }
    bool SwapPieces(const std::vector<TPicturePiece>& pieces, bool drawn) override
    {
        return backEndAreas && !areas && _inner->SwapPieces(pieces, drawn);
    }
    bool KeepsPicture() override { return _inner->KeepsPicture(); }
    bool ShowsLastPicture() override { return _inner->ShowsLastPicture(); }

    std::optional<std::vector<TPixelRect>> areas;
    bool backEndAreas = false;

private:
    std::shared_ptr<TGLContextProvider> _inner;
};

class WindowPresent : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OnPath("Xvfb")) << "Xvfb is needed (Debian package xvfb)";
        int32_t number = 600 + getpid() % 300;
        // Built with append: GCC 12 warns falsely about adding to a short string literal.
        const auto name = [&number](const char* before, const char* after) {
            return std::string(before).append(std::to_string(number)).append(after);
        };
        while (std::filesystem::exists(name("/tmp/.X", "-lock"))) ++number;
        const std::string display = name(":", "");
        _xvfb = StartProgram("Xvfb", {display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, dir.Path());
        ASSERT_GT(_xvfb, 0);
        for (int i = 0; i < 100 && !std::filesystem::exists(name("/tmp/.X11-unix/X", "")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
        unsetenv("WAYLAND_DISPLAY");
        _areas = std::make_shared<TNamedAreas>(CreateSdlGLContextProvider(false, true));
        SetGLContextProvider(_areas);
        ASSERT_NE(OpenGraphics(1024, 768, 0, 0, 0), nullptr);
    }
    void TearDown() override
    {
        EndGraphics();
        SetGLContextProvider(nullptr);
        if (_xvfb <= 0) return;
        kill(_xvfb, SIGTERM);
        WaitProgram(_xvfb);
    }

    // A grey picture with two coloured squares, the first striped at its top, presented with the
    // areas named.
    void Present(uint8_t pulse, uint8_t other, std::optional<std::vector<TPixelRect>> areas)
    {
        SetClsColor(40, 40, 40);
        Cls();
        SetColor(pulse, 255 - pulse, 90);
        DrawRect(100, 200, 64, 32);
        SetColor(90, pulse, 255 - pulse);
        DrawRect(100, 200, 64, 6);
        SetColor(other, 30, 255 - other);
        DrawRect(700, 500, 50, 50);
        _areas->areas = std::move(areas);
        Flip(0);
    }

    // The window's pixels, read through its own connection so that every present came first.
    static XImage* Window(int32_t& width, int32_t& height)
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(CurrentSdlView().window, &info)) return nullptr;
        XWindowAttributes attributes{};
        XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes);
        width = attributes.width;
        height = attributes.height;
        return XGetImage(info.info.x11.display, info.info.x11.window, 0, 0, width, height, AllPlanes, ZPixmap);
    }

    static Display* OwnDisplay()
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        return SDL_GetWindowWMInfo(CurrentSdlView().window, &info) ? info.info.x11.display : nullptr;
    }

    static uint32_t Rgb(XImage* image, int32_t x, int32_t y) { return XGetPixel(image, x, y) & 0xFFFFFFu; }

    // Pixels of the 1024 x 768 window unlike the picture the game drew.
    static int64_t Unlike(int32_t x0, int32_t y0, int32_t x1, int32_t y1)
    {
        const TPixmapPtr picture = GrabPixmap(0, 0, 1024, 768);
        int32_t width = 0, height = 0;
        XImage* image = Window(width, height);
        if (!picture || !image || width != 1024 || height != 768) return -1;
        int64_t unlike = 0;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) {
                const uint8_t* p = picture->PixelPtr(x, y);
                unlike += Rgb(image, x, y) != (uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2]);
            }
        XDestroyImage(image);
        return unlike;
    }

    TTempDir dir;
    std::shared_ptr<TNamedAreas> _areas;
    int _xvfb = -1;
};

TEST_F(WindowPresent, ChangedAreasReachTheWindowExactlyAndAWindowOfAnotherSizeGetsTheWhole)
{
    const std::vector<TPixelRect> pulse{{100, 200, 164, 232}};
    Present(0, 0, std::nullopt);
    ASSERT_EQ(Unlike(0, 0, 1024, 768), 0);
    // A pulse presented in part, frame after frame: the window is the picture, pixel for pixel.
    for (uint8_t level = 10; level < 250; level += 40) {
        Present(level, 0, pulse);
        ASSERT_EQ(Unlike(0, 0, 1024, 768), 0) << int{level};
    }
    // Only the named area is copied: the other square keeps its last colour on the window.
    Present(77, 200, pulse);
    EXPECT_EQ(Unlike(100, 200, 164, 232), 0);
    EXPECT_EQ(Unlike(700, 500, 750, 550), 50 * 50);
    // An unchanged frame is not presented again, so the pulse moves on.
    Present(78, 200, std::nullopt);
    EXPECT_EQ(Unlike(0, 0, 1024, 768), 0);
    // The back-end finds the pulse changed alone and presents it where it is.
    _areas->backEndAreas = true;
    for (uint8_t level = 118; level < 250; level += 40) {
        Present(level, 200, std::nullopt);
        EXPECT_EQ(Unlike(0, 0, 1024, 768), 0) << int{level};
    }
    _areas->backEndAreas = false;

    // Scaled into a window of another size, a part is never presented alone (the second frame at
    // the new size is the first the window's back buffer keeps).
    SDL_SetWindowSize(CurrentSdlView().window, 800, 600);
    int32_t width = 0, height = 0;
    Present(90, 120, std::nullopt);
    Present(91, 120, std::nullopt);
    Present(92, 250, pulse);
    XImage* image = Window(width, height);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(width, 800);
    // The centre of the other square, 700..750 x 500..550 scaled by 800 / 1024.
    EXPECT_EQ(Rgb(image, 566, 410), 0xFA1E05u);
    XDestroyImage(image);
}

TEST_F(WindowPresent, APulseDrawnBeforeIsPutFromMemoryOntoTheWindowAndIntoThePicture)
{
    const auto driver = TGLDraw2DDriver::Instance();
    _areas->backEndAreas = true;
    // The pulse's colour where the test reads it, screenshot-like between the frame's end and its
    // present; the window's afterwards.
    uint8_t level = 0;
    std::vector<uint32_t> grabbed;
    const int32_t hook = AddFlipHook([&] {
        const TPixmapPtr pixel = GrabPixmap(120, 220, 1, 1);
        grabbed.push_back(pixel ? uint32_t{pixel->pixels[0]} << 16 | uint32_t{pixel->pixels[1]} << 8 | pixel->pixels[2]
                                : 0);
    });
    const auto pulse = [](uint8_t at) { return uint32_t{at} << 16 | uint32_t(255 - at) << 8 | 90; };
    // The size a test before may have left remembered; the second frame at a size is kept.
    SDL_SetWindowSize(CurrentSdlView().window, 1024, 768);
    Present(0, 0, std::nullopt);
    Present(0, 1, std::nullopt);
    const int64_t reused = driver->PiecesReused();
    for (int round = 0; round < 3; ++round) {
        for (const uint8_t at : {10, 60, 110}) {
            level = at;
            grabbed.clear();
            // The picture read before the present, or not at all, as a screenshot may be taken.
            if (round == 2) RemoveFlipHook(hook);
            Present(level, 0, std::nullopt);
            if (round < 2) {
                EXPECT_EQ(grabbed, std::vector<uint32_t>{pulse(level)}) << round << " " << int{level};
            }
            ASSERT_EQ(Unlike(0, 0, 1024, 768), 0) << round << " " << int{level};
            int32_t width = 0, height = 0;
            XImage* image = Window(width, height);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(Rgb(image, 120, 220), pulse(level)) << round << " " << int{level};
            XDestroyImage(image);
        }
    }
    // The first round drew its pulses; each later one was found drawn before. The first frame of
    // the first round changed from the whole frame before, whose pulse was another.
    EXPECT_EQ(driver->PiecesReused() - reused, 6);
    // The picture holds the pulses put from memory: a present of it whole shows the last.
    CurrentSdlView().repaintRequested = true;
    Present(110, 0, std::nullopt);
    int32_t width = 0, height = 0;
    XImage* image = Window(width, height);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Rgb(image, 120, 220), pulse(110));
    XDestroyImage(image);
}

TEST_F(WindowPresent, AMessageFromTheServerIsSeenByTheVeryNextPollHoweverSoon)
{
    const std::shared_ptr<TEventSource> source = CreateSdlEventSource();
    std::vector<int32_t> seen;
    SetInputEventTap([&seen](const TEvent& e) { seen.push_back(e.id); });
    const auto closes = [&seen] { return std::count(seen.begin(), seen.end(), EVENT_APPTERMINATE); };
    Display* own = OwnDisplay();
    ASSERT_NE(own, nullptr);
    const TMessagesWaiting waiting = X11MessagesWaiting(CurrentSdlView().window);
    ASSERT_TRUE(waiting);
    // The close button of a window manager, pressed from another connection.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(CurrentSdlView().window, &info));
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = info.info.x11.window;
    close.xclient.message_type = XInternAtom(other, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(other, "WM_DELETE_WINDOW", False));
    // Whatever the window's opening brought is read first.
    for (int i = 0; i < 20; ++i) {
        source->PollEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Rounds a fraction of a millisecond apart, as a frame asks for its keys: the message waits on
    // the connection, or was read already along with an answer, to Xlib or to a library that talks
    // to the server through the connection beside Xlib (as OpenGL's does).
    enum TRead { Waits, WithAnswer, BesideXlib };
    for (const TRead read : {Waits, WithAnswer, BesideXlib, Waits, BesideXlib}) {
        seen.clear();
        source->PollEvents();
        EXPECT_FALSE(waiting()) << read;
        EXPECT_FALSE(waiting()) << read;
        ASSERT_NE(XSendEvent(other, info.info.x11.window, False, NoEventMask, &close), 0);
        XSync(other, False);
        pollfd connection{ConnectionNumber(own), POLLIN, 0};
        ASSERT_EQ(poll(&connection, 1, 2000), 1) << read;
        if (read == WithAnswer) {
            XWindowAttributes attributes{};
            XGetWindowAttributes(own, info.info.x11.window, &attributes);
        }
        if (read == BesideXlib) {
            xcb_connection_t* connection = XGetXCBConnection(own);
            std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        }
        if (read != Waits) {
            ASSERT_EQ(poll(&connection, 1, 0), 0) << "the message was not read: " << read;
        }
        EXPECT_TRUE(waiting()) << read;
        source->PollEvents();
        EXPECT_GT(closes(), 0) << read;
    }
    XCloseDisplay(other);
    // A message that a request still waiting in Xlib's buffer brings: the polls send it, and one
    // sees the message once it comes.
    seen.clear();
    source->PollEvents();
    EXPECT_FALSE(waiting());
    ASSERT_NE(XSendEvent(own, info.info.x11.window, False, NoEventMask, &close), 0);
    bool came = false;
    for (int i = 0; i < 200 && !(came = waiting()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(came);
    source->PollEvents();
    EXPECT_GT(closes(), 0);

    // A controller sends no X messages: while one is plugged in, every poll reads it.
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int device = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(device, 0) << SDL_GetError();
    SDL_Joystick* stick = SDL_JoystickOpen(device);
    ASSERT_NE(stick, nullptr) << SDL_GetError();
    source->PollEvents();  // the pad is found and opened
    for (const Uint8 pressed : {1, 0, 1, 0}) {
        seen.clear();
        SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, pressed);
        source->PollEvents();
        EXPECT_EQ(seen, std::vector<int32_t>{pressed ? EVENT_KEYDOWN : EVENT_KEYUP}) << int{pressed};
    }
    SDL_JoystickClose(stick);
    SDL_JoystickDetachVirtual(device);
    SetInputEventTap(nullptr);
    FlushInputState();
}

}  // namespace

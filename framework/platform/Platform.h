// The SDL platform: window and GL context, events, the real clock, and display detection.
#pragma once

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Pixmap.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"

#include <cstdint>
#include <memory>
#include <string>

// Window or full screen on SDL with a compatibility GL context. Headless: an offscreen EGL
// pbuffer (SDL's "offscreen" driver, software GL) that never hard-syncs, so Flip paces with
// the clock, which headless runs make virtual.
// window true opens a window whatever depth the game asks for.
std::shared_ptr<TGLContextProvider> CreateSdlGLContextProvider(bool headless, bool window = false);

// The window as the player left it: full screen or a window, and the window's size (0 when not
// known). A window opens at that size when it fits the screen; closing the display records it.
struct TWindowState {
    bool fullScreen = true;
    int32_t width = 0;
    int32_t height = 0;
};
TWindowState& RememberedWindowState();

// Keyboard, text, mouse and window events of the SDL window as TEvents.
std::shared_ptr<TEventSource> CreateSdlEventSource();

// Milliseconds since the program started, and a sleep that really waits.
std::shared_ptr<TClock> CreateRealClock();

// True when a window can be opened; otherwise why holds a short reason.
bool DisplayAvailable(std::string& why);

// Sets the environment so that SDL renders offscreen in software; call before any SDL use.
void PrepareHeadlessEnvironment();

// Maps an SDL key code to the virtual-key numbering of TEvent; 0 when the key has none.
int32_t VirtualKeyFromSdl(int32_t sdlKey, int32_t sdlScancode);

// Decodes UTF-8 typed text into Latin-1 character codes; characters above 255 are dropped.
std::string Latin1FromUtf8(const std::string& utf8);

// Where a picture of inner size lands when scaled into an outer area with its aspect kept:
// centred, as large as fits, the rest black bars.
struct TLetterbox {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};
TLetterbox FitLetterbox(int32_t outerWidth, int32_t outerHeight, int32_t innerWidth, int32_t innerHeight);
// A point of the outer area in picture coordinates, clamped onto the picture.
void OuterToInner(const TLetterbox& box, int32_t innerWidth, int32_t innerHeight, int32_t outerX, int32_t outerY,
                  int32_t& innerX, int32_t& innerY);
// A picture point in outer-area coordinates: an outer pixel that maps back onto it when it can.
void InnerToOuter(const TLetterbox& box, int32_t innerWidth, int32_t innerHeight, int32_t innerX, int32_t innerY,
                  int32_t& outerX, int32_t& outerY);

// Writes the pixmap as an 8-bit RGB PNG (alpha dropped: a screenshot is opaque). The file appears
// whole or not at all: it is written beside the target and renamed over it. False with error set.
bool SavePixmapPng(const TPixmap& pixmap, const std::string& path, std::string& error);

// From now on SIGINT and SIGTERM only note a request to end, which TakeTerminationSignal reports;
// a second signal ends the program at once.
void InstallTerminationSignals();
// True once for each noted request to end.
bool TakeTerminationSignal();
// True once the connection to the display was lost.
bool DisplayLost();

// Empties SDL's event queue without delivering anything, so a window stays responsive while
// its input comes from elsewhere.
void DiscardSdlEvents();

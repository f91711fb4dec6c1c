// The graphics context: opening the display, the current graphics, Flip and its pacing.
#pragma once

#include "framework/graphics/DrawList.h"
#include "framework/graphics/Driver.h"

#include <cstdint>
#include <functional>
#include <memory>

constexpr int32_t GFX_BACKBUFFER = 2;
constexpr int32_t GFX_ALPHABUFFER = 4;
constexpr int32_t GFX_DEPTHBUFFER = 8;
constexpr int32_t GFX_STENCILBUFFER = 16;
constexpr int32_t GFX_ACCUMBUFFER = 32;

// What the platform supplies to the OpenGL back-end: a window (or offscreen surface) with a
// current GL context. Implemented in framework/platform; null in unit tests that record.
class TGLContextProvider {
public:
    virtual ~TGLContextProvider() = default;
    // Opens the window and makes its GL context current; depth 0 asks for a window.
    virtual bool Open(int32_t width, int32_t height, int32_t depth, int32_t hertz, int32_t flags) = 0;
    virtual void Close() = 0;
    // True when presenting with a swap interval of 1 paces frames at hertz; otherwise Flip
    // paces with the timer.
    virtual bool CanHardSync(int32_t hertz) = 0;
    // True once after the surface has switched between a window and the full screen by itself
    // (the player's toggle): the pacing is then chosen again.
    virtual bool TakePacingChange() { return false; }
    virtual void SetSwapInterval(int32_t interval) = 0;
    virtual void SwapBuffers() = 0;
    // Presents a picture that differs from the one presented last only inside changed (rows
    // counted from the top), so that where the screen keeps the rest only those areas need be
    // copied to it. The whole picture where the surface cannot do that.
    virtual void SwapChanged(const std::vector<TPixelRect>&) { SwapBuffers(); }
    // Whether the next present may be given the changed areas' pixels rather than read them from
    // the picture (SwapPieces).
    virtual bool TakesPieces() { return false; }
    // Presents a picture that differs from the one presented last only in the pieces given, their
    // pixels as they are; drawn: the surface's picture holds them already, else they are written
    // into it. False, having done nothing, where the surface cannot.
    virtual bool SwapPieces(const std::vector<TPicturePiece>&, bool /*drawn*/) { return false; }
    // True when what is drawn stays in the surface from one frame to the next, presents included,
    // so that a frame need only be drawn where it differs from the last.
    virtual bool KeepsPicture() { return false; }
    // True when the screen still shows the last presented picture (nothing covered, resized or
    // switched it since), so that presenting the same picture again would change nothing.
    virtual bool ShowsLastPicture() { return false; }
};
void SetGLContextProvider(std::shared_ptr<TGLContextProvider> provider);

class TGraphics {
public:
    virtual ~TGraphics() = default;
    virtual void GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz, int32_t& flags) = 0;
    virtual void Close() = 0;
};
using TGraphicsPtr = std::shared_ptr<TGraphics>;

// Null when the display cannot be opened.
TGraphicsPtr OpenGraphics(int32_t width, int32_t height, int32_t depth, int32_t hertz, int32_t flags);
void EndGraphics();
// Drawing through the recording driver instead of OpenGL; for tests.
class TRecordingDriver;
TGraphicsPtr OpenRecordingGraphics(int32_t width, int32_t height, std::shared_ptr<TRecordingDriver> driver);

int32_t GraphicsWidth();
int32_t GraphicsHeight();
int32_t GraphicsDepth();
int32_t GraphicsHertz();

// -1: paced (vertical blank in full screen, timer in a window); 0 and 1 present at once.
void Flip(int32_t sync = -1);
// Lets the back-end set aside, over the following frames that leave time, the memory it takes to
// draw screens full of text and images, so that their first frames need not wait for it. Costs that
// memory for the rest of the run where the back-end needs it (a software renderer).
void ReserveDrawingMemory();
// Hands the memory the program has freed back to the system (ReturnFreedMemory), but for as much as
// the drawing memory set aside, which stays in place for the rest of the run: the renderer would
// otherwise fault its pages in again, and handing them back costs time now as well (at level 1's
// start after the menu, 39 of the 43 MiB handed back were the reserve's).
void ReturnFreedMemoryButDrawingReserve();

// Run by every Flip: before presenting (the finished frame is still readable) and after.
// Each returns an id for RemoveFlipHook.
int32_t AddFlipHook(std::function<void()> hook);
int32_t AddPostFlipHook(std::function<void()> hook);
// Drops the hook with that id; an unknown id is ignored.
void RemoveFlipHook(int32_t id);
// Drops every hook of both kinds; for tests.
void ClearFlipHooks();

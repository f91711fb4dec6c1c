// The GL pieces under the SDL window: the owned context, the fence that bounds the frames queued
// offscreen, and the framebuffer a window's picture is drawn into and scaled from.
#pragma once

#include "framework/graphics/DrawList.h"
#include "framework/platform/Platform.h"
#include "framework/platform/SdlView.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdint>
#include <memory>
#include <vector>

// SDL_GLContext is a plain pointer; this owns one.
class TGLContext {
public:
    TGLContext() = default;
    explicit TGLContext(SDL_GLContext context) : _context(context) {}
    ~TGLContext() { Reset(); }
    TGLContext(const TGLContext&) = delete;
    TGLContext& operator=(const TGLContext&) = delete;
    TGLContext& operator=(TGLContext&& other) noexcept
    {
        if (this != &other) {
            Reset();
            _context = other._context;
            other._context = nullptr;
        }
        return *this;
    }
    SDL_GLContext Get() const { return _context; }
    void Reset()
    {
        if (_context) {
            if (SDL_GL_GetCurrentContext() == _context) SDL_GL_MakeCurrent(nullptr, nullptr);
            SDL_GL_DeleteContext(_context);
            _context = nullptr;
        }
    }

private:
    SDL_GLContext _context = nullptr;
};

// Marks the end of each presented frame, so a present can wait for the frame before it; falls
// back to waiting for everything where OpenGL has no fences (before 3.2 without ARB_sync).
class TFrameFence {
public:
    TFrameFence() = default;
    ~TFrameFence() { Reset(); }
    TFrameFence(const TFrameFence&) = delete;
    TFrameFence& operator=(const TFrameFence&) = delete;

    // Waits until the frame presented before this one is drawn, then marks this one.
    void Wait();
    // The fence belongs to the context that is about to go.
    void Reset();

private:
    void Load();

    bool _loaded = false;
    GLsync _previous = nullptr;
    PFNGLFENCESYNCPROC _fenceSync = nullptr;
    PFNGLCLIENTWAITSYNCPROC _clientWaitSync = nullptr;
    PFNGLDELETESYNCPROC _deleteSync = nullptr;
};

// The game draws 1024 x 768 into this framebuffer object, which each present copies onto the
// window, scaled with the aspect kept and black bars around on a screen of another size.
class TFramebufferScaler {
public:
    // Null when the context has no framebuffer objects (GL 3.0 or ARB_framebuffer_object).
    static std::unique_ptr<TFramebufferScaler> Create(int32_t width, int32_t height);
    ~TFramebufferScaler();
    TFramebufferScaler(const TFramebufferScaler&) = delete;
    TFramebufferScaler& operator=(const TFramebufferScaler&) = delete;

    // The whole picture, or with changed only those areas of it where the window still shows the
    // rest, onto a window whose drawable is that size. immediate: no wait for the vertical blank
    // is wanted, so the picture may be copied to the screen rather than swapped onto it.
    void Present(SDL_Window* window, int32_t drawableWidth, int32_t drawableHeight,
                 const std::vector<TPixelRect>* changed, bool immediate);
    // Whether pieces may be put onto the window as they are (PresentPieces) at the size last
    // presented.
    bool TakesPieces(bool immediate) const;
    // The pieces put straight onto the window, and written into the picture unless drawn there;
    // false, having done nothing, where Present would not put a part alone.
    bool PresentPieces(SDL_Window* window, int32_t drawableWidth, int32_t drawableHeight,
                       const std::vector<TPicturePiece>& pieces, bool drawn, bool immediate);

private:
    TFramebufferScaler(int32_t width, int32_t height) : _width(width), _height(height) {}
    bool Load();
    bool Build();
    // The changed areas copied to where they were last presented, through the window's back
    // buffer, or put onto the window straight from the picture.
    void PresentPart(const std::vector<TPixelRect>& changed, int32_t drawableHeight, const TLetterbox& box);
    void PutPart(const std::vector<TPixelRect>& changed, const TLetterbox& box);
    // The window system's ways of presenting a part, looked up at the first present.
    void LookUpCopy(SDL_Window* window);
    // Whether a part of the picture goes onto the window straight.
    bool PutsPart(SDL_Window* window, int32_t drawableWidth, int32_t drawableHeight, const TLetterbox& box,
                  bool immediate);
    // Rows as OpenGL reads them, the bottom one first, turned into the window's order and put.
    void PutRows(const TPixelRect& part, const TLetterbox& box, const uint8_t* rows);

    int32_t _width;
    int32_t _height;
    // Copying rather than swapping leaves the window's back buffer holding the whole picture last
    // presented, at that window size; a swap leaves it undefined.
    TSubBufferCopy _copy;
    TWindowPut _put;
    std::vector<uint8_t> _read;    // the changed area read back, kept for the next
    std::vector<uint8_t> _pixels;  // an area in the window's order
    bool _copyLooked = false;
    bool _backKept = false;
    int32_t _keptWidth = 0;
    int32_t _keptHeight = 0;
    GLuint _framebuffer = 0;
    // The picture is a texture, so that pieces can be written into it without drawing.
    GLuint _texture = 0;
    PFNGLGENFRAMEBUFFERSPROC _genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC _deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC _bindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC _framebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC _checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC _blitFramebuffer = nullptr;
};

// The frame fence of offscreen presents and the framebuffer a window's picture is scaled from.
#include "framework/platform/GLSurface.h"
#include "framework/platform/Comforts.h"
#include "framework/platform/SdlView.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int MajorGLVersion()
{
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version ? std::atoi(version) : 0;
}

template <typename T>
bool LoadProc(T& proc, const char* name)
{
    proc = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
    return proc != nullptr;
}

}  // namespace

void TFrameFence::Wait()
{
    if (!_loaded) Load();
    if (!_fenceSync) {
        glFinish();
        return;
    }
    if (_previous) {
        _clientWaitSync(_previous, GL_SYNC_FLUSH_COMMANDS_BIT, GL_TIMEOUT_IGNORED);
        _deleteSync(_previous);
    }
    _previous = _fenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    // Starts drawing this frame now, on the renderer's own threads.
    glFlush();
}

void TFrameFence::Reset()
{
    if (_previous && _deleteSync) _deleteSync(_previous);
    _previous = nullptr;
    _loaded = false;
    _fenceSync = nullptr;
}

void TFrameFence::Load()
{
    _loaded = true;
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0;
    int minor = 0;
    if (version) std::sscanf(version, "%d.%d", &major, &minor);
    const bool core = major > 3 || (major == 3 && minor >= 2);
    if (!core && !SDL_GL_ExtensionSupported("GL_ARB_sync")) return;
    _clientWaitSync = reinterpret_cast<PFNGLCLIENTWAITSYNCPROC>(SDL_GL_GetProcAddress("glClientWaitSync"));
    _deleteSync = reinterpret_cast<PFNGLDELETESYNCPROC>(SDL_GL_GetProcAddress("glDeleteSync"));
    _fenceSync = reinterpret_cast<PFNGLFENCESYNCPROC>(SDL_GL_GetProcAddress("glFenceSync"));
    if (!_clientWaitSync || !_deleteSync) _fenceSync = nullptr;
}

std::unique_ptr<TFramebufferScaler> TFramebufferScaler::Create(int32_t width, int32_t height)
{
    if (!SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object") && MajorGLVersion() < 3) return nullptr;
    auto scaler = std::unique_ptr<TFramebufferScaler>(new TFramebufferScaler(width, height));
    if (!scaler->Load() || !scaler->Build()) return nullptr;
    return scaler;
}

TFramebufferScaler::~TFramebufferScaler()
{
    if (_framebuffer) {
        _bindFramebuffer(GL_FRAMEBUFFER, 0);
        _deleteFramebuffers(1, &_framebuffer);
    }
    if (_renderbuffer) _deleteRenderbuffers(1, &_renderbuffer);
}

void TFramebufferScaler::Present(SDL_Window* window, int32_t drawableWidth, int32_t drawableHeight,
                                 const std::vector<TPixelRect>* changed, bool immediate)
{
    const TLetterbox box = FitLetterbox(drawableWidth, drawableHeight, _width, _height);
    if (!_copyLooked) {
        _copy = X11SubBufferCopy(window);
        // Only where the window's GL itself puts its pictures onto the window.
        if (_copy) _put = X11WindowPut(window);
        _copyLooked = true;
    }
    // The GL sizes the window's back buffer anew only after a swap: at a new window size the
    // picture is swapped on once, and copied from the next present on.
    const bool copy = _copy && immediate && drawableWidth == _keptWidth && drawableHeight == _keptHeight;
    // Scaled, a changed pixel's filtering reaches its neighbours; a note is drawn over the whole.
    const bool part =
        copy && changed && _backKept && box.width == _width && box.height == _height && !CurrentComforts().Note();
    // Straight from the picture onto the window: drawing the areas into the window's back buffer
    // first would have the renderer start its threads twice a frame.
    if (part && _put) {
        PutPart(*changed, box);
        return;
    }

    // The game's scissor and clear colour must not reach the bars, and survive the present.
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    GLfloat clearColor[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    glDisable(GL_SCISSOR_TEST);
    _bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    _bindFramebuffer(GL_READ_FRAMEBUFFER, _framebuffer);
    if (part) {
        PresentPart(*changed, drawableHeight, box);
    } else {
        // Bars only where the picture leaves room for them.
        if (box.width != drawableWidth || box.height != drawableHeight) {
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        const int32_t bottom = drawableHeight - box.y - box.height;
        // Unscaled, each pixel is copied as it is; filtering would give the same at more cost.
        const bool unscaled = box.width == _width && box.height == _height;
        _blitFramebuffer(0, 0, _width, _height, box.x, bottom, box.x + box.width, bottom + box.height,
                         GL_COLOR_BUFFER_BIT, unscaled ? GL_NEAREST : GL_LINEAR);
        // Over the window, never into the game's kept picture.
        DrawNoteOverlay(box, _height, drawableHeight);
        if (copy)
            _copy(0, 0, drawableWidth, drawableHeight);
        else
            SDL_GL_SwapWindow(window);
        _backKept = copy;
        _keptWidth = drawableWidth;
        _keptHeight = drawableHeight;
    }
    _bindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    if (scissor) glEnable(GL_SCISSOR_TEST);
}

void TFramebufferScaler::PresentPart(const std::vector<TPixelRect>& changed, int32_t drawableHeight,
                                     const TLetterbox& box)
{
    const TPixelRect picture{0, 0, _width, _height};
    for (const TPixelRect& area : changed) {
        const TPixelRect part = area.Intersect(picture);
        if (part.Empty()) continue;
        const int32_t width = part.x1 - part.x0;
        const int32_t height = part.y1 - part.y0;
        // GL counts rows from the bottom, of the picture and of the window.
        const int32_t x = box.x + part.x0;
        const int32_t y = drawableHeight - box.y - part.y1;
        _blitFramebuffer(part.x0, _height - part.y1, part.x1, _height - part.y0, x, y, x + width, y + height,
                         GL_COLOR_BUFFER_BIT, GL_NEAREST);
        _copy(x, y, width, height);
    }
}

void TFramebufferScaler::PutPart(const std::vector<TPixelRect>& changed, const TLetterbox& box)
{
    const TPixelRect picture{0, 0, _width, _height};
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    for (const TPixelRect& area : changed) {
        const TPixelRect part = area.Intersect(picture);
        if (part.Empty()) continue;
        const int32_t width = part.x1 - part.x0;
        const int32_t height = part.y1 - part.y0;
        const size_t pitch = static_cast<size_t>(width) * 4;
        _read.resize(pitch * static_cast<size_t>(height));
        _pixels.resize(_read.size());
        // Read in the picture's own layout, which the renderer copies as it is, where another
        // would have it convert every pixel; turned into the window's order here, and the bottom
        // row, which OpenGL hands first, put last.
        glReadPixels(part.x0, _height - part.y1, width, height, GL_RGBA, GL_UNSIGNED_BYTE, _read.data());
        for (int32_t row = 0; row < height; ++row) {
            const uint8_t* from = _read.data() + static_cast<size_t>(height - 1 - row) * pitch;
            uint8_t* to = _pixels.data() + static_cast<size_t>(row) * pitch;
            for (size_t at = 0; at < pitch; at += 4) {
                to[at] = from[at + 2];
                to[at + 1] = from[at + 1];
                to[at + 2] = from[at];
                to[at + 3] = from[at + 3];
            }
        }
        _put(box.x + part.x0, box.y + part.y0, width, height, _pixels.data());
    }
}

bool TFramebufferScaler::Load()
{
    return LoadProc(_genFramebuffers, "glGenFramebuffers") && LoadProc(_deleteFramebuffers, "glDeleteFramebuffers") &&
           LoadProc(_bindFramebuffer, "glBindFramebuffer") && LoadProc(_genRenderbuffers, "glGenRenderbuffers") &&
           LoadProc(_deleteRenderbuffers, "glDeleteRenderbuffers") &&
           LoadProc(_bindRenderbuffer, "glBindRenderbuffer") &&
           LoadProc(_renderbufferStorage, "glRenderbufferStorage") &&
           LoadProc(_framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
           LoadProc(_checkFramebufferStatus, "glCheckFramebufferStatus") &&
           LoadProc(_blitFramebuffer, "glBlitFramebuffer");
}

bool TFramebufferScaler::Build()
{
    _genRenderbuffers(1, &_renderbuffer);
    _bindRenderbuffer(GL_RENDERBUFFER, _renderbuffer);
    _renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, _width, _height);
    _bindRenderbuffer(GL_RENDERBUFFER, 0);
    _genFramebuffers(1, &_framebuffer);
    _bindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
    _framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, _renderbuffer);
    if (_checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

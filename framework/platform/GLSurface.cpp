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
    if (_texture) glDeleteTextures(1, &_texture);
}

void TFramebufferScaler::Present(SDL_Window* window, int32_t drawableWidth, int32_t drawableHeight,
                                 const std::vector<TPixelRect>* changed, bool immediate)
{
    const TLetterbox box = FitLetterbox(drawableWidth, drawableHeight, _width, _height);
    LookUpCopy(window);
    // Straight from the picture onto the window: drawing the areas into the window's back buffer
    // first would have the renderer start its threads twice a frame.
    if (changed && PutsPart(window, drawableWidth, drawableHeight, box, immediate)) {
        PutPart(*changed, box);
        return;
    }
    // The GL sizes the window's back buffer anew only after a swap: at a new window size the
    // picture is swapped on once, and copied from the next present on.
    const bool copy = _copy && immediate && drawableWidth == _keptWidth && drawableHeight == _keptHeight;
    // Scaled, a changed pixel's filtering reaches its neighbours; a note is drawn over the whole.
    const bool part =
        copy && changed && _backKept && box.width == _width && box.height == _height && !CurrentComforts().Note();

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

void TFramebufferScaler::LookUpCopy(SDL_Window* window)
{
    if (_copyLooked) return;
    _copy = X11SubBufferCopy(window);
    // Only where the window's GL itself puts its pictures onto the window.
    if (_copy) _put = X11WindowPut(window);
    _copyLooked = true;
}

bool TFramebufferScaler::PutsPart(SDL_Window* window, int32_t drawableWidth, int32_t drawableHeight,
                                  const TLetterbox& box, bool immediate)
{
    LookUpCopy(window);
    return TakesPieces(immediate) && drawableWidth == _keptWidth && drawableHeight == _keptHeight &&
           box.width == _width && box.height == _height;
}

bool TFramebufferScaler::TakesPieces(bool immediate) const
{
    return _put && immediate && _backKept && !CurrentComforts().Note();
}

bool TFramebufferScaler::PresentPieces(SDL_Window* window, int32_t drawableWidth, int32_t drawableHeight,
                                       const std::vector<TPicturePiece>& pieces, bool drawn, bool immediate)
{
    const TLetterbox box = FitLetterbox(drawableWidth, drawableHeight, _width, _height);
    if (!PutsPart(window, drawableWidth, drawableHeight, box, immediate)) return false;
    const TPixelRect picture{0, 0, _width, _height};
    for (const TPicturePiece& piece : pieces)
        if (piece.area.Intersect(picture) != piece.area || !piece.pixels ||
            piece.pixels->size() != static_cast<size_t>(piece.area.Area()) * 4)
            return false;
    if (!drawn) {
        // Copied into the picture's texture: no drawing, so the renderer's threads stay asleep.
        // What the game's drawing knows to be bound and how it unpacks stay as they were.
        GLint bound = 0, alignment = 4, rowLength = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
        glBindTexture(GL_TEXTURE_2D, _texture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        for (const TPicturePiece& piece : pieces) {
            const TPixelRect& area = piece.area;
            glTexSubImage2D(GL_TEXTURE_2D, 0, area.x0, _height - area.y1, area.x1 - area.x0, area.y1 - area.y0, GL_RGBA,
                            GL_UNSIGNED_BYTE, piece.pixels->data());
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    }
    for (const TPicturePiece& piece : pieces) PutRows(piece.area, box, piece.pixels->data());
    return true;
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
        _read.resize(static_cast<size_t>(part.Area()) * 4);
        // Read in the picture's own layout, which the renderer copies as it is, where another
        // would have it convert every pixel.
        glReadPixels(part.x0, _height - part.y1, part.x1 - part.x0, part.y1 - part.y0, GL_RGBA, GL_UNSIGNED_BYTE,
                     _read.data());
        PutRows(part, box, _read.data());
    }
}

void TFramebufferScaler::PutRows(const TPixelRect& part, const TLetterbox& box, const uint8_t* rows)
{
    const int32_t width = part.x1 - part.x0;
    const int32_t height = part.y1 - part.y0;
    const size_t pitch = static_cast<size_t>(width) * 4;
    _pixels.resize(pitch * static_cast<size_t>(height));
    // The bottom row, which OpenGL hands first, put last.
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* from = rows + static_cast<size_t>(height - 1 - row) * pitch;
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

bool TFramebufferScaler::Load()
{
    return LoadProc(_genFramebuffers, "glGenFramebuffers") && LoadProc(_deleteFramebuffers, "glDeleteFramebuffers") &&
           LoadProc(_bindFramebuffer, "glBindFramebuffer") &&
           LoadProc(_framebufferTexture2D, "glFramebufferTexture2D") &&
           LoadProc(_checkFramebufferStatus, "glCheckFramebufferStatus") &&
           LoadProc(_blitFramebuffer, "glBlitFramebuffer");
}

bool TFramebufferScaler::Build()
{
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGenTextures(1, &_texture);
    glBindTexture(GL_TEXTURE_2D, _texture);
    // Unfiltered before it is made, so that level 0 alone is.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, _width, _height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    _genFramebuffers(1, &_framebuffer);
    _bindFramebuffer(GL_FRAMEBUFFER, _framebuffer);
    _framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, _texture, 0);
    if (_checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return true;
}

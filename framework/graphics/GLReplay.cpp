// The OpenGL 2D back-end's replay: a frame's commands drawn in runs of one state, and the cache of OpenGL's state.
#include "framework/graphics/GLDriver.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Sampler objects came with OpenGL 3.3; before that only as an extension.
bool HasSamplerObjects()
{
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 && (major > 3 || (major == 3 && minor >= 3)))
        return true;
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_sampler_objects") != nullptr;
}

// The two commands, drawn in these scissors, may share one begin-end: everything that decides
// their pixels but their vertices is the same.
bool Joinable(const TDrawCommand& a, const TPixelRect& a_scissor, const TDrawCommand& b, const TPixelRect& b_scissor)
{
    const TGLDrawKind kind = a.state.kind;
    return !a.state.alone &&
           (kind == TGLDrawKind::Quads || kind == TGLDrawKind::Points || kind == TGLDrawKind::Lines) &&
           a.state == b.state && a_scissor == b_scissor;
}

// The pixels a command may change. An upright quad changes only the pixels whose centres it holds
// (with a margin for the renderer's snapping of corners to a fraction of a pixel); anything else
// is taken at its bounds, which allow a pixel more on every side.
TPixelRect Reach(const TDrawCommand& command, const TDrawVertex* vertices, int32_t width, int32_t height)
{
    if (command.state.kind != TGLDrawKind::Quads || command.count != 4 ||
        command.state.projectionWidth != static_cast<float>(width) ||
        command.state.projectionHeight != static_cast<float>(height))
        return command.bounds;
    const TDrawVertex* v = vertices + command.first;
    if (v[0].y != v[1].y || v[1].x != v[2].x || v[2].y != v[3].y || v[3].x != v[0].x) return command.bounds;
    constexpr float kMargin = 1.0f / 64.0f;
    // Far beyond any screen, and safe to turn into an integer.
    const auto edge = [](float value) { return static_cast<int32_t>(std::clamp(value, -1.0e6f, 1.0e6f)); };
    // Column c is drawn when c + 0.5 lies between the left and right edges.
    const TPixelRect held{edge(std::ceil(std::min(v[0].x, v[1].x) - 0.5f - kMargin)),
                          edge(std::ceil(std::min(v[0].y, v[2].y) - 0.5f - kMargin)),
                          edge(std::floor(std::max(v[0].x, v[1].x) - 0.5f + kMargin)) + 1,
                          edge(std::floor(std::max(v[0].y, v[2].y) - 0.5f + kMargin)) + 1};
    return held.Intersect(command.bounds);
}

}  // namespace

void TGLDraw2DDriver::ResetGLContext(TGLContextProvider* provider, int32_t width, int32_t height)
{
    // Commands gathered for another context can no longer be drawn, and its picture is gone.
    _frame.Clear();
    _previous.Clear();
    _executed = 0;
    _changed = false;
    _previous_drawn = false;
    _provider = provider;
    _width = width;
    _height = height;
    _unit_pixels = true;
    _projection_width = static_cast<float>(width);
    _projection_height = static_cast<float>(height);
    _scissor = Screen();
    _blend = -1;
    // The sampler and everything known of an older context died with it; what is known is what
    // is set below.
    _gl = {};
    _gl.texturing = 0;
    _gl.scissor = Screen();
    _gl.projectionWidth = _projection_width;
    _gl.projectionHeight = _projection_height;
    _gl.lineWidth = 1.0f;
    if (HasSamplerObjects()) {
        glGenSamplers(1, &_gl.nearestSampler);
        glSamplerParameteri(_gl.nearestSampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(_gl.nearestSampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(_gl.nearestSampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(_gl.nearestSampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindSampler(0, 0);
    }
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    _software_renderer = renderer && (std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe"));
    _frame.commands.reserve(2048);
    _frame.vertices.reserve(8192);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_SCISSOR_TEST);
    glLineWidth(1.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    WarmUpPrograms();
    // The first screen's backgrounds find their textures made, before the first frame.
    if (_software_renderer) {
        SetSpareTextureSize(width, height);
        while (MakeSpareTexture()) {
        }
    }
}

void TGLDraw2DDriver::WarmUpPrograms()
{
    // A software renderer builds the program for each state it first draws in, on the game's
    // thread in the middle of that frame (the whole of the "Loading..." frame's time). Quads whose
    // corners all lie on one point draw no pixel but have them built here, before the first frame,
    // for every blend mode: untextured, and textured filtered and through the nearest sampler,
    // from a texture of one level and from one with smaller levels (a picture once drawn smaller,
    // then again at its own size), each a program of its own.
    // Textures of the game's kind, deleted on the way out.
    struct TTexture {
        GLuint name = 0;
        explicit TTexture(int32_t levels)
        {
            glGenTextures(1, &name);
            glBindTexture(GL_TEXTURE_2D, name);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, levels > 1 ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
            const uint32_t white[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
            for (int32_t level = 0; level < levels; ++level) {
                const int32_t size = 1 << (levels - 1 - level);
                glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
            }
        }
        ~TTexture() { glDeleteTextures(1, &name); }
        TTexture(const TTexture&) = delete;
        TTexture& operator=(const TTexture&) = delete;
    };
    const TTexture single(1), levelled(2);
    // Not the frames' own changes.
    const int64_t changes = _state_changes;
    for (const int32_t blend : {BLEND_SOLID, BLEND_MASK, BLEND_ALPHA, BLEND_LIGHT, BLEND_SHADE}) {
        ApplyBlend(blend);
        for (const GLuint texture : {GLuint{0}, single.name, levelled.name}) {
            for (const bool nearest : {false, true}) {
                if (texture == 0 && nearest) continue;
                if (texture == 0) {
                    glDisable(GL_TEXTURE_2D);
                } else {
                    glEnable(GL_TEXTURE_2D);
                    glBindTexture(GL_TEXTURE_2D, texture);
                    if (_gl.nearestSampler != 0) glBindSampler(0, nearest ? _gl.nearestSampler : 0);
                }
                // The vertices as a frame gives them: a colour, and texture coordinates when
                // textured.
                glBegin(GL_QUADS);
                glColor4ub(255, 255, 255, 255);
                for (int32_t corner = 0; corner < 4; ++corner) {
                    if (texture != 0) glTexCoord2f(0.0f, 0.0f);
                    glVertex2f(0.0f, 0.0f);
                }
                glEnd();
            }
        }
    }
    _state_changes = changes;
    // A clear within a scissor is drawn as a quad by a program of its own, first needed by the
    // first frame drawn only where it changed. One pixel is cleared to the colour it holds.
    uint8_t pixel[4] = {};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    glClearColor(pixel[0] / 255.0f, pixel[1] / 255.0f, pixel[2] / 255.0f, pixel[3] / 255.0f);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    // Back to the state the cache holds: texturing off, no texture, no sampler.
    if (_gl.nearestSampler != 0) glBindSampler(0, 0);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void TGLDraw2DDriver::BindTexture(uint32_t name)
{
    const bool change = name == 0 ? _gl.texturing != 0 : (_gl.texturing != 1 || _gl.bound != name);
    if (!change) return;
    EndPrimitive();
    if (name == 0) {
        glDisable(GL_TEXTURE_2D);
        _gl.texturing = 0;
        ++_state_changes;
        return;
    }
    if (_gl.texturing != 1) {
        glEnable(GL_TEXTURE_2D);
        _gl.texturing = 1;
        ++_state_changes;
    }
    if (_gl.bound != name) {
        glBindTexture(GL_TEXTURE_2D, name);
        _gl.bound = name;
        ++_state_changes;
    }
}

void TGLDraw2DDriver::ForgetTexture(uint32_t name)
{
    if (_gl.bound == name) _gl.bound = 0;
}

void TGLDraw2DDriver::Execute(size_t from, size_t to, const TPixelRect& area)
{
    // Whatever a later command paints over in all of the area never shows: drawing starts there.
    if (_fast_paths) from = FirstShown(_frame, from, to, area, Screen());
    Order(from, to, area);
    _drawn_commands += static_cast<int64_t>(_order.size());
    for (const uint32_t i : _order) {
        const TDrawCommand& command = _frame.commands[i];
        ExecuteCommand(command, command.scissor.Intersect(area));
    }
    EndPrimitive();
}

void TGLDraw2DDriver::Order(size_t from, size_t to, const TPixelRect& area)
{
    // Every state change ends a begin-end, and each costs the renderer far more than its quads
    // (text changes texture at every glyph). A command moves back to the last earlier run of its
    // state when no command of the runs in between may touch its pixels: each pixel still sees
    // the commands that reach it in their order. How far back it looks bounds the work.
    constexpr size_t kLookBack = 256;
    constexpr uint32_t kEnd = UINT32_MAX;
    _runs.clear();
    _order.clear();
    _next.resize(_frame.commands.size());
    _reach.resize(_frame.commands.size());
    for (size_t i = from; i < to; ++i) {
        const TDrawCommand& command = _frame.commands[i];
        if (!command.bounds.Overlaps(area)) continue;
        const TPixelRect reach = Reach(command, _frame.vertices.data(), _width, _height).Intersect(area);
        _reach[i] = reach;
        const TPixelRect scissor = command.scissor.Intersect(area);
        const auto index = static_cast<uint32_t>(i);
        _next[i] = kEnd;
        TRun* joined = nullptr;
        for (size_t r = _runs.size(); _fast_paths && r > 0 && _runs.size() - r < kLookBack; --r) {
            TRun& run = _runs[r - 1];
            if (Joinable(_frame.commands[run.head], run.scissor, command, scissor)) {
                joined = &run;
                break;
            }
            if (!run.reach.Overlaps(reach)) continue;
            bool touches = false;
            for (uint32_t k = run.head; k != kEnd && !touches; k = _next[k]) touches = _reach[k].Overlaps(reach);
            if (touches) break;
        }
        if (joined) {
            _next[joined->tail] = index;
            joined->tail = index;
            joined->reach = joined->reach.Union(reach);
        } else {
            _runs.push_back({index, index, scissor, reach});
        }
    }
    for (const TRun& run : _runs)
        for (uint32_t k = run.head; k != kEnd; k = _next[k]) _order.push_back(k);
}

void TGLDraw2DDriver::ExecuteCommand(const TDrawCommand& command, const TPixelRect& scissor)
{
    GLenum primitive = GL_QUADS;
    if (command.state.kind == TGLDrawKind::Points) primitive = GL_POINTS;
    if (command.state.kind == TGLDrawKind::Lines) primitive = GL_LINES;
    if (command.state.kind == TGLDrawKind::Polygon) primitive = GL_POLYGON;
    // One begin-end pair for a run of commands in equal state: OpenGL's immediate mode streams
    // through a buffer it keeps mapped, where vertex arrays from memory would be copied into a
    // fresh buffer for every draw while the renderer's threads still read the last one.
    if (!_gl.openCommand || !Joinable(*_gl.openCommand, _gl.scissor, command, scissor)) {
        EndPrimitive();
        ApplyProjection(command.state.projectionWidth, command.state.projectionHeight);
        ApplyScissor(scissor);
        if (command.state.kind == TGLDrawKind::Clear) {
            if (!_gl.clearKnown || _gl.clearRgba != command.state.clearRgba) {
                const uint32_t c = command.state.clearRgba;
                glClearColor((c & 255) / 255.0f, (c >> 8 & 255) / 255.0f, (c >> 16 & 255) / 255.0f, 1.0f);
                _gl.clearRgba = c;
                _gl.clearKnown = true;
            }
            glClear(GL_COLOR_BUFFER_BIT);
            return;
        }
        ApplyBlend(command.state.blend);
        if (command.state.kind == TGLDrawKind::Pixels) {
            BindTexture(0);
            const TPixmap& rgba = *command.pixels;
            // The raster position starts at the top-left corner (always inside the view) and is
            // moved by an empty bitmap, so a pixmap partly off screen is still drawn.
            glRasterPos2f(0.0f, 0.0f);
            glBitmap(0, 0, 0, 0, static_cast<GLfloat>(command.pixelX), static_cast<GLfloat>(-command.pixelY), nullptr);
            glPixelZoom(1.0f, -1.0f);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, rgba.pitch / 4);
            glDrawPixels(rgba.width, rgba.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.pixels);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            glPixelZoom(1.0f, 1.0f);
            return;
        }
        if (command.state.texture != 0) BindNearestSampler(command.state.nearest);
        BindTexture(command.state.texture);
        if (command.state.kind == TGLDrawKind::Lines && command.state.lineWidth != _gl.lineWidth) {
            glLineWidth(command.state.lineWidth);
            _gl.lineWidth = command.state.lineWidth;
        }
        glBegin(primitive);
        _gl.openPrimitive = static_cast<int32_t>(primitive);
        _gl.openCommand = &command;
        // Every begin-end gives its colour per vertex. One that left it at the current colour
        // would be drawn by other programs, which a software renderer builds mid-frame when first
        // needed, one for each blend mode.
        _gl.colourKnown = false;
    }
    const TDrawVertex* vertex = _frame.vertices.data() + command.first;
    for (uint32_t k = 0; k < command.count; ++k, ++vertex) {
        const uint32_t colour = static_cast<uint32_t>(vertex->r) | static_cast<uint32_t>(vertex->g) << 8 |
                                static_cast<uint32_t>(vertex->b) << 16 | static_cast<uint32_t>(vertex->a) << 24;
        if (!_gl.colourKnown || colour != _gl.colour) {
            glColor4ub(vertex->r, vertex->g, vertex->b, vertex->a);
            _gl.colour = colour;
            _gl.colourKnown = true;
        }
        if (command.state.texture != 0) glTexCoord2f(vertex->u, vertex->v);
        glVertex2f(vertex->x, vertex->y);
    }
    if (command.state.kind == TGLDrawKind::Polygon) EndPrimitive();
}

void TGLDraw2DDriver::EndPrimitive()
{
    if (_gl.openPrimitive == -1) return;
    glEnd();
    _gl.openPrimitive = -1;
    _gl.openCommand = nullptr;
}

void TGLDraw2DDriver::ApplyScissor(const TPixelRect& scissor)
{
    if (scissor == _gl.scissor) return;
    if (scissor == Screen()) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        if (_gl.scissor == Screen()) glEnable(GL_SCISSOR_TEST);
        // OpenGL counts rows from the bottom.
        glScissor(scissor.x0, _height - scissor.y1, scissor.x1 - scissor.x0, scissor.y1 - scissor.y0);
    }
    _gl.scissor = scissor;
}

void TGLDraw2DDriver::ApplyProjection(float width, float height)
{
    if (width == _gl.projectionWidth && height == _gl.projectionHeight) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    _gl.projectionWidth = width;
    _gl.projectionHeight = height;
}

void TGLDraw2DDriver::ApplyBlend(int32_t blend)
{
    if (blend == _gl.blend) return;
    EndPrimitive();
    _gl.blend = blend;
    ++_state_changes;
    switch (blend) {
    case BLEND_MASK:  // drawn opaque where alpha reaches one half
        glDisable(GL_BLEND);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, 0.5f);
        break;
    case BLEND_ALPHA:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_ALPHA_TEST);
        break;
    case BLEND_LIGHT:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glDisable(GL_ALPHA_TEST);
        break;
    case BLEND_SHADE:
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        glDisable(GL_ALPHA_TEST);
        break;
    default:  // solid, and anything unknown
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        break;
    }
}

void TGLDraw2DDriver::BindNearestSampler(bool nearest)
{
    if (nearest == _gl.samplerBound || _gl.nearestSampler == 0) return;
    EndPrimitive();
    glBindSampler(0, nearest ? _gl.nearestSampler : 0);
    _gl.samplerBound = nearest;
    ++_state_changes;
}

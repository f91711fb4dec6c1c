// The OpenGL 2D back-end: blend modes, colour, scissor, CPU transform, primitives, textures.
#include "framework/graphics/GLDriver.h"

#include "framework/graphics/Image.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

std::shared_ptr<TTextureGraveyard> Graveyard()
{
    static auto graveyard = std::make_shared<TTextureGraveyard>();
    return graveyard;
}

void EmptyGraveyard()
{
    auto graveyard = Graveyard();
    if (graveyard->seq == GraphicsSeq() && !graveyard->names.empty()) {
        glDeleteTextures(static_cast<GLsizei>(graveyard->names.size()), graveyard->names.data());
        auto driver = TGLDraw2DDriver::Instance();
        for (const uint32_t name : graveyard->names) driver->ForgetTexture(name);
    }
    // Names of an older context died with it.
    graveyard->names.clear();
    graveyard->seq = GraphicsSeq();
}

uint8_t ClampByte(int32_t value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

int32_t NextPowerOfTwo(int32_t n)
{
    int32_t p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

// Pixmaps reach OpenGL as tightly described RGBA rows.
void UploadLevel(GLint level, const TPixmap& pixmap)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pixmap.pitch / 4);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, pixmap.width, pixmap.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixmap.pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

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

bool IsWhole(float value) { return std::floor(value) == value; }

// Every pixel of the width x height corner of an RGBA pixmap has alpha 255.
bool AllOpaque(const TPixmap& rgba, int32_t width, int32_t height)
{
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* p = rgba.PixelPtr(0, y) + 3;
        for (int32_t x = 0; x < width; ++x, p += 4)
            if (*p != 255) return false;
    }
    return true;
}

// The largest rectangle of the width x height corner of an RGBA pixmap whose pixels all have
// alpha 0: for each row, the column heights of transparent pixels ending there, and the largest
// rectangle under that histogram.
TGLImageFrame::THole LargestClearRect(const TPixmap& rgba, int32_t width, int32_t height)
{
    TGLImageFrame::THole best;
    int64_t bestArea = 0;
    std::vector<int32_t> heights(static_cast<size_t>(width) + 1, 0);
    std::vector<int32_t> stack;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* alpha = rgba.PixelPtr(0, y) + 3;
        for (int32_t x = 0; x < width; ++x) heights[x] = alpha[4 * x] == 0 ? heights[x] + 1 : 0;
        stack.clear();
        for (int32_t x = 0; x <= width; ++x) {
            while (!stack.empty() && heights[stack.back()] >= heights[x]) {
                const int32_t h = heights[stack.back()];
                stack.pop_back();
                const int32_t left = stack.empty() ? 0 : stack.back() + 1;
                const int64_t area = static_cast<int64_t>(h) * (x - left);
                if (area > bestArea) {
                    bestArea = area;
                    best = {left, y - h + 1, x, y + 1};
                }
            }
            stack.push_back(x);
        }
    }
    return best;
}

// The two commands, drawn in these scissors, may share one begin-end: everything that decides
// their pixels but their vertices is the same.
bool Joinable(const TDrawCommand& a, const TPixelRect& a_scissor, const TDrawCommand& b, const TPixelRect& b_scissor)
{
    return !a.alone && !b.alone && a.kind == b.kind &&
           (a.kind == TGLDrawKind::Quads || a.kind == TGLDrawKind::Points || a.kind == TGLDrawKind::Lines) &&
           a.blend == b.blend && a.nearest == b.nearest && a.texture == b.texture && a.lineWidth == b.lineWidth &&
           a.projectionWidth == b.projectionWidth && a.projectionHeight == b.projectionHeight && a_scissor == b_scissor;
}

// The pixels a command may change. An upright quad changes only the pixels whose centres it holds
// (with a margin for the renderer's snapping of corners to a fraction of a pixel); anything else
// is taken at its bounds, which allow a pixel more on every side.
TPixelRect Reach(const TDrawCommand& command, const TDrawVertex* vertices, int32_t width, int32_t height)
{
    if (command.kind != TGLDrawKind::Quads || command.count != 4 ||
        command.projectionWidth != static_cast<float>(width) || command.projectionHeight != static_cast<float>(height))
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

bool ProxyAccepts(int32_t width, int32_t height)
{
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint accepted = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
    return accepted != 0;
}

}  // namespace

std::shared_ptr<TGLDraw2DDriver> TGLDraw2DDriver::Instance()
{
    static auto instance = std::make_shared<TGLDraw2DDriver>();
    return instance;
}

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
    _gl_blend = -1;
    _bound = 0;
    _texturing = 0;
    _swap_interval = -1;
    _sampler_bound = false;
    _gl_scissor = Screen();
    _gl_projection_width = _projection_width;
    _gl_projection_height = _projection_height;
    _gl_line_width = 1.0f;
    _gl_clear_known = false;
    _gl_colour_known = false;
    _open_primitive = -1;
    _open_command = nullptr;
    // The sampler of an older context died with it.
    _nearest_sampler = 0;
    if (HasSamplerObjects()) {
        glGenSamplers(1, &_nearest_sampler);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindSampler(0, 0);
    }
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
}

void TGLDraw2DDriver::Detach()
{
    _frame.Clear();
    _previous.Clear();
    _executed = 0;
    _previous_drawn = false;
    _provider = nullptr;
}

void TGLDraw2DDriver::SetFastPaths(bool enable) { _fast_paths = enable; }

void TGLDraw2DDriver::BindTexture(uint32_t name)
{
    const bool change = name == 0 ? _texturing != 0 : (_texturing != 1 || _bound != name);
    if (!change) return;
    EndPrimitive();
    if (name == 0) {
        glDisable(GL_TEXTURE_2D);
        _texturing = 0;
        ++_state_changes;
        return;
    }
    if (_texturing != 1) {
        glEnable(GL_TEXTURE_2D);
        _texturing = 1;
        ++_state_changes;
    }
    if (_bound != name) {
        glBindTexture(GL_TEXTURE_2D, name);
        _bound = name;
        ++_state_changes;
    }
}

void TGLDraw2DDriver::ForgetTexture(uint32_t name)
{
    if (_bound == name) _bound = 0;
}

std::shared_ptr<TImageFrame> TGLDraw2DDriver::CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags)
{
    return TGLImageFrame::CreateFromPixmap(pixmap, flags);
}

void TGLDraw2DDriver::SetBlend(int32_t blend) { _blend = blend; }

void TGLDraw2DDriver::SetAlpha(float alpha)
{
    _alpha = static_cast<uint8_t>(static_cast<int32_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f));
}

void TGLDraw2DDriver::SetColor(int32_t red, int32_t green, int32_t blue)
{
    _red = ClampByte(red);
    _green = ClampByte(green);
    _blue = ClampByte(blue);
}

void TGLDraw2DDriver::SetClsColor(int32_t red, int32_t green, int32_t blue)
{
    _clear_rgba = static_cast<uint32_t>(ClampByte(red)) | static_cast<uint32_t>(ClampByte(green)) << 8 |
                  static_cast<uint32_t>(ClampByte(blue)) << 16 | 0xFF000000u;
}

void TGLDraw2DDriver::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height)
{
    // Pixels outside the screen are never drawn, so a view reaching beyond it is the screen.
    _scissor = TPixelRect{x, y, x + std::max(width, 0), y + std::max(height, 0)}.Intersect(Screen());
}

void TGLDraw2DDriver::SetTransform(float ix, float iy, float jx, float jy)
{
    _ix = ix;
    _iy = iy;
    _jx = jx;
    _jy = jy;
}

void TGLDraw2DDriver::SetLineWidth(float width) { _line_width = width; }

TDrawCommand& TGLDraw2DDriver::Record(TGLDrawKind kind, int32_t blend)
{
    TDrawCommand& command = _frame.commands.emplace_back();
    command.kind = kind;
    command.alone = !_fast_paths;
    command.blend = blend;
    command.projectionWidth = _projection_width;
    command.projectionHeight = _projection_height;
    command.scissor = _scissor;
    command.bounds = _scissor;
    command.first = static_cast<uint32_t>(_frame.vertices.size());
    if (kind == TGLDrawKind::Clear) command.clearRgba = _clear_rgba;
    if (kind == TGLDrawKind::Lines) command.lineWidth = _line_width;
    return command;
}

void TGLDraw2DDriver::AddVertex(float x, float y, float u, float v)
{
    _frame.vertices.push_back({x, y, u, v, _red, _green, _blue, _alpha});
    ++_frame.commands.back().count;
}

void TGLDraw2DDriver::Bound(TDrawCommand& command, float spare)
{
    // In other units than pixels the scissor is all that is sure.
    if (!_unit_pixels || command.count == 0) return;
    const auto first = _frame.vertices.begin() + command.first;
    const auto [left, right] = std::minmax_element(
        first, first + command.count, [](const TDrawVertex& a, const TDrawVertex& b) { return a.x < b.x; });
    const auto [top, bottom] = std::minmax_element(
        first, first + command.count, [](const TDrawVertex& a, const TDrawVertex& b) { return a.y < b.y; });
    command.bounds = Surrounding(left->x, top->y, right->x, bottom->y, spare, command.scissor);
}

void TGLDraw2DDriver::QueueQuad(const TGLImageFrame& frame, const float (&corners)[4][4], bool pixel_exact)
{
    bool nearest = false;
    int32_t blend = _blend;
    if (_fast_paths) {
        // Both shortcuts give the very pixels of the plain way. Sampling a texel at its centre
        // reads that texel alone, filtered or not. An opaque texel in full colour and alpha
        // replaces the screen pixel whether it is blended or not; only image texels are sampled
        // by an exact quad, while filtering elsewhere may reach the texture's transparent rest
        // unless it has none.
        nearest = pixel_exact && _nearest_sampler != 0;
        const bool opaque = frame.OpaqueTexture() || (pixel_exact && frame.OpaqueImage());
        const bool unblended = opaque && _alpha == 255 && (_blend == BLEND_MASK || _blend == BLEND_ALPHA);
        if (unblended) blend = BLEND_SOLID;
        _nearest_quads += nearest;
        _unblended_quads += unblended;
    }
    TDrawCommand& command = Record(TGLDrawKind::Quads, blend);
    command.nearest = nearest;
    command.texture = frame.Name();
    command.frame = frame.Id();
    for (const auto& c : corners) AddVertex(c[0], c[1], c[2], c[3]);
    Bound(_frame.commands.back(), 0.0f);
    // The texture must outlive the command; quads of one image follow each other.
    if (_frame.keep.empty() || _frame.keep.back().get() != static_cast<const void*>(&frame))
        _frame.keep.push_back(frame.shared_from_this());
}

void TGLDraw2DDriver::Cls() { Record(TGLDrawKind::Clear, BLEND_SOLID); }

void TGLDraw2DDriver::Plot(float x, float y)
{
    Record(TGLDrawKind::Points, _blend);
    AddVertex(x + 0.5f, y + 0.5f);
    Bound(_frame.commands.back(), 1.0f);
}

void TGLDraw2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty)
{
    Record(TGLDrawKind::Lines, _blend);
    float sx, sy;
    Transform(x0, y0, tx, ty, sx, sy);
    AddVertex(sx + 0.5f, sy + 0.5f);
    Transform(x1, y1, tx, ty, sx, sy);
    AddVertex(sx + 0.5f, sy + 0.5f);
    Bound(_frame.commands.back(), std::max(_line_width, 1.0f));
}

void TGLDraw2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty)
{
    Record(TGLDrawKind::Quads, _blend);
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    for (const auto& c : corners) {
        float sx, sy;
        Transform(c[0], c[1], tx, ty, sx, sy);
        AddVertex(sx, sy);
    }
    Bound(_frame.commands.back(), 0.0f);
}

void TGLDraw2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty)
{
    Record(TGLDrawKind::Polygon, _blend);
    const float rx = (x1 - x0) * 0.5f;
    const float ry = (y1 - y0) * 0.5f;
    const float cx = x0 + rx;
    const float cy = y0 + ry;
    const int32_t segments = std::max(static_cast<int32_t>(std::fabs(rx) + std::fabs(ry)), 12) & ~3;
    for (int32_t i = 0; i < segments; ++i) {
        const double radians = i * 360.0 / segments * std::numbers::pi / 180.0;
        float sx, sy;
        Transform(cx + rx * static_cast<float>(std::cos(radians)), cy - ry * static_cast<float>(std::sin(radians)), tx,
                  ty, sx, sy);
        AddVertex(sx, sy);
    }
    Bound(_frame.commands.back(), 0.0f);
}

void TGLDraw2DDriver::DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty)
{
    if (xy.size() < 6 || xy.size() % 2 != 0) return;
    Record(TGLDrawKind::Polygon, _blend);
    for (size_t i = 0; i < xy.size(); i += 2) {
        float sx, sy;
        Transform(xy[i] + hx, xy[i + 1] + hy, tx, ty, sx, sy);
        AddVertex(sx, sy);
    }
    Bound(_frame.commands.back(), 0.0f);
}

void TGLDraw2DDriver::DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y)
{
    // A copy: the caller may change its pixmap before the frame is drawn.
    TPixmapPtr rgba = pixmap.format == PIXFMT_RGBA8888 ? pixmap.Copy() : pixmap.Convert(PIXFMT_RGBA8888);
    if (!rgba) return;
    TDrawCommand& command = Record(TGLDrawKind::Pixels, BLEND_SOLID);
    command.pixelX = x;
    command.pixelY = y;
    command.bounds = TPixelRect{x - 1, y - 1, x + rgba->width + 1, y + rgba->height + 1}.Intersect(command.scissor);
    command.pixels = std::move(rgba);
}

TPixmapPtr TGLDraw2DDriver::GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height)
{
    auto pixmap = TPixmap::Create(std::max(width, 0), std::max(height, 0), PIXFMT_RGBA8888);
    if (!pixmap) return nullptr;
    // Only the part on screen is read; the rest stays transparent black.
    const int32_t left = std::max(x, 0);
    const int32_t top = std::max(y, 0);
    const int32_t right = std::min(x + width, GraphicsWidth());
    const int32_t bottom = std::min(y + height, _height);
    if (right <= left || bottom <= top) return pixmap;
    // What was drawn so far, as it comes: the rest of the frame is not known yet.
    if (_executed < _frame.commands.size()) {
        Execute(_executed, _frame.commands.size(), Screen());
        _executed = _frame.commands.size();
        _changed = true;
    }
    const int32_t w = right - left;
    const int32_t h = bottom - top;
    std::vector<uint8_t> rows(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(left, _height - bottom, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // OpenGL hands the bottom row first.
    for (int32_t row = 0; row < h; ++row) {
        const uint8_t* src = rows.data() + static_cast<size_t>(h - 1 - row) * static_cast<size_t>(w) * 4;
        std::copy(src, src + static_cast<size_t>(w) * 4, pixmap->PixelPtr(left - x, top - y + row));
    }
    return pixmap;
}

void TGLDraw2DDriver::SetResolution(float width, float height)
{
    _unit_pixels = width == static_cast<float>(_width) && height == static_cast<float>(_height);
    _projection_width = width;
    _projection_height = height;
}

void TGLDraw2DDriver::FinishFrame()
{
    const size_t count = _frame.commands.size();
    if (!_provider || _executed == count) return;
    // The surface still shows the last frame: only where this one differs is it drawn again.
    if (_executed == 0 && _fast_paths && _partial_frames && _previous_drawn && _provider->KeepsPicture()) {
        if (const auto damage = FindDamage(_previous, _frame, Screen())) {
            for (const TPixelRect& area : *damage) {
                Execute(0, count, area);
                _part_pixels += area.Area();
            }
            _executed = count;
            ++_part_frames;
            _changed = _changed || !damage->empty();
            return;
        }
    }
    Execute(_executed, count, Screen());
    _executed = count;
    ++_whole_frames;
    _changed = true;
}

void TGLDraw2DDriver::Flip(bool sync)
{
    if (!_provider) {
        _frame.Clear();
        _executed = 0;
        return;
    }
    FinishFrame();
    // Presenting again a picture the screen shows changes nothing, unless it waits for the
    // vertical blank to pace the frames.
    if (_changed || sync || !_provider->ShowsLastPicture()) {
        const int32_t interval = sync ? 1 : 0;
        if (interval != _swap_interval) {
            _provider->SetSwapInterval(interval);
            _swap_interval = interval;
        }
        _provider->SwapBuffers();
    } else {
        ++_presents_saved;
    }
    // A frame that drew nothing leaves the last one's picture in place.
    if (!_frame.Empty()) {
        std::swap(_previous, _frame);
        _previous.keep.clear();
        _previous_drawn = true;
    }
    _frame.Clear();
    _executed = 0;
    _changed = false;
}

void TGLDraw2DDriver::Execute(size_t from, size_t to, const TPixelRect& area)
{
    Order(from, to, area);
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
    if (command.kind == TGLDrawKind::Points) primitive = GL_POINTS;
    if (command.kind == TGLDrawKind::Lines) primitive = GL_LINES;
    if (command.kind == TGLDrawKind::Polygon) primitive = GL_POLYGON;
    // One begin-end pair for a run of commands in equal state: OpenGL's immediate mode streams
    // through a buffer it keeps mapped, where vertex arrays from memory would be copied into a
    // fresh buffer for every draw while the renderer's threads still read the last one.
    if (!_open_command || !Joinable(*_open_command, _gl_scissor, command, scissor)) {
        EndPrimitive();
        ApplyProjection(command.projectionWidth, command.projectionHeight);
        ApplyScissor(scissor);
        if (command.kind == TGLDrawKind::Clear) {
            if (!_gl_clear_known || _gl_clear_rgba != command.clearRgba) {
                const uint32_t c = command.clearRgba;
                glClearColor((c & 255) / 255.0f, (c >> 8 & 255) / 255.0f, (c >> 16 & 255) / 255.0f, 1.0f);
                _gl_clear_rgba = c;
                _gl_clear_known = true;
            }
            glClear(GL_COLOR_BUFFER_BIT);
            return;
        }
        ApplyBlend(command.blend);
        if (command.kind == TGLDrawKind::Pixels) {
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
        if (command.texture != 0) BindNearestSampler(command.nearest);
        BindTexture(command.texture);
        if (command.kind == TGLDrawKind::Lines && command.lineWidth != _gl_line_width) {
            glLineWidth(command.lineWidth);
            _gl_line_width = command.lineWidth;
        }
        glBegin(primitive);
        _open_primitive = static_cast<int32_t>(primitive);
        _open_command = &command;
    }
    const TDrawVertex* vertex = _frame.vertices.data() + command.first;
    for (uint32_t k = 0; k < command.count; ++k, ++vertex) {
        const uint32_t colour = static_cast<uint32_t>(vertex->r) | static_cast<uint32_t>(vertex->g) << 8 |
                                static_cast<uint32_t>(vertex->b) << 16 | static_cast<uint32_t>(vertex->a) << 24;
        if (!_gl_colour_known || colour != _gl_colour) {
            glColor4ub(vertex->r, vertex->g, vertex->b, vertex->a);
            _gl_colour = colour;
            _gl_colour_known = true;
        }
        if (command.texture != 0) glTexCoord2f(vertex->u, vertex->v);
        glVertex2f(vertex->x, vertex->y);
    }
    if (command.kind == TGLDrawKind::Polygon) EndPrimitive();
}

void TGLDraw2DDriver::EndPrimitive()
{
    if (_open_primitive == -1) return;
    glEnd();
    _open_primitive = -1;
    _open_command = nullptr;
}

void TGLDraw2DDriver::ApplyScissor(const TPixelRect& scissor)
{
    if (scissor == _gl_scissor) return;
    if (scissor == Screen()) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        if (_gl_scissor == Screen()) glEnable(GL_SCISSOR_TEST);
        // OpenGL counts rows from the bottom.
        glScissor(scissor.x0, _height - scissor.y1, scissor.x1 - scissor.x0, scissor.y1 - scissor.y0);
    }
    _gl_scissor = scissor;
}

void TGLDraw2DDriver::ApplyProjection(float width, float height)
{
    if (width == _gl_projection_width && height == _gl_projection_height) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    _gl_projection_width = width;
    _gl_projection_height = height;
}

void TGLDraw2DDriver::ApplyBlend(int32_t blend)
{
    if (blend == _gl_blend) return;
    EndPrimitive();
    _gl_blend = blend;
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
    if (nearest == _sampler_bound || _nearest_sampler == 0) return;
    EndPrimitive();
    glBindSampler(0, nearest ? _nearest_sampler : 0);
    _sampler_bound = nearest;
    ++_state_changes;
}

TPixmapPtr PrepareTexturePixmap(const TPixmap& pixmap, int32_t tex_width, int32_t tex_height, int32_t& image_width,
                                int32_t& image_height)
{
    image_width = pixmap.width;
    image_height = pixmap.height;
    TPixmapPtr fitted;
    const TPixmap* source = &pixmap;
    if (image_width > tex_width || image_height > tex_height) {
        image_width = std::min(image_width, tex_width);
        image_height = std::min(image_height, tex_height);
        fitted = ResizePixmap(pixmap, image_width, image_height);
        if (!fitted) return nullptr;
        source = fitted.get();
    }
    if (image_width == tex_width && image_height == tex_height) {
        return source->format == PIXFMT_RGBA8888 ? source->Copy() : source->Convert(PIXFMT_RGBA8888);
    }
    auto texture = TPixmap::Create(tex_width, tex_height, PIXFMT_RGBA8888);
    if (!texture) return nullptr;
    texture->Paste(*source, 0, 0);
    if (image_width == 0 || image_height == 0) return texture;
    // Filtering samples one texel beyond the image; make it repeat the image's edge.
    const size_t bytes = 4;
    if (image_width < tex_width) {
        for (int32_t y = 0; y < image_height; ++y) {
            std::copy_n(texture->PixelPtr(image_width - 1, y), bytes, texture->PixelPtr(image_width, y));
        }
    }
    if (image_height < tex_height) {
        std::copy_n(texture->PixelPtr(0, image_height - 1), bytes * static_cast<size_t>(image_width),
                    texture->PixelPtr(0, image_height));
    }
    if (image_width < tex_width && image_height < tex_height) {
        std::copy_n(texture->PixelPtr(image_width - 1, image_height - 1), bytes,
                    texture->PixelPtr(image_width, image_height));
    }
    return texture;
}

std::shared_ptr<TGLImageFrame> TGLImageFrame::CreateFromPixmap(const TPixmap& pixmap, int32_t flags)
{
    int32_t tex_width = NextPowerOfTwo(std::max(pixmap.width, 1));
    int32_t tex_height = NextPowerOfTwo(std::max(pixmap.height, 1));
    while (!ProxyAccepts(tex_width, tex_height)) {
        if (tex_width == 1 && tex_height == 1) throw std::runtime_error("Unable to calculate tex size");
        if (tex_width > 1) tex_width /= 2;
        if (tex_height > 1) tex_height /= 2;
    }
    int32_t image_width = 0;
    int32_t image_height = 0;
    TPixmapPtr level = PrepareTexturePixmap(pixmap, tex_width, tex_height, image_width, image_height);
    if (!level) return nullptr;

    // Gathered commands keep their frames, so no texture they draw is in the graveyard.
    EmptyGraveyard();
    static uint64_t lastId = 0;
    std::shared_ptr<TGLImageFrame> frame(new TGLImageFrame());
    frame->_id = ++lastId;
    frame->_seq = GraphicsSeq();
    frame->_graveyard = Graveyard();
    glGenTextures(1, &frame->_name);
    TGLDraw2DDriver::Instance()->BindTexture(frame->_name);

    const bool filtered = (flags & IMG_FILTERED) != 0;
    const bool mipmapped = (flags & IMG_MIPMAPPED) != 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    GLint min_filter = filtered ? GL_LINEAR : GL_NEAREST;
    if (mipmapped) min_filter = filtered ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min_filter);

    frame->_shrunk = image_width != pixmap.width || image_height != pixmap.height;
    frame->_image_width = image_width;
    frame->_image_height = image_height;
    frame->_opaque_image = !FormatHasAlpha(pixmap.format) || AllOpaque(*level, image_width, image_height);
    // The smeared edge repeats the image; the rest of a larger texture is transparent.
    frame->_opaque_texture = frame->_opaque_image && image_width == tex_width && image_height == tex_height;
    frame->_bytes = static_cast<int64_t>(tex_width) * tex_height * 4 * (mipmapped ? 4 : 3) / 3;
    // Worth leaving out only when it saves more than drawing up to four quads costs.
    if (!frame->_opaque_image && !frame->_shrunk && static_cast<int64_t>(image_width) * image_height >= 128 * 128) {
        const THole hole = LargestClearRect(*level, image_width, image_height);
        if (static_cast<int64_t>(hole.x1 - hole.x0) * (hole.y1 - hole.y0) * 4 >=
            static_cast<int64_t>(image_width) * image_height)
            frame->_hole = hole;
    }

    UploadLevel(0, *level);
    for (GLint index = 1; mipmapped && (level->width > 1 || level->height > 1); ++index) {
        level = ResizePixmap(*level, std::max(level->width / 2, 1), std::max(level->height / 2, 1));
        if (!level) break;
        UploadLevel(index, *level);
    }

    auto& layout = frame->_layout;
    layout.tex_width = tex_width;
    layout.tex_height = tex_height;
    // Texture units per pixel of the image as the caller knows it, also when it had to shrink.
    layout.uscale = pixmap.width > 0 ? static_cast<float>(image_width) / pixmap.width / tex_width : 0.0f;
    layout.vscale = pixmap.height > 0 ? static_cast<float>(image_height) / pixmap.height / tex_height : 0.0f;
    layout.u1 = static_cast<float>(image_width) / tex_width;
    layout.v1 = static_cast<float>(image_height) / tex_height;
    return frame;
}

TGLImageFrame::~TGLImageFrame()
{
    // A texture of an older context died with that context.
    if (_name != 0 && _seq == GraphicsSeq()) {
        if (_graveyard->seq != _seq) {
            _graveyard->names.clear();
            _graveyard->seq = _seq;
        }
        _graveyard->names.push_back(_name);
    }
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
                         float sh)
{
    auto& driver = *TGLDraw2DDriver::Instance();
    const float u0 = sx * _layout.uscale;
    const float v0 = sy * _layout.vscale;
    const float u1 = (sx + sw) * _layout.uscale;
    const float v1 = (sy + sh) * _layout.vscale;
    float corners[4][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
    for (auto& c : corners) driver.Transform(c[0], c[1], tx, ty, c[0], c[1]);
    // Texel for pixel: no turn or scale, whole-pixel corners, whole source texels, no resize.
    const bool exact = driver.IdentityMapping() && !_shrunk && IsWhole(corners[0][0]) && IsWhole(corners[0][1]) &&
                       corners[2][0] - corners[0][0] == sw && corners[2][1] - corners[0][1] == sh && IsWhole(sx) &&
                       IsWhole(sy);
    const bool whole =
        sx == 0 && sy == 0 && sw == static_cast<float>(_image_width) && sh == static_cast<float>(_image_height);
    if (!exact || !whole || _hole.Empty() || !driver.MayLeaveOutHole()) {
        driver.QueueQuad(*this, corners, exact);
        return;
    }
    // A transparent texel leaves the screen as it was in these modes, so the quad is drawn as up
    // to four bands around its transparent hole, each still texel for pixel.
    driver.CountHoledQuad();
    const float left = corners[0][0];
    const float top = corners[0][1];
    const auto band = [&](int32_t bx0, int32_t by0, int32_t bx1, int32_t by1) {
        if (bx1 <= bx0 || by1 <= by0) return;
        const float qx0 = left + static_cast<float>(bx0), qy0 = top + static_cast<float>(by0);
        const float qx1 = left + static_cast<float>(bx1), qy1 = top + static_cast<float>(by1);
        const float bu0 = static_cast<float>(bx0) * _layout.uscale, bv0 = static_cast<float>(by0) * _layout.vscale;
        const float bu1 = static_cast<float>(bx1) * _layout.uscale, bv1 = static_cast<float>(by1) * _layout.vscale;
        const float quad[4][4] = {
            {qx0, qy0, bu0, bv0}, {qx1, qy0, bu1, bv0}, {qx1, qy1, bu1, bv1}, {qx0, qy1, bu0, bv1}};
        driver.QueueQuad(*this, quad, true);
    };
    band(0, 0, _image_width, _hole.y0);
    band(0, _hole.y0, _hole.x0, _hole.y1);
    band(_hole.x1, _hole.y0, _image_width, _hole.y1);
    band(0, _hole.y1, _image_width, _image_height);
}

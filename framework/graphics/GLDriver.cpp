// The OpenGL 2D back-end's recording: drawing calls gathered as the frame's commands, and Flip.
#include "framework/graphics/GLDriver.h"

#include "framework/system/Input.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

namespace {

// The heap reserve covers the busiest screens (the starfield and its titles drawn enlarged, each
// glyph from its own texture; the menu and the tables, whose texts take a texture a font) with the
// rest of the heap they find taken, grown a quarter of a megabyte (its 64 pages written, about a
// millisecond) after each frame that left more than a third of a 60 Hz frame.
constexpr size_t kHeapReserveBytes = 64u << 20;
constexpr size_t kHeapReserveStep = 256u << 10;
// Held in blocks well below the size the heap serves from mappings of their own.
constexpr size_t kHeapReserveHoldBlock = 64u << 10;
constexpr auto kQuietFrame = std::chrono::milliseconds(10);
// A spare texture is made after a frame that took less than this: its few milliseconds (far more
// while other programs keep the processor busy) go to the cheapest frames, of a still screen, not
// to a fade's. None is made during play: a level's backgrounds took the spares there were, and the
// next level's take over theirs as they are let go, so spares made then would only hold 4 MiB each
// for the whole level.
constexpr auto kIdleFrame = std::chrono::milliseconds(3);

uint8_t ClampByte(int32_t value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// Cuts an upright quad (corners x, y, u, v clockwise from the top-left, u along x and v along y)
// down to the view, its texture coordinates following the edges. A pixel is drawn when its centre
// lies in the quad and in the view, and the view's edges are whole pixels, so the cut quad covers
// the very pixels the view let through. False when it is no such quad; empty when nothing is left.
bool CutToView(float (&c)[4][4], const TPixelRect& view)
{
    const bool upright = c[0][1] == c[1][1] && c[1][0] == c[2][0] && c[2][1] == c[3][1] && c[3][0] == c[0][0] &&
                         c[0][2] == c[3][2] && c[1][2] == c[2][2] && c[0][3] == c[1][3] && c[2][3] == c[3][3];
    if (!upright || !(c[0][0] < c[1][0]) || !(c[0][1] < c[2][1])) return false;
    const auto cut = [](float from, float to, float low, float high, float& a, float& b) {
        const float t0 = std::max(from, low), t1 = std::min(to, high);
        if (t0 == from && t1 == to) return std::pair{from, to};
        const float step = (b - a) / (to - from);
        const float a0 = t0 == from ? a : a + (t0 - from) * step;
        b = t1 == to ? b : a + (t1 - from) * step;
        a = a0;
        return std::pair{t0, t1};
    };
    float u0 = c[0][2], u1 = c[1][2], v0 = c[0][3], v1 = c[2][3];
    const auto [x0, x1] = cut(c[0][0], c[1][0], static_cast<float>(view.x0), static_cast<float>(view.x1), u0, u1);
    const auto [y0, y1] = cut(c[0][1], c[2][1], static_cast<float>(view.y0), static_cast<float>(view.y1), v0, v1);
    const float cut_corners[4][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
    std::copy(&cut_corners[0][0], &cut_corners[0][0] + 16, &c[0][0]);
    return true;
}

}  // namespace

const std::shared_ptr<TGLDraw2DDriver>& TGLDraw2DDriver::Instance()
{
    static auto instance = std::make_shared<TGLDraw2DDriver>();
    return instance;
}

void TGLDraw2DDriver::Detach()
{
    _frame.Clear();
    _previous.Clear();
    _executed = 0;
    _previous_drawn = false;
    _pieces.clear();
    _pieces_seen.Clear();
    _provider = nullptr;
}

void TGLDraw2DDriver::SetFastPaths(bool enable) { _fast_paths = enable; }

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
    command.state.kind = kind;
    command.state.alone = !_fast_paths;
    command.state.blend = blend;
    command.state.projectionWidth = _projection_width;
    command.state.projectionHeight = _projection_height;
    command.scissor = _scissor;
    command.bounds = _scissor;
    command.first = static_cast<uint32_t>(_frame.vertices.size());
    if (kind == TGLDrawKind::Clear) command.state.clearRgba = _clear_rgba;
    if (kind == TGLDrawKind::Lines) command.state.lineWidth = _line_width;
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
    // A quad in a view smaller than the screen is cut to the view here, so that quads in
    // different views (an image drawn a column at a time) need no scissor and draw together. The
    // plain way cuts too: a cut quad's texture coordinates may round differently in the last bit.
    float cut[4][4];
    std::copy(&corners[0][0], &corners[0][0] + 16, &cut[0][0]);
    const bool in_view = _unit_pixels && _scissor != Screen() && CutToView(cut, _scissor);
    if (in_view && (!(cut[0][0] < cut[1][0]) || !(cut[0][1] < cut[2][1]))) return;
    bool nearest = false;
    int32_t blend = _blend;
    if (_fast_paths) {
        // Both shortcuts give the very pixels of the plain way. Sampling a texel at its centre
        // reads that texel alone, filtered or not. An opaque texel in full colour and alpha
        // replaces the screen pixel whether it is blended or not; only image texels are sampled
        // by an exact quad, while filtering elsewhere may reach the texture's transparent rest
        // unless it has none.
        nearest = pixel_exact && _gl.nearestSampler != 0;
        const bool opaque = frame.OpaqueTexture() || (pixel_exact && frame.OpaqueImage());
        const bool unblended = opaque && _alpha == 255 && (_blend == BLEND_MASK || _blend == BLEND_ALPHA);
        if (unblended) blend = BLEND_SOLID;
        _nearest_quads += nearest;
        _unblended_quads += unblended;
    }
    TDrawCommand& command = Record(TGLDrawKind::Quads, blend);
    command.state.nearest = nearest;
    command.state.texture = frame.Name();
    command.state.frame = frame.Id();
    if (in_view) command.scissor = Screen();
    for (const auto& c : in_view ? cut : corners) AddVertex(c[0], c[1], c[2], c[3]);
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
    DrawPieces();
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
            _executed = count;
            _present_areas = *damage;
            _present_part = true;
            ++_part_frames;
            _changed = _changed || !damage->empty();
            if (ReusePieces(*damage)) {
                ++_pieces_reused;
                return;
            }
            for (const TPixelRect& area : *damage) {
                Execute(0, count, area);
                _part_pixels += area.Area();
            }
            KeepPieces();
            StartDrawing();
            return;
        }
    }
    Execute(_executed, count, Screen());
    _executed = count;
    _present_part = false;
    ++_whole_frames;
    _changed = true;
    StartDrawing();
}

bool TGLDraw2DDriver::ReusePieces(const std::vector<TPixelRect>& areas)
{
    _pieces.clear();
    _piece_keys.clear();
    _pieces_drawn = true;
    if (areas.empty() || !_provider->TakesPieces()) return false;
    bool found = true;
    for (const TPixelRect& area : areas) {
        // An area is drawn from the last command that paints over all of it: nothing before
        // decides its pixels.
        auto key = PieceKey(_frame, FirstShown(_frame, 0, _frame.commands.size(), area, Screen()), area);
        if (!key) {
            _piece_keys.clear();
            return false;
        }
        const auto pixels = found ? _pieces_seen.Find(*key) : nullptr;
        if (pixels) _pieces.push_back({area, pixels});
        found = found && pixels;
        _piece_keys.push_back(std::move(*key));
    }
    if (!found) {
        _pieces.clear();
        return false;
    }
    _piece_keys.clear();
    _pieces_drawn = false;
    return true;
}

void TGLDraw2DDriver::KeepPieces()
{
    if (_piece_keys.empty()) return;
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    for (TPieceKey& key : _piece_keys) {
        const TPixelRect& area = key.area;
        auto pixels = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(area.Area()) * 4);
        // Read now, as the present would: the renderer's threads draw the areas meanwhile.
        glReadPixels(area.x0, _height - area.y1, area.x1 - area.x0, area.y1 - area.y0, GL_RGBA, GL_UNSIGNED_BYTE,
                     pixels->data());
        _pieces.push_back({area, pixels});
        _pieces_seen.Keep(std::move(key), std::move(pixels));
    }
    _piece_keys.clear();
}

void TGLDraw2DDriver::DrawPieces()
{
    if (_pieces_drawn) return;
    _pieces_drawn = true;
    for (const TPicturePiece& piece : _pieces) Execute(0, _frame.commands.size(), piece.area);
    _changed = true;
    StartDrawing();
}

void TGLDraw2DDriver::StartDrawing()
{
    // A software renderer draws a frame on its own threads only once it is flushed: started now,
    // the frame is drawn while Flip waits for its moment, and the present then finds it done
    // rather than waking the threads and waiting for them.
    if (_changed) glFlush();
}

void TGLDraw2DDriver::ReserveMemory()
{
    if (_software_renderer && !_heap_reserve)
        _heap_reserve = std::make_unique<THeapReserve>(kHeapReserveBytes, kHeapReserveStep);
}

void TGLDraw2DDriver::HoldReserve(bool hold)
{
    _reserve_held.clear();
    // Still growing, the reserve holds its blocks itself.
    if (!hold || !_heap_reserve || !_heap_reserve->Done()) return;
    // Blocks come from the heap's free memory, its pages in place, until the heap would have to
    // grow for the next: fresh memory held now would only fault in later.
    const void* top = sbrk(0);
    for (size_t held = 0; held < kHeapReserveBytes; held += kHeapReserveHoldBlock) {
        _reserve_held.push_back(std::make_unique_for_overwrite<char[]>(kHeapReserveHoldBlock));
        if (sbrk(0) != top) {
            _reserve_held.pop_back();
            break;
        }
    }
}

void TGLDraw2DDriver::Flip(bool sync)
{
    if (!_provider) {
        _frame.Clear();
        _executed = 0;
        return;
    }
    FinishFrame();
    const bool quiet = std::chrono::steady_clock::now() - _last_flip_end < kQuietFrame;
    // Presenting again a picture the screen shows changes nothing, unless it waits for the
    // vertical blank to pace the frames.
    if (_changed || sync || !_provider->ShowsLastPicture()) {
        const int32_t interval = sync ? 1 : 0;
        if (interval != _gl.swapInterval) {
            _provider->SetSwapInterval(interval);
            _gl.swapInterval = interval;
        }
        if (_present_part) {
            if (_pieces.empty() || !_provider->SwapPieces(_pieces, _pieces_drawn)) {
                DrawPieces();
                _provider->SwapChanged(_present_areas);
            }
        } else
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
    _present_part = false;
    _pieces.clear();
    _pieces_drawn = true;
    // One step of either at most, in a frame that leaves time. The renderer's threads may still
    // be drawing the frame until it is presented: a frame's whole time is known only then.
    const auto end = std::chrono::steady_clock::now();
    if (quiet && _heap_reserve && !_heap_reserve->Done())
        _heap_reserve->Step();
    else if (end - _last_flip_end < kIdleFrame && _software_renderer && !PlayActive())
        MakeSpareTexture();
    _last_flip_end = std::chrono::steady_clock::now();
}

// The OpenGL 2D back-end: drawing recorded as commands and replayed, and image frames as textures.
#pragma once

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/DrawList.h"
#include "framework/graphics/Driver.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/HeapReserve.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class TGLImageFrame;

class TGLDraw2DDriver : public TDraw2DDriver {
public:
    // The one instance every OpenGL graphics draws through.
    static const std::shared_ptr<TGLDraw2DDriver>& Instance();

    // Targets the provider's (current) context: forgets the cached state and sets up the
    // projection, model-view and viewport for width x height.
    void ResetGLContext(TGLContextProvider* provider, int32_t width, int32_t height);
    // No context any more.
    void Detach();

    // Drawing is gathered as the frame's command list and reaches OpenGL when the frame is
    // finished, or earlier when pixels are read. Only where the list differs from the last
    // frame's is the picture drawn again, when the surface keeps it between frames.
    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags) override;
    std::shared_ptr<TImageAtlas> CreateAtlas(int32_t cell) override;
    void SetBlend(int32_t blend) override;
    void SetAlpha(float alpha) override;
    void SetColor(int32_t red, int32_t green, int32_t blue) override;
    void SetClsColor(int32_t red, int32_t green, int32_t blue) override;
    void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void SetTransform(float ix, float iy, float jx, float jy) override;
    void SetLineWidth(float width) override;
    void Cls() override;
    void Plot(float x, float y) override;
    void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty) override;
    void DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y) override;
    TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void SetResolution(float width, float height) override;
    void FinishFrame() override;
    void Flip(bool sync) override;
    // On a software renderer, a heap reserve grown over the frames that leave time.
    void ReserveMemory() override;
    // Takes what the heap has free, up to the reserve's size and without growing it, until let go.
    void HoldReserve(bool hold) override;

    // Texturing on with texture bound, or off for name 0; skips what is already so.
    void BindTexture(uint32_t name);
    // A deleted texture: OpenGL falls back to texture 0 where it was bound, and may hand its name
    // to the next texture made, which must then really be bound.
    void ForgetTexture(uint32_t name);
    // One textured quad of the frame in the current colour and blend; corners are x, y, u, v with
    // x, y already on screen, in drawing order. pixel_exact: the quad covers whole pixels and
    // samples each texel at its centre. Quads of equal state are drawn together.
    void QueueQuad(const TGLImageFrame& frame, const float (&corners)[4][4], bool pixel_exact);
    // True when the current matrix and projection map local units one to one onto pixels.
    bool IdentityMapping() const { return _ix == 1.0f && _iy == 0.0f && _jx == 0.0f && _jy == 1.0f && _unit_pixels; }
    // The identical-picture shortcuts: quads of equal state drawn together, nearest sampling where
    // an image lands texel for pixel, blending off where it would change nothing, and only what
    // changed since the last frame drawn again. On by default; off draws every quad on its own
    // and every frame whole, for comparisons.
    void SetFastPaths(bool enable);
    bool FastPaths() const { return _fast_paths; }
    // Off, every frame is drawn whole even with the other shortcuts on; for measuring.
    void SetPartialFrames(bool enable) { _partial_frames = enable; }
    // A local point through the current matrix, translated by (tx, ty).
    void Transform(float x, float y, float tx, float ty, float& sx, float& sy) const
    {
        sx = x * _ix + y * _iy + tx;
        sy = x * _jx + y * _jy + ty;
    }
    // How many times OpenGL was really asked to change blending, texture or texturing; for tests.
    int64_t StateChanges() const { return _state_changes; }
    // How many quads took each shortcut; for tests.
    int64_t NearestQuads() const { return _nearest_quads; }
    int64_t UnblendedQuads() const { return _unblended_quads; }
    int64_t HoledQuads() const { return _holed_quads; }
    // Frames drawn whole, frames drawn only where they changed, the pixels those were drawn on,
    // and presents left out because the screen already showed the frame; for tests and benchmarks.
    int64_t WholeFrames() const { return _whole_frames; }
    int64_t PartFrames() const { return _part_frames; }
    int64_t PartPixels() const { return _part_pixels; }
    int64_t PresentsSaved() const { return _presents_saved; }
    // Frames drawn in part whose changed areas all were found drawn before, and left undrawn;
    // for tests and benchmarks.
    int64_t PiecesReused() const { return _pieces_reused; }
    // Commands drawn, once for each area they were drawn in; for tests.
    int64_t DrawnCommands() const { return _drawn_commands; }
    // Whether the drawing memory asked for is set aside; for tests.
    bool MemoryReserved() const { return _heap_reserve && _heap_reserve->Done(); }
    // Whether a quad of the frame drawn texel for pixel may leave out its transparent hole.
    bool MayLeaveOutHole() const
    {
        return _fast_paths && (_blend == BLEND_MASK || _blend == BLEND_ALPHA || _blend == BLEND_LIGHT);
    }
    void CountHoledQuad() { ++_holed_quads; }
    // Quads drawn over their image's ink box alone, without its transparent margins; for tests.
    int64_t CroppedQuads() const { return _cropped_quads; }
    void CountCroppedQuad() { ++_cropped_quads; }

private:
    // A new command in the current state; its vertices follow with AddVertex.
    TDrawCommand& Record(TGLDrawKind kind, int32_t blend);
    void AddVertex(float x, float y, float u = 0.0f, float v = 0.0f);
    // Where the last recorded command may draw: around its vertices, within the scissor.
    void Bound(TDrawCommand& command, float spare);
    TPixelRect Screen() const { return {0, 0, _width, _height}; }
    // Draws commands [from, to) of the frame, only where they reach into area.
    void Execute(size_t from, size_t to, const TPixelRect& area);
    // Fills _order with the commands of [from, to) that reach into area, in an order that draws
    // the very same pixels in fewer begin-end pairs.
    void Order(size_t from, size_t to, const TPixelRect& area);
    void ExecuteCommand(const TDrawCommand& command, const TPixelRect& scissor);
    // The changed areas of a frame drawn in part: found drawn before, or drawn and kept, each
    // with its pixels, when the surface takes them so.
    bool ReusePieces(const std::vector<TPixelRect>& areas);
    void KeepPieces();
    // Draws the reused areas after all, where their pixels must be in the picture.
    void DrawPieces();
    // Hands what was drawn to the renderer to carry out.
    void StartDrawing();
    void EndPrimitive();
    void ApplyScissor(const TPixelRect& scissor);
    void ApplyProjection(float width, float height);
    // Blending and alpha test of a mode in OpenGL, skipped when already so.
    void ApplyBlend(int32_t blend);
    void BindNearestSampler(bool nearest);
    // Has the renderer build its programs for the states frames draw in, drawing nothing.
    void WarmUpPrograms();

    TGLContextProvider* _provider = nullptr;
    int32_t _width = 0;
    int32_t _height = 0;
    bool _fast_paths = true;
    bool _partial_frames = true;

    // The state drawing is recorded in.
    bool _unit_pixels = true;
    float _projection_width = 0.0f, _projection_height = 0.0f;
    int32_t _blend = -1;  // the mode asked for; -1 until the first SetBlend
    TPixelRect _scissor;
    float _line_width = 1.0f;
    uint32_t _clear_rgba = 0xFF000000u;
    float _ix = 1, _iy = 0, _jx = 0, _jy = 1;
    uint8_t _red = 255, _green = 255, _blue = 255, _alpha = 255;

    // This frame's commands, how many of them OpenGL has drawn, and whether any reached the
    // surface; the last frame's, which the surface shows when _previous_drawn.
    TDrawList _frame;
    size_t _executed = 0;
    bool _changed = false;
    TDrawList _previous;
    bool _previous_drawn = false;
    // Where a frame drawn in part changed, so that only those areas are presented.
    std::vector<TPixelRect> _present_areas;
    bool _present_part = false;
    // The areas' pixels, when the surface takes them; undrawn when they were found drawn before.
    // A pulse's areas at each of its shades, with room to spare (the menu's take 2 MiB).
    TPieceCache _pieces_seen{size_t{4} << 20};
    std::vector<TPieceKey> _piece_keys;
    std::vector<TPicturePiece> _pieces;
    bool _pieces_drawn = true;
    // Drivers that draw on the graphics card keep their own memory.
    bool _software_renderer = false;
    std::unique_ptr<THeapReserve> _heap_reserve;
    std::vector<std::unique_ptr<char[]>> _reserve_held;
    std::chrono::steady_clock::time_point _last_flip_end;

    // The state OpenGL is in; -1 or an impossible value when unknown. A new context starts from
    // a default one, so nothing known of an older context is carried over.
    struct TGLState {
        int32_t blend = -1;
        uint32_t bound = 0;
        int32_t texturing = -1;
        uint32_t nearestSampler = 0;  // 0 where OpenGL has no sampler objects
        bool samplerBound = false;
        TPixelRect scissor{-1, -1, -1, -1};
        float projectionWidth = 0.0f, projectionHeight = 0.0f;
        float lineWidth = -1.0f;
        uint32_t clearRgba = 0;
        bool clearKnown = false;
        uint32_t colour = 0;
        bool colourKnown = false;
        int32_t swapInterval = -1;
        // The primitive open between glBegin and glEnd, with what its vertices are drawn with.
        int32_t openPrimitive = -1;
        const TDrawCommand* openCommand = nullptr;
    };
    TGLState _gl;
    // Runs of commands in one state, each drawn in one begin-end; a run's commands are chained
    // through _next (indices into the frame's commands) from head to tail.
    struct TRun {
        uint32_t head = 0, tail = 0;
        TPixelRect scissor;  // where its commands are drawn
        TPixelRect reach;    // every pixel its commands may change lies in here
    };
    std::vector<TRun> _runs;
    std::vector<uint32_t> _next;
    std::vector<TPixelRect> _reach;  // the pixels each command may change, within the area drawn
    std::vector<uint32_t> _order;

    int64_t _state_changes = 0;
    int64_t _nearest_quads = 0;
    int64_t _unblended_quads = 0;
    int64_t _holed_quads = 0;
    int64_t _cropped_quads = 0;
    int64_t _whole_frames = 0;
    int64_t _part_frames = 0;
    int64_t _part_pixels = 0;
    int64_t _presents_saved = 0;
    int64_t _pieces_reused = 0;
    int64_t _drawn_commands = 0;
};

// Texture geometry of a frame, as it is worked out before OpenGL is asked for the texture.
struct TTextureLayout {
    int32_t tex_width = 0, tex_height = 0;
    float u0 = 0, v0 = 0, u1 = 0, v1 = 0, uscale = 0, vscale = 0;
};

// The RGBA pixmap a texture is made of: the image pasted into texture-sized pixels with its last
// column, last row and corner pixel repeated once beyond its edges (resized first if too large).
TPixmapPtr PrepareTexturePixmap(const TPixmap& pixmap, int32_t tex_width, int32_t tex_height, int32_t& image_width,
                                int32_t& image_height);

// Glyphs packed in rows onto square pages of texture, a new page when one is full. Only glyphs
// drawn texel for pixel are drawn from here: a texel sampled at its centre is read alone, so
// neighbours on the page never show, while a glyph drawn scaled, turned or between pixels is
// filtered through its own padded texture and mipmaps as before.
class TGLImageAtlas : public TImageAtlas {
public:
    TGLImageAtlas(TGLDraw2DDriver& driver, int32_t page_size) : _driver(driver), _page_size(page_size) {}
    bool Draw(int32_t key, const TPixmap& pixmap, float x, float y) override;
    // Textures made so far; for tests.
    size_t Pages() const { return _pages.size(); }

private:
    struct TPlace {
        int32_t page = -2;  // -2: not placed yet; -1: no room for it
        int32_t x = 0, y = 0, w = 0, h = 0;
        // Its texels whose alpha is not 0, relative to (x, y); empty when none is.
        int32_t ink_x0 = 0, ink_y0 = 0, ink_x1 = 0, ink_y1 = 0;
    };
    // Finds room for the pixmap and uploads it there.
    TPlace Place(const TPixmap& pixmap);

    TGLDraw2DDriver& _driver;
    int32_t _page_size;
    std::vector<std::shared_ptr<TGLImageFrame>> _pages;
    // By key: the keys are a font's glyph indices.
    std::vector<TPlace> _places;
    // Where the next picture goes on the last page: along the row of pictures from _shelf_y,
    // which is as tall as the tallest of them.
    int32_t _next_x = 0, _shelf_y = 0, _shelf_height = 0;
};

// Texture names of destroyed frames, deleted the next time a texture is made in the same
// graphics (so the owning context is current). Frames share it, so it outlives them all.
struct TTextureGraveyard {
    std::vector<uint32_t> names;
    // Beside each name, the size of its texture while it has level 0 alone (0 x 0 once it has
    // smaller levels): the next texture of that size takes it over instead, storage and all.
    std::vector<std::pair<int32_t, int32_t>> sizes;
    // Textures of the spare size, level 0 alone, made ahead or kept from dropped frames, that the
    // next textures of that size take over (see MakeSpareTexture).
    std::vector<uint32_t> spares;
    std::pair<int32_t, int32_t> spareSize{0, 0};
    int32_t seq = 0;
};

// Textures are kept spare from now on for pictures the size of a screen_width x screen_height
// screen: the screens' backgrounds.
void SetSpareTextureSize(int32_t screen_width, int32_t screen_height);
// Makes one spare texture when fewer than are kept are at hand; true when it made one. A software
// renderer takes fresh memory for a new texture and clears it, a page faulted in at a time: 3 to
// 10 ms for 1024 x 1024, the bulk of a new screen's first frame, made instead in a frame that
// leaves time.
bool MakeSpareTexture();

class TGLImageFrame : public TImageFrame, public std::enable_shared_from_this<TGLImageFrame> {
public:
    // Throws std::runtime_error("Unable to calculate tex size") when no size is accepted.
    static std::shared_ptr<TGLImageFrame> CreateFromPixmap(const TPixmap& pixmap, int32_t flags);
    // A cleared size x size texture sampled nearest, to be filled a rectangle at a time with
    // Upload; null when OpenGL takes no texture that large.
    static std::shared_ptr<TGLImageFrame> CreateBlank(int32_t size);
    // Writes an RGBA pixmap into level 0 with its top-left corner at (x, y).
    void Upload(const TPixmap& rgba, int32_t x, int32_t y);
    ~TGLImageFrame() override;
    TGLImageFrame(const TGLImageFrame&) = delete;
    TGLImageFrame& operator=(const TGLImageFrame&) = delete;

    void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
              float sh) override;

    const TTextureLayout& Layout() const { return _layout; }
    uint32_t Name() const { return _name; }
    // Tells frames apart for as long as the program runs, unlike texture names and addresses.
    uint64_t Id() const { return _id; }
    int64_t Bytes() const override { return _bytes; }
    // Every texel of the image is opaque; every texel of every level of the texture is.
    bool OpaqueImage() const { return _opaque_image; }
    bool OpaqueTexture() const { return _opaque_texture; }
    // The largest rectangle of wholly transparent image pixels, if it is worth leaving out.
    struct THole {
        int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        bool Empty() const { return x1 <= x0 || y1 <= y0; }
    };
    const THole& Hole() const { return _hole; }

private:
    TGLImageFrame() = default;
    // A new frame with a texture name (taken over from a dropped texture of that size where one
    // waits), bound.
    static std::shared_ptr<TGLImageFrame> Named(int32_t tex_width, int32_t tex_height);
    // Makes the mipmap levels below 0 from level 0 and samples through them from now on.
    void MakeSmallerLevels();
    TTextureLayout _layout;
    uint32_t _name = 0;
    uint64_t _id = 0;
    int64_t _bytes = 0;
    bool _opaque_image = false;
    bool _opaque_texture = false;
    bool _shrunk = false;  // the image did not fit any texture and was resized
    bool _filtered = false;
    bool _levels_pending = false;  // mipmapped, its smaller levels not made yet
    bool _levels_made = false;     // level 0 is not the texture's only level
    THole _hole;
    // Every texel of the image whose alpha is not 0 lies in here; empty when none does.
    THole _ink;
    int32_t _image_width = 0, _image_height = 0;
    int32_t _seq = 0;
    std::shared_ptr<TTextureGraveyard> _graveyard;
};

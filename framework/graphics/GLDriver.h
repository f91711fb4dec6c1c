// The OpenGL 2D back-end: fixed-function state, primitives, and image frames as textures.
#pragma once

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Driver.h"
#include "framework/graphics/Graphics.h"

#include <cstdint>
#include <memory>
#include <vector>

class TGLImageFrame;

class TGLDraw2DDriver : public TDraw2DDriver {
public:
    // The one instance every OpenGL graphics draws through.
    static std::shared_ptr<TGLDraw2DDriver> Instance();

    // Targets the provider's (current) context: forgets the cached state and sets up the
    // projection, model-view and viewport for width x height.
    void ResetGLContext(TGLContextProvider* provider, int32_t width, int32_t height);
    // No context any more.
    void Detach();

    std::shared_ptr<TImageFrame> CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags) override;
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
    void Flip(bool sync) override;

    // Texturing on with texture bound, or off for name 0; skips what is already so. Quads still
    // waiting for the old texture are drawn first.
    void BindTexture(uint32_t name);
    // One textured quad of the frame in the current colour and blend; corners are x, y, u, v with
    // x, y already on screen, in drawing order. pixel_exact: the quad covers whole pixels and
    // samples each texel at its centre. Quads of equal state gather in one vertex array, drawn at
    // the next change of state, read, clear or present.
    void QueueQuad(const TGLImageFrame& frame, const float (&corners)[4][4], bool pixel_exact);
    // Draws the gathered quads.
    void FlushQuads();
    // True when the current matrix and projection map local units one to one onto pixels.
    bool IdentityMapping() const { return _ix == 1.0f && _iy == 0.0f && _jx == 0.0f && _jy == 1.0f && _unit_pixels; }
    // The identical-picture shortcuts: quads of equal state drawn together, nearest sampling where
    // an image lands texel for pixel, blending off where it would change nothing. On by default;
    // off draws every quad on its own as it comes, for comparisons.
    void SetFastPaths(bool enable)
    {
        FlushQuads();
        _fast_paths = enable;
    }
    bool FastPaths() const { return _fast_paths; }
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
    // Whether a quad of the frame drawn texel for pixel may leave out its transparent hole.
    bool MayLeaveOutHole() const
    {
        return _fast_paths && (_blend == BLEND_MASK || _blend == BLEND_ALPHA || _blend == BLEND_LIGHT);
    }
    void CountHoledQuad() { ++_holed_quads; }

private:
    struct TVertex {
        float x, y, u, v;
        uint8_t r, g, b, a;
    };

    // Blending and alpha test of a mode in OpenGL, skipped when already so.
    void ApplyBlend(int32_t blend);
    void BindNearestSampler(bool nearest);

    TGLContextProvider* _provider = nullptr;
    int32_t _width = 0;
    int32_t _height = 0;
    bool _unit_pixels = true;
    int32_t _blend = -1;     // the mode asked for; -1: unknown, the next SetBlend always reaches OpenGL
    int32_t _gl_blend = -1;  // the mode OpenGL is in, which may be solid for an opaque image
    uint32_t _bound = 0;
    int32_t _texturing = -1;
    uint32_t _nearest_sampler = 0;  // 0 where OpenGL has no sampler objects
    bool _sampler_bound = false;
    bool _fast_paths = true;
    std::vector<TVertex> _quads;
    int32_t _swap_interval = -1;
    float _ix = 1, _iy = 0, _jx = 0, _jy = 1;
    uint8_t _red = 255, _green = 255, _blue = 255, _alpha = 255;
    int64_t _state_changes = 0;
    int64_t _nearest_quads = 0;
    int64_t _unblended_quads = 0;
    int64_t _holed_quads = 0;
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

// Texture names of destroyed frames, deleted the next time a texture is made in the same
// graphics (so the owning context is current). Frames share it, so it outlives them all.
struct TTextureGraveyard {
    std::vector<uint32_t> names;
    int32_t seq = 0;
};

class TGLImageFrame : public TImageFrame {
public:
    // Throws std::runtime_error("Unable to calculate tex size") when no size is accepted.
    static std::shared_ptr<TGLImageFrame> CreateFromPixmap(const TPixmap& pixmap, int32_t flags);
    ~TGLImageFrame() override;
    TGLImageFrame(const TGLImageFrame&) = delete;
    TGLImageFrame& operator=(const TGLImageFrame&) = delete;

    void Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
              float sh) override;

    const TTextureLayout& Layout() const { return _layout; }
    uint32_t Name() const { return _name; }
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
    TTextureLayout _layout;
    uint32_t _name = 0;
    int64_t _bytes = 0;
    bool _opaque_image = false;
    bool _opaque_texture = false;
    bool _shrunk = false;  // the image did not fit any texture and was resized
    THole _hole;
    int32_t _image_width = 0, _image_height = 0;
    int32_t _seq = 0;
    std::shared_ptr<TTextureGraveyard> _graveyard;
};

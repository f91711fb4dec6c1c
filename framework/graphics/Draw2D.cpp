// The 2D drawing state: its defaults, the module-level setters and primitives, the transform.
#include "framework/graphics/Draw2D.h"

#include "framework/graphics/Collision.h"
#include "framework/graphics/Draw2DGraphics.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace {

struct TCurrent2D {
    std::shared_ptr<TDraw2DGraphics> graphics;
};

TCurrent2D& Current2D()
{
    static TCurrent2D current;
    return current;
}

TDraw2DGraphics* G() { return Current2D().graphics.get(); }

// Matrix from rotation and scale; scale acts in the object's own axes before the rotation.
void UpdateTransform(TDraw2DGraphics& g)
{
    const double radians = g.tform_rot * std::numbers::pi / 180.0;
    const double s = std::sin(radians);
    const double c = std::cos(radians);
    g.tform_ix = static_cast<float>(c * g.tform_scale_x);
    g.tform_iy = static_cast<float>(-s * g.tform_scale_y);
    g.tform_jx = static_cast<float>(s * g.tform_scale_x);
    g.tform_jy = static_cast<float>(c * g.tform_scale_y);
    g.Driver()->SetTransform(g.tform_ix, g.tform_iy, g.tform_jx, g.tform_jy);
    SetCollisionTransform(g.tform_ix, g.tform_iy, g.tform_jx, g.tform_jy);
}

}  // namespace

std::shared_ptr<TDraw2DGraphics> TDraw2DGraphics::Create(std::shared_ptr<TGraphics> graphics,
                                                         std::shared_ptr<TDraw2DDriver> driver)
{
    auto g = std::make_shared<TDraw2DGraphics>();
    g->_graphics = std::move(graphics);
    g->_driver = std::move(driver);
    int32_t depth = 0, hertz = 0, flags = 0;
    g->_graphics->GetSettings(g->g_width, g->g_height, depth, hertz, flags);
    g->viewport_w = g->g_width;
    g->viewport_h = g->g_height;
    g->vres_width = static_cast<float>(g->g_width);
    g->vres_height = static_cast<float>(g->g_height);
    g->image_font = BuiltinImageFont();
    return g;
}

void TDraw2DGraphics::ClearCurrent() { Current2D().graphics.reset(); }

TDraw2DGraphics* TDraw2DGraphics::Current() { return G(); }

void TDraw2DGraphics::GetSettings(int32_t& width, int32_t& height, int32_t& depth, int32_t& hertz, int32_t& flags)
{
    if (_graphics) {
        _graphics->GetSettings(width, height, depth, hertz, flags);
    } else {
        width = height = depth = hertz = flags = 0;
    }
}

void TDraw2DGraphics::Close()
{
    if (_graphics) _graphics->Close();
    _graphics.reset();
    _driver.reset();
}

void TDraw2DGraphics::Validate()
{
    int32_t width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
    GetSettings(width, height, depth, hertz, flags);
    if (width != g_width || height != g_height) {
        g_width = width;
        g_height = height;
        vres_width = static_cast<float>(width);
        vres_height = static_cast<float>(height);
        vres_mousexscale = 1.0f;
        vres_mouseyscale = 1.0f;
    }
    SetVirtualResolution(vres_width, vres_height);
    SetBlend(blend_mode);
    SetColor(color_red, color_green, color_blue);
    SetAlpha(color_alpha);
    SetClsColor(clscolor_red, clscolor_green, clscolor_blue);
    SetLineWidth(line_width);
    SetRotation(tform_rot);
    SetScale(tform_scale_x, tform_scale_y);
    SetViewport(viewport_x, viewport_y, viewport_w, viewport_h);
    SetOrigin(origin_x, origin_y);
    SetHandle(-handle_x, -handle_y);
    SetImageFont(image_font);
}

void TDraw2DGraphics::MakeCurrent()
{
    Current2D().graphics = shared_from_this();
    Validate();
    if (_setup == 0) {
        // Both buffers start cleared. These presents are not frames of the program: they go
        // straight to the back-end, without pacing or flip hooks.
        _driver->Cls();
        _driver->Flip(false);
        _driver->Cls();
        _driver->Flip(false);
        _setup = 1;
    }
}

void SetColor(int32_t red, int32_t green, int32_t blue)
{
    auto* g = G();
    if (!g) return;
    g->color_red = red;
    g->color_green = green;
    g->color_blue = blue;
    g->Driver()->SetColor(red, green, blue);
}

void GetColor(int32_t& red, int32_t& green, int32_t& blue)
{
    auto* g = G();
    red = g ? g->color_red : 255;
    green = g ? g->color_green : 255;
    blue = g ? g->color_blue : 255;
}

void SetAlpha(float alpha)
{
    auto* g = G();
    if (!g) return;
    g->color_alpha = alpha;
    g->Driver()->SetAlpha(alpha);
}

float GetAlpha()
{
    auto* g = G();
    return g ? g->color_alpha : 1.0f;
}

void SetClsColor(int32_t red, int32_t green, int32_t blue)
{
    auto* g = G();
    if (!g) return;
    g->clscolor_red = red;
    g->clscolor_green = green;
    g->clscolor_blue = blue;
    g->Driver()->SetClsColor(red, green, blue);
}

void GetClsColor(int32_t& red, int32_t& green, int32_t& blue)
{
    auto* g = G();
    red = g ? g->clscolor_red : 0;
    green = g ? g->clscolor_green : 0;
    blue = g ? g->clscolor_blue : 0;
}

void SetBlend(int32_t mode)
{
    auto* g = G();
    if (!g) return;
    g->blend_mode = mode;
    g->Driver()->SetBlend(mode);
}

int32_t GetBlend()
{
    auto* g = G();
    return g ? g->blend_mode : BLEND_MASK;
}

void SetLineWidth(float width)
{
    auto* g = G();
    // OpenGL refuses a width that is none (0, negative, NaN) and keeps the last one; so do we,
    // so that what is recorded for a frame is what is drawn.
    if (!g || !(width > 0.0f && std::isfinite(width))) return;
    g->line_width = width;
    g->Driver()->SetLineWidth(width);
}

float GetLineWidth()
{
    auto* g = G();
    return g ? g->line_width : 1.0f;
}

void SetRotation(float degrees)
{
    auto* g = G();
    if (!g) return;
    g->tform_rot = degrees;
    UpdateTransform(*g);
}

float GetRotation()
{
    auto* g = G();
    return g ? g->tform_rot : 0.0f;
}

void SetScale(float scale_x, float scale_y)
{
    auto* g = G();
    if (!g) return;
    g->tform_scale_x = scale_x;
    g->tform_scale_y = scale_y;
    UpdateTransform(*g);
}

void GetScale(float& scale_x, float& scale_y)
{
    auto* g = G();
    scale_x = g ? g->tform_scale_x : 1.0f;
    scale_y = g ? g->tform_scale_y : 1.0f;
}

void SetRotationAndScale(float degrees, float scale_x, float scale_y)
{
    auto* g = G();
    if (!g) return;
    g->tform_rot = degrees;
    g->tform_scale_x = scale_x;
    g->tform_scale_y = scale_y;
    UpdateTransform(*g);
}

void SetOrigin(float x, float y)
{
    auto* g = G();
    if (!g) return;
    g->origin_x = x;
    g->origin_y = y;
    SetCollisionOrigin(x, y);
}

void GetOrigin(float& x, float& y)
{
    auto* g = G();
    x = g ? g->origin_x : 0.0f;
    y = g ? g->origin_y : 0.0f;
}

void SetHandle(float x, float y)
{
    auto* g = G();
    if (!g) return;
    g->handle_x = -x;
    g->handle_y = -y;
}

void GetHandle(float& x, float& y)
{
    auto* g = G();
    x = g ? -g->handle_x : 0.0f;
    y = g ? -g->handle_y : 0.0f;
}

void SetViewport(int32_t x, int32_t y, int32_t width, int32_t height)
{
    auto* g = G();
    if (!g) return;
    g->viewport_x = x;
    g->viewport_y = y;
    g->viewport_w = width;
    g->viewport_h = height;
    // Virtual units to pixels.
    const auto x0 = static_cast<int32_t>(std::floor(x / g->vres_mousexscale));
    const auto y0 = static_cast<int32_t>(std::floor(y / g->vres_mouseyscale));
    const auto x1 = static_cast<int32_t>(std::floor((x + width) / g->vres_mousexscale));
    const auto y1 = static_cast<int32_t>(std::floor((y + height) / g->vres_mouseyscale));
    g->Driver()->SetViewport(x0, y0, x1 - x0, y1 - y0);
}

void GetViewport(int32_t& x, int32_t& y, int32_t& width, int32_t& height)
{
    auto* g = G();
    x = g ? g->viewport_x : 0;
    y = g ? g->viewport_y : 0;
    width = g ? g->viewport_w : 0;
    height = g ? g->viewport_h : 0;
}

void SetVirtualResolution(float width, float height)
{
    auto* g = G();
    if (!g) return;
    g->vres_width = width;
    g->vres_height = height;
    const int32_t pixels_w = GraphicsWidth();
    const int32_t pixels_h = GraphicsHeight();
    g->vres_mousexscale = pixels_w > 0 ? width / pixels_w : 1.0f;
    g->vres_mouseyscale = pixels_h > 0 ? height / pixels_h : 1.0f;
    g->Driver()->SetResolution(width, height);
}

void Cls()
{
    if (auto* g = G()) g->Driver()->Cls();
}

void Plot(float x, float y)
{
    if (auto* g = G()) g->Driver()->Plot(x + g->origin_x, y + g->origin_y);
}

void DrawRect(float x, float y, float width, float height)
{
    auto* g = G();
    if (!g) return;
    g->Driver()->DrawRect(g->handle_x, g->handle_y, g->handle_x + width, g->handle_y + height, x + g->origin_x,
                          y + g->origin_y);
}

void DrawOval(float x, float y, float width, float height)
{
    auto* g = G();
    if (!g) return;
    g->Driver()->DrawOval(g->handle_x, g->handle_y, g->handle_x + width, g->handle_y + height, x + g->origin_x,
                          y + g->origin_y);
}

void DrawLine(float x, float y, float x2, float y2, bool draw_last_pixel)
{
    auto* g = G();
    if (!g) return;
    const float ex = g->handle_x + x2 - x;
    const float ey = g->handle_y + y2 - y;
    const float tx = x + g->origin_x;
    const float ty = y + g->origin_y;
    g->Driver()->DrawLine(g->handle_x, g->handle_y, ex, ey, tx, ty);
    if (draw_last_pixel) {
        g->Driver()->Plot(ex * g->tform_ix + ey * g->tform_iy + tx, ex * g->tform_jx + ey * g->tform_jy + ty);
    }
}

void DrawPoly(const std::vector<float>& xy)
{
    auto* g = G();
    if (!g) return;
    g->Driver()->DrawPoly(xy, g->handle_x, g->handle_y, g->origin_x, g->origin_y);
}

void DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y)
{
    if (auto* g = G()) g->Driver()->DrawPixmap(pixmap, x, y);
}

TPixmapPtr GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height)
{
    auto* g = G();
    return g ? g->Driver()->GrabPixmap(x, y, width, height) : nullptr;
}

void GetTransform(float& ix, float& iy, float& jx, float& jy)
{
    auto* g = G();
    ix = g ? g->tform_ix : 1.0f;
    iy = g ? g->tform_iy : 0.0f;
    jx = g ? g->tform_jx : 0.0f;
    jy = g ? g->tform_jy : 1.0f;
}

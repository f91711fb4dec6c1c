// Shared surface treatments of the frame and the front-end pages: lit panels, bolts, glowing lines.
#include "tools/assetgen/images/Materials.h"

#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

namespace {

// Pixel bounds of a rectangle grown by `margin`, clipped to the canvas.
void Bounds(const Canvas& c, const Rect& r, float margin, int& x0, int& y0, int& x1, int& y1)
{
    x0 = std::max(0, static_cast<int>(std::floor(r.x - margin)));
    y0 = std::max(0, static_cast<int>(std::floor(r.y - margin)));
    x1 = std::min(c.Width(), static_cast<int>(std::ceil(r.x + r.w + margin)));
    y1 = std::min(c.Height(), static_cast<int>(std::ceil(r.y + r.h + margin)));
}

}  // namespace

void DrawPanel(Canvas& c, const Rect& r, const PanelStyle& style)
{
    int x0, y0, x1, y1;
    Bounds(c, r, 1.0f, x0, y0, x1, y1);
    const float cx = r.x + r.w * 0.5f, cy = r.y + r.h * 0.5f;
    const Noise grain(style.seed);
    const int w = x1 - x0, h = y1 - y0;
    if (w <= 0 || h <= 0) return;
    auto sd = [&](float x, float y) { return SdBox(x - cx, y - cy, r.w * 0.5f, r.h * 0.5f, style.radius); };
    Field height(w + 2, h + 2);
    for (int y = 0; y < h + 2; ++y)
        for (int x = 0; x < w + 2; ++x) {
            const float t = Clamp01(-sd(x0 + x - 0.5f, y0 + y - 0.5f) / style.bevel);
            height.At(x, y) = (style.recessed ? -1.0f : 1.0f) * t * (2.0f - t);
        }
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float cover = Coverage(sd(x + 0.5f, y + 0.5f));
            if (cover <= 0.0f) continue;
            const Vec3 n = NormalAt(height, x - x0 + 1, y - y0 + 1, 2.5f);
            const float streak = style.grain * (grain.At(x * 0.02f, y * 0.6f) + 0.5f * grain.At(x * 0.3f, y * 1.7f));
            Color col = Lit(Scaled(style.base, 1.0f + streak), n, 0.55f, style.specular, 20.0f);
            if (style.recessed) {
                // Sunken wells are darker towards their upper-left inner wall, which faces away from the
                // light.
                const float shade = SmoothStep(0.0f, 8.0f, std::min(x + 0.5f - r.x, y + 0.5f - r.y));
                col = Scaled(col, 0.7f + 0.3f * shade);
            }
            c.Blend(x, y, col, cover);
        }
}

void DrawBolt(Canvas& c, float cx, float cy, float r, float turn)
{
    const float ca = std::cos(turn * 2.0f * std::numbers::pi_v<float>),
                sa = std::sin(turn * 2.0f * std::numbers::pi_v<float>);
    for (int y = static_cast<int>(cy - r - 2); y <= static_cast<int>(cy + r + 2); ++y)
        for (int x = static_cast<int>(cx - r - 2); x <= static_cast<int>(cx + r + 2); ++x) {
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            const float d = std::hypot(dx, dy);
            // A dark ring seats the head in the plate.
            c.Blend(x, y, {0.02f, 0.02f, 0.03f, 0.6f}, Coverage(d - r - 1.0f) * (1.0f - Coverage(d - r + 0.5f)));
            const float cover = Coverage(d - r);
            if (cover <= 0.0f) continue;
            const float l = std::min(1.0f, d / r);
            Vec3 n = Normalized({dx / r, dy / r, std::sqrt(std::max(0.0f, 1.0f - l * l)) + 0.3f});
            Color col = Lit(Hex(0x8A93A4), n, 0.4f, 0.8f, 18.0f);
            // The slot.
            const float along = dx * ca + dy * sa, across = -dx * sa + dy * ca;
            if (std::fabs(across) < r * 0.2f && std::fabs(along) < r * 0.8f) col = Scaled(col, 0.35f);
            c.Blend(x, y, col, cover);
        }
}

void DrawGlowLine(Canvas& c, float ax, float ay, float bx, float by, float width, float halo, const Color& color,
                  float strength)
{
    const float reach = width + halo * 3.0f;
    const int x0 = std::max(0, static_cast<int>(std::min(ax, bx) - reach));
    const int x1 = std::min(c.Width(), static_cast<int>(std::max(ax, bx) + reach + 1));
    const int y0 = std::max(0, static_cast<int>(std::min(ay, by) - reach));
    const int y1 = std::min(c.Height(), static_cast<int>(std::max(ay, by) + reach + 1));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float d = SdSegment(x + 0.5f, y + 0.5f, ax, ay, bx, by);
            const float core = Coverage(d - width * 0.5f);
            const float glow = std::exp(-d * d / (2.0f * halo * halo)) * 0.6f;
            const float k = Clamp01(core + glow) * strength;
            if (k <= 0.002f) continue;
            c.AddLight(x, y, color, k);
            if (core > 0.0f) c.Blend(x, y, Mix(color, Hex(0xFFFFFF), 0.55f), core * strength * 0.8f);
        }
}

void DrawGlassPanel(Canvas& c, const Rect& r, float radius, const Color& tint, float opacity, const Color& edge)
{
    int x0, y0, x1, y1;
    Bounds(c, r, 1.0f, x0, y0, x1, y1);
    const float cx = r.x + r.w * 0.5f, cy = r.y + r.h * 0.5f;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float d = SdBox(x + 0.5f - cx, y + 0.5f - cy, r.w * 0.5f, r.h * 0.5f, radius);
            const float cover = Coverage(d);
            if (cover <= 0.0f) continue;
            // Slightly lighter towards the top, like a reflection on glass.
            const float v = (y + 0.5f - r.y) / r.h;
            c.Blend(x, y, WithAlpha(Scaled(tint, 1.25f - 0.4f * v), opacity), cover);
            const float line = Coverage(std::fabs(d + 1.5f) - 0.8f);
            c.Blend(x, y, edge, line * cover);
        }
}

void DrawHazardStripes(Canvas& c, const Rect& r, float period, const Color& a, const Color& b)
{
    int x0, y0, x1, y1;
    Bounds(c, r, 0.0f, x0, y0, x1, y1);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float u = std::fmod(x + y + 1000.0f * period, period) / period;
            // Antialiased edges between the two colours.
            const float edge = std::min(std::fabs(u - 0.5f), std::min(u, 1.0f - u)) * period;
            const Color col = u < 0.5f ? a : b;
            c.Blend(x, y, Mix(Mix(a, b, 0.5f), col, Clamp01(edge)), 1.0f);
        }
}

}  // namespace art

// The frame around the play field: borders with the alien hatches and the exit gate, the side panel,
// the inner pane with its exit pipes, and the exit glow.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Materials.h"
#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {

const Color Gunmetal = Hex(0x3C4556);
const Color Cyan = Hex(0x40D8FF);
// The exit in the right border, in screen rows.
constexpr float ExitTop = PaddleY - 36.0f, ExitBottom = PaddleY + 36.0f;

// A vertical border rail of the given size whose field-side edge is at x = w - 1.
Canvas VerticalRail(int w, int h, uint64_t seed)
{
    Canvas c(w, h);
    DrawPanel(c, {0, 0, static_cast<float>(w), static_cast<float>(h)},
              {.base = Gunmetal, .radius = 0.0f, .bevel = 4.0f, .grain = 0.08f, .seed = seed});
    // The coolant channel with its light tube.
    DrawPanel(
        c, {7, 36, 14, static_cast<float>(h - 40)},
        {.base = Hex(0x1A1F2A), .radius = 4.0f, .bevel = 3.0f, .recessed = true, .grain = 0.0f, .seed = seed + 1});
    DrawGlowLine(c, 14, 42, 14, static_cast<float>(h - 10), 2.0f, 2.5f, Cyan, 0.55f);
    // Clamps across the channel every 128 rows, and the corner block at the top.
    for (int y = 128; y < h; y += 128) {
        DrawPanel(c, {3, y - 7.0f, 24, 14}, {.base = Hex(0x55607A), .radius = 2.0f, .bevel = 2.0f, .seed = seed + 2});
        DrawBolt(c, 9, static_cast<float>(y), 2.5f, 0.1f);
        DrawBolt(c, 21, static_cast<float>(y), 2.5f, 0.35f);
    }
    DrawPanel(c, {1, 1, static_cast<float>(w - 2), 30},
              {.base = Hex(0x4A5468), .radius = 3.0f, .bevel = 3.0f, .seed = seed + 3});
    DrawBolt(c, w * 0.5f, 16, 4.0f, 0.2f);
    // A lit lip on the field side so the wall line reads clearly.
    for (int y = 32; y < h; ++y) {
        c.Blend(w - 1, y, Hex(0x9FE8FF), 0.55f);
        c.Blend(w - 2, y, Hex(0x0A0C12), 0.5f);
    }
    return c;
}

Canvas FlippedX(const Canvas& c)
{
    Canvas out(c.Width(), c.Height());
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) out.At(c.Width() - 1 - x, y) = c.At(x, y);
    return out;
}

}  // namespace

Canvas LeftBorder() { return VerticalRail(LeftBorderW, LeftBorderH, 11); }

Canvas RightBorder()
{
    Canvas c = FlippedX(VerticalRail(RightBorderW, RightBorderH, 13));
    // The exit gate at the paddle's height: a dark slot framed by warning stripes; the glow lights it
    // up when the exit opens.
    DrawHazardStripes(c, {0, ExitTop - 10.0f, 30, 10}, 10.0f, Hex(0xE8B020), Hex(0x1A1A1A));
    DrawHazardStripes(c, {0, ExitBottom, 30, 10}, 10.0f, Hex(0xE8B020), Hex(0x1A1A1A));
    DrawPanel(c, {0, ExitTop, 26, ExitBottom - ExitTop},
              {.base = Hex(0x10141C), .radius = 3.0f, .bevel = 4.0f, .recessed = true, .grain = 0.0f, .seed = 14});
    for (int i = 0; i < 5; ++i) {
        const float y = ExitTop + 10.0f + i * 13.0f;
        DrawGlowLine(c, 4, y, 18, y, 1.0f, 1.2f, Hex(0x3AFF9A), 0.25f);
    }
    return c;
}

Canvas TopBorder()
{
    Canvas c(TopBorderW, TopBorderH);
    DrawPanel(c, {-8, 0, TopBorderW + 16.0f, TopBorderH},
              {.base = Gunmetal, .radius = 0.0f, .bevel = 4.0f, .grain = 0.08f, .seed = 21});
    DrawPanel(c, {-6, 9, TopBorderW + 12.0f, 14},
              {.base = Hex(0x1A1F2A), .radius = 4.0f, .bevel = 3.0f, .recessed = true, .grain = 0.0f, .seed = 22});
    DrawGlowLine(c, -4, 16, TopBorderW + 4.0f, 16, 2.0f, 2.5f, Cyan, 0.55f);
    for (int x = 64; x < TopBorderW; x += 128) {
        DrawPanel(c, {x - 7.0f, 3, 14, 26}, {.base = Hex(0x55607A), .radius = 2.0f, .bevel = 2.0f, .seed = 23});
        DrawBolt(c, static_cast<float>(x), 9, 2.5f, 0.3f);
        DrawBolt(c, static_cast<float>(x), 23, 2.5f, 0.05f);
    }
    for (int hatch : HatchX) {
        const float cx = static_cast<float>(hatch - FieldLeft);
        // Rim plates with amber warning lamps either side of the opening.
        DrawPanel(c, {cx - HatchW * 0.5f - 6.0f, 0, HatchW + 12.0f, TopBorderH},
                  {.base = Hex(0x5A6478), .radius = 3.0f, .bevel = 3.0f, .seed = 24});
        DrawGlowLine(c, cx - HatchW * 0.5f - 1.5f, 8, cx - HatchW * 0.5f - 1.5f, 24, 1.5f, 2.0f, Hex(0xFFA030), 0.8f);
        DrawGlowLine(c, cx + HatchW * 0.5f + 1.5f, 8, cx + HatchW * 0.5f + 1.5f, 24, 1.5f, 2.0f, Hex(0xFFA030), 0.8f);
        // The opening itself is clear, so aliens coming down are seen through it.
        for (int y = 0; y < TopBorderH; ++y)
            for (int x = static_cast<int>(cx - HatchW * 0.5f - 4); x < static_cast<int>(cx + HatchW * 0.5f + 4); ++x) {
                const float d = SdBox(x + 0.5f - cx, y + 0.5f - 12.0f, HatchW * 0.5f - 4.0f, 20.0f, 4.0f);
                const float open = Coverage(d);
                if (open <= 0.0f || !c.Inside(x, y)) continue;
                Px& p = c.At(x, y);
                const float keep = 1.0f - open;
                p = {p.r * keep, p.g * keep, p.b * keep, p.a * keep};
                // A shaded lip just around the opening.
                if (d > -2.0f) c.Blend(x, y, {0.0f, 0.0f, 0.0f, 0.5f}, 1.0f);
            }
    }
    for (int x = 0; x < TopBorderW; ++x) {
        c.Blend(x, TopBorderH - 1, Hex(0x9FE8FF), 0.55f * (c.At(x, TopBorderH - 1).a));
    }
    return c;
}

Canvas InfoField()
{
    Canvas c(InfoFieldW, InfoFieldH);
    DrawPanel(c, {0, 0, InfoFieldW, InfoFieldH},
              {.base = Gunmetal, .radius = 0.0f, .bevel = 5.0f, .grain = 0.08f, .seed = 31});
    DrawPanel(c, {6, 6, InfoFieldW - 12.0f, InfoFieldH - 12.0f},
              {.base = Hex(0x232935), .radius = 6.0f, .bevel = 4.0f, .recessed = true, .grain = 0.03f, .seed = 32});
    // A faint hexagonal mesh over the inner plate.
    for (int y = 10; y < InfoFieldH - 10; ++y)
        for (int x = 10; x < InfoFieldW - 10; ++x) {
            const float hx = (x + 0.5f) / 14.0f, hy = (y + 0.5f) / 12.124f;
            const float row = std::floor(hy);
            const float fx = hx + (static_cast<int>(row) % 2) * 0.5f;
            const float d =
                SdPolygon((fx - std::floor(fx) - 0.5f) * 14.0f, (hy - row - 0.5f) * 12.124f, 6, 7.6f, 0.25f);
            if (d > -1.2f) c.Blend(x, y, Hex(0x0E1118), 0.35f * Clamp01(d + 1.2f));
        }
    // The logo well, the three read-outs and the tray for the spare paddles.
    DrawPanel(c, {12, 12, InfoFieldW - 24.0f, 104},
              {.base = Hex(0x141820), .radius = 8.0f, .bevel = 4.0f, .recessed = true, .grain = 0.0f, .seed = 33});
    for (int slot = 0; slot < 3; ++slot) {
        const float y = 188.0f + slot * 100.0f;
        DrawPanel(c, {6, y - 6.0f, InfoFieldW - 12.0f, 76},
                  {.base = Hex(0x4A5468), .radius = 6.0f, .bevel = 3.0f, .seed = 34});
        DrawGlassPanel(c, {10, y, InfoFieldW - 20.0f, 64}, 4.0f, Hex(0x0A1420), 0.95f, WithAlpha(Cyan, 0.35f));
        for (int sy = static_cast<int>(y) + 2; sy < static_cast<int>(y) + 62; sy += 3)
            for (int x = 12; x < InfoFieldW - 12; ++x) c.Blend(x, sy, Hex(0x000000), 0.18f);
        DrawBolt(c, 14, y + 32, 0.0f, 0.0f);
    }
    DrawPanel(c, {8, 640, InfoFieldW - 16.0f, 52}, {.base = Hex(0x4A5468), .radius = 6.0f, .bevel = 3.0f, .seed = 35});
    DrawPanel(c, {14, 646, InfoFieldW - 28.0f, 40},
              {.base = Hex(0x12161E), .radius = 5.0f, .bevel = 3.0f, .recessed = true, .grain = 0.0f, .seed = 36});
    for (int i = 0; i < 5; ++i) {
        const float x = 32.0f + 46.0f * i;
        DrawGlowLine(c, x - 14.0f, 682, x + 14.0f, 682, 1.0f, 1.5f, Cyan, 0.25f);
    }
    // Corner bolts and status lamps.
    for (float x : {10.0f, InfoFieldW - 10.0f})
        for (float y : {130.0f, 520.0f, 740.0f}) DrawBolt(c, x, y, 3.5f, x * 0.01f + y * 0.003f);
    const Color lamps[4] = {Hex(0x40FF80), Hex(0xFFB030), Hex(0x40D8FF), Hex(0xFF4040)};
    for (int i = 0; i < 4; ++i)
        DrawGlowLine(c, 86.0f + i * 28.0f, 552, 86.0f + i * 28.0f, 552, 5.0f, 3.0f, lamps[i], 0.7f);
    for (int i = 0; i < 6; ++i) {
        const float y = 574.0f + i * 9.0f;
        DrawPanel(c, {40, y, InfoFieldW - 80.0f, 4},
                  {.base = Hex(0x1A1F2A), .radius = 2.0f, .bevel = 1.5f, .recessed = true, .grain = 0.0f, .seed = 37});
    }
    // The side facing the play field carries the same lit lip as the borders.
    for (int y = 0; y < InfoFieldH; ++y) c.Blend(0, y, Hex(0x0A0C12), 0.6f);
    return c;
}

Canvas InnerPane()
{
    Canvas c(PaneW, PaneH);
    const int top = FieldTop - PaneTopY;  // the first row inside the field
    // Ambient shadow where the field meets the walls and the top border.
    for (int y = top; y < PaneH; ++y)
        for (int x = 0; x < PaneW; ++x) {
            const float d =
                std::min({static_cast<float>(x), static_cast<float>(PaneW - 1 - x), static_cast<float>(y - top)});
            const float a = 0.55f * std::exp(-d / 5.0f);
            if (a > 0.004f) c.Blend(x, y, Hex(0x000000), a);
        }
    // Corner brackets under the top border.
    for (int side = 0; side < 2; ++side) {
        Canvas bracket(30, 30);
        DrawPanel(bracket, {0, 0, 30, 9}, {.base = Hex(0x586278), .radius = 2.0f, .bevel = 2.0f, .seed = 41});
        DrawPanel(bracket, {0, 0, 9, 30}, {.base = Hex(0x586278), .radius = 2.0f, .bevel = 2.0f, .seed = 41});
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                // A diagonal web between the two arms.
                const float d = std::fabs((x + 0.5f) + (y + 0.5f) - 22.0f) / 1.414f;
                if (x + y < 30 && x > 6 && y > 6) bracket.Blend(x, y, Hex(0x4A5468), Coverage(d - 2.5f));
            }
        DrawBolt(bracket, 4.5f, 4.5f, 2.5f, 0.2f);
        c.Over(side == 0 ? bracket : FlippedX(bracket), side == 0 ? 0 : PaneW - 30, top);
    }
    // The exit pipes: two short pipes above and below the gate in the right wall.
    const float gateTop = ExitTop - PaneTopY, gateBottom = ExitBottom - PaneTopY;
    for (float y : {gateTop - 4.0f, gateBottom + 4.0f}) {
        for (int py = static_cast<int>(y) - 6; py <= static_cast<int>(y) + 6; ++py)
            for (int px = PaneW - 22; px < PaneW; ++px) {
                const float dy = py + 0.5f - y;
                const float d = SdBox(px + 0.5f - (PaneW - 10.0f), dy, 12.0f, 4.5f, 4.0f);
                const float cover = Coverage(d);
                if (cover <= 0.0f) continue;
                const Vec3 n = Normalized({0.0f, dy / 4.5f, std::sqrt(std::max(0.05f, 1.0f - dy * dy / 20.25f))});
                c.Blend(px, py, Lit(Hex(0x6A7488), n, 0.4f, 0.9f, 24.0f), cover);
            }
        DrawPanel(c, {PaneW - 24.0f, y - 7.0f, 5, 14},
                  {.base = Hex(0x8A93A4), .radius = 1.5f, .bevel = 1.5f, .seed = 42});
    }
    return c;
}

Canvas ExitGlow(bool right)
{
    Canvas c(GlowW, GlowH);
    const float cx = right ? GlowW * 0.5f : GlowW * 0.5f - 1.0f;
    for (int y = 0; y < GlowH; ++y)
        for (int x = 0; x < GlowW; ++x) {
            const float dx = x + 0.5f - cx, dy = y + 0.5f - GlowH * 0.5f;
            const float taper = SmoothStep(GlowH * 0.5f, GlowH * 0.5f - 14.0f, std::fabs(dy));
            const float core = std::exp(-dx * dx / 3.0f);
            const float halo = std::exp(-dx * dx / 60.0f);
            // Light bands streaming into the exit.
            const float bands = 0.5f + 0.5f * std::cos(dy * 0.55f);
            const float inward = right ? SmoothStep(-16.0f, 4.0f, dx) : SmoothStep(16.0f, -4.0f, dx);
            const float a = Clamp01((core + 0.55f * halo + 0.35f * bands * halo * inward) * taper);
            Color col = Mix(Hex(0x3AFF9A), Hex(0xF0FFF6), core);
            c.Blend(x, y, WithAlpha(col, a), 1.0f);
        }
    return c;
}

}  // namespace art

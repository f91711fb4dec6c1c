// Front-end pictures: the game and makers' logos, the menu, high-score and instructions pages, and the
// blinking failure box of the credits.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Materials.h"
#include "tools/assetgen/images/Shapes.h"
#include "tools/assetgen/images/Text.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

namespace {

constexpr float Pi = std::numbers::pi_v<float>;
const Color Cyan = Hex(0x40D8FF);

struct TextStyle {
    Color top, middle, bottom;  // fill gradient over the letters' height
    Color outline = Hex(0x060A18);
    int outlineWidth = 3;
    Color glow = Cyan;
    int glowRadius = 8;
    float glowStrength = 0.8f;
    float bevel = 2.5f;
};

// Rows of a field that hold any coverage.
void InkRows(const Field& f, int& top, int& bottom)
{
    top = f.Height();
    bottom = -1;
    for (int y = 0; y < f.Height(); ++y)
        for (int x = 0; x < f.Width(); ++x)
            if (f.At(x, y) > 0.02f) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                break;
            }
}

// Display lettering: gradient fill lit as a bevelled surface, a dark outline and a soft outer glow.
Canvas StyledText(const Font& font, const std::string& text, const TextStyle& style)
{
    const int pad = style.glowRadius * 2 + style.outlineWidth + 4;
    const Field mask = font.RenderTight(text, pad);
    Field outline = Blurred(mask, style.outlineWidth);
    for (float& v : outline.Values()) v = Clamp01(v * 4.0f);
    const Field height = Blurred(mask, 2);
    int top, bottom;
    InkRows(mask, top, bottom);
    Canvas c(mask.Width(), mask.Height());
    if (style.glowRadius > 0) {
        Canvas glow = Blurred(FromMask(outline, style.glow), style.glowRadius);
        c.Over(glow, 0, 0, style.glowStrength);
    }
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            c.Blend(x, y, style.outline, outline.At(x, y));
            const float m = mask.At(x, y);
            if (m <= 0.0f) continue;
            const float v = Clamp01((y - top) / std::max(1.0f, static_cast<float>(bottom - top)));
            // Chrome: the fill darkens towards a horizon line across the middle, then brightens again.
            const Color fill =
                v < 0.5f ? Mix(style.top, style.middle, v * 2.0f) : Mix(style.bottom, style.middle, (1.0f - v) * 0.6f);
            const Vec3 n = NormalAt(height, x, y, style.bevel);
            c.Blend(x, y, Lit(fill, n, 0.55f, 0.6f, 18.0f), m);
        }
    return c;
}

// Places a picture centred horizontally with its ink starting at row `top` of the target.
void PlaceTop(Canvas& target, const Canvas& art, int top)
{
    int inkTop = art.Height();
    for (int y = 0; y < art.Height() && inkTop == art.Height(); ++y)
        for (int x = 0; x < art.Width(); ++x)
            if (art.At(x, y).a > 0.5f) {
                inkTop = y;
                break;
            }
    target.Over(art, (target.Width() - art.Width()) / 2, top - inkTop);
}

TextStyle Chrome() { return {.top = Hex(0xF4FAFF), .middle = Hex(0x6C88B8), .bottom = Hex(0x1C3A78)}; }

void Line(Canvas& c, const Font& font, const std::string& text, int x, int baseline, const Color& color,
          Align align = Align::Left)
{
    DrawText(c, font, text, x + 1, baseline + 1, {0, 0, 0, 0.8f}, align);
    DrawText(c, font, text, x, baseline, color, align);
}

// A feather quill: a curved shaft with a vane of combed barbs on both sides and a metal nib.
Canvas Quill(int w, int h)
{
    Canvas c(w, h);
    const float x0 = w * 0.12f, y0 = h * 0.96f, x1 = w * 0.28f, y1 = h * 0.32f, x2 = w * 0.92f, y2 = h * 0.04f;
    auto at = [&](float t, float& x, float& y) {
        const float a = (1 - t) * (1 - t), b = 2 * (1 - t) * t, d = t * t;
        x = a * x0 + b * x1 + d * x2;
        y = a * y0 + b * y1 + d * y2;
    };
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            const float fx = px + 0.5f, fy = py + 0.5f;
            float best = 1e9f, bt = 0, sx = 0, sy = 0;
            for (int i = 0; i <= 80; ++i) {
                const float t = i / 80.0f;
                float x, y;
                at(t, x, y);
                const float d = std::hypot(fx - x, fy - y);
                if (d < best) best = d, bt = t, sx = x, sy = y;
            }
            float tx, ty;
            at(std::min(1.0f, bt + 0.01f), tx, ty);
            const float side = (tx - sx) * (fy - sy) - (ty - sy) * (fx - sx);  // which side of the shaft
            const float u = Clamp01((bt - 0.18f) / 0.82f);
            const float width = std::pow(std::sin(u * Pi), 0.7f) * w * (side > 0 ? 0.2f : 0.13f);
            // Barbs run diagonally away from the shaft; a few splits ruffle the edge.
            const float barb = 0.5f + 0.5f * std::sin(bt * 150.0f - best * 0.45f);
            const float ragged =
                1.0f - 0.18f * std::pow(0.5f + 0.5f * std::sin(bt * 23.0f + (side > 0 ? 0.0f : 2.0f)), 8.0f);
            const float vane = Coverage(best - width * ragged);
            if (vane > 0.0f && bt > 0.16f) {
                const float across = best / std::max(1.0f, width);
                const Color col = Mix(Hex(0xFFF2D0), Hex(0xC8901E), 0.25f + 0.55f * across);
                c.Blend(px, py, Scaled(col, 0.8f + 0.25f * barb), vane);
            }
            const float shaft = Coverage(best - (2.2f - 1.6f * bt));
            if (shaft > 0.0f && bt > 0.1f) c.Blend(px, py, Hex(0xFFFBEA), shaft);
            if (bt <= 0.18f) {
                const float nib = Coverage(best - 1.0f - 3.0f * (bt / 0.18f));
                c.Blend(px, py, Mix(Hex(0x8088A0), Hex(0xE8ECF4), bt / 0.18f), nib);
            }
        }
    return c;
}

void Trophy(Canvas& c, float cx, float top, float size)
{
    const float s = size / 100.0f;
    auto sd = [&](float x, float y) {
        const float dx = (x - cx) / s, dy = (y - top) / s;
        float d = std::max(SdEllipse(dx, dy - 20.0f, 34.0f, 40.0f), -(dy - 20.0f));             // the bowl
        d = std::min(d, std::fabs(SdCircle(std::fabs(dx) - 34.0f, dy - 34.0f, 12.0f)) - 3.5f);  // handles
        d = std::min(d, SdBox(dx, dy - 68.0f, 5.0f, 12.0f, 2.0f));                              // stem
        d = std::min(d, SdBox(dx, dy - 86.0f, 24.0f, 6.0f, 2.0f));                              // base
        d = std::min(d, SdBox(dx, dy - 21.0f, 36.0f, 3.0f, 1.5f));                              // rim
        return d * s;
    };
    const int x0 = static_cast<int>(cx - size * 0.6f), x1 = static_cast<int>(cx + size * 0.6f);
    const int y0 = static_cast<int>(top), y1 = static_cast<int>(top + size);
    Field height(x1 - x0, y1 - y0);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) height.At(x - x0, y - y0) = Clamp01(-sd(x + 0.5f, y + 0.5f) / 6.0f) * 6.0f;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float cover = Coverage(sd(x + 0.5f, y + 0.5f));
            if (cover <= 0.0f) continue;
            const Vec3 n = NormalAt(height, x - x0, y - y0, 1.2f);
            c.Blend(x, y, Lit(Hex(0xD8A030), n, 0.35f, 1.0f, 30.0f), cover);
        }
}

}  // namespace

Canvas KrellixLogo()
{
    Canvas c(KrellixLogoW, KrellixLogoH);
    const Font font(DefaultFonts().display, 118);
    const Canvas text = StyledText(font, "KRELLIX", Chrome());
    PlaceTop(c, text, 10);
    return c;
}

Canvas SidebarLogo()
{
    Canvas c(SidebarLogoW, SidebarLogoH);
    const Font font(DefaultFonts().display, 50);
    TextStyle style = Chrome();
    style.glowRadius = 5;
    style.outlineWidth = 2;
    style.bevel = 2.0f;
    PlaceTop(c, StyledText(font, "KRELLIX", style), 22);
    DrawGlowLine(c, 26, 78, SidebarLogoW - 26.0f, 78, 1.5f, 2.5f, Cyan, 0.7f);
    return c;
}

Canvas QuillonLogo()
{
    Canvas c(QuillonLogoW, QuillonLogoH);
    const Canvas quill = Quill(150, 190);
    c.Over(quill, 6, 4);
    // The largest size at which the name fits beside the quill.
    int size = 104;
    while (size > 40 && Font(DefaultFonts().display, size).Measure("QUILLON") > QuillonLogoW - 150 - 30) size -= 2;
    const Font font(DefaultFonts().display, size);
    TextStyle gold{.top = Hex(0xFFF4C8),
                   .middle = Hex(0xC88A24),
                   .bottom = Hex(0x6A3A08),
                   .outline = Hex(0x1A0C02),
                   .outlineWidth = 3,
                   .glow = Hex(0xFFB040),
                   .glowRadius = 7,
                   .glowStrength = 0.6f,
                   .bevel = 2.5f};
    const Canvas text = StyledText(font, "QUILLON", gold);
    c.Over(text, 138, (QuillonLogoH - text.Height()) / 2 - 10);
    const Font small(DefaultFonts().textBold, 20);
    Line(c, small, "S O F T W A R E", 138 + text.Width() / 2, 168, Hex(0xE8C880), Align::Centre);
    return c;
}

Canvas MenuPage()
{
    Canvas c(MenuPageW, MenuPageH);
    DrawGlassPanel(c, {2, 2, MenuPageW - 4.0f, MenuPageH - 4.0f}, 14.0f, Hex(0x08101E), 0.62f, WithAlpha(Cyan, 0.55f));
    // Faint grid lines behind the entries.
    for (int y = 16; y < MenuPageH - 16; ++y)
        for (int x = 16; x < MenuPageW - 16; ++x)
            if (x % 32 == 0 || y % 32 == 0) c.Blend(x, y, Cyan, 0.04f);
    // Corner brackets.
    for (int corner = 0; corner < 4; ++corner) {
        const float x = corner % 2 ? MenuPageW - 12.0f : 12.0f, y = corner / 2 ? MenuPageH - 12.0f : 12.0f;
        const float sx = corner % 2 ? -1.0f : 1.0f, sy = corner / 2 ? -1.0f : 1.0f;
        DrawGlowLine(c, x, y, x + 40 * sx, y, 2.0f, 2.0f, Cyan, 0.8f);
        DrawGlowLine(c, x, y, x, y + 40 * sy, 2.0f, 2.0f, Cyan, 0.8f);
    }
    return c;
}

Canvas HighscorePage()
{
    Canvas c(HighscorePageW, HighscorePageH);
    DrawGlassPanel(c, {2, 2, HighscorePageW - 4.0f, HighscorePageH - 4.0f}, 14.0f, Hex(0x0E0A1C), 0.62f,
                   WithAlpha(Hex(0xFFC850), 0.55f));
    const Font heading(DefaultFonts().display, 26);
    TextStyle gold{.top = Hex(0xFFF4C8),
                   .middle = Hex(0xD09030),
                   .bottom = Hex(0x7A4A10),
                   .outline = Hex(0x1A0C02),
                   .outlineWidth = 2,
                   .glow = Hex(0xFFB040),
                   .glowRadius = 4,
                   .glowStrength = 0.5f,
                   .bevel = 1.5f};
    PlaceTop(c, StyledText(heading, "HALL OF FAME", gold), 9);
    // One band per row of the table: rows are centred 50 pixels apart from screen y 105; the page's top is
    // at screen y 392 - height / 2.
    const int pageTop = 392 - HighscorePageH / 2;
    const Color medals[3] = {Hex(0xFFD040), Hex(0xD0D8E8), Hex(0xD08040)};
    for (int r = 0; r < 10; ++r) {
        const float cy = 105.0f + 50.0f * r - pageTop;
        DrawGlassPanel(c, {16, cy - 22, HighscorePageW - 32.0f, 44}, 8.0f, r % 2 ? Hex(0x141E34) : Hex(0x1E2A44), 0.55f,
                       WithAlpha(Hex(0x8090C0), 0.25f));
        const Color accent = r < 3 ? medals[r] : Hex(0x5A6A90);
        DrawGlowLine(c, 24, cy - 12, 24, cy + 12, 3.0f, 2.5f, accent, r < 3 ? 0.9f : 0.5f);
        DrawGlowLine(c, HighscorePageW - 24.0f, cy - 12, HighscorePageW - 24.0f, cy + 12, 3.0f, 2.5f, accent,
                     r < 3 ? 0.9f : 0.5f);
    }
    const float below = 105.0f + 50.0f * 9 - pageTop + 30.0f;
    Trophy(c, HighscorePageW * 0.5f, below + 12.0f, 110.0f);
    const Font small(DefaultFonts().textBold, 16);
    Line(c, small, "THE TEN BEST SCORES OF ALL TIME", HighscorePageW / 2, static_cast<int>(below) + 150, Hex(0xE8C880),
         Align::Centre);
    return c;
}

Canvas InstructionsPage()
{
    Canvas c(InstructionsPageW, InstructionsPageH);
    DrawGlassPanel(c, {2, 2, InstructionsPageW - 4.0f, InstructionsPageH - 4.0f}, 14.0f, Hex(0x08101E), 0.78f,
                   WithAlpha(Cyan, 0.55f));
    const FontFiles& files = DefaultFonts();
    const Font title(files.display, 40), head(files.display, 19), body(files.text, 15), bold(files.textBold, 15);
    PlaceTop(c, StyledText(title, "HOW TO PLAY", Chrome()), 16);

    const Color text = Hex(0xE4ECF8), keyColour = Hex(0xFFD870), headColour = Hex(0x7FE0FF);
    const int left = 34, column = 236;
    int y = 92;
    Line(c, body, "Clear every brick you can break: then the exit in the right wall opens.", left, y, text);
    Line(c, body, "Steer the paddle into it to reach the next round. Do not let the ball fall!", left, y += 20, text);

    y += 40;
    Line(c, head, "CONTROLS", left, y, headColour);
    DrawGlowLine(c, left + 110.0f, y - 7.0f, InstructionsPageW - 34.0f, y - 7.0f, 1.0f, 1.5f, Cyan, 0.4f);
    const char* controls[][2] = {
        {"Mouse, Left / Right", "move the paddle"},
        {"Space, Enter, left button", "launch the ball, fire the laser"},
        {"M", "arrow keys: normal or ball-dependent steering"},
        {"P", "pause the game; Space plays on"},
        {"Escape (hold)", "give up the game"},
        {"F5 / F6, F7 / F8", "music, effects and voices quieter / louder"},
        {"F11, F12", "full screen or window; a screenshot to Pictures"},
    };
    for (const auto& row : controls) {
        y += 22;
        Line(c, bold, row[0], left + 8, y, keyColour);
        Line(c, body, row[1], column, y, text);
    }

    y += 36;
    Line(c, head, "CAPSULES", left, y, headColour);
    DrawGlowLine(c, left + 110.0f, y - 7.0f, InstructionsPageW - 34.0f, y - 7.0f, 1.0f, 1.5f, Cyan, 0.4f);
    const struct {
        char letter;
        const char* name;
        const char* what;
    } capsules[] = {
        {'D', "Triple ball", "the ball splits into three"},
        {'C', "Catch", "the paddle holds the ball; fire to let it go"},
        {'X', "Exit", "the exit opens at once: steer into it"},
        {'L', "Laser", "fire bolts with Space, Enter or left button"},
        {'E', "Extend", "the paddle grows wider"},
        {'S', "Slow", "the ball slows down"},
        {'P', "Extra life", "one more paddle (or 10000 points if full)"},
    };
    y += 8;
    for (const auto& cap : capsules) {
        y += 26;
        c.Over(Capsule(cap.letter), left + 6, y - 18);
        Line(c, bold, cap.name, left + 66, y, keyColour);
        Line(c, body, cap.what, column, y, text);
    }
    y += 26;
    Line(c, body, "Catching a capsule whose power you already have gives 500 points.", left, y, text);

    y += 34;
    Line(c, head, "ENEMIES", left, y, headColour);
    DrawGlowLine(c, left + 100.0f, y - 7.0f, InstructionsPageW - 34.0f, y - 7.0f, 1.0f, 1.5f, Cyan, 0.4f);
    Line(c, body, "After 45 seconds aliens drop from the hatches. Hit them with the ball (200", left, y += 24, text);
    Line(c, body, "points) or a bolt, or ram them with the paddle for 1000 points.", left, y += 20, text);
    Line(c, body, "In round 33 the Zog waits: it takes 16 hits. Dodge the creatures it spits,", left, y += 20, text);
    Line(c, body, "each one that touches the paddle costs a life.", left, y += 20, text);
    return c;
}

Canvas GuruStrip()
{
    std::vector<Canvas> cells;
    const Font mono(DefaultFonts().mono, 17);
    for (int frame = 0; frame < 2; ++frame) {
        Canvas c(GuruW, GuruH);
        c.Fill(Hex(0x000000));
        // The red frame blinks: on in the first cell, off in the second.
        if (frame == 0)
            for (int y = 0; y < GuruH; ++y)
                for (int x = 0; x < GuruW; ++x) {
                    const int e = std::min({x, y, GuruW - 1 - x, GuruH - 1 - y});
                    if (e >= 4 && e < 10) c.Blend(x, y, Hex(0xFF2A1A), 1.0f);
                }
        DrawText(c, mono, "Krellix Failure.   Press left mouse button to continue.", GuruW / 2, 33, Hex(0xFF2A1A),
                 Align::Centre);
        DrawText(c, mono, "Guru Meditation #00000033.0000B055", GuruW / 2, 58, Hex(0xFF2A1A), Align::Centre);
        cells.push_back(std::move(c));
    }
    return Strip(cells, 1);
}

}  // namespace art

// Bricks: the seven bevelled colour bricks, the two-hit steel and the indestructible gold strips, shadow.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Noise.h"
#include "tools/assetgen/images/Shapes.h"

#include <cmath>

namespace art {

namespace {

constexpr float HalfW = BrickW * 0.5f, HalfH = BrickH * 0.5f;

float BrickSd(float x, float y) { return SdBox(x - HalfW, y - HalfH, HalfW, HalfH, 3.0f); }

const Color& BrickBase(int colour)
{
    static const Color colours[BrickColours] = {
        Hex(0xE4E6EE), Hex(0xE2332B), Hex(0xF6CE1E), Hex(0x52C6F4), Hex(0xF27AAE), Hex(0x38C64C), Hex(0x2C5CE6),
    };
    return colours[colour];
}

// A small raised dome (rivet) as a height bump.
float Rivet(float x, float y, float cx, float cy, float r)
{
    const float d = std::hypot(x - cx, y - cy) / r;
    return d >= 1.0f ? 0.0f : std::sqrt(1.0f - d * d);
}

}  // namespace

Canvas Strip(const std::vector<Canvas>& cells, int columns)
{
    const int cw = cells.front().Width(), ch = cells.front().Height();
    const int rows = (static_cast<int>(cells.size()) + columns - 1) / columns;
    Canvas out(cw * columns, ch * rows);
    for (size_t i = 0; i < cells.size(); ++i)
        out.Paste(cells[i], static_cast<int>(i % columns) * cw, static_cast<int>(i / columns) * ch);
    return out;
}

Canvas Brick(int colour)
{
    const Color base = BrickBase(colour);
    const Field bevel = BevelHeight(BrickW, BrickH, 4.0f, BrickSd);
    const Noise grain(101 + static_cast<uint64_t>(colour));
    Canvas c(BrickW, BrickH);
    for (int y = 0; y < BrickH; ++y)
        for (int x = 0; x < BrickW; ++x) {
            const float cover = Coverage(BrickSd(x + 0.5f, y + 0.5f));
            if (cover <= 0.0f) continue;
            const Vec3 n = NormalAt(bevel, x, y, 3.2f);
            // Lighter towards the top, with a faint grain so the face is not a flat fill.
            const float shade =
                1.08f - 0.22f * (static_cast<float>(y) / BrickH) + 0.04f * grain.At(x * 0.35f, y * 0.9f);
            Color col = Lit(Scaled(base, shade), n, 0.5f, 0.45f, 18.0f);
            // A soft gloss across the upper half of the face.
            const float gloss = SmoothStep(12.0f, 4.0f, static_cast<float>(y)) * SmoothStep(0.4f, 1.0f, bevel.At(x, y));
            col = Mix(col, Hex(0xFFFFFF), 0.22f * gloss);
            c.Blend(x, y, col, cover);
        }
    return c;
}

Canvas BrickStrip(bool indestructible)
{
    std::vector<Canvas> cells;
    const Field bevel = BevelHeight(BrickW, BrickH, indestructible ? 5.0f : 3.5f, BrickSd);
    const Noise brushed(indestructible ? 211 : 207);
    for (int k = 0; k < BrickFrames; ++k) {
        const float t = static_cast<float>(k) / (BrickFrames - 1);  // hit energy, 0 at rest
        const float glow = std::sqrt(t);  // the light dies away slowly, so the last cells still show
        Field height = bevel;
        for (int y = 0; y < BrickH; ++y)
            for (int x = 0; x < BrickW; ++x) {
                const float fx = x + 0.5f, fy = y + 0.5f;
                float bump = 0.0f;
                if (indestructible) {
                    // Diamond plate: raised lozenges in a staggered lattice.
                    const float u = std::fmod(fx + 40.0f, 8.0f) - 4.0f;
                    const float v =
                        std::fmod(fy + (static_cast<int>((fx + 40.0f) / 8.0f) % 2) * 3.0f + 30.0f, 6.0f) - 3.0f;
                    bump = 0.35f * Clamp01(1.0f - (std::fabs(u) / 3.2f + std::fabs(v) / 2.0f));
                    for (float cx : {6.5f, 53.5f})
                        for (float cy : {6.5f, 18.5f}) bump = std::max(bump, 0.8f * Rivet(fx, fy, cx, cy, 2.6f));
                } else {
                    for (float cx : {5.5f, 54.5f})
                        for (float cy : {6.0f, 19.0f}) bump = std::max(bump, 0.7f * Rivet(fx, fy, cx, cy, 2.2f));
                    // An engraved double groove down the middle.
                    if (std::fabs(fx - 30.0f) < 10.0f && (std::fabs(fy - 10.5f) < 0.8f || std::fabs(fy - 14.5f) < 0.8f))
                        bump -= 0.25f;
                }
                height.At(x, y) = height.At(x, y) * (1.0f + bump * SmoothStep(0.6f, 1.0f, bevel.At(x, y)));
            }
        Canvas c(BrickW, BrickH);
        // The ring of the indestructible brick's hit widens as the animation runs down to rest.
        const float ring = (1.0f - t) * 22.0f;
        const float glint = -10.0f + (1.0f - t) * 70.0f;  // the steel brick's glint sweeps left to right
        for (int y = 0; y < BrickH; ++y)
            for (int x = 0; x < BrickW; ++x) {
                const float fx = x + 0.5f, fy = y + 0.5f;
                const float cover = Coverage(BrickSd(fx, fy));
                if (cover <= 0.0f) continue;
                const Vec3 n = NormalAt(height, x, y, indestructible ? 3.8f : 3.0f);
                Color col;
                if (indestructible) {
                    const Color gold = Mix(Hex(0xC89A34), Hex(0x8A5E1C), static_cast<float>(y) / BrickH);
                    col = Lit(Scaled(gold, 1.0f + 0.06f * brushed.At(fx * 0.5f, fy * 0.5f)), n, 0.42f, 0.8f, 30.0f);
                    if (k > 0) {
                        const float r = std::hypot((fx - HalfW) * 0.55f, fy - HalfH);
                        const float band = std::exp(-(r - ring) * (r - ring) / 10.0f);
                        const float rim = SmoothStep(0.9f, 0.2f, bevel.At(x, y));
                        col = Mix(col, Hex(0xFFF2B0), Clamp01(0.85f * band * glow + 0.7f * rim * glow));
                    }
                } else {
                    const float streak =
                        brushed.At(fx * 0.08f, fy * 1.3f) * 0.09f + brushed.At(fx * 0.6f, fy * 2.0f) * 0.03f;
                    const Color steel = Mix(Hex(0xC4CCD8), Hex(0x7C8798), static_cast<float>(y) / BrickH);
                    col = Lit(Scaled(steel, 1.0f + streak), n, 0.45f, 0.7f, 26.0f);
                    if (k > 0) {
                        const float d = (fx + 0.6f * fy) - glint;
                        const float band = std::exp(-d * d / 30.0f);
                        col = Mix(col, Hex(0xF4FAFF), Clamp01(0.9f * band + 0.35f * t));
                    }
                }
                c.Blend(x, y, col, cover);
            }
        cells.push_back(std::move(c));
    }
    return Strip(cells, BrickFrames);
}

Canvas BrickShadow()
{
    const Field mask = ShapeMask(BrickW, BrickH, [](float x, float y) { return BrickSd(x, y) + 1.0f; });
    return ShadowOf(mask, 1);
}

}  // namespace art

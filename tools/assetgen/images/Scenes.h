// The painters of the backgrounds' scenes and the few tools they share: palettes, a full-size opaque
// canvas, a per-pixel shader loop and a starfield.
#pragma once

#include "tools/assetgen/images/Art.h"

#include <algorithm>
#include <cstdint>
#include <numbers>

namespace art::scene {

constexpr int W = BackgroundW, H = BackgroundH;
constexpr float Pi = std::numbers::pi_v<float>;

struct Palette {
    Color c[4];
    // Colour at t in 0..1 through the four stops at 0, 1/3, 2/3 and 1.
    Color At(float t) const
    {
        t = Clamp01(t) * 3.0f;
        const int i = std::min(2, static_cast<int>(t));
        return Mix(c[i], c[i + 1], t - i);
    }
};

inline Canvas Opaque()
{
    Canvas c(W, H);
    c.Fill(Hex(0x000000));
    return c;
}

// Runs `f` for the centre of every pixel and stores the colour it returns, opaque.
template <class F>
void Each(Canvas& c, F f)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Color col = f(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
            c.At(x, y) = {col.r, col.g, col.b, 1.0f};
        }
}

inline Color Add(const Color& a, const Color& b, float k)
{
    return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k, 1.0f};
}

// Scattered stars: most one pixel, a few with a soft glow.
void Stars(Canvas& c, uint64_t seed, int count, float brightness, float bottom = H);

// Skies, fluids and organic scenes.
Canvas Nebula(const Palette& p, const Palette& a, uint64_t seed);
Canvas Plasma(const Palette& p, const Palette& a, uint64_t seed);
Canvas Crystal(const Palette& p, const Palette& a, uint64_t seed);
Canvas Marble(const Palette& p, const Palette& a, uint64_t seed);
Canvas Planet(const Palette& p, const Palette& a, uint64_t seed);
Canvas Aurora(const Palette& p, const Palette& a, uint64_t seed);
Canvas Horizon(const Palette& p, const Palette& a, uint64_t seed);
Canvas Lava(const Palette& p, const Palette& a, uint64_t seed);
Canvas Ripples(const Palette& p, const Palette& a, uint64_t seed);
Canvas Vortex(const Palette& p, const Palette& a, uint64_t seed);
Canvas Galaxy(const Palette& p, const Palette& a, uint64_t seed);
Canvas Flesh(const Palette& p, const Palette& a, uint64_t seed);

// Machined and geometric patterns.
Canvas Panels(const Palette& p, const Palette& a, uint64_t seed);
Canvas Hexes(const Palette& p, const Palette& a, uint64_t seed);
Canvas Circuit(const Palette& p, const Palette& a, uint64_t seed);
Canvas Grating(const Palette& p, const Palette& a, uint64_t seed);
Canvas Stones(const Palette& p, const Palette& a, uint64_t seed);
Canvas OpArt(const Palette& p, const Palette& a, uint64_t seed);
Canvas Dunes(const Palette& p, const Palette& a, uint64_t seed);

}  // namespace art::scene

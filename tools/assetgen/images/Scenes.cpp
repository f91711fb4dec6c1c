// The background scenes of skies, fluids and living things: nebulae, planets, auroras, lava and more.
#include "tools/assetgen/images/Scenes.h"
#include "tools/assetgen/images/Materials.h"
#include "tools/assetgen/images/Noise.h"
#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <cmath>

namespace art::scene {

// Scattered stars: most one pixel, a few with a soft glow.
void Stars(Canvas& c, uint64_t seed, int count, float brightness, float bottom)
{
    Rng rng(seed);
    for (int i = 0; i < count; ++i) {
        const float x = rng.Range(0, W), y = rng.Range(0, bottom);
        const float b = brightness * std::pow(rng.Uniform(), 3.0f);
        const Color tint = Mix(Hex(0xBFD4FF), Hex(0xFFE8C8), rng.Uniform());
        const float r = b > 0.5f * brightness ? 2.2f : 0.9f;
        for (int py = static_cast<int>(y - 4); py <= static_cast<int>(y + 4); ++py)
            for (int px = static_cast<int>(x - 4); px <= static_cast<int>(x + 4); ++px) {
                const float d = std::hypot(px + 0.5f - x, py + 0.5f - y);
                c.AddLight(px, py, tint, b * std::exp(-d * d / (r * r * 0.5f)));
            }
    }
}

Canvas Nebula(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed), m(seed + 1);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const float s = 1.0f / 260.0f;
        const float qx = n.Fbm(x * s, y * s, 5), qy = n.Fbm(x * s + 5.2f, y * s + 1.3f, 5);
        const float v = n.Fbm(x * s + 2.2f * qx, y * s + 2.2f * qy, 6);
        const float dust = m.Ridged(x * s * 2.0f, y * s * 2.0f, 5);
        const float t = Clamp01(0.45f + 0.55f * v);
        Color col = Mix(p.At(t * t), a.At(Clamp01(0.3f + 0.6f * qx)), Clamp01(0.5f + qy) * 0.45f);
        return Scaled(col, 0.55f + 0.6f * SmoothStep(0.3f, 0.9f, dust));
    });
    Stars(c, seed + 2, 700, 1.0f);
    return c;
}

Canvas Plasma(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const float wx = x + 60.0f * n.Fbm(x / 300.0f, y / 300.0f, 3),
                    wy = y + 60.0f * n.Fbm(x / 300.0f + 3.1f, y / 300.0f, 3);
        const float v = std::sin(wx / 41.0f) + std::sin(wy / 29.0f) + std::sin((wx + wy) / 53.0f) +
                        std::sin(std::hypot(wx - 420.0f, wy - 300.0f) / 33.0f);
        const float t = 0.5f + 0.5f * std::sin(v * Pi * 0.5f);
        const float band = 0.5f + 0.5f * std::cos(v * Pi * 1.5f);
        return Mix(p.At(0.15f + 0.8f * t), a.At(0.6f), 0.25f * band);
    });
    return c;
}

Canvas Crystal(const Palette& p, const Palette& a, uint64_t seed)
{
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const Cell cell = Cellular(x / 70.0f, y / 70.0f, seed, 0.9f);
        const float h1 = static_cast<float>(cell.id & 0xFFFF) / 65535.0f;
        const float h2 = static_cast<float>((cell.id >> 16) & 0xFFFF) / 65535.0f;
        // Each facet is a tilted plane; its tilt sets how much light it catches.
        const Vec3 nrm = Normalized({h1 - 0.5f, h2 - 0.5f, 0.8f});
        const float lit = Diffuse(nrm);
        const float edge = SmoothStep(0.06f, 0.0f, cell.f2 - cell.f1);
        Color col = Mix(p.At(0.2f + 0.55f * lit), a.At(0.45f + 0.3f * h1), 0.25f);
        col = Add(col, p.At(0.95f), 0.25f * Specular(nrm, 12.0f));
        return Add(Scaled(col, 1.0f - 0.5f * edge), a.At(0.9f), 0.35f * edge);
    });
    return c;
}

Canvas Marble(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const float t = n.Fbm(x / 180.0f, y / 180.0f, 6);
        const float vein = std::fabs(std::sin((x * 0.6f + y) / 70.0f + 5.0f * t));
        const float fine = std::fabs(std::sin((x - y * 0.4f) / 35.0f + 8.0f * n.Fbm(x / 90.0f + 4.0f, y / 90.0f, 5)));
        const float v = 0.35f + 0.15f * t;
        Color col = p.At(v);
        col = Mix(col, a.At(0.85f), 0.55f * std::pow(1.0f - vein, 10.0f));
        return Mix(col, p.At(0.7f), 0.3f * std::pow(1.0f - fine, 16.0f));
    });
    return c;
}

Canvas Planet(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) { return Scaled(a.At(0.3f + 0.25f * n.Fbm(x / 300.0f, y / 300.0f, 4)), 0.5f); });
    Stars(c, seed + 3, 600, 0.9f);
    const float cx = 470.0f, cy = 520.0f, r = 250.0f;
    const float tilt = 0.28f;
    for (int py = 0; py < H; ++py)
        for (int px = 0; px < W; ++px) {
            const float x = px + 0.5f - cx, y = py + 0.5f - cy;
            const float d = std::hypot(x, y);
            // Rings behind and in front of the planet.
            const float rx = x * std::cos(tilt) + y * std::sin(tilt),
                        ry = (-x * std::sin(tilt) + y * std::cos(tilt)) * 4.0f;
            const float rr = std::hypot(rx, ry);
            const float ring = (rr > 300.0f && rr < 400.0f)
                                   ? (0.5f + 0.5f * std::sin(rr * 0.35f)) * SmoothStep(300.0f, 320.0f, rr) *
                                         SmoothStep(400.0f, 380.0f, rr)
                                   : 0.0f;
            const bool front = ry > 0.0f;
            if (ring > 0.0f && !front) c.Blend(px, py, a.At(0.7f), 0.5f * ring);
            if (d < r + 1.0f) {
                const float cover = Coverage(d - r);
                const float nz = std::sqrt(std::max(0.0f, 1.0f - d * d / (r * r)));
                const Vec3 nrm{x / r, y / r, nz};
                const float lat = y / r + 0.15f * n.Fbm(x / 60.0f, y / 25.0f, 5);
                const Color surface = p.At(0.35f + 0.35f * (0.5f + 0.5f * std::sin(lat * 14.0f)));
                const float light = Clamp01(Diffuse(nrm) * 1.3f);
                Color col = Scaled(surface, 0.08f + light);
                // Atmosphere at the lit rim.
                col = Add(col, p.At(0.9f), 0.6f * std::pow(1.0f - nz, 3.0f) * light);
                c.Blend(px, py, col, cover);
            } else {
                const float halo = std::exp(-(d - r) / 18.0f) * Clamp01(-(x + y) / r + 0.3f);
                c.AddLight(px, py, p.At(0.85f), 0.45f * halo);
            }
            if (ring > 0.0f && front) c.Blend(px, py, a.At(0.75f), 0.55f * ring);
        }
    return c;
}

Canvas Aurora(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        Color sky = Mix(p.At(0.05f), a.At(0.25f), y / H * 0.6f);
        for (int i = 0; i < 3; ++i) {
            const float base = 180.0f + 120.0f * i + 60.0f * n.Fbm(x / 260.0f + i * 3.0f, 0.5f, 4);
            const float dy = y - base;
            const float curtain = std::exp(-std::max(0.0f, dy) / 40.0f) * std::exp(-std::max(0.0f, -dy) / 160.0f);
            const float rays = 0.6f + 0.4f * std::sin(x / 7.0f + 6.0f * n.At(x / 90.0f, i * 1.7f));
            sky = Add(sky, (i == 1 ? a : p).At(0.75f), 0.55f * curtain * rays);
        }
        // A dark ridge of mountains along the bottom.
        const float ridge = H - 110.0f + 70.0f * n.Fbm(x / 220.0f, 7.7f, 5);
        if (y > ridge) sky = Scaled(p.At(0.08f), 0.8f);
        return sky;
    });
    Stars(c, seed + 1, 450, 0.8f);
    return c;
}

Canvas Horizon(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    const float horizon = 330.0f;
    Each(c, [&](float x, float y) {
        if (y < horizon) {
            Color sky = Mix(p.At(0.05f), p.At(0.45f), std::pow(y / horizon, 2.0f));
            // A striped sun sinking into the horizon.
            const float d = std::hypot(x - W * 0.5f, y - (horizon - 40.0f));
            if (d < 150.0f) {
                const float stripe = std::sin((y - horizon) * 0.25f * (1.0f + (horizon - y) / 150.0f));
                const bool gap = y > horizon - 110.0f && stripe > 0.55f;
                if (!gap)
                    sky = Mix(sky, Mix(p.At(0.95f), a.At(0.7f), (y - horizon + 190.0f) / 190.0f), Coverage(d - 150.0f));
            }
            sky = Add(sky, p.At(0.6f), 0.4f * std::exp(-(horizon - y) / 40.0f));
            return sky;
        }
        // The grid floor in perspective: lines every 1.6 units of depth and every unit across.
        const float depth = y - horizon + 1.0f;
        const float z = 4000.0f / depth;
        const float across = (x - W * 0.5f) * z / 400.0f;
        const float dx = std::fabs(across - std::round(across)) * 400.0f / z;
        const float k = std::max(1.0f, std::round(z / 1.6f));
        const float dz = std::fabs(depth - 4000.0f / (1.6f * k));
        const float fade = Clamp01(depth / 50.0f);
        const float line = std::max(Coverage(dx - 0.7f), Coverage(dz - 0.7f) * fade);
        Color floor = Mix(p.At(0.08f), p.At(0.18f), 0.3f + 0.2f * n.At(x / 80.0f, y / 80.0f));
        floor = Add(floor, p.At(0.6f), 0.35f * std::exp(-depth / 25.0f));
        return Add(floor, a.At(0.8f), line * (0.35f + 0.65f * fade));
    });
    Stars(c, seed + 5, 220, 0.7f, horizon - 20.0f);
    return c;
}

Canvas Lava(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const float wx = x + 25.0f * n.Fbm(x / 90.0f, y / 90.0f, 3),
                    wy = y + 25.0f * n.Fbm(x / 90.0f + 9.0f, y / 90.0f, 3);
        const Cell cell = Cellular(wx / 85.0f, wy / 85.0f, seed, 1.0f);
        const float crack = cell.f2 - cell.f1;
        const float heat = std::exp(-crack * 28.0f);
        const float rock = 0.12f + 0.12f * n.Fbm(x / 40.0f, y / 40.0f, 5) + 0.1f * (1.0f - cell.f1);
        Color col = Mix(Hex(0x0A0908), Hex(0x2A2622), Clamp01(rock * 2.0f));
        return Add(col, a.At(0.55f + 0.45f * heat), 1.1f * heat);
    });
    (void)p;
    return c;
}

Canvas Ripples(const Palette& p, const Palette& a, uint64_t seed)
{
    Rng rng(seed);
    float sx[4], sy[4], k[4];
    for (int i = 0; i < 4; ++i) sx[i] = rng.Range(0, W), sy[i] = rng.Range(0, H), k[i] = rng.Range(0.05f, 0.09f);
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        float v = 0;
        for (int i = 0; i < 4; ++i) v += std::sin(std::hypot(x - sx[i], y - sy[i]) * k[i]);
        const float caustic = std::pow(1.0f - std::fabs(std::sin(v * 1.2f + n.Fbm(x / 150.0f, y / 150.0f, 3))), 6.0f);
        Color col = p.At(0.25f + 0.1f * v / 4.0f + 0.15f * (1.0f - y / H));
        return Add(col, a.At(0.8f), 0.45f * caustic);
    });
    return c;
}

Canvas Vortex(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    const float cx = W * 0.5f, cy = H * 0.42f;
    Each(c, [&](float x, float y) {
        const float dx = x - cx, dy = y - cy;
        const float r = std::hypot(dx, dy) + 1.0f, ang = std::atan2(dy, dx);
        const float depth = 900.0f / r;
        const float swirl = ang * 3.0f + depth * 1.5f + 1.5f * n.Fbm(depth * 0.3f, ang, 3);
        const float rings = 0.5f + 0.5f * std::sin(depth * 4.0f);
        const float arms = 0.5f + 0.5f * std::sin(swirl);
        const float fade = Clamp01(r / 240.0f);
        Color col = Mix(p.At(0.2f + 0.5f * arms * fade), a.At(0.6f), 0.3f * rings * fade);
        return Add(col, p.At(1.0f), 0.5f * std::exp(-r / 30.0f));
    });
    return c;
}

Canvas Galaxy(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    const float cx = W * 0.52f, cy = H * 0.4f;
    const float tilt = 0.5f;
    Each(c, [&](float x, float y) {
        float dx = x - cx, dy = (y - cy) / 0.55f;
        const float rx = dx * std::cos(tilt) - dy * std::sin(tilt), ry = dx * std::sin(tilt) + dy * std::cos(tilt);
        const float r = std::hypot(rx, ry) + 1.0f, ang = std::atan2(ry, rx);
        const float arms = std::pow(
            0.5f + 0.5f * std::cos(2.0f * ang - std::log(r) * 4.0f + 0.8f * n.Fbm(x / 80.0f, y / 80.0f, 4)), 3.0f);
        const float disc = std::exp(-r / 170.0f);
        const float core = std::exp(-r / 28.0f);
        Color col = Scaled(p.At(0.1f), 0.6f);
        col = Add(col, a.At(0.55f), 0.9f * arms * disc);
        col = Add(col, p.At(0.8f), 0.5f * disc * (0.5f + 0.5f * n.Fbm(x / 40.0f, y / 40.0f, 4)));
        return Add(col, Hex(0xFFF0D8), 0.9f * core);
    });
    Stars(c, seed + 9, 900, 0.9f);
    return c;
}

Canvas Flesh(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const float wx = x + 30.0f * n.Fbm(x / 160.0f, y / 160.0f, 4),
                    wy = y + 30.0f * n.Fbm(x / 160.0f + 5.0f, y / 160.0f, 4);
        const float veins = n.Ridged(wx / 140.0f, wy / 140.0f, 6);
        const Cell cell = Cellular(wx / 55.0f, wy / 55.0f, seed, 1.0f);
        const float membrane = SmoothStep(0.12f, 0.0f, cell.f2 - cell.f1);
        const float pulse = 0.5f + 0.5f * n.Fbm(x / 220.0f, y / 220.0f, 3);
        Color col = p.At(0.2f + 0.25f * pulse + 0.1f * (1.0f - cell.f1));
        col = Add(col, p.At(0.85f), 0.6f * std::pow(veins, 6.0f));
        return Add(col, a.At(0.6f), 0.35f * membrane);
    });
    return c;
}

}  // namespace art::scene

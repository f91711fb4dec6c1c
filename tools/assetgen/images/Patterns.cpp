// The background scenes of machined and geometric patterns: panels, hexagons, circuits, gratings,
// stones, op-art and dunes.
#include "tools/assetgen/images/Materials.h"
#include "tools/assetgen/images/Noise.h"
#include "tools/assetgen/images/Scenes.h"
#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <cmath>

namespace art::scene {

// Recursive subdivision into machined panels.
void Subdivide(std::vector<Rect>& out, Rng& rng, Rect r, int depth)
{
    const bool wide = r.w > r.h;
    if (depth > 5 || r.w < 70 || r.h < 70 || (depth > 2 && rng.Uniform() < 0.25f)) {
        out.push_back(r);
        return;
    }
    const float cut = rng.Range(0.3f, 0.7f);
    if (wide) {
        const float w1 = std::round(r.w * cut);
        Subdivide(out, rng, {r.x, r.y, w1, r.h}, depth + 1);
        Subdivide(out, rng, {r.x + w1, r.y, r.w - w1, r.h}, depth + 1);
    } else {
        const float h1 = std::round(r.h * cut);
        Subdivide(out, rng, {r.x, r.y, r.w, h1}, depth + 1);
        Subdivide(out, rng, {r.x, r.y + h1, r.w, r.h - h1}, depth + 1);
    }
}

Canvas Panels(const Palette& p, const Palette& a, uint64_t seed)
{
    Canvas c = Opaque();
    c.Fill(p.At(0.12f));
    Rng rng(seed);
    std::vector<Rect> rects;
    Subdivide(rects, rng, {-4, -4, W + 8.0f, H + 8.0f}, 0);
    for (const Rect& r0 : rects) {
        const Rect r{r0.x + 2, r0.y + 2, r0.w - 4, r0.h - 4};
        const float shade = rng.Range(0.35f, 0.55f);
        DrawPanel(
            c, r,
            {.base = p.At(shade), .radius = 5.0f, .bevel = 4.0f, .grain = 0.1f, .specular = 0.25f, .seed = rng.Next()});
        const float kind = rng.Uniform();
        if (kind < 0.3f && r.w > 60 && r.h > 40) {
            // Vent slots.
            const int slots = static_cast<int>((r.h - 24) / 9);
            for (int i = 0; i < slots; ++i)
                DrawPanel(
                    c, {r.x + 14, r.y + 12 + i * 9.0f, r.w - 28, 4},
                    {.base = p.At(0.08f), .radius = 2.0f, .bevel = 1.5f, .recessed = true, .grain = 0.0f, .seed = 5});
        } else if (kind < 0.55f && r.w > 50 && r.h > 50) {
            // A recessed inset with a light strip.
            DrawPanel(c, {r.x + 10, r.y + 10, r.w - 20, r.h - 20},
                      {.base = p.At(0.25f),
                       .radius = 4.0f,
                       .bevel = 3.0f,
                       .recessed = true,
                       .grain = 0.05f,
                       .seed = rng.Next()});
            if (r.w > r.h)
                DrawGlowLine(c, r.x + 20, r.y + r.h * 0.5f, r.x + r.w - 20, r.y + r.h * 0.5f, 1.5f, 3.0f, a.At(0.75f),
                             0.7f);
            else
                DrawGlowLine(c, r.x + r.w * 0.5f, r.y + 20, r.x + r.w * 0.5f, r.y + r.h - 20, 1.5f, 3.0f, a.At(0.75f),
                             0.7f);
        } else if (kind < 0.7f) {
            DrawGlowLine(c, r.x + 12, r.y + 10, r.x + 12, r.y + 10, 3.0f, 2.0f, a.At(0.8f), 0.8f);
        }
        if (r.w > 40 && r.h > 40)
            for (float bx : {r.x + 6, r.x + r.w - 6})
                for (float by : {r.y + 6, r.y + r.h - 6}) DrawBolt(c, bx, by, 2.2f, rng.Uniform());
    }
    return c;
}

Canvas Hexes(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    const float size = 26.0f;                                   // circumradius
    const float dx = size * std::sqrt(3.0f), dy = size * 1.5f;  // pointy-top layout
    Each(c, [&](float x, float y) {
        // Nearest hex centre among the candidates of two offset rows.
        float best = 1e9f, bx = 0, by = 0;
        const int row = static_cast<int>(std::floor(y / dy));
        for (int r = row - 1; r <= row + 1; ++r) {
            const float off = (r & 1) ? dx * 0.5f : 0.0f;
            const int col = static_cast<int>(std::floor((x - off) / dx));
            for (int q = col - 1; q <= col + 1; ++q) {
                const float cx = q * dx + off + dx * 0.5f, cy = r * dy + size;
                const float d = std::hypot(x - cx, y - cy);
                if (d < best) best = d, bx = cx, by = cy;
            }
        }
        const float sd = SdPolygon(x - bx, y - by, 6, size - 2.0f, 0.0f);
        const float h = Clamp01(-sd / 5.0f);
        const float id = Hash01(static_cast<int>(bx), static_cast<int>(by), seed);
        const float glow = id > 0.9f ? 1.0f : 0.0f;
        // Bevel light from the slope direction of the cell wall.
        const float lx = (x - bx) / size, ly = (y - by) / size;
        const float slope = (1.0f - h) * (-lx * 0.6f - ly * 0.8f);
        const float v = 0.35f + 0.2f * id + 0.12f * n.Fbm(x / 120.0f, y / 120.0f, 3);
        Color col = Scaled(p.At(v), 0.85f + 0.9f * slope);
        if (sd > -1.0f) col = Scaled(col, 0.3f);
        if (glow > 0.0f) col = Add(col, a.At(0.7f), 0.7f * Clamp01(-sd / 10.0f));
        return col;
    });
    return c;
}

Canvas Circuit(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) { return p.At(0.18f + 0.08f * n.Fbm(x / 200.0f, y / 200.0f, 4)); });
    Rng rng(seed);
    const int grid = 12;
    const Color trace = a.At(0.62f);
    // Chips first, traces wander out of them.
    for (int i = 0; i < 9; ++i) {
        const float w = 12.0f * rng.Int(4, 8), h = 12.0f * rng.Int(3, 6);
        const float x = 12.0f * rng.Int(1, (W - static_cast<int>(w)) / 12 - 1),
                    y = 12.0f * rng.Int(1, (H - static_cast<int>(h)) / 12 - 1);
        DrawPanel(c, {x, y, w, h},
                  {.base = Hex(0x15171C), .radius = 2.0f, .bevel = 2.0f, .grain = 0.05f, .seed = rng.Next()});
        for (float px = x + 6; px < x + w - 4; px += 12) {
            DrawPanel(c, {px - 2, y - 6, 4, 6}, {.base = Hex(0xA8A8B0), .radius = 1.0f, .bevel = 1.0f, .seed = 3});
            DrawPanel(c, {px - 2, y + h, 4, 6}, {.base = Hex(0xA8A8B0), .radius = 1.0f, .bevel = 1.0f, .seed = 3});
        }
    }
    for (int i = 0; i < 70; ++i) {
        float x = static_cast<float>(grid * rng.Int(0, W / grid)), y = static_cast<float>(grid * rng.Int(0, H / grid));
        int dir = rng.Int(0, 7);
        const int steps = rng.Int(6, 30);
        const float bright = rng.Range(0.35f, 0.8f);
        DrawGlowLine(c, x, y, x, y, 5.0f, 1.5f, trace, bright);
        for (int s = 0; s < steps; ++s) {
            if (rng.Uniform() < 0.25f) dir = (dir + (rng.Uniform() < 0.5f ? 1 : 7)) % 8;
            const float ddx = std::round(std::cos(dir * Pi / 4.0f)), ddy = std::round(std::sin(dir * Pi / 4.0f));
            const float nx = x + ddx * grid, ny = y + ddy * grid;
            DrawGlowLine(c, x, y, nx, ny, 2.0f, 1.5f, trace, bright);
            x = nx;
            y = ny;
        }
        // A via at the end of the trace.
        DrawGlowLine(c, x, y, x, y, 6.0f, 2.0f, trace, bright);
        c.Blend(static_cast<int>(x), static_cast<int>(y), Hex(0x000000), 0.8f);
    }
    return c;
}

Canvas Grating(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    const float cell = 26.0f;
    Each(c, [&](float x, float y) {
        // Hexagonal perforations in a steel deck, lit from below by a slowly varying glow.
        const int row = static_cast<int>(std::floor(y / (cell * 0.866f)));
        const float ox = (row % 2) * cell * 0.5f;
        const float gx = std::fmod(x + ox, cell) - cell * 0.5f;
        const float gy = y - (row + 0.5f) * cell * 0.866f;
        const float hole = SdPolygon(gx, gy, 6, 9.0f, 0.0f);
        const float sheen = 0.5f + 0.5f * std::sin((x + y) / 160.0f + 2.0f * n.Fbm(x / 300.0f, y / 300.0f, 3));
        const float scratch = n.Fbm(x / 3.0f, y / 60.0f, 3) * 0.04f;
        Color col = p.At(0.38f + 0.18f * sheen + scratch);
        const float glow = 0.5f + 0.5f * n.Fbm(x / 160.0f, y / 160.0f, 4);
        if (hole < 0.0f) {
            const float depth = Clamp01(-hole / 5.0f);
            col = Mix(p.At(0.1f), a.At(0.35f + 0.5f * glow), depth * (0.4f + 0.6f * glow));
            if (gy + gx * 0.3f < -3.0f) col = Scaled(col, 0.55f);  // the rim's shadow inside the hole
        } else if (hole < 2.5f) {
            col = Scaled(col, gx + gy < 0.0f ? 0.6f : 1.35f);  // bevelled rim
        }
        return col;
    });
    return c;
}

Canvas Stones(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const Cell cell = Cellular(x / 60.0f, y / 60.0f, seed, 0.8f);
        const float gap = cell.f2 - cell.f1;
        const float id = static_cast<float>(cell.id % 1000) / 1000.0f;
        // Rounded flagstones: lit on the side facing the light.
        const float edge = SmoothStep(0.0f, 0.18f, gap);
        const float lx = (x / 60.0f - cell.cx), ly = (y / 60.0f - cell.cy);
        const float rim = (1.0f - edge) * Clamp01(-(lx + ly) * 2.0f);
        const float tex = 0.08f * n.Fbm(x / 12.0f, y / 12.0f, 4);
        Color col = Scaled(p.At(0.3f + 0.2f * id + tex), 0.35f + 0.65f * edge + 0.5f * rim);
        if (gap < 0.03f) col = Mix(p.At(0.05f), a.At(0.5f), 0.25f);
        return col;
    });
    return c;
}

Canvas OpArt(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Canvas c = Opaque();
    Each(c, [&](float x, float y) {
        const float wx = x / 44.0f + 1.6f * n.Fbm(x / 400.0f, y / 400.0f, 3);
        const float wy = y / 44.0f + 1.6f * n.Fbm(x / 400.0f + 7.0f, y / 400.0f, 3);
        const float sx = std::sin(wx * Pi), sy = std::sin(wy * Pi);
        const float check = sx * sy;
        const float edge = Clamp01(std::fabs(check) * 6.0f);
        const Color dark = p.At(0.15f), light = a.At(0.45f);
        return Mix(Mix(dark, light, 0.5f), check > 0 ? light : dark, edge);
    });
    return c;
}

Canvas Dunes(const Palette& p, const Palette& a, uint64_t seed)
{
    const Noise n(seed);
    Field height(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float warp = 40.0f * n.Fbm(x / 300.0f, y / 300.0f, 4);
            const float phase = (y + warp + 0.3f * x) / 46.0f;
            const float saw = phase - std::floor(phase);
            // Dune ridges: a long gentle windward slope and a steep lee side.
            const float ridge = saw < 0.8f ? saw / 0.8f : (1.0f - saw) / 0.2f;
            height.At(x, y) = 14.0f * ridge + 3.0f * n.Fbm(x / 25.0f, y / 25.0f, 4);
        }
    Canvas c = Opaque();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Vec3 nrm = NormalAt(height, x, y, 0.7f);
            const float lit = Diffuse(nrm);
            const Color col = Mix(p.At(0.2f + 0.5f * lit), a.At(0.3f), 0.3f * (1.0f - static_cast<float>(y) / H));
            c.At(x, y) = {col.r, col.g, col.b, 1.0f};
        }
    return c;
}

}  // namespace art::scene

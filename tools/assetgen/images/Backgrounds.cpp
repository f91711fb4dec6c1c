// Procedural backgrounds: a different scene for every level and front-end screen, darkened so that
// bricks and balls stand out against them.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Materials.h"
#include "tools/assetgen/images/Noise.h"
#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace art {

namespace {

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

enum class Pal { Azure, Ember, Violet, Emerald, Gold, Ice, Toxic, Rose, Steel, Sunset, Ocean, Blood };

Palette Colours(Pal p)
{
    switch (p) {
    case Pal::Azure:
        return {{Hex(0x02040C), Hex(0x0A2A5E), Hex(0x2A7FD4), Hex(0xC8F0FF)}};
    case Pal::Ember:
        return {{Hex(0x050202), Hex(0x4A0C04), Hex(0xC8420E), Hex(0xFFD27A)}};
    case Pal::Violet:
        return {{Hex(0x04020A), Hex(0x2A0A4E), Hex(0x8A2AC8), Hex(0xF0A8FF)}};
    case Pal::Emerald:
        return {{Hex(0x010604), Hex(0x063A2A), Hex(0x1EA878), Hex(0xC8FFE0)}};
    case Pal::Gold:
        return {{Hex(0x050402), Hex(0x3A2406), Hex(0xB07A1E), Hex(0xFFE8A8)}};
    case Pal::Ice:
        return {{Hex(0x020409), Hex(0x1C2C44), Hex(0x7AA8D0), Hex(0xF0F8FF)}};
    case Pal::Toxic:
        return {{Hex(0x020502), Hex(0x1E3A06), Hex(0x78C81E), Hex(0xEAFFA0)}};
    case Pal::Rose:
        return {{Hex(0x060204), Hex(0x4A0A24), Hex(0xD04A7A), Hex(0xFFD0D8)}};
    case Pal::Steel:
        return {{Hex(0x030405), Hex(0x262C36), Hex(0x7A8494), Hex(0xE0E6EE)}};
    case Pal::Sunset:
        return {{Hex(0x06020E), Hex(0x3A0A4A), Hex(0xC83A6A), Hex(0xFFB060)}};
    case Pal::Ocean:
        return {{Hex(0x010408), Hex(0x04303E), Hex(0x1AA0B0), Hex(0xC0FFF4)}};
    default:
        return {{Hex(0x050102), Hex(0x3A0408), Hex(0xA0102A), Hex(0xFF7A6A)}};
    }
}

enum class Style {
    Nebula,
    Plasma,
    Panels,
    Hexes,
    Circuit,
    Crystal,
    Marble,
    Planet,
    Grating,
    Aurora,
    Horizon,
    Lava,
    Ripples,
    Vortex,
    Stones,
    OpArt,
    Dunes,
    Galaxy,
    Flesh
};

struct Recipe {
    int number;
    Style style;
    Pal pal;
    Pal accent;
    uint64_t seed;
};

const std::vector<Recipe>& Recipes()
{
    static const std::vector<Recipe> recipes = {
        {8, Style::Nebula, Pal::Azure, Pal::Violet, 801},     {9, Style::Panels, Pal::Steel, Pal::Azure, 901},
        {10, Style::Plasma, Pal::Violet, Pal::Azure, 1001},   {11, Style::Hexes, Pal::Emerald, Pal::Emerald, 1101},
        {12, Style::Circuit, Pal::Ocean, Pal::Ocean, 1201},   {13, Style::Crystal, Pal::Ice, Pal::Azure, 1301},
        {14, Style::Marble, Pal::Rose, Pal::Rose, 1401},      {15, Style::Planet, Pal::Ember, Pal::Violet, 1501},
        {16, Style::Grating, Pal::Steel, Pal::Ice, 1601},     {17, Style::Aurora, Pal::Emerald, Pal::Azure, 1701},
        {18, Style::Horizon, Pal::Sunset, Pal::Violet, 1801}, {19, Style::Lava, Pal::Ember, Pal::Ember, 1901},
        {20, Style::Ripples, Pal::Azure, Pal::Azure, 2001},   {21, Style::Vortex, Pal::Violet, Pal::Rose, 2101},
        {22, Style::Stones, Pal::Gold, Pal::Gold, 2201},      {23, Style::Nebula, Pal::Sunset, Pal::Ember, 2301},
        {24, Style::OpArt, Pal::Azure, Pal::Violet, 2401},    {25, Style::Dunes, Pal::Gold, Pal::Sunset, 2501},
        {26, Style::Galaxy, Pal::Ice, Pal::Violet, 2601},     {27, Style::Panels, Pal::Ember, Pal::Gold, 2701},
        {28, Style::Plasma, Pal::Toxic, Pal::Ocean, 2801},    {29, Style::Hexes, Pal::Gold, Pal::Ember, 2901},
        {30, Style::Circuit, Pal::Ember, Pal::Gold, 3001},    {31, Style::Crystal, Pal::Violet, Pal::Rose, 3101},
        {32, Style::Planet, Pal::Azure, Pal::Ice, 3201},      {34, Style::Marble, Pal::Emerald, Pal::Emerald, 3401},
        {35, Style::Lava, Pal::Toxic, Pal::Toxic, 3501},      {36, Style::Aurora, Pal::Violet, Pal::Rose, 3601},
        {37, Style::Ripples, Pal::Ocean, Pal::Emerald, 3701}, {38, Style::Vortex, Pal::Ember, Pal::Gold, 3801},
        {39, Style::Nebula, Pal::Emerald, Pal::Ocean, 3901},  {42, Style::Stones, Pal::Steel, Pal::Azure, 4201},
        {43, Style::Flesh, Pal::Blood, Pal::Violet, 4301},    {47, Style::Panels, Pal::Azure, Pal::Ocean, 4701},
        {48, Style::Galaxy, Pal::Violet, Pal::Azure, 4801},   {49, Style::Horizon, Pal::Azure, Pal::Ocean, 4901},
        {50, Style::Nebula, Pal::Violet, Pal::Azure, 5001},
    };
    return recipes;
}

Canvas Opaque()
{
    Canvas c(W, H);
    c.Fill(Hex(0x000000));
    return c;
}

template <class F>
void Each(Canvas& c, F f)
{
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Color col = f(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
            c.At(x, y) = {col.r, col.g, col.b, 1.0f};
        }
}

Color Add(const Color& a, const Color& b, float k) { return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k, 1.0f}; }

// Scattered stars: most one pixel, a few with a soft glow.
void Stars(Canvas& c, uint64_t seed, int count, float brightness, float bottom = H)
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

Canvas Paint(const Recipe& s)
{
    const Palette p = Colours(s.pal), a = Colours(s.accent);
    switch (s.style) {
    case Style::Nebula:
        return Nebula(p, a, s.seed);
    case Style::Plasma:
        return Plasma(p, a, s.seed);
    case Style::Panels:
        return Panels(p, a, s.seed);
    case Style::Hexes:
        return Hexes(p, a, s.seed);
    case Style::Circuit:
        return Circuit(p, a, s.seed);
    case Style::Crystal:
        return Crystal(p, a, s.seed);
    case Style::Marble:
        return Marble(p, a, s.seed);
    case Style::Planet:
        return Planet(p, a, s.seed);
    case Style::Grating:
        return Grating(p, a, s.seed);
    case Style::Aurora:
        return Aurora(p, a, s.seed);
    case Style::Horizon:
        return Horizon(p, a, s.seed);
    case Style::Lava:
        return Lava(p, a, s.seed);
    case Style::Ripples:
        return Ripples(p, a, s.seed);
    case Style::Vortex:
        return Vortex(p, a, s.seed);
    case Style::Stones:
        return Stones(p, a, s.seed);
    case Style::OpArt:
        return OpArt(p, a, s.seed);
    case Style::Dunes:
        return Dunes(p, a, s.seed);
    case Style::Galaxy:
        return Galaxy(p, a, s.seed);
    default:
        return Flesh(p, a, s.seed);
    }
}

// Brings the picture to a dim, even level: average brightness towards `target`, highlights rolled off
// so that nothing in the background competes with the bricks, and a soft vignette.
void Darken(Canvas& c, float target, float ceiling)
{
    double sum = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Px& q = c.At(x, y);
            sum += 0.299 * q.r + 0.587 * q.g + 0.114 * q.b;
        }
    const float mean = static_cast<float>(sum / (static_cast<double>(W) * H));
    const float gain = std::clamp(target / std::max(mean, 1e-4f), 0.25f, 1.6f);
    const float knee = ceiling * 0.55f;
    auto roll = [&](float v) {
        v *= gain;
        if (v <= knee) return v;
        return knee + (ceiling - knee) * (1.0f - std::exp(-(v - knee) / (ceiling - knee)));
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float u = (x + 0.5f) / W - 0.5f, v = (y + 0.5f) / H - 0.5f;
            const float vignette = 1.0f - 0.35f * SmoothStep(0.2f, 0.75f, std::hypot(u, v * 0.95f));
            Px& q = c.At(x, y);
            q = {roll(q.r) * vignette, roll(q.g) * vignette, roll(q.b) * vignette, 1.0f};
        }
}

}  // namespace

std::vector<int> BackgroundNumbers()
{
    std::vector<int> numbers;
    for (const Recipe& s : Recipes()) numbers.push_back(s.number);
    return numbers;
}

Canvas Background(int number)
{
    for (const Recipe& s : Recipes())
        if (s.number == number) {
            Canvas c = Paint(s);
            // The front-end screens carry pages and text on top, and the red boss needs his stage to
            // himself: those are kept darker still.
            const bool dim = number >= 43;
            Darken(c, dim ? 0.09f : 0.13f, dim ? 0.42f : 0.5f);
            return c;
        }
    throw std::invalid_argument("no background numbered " + std::to_string(number));
}

}  // namespace art

// Explosions: the alien fireball strip and the boss's long death, the latter painted over the very
// part of its level's background that it covers, since the strip is a JPEG without transparency.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Noise.h"
#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace art {

namespace {

// Colour of glowing gas by temperature: dark red through orange and yellow to white.
Color Fire(float t)
{
    static const Color stops[5] = {Hex(0x200404), Hex(0x8A1404), Hex(0xFF6A0C), Hex(0xFFD060), Hex(0xFFFFF0)};
    t = std::clamp(t, 0.0f, 1.0f) * 4.0f;
    const int i = std::min(3, static_cast<int>(t));
    return Mix(stops[i], stops[i + 1], t - i);
}

struct Particle {
    float x, y, vx, vy;
    int start;
    float life, size;
};

std::vector<Particle> Embers(uint64_t seed, int count, float speedLo, float speedHi, int startLo, int startHi,
                             float lifeLo, float lifeHi)
{
    Rng rng(seed);
    std::vector<Particle> out;
    for (int i = 0; i < count; ++i) {
        const float a = rng.Range(0.0f, 6.2831853f), v = rng.Range(speedLo, speedHi);
        out.push_back({0.0f, 0.0f, std::cos(a) * v, std::sin(a) * v, rng.Int(startLo, startHi),
                       rng.Range(lifeLo, lifeHi), rng.Range(0.8f, 1.6f)});
    }
    return out;
}

// Adds glowing embers (already moved to their places for this frame) to an emission buffer.
void DrawEmbers(std::vector<Color>& light, int size, float cx, float cy, const std::vector<Particle>& embers, int frame,
                float drag, float gravity)
{
    for (const Particle& p : embers) {
        const int age = frame - p.start;
        if (age < 0 || age > p.life) continue;
        // Closed form of repeated v *= drag, pos += v.
        const float k = (1.0f - std::pow(drag, static_cast<float>(age))) / (1.0f - drag);
        const float x = cx + p.vx * k, y = cy + p.vy * k + 0.5f * gravity * age * age;
        const float heat = 1.0f - age / p.life;
        const Color col = Fire(0.4f + 0.6f * heat);
        const float r = p.size * 2.5f;
        for (int py = static_cast<int>(y - r); py <= static_cast<int>(y + r); ++py)
            for (int px = static_cast<int>(x - r); px <= static_cast<int>(x + r); ++px) {
                if (px < 0 || py < 0 || px >= size || py >= size) continue;
                const float d2 = (px + 0.5f - x) * (px + 0.5f - x) + (py + 0.5f - y) * (py + 0.5f - y);
                const float g = heat * std::exp(-d2 / (p.size * p.size));
                Color& l = light[static_cast<size_t>(py) * size + px];
                l.r += col.r * g;
                l.g += col.g * g;
                l.b += col.b * g;
            }
    }
}

Canvas AlienExplosionCell(int frame, const Noise& noise, const std::vector<Particle>& sparks)
{
    const int s = AlienExplosionSize;
    const float t = static_cast<float>(frame) / (AlienExplosionFrames - 1);
    const float c0 = s * 0.5f;
    const float radius = 5.0f + 21.0f * (1.0f - std::pow(1.0f - t, 3.0f));
    const float heat = 1.5f * std::exp(-t * 2.4f);
    const float fade = std::pow(1.0f - t, 1.3f);
    std::vector<Color> light(static_cast<size_t>(s) * s, Color{0, 0, 0, 0});
    DrawEmbers(light, s, c0, c0, sparks, frame, 0.92f, 0.02f);
    Canvas c(s, s);
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const float dx = x + 0.5f - c0, dy = y + 0.5f - c0;
            const float r = std::hypot(dx, dy);
            const float n = noise.Fbm(dx / 8.0f, dy / 8.0f, t * 3.0f, 4);
            const float d = r / radius + 0.5f * n;
            const float density = Clamp01((1.0f - d) * 2.2f);
            // Hottest at the heart of the ball, cooler and redder towards its ragged edge.
            const float core = Clamp01(1.3f - 0.9f * r / radius - 0.4f * n);
            const float temp =
                density * heat * core + (frame < 4 ? std::exp(-r * r / 30.0f) * (1.0f - frame / 4.0f) : 0.0f);
            // Smoke left behind thins out; the fire inside it cools.
            const float smoke = density * fade * 0.85f;
            Color col = Mix(Mix(Hex(0x1C1818), Hex(0x463C3A), 0.5f + 0.5f * n), Fire(temp), Clamp01(temp * 2.2f));
            const float a = Clamp01(std::max(smoke, temp));
            c.Blend(x, y, WithAlpha(col, a), 1.0f);
            const Color& l = light[static_cast<size_t>(y) * s + x];
            c.AddLight(x, y, {l.r, l.g, l.b, 1.0f}, 1.0f);
        }
    // Keep the cell's edges clear so nothing is cut off at the frame border.
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            const float e = static_cast<float>(std::min({x, y, s - 1 - x, s - 1 - y}));
            const float k = SmoothStep(0.0f, 6.0f, e);
            Px& p = c.At(x, y);
            p = {p.r * k, p.g * k, p.b * k, std::min(1.0f, p.a) * k};
        }
    return c;
}

template <class F>
void ParallelFor(int count, F f)
{
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::atomic<int> next{0};
    auto worker = [&] {
        for (int i = next++; i < count; i = next++) f(i);
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
}

struct Burst {
    float x, y, radius;
    int start;
    uint64_t seed;
};

// Everything the boss explosion's frames share: the backdrop, the boss and the fixed choreography.
struct ZogScene {
    Canvas backdrop;  // background and inner pane under the explosion's square
    Canvas zog;       // the boss at rest, placed in the square
    std::vector<Burst> bursts;
    std::vector<Particle> embers;
    Noise noise{7001};
};

const ZogScene& Scene()
{
    static const ZogScene scene = [] {
        ZogScene s;
        const int size = ZogExplosionSize;
        // The square's top-left corner on the screen: the explosion is drawn centred on the boss.
        const int sx = ZogX - size / 2, sy = ZogY - size / 2;
        const Canvas bg = Background(43);
        const Canvas pane = InnerPane();
        s.backdrop = Canvas(size, size);
        s.backdrop.Fill(Hex(0x000000));
        s.backdrop.Over(bg, FieldLeft - sx, FieldTop - sy);
        s.backdrop.Over(pane, FieldLeft - sx, PaneTopY - sy);
        s.zog = Canvas(size, size);
        s.zog.Paste(ZogCellImage(0), ZogX - ZogW / 2 - sx, ZogY - ZogH / 2 - sy);
        Rng rng(7002);
        s.bursts.push_back({size * 0.5f, size * 0.5f - 60.0f, 70.0f, 0, rng.Next()});
        // A chain of blasts through the body, then aftershocks around the fireball.
        for (int i = 0; i < 15; ++i) {
            const float bx = size * 0.5f + rng.Range(-80.0f, 80.0f), by = size * 0.5f + rng.Range(-170.0f, 170.0f);
            s.bursts.push_back({bx, by, rng.Range(34.0f, 64.0f), rng.Int(2, 58), rng.Next()});
        }
        for (int i = 0; i < 7; ++i) {
            const float a = rng.Range(0.0f, 6.2831853f), d = rng.Range(110.0f, 170.0f);
            s.bursts.push_back({size * 0.5f + d * std::cos(a), size * 0.5f + d * std::sin(a), rng.Range(30.0f, 48.0f),
                                rng.Int(64, 112), rng.Next()});
        }
        s.embers = Embers(7003, 160, 3.0f, 11.0f, 48, 70, 30.0f, 80.0f);
        return s;
    }();
    return scene;
}

void ZogExplosionCell(int frame, std::vector<uint8_t>& sheet, int sheetW)
{
    const ZogScene& scene = Scene();
    const int size = ZogExplosionSize;
    const float c0 = size * 0.5f;
    std::vector<Color> light(static_cast<size_t>(size) * size, Color{0, 0, 0, 0});
    DrawEmbers(light, size, c0, c0, scene.embers, frame, 0.975f, 0.04f);
    // The boss glows hotter and fades away during the first second.
    const float zogFade = Clamp01(1.0f - frame / 60.0f);
    const float zogHeat = Clamp01(frame / 30.0f);
    const float ballAge = (frame - 50) / 150.0f;
    const float ballR = 40.0f + 210.0f * (1.0f - std::exp(-std::max(0.0f, ballAge) * 5.0f));
    const float ringAge = (frame - 50) / 45.0f;
    const int ox = (frame % ZogExplosionColumns) * size, oy = (frame / ZogExplosionColumns) * size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float dx = fx - c0, dy = fy - c0;
            const float r = std::hypot(dx, dy);
            float temp = 0.0f, smoke = 0.0f;
            for (const Burst& b : scene.bursts) {
                const float age = (frame - b.start) / 40.0f;
                if (age < 0.0f || age > 1.0f) continue;
                const float rad = b.radius * (0.3f + 0.7f * (1.0f - (1.0f - age) * (1.0f - age)));
                const float bd = std::hypot(fx - b.x, fy - b.y);
                if (bd > rad * 1.6f) continue;
                const float n = scene.noise.Fbm((fx - b.x) / 14.0f, (fy - b.y) / 14.0f, age * 2.0f + (b.seed % 97), 3);
                const float dens = Clamp01((1.0f - (bd / rad + 0.35f * n)) * 2.5f);
                temp = std::max(temp, dens * 1.4f * std::pow(1.0f - age, 1.5f));
                smoke = std::max(smoke, dens * age * (1.0f - age) * 2.2f);
            }
            if (ballAge >= 0.0f && r < ballR * 1.5f) {
                const float n = scene.noise.Fbm(dx / 38.0f, dy / 38.0f, ballAge * 2.5f, 4);
                const float dens = Clamp01((1.0f - (r / ballR + 0.55f * n)) * 2.2f);
                temp = std::max(temp, dens * 1.4f * std::exp(-ballAge * 3.4f) * (0.8f + 0.4f * n));
                smoke =
                    std::max(smoke, dens * SmoothStep(0.05f, 0.3f, ballAge) * std::pow(1.0f - ballAge, 1.3f) * 0.9f);
            }
            float glow = 0.0f;
            if (ringAge >= 0.0f && ringAge <= 1.0f) {
                const float rr =
                    20.0f + 330.0f * std::pow(ringAge, 0.7f) + 8.0f * scene.noise.At(dx / 30.0f, dy / 30.0f, ringAge);
                const float w = 5.0f + 20.0f * ringAge;
                glow += std::exp(-(r - rr) * (r - rr) / (w * w)) * (1.0f - ringAge) * (1.0f - ringAge) * 1.2f;
            }
            glow +=
                std::exp(-(frame - 50.0f) * (frame - 50.0f) / 10.0f) * std::exp(-r * r / (2.0f * 70.0f * 70.0f)) * 1.5f;
            // Nothing may reach the square's edges, or its outline would show on the background.
            const float edge = static_cast<float>(std::min({x, y, size - 1 - x, size - 1 - y}));
            const float env = SmoothStep(0.0f, 48.0f, edge) * SmoothStep(256.0f, 200.0f, r);
            temp *= env;
            smoke = Clamp01(smoke) * env;
            glow *= env;

            const Px& b = scene.backdrop.At(x, y);
            Color col{b.r, b.g, b.b, 1.0f};
            const Px& z = scene.zog.At(x, y);
            if (z.a > 0.0f && zogFade > 0.0f) {
                const Color body{z.r / z.a, z.g / z.a, z.b / z.a, 1.0f};
                const Color hot = Mix(body, Hex(0xFF9040), 0.7f * zogHeat);
                col = Mix(col, hot, z.a * zogFade);
            }
            col = Mix(col,
                      Mix(Hex(0x140E0E), Hex(0x4A3E3A),
                          Clamp01(0.5f + scene.noise.At(dx / 20.0f, dy / 20.0f, frame * 0.02f))),
                      smoke);
            const Color f = Fire(temp);
            const float fireA = Clamp01(temp * 1.6f);
            col = Mix(col, f, fireA);
            const Color& l = light[static_cast<size_t>(y) * size + x];
            const Color ringCol = Hex(0xFFE0B0);
            col.r += l.r * env + ringCol.r * glow;
            col.g += l.g * env + ringCol.g * glow;
            col.b += l.b * env + ringCol.b * glow;
            uint8_t* out = &sheet[(static_cast<size_t>(oy + y) * sheetW + ox + x) * 3];
            out[0] = ToByte(col.r);
            out[1] = ToByte(col.g);
            out[2] = ToByte(col.b);
        }
}

}  // namespace

Canvas AlienExplosionSheet()
{
    const Noise noise(6001);
    const std::vector<Particle> sparks = Embers(6002, 28, 1.5f, 4.0f, 0, 6, 20.0f, 45.0f);
    std::vector<Canvas> cells;
    for (int f = 0; f < AlienExplosionFrames; ++f) cells.push_back(AlienExplosionCell(f, noise, sparks));
    return Strip(cells, AlienExplosionColumns);
}

int ZogExplosionSheetW() { return ZogExplosionColumns * ZogExplosionSize; }

int ZogExplosionSheetH()
{
    return (ZogExplosionFrames + ZogExplosionColumns - 1) / ZogExplosionColumns * ZogExplosionSize;
}

void PaintZogExplosion(int first, int count, std::vector<uint8_t>& sheet)
{
    const size_t bytes = static_cast<size_t>(ZogExplosionSheetW()) * ZogExplosionSheetH() * 3;
    if (sheet.size() != bytes) sheet.assign(bytes, 0);
    Scene();
    ParallelFor(count, [&](int i) { ZogExplosionCell(first + i, sheet, ZogExplosionSheetW()); });
}

}  // namespace art

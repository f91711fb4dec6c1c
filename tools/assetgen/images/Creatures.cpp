// The creatures: the three spinning aliens, the boss's spat critters, the boss himself and their shadows.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Noise.h"
#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

namespace {

constexpr float Pi = std::numbers::pi_v<float>;

// A tapering limb along a polyline: signed distance and the limb parameter (0 at the root, 1 at the tip)
// of the nearest point.
struct Limb {
    std::vector<float> xs, ys;
    float rootRadius = 4, tipRadius = 1;

    float Distance(float x, float y, float* along = nullptr) const
    {
        float best = 1e9f;
        const size_t n = xs.size();
        for (size_t i = 0; i + 1 < n; ++i) {
            const float ax = xs[i], ay = ys[i], bx = xs[i + 1], by = ys[i + 1];
            const float dx = bx - ax, dy = by - ay;
            const float len2 = dx * dx + dy * dy;
            const float t = len2 > 0 ? Clamp01(((x - ax) * dx + (y - ay) * dy) / len2) : 0.0f;
            const float u = (static_cast<float>(i) + t) / static_cast<float>(n - 1);
            const float d = std::hypot(x - ax - dx * t, y - ay - dy * t) - Lerp(rootRadius, tipRadius, u);
            if (d < best) {
                best = d;
                if (along) *along = u;
            }
        }
        return best;
    }
};

// A quadratic curve from p0 through the control point p1 to p2, sampled into a limb.
Limb Curve(float x0, float y0, float x1, float y1, float x2, float y2, float r0, float r1, int steps = 12)
{
    Limb l;
    l.rootRadius = r0;
    l.tipRadius = r1;
    for (int i = 0; i <= steps; ++i) {
        const float t = static_cast<float>(i) / steps;
        const float a = (1 - t) * (1 - t), b = 2 * (1 - t) * t, c = t * t;
        l.xs.push_back(a * x0 + b * x1 + c * x2);
        l.ys.push_back(a * y0 + b * y1 + c * y2);
    }
    return l;
}

// Fills a canvas from a signed distance, a surface colour function and a dome-shaped height.
template <class Sd, class Surface>
Canvas Sculpt(int w, int h, float thickness, float strength, Sd sd, Surface surface)
{
    Field dist(w, h), height(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            dist.At(x, y) = sd(x + 0.5f, y + 0.5f);
            const float t = Clamp01(-dist.At(x, y) / thickness);
            height.At(x, y) = thickness * std::sqrt(t * (2.0f - t));
        }
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float cover = Coverage(dist.At(x, y));
            if (cover <= 0.0f) continue;
            const Vec3 n = NormalAt(height, x, y, strength);
            c.Blend(x, y, surface(x + 0.5f, y + 0.5f, n), cover);
        }
    return c;
}

// Glowing eye with a slit pupil, added on top of a sculpted body.
void Eye(Canvas& c, float cx, float cy, float r, const Color& iris, float intensity, float slit = 0.25f)
{
    for (int y = static_cast<int>(cy - r * 3); y <= static_cast<int>(cy + r * 3); ++y)
        for (int x = static_cast<int>(cx - r * 3); x <= static_cast<int>(cx + r * 3); ++x) {
            if (!c.Inside(x, y) || c.At(x, y).a <= 0.0f) continue;
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            const float d = std::hypot(dx, dy);
            const float glow = std::exp(-(d * d) / (r * r * 1.4f)) * intensity;
            c.AddLight(x, y, iris, 0.45f * glow * c.At(x, y).a);
            const float cover = Coverage(d - r);
            if (cover <= 0.0f) continue;
            Color col = Mix(Mix(iris, Hex(0xFFFFE0), 0.6f * intensity), iris, d / r);
            if (std::fabs(dx) < r * slit * (1.0f - std::fabs(dy) / r * 0.5f)) col = Hex(0x080404);
            if (std::hypot(dx + r * 0.35f, dy + r * 0.4f) < r * 0.28f) col = Hex(0xFFFFFF);
            c.Blend(x, y, col, cover);
        }
}

// An almond-shaped slit eye tilted by `angle` (radians), with a glow around it.
void AngryEye(Canvas& c, float cx, float cy, float rx, float ry, float angle, const Color& iris, float intensity)
{
    const float ca = std::cos(angle), sa = std::sin(angle);
    for (int y = static_cast<int>(cy - rx * 2.5f); y <= static_cast<int>(cy + rx * 2.5f); ++y)
        for (int x = static_cast<int>(cx - rx * 2.5f); x <= static_cast<int>(cx + rx * 2.5f); ++x) {
            if (!c.Inside(x, y) || c.At(x, y).a <= 0.0f) continue;
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            const float u = dx * ca + dy * sa, v = -dx * sa + dy * ca;
            // A dark socket, then the glowing eye inside it.
            const float socket = SdEllipse(u, v, rx + 3.0f, ry + 3.0f);
            c.Blend(x, y, Hex(0x0A0204), 0.85f * Coverage(socket));
            const float glow = std::exp(-(u * u / (rx * rx) + v * v / (ry * ry)) / 2.2f) * intensity;
            c.AddLight(x, y, iris, 0.5f * glow * c.At(x, y).a);
            const float eye = SdEllipse(u, v, rx, ry * (1.0f - 0.5f * std::fabs(u) / rx));
            const float cover = Coverage(eye);
            if (cover <= 0.0f) continue;
            Color col =
                Mix(Mix(iris, Hex(0xFFFFD0), 0.7f * intensity * (1.0f - std::fabs(u) / rx)), iris, std::fabs(v) / ry);
            if (std::fabs(u) < ry * 0.22f) col = Hex(0x100204);
            c.Blend(x, y, col, cover);
        }
}

Canvas BrownAlien()
{
    const float c0 = AlienSize * 0.5f;
    const Noise n(611);
    auto sd = [&](float x, float y) {
        const float dx = x - c0, dy = y - c0;
        float d = SdCircle(dx, dy, 12.5f) + 0.8f * n.At(x * 0.35f, y * 0.35f);
        // Six hooked spikes.
        const float ang = std::atan2(dy, dx), r = std::hypot(dx, dy);
        const float sector = 2.0f * Pi / 6.0f;
        const float a = std::fmod(ang + 8.0f * Pi + 0.15f * r / 19.0f, sector) - sector * 0.5f;
        const float spike = std::fabs(a) * r - Lerp(4.0f, 0.2f, Clamp01((r - 10.0f) / 9.5f));
        if (r < 19.5f) d = std::min(d, spike);
        return d;
    };
    Canvas c = Sculpt(AlienSize, AlienSize, 6.0f, 1.4f, sd, [&](float x, float y, const Vec3& nrm) {
        const float r = std::hypot(x - c0, y - c0);
        const Color body =
            r < 13.5f ? Mix(Hex(0x8A5A2E), Hex(0x5A3418), 0.5f + 0.5f * n.At(x * 0.5f, y * 0.5f)) : Hex(0xC89A5A);
        return Lit(body, nrm, 0.3f, 0.5f, 20.0f);
    });
    Eye(c, c0, c0, 4.5f, Hex(0xFFB020), 0.7f, 0.22f);
    return c;
}

Canvas RedAlien()
{
    const float c0 = AlienSize * 0.5f;
    std::vector<Limb> blades;
    for (int i = 0; i < 3; ++i) {
        const float a = i * 2.0f * Pi / 3.0f;
        auto at = [&](float r, float turn) {
            return std::pair{c0 + r * std::cos(a + turn), c0 + r * std::sin(a + turn)};
        };
        const auto [x0, y0] = at(6.0f, 0.0f);
        const auto [x1, y1] = at(15.0f, 0.5f);
        const auto [x2, y2] = at(19.0f, 1.35f);
        blades.push_back(Curve(x0, y0, x1, y1, x2, y2, 4.5f, 0.6f));
    }
    auto sd = [&](float x, float y) {
        float d = SdCircle(x - c0, y - c0, 8.0f);
        for (const Limb& b : blades) d = std::min(d, b.Distance(x, y));
        return d;
    };
    Canvas c = Sculpt(AlienSize, AlienSize, 4.0f, 1.6f, sd, [&](float x, float y, const Vec3& nrm) {
        const float r = std::hypot(x - c0, y - c0);
        const Color body = Mix(Hex(0xFF5030), Hex(0x8A0C10), Clamp01((r - 6.0f) / 12.0f));
        return Lit(body, nrm, 0.35f, 0.9f, 30.0f);
    });
    // The molten core.
    for (int y = 0; y < AlienSize; ++y)
        for (int x = 0; x < AlienSize; ++x) {
            const float r = std::hypot(x + 0.5f - c0, y + 0.5f - c0);
            c.AddLight(x, y, Hex(0xFFD060), 1.2f * std::exp(-r * r / 18.0f) * c.At(x, y).a);
        }
    return c;
}

Canvas BlackAlien()
{
    const float c0 = AlienSize * 0.5f;
    auto sd = [&](float x, float y) {
        const float dx = x - c0, dy = y - c0;
        float d = SdPolygon(dx, dy, 8, 13.5f, 1.0f / 16.0f);
        for (int i = 0; i < 4; ++i) {
            const float a = i * Pi * 0.5f + Pi * 0.25f;
            d = std::min(d, SdSegment(dx, dy, 10.0f * std::cos(a), 10.0f * std::sin(a), 17.5f * std::cos(a),
                                      17.5f * std::sin(a)) -
                                2.0f);
        }
        return d;
    };
    Canvas c = Sculpt(AlienSize, AlienSize, 4.0f, 1.8f, sd, [&](float x, float y, const Vec3& nrm) {
        const float r = std::hypot(x - c0, y - c0);
        Color body = r > 14.0f ? Hex(0x5A5F70) : Hex(0x23252E);
        // Panel seams on the hull.
        if (std::fabs(r - 10.0f) < 0.6f) body = Hex(0x0C0D12);
        return Lit(body, nrm, 0.3f, 1.0f, 36.0f);
    });
    // Lamps on the prongs and the eye.
    for (int i = 0; i < 4; ++i) {
        const float a = i * Pi * 0.5f + Pi * 0.25f;
        Eye(c, c0 + 17.0f * std::cos(a), c0 + 17.0f * std::sin(a), 1.6f, Hex(0xFF40C0), 0.8f, 0.0f);
    }
    Eye(c, c0, c0, 6.0f, Hex(0xD040FF), 1.0f, 0.2f);
    return c;
}

Canvas Critter(int size, const Color& skin, const Color& belly, uint64_t seed)
{
    const float c0 = size * 0.5f;
    const float r = size * 0.33f;
    const Noise n(seed);
    auto sd = [&](float x, float y) {
        const float dx = x - c0, dy = y - c0;
        const float ang = std::atan2(dy, dx), len = std::hypot(dx, dy);
        // A wobbly body with five soft spines.
        float d = len - r * (1.0f + 0.08f * std::sin(ang * 3.0f + 1.0f)) + 0.6f * n.At(x * 0.3f, y * 0.3f);
        const float sector = 2.0f * Pi / 5.0f;
        const float a = std::fmod(ang + 8.0f * Pi, sector) - sector * 0.5f;
        const float spine =
            std::fabs(a) * len - Lerp(r * 0.35f, 0.3f, Clamp01((len - r * 0.8f) / (c0 - 0.5f - r * 0.8f)));
        if (len < c0 - 0.5f) d = std::min(d, spine);
        return d;
    };
    Canvas c = Sculpt(size, size, r * 0.5f, 1.3f, sd, [&](float x, float y, const Vec3& nrm) {
        const float len = std::hypot(x - c0, y - c0);
        const Color body = Mix(belly, skin, Clamp01(len / r));
        // Slime: a high, tight specular.
        return Lit(Scaled(body, 1.0f + 0.15f * n.At(x * 0.6f, y * 0.6f)), nrm, 0.35f, 1.2f, 40.0f);
    });
    Eye(c, c0 - r * 0.38f, c0 - r * 0.15f, r * 0.28f, Hex(0xFFF040), 0.7f, 0.3f);
    Eye(c, c0 + r * 0.38f, c0 - r * 0.15f, r * 0.28f, Hex(0xFFF040), 0.7f, 0.3f);
    // A grinning mouth.
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = x + 0.5f - c0, dy = y + 0.5f - (c0 + r * 0.35f);
            const float mouth = SdEllipse(dx, dy, r * 0.5f, r * 0.18f);
            if (dy > -r * 0.05f) c.Blend(x, y, Hex(0x200408), Coverage(mouth) * c.At(x, y).a);
        }
    return c;
}

// ---- The boss

struct ZogParts {
    Limb hornL, hornR, armL, armR, clawL1, clawL2, clawR1, clawR2, mandL, mandR, browL, browR, crest;
    std::vector<Limb> spikes, tentacles;
};

ZogParts ZogPose(float t, int frame)
{
    const float cx = ZogW * 0.5f;
    ZogParts p;
    p.hornL = Curve(cx - 42, 62, cx - 84, 44, cx - 70, 2, 12, 1);
    p.hornR = Curve(cx + 42, 62, cx + 84, 44, cx + 70, 2, 12, 1);
    p.browL = Curve(cx - 56, 80, cx - 30, 84, cx - 6, 100, 7, 4, 6);
    p.browR = Curve(cx + 56, 80, cx + 30, 84, cx + 6, 100, 7, 4, 6);
    p.crest = Curve(cx, 96, cx, 64, cx, 30, 8, 2, 6);
    for (int i = 0; i < 4; ++i) {
        const float a = -Pi * 0.5f + (i < 2 ? -1.0f : 1.0f) * (0.35f + 0.28f * (i % 2));
        const float bx = cx + 52.0f * std::cos(a), by = 100.0f + 48.0f * std::sin(a);
        p.spikes.push_back(Curve(bx, by, bx + 14.0f * std::cos(a), by + 14.0f * std::sin(a) - 4.0f,
                                 bx + 24.0f * std::cos(a), by + 24.0f * std::sin(a) - 6.0f, 5, 0.5f, 6));
    }
    // The arms flinch outwards when he is hit.
    const float flinch = 10.0f * t;
    p.armL = Curve(cx - 42, 170, cx - 86 - flinch, 186, cx - 78 - flinch, 246, 9, 4);
    p.armR = Curve(cx + 42, 170, cx + 86 + flinch, 186, cx + 78 + flinch, 246, 9, 4);
    p.clawL1 = Curve(cx - 78 - flinch, 244, cx - 88 - flinch, 262, cx - 72 - flinch, 276, 4, 0.5f, 6);
    p.clawL2 = Curve(cx - 78 - flinch, 244, cx - 64 - flinch, 258, cx - 60 - flinch, 272, 3.5f, 0.5f, 6);
    p.clawR1 = Curve(cx + 78 + flinch, 244, cx + 88 + flinch, 262, cx + 72 + flinch, 276, 4, 0.5f, 6);
    p.clawR2 = Curve(cx + 78 + flinch, 244, cx + 64 + flinch, 258, cx + 60 + flinch, 272, 3.5f, 0.5f, 6);
    const float gape = 8.0f * t;
    p.mandL = Curve(cx - 46, 124, cx - 56 - gape, 160, cx - 30 - gape, 190 + gape, 7, 0.8f, 8);
    p.mandR = Curve(cx + 46, 124, cx + 56 + gape, 160, cx + 30 + gape, 190 + gape, 7, 0.8f, 8);
    // Five tentacles hang from the body and whip when struck.
    const float roots[5] = {cx - 36, cx - 18, cx, cx + 18, cx + 36};
    for (int i = 0; i < 5; ++i) {
        Limb l;
        l.rootRadius = i == 2 ? 10.0f : 8.0f;
        l.tipRadius = 1.0f;
        const float len = (i == 2 ? 118.0f : 104.0f) - std::fabs(i - 2.0f) * 6.0f;
        const float spread = (i - 2.0f) * 9.0f;
        const float phase = i * 1.3f + frame * 0.7f;
        for (int s = 0; s <= 14; ++s) {
            const float u = s / 14.0f;
            const float wave = (5.0f + 9.0f * t) * std::sin(u * 5.0f + phase) * u;
            l.xs.push_back(roots[i] + spread * u * u + wave);
            l.ys.push_back(244.0f + len * u);
        }
        p.tentacles.push_back(l);
    }
    return p;
}

enum class ZogMaterial { Flesh, Bone, Chitin, Mouth };

Canvas ZogCell(int frame)
{
    const float t = static_cast<float>(frame) / (ZogFrames - 1);  // hit energy, 0 at rest
    const float cx = ZogW * 0.5f;
    const ZogParts parts = ZogPose(t, frame);
    const Noise n(4321);
    // A broad skull that narrows towards the jaw.
    auto head = [&](float x, float y) {
        const float narrow = 1.0f - 0.25f * Clamp01((y - 96.0f) / 50.0f);
        return SdEllipse((x - cx) / narrow, y - 100.0f, 60.0f, 52.0f) * narrow;
    };
    auto torso = [&](float x, float y) {
        const float u = Clamp01((y - 150.0f) / 110.0f);
        return SdBox(x - cx, y - 205.0f, Lerp(42.0f, 30.0f, u), 58.0f, 16.0f);
    };
    auto mouth = [&](float x, float y) { return SdEllipse(x - cx, y - (138.0f + 4.0f * t), 26.0f, 13.0f + 8.0f * t); };
    auto classify = [&](float x, float y, float& d) {
        ZogMaterial m = ZogMaterial::Flesh;
        d = std::min(head(x, y), torso(x, y));
        auto take = [&](float dd, ZogMaterial mm) {
            if (dd < d) d = dd, m = mm;
        };
        take(parts.hornL.Distance(x, y), ZogMaterial::Bone);
        take(parts.hornR.Distance(x, y), ZogMaterial::Bone);
        take(parts.mandL.Distance(x, y), ZogMaterial::Bone);
        take(parts.mandR.Distance(x, y), ZogMaterial::Bone);
        take(parts.crest.Distance(x, y), ZogMaterial::Bone);
        for (const Limb& l : parts.spikes) take(l.Distance(x, y), ZogMaterial::Bone);
        for (const Limb* l : {&parts.armL, &parts.armR}) take(l->Distance(x, y), ZogMaterial::Chitin);
        for (const Limb* l : {&parts.clawL1, &parts.clawL2, &parts.clawR1, &parts.clawR2})
            take(l->Distance(x, y), ZogMaterial::Bone);
        for (const Limb& l : parts.tentacles) take(l.Distance(x, y), ZogMaterial::Flesh);
        // Bony brow ridges over the eyes, ribbed chitin over the chest.
        for (const Limb* l : {&parts.browL, &parts.browR})
            if (l->Distance(x, y) < 0.0f) m = ZogMaterial::Bone;
        if (m == ZogMaterial::Flesh && torso(x, y) < -4.0f && y < 250.0f &&
            std::fmod(y - 160.0f + 100.0f, 18.0f) < 13.0f && std::fabs(x - cx) < 30.0f)
            m = ZogMaterial::Chitin;
        if (mouth(x, y) < 0.0f) m = ZogMaterial::Mouth;
        return m;
    };
    auto sd = [&](float x, float y) {
        float d;
        classify(x, y, d);
        return d;
    };
    Canvas c = Sculpt(ZogW, ZogH, 9.0f, 1.1f, sd, [&](float x, float y, const Vec3& nrm) {
        float d;
        const ZogMaterial m = classify(x, y, d);
        const float vein = std::pow(n.Ridged(x / 40.0f, y / 40.0f, 4), 5.0f);
        Color col;
        switch (m) {
        case ZogMaterial::Bone:
            col = Lit(Scaled(Mix(Hex(0xB8A680), Hex(0x6A5A44), Clamp01(0.5f + n.At(x / 9.0f, y / 9.0f))),
                             0.9f + 0.15f * n.At(x / 4.0f, y / 4.0f)),
                      nrm, 0.25f, 0.6f, 16.0f);
            break;
        case ZogMaterial::Chitin:
            col = Lit(Hex(0x2A2C48), nrm, 0.35f, 1.1f, 40.0f);
            break;
        case ZogMaterial::Mouth:
            col = Mix(Hex(0x2A0004), Hex(0xFF6A20), 0.35f + 0.5f * t - 0.3f * Clamp01(std::fabs(x - cx) / 26.0f));
            break;
        default:
            col = Lit(Mix(Hex(0x7A1030), Hex(0x2A0620), 0.5f + 0.5f * n.At(x / 20.0f, y / 20.0f)), nrm, 0.3f, 0.7f,
                      24.0f);
            col = Mix(col, Hex(0xFF3A5A), 0.5f * vein);
            break;
        }
        // Struck: the flesh flashes white-hot, fading as the animation runs down.
        return Mix(col, Hex(0xFFE8E0), 0.55f * t * t);
    });
    // Fangs along the upper and lower rims of the maw.
    for (int row = 0; row < 2; ++row)
        for (int i = -5; i <= 5; ++i) {
            const float tx = cx + i * 4.6f;
            const float rim = std::sqrt(std::max(0.0f, 1.0f - (tx - cx) * (tx - cx) / (26.0f * 26.0f)));
            const float mouthY = 138.0f + 4.0f * t, halfH = 13.0f + 8.0f * t;
            const float root = row == 0 ? mouthY - halfH * rim : mouthY + halfH * rim;
            const float len = (row == 0 ? 9.0f : 6.0f) * (0.6f + 0.4f * rim) + (i % 2 == 0 ? 2.0f : 0.0f);
            for (int y = static_cast<int>(root - len - 1); y <= static_cast<int>(root + len + 1); ++y)
                for (int x = static_cast<int>(tx - 3); x <= static_cast<int>(tx + 3); ++x) {
                    const float u = row == 0 ? (y + 0.5f - root) / len : (root - y - 0.5f) / len;
                    if (u < 0 || u > 1) continue;
                    const float half = 2.0f * (1.0f - u);
                    c.Blend(x, y, Mix(Hex(0xF4ECD0), Hex(0xA89070), u), Coverage(std::fabs(x + 0.5f - tx) - half));
                }
        }
    // The heart glows through the chest plates and flares when he is hit.
    for (int y = 170; y < 240; ++y)
        for (int x = static_cast<int>(cx - 30); x < static_cast<int>(cx + 30); ++x) {
            const float d = std::hypot((x + 0.5f - cx) * 1.2f, y + 0.5f - 204.0f);
            c.AddLight(x, y, Hex(0xFF7A20), (0.35f + 0.8f * t) * std::exp(-d * d / 200.0f) * c.At(x, y).a);
        }
    const float glare = 0.8f + 0.6f * t;
    AngryEye(c, cx - 28, 102, 13.0f, 6.5f, 0.38f, Hex(0x9AFF30), glare);
    AngryEye(c, cx + 28, 102, 13.0f, 6.5f, -0.38f, Hex(0x9AFF30), glare);
    AngryEye(c, cx, 64, 6.0f, 4.0f, Pi * 0.5f, Hex(0xFFD030), glare);
    return c;
}

}  // namespace

Canvas Alien(int kind)
{
    switch (kind) {
    case 0:
        return BrownAlien();
    case 1:
        return RedAlien();
    default:
        return BlackAlien();
    }
}

Canvas AlienShadow()
{
    const Field mask = ShapeMask(AlienSize, AlienSize, [](float x, float y) {
        return SdCircle(x - AlienSize * 0.5f, y - AlienSize * 0.5f, 15.0f);
    });
    return ShadowOf(mask, 2);
}

Canvas ZogShot(bool big)
{
    return big ? Critter(ZogShotBig, Hex(0x4AB81E), Hex(0xD8F070), 901)
               : Critter(ZogShotSmall, Hex(0x8A3AB8), Hex(0x70E0A0), 902);
}

Canvas ZogStrip()
{
    std::vector<Canvas> cells;
    for (int k = 0; k < ZogFrames; ++k) cells.push_back(ZogCell(k));
    return Strip(cells, ZogFrames);
}

Canvas ZogCellImage(int frame) { return ZogCell(frame); }

Canvas ZogShadow()
{
    Field mask = ZogCell(0).Alpha();
    return ShadowOf(mask, 3);
}

}  // namespace art

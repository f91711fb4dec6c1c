// The player's things: ball, collision probe, paddle with its laser turret, laser bolt, capsules, shadows.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Shapes.h"
#include "tools/assetgen/images/Text.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {

// Round things keep a clear pixel at the edge of their image: nothing solid touches the border.
constexpr float BallR = BallSize * 0.5f - 1.0f;
constexpr float PadR = PadH * 0.5f - 0.4f;
constexpr float CapsuleR = CapsuleH * 0.5f - 1.0f;

float PadSd(float x, float y)
{
    return SdSegment(x, y, PadR + 0.4f, PadH * 0.5f, PadW - PadR - 0.4f, PadH * 0.5f) - PadR;
}

float CapsuleSd(float x, float y)
{
    return SdSegment(x, y, CapsuleR + 1.0f, CapsuleH * 0.5f, CapsuleW - CapsuleR - 1.0f, CapsuleH * 0.5f) - CapsuleR;
}

// Normal of a tube of radius r around a segment, at distance d from its axis along (dx, dy).
Vec3 TubeNormal(float dx, float dy, float r)
{
    const float l = std::hypot(dx, dy) / r;
    if (l >= 1.0f) return Normalized({dx, dy, 0.0f});
    return Normalized({dx / r, dy / r, std::sqrt(1.0f - l * l)});
}

// The vector from the nearest point of the horizontal axis segment [x0, x1] at height cy to (x, y).
void AxisOffset(float x, float y, float x0, float x1, float cy, float& dx, float& dy)
{
    const float px = x < x0 ? x0 : (x > x1 ? x1 : x);
    dx = x - px;
    dy = y - cy;
}

}  // namespace

Canvas Ball()
{
    Canvas c(BallSize, BallSize);
    const float cx = BallSize * 0.5f, cy = BallSize * 0.5f;
    for (int y = 0; y < BallSize; ++y)
        for (int x = 0; x < BallSize; ++x) {
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            const float cover = Coverage(SdCircle(dx, dy, BallR));
            if (cover <= 0.0f) continue;
            const Vec3 n = TubeNormal(dx, dy, BallR);
            Color col = Lit(Hex(0xD8E2FF), n, 0.3f, 1.1f, 40.0f);
            // Cool rim light from below so the ball reads against dark backgrounds.
            const float rim = std::pow(1.0f - n.z, 2.0f) * Clamp01(0.3f + dy / BallR);
            col = Mix(col, Hex(0x7FE0FF), 0.55f * rim);
            c.Blend(x, y, col, cover);
        }
    return c;
}

Canvas BallShadow()
{
    const Field mask = ShapeMask(BallSize, BallSize, [](float x, float y) {
        return SdCircle(x - BallSize * 0.5f, y - BallSize * 0.5f, BallR - 0.5f);
    });
    return ShadowOf(mask, 1);
}

Canvas Dot()
{
    Canvas c(DotSize, DotSize);
    c.Fill(Hex(0xFFFFFF));
    return c;
}

Canvas Pad()
{
    Canvas c(PadW, PadH);
    const float cy = PadH * 0.5f, x0 = PadR + 0.4f, x1 = PadW - PadR - 0.4f;
    for (int y = 0; y < PadH; ++y)
        for (int x = 0; x < PadW; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float cover = Coverage(PadSd(fx, fy));
            if (cover <= 0.0f) continue;
            float dx, dy;
            AxisOffset(fx, fy, x0, x1, cy, dx, dy);
            Vec3 n = TubeNormal(dx, dy, PadR);
            const bool cap = fx < 21.0f || fx > PadW - 21.0f;
            const float joint = std::min(std::fabs(fx - 21.0f), std::fabs(fx - (PadW - 21.0f)));
            Color base = cap ? Hex(0xD8402E) : Hex(0x46597C);
            // Grooves between the caps and the body.
            if (joint < 1.2f) base = Hex(0x1A2030);
            Color col = Lit(base, n, 0.35f, cap ? 0.9f : 0.7f, cap ? 30.0f : 22.0f);
            if (!cap && joint >= 1.2f) {
                // The energy strip along the body.
                const float strip =
                    std::exp(-(dy + 0.5f) * (dy + 0.5f) / 2.2f) * SmoothStep(24.0f, 30.0f, std::min(fx, PadW - fx));
                col = Mix(col, Hex(0x7CF4FF), 0.8f * strip);
            }
            c.Blend(x, y, col, cover);
        }
    return c;
}

Canvas PadShadow()
{
    const Field mask = ShapeMask(PadW, PadH, [](float x, float y) { return PadSd(x, y) + 0.8f; });
    return ShadowOf(mask, 1);
}

Canvas PadLazerStrip()
{
    std::vector<Canvas> cells;
    const float baseY = PadLazerH * 0.5f;  // the paddle's centre line within the cell
    for (int k = 0; k < PadLazerFrames; ++k) {
        const float t = static_cast<float>(k) / (PadLazerFrames - 1);
        const float grow = t * t * (3.0f - 2.0f * t);
        Canvas c(PadLazerW, PadLazerH);
        if (k > 0) {
            // Central turret: a dome that rises out of the body and a barrel that extends upwards.
            const float domeR = 3.0f + 4.0f * grow;
            const float barrelTop = baseY - 2.0f - 13.0f * grow;
            for (int y = 0; y < PadLazerH; ++y)
                for (int x = 0; x < PadLazerW; ++x) {
                    const float fx = x + 0.5f, fy = y + 0.5f;
                    const float barrel =
                        SdBox(fx - 48.0f, fy - (barrelTop + baseY) * 0.5f, 2.2f, (baseY - barrelTop) * 0.5f, 1.0f);
                    const float dome = SdCircle(fx - 48.0f, fy - baseY, domeR);
                    // Side emitters on the red caps.
                    const float pods =
                        std::min(SdBox(fx - 12.0f, fy - (baseY - 6.0f * grow), 3.0f, 3.0f + 2.0f * grow, 1.5f),
                                 SdBox(fx - 84.0f, fy - (baseY - 6.0f * grow), 3.0f, 3.0f + 2.0f * grow, 1.5f));
                    const float sd = std::min({barrel, dome, pods});
                    const float cover = Coverage(sd);
                    if (cover <= 0.0f) continue;
                    Color col;
                    if (sd == dome) {
                        col = Lit(Hex(0x5A6A88), TubeNormal(fx - 48.0f, fy - baseY, domeR), 0.35f, 0.9f, 30.0f);
                    } else if (sd == barrel) {
                        col = Lit(Hex(0x9AA6BA), TubeNormal(fx - 48.0f, 0.0f, 2.4f), 0.4f, 0.9f, 20.0f);
                        // The muzzle glows hotter as the barrel comes out.
                        const float muzzle = std::exp(-(fy - barrelTop - 1.0f) * (fy - barrelTop - 1.0f) / 3.0f);
                        col = Mix(col, Hex(0xFF6A3A), muzzle * grow);
                    } else {
                        const float px = fx < 48.0f ? 12.0f : 84.0f;
                        col = Lit(Hex(0x6A7488), TubeNormal(fx - px, 0.0f, 3.2f), 0.4f, 0.8f, 20.0f);
                        const float lamp = std::exp(-((fx - px) * (fx - px) + (fy - (baseY - 6.0f * grow - 2.0f)) *
                                                                                  (fy - (baseY - 6.0f * grow - 2.0f))) /
                                                    3.0f);
                        col = Mix(col, Hex(0xFF4030), lamp * grow);
                    }
                    c.Blend(x, y, col, cover);
                }
        }
        cells.push_back(std::move(c));
    }
    return Strip(cells, PadLazerFrames);
}

Canvas Lazer()
{
    Canvas c(LazerW, LazerH);
    const float cx = LazerW * 0.5f;
    for (int y = 0; y < LazerH; ++y)
        for (int x = 0; x < LazerW; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float core = SdSegment(fx, fy, cx, 4.0f, cx, LazerH - 4.0f);
            // A hot core inside a red glow; the core is what hits bricks and aliens.
            const float glow = std::exp(-core * core / 5.0f) * SmoothStep(0.0f, 3.0f, std::min(fy, LazerH - fy));
            Color col = Mix(Hex(0xFF3A1A), Hex(0xFFF6C8), Clamp01(1.6f - core));
            col.a = Clamp01(std::max(glow, Coverage(core - 1.6f)));
            c.Blend(x, y, col, 1.0f);
        }
    return c;
}

Color CapsuleColour(char letter)
{
    switch (letter) {
    case 'D':
        return Hex(0x2CC4E8);  // three balls
    case 'C':
        return Hex(0x36C64A);  // catch
    case 'X':
        return Hex(0xC83CD0);  // exit
    case 'L':
        return Hex(0xE42E2E);  // laser
    case 'E':
        return Hex(0x3A62EE);  // extend
    case 'S':
        return Hex(0xF08C1E);  // slow
    default:
        return Hex(0x9CA4B4);  // extra life
    }
}

Canvas Capsule(char letter)
{
    Canvas c(CapsuleW, CapsuleH);
    const Color base = CapsuleColour(letter);
    const float cy = CapsuleH * 0.5f, x0 = CapsuleR + 1.0f, x1 = CapsuleW - CapsuleR - 1.0f;
    for (int y = 0; y < CapsuleH; ++y)
        for (int x = 0; x < CapsuleW; ++x) {
            const float fx = x + 0.5f, fy = y + 0.5f;
            const float cover = Coverage(CapsuleSd(fx, fy));
            if (cover <= 0.0f) continue;
            float dx, dy;
            AxisOffset(fx, fy, x0, x1, cy, dx, dy);
            const Vec3 n = TubeNormal(dx * 0.6f, dy, CapsuleR);
            // Silver bands where the end caps meet the coloured body.
            const bool band = std::fabs(fx - 8.5f) < 1.5f || std::fabs(fx - (CapsuleW - 8.5f)) < 1.5f;
            Color col = Lit(band ? Hex(0xD8DCE4) : base, n, 0.4f, 0.9f, 26.0f);
            c.Blend(x, y, col, cover);
        }
    // The letter in the display face with a dark outline.
    const Font font(DefaultFonts().display, 18);
    const std::string text(1, letter);
    Field mask(CapsuleW, CapsuleH);
    const int width = font.Measure(text);
    const int capHeight = 13;
    font.Render(text, mask, (CapsuleW - width) / 2, (CapsuleH + capHeight) / 2);
    Field outline = Blurred(mask, 1);
    for (float& v : outline.Values()) v = Clamp01(v * 3.0f);
    for (int y = 0; y < CapsuleH; ++y)
        for (int x = 0; x < CapsuleW; ++x) {
            const float inside = Coverage(CapsuleSd(x + 0.5f, y + 0.5f));
            c.Blend(x, y, {0.05f, 0.05f, 0.1f, 0.85f}, outline.At(x, y) * inside);
            c.Blend(x, y, Hex(0xFFFFFF), mask.At(x, y) * inside);
        }
    return c;
}

Canvas CapsuleShadow()
{
    const Field mask = ShapeMask(CapsuleW, CapsuleH, [](float x, float y) { return CapsuleSd(x, y) + 1.0f; });
    return ShadowOf(mask, 1);
}

}  // namespace art

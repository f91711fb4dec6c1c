// Signed distances of simple shapes, antialiased coverage and the lighting of bevelled surfaces.
#include "tools/assetgen/images/Shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

float Coverage(float d) { return Clamp01(0.5f - d); }

float SdBox(float x, float y, float halfW, float halfH, float radius)
{
    const float qx = std::fabs(x) - halfW + radius, qy = std::fabs(y) - halfH + radius;
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SdCircle(float x, float y, float radius) { return std::hypot(x, y) - radius; }

float SdSegment(float x, float y, float ax, float ay, float bx, float by)
{
    const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    const float len2 = dx * dx + dy * dy;
    const float t = len2 > 0 ? Clamp01((px * dx + py * dy) / len2) : 0.0f;
    return std::hypot(px - dx * t, py - dy * t);
}

float SdEllipse(float x, float y, float rx, float ry)
{
    // Scaled-circle approximation, corrected by the gradient length: good to a fraction of a pixel
    // for the moderate aspect ratios used here.
    const float k0 = std::hypot(x / rx, y / ry);
    const float k1 = std::hypot(x / (rx * rx), y / (ry * ry));
    if (k1 <= 0.0f) return -std::min(rx, ry);
    return k0 * (k0 - 1.0f) / k1;
}

float SdPolygon(float x, float y, int n, float r, float turn)
{
    const float pi = std::numbers::pi_v<float>;
    const float sector = 2.0f * pi / static_cast<float>(n);
    float a = std::atan2(x, -y) - turn * 2.0f * pi;
    a = std::fmod(a + sector * 0.5f + 8.0f * pi, sector) - sector * 0.5f;
    const float len = std::hypot(x, y);
    const float apothem = r * std::cos(sector * 0.5f);
    return len * std::cos(a) - apothem;
}

Vec3 Normalized(Vec3 v)
{
    const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (l <= 0.0f) return {0, 0, 1};
    return {v.x / l, v.y / l, v.z / l};
}

Vec3 LightDir() { return Normalized({-0.55f, -0.7f, 0.75f}); }

float Diffuse(const Vec3& n)
{
    const Vec3 l = LightDir();
    return std::max(0.0f, n.x * l.x + n.y * l.y + n.z * l.z);
}

float Specular(const Vec3& n, float power)
{
    // Blinn half vector between the light and a viewer straight in front.
    const Vec3 l = LightDir();
    const Vec3 hv = Normalized({l.x, l.y, l.z + 1.0f});
    const float d = std::max(0.0f, n.x * hv.x + n.y * hv.y + n.z * hv.z);
    return std::pow(d, power);
}

Color Lit(const Color& base, const Vec3& n, float ambient, float specular, float power)
{
    const float k = ambient + (1.0f - ambient) * Diffuse(n) * 1.15f;
    const float s = specular * Specular(n, power);
    return {base.r * k + s, base.g * k + s, base.b * k + s, base.a};
}

Vec3 NormalAt(const Field& height, int x, int y, float strength)
{
    const float dx = height.Clamped(x + 1, y) - height.Clamped(x - 1, y);
    const float dy = height.Clamped(x, y + 1) - height.Clamped(x, y - 1);
    return Normalized({-dx * strength * 0.5f, -dy * strength * 0.5f, 1.0f});
}

Canvas ShadowOf(const Field& mask, int blur, float strength)
{
    Canvas c = FromMask(mask, {0, 0, 0, strength});
    return Blurred(c, blur);
}

}  // namespace art

// Floating-point pictures: colours, premultiplied RGBA canvases, scalar fields and their compositing.
#include "tools/assetgen/images/Canvas.h"

#include <algorithm>
#include <cmath>

namespace art {

Color Hex(uint32_t rgb, float alpha)
{
    return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
            static_cast<float>(rgb & 0xFF) / 255.0f, alpha};
}

Color Mix(const Color& a, const Color& b, float t)
{
    return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t), Lerp(a.a, b.a, t)};
}

Color Scaled(const Color& c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

Color WithAlpha(const Color& c, float alpha) { return {c.r, c.g, c.b, alpha}; }

Color Hsv(float h, float s, float v)
{
    h = h - std::floor(h);
    const float f = h * 6.0f;
    const int i = static_cast<int>(f) % 6;
    const float fr = f - std::floor(f);
    const float p = v * (1 - s), q = v * (1 - s * fr), t = v * (1 - s * (1 - fr));
    switch (i) {
    case 0:
        return {v, t, p, 1};
    case 1:
        return {q, v, p, 1};
    case 2:
        return {p, v, t, 1};
    case 3:
        return {p, q, v, 1};
    case 4:
        return {t, p, v, 1};
    default:
        return {v, p, q, 1};
    }
}

float Luma(const Color& c) { return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b; }

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float SmoothStep(float edge0, float edge1, float x)
{
    const float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

// ---- Field

Field::Field(int width, int height, float value) : w(width), h(height), v(static_cast<size_t>(width) * height, value) {}

float Field::Clamped(int x, int y) const { return At(std::clamp(x, 0, w - 1), std::clamp(y, 0, h - 1)); }

float Field::Sample(float x, float y) const
{
    x -= 0.5f;
    y -= 0.5f;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    const float top = Lerp(Clamped(x0, y0), Clamped(x0 + 1, y0), fx);
    const float bottom = Lerp(Clamped(x0, y0 + 1), Clamped(x0 + 1, y0 + 1), fx);
    return Lerp(top, bottom, fy);
}

namespace {

// One box blur along a line of n values spaced by stride; out-of-range reads use edge values when
// clampEdges, else zero.
template <class T, class Get, class Set>
void BoxLine(int n, int radius, bool clampEdges, Get get, Set set, std::vector<T>& line)
{
    line.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) line[static_cast<size_t>(i)] = get(i);
    auto at = [&](int i) -> T {
        if (i < 0) return clampEdges ? line[0] : T{};
        if (i >= n) return clampEdges ? line[static_cast<size_t>(n - 1)] : T{};
        return line[static_cast<size_t>(i)];
    };
    T sum{};
    for (int i = -radius; i <= radius; ++i) sum = sum + at(i);
    const float inv = 1.0f / static_cast<float>(2 * radius + 1);
    for (int i = 0; i < n; ++i) {
        set(i, sum * inv);
        sum = sum + at(i + radius + 1) - at(i - radius);
    }
}

struct Acc4 {
    float r = 0, g = 0, b = 0, a = 0;
    Acc4 operator+(const Acc4& o) const { return {r + o.r, g + o.g, b + o.b, a + o.a}; }
    Acc4 operator-(const Acc4& o) const { return {r - o.r, g - o.g, b - o.b, a - o.a}; }
    Acc4 operator*(float k) const { return {r * k, g * k, b * k, a * k}; }
};

}  // namespace

Field Blurred(const Field& f, int radius)
{
    Field out = f;
    if (radius <= 0) return out;
    std::vector<float> line;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < out.Height(); ++y)
            BoxLine<float>(
                out.Width(), radius, true, [&](int i) { return out.At(i, y); },
                [&](int i, float v) { out.At(i, y) = v; }, line);
        for (int x = 0; x < out.Width(); ++x)
            BoxLine<float>(
                out.Height(), radius, true, [&](int i) { return out.At(x, i); },
                [&](int i, float v) { out.At(x, i) = v; }, line);
    }
    return out;
}

// ---- Canvas

Canvas::Canvas(int width, int height) : w(width), h(height), p(static_cast<size_t>(width) * height) {}

Color Canvas::Get(int x, int y) const
{
    const Px& q = At(x, y);
    if (q.a <= 0.0f) return {0, 0, 0, 0};
    return {q.r / q.a, q.g / q.a, q.b / q.a, q.a};
}

Px Canvas::Sample(float x, float y) const
{
    x -= 0.5f;
    y -= 0.5f;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    Px out;
    auto add = [&](int xi, int yi, float wgt) {
        if (!Inside(xi, yi) || wgt <= 0.0f) return;
        const Px& q = At(xi, yi);
        out.r += q.r * wgt;
        out.g += q.g * wgt;
        out.b += q.b * wgt;
        out.a += q.a * wgt;
    };
    add(x0, y0, (1 - fx) * (1 - fy));
    add(x0 + 1, y0, fx * (1 - fy));
    add(x0, y0 + 1, (1 - fx) * fy);
    add(x0 + 1, y0 + 1, fx * fy);
    return out;
}

void Canvas::Fill(const Color& c)
{
    const Px q{c.r * c.a, c.g * c.a, c.b * c.a, c.a};
    std::fill(p.begin(), p.end(), q);
}

void Canvas::Blend(int x, int y, const Color& c, float coverage)
{
    if (!Inside(x, y)) return;
    const float a = Clamp01(c.a * coverage);
    if (a <= 0.0f) return;
    Px& q = At(x, y);
    const float k = 1.0f - a;
    q.r = c.r * a + q.r * k;
    q.g = c.g * a + q.g * k;
    q.b = c.b * a + q.b * k;
    q.a = a + q.a * k;
}

void Canvas::AddLight(int x, int y, const Color& c, float k)
{
    if (!Inside(x, y)) return;
    const float a = c.a * k;
    if (a <= 0.0f) return;
    Px& q = At(x, y);
    q.r += c.r * a;
    q.g += c.g * a;
    q.b += c.b * a;
    // Light on a transparent pixel makes it as opaque as the light is bright.
    const float energy = std::min(1.0f, std::max({c.r, c.g, c.b}) * a);
    q.a = std::min(1.0f, q.a + energy * (1.0f - q.a));
}

void Canvas::Over(const Canvas& src, int dx, int dy, float opacity)
{
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            if (!Inside(x + dx, y + dy)) continue;
            const Px& s = src.At(x, y);
            const float a = s.a * opacity;
            if (a <= 0.0f) continue;
            Px& q = At(x + dx, y + dy);
            const float k = 1.0f - a;
            q.r = s.r * opacity + q.r * k;
            q.g = s.g * opacity + q.g * k;
            q.b = s.b * opacity + q.b * k;
            q.a = a + q.a * k;
        }
}

void Canvas::AddCanvas(const Canvas& src, int dx, int dy, float k)
{
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            if (!Inside(x + dx, y + dy)) continue;
            const Px& s = src.At(x, y);
            Px& q = At(x + dx, y + dy);
            q.r += s.r * k;
            q.g += s.g * k;
            q.b += s.b * k;
            q.a = std::min(1.0f, q.a + s.a * k * (1.0f - q.a));
        }
}

void Canvas::MultiplyAlpha(const Field& mask)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float m = Clamp01(mask.At(x, y));
            Px& q = At(x, y);
            q.r *= m;
            q.g *= m;
            q.b *= m;
            q.a *= m;
        }
}

Canvas Canvas::Crop(int x, int y, int width, int height) const
{
    Canvas out(width, height);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i)
            if (Inside(x + i, y + j)) out.At(i, j) = At(x + i, y + j);
    return out;
}

void Canvas::Paste(const Canvas& src, int dx, int dy)
{
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            if (Inside(x + dx, y + dy)) At(x + dx, y + dy) = src.At(x, y);
}

Field Canvas::Alpha() const
{
    Field f(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) f.At(x, y) = At(x, y).a;
    return f;
}

Canvas Blurred(const Canvas& c, int radius)
{
    Canvas out = c;
    if (radius <= 0) return out;
    std::vector<Acc4> line;
    auto toAcc = [](const Px& q) { return Acc4{q.r, q.g, q.b, q.a}; };
    // Running sums leave rounding crumbs; a blurred picture never has negative light or cover.
    auto toPx = [](const Acc4& a) {
        return Px{std::max(0.0f, a.r), std::max(0.0f, a.g), std::max(0.0f, a.b), std::max(0.0f, a.a)};
    };
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < out.Height(); ++y)
            BoxLine<Acc4>(
                out.Width(), radius, false, [&](int i) { return toAcc(out.At(i, y)); },
                [&](int i, Acc4 v) { out.At(i, y) = toPx(v); }, line);
        for (int x = 0; x < out.Width(); ++x)
            BoxLine<Acc4>(
                out.Height(), radius, false, [&](int i) { return toAcc(out.At(x, i)); },
                [&](int i, Acc4 v) { out.At(x, i) = toPx(v); }, line);
    }
    return out;
}

Canvas FromMask(const Field& mask, const Color& c)
{
    Canvas out(mask.Width(), mask.Height());
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x) {
            const float a = Clamp01(mask.At(x, y)) * c.a;
            out.At(x, y) = {c.r * a, c.g * a, c.b * a, a};
        }
    return out;
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

std::vector<uint8_t> ToRgba8(const Canvas& c)
{
    const int w = c.Width(), h = c.Height();
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    std::vector<char> known(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const Color col = c.Get(x, y);
            const uint8_t a = ToByte(col.a);
            out[i * 4 + 3] = a;
            if (a == 0) continue;
            out[i * 4 + 0] = ToByte(col.r);
            out[i * 4 + 1] = ToByte(col.g);
            out[i * 4 + 2] = ToByte(col.b);
            known[i] = 1;
        }
    // Grow the visible colours into the transparent surroundings, a ring per pass.
    for (int pass = 0; pass < 6; ++pass) {
        std::vector<char> next = known;
        bool grew = false;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y) * w + x;
                if (known[i]) continue;
                int sum[3] = {0, 0, 0}, n = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        const size_t j = static_cast<size_t>(ny) * w + nx;
                        if (!known[j]) continue;
                        for (int k = 0; k < 3; ++k) sum[k] += out[j * 4 + k];
                        ++n;
                    }
                if (n == 0) continue;
                for (int k = 0; k < 3; ++k) out[i * 4 + k] = static_cast<uint8_t>(sum[k] / n);
                next[i] = 1;
                grew = true;
            }
        known.swap(next);
        if (!grew) break;
    }
    return out;
}

std::vector<uint8_t> ToRgb8(const Canvas& c)
{
    const int w = c.Width(), h = c.Height();
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Px& q = c.At(x, y);
            const size_t i = (static_cast<size_t>(y) * w + x) * 3;
            out[i] = ToByte(q.r);
            out[i + 1] = ToByte(q.g);
            out[i + 2] = ToByte(q.b);
        }
    return out;
}

}  // namespace art

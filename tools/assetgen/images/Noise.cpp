// Deterministic random numbers and coherent noise (gradient noise, fractal sums, cellular noise).
#include "tools/assetgen/images/Noise.h"

#include <cmath>
#include <limits>

namespace art {

uint64_t Rng::Next()
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Rng::Uniform() { return static_cast<float>(Next() >> 40) / static_cast<float>(1ull << 24); }

int Rng::Int(int lo, int hi)
{
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(hi) - lo + 1);
    return lo + static_cast<int>(Next() % span);
}

namespace {

float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float Grad2(uint8_t hash, float x, float y)
{
    switch (hash & 7) {
    case 0:
        return x + y;
    case 1:
        return x - y;
    case 2:
        return -x + y;
    case 3:
        return -x - y;
    case 4:
        return x;
    case 5:
        return -x;
    case 6:
        return y;
    default:
        return -y;
    }
}

float Grad3(uint8_t hash, float x, float y, float z)
{
    const int h = hash & 15;
    const float u = h < 8 ? x : y;
    const float v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

float Lerpf(float a, float b, float t) { return a + (b - a) * t; }

uint64_t Mix64(uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

Noise::Noise(uint64_t seed)
{
    Rng rng(seed);
    std::array<uint8_t, 256> p{};
    for (int i = 0; i < 256; ++i) p[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    for (int i = 255; i > 0; --i) {
        const int j = rng.Int(0, i);
        std::swap(p[static_cast<size_t>(i)], p[static_cast<size_t>(j)]);
    }
    for (size_t i = 0; i < 512; ++i) perm[i] = p[i & 255];
}

float Noise::At(float x, float y) const
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int xi = static_cast<int>(fx) & 255, yi = static_cast<int>(fy) & 255;
    x -= fx;
    y -= fy;
    const float u = Fade(x), v = Fade(y);
    const auto P = [&](int i) { return perm[static_cast<size_t>(i)]; };
    const int a = P(xi) + yi, b = P(xi + 1) + yi;
    const float r = Lerpf(Lerpf(Grad2(P(a), x, y), Grad2(P(b), x - 1, y), u),
                          Lerpf(Grad2(P(a + 1), x, y - 1), Grad2(P(b + 1), x - 1, y - 1), u), v);
    return r * 0.7f;
}

float Noise::At(float x, float y, float z) const
{
    const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int X = static_cast<int>(fx) & 255, Y = static_cast<int>(fy) & 255, Z = static_cast<int>(fz) & 255;
    x -= fx;
    y -= fy;
    z -= fz;
    const float u = Fade(x), v = Fade(y), w = Fade(z);
    const auto P = [&](int i) { return perm[static_cast<size_t>(i)]; };
    const int A = P(X) + Y, AA = P(A) + Z, AB = P(A + 1) + Z;
    const int B = P(X + 1) + Y, BA = P(B) + Z, BB = P(B + 1) + Z;
    return Lerpf(Lerpf(Lerpf(Grad3(P(AA), x, y, z), Grad3(P(BA), x - 1, y, z), u),
                       Lerpf(Grad3(P(AB), x, y - 1, z), Grad3(P(BB), x - 1, y - 1, z), u), v),
                 Lerpf(Lerpf(Grad3(P(AA + 1), x, y, z - 1), Grad3(P(BA + 1), x - 1, y, z - 1), u),
                       Lerpf(Grad3(P(AB + 1), x, y - 1, z - 1), Grad3(P(BB + 1), x - 1, y - 1, z - 1), u), v),
                 w);
}

float Noise::Fbm(float x, float y, int octaves, float gain) const
{
    float sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += At(x, y) * amp;
        norm += amp;
        amp *= gain;
        // Each octave is shifted so that the lattices do not line up.
        x = x * 2.0f + 17.3f;
        y = y * 2.0f + 5.9f;
    }
    return sum / norm * 1.4f;
}

float Noise::Fbm(float x, float y, float z, int octaves, float gain) const
{
    float sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += At(x, y, z) * amp;
        norm += amp;
        amp *= gain;
        x = x * 2.0f + 17.3f;
        y = y * 2.0f + 5.9f;
        z = z * 2.0f + 3.1f;
    }
    return sum / norm * 1.4f;
}

float Noise::Ridged(float x, float y, int octaves) const
{
    float sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        const float n = 1.0f - std::fabs(At(x, y) * 1.4f);
        sum += n * n * amp;
        norm += amp;
        amp *= 0.5f;
        x = x * 2.0f + 17.3f;
        y = y * 2.0f + 5.9f;
    }
    return sum / norm;
}

float Hash01(int x, int y, uint64_t seed)
{
    const uint64_t k = Mix64(seed ^ (static_cast<uint64_t>(static_cast<uint32_t>(x)) << 32) ^
                             static_cast<uint32_t>(y) * 0x9E3779B1ull);
    return static_cast<float>(k >> 40) / static_cast<float>(1ull << 24);
}

Cell Cellular(float x, float y, uint64_t seed, float jitter)
{
    const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    Cell best;
    best.f1 = best.f2 = std::numeric_limits<float>::max();
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const int gx = cx + i, gy = cy + j;
            const float px = gx + 0.5f + (Hash01(gx, gy, seed) - 0.5f) * jitter;
            const float py = gy + 0.5f + (Hash01(gx, gy, seed + 7) - 0.5f) * jitter;
            const float d = std::hypot(px - x, py - y);
            if (d < best.f1) {
                best.f2 = best.f1;
                best.f1 = d;
                best.id = static_cast<uint32_t>(
                    Mix64(seed ^ (static_cast<uint64_t>(static_cast<uint32_t>(gx)) << 32) ^ static_cast<uint32_t>(gy)));
                best.cx = px;
                best.cy = py;
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    return best;
}

}  // namespace art

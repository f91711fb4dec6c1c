// Floating-point pictures: colours, premultiplied RGBA canvases, scalar fields and their compositing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace art {

// A colour with straight (not premultiplied) alpha, components 0..1.
struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

Color Hex(uint32_t rgb, float alpha = 1.0f);
Color Mix(const Color& a, const Color& b, float t);
// Scales red, green and blue, keeping alpha.
Color Scaled(const Color& c, float k);
Color WithAlpha(const Color& c, float alpha);
// Hue in turns (0..1), saturation and value 0..1.
Color Hsv(float h, float s, float v);
float Luma(const Color& c);

float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float x);
float Lerp(float a, float b, float t);

// A premultiplied pixel.
struct Px {
    float r = 0, g = 0, b = 0, a = 0;
};

// A single-channel picture: masks, heights, distances.
class Field {
public:
    Field() = default;
    Field(int width, int height, float value = 0.0f);
    int Width() const { return w; }
    int Height() const { return h; }
    float& At(int x, int y) { return v[static_cast<std::size_t>(y) * w + x]; }
    float At(int x, int y) const { return v[static_cast<std::size_t>(y) * w + x]; }
    // Outside the field the nearest edge value is used.
    float Clamped(int x, int y) const;
    // Bilinear sample at pixel coordinates (pixel centres at +0.5), clamped at the edges.
    float Sample(float x, float y) const;
    std::vector<float>& Values() { return v; }
    const std::vector<float>& Values() const { return v; }

private:
    int w = 0, h = 0;
    std::vector<float> v;
};

// Three box blurs of the given radius: close to a gaussian of sigma ~ radius.
Field Blurred(const Field& f, int radius);

class Canvas {
public:
    Canvas() = default;
    Canvas(int width, int height);
    int Width() const { return w; }
    int Height() const { return h; }
    Px& At(int x, int y) { return p[static_cast<std::size_t>(y) * w + x]; }
    const Px& At(int x, int y) const { return p[static_cast<std::size_t>(y) * w + x]; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    // The pixel as a straight-alpha colour.
    Color Get(int x, int y) const;
    // Bilinear sample with transparent surroundings.
    Px Sample(float x, float y) const;

    void Fill(const Color& c);
    // Source-over of one colour with the given coverage.
    void Blend(int x, int y, const Color& c, float coverage = 1.0f);
    // Adds light: rgb += c.rgb * c.a * k; alpha grows with the brightness added.
    void AddLight(int x, int y, const Color& c, float k);
    // Source-over of a whole canvas placed with its top-left corner at (dx, dy).
    void Over(const Canvas& src, int dx, int dy, float opacity = 1.0f);
    // Additive blend of a whole canvas.
    void AddCanvas(const Canvas& src, int dx, int dy, float k = 1.0f);
    // Every pixel's alpha (and premultiplied colour) times the mask value.
    void MultiplyAlpha(const Field& mask);
    Canvas Crop(int x, int y, int width, int height) const;
    // Copies src into this canvas at (dx, dy), replacing what was there.
    void Paste(const Canvas& src, int dx, int dy);
    Field Alpha() const;

    // Calls f(x, y) for every pixel and blends the returned colour over the pixel.
    template <class F>
    void Paint(F f)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Color c = f(x, y);
                if (c.a > 0.0f) Blend(x, y, c, 1.0f);
            }
    }

private:
    int w = 0, h = 0;
    std::vector<Px> p;
};

Canvas Blurred(const Canvas& c, int radius);
// A canvas of one colour whose alpha is the mask times the colour's alpha.
Canvas FromMask(const Field& mask, const Color& c);

// 8-bit straight RGBA rows, top to bottom. Fully transparent pixels take the colour of their nearest
// visible neighbours so that filtered textures do not show dark fringes.
std::vector<uint8_t> ToRgba8(const Canvas& c);
// 8-bit RGB rows of the canvas composed over black.
std::vector<uint8_t> ToRgb8(const Canvas& c);
uint8_t ToByte(float v);

}  // namespace art

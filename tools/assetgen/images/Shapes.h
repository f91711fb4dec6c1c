// Signed distances of simple shapes, antialiased coverage and the lighting of bevelled surfaces.
#pragma once

#include "tools/assetgen/images/Canvas.h"

namespace art {

// Coverage of a pixel whose centre lies at signed distance d from an edge (negative inside).
float Coverage(float d);

// Signed distances with the shape centred on the origin.
float SdBox(float x, float y, float halfW, float halfH, float radius);
float SdCircle(float x, float y, float radius);
// Distance to the segment from (ax, ay) to (bx, by); subtract a radius for a capsule.
float SdSegment(float x, float y, float ax, float ay, float bx, float by);
float SdEllipse(float x, float y, float rx, float ry);
// Regular polygon with n corners and circumradius r, one edge facing straight up; turn rotates it (in
// turns). Exact across the edges, slightly conservative towards the corners.
float SdPolygon(float x, float y, int n, float r, float turn = 0.0f);

struct Vec3 {
    float x = 0, y = 0, z = 1;
};
Vec3 Normalized(Vec3 v);

// The light of every picture comes from the upper left, a little in front.
Vec3 LightDir();
float Diffuse(const Vec3& n);
float Specular(const Vec3& n, float power);
// base lit by a surface of normal n: ambient + diffuse, then a white specular highlight.
Color Lit(const Color& base, const Vec3& n, float ambient = 0.35f, float specular = 0.5f, float power = 24.0f);

// Normal of a height field at a pixel by central differences; strength scales the slopes.
Vec3 NormalAt(const Field& height, int x, int y, float strength);

// A bevel height field: 0 outside, rising over `width` pixels inside a shape given by its signed
// distance at every pixel centre.
template <class Sd>
Field BevelHeight(int w, int h, float width, Sd sd)
{
    Field f(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float d = -sd(x + 0.5f, y + 0.5f);
            const float t = Clamp01(d / width);
            f.At(x, y) = t * (2.0f - t);
        }
    return f;
}

// Coverage mask of a shape given by its signed distance.
template <class Sd>
Field ShapeMask(int w, int h, Sd sd)
{
    Field f(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) f.At(x, y) = Coverage(sd(x + 0.5f, y + 0.5f));
    return f;
}

// A soft drop-shadow silhouette: the mask in black at the given strength, blurred, kept inside the frame.
Canvas ShadowOf(const Field& mask, int blur, float strength = 1.0f);

}  // namespace art

// Shared surface treatments of the frame and the front-end pages: lit panels, bolts, glowing lines.
#pragma once

#include "tools/assetgen/images/Canvas.h"
#include "tools/assetgen/images/Noise.h"

namespace art {

struct Rect {
    float x = 0, y = 0, w = 0, h = 0;
};

// A rounded panel lit from the upper left: raised (bevel catches the light at its top-left edge) or
// recessed (a sunken well), with an optional brushed grain.
struct PanelStyle {
    Color base = Hex(0x3A4352);
    float radius = 4.0f;
    float bevel = 3.0f;
    bool recessed = false;
    float grain = 0.05f;
    float specular = 0.35f;
    uint64_t seed = 1;
};
void DrawPanel(Canvas& c, const Rect& r, const PanelStyle& style);

// A round screw head with a slot, radius r.
void DrawBolt(Canvas& c, float cx, float cy, float r, float turn);

// A soft light along a line from (ax, ay) to (bx, by): a bright core of `width` and a halo of `halo`.
void DrawGlowLine(Canvas& c, float ax, float ay, float bx, float by, float width, float halo, const Color& color,
                  float strength = 1.0f);

// Dark translucent glass with a thin lit border, for the front-end pages.
void DrawGlassPanel(Canvas& c, const Rect& r, float radius, const Color& tint, float opacity, const Color& edge);

// Diagonal warning stripes inside a rectangle.
void DrawHazardStripes(Canvas& c, const Rect& r, float period, const Color& a, const Color& b);

}  // namespace art

// The desktop icon: a corner of the play field with bricks, the ball and the paddle, painted at any
// size and written as SVG from the same shapes, so the pixel and vector icons agree.
#include "tools/assetgen/images/Art.h"
#include "tools/assetgen/images/Shapes.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace art {

namespace {

// The icon's shapes live on a 256 x 256 grid.
constexpr float Grid = 256.0f;

enum class Fill { Linear, Radial };

// A rounded box (a circle when halfW == halfH == radius) with a vertical gradient from its top edge
// to its bottom edge, or a radial one from (fx, fy) out to fr; an optional stroke on its edge.
struct IconShape {
    float cx, cy, halfW, halfH, radius;
    Fill fill;
    Color from, to;
    float fx = 0, fy = 0, fr = 0;
    Color stroke{0, 0, 0, 0};
    float strokeWidth = 0;
};

Color Brightened(const Color& c, float k) { return {Clamp01(c.r * k), Clamp01(c.g * k), Clamp01(c.b * k), c.a}; }

IconShape Box(float cx, float cy, float halfW, float halfH, float radius, const Color& top, const Color& bottom)
{
    return {cx, cy, halfW, halfH, radius, Fill::Linear, top, bottom};
}

IconShape Glow(float cx, float cy, float r, const Color& centre, const Color& edge, float fx, float fy)
{
    return {cx, cy, r, r, r, Fill::Radial, centre, edge, fx, fy, r + std::hypot(fx - cx, fy - cy)};
}

// Back to front. The colours are the game's own: the bricks' seven colours, the paddle's red caps
// and steel body with its cyan strip, the pale ball, the cyan glass rim of the front-end pages.
const std::vector<IconShape>& Scene()
{
    static const std::vector<IconShape> shapes = [] {
        const Color cyan = Hex(0x40D8FF);
        std::vector<IconShape> s;
        IconShape field = Box(128, 128, 116, 116, 40, Hex(0x1C3A7A), Hex(0x050A1E));
        field.stroke = WithAlpha(cyan, 0.85f);
        field.strokeWidth = 8;
        s.push_back(field);
        // Two rows of bricks, one knocked out where the ball has been.
        const uint32_t bricks[2][3] = {{0xE2332B, 0xF6CE1E, 0x38C64C}, {0x52C6F4, 0, 0xF27AAE}};
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 3; ++column) {
                if (!bricks[row][column]) continue;
                const Color base = Hex(bricks[row][column]);
                IconShape brick = Box(60.0f + 68.0f * column, 66.0f + 40.0f * row, 29, 15, 6, Brightened(base, 1.2f),
                                      Scaled(base, 0.62f));
                brick.stroke = Hex(0x060A18);
                brick.strokeWidth = 4;
                s.push_back(brick);
                // A gloss over the upper half of the face.
                s.push_back(Box(brick.cx, brick.cy - 6, 23, 5, 4, Hex(0xFFFFFF, 0.55f), Hex(0xFFFFFF, 0.05f)));
            }
        // The ball rising from the paddle, its fading trail and its light.
        s.push_back(Glow(104, 196, 11, WithAlpha(cyan, 0.35f), WithAlpha(cyan, 0.0f), 104, 196));
        s.push_back(Glow(122, 168, 15, WithAlpha(cyan, 0.5f), WithAlpha(cyan, 0.0f), 122, 168));
        s.push_back(Glow(142, 138, 40, WithAlpha(cyan, 0.55f), WithAlpha(cyan, 0.0f), 142, 138));
        s.push_back(Glow(142, 138, 19, Hex(0xFFFFFF), Hex(0x6A80B8), 135, 131));
        // The paddle: red caps at both ends of a steel body with its energy strip.
        IconShape pad = Box(128, 216, 70, 15, 15, Hex(0xF06A54), Hex(0x8A2218));
        pad.stroke = Hex(0x060A18);
        pad.strokeWidth = 4;
        s.push_back(pad);
        s.push_back(Box(128, 216, 40, 13, 0, Hex(0x8AA2CC), Hex(0x2A3650)));
        s.push_back(Box(128, 214, 32, 3, 3, Hex(0xB8FAFF), Hex(0x7CF4FF)));
        return s;
    }();
    return shapes;
}

float ShapeSd(const IconShape& shape, float x, float y)
{
    return SdBox(x - shape.cx, y - shape.cy, shape.halfW, shape.halfH, shape.radius);
}

Color FillAt(const IconShape& shape, float x, float y)
{
    float t = 0.0f;
    if (shape.fill == Fill::Linear)
        t = (y - (shape.cy - shape.halfH)) / (2.0f * shape.halfH);
    else
        t = std::hypot(x - shape.fx, y - shape.fy) / shape.fr;
    t = Clamp01(t);
    return Mix(shape.from, shape.to, t);
}

std::string Number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

std::string HexColour(const Color& c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", ToByte(c.r), ToByte(c.g), ToByte(c.b));
    return text;
}

std::string Stop(float offset, const Color& c)
{
    return "<stop offset=\"" + Number(offset) + "\" stop-color=\"" + HexColour(c) + "\" stop-opacity=\"" + Number(c.a) +
           "\"/>";
}

}  // namespace

Canvas Icon(int size)
{
    Canvas c(size, size);
    const float unit = Grid / static_cast<float>(size);  // grid units per pixel
    for (const IconShape& shape : Scene())
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const float gx = (x + 0.5f) * unit, gy = (y + 0.5f) * unit;
                const float sd = ShapeSd(shape, gx, gy) / unit;  // in pixels
                const float cover = Coverage(sd);
                if (cover > 0.0f) {
                    const Color fill = FillAt(shape, gx, gy);
                    c.Blend(x, y, fill, cover);
                }
                if (shape.strokeWidth > 0.0f) {
                    const float stroke = Coverage(std::fabs(sd) - 0.5f * shape.strokeWidth / unit);
                    if (stroke > 0.0f) c.Blend(x, y, shape.stroke, stroke);
                }
            }
    return c;
}

std::string IconSvg()
{
    std::ostringstream defs, body;
    int id = 0;
    for (const IconShape& shape : Scene()) {
        const std::string name = "g" + std::to_string(id++);
        if (shape.fill == Fill::Linear)
            defs << "<linearGradient id=\"" << name << "\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\""
                 << Number(shape.cy - shape.halfH) << "\" x2=\"0\" y2=\"" << Number(shape.cy + shape.halfH) << "\">"
                 << Stop(0, shape.from) << Stop(1, shape.to) << "</linearGradient>\n";
        else
            defs << "<radialGradient id=\"" << name << "\" gradientUnits=\"userSpaceOnUse\" cx=\"" << Number(shape.fx)
                 << "\" cy=\"" << Number(shape.fy) << "\" r=\"" << Number(shape.fr) << "\">" << Stop(0, shape.from)
                 << Stop(1, shape.to) << "</radialGradient>\n";
        body << "<rect x=\"" << Number(shape.cx - shape.halfW) << "\" y=\"" << Number(shape.cy - shape.halfH)
             << "\" width=\"" << Number(2 * shape.halfW) << "\" height=\"" << Number(2 * shape.halfH) << "\" rx=\""
             << Number(shape.radius) << "\" fill=\"url(#" << name << ")\"";
        if (shape.strokeWidth > 0.0f)
            body << " stroke=\"" << HexColour(shape.stroke) << "\" stroke-opacity=\"" << Number(shape.stroke.a)
                 << "\" stroke-width=\"" << Number(shape.strokeWidth) << "\"";
        body << "/>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
           "<title>Krellix</title>\n<defs>\n" +
           defs.str() + "</defs>\n" + body.str() + "</svg>\n";
}

}  // namespace art

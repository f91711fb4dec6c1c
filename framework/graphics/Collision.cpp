// Pixel-exact collisions: transformed frame quads kept in 32 layers and rasterised together.
#include "framework/graphics/Collision.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

constexpr int32_t kLayerCount = 32;
constexpr int32_t kImagesCollideLayer = 31;
// A texel at least this opaque is solid.
constexpr uint8_t kAlphaThreshold = 128;

struct TCorner {
    float x, y, u, v;
};

// A placed frame or rectangle: its corners in screen space with texture coordinates, its
// bounding box and the pixels that decide coverage (none: solid everywhere).
struct TQuad {
    TQuad* link = nullptr;
    TCollisionId id;
    TPixmapPtr mask;
    int32_t frame = 0;
    float minx = 0, miny = 0, maxx = 0, maxy = 0;
    std::array<TCorner, 4> xyuv{};
};

struct TCollisionState {
    float ix = 1, iy = 0, jx = 0, jy = 1;
    float originX = 0, originY = 0;
    std::array<TQuad*, kLayerCount> layers{};
    TQuad* freeQuads = nullptr;
    std::vector<std::unique_ptr<TQuad>> pool;
};

TCollisionState& State()
{
    static TCollisionState state;
    return state;
}

int32_t Trunc(float value) { return static_cast<int32_t>(value); }

// Local corners (x0, y0)-(x1, y1) through the current matrix, then moved to (tx, ty).
TQuad PlaceQuad(float x0, float y0, float x1, float y1, float tx, float ty)
{
    const TCollisionState& s = State();
    const std::array<TCorner, 4> local{{{x0, y0, 0, 0}, {x1, y0, 1, 0}, {x1, y1, 1, 1}, {x0, y1, 0, 1}}};
    TQuad quad;
    for (size_t i = 0; i < local.size(); ++i) {
        const TCorner& c = local[i];
        quad.xyuv[i] = {c.x * s.ix + c.y * s.iy + tx, c.x * s.jx + c.y * s.jy + ty, c.u, c.v};
    }
    quad.minx = quad.maxx = quad.xyuv[0].x;
    quad.miny = quad.maxy = quad.xyuv[0].y;
    for (const TCorner& c : quad.xyuv) {
        quad.minx = std::min(quad.minx, c.x);
        quad.maxx = std::max(quad.maxx, c.x);
        quad.miny = std::min(quad.miny, c.y);
        quad.maxy = std::max(quad.maxy, c.y);
    }
    return quad;
}

bool BoxesOverlap(const TQuad& a, const TQuad& b)
{
    return a.minx <= b.maxx && b.minx <= a.maxx && a.miny <= b.maxy && b.miny <= a.maxy;
}

// One side of a polygon being scanned: the chain of vertices from the top vertex down, and the
// x, u, v of the current row on the current edge with their increments per row.
struct TSide {
    std::array<int32_t, 4> chain{};
    int32_t count = 0;
    int32_t edge = -1;
    float dat[3] = {0, 0, 0};
    float add[3] = {0, 0, 0};
};

struct TSpan {
    int32_t start = 0, end = 0;  // pixels [start, end)
    float xl = 0, xr = 0;
    float ul = 0, ur = 0, vl = 0, vr = 0;
};

// One quad while it is rasterised row by row. Rows are visited in increasing order, each once.
class TScanPoly {
public:
    explicit TScanPoly(const TQuad& quad) : _quad(quad), _corners(quad.xyuv)
    {
        // One winding order for every quad (mirroring scales reverse it), so that walking
        // forward from the top vertex runs down the right-hand side.
        float area = 0;
        for (int32_t i = 0; i < 4; ++i) {
            const TCorner& a = _corners[i];
            const TCorner& b = _corners[(i + 1) % 4];
            area += a.x * b.y - b.x * a.y;
        }
        if (area < 0) std::reverse(_corners.begin(), _corners.end());
        int32_t topIndex = 0;
        for (int32_t i = 1; i < 4; ++i)
            if (_corners[i].y < _corners[topIndex].y) topIndex = i;
        top = Trunc(quad.miny);
        bottom = Trunc(quad.maxy);
        BuildChain(_right, topIndex, 1);
        BuildChain(_left, topIndex, 3);
    }

    // The span of row (which must be the row after the previous call's); false outside the quad.
    bool SpanAt(int32_t row, TSpan& span)
    {
        if (row < top || row >= bottom) return false;
        if (!MoveToRow(_left, row) || !MoveToRow(_right, row)) return false;
        span.xl = _left.dat[0];
        span.ul = _left.dat[1];
        span.vl = _left.dat[2];
        span.xr = _right.dat[0];
        span.ur = _right.dat[1];
        span.vr = _right.dat[2];
        span.start = Trunc(span.xl);
        span.end = Trunc(span.xr);
        for (TSide* side : {&_left, &_right})
            for (int32_t c = 0; c < 3; ++c) side->dat[c] += side->add[c];
        return span.start < span.end;
    }

    // Whether the quad covers pixel x of the span: always when solid, otherwise when the texel
    // under the pixel centre is opaque enough.
    bool Covers(const TSpan& span, int32_t x) const
    {
        const TPixmap* mask = _quad.mask.get();
        if (!mask) return true;
        if (mask->width <= 0 || mask->height <= 0) return false;
        const float t = (static_cast<float>(x) + 0.5f - span.xl) / (span.xr - span.xl);
        const float u = std::clamp(span.ul + (span.ur - span.ul) * t, 0.0f, 1.0f);
        const float v = std::clamp(span.vl + (span.vr - span.vl) * t, 0.0f, 1.0f);
        const int32_t tx = std::min(Trunc(u * static_cast<float>(mask->width)), mask->width - 1);
        const int32_t ty = std::min(Trunc(v * static_cast<float>(mask->height)), mask->height - 1);
        const uint8_t* texel = mask->PixelPtr(tx, ty);
        const uint8_t alpha = mask->format == PIXFMT_A8 ? texel[0] : texel[3];
        return alpha >= kAlphaThreshold;
    }

    int32_t top = 0;
    int32_t bottom = 0;

private:
    // Follows the corners in direction step (1 forward, 3 backward) while y does not decrease.
    void BuildChain(TSide& side, int32_t from, int32_t step) const
    {
        side.chain[0] = from;
        side.count = 1;
        for (int32_t i = 1; i < 4; ++i) {
            const int32_t next = (side.chain[side.count - 1] + step) % 4;
            if (_corners[next].y < _corners[side.chain[side.count - 1]].y) break;
            side.chain[side.count++] = next;
        }
    }

    // Makes the side's current edge the one that covers row; a new edge starts half a row in.
    bool MoveToRow(TSide& side, int32_t row) const
    {
        while (side.edge < 0 || row >= Trunc(_corners[side.chain[side.edge + 1]].y)) {
            if (side.edge + 2 >= side.count) return false;
            ++side.edge;
            const TCorner& a = _corners[side.chain[side.edge]];
            const TCorner& b = _corners[side.chain[side.edge + 1]];
            const float dy = b.y - a.y;
            const float from[3] = {a.x, a.u, a.v};
            const float to[3] = {b.x, b.u, b.v};
            for (int32_t c = 0; c < 3; ++c) {
                side.add[c] = dy > 0 ? (to[c] - from[c]) / dy : 0.0f;
                side.dat[c] = from[c] + side.add[c] * 0.5f;
            }
        }
        return true;
    }

    const TQuad& _quad;
    std::array<TCorner, 4> _corners;
    TSide _left;
    TSide _right;
};

// Whether two quads share a pixel both of them cover.
bool QuadsCollide(const TQuad& a, const TQuad& b)
{
    if (!BoxesOverlap(a, b)) return false;
    TScanPoly pa(a);
    TScanPoly pb(b);
    const int32_t first = std::min(pa.top, pb.top);
    const int32_t last = std::max(pa.bottom, pb.bottom);
    for (int32_t row = first; row < last; ++row) {
        TSpan sa;
        TSpan sb;
        const bool hasA = pa.SpanAt(row, sa);
        const bool hasB = pb.SpanAt(row, sb);
        if (!hasA || !hasB) continue;
        const int32_t end = std::min(sa.end, sb.end);
        for (int32_t x = std::max(sa.start, sb.start); x < end; ++x)
            if (pa.Covers(sa, x) && pb.Covers(sb, x)) return true;
    }
    return false;
}

TQuad* NewQuad()
{
    TCollisionState& s = State();
    if (TQuad* quad = s.freeQuads) {
        s.freeQuads = quad->link;
        return quad;
    }
    s.pool.push_back(std::make_unique<TQuad>());
    return s.pool.back().get();
}

std::vector<TCollisionId> Collide(TQuad& quad, uint32_t collide_mask, uint32_t write_mask, TCollisionId id)
{
    TCollisionState& s = State();
    std::vector<TCollisionId> hits;
    for (int32_t layer = 0; layer < kLayerCount; ++layer) {
        if (!(collide_mask & (1u << layer))) continue;
        for (const TQuad* other = s.layers[layer]; other; other = other->link)
            if (QuadsCollide(quad, *other)) hits.push_back(other->id);
    }
    quad.id = std::move(id);
    for (int32_t layer = 0; layer < kLayerCount; ++layer) {
        if (!(write_mask & (1u << layer))) continue;
        TQuad* stored = NewQuad();
        *stored = quad;
        stored->link = s.layers[layer];
        s.layers[layer] = stored;
    }
    return hits;
}

}  // namespace

void SetCollisionTransform(float ix, float iy, float jx, float jy)
{
    TCollisionState& s = State();
    s.ix = ix;
    s.iy = iy;
    s.jx = jx;
    s.jy = jy;
}

void SetCollisionOrigin(float x, float y)
{
    State().originX = x;
    State().originY = y;
}

void ResetCollisions(uint32_t layer_mask)
{
    TCollisionState& s = State();
    for (int32_t layer = 0; layer < kLayerCount; ++layer) {
        if (layer_mask != 0 && !(layer_mask & (1u << layer))) continue;
        while (TQuad* quad = s.layers[layer]) {
            s.layers[layer] = quad->link;
            // A released quad must not keep its picture or its owner alive.
            quad->id.reset();
            quad->mask.reset();
            quad->link = s.freeQuads;
            s.freeQuads = quad;
        }
    }
}

std::vector<TCollisionId> CollideImage(const TImagePtr& image, float x, float y, int32_t frame, uint32_t collide_mask,
                                       uint32_t write_mask, TCollisionId id)
{
    if (!image || frame < 0 || frame >= image->FrameCount()) return {};
    const TPixmapPtr pixmap = image->Pixmap(frame);
    if (!pixmap) return {};
    const TCollisionState& s = State();
    const float x0 = -image->handle_x;
    const float y0 = -image->handle_y;
    TQuad quad = PlaceQuad(x0, y0, x0 + static_cast<float>(image->width), y0 + static_cast<float>(image->height),
                           x + s.originX, y + s.originY);
    if (FormatHasAlpha(pixmap->format)) quad.mask = pixmap;
    quad.frame = frame;
    return Collide(quad, collide_mask, write_mask, std::move(id));
}

std::vector<TCollisionId> CollideRect(float x, float y, float w, float h, uint32_t collide_mask, uint32_t write_mask,
                                      TCollisionId id)
{
    const TCollisionState& s = State();
    TQuad quad = PlaceQuad(0, 0, w, h, x + s.originX, y + s.originY);
    return Collide(quad, collide_mask, write_mask, std::move(id));
}

bool ImagesCollide(const TImagePtr& image1, int32_t x1, int32_t y1, int32_t frame1, const TImagePtr& image2, int32_t x2,
                   int32_t y2, int32_t frame2)
{
    constexpr uint32_t layer = 1u << kImagesCollideLayer;
    ResetCollisions(layer);
    CollideImage(image1, static_cast<float>(x1), static_cast<float>(y1), frame1, 0, layer, image1);
    return !CollideImage(image2, static_cast<float>(x2), static_cast<float>(y2), frame2, layer, 0, image2).empty();
}

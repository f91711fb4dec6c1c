// A frame's drawing gathered as commands, and where on screen two such frames differ.
#pragma once

#include "framework/graphics/Pixmap.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

// Whole pixels from (x0, y0) up to, not including, (x1, y1); rows counted from the top.
struct TPixelRect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    int64_t Area() const { return Empty() ? 0 : int64_t{x1 - x0} * (y1 - y0); }
    TPixelRect Intersect(const TPixelRect& other) const;
    // The smallest rectangle holding both; an empty one adds nothing.
    TPixelRect Union(const TPixelRect& other) const;
    bool Overlaps(const TPixelRect& other) const { return !Intersect(other).Empty(); }
    bool operator==(const TPixelRect&) const = default;
};

// The pixels a float rectangle may touch, with a pixel to spare on every side for rounding and
// filtering, inside limit.
TPixelRect Surrounding(float x0, float y0, float x1, float y1, float spare, const TPixelRect& limit);

struct TDrawVertex {
    float x, y, u, v;
    uint8_t r, g, b, a;
    bool operator==(const TDrawVertex&) const = default;
};

enum class TGLDrawKind : uint8_t { Clear, Quads, Points, Lines, Polygon, Pixels };

// Everything besides its vertices and where it reaches that decides a command's pixels. Pairing
// commands of two frames and drawing commands in one begin-end both ask that it be equal, so a
// field added here counts in both.
struct TDrawState {
    TGLDrawKind kind = TGLDrawKind::Clear;
    // Drawn in a begin-end of its own rather than with its like neighbours (the plain way).
    bool alone = false;
    bool nearest = false;  // sampled through the nearest-texel sampler
    int32_t blend = 0;     // the mode OpenGL draws it in
    uint32_t texture = 0;  // 0: untextured
    uint64_t frame = 0;    // the image frame that owns the texture; never reused
    uint32_t clearRgba = 0;
    float lineWidth = 1.0f;
    float projectionWidth = 0.0f, projectionHeight = 0.0f;
    bool operator==(const TDrawState&) const = default;
};

// One drawing call with all the state that decides its pixels.
struct TDrawCommand {
    TDrawState state;
    TPixelRect scissor;             // where drawing reaches
    TPixelRect bounds;              // every pixel it may change lies in here
    uint32_t first = 0, count = 0;  // its vertices
    int32_t pixelX = 0, pixelY = 0;
    // Drawn pixels are never compared: a command holding them always counts as changed.
    TPixmapPtr pixels;
};

class TDrawList {
public:
    std::vector<TDrawCommand> commands;
    std::vector<TDrawVertex> vertices;
    // What must live until the commands are drawn (the textures' owners).
    std::vector<std::shared_ptr<const void>> keep;

    void Clear()
    {
        commands.clear();
        vertices.clear();
        keep.clear();
    }
    bool Empty() const { return commands.empty(); }
    // The command draws the very pixels command j of other draws, wherever it is drawn over the
    // same picture.
    bool Same(size_t i, const TDrawList& other, size_t j) const;
};

// Where the picture of after, drawn in full, may differ from the picture of before, drawn in
// full; both must start by clearing all of screen. Commands of both are paired in order where
// they are the same; a pixel no unpaired command reaches is drawn by the same commands in the
// same order in both frames, so it keeps its colour. A few rectangles covering every unpaired
// command, or nothing when the whole screen is better drawn again.
std::optional<std::vector<TPixelRect>> FindDamage(const TDrawList& before, const TDrawList& after,
                                                  const TPixelRect& screen);

// The first command of [from, to) whose pixels in area may still show once the rest is drawn: the
// last one that paints over all of area whatever lies beneath (a clear of a view holding it, or an
// upright quad in pixel units drawn unblended that holds the centres of all its pixels), else from.
size_t FirstShown(const TDrawList& list, size_t from, size_t to, const TPixelRect& area, const TPixelRect& screen);

// The pixels of an area of the picture as OpenGL's glReadPixels hands them: RGBA, the bottom row
// first.
struct TPicturePiece {
    TPixelRect area;
    std::shared_ptr<const std::vector<uint8_t>> pixels;
};

// What decides the pixels of an area drawn from a command that paints over all of it: the area,
// and the commands from there on that reach into it, each with its state, its scissor within the
// area and its vertices. Equal keys draw equal pixels, as equal commands do.
struct TPieceKey {
    TPixelRect area;
    std::vector<TDrawState> states;
    std::vector<TPixelRect> scissors;
    std::vector<uint32_t> counts;
    std::vector<TDrawVertex> vertices;
    size_t hash = 0;
    bool operator==(const TPieceKey& other) const;
};

// The key of area drawn from command from of list; none when a command there draws pixels of its
// own, which are never compared.
std::optional<TPieceKey> PieceKey(const TDrawList& list, size_t from, const TPixelRect& area);

// Areas drawn before, kept with their pixels so that a frame that draws one of them again, as a
// pulse or a blinking light does over and over, need not draw it; all are forgotten at once when
// the pixels would take more than the bytes given.
class TPieceCache {
public:
    explicit TPieceCache(size_t mostBytes) : _mostBytes(mostBytes) {}
    std::shared_ptr<const std::vector<uint8_t>> Find(const TPieceKey& key) const;
    void Keep(TPieceKey key, std::shared_ptr<const std::vector<uint8_t>> pixels);
    void Clear();
    size_t Bytes() const { return _bytes; }
    size_t Size() const { return _pieces.size(); }

private:
    struct TKept {
        TPieceKey key;
        std::shared_ptr<const std::vector<uint8_t>> pixels;
    };
    size_t _mostBytes;
    size_t _bytes = 0;
    std::unordered_map<size_t, TKept> _pieces;
};

// Rectangles covering all the given ones: overlapping or nearby ones merged, and at most
// maxRects of them, merged where that adds least area.
std::vector<TPixelRect> MergeRects(std::vector<TPixelRect> rects, size_t maxRects);

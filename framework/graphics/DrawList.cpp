// Frames as command lists: comparing two of them command by command, and the damaged rectangles.
#include "framework/graphics/DrawList.h"

#include "framework/graphics/Draw2D.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

TPixelRect TPixelRect::Intersect(const TPixelRect& other) const
{
    TPixelRect r{std::max(x0, other.x0), std::max(y0, other.y0), std::min(x1, other.x1), std::min(y1, other.y1)};
    return r.Empty() ? TPixelRect{} : r;
}

TPixelRect TPixelRect::Union(const TPixelRect& other) const
{
    if (Empty()) return other;
    if (other.Empty()) return *this;
    return {std::min(x0, other.x0), std::min(y0, other.y0), std::max(x1, other.x1), std::max(y1, other.y1)};
}

TPixelRect Surrounding(float x0, float y0, float x1, float y1, float spare, const TPixelRect& limit)
{
    // Far off screen, or not a number: the limit holds it all.
    const auto clampToInt = [](double v) { return static_cast<int32_t>(std::clamp(v, -1.0e9, 1.0e9)); };
    if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))) return limit;
    const TPixelRect r{
        clampToInt(std::floor(std::min(x0, x1) - spare) - 1.0), clampToInt(std::floor(std::min(y0, y1) - spare) - 1.0),
        clampToInt(std::ceil(std::max(x0, x1) + spare) + 1.0), clampToInt(std::ceil(std::max(y0, y1) + spare) + 1.0)};
    return r.Intersect(limit);
}

bool TDrawList::Same(size_t i, const TDrawList& other, size_t j) const
{
    const TDrawCommand& a = commands[i];
    const TDrawCommand& b = other.commands[j];
    // Where a command reaches tells most commands apart at once.
    if (a.bounds != b.bounds || a.count != b.count || a.pixels || b.pixels) return false;
    if (a.state != b.state || a.scissor != b.scissor) return false;
    // Equal bytes draw equal pixels, and are compared far faster than field by field; a zero of
    // the other sign merely counts as a change.
    static_assert(sizeof(TDrawVertex) == 4 * sizeof(float) + 4, "vertices without padding");
    return a.count == 0 ||
           std::memcmp(&vertices[a.first], &other.vertices[b.first], a.count * sizeof(TDrawVertex)) == 0;
}

namespace {

// More rectangles than this cost more to sort out and draw than the whole screen once.
constexpr size_t kMostDamagedCommands = 160;
constexpr size_t kMostRects = 12;
// How far on from the last pairing a command's like is looked for.
constexpr size_t kLookAhead = 128;
// Rectangles this close are drawn as one.
constexpr int32_t kNear = 8;

bool StartsWithFullClear(const TDrawList& list, const TPixelRect& screen)
{
    return !list.commands.empty() && list.commands[0].state.kind == TGLDrawKind::Clear &&
           list.commands[0].scissor == screen;
}

// The pixels the command paints over whatever lies beneath them; empty when it may leave any of
// them as they were.
TPixelRect PaintedOver(const TDrawCommand& command, const TDrawVertex* vertices, const TPixelRect& screen)
{
    if (command.state.kind == TGLDrawKind::Clear) return command.scissor;
    if (command.state.kind != TGLDrawKind::Quads || command.count != 4 || command.state.blend != BLEND_SOLID ||
        command.state.projectionWidth != static_cast<float>(screen.x1) ||
        command.state.projectionHeight != static_cast<float>(screen.y1))
        return {};
    const TDrawVertex* v = vertices + command.first;
    if (v[0].y != v[1].y || v[1].x != v[2].x || v[2].y != v[3].y || v[3].x != v[0].x) return {};
    const float left = std::min(v[0].x, v[1].x), right = std::max(v[0].x, v[1].x);
    const float top = std::min(v[0].y, v[2].y), bottom = std::max(v[0].y, v[2].y);
    if (!(std::isfinite(left) && std::isfinite(right) && std::isfinite(top) && std::isfinite(bottom))) return {};
    // A pixel is drawn when its centre lies inside; the renderer snaps corners to a fraction of a
    // pixel, so only centres this far inside are sure.
    constexpr float kMargin = 1.0f / 64.0f;
    const auto edge = [](float value) { return static_cast<int32_t>(std::clamp(value, -1.0e6f, 1.0e6f)); };
    const TPixelRect held{edge(std::ceil(left - 0.5f + kMargin)), edge(std::ceil(top - 0.5f + kMargin)),
                          edge(std::floor(right - 0.5f - kMargin)) + 1, edge(std::floor(bottom - 0.5f - kMargin)) + 1};
    return held.Intersect(command.scissor);
}

}  // namespace

size_t FirstShown(const TDrawList& list, size_t from, size_t to, const TPixelRect& area, const TPixelRect& screen)
{
    if (area.Empty()) return from;
    for (size_t i = to; i > from; --i) {
        const TDrawCommand& command = list.commands[i - 1];
        // What a command paints lies within its bounds: most are told apart here.
        if (command.bounds.Intersect(area) != area) continue;
        if (PaintedOver(command, list.vertices.data(), screen).Intersect(area) == area) return i - 1;
    }
    return from;
}

std::optional<std::vector<TPixelRect>> FindDamage(const TDrawList& before, const TDrawList& after,
                                                  const TPixelRect& screen)
{
    if (!StartsWithFullClear(before, screen) || !StartsWithFullClear(after, screen) || !after.Same(0, before, 0))
        return std::nullopt;

    std::vector<TPixelRect> damaged;
    const auto damage = [&](const TPixelRect& bounds) {
        if (!bounds.Empty()) damaged.push_back(bounds);
        return damaged.size() <= kMostDamagedCommands;
    };
    // Frames mostly repeat in order with a few commands changed, gone or come in between: each
    // command of the later frame is paired with the first like one a little way on from the last
    // pairing.
    size_t next = 0;  // the first command of before not yet paired or passed over
    for (size_t i = 0; i < after.commands.size(); ++i) {
        const size_t end = std::min(before.commands.size(), next + kLookAhead);
        size_t paired = next;
        while (paired < end && !after.Same(i, before, paired)) ++paired;
        if (paired == end) {
            if (!damage(after.commands[i].bounds)) return std::nullopt;
            continue;
        }
        for (; next < paired; ++next)
            if (!damage(before.commands[next].bounds)) return std::nullopt;
        next = paired + 1;
    }
    for (; next < before.commands.size(); ++next)
        if (!damage(before.commands[next].bounds)) return std::nullopt;

    std::vector<TPixelRect> rects = MergeRects(std::move(damaged), kMostRects);
    int64_t area = 0;
    for (const TPixelRect& r : rects) area += r.Area();
    // Drawing most of the screen in pieces costs more than drawing it whole.
    if (area * 10 > screen.Area() * 6) return std::nullopt;
    return rects;
}

std::vector<TPixelRect> MergeRects(std::vector<TPixelRect> rects, size_t maxRects)
{
    std::erase_if(rects, [](const TPixelRect& r) { return r.Empty(); });
    const auto near = [](const TPixelRect& a, const TPixelRect& b) {
        return TPixelRect{a.x0 - kNear, a.y0 - kNear, a.x1 + kNear, a.y1 + kNear}.Overlaps(b);
    };
    // Merging can bring a rectangle near another it was not near before: go on until none is.
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < rects.size(); ++i) {
            for (size_t j = i + 1; j < rects.size();) {
                if (near(rects[i], rects[j])) {
                    rects[i] = rects[i].Union(rects[j]);
                    rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
                    merged = true;
                } else {
                    ++j;
                }
            }
        }
    }
    while (rects.size() > std::max<size_t>(maxRects, 1)) {
        size_t bestI = 0, bestJ = 1;
        int64_t bestGrowth = INT64_MAX;
        for (size_t i = 0; i < rects.size(); ++i) {
            for (size_t j = i + 1; j < rects.size(); ++j) {
                const int64_t growth = rects[i].Union(rects[j]).Area() - rects[i].Area() - rects[j].Area();
                if (growth < bestGrowth) {
                    bestGrowth = growth;
                    bestI = i;
                    bestJ = j;
                }
            }
        }
        rects[bestI] = rects[bestI].Union(rects[bestJ]);
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(bestJ));
    }
    return rects;
}

namespace {

// FNV-1a over a run of bytes, continued from hash.
size_t HashBytes(size_t hash, const void* data, size_t size)
{
    const auto* byte = static_cast<const uint8_t*>(data);
    uint64_t h = hash;
    for (size_t i = 0; i < size; ++i) h = (h ^ byte[i]) * 0x100000001B3ull;
    return static_cast<size_t>(h);
}

template <typename T>
size_t HashValue(size_t hash, const T& value)
{
    return HashBytes(hash, &value, sizeof(value));
}

size_t KeptBytes(const TPieceKey& key, const std::vector<uint8_t>& pixels)
{
    return pixels.size() + key.vertices.size() * sizeof(TDrawVertex) +
           key.states.size() * (sizeof(TDrawState) + sizeof(TPixelRect) + sizeof(uint32_t));
}

}  // namespace

bool TPieceKey::operator==(const TPieceKey& other) const
{
    // Vertices byte for byte, as the pairing of frames compares them.
    return area == other.area && counts == other.counts && scissors == other.scissors && states == other.states &&
           vertices.size() == other.vertices.size() &&
           (vertices.empty() ||
            std::memcmp(vertices.data(), other.vertices.data(), vertices.size() * sizeof(TDrawVertex)) == 0);
}

std::optional<TPieceKey> PieceKey(const TDrawList& list, size_t from, const TPixelRect& area)
{
    TPieceKey key;
    key.area = area;
    size_t hash = HashValue(0xCBF29CE484222325ull, area);
    for (size_t i = from; i < list.commands.size(); ++i) {
        const TDrawCommand& command = list.commands[i];
        if (!command.bounds.Overlaps(area)) continue;
        if (command.pixels) return std::nullopt;
        key.states.push_back(command.state);
        key.scissors.push_back(command.scissor.Intersect(area));
        key.counts.push_back(command.count);
        key.vertices.insert(key.vertices.end(), list.vertices.begin() + command.first,
                            list.vertices.begin() + command.first + command.count);
        // The fields that tell most commands apart; equality checks them all.
        hash = HashValue(hash, command.state.texture);
        hash = HashValue(hash, command.state.blend);
        hash = HashValue(hash, command.count);
    }
    key.hash = HashBytes(hash, key.vertices.data(), key.vertices.size() * sizeof(TDrawVertex));
    return key;
}

std::shared_ptr<const std::vector<uint8_t>> TPieceCache::Find(const TPieceKey& key) const
{
    const auto kept = _pieces.find(key.hash);
    if (kept == _pieces.end() || !(kept->second.key == key)) return nullptr;
    return kept->second.pixels;
}

void TPieceCache::Keep(TPieceKey key, std::shared_ptr<const std::vector<uint8_t>> pixels)
{
    if (!pixels) return;
    const size_t bytes = KeptBytes(key, *pixels);
    if (bytes > _mostBytes) return;
    // Another key of the same hash gives way.
    if (const auto old = _pieces.find(key.hash); old != _pieces.end()) {
        _bytes -= KeptBytes(old->second.key, *old->second.pixels);
        _pieces.erase(old);
    }
    if (_bytes + bytes > _mostBytes) Clear();
    _bytes += bytes;
    const size_t hash = key.hash;
    _pieces[hash] = TKept{std::move(key), std::move(pixels)};
}

void TPieceCache::Clear()
{
    _pieces.clear();
    _bytes = 0;
}

// Comparing two frames' command lists: where the picture may differ, and the merged rectangles.
#include "framework/graphics/DrawList.h"

#include "framework/graphics/Draw2D.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

const TPixelRect kScreen{0, 0, 1024, 768};

// A frame in the making: a full clear, then quads of one texture given by their top-left corner.
class TFrameBuilder {
public:
    explicit TFrameBuilder(uint32_t clear = 0xFF000000u)
    {
        TDrawCommand& c = list.commands.emplace_back();
        c.state.kind = TGLDrawKind::Clear;
        c.state.clearRgba = clear;
        c.scissor = c.bounds = kScreen;
    }
    TFrameBuilder& Quad(float x, float y, float size = 16, uint64_t frame = 1, uint8_t alpha = 255)
    {
        return Rect(x, y, x + size, y + size, frame, alpha);
    }
    TFrameBuilder& Rect(float x, float y, float x1, float y1, uint64_t frame, uint8_t alpha = 255)
    {
        TDrawCommand& c = list.commands.emplace_back();
        c.state.kind = TGLDrawKind::Quads;
        c.state.texture = static_cast<uint32_t>(frame);
        c.state.frame = frame;
        c.scissor = kScreen;
        c.first = static_cast<uint32_t>(list.vertices.size());
        c.count = 4;
        for (const auto& [vx, vy] : {std::pair{x, y}, {x1, y}, {x1, y1}, {x, y1}})
            list.vertices.push_back({vx, vy, 0, 0, 255, 255, 255, alpha});
        c.bounds = Surrounding(x, y, x1, y1, 0.0f, kScreen);
        return *this;
    }
    TDrawList list;
};

// Every pixel of want lies in one of the rectangles.
bool Covered(const std::vector<TPixelRect>& rects, const TPixelRect& want)
{
    for (int32_t y = want.y0; y < want.y1; ++y)
        for (int32_t x = want.x0; x < want.x1; ++x) {
            bool in = false;
            for (const TPixelRect& r : rects) in = in || (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1);
            if (!in) return false;
        }
    return true;
}

int64_t Area(const std::vector<TPixelRect>& rects)
{
    int64_t area = 0;
    for (const TPixelRect& r : rects) area += r.Area();
    return area;
}

}  // namespace

TEST(DrawList, OnlyWhatMovedAppearedOrWentIsDamaged)
{
    const auto background = [](TFrameBuilder&& b) -> TFrameBuilder&& {
        b.Quad(0, 0, 700, 9);
        for (int32_t i = 0; i < 10; ++i) b.Quad(static_cast<float>(40 + 60 * i), 100, 30, 2);
        return std::move(b);
    };
    const TDrawList still = background(TFrameBuilder()).Quad(500, 600).list;

    // The same frame again: nothing to draw.
    const auto same = FindDamage(still, background(TFrameBuilder()).Quad(500, 600).list, kScreen);
    ASSERT_TRUE(same);
    EXPECT_TRUE(same->empty());

    // The ball moved: where it was and where it is, and little else.
    const auto moved = FindDamage(still, background(TFrameBuilder()).Quad(520, 610).list, kScreen);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(Covered(*moved, {500, 600, 516, 616}));
    EXPECT_TRUE(Covered(*moved, {520, 610, 536, 626}));
    EXPECT_LT(Area(*moved), 60 * 60);

    // A brick went and a new one came in the middle of the list.
    TFrameBuilder changed;
    changed.Quad(0, 0, 700, 9);
    for (int32_t i = 0; i < 10; ++i)
        if (i != 3) changed.Quad(static_cast<float>(40 + 60 * i), 100, 30, 2);
    changed.Quad(300, 300, 30, 3).Quad(500, 600);
    const auto bricks = FindDamage(still, changed.list, kScreen);
    ASSERT_TRUE(bricks);
    EXPECT_TRUE(Covered(*bricks, {220, 100, 250, 130}));
    EXPECT_TRUE(Covered(*bricks, {300, 300, 330, 330}));
    EXPECT_LT(Area(*bricks), 2 * 50 * 50);

    // Two overlapping quads drawn the other way round: the order matters where they overlap.
    const TDrawList ab = TFrameBuilder().Quad(100, 100, 20, 4).Quad(110, 110, 20, 5).list;
    const auto swapped = FindDamage(ab, TFrameBuilder().Quad(110, 110, 20, 5).Quad(100, 100, 20, 4).list, kScreen);
    ASSERT_TRUE(swapped);
    EXPECT_TRUE(Covered(*swapped, {110, 110, 120, 120}));

    // The same place in another alpha is another picture.
    const auto faded =
        FindDamage(TFrameBuilder().Quad(10, 10).list, TFrameBuilder().Quad(10, 10, 16, 1, 128).list, kScreen);
    ASSERT_TRUE(faded);
    EXPECT_TRUE(Covered(*faded, {10, 10, 26, 26}));
}

TEST(DrawList, FramesThatDoNotStartAfreshOrChangeMostlyAreDrawnWhole)
{
    const TDrawList ball = TFrameBuilder().Quad(10, 10).list;
    // Another clear colour changes every pixel.
    EXPECT_FALSE(FindDamage(ball, TFrameBuilder(0xFF102030u).Quad(10, 10).list, kScreen));
    // Without a clear of the whole screen first, the picture builds on the one before.
    TDrawList partial = ball;
    partial.commands[0].scissor = {0, 0, 100, 100};
    EXPECT_FALSE(FindDamage(ball, partial, kScreen));
    EXPECT_FALSE(FindDamage(partial, ball, kScreen));
    // Drawn pixels are never taken as unchanged.
    TDrawList withPixels = ball;
    withPixels.commands[1].pixels = TPixmap::Create(4, 4, PIXFMT_RGBA8888);
    EXPECT_FALSE(withPixels.Same(1, withPixels, 1));
    // A background that moved is most of the screen.
    EXPECT_FALSE(FindDamage(TFrameBuilder().Quad(0, 0, 700).list, TFrameBuilder().Quad(1, 0, 700).list, kScreen));
    // Hundreds of little changes cost more to sort out than the screen once.
    TFrameBuilder many, moved;
    for (int32_t i = 0; i < 400; ++i) {
        many.Quad(static_cast<float>(i % 40 * 25), static_cast<float>(i / 40 * 70), 4);
        moved.Quad(static_cast<float>(i % 40 * 25 + 1), static_cast<float>(i / 40 * 70), 4);
    }
    EXPECT_FALSE(FindDamage(many.list, moved.list, kScreen));
}

TEST(DrawList, MergedRectanglesCoverTheirPartsAndStayFew)
{
    // Neighbours within a few pixels become one; distant ones stay apart.
    const auto near = MergeRects({{10, 10, 20, 20}, {24, 10, 30, 20}, {500, 500, 510, 510}}, 8);
    ASSERT_EQ(near.size(), 2u);
    EXPECT_TRUE(Covered(near, {10, 10, 30, 20}));
    EXPECT_TRUE(Covered(near, {500, 500, 510, 510}));

    std::vector<TPixelRect> scattered;
    for (int32_t i = 0; i < 30; ++i)
        scattered.push_back({(i * 337) % 1000, (i * 211) % 740, (i * 337) % 1000 + 10, (i * 211) % 740 + 10});
    const auto merged = MergeRects(scattered, 6);
    EXPECT_LE(merged.size(), 6u);
    for (const TPixelRect& r : scattered) EXPECT_TRUE(Covered(merged, r));
    // Empty ones are dropped.
    EXPECT_TRUE(MergeRects({{}, {5, 5, 5, 9}}, 4).empty());
    // Merging where it adds least keeps most of the screen out.
    EXPECT_LT(Area(merged), kScreen.Area());
}

TEST(DrawList, ACommandChangedInAnythingThatDecidesItsPixelsIsNeitherPairedNorLeftOut)
{
    const TDrawList before = TFrameBuilder().Quad(100, 100, 20, 4).list;
    const TPixelRect quad = before.commands[1].bounds;
    struct Case {
        const char* what;
        void (*change)(TDrawList&);
    };
    const Case cases[] = {
        {"texture", [](TDrawList& l) { l.commands[1].state.texture = 7; }},
        {"frame", [](TDrawList& l) { l.commands[1].state.frame = 7; }},
        {"blend", [](TDrawList& l) { l.commands[1].state.blend = 4; }},
        {"colour", [](TDrawList& l) { l.vertices[2].g = 10; }},
        {"alpha", [](TDrawList& l) { l.vertices[3].a = 10; }},
        {"scissor",
         [](TDrawList& l) {
             l.commands[1].scissor = {0, 0, 110, 768};
         }},
        {"line width", [](TDrawList& l) { l.commands[1].state.lineWidth = 3.0f; }},
        {"projection width", [](TDrawList& l) { l.commands[1].state.projectionWidth = 512; }},
        {"projection height", [](TDrawList& l) { l.commands[1].state.projectionHeight = 384; }},
        {"alone", [](TDrawList& l) { l.commands[1].state.alone = true; }},
        {"nearest", [](TDrawList& l) { l.commands[1].state.nearest = true; }},
    };
    ASSERT_TRUE(before.Same(1, before, 1));
    for (const Case& c : cases) {
        TDrawList after = before;
        c.change(after);
        EXPECT_FALSE(after.Same(1, before, 1)) << c.what;
        const auto damage = FindDamage(before, after, kScreen);
        ASSERT_TRUE(damage) << c.what;
        EXPECT_TRUE(Covered(*damage, quad)) << c.what;
    }
}

TEST(DrawList, DrawingStartsAtTheLastCommandThatPaintsOverAllOfTheArea)
{
    // A cleared screen, a picture, an opaque background drawn unblended from (x, 100) to (300,
    // 250) in pixel units, and a translucent picture over it.
    const auto frame = [](float x, void (*change)(TDrawList&)) {
        TFrameBuilder b;
        b.Quad(150, 150, 40, 2).Rect(x, 100, 300, 250, 3).Quad(160, 160, 20, 4, 128);
        for (TDrawCommand& c : b.list.commands) {
            c.state.projectionWidth = 1024;
            c.state.projectionHeight = 768;
        }
        b.list.commands[2].state.blend = BLEND_SOLID;
        if (change) change(b.list);
        return b.list;
    };
    struct Case {
        const char* what;
        TPixelRect area;
        size_t shown;
        float left = 100;
        void (*change)(TDrawList&) = nullptr;
        size_t from = 0;
    };
    const TPixelRect in{150, 150, 200, 200};
    const Case cases[] = {
        {"inside the background", in, 2},
        {"its very edges", {100, 100, 300, 250}, 2},
        {"a column beyond", {99, 150, 200, 200}, 0},
        // Column 100's centre lies outside a left edge at 100.51, well inside one at 100.45.
        {"edge just past a centre", {100, 150, 200, 200}, 0, 100.51f},
        {"edge before a centre", {100, 150, 200, 200}, 2, 100.45f},
        {"blended", in, 0, 100, [](TDrawList& l) { l.commands[2].state.blend = BLEND_ALPHA; }},
        {"masked", in, 0, 100, [](TDrawList& l) { l.commands[2].state.blend = BLEND_MASK; }},
        {"lit", in, 0, 100, [](TDrawList& l) { l.commands[2].state.blend = BLEND_LIGHT; }},
        {"shaded", in, 0, 100, [](TDrawList& l) { l.commands[2].state.blend = BLEND_SHADE; }},
        {"in a smaller view", in, 0, 100,
         [](TDrawList& l) {
             l.commands[2].scissor = {0, 0, 180, 768};
         }},
        {"in other units", in, 0, 100, [](TDrawList& l) { l.commands[2].state.projectionWidth = 512; }},
        {"turned", in, 0, 100, [](TDrawList& l) { l.vertices[l.commands[2].first + 1].y += 1; }},
        {"a column beyond its right", {150, 150, 301, 200}, 0},
        {"a row beyond its bottom", {150, 150, 200, 251}, 0},
        // Column 299's centre lies outside a right edge at 299.49.
        {"right edge short of a centre",
         {150, 150, 300, 200},
         0,
         100,
         [](TDrawList& l) { l.vertices[l.commands[2].first + 1].x = l.vertices[l.commands[2].first + 2].x = 299.49f; }},
        {"in other units down", in, 0, 100, [](TDrawList& l) { l.commands[2].state.projectionHeight = 384; }},
        // A corner pulled onto another leaves a triangle that misses part of the area.
        {"top right corner pulled down", in, 0, 100, [](TDrawList& l) { l.vertices[l.commands[2].first + 1].y = 250; }},
        {"bottom right pulled left", in, 0, 100, [](TDrawList& l) { l.vertices[l.commands[2].first + 2].x = 100; }},
        {"bottom left pulled up", in, 0, 100, [](TDrawList& l) { l.vertices[l.commands[2].first + 3].y = 100; }},
        {"bottom left pulled right", in, 0, 100, [](TDrawList& l) { l.vertices[l.commands[2].first + 3].x = 300; }},
        {"a clear after it", in, 3, 100, [](TDrawList& l) { l.commands[3] = l.commands[0]; }},
        {"nothing before from", in, 3, 100, nullptr, 3},
    };
    for (const Case& c : cases) {
        const TDrawList list = frame(c.left, c.change);
        EXPECT_EQ(FirstShown(list, c.from, list.commands.size(), c.area, kScreen), c.shown) << c.what;
    }
}

TEST(DrawList, AnAreaIsFoundDrawnBeforeByAllThatDecidesItsPixelsAndNothingElse)
{
    // A clear, a quad in the area, one far from it, and another in the area.
    const TDrawList before = TFrameBuilder().Quad(100, 100, 20, 4).Quad(600, 600).Quad(110, 110, 20, 5).list;
    const TPixelRect area{90, 90, 140, 140};
    TPieceCache cache(64 << 10);
    const auto pixels = std::make_shared<const std::vector<uint8_t>>(static_cast<size_t>(area.Area()) * 4, 7);
    cache.Keep(*PieceKey(before, 0, area), pixels);
    ASSERT_EQ(cache.Find(*PieceKey(before, 0, area)), pixels);
    struct Case {
        const char* what;
        void (*change)(TDrawList&);
        bool found;
        size_t from = 0;
        TPixelRect area{90, 90, 140, 140};
    };
    const Case cases[] = {
        {"the far quad moved", [](TDrawList& l) { l.vertices[4].x += 3; }, true},
        {"the far quad's colour", [](TDrawList& l) { l.vertices[5].r = 1; }, true},
        {"a colour in the area", [](TDrawList& l) { l.vertices[9].g = 10; }, false},
        {"a corner in the area", [](TDrawList& l) { l.vertices[0].x = 99.5f; }, false},
        {"a zero of the other sign", [](TDrawList& l) { l.vertices[2].u = -0.0f; }, false},
        {"texture", [](TDrawList& l) { l.commands[3].state.texture = 9; }, false},
        {"frame", [](TDrawList& l) { l.commands[1].state.frame = 9; }, false},
        {"blend", [](TDrawList& l) { l.commands[3].state.blend = BLEND_LIGHT; }, false},
        {"the clear's colour", [](TDrawList& l) { l.commands[0].state.clearRgba = 1; }, false},
        {"scissor",
         [](TDrawList& l) {
             l.commands[1].scissor = {0, 0, 115, 768};
         },
         false},
        {"another area", [](TDrawList&) {}, false, 0, {90, 90, 141, 140}},
        {"drawn from a later command", [](TDrawList&) {}, false, 1},
    };
    for (const Case& c : cases) {
        TDrawList after = before;
        c.change(after);
        const TPieceKey key = *PieceKey(after, c.from, c.area);
        EXPECT_EQ(cache.Find(key) == pixels, c.found) << c.what;
        // Also where hashes meet by chance.
        EXPECT_EQ(key == *PieceKey(before, 0, area), c.found) << c.what;
    }
    // Drawn pixels are never compared.
    TDrawList drawn = before;
    drawn.commands[3].pixels = TPixmap::Create(4, 4, PIXFMT_RGBA8888);
    EXPECT_FALSE(PieceKey(drawn, 0, area));
    // Past its bytes it starts afresh; a piece larger than all is not kept.
    TDrawList other = before;
    other.vertices[9].g = 10;
    cache.Keep(*PieceKey(other, 0, area), std::make_shared<const std::vector<uint8_t>>(60 << 10));
    EXPECT_EQ(cache.Find(*PieceKey(before, 0, area)), nullptr);
    EXPECT_NE(cache.Find(*PieceKey(other, 0, area)), nullptr);
    EXPECT_EQ(cache.Size(), 1u);
    cache.Keep(*PieceKey(before, 0, area), std::make_shared<const std::vector<uint8_t>>(65 << 10));
    EXPECT_EQ(cache.Find(*PieceKey(before, 0, area)), nullptr);
}

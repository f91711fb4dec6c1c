// Pixel-exact collisions: opaque pixels only, half-open spans, alpha threshold, transforms, layers.
#include "framework/graphics/Collision.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Recording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

TImagePtr Filled(int32_t width, int32_t height, uint32_t argb, int32_t format = PIXFMT_RGBA8888)
{
    TPixmapPtr pixmap = TPixmap::Create(width, height, format);
    pixmap->ClearPixels(argb);
    return TImage::Load(pixmap, 0, 0, 0, 0);
}

TImagePtr Solid(int32_t width, int32_t height) { return Filled(width, height, 0xFFFFFFFF); }

// '#' opaque, anything else transparent.
TImagePtr Shape(const std::vector<std::string>& rows)
{
    const int32_t width = static_cast<int32_t>(rows[0].size());
    const int32_t height = static_cast<int32_t>(rows.size());
    TPixmapPtr pixmap = TPixmap::Create(width, height, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) pixmap->WritePixel(x, y, rows[y][x] == '#' ? 0xFFFFFFFF : 0x00FFFFFF);
    return TImage::Load(pixmap, 0, 0, 0, 0);
}

class CollisionTest : public ::testing::Test {
protected:
    void SetUp() override { Identity(); }
    void TearDown() override { Identity(); }
    static void Identity()
    {
        SetCollisionTransform(1, 0, 0, 1);
        SetCollisionOrigin(0, 0);
        ResetCollisions(0);
    }
    // Whether a one-pixel probe drawn without any transform at (x, y) hits what layer 0 holds.
    static bool Probe(int32_t x, int32_t y)
    {
        SetCollisionTransform(1, 0, 0, 1);
        SetCollisionOrigin(0, 0);
        static const TImagePtr pixel = Solid(1, 1);
        return !CollideImage(pixel, static_cast<float>(x), static_cast<float>(y), 0, 1, 0, nullptr).empty();
    }
    // Stores the shape in layer 0 under the given matrix.
    static void Place(const TImagePtr& image, float x, float y, float ix, float iy, float jx, float jy)
    {
        SetCollisionTransform(ix, iy, jx, jy);
        CollideImage(image, x, y, 0, 0, 1, image);
    }
};

TEST_F(CollisionTest, TransparentNeverCollides)
{
    const TImagePtr clear = Filled(10, 10, 0x00FFFFFF);
    EXPECT_FALSE(ImagesCollide(clear, 0, 0, 0, clear, 0, 0, 0));
    EXPECT_FALSE(ImagesCollide(clear, 0, 0, 0, Solid(10, 10), 3, 3, 0));
    EXPECT_FALSE(ImagesCollide(Solid(10, 10), 3, 3, 0, clear, 0, 0, 0));
}

TEST_F(CollisionTest, OpaqueImagesCollideOnlyWhenSharingAPixel)
{
    const TImagePtr a = Solid(10, 10);
    const TImagePtr b = Solid(10, 10);
    struct TCase {
        int32_t x, y;
        bool hit;
    } cases[] = {
        {0, 0, true},   {9, 0, true},      {10, 0, false},   {-9, 0, true},  {-10, 0, false},
        {0, 9, true},   {0, 10, false},    {0, -10, false},  {9, 9, true},   {10, 10, false},
        {-9, -9, true}, {-10, -10, false}, {10, -10, false}, {30, 0, false}, {0, 300, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ImagesCollide(a, 100, 50, 0, b, 100 + c.x, 50 + c.y, 0), c.hit) << c.x << "," << c.y;
}

TEST_F(CollisionTest, AlphaFromOneHundredTwentyEightIsSolid)
{
    struct TCase {
        int32_t format;
        uint32_t argb;
        bool hit;
    } cases[] = {
        {PIXFMT_RGBA8888, 0x7FFFFFFF, false},
        {PIXFMT_RGBA8888, 0x80000000, true},
        {PIXFMT_BGRA8888, 0x7FFFFFFF, false},
        {PIXFMT_BGRA8888, 0x80FFFFFF, true},
        {PIXFMT_A8, 0x7F000000, false},
        {PIXFMT_A8, 0x80000000, true},
        // Without alpha every pixel is solid, black included.
        {PIXFMT_RGB888, 0x00000000, true},
        {PIXFMT_I8, 0x00000000, true},
    };
    for (const TCase& c : cases) {
        const TImagePtr image = Filled(3, 3, c.argb, c.format);
        EXPECT_EQ(ImagesCollide(image, 0, 0, 0, Solid(1, 1), 1, 1, 0), c.hit) << c.format << " " << std::hex << c.argb;
    }
}

// Checks every pixel around a shape stored in layer 0 against the expected coverage.
void ExpectCoverage(int32_t x0, int32_t y0, int32_t x1, int32_t y1, const std::function<bool(int32_t, int32_t)>& want,
                    const std::function<bool(int32_t, int32_t)>& probe)
{
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) EXPECT_EQ(probe(x, y), want(x, y)) << "pixel " << x << "," << y;
}

const std::vector<std::string> kRing = {
    "#####.", "#...#.", "#.#.#.", "#...##", "#####.",
};

bool RingAt(int32_t lx, int32_t ly) { return ly >= 0 && ly < 5 && lx >= 0 && lx < 6 && kRing[ly][lx] == '#'; }

TEST_F(CollisionTest, EveryPixelOfAMaskedShape)
{
    Place(Shape(kRing), 20, 30, 1, 0, 0, 1);
    ExpectCoverage(
        17, 27, 29, 38, [](int32_t x, int32_t y) { return RingAt(x - 20, y - 30); }, Probe);
}

TEST_F(CollisionTest, QuarterTurnFollowsTheTurnedShape)
{
    // A quarter turn clockwise: local (x, y) lands on (-y, x), so texel (lx, ly) covers the
    // screen pixel (20 - ly - 1, 30 + lx).
    Place(Shape(kRing), 20, 30, 0, -1, 1, 0);
    ExpectCoverage(
        12, 27, 24, 39, [](int32_t x, int32_t y) { return RingAt(y - 30, 20 - 1 - x); }, Probe);
}

TEST_F(CollisionTest, HalfTurnAndMirrors)
{
    struct TCase {
        const char* name;
        float ix, iy, jx, jy;
        int32_t (*lx)(int32_t x);
        int32_t (*ly)(int32_t y);
    } cases[] = {
        {"half turn", -1, 0, 0, -1, [](int32_t x) { return 20 - 1 - x; }, [](int32_t y) { return 30 - 1 - y; }},
        {"mirror x", -1, 0, 0, 1, [](int32_t x) { return 20 - 1 - x; }, [](int32_t y) { return y - 30; }},
        {"mirror y", 1, 0, 0, -1, [](int32_t x) { return x - 20; }, [](int32_t y) { return 30 - 1 - y; }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCollisions(0);
        Place(Shape(kRing), 20, 30, c.ix, c.iy, c.jx, c.jy);
        ExpectCoverage(
            12, 22, 28, 38, [&](int32_t x, int32_t y) { return RingAt(c.lx(x), c.ly(y)); }, Probe);
    }
}

TEST_F(CollisionTest, ScaleStretchesTheShape)
{
    // Twice as wide: each texel covers two pixels across.
    Place(Shape(kRing), 20, 30, 2, 0, 0, 1);
    ExpectCoverage(
        17, 28, 34, 36, [](int32_t x, int32_t y) { return x >= 20 && RingAt((x - 20) / 2, y - 30); }, Probe);
}

TEST_F(CollisionTest, MidHandledImageCoversItsCentredRectangle)
{
    // 60 x 25 centred at (100, 100): x 70 .. 130 and y 87.5 .. 112.5, rows 87 to 111.
    const TImagePtr bar = Solid(60, 25);
    MidHandleImage(bar);
    Place(bar, 100, 100, 1, 0, 0, 1);
    for (auto [x, hit] : {std::pair{69, false}, {70, true}, {129, true}, {130, false}})
        EXPECT_EQ(Probe(x, 100), hit) << x;
    for (auto [y, hit] : {std::pair{86, false}, {87, true}, {111, true}, {112, false}})
        EXPECT_EQ(Probe(100, y), hit) << y;
}

TEST_F(CollisionTest, DiagonalBarCollidesAlongItsLength)
{
    // A 40 x 4 bar turned 45 degrees about its centre at (100, 100) runs from upper left to
    // lower right; the other diagonal lies inside its bounding box but misses it.
    const TImagePtr bar = Solid(40, 4);
    MidHandleImage(bar);
    const float c = std::cos(3.14159265f / 4);
    const float s = std::sin(3.14159265f / 4);
    Place(bar, 100, 100, c, -s, s, c);
    for (auto [x, y] : {std::pair{110, 110}, {90, 90}, {112, 112}, {100, 100}, {88, 88}, {101, 99}})
        EXPECT_TRUE(Probe(x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{110, 90}, {90, 110}, {105, 95}, {102, 98}, {113, 87}, {118, 118}})
        EXPECT_FALSE(Probe(x, y)) << x << "," << y;
}

TEST_F(CollisionTest, ImagesCollideUsesTheMatrixForBothImages)
{
    // Two bars 40 x 2 with their handle at the left end. Unturned, the one 10 below misses;
    // turned a quarter both point down and lie side by side 10 apart... until they overlap.
    const TImagePtr bar = Solid(40, 2);
    EXPECT_FALSE(ImagesCollide(bar, 100, 100, 0, bar, 100, 110, 0));
    EXPECT_TRUE(ImagesCollide(bar, 100, 100, 0, bar, 130, 101, 0));
    SetCollisionTransform(0, -1, 1, 0);
    // Now each bar covers x [pos - 2, pos) and y [pos, pos + 40).
    EXPECT_TRUE(ImagesCollide(bar, 100, 100, 0, bar, 100, 110, 0));
    EXPECT_FALSE(ImagesCollide(bar, 100, 100, 0, bar, 130, 101, 0));
    EXPECT_FALSE(ImagesCollide(bar, 100, 100, 0, bar, 102, 101, 0));
    EXPECT_TRUE(ImagesCollide(bar, 100, 100, 0, bar, 101, 139, 0));
    EXPECT_FALSE(ImagesCollide(bar, 100, 100, 0, bar, 101, 140, 0));
}

TEST_F(CollisionTest, OriginMovesEveryQuad)
{
    SetCollisionOrigin(50, 20);
    CollideImage(Solid(10, 10), 0, 0, 0, 0, 1, nullptr);
    EXPECT_TRUE(Probe(55, 25));
    EXPECT_FALSE(Probe(5, 5));
    SetCollisionOrigin(50, 20);
    EXPECT_TRUE(ImagesCollide(Solid(10, 10), 0, 0, 0, Solid(10, 10), 9, 0, 0));
}

TEST_F(CollisionTest, NullImagesAndMissingFramesNeverCollide)
{
    const TImagePtr solid = Solid(4, 4);
    EXPECT_FALSE(ImagesCollide(nullptr, 0, 0, 0, solid, 0, 0, 0));
    EXPECT_FALSE(ImagesCollide(solid, 0, 0, 0, nullptr, 0, 0, 0));
    EXPECT_FALSE(ImagesCollide(solid, 0, 0, 1, solid, 0, 0, 0));
    EXPECT_FALSE(ImagesCollide(solid, 0, 0, 0, solid, 0, 0, -1));
    EXPECT_FALSE(ImagesCollide(CreateImage(4, 4, 1, 0), 0, 0, 0, solid, 0, 0, 0));
    // Nothing of the first test lingers in the layer for the next.
    EXPECT_TRUE(ImagesCollide(solid, 0, 0, 0, solid, 0, 0, 0));
    EXPECT_FALSE(ImagesCollide(solid, 100, 0, 0, solid, 0, 0, 0));
}

TEST_F(CollisionTest, LayersHoldTheIdsTheyWereGiven)
{
    auto first = std::make_shared<int>(1);
    auto second = std::make_shared<int>(2);
    std::weak_ptr<int> watchFirst = first;
    EXPECT_TRUE(CollideRect(0, 0, 10, 10, 0, 1u << 0, first).empty());
    EXPECT_TRUE(CollideRect(5, 5, 10, 10, 0, 1u << 3 | 1u << 4, second).empty());
    first.reset();
    EXPECT_FALSE(watchFirst.expired());  // the layer keeps it

    std::vector<TCollisionId> hits = CollideRect(6, 6, 1, 1, 1u << 0 | 1u << 3, 0, nullptr);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].get(), watchFirst.lock().get());
    EXPECT_EQ(hits[1], second);
    hits = CollideRect(12, 12, 1, 1, 0xFFFFFFFF, 0, nullptr);
    ASSERT_EQ(hits.size(), 2u);  // the second rectangle, once from each of its two layers
    EXPECT_EQ(hits[0], second);
    EXPECT_EQ(hits[1], second);
    hits.clear();

    ResetCollisions(1u << 0 | 1u << 4);
    EXPECT_TRUE(watchFirst.expired());
    hits = CollideRect(6, 6, 1, 1, 0xFFFFFFFF, 0, nullptr);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0], second);
    ResetCollisions(0);
    EXPECT_TRUE(CollideRect(6, 6, 1, 1, 0xFFFFFFFF, 0, nullptr).empty());
}

TEST_F(CollisionTest, RectanglesTouchingEdgesDoNotCollide)
{
    CollideRect(10, 10, 10, 10, 0, 1, nullptr);
    EXPECT_TRUE(CollideRect(0, 0, 10, 10, 1, 0, nullptr).empty());
    EXPECT_TRUE(CollideRect(20, 10, 5, 5, 1, 0, nullptr).empty());
    // Spans end at the truncated right edge: 10.5 still stops short of pixel 10.
    EXPECT_TRUE(CollideRect(0, 0, 10.5f, 10.5f, 1, 0, nullptr).empty());
    EXPECT_FALSE(CollideRect(0, 0, 11, 11, 1, 0, nullptr).empty());
    EXPECT_FALSE(CollideRect(0, 12, 15, 1, 1, 0, nullptr).empty());
    EXPECT_TRUE(CollideRect(15, 0, 20, 2, 1, 0, nullptr).empty());
    // A rectangle is turned with the matrix about its own corner: now x [-1, 0), y [12, 27)
    // and x [13, 15), y [0, 20).
    SetCollisionTransform(0, -1, 1, 0);
    EXPECT_TRUE(CollideRect(0, 12, 15, 1, 1, 0, nullptr).empty());
    EXPECT_FALSE(CollideRect(15, 0, 20, 2, 1, 0, nullptr).empty());
}

// The drawing state hands its matrix and origin over: collisions follow SetRotation, SetScale
// and SetOrigin exactly as drawing does.
TEST_F(CollisionTest, DrawingStateDrivesCollisions)
{
    TGraphicsPtr graphics = OpenRecordingGraphics(320, 200, std::make_shared<TRecordingDriver>());
    ASSERT_TRUE(graphics);
    const TImagePtr bar = Solid(40, 2);
    SetRotation(90);
    EXPECT_TRUE(ImagesCollide(bar, 100, 100, 0, bar, 100, 110, 0));
    EXPECT_FALSE(ImagesCollide(bar, 100, 100, 0, bar, 130, 101, 0));
    SetRotation(0);
    EXPECT_FALSE(ImagesCollide(bar, 100, 100, 0, bar, 100, 110, 0));
    EXPECT_TRUE(ImagesCollide(bar, 100, 100, 0, bar, 130, 101, 0));
    SetScale(2, 1);
    EXPECT_TRUE(ImagesCollide(bar, 100, 100, 0, Solid(1, 1), 179, 101, 0));
    EXPECT_FALSE(ImagesCollide(bar, 100, 100, 0, Solid(1, 1), 180, 101, 0));
    SetScale(1, 1);
    SetOrigin(10, 0);
    CollideImage(bar, 0, 0, 0, 0, 1, nullptr);
    SetOrigin(0, 0);
    EXPECT_TRUE(Probe(10, 0));
    EXPECT_FALSE(Probe(9, 0));
    EndGraphics();
}

}  // namespace

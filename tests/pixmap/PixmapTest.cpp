// Pixmap formats, pixel access, windows, copies, pasting, conversion, flips, resizing and masking.
#include "framework/graphics/Pixmap.h"

#include "TestPictures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Bytes(const TPixmap& pixmap, int32_t x, int32_t y)
{
    const uint8_t* p = pixmap.PixelPtr(x, y);
    return std::vector<uint8_t>(p, p + BytesPerPixel(pixmap.format));
}

struct TFormatCase {
    int32_t format;
    std::vector<uint8_t> stored;  // bytes after writing 0x80112233
    uint32_t read;                // what ReadPixel gives back
};

TEST(Pixmap, WritesAndReadsEachFormat)
{
    const TFormatCase cases[] = {
        {PIXFMT_I8, {0x22}, 0xFF222222},  // (0x11 + 0x22 + 0x33) / 3
        {PIXFMT_A8, {0x80}, 0x80FFFFFF},
        {PIXFMT_BGR888, {0x33, 0x22, 0x11}, 0xFF112233},
        {PIXFMT_RGB888, {0x11, 0x22, 0x33}, 0xFF112233},
        {PIXFMT_BGRA8888, {0x33, 0x22, 0x11, 0x80}, 0x80112233},
        {PIXFMT_RGBA8888, {0x11, 0x22, 0x33, 0x80}, 0x80112233},
    };
    for (const TFormatCase& c : cases) {
        SCOPED_TRACE(c.format);
        TPixmapPtr pixmap = TPixmap::Create(3, 2, c.format);
        ASSERT_TRUE(pixmap);
        // New pixels are zero bytes: transparent where the format has alpha, black and opaque otherwise.
        const uint32_t blank = c.format == PIXFMT_A8 ? 0x00FFFFFF : FormatHasAlpha(c.format) ? 0 : 0xFF000000;
        EXPECT_EQ(pixmap->ReadPixel(2, 1), blank);
        pixmap->WritePixel(2, 1, 0x80112233);
        EXPECT_EQ(Bytes(*pixmap, 2, 1), c.stored);
        EXPECT_EQ(pixmap->ReadPixel(2, 1), c.read);
        EXPECT_EQ(pixmap->ReadPixel(1, 1), blank);
    }
}

TEST(Pixmap, OutsideReadsZeroAndWritesNothing)
{
    TPixmapPtr pixmap = TPixmap::Create(2, 2, PIXFMT_RGBA8888);
    pixmap->ClearPixels(0xFFFFFFFF);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 2}}) {
        pixmap->WritePixel(x, y, 0);
        EXPECT_EQ(pixmap->ReadPixel(x, y), 0u);
    }
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(pixmap->ReadPixel(x, y), 0xFFFFFFFFu);
}

TEST(Pixmap, PitchFollowsAlignment)
{
    struct TCase {
        int32_t width, format, align, pitch;
    } cases[] = {
        {5, PIXFMT_RGB888, 4, 16}, {5, PIXFMT_RGB888, 1, 15},    {5, PIXFMT_RGB888, 8, 16},  {3, PIXFMT_I8, 4, 4},
        {4, PIXFMT_I8, 4, 4},      {3, PIXFMT_RGBA8888, 16, 16}, {0, PIXFMT_RGBA8888, 4, 0},
    };
    for (const TCase& c : cases) {
        TPixmapPtr pixmap = TPixmap::Create(c.width, 3, c.format, c.align);
        ASSERT_TRUE(pixmap);
        EXPECT_EQ(pixmap->pitch, c.pitch) << c.width << " " << c.format << " " << c.align;
        EXPECT_EQ(pixmap->capacity, c.pitch * 3);
    }
}

TEST(Pixmap, RefusesBadSizesAndFormats)
{
    EXPECT_FALSE(TPixmap::Create(-1, 2, PIXFMT_RGBA8888));
    EXPECT_FALSE(TPixmap::Create(2, -1, PIXFMT_RGBA8888));
    EXPECT_FALSE(TPixmap::Create(2, 2, 0));
    EXPECT_FALSE(TPixmap::Create(2, 2, 7));
    EXPECT_FALSE(TPixmap::Create(65536, 65536, PIXFMT_RGBA8888));
    EXPECT_EQ(BytesPerPixel(9), 0);
}

TEST(Pixmap, StaticPixmapUsesForeignMemory)
{
    uint8_t memory[2 * 8] = {};
    TPixmapPtr pixmap = TPixmap::CreateStatic(memory, 2, 2, 8, PIXFMT_RGB888);
    ASSERT_TRUE(pixmap);
    EXPECT_LT(pixmap->capacity, 0);
    pixmap->WritePixel(1, 1, 0xFF0A0B0C);
    EXPECT_EQ(memory[8 + 3], 0x0A);
    EXPECT_EQ(memory[8 + 5], 0x0C);
}

TEST(Pixmap, WindowSharesMemoryAndKeepsSourceAlive)
{
    TPixmapPtr source = TPixmap::Create(4, 4, PIXFMT_RGBA8888);
    source->WritePixel(2, 3, 0xFF123456);
    TPixmapPtr window = source->Window(1, 2, 3, 2);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->width, 3);
    EXPECT_EQ(window->height, 2);
    EXPECT_EQ(window->pitch, source->pitch);
    EXPECT_EQ(window->ReadPixel(1, 1), 0xFF123456u);
    window->WritePixel(0, 0, 0xFF00FF00);
    EXPECT_EQ(source->ReadPixel(1, 2), 0xFF00FF00u);
    std::weak_ptr<TPixmap> watch = source;
    source.reset();
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(window->ReadPixel(1, 1), 0xFF123456u);
    window.reset();
    EXPECT_TRUE(watch.expired());
}

TEST(Pixmap, WindowOutsideIsRefused)
{
    TPixmapPtr source = TPixmap::Create(4, 4, PIXFMT_I8);
    EXPECT_TRUE(source->Window(0, 0, 4, 4));
    EXPECT_TRUE(source->Window(4, 4, 0, 0));
    EXPECT_FALSE(source->Window(1, 0, 4, 1));
    EXPECT_FALSE(source->Window(0, 3, 1, 2));
    EXPECT_FALSE(source->Window(-1, 0, 1, 1));
    EXPECT_FALSE(source->Window(0, 0, -1, 1));
}

TEST(Pixmap, CopyIsIndependent)
{
    TPixmapPtr source = PixmapOf(2, 1, PIXFMT_BGR888, {1, 2, 3, 4, 5, 6});
    TPixmapPtr copy = source->Copy();
    EXPECT_EQ(copy->format, PIXFMT_BGR888);
    EXPECT_EQ(copy->ReadPixel(1, 0), 0xFF060504u);
    copy->WritePixel(0, 0, 0);
    EXPECT_EQ(source->ReadPixel(0, 0), 0xFF030201u);
}

TEST(Pixmap, ConvertsBetweenFormats)
{
    TPixmapPtr rgba = PixmapOf(2, 1, PIXFMT_RGBA8888, {10, 20, 30, 40, 200, 100, 0, 255});
    struct TCase {
        int32_t format;
        std::vector<uint8_t> first, second;
    } cases[] = {
        {PIXFMT_I8, {20}, {100}},
        {PIXFMT_A8, {40}, {255}},
        {PIXFMT_BGR888, {30, 20, 10}, {0, 100, 200}},
        {PIXFMT_RGB888, {10, 20, 30}, {200, 100, 0}},
        {PIXFMT_BGRA8888, {30, 20, 10, 40}, {0, 100, 200, 255}},
        {PIXFMT_RGBA8888, {10, 20, 30, 40}, {200, 100, 0, 255}},
    };
    for (const TCase& c : cases) {
        TPixmapPtr converted = rgba->Convert(c.format);
        ASSERT_TRUE(converted);
        EXPECT_EQ(converted->format, c.format);
        EXPECT_EQ(Bytes(*converted, 0, 0), c.first) << c.format;
        EXPECT_EQ(Bytes(*converted, 1, 0), c.second) << c.format;
    }
    TPixmapPtr grey = PixmapOf(1, 1, PIXFMT_I8, {77});
    EXPECT_EQ(Bytes(*grey->Convert(PIXFMT_RGBA8888), 0, 0), (std::vector<uint8_t>{77, 77, 77, 255}));
    TPixmapPtr alpha = PixmapOf(1, 1, PIXFMT_A8, {77});
    EXPECT_EQ(Bytes(*alpha->Convert(PIXFMT_BGRA8888), 0, 0), (std::vector<uint8_t>{255, 255, 255, 77}));
}

TEST(Pixmap, PasteConvertsAndClips)
{
    TPixmapPtr target = TPixmap::Create(3, 3, PIXFMT_RGBA8888);
    target->ClearPixels(0xFF000000);
    TPixmapPtr source = PixmapOf(2, 2, PIXFMT_RGB888, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4});
    target->Paste(*source, 2, -1);
    EXPECT_EQ(target->ReadPixel(2, 0), 0xFF030303u);
    EXPECT_EQ(target->ReadPixel(1, 0), 0xFF000000u);
    EXPECT_EQ(target->ReadPixel(2, 1), 0xFF000000u);
    target->Paste(*source, 0, 1);
    EXPECT_EQ(target->ReadPixel(0, 1), 0xFF010101u);
    EXPECT_EQ(target->ReadPixel(1, 2), 0xFF040404u);
    target->Paste(*source, 5, 5);
    target->Paste(*source, -2, 0);
    EXPECT_EQ(target->ReadPixel(0, 0), 0xFF000000u);
}

TEST(Pixmap, FlipsReverseRowsAndColumns)
{
    TPixmapPtr source = PixmapOf(3, 2, PIXFMT_I8, {1, 2, 3, 4, 5, 6});
    TPixmapPtr y = YFlipPixmap(*source);
    TPixmapPtr x = XFlipPixmap(*source);
    const uint8_t yWant[2][3] = {{4, 5, 6}, {1, 2, 3}};
    const uint8_t xWant[2][3] = {{3, 2, 1}, {6, 5, 4}};
    for (int32_t row = 0; row < 2; ++row) {
        for (int32_t col = 0; col < 3; ++col) {
            EXPECT_EQ(*y->PixelPtr(col, row), yWant[row][col]);
            EXPECT_EQ(*x->PixelPtr(col, row), xWant[row][col]);
        }
    }
}

// Red channel of a row after resizing a one-row RGBA picture whose red values are given.
std::vector<int32_t> ResizeRow(const std::vector<uint8_t>& reds, int32_t width)
{
    std::vector<uint8_t> bytes;
    for (uint8_t r : reds) bytes.insert(bytes.end(), {r, 0, 0, 255});
    TPixmapPtr source = PixmapOf(static_cast<int32_t>(reds.size()), 1, PIXFMT_RGBA8888, bytes);
    TPixmapPtr resized = ResizePixmap(*source, width, 1);
    std::vector<int32_t> out;
    for (int32_t x = 0; x < width; ++x) out.push_back(resized->PixelPtr(x, 0)[0]);
    return out;
}

TEST(ResizePixmap, BilinearWithClampedEdgesAndTruncation)
{
    struct TCase {
        std::vector<uint8_t> source;
        int32_t width;
        std::vector<int32_t> want;
    } cases[] = {
        // Positions -0.25 (clamped), 0.25, 0.75, 1.25 (clamped to the last column).
        {{0, 100}, 4, {0, 25, 75, 100}},
        // 0.75 and 2.25 truncate, they do not round.
        {{0, 3}, 4, {0, 0, 2, 3}},
        // Halving samples between each pair.
        {{0, 10, 20, 40}, 2, {5, 30}},
        {{0, 10, 20, 40}, 1, {15}},
        {{9, 9, 9}, 3, {9, 9, 9}},
        {{50}, 3, {50, 50, 50}},
        // Falling values: top + (bottom - top) x f truncates toward zero from above.
        {{100, 0}, 4, {100, 75, 25, 0}},
        {{3, 0}, 4, {3, 2, 0, 0}},
    };
    for (const TCase& c : cases) EXPECT_EQ(ResizeRow(c.source, c.width), c.want);
}

TEST(ResizePixmap, InterpolatesRowsThenBetweenThem)
{
    // Red: 0 100 / 100 200. Destination (1, 1) samples at (0.25, 0.25): top 25, bottom 125, 50.
    TPixmapPtr source = PixmapOf(2, 2, PIXFMT_RGBA8888, {0, 0, 0, 255, 100, 0, 0, 255, 100, 0, 0, 255, 200, 0, 0, 0});
    TPixmapPtr resized = ResizePixmap(*source, 4, 4);
    ASSERT_EQ(resized->width, 4);
    ASSERT_EQ(resized->height, 4);
    const int32_t want[4][4] = {{0, 25, 75, 100}, {25, 50, 100, 125}, {75, 100, 150, 175}, {100, 125, 175, 200}};
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(resized->PixelPtr(x, y)[0], want[y][x]) << x << "," << y;
    // Alpha is interpolated like the colours: at (2, 2) top 255, bottom 63.75, 111.5625 truncated.
    EXPECT_EQ(resized->PixelPtr(3, 3)[3], 0);
    EXPECT_EQ(resized->PixelPtr(2, 2)[3], 111);
}

TEST(ResizePixmap, HalvingMatchesTheBilinearRuleOnEveryChannel)
{
    // Each mipmap level halves its picture; the rule spelled out: samples at 2i + 0.5, weight 0.5,
    // columns first, then between the rows, truncated.
    struct TCase {
        int32_t width, height;
        int32_t format;
    } cases[] = {{64, 32, PIXFMT_RGBA8888}, {2, 2, PIXFMT_RGBA8888}, {30, 18, PIXFMT_RGB888}, {8, 6, PIXFMT_I8}};
    uint32_t seed = 12345;
    for (const TCase& c : cases) {
        TPixmapPtr source = TPixmap::Create(c.width, c.height, c.format);
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                source->WritePixel(x, y, seed);
            }
        }
        TPixmapPtr rgba = source->Convert(PIXFMT_RGBA8888);
        TPixmapPtr half = ResizePixmap(*source, c.width / 2, c.height / 2);
        ASSERT_TRUE(half);
        ASSERT_EQ(half->format, c.format);
        TPixmapPtr got = half->Convert(PIXFMT_RGBA8888);
        TPixmapPtr want = TPixmap::Create(c.width / 2, c.height / 2, PIXFMT_RGBA8888);
        for (int32_t y = 0; y < c.height / 2; ++y) {
            for (int32_t x = 0; x < c.width / 2; ++x) {
                for (int32_t ch = 0; ch < 4; ++ch) {
                    const auto at = [&](int32_t sx, int32_t sy) {
                        return static_cast<float>(rgba->PixelPtr(sx, sy)[ch]);
                    };
                    const float top = at(2 * x, 2 * y) + (at(2 * x + 1, 2 * y) - at(2 * x, 2 * y)) * 0.5f;
                    const float bottom =
                        at(2 * x, 2 * y + 1) + (at(2 * x + 1, 2 * y + 1) - at(2 * x, 2 * y + 1)) * 0.5f;
                    want->PixelPtr(x, y)[ch] = static_cast<uint8_t>(static_cast<int32_t>(top + (bottom - top) * 0.5f));
                }
            }
        }
        // Compared in the source format, as the resize hands it back.
        TPixmapPtr expected = want->Convert(c.format)->Convert(PIXFMT_RGBA8888);
        for (int32_t y = 0; y < c.height / 2; ++y)
            for (int32_t x = 0; x < c.width / 2; ++x)
                ASSERT_EQ(got->ReadPixel(x, y), expected->ReadPixel(x, y))
                    << c.width << "x" << c.height << " at " << x << "," << y;
    }
}

TEST(ResizePixmap, KeepsTheSourceFormat)
{
    for (int32_t format : {PIXFMT_I8, PIXFMT_A8, PIXFMT_BGR888, PIXFMT_RGB888, PIXFMT_BGRA8888, PIXFMT_RGBA8888}) {
        TPixmapPtr source = TPixmap::Create(3, 5, format);
        source->ClearPixels(0x80406080);
        TPixmapPtr resized = ResizePixmap(*source, 7, 2);
        ASSERT_TRUE(resized);
        EXPECT_EQ(resized->format, format);
        EXPECT_EQ(resized->ReadPixel(6, 1), source->ReadPixel(0, 0)) << format;
    }
}

TEST(MaskPixmap, MaskColourBecomesTransparentNeighbourAverage)
{
    // Black is the mask; three coloured pixels among six black ones.
    const std::vector<uint8_t> rgb = {
        10, 0, 0, 0, 0,  0, 11, 0, 0,  //
        0,  0, 0, 0, 0,  0, 0,  0, 0,  //
        0,  0, 0, 0, 30, 0, 0,  0, 0,  //
    };
    TPixmapPtr masked = MaskPixmap(*PixmapOf(3, 3, PIXFMT_RGB888, rgb), 0, 0, 0);
    ASSERT_EQ(masked->format, PIXFMT_RGBA8888);
    EXPECT_EQ(masked->ReadPixel(0, 0), 0xFF0A0000u);
    EXPECT_EQ(masked->ReadPixel(1, 2), 0xFF001E00u);
    // (21 / 3, 30 / 3, 0): integer averages of the three coloured neighbours.
    EXPECT_EQ(masked->ReadPixel(1, 1), 0x00070A00u);
    // (1, 0) sees (10,0,0) and (11,0,0): red (21 / 2) = 10.
    EXPECT_EQ(masked->ReadPixel(1, 0), 0x000A0000u);
    // (0, 2) sees only (0,30,0).
    EXPECT_EQ(masked->ReadPixel(0, 2), 0x00001E00u);
    // (2, 1) sees (11,0,0) and (0,30,0).
    EXPECT_EQ(masked->ReadPixel(2, 1), 0x00050F00u);
}

TEST(MaskPixmap, IsolatedAndNonMaskPixels)
{
    TPixmapPtr allMask = TPixmap::Create(2, 2, PIXFMT_RGB888);
    allMask->ClearPixels(0xFF102030);
    TPixmapPtr masked = MaskPixmap(*allMask, 0x10, 0x20, 0x30);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) EXPECT_EQ(masked->ReadPixel(x, y), 0u);
    // A pixel that only nearly matches stays, and an existing alpha is replaced by 255.
    TPixmapPtr rgba = PixmapOf(2, 1, PIXFMT_RGBA8888, {16, 32, 49, 0, 16, 32, 48, 200});
    masked = MaskPixmap(*rgba, 16, 32, 48);
    EXPECT_EQ(masked->ReadPixel(0, 0), 0xFF102031u);
    EXPECT_EQ(masked->ReadPixel(1, 0), 0x00102031u);
}

}  // namespace

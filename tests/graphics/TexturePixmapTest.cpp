// The pixels a texture is made of, worked out on the CPU: padding, smeared edges, shrinking.
#include "framework/graphics/GLDriver.h"

#include <gtest/gtest.h>

namespace {

TPixmapPtr Gradient(int32_t width, int32_t height, int32_t format)
{
    auto pixmap = TPixmap::Create(width, height, format);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            pixmap->WritePixel(x, y,
                               0xFF000000u | static_cast<uint32_t>(x & 255) << 16 | static_cast<uint32_t>(y) << 8 | 9u);
    return pixmap;
}

}  // namespace

TEST(TexturePixmap, SmallerImagesArePaddedWithTheirEdgesRepeatedOnce)
{
    auto image = Gradient(642, 79, PIXFMT_RGB888);
    int32_t w = 0, h = 0;
    auto texture = PrepareTexturePixmap(*image, 1024, 128, w, h);
    ASSERT_TRUE(texture);
    EXPECT_EQ(w, 642);
    EXPECT_EQ(h, 79);
    EXPECT_EQ(texture->width, 1024);
    EXPECT_EQ(texture->height, 128);
    EXPECT_EQ(texture->format, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 79; ++y) {
        for (int32_t x : {0, 300, 641}) ASSERT_EQ(texture->ReadPixel(x, y), image->ReadPixel(x, y));
        ASSERT_EQ(texture->ReadPixel(642, y), image->ReadPixel(641, y)) << y;
        ASSERT_EQ(texture->ReadPixel(643, y), 0u) << y;
    }
    for (int32_t x = 0; x < 642; ++x) {
        ASSERT_EQ(texture->ReadPixel(x, 79), image->ReadPixel(x, 78)) << x;
        ASSERT_EQ(texture->ReadPixel(x, 80), 0u) << x;
    }
    EXPECT_EQ(texture->ReadPixel(642, 79), image->ReadPixel(641, 78));
    EXPECT_EQ(texture->ReadPixel(643, 80), 0u);
}

TEST(TexturePixmap, EdgesAreSmearedOnlyWhereThereIsRoom)
{
    struct Case {
        int32_t iw, ih, tw, th;
    };
    const Case cases[] = {{16, 8, 16, 16}, {8, 16, 16, 16}, {16, 16, 16, 16}, {1, 1, 4, 4}};
    for (const auto& c : cases) {
        auto image = Gradient(c.iw, c.ih, PIXFMT_RGBA8888);
        int32_t w = 0, h = 0;
        auto texture = PrepareTexturePixmap(*image, c.tw, c.th, w, h);
        ASSERT_TRUE(texture);
        EXPECT_EQ(texture->width, c.tw);
        EXPECT_EQ(texture->height, c.th);
        if (c.iw < c.tw) {
            EXPECT_EQ(texture->ReadPixel(c.iw, 0), image->ReadPixel(c.iw - 1, 0));
        }
        if (c.ih < c.th) {
            EXPECT_EQ(texture->ReadPixel(0, c.ih), image->ReadPixel(0, c.ih - 1));
        }
        if (c.iw < c.tw && c.ih < c.th) {
            EXPECT_EQ(texture->ReadPixel(c.iw, c.ih), image->ReadPixel(c.iw - 1, c.ih - 1));
        }
        // The image itself is untouched, including its own last row and column.
        EXPECT_EQ(texture->ReadPixel(c.iw - 1, c.ih - 1), image->ReadPixel(c.iw - 1, c.ih - 1));
    }
}

TEST(TexturePixmap, AlphaOnlyGlyphsBecomeWhiteWithTheirCoverage)
{
    auto glyph = TPixmap::Create(3, 2, PIXFMT_A8);
    glyph->WritePixel(1, 1, 0x80000000u);
    int32_t w = 0, h = 0;
    auto texture = PrepareTexturePixmap(*glyph, 4, 2, w, h);
    EXPECT_EQ(texture->ReadPixel(1, 1), 0x80FFFFFFu);
    EXPECT_EQ(texture->ReadPixel(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(texture->ReadPixel(3, 1), texture->ReadPixel(2, 1));
}

TEST(TexturePixmap, LargerImagesAreShrunkToFit)
{
    auto image = Gradient(100, 10, PIXFMT_RGB888);
    int32_t w = 0, h = 0;
    auto texture = PrepareTexturePixmap(*image, 64, 16, w, h);
    ASSERT_TRUE(texture);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 10);
    auto fitted = ResizePixmap(*image, 64, 10);
    for (int32_t x = 0; x < 64; x += 7) EXPECT_EQ(texture->ReadPixel(x, 5), fitted->ReadPixel(x, 5) | 0xFF000000u);
    EXPECT_EQ(texture->ReadPixel(10, 10), texture->ReadPixel(10, 9));
}

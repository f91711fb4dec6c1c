// Textures made from image frames: sizes, smeared edges, mipmaps, filtering, caching, deletion.
#include "GLSupport.h"

#include "framework/graphics/GLDriver.h"
#include "framework/system/Input.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::shared_ptr<TGLImageFrame> GLFrame(const TImagePtr& image)
{
    return std::dynamic_pointer_cast<TGLImageFrame>(image->Frame(0));
}

// Level 0 (or another) of a texture as RGBA bytes, rows top down as uploaded.
std::vector<uint8_t> TextureLevel(const TGLImageFrame& frame, int32_t level, int32_t& width, int32_t& height)
{
    TGLDraw2DDriver::Instance()->BindTexture(frame.Name());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint8_t> bytes(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (!bytes.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

uint32_t Texel(const std::vector<uint8_t>& bytes, int32_t width, int32_t x, int32_t y)
{
    const size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
    return static_cast<uint32_t>(bytes[i]) << 24 | bytes[i + 1] << 16 | bytes[i + 2] << 8 | bytes[i + 3];
}

// Level 0 of the frame's texture holds the pixmap as PrepareTexturePixmap lays it out, texel for
// texel (the first texel that differs is named).
::testing::AssertionResult HoldsPaddedPixmap(const TGLImageFrame& frame, const TPixmap& pixmap)
{
    int32_t w = 0, h = 0, iw = 0, ih = 0;
    const auto level0 = TextureLevel(frame, 0, w, h);
    const auto expected = PrepareTexturePixmap(pixmap, w, h, iw, ih);
    if (!expected) return ::testing::AssertionFailure() << "no padded pixmap";
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t argb = expected->ReadPixel(x, y);
            if (Texel(level0, w, x, y) != (argb << 8 | argb >> 24))
                return ::testing::AssertionFailure() << "texel " << x << "," << y << " of " << w << "x" << h;
        }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(GLTest, A642By79ImageLivesIn1024By128WithSmearedEdges)
{
    auto pixmap = TPixmap::Create(642, 79, PIXFMT_RGB888);
    for (int32_t y = 0; y < 79; ++y)
        for (int32_t x = 0; x < 642; ++x) pixmap->WritePixel(x, y, 0xFF000000u | (x & 255) << 16 | (x >> 8) << 8 | y);
    auto image = TImage::Load(pixmap, IMG_FILTERED | IMG_MIPMAPPED, 0, 0, 0);
    auto frame = GLFrame(image);
    ASSERT_TRUE(frame);
    const TTextureLayout& layout = frame->Layout();
    EXPECT_EQ(layout.tex_width, 1024);
    EXPECT_EQ(layout.tex_height, 128);
    EXPECT_FLOAT_EQ(layout.u1, 642.0f / 1024);
    EXPECT_FLOAT_EQ(layout.v1, 79.0f / 128);
    EXPECT_FLOAT_EQ(layout.uscale, 1.0f / 1024);

    int32_t w = 0, h = 0;
    const auto level0 = TextureLevel(*frame, 0, w, h);
    ASSERT_EQ(w, 1024);
    ASSERT_EQ(h, 128);
    for (int32_t y = 0; y < 79; ++y) {
        ASSERT_EQ(Texel(level0, w, 641, y), (pixmap->ReadPixel(641, y) << 8) | 0xFF) << y;
        ASSERT_EQ(Texel(level0, w, 642, y), Texel(level0, w, 641, y)) << y;
        ASSERT_EQ(Texel(level0, w, 643, y), 0u) << y;
    }
    for (int32_t x = 0; x < 642; ++x) {
        ASSERT_EQ(Texel(level0, w, x, 79), Texel(level0, w, x, 78)) << x;
        ASSERT_EQ(Texel(level0, w, x, 80), 0u) << x;
    }
    EXPECT_EQ(Texel(level0, w, 642, 79), Texel(level0, w, 641, 78));

    // Every level down to 1 x 1, each the bilinear half of the one before, once it is drawn smaller.
    TextureLevel(*frame, 1, w, h);
    EXPECT_EQ(w, 0) << "levels made before the picture was drawn smaller";
    DrawImageRect(image, 0, 0, 321, 40);
    const auto level1 = TextureLevel(*frame, 1, w, h);
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 64);
    int32_t iw = 0, ih = 0;
    auto expected1 = ResizePixmap(*PrepareTexturePixmap(*pixmap, 1024, 128, iw, ih), 512, 64);
    for (int32_t y = 0; y < 64; y += 3)
        for (int32_t x = 0; x < 512; x += 5)
            ASSERT_EQ(Texel(level1, w, x, y), (expected1->ReadPixel(x, y) << 8) | (expected1->ReadPixel(x, y) >> 24))
                << x << "," << y;
    TextureLevel(*frame, 10, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
}

TEST_F(GLTest, EveryPixelFormatAndSizeUploadsTheTexelsOfItsPaddedPixmap)
{
    // Odd RGB rows (pitch not a whole number of pixels), full-width and full-height pictures, alpha
    // and grey pictures, a picture the size of its texture, one whose padding needs more than one
    // band of cleared rows.
    struct Case {
        int32_t width, height, format;
    };
    const Case cases[] = {{5, 3, PIXFMT_RGB888},      {642, 79, PIXFMT_RGB888},  {16, 9, PIXFMT_RGB888},
                          {9, 16, PIXFMT_RGBA8888},   {30, 17, PIXFMT_RGBA8888}, {16, 16, PIXFMT_RGBA8888},
                          {7, 9, PIXFMT_I8},          {33, 2, PIXFMT_BGRA8888},  {1, 1, PIXFMT_RGB888},
                          {300, 130, PIXFMT_RGBA8888}};
    for (const Case& c : cases) {
        auto pixmap = TPixmap::Create(c.width, c.height, c.format);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x)
                pixmap->WritePixel(x, y,
                                   static_cast<uint32_t>((x * 37 + y * 11) & 255) << 24 | (x & 255) << 16 |
                                       (y & 255) << 8 | ((x ^ y) & 255));
        auto image = TImage::Load(pixmap, IMG_FILTERED, 0, 0, 0);
        auto frame = GLFrame(image);
        ASSERT_TRUE(frame) << c.width << "x" << c.height;
        EXPECT_TRUE(HoldsPaddedPixmap(*frame, *pixmap)) << c.width << "x" << c.height << " format " << c.format;
    }
}

TEST_F(GLTest, FilterFlagsChooseTheTextureFilters)
{
    // Drawn at its own size and moved, a mipmapped texture samples level 0 alone, as the plain
    // filter does; turned or drawn smaller, it gets its levels and the mipmapped filter.
    struct Case {
        int32_t flags;
        GLint mag, min, minShrunk;
    };
    const Case cases[] = {{0, GL_NEAREST, GL_NEAREST, GL_NEAREST},
                          {IMG_FILTERED, GL_LINEAR, GL_LINEAR, GL_LINEAR},
                          {IMG_MIPMAPPED, GL_NEAREST, GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},
                          {IMG_FILTERED | IMG_MIPMAPPED, GL_LINEAR, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR}};
    const auto filters = [](const TGLImageFrame& frame, GLint& mag, GLint& min, GLint& wrap, GLint& level1) {
        TGLDraw2DDriver::Instance()->BindTexture(frame.Name());
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
    };
    for (const auto& c : cases) {
        for (const int32_t turn : {0, 1}) {
            auto image = FilledImage(30, 17, 0xFF123456u, c.flags);
            auto frame = GLFrame(image);
            ASSERT_TRUE(frame);
            EXPECT_EQ(frame->Layout().tex_width, 32);
            EXPECT_EQ(frame->Layout().tex_height, 32);
            DrawImage(image, 10.5f, 20.25f);
            DrawImageRect(image, 40, 20, 60, 40);
            GLint mag = 0, min = 0, wrap = 0, level1 = 0;
            filters(*frame, mag, min, wrap, level1);
            EXPECT_EQ(mag, c.mag) << c.flags;
            EXPECT_EQ(min, c.min) << c.flags;
            EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE) << c.flags;
            EXPECT_EQ(level1, 0) << c.flags;
            if (turn) SetRotation(10.0f);
            DrawImageRect(image, 40, 20, turn ? 30 : 29, 17);
            SetRotation(0.0f);
            filters(*frame, mag, min, wrap, level1);
            EXPECT_EQ(mag, c.mag) << c.flags;
            EXPECT_EQ(min, c.minShrunk) << c.flags << " turned " << turn;
            EXPECT_EQ(level1 != 0, c.minShrunk != c.min) << c.flags << " turned " << turn;
        }
    }
}

TEST_F(GLTest, APictureShortOfItsSizeByRoundingAloneDrawsFromLevelZeroWithTheSamePixels)
{
    // A pattern whose next level differs from level 0 everywhere.
    auto pixmap = TPixmap::Create(64, 32, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 64; ++x)
            pixmap->WritePixel(x, y, ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u | (x * 4) << 16 | (y * 8));
    const auto hasLevels = [](const TImagePtr& image) {
        GLint width = 0;
        TGLDraw2DDriver::Instance()->BindTexture(GLFrame(image)->Name());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &width);
        return width != 0;
    };
    SetBlend(BLEND_SOLID);
    const float roundingShort = 32.0f * (1.0f - 1.0e-6f);
    // Short by its corners' rounding, or by a thousandth, which the next level shows in.
    const struct {
        float height;
        bool levels;
    } cases[] = {{roundingShort, false}, {32.0f - 32.0f / 1000.0f, true}};
    for (const auto& c : cases) {
        const TImagePtr image = TImage::Load(pixmap, IMG_FILTERED | IMG_MIPMAPPED, 0, 0, 0);
        Cls();
        DrawImageRect(image, 10.5f, 20.25f, 64.0f, c.height);
        EXPECT_EQ(hasLevels(image), c.levels) << c.height;
    }
    // The very pixels it would have drawn through its levels.
    const TImagePtr single = TImage::Load(pixmap, IMG_FILTERED | IMG_MIPMAPPED, 0, 0, 0);
    Cls();
    DrawImageRect(single, 10.5f, 20.25f, 64.0f, roundingShort);
    const std::vector<uint32_t> fromLevelZero = ScreenPixels();
    const TImagePtr levelled = TImage::Load(pixmap, IMG_FILTERED | IMG_MIPMAPPED, 0, 0, 0);
    DrawImageRect(levelled, 0, 0, 16.0f, 8.0f);
    ASSERT_TRUE(hasLevels(levelled));
    Cls();
    DrawImageRect(levelled, 10.5f, 20.25f, 64.0f, roundingShort);
    EXPECT_EQ(ScreenPixels(), fromLevelZero);
}

TEST_F(GLTest, MipmapsKeepAFineCheckerboardGreyWhenShrunk)
{
    auto pixmap = TPixmap::Create(64, 64, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) pixmap->WritePixel(x, y, ((x + y) & 1) ? 0xFFFFFFFFu : 0xFF000000u);
    SetBlend(BLEND_SOLID);
    // Shrunk both ways, or one way only (sampled between rows or columns a fraction off their
    // boundaries, the picture itself shows stripes).
    const struct {
        int32_t width, height;
    } sizes[] = {{8, 8}, {64, 10}, {10, 64}};
    for (const auto& size : sizes) {
        // A picture of its own, whose smaller levels are made by this drawing.
        const TImagePtr image = TImage::Load(pixmap, IMG_FILTERED | IMG_MIPMAPPED, 0, 0, 0);
        Cls();
        DrawImageRect(image, 0, 0, static_cast<float>(size.width), static_cast<float>(size.height));
        for (int32_t y = 1; y < size.height - 1; ++y)
            for (int32_t x = 1; x < size.width - 1; ++x)
                ASSERT_TRUE(PixelIs(x, y, {128, 128, 128}, 12)) << size.width << " x " << size.height;
    }
}

TEST_F(GLTest, AnImageWiderThanAnyTextureIsShrunkToFitAndStillDrawnWhole)
{
    GLint max = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
    if (max > 16384) GTEST_SKIP() << "textures up to " << max;
    const int32_t width = max + max / 4;
    auto pixmap = TPixmap::Create(width, 1, PIXFMT_RGBA8888);
    for (int32_t x = 0; x < width; ++x)
        pixmap->WritePixel(x, 0, x < width / 3 ? 0xFFFF0000u : x < 2 * width / 3 ? 0xFF00FF00u : 0xFF0000FFu);
    auto image = TImage::Load(pixmap, 0, 0, 0, 0);
    auto frame = GLFrame(image);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Layout().tex_width, max);
    EXPECT_EQ(frame->Layout().tex_height, 1);
    EXPECT_FLOAT_EQ(frame->Layout().u1, 1.0f);
    SetBlend(BLEND_SOLID);
    DrawImageRect(image, 0, 0, 300, 10);
    EXPECT_TRUE(PixelIs(50, 5, {255, 0, 0}));
    EXPECT_TRUE(PixelIs(150, 5, {0, 255, 0}));
    EXPECT_TRUE(PixelIs(190, 5, {0, 255, 0}));
    EXPECT_TRUE(PixelIs(250, 5, {0, 0, 255}));
}

TEST_F(GLTest, RepeatedStateCostsNothing)
{
    auto driver = TGLDraw2DDriver::Instance();
    // Not quite opaque, so that blending stays on for them as for the rectangle.
    auto a = FilledImage(8, 8, 0xF0FFFFFFu);
    auto b = FilledImage(8, 8, 0xF000FF00u);
    // Drawing reaches OpenGL when pixels are read (or the frame is presented).
    const auto drawn = [&driver] {
        GrabPixmap(0, 0, 1, 1);
        return driver->StateChanges();
    };
    SetBlend(BLEND_ALPHA);
    DrawImage(a, 0, 0);
    const int64_t after_first = drawn();
    DrawImage(a, 10, 0);
    DrawImage(a, 20, 0);
    SetBlend(BLEND_ALPHA);
    EXPECT_EQ(drawn(), after_first);
    DrawImage(b, 30, 0);
    EXPECT_EQ(drawn(), after_first + 1);  // one bind
    DrawRect(40, 0, 4, 4);
    EXPECT_EQ(drawn(), after_first + 2);  // texturing off
    SetBlend(BLEND_LIGHT);
    DrawRect(50, 0, 4, 4);
    EXPECT_EQ(drawn(), after_first + 3);
}

TEST_F(GLTest, TexturesOfDroppedImagesAreDeletedWhenTheNextTextureIsMadeAfterTheyAreDrawn)
{
    auto a = FilledImage(8, 8, 0xFFFF0000u);
    auto b = FilledImage(8, 8, 0xFFFFFFFFu);
    DrawImage(a, 0, 0);
    DrawImage(b, 20, 0);
    const GLuint name = GLFrame(a)->Name();
    a.reset();
    // Its draw is still to come: a texture made now must not take its place.
    auto c = FilledImage(8, 8, 0xFF0000FFu);
    DrawImage(c, 40, 0);
    EXPECT_EQ(glIsTexture(name), GL_TRUE);
    EXPECT_TRUE(PixelIs(4, 4, {255, 0, 0}));
    EXPECT_TRUE(PixelIs(44, 4, {0, 0, 255}));
    Flip(0);
    EXPECT_EQ(glIsTexture(name), GL_TRUE);  // deletion waits for the next texture
    auto d = FilledImage(8, 8, 0xFFFFFFFFu);
    DrawImage(d, 0, 0);
    EXPECT_TRUE(GLFrame(d)->Name() == name || glIsTexture(name) == GL_FALSE);
    EXPECT_EQ(glIsTexture(GLFrame(b)->Name()), GL_TRUE);
}

TEST_F(GLTest, ATextureOfTheSameSizeTakesOverADroppedOneWithNothingOfItsPictureLeft)
{
    // A picture filling its 64 x 64 texture goes; a smaller one of the same texture size, drawn in
    // the next frame, gets its texture, with the padding cleared and the edges smeared as in a new
    // one. One that had smaller levels, or of another size, gets a texture of its own.
    struct Case {
        int32_t oldWidth, newWidth;
        bool shrunk;
        bool reused;
    };
    const Case cases[] = {{64, 40, false, true}, {64, 40, true, false}, {64, 20, false, false}};
    for (const Case& c : cases) {
        auto old = FilledImage(c.oldWidth, c.oldWidth, 0xFF10E020u, IMG_MIPMAPPED);
        DrawImageRect(old, 0, 0, c.shrunk ? 16.0f : 64.0f, c.shrunk ? 16.0f : 64.0f);
        const GLuint name = GLFrame(old)->Name();
        old.reset();
        Flip(0);
        auto pixmap = TPixmap::Create(c.newWidth, 33, PIXFMT_RGBA8888);
        for (int32_t y = 0; y < 33; ++y)
            for (int32_t x = 0; x < c.newWidth; ++x) pixmap->WritePixel(x, y, 0x80000000u | (x * 6) << 16 | y * 7);
        auto image = TImage::Load(pixmap, 0, 0, 0, 0);
        auto frame = GLFrame(image);
        ASSERT_TRUE(frame);
        // A driver that hands deleted names out again gives the same name either way.
        if (c.reused || !std::getenv("force_gl_names_reuse")) {
            EXPECT_EQ(frame->Name() == name, c.reused) << c.newWidth << (c.shrunk ? " after a shrunk one" : "");
        }
        EXPECT_TRUE(HoldsPaddedPixmap(*frame, *pixmap)) << c.newWidth;
        Flip(0);
    }
}

// Some drivers hand a deleted texture's name to the next texture made; Mesa does when asked to.
TEST_F(GLTest, ANameHandedOutAgainHoldsItsNewTexture)
{
    struct TCase {
        const char* what;
        bool rectangleAfter;  // texturing was off when the red image went
        bool droppedBefore;   // another image went into the graveyard before it
        int32_t newSize;      // 8: the new textures take the old ones over; 9: the old are deleted
    };
    const TCase cases[] = {{"drawn last", false, false, 8},
                           {"drawn before a rectangle", true, false, 8},
                           {"dropped after another", false, true, 8},
                           {"deleted, its name handed out again", false, true, 9}};
    const char* before = std::getenv("force_gl_names_reuse");
    const std::string saved = before ? before : "";
    for (const TCase& c : cases) {
        setenv("force_gl_names_reuse", "true", 1);
        EndGraphics();
        graphics = OpenGraphics(kWidth, kHeight, 0, 60, 0);
        if (before)
            setenv("force_gl_names_reuse", saved.c_str(), 1);
        else
            unsetenv("force_gl_names_reuse");
        ASSERT_TRUE(graphics);

        SetBlend(BLEND_SOLID);
        auto grey = FilledImage(8, 8, 0xFF808080u);
        auto red = FilledImage(8, 8, 0xFFFF0000u);
        // Red is made first, so that its name is the one handed out first, and drawn last: grey
        // overlaps it, so the second red cannot be drawn together with the first ahead of grey.
        DrawImage(red, 0, 0);
        DrawImage(grey, 4, 4);
        DrawImage(red, 0, 0);
        if (c.rectangleAfter) DrawRect(0, 50, 4, 4);
        Flip(0);
        const GLuint red_name = GLFrame(red)->Name();
        if (c.droppedBefore) grey.reset();
        red.reset();
        auto green = FilledImage(c.newSize, c.newSize, 0xFF00FF00u);
        auto blue = FilledImage(c.newSize, c.newSize, 0xFF0000FFu);
        DrawImage(green, 0, 0);
        DrawImage(blue, 10, 0);
        DrawImage(green, 20, 0);
        if (GLFrame(green)->Name() != red_name && GLFrame(blue)->Name() != red_name)
            GTEST_SKIP() << "this OpenGL does not hand texture names out again";
        EXPECT_TRUE(PixelIs(4, 4, {0, 255, 0})) << c.what;
        EXPECT_TRUE(PixelIs(14, 4, {0, 0, 255})) << c.what;
        EXPECT_TRUE(PixelIs(24, 4, {0, 255, 0})) << c.what;
        Flip(0);
    }
}

TEST_F(GLTest, ImagesAreRebuiltAfterGraphicsAreReopened)
{
    auto image = FilledImage(10, 10, 0xFF3366CCu);
    DrawImage(image, 0, 0);
    EXPECT_TRUE(PixelIs(5, 5, {0x33, 0x66, 0xCC}));
    auto old = image->Frame(0);
    EndGraphics();
    graphics = OpenGraphics(kWidth, kHeight, 0, 60, 0);
    ASSERT_TRUE(graphics);
    EXPECT_TRUE(PixelIs(5, 5, {0, 0, 0}));
    DrawImage(image, 0, 0);
    EXPECT_NE(image->Frame(0), old);
    EXPECT_TRUE(PixelIs(5, 5, {0x33, 0x66, 0xCC}));
}

TEST_F(GLTest, FramesBeyondTheCacheBudgetAreDroppedLeastRecentlyDrawnFirstAndMadeAgain)
{
    auto cache = FrameCache();
    const int64_t budget = cache->budget;
    // Three 64 x 64 textures of 16 KiB each and room for two, once earlier frames are dropped.
    cache->budget = 0;
    cache->Trim(cache->None());
    EXPECT_EQ(cache->bytes, 0);
    cache->budget = 2 * 64 * 64 * 4;
    const uint32_t colours[] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};
    std::vector<TImagePtr> images;
    for (uint32_t colour : colours) images.push_back(FilledImage(64, 64, colour));
    SetBlend(BLEND_SOLID);
    DrawImage(images[0], 0, 0);
    DrawImage(images[1], 64, 0);
    DrawImage(images[0], 0, 0);  // now the second is the least recently drawn
    DrawImage(images[2], 128, 0);
    EXPECT_TRUE(images[0]->frames[0]);
    EXPECT_FALSE(images[1]->frames[0]);
    EXPECT_TRUE(images[2]->frames[0]);
    EXPECT_LE(cache->bytes, cache->budget);
    // Drawn again, it is made again from its pixels, at the expense of the next oldest.
    DrawImage(images[1], 0, 64);
    EXPECT_TRUE(PixelIs(10, 74, {0, 255, 0}));
    EXPECT_TRUE(images[1]->frames[0]);
    EXPECT_FALSE(images[0]->frames[0]);
    // Dropping an image gives its share back.
    const int64_t before = cache->bytes;
    images[2].reset();
    EXPECT_EQ(cache->bytes, before - 64 * 64 * 4);
    cache->budget = budget;
}

TEST_F(GLTest, PicturesOfTheScreensSizeTakeOverTexturesMadeAheadWithNothingOfTheirPastLeft)
{
    // The 320 x 240 screen's pictures live in 512 x 256 textures, two of them made ahead.
    const auto living = [] {
        std::vector<GLuint> names;
        for (GLuint name = 1; name < 256; ++name)
            if (glIsTexture(name)) names.push_back(name);
        return names;
    };
    const auto picture = [](int32_t width, int32_t height, uint32_t seed) {
        auto pixmap = TPixmap::Create(width, height, PIXFMT_RGBA8888);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) pixmap->WritePixel(x, y, 0xFF000000u | (x * 5 + seed) << 16 | y * 3);
        return pixmap;
    };
    const std::vector<GLuint> ahead = living();
    ASSERT_EQ(ahead.size(), 2u);
    struct Case {
        const char* what;
        int32_t width, height;
        bool takesOver;
    };
    const Case cases[] = {{"the first background", 300, 200, true},
                          {"a smaller picture", 200, 100, false},
                          {"the second background", 260, 240, true},
                          {"a third", 300, 240, false}};
    std::vector<TImagePtr> kept;
    for (const Case& c : cases) {
        kept.push_back(TImage::Load(picture(c.width, c.height, 7), 0, 0, 0, 0));
        const GLuint name = GLFrame(kept.back())->Name();
        EXPECT_EQ(std::count(ahead.begin(), ahead.end(), name) == 1, c.takesOver) << c.what;
    }
    // None are made again during play, however much time its frames leave.
    SetPlayActive(true);
    for (int32_t frame = 0; frame < 100; ++frame) Flip(0);
    SetPlayActive(false);
    EXPECT_EQ(living().size(), ahead.size() + 2) << "spares made during play";
    // Frames that leave time (empty ones, unless the machine is very busy) make them again, one a
    // frame, leaving what the driver knows to be bound as it was.
    Flip(0);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    std::vector<GLuint> remade = living();
    for (int32_t frame = 0; frame < 200 && remade.size() < ahead.size() + 4; ++frame) {
        Flip(0);
        const std::vector<GLuint> now = living();
        ASSERT_LE(now.size(), remade.size() + 1) << "more than one spare made in a frame";
        remade = now;
    }
    EXPECT_EQ(remade.size(), ahead.size() + 4);
    GLint boundAfter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundAfter);
    EXPECT_EQ(boundAfter, bound);
    // One taken again, a background dropped is kept as the other when the next texture is made.
    kept.push_back(TImage::Load(picture(300, 200, 9), 0, 0, 0, 0));
    EXPECT_EQ(std::count(remade.begin(), remade.end(), GLFrame(kept.back())->Name()), 1);
    const GLuint dropped = GLFrame(kept[2])->Name();
    kept.erase(kept.begin() + 2);
    GLFrame(TImage::Load(picture(20, 20, 1), 0, 0, 0, 0));
    const auto pixmap = picture(280, 130, 3);
    auto image = TImage::Load(pixmap, 0, 0, 0, 0);
    auto frame = GLFrame(image);
    EXPECT_EQ(frame->Name(), dropped);
    EXPECT_TRUE(HoldsPaddedPixmap(*frame, *pixmap));
}

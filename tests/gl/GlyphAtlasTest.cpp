// Glyphs drawn from their font's shared texture: packed onto pages, texel for pixel, and the very
// pixels of the glyphs' own textures.
#include "GLSupport.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/GLDriver.h"

#include <string>
#include <vector>

namespace {

// 12 x 10 pixels, each of its own colour, and different for every k.
TPixmapPtr Tile(int32_t k, int32_t width = 12)
{
    auto pixmap = TPixmap::Create(width, 10, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < width; ++x)
            pixmap->WritePixel(x, y, 0xFF000000u | static_cast<uint32_t>(k * 30) << 16 | (x * 20) << 8 | y * 25);
    return pixmap;
}

}  // namespace

TEST_F(GLTest, AnAtlasPacksPicturesOntoPagesAndDrawsEachTexelForPixel)
{
    // Two tiles to a row and three rows to a page: the seventh starts a second page.
    TGLImageAtlas atlas(*TGLDraw2DDriver::Instance(), 32);
    SetBlend(BLEND_SOLID);
    Cls();
    for (int32_t round = 0; round < 2; ++round)
        for (int32_t k = 0; k < 8; ++k)
            ASSERT_TRUE(atlas.Draw(k, *Tile(k), static_cast<float>(14 * k), static_cast<float>(20 + 20 * round)));
    EXPECT_EQ(atlas.Pages(), 2u);

    struct Refusal {
        const char* what;
        int32_t key;
        int32_t width;
        float x, scale, rotation;
        bool fast;
    };
    const Refusal refusals[] = {
        {"wider than a page", 100, 40, 0, 1, 0, true},
        {"between pixels", 0, 12, 0.5f, 1, 0, true},
        {"scaled", 1, 12, 0, 2, 0, true},
        {"turned", 2, 12, 0, 1, 90, true},
        {"the plain way", 3, 12, 0, 1, 0, false},
    };
    for (const Refusal& r : refusals) {
        TGLDraw2DDriver::Instance()->SetFastPaths(r.fast);
        SetScale(r.scale, r.scale);
        SetRotation(r.rotation);
        EXPECT_FALSE(atlas.Draw(r.key, *Tile(r.key, r.width), 200 + r.x, 100)) << r.what;
    }
    TGLDraw2DDriver::Instance()->SetFastPaths(true);
    SetScale(1, 1);
    SetRotation(0);

    const auto screen = GrabPixmap(0, 0, kWidth, kHeight);
    for (int32_t round = 0; round < 2; ++round)
        for (int32_t k = 0; k < 8; ++k)
            for (int32_t y = 0; y < 10; ++y)
                for (int32_t x = 0; x < 12; ++x)
                    ASSERT_EQ(screen->ReadPixel(14 * k + x, 20 + 20 * round + y), Tile(k)->ReadPixel(x, y))
                        << "tile " << k << " drawn " << round + 1 << " times, at " << x << ", " << y;
    // Nothing was drawn where the atlas refused.
    for (int32_t y = 80; y < 130; ++y)
        for (int32_t x = 180; x < 260; ++x) ASSERT_EQ(screen->ReadPixel(x, y), 0xFF000000u) << x << ", " << y;
}

TEST_F(GLTest, TextDrawnFromTheSharedTextureShowsThePixelsOfEachGlyphsOwnTexture)
{
    RegisterEmbeddedFonts();
    const TImageFontPtr fonts[] = {nullptr, LoadImageFont("incbin::fonts/arial.ttf", 9, FONT_SMOOTH),
                                   LoadImageFont("incbin::armorpiercing/ap.ttf", 42, FONT_SMOOTH)};
    ASSERT_TRUE(fonts[1] && fonts[2]);
    struct Case {
        const char* what;
        int32_t font;  // built-in, small, large
        float x, y, scale = 1, rotation = 0;
        int32_t blend = BLEND_ALPHA;
        float alpha = 1;
        int32_t rows = kHeight;  // of the view
        bool reopen = false;     // the graphics opened again first
    };
    const Case cases[] = {
        {"large, on whole pixels", 2, 3, 20},
        {"small, a shadow", 1, 12, 100, 1, 0, BLEND_ALPHA, 0.8f},
        {"built-in", 0, 5, 150},
        {"solid: margins drawn", 2, 3, 20, 1, 0, BLEND_SOLID},
        {"shade", 1, 12, 100, 1, 0, BLEND_SHADE},
        {"mask", 2, 3, 20, 1, 0, BLEND_MASK},
        {"light, half", 1, 12, 100, 1, 0, BLEND_LIGHT, 0.5f},
        {"cut by a view", 2, 3, 20, 1, 0, BLEND_ALPHA, 1, 45},
        {"between pixels", 2, 3.5f, 20.25f},
        {"enlarged", 1, 0, 10, 3.0f},
        {"shrunk", 2, 3, 20, 0.45f},
        {"turned", 2, 40, 10, 1, 20},
        {"in graphics opened again", 2, 3, 20, 1, 0, BLEND_ALPHA, 1, kHeight, true},
    };
    const std::string text = "Jumpy Wax 0189\nJumpy Wax";
    auto driver = TGLDraw2DDriver::Instance();
    for (const Case& c : cases) {
        if (c.reopen) {
            EndGraphics();
            graphics = OpenGraphics(kWidth, kHeight, 0, 60, 0);
            ASSERT_TRUE(graphics);
        }
        std::vector<uint32_t> pictures[2];
        for (const bool fast : {false, true}) {
            driver->SetFastPaths(fast);
            SetImageFont(fonts[c.font]);
            SetClsColor(40, 90, 160);
            Cls();
            SetBlend(c.blend);
            SetAlpha(c.alpha);
            SetColor(250, 200, 120);
            SetScale(c.scale, c.scale);
            SetRotation(c.rotation);
            SetViewport(0, 0, kWidth, c.rows);
            const int64_t before = driver->StateChanges();
            for (size_t line = 0, from = 0; from < text.size(); ++line) {
                const size_t end = std::min(text.find('\n', from), text.size());
                DrawText(text.substr(from, end - from), c.x, c.y + 45.0f * c.scale * static_cast<float>(line));
                from = end + 1;
            }
            pictures[fast] = ScreenPixels();
            const bool exact =
                c.scale == 1 && c.rotation == 0 && c.x == static_cast<int32_t>(c.x) && c.y == static_cast<int32_t>(c.y);
            // One texture for the whole text, where each glyph used to bind its own.
            if (fast && exact) {
                EXPECT_LE(driver->StateChanges() - before, 3) << c.what;
            }
            SetScale(1, 1);
            SetRotation(0);
            SetViewport(0, 0, kWidth, kHeight);
            Flip(0);
        }
        int32_t differing = 0;
        for (size_t i = 0; i < pictures[0].size(); ++i)
            if (pictures[0][i] != pictures[1][i] && differing++ < 5)
                ADD_FAILURE() << c.what << ": pixel (" << i % kWidth << ", " << i / kWidth << ") is " << std::hex
                              << pictures[1][i] << ", drawn the plain way " << pictures[0][i];
        EXPECT_EQ(differing, 0) << c.what;
        // The text shows.
        EXPECT_NE(pictures[0], std::vector<uint32_t>(pictures[0].size(), 0x285AA0u)) << c.what;
    }
    driver->SetFastPaths(true);
    SetImageFont(nullptr);
}

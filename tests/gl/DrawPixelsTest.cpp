// Pixels drawn through OpenGL: blend modes, mask threshold, colour bytes, scissor, transform, text.
#include "GLSupport.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Font.h"
#include "framework/platform/Platform.h"
#include "framework/system/Input.h"

#include <utility>
#include <vector>

TEST_F(GLTest, BothBuffersStartBlackBeforeTheFirstCls)
{
    auto screen = GrabPixmap(0, 0, kWidth, kHeight);
    for (int32_t y = 0; y < kHeight; y += 7)
        for (int32_t x = 0; x < kWidth; x += 5) ASSERT_EQ(screen->ReadPixel(x, y) & 0xFFFFFF, 0u) << x << "," << y;
}

TEST_F(GLTest, MaskDrawsAlpha128OpaqueAndLeavesAlpha127Out)
{
    SetClsColor(0, 0, 64);
    Cls();
    auto pixmap = TPixmap::Create(20, 10, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) pixmap->WritePixel(x, y, x < 10 ? 0x7FFF0000u : 0x80FF0000u);
    auto image = TImage::Load(pixmap, 0, 0, 0, 0);
    ASSERT_EQ(GetBlend(), BLEND_MASK);
    DrawImage(image, 50, 50);
    EXPECT_TRUE(PixelIs(55, 55, {0, 0, 64}));
    EXPECT_TRUE(PixelIs(65, 55, {255, 0, 0}));
    // The drawing alpha multiplies in: 128 x 0.999 falls below one half.
    SetAlpha(0.999f);
    DrawImage(image, 50, 70);
    EXPECT_TRUE(PixelIs(65, 75, {0, 0, 64}));
}

TEST_F(GLTest, EachBlendModeCombinesWithTheScreenAsDesigned)
{
    struct Case {
        int32_t blend;
        float alpha;
        Rgb want;
    };
    // Source (200, 100, 50) on a (100, 150, 200) screen; alpha 0.5 is byte 127.
    const Case cases[] = {
        {BLEND_SOLID, 0.5f, {200, 100, 50}},  {BLEND_ALPHA, 0.5f, {150, 125, 125}}, {BLEND_ALPHA, 1.0f, {200, 100, 50}},
        {BLEND_LIGHT, 0.5f, {200, 200, 225}}, {BLEND_LIGHT, 1.0f, {255, 250, 250}}, {BLEND_SHADE, 0.5f, {78, 59, 39}},
        {BLEND_MASK, 0.5f, {100, 150, 200}},  {BLEND_MASK, 1.0f, {200, 100, 50}},   {9, 0.25f, {200, 100, 50}},
    };
    for (const auto& c : cases) {
        SetBlend(BLEND_SOLID);
        SetClsColor(100, 150, 200);
        Cls();
        SetBlend(c.blend);
        SetColor(200, 100, 50);
        SetAlpha(c.alpha);
        DrawRect(10, 10, 20, 20);
        EXPECT_TRUE(PixelIs(20, 20, c.want, 1)) << "blend " << c.blend << " alpha " << c.alpha;
        EXPECT_TRUE(PixelIs(40, 40, {100, 150, 200})) << "blend " << c.blend;
    }
}

TEST_F(GLTest, ColourIsClampedAndAlphaTruncated)
{
    SetBlend(BLEND_SOLID);
    SetColor(300, -5, 128);
    DrawRect(0, 0, 10, 10);
    EXPECT_TRUE(PixelIs(5, 5, {255, 0, 128}));

    // White at alpha byte 254 over black gives 254, not 255.
    SetBlend(BLEND_ALPHA);
    SetColor(255, 255, 255);
    SetAlpha(0.999f);
    DrawRect(20, 0, 10, 10);
    EXPECT_TRUE(PixelIs(25, 5, {254, 254, 254}));
    SetAlpha(1.5f);
    DrawRect(40, 0, 10, 10);
    EXPECT_TRUE(PixelIs(45, 5, {255, 255, 255}));
    SetAlpha(-1.0f);
    DrawRect(60, 0, 10, 10);
    EXPECT_TRUE(PixelIs(65, 5, {0, 0, 0}));
}

TEST_F(GLTest, TheViewportClipsDrawingAndCls)
{
    SetClsColor(0, 0, 0);
    Cls();
    SetViewport(100, 50, 40, 30);
    SetClsColor(255, 0, 0);
    Cls();
    EXPECT_TRUE(PixelIs(100, 50, {255, 0, 0}));
    EXPECT_TRUE(PixelIs(139, 79, {255, 0, 0}));
    EXPECT_TRUE(PixelIs(99, 60, {0, 0, 0}));
    EXPECT_TRUE(PixelIs(140, 60, {0, 0, 0}));
    EXPECT_TRUE(PixelIs(120, 49, {0, 0, 0}));
    EXPECT_TRUE(PixelIs(120, 80, {0, 0, 0}));

    SetColor(0, 255, 0);
    DrawRect(0, 0, kWidth, kHeight);
    EXPECT_TRUE(PixelIs(120, 60, {0, 255, 0}));
    EXPECT_TRUE(PixelIs(90, 60, {0, 0, 0}));
    SetColor(255, 255, 255);
    auto image = FilledImage(kWidth, kHeight, 0xFF0000FFu);
    DrawImage(image, 0, 0);
    EXPECT_TRUE(PixelIs(120, 60, {0, 0, 255}));
    EXPECT_TRUE(PixelIs(90, 60, {0, 0, 0}));
    DrawText("XXXXXXXXXXXXXXXXXXXXXXXXXXXXXX", 0, 0);
    EXPECT_TRUE(PixelIs(90, 10, {0, 0, 0}));

    // The whole screen switches clipping off again.
    SetViewport(0, 0, kWidth, kHeight);
    SetClsColor(10, 20, 30);
    Cls();
    EXPECT_TRUE(PixelIs(0, 0, {10, 20, 30}));
    EXPECT_TRUE(PixelIs(319, 239, {10, 20, 30}));
}

TEST_F(GLTest, RotationAndScalePlaceShapes)
{
    SetBlend(BLEND_SOLID);
    // A 40 x 10 bar turned a quarter clockwise hangs down from its position: x 90..100, y 100..140.
    SetRotation(90);
    DrawRect(100, 100, 40, 10);
    EXPECT_TRUE(PixelIs(95, 135, {255, 255, 255}));
    EXPECT_TRUE(PixelIs(105, 105, {0, 0, 0}));
    EXPECT_TRUE(PixelIs(95, 145, {0, 0, 0}));
    // Scaled 2 along its own x first: a 10 x 10 square becomes x 190..200, y 100..120.
    SetRotationAndScale(90, 2, 1);
    DrawRect(200, 100, 10, 10);
    EXPECT_TRUE(PixelIs(195, 118, {255, 255, 255}));
    EXPECT_TRUE(PixelIs(195, 122, {0, 0, 0}));
    EXPECT_TRUE(PixelIs(202, 110, {0, 0, 0}));
}

TEST_F(GLTest, ACentredImageCoversItsHalfPixelRectangle)
{
    SetAutoMidHandle(true);
    auto image = FilledImage(60, 25, 0xFFFFFFFFu);
    MidHandleImage(image);
    SetAutoMidHandle(false);
    DrawImage(image, 100, 100);
    // x 70 .. 130 and y 87.5 .. 112.5: columns 70 to 129, rows 88 to 111.
    auto area = GrabPixmap(60, 80, 80, 40);
    for (int32_t y = 80; y < 120; ++y) {
        for (int32_t x = 60; x < 140; ++x) {
            if (y == 87 || y == 112) continue;  // rows cut through their centres
            const bool inside = x >= 70 && x < 130 && y >= 88 && y < 112;
            ASSERT_EQ(area->ReadPixel(x - 60, y - 80) & 0xFFFFFF, inside ? 0xFFFFFFu : 0u) << x << "," << y;
        }
    }
}

TEST_F(GLTest, PrimitivesDrawWhereTheyShould)
{
    SetBlend(BLEND_SOLID);
    SetColor(255, 255, 0);
    DrawLine(10, 10, 50, 10);
    EXPECT_TRUE(PixelIs(30, 10, {255, 255, 0}));
    EXPECT_TRUE(PixelIs(50, 10, {255, 255, 0}));  // the last pixel
    EXPECT_TRUE(PixelIs(30, 11, {0, 0, 0}));
    Plot(5, 200);
    EXPECT_TRUE(PixelIs(5, 200, {255, 255, 0}));
    EXPECT_TRUE(PixelIs(6, 200, {0, 0, 0}));
    DrawOval(100, 100, 40, 20);
    EXPECT_TRUE(PixelIs(120, 110, {255, 255, 0}));
    EXPECT_TRUE(PixelIs(102, 102, {0, 0, 0}));
    DrawPoly({200, 100, 240, 100, 200, 140});
    EXPECT_TRUE(PixelIs(205, 105, {255, 255, 0}));
    EXPECT_TRUE(PixelIs(235, 135, {0, 0, 0}));
    SetOrigin(10, 10);
    SetHandle(5, 5);
    DrawRect(250, 150, 10, 10);
    EXPECT_TRUE(PixelIs(256, 156, {255, 255, 0}));
    EXPECT_TRUE(PixelIs(264, 164, {255, 255, 0}));
    EXPECT_TRUE(PixelIs(266, 166, {0, 0, 0}));
}

TEST_F(GLTest, DrawPixmapAndGrabPixmapRoundTrip)
{
    // Translucent pixels, written as they are: pixmaps are drawn solid, untinted.
    auto pixmap = TPixmap::Create(16, 8, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 16; ++x) pixmap->WritePixel(x, y, 0x40000000u | (x * 15u) << 16 | (y * 30u) << 8 | 77u);
    SetColor(0, 0, 0);
    SetBlend(BLEND_ALPHA);
    SetAlpha(0.1f);
    DrawPixmap(*pixmap, 30, 40);
    auto grabbed = GrabPixmap(30, 40, 16, 8);
    ASSERT_EQ(grabbed->format, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 16; ++x)
            ASSERT_EQ(grabbed->ReadPixel(x, y) & 0xFFFFFF, pixmap->ReadPixel(x, y) & 0xFFFFFF) << x << "," << y;
    EXPECT_EQ(GetBlend(), BLEND_ALPHA);

    // Partly off screen: the visible part is drawn, the grab outside the screen stays empty.
    DrawPixmap(*pixmap, -4, -2);
    auto corner = GrabPixmap(-4, -2, 16, 8);
    EXPECT_EQ(corner->ReadPixel(0, 0), 0u);
    EXPECT_EQ(corner->ReadPixel(5, 3) & 0xFFFFFF, pixmap->ReadPixel(5, 3) & 0xFFFFFF);
}

TEST_F(GLTest, BuiltinTextDrawsItsGlyphBits)
{
    auto font = BuiltinImageFont();
    auto l = font->LoadGlyph(font->CharToGlyph('L'))._image->Lock(0, true, false);
    SetColor(0, 255, 0);
    DrawText("L", 40, 60);
    EXPECT_EQ(TextWidth("Loading..."), 80);
    auto area = GrabPixmap(40, 60, 8, 16);
    for (int32_t y = 0; y < 16; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const bool set = (l->ReadPixel(x, y) >> 24) != 0;
            ASSERT_EQ(area->ReadPixel(x, y) & 0xFFFFFF, set ? 0x00FF00u : 0u) << x << "," << y;
        }
    }
}

TEST_F(GLTest, SmoothTextIsFilteredAndTinted)
{
    RegisterEmbeddedFonts();
    auto font = LoadImageFont("incbin::armorpiercing/ap.ttf", 42, FONT_SMOOTH);
    ASSERT_TRUE(font);
    SetImageFont(font);
    SetBlend(BLEND_ALPHA);
    SetColor(255, 0, 0);
    DrawText("I", 20, 20);
    // Somewhere in the stem the glyph is fully covered and pure red; nothing else is tinted.
    auto area = GrabPixmap(20, 20, 40, TextHeight("I"));
    int32_t red = 0;
    for (int32_t y = 0; y < area->height; ++y) {
        for (int32_t x = 0; x < area->width; ++x) {
            const uint32_t p = area->ReadPixel(x, y) & 0xFFFFFF;
            ASSERT_EQ(p & 0x00FFFF, 0u);
            red += p == 0xFF0000u;
        }
    }
    EXPECT_GT(red, 100);
}

TEST_F(GLTest, SixtyFramesTakeOneSecondOnTheVirtualClock)
{
    for (int i = 0; i < 60; ++i) {
        Cls();
        Flip(-1);
    }
    EXPECT_EQ(clock->Millisecs(), 1000);
    Flip(1);
    Flip(0);
    EXPECT_EQ(clock->Millisecs(), 1000);
}

namespace {

// The headless context, claiming (or not) that its display really paces at the asked rate.
class TDelegatingProvider : public TGLContextProvider {
public:
    TDelegatingProvider(std::shared_ptr<TGLContextProvider> inner, bool paces) : _inner(std::move(inner)), _paces(paces)
    {
    }
    bool Open(int32_t w, int32_t h, int32_t d, int32_t hz, int32_t f) override { return _inner->Open(w, h, d, hz, f); }
    void Close() override { _inner->Close(); }
    bool CanHardSync(int32_t hertz) override { return _paces && hertz == 60; }
    void SetSwapInterval(int32_t interval) override
    {
        intervals.push_back(interval);
        _inner->SetSwapInterval(interval);
    }
    void SwapBuffers() override { _inner->SwapBuffers(); }
    std::vector<int32_t> intervals;

private:
    std::shared_ptr<TGLContextProvider> _inner;
    bool _paces;
};

class TPointerLog : public TEventSource {
public:
    void PollEvents() override {}
    void MoveMouse(int32_t x, int32_t y) override { moves.emplace_back(x, y); }
    std::vector<std::pair<int32_t, int32_t>> moves;
};

}  // namespace

TEST(GLFullScreen, PacesOnTheVerticalBlankOnlyWhereTheDisplayDoes)
{
    auto clock = std::make_shared<TVirtualClock>();
    SetClock(clock);
    auto pointer = std::make_shared<TPointerLog>();
    SetEventSource(pointer);
    auto headless = CreateSdlGLContextProvider(true);
    for (const bool paces : {true, false}) {
        auto provider = std::make_shared<TDelegatingProvider>(headless, paces);
        SetGLContextProvider(provider);
        ASSERT_TRUE(OpenGraphics(kWidth, kHeight, 32, 60, 0));
        // Full screen puts the pointer in the middle.
        ASSERT_FALSE(pointer->moves.empty());
        EXPECT_EQ(pointer->moves.back(), std::make_pair(kWidth / 2, kHeight / 2));
        const int32_t start = clock->Millisecs();
        for (int i = 0; i < 3; ++i) Flip(-1);
        if (paces) {
            // Every paced flip waits for the vertical blank; the timer is not used.
            EXPECT_EQ(clock->Millisecs(), start);
            EXPECT_EQ(provider->intervals.back(), 1);
        } else {
            // A display that does not run at 60 Hz: the timer paces, without vertical blank.
            EXPECT_EQ(clock->Millisecs(), start + 50);
            EXPECT_EQ(provider->intervals.back(), 0);
        }
        EndGraphics();
    }
    SetGLContextProvider(headless);
    SetEventSource(nullptr);
    SetClock(nullptr);
}

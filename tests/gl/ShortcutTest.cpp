// The OpenGL back-end's shortcuts (quads drawn together, nearest sampling of texel-exact images,
// blending off for opaque ones) against the plain way: the very same pixels.
#include "GLSupport.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/GLDriver.h"

#include <GL/gl.h>
#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

// The programs the software renderer builds, each a module of its compiler made through this
// function: the test binary exports it in the compiler's stead and hands the call on.
std::atomic<int64_t> RendererProgramBuilds{0};

extern "C" void* LLVMModuleCreateWithNameInContext(const char* name, void* context)
{
    using TCreate = void* (*)(const char*, void*);
    static const TCreate create = [] {
        auto found = reinterpret_cast<TCreate>(dlsym(RTLD_NEXT, "LLVMModuleCreateWithNameInContext"));
        // Loaded with the renderer, out of the program's own sight: looked up by its file.
        const auto look = [](dl_phdr_info* info, size_t, void* out) {
            if (!std::strstr(info->dlpi_name, "libLLVM")) return 0;
            void* library = dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD);
            *static_cast<TCreate*>(out) =
                reinterpret_cast<TCreate>(dlsym(library, "LLVMModuleCreateWithNameInContext"));
            return 1;
        };
        if (!found) dl_iterate_phdr(look, &found);
        return found;
    }();
    ++RendererProgramBuilds;
    return create(name, context);
}

namespace {

// Pixels with structure in every channel; alpha as asked: opaque, a round cut-out, a ramp, a
// frame around a transparent middle, or such a frame inside transparent margins.
enum class TAlpha { Opaque, Round, Ramp, Hollow, Ringed };

TImagePtr Picture(int32_t width, int32_t height, uint32_t seed, TAlpha alpha, int32_t flags, int32_t frames = 1)
{
    auto image = CreateImage(width, height, frames, flags);
    for (int32_t f = 0; f < frames; ++f) {
        auto pixmap = alpha == TAlpha::Opaque ? TPixmap::Create(width, height, PIXFMT_RGB888)
                                              : TPixmap::Create(width, height, PIXFMT_RGBA8888);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t v =
                    (static_cast<uint32_t>(x + 7 * f) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u) ^ seed;
                uint32_t a = 255;
                const int32_t dx = 2 * x - width + 1;
                const int32_t dy = 2 * y - height + 1;
                if (alpha == TAlpha::Round) a = dx * dx + dy * dy <= width * width ? 255 : 0;
                if (alpha == TAlpha::Ramp) a = static_cast<uint32_t>(x * 255 / std::max(width - 1, 1));
                if (alpha == TAlpha::Hollow)
                    a = x >= 10 && x < width - 14 && y >= 12 && y < height - 9 ? 0 : 40 + (x + y) % 200;
                if (alpha == TAlpha::Ringed)
                    a = x < 7 || x >= width - 9 || y < 5 || y >= height - 11 ||
                                (x >= 30 && x < width - 40 && y >= 28 && y < height - 30)
                            ? 0
                            : 40 + (x + y) % 200;
                pixmap->WritePixel(x, y, a << 24 | (v & 0xFFFFFF));
            }
        }
        image->SetPixmap(f, pixmap);
    }
    MidHandleImage(image);
    return image;
}

struct TScene {
    int32_t both = IMG_FILTERED | IMG_MIPMAPPED;
    TImagePtr background = Picture(232, 180, 1, TAlpha::Opaque, both);  // even: lands on whole pixels
    TImagePtr pane = Picture(101, 37, 2, TAlpha::Ramp, both);           // odd: half a pixel off
    TImagePtr panel = Picture(64, 240, 3, TAlpha::Opaque, both);        // fills its texture
    TImagePtr brick = Picture(60, 25, 4, TAlpha::Opaque, both, 3);
    TImagePtr shadow = Picture(60, 25, 5, TAlpha::Opaque, both);
    TImagePtr ball = Picture(16, 16, 6, TAlpha::Round, both);
    TImagePtr alien = Picture(32, 32, 7, TAlpha::Round, IMG_FILTERED);
    TImagePtr explosion = Picture(64, 64, 8, TAlpha::Opaque, both, 2);
    TImagePtr crisp = Picture(20, 10, 9, TAlpha::Round, 0);  // unfiltered
    TImagePtr hollow = Picture(180, 150, 10, TAlpha::Hollow, both);
    TImagePtr ringed = Picture(160, 140, 11, TAlpha::Ringed, both);
    TImageFontPtr font;
};

// Bricks from the first-th of twelve on, each over its shadow, as the game draws them.
void DrawBricks(const TScene& s, int32_t first)
{
    for (int32_t i = first; i < 12; ++i) {
        const auto x = static_cast<float>(40 + 64 * (i % 3));
        const auto y = static_cast<float>(30 + 29 * (i / 3));
        SetColor(10, 10, 10);
        SetAlpha(0.39f);
        DrawImage(s.shadow, x + 12, y + 12);
        SetColor(255, 255, 255);
        SetAlpha(1.0f);
        DrawImage(s.brick, x, y, i % 3);
    }
}

// The cleared screen with the background and the hollow frame over it, in full colour.
void DrawGround(const TScene& s)
{
    SetClsColor(20, 30, 40);
    Cls();
    SetBlend(BLEND_ALPHA);
    SetColor(255, 255, 255);
    SetAlpha(1.0f);
    DrawImage(s.background, 120, 100);
    DrawImage(s.hollow, 120, 110);
    DrawImage(s.ringed, 230, 150);
}

// A play frame in miniature: everything the game draws, in the ways it draws it.
void DrawScene(const TScene& s)
{
    DrawGround(s);
    DrawImage(s.pane, 120, 40);
    DrawBricks(s, 0);
    // Dimmed as the fades draw them, and at a fractional position.
    SetColor(100, 100, 100);
    DrawImage(s.brick, 200.5f, 150.25f, 1);
    SetColor(255, 255, 255);
    DrawImage(s.explosion, 180, 180, 1);
    SetAlpha(0.5f);
    DrawImage(s.explosion, 60, 180, 0);
    SetAlpha(1.0f);
    SetRotation(33.0f);
    DrawImage(s.alien, 150, 60);
    DrawImage(s.explosion, 100, 200);
    SetRotation(0.0f);
    SetScale(0.4f, 0.4f);
    DrawImage(s.brick, 230, 220);
    DrawImage(s.panel, 20, 200);
    SetScale(1.0f, 1.0f);
    // Stretched one way only: no longer texel for pixel, so drawn filtered and whole.
    DrawImageRect(s.ringed, 250, 170, 160, 210);
    DrawImage(s.ball, 77, 160);
    DrawImage(s.crisp, 30, 220);
    DrawImage(s.panel, 288, 120);
    // Mask mode, as before the game's first SetBlend.
    SetBlend(BLEND_MASK);
    DrawImage(s.ball, 97, 160);
    DrawImage(s.background, 300, 20);
    SetBlend(BLEND_LIGHT);
    DrawImage(s.hollow, 200, 100);
    DrawImage(s.hollow, 160.5f, 100);
    DrawImage(s.ringed, 90, 150);
    SetBlend(BLEND_SHADE);
    DrawImage(s.hollow, 100, 140);
    DrawImage(s.ringed, 250, 60);
    SetBlend(BLEND_ALPHA);
    SetViewport(0, 0, 200, 120);
    DrawImage(s.background, 150, 110);
    SetViewport(0, 0, kWidth, kHeight);
    SetImageFont(s.font);
    SetColor(0, 0, 0);
    SetAlpha(0.8f);
    DrawText("Score: 123450", 162, 12);
    SetColor(255, 233, 146);
    SetAlpha(1.0f);
    DrawText("Score: 123450", 160, 10);
    // Between pixel rows, glyphs are filtered from their own textures.
    DrawText("Lives 3", 20, 30.5f);
    DrawRect(5, 5, 3, 3);
    DrawImage(s.ball, 40, 100);
}

}  // namespace

TEST_F(GLTest, ShortcutsDrawABusyFrameToTheVeryPixelsOfThePlainWay)
{
    RegisterEmbeddedFonts();
    TScene scene;
    scene.font = LoadImageFont("incbin::fonts/arial.ttf", 9, FONT_SMOOTH);
    ASSERT_TRUE(scene.font);
    auto driver = TGLDraw2DDriver::Instance();

    driver->SetFastPaths(false);
    DrawScene(scene);
    const std::vector<uint32_t> plain = ScreenPixels();
    Flip(0);

    driver->SetFastPaths(true);
    const int64_t nearest = driver->NearestQuads();
    const int64_t unblended = driver->UnblendedQuads();
    const int64_t holed = driver->HoledQuads();
    const int64_t cropped = driver->CroppedQuads();
    DrawScene(scene);
    const std::vector<uint32_t> quick = ScreenPixels();
    Flip(0);

    // The shortcuts were really taken.
    EXPECT_GT(driver->NearestQuads() - nearest, 5);
    EXPECT_GT(driver->UnblendedQuads() - unblended, 5);
    // The hollow and the ringed pictures twice each: the shading mode keeps them whole. Every
    // glyph of the text is cropped to its ink as well.
    EXPECT_EQ(driver->HoledQuads() - holed, 4);
    EXPECT_GT(driver->CroppedQuads() - cropped, 2 + 10);
    int32_t differing = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == quick[i]) continue;
        if (differing++ < 10)
            ADD_FAILURE() << "pixel (" << i % kWidth << ", " << i / kWidth << ") is " << std::hex << quick[i]
                          << ", drawn the plain way " << plain[i];
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(GLTest, NoFrameWaitsForTheRendererToBuildAProgram)
{
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer || !std::strstr(renderer, "llvmpipe")) GTEST_SKIP() << "programs counted on llvmpipe alone";
    // Opening the graphics built the programs.
    ASSERT_GT(RendererProgramBuilds.load(), 0);
    RegisterEmbeddedFonts();
    TScene scene;
    scene.font = LoadImageFont("incbin::fonts/arial.ttf", 9, FONT_SMOOTH);
    auto driver = TGLDraw2DDriver::Instance();
    const int64_t before = RendererProgramBuilds.load();
    // Both ways, and again once the pictures drawn smaller have their smaller levels.
    for (const bool fast : {false, true, false, true}) {
        driver->SetFastPaths(fast);
        DrawScene(scene);
        Flip(0);
    }
    EXPECT_EQ(RendererProgramBuilds.load() - before, 0);
}

TEST_F(GLTest, ShortcutsApplyOnlyWhereThePictureCannotChange)
{
    auto driver = TGLDraw2DDriver::Instance();
    struct Case {
        const char* what;
        TImagePtr image;
        float x, y;
        float alpha;
        int32_t blend;
        float rotation;
        bool nearest, unblended;
    };
    const TImagePtr even = Picture(40, 20, 1, TAlpha::Opaque, IMG_FILTERED);
    const TImagePtr odd = Picture(41, 21, 2, TAlpha::Opaque, IMG_FILTERED);
    const TImagePtr full = Picture(32, 32, 3, TAlpha::Opaque, IMG_FILTERED | IMG_MIPMAPPED);
    const TImagePtr round = Picture(40, 20, 4, TAlpha::Round, IMG_FILTERED);
    const Case cases[] = {
        {"opaque, whole pixels", even, 50, 50, 1.0f, BLEND_ALPHA, 0, true, true},
        {"opaque, half a pixel off", odd, 50, 50, 1.0f, BLEND_ALPHA, 0, false, false},
        {"opaque at a fraction", even, 50.5f, 50, 1.0f, BLEND_ALPHA, 0, false, false},
        {"filling its texture, turned", full, 50, 50, 1.0f, BLEND_ALPHA, 30, false, true},
        {"filling its texture, half alpha", full, 50, 50, 0.5f, BLEND_ALPHA, 0, true, false},
        {"opaque in mask mode", even, 50, 50, 1.0f, BLEND_MASK, 0, true, true},
        {"opaque, added light", even, 50, 50, 1.0f, BLEND_LIGHT, 0, true, false},
        {"cut out, whole pixels", round, 50, 50, 1.0f, BLEND_ALPHA, 0, true, false},
    };
    for (const Case& c : cases) {
        SetBlend(c.blend);
        SetAlpha(c.alpha);
        SetRotation(c.rotation);
        const int64_t nearest = driver->NearestQuads();
        const int64_t unblended = driver->UnblendedQuads();
        DrawImage(c.image, c.x, c.y);
        EXPECT_EQ(driver->NearestQuads() - nearest, c.nearest ? 1 : 0) << c.what;
        EXPECT_EQ(driver->UnblendedQuads() - unblended, c.unblended ? 1 : 0) << c.what;
    }
    SetRotation(0);
    SetAlpha(1.0f);
}

TEST_F(GLTest, GatheredQuadsAreDrawnBeforeEveryReadClearAndStateChange)
{
    const TImagePtr red = FilledImage(10, 10, 0xFFFF0000u);
    const TImagePtr green = FilledImage(10, 10, 0x80008000u);
    SetBlend(BLEND_ALPHA);
    // Same texture and state: gathered; the read sees both.
    DrawImage(red, 0, 0);
    DrawImage(red, 20, 0);
    EXPECT_TRUE(PixelIs(5, 5, {255, 0, 0}));
    EXPECT_TRUE(PixelIs(25, 5, {255, 0, 0}));
    // A clear lands after the quads drawn before it, not before.
    DrawImage(red, 40, 0);
    SetViewport(40, 0, 5, 10);
    Cls();
    SetViewport(0, 0, kWidth, kHeight);
    EXPECT_TRUE(PixelIs(42, 5, {0, 0, 0}));
    EXPECT_TRUE(PixelIs(47, 5, {255, 0, 0}));
    // Quads keep the colour they were given, and lines the colour of their time.
    SetColor(0, 0, 255);
    DrawImage(red, 60, 0);
    SetColor(255, 255, 255);
    DrawRect(80, 0, 10, 10);
    EXPECT_TRUE(PixelIs(65, 5, {0, 0, 0}));
    EXPECT_TRUE(PixelIs(85, 5, {255, 255, 255}));
    // Blended over what came before it in the same frame.
    DrawImage(red, 100, 0);
    DrawImage(green, 100, 0);
    EXPECT_TRUE(PixelIs(105, 5, {127, 64, 0}, 1));
}

TEST_F(GLTest, QuadsOfOneStateAreDrawnTogetherUnlessSomethingInBetweenTouchesThem)
{
    auto driver = TGLDraw2DDriver::Instance();
    const TImagePtr red = FilledImage(10, 10, 0xC0FF0000u);
    const TImagePtr green = FilledImage(10, 10, 0x8000FF00u);
    struct TDraw {
        const TImagePtr* image;
        float x;
        int32_t blend = BLEND_ALPHA;
        float rotation = 0.0f;
        int32_t rows = kHeight;  // of the view, from the top
    };
    struct Case {
        const char* what;
        std::vector<TDraw> draws;
        int64_t changes;  // blending, texturing and binds OpenGL is asked for
    };
    const Case cases[] = {
        {"apart: the second red joins the first", {{&red, 0}, {&green, 20}, {&red, 40}, {&green, 60}}, 2},
        {"each over the one before: none moves", {{&red, 0}, {&green, 5}, {&red, 10}, {&green, 15}}, 4},
        {"over its own kind only", {{&red, 0}, {&green, 40}, {&red, 5}, {&green, 45}}, 2},
        {"a green between the reds", {{&red, 0}, {&green, 40}, {&red, 80}, {&green, 8}, {&red, 16}}, 3},
        {"one column in common", {{&red, 0}, {&green, 9}, {&red, 18}}, 3},
        {"the same picture added as light", {{&red, 0}, {&red, 20, BLEND_LIGHT}, {&red, 40}}, 2},
        {"in a lower view", {{&red, 0, BLEND_ALPHA, 0.0f, 10}, {&red, 20}}, 1},
        {"turned, over the green by a corner", {{&red, 40.5f}, {&green, 8}, {&red, 20, BLEND_ALPHA, 45.0f}}, 6},
    };
    SetBlend(BLEND_ALPHA);
    for (const Case& c : cases) {
        std::vector<uint32_t> pictures[2];
        for (const bool fast : {false, true}) {
            driver->SetFastPaths(fast);
            // Texturing on and the blend set, so that only the binds of the case count.
            DrawImage(green, 300, 200);
            GrabPixmap(0, 0, 1, 1);
            Cls();
            const int64_t before = driver->StateChanges();
            for (const TDraw& d : c.draws) {
                SetBlend(d.blend);
                SetRotation(d.rotation);
                SetViewport(0, 0, kWidth, d.rows);
                DrawImage(*d.image, d.x + 5, 5);
            }
            SetBlend(BLEND_ALPHA);
            SetRotation(0.0f);
            SetViewport(0, 0, kWidth, kHeight);
            pictures[fast] = ScreenPixels();
            if (fast) {
                EXPECT_EQ(driver->StateChanges() - before, c.changes) << c.what;
            }
            Flip(0);
        }
        EXPECT_TRUE(pictures[0] == pictures[1]) << c.what;
    }
    driver->SetFastPaths(true);
}

namespace {

// Frame f of a little game: bricks go one by one, a ball flies (at fractions of a pixel at
// times), an alien turns, a light pulses, a pane slides inside a view, the score counts, and
// every odd frame is the even one before it again.
void DrawPlay(const TScene& s, int32_t f)
{
    const int32_t t = f / 2 * 2;
    DrawGround(s);
    DrawBricks(s, f / 4);
    DrawImage(s.ball, 30.0f + 7.5f * static_cast<float>(t), 200.0f - 3.0f * static_cast<float>(t));
    SetRotation(static_cast<float>(10 * t));
    DrawImage(s.alien, 250, static_cast<float>(60 + t));
    SetRotation(0.0f);
    SetBlend(BLEND_LIGHT);
    SetAlpha(static_cast<float>(t % 8) / 8.0f);
    DrawImage(s.explosion, 280, 200, t / 2 % 2);
    SetBlend(BLEND_ALPHA);
    SetAlpha(1.0f);
    SetViewport(0, 0, 200, 120);
    DrawImage(s.pane, static_cast<float>(150 - t), 110);
    SetViewport(0, 0, kWidth, kHeight);
    SetImageFont(s.font);
    DrawText("Score: " + std::to_string(25 * t), 160, 10);
    DrawRect(static_cast<float>(5 + t), 5, 3, 3);
}

}  // namespace

TEST_F(GLTest, FramesDrawnOnlyWhereTheyChangedAreTheFramesDrawnWhole)
{
    RegisterEmbeddedFonts();
    TScene scene;
    scene.font = LoadImageFont("incbin::fonts/arial.ttf", 9, FONT_SMOOTH);
    ASSERT_TRUE(scene.font);
    auto driver = TGLDraw2DDriver::Instance();
    constexpr int32_t kFrames = 24;

    // Each frame as presented: read after the flip, from what the surface holds.
    driver->SetFastPaths(false);
    std::vector<std::vector<uint32_t>> whole;
    for (int32_t f = 0; f < kFrames; ++f) {
        DrawPlay(scene, f);
        Flip(0);
        whole.push_back(ScreenPixels());
    }
    driver->SetFastPaths(true);
    const int64_t parts = driver->PartFrames();
    const int64_t pixels = driver->PartPixels();
    const int64_t saved = driver->PresentsSaved();
    for (int32_t f = 0; f < kFrames; ++f) {
        DrawPlay(scene, f);
        Flip(0);
        const std::vector<uint32_t> quick = ScreenPixels();
        int32_t differing = 0;
        for (size_t i = 0; i < quick.size(); ++i) {
            if (quick[i] == whole[f][i]) continue;
            if (differing++ < 5)
                ADD_FAILURE() << "frame " << f << ": pixel (" << i % kWidth << ", " << i / kWidth << ") is " << std::hex
                              << quick[i] << ", drawn whole " << whole[f][i];
        }
        EXPECT_EQ(differing, 0) << "frame " << f;
    }
    // All but the first were drawn in part, the repeated ones not at all and not presented.
    EXPECT_EQ(driver->PartFrames() - parts, kFrames - 1);
    EXPECT_EQ(driver->PresentsSaved() - saved, kFrames / 2);
    EXPECT_LT(driver->PartPixels() - pixels, int64_t{kFrames} * kWidth * kHeight / 4);
    EXPECT_GT(driver->PartPixels() - pixels, 0);
}

TEST_F(GLTest, ReadingPixelsMidFrameDrawsTheFrameWholeAndTheNextOnlyWhereItChanged)
{
    const TImagePtr red = FilledImage(10, 10, 0xFFFF0000u);
    auto driver = TGLDraw2DDriver::Instance();
    const auto frame = [&](float x, bool peek) {
        SetClsColor(0, 0, 60);
        Cls();
        SetBlend(BLEND_ALPHA);
        DrawImage(red, 100, 100);
        if (peek) {
            EXPECT_TRUE(PixelIs(105, 105, {255, 0, 0}));
        }
        DrawImage(red, x, 20);
        Flip(0);
    };
    frame(10, false);
    const int64_t wholeFrames = driver->WholeFrames();
    const int64_t parts = driver->PartFrames();
    frame(30, true);
    EXPECT_EQ(driver->WholeFrames() - wholeFrames, 1);
    frame(50, false);
    EXPECT_EQ(driver->PartFrames() - parts, 1);
    EXPECT_TRUE(PixelIs(55, 25, {255, 0, 0}));
    EXPECT_TRUE(PixelIs(35, 25, {0, 0, 60}));
    EXPECT_TRUE(PixelIs(105, 105, {255, 0, 0}));
    // A frame that starts without clearing everything depends on the last: drawn whole.
    SetViewport(0, 0, 200, 200);
    Cls();
    SetViewport(0, 0, kWidth, kHeight);
    DrawImage(red, 70, 20);
    Flip(0);
    EXPECT_EQ(driver->WholeFrames() - wholeFrames, 2);
    EXPECT_TRUE(PixelIs(75, 25, {255, 0, 0}));
    EXPECT_TRUE(PixelIs(55, 25, {0, 0, 60}));
}

namespace {

// The picture of frame drawn whole, and drawn only where it differs from before, which is drawn
// whole just ahead of it.
struct TBothWays {
    std::vector<uint32_t> whole, part;
    int64_t partFrames = 0;
};

TBothWays DrawBothWays(const std::function<void()>& before, const std::function<void()>& frame)
{
    auto driver = TGLDraw2DDriver::Instance();
    TBothWays drawn;
    driver->SetPartialFrames(false);
    frame();
    Flip(0);
    drawn.whole = ScreenPixels();
    before();
    Flip(0);
    driver->SetPartialFrames(true);
    const int64_t parts = driver->PartFrames();
    frame();
    Flip(0);
    drawn.part = ScreenPixels();
    drawn.partFrames = driver->PartFrames() - parts;
    return drawn;
}

// Pixels that differ between the two pictures, the first few named.
int32_t Differing(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want, const std::string& what)
{
    int32_t differing = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        if (got[i] == want[i]) continue;
        if (differing++ < 3)
            ADD_FAILURE() << what << ": pixel (" << i % kWidth << ", " << i / kWidth << ") is " << std::hex << got[i]
                          << ", drawn whole " << want[i];
    }
    return differing;
}

void ClearScreen()
{
    SetClsColor(0, 0, 60);
    Cls();
}

}  // namespace

TEST_F(GLTest, ACommandChangedInOneThingAloneIsDrawnAgainInPart)
{
    const TImagePtr one = Picture(40, 30, 1, TAlpha::Ramp, IMG_FILTERED);
    const TImagePtr other = Picture(40, 30, 2, TAlpha::Ramp, IMG_FILTERED);
    // What one frame draws: an image and a line, in a state of its own.
    struct TLook {
        TImagePtr image;
        int32_t blend = BLEND_ALPHA;
        int32_t green = 255;
        float alpha = 1.0f;
        // In units other than pixels a command is bounded by the view alone, so a projection or a line
        // width is all that tells two commands apart; the view leaves enough of the screen out that
        // they are drawn in part.
        int32_t viewWidth = 250;
        float lineWidth = 1.0f;
        float resolutionWidth = kWidth * 1.5f;
    };
    const auto draw = [](const TLook& look) {
        ClearScreen();
        SetViewport(0, 0, look.viewWidth, 180);
        SetVirtualResolution(look.resolutionWidth, kHeight);
        SetBlend(look.blend);
        SetColor(255, look.green, 255);
        SetAlpha(look.alpha);
        SetLineWidth(look.lineWidth);
        DrawImage(look.image, 100, 80);
        DrawLine(60, 150, 200, 170);
        SetVirtualResolution(kWidth, kHeight);
        SetViewport(0, 0, kWidth, kHeight);
        SetBlend(BLEND_ALPHA);
        SetColor(255, 255, 255);
        SetAlpha(1.0f);
        SetLineWidth(1.0f);
    };
    const TLook base{one};
    struct Case {
        const char* what;
        TLook look;
    };
    TLook image = base, blend = base, colour = base, alpha = base, scissor = base, line = base, projection = base;
    image.image = other;
    blend.blend = BLEND_LIGHT;
    colour.green = 90;
    alpha.alpha = 0.5f;
    scissor.viewWidth = 110;
    line.lineWidth = 3.0f;
    projection.resolutionWidth = kWidth * 2;
    const Case cases[] = {{"another image", image}, {"blend", blend},     {"colour", colour},        {"alpha", alpha},
                          {"scissor", scissor},     {"line width", line}, {"projection", projection}};
    TGLDraw2DDriver::Instance()->SetPartialFrames(false);
    draw(base);
    Flip(0);
    const std::vector<uint32_t> basePicture = ScreenPixels();
    for (const Case& c : cases) {
        const TBothWays drawn = DrawBothWays([&] { draw(base); }, [&] { draw(c.look); });
        EXPECT_EQ(drawn.partFrames, 1) << c.what;
        EXPECT_NE(drawn.whole, basePicture) << c.what;
        EXPECT_EQ(Differing(drawn.part, drawn.whole, c.what), 0) << c.what;
    }
}

TEST_F(GLTest, EveryPixelACommandChangesLiesWithinItsBounds)
{
    RegisterEmbeddedFonts();
    const TImageFontPtr font = LoadImageFont("incbin::fonts/arial.ttf", 9, FONT_SMOOTH);
    ASSERT_TRUE(font);
    const TImagePtr image = Picture(41, 27, 3, TAlpha::Opaque, IMG_FILTERED | IMG_MIPMAPPED);
    const TImagePtr crisp = Picture(20, 10, 4, TAlpha::Opaque, 0);
    // One command each, on the cleared screen; its pixels are drawn in part only within its bounds.
    struct Case {
        const char* what;
        std::function<void()> draw;
    };
    const Case cases[] = {
        {"image at a fraction", [&] { DrawImage(image, 100.3f, 80.7f); }},
        {"unfiltered at a fraction", [&] { DrawImage(crisp, 60.5f, 40.5f); }},
        {"scaled up",
         [&] {
             SetScale(2.3f, 1.7f);
             DrawImage(image, 150.6f, 120.2f);
         }},
        {"scaled down",
         [&] {
             SetScale(0.3f, 0.45f);
             DrawImage(image, 50.5f, 50.5f);
         }},
        {"turned",
         [&] {
             SetRotation(33.0f);
             DrawImage(image, 120.25f, 110.75f);
         }},
        {"rectangle at a fraction", [] { DrawRect(30.5f, 20.25f, 17.5f, 9.75f); }},
        {"line", [] { DrawLine(20.5f, 30.25f, 180.75f, 90.5f); }},
        {"steep line", [] { DrawLine(200.0f, 10.0f, 201.0f, 200.0f); }},
        {"wide line",
         [] {
             SetLineWidth(7.0f);
             DrawLine(40.0f, 200.0f, 280.0f, 196.0f);
         }},
        {"point", [] { Plot(77.0f, 66.0f); }},
        {"point at a fraction", [] { Plot(88.7f, 44.2f); }},
        {"oval", [] { DrawOval(200.5f, 100.5f, 60.0f, 35.0f); }},
        {"text",
         [&] {
             SetImageFont(font);
             DrawText("Score: 123450", 160.5f, 10.5f);
         }},
    };
    TGLDraw2DDriver::Instance()->SetPartialFrames(false);
    ClearScreen();
    Flip(0);
    const std::vector<uint32_t> cleared = ScreenPixels();
    for (const Case& c : cases) {
        const auto frame = [&] {
            ClearScreen();
            c.draw();
            SetScale(1.0f, 1.0f);
            SetRotation(0.0f);
            SetLineWidth(1.0f);
        };
        const TBothWays drawn = DrawBothWays(ClearScreen, frame);
        EXPECT_EQ(drawn.partFrames, 1) << c.what;
        EXPECT_NE(drawn.whole, cleared) << c.what;
        EXPECT_EQ(Differing(drawn.part, drawn.whole, c.what), 0) << c.what;
    }
}

TEST_F(GLTest, WhatAnOpaquePictureCoversIsLeftOutOfAFrameDrawnInPart)
{
    const TImagePtr under = Picture(60, 60, 1, TAlpha::Round, IMG_FILTERED);
    const TImagePtr even = Picture(160, 120, 2, TAlpha::Opaque, IMG_FILTERED | IMG_MIPMAPPED);
    // Filling its texture: opaque wherever it is sampled, so drawn unblended even between pixels.
    const TImagePtr full = Picture(128, 128, 3, TAlpha::Opaque, IMG_FILTERED | IMG_MIPMAPPED);
    const TImagePtr ball = Picture(16, 16, 4, TAlpha::Round, IMG_FILTERED);
    // A picture under the background, the background, and a ball over it that moves by a pixel.
    struct Case {
        const char* what;
        TImagePtr background;
        float x, scale, alpha;
        float ballX;
        bool hidden;
    };
    const Case cases[] = {
        {"inside the background", even, 160, 1.0f, 1.0f, 150, true},
        {"over its edge", even, 160, 1.0f, 1.0f, 80, false},
        {"inside a scaled one at half a pixel", full, 160.5f, 1.3f, 1.0f, 150, true},
        {"over the edge of a scaled one", full, 160, 1.3f, 1.0f, 77, false},
        {"inside a translucent one", even, 160, 1.0f, 0.5f, 150, false},
    };
    auto driver = TGLDraw2DDriver::Instance();
    for (const Case& c : cases) {
        const auto frame = [&](float step) {
            ClearScreen();
            SetBlend(BLEND_ALPHA);
            DrawImage(under, c.ballX, 120);
            SetScale(c.scale, c.scale);
            SetAlpha(c.alpha);
            DrawImage(c.background, c.x, 120);
            SetScale(1.0f, 1.0f);
            SetAlpha(1.0f);
            DrawImage(ball, c.ballX + step, 120);
        };
        const int64_t commands = driver->DrawnCommands();
        const TBothWays drawn = DrawBothWays([&] { frame(0); }, [&] { frame(1); });
        EXPECT_EQ(drawn.partFrames, 1) << c.what;
        // Two frames drawn whole, then the part: without the clear and the picture under the
        // background where it covers the part.
        EXPECT_EQ(driver->DrawnCommands() - commands, 4 + 4 + (c.hidden ? 2 : 4)) << c.what;
        EXPECT_EQ(Differing(drawn.part, drawn.whole, c.what), 0) << c.what;
    }
}

TEST_F(GLTest, AnUnchangedFrameIsPresentedAgainWhenPacedByTheVerticalBlank)
{
    auto driver = TGLDraw2DDriver::Instance();
    const TImagePtr red = FilledImage(10, 10, 0xFFFF0000u);
    const auto frame = [&] {
        ClearScreen();
        DrawImage(red, 50, 50);
    };
    frame();
    Flip(0);
    const int64_t saved = driver->PresentsSaved();
    // Asked to wait for the vertical blank, the present is what paces the frame.
    frame();
    Flip(1);
    EXPECT_EQ(driver->PresentsSaved(), saved);
    frame();
    Flip(0);
    EXPECT_EQ(driver->PresentsSaved(), saved + 1);
}

TEST_F(GLTest, LinesOfAnotherWidthOrInOtherUnitsAreNotDrawnTogether)
{
    auto driver = TGLDraw2DDriver::Instance();
    // Two lines apart and next to each other (without their last pixels), the second in a state of
    // its own: drawn in one begin-end, it would take the first one's width or units.
    struct Case {
        const char* what;
        void (*second)();
    };
    const Case cases[] = {
        {"line width",
         [] {
             SetLineWidth(5.0f);
             DrawLine(20, 100, 200, 100, false);
         }},
        {"units across",
         [] {
             SetVirtualResolution(kWidth * 2, kHeight);
             DrawLine(40, 200, 400, 200, false);
         }},
        {"units down",
         [] {
             SetVirtualResolution(kWidth, kHeight * 2);
             DrawLine(20, 300, 200, 300, false);
         }},
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> pictures[2];
        for (const bool fast : {false, true}) {
            driver->SetFastPaths(fast);
            ClearScreen();
            DrawLine(20, 20, 200, 20, false);
            c.second();
            SetLineWidth(1.0f);
            SetVirtualResolution(kWidth, kHeight);
            pictures[fast] = ScreenPixels();
            Flip(0);
        }
        EXPECT_EQ(Differing(pictures[1], pictures[0], c.what), 0) << c.what;
    }
    driver->SetFastPaths(true);
}

TEST_F(GLTest, AnImageDrawnThroughViewsShowsInEachViewWhatItShowsWhole)
{
    auto driver = TGLDraw2DDriver::Instance();
    const TImagePtr logo = Picture(120, 60, 11, TAlpha::Round, IMG_FILTERED | IMG_MIPMAPPED);
    struct TView {
        int32_t x, y, width, height;
    };
    struct Case {
        const char* what;
        float y;  // of the image's centre; x is 160
        // A cut quad's texture coordinates may round differently in the last bit between pixels.
        int32_t tolerance;
        std::vector<TView> views;
        float rotation = 0.0f, scaleX = 1.0f;
        int32_t unitsPerPixelAcross = 1;
    };
    // A column at a time as the intro's wave draws it, and views that cut the image on any side,
    // hold it whole or miss it.
    std::vector<TView> columns;
    for (int32_t x = 95; x < 225; ++x) columns.push_back({x, 0, 1, kHeight});
    const Case cases[] = {
        {"columns, on whole pixels", 120.0f, 0, columns},
        {"columns, between rows", 120.37f, 1, columns},
        {"cut on every side", 120.0f, 0, {{130, 100, 45, 33}, {200, 80, 1, 1}}},
        {"cut on every side, between pixels", 100.5f, 1, {{99, 70, 40, 22}, {150, 125, 20, 1}}},
        {"around it, and off it", 120.0f, 0, {{80, 70, 170, 110}, {0, 0, 50, 50}, {300, 200, 20, 20}}},
        {"turned", 120.0f, 0, {{130, 100, 45, 33}}, 30.0f},
        {"mirrored", 120.0f, 0, {{130, 100, 45, 33}, {200, 80, 3, 50}}, 0.0f, -1.0f},
        {"in other units", 120.0f, 0, {{130, 100, 45, 33}, {200, 80, 1, 50}}, 0.0f, 1.0f, 2},
    };
    SetBlend(BLEND_ALPHA);
    for (const Case& c : cases) {
        SetRotation(c.rotation);
        SetScale(c.scaleX, 1.0f);
        const int32_t units = c.unitsPerPixelAcross;
        SetVirtualResolution(static_cast<float>(kWidth * units), kHeight);
        ClearScreen();
        DrawImage(logo, static_cast<float>(160 * units), c.y);
        const std::vector<uint32_t> whole = ScreenPixels();
        Flip(0);
        std::vector<uint32_t> pictures[2];
        for (const bool fast : {false, true}) {
            driver->SetFastPaths(fast);
            ClearScreen();
            for (const TView& v : c.views) {
                SetViewport(v.x * units, v.y, v.width * units, v.height);
                DrawImage(logo, static_cast<float>(160 * units), c.y);
            }
            SetViewport(0, 0, kWidth * units, kHeight);
            pictures[fast] = ScreenPixels();
            Flip(0);
        }
        SetRotation(0.0f);
        SetScale(1.0f, 1.0f);
        SetVirtualResolution(kWidth, kHeight);
        EXPECT_TRUE(pictures[0] == pictures[1]) << c.what;
        ClearScreen();
        const uint32_t cleared = ScreenPixels()[0];
        int32_t wrong = 0;
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                const bool seen = std::any_of(c.views.begin(), c.views.end(), [&](const TView& v) {
                    return x >= v.x && x < v.x + v.width && y >= v.y && y < v.y + v.height;
                });
                const uint32_t got = pictures[1][y * kWidth + x], want = seen ? whole[y * kWidth + x] : cleared;
                for (int32_t shift = 0; shift < 24; shift += 8)
                    if (std::abs(static_cast<int32_t>(got >> shift & 255) - static_cast<int32_t>(want >> shift & 255)) >
                        c.tolerance)
                        ++wrong;
            }
        EXPECT_EQ(wrong, 0) << c.what;
        Flip(0);
    }
    driver->SetFastPaths(true);
}

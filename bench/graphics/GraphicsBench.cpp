// A busy play frame (background, borders, side panel, 150 bricks with shadows, 3 balls, 4 lines
// of text), drawn 1000 times: median and 99th percentile milliseconds per frame.
#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Recording.h"
#include "framework/platform/Platform.h"
#include "framework/system/Clock.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 1000;

// Images of the game's sizes with some structure in them, made without the asset generator.
TImagePtr Synthetic(int32_t width, int32_t height, uint32_t seed, bool round = false)
{
    auto pixmap = TPixmap::Create(width, height, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t v = (static_cast<uint32_t>(x) * 2654435761u) ^ (static_cast<uint32_t>(y) * 40503u) ^ seed;
            uint32_t alpha = 0xFF;
            if (round) {
                const int32_t dx = 2 * x - width + 1;
                const int32_t dy = 2 * y - height + 1;
                alpha = dx * dx + dy * dy <= width * width ? 0xFF : 0;
            }
            pixmap->WritePixel(x, y, alpha << 24 | (v & 0xFFFFFF));
        }
    }
    SetAutoMidHandle(true);
    auto image = TImage::Load(pixmap, IMG_FILTERED | IMG_MIPMAPPED, 0, 0, 0);
    MidHandleImage(image);
    return image;
}

struct TScene {
    TImagePtr background = Synthetic(1024, 768, 1);
    TImagePtr left = Synthetic(32, 768, 2);
    TImagePtr right = Synthetic(32, 768, 3);
    TImagePtr top = Synthetic(704, 32, 4);
    TImagePtr panel = Synthetic(256, 768, 5);
    TImagePtr brick = Synthetic(60, 25, 6);
    TImagePtr shadow = Synthetic(60, 25, 7);
    TImagePtr ball = Synthetic(16, 16, 8, true);
    TImageFontPtr large;
    TImageFontPtr small;
};

void DrawFrame(const TScene& s, int32_t frame)
{
    Cls();
    SetBlend(BLEND_ALPHA);
    SetColor(255, 255, 255);
    SetAlpha(1.0f);
    DrawImage(s.background, 512, 384);
    for (int32_t i = 0; i < 150; ++i) {
        const float x = 66.0f + 64.0f * static_cast<float>(i % 11);
        const float y = 48.0f + 29.0f * static_cast<float>(i / 11);
        SetColor(0, 0, 0);
        SetAlpha(0.5f);
        DrawImage(s.shadow, x + 4, y + 4);
        SetColor(255, 255, 255);
        SetAlpha(1.0f);
        DrawImage(s.brick, x, y);
    }
    for (int32_t b = 0; b < 3; ++b) {
        DrawImage(s.ball, static_cast<float>(100 + (frame * 3 + b * 150) % 600), static_cast<float>(500 - b * 40));
    }
    DrawImage(s.left, 16, 384);
    DrawImage(s.right, 752, 384);
    DrawImage(s.top, 384, 16);
    DrawImage(s.panel, 896, 384);
    SetImageFont(s.large);
    DrawText("Score", 800, 60);
    DrawText(std::to_string(123450 + frame), 800, 110);
    SetImageFont(s.small);
    DrawText("Level 15", 800, 200);
    DrawText("Lives left: 3", 800, 220);
}

void RunFrames(benchmark::State& state, bool headless)
{
    SetClock(std::make_shared<TVirtualClock>());
    RegisterEmbeddedFonts();
    auto driver = std::make_shared<TRecordingDriver>();
    TGraphicsPtr graphics;
    if (headless) {
        SetGLContextProvider(CreateSdlGLContextProvider(true));
        graphics = OpenGraphics(1024, 768, 0, 60, 0);
    } else {
        graphics = OpenRecordingGraphics(1024, 768, driver);
    }
    if (!graphics) {
        state.SkipWithError("cannot open graphics");
        return;
    }
    TScene scene;
    scene.large = LoadImageFont("incbin::armorpiercing/ap.ttf", 42, FONT_SMOOTH);
    scene.small = LoadImageFont("incbin::fonts/arial.ttf", 9, FONT_SMOOTH);
    // One frame first, so textures and glyphs are made outside the measurement.
    DrawFrame(scene, 0);
    Flip(0);
    std::vector<double> ms;
    for (auto _ : state) {
        ms.clear();
        for (int32_t frame = 1; frame <= kFrames; ++frame) {
            const auto start = std::chrono::steady_clock::now();
            DrawFrame(scene, frame);
            // OpenGL draws lazily; reading one pixel waits until the frame is really drawn.
            if (headless) benchmark::DoNotOptimize(GrabPixmap(0, 0, 1, 1));
            Flip(0);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
    state.counters["max_ms"] = ms.back();
    EndGraphics();
    SetGLContextProvider(nullptr);
}

void BM_PlayFrameHeadlessGL(benchmark::State& state) { RunFrames(state, true); }

void BM_PlayFrameRecording(benchmark::State& state) { RunFrames(state, false); }

BENCHMARK(BM_PlayFrameHeadlessGL)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayFrameRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The intro's heaviest frames, headless through OpenGL and through the recording back-end, median
// and 99th percentile, and the OpenGL state changes per frame: the starfield at its fullest (the
// first 400 frames of the stage, every title in flight and the nearest growing from its own size
// to a hundred times it) and the sine-wave logo.
#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/GLDriver.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Recording.h"
#include "framework/platform/Platform.h"
#include "framework/system/Clock.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/Intro.h"

#include "bench/FrameTiming.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

// Until the first title reaches the viewer, titles leave only by the edge, a few frames early.
constexpr int32_t kFullFrames = 400;
constexpr int32_t kRounds = 5;

// Opens graphics (headless OpenGL or the recording driver) with the game's pictures and fonts.
bool OpenScene(benchmark::State& state, bool headless)
{
    SetClock(std::make_shared<TVirtualClock>());
    RegisterEmbeddedFonts();
    TGraphicsPtr graphics;
    if (headless) {
        SetGLContextProvider(CreateSdlGLContextProvider(true));
        graphics = OpenGraphics(1024, 768, 0, 60, 0);
    } else {
        graphics = OpenRecordingGraphics(1024, 768, std::make_shared<TRecordingDriver>());
    }
    if (!graphics) {
        state.SkipWithError("cannot open graphics");
        return false;
    }
    std::error_code error;
    std::filesystem::current_path(KRELLIX_DATA_DIR, error);
    if (error) std::fprintf(stderr, "bench_intro: no data folder %s; drawing without pictures\n", KRELLIX_DATA_DIR);
    SetAutoMidHandle(true);
    GameGraphics::LoadFonts();
    GameGraphics::LoadImages();
    SetImageFont(LargeFont);
    SetBlend(BLEND_ALPHA);
    return true;
}

void CloseScene()
{
    StarList = std::make_shared<TList<TStar>>();
    LargeFont = nullptr;
    SmallFont = nullptr;
    EndGraphics();
    SetGLContextProvider(nullptr);
}

// Times each frame as an intro stage draws it: Cls, the stage's drawing, the hint, Flip.
template <typename TDraw>
void TimeFrames(std::vector<double>& ms, std::vector<double>& cpu, bool headless, int32_t count, TDraw draw)
{
    for (int32_t frame = 0; frame < count; ++frame) {
        const auto start = TStopwatch::now();
        const double startCpu = ProcessorMs();
        Cls();
        draw(frame);
        Intro::DrawInstructions();
        // OpenGL draws lazily; reading one pixel waits until the frame is really drawn.
        if (headless) benchmark::DoNotOptimize(GrabPixmap(0, 0, 1, 1));
        Flip(0);
        ms.push_back(Since(start));
        cpu.push_back(ProcessorMs() - startCpu);
    }
}

// Frame times, wall and processor, and headless the OpenGL state changes per frame since changes
// were counted.
void Report(benchmark::State& state, const std::vector<double>& ms, const std::vector<double>& cpu, bool headless,
            int64_t changes)
{
    state.counters["median_ms"] = Percentile(ms, 50);
    state.counters["p99_ms"] = Percentile(ms, 99);
    state.counters["max_ms"] = Percentile(ms, 100);
    state.counters["cpu_median_ms"] = Percentile(cpu, 50);
    state.counters["cpu_p99_ms"] = Percentile(cpu, 99);
    if (headless)
        state.counters["state_changes"] =
            static_cast<double>(TGLDraw2DDriver::Instance()->StateChanges() - changes) / static_cast<double>(ms.size());
}

void RunStarfield(benchmark::State& state, bool headless)
{
    if (!OpenScene(state, headless)) return;
    std::vector<double> ms, cpu;
    const int64_t changes = TGLDraw2DDriver::Instance()->StateChanges();
    int32_t fewest = TStar::TitleCount;
    for (auto _ : state) {
        for (int32_t round = 0; round < kRounds; ++round) {
            StarList = std::make_shared<TList<TStar>>();
            TStar::Create();
            TimeFrames(ms, cpu, headless, kFullFrames, [&](int32_t) {
                TStar::MoveStars();
                fewest = std::min(fewest, StarList->Count());
            });
        }
    }
    Report(state, ms, cpu, headless, changes);
    state.counters["fewest_titles"] = fewest;
    CloseScene();
}

// The first stage's sine-wave logo, 601 one-pixel columns, with its caption at three times the size.
void RunSineLogo(benchmark::State& state, bool headless)
{
    if (!OpenScene(state, headless)) return;
    std::vector<double> ms, cpu;
    const int64_t changes = TGLDraw2DDriver::Instance()->StateChanges();
    for (auto _ : state) {
        TimeFrames(ms, cpu, headless, 600, [](int32_t) {
            Intro::SinusLogo(384);
            SetScale(3.0f, 3.0f);
            DrawText("It only took 15 years!!!", 100, 320);
            SetScale(1.0f, 1.0f);
        });
    }
    Report(state, ms, cpu, headless, changes);
    CloseScene();
}

void BM_StarfieldHeadlessGL(benchmark::State& state) { RunStarfield(state, true); }
void BM_StarfieldRecording(benchmark::State& state) { RunStarfield(state, false); }
void BM_SineLogoHeadlessGL(benchmark::State& state) { RunSineLogo(state, true); }
void BM_SineLogoRecording(benchmark::State& state) { RunSineLogo(state, false); }

BENCHMARK(BM_StarfieldHeadlessGL)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StarfieldRecording)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SineLogoHeadlessGL)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SineLogoRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

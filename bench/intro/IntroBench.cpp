// The intro's starfield at its fullest: all 38 titles in flight, the nearest growing from its own
// size to a hundred times it (the first 400 frames of the stage), each frame as the intro draws it.
// Headless through OpenGL and through the recording back-end: median and 99th percentile.
#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Recording.h"
#include "framework/platform/Platform.h"
#include "framework/system/Clock.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/Intro.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

// Until the first title has flown past the viewer, every title is still in the list.
constexpr int32_t kFullFrames = 400;
constexpr int32_t kRounds = 5;

double Percentile(std::vector<double> ms, int32_t percent)
{
    std::sort(ms.begin(), ms.end());
    return ms[std::min(ms.size() - 1, ms.size() * static_cast<size_t>(percent) / 100)];
}

void RunStarfield(benchmark::State& state, bool headless)
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
    GameGraphics::LoadFonts();
    SetImageFont(LargeFont);
    SetBlend(BLEND_ALPHA);
    StarList = std::make_shared<TList<TStar>>();
    std::vector<double> ms;
    int32_t fewest = TStar::TitleCount;
    for (auto _ : state) {
        for (int32_t round = 0; round < kRounds; ++round) {
            StarList = std::make_shared<TList<TStar>>();
            TStar::Create();
            for (int32_t frame = 0; frame < kFullFrames; ++frame) {
                const auto start = std::chrono::steady_clock::now();
                Cls();
                TStar::MoveStars();
                Intro::DrawInstructions();
                // OpenGL draws lazily; reading one pixel waits until the frame is really drawn.
                if (headless) benchmark::DoNotOptimize(GrabPixmap(0, 0, 1, 1));
                Flip(0);
                ms.push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
                fewest = std::min(fewest, StarList->Count());
            }
        }
    }
    state.counters["median_ms"] = Percentile(ms, 50);
    state.counters["p99_ms"] = Percentile(ms, 99);
    state.counters["max_ms"] = Percentile(ms, 100);
    state.counters["fewest_titles"] = fewest;
    StarList = std::make_shared<TList<TStar>>();
    LargeFont = nullptr;
    SmallFont = nullptr;
    EndGraphics();
    SetGLContextProvider(nullptr);
}

void BM_StarfieldHeadlessGL(benchmark::State& state)
{
    RunStarfield(state, true);
}
void BM_StarfieldRecording(benchmark::State& state)
{
    RunStarfield(state, false);
}

BENCHMARK(BM_StarfieldHeadlessGL)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StarfieldRecording)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

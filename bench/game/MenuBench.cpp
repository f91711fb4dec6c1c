// One frame of the main menu (backdrop, entries, pulsing highlight) and one of the credits
// (backdrop, the blinking picture, the moving lines), 3000 frames each: drawn through the
// recording back-end, and whole frames drawn headless through OpenGL; median and 99th percentile.
#include "fonts/EmbeddedFonts.h"
#include "framework/audio/Audio.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Recording.h"
#include "framework/platform/Platform.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/THighScorceEntry.h"
#include "game/TMainMenu.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr int32_t kFrames = 3000;

// Fonts and pictures are loaded by each graphics context that draws them, from the generated data
// when the build made it.
void LoadAssets()
{
    static bool prepared = false;
    if (!prepared) {
        prepared = true;
        SetClock(std::make_shared<TVirtualClock>());
        SetAudioDriver("Null");
        RegisterEmbeddedFonts();
        std::error_code error;
        std::filesystem::current_path(KRELLIX_DATA_DIR, error);
        if (error) std::fprintf(stderr, "bench_menu: no data folder %s; drawing without pictures\n", KRELLIX_DATA_DIR);
        SetAutoMidHandle(true);
        THighScorceEntry::FormatTopScore();
    }
    GameGraphics::LoadFonts();
    GameGraphics::LoadImages();
}

double Percentile(std::vector<double> ms, int32_t percent)
{
    std::sort(ms.begin(), ms.end());
    return ms[std::min(ms.size() - 1, ms.size() * static_cast<size_t>(percent) / 100)];
}

using TStopwatch = std::chrono::steady_clock;
double Since(TStopwatch::time_point start)
{
    return std::chrono::duration<double, std::milli>(TStopwatch::now() - start).count();
}

// The menu in its hold phase with the highlight moving now and then, so the pulse restarts.
void MenuFrame(TMainMenu& menu, int32_t frame)
{
    if (frame % 97 == 0) {
        menu.SelectionQuarantin = 0;
        menu.ChooseMenuEntry(frame % 2 ? 1 : -1);
    }
    SetColor(255, 255, 255);
    menu.DrawEnvironment(255, 0);
    menu.DrawMenuEntries(255);
}

// The credits in their hold phase; the lines come in again every 400 frames.
void CreditsFrame(TMainMenu& menu, int32_t frame)
{
    if (frame % 400 == 0) {
        menu.codeByText = menu.varnText = menu.gfxbyText = menu.tibbeText = menu.voicesText = menu.seylaText = 900.0f;
        menu.creditsCounter = 0;
    }
    menu.DrawCreditsEnvironment(255);
    menu.DrawCredits();
}

using TFrameDrawer = std::function<void(TMainMenu&, int32_t)>;

void RunRecorded(benchmark::State& state, const TFrameDrawer& draw)
{
    auto driver = std::make_shared<TRecordingDriver>();
    TGraphicsPtr graphics = OpenRecordingGraphics(1024, 768, driver);
    LoadAssets();
    SetEventSource(nullptr);
    const TMainMenuPtr menu = TMainMenu::Create();
    std::vector<double> ms;
    for (auto _ : state) {
        for (int32_t frame = 0; frame < kFrames; ++frame) {
            const auto start = TStopwatch::now();
            Cls();
            draw(*menu, frame);
            ms.push_back(Since(start));
            state.counters["records"] = static_cast<double>(driver->records.size());
            driver->records.clear();
        }
    }
    state.counters["rec_median_ms"] = Percentile(ms, 50);
    state.counters["rec_p99_ms"] = Percentile(ms, 99);
    EndGraphics();
}

void RunHeadless(benchmark::State& state, const TFrameDrawer& draw)
{
    SetGLContextProvider(CreateSdlGLContextProvider(true));
    TGraphicsPtr graphics = OpenGraphics(1024, 768, 0, 60, 0);
    if (!graphics) {
        state.SkipWithError("cannot open headless graphics");
        return;
    }
    LoadAssets();
    SetEventSource(nullptr);
    const TMainMenuPtr menu = TMainMenu::Create();
    std::vector<double> ms;
    for (auto _ : state) {
        for (int32_t frame = 0; frame < kFrames; ++frame) {
            const auto start = TStopwatch::now();
            Cls();
            draw(*menu, frame);
            // OpenGL draws lazily; reading one pixel waits until the frame is really drawn.
            benchmark::DoNotOptimize(GrabPixmap(0, 0, 1, 1));
            Flip(0);
            ms.push_back(Since(start));
        }
    }
    state.counters["frame_median_ms"] = Percentile(ms, 50);
    state.counters["frame_p99_ms"] = Percentile(ms, 99);
    EndGraphics();
    SetGLContextProvider(nullptr);
}

void BM_MenuRecorded(benchmark::State& state) { RunRecorded(state, MenuFrame); }
void BM_CreditsRecorded(benchmark::State& state) { RunRecorded(state, CreditsFrame); }
void BM_MenuHeadlessFrame(benchmark::State& state) { RunHeadless(state, MenuFrame); }
void BM_CreditsHeadlessFrame(benchmark::State& state) { RunHeadless(state, CreditsFrame); }

BENCHMARK(BM_MenuRecorded)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreditsRecorded)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MenuHeadlessFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreditsHeadlessFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// One frame of the main menu (backdrop, entries, pulsing highlight) and one of the credits
// (backdrop, the blinking picture, the moving lines), 3000 frames each: drawn through the
// recording back-end, and whole frames drawn headless through OpenGL; median and 99th percentile,
// and the OpenGL state changes per frame.
#include "fonts/EmbeddedFonts.h"
#include "framework/audio/Audio.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/GLDriver.h"
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

#include "bench/FrameTiming.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
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

// Draws kFrames frames through the recording driver or headless OpenGL and reports their times.
void RunFrames(benchmark::State& state, const TFrameDrawer& draw, bool headless)
{
    std::shared_ptr<TRecordingDriver> driver;
    TGraphicsPtr graphics;
    if (headless) {
        SetGLContextProvider(CreateSdlGLContextProvider(true));
        graphics = OpenGraphics(1024, 768, 0, 60, 0);
    } else {
        driver = std::make_shared<TRecordingDriver>();
        graphics = OpenRecordingGraphics(1024, 768, driver);
    }
    if (!graphics) {
        state.SkipWithError("cannot open graphics");
        SetGLContextProvider(nullptr);
        return;
    }
    LoadAssets();
    SetEventSource(nullptr);
    const TMainMenuPtr menu = TMainMenu::Create();
    std::vector<double> ms;
    const int64_t changes = TGLDraw2DDriver::Instance()->StateChanges();
    for (auto _ : state) {
        for (int32_t frame = 0; frame < kFrames; ++frame) {
            const auto start = TStopwatch::now();
            Cls();
            draw(*menu, frame);
            if (headless) {
                // OpenGL draws lazily; reading one pixel waits until the frame is really drawn.
                benchmark::DoNotOptimize(GrabPixmap(0, 0, 1, 1));
                Flip(0);
            }
            ms.push_back(Since(start));
            if (driver) {
                state.counters["records"] = static_cast<double>(driver->records.size());
                driver->records.clear();
            }
        }
    }
    const std::string prefix = headless ? "frame" : "rec";
    state.counters[prefix + "_median_ms"] = Percentile(ms, 50);
    state.counters[prefix + "_p99_ms"] = Percentile(ms, 99);
    // Textures bound, texturing and blending switched: each ends a run of quads drawn together.
    if (headless)
        state.counters["state_changes"] =
            static_cast<double>(TGLDraw2DDriver::Instance()->StateChanges() - changes) / kFrames;
    EndGraphics();
    SetGLContextProvider(nullptr);
}

void BM_MenuRecorded(benchmark::State& state) { RunFrames(state, MenuFrame, false); }
void BM_CreditsRecorded(benchmark::State& state) { RunFrames(state, CreditsFrame, false); }
void BM_MenuHeadlessFrame(benchmark::State& state) { RunFrames(state, MenuFrame, true); }
void BM_CreditsHeadlessFrame(benchmark::State& state) { RunFrames(state, CreditsFrame, true); }

BENCHMARK(BM_MenuRecorded)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreditsRecorded)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MenuHeadlessFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreditsHeadlessFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The busiest play screens: level 15 (124 bricks, three balls, aliens about) and the boss level
// while the boss explodes. Game logic per frame with drawing through the recording back-end, and
// whole frames drawn headless through OpenGL as the game presents them: wall time per frame
// (median, 99th percentile), processor time per frame of all threads and of the game's own, with
// the OpenGL shortcuts on and off; the same for the frames of a level's fade in. Then the memory
// the game holds through start-up, every level and the boss explosion.
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
#include "framework/system/Memory.h"
#include "framework/system/Random.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/LevelData.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBrick.h"
#include "game/TLevel.h"
#include "game/TZogShoot.h"

#include "bench/FrameTiming.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr int32_t kFrames = 3000;
constexpr int32_t kHeadlessFrames = 1500;

std::shared_ptr<TVirtualClock> Clock()
{
    static auto clock = std::make_shared<TVirtualClock>();
    return clock;
}

// Pictures and sounds are decoded once, from the generated data when the build made it, as a run that
// opens with level 1 has them: the intro's and the menu's pictures, never drawn here, are only
// opened. The sounds go to the silent driver unless the device's own is asked for, as the game in a
// window has it.
void LoadAssetsOnce(bool deviceAudio = false)
{
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    SetClock(Clock());
    if (!deviceAudio) SetAudioDriver("Null");
    RegisterEmbeddedFonts();
    std::error_code error;
    std::filesystem::current_path(KRELLIX_DATA_DIR, error);
    if (error) std::fprintf(stderr, "bench_game: no data folder %s; drawing without pictures\n", KRELLIX_DATA_DIR);
    SetAutoMidHandle(true);
    GameGraphics::LoadFonts();
    GameGraphics::StartLoading(1);
    GameGraphics::LoadImages();
    GameSounds::StartLoading(LevelSettings[0].musicId);
    GameSounds::LoadSounds();
    MusicChannel = AllocChannel();
}

// A play scene that stays busy: it is rebuilt (outside the measurement) when it thins out.
class TScene {
public:
    virtual ~TScene() = default;
    virtual void Build() = 0;
    virtual bool Spent() const = 0;
    TLevelPtr level;

    // Keeps the paddle under the first ball, as a good player would.
    void Steer() const
    {
        if (const auto ball = BallList->First()) HandleInputEvent({EVENT_MOUSEMOVE, 0, 0, ball->positionX, 700});
    }
};

// Level 15 with three balls in play and aliens roaming.
class TLevel15 : public TScene {
public:
    void Build() override
    {
        SeedRandom(15);
        level = TLevel::Create(15);
        level->InitalizeLevel();
        // Past second 45, so aliens come at once.
        level->StartSeconds -= 50;
        GameMode = GameCommon::GameMode_GamePlaying;
        TBall::StartMoves();
        TBall::CreateMultiball();
    }
    bool Spent() const override
    {
        return BallList->Count() < 3 || BricksLeft < 110 || GameMode != GameCommon::GameMode_GamePlaying;
    }
};

// The boss level from the moment the boss is destroyed: its 200-frame explosion, shots falling.
class TBossExplosion : public TScene {
public:
    void Build() override
    {
        SeedRandom(33);
        level = TLevel::Create(33);
        level->InitalizeLevel();
        GameMode = GameCommon::GameMode_GamePlaying;
        TBall::StartMoves();
        for (int32_t i = 0; i < 4; ++i) TZogShoot::Create();
        const auto boss = BrickList->First();
        for (int32_t hit = 0; hit < 16; ++hit) boss->RemoveBrick(NormalBlockSound, MultiHitBlockSound, 1);
        // The strip's first rows decode once play begins; here the explosion starts at once and
        // waits for them.
        if (ZogExplosionImage) ZogExplosionImage->Pixmap(0);
    }
    bool Spent() const override
    {
        return ExplosionList->IsEmpty() || BallList->IsEmpty() || GameMode != GameCommon::GameMode_GamePlaying;
    }
};

// Logic alone (input, steering, collisions, updates) and the drawing through the recording driver.
void RunLogic(benchmark::State& state, TScene& scene)
{
    LoadAssetsOnce();
    auto driver = std::make_shared<TRecordingDriver>();
    TGraphicsPtr graphics = OpenRecordingGraphics(1024, 768, driver);
    SetEventSource(nullptr);
    std::vector<double> logic, drawing;
    int32_t rebuilds = 0;
    for (auto _ : state) {
        scene.Build();
        for (int32_t frame = 0; frame < kFrames; ++frame) {
            if (scene.Spent()) {
                state.PauseTiming();
                scene.Build();
                ++rebuilds;
                state.ResumeTiming();
            }
            scene.Steer();
            auto start = TStopwatch::now();
            scene.level->PlayFrame();
            logic.push_back(Since(start));
            start = TStopwatch::now();
            Cls();
            scene.level->DrawPlayFrame();
            drawing.push_back(Since(start));
            driver->records.clear();
            Clock()->Advance(frame % 3 == 0 ? 16 : 17);
        }
    }
    state.counters["logic_median_ms"] = Percentile(logic, 50);
    state.counters["logic_p99_ms"] = Percentile(logic, 99);
    state.counters["draw_rec_median_ms"] = Percentile(drawing, 50);
    state.counters["draw_rec_p99_ms"] = Percentile(drawing, 99);
    state.counters["rebuilds"] = rebuilds;
    EndGraphics();
}

// Processor time in milliseconds: of the whole process, or of the calling thread alone.
double CpuMs(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Wall and processor time of frames, reported as a benchmark's counters.
class TFrameTimes {
public:
    // Times one frame: what draw does, up to and including its present.
    template <typename TDraw>
    void Measure(TDraw&& draw)
    {
        const auto start = TStopwatch::now();
        const double cpuStart = CpuMs(RUSAGE_SELF);
        const double mainStart = CpuMs(RUSAGE_THREAD);
        draw();
        _wall.push_back(Since(start));
        _cpu += CpuMs(RUSAGE_SELF) - cpuStart;
        _mainCpu += CpuMs(RUSAGE_THREAD) - mainStart;
    }
    void Report(benchmark::State& state)
    {
        state.counters["frame_median_ms"] = Percentile(_wall, 50);
        state.counters["frame_p99_ms"] = Percentile(_wall, 99);
        state.counters["cpu_ms"] = _cpu / static_cast<double>(_wall.size());
        state.counters["main_cpu_ms"] = _mainCpu / static_cast<double>(_wall.size());
    }

private:
    std::vector<double> _wall;
    double _cpu = 0;
    double _mainCpu = 0;
};

// The game's assets and headless OpenGL graphics, or null with the bench marked skipped.
TGraphicsPtr OpenHeadlessGraphics(benchmark::State& state)
{
    LoadAssetsOnce();
    SetGLContextProvider(CreateSdlGLContextProvider(true));
    TGraphicsPtr graphics = OpenGraphics(1024, 768, 0, 60, 0);
    if (!graphics) state.SkipWithError("cannot open headless graphics");
    return graphics;
}

// Whole frames as the game presents them, drawn by OpenGL on the headless surface. OpenGL draws a
// frame while the game computes the next; a present waits for the frame before it. So a frame's
// wall time runs from one present to the next, and the processor time of the renderer's threads
// is counted in the frames during which it is spent.
void RunHeadless(benchmark::State& state, TScene& scene)
{
    TGraphicsPtr graphics = OpenHeadlessGraphics(state);
    if (!graphics) return;
    // 2: every shortcut; 1: every shortcut but each frame drawn whole, as after a fade or a new
    // level; 0: the plain way.
    TGLDraw2DDriver::Instance()->SetFastPaths(state.range(0) != 0);
    TGLDraw2DDriver::Instance()->SetPartialFrames(state.range(0) == 2);
    SetEventSource(nullptr);
    TFrameTimes times;
    int32_t rebuilds = 0;
    for (auto _ : state) {
        scene.Build();
        for (int32_t frame = 0; frame < kHeadlessFrames; ++frame) {
            if (scene.Spent()) {
                state.PauseTiming();
                Flip(0);
                scene.Build();
                ++rebuilds;
                state.ResumeTiming();
            }
            scene.Steer();
            times.Measure([&] {
                Cls();
                scene.level->PlayFrame();
                scene.level->DrawPlayFrame();
                Flip(0);
            });
            Clock()->Advance(frame % 3 == 0 ? 16 : 17);
        }
    }
    times.Report(state);
    state.counters["rebuilds"] = rebuilds;
    TGLDraw2DDriver::Instance()->SetFastPaths(true);
    TGLDraw2DDriver::Instance()->SetPartialFrames(true);
    EndGraphics();
    SetGLContextProvider(nullptr);
}

// Level 15's fade in, brightness 0 to 252, drawn headless again and again as the game draws it:
// every frame changes the field's colours, so each is drawn whole.
void BM_Level15FadeFrame(benchmark::State& state)
{
    TGraphicsPtr graphics = OpenHeadlessGraphics(state);
    if (!graphics) return;
    SetEventSource(nullptr);
    TLevel15 scene;
    scene.Build();
    GameMode = GameCommon::GameMode_LevelStart;
    TFrameTimes times;
    for (auto _ : state) {
        for (int32_t round = 0; round < 12; ++round) {
            for (int32_t b = 0; b < 256; b += 4) {
                // As the game's fade draws it, but presented at once.
                times.Measure([&] {
                    Cls();
                    scene.level->DrawNoPlayEnvironment(b, 0);
                    Flip(0);
                });
            }
        }
    }
    times.Report(state);
    scene.level = nullptr;
    EndGraphics();
    SetGLContextProvider(nullptr);
}

double PeakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The process's peak memory as a game goes: start-up (fonts, every picture and sound), then each of
// levels 1 to 32 built and played for a while, then the boss level until its explosion is over.
// Argument 0: headless with the silent audio driver; 1: in a 1024x768 window with the sound
// device's driver, as the game plays (needs a display). Run one alone
// (--benchmark_filter=Memory.*/0), as the peak counts the whole process.
void BM_MemoryThroughTheGame(benchmark::State& state)
{
    const bool window = state.range(0) == 1;
    // The allocator tuned as the game tunes it before anything else.
    KeepFreedMemoryForReuse();
    SetGLContextProvider(CreateSdlGLContextProvider(!window, window));
    TGraphicsPtr graphics = OpenGraphics(1024, 768, 0, 60, 0);
    if (!graphics) {
        state.SkipWithError(window ? "cannot open a window" : "cannot open headless graphics");
        return;
    }
    LoadAssetsOnce(window);
    SetEventSource(nullptr);
    const double startup = PeakMiB();
    for (auto _ : state) {
        // Played frames, as the game's play loop marks them.
        SetPlayActive(true);
        TLevel15 level15;
        TScene* scene = &level15;
        for (int32_t number = 1; number <= 32; ++number) {
            SeedRandom(number);
            scene->level = TLevel::Create(number);
            scene->level->InitalizeLevel();
            GameMode = GameCommon::GameMode_GamePlaying;
            TBall::StartMoves();
            TBall::CreateMultiball();
            for (int32_t frame = 0; frame < 120; ++frame) {
                scene->Steer();
                Cls();
                scene->level->PlayFrame();
                scene->level->DrawPlayFrame();
                Flip(0);
                Clock()->Advance(frame % 3 == 0 ? 16 : 17);
            }
        }
        state.counters["peak_levels_MiB"] = PeakMiB();
        // As a game does, level 32 and its music are let go before the boss level is built.
        scene->level = nullptr;
        TBossExplosion boss;
        boss.Build();
        for (int32_t frame = 0; frame < 240; ++frame) {
            boss.Steer();
            Cls();
            boss.level->PlayFrame();
            boss.level->DrawPlayFrame();
            Flip(0);
            Clock()->Advance(frame % 3 == 0 ? 16 : 17);
        }
        state.counters["peak_boss_MiB"] = PeakMiB();
        SetPlayActive(false);
    }
    state.counters["peak_startup_MiB"] = startup;
    EndGraphics();
    SetGLContextProvider(nullptr);
}

void BM_Level15Logic(benchmark::State& state)
{
    TLevel15 scene;
    RunLogic(state, scene);
}
void BM_BossExplosionLogic(benchmark::State& state)
{
    TBossExplosion scene;
    RunLogic(state, scene);
}
void BM_Level15HeadlessFrame(benchmark::State& state)
{
    TLevel15 scene;
    RunHeadless(state, scene);
}
void BM_BossExplosionHeadlessFrame(benchmark::State& state)
{
    TBossExplosion scene;
    RunHeadless(state, scene);
}

BENCHMARK(BM_Level15Logic)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BossExplosionLogic)->Iterations(1)->Unit(benchmark::kMillisecond);
// Argument: the OpenGL shortcuts on (1) or off (0).
BENCHMARK(BM_Level15HeadlessFrame)->Arg(2)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BossExplosionHeadlessFrame)->Arg(2)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Level15FadeFrame)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryThroughTheGame)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Start-up loading of every picture and sound: the game's own loaders against the bare decoders.
#include "BareDecode.h"

#include "framework/audio/Audio.h"
#include "framework/graphics/Image.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace {

struct TMusic {
    int32_t id;
    std::string file;
};

// The music of every level: one of these is loaded each time a level is built.
std::vector<TMusic> LevelMusicFiles()
{
    std::vector<TMusic> music;
    std::vector<int32_t> ids;
    for (int32_t id = GameSounds::GameMusic1; id <= GameSounds::GameMusic8; ++id) ids.push_back(id);
    for (int32_t id = GameSounds::GameSoundscape1; id <= GameSounds::GameSoundscape8; ++id) ids.push_back(id);
    ids.push_back(GameSounds::GameZogMusic);
    for (const int32_t id : ids) music.push_back({id, GameSounds::MusicFile(id)});
    return music;
}

// Resident set, in KiB, now and at its peak.
int64_t ResidentKiB()
{
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return 0;
    const int got = std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return got == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

int64_t PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Sets the kernel's high-water mark of this process back to its present resident set, so that
// every measured stretch has a peak of its own.
bool ResetPeak()
{
    std::FILE* refs = std::fopen("/proc/self/clear_refs", "w");
    if (!refs) return false;
    const bool written = std::fputs("5", refs) >= 0;
    return std::fclose(refs) == 0 && written;
}

// How far the resident set grows above its size at the start of a stretch, the largest over all
// stretches. Freed memory is handed back first so that it cannot hide the growth.
class TPeakRss {
public:
    void Start()
    {
        malloc_trim(0);
        _valid = _valid && ResetPeak();
        _startKiB = ResidentKiB();
    }
    void Stop() { _growthKiB = std::max(_growthKiB, PeakKiB() - _startKiB); }
    void Report(benchmark::State& state) const
    {
        if (!_valid) {
            static bool warned = false;
            if (!std::exchange(warned, true))
                std::fprintf(stderr, "bench_assets: /proc/self/clear_refs cannot be written; no peak RSS figures\n");
            return;
        }
        state.counters["peak_rss_MiB"] = static_cast<double>(_growthKiB) / 1024;
    }

private:
    bool _valid = true;
    int64_t _startKiB = 0;
    int64_t _growthKiB = 0;
};

// Runs load once per iteration, timed, with release (untimed) before each so that every
// iteration starts from nothing loaded, as the program does.
template <typename Load, typename Release>
void Measure(benchmark::State& state, Load load, Release release)
{
    TPeakRss peak;
    for (auto _ : state) {
        state.PauseTiming();
        release();
        peak.Start();
        state.ResumeTiming();
        const std::string failed = load();
        state.PauseTiming();
        peak.Stop();
        state.ResumeTiming();
        if (!failed.empty()) {
            state.SkipWithError((failed + " did not load").c_str());
            break;
        }
    }
    release();
    peak.Report(state);
}

// The first catalogue file whose variable is still empty after loading, or "".
template <typename Asset>
std::string FirstMissing(std::span<const Asset> assets)
{
    for (const Asset& asset : assets)
        if (!*asset.variable) return asset.file;
    return {};
}

template <typename Asset>
void Release(std::span<const Asset> assets)
{
    for (const Asset& asset : assets) *asset.variable = nullptr;
}

// The bare decoders keep every picture, as the game does, and drop every sound once decoded, as
// the game does with the silent driver, which keeps no samples.
std::vector<TDecoded> barePictures;
// The boss explosion loaded alone, kept until the untimed release like everything else.
TImagePtr bossExplosion;

std::string BareImages()
{
    for (const TImageAsset& image : GameGraphics::Images()) {
        TDecoded pixels = DecodePictureFile(image.file);
        if (pixels.size == 0) return image.file;
        barePictures.push_back(std::move(pixels));
    }
    return {};
}

// The sounds a run that opens with the menu decodes at start-up; music held ahead decodes later.
bool AtStartUp(const TSoundAsset& sound)
{
    return sound.held == TSoundHeld::Always || sound.held == TSoundHeld::WithMenu;
}

std::string BareSounds()
{
    for (const TSoundAsset& sound : GameSounds::Sounds())
        if (AtStartUp(sound) && DecodeOggFile(sound.file).size == 0) return sound.file;
    return {};
}

std::string GameImages()
{
    GameGraphics::LoadImages();
    return FirstMissing(GameGraphics::Images());
}

std::string GameSoundEffects()
{
    GameSounds::LoadSounds();
    for (const TSoundAsset& sound : GameSounds::Sounds())
        if (AtStartUp(sound) && !*sound.variable) return sound.file;
    return {};
}

void ReleaseGame()
{
    Release(GameGraphics::Images());
    Release(GameSounds::Sounds());
    LevelMusic = nullptr;
    bossExplosion = nullptr;
}

void ReleaseBare() { barePictures.clear(); }

void BM_ImagesGame(benchmark::State& state) { Measure(state, GameImages, ReleaseGame); }

void BM_ImagesBare(benchmark::State& state) { Measure(state, BareImages, ReleaseBare); }

void BM_SoundsGame(benchmark::State& state) { Measure(state, GameSoundEffects, ReleaseGame); }

void BM_SoundsBare(benchmark::State& state) { Measure(state, BareSounds, ReleaseBare); }

// What the program does at start-up once the fonts are up: every image, then every sound.
void BM_StartupGame(benchmark::State& state)
{
    Measure(
        state,
        [] {
            const std::string failed = GameImages();
            return failed.empty() ? GameSoundEffects() : failed;
        },
        ReleaseGame);
}

void BM_StartupBare(benchmark::State& state)
{
    Measure(
        state,
        [] {
            const std::string failed = BareImages();
            return failed.empty() ? BareSounds() : failed;
        },
        ReleaseBare);
}

// The largest picture alone: one JPEG strip cut into 200 frames.
constexpr const char* kBossExplosion = "images/ZogExplosion.jpg";

void BM_BossExplosionGame(benchmark::State& state)
{
    Measure(
        state,
        [] {
            bossExplosion = LoadAnimImage(kBossExplosion, 512, 512, 0, 200, -1);
            return bossExplosion ? std::string() : kBossExplosion;
        },
        ReleaseGame);
}

void BM_BossExplosionBare(benchmark::State& state)
{
    Measure(
        state,
        [] {
            barePictures.push_back(DecodeJpegFile(kBossExplosion));
            return barePictures.back().size ? std::string() : kBossExplosion;
        },
        ReleaseBare);
}

void BM_LevelMusicGame(benchmark::State& state)
{
    Measure(
        state,
        [] {
            for (const TMusic& music : LevelMusicFiles()) {
                GameSounds::LoadMusic(music.id);
                if (!LevelMusic) return music.file;
            }
            return std::string();
        },
        ReleaseGame);
}

void BM_LevelMusicBare(benchmark::State& state)
{
    Measure(
        state,
        [] {
            for (const TMusic& music : LevelMusicFiles())
                if (DecodeOggFile(music.file).size == 0) return music.file;
            return std::string();
        },
        ReleaseBare);
}

// The pairs compared in the closing table, by the name each side is registered under.
const char* const kStretches[] = {"Images", "Sounds", "Startup", "BossExplosion", "LevelMusic"};

// The usual console table, then for each stretch our time over the bare decoders' time, from the
// median of the repetitions.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                _failed = true;
                continue;
            }
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration)
                _runs[name].push_back(run);
            else if (run.aggregate_name == "median")
                _medians.insert_or_assign(name, run);
        }
    }

    bool Failed() const { return _failed; }

    void PrintRatios() const
    {
        std::ostream& out = GetOutputStream();
        char line[160];
        bool headed = false;
        for (const char* stretch : kStretches) {
            Run ours, bare;
            if (!Median(std::string(stretch) + "/Game", ours) || !Median(std::string(stretch) + "/Bare", bare))
                continue;
            if (!std::exchange(headed, true)) {
                std::snprintf(line, sizeof line, "\n%-13s %12s %12s %6s %12s %12s %6s %10s %10s\n", "ours / bare",
                              "wall ours", "wall bare", "ratio", "CPU ours", "CPU bare", "ratio", "peak ours",
                              "peak bare");
                out << line;
            }
            const double oursWall = Milliseconds(ours, ours.GetAdjustedRealTime());
            const double bareWall = Milliseconds(bare, bare.GetAdjustedRealTime());
            const double oursCpu = Milliseconds(ours, ours.GetAdjustedCPUTime());
            const double bareCpu = Milliseconds(bare, bare.GetAdjustedCPUTime());
            std::snprintf(line, sizeof line,
                          "%-13s %9.1f ms %9.1f ms %6.2f %9.1f ms %9.1f ms %6.2f %6.0f MiB %6.0f MiB\n", stretch,
                          oursWall, bareWall, oursWall / bareWall, oursCpu, bareCpu, oursCpu / bareCpu, PeakMiB(ours),
                          PeakMiB(bare));
            out << line;
        }
    }

private:
    static double Milliseconds(const Run& run, double time)
    {
        return time * benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
               benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    static double PeakMiB(const Run& run)
    {
        auto peak = run.counters.find("peak_rss_MiB");
        return peak == run.counters.end() ? 0 : peak->second.value;
    }

    // The median aggregate when repetitions made one, else the middle of the runs by wall time.
    bool Median(const std::string& name, Run& median) const
    {
        if (auto found = _medians.find(name); found != _medians.end()) {
            median = found->second;
            return true;
        }
        auto found = _runs.find(name);
        if (found == _runs.end() || found->second.empty()) return false;
        std::vector<Run> runs = found->second;
        std::sort(runs.begin(), runs.end(),
                  [](const Run& a, const Run& b) { return a.GetAdjustedRealTime() < b.GetAdjustedRealTime(); });
        median = runs[runs.size() / 2];
        return true;
    }

    std::map<std::string, std::vector<Run>> _runs;
    std::map<std::string, Run> _medians;
    bool _failed = false;
};

void Register(const char* name, void (*function)(benchmark::State&))
{
    benchmark::RegisterBenchmark(name, function)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
}

bool FileExists(const char* path)
{
    struct stat info {};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// The folder must hold every file the benchmarks read, or the figures would compare different work.
bool DataComplete(const std::string& folder)
{
    std::vector<std::string> files;
    for (const TImageAsset& image : GameGraphics::Images()) files.push_back(image.file);
    for (const TSoundAsset& sound : GameSounds::Sounds()) files.push_back(sound.file);
    for (const TMusic& music : LevelMusicFiles()) files.push_back(music.file);
    for (const std::string& file : files) {
        if (FileExists(file.c_str())) continue;
        std::fprintf(stderr, "bench_assets: %s/%s is missing; build the assets target first\n", folder.c_str(),
                     file.c_str());
        return false;
    }
    return true;
}

}  // namespace

// Usage: bench_assets [benchmark options] [data folder]; the folder defaults to the build's own.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        benchmark::ReportUnrecognizedArguments(argc, argv);
        return 1;
    }
    const std::string folder = argc == 2 ? argv[1] : KRELLIX_DATA_DIR;
    if (chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "bench_assets: cannot enter the data folder %s; build the assets target first\n",
                     folder.c_str());
        return 1;
    }
    if (!DataComplete(folder)) return 1;
    // As the program sets things up before it loads: centred handles, the image flags that
    // LoadImages sets (for the strip loaded alone), and a driver with no device.
    SetAutoMidHandle(true);
    SetAutoImageFlags(IMG_FILTERED | IMG_MIPMAPPED);
    if (!SetAudioDriver("Null")) {
        std::fprintf(stderr, "bench_assets: the silent audio driver is missing\n");
        return 1;
    }

    Register("Images/Game", BM_ImagesGame);
    Register("Images/Bare", BM_ImagesBare);
    Register("Sounds/Game", BM_SoundsGame);
    Register("Sounds/Bare", BM_SoundsBare);
    Register("Startup/Game", BM_StartupGame);
    Register("Startup/Bare", BM_StartupBare);
    Register("BossExplosion/Game", BM_BossExplosionGame);
    Register("BossExplosion/Bare", BM_BossExplosionBare);
    Register("LevelMusic/Game", BM_LevelMusicGame);
    Register("LevelMusic/Bare", BM_LevelMusicBare);

    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return reporter.Failed() ? 1 : 0;
}

// The game's sound effects and music, one program-wide variable per sound, and their loaders.
#include "game/GameSounds.h"

#include "framework/audio/Sample.h"
#include "framework/audio/Sound.h"
#include "framework/graphics/Graphics.h"
#include "framework/system/Parallel.h"
#include "framework/system/Report.h"
#include "game/GameCommon.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// Every sound loaded at start-up, in catalogue order.
const TSoundAsset SoundCatalogue[] = {
    {&NormalBlockSound, "sounds/SFX_NormalBlock.ogg"},
    {&MultiHitBlockSound, "sounds/SFX_MultiHitBlock.ogg"},
    {&PadHitSound, "sounds/SFX_Padhit_01.ogg"},
    {&EdgeHitSound1, "sounds/SFX_Spillkanthit.ogg"},
    {&EdgeHitSound2, "sounds/SFX_Spillkanthit2.ogg"},
    {&EdgeHitSound3, "sounds/SFX_Spillkanthit3.ogg"},
    {&EdgeHitSound4, "sounds/SFX_Spillkanthit4.ogg"},
    {&IntroMusic, "sounds/GameMusic/Tonmark_Intro.ogg", SOUND_LOOP},
    {&GameOverSound, "sounds/GameOver_VoiceMuz.ogg"},
    {&HiscoreMusic, "sounds/GameMusic/Tonmark_Hiscore.ogg", SOUND_LOOP},
    {&VortanoCoverMusic, "sounds/GameMusic/tonmark_vortanoCover.ogg"},
    {&ExplosionSound, "sounds/SFX_Explosion.ogg"},
    {&AlienReleasePERSound, "sounds/SFX_AlienReleasePER.ogg"},
    {&AlienReleaseSound, "sounds/SFX_AlienRelease.ogg"},
    {&ZogExplodeSound, "sounds/FX_zogexplode.ogg"},
    {&ZogHitSound1, "sounds/zog_hit1.ogg"},
    {&ZogHitSound2, "sounds/zog_hit2.ogg"},
    {&ZogHitSound3, "sounds/zog_hit3.ogg"},
    {&ZogHitSound4, "sounds/zog_hit4.ogg"},
    {&LazerSound, "sounds/SFX_Lazer.ogg"},
    {&LazerHitSound, "sounds/SFX_Lazerhit.ogg"},
    {&LazerHitSound2, "sounds/SFX_Lazerhit.ogg"},
    {&SizeIncreaseSound, "sounds/Bonus_SizeIncrease.ogg"},
    {&SizeDecreaseSound, "sounds/Bonus_SizeDecrease.ogg"},
    {&FreezeModeSound, "sounds/Bonus_FreezeMode.ogg"},
    {&TripleBallSound, "sounds/Bonus_TripleBall.ogg"},
    {&ExtraLifeSound, "sounds/Bonus_ExtraLife.ogg"},
    {&EscapeGrantedSound, "sounds/Bonus_EscapeGranted.ogg"},
    {&SlowModeSound, "sounds/Bonus_SlowMode.ogg"},
    {&GunEnabledSound, "sounds/Bonus_GunEnabled.ogg"},
    {&ExtraPointsSound, "sounds/Bonus_ExtraPoints.ogg"},
    {&GetReadySound, "sounds/SFX_GetReady.ogg"},
    {&NextLevelSound, "sounds/NextLevel_alt.ogg"},
    {&LifeLostSound, "sounds/LifeLost_alt.ogg"},
};

}  // namespace

std::span<const TSoundAsset> GameSounds::Sounds() { return SoundCatalogue; }

std::string GameSounds::MusicFile(int32_t id)
{
    if (id >= GameMusic1 && id <= GameMusic8) return "sounds/GameMusic/Tonmark_Ingame" + std::to_string(id) + ".ogg";
    if (id >= GameSoundscape1 && id <= GameSoundscape8)
        return "sounds/GameMusic/Soundscape_" + std::to_string(id - GameSoundscape1 + 1) + ".ogg";
    if (id == GameZogMusic) return "sounds/GameMusic/Tonmark_ZogLevel.ogg";
    return {};
}

namespace {

constexpr size_t SoundCount = std::size(SoundCatalogue);

// The sounds' samples as they are decoded, and a way to stop before the end.
struct TSampleLoading {
    std::array<std::promise<TAudioSamplePtr>, SoundCount> promises;
    std::array<std::shared_future<TAudioSamplePtr>, SoundCount> samples;
    std::atomic<bool> abandoned{false};
    std::future<void> decoder;
};

std::unique_ptr<TSampleLoading> Loading;
int32_t FinishHook = 0;

// A game started at a level is first heard saying "get ready"; otherwise the intro's music plays.
bool HeardFirst(const TSoundAsset& asset, bool levelFirst)
{
    return asset.variable == (levelFirst ? &GetReadySound : &IntroMusic);
}

void Decode(TSampleLoading& loading, size_t index)
{
    TAudioSamplePtr samples;
    try {
        if (!loading.abandoned) samples = LoadAudioSample(SoundCatalogue[index].file);
    } catch (const std::exception& error) {
        ReportProblem(std::string(SoundCatalogue[index].file) + ": " + error.what());
    }
    loading.promises[index].set_value(std::move(samples));
}

void DecodeSamples(TSampleLoading& loading, bool levelFirst)
{
    std::vector<size_t> first, rest;
    std::vector<const char*> restFiles;
    for (size_t i = 0; i < SoundCount; ++i) {
        if (HeardFirst(SoundCatalogue[i], levelFirst)) {
            first.push_back(i);
        } else {
            rest.push_back(i);
            restFiles.push_back(SoundCatalogue[i].file);
        }
    }
    RunInParallel(first.size(), [&](size_t job) { Decode(loading, first[job]); });
    LowerThisThreadPriority();
    // Smallest first: the effects are heard long before the high-score music.
    std::vector<size_t> order = LargestFilesFirst(restFiles);
    std::reverse(order.begin(), order.end());
    for (size_t job : order) Decode(loading, rest[job]);
}

// The decodes started ahead: the sounds, and the music of one level.
int32_t PendingMusicId = 0;
std::future<TAudioSamplePtr> PendingMusic;

// Makes each sound the audio device's own, or null when it could not be loaded, and says which.
void MakeSounds()
{
    if (FinishHook != 0) RemoveFlipHook(FinishHook);
    FinishHook = 0;
    if (!Loading) return;
    int32_t missing = 0;
    std::string first;
    for (size_t i = 0; i < SoundCount; ++i) {
        TSoundPtr& variable = *SoundCatalogue[i].variable;
        if (auto pending = std::dynamic_pointer_cast<TPendingSound>(variable)) variable = pending->Resolve();
        if (!variable && missing++ == 0) first = SoundCatalogue[i].file;
    }
    Loading->decoder.wait();
    Loading.reset();
    if (missing > 0)
        ReportProblem(std::to_string(missing) + " of " + std::to_string(SoundCount) +
                      " sounds could not be loaded (first: " + first + "); the game plays on without them");
}

}  // namespace

void GameSounds::StartLoading(int32_t firstMusicId)
{
    if (!Loading) {
        Loading = std::make_unique<TSampleLoading>();
        for (size_t i = 0; i < SoundCount; ++i) Loading->samples[i] = Loading->promises[i].get_future().share();
        Loading->decoder = std::async(std::launch::async, DecodeSamples, std::ref(*Loading), firstMusicId != 0);
    }
    const std::string file = MusicFile(firstMusicId);
    if (file.empty() || PendingMusic.valid()) return;
    PendingMusicId = firstMusicId;
    PendingMusic = std::async(std::launch::async, [file] { return LoadAudioSample(file); });
}

void GameSounds::AbandonLoading()
{
    if (FinishHook != 0) RemoveFlipHook(FinishHook);
    FinishHook = 0;
    if (Loading) {
        Loading->abandoned = true;
        Loading->decoder.wait();
        Loading.reset();
    }
    if (PendingMusic.valid()) PendingMusic.wait();
    PendingMusic = {};
}

void GameSounds::LoadMusic(int32_t id)
{
    const std::string file = MusicFile(id);
    if (file.empty()) return;
    if (PendingMusic.valid() && PendingMusicId == id)
        LevelMusic = LoadSound(PendingMusic.get(), SOUND_LOOP);
    else
        LevelMusic = LoadSound(file, SOUND_LOOP);
    if (!LevelMusic) ReportProblem("music " + file + " could not be loaded; the level plays silent");
}

void GameSounds::LoadSounds()
{
    if (!Loading) StartLoading(0);
    for (size_t i = 0; i < SoundCount; ++i)
        *SoundCatalogue[i].variable = std::make_shared<TPendingSound>(Loading->samples[i], SoundCatalogue[i].flags);
    if (FinishHook == 0) {
        FinishHook = AddPostFlipHook([] {
            for (const auto& samples : Loading->samples)
                if (samples.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return;
            MakeSounds();
        });
    }
}

void GameSounds::FinishLoading() { MakeSounds(); }

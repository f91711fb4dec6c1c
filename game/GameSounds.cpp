// The game's sound effects and music, one program-wide variable per sound, and their loaders.
#include "game/GameSounds.h"

#include "framework/audio/Sample.h"
#include "framework/system/Parallel.h"
#include "framework/system/Report.h"
#include "game/GameCommon.h"

#include <array>
#include <future>
#include <iterator>
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
using TSamples = std::array<TAudioSamplePtr, SoundCount>;

// Decodes every sound side by side, the longest files first.
TSamples DecodeSamples()
{
    std::vector<const char*> files;
    for (const auto& e : SoundCatalogue) files.push_back(e.file);
    const std::vector<size_t> order = LargestFilesFirst(files);
    TSamples samples;
    RunInParallel(SoundCount,
                  [&](size_t job) { samples[order[job]] = LoadAudioSample(SoundCatalogue[order[job]].file); });
    return samples;
}

// The decodes started ahead: the sounds, and the music of one level.
std::future<TSamples> PendingSamples;
int32_t PendingMusicId = 0;
std::future<TAudioSamplePtr> PendingMusic;

}  // namespace

void GameSounds::StartLoading(int32_t firstMusicId)
{
    if (!PendingSamples.valid()) PendingSamples = std::async(std::launch::async, DecodeSamples);
    const std::string file = MusicFile(firstMusicId);
    if (file.empty() || PendingMusic.valid()) return;
    PendingMusicId = firstMusicId;
    PendingMusic = std::async(std::launch::async, [file] { return LoadAudioSample(file); });
}

void GameSounds::AbandonLoading()
{
    if (PendingSamples.valid()) PendingSamples.wait();
    if (PendingMusic.valid()) PendingMusic.wait();
    PendingSamples = {};
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
    const auto& entries = SoundCatalogue;
    // The sounds are made from the samples in catalogue order, on this thread, as the audio
    // device expects.
    TSamples samples = PendingSamples.valid() ? PendingSamples.get() : DecodeSamples();
    int32_t missing = 0;
    std::string first;
    for (size_t i = 0; i < SoundCount; ++i) {
        *entries[i].variable = LoadSound(samples[i], entries[i].flags);
        samples[i] = nullptr;
        if (!*entries[i].variable && missing++ == 0) first = entries[i].file;
    }
    if (missing > 0)
        ReportProblem(std::to_string(missing) + " of " + std::to_string(SoundCount) +
                      " sounds could not be loaded (first: " + first + "); the game plays on without them");
}

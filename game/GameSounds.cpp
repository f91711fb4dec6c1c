// The game's sound effects and music, one program-wide variable per sound, and their loaders.
#include "game/GameSounds.h"

#include "framework/audio/Sample.h"
#include "framework/audio/SoundAsset.h"
#include "framework/system/Report.h"
#include "game/GameCommon.h"

#include <future>
#include <string>
#include <utility>

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
    // Heard first when the run opens with the intro.
    {&IntroMusic, "sounds/GameMusic/Tonmark_Intro.ogg", SOUND_LOOP, TAssetNeed::BeforeMenu},
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
    // Heard first when the run opens straight into a level.
    {&GetReadySound, "sounds/SFX_GetReady.ogg", 0, TAssetNeed::BeforePlay},
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

TAssetLoader SoundLoader("sounds", "the game plays on without them");
TLoaderSettling SoundSettling(SoundLoader);

// The music of one level, decoded ahead.
int32_t PendingMusicId = 0;
std::future<TAudioSamplePtr> PendingMusic;

}  // namespace

void GameSounds::StartLoading(int32_t firstMusicId)
{
    if (!SoundLoader.Busy()) {
        TAssetJobs jobs;
        for (const TSoundAsset& sound : SoundCatalogue)
            jobs.push_back(SoundAsset(*sound.variable, sound.file, sound.flags, sound.need));
        SoundLoader.Start(std::move(jobs), firstMusicId != 0 ? TAssetNeed::BeforePlay : TAssetNeed::BeforeMenu);
    }
    if (!PendingMusic.valid()) DecodeMusicAhead(firstMusicId);
}

void GameSounds::DecodeMusicAhead(int32_t id)
{
    const std::string file = MusicFile(id);
    if (file.empty() || (PendingMusic.valid() && PendingMusicId == id)) return;
    PendingMusicId = id;
    PendingMusic = std::async(std::launch::async, [file] { return LoadAudioSample(file); });
}

void GameSounds::AbandonLoading()
{
    SoundSettling.Stop();
    SoundLoader.Abandon();
    if (PendingMusic.valid()) PendingMusic.wait();
    PendingMusic = {};
}

void GameSounds::LoadMusic(int32_t id)
{
    const std::string file = MusicFile(id);
    if (file.empty()) return;
    // The last level's music goes before this one is decoded: the two pieces, and the decoded copy
    // of this one, would otherwise be held at once. Still playing, it plays on to its end.
    LevelMusic = nullptr;
    if (PendingMusic.valid() && PendingMusicId == id)
        LevelMusic = LoadSound(PendingMusic.get(), SOUND_LOOP);
    else
        LevelMusic = LoadSound(file, SOUND_LOOP);
    if (!LevelMusic) ReportProblem("music " + file + " could not be loaded; the level plays silent");
}

void GameSounds::LoadSounds()
{
    if (!SoundLoader.Busy()) StartLoading(0);
    SoundLoader.Load();
    SoundSettling.Start();
}

void GameSounds::FinishLoading()
{
    SoundSettling.Stop();
    SoundLoader.Finish();
}

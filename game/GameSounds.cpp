// The game's sound effects and music, one program-wide variable per sound, and their loaders.
#include "game/GameSounds.h"

#include "game/GameCommon.h"

#include <cstdio>
#include <string>

TSoundPtr NormalBlockSound, MultiHitBlockSound, PadHitSound, EdgeHitSound1, EdgeHitSound2, EdgeHitSound3,
    EdgeHitSound4, IntroMusic, GameOverSound, HiscoreMusic, VortanoCoverMusic, ExplosionSound,
    AlienReleasePERSound, AlienReleaseSound, ZogExplodeSound, ZogHitSound1, ZogHitSound2, ZogHitSound3,
    ZogHitSound4, LazerSound, LazerHitSound, LazerHitSound2, SizeIncreaseSound, SizeDecreaseSound,
    FreezeModeSound, TripleBallSound, ExtraLifeSound, EscapeGrantedSound, SlowModeSound, GunEnabledSound,
    ExtraPointsSound, GetReadySound, NextLevelSound, LifeLostSound;

void GameSounds::LoadMusic(int32_t id)
{
    std::string file;
    if (id >= GameMusic1 && id <= GameMusic8)
        file = "sounds/GameMusic/Tonmark_Ingame" + std::to_string(id) + ".ogg";
    else if (id >= GameSoundscape1 && id <= GameSoundscape8)
        file = "sounds/GameMusic/Soundscape_" + std::to_string(id - GameSoundscape1 + 1) + ".ogg";
    else if (id == GameZogMusic)
        file = "sounds/GameMusic/Tonmark_ZogLevel.ogg";
    else
        return;
    LevelMusic = LoadSound(file, SOUND_LOOP);
    if (!LevelMusic) std::fprintf(stderr, "krellix: music %s could not be loaded; the level plays silent\n", file.c_str());
}

void GameSounds::LoadSounds()
{
    int32_t total = 0, missing = 0;
    std::string first;
    auto load = [&](TSoundPtr& var, const char* file, int32_t flags = 0) {
        var = LoadSound(file, flags);
        ++total;
        if (!var && missing++ == 0) first = file;
    };

    load(NormalBlockSound, "sounds/SFX_NormalBlock.ogg");
    load(MultiHitBlockSound, "sounds/SFX_MultiHitBlock.ogg");
    load(PadHitSound, "sounds/SFX_Padhit_01.ogg");
    load(EdgeHitSound1, "sounds/SFX_Spillkanthit.ogg");
    load(EdgeHitSound2, "sounds/SFX_Spillkanthit2.ogg");
    load(EdgeHitSound3, "sounds/SFX_Spillkanthit3.ogg");
    load(EdgeHitSound4, "sounds/SFX_Spillkanthit4.ogg");
    load(IntroMusic, "sounds/GameMusic/Tonmark_Intro.ogg", SOUND_LOOP);
    load(GameOverSound, "sounds/GameOver_VoiceMuz.ogg");
    load(HiscoreMusic, "sounds/GameMusic/Tonmark_Hiscore.ogg", SOUND_LOOP);
    load(VortanoCoverMusic, "sounds/GameMusic/tonmark_vortanoCover.ogg");
    load(ExplosionSound, "sounds/SFX_Explosion.ogg");
    load(AlienReleasePERSound, "sounds/SFX_AlienReleasePER.ogg");
    load(AlienReleaseSound, "sounds/SFX_AlienRelease.ogg");
    load(ZogExplodeSound, "sounds/FX_zogexplode.ogg");
    load(ZogHitSound1, "sounds/zog_hit1.ogg");
    load(ZogHitSound2, "sounds/zog_hit2.ogg");
    load(ZogHitSound3, "sounds/zog_hit3.ogg");
    load(ZogHitSound4, "sounds/zog_hit4.ogg");
    load(LazerSound, "sounds/SFX_Lazer.ogg");
    load(LazerHitSound, "sounds/SFX_Lazerhit.ogg");
    load(LazerHitSound2, "sounds/SFX_Lazerhit.ogg");
    load(SizeIncreaseSound, "sounds/Bonus_SizeIncrease.ogg");
    load(SizeDecreaseSound, "sounds/Bonus_SizeDecrease.ogg");
    load(FreezeModeSound, "sounds/Bonus_FreezeMode.ogg");
    load(TripleBallSound, "sounds/Bonus_TripleBall.ogg");
    load(ExtraLifeSound, "sounds/Bonus_ExtraLife.ogg");
    load(EscapeGrantedSound, "sounds/Bonus_EscapeGranted.ogg");
    load(SlowModeSound, "sounds/Bonus_SlowMode.ogg");
    load(GunEnabledSound, "sounds/Bonus_GunEnabled.ogg");
    load(ExtraPointsSound, "sounds/Bonus_ExtraPoints.ogg");
    load(GetReadySound, "sounds/SFX_GetReady.ogg");
    load(NextLevelSound, "sounds/NextLevel_alt.ogg");
    load(LifeLostSound, "sounds/LifeLost_alt.ogg");
    if (missing > 0)
        std::fprintf(stderr, "krellix: %d of %d sounds could not be loaded (first: %s); the game plays on without them\n",
                     missing, total, first.c_str());
}

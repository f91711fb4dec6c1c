// The game's sound effects and music, one program-wide variable per sound, and their loaders.
#pragma once

#include "framework/audio/Audio.h"
#include "framework/system/AssetLoader.h"

#include <cstdint>
#include <span>
#include <string>

// How long a sound of the catalogue is held.
enum class TSoundHeld {
    // From start-up to the end.
    Always,
    // From start-up to the end when the run opens with the menu; a run that opens straight into a
    // level plays one game and ends, and never hears it.
    WithMenu,
    // Music of one moment: held only from GameSounds::DecodeAhead to GameSounds::GiveBack.
    Ahead,
    // As Ahead, in a run that opens with the menu; never in a run that opens into a level.
    AheadWithMenu,
};

// One sound of the catalogue: the variable it fills, its file, its load flags, when it is needed
// and how long it is held.
struct TSoundAsset {
    TSoundPtr* variable;
    const char* file;
    int32_t flags = 0;
    TAssetNeed need = TAssetNeed::InBackground;
    TSoundHeld held = TSoundHeld::Always;
};

class GameSounds {
public:
    static constexpr int32_t GameMusic1 = 1, GameMusic2 = 2, GameMusic3 = 3, GameMusic4 = 4, GameMusic5 = 5,
                             GameMusic6 = 6, GameMusic7 = 7, GameMusic8 = 8;
    static constexpr int32_t GameSoundscape1 = 20, GameSoundscape2 = 21, GameSoundscape3 = 22, GameSoundscape4 = 23,
                             GameSoundscape5 = 24, GameSoundscape6 = 25, GameSoundscape7 = 26, GameSoundscape8 = 27;
    static constexpr int32_t GameZogMusic = 30;

    // Every sound of the game, in catalogue order: LoadSounds loads those held from start-up.
    static std::span<const TSoundAsset> Sounds();
    // The file of a level's music id; empty for an id that names none.
    static std::string MusicFile(int32_t id);
    // Loads the music of id (looping) into LevelMusic; any other id changes nothing. Music decoded
    // ahead for that id is taken as it is, once it is there.
    static void LoadMusic(int32_t id);
    // Starts decoding the music of id on another thread for the LoadMusic to come, while the
    // screens before the level still play; an id that names no music changes nothing.
    static void DecodeMusicAhead(int32_t id);
    // Starts the audio driver, then decodes every sound held from start-up, and the music of id
    // when it is one, on other threads, straight into the driver's memory, so that they decode
    // while the display opens and the pictures decode. The sound heard first decodes first: "get
    // ready" when the game starts at a level (id names its music), else the intro's music; the
    // rest follow one by one behind everything else the program does. A run that starts at a
    // level plays one game and ends: the menu's music is not loaded at all.
    static void StartLoading(int32_t firstMusicId);
    // Stops the decodes StartLoading began (waiting only for the files being decoded), when the
    // game ends before they are done; sounds not yet decoded then play nothing. Music being
    // decoded ahead is waited for and stays playable.
    static void AbandonLoading();
    // Starts decoding music held ahead (TSoundHeld::Ahead) on another thread, unless it is held or
    // decoding already, or this run never plays it. Its variable stands for it at once: played
    // before it is decoded, it waits for it. The first flip after it is decoded makes it the
    // driver's own sound, or null, and the file named, when it could not be loaded.
    static void DecodeAhead(TSoundPtr& music);
    // Lets go of music held ahead: its variable is null until it is decoded ahead again. Other
    // sounds are kept.
    static void GiveBack(TSoundPtr& music);
    // Gives every sound its variable at once: each plays as soon as its samples are decoded (a
    // sound played earlier waits for them). Once all are, the flip after makes them the audio
    // device's own sounds and names any that could not be loaded.
    static void LoadSounds();
    // Waits for every sound still decoding, then as above; at the end of a game that played.
    static void FinishLoading();
};

inline TSoundPtr NormalBlockSound, MultiHitBlockSound, PadHitSound, EdgeHitSound1, EdgeHitSound2, EdgeHitSound3,
    EdgeHitSound4, IntroMusic, GameOverSound, HiscoreMusic, VortanoCoverMusic, ExplosionSound, AlienReleasePERSound,
    AlienReleaseSound, ZogExplodeSound, ZogHitSound1, ZogHitSound2, ZogHitSound3, ZogHitSound4, LazerSound,
    LazerHitSound, LazerHitSound2, SizeIncreaseSound, SizeDecreaseSound, FreezeModeSound, TripleBallSound,
    ExtraLifeSound, EscapeGrantedSound, SlowModeSound, GunEnabledSound, ExtraPointsSound, GetReadySound, NextLevelSound,
    LifeLostSound;

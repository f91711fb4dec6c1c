// The game's sound effects and music, one program-wide variable per sound, and their loaders.
#include "game/GameSounds.h"

#include "framework/audio/AudioStream.h"
#include "framework/audio/Sample.h"
#include "framework/audio/Sound.h"
#include "framework/audio/SoundAsset.h"
#include "framework/graphics/Graphics.h"
#include "framework/system/Parallel.h"
#include "framework/system/Report.h"
#include "game/GameCommon.h"

#include <algorithm>
#include <exception>
#include <future>
#include <string>
#include <utility>
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
    // Heard first when the run opens with the intro, and after every game but one with a new high
    // score, which can end at any frame.
    {&IntroMusic, "sounds/GameMusic/Tonmark_Intro.ogg", SOUND_LOOP, TAssetNeed::BeforeMenu, TSoundHeld::WithMenu},
    {&GameOverSound, "sounds/GameOver_VoiceMuz.ogg"},
    // Heard only once a game has ended with a new high score, until the next game starts.
    {&HiscoreMusic, "sounds/GameMusic/Tonmark_Hiscore.ogg", SOUND_LOOP, TAssetNeed::InBackground,
     TSoundHeld::AheadWithMenu},
    // Heard only once the boss is destroyed.
    {&VortanoCoverMusic, "sounds/GameMusic/tonmark_vortanoCover.ogg", 0, TAssetNeed::InBackground, TSoundHeld::Ahead},
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
std::future<TAudioStreamPtr> PendingMusic;

// The run opens with the menu, so plays the menu's music; a run straight into a level does not.
bool MenuRun = true;

bool HeldAhead(const TSoundAsset& sound)
{
    return sound.held == TSoundHeld::Ahead || sound.held == TSoundHeld::AheadWithMenu;
}

// The catalogue entry of music held ahead; null for any other variable.
const TSoundAsset* HeldAheadEntry(const TSoundPtr& music)
{
    const auto sound = std::find_if(std::begin(SoundCatalogue), std::end(SoundCatalogue),
                                    [&](const TSoundAsset& s) { return s.variable == &music; });
    return sound != std::end(SoundCatalogue) && HeldAhead(*sound) ? &*sound : nullptr;
}

bool HeardInThisRun(const TSoundAsset& sound)
{
    return MenuRun || (sound.held != TSoundHeld::WithMenu && sound.held != TSoundHeld::AheadWithMenu);
}

// Music held ahead of its moment while it decodes: the stand-in its variable holds until then.
struct TAheadDecode {
    TSoundPtr* variable;
    const char* file;
    std::shared_future<TAudioStreamPtr> samples;
    std::shared_ptr<TPendingSound> pending;
};
std::vector<TAheadDecode> AheadDecodes;
int32_t AheadSettlingHook = 0;

// Music is held encoded with its first frames decoded, the rest decoded as it plays.
TAudioStreamPtr DecodeFile(const char* file)
{
    // Nothing waits for it yet: the frames drawn meanwhile go first.
    LowerThisThreadPriority();
    try {
        return TAudioStream::Load(file);
    } catch (const std::exception& error) {
        ReportProblem(std::string(file) + ": " + error.what());
        return nullptr;
    }
}

// After a flip: the music decoded since becomes the driver's own sound, between frames.
void SettleAheadDecodes()
{
    std::erase_if(AheadDecodes, [](const TAheadDecode& decode) {
        if (!decode.pending->Decoded()) return false;
        if (*decode.variable == decode.pending) {
            *decode.variable = decode.pending->Resolve();
            if (!*decode.variable)
                ReportProblem(std::string("music ") + decode.file + " could not be loaded; it is not heard");
        }
        return true;
    });
    if (AheadDecodes.empty() && AheadSettlingHook != 0) {
        RemoveFlipHook(AheadSettlingHook);
        AheadSettlingHook = 0;
    }
}

// A level's music is decoded whole, unlike the other music: decoded as it plays, it would add half a
// percent of a core to play (about 70 ms of decoding every 10 s, a fifth of what an idle level
// costs) to save its 4 to 6 MiB.
TAudioStreamPtr DecodeLevelMusic(const std::string& file) { return TAudioStream::OfSample(LoadAudioSample(file)); }

}  // namespace

void GameSounds::StartLoading(int32_t firstMusicId)
{
    // Started first, so that every sound decodes straight into the device's memory rather than
    // onto the heap, to be copied there and held twice meanwhile.
    CurrentAudioDriver();
    if (!SoundLoader.Busy()) {
        MenuRun = firstMusicId == 0;
        TAssetJobs jobs;
        for (const TSoundAsset& sound : SoundCatalogue)
            if (!HeldAhead(sound) && HeardInThisRun(sound))
                jobs.push_back(SoundAsset(*sound.variable, sound.file, sound.flags, sound.need));
        SoundLoader.Start(std::move(jobs), firstMusicId != 0 ? TAssetNeed::BeforePlay : TAssetNeed::BeforeMenu);
    }
    if (!PendingMusic.valid()) DecodeMusicAhead(firstMusicId);
}

void GameSounds::DecodeAhead(TSoundPtr& music)
{
    const TSoundAsset* sound = HeldAheadEntry(music);
    if (!sound || !HeardInThisRun(*sound) || music) return;
    std::shared_future<TAudioStreamPtr> samples =
        std::async(std::launch::async, [file = sound->file] { return DecodeFile(file); }).share();
    auto pending = std::make_shared<TPendingSound>(samples, sound->flags);
    music = pending;
    AheadDecodes.push_back({&music, sound->file, std::move(samples), std::move(pending)});
    if (AheadSettlingHook == 0) AheadSettlingHook = AddPostFlipHook(SettleAheadDecodes);
}

void GameSounds::GiveBack(TSoundPtr& music)
{
    // A decode still under way is let go of by the first flip after it ends, so nothing waits here.
    if (HeldAheadEntry(music)) music = nullptr;
}

void GameSounds::DecodeMusicAhead(int32_t id)
{
    const std::string file = MusicFile(id);
    if (file.empty() || (PendingMusic.valid() && PendingMusicId == id)) return;
    PendingMusicId = id;
    PendingMusic = std::async(std::launch::async, [file] { return DecodeLevelMusic(file); });
}

void GameSounds::AbandonLoading()
{
    SoundSettling.Stop();
    SoundLoader.Abandon();
    if (PendingMusic.valid()) PendingMusic.wait();
    PendingMusic = {};
    // Music decoding ahead is waited for; its variable, played later, still makes its sound.
    for (const TAheadDecode& decode : AheadDecodes) decode.samples.wait();
    AheadDecodes.clear();
    // The run is over; the next one says how it opens.
    MenuRun = true;
    if (AheadSettlingHook != 0) RemoveFlipHook(AheadSettlingHook);
    AheadSettlingHook = 0;
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
        LevelMusic = LoadSound(DecodeLevelMusic(file), SOUND_LOOP);
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

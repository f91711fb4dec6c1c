// The sounds loading behind the game: playable at once, the audio driver's own once all are
// decoded, the missing ones named in one line.
#include "framework/audio/Audio.h"
#include "framework/audio/Sound.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Recording.h"
#include "game/GameSounds.h"
#include "game/Krellix.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A data folder whose sounds are all one short Ogg file, but for the ones left out; the test runs
// in it and leaves everything as it found it.
class SoundLoadingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RestoreInitialState();
        SetAudioDriver("Null");
        const fs::path seed = fs::path(KRELLIX_TEST_DIR) / "../fuzz/seeds/ogg/mono_8k.ogg";
        for (const TSoundAsset& sound : GameSounds::Sounds()) {
            if (LeftOut(sound)) continue;
            const fs::path to = dir.Path() / sound.file;
            fs::create_directories(to.parent_path());
            fs::copy_file(seed, to, fs::copy_options::overwrite_existing);
        }
        previous = fs::current_path();
        fs::current_path(dir.Path());
    }
    void TearDown() override
    {
        RestoreInitialState();
        fs::current_path(previous);
    }

    static bool LeftOut(const TSoundAsset& sound)
    {
        return sound.variable == &NormalBlockSound || sound.variable == &LifeLostSound;
    }
    static bool Pending(const TSoundPtr& sound) { return std::dynamic_pointer_cast<TPendingSound>(sound) != nullptr; }
    // Loaded at start-up in a run that opens with the menu (else straight into a level).
    static bool AtStartUp(const TSoundAsset& sound, bool menu)
    {
        return sound.held == TSoundHeld::Always || (menu && sound.held == TSoundHeld::WithMenu);
    }

    TTempDir dir;
    fs::path previous;
};

TEST_F(SoundLoadingTest, EverySoundPlaysAtOnceAndIsMadeTheDriversOwnWhenAllAreDecoded)
{
    GameSounds::StartLoading(GameSounds::GameMusic1);
    GameSounds::LoadSounds();
    // One game and the end: neither the menu's music nor music held ahead is loaded.
    for (const TSoundAsset& sound : GameSounds::Sounds())
        EXPECT_EQ(Pending(*sound.variable), AtStartUp(sound, false)) << sound.file;
    // Played before the rest are there: it waits for its own samples only.
    EXPECT_TRUE(PlaySound(GetReadySound));
    EXPECT_FALSE(PlaySound(NormalBlockSound));

    ::testing::internal::CaptureStderr();
    GameSounds::FinishLoading();
    const std::string said = ::testing::internal::GetCapturedStderr();
    for (const TSoundAsset& sound : GameSounds::Sounds()) {
        EXPECT_FALSE(Pending(*sound.variable)) << sound.file;
        EXPECT_EQ(*sound.variable == nullptr, LeftOut(sound) || !AtStartUp(sound, false)) << sound.file;
    }
    EXPECT_NE(said.find("2 of 31 sounds could not be loaded (first: sounds/SFX_NormalBlock.ogg)"), std::string::npos)
        << said;
}

TEST_F(SoundLoadingTest, AFlipAfterTheLastIsDecodedMakesThemAndAnAbandonedLoadPlaysNothingMore)
{
    auto driver = std::make_shared<TRecordingDriver>();
    TGraphicsPtr graphics = OpenRecordingGraphics(1024, 768, driver);
    ASSERT_TRUE(graphics);
    GameSounds::StartLoading(0);
    GameSounds::LoadSounds();
    ::testing::internal::CaptureStderr();
    bool made = false;
    for (int i = 0; i < 1000 && !made; ++i) {
        Flip(0);
        made = !Pending(PadHitSound);
        if (!made) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(made);
    EXPECT_TRUE(PadHitSound);
    EXPECT_FALSE(LifeLostSound);
    EXPECT_TRUE(IntroMusic);
    EXPECT_NE(said.find("2 of 32 sounds could not be loaded"), std::string::npos) << said;
    EndGraphics();

    // A run cut short stops decoding at once; the sounds it left behind play nothing, and nothing
    // waits for them.
    RestoreInitialState();
    GameSounds::StartLoading(0);
    GameSounds::LoadSounds();
    ::testing::internal::CaptureStderr();
    GameSounds::AbandonLoading();
    for (const TSoundAsset& sound : GameSounds::Sounds()) {
        if (!AtStartUp(sound, true)) continue;
        ASSERT_TRUE(Pending(*sound.variable)) << sound.file;
        EXPECT_TRUE(std::dynamic_pointer_cast<TPendingSound>(*sound.variable)->Decoded()) << sound.file;
    }
    EXPECT_FALSE(PlaySound(NormalBlockSound));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(SoundLoadingTest, MusicDecodedAheadIsTakenOnlyByItsOwnLevel)
{
    const fs::path seed = fs::path(KRELLIX_TEST_DIR) / "../fuzz/seeds/ogg/mono_8k.ogg";
    fs::copy_file(seed, dir.Path() / GameSounds::MusicFile(GameSounds::GameMusic1));
    GameSounds::DecodeMusicAhead(GameSounds::GameMusic1);
    ::testing::internal::CaptureStderr();
    // The second level's music is missing: what was decoded for the first does not stand in.
    GameSounds::LoadMusic(GameSounds::GameMusic2);
    EXPECT_FALSE(LevelMusic);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Tonmark_Ingame2.ogg could not be loaded"),
              std::string::npos);
    GameSounds::LoadMusic(GameSounds::GameMusic1);
    EXPECT_TRUE(LevelMusic);
}

// Counts, whenever it makes a sound, how many of the sounds it made before are still held.
class TCountingDriver : public TAudioDriver {
public:
    std::string Name() override { return "Counting"; }
    TSoundPtr CreateSound(const TAudioSamplePtr& sample, int32_t flags) override
    {
        std::erase_if(_made, [](const std::weak_ptr<TSound>& sound) { return sound.expired(); });
        heldAtLastMake = _made.size();
        lastSamples = sample;
        ++makes;
        TSoundPtr sound = TAudioDriver::CreateSound(sample, flags);
        _made.push_back(sound);
        return sound;
    }
    size_t heldAtLastMake = 0;
    std::weak_ptr<TAudioSample> lastSamples;
    int32_t makes = 0;

private:
    std::vector<std::weak_ptr<TSound>> _made;
};

TEST_F(SoundLoadingTest, ALevelsMusicIsMadeOnlyOnceTheLastLevelsIsLetGo)
{
    const fs::path seed = fs::path(KRELLIX_TEST_DIR) / "../fuzz/seeds/ogg/mono_8k.ogg";
    for (const int32_t id : {GameSounds::GameMusic1, GameSounds::GameMusic2}) {
        fs::create_directories((dir.Path() / GameSounds::MusicFile(id)).parent_path());
        fs::copy_file(seed, dir.Path() / GameSounds::MusicFile(id), fs::copy_options::overwrite_existing);
    }
    auto driver = std::make_shared<TCountingDriver>();
    RegisterAudioDriver(driver);
    ASSERT_TRUE(SetAudioDriver("Counting"));

    GameSounds::LoadMusic(GameSounds::GameMusic1);
    ASSERT_TRUE(LevelMusic);
    GameSounds::LoadMusic(GameSounds::GameMusic2);
    EXPECT_TRUE(LevelMusic);
    EXPECT_EQ(driver->heldAtLastMake, 0u);
}

TEST_F(SoundLoadingTest, ASoundPlayedBeforeTheRestAreDecodedLetsGoOfItsSamples)
{
    auto driver = std::make_shared<TCountingDriver>();
    RegisterAudioDriver(driver);
    ASSERT_TRUE(SetAudioDriver("Counting"));
    GameSounds::StartLoading(0);
    GameSounds::LoadSounds();
    ASSERT_TRUE(Pending(IntroMusic));
    PlaySound(IntroMusic);
    ASSERT_EQ(driver->makes, 1);
    // The decoding thread lets go of them just after handing them over.
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = driver->lastSamples.expired();
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone);
    GameSounds::FinishLoading();
}

TEST_F(SoundLoadingTest, MusicHeldAheadIsMadeTheDriversOwnByAFlipAndLetGoOfWhenGivenBack)
{
    fs::remove(dir.Path() / "sounds/GameMusic/tonmark_vortanoCover.ogg");
    auto driver = std::make_shared<TCountingDriver>();
    RegisterAudioDriver(driver);
    ASSERT_TRUE(SetAudioDriver("Counting"));
    TGraphicsPtr graphics = OpenRecordingGraphics(1024, 768, std::make_shared<TRecordingDriver>());
    GameSounds::StartLoading(0);
    GameSounds::LoadSounds();
    EXPECT_FALSE(HiscoreMusic);
    EXPECT_FALSE(VortanoCoverMusic);
    GameSounds::DecodeAhead(HiscoreMusic);
    GameSounds::DecodeAhead(VortanoCoverMusic);
    ASSERT_TRUE(Pending(HiscoreMusic));
    ASSERT_TRUE(Pending(VortanoCoverMusic));
    // Asked for again while it decodes: the same decode.
    std::weak_ptr<TSound> standIn = HiscoreMusic;
    GameSounds::DecodeAhead(HiscoreMusic);
    EXPECT_EQ(HiscoreMusic, standIn.lock());

    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 1000 && (Pending(HiscoreMusic) || Pending(VortanoCoverMusic)); ++i) {
        Flip(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(HiscoreMusic);
    EXPECT_FALSE(Pending(HiscoreMusic));
    EXPECT_TRUE(standIn.expired());
    EXPECT_FALSE(VortanoCoverMusic);
    EXPECT_NE(said.find("tonmark_vortanoCover.ogg could not be loaded"), std::string::npos) << said;

    const std::weak_ptr<TSound> made = HiscoreMusic;
    GameSounds::GiveBack(HiscoreMusic);
    GameSounds::GiveBack(IntroMusic);
    EXPECT_FALSE(HiscoreMusic);
    EXPECT_TRUE(made.expired());
    EXPECT_TRUE(IntroMusic);
    GameSounds::FinishLoading();
    EndGraphics();
}

TEST_F(SoundLoadingTest, ARunIntoALevelDecodesOnlyTheClosingMusicAheadAndKeepsItWhenTheRunEnds)
{
    GameSounds::StartLoading(GameSounds::GameMusic1);
    GameSounds::FinishLoading();
    GameSounds::DecodeAhead(HiscoreMusic);
    EXPECT_FALSE(HiscoreMusic);
    GameSounds::DecodeAhead(VortanoCoverMusic);
    ASSERT_TRUE(Pending(VortanoCoverMusic));
    // The run ends at once, while it decodes: the decode is waited for, and the music still plays.
    GameSounds::AbandonLoading();
    EXPECT_TRUE(std::dynamic_pointer_cast<TPendingSound>(VortanoCoverMusic)->Decoded());
    EXPECT_TRUE(PlaySound(VortanoCoverMusic));
    // The next run opens with the menu.
    GameSounds::StartLoading(0);
    GameSounds::DecodeAhead(HiscoreMusic);
    EXPECT_TRUE(HiscoreMusic);
    GameSounds::FinishLoading();
}

}  // namespace

// The null driver: sounds still load and every channel call is silent and harmless.
#include "AudioTestUtil.h"

#include "framework/audio/AudioStream.h"
#include "framework/audio/Sound.h"
#include "framework/audio/SoundAsset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

using namespace audiotest;

namespace {

class AudioNullDriver : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetAudioDriver("Null")); }
    void TearDown() override { ShutdownAudio(); }
    TempDir dir;
};

TEST_F(AudioNullDriver, LoadsDecodableFilesIntoSilentSounds)
{
    EXPECT_EQ(CurrentAudioDriverName(), "Null");
    const std::string ogg = dir.Write("a.ogg", EncodeOgg(Tone(4000, 1, 22050, 500, 0.5, 0.5), 1, 22050));
    const std::string wav = dir.Write("b.wav", MakeWav(1, 1, 8000, 8, {1, 2, 3}));
    EXPECT_TRUE(LoadSound(ogg, SOUND_LOOP));
    EXPECT_TRUE(LoadSound(wav));
    EXPECT_FALSE(LoadSound(dir.Path("missing.ogg").string()));
    EXPECT_FALSE(LoadSound(dir.Write("junk.ogg", {1, 2, 3, 4, 5})));
    EXPECT_FALSE(LoadSound(TAudioSamplePtr()));
    EXPECT_TRUE(LoadSound(TAudioSample::Create(10, 8000, SAMPLE_MONO8)));
}

TEST_F(AudioNullDriver, MakesAStreamsSilentSoundWithoutDecodingIt)
{
    const std::string ogg = dir.Write("music.ogg", EncodeOgg(Tone(100000, 2, 44100, 500, 0.5, 0.5), 2, 44100));
    const TAudioStreamPtr stream = TAudioStream::Load(ogg);
    ASSERT_TRUE(stream);
    // Every sample made from here on is counted.
    int32_t samplesMade = 0;
    SetSampleMemorySource([&](int32_t, int32_t, int32_t, uint8_t*&) {
        ++samplesMade;
        return std::shared_ptr<TSampleMemory>();
    });
    EXPECT_TRUE(LoadSound(stream, SOUND_LOOP));
    EXPECT_FALSE(LoadSound(TAudioStreamPtr()));
    SetSampleMemorySource(nullptr);
    EXPECT_EQ(samplesMade, 0);
}

TEST_F(AudioNullDriver, ChannelsNeverPlayAndIgnoreEveryCall)
{
    TSoundPtr sound = LoadSound(dir.Write("a.wav", MakeWav(1, 2, 8000, 16, std::vector<uint8_t>(4000))));
    ASSERT_TRUE(sound);
    TChannelPtr music = AllocChannel();
    ASSERT_TRUE(music);
    // The given channel is the one that plays; without one a new channel comes back.
    EXPECT_EQ(PlaySound(sound, music), music);
    TChannelPtr fresh = PlaySound(sound);
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, music);
    EXPECT_TRUE(CueSound(sound));
    for (const TChannelPtr& ch : {music, fresh}) {
        SetChannelVolume(ch, 0.5f);
        SetChannelPan(ch, -1.0f);
        SetChannelDepth(ch, 1.0f);
        SetChannelRate(ch, 2.0f);
        ResumeChannel(ch);
        EXPECT_FALSE(ChannelPlaying(ch));
        PauseChannel(ch);
        StopChannel(ch);
        EXPECT_FALSE(ChannelPlaying(ch));
    }
}

TEST_F(AudioNullDriver, NullSoundsAndChannelsAreTolerated)
{
    TChannelPtr ch = AllocChannel();
    EXPECT_EQ(PlaySound(nullptr, ch), ch);
    EXPECT_EQ(CueSound(nullptr, ch), ch);
    EXPECT_FALSE(PlaySound(nullptr));
    StopChannel(nullptr);
    PauseChannel(nullptr);
    ResumeChannel(nullptr);
    SetChannelVolume(nullptr, 1.0f);
    SetChannelPan(nullptr, 1.0f);
    SetChannelDepth(nullptr, 1.0f);
    SetChannelRate(nullptr, 1.0f);
    EXPECT_FALSE(ChannelPlaying(nullptr));
}

TEST(AudioDriverChoice, DriversAreFoundByNameIgnoringCase)
{
    const std::vector<std::string> names = AudioDrivers();
    EXPECT_EQ(names, (std::vector<std::string>{"DirectSound", "Null"}));
    EXPECT_TRUE(AudioDriverExists("directsound"));
    EXPECT_TRUE(AudioDriverExists("NULL"));
    EXPECT_FALSE(AudioDriverExists("Mixer"));

    EXPECT_TRUE(SetAudioDriver("nUlL"));
    EXPECT_EQ(CurrentAudioDriverName(), "Null");
    // An unknown name leaves the null driver current.
    EXPECT_FALSE(SetAudioDriver("Wave Out"));
    EXPECT_EQ(CurrentAudioDriverName(), "Null");
    ShutdownAudio();
}

// A driver of the test's own that counts its start-ups and shut-downs.
class CountingDriver : public TAudioDriver {
public:
    std::string Name() override { return "Counting"; }
    bool Startup() override { return ++startups, startOk; }
    void Shutdown() override { ++shutdowns; }
    bool startOk = true;
    int startups = 0;
    int shutdowns = 0;
};

TEST(AudioDriverChoice, SwitchingShutsTheOldDriverDown)
{
    auto counting = std::make_shared<CountingDriver>();
    RegisterAudioDriver(counting);
    ASSERT_TRUE(SetAudioDriver("counting"));
    EXPECT_EQ(CurrentAudioDriver(), counting);
    EXPECT_TRUE(SetAudioDriver("Null"));
    EXPECT_EQ(counting->shutdowns, 1);

    counting->startOk = false;
    EXPECT_FALSE(SetAudioDriver("Counting"));
    EXPECT_EQ(counting->startups, 2);
    EXPECT_EQ(CurrentAudioDriverName(), "Null");
    ShutdownAudio();
    EXPECT_EQ(counting->shutdowns, 1);
}

// A driver whose sounds remember the samples they were made of and whether they were played.
class SampleKeepingDriver : public TAudioDriver {
public:
    class Sound : public TSound {
    public:
        Sound(TAudioSamplePtr samples, int32_t flags) : samples(std::move(samples)), flags(flags) {}
        TChannelPtr Play(const TChannelPtr& channel) override
        {
            ++plays;
            return TSound::Play(channel);
        }
        TAudioSamplePtr samples;
        int32_t flags;
        int plays = 0;
    };
    std::string Name() override { return "Keeping"; }
    TSoundPtr CreateSound(const TAudioSamplePtr& samples, int32_t flags) override
    {
        ++made;
        return samples ? std::make_shared<Sound>(samples, flags) : nullptr;
    }
    int made = 0;
};

TEST(PendingSound, PlaysItsSamplesOnceDecodedAndNothingWhenTheyFailed)
{
    auto driver = std::make_shared<SampleKeepingDriver>();
    RegisterAudioDriver(driver);
    ASSERT_TRUE(SetAudioDriver("Keeping"));

    std::promise<TAudioSamplePtr> promise;
    auto pending = std::make_shared<TPendingSound>(promise.get_future().share(), SOUND_LOOP);
    EXPECT_FALSE(pending->Decoded());
    const TAudioSamplePtr samples = TAudioSample::Create(100, 22050, SAMPLE_MONO16LE);
    // Played before its samples are there: it waits for them.
    std::thread decoder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        promise.set_value(samples);
    });
    const TChannelPtr channel = PlaySound(pending);
    decoder.join();
    EXPECT_TRUE(pending->Decoded());
    ASSERT_TRUE(channel);
    auto made = std::dynamic_pointer_cast<SampleKeepingDriver::Sound>(pending->Resolve());
    ASSERT_TRUE(made);
    EXPECT_EQ(made->samples, samples);
    EXPECT_EQ(made->plays, 1);
    // Made once, however often it plays.
    PlaySound(pending, channel);
    EXPECT_EQ(made->plays, 2);
    EXPECT_EQ(driver->made, 1);

    std::promise<TAudioSamplePtr> failing;
    failing.set_value(nullptr);
    auto missing = std::make_shared<TPendingSound>(failing.get_future().share(), 0);
    EXPECT_TRUE(missing->Decoded());
    EXPECT_EQ(PlaySound(missing, channel), channel);
    EXPECT_EQ(CueSound(missing), nullptr);
    EXPECT_EQ(missing->Resolve(), nullptr);
    ShutdownAudio();
}

TEST(PendingSound, ASoundOfACatalogueIsMadeWithItsOwnFlagsPlayedEarlyOrNot)
{
    auto driver = std::make_shared<SampleKeepingDriver>();
    RegisterAudioDriver(driver);
    ASSERT_TRUE(SetAudioDriver("Keeping"));
    const TempDir dir;
    const std::string file = dir.Write("tone.ogg", EncodeOgg(Tone(800, 1, 8000, 440, 0.5, 0.5), 1, 8000));
    TSoundPtr music, early, effect;
    TAssetJobs jobs;
    jobs.push_back(SoundAsset(music, file.c_str(), SOUND_LOOP, TAssetNeed::BeforeMenu));
    jobs.push_back(SoundAsset(early, file.c_str(), SOUND_LOOP, TAssetNeed::BeforeMenu));
    jobs.push_back(SoundAsset(effect, file.c_str(), 0, TAssetNeed::BeforeMenu));
    TAssetLoader loader("sounds", "tests go on without them");
    loader.Start(std::move(jobs));
    loader.Load();
    // Played before the catalogue is settled, it is made through its stand-in.
    PlaySound(early);
    loader.Finish();
    for (const auto& [sound, flags] : {std::pair{music, SOUND_LOOP}, {early, SOUND_LOOP}, {effect, 0}}) {
        const auto made = std::dynamic_pointer_cast<SampleKeepingDriver::Sound>(sound);
        ASSERT_TRUE(made);
        EXPECT_EQ(made->flags, flags);
    }
    ShutdownAudio();
}

}  // namespace

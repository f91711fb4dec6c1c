// The null driver: sounds still load and every channel call is silent and harmless.
#include "AudioTestUtil.h"

#include "framework/audio/Sound.h"

#include <gtest/gtest.h>

#include <algorithm>

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

}  // namespace

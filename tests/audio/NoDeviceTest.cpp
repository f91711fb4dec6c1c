// Start-up on a machine without any audio output: the null driver takes over silently.
#include "AudioTestUtil.h"

#include "framework/audio/Sound.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace audiotest;

namespace {

class AudioNoDevice : public testing::Test {
protected:
    // An output list naming no existing back-end leaves OpenAL without a device, as on a machine
    // without a sound card. It must be set before OpenAL first looks.
    static void SetUpTestSuite() { setenv("ALSOFT_DRIVERS", "krellix-no-such-output", 1); }
    void TearDown() override { ShutdownAudio(); }
    TempDir dir;
};

TEST_F(AudioNoDevice, TheFirstUseFallsBackToTheNullDriverSilently)
{
    testing::internal::CaptureStderr();
    const std::string name = CurrentAudioDriverName();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(name, "Null");
    EXPECT_EQ(said, "");
    EXPECT_FALSE(SetAudioDriver("DirectSound"));
    EXPECT_EQ(CurrentAudioDriverName(), "Null");
}

TEST_F(AudioNoDevice, TheGamePlaysOnWithSilentSounds)
{
    const std::string music = dir.Write("music.ogg", EncodeOgg(Tone(8000, 2, 22050, 330, 0.5, 0.5), 2, 22050));
    TSoundPtr sound = LoadSound(music, SOUND_LOOP);
    ASSERT_TRUE(sound) << "a decodable file still gives a sound";
    EXPECT_FALSE(LoadSound(dir.Path("absent.ogg").string()));
    EXPECT_EQ(CurrentAudioDriverName(), "Null");

    TChannelPtr channel = AllocChannel();
    channel = PlaySound(sound, channel);
    ASSERT_TRUE(channel);
    EXPECT_FALSE(ChannelPlaying(channel));
    PauseChannel(channel);
    ResumeChannel(channel);
    StopChannel(channel);
    EXPECT_FALSE(ChannelPlaying(PlaySound(sound)));
}

}  // namespace

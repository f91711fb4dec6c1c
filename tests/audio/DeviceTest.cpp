// The OpenAL back-end heard through a device that writes its stereo mix to a wave file: forgotten
// effects, pause and resume, loops, volume, pan, rate, channel reuse, copies of a sound and music
// decoded as it plays.
#include "AudioTestUtil.h"

#include "framework/audio/AudioStream.h"
#include "framework/audio/OpenALDriver.h"
#include "framework/audio/Sound.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

using namespace audiotest;

namespace {

constexpr int32_t kRate = 44100;
constexpr size_t kWindow = kRate / 100;

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Polls until done() holds, for at most two seconds.
bool WaitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 200; ++i) {
        if (done()) return true;
        Sleep(10);
    }
    return done();
}

TSoundPtr MakeSound(int32_t frames, int32_t channels, double freq, double start, double end, int32_t flags = 0)
{
    const std::vector<int16_t> pcm = Tone(frames, channels, kRate, freq, start, end);
    TAudioSamplePtr sample = TAudioSample::Create(frames, kRate, channels == 1 ? SAMPLE_MONO16LE : SAMPLE_STEREO16LE);
    std::memcpy(sample->samples, pcm.data(), pcm.size() * sizeof(int16_t));
    return LoadSound(sample, flags);
}

double Db(double ratio) { return 20 * std::log10(ratio); }

// Each test starts the device afresh; the device writes everything it mixes until shut down.
// OpenAL reads its configuration once per process, before the first device opens.
class AudioDevice : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static TempDir dir;
        static const std::string conf = dir.Path("alsoft.conf").string();
        mixPath = dir.Path("mix.wav").string();
        std::ofstream(conf) << "[general]\ndrivers = wave\nchannels = stereo\nsample-type = float32\n"
                               "frequency = 44100\nhrtf = false\noutput-limiter = false\ndither = false\n"
                               "[wave]\nfile = "
                            << mixPath << "\n";
        // The test script asks for the silent null output; this test needs the wave writer.
        setenv("ALSOFT_CONF", conf.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);
    }

    void SetUp() override
    {
        ASSERT_TRUE(SetAudioDriver("DirectSound"));
        ASSERT_EQ(CurrentAudioDriverName(), "DirectSound");
    }

    void TearDown() override
    {
        ShutdownAudio();
        SetGroupVolume(TSoundGroup::Music, 100);
        SetGroupVolume(TSoundGroup::Effects, 100);
    }

    Mix Capture()
    {
        ShutdownAudio();
        return ReadMix(mixPath);
    }

    TOpenALAudioDriver& Driver() { return dynamic_cast<TOpenALAudioDriver&>(*CurrentAudioDriver()); }

    static inline std::string mixPath;
};

TEST_F(AudioDevice, AForgottenEffectIsHeardToItsEnd)
{
    // A quarter second rising from 0.2 to 0.6 of full scale.
    TSoundPtr effect = MakeSound(11025, 1, 1000, 0.2, 0.6);
    PlaySound(effect);
    Sleep(400);
    // Sound and channel both dropped at once: the driver keeps the copy until it ends.
    PlaySound(MakeSound(11025, 1, 1000, 0.2, 0.6));
    Sleep(400);
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), 2u);
    for (const Segment& s : heard) {
        EXPECT_NEAR(static_cast<double>(s.Length()), 11025.0, 2.0 * kWindow);
        const double head = Rms(mix, s.from + kWindow / 2, s.from + kWindow * 3 / 2);
        const double tail = Rms(mix, s.to - kWindow * 3 / 2, s.to - kWindow / 2);
        EXPECT_NEAR(tail / head, 3.0, 0.45) << "the loud end of the effect was heard";
    }
}

TEST_F(AudioDevice, AReleasedCuedOrPausedChannelStops)
{
    TSoundPtr sound = MakeSound(22050, 1, 1000, 0.5, 0.5);
    {
        TChannelPtr cued = CueSound(sound, AllocChannel());
        Sleep(150);
        TChannelPtr paused = PlaySound(sound, AllocChannel());
        Sleep(100);
        ASSERT_TRUE(ChannelPlaying(paused));
        PauseChannel(paused);
    }
    EXPECT_EQ(Driver().LiveSources(), 2);
    Sleep(300);
    // Both copies were stopped with their channels, so they are free for the next plays.
    TChannelPtr again = PlaySound(sound);
    PlaySound(sound);
    EXPECT_EQ(Driver().LiveSources(), 2);
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(again); }));
    Sleep(50);
    const Mix mix = Capture();
    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), 2u) << "the cued channel made no sound, the paused one stopped";
    EXPECT_LT(heard[0].Length(), 15000u);
    EXPECT_NEAR(static_cast<double>(heard[1].Length()), 22050.0, 2.0 * kWindow);
}

TEST_F(AudioDevice, APausedChannelIsSilentAndResumesWhereItStopped)
{
    // 0.4 s rising from 0.1 to 0.9: the level tells the position in the sound.
    TSoundPtr sound = MakeSound(17640, 1, 1000, 0.1, 0.9);
    TChannelPtr channel = PlaySound(sound, AllocChannel());
    EXPECT_TRUE(ChannelPlaying(channel));
    Sleep(120);
    ASSERT_TRUE(ChannelPlaying(channel)) << "still playing before the pause";
    PauseChannel(channel);
    EXPECT_FALSE(ChannelPlaying(channel));
    Sleep(250);
    EXPECT_FALSE(ChannelPlaying(channel));
    ResumeChannel(channel);
    EXPECT_TRUE(ChannelPlaying(channel));
    // Resuming a playing channel does not restart it.
    ResumeChannel(channel);
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channel); }));
    Sleep(50);
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), 2u);
    const Segment& before = heard[0];
    const Segment& after = heard[1];
    EXPECT_GT(after.from - before.to, 150u * kRate / 1000) << "silent while paused";
    EXPECT_NEAR(static_cast<double>(before.Length() + after.Length()), 17640.0, 3.0 * kWindow);
    const double start = Rms(mix, before.from + kWindow / 2, before.from + kWindow * 3 / 2);
    const double atPause = Rms(mix, before.to - kWindow * 3 / 2, before.to - kWindow / 2);
    const double atResume = Rms(mix, after.from + kWindow / 2, after.from + kWindow * 3 / 2);
    EXPECT_NEAR(atResume / atPause, 1.0, 0.2) << "resumed where it stopped";
    EXPECT_GT(atResume / start, 2.0) << "not from the beginning";
}

TEST_F(AudioDevice, ALoopRepeatsUntilStoppedAndThenGoesQuiet)
{
    TSoundPtr loop = MakeSound(4410, 1, 1000, 0.5, 0.5, SOUND_LOOP);
    TChannelPtr channel = PlaySound(loop, AllocChannel());
    Sleep(450);
    EXPECT_TRUE(ChannelPlaying(channel)) << "still going after four times its length";
    StopChannel(channel);
    EXPECT_FALSE(ChannelPlaying(channel));
    Sleep(250);
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_GT(heard[0].Length(), 3u * 4410u);
    EXPECT_GT(mix.Frames() - heard[0].to, 150u * kRate / 1000) << "quiet after the stop";
}

TEST_F(AudioDevice, HalfVolumeIsSixPointSevenDecibelsDown)
{
    TSoundPtr sound = MakeSound(8820, 1, 1000, 0.5, 0.5);
    TChannelPtr full = PlaySound(sound, AllocChannel());
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(full); }));
    Sleep(100);
    TChannelPtr half = AllocChannel();
    SetChannelVolume(half, 0.5f);
    PlaySound(sound, half);
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(half); }));
    Sleep(100);
    // Set while playing, the volume applies at once.
    TChannelPtr quiet = PlaySound(sound, AllocChannel());
    SetChannelVolume(quiet, 0.0f);
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(quiet); }));
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix, 0.001);
    ASSERT_EQ(heard.size(), 2u) << "volume 0 is 100 dB down";
    auto steady = [&](const Segment& s) { return Rms(mix, s.from + 2 * kWindow, s.to - 2 * kWindow); };
    EXPECT_NEAR(Db(steady(heard[1]) / steady(heard[0])), -6.7, 0.1);
}

TEST_F(AudioDevice, ThePlayersVolumesScaleMusicAndEffectsApartAndAtOnce)
{
    // Music is what loops: a 1000 Hz loop; the effect is a long 500 Hz tone. Phases of 300 ms:
    // both at 100 %, music at 50 %, then effects at 0 % (and a 700 Hz effect started then).
    TSoundPtr music = MakeSound(4410, 1, 1000, 0.3, 0.3, SOUND_LOOP);
    TSoundPtr effect = MakeSound(44100, 1, 500, 0.3, 0.3);
    TChannelPtr effectChannel = PlaySound(effect, AllocChannel());
    TChannelPtr musicChannel = PlaySound(music, AllocChannel());
    SetChannelVolume(musicChannel, 0.5f);
    Sleep(300);
    SetGroupVolume(TSoundGroup::Music, 50);
    Sleep(300);
    SetGroupVolume(TSoundGroup::Effects, 0);
    PlaySound(MakeSound(8820, 1, 700, 0.3, 0.3));
    Sleep(300);
    StopChannel(musicChannel);
    StopChannel(effectChannel);
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_FALSE(heard.empty());
    const size_t phase = 300 * kRate / 1000;
    auto level = [&](int k, double freq) {
        const size_t a = heard[0].from + k * phase + phase / 3, b = heard[0].from + (k + 1) * phase - phase / 6;
        return ToneLevel(mix.left, kRate, freq, a, b);
    };
    // The channel's own -6.7 dB stays under the player's volume: 50 % is (1/2)^3, -18.1 dB.
    EXPECT_NEAR(Db(level(0, 1000) / level(0, 500)), -6.7, 0.3);
    EXPECT_NEAR(Db(level(1, 1000) / level(0, 1000)), -18.1, 0.3);
    EXPECT_NEAR(Db(level(1, 500) / level(0, 500)), 0.0, 0.2);
    EXPECT_NEAR(Db(level(2, 1000) / level(0, 1000)), -18.1, 0.3);
    EXPECT_LT(level(2, 500), 1e-4);
    EXPECT_LT(level(2, 700), 1e-4) << "an effect started at 0 % is silent";
}

TEST_F(AudioDevice, PanPutsTheFarSideTheShapedNumberOfDecibelsDown)
{
    TSoundPtr mono = MakeSound(8820, 1, 1000, 0.5, 0.5);
    TSoundPtr stereo = MakeSound(8820, 2, 1000, 0.5, 0.5);
    const std::vector<std::pair<TSoundPtr, float>> plays{
        {mono, 0.5f}, {mono, -1.0f}, {mono, 0.0f}, {stereo, 1.0f}, {stereo, -0.5f}};
    for (const auto& [sound, pan] : plays) {
        TChannelPtr channel = AllocChannel();
        SetChannelPan(channel, pan);
        PlaySound(sound, channel);
        ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channel); }));
        Sleep(100);
    }
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), plays.size());
    auto separation = [&](const Segment& s) {
        const size_t a = s.from + 2 * kWindow, b = s.to - 2 * kWindow;
        return Db(std::max(RmsOf(mix.right, a, b), 1e-6) / std::max(RmsOf(mix.left, a, b), 1e-6));
    };
    // Pan 0.5 is stored as 1 - 0.5^0.1 = 0.067: 6.7 dB.
    EXPECT_NEAR(separation(heard[0]), 6.7, 0.5);
    EXPECT_LT(separation(heard[1]), -60.0);
    EXPECT_NEAR(separation(heard[2]), 0.0, 0.1);
    EXPECT_GT(separation(heard[3]), 60.0);
    EXPECT_LT(separation(heard[4]), -3.0);
}

TEST_F(AudioDevice, RateChangesSpeedAndPitch)
{
    TSoundPtr sound = MakeSound(22050, 1, 500, 0.5, 0.5);
    TChannelPtr channel = AllocChannel();
    SetChannelRate(channel, 2.0f);
    PlaySound(sound, channel);
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channel); }));
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NEAR(static_cast<double>(heard[0].Length()), 11025.0, 2.0 * kWindow);
    const size_t a = heard[0].from + 2 * kWindow, b = heard[0].to - 2 * kWindow;
    EXPECT_GT(ToneLevel(mix.left, kRate, 1000, a, b), 20 * ToneLevel(mix.left, kRate, 500, a, b));
}

TEST_F(AudioDevice, PlayingOnABusyChannelStartsTheNewSoundFromItsBeginning)
{
    TSoundPtr first = MakeSound(kRate, 1, 440, 0.5, 0.5, SOUND_LOOP);
    TSoundPtr second = MakeSound(13230, 1, 1320, 0.1, 0.7);
    TChannelPtr music = AllocChannel();
    EXPECT_EQ(PlaySound(first, music), music);
    Sleep(150);
    EXPECT_EQ(PlaySound(second, music), music);
    EXPECT_TRUE(ChannelPlaying(music));
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(music); }));
    Sleep(50);
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_FALSE(heard.empty());
    const Segment& s = heard.back();
    // The last 0.3 s hold only the new sound, rising from its quiet start.
    const size_t from = s.to - 13230 + 2 * kWindow, to = s.to - 2 * kWindow;
    EXPECT_LT(ToneLevel(mix.left, kRate, 440, from, to), 0.01);
    EXPECT_GT(ToneLevel(mix.left, kRate, 1320, from, to), 0.05);
    EXPECT_GT(Rms(mix, to - kWindow, to) / Rms(mix, from, from + kWindow), 3.0);
}

TEST_F(AudioDevice, CuedChannelsWaitAtTheStartAndFinishedOnesStayQuiet)
{
    TSoundPtr sound = MakeSound(6615, 1, 1000, 0.5, 0.5);
    TChannelPtr channel = CueSound(sound);
    ASSERT_TRUE(channel);
    EXPECT_FALSE(ChannelPlaying(channel));
    Sleep(150);
    ResumeChannel(channel);
    EXPECT_TRUE(ChannelPlaying(channel));
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channel); }));
    // A finished channel gives up its copy: resuming it plays nothing.
    ResumeChannel(channel);
    EXPECT_FALSE(ChannelPlaying(channel));
    PauseChannel(channel);
    Sleep(200);
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NEAR(static_cast<double>(heard[0].Length()), 6615.0, 2.0 * kWindow);
}

TEST_F(AudioDevice, OverlappingPlaysUseSeparateCopiesThatAreReused)
{
    TSoundPtr effect = MakeSound(4410, 1, 1000, 0.3, 0.3);
    TSoundPtr other = MakeSound(4410, 1, 700, 0.3, 0.3);
    std::vector<TChannelPtr> channels;
    for (int i = 0; i < 3; ++i) channels.push_back(PlaySound(effect));
    EXPECT_EQ(Driver().LiveSources(), 3);
    for (const TChannelPtr& c : channels) EXPECT_TRUE(ChannelPlaying(c));
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channels[0]) && !ChannelPlaying(channels[2]); }));
    for (int i = 0; i < 3; ++i) PlaySound(effect);
    EXPECT_EQ(Driver().LiveSources(), 3) << "finished copies are played again";
    // A channel whose finished copy went to another channel no longer controls it.
    for (const TChannelPtr& c : channels) {
        StopChannel(c);
        PauseChannel(c);
    }
    TChannelPtr latest = PlaySound(effect);
    EXPECT_TRUE(ChannelPlaying(latest));
    EXPECT_EQ(Driver().LiveSources(), 4);
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(latest); }));
    TChannelPtr reused = PlaySound(effect);
    StopChannel(latest);
    EXPECT_TRUE(ChannelPlaying(reused));
    Sleep(150);

    // At the cap a cue first takes the idle copies of other sounds.
    for (int i = 0; i < 4; ++i) PlaySound(effect);
    Driver().SetSourceLimit(4);
    TChannelPtr refused = PlaySound(other);
    EXPECT_FALSE(ChannelPlaying(refused)) << "every copy is busy";
    Sleep(250);
    TChannelPtr taken = PlaySound(other);
    EXPECT_TRUE(ChannelPlaying(taken));
    EXPECT_LE(Driver().LiveSources(), 4);
}

TEST_F(AudioDevice, AfterShutdownOldSoundsAndChannelsAreSilentButUsable)
{
    TSoundPtr old = MakeSound(44100, 1, 1000, 0.5, 0.5);
    TChannelPtr channel = PlaySound(old, AllocChannel());
    EXPECT_TRUE(ChannelPlaying(channel));
    ShutdownAudio();
    EXPECT_FALSE(ChannelPlaying(channel));
    PauseChannel(channel);
    SetChannelVolume(channel, 0.3f);
    StopChannel(channel);
    EXPECT_FALSE(ChannelPlaying(PlaySound(old)));

    ASSERT_TRUE(SetAudioDriver("DirectSound"));
    EXPECT_FALSE(ChannelPlaying(PlaySound(old)));
    TSoundPtr fresh = MakeSound(4410, 1, 1000, 0.5, 0.5);
    EXPECT_EQ(PlaySound(fresh, channel), channel);
    EXPECT_TRUE(ChannelPlaying(channel));
}

TEST_F(AudioDevice, OggFilesPlayThroughTheDevice)
{
    TempDir dir;
    const std::string path = dir.Write("tone.ogg", EncodeOgg(Tone(11025, 2, kRate, 800, 0.5, 0.5), 2, kRate));
    TSoundPtr sound = LoadSound(path);
    ASSERT_TRUE(sound);
    TChannelPtr channel = PlaySound(sound);
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channel); }));
    const Mix mix = Capture();

    const std::vector<Segment> heard = AudibleSegments(mix);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NEAR(static_cast<double>(heard[0].Length()), 11025.0, 2.0 * kWindow);
    const size_t a = heard[0].from + 2 * kWindow, b = heard[0].to - 2 * kWindow;
    EXPECT_GT(ToneLevel(mix.right, kRate, 800, a, b), 0.3);
}

size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

TEST_F(AudioDevice, ADecodedSoundIsHeldOnceAndItsFramesOutliveTheDevice)
{
    // Larger than the C library ever takes from its heap: the device's memory for it is given
    // back to the system when the device frees it, and reading it then would fault.
    constexpr int32_t frames = 9 << 20;
    std::vector<int16_t> pattern(2 * frames);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<int16_t>(i * 7);
    const size_t before = HeapInUse();
    TAudioSamplePtr sample = TAudioSample::Create(frames, kRate, SAMPLE_STEREO16LE);
    std::memcpy(sample->samples, pattern.data(), pattern.size() * sizeof(int16_t));
    TSoundPtr sound = LoadSound(sample);
    ASSERT_TRUE(sound);
    // The device plays the very memory the sample was written into, not a copy of it.
    EXPECT_LT(HeapInUse() - before, pattern.size() * sizeof(int16_t) * 3 / 2);
    EXPECT_TRUE(ChannelPlaying(PlaySound(sound)));

    ShutdownAudio();
    sound = nullptr;
    EXPECT_EQ(std::memcmp(sample->samples, pattern.data(), pattern.size() * sizeof(int16_t)), 0);
    // On the next device it is copied like any sample from elsewhere.
    ASSERT_TRUE(SetAudioDriver("DirectSound"));
    EXPECT_TRUE(ChannelPlaying(PlaySound(LoadSound(sample))));
}

TEST_F(AudioDevice, ASampleRetunedAfterDecodingPlaysAtItsNewRate)
{
    const std::vector<int16_t> pcm = Tone(4410, 1, kRate, 1000, 0.5, 0.5);
    TAudioSamplePtr sample = TAudioSample::Create(4410, kRate, SAMPLE_MONO16LE);
    std::memcpy(sample->samples, pcm.data(), pcm.size() * sizeof(int16_t));
    sample->hertz = kRate / 2;
    TChannelPtr channel = PlaySound(LoadSound(sample));
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channel); }));
    const std::vector<Segment> heard = AudibleSegments(Capture());
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NEAR(static_cast<double>(heard[0].Length()), 8820.0, 2.0 * kWindow);
}

TEST_F(AudioDevice, BuffersTheDeviceRefusesAreErrors)
{
    TAudioSamplePtr noRate = TAudioSample::Create(100, 0, SAMPLE_MONO8);
    std::memset(noRate->samples, 128, 100);
    try {
        LoadSound(noRate);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "CreateSoundBuffer failed (40963)");
    }
    // Eight-bit and big-endian samples are taken as they are.
    TAudioSamplePtr big = TAudioSample::Create(2, 8000, SAMPLE_STEREO16BE);
    std::memset(big->samples, 0, 8);
    EXPECT_TRUE(LoadSound(big));
    EXPECT_TRUE(LoadSound(TAudioSample::Create(0, 8000, SAMPLE_STEREO8)));
}

}  // namespace

TEST_F(AudioDevice, StreamedMusicSoundsAsTheWholeDecodeLoopingAndPausesAndStopsAlike)
{
    // Longer than the decoded head and rising, so that the pieces decoded while playing and the
    // seam are both heard; it goes round one and a half times.
    TempDir dir;
    constexpr int32_t kFrames = 36000;
    const std::string path = dir.Write("music.ogg", EncodeOgg(Tone(kFrames, 1, kRate, 600, 0.1, 0.8), 1, kRate));
    const auto record = [&](const TSoundPtr& sound, bool pause) {
        TChannelPtr channel = PlaySound(sound, AllocChannel());
        Sleep(700);
        if (pause) {
            PauseChannel(channel);
            Sleep(300);
            EXPECT_FALSE(ChannelPlaying(channel));
            ResumeChannel(channel);
        }
        Sleep(800);
        EXPECT_TRUE(ChannelPlaying(channel));
        StopChannel(channel);
        Sleep(200);
        Mix mix = Capture();
        EXPECT_TRUE(SetAudioDriver("DirectSound"));
        return mix;
    };
    const Mix whole = record(LoadSound(LoadAudioSample(path), SOUND_LOOP), false);
    const TAudioStreamPtr stream = TAudioStream::Load(path);
    ASSERT_TRUE(stream && !stream->Whole());
    const Mix paused = record(LoadSound(stream, SOUND_LOOP), true);

    // What is heard, every silent frame left out (the device writes exact zeros when nothing plays):
    // the same frames in the same order.
    const auto heard = [](const Mix& mix) {
        std::vector<float> frames;
        std::copy_if(mix.left.begin(), mix.left.end(), std::back_inserter(frames), [](float f) { return f != 0.0f; });
        return frames;
    };
    const std::vector<float> expected = heard(whole);
    ASSERT_GT(expected.size(), size_t{kFrames} * 3 / 2);
    const std::vector<float> got = heard(paused);
    ASSERT_GT(got.size(), size_t{kFrames} * 3 / 2);
    double worst = 0;
    for (size_t i = 0; i < size_t{kFrames} * 3 / 2; ++i)
        worst = std::max(worst, static_cast<double>(std::abs(got[i] - expected[i])));
    EXPECT_LT(worst, 1e-6);
    EXPECT_GT(paused.Frames() - AudibleSegments(paused, 0.001).back().to, size_t{kRate} / 10) << "quiet after the stop";
    const std::vector<Segment> resumed = AudibleSegments(paused, 0.001);
    ASSERT_EQ(resumed.size(), 2u);
    // Paused for 300 ms of wall time; the device's mixing may fall behind and catch up around it,
    // so a tenth of a second of quiet is what is asked (11000 frames were once heard for 11025).
    EXPECT_GT(resumed[1].from - resumed[0].to, size_t{kRate} / 10) << "quiet while paused";
}

TEST_F(AudioDevice, StreamedMusicThatDoesNotLoopIsHeardToItsLastFrame)
{
    // Its last piece is shorter than the others.
    TempDir dir;
    const std::string path = dir.Write("music.ogg", EncodeOgg(Tone(36000, 2, kRate, 800, 0.5, 0.5), 2, kRate));
    TChannelPtr channel = PlaySound(LoadSound(TAudioStream::Load(path)));
    ASSERT_TRUE(WaitFor([&] { return !ChannelPlaying(channel); }));
    const std::vector<Segment> heard = AudibleSegments(Capture());
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NEAR(static_cast<double>(heard[0].Length()), 36000.0, 2.0 * kWindow);
}

// The generated sounds: every file the game loads is there, decodes through our own loaders with a
// sensible rate and length, is neither silent nor clipped, differs from the others, the looping
// music wraps without a step, levels are even within each kind of sound, nothing is spent below
// hearing, the spoken words stand clear of their stings, and the generator writes the same bytes
// on every run.
#include "Catalogue.h"
#include "Measures.h"
#include "Speech.h"

#include "framework/audio/Audio.h"
#include "framework/audio/Sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum class Kind { Effect, Voice, Music };

struct SoundFile {
    const char* path;  // below the data folder, as the game opens it
    Kind kind;
    bool loops;     // loaded with the loop flag: must wrap without a step
    int32_t hertz;  // 44.1 kHz for music and the effects whose high end matters
    double minSeconds;
    double maxSeconds;
};

// Every sound the game loads at start-up and every level music id's file.
const SoundFile kSounds[] = {
    {"sounds/SFX_NormalBlock.ogg", Kind::Effect, false, 44100, 0.1, 1.0},
    {"sounds/SFX_MultiHitBlock.ogg", Kind::Effect, false, 44100, 0.1, 1.0},
    {"sounds/SFX_Padhit_01.ogg", Kind::Effect, false, 22050, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit.ogg", Kind::Effect, false, 22050, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit2.ogg", Kind::Effect, false, 22050, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit3.ogg", Kind::Effect, false, 22050, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit4.ogg", Kind::Effect, false, 22050, 0.05, 0.6},
    {"sounds/GameMusic/Tonmark_Intro.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameOver_VoiceMuz.ogg", Kind::Voice, false, 22050, 3.0, 8.0},
    {"sounds/GameMusic/Tonmark_Hiscore.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/tonmark_vortanoCover.ogg", Kind::Music, false, 36000, 20.0, 60.0},
    {"sounds/SFX_Explosion.ogg", Kind::Effect, false, 44100, 0.4, 3.0},
    {"sounds/SFX_AlienReleasePER.ogg", Kind::Effect, false, 22050, 0.2, 1.5},
    {"sounds/SFX_AlienRelease.ogg", Kind::Effect, false, 22050, 0.2, 1.5},
    {"sounds/FX_zogexplode.ogg", Kind::Effect, false, 44100, 3.0, 10.0},
    {"sounds/zog_hit1.ogg", Kind::Effect, false, 22050, 0.2, 1.5},
    {"sounds/zog_hit2.ogg", Kind::Effect, false, 22050, 0.2, 1.5},
    {"sounds/zog_hit3.ogg", Kind::Effect, false, 22050, 0.2, 1.5},
    {"sounds/zog_hit4.ogg", Kind::Effect, false, 22050, 0.2, 1.5},
    {"sounds/SFX_Lazer.ogg", Kind::Effect, false, 44100, 0.1, 0.6},
    {"sounds/SFX_Lazerhit.ogg", Kind::Effect, false, 44100, 0.05, 0.6},
    {"sounds/Bonus_SizeIncrease.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_SizeDecrease.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_FreezeMode.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_TripleBall.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_ExtraLife.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_EscapeGranted.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_SlowMode.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_GunEnabled.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/Bonus_ExtraPoints.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/SFX_GetReady.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/NextLevel_alt.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/LifeLost_alt.ogg", Kind::Voice, false, 22050, 0.6, 3.0},
    {"sounds/GameMusic/Tonmark_Ingame1.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame2.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame3.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame4.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame5.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame6.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame7.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame8.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_1.ogg", Kind::Music, true, 22050, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_2.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_3.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_4.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_5.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_6.ogg", Kind::Music, true, 32000, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_7.ogg", Kind::Music, true, 36000, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_8.ogg", Kind::Music, true, 24000, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_ZogLevel.ogg", Kind::Music, true, 36000, 20.0, 60.0},
};

// Names the case by its file in test output.
void PrintTo(const SoundFile& s, std::ostream* out) { *out << s.path; }

fs::path DataPath(const char* relative) { return fs::path(KRELLIX_DATA_DIR) / relative; }

// Decoded PCM, one vector per channel.
struct Decoded {
    int32_t hertz = 0;
    int32_t format = 0;
    std::vector<std::vector<int32_t>> channels;

    size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
    double Seconds() const { return hertz > 0 ? static_cast<double>(Frames()) / hertz : 0.0; }
};

// Through the game's own loader chain, as LoadSound reads it.
Decoded Decode(const char* relative)
{
    Decoded d;
    const TAudioSamplePtr sample = LoadAudioSample(DataPath(relative).string());
    if (!sample) {
        return d;
    }
    d.hertz = sample->hertz;
    d.format = sample->format;
    const int32_t count = SampleChannels(sample->format);
    d.channels.assign(static_cast<size_t>(count), std::vector<int32_t>(static_cast<size_t>(sample->length)));
    const uint8_t* p = sample->samples;
    for (int32_t i = 0; i < sample->length; ++i) {
        for (int32_t c = 0; c < count; ++c, p += 2) {
            d.channels[static_cast<size_t>(c)][static_cast<size_t>(i)] = static_cast<int16_t>(p[0] | p[1] << 8);
        }
    }
    return d;
}

// The decoded files are shared by several tests; each is decoded once.
const Decoded& Cached(const char* relative)
{
    static std::map<std::string, Decoded> cache;
    auto it = cache.find(relative);
    if (it == cache.end()) {
        it = cache.emplace(relative, Decode(relative)).first;
    }
    return it->second;
}

double RmsDb(const std::vector<int32_t>& pcm)
{
    double energy = 0.0;
    for (int32_t v : pcm) {
        energy += static_cast<double>(v) * v;
    }
    const double rms = std::sqrt(energy / std::max<size_t>(1, pcm.size())) / 32768.0;
    return 20.0 * std::log10(std::max(rms, 1e-9));
}

std::vector<measure::Signal> AsSignals(const Decoded& d)
{
    std::vector<measure::Signal> signals;
    for (const std::vector<int32_t>& pcm : d.channels) {
        measure::Signal& s = signals.emplace_back(pcm.size());
        std::transform(pcm.begin(), pcm.end(), s.begin(), [](int32_t v) { return v / 32768.0; });
    }
    return signals;
}

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class SoundAsset : public testing::TestWithParam<SoundFile> {};

TEST_P(SoundAsset, DecodesThroughOurLoaderWithTheExpectedFormatAndLength)
{
    const SoundFile& s = GetParam();
    ASSERT_TRUE(fs::is_regular_file(DataPath(s.path))) << s.path << " was not generated";
    const Decoded& d = Cached(s.path);
    ASSERT_GT(d.Frames(), 0u) << s.path << " does not decode";
    EXPECT_EQ(d.format, s.kind == Kind::Music ? SAMPLE_STEREO16LE : SAMPLE_MONO16LE);
    EXPECT_EQ(d.hertz, s.hertz);
    EXPECT_GE(d.Seconds(), s.minSeconds);
    EXPECT_LE(d.Seconds(), s.maxSeconds);
}

TEST_P(SoundAsset, IsAudibleAndNotClipped)
{
    const SoundFile& s = GetParam();
    const Decoded& d = Cached(s.path);
    ASSERT_GT(d.Frames(), 0u);
    for (const std::vector<int32_t>& pcm : d.channels) {
        const double level = RmsDb(pcm);
        EXPECT_GT(level, -32.0) << s.path << " is too quiet";
        EXPECT_LT(level, -8.0) << s.path << " is too loud";
        const auto clipped = std::count_if(pcm.begin(), pcm.end(), [](int32_t v) { return v >= 32767 || v <= -32768; });
        EXPECT_LE(static_cast<size_t>(clipped), pcm.size() / 10000) << s.path << " clips";
    }
}

// A looping piece must join its end to its start like any two neighbouring samples: the step
// across the seam is compared with the largest steps near both ends.
TEST_P(SoundAsset, LoopsWithoutAStepOrEndsInSilence)
{
    const SoundFile& s = GetParam();
    const Decoded& d = Cached(s.path);
    ASSERT_GT(d.Frames(), 4096u);
    for (const std::vector<int32_t>& pcm : d.channels) {
        const size_t n = pcm.size();
        if (!s.loops) {
            if (s.kind == Kind::Music) {
                EXPECT_LT(std::abs(pcm.front()), 300) << s.path << " starts on a step";
            }
            EXPECT_LT(std::abs(pcm.back()), 300) << s.path << " stops on a step";
            continue;
        }
        int32_t local = 1;
        for (size_t i = 0; i + 1 < 2048; ++i) {
            local = std::max({local, std::abs(pcm[i + 1] - pcm[i]), std::abs(pcm[n - 1 - i] - pcm[n - 2 - i])});
        }
        EXPECT_LE(std::abs(pcm.front() - pcm.back()), local * 3 / 2) << s.path << " clicks at its loop point";
    }
}

TEST_P(SoundAsset, LoadsAsAGameSoundWithItsLoopFlag)
{
    const SoundFile& s = GetParam();
    ASSERT_TRUE(SetAudioDriver("Null"));
    EXPECT_NE(LoadSound(DataPath(s.path).string(), s.loops ? SOUND_LOOP : 0), nullptr);
}

// Nothing below hearing: no offset, and in the effects and cues little energy under 30 Hz, which
// small speakers cannot play and which only eats headroom (the soundscapes' deepest drones sit
// there on purpose); no peak between the samples above -1 dBTP, so a player's resampler or
// converter never clips.
TEST_P(SoundAsset, HasNoOffsetNoRumbleAndHeadroom)
{
    const SoundFile& s = GetParam();
    const Decoded& d = Cached(s.path);
    ASSERT_GT(d.Frames(), 0u);
    const std::vector<measure::Signal> signals = AsSignals(d);
    for (const measure::Signal& channel : signals) {
        EXPECT_LE(std::fabs(measure::DcOffset(channel)), 0.005) << s.path;
        if (s.kind != Kind::Music) {
            EXPECT_LE(measure::ShareBelow(channel, d.hertz, 30.0), 0.01) << s.path;
        }
    }
    EXPECT_LE(measure::TruePeakDb(signals), -1.0) << s.path;
}

std::string CaseName(const testing::TestParamInfo<SoundFile>& info)
{
    std::string name = fs::path(info.param.path).stem().string();
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, SoundAsset, testing::ValuesIn(kSounds), CaseName);

// No two sounds are the same recording: same-length pairs must differ clearly sample by sample.
TEST(SoundAssets, AreDistinct)
{
    for (size_t a = 0; a < std::size(kSounds); ++a) {
        for (size_t b = a + 1; b < std::size(kSounds); ++b) {
            const Decoded& x = Cached(kSounds[a].path);
            const Decoded& y = Cached(kSounds[b].path);
            if (x.Frames() != y.Frames() || x.channels.size() != y.channels.size() || x.Frames() == 0) {
                continue;
            }
            double difference = 0.0;
            double energy = 0.0;
            for (size_t c = 0; c < x.channels.size(); ++c) {
                for (size_t i = 0; i < x.Frames(); ++i) {
                    const double dv = x.channels[c][i] - y.channels[c][i];
                    difference += dv * dv;
                    energy += static_cast<double>(x.channels[c][i]) * x.channels[c][i];
                }
            }
            EXPECT_GT(difference, 0.1 * energy) << kSounds[a].path << " sounds like " << kSounds[b].path;
        }
    }
}

// The data folder holds the catalogue and nothing stale beside it (hidden build stamps aside).
TEST(SoundAssets, DataFolderHoldsExactlyTheCatalogue)
{
    std::set<std::string> expected;
    for (const SoundFile& s : kSounds) {
        expected.insert(s.path);
    }
    std::set<std::string> found;
    const fs::path root = fs::path(KRELLIX_DATA_DIR);
    for (const auto& entry : fs::recursive_directory_iterator(root / "sounds")) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
            found.insert(fs::relative(entry.path(), root).generic_string());
        }
    }
    EXPECT_EQ(found, expected);
}

// A second run of the generator writes byte-identical files: every effect and cue, and one tune
// and one soundscape, on two threads. Each file is made on its own from its own seed, so a chosen
// few stand for the music; the whole set again would take most of a minute of the suite.
TEST(SoundAssets, GeneratorIsDeterministic)
{
    const fs::path again = fs::temp_directory_path() / ("krellix-sounds-" + std::to_string(::getpid()));
    fs::remove_all(again);
    const std::set<std::string> musicChecked = {"sounds/GameMusic/Tonmark_Ingame3.ogg",
                                                "sounds/GameMusic/Soundscape_5.ogg"};
    std::vector<const SoundFile*> checked;
    std::string command = std::string("\"") + KRELLIX_SOUND_GENERATOR + "\" \"" + again.string() + "\" --jobs 2";
    for (const SoundFile& s : kSounds) {
        if (s.kind == Kind::Music && musicChecked.count(s.path) == 0) {
            continue;
        }
        checked.push_back(&s);
        command += " --only " + fs::path(s.path).lexically_relative("sounds").generic_string();
    }
    ASSERT_EQ(checked.size(), std::size(kSounds) - 18);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const SoundFile* s : checked) {
        const fs::path relative = fs::path(s->path).lexically_relative("sounds");
        const std::vector<uint8_t> first = ReadBytes(DataPath(s->path));
        const std::vector<uint8_t> second = ReadBytes(again / relative);
        EXPECT_FALSE(second.empty()) << relative << " missing from the second run";
        EXPECT_TRUE(first == second) << relative << " differs between runs";
    }
    fs::remove_all(again);
}

// Loudness as BS.1770 hears it: an effect or a cue by its loudest 400 ms, a piece of music over
// its whole length. The effects sit within 3 dB of each other and the voices within 2 dB, a little
// above the effects so the words carry over the play; the music keeps its level. Prints every
// figure, so a run of this test is also the measurement.
TEST(SoundAssets, LoudnessIsEvenWithinEachKind)
{
    std::map<Kind, std::vector<std::pair<std::string, double>>> levels;
    std::printf("%-45s %8s %8s %9s %8s\n", "file", "LUFS", "dBTP", "<30Hz %", "DC");
    for (const SoundFile& s : kSounds) {
        const Decoded& d = Cached(s.path);
        ASSERT_GT(d.Frames(), 0u) << s.path;
        const std::vector<measure::Signal> signals = AsSignals(d);
        const double loudness = s.kind == Kind::Music ? measure::IntegratedLoudness(signals, d.hertz)
                                                      : measure::MaxMomentaryLoudness(signals, d.hertz);
        levels[s.kind].emplace_back(s.path, loudness);
        // The share under 30 Hz only where it is held down: a whole piece of music's spectrum costs
        // most of this test's time, for a figure nothing limits.
        double rumble = 0.0;
        double dc = 0.0;
        for (const measure::Signal& channel : signals) {
            if (s.kind != Kind::Music) {
                rumble = std::max(rumble, measure::ShareBelow(channel, d.hertz, 30.0));
            }
            dc = std::max(dc, std::fabs(measure::DcOffset(channel)));
        }
        const std::string below = s.kind == Kind::Music ? "-" : std::to_string(100.0 * rumble).substr(0, 5);
        std::printf("%-45s %8.2f %8.2f %9s %8.4f\n", s.path, loudness, measure::TruePeakDb(signals), below.c_str(), dc);
    }
    const auto spread = [](const std::vector<std::pair<std::string, double>>& v) {
        const auto [lo, hi] =
            std::minmax_element(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
        return std::make_pair(*lo, *hi);
    };
    const auto [quietEffect, loudEffect] = spread(levels[Kind::Effect]);
    EXPECT_LE(loudEffect.second - quietEffect.second, 3.0) << quietEffect.first << " against " << loudEffect.first;
    const auto [quietVoice, loudVoice] = spread(levels[Kind::Voice]);
    EXPECT_LE(loudVoice.second - quietVoice.second, 2.0) << quietVoice.first << " against " << loudVoice.first;
    std::vector<double> effects;
    for (const auto& e : levels[Kind::Effect]) {
        effects.push_back(e.second);
    }
    std::sort(effects.begin(), effects.end());
    const double median = effects.size() % 2 == 1
                              ? effects[effects.size() / 2]
                              : (effects[effects.size() / 2 - 1] + effects[effects.size() / 2]) / 2.0;
    std::printf("effects' median %.2f LUFS\n", median);
    for (const auto& [path, loudness] : levels[Kind::Voice]) {
        EXPECT_GE(loudness - median, 2.0) << path;
        EXPECT_LE(loudness - median, 4.0) << path;
    }
    for (const auto& [path, loudness] : levels[Kind::Music]) {
        EXPECT_GE(loudness, -20.5) << path;
        EXPECT_LE(loudness, -16.0) << path;
    }
}

// A folder of its own for espeak-ng's scratch files, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() : path_(fs::temp_directory_path() / ("krellix-speech-" + std::to_string(::getpid())))
    {
        fs::create_directories(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

struct SpokenCue {
    const char* path;
    const char* words;
};

const SpokenCue kCues[] = {
    {"sounds/SFX_GetReady.ogg", "Get ready"},           {"sounds/GameOver_VoiceMuz.ogg", "Game over"},
    {"sounds/NextLevel_alt.ogg", "Next level"},         {"sounds/LifeLost_alt.ogg", "Life lost"},
    {"sounds/Bonus_ExtraLife.ogg", "Extra life"},       {"sounds/Bonus_TripleBall.ogg", "Triple ball"},
    {"sounds/Bonus_FreezeMode.ogg", "Freeze mode"},     {"sounds/Bonus_EscapeGranted.ogg", "Escape granted"},
    {"sounds/Bonus_SlowMode.ogg", "Slow mode"},         {"sounds/Bonus_GunEnabled.ogg", "Gun enabled"},
    {"sounds/Bonus_SizeIncrease.ogg", "Size increase"}, {"sounds/Bonus_SizeDecrease.ogg", "Size decrease"},
    {"sounds/Bonus_ExtraPoints.ogg", "Extra points"},
};

constexpr double kSpeechLow = 300.0;
constexpr double kSpeechHigh = 3500.0;

void PrintTo(const SpokenCue& c, std::ostream* out) { *out << c.path; }

double Decibels(double ratio) { return 10.0 * std::log10(std::max(ratio, 1e-20)); }

class SpokenCueParts : public testing::TestWithParam<SpokenCue> {};

// The cue is rendered again as its words and its sting apart; they must add up to the file that
// was shipped. In the speech band, while the words are spoken (every 20 ms stretch within 20 dB of
// the loudest), the words carry at least ten times the sting's power, overall and in every stretch.
TEST_P(SpokenCueParts, WordsStandTenDecibelsAboveTheSting)
{
    const SpokenCue& c = GetParam();
    const Decoded& d = Cached(c.path);
    ASSERT_EQ(d.channels.size(), 1u) << c.path;
    const ScratchFolder scratch;
    const snd::CueParts parts = snd::RenderCueParts(scratch.Path(), fs::path(c.path).filename().string());
    ASSERT_EQ(parts.voice.Frames(), d.Frames()) << c.path;
    ASSERT_EQ(parts.sting.Frames(), d.Frames()) << c.path;
    const measure::Signal file = AsSignals(d)[0];
    double residual = 0.0;
    double energy = 0.0;
    measure::Signal voice(d.Frames());
    measure::Signal sting(d.Frames());
    for (size_t i = 0; i < d.Frames(); ++i) {
        voice[i] = parts.voice.left[i];
        sting[i] = parts.sting.left[i];
        residual += (file[i] - voice[i] - sting[i]) * (file[i] - voice[i] - sting[i]);
        energy += file[i] * file[i];
    }
    EXPECT_LT(Decibels(residual / energy), -15.0) << c.path << ": the parts are not what the file holds";

    const measure::Signal voiceBand = measure::BandLimit(voice, d.hertz, kSpeechLow, kSpeechHigh);
    const measure::Signal stingBand = measure::BandLimit(sting, d.hertz, kSpeechLow, kSpeechHigh);
    const size_t frame = static_cast<size_t>(d.hertz / 50);
    std::vector<std::pair<double, double>> frames;
    for (size_t start = 0; start + frame <= d.Frames(); start += frame) {
        double v = 0.0;
        double s = 0.0;
        for (size_t i = start; i < start + frame; ++i) {
            v += voiceBand[i] * voiceBand[i];
            s += stingBand[i] * stingBand[i];
        }
        frames.emplace_back(v, s);
    }
    double loudest = 0.0;
    for (const auto& [v, s] : frames) {
        loudest = std::max(loudest, v);
    }
    double spokenVoice = 0.0;
    double spokenSting = 0.0;
    double worst = 1e9;
    for (const auto& [v, s] : frames) {
        if (v >= loudest * 1e-2) {
            spokenVoice += v;
            spokenSting += s;
            worst = std::min(worst, Decibels(v / std::max(s, 1e-20)));
        }
    }
    const double ratio = Decibels(spokenVoice / std::max(spokenSting, 1e-20));
    std::printf("%-32s words over sting %6.1f dB, worst 20 ms %6.1f dB\n", c.path, ratio, worst);
    EXPECT_GE(ratio, 10.0) << c.path;
    EXPECT_GE(worst, 10.0) << c.path;
}

std::string CueName(const testing::TestParamInfo<SpokenCue>& info) { return fs::path(info.param.path).stem().string(); }

INSTANTIATE_TEST_SUITE_P(Voices, SpokenCueParts, testing::ValuesIn(kCues), CueName);

// The speech band at half the cue rate, which still holds all of it.
measure::Signal SpeechBand(const measure::Signal& signal, int32_t rate)
{
    const measure::Signal band = measure::BandLimit(signal, rate, kSpeechLow, kSpeechHigh);
    measure::Signal half(band.size() / 2);
    for (size_t i = 0; i < half.size(); ++i) {
        half[i] = band[2 * i];
    }
    return half;
}

// Every cue heard against the plain spoken words of all the cues (espeak-ng with the game's voice,
// no treatment, no sting): it is clearly like its own words, well ahead of any other.
TEST(SpokenCues, EachCueMatchesItsOwnWordsBest)
{
    const ScratchFolder scratch;
    std::vector<measure::Signal> words;
    for (const SpokenCue& c : kCues) {
        const snd::Buffer plain = snd::Speak(scratch.Path(), "plain", c.words);
        measure::Signal s(plain.left.begin(), plain.left.end());
        const double peak = std::fabs(
            *std::max_element(s.begin(), s.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
        const auto loud = [peak](double v) { return std::fabs(v) > 0.02 * peak; };
        const auto first = std::find_if(s.begin(), s.end(), loud);
        const auto last = std::find_if(s.rbegin(), s.rend(), loud).base();
        words.push_back(SpeechBand(measure::Signal(first, last), snd::kSpeechRate));
    }
    for (size_t i = 0; i < std::size(kCues); ++i) {
        const Decoded& d = Cached(kCues[i].path);
        ASSERT_EQ(d.hertz, snd::kSpeechRate) << kCues[i].path;
        const measure::Signal cue = SpeechBand(AsSignals(d)[0], d.hertz);
        double own = 0.0;
        double other = 0.0;
        size_t rival = i;
        std::printf("%-32s", kCues[i].path);
        for (size_t j = 0; j < std::size(kCues); ++j) {
            const double r = measure::BestCorrelation(cue, words[j]);
            std::printf(" %5.2f", r);
            if (j == i) {
                own = r;
            } else if (r > other) {
                other = r;
                rival = j;
            }
        }
        std::printf("\n");
        EXPECT_GT(own, 0.5) << kCues[i].path;
        EXPECT_GT(own, other + 0.15) << kCues[i].path << " sounds more like \"" << kCues[rival].words << "\"";
    }
}

}  // namespace

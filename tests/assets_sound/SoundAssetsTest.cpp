// The generated sounds: every file the game loads is there, decodes through our own loaders with a
// sensible rate and length, is neither silent nor clipped, differs from the others, the looping
// music wraps without a step, and the generator writes the same bytes on every run.
#include "framework/audio/Audio.h"
#include "framework/audio/Sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    bool loops;        // loaded with the loop flag: must wrap without a step
    double minSeconds;
    double maxSeconds;
};

// Every sound the game loads at start-up and every level music id's file.
const SoundFile kSounds[] = {
    {"sounds/SFX_NormalBlock.ogg", Kind::Effect, false, 0.1, 1.0},
    {"sounds/SFX_MultiHitBlock.ogg", Kind::Effect, false, 0.1, 1.0},
    {"sounds/SFX_Padhit_01.ogg", Kind::Effect, false, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit.ogg", Kind::Effect, false, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit2.ogg", Kind::Effect, false, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit3.ogg", Kind::Effect, false, 0.05, 0.6},
    {"sounds/SFX_Spillkanthit4.ogg", Kind::Effect, false, 0.05, 0.6},
    {"sounds/GameMusic/Tonmark_Intro.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameOver_VoiceMuz.ogg", Kind::Voice, false, 3.0, 8.0},
    {"sounds/GameMusic/Tonmark_Hiscore.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/tonmark_vortanoCover.ogg", Kind::Music, false, 20.0, 60.0},
    {"sounds/SFX_Explosion.ogg", Kind::Effect, false, 0.4, 3.0},
    {"sounds/SFX_AlienReleasePER.ogg", Kind::Effect, false, 0.2, 1.5},
    {"sounds/SFX_AlienRelease.ogg", Kind::Effect, false, 0.2, 1.5},
    {"sounds/FX_zogexplode.ogg", Kind::Effect, false, 3.0, 10.0},
    {"sounds/zog_hit1.ogg", Kind::Effect, false, 0.2, 1.5},
    {"sounds/zog_hit2.ogg", Kind::Effect, false, 0.2, 1.5},
    {"sounds/zog_hit3.ogg", Kind::Effect, false, 0.2, 1.5},
    {"sounds/zog_hit4.ogg", Kind::Effect, false, 0.2, 1.5},
    {"sounds/SFX_Lazer.ogg", Kind::Effect, false, 0.1, 0.6},
    {"sounds/SFX_Lazerhit.ogg", Kind::Effect, false, 0.05, 0.6},
    {"sounds/Bonus_SizeIncrease.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_SizeDecrease.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_FreezeMode.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_TripleBall.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_ExtraLife.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_EscapeGranted.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_SlowMode.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_GunEnabled.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/Bonus_ExtraPoints.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/SFX_GetReady.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/NextLevel_alt.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/LifeLost_alt.ogg", Kind::Voice, false, 0.6, 3.0},
    {"sounds/GameMusic/Tonmark_Ingame1.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame2.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame3.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame4.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame5.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame6.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame7.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_Ingame8.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_1.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_2.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_3.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_4.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_5.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_6.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_7.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Soundscape_8.ogg", Kind::Music, true, 20.0, 60.0},
    {"sounds/GameMusic/Tonmark_ZogLevel.ogg", Kind::Music, true, 20.0, 60.0},
};

// Names the case by its file in test output.
void PrintTo(const SoundFile& s, std::ostream* out)
{
    *out << s.path;
}

fs::path DataPath(const char* relative)
{
    return fs::path(KRELLIX_DATA_DIR) / relative;
}

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
    if (s.kind == Kind::Music) {
        EXPECT_EQ(d.format, SAMPLE_STEREO16LE);
        EXPECT_EQ(d.hertz, 44100);
    } else {
        EXPECT_EQ(d.format, SAMPLE_MONO16LE);
        EXPECT_EQ(d.hertz, 22050);
    }
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

std::string CaseName(const testing::TestParamInfo<SoundFile>& info)
{
    std::string name = fs::path(info.param.path).stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
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

// A second run of the generator writes byte-identical files.
TEST(SoundAssets, GeneratorIsDeterministic)
{
    const fs::path again = fs::temp_directory_path() / ("krellix-sounds-" + std::to_string(::getpid()));
    fs::remove_all(again);
    const std::string command = std::string("\"") + KRELLIX_SOUND_GENERATOR + "\" \"" + again.string() + "\" --jobs 2";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const SoundFile& s : kSounds) {
        const fs::path relative = fs::path(s.path).lexically_relative("sounds");
        const std::vector<uint8_t> first = ReadBytes(DataPath(s.path));
        const std::vector<uint8_t> second = ReadBytes(again / relative);
        EXPECT_FALSE(second.empty()) << relative << " missing from the second run";
        EXPECT_TRUE(first == second) << relative << " differs between runs";
    }
    fs::remove_all(again);
}

}  // namespace

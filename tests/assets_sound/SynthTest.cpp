// The sound generator's parts: instruments in tune and ending on silence, keys and chords, written
// and composed melodies, seamless loop folding, and the Ogg writer read back through our loader.
#include "Catalogue.h"
#include "Composer.h"
#include "Instruments.h"
#include "OggWriter.h"
#include "Speech.h"

#include "framework/audio/Sample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

using namespace snd;
namespace fs = std::filesystem;

namespace {

// Fundamental by normalised autocorrelation around the expected period, refined by a parabola.
double MeasureHz(const Voice& v, int32_t rate, double expected)
{
    // Past the attack and filter sweeps, over many periods even of a bass note.
    const size_t from = static_cast<size_t>(0.25 * rate);
    const size_t count = 8192;
    const double period = rate / expected;
    const auto lo = static_cast<size_t>(period * 0.9);
    const auto hi = static_cast<size_t>(period * 1.1) + 2;
    std::vector<double> score(hi + 2, -1.0);
    for (size_t lag = lo - 1; lag <= hi + 1; ++lag) {
        double xy = 0.0, xx = 0.0, yy = 0.0;
        for (size_t i = from; i < from + count; ++i) {
            xy += static_cast<double>(v[i]) * v[i + lag];
            xx += static_cast<double>(v[i]) * v[i];
            yy += static_cast<double>(v[i + lag]) * v[i + lag];
        }
        score[lag] = xy / std::sqrt(std::max(xx * yy, 1e-30));
    }
    size_t best = lo;
    for (size_t lag = lo; lag <= hi; ++lag) {
        if (score[lag] > score[best]) {
            best = lag;
        }
    }
    const double a = score[best - 1], b = score[best], c = score[best + 1];
    const double shift = (a - c) / (2.0 * (a - 2.0 * b + c));
    return rate / (static_cast<double>(best) + shift);
}

double Cents(double measured, double expected) { return 1200.0 * std::log2(measured / expected); }

struct TuningCase {
    const char* name;
    Timbre timbre;
    double hz;
};

class InstrumentTuning : public testing::TestWithParam<TuningCase> {};

// Bells (inharmonic by design), the organ and the drone (with sub-octave and fifth partials) are
// left out: their strongest period is not the note's.
TEST_P(InstrumentTuning, PlaysThePitchAsked)
{
    const TuningCase& c = GetParam();
    Tone tone;
    tone.timbre = c.timbre;
    tone.env = Adsr{0.005, 0.05, 0.9, 0.05};
    tone.detune = 0.0;
    tone.brightness = 0.0;  // no filter or index sweeps, which bend the period while they move
    const Voice v = RenderTone(44100, tone, c.hz, 0.5, 1.0, 3);
    EXPECT_NEAR(Cents(MeasureHz(v, 44100, c.hz), c.hz), 0.0, 4.0);
}

INSTANTIATE_TEST_SUITE_P(
    Synth, InstrumentTuning,
    testing::Values(TuningCase{"Pluck220", Timbre::Pluck, 220.0}, TuningCase{"Pluck440", Timbre::Pluck, 440.0},
                    TuningCase{"Pluck880", Timbre::Pluck, 880.0}, TuningCase{"Pluck1318", Timbre::Pluck, 1318.5},
                    TuningCase{"SuperSaw", Timbre::SuperSaw, 440.0}, TuningCase{"WarmPad", Timbre::WarmPad, 220.0},
                    TuningCase{"Strings", Timbre::Strings, 330.0}, TuningCase{"EPiano", Timbre::EPiano, 440.0},
                    TuningCase{"SquareLead", Timbre::SquareLead, 660.0}, TuningCase{"SawLead", Timbre::SawLead, 523.25},
                    TuningCase{"SoftLead", Timbre::SoftLead, 587.3}, TuningCase{"Glass", Timbre::Glass, 440.0},
                    TuningCase{"SubBass", Timbre::SubBass, 55.0}, TuningCase{"SawBass", Timbre::SawBass, 110.0},
                    TuningCase{"AcidBass", Timbre::AcidBass, 82.4}, TuningCase{"FmBass", Timbre::FmBass, 98.0}),
    [](const testing::TestParamInfo<TuningCase>& info) { return std::string(info.param.name); });

// Every note ends on silence after its release, so notes can be laid side by side without clicks.
TEST(Synth, EveryTimbreEndsOnSilenceAfterItsRelease)
{
    for (int32_t t = 0; t <= static_cast<int32_t>(Timbre::Drone); ++t) {
        Tone tone;
        tone.timbre = static_cast<Timbre>(t);
        tone.env = Adsr{0.01, 0.1, 0.7, 0.2};
        const Voice v = RenderTone(22050, tone, 330.0, 0.3, 1.0, 5);
        ASSERT_EQ(v.size(), static_cast<size_t>(0.5 * 22050) + 1) << "timbre " << t;
        EXPECT_LT(std::fabs(v.back()), 1e-3f) << "timbre " << t;
        EXPECT_GT(*std::max_element(v.begin(), v.end()), 0.05f) << "timbre " << t << " is silent";
    }
}

TEST(Synth, EnvelopeIsContinuousAtTheGateAndReachesZero)
{
    const Adsr env{0.01, 0.1, 0.5, 0.2};
    EXPECT_DOUBLE_EQ(env.Level(0.0, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(env.Level(0.01, 1.0), 1.0);
    EXPECT_NEAR(env.Level(0.5, 1.0), 0.5, 1e-12);
    EXPECT_NEAR(env.Level(1.0 - 1e-9, 1.0), env.Level(1.0 + 1e-9, 1.0), 1e-6);
    EXPECT_DOUBLE_EQ(env.Level(1.2, 1.0), 0.0);
    // Released during the attack: falls from where it was, not from full level.
    EXPECT_NEAR(env.Level(0.005, 0.005), 0.5, 1e-9);
}

TEST(Synth, DrumsStartSoftlyAndDie)
{
    const int32_t rate = 22050;
    const std::vector<Voice> drums = {Kick(rate, 1.0, 50.0, 0.4), Snare(rate, 1.0, 180.0, 0.5, 1),
                                      HiHat(rate, 1.0, 0.1, 2),   Clap(rate, 1.0, 3),
                                      Tom(rate, 1.0, 120.0),      Cymbal(rate, 1.0, 1.0, 4),
                                      Shaker(rate, 1.0, 5),       Wind(rate, 1.0, 1.0, 800.0, 6)};
    for (size_t i = 0; i < drums.size(); ++i) {
        const Voice& v = drums[i];
        EXPECT_LT(std::fabs(v.front()), 0.05f) << "drum " << i;
        EXPECT_LT(std::fabs(v.back()), 1e-3f) << "drum " << i;
        EXPECT_GT(*std::max_element(v.begin(), v.end()), 0.05f) << "drum " << i;
    }
}

struct DegreeCase {
    Scale scale;
    int32_t root;
    int32_t degree;
    int32_t midi;
};

TEST(Composer, ScaleDegreesMapToNotesInEveryOctave)
{
    const DegreeCase cases[] = {
        {kMinor, 57, 0, 57},  {kMinor, 57, 2, 60},  {kMinor, 57, 7, 69},         {kMinor, 57, -1, 55},
        {kMinor, 57, -7, 45}, {kMajor, 60, 4, 67},  {kMajor, 60, 13, 83},        {kPhrygian, 52, 1, 53},
        {kDorian, 50, 5, 59}, {kLydian, 48, 3, 54}, {kHarmonicMinor, 57, 6, 68},
    };
    for (const DegreeCase& c : cases) {
        EXPECT_EQ((Harmony{c.root, c.scale}.Note(c.degree)), c.midi) << "degree " << c.degree;
    }
}

TEST(Composer, ChordsStackThirdsAndVoicingsStayNearTheCentre)
{
    const Harmony aMinor{57, kMinor};
    EXPECT_EQ(aMinor.Chord(4, 3), (std::vector<int32_t>{64, 67, 71}));      // E G B
    EXPECT_EQ(aMinor.Chord(5, 4), (std::vector<int32_t>{65, 69, 72, 76}));  // F A C E
    const std::vector<int32_t> voicing = aMinor.Voicing(5, 4, 62);
    EXPECT_EQ(voicing, (std::vector<int32_t>{57, 60, 64, 65}));  // A C E F
    EXPECT_TRUE(aMinor.InChord(9, 2));
    EXPECT_FALSE(aMinor.InChord(8, 2));
}

TEST(Composer, ParsesWrittenMelodies)
{
    const std::vector<MelodyNote> notes = ParseMelody("C4:4 | r:2 F#4:2 Bb3:8", 8.0);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].midi, 60);
    EXPECT_DOUBLE_EQ(notes[0].beat, 8.0);
    EXPECT_DOUBLE_EQ(notes[0].beats, 1.0);
    EXPECT_EQ(notes[1].midi, 66);
    EXPECT_DOUBLE_EQ(notes[1].beat, 9.5);
    EXPECT_EQ(notes[2].midi, 58);
    EXPECT_DOUBLE_EQ(notes[2].beat, 10.0);
    EXPECT_DOUBLE_EQ(notes[2].beats, 2.0);
    EXPECT_THROW(ParseMelody("H4:2", 0.0), std::invalid_argument);
    EXPECT_THROW(ParseMelody("C4", 0.0), std::invalid_argument);
}

// Degree of a MIDI note in the key, searched over the melody's register.
int32_t DegreeOf(const Harmony& key, int32_t midi)
{
    for (int32_t d = -14; d <= 30; ++d) {
        if (key.Note(d) == midi) {
            return d;
        }
    }
    return -100;
}

TEST(Composer, ComposedMelodiesStayInKeyRangeAndHarmony)
{
    const Harmony key{57, kMinor};
    const std::vector<int32_t> chords = {0, 5, 2, 6};
    for (uint64_t seed = 1; seed <= 20; ++seed) {
        Rng rng(seed);
        const std::vector<MelodyNote> notes = ComposeMelody(rng, key, chords, 4, 8, 4, 0.9, 7, 15);
        ASSERT_GE(notes.size(), 8u);
        for (size_t i = 0; i < notes.size(); ++i) {
            const MelodyNote& n = notes[i];
            const int32_t degree = DegreeOf(key, n.midi);
            ASSERT_NE(degree, -100) << "out of key: " << n.midi;
            EXPECT_GE(degree, 7);
            EXPECT_LE(degree, 15);
            EXPECT_GE(n.beat, 16.0);
            EXPECT_LE(n.beat + n.beats, 48.0 + 1e-9);
            if (i + 1 < notes.size()) {
                EXPECT_LE(n.beat + n.beats, notes[i + 1].beat + 1e-9) << "notes overlap";
            }
            const int32_t chord = chords[static_cast<size_t>(n.beat / 4.0) % chords.size()];
            if (std::fmod(n.beat, 1.0) == 0.0) {
                EXPECT_TRUE(key.InChord(degree, chord)) << "seed " << seed << " beat " << n.beat;
            }
        }
        const MelodyNote& last = notes.back();
        const int32_t lastChord = chords[static_cast<size_t>(last.beat / 4.0) % chords.size()];
        EXPECT_EQ((DegreeOf(key, last.midi) - lastChord + 70) % 7, 0) << "seed " << seed << " ends off the root";
    }
}

TEST(Composer, SameSeedSameMelody)
{
    const Harmony key{50, kDorian};
    Rng a(9);
    Rng b(9);
    const auto x = ComposeMelody(a, key, {0, 3}, 0, 8, 4, 1.0, 7, 14);
    const auto y = ComposeMelody(b, key, {0, 3}, 0, 8, 4, 1.0, 7, 14);
    ASSERT_EQ(x.size(), y.size());
    for (size_t i = 0; i < x.size(); ++i) {
        EXPECT_EQ(x[i].midi, y[i].midi);
        EXPECT_DOUBLE_EQ(x[i].beat, y[i].beat);
    }
}

double Rms(const std::vector<float>& v, size_t from, size_t count)
{
    double e = 0.0;
    for (size_t i = from; i < from + count; ++i) {
        e += static_cast<double>(v[i]) * v[i];
    }
    return std::sqrt(e / static_cast<double>(count));
}

// A note in the last beat rings past the end of a two-bar loop: folded, its release and echoes
// sound over the first bar and the wrap is as smooth as any other pair of samples.
TEST(Composer, LoopFoldsTheTailIntoTheStart)
{
    const auto render = [](bool loop) {
        Song song(120, 4, 2, 7, 8000);
        song.Play({Timbre::WarmPad, Adsr{0.01, 0.1, 0.8, 1.5}, 0.5}, 7.0, 1.0, 57, 1.0, {1.0, 0.0, 0.5, 0.3});
        FinishOptions options;
        options.loop = loop;
        return song.Finish(options);
    };
    const Buffer looped = render(true);
    ASSERT_EQ(looped.Frames(), 4u * 8000u);
    EXPECT_GT(Rms(looped.left, 0, 4000), 0.01) << "the tail did not come round to the start";
    EXPECT_LT(Rms(looped.left, 24000, 4000), 0.001) << "silence expected before the note";
    for (const std::vector<float>* ch : {&looped.left, &looped.right}) {
        float local = 0.0f;
        for (size_t i = 0; i + 1 < 400; ++i) {
            local = std::max({local, std::fabs((*ch)[i + 1] - (*ch)[i]),
                              std::fabs((*ch)[ch->size() - 1 - i] - (*ch)[ch->size() - 2 - i])});
        }
        EXPECT_LE(std::fabs(ch->front() - ch->back()), local * 1.5f);
    }

    const Buffer ended = render(false);
    EXPECT_GT(ended.Frames(), looped.Frames()) << "the ending keeps its tail";
    EXPECT_LT(Rms(ended.left, 0, 4000), 1e-6) << "an ending piece starts in silence";
    EXPECT_FLOAT_EQ(ended.left.back(), 0.0f);
    EXPECT_LE(ended.Peak(), 0.93f);
}

TEST(Composer, PatternsSkipRestsAndMeasureTies)
{
    std::vector<std::pair<int32_t, char>> hits;
    ForEachStep("X.x- |g..o", [&](int32_t step, char symbol) { hits.emplace_back(step, symbol); });
    EXPECT_EQ(hits, (std::vector<std::pair<int32_t, char>>{{0, 'X'}, {2, 'x'}, {4, 'g'}, {7, 'o'}}));
    EXPECT_EQ(HeldSteps("0---.0-.", 0), 4);
    EXPECT_EQ(HeldSteps("0---.0-.", 5), 2);
    EXPECT_EQ(HeldSteps("0---.0-.", 7), 1);
}

TEST(Random, RangeIsInclusiveAndRepeatable)
{
    Rng a(42);
    Rng b(42);
    std::set<int32_t> seen;
    for (int32_t i = 0; i < 200; ++i) {
        const int32_t v = a.Range(3, 5);
        EXPECT_EQ(v, b.Range(3, 5));
        seen.insert(v);
    }
    EXPECT_EQ(seen, (std::set<int32_t>{3, 4, 5}));
    EXPECT_NE(HashText("SFX_Lazer.ogg"), HashText("SFX_Lazerhit.ogg"));
}

struct OggCase {
    const char* name;
    int32_t rate;
    bool stereo;
    size_t frames;
    int32_t format;
};

class OggWriterRoundTrip : public testing::TestWithParam<OggCase> {};

// What we write, our own loader reads back: every frame, at the rate and channel count written.
TEST_P(OggWriterRoundTrip, ReadsBackThroughOurLoaderFrameExact)
{
    const OggCase& c = GetParam();
    Buffer b = c.stereo ? Buffer::MakeStereo(c.rate, c.frames) : Buffer::MakeMono(c.rate, c.frames);
    for (size_t i = 0; i < c.frames; ++i) {
        b.left[i] = static_cast<float>(0.5 * std::sin(kTwoPi * 440.0 * static_cast<double>(i) / c.rate));
        if (c.stereo) {
            b.right[i] = static_cast<float>(0.3 * std::sin(kTwoPi * 660.0 * static_cast<double>(i) / c.rate));
        }
    }
    const fs::path dir = fs::temp_directory_path() / ("krellix-oggwriter-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path path = dir / (std::string(c.name) + ".ogg");
    std::string error;
    ASSERT_TRUE(WriteOgg(path, b, 0.4f, error)) << error;
    EXPECT_FALSE(fs::exists(path.string() + ".part"));

    const TAudioSamplePtr sample = LoadAudioSample(path.string());
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->length, static_cast<int32_t>(c.frames));
    EXPECT_EQ(sample->hertz, c.rate);
    EXPECT_EQ(sample->format, c.format);
    // The middle of the left channel still holds the tone.
    const int32_t channels = c.stereo ? 2 : 1;
    double signal = 0.0, noise = 0.0;
    for (size_t i = c.frames / 4; i < c.frames * 3 / 4; ++i) {
        const uint8_t* p = sample->samples + 2 * channels * i;
        const double decoded = static_cast<int16_t>(p[0] | p[1] << 8) / 32768.0;
        signal += static_cast<double>(b.left[i]) * b.left[i];
        noise += (decoded - b.left[i]) * (decoded - b.left[i]);
    }
    EXPECT_GT(10.0 * std::log10(signal / std::max(noise, 1e-20)), 20.0);

    std::ifstream first(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(first)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(WriteOgg(path, b, 0.4f, error)) << error;
    std::ifstream second(path, std::ios::binary);
    EXPECT_EQ(bytes, std::string((std::istreambuf_iterator<char>(second)), std::istreambuf_iterator<char>()))
        << "the same sound must give the same bytes";
    fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Synth, OggWriterRoundTrip,
                         testing::Values(OggCase{"MonoEffect", 22050, false, 10007, SAMPLE_MONO16LE},
                                         OggCase{"StereoMusic", 44100, true, 50000, SAMPLE_STEREO16LE}),
                         [](const testing::TestParamInfo<OggCase>& info) { return std::string(info.param.name); });

// Music is made at 44.1 kHz and kept at kMusicRate: what lies below the new Nyquist frequency
// passes whole, what lies above it is gone rather than folded down, and a loop stays a loop.
TEST(Synth, DownsamplingKeepsTheBandAndTheLoop)
{
    struct Case {
        double hz;
        bool looped;
        double minGain, maxGain;
    };
    const Case cases[] = {{1000.0, false, 0.99, 1.01}, {16500.0, true, 0.98, 1.02}, {20000.0, true, 0.0, 0.001}};
    constexpr size_t frames = 44100;
    for (const Case& c : cases) {
        Buffer in = Buffer::MakeStereo(44100, frames);
        for (size_t i = 0; i < frames; ++i) {
            in.left[i] = static_cast<float>(0.5 * std::sin(kTwoPi * c.hz * static_cast<double>(i) / 44100.0));
            in.right[i] = -in.left[i];
        }
        const Buffer out = Downsample(in, kMusicRate, c.looped);
        ASSERT_EQ(out.rate, kMusicRate);
        ASSERT_EQ(out.Frames(), static_cast<size_t>(kMusicRate)) << c.hz;
        ASSERT_TRUE(out.IsStereo());
        // Each side is filtered from its own samples, ends included.
        for (size_t i = 0; i < out.Frames(); ++i) ASSERT_EQ(out.right[i], -out.left[i]) << c.hz << " at " << i;
        const double gain = Rms(out.right, kMusicRate / 4, kMusicRate / 2) / (0.5 / std::sqrt(2.0));
        EXPECT_GE(gain, c.minGain) << c.hz;
        EXPECT_LE(gain, c.maxGain) << c.hz;
        if (c.maxGain > 0.5) {
            // The tone keeps its timing in the middle, and the filter wraps round a loop: its ends
            // hold the tone as the middle does.
            std::vector<size_t> at = {out.Frames() / 2, out.Frames() / 2 + 1, out.Frames() / 2 + 2};
            if (c.looped) at.insert(at.end(), {0, 1, 2, out.Frames() - 2, out.Frames() - 1});
            for (const size_t i : at) {
                const double t = static_cast<double>(i) / kMusicRate;
                EXPECT_NEAR(out.left[i], 0.5 * std::sin(kTwoPi * c.hz * t), 0.02) << c.hz << " at " << i;
            }
        }
    }

    // A short burst at the very start. Not looped, the sound has silence before and after it: the
    // end stays silent, and the start hears the burst alone. Looped, what comes before the start is
    // the silent end, so the start is the same, and the burst rings round into the end.
    Buffer burst = Buffer::MakeMono(44100, frames);
    for (size_t i = 0; i < 8; ++i) burst.left[i] = i % 2 ? 0.7f : -0.3f;
    const Buffer once = Downsample(burst, kMusicRate, false);
    const Buffer loop = Downsample(burst, kMusicRate, true);
    ASSERT_FALSE(once.IsStereo());
    // 44105 frames last 36004.08 at the new rate: a sound keeps its last part, a loop its period.
    EXPECT_EQ(Downsample(Buffer::MakeMono(44100, frames + 5), kMusicRate, false).Frames(), 36005u);
    EXPECT_EQ(Downsample(Buffer::MakeMono(44100, frames + 5), kMusicRate, true).Frames(), 36004u);
    const auto loudest = [](const std::vector<float>& v, size_t from, size_t to) {
        float peak = 0.0f;
        for (size_t i = from; i < to; ++i) peak = std::max(peak, std::abs(v[i]));
        return peak;
    };
    EXPECT_GT(loudest(once.left, 0, 4), 0.05f);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(once.left[i], loop.left[i]) << i;
    EXPECT_EQ(loudest(once.left, once.Frames() - 40, once.Frames()), 0.0f);
    EXPECT_GT(loudest(loop.left, loop.Frames() - 40, loop.Frames()), 0.01f);

    // At the music's rate the encoder keeps the top of that band when told where to cut.
    Buffer top = Buffer::MakeStereo(kMusicRate, kMusicRate);
    for (size_t i = 0; i < top.Frames(); ++i) {
        top.left[i] = static_cast<float>(0.4 * std::sin(kTwoPi * 16000.0 * static_cast<double>(i) / kMusicRate));
        top.right[i] = top.left[i];
    }
    const fs::path path = fs::temp_directory_path() / ("krellix-lowpass-" + std::to_string(::getpid()) + ".ogg");
    std::string error;
    ASSERT_TRUE(WriteOgg(path, top, 0.25f, kMusicLowpassKhz, error)) << error;
    const TAudioSamplePtr sample = LoadAudioSample(path.string());
    fs::remove(path);
    ASSERT_NE(sample, nullptr);
    double energy = 0.0;
    const auto* pcm = reinterpret_cast<const int16_t*>(sample->samples);
    for (int32_t i = sample->length / 4; i < sample->length * 3 / 4; ++i)
        energy += pcm[2 * i] / 32768.0 * (pcm[2 * i] / 32768.0);
    EXPECT_GT(std::sqrt(energy / (sample->length / 2)) / (0.4 / std::sqrt(2.0)), 0.8);
}

TEST(Synth, OggWriterReportsAFolderItCannotWriteTo)
{
    Buffer b = Buffer::MakeMono(22050, 100);
    std::string error;
    EXPECT_FALSE(WriteOgg("/nonexistent-krellix-folder/x.ogg", b, 0.4f, error));
    EXPECT_NE(error.find("/nonexistent-krellix-folder/x.ogg"), std::string::npos) << error;
    EXPECT_FALSE(WriteOgg(fs::temp_directory_path() / "krellix-empty.ogg", Buffer::MakeMono(22050, 0), 0.4f, error));
}

// A WAV as espeak-ng writes it: RIFF header, 16-byte format chunk, data chunk of 16-bit samples.
std::string MakeWav(uint32_t rate, uint16_t channels, uint16_t bits, const std::vector<int16_t>& samples,
                    bool sizeUnset)
{
    std::string w;
    const auto put = [&w](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            w.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    w += "RIFF";
    put(sizeUnset ? 0xFFFFFFFFu : 36 + dataBytes, 4);
    w += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * bits / 8, 4);
    put(channels * bits / 8, 2);
    put(bits, 2);
    w += "data";
    put(sizeUnset ? 0xFFFFFFFFu : dataBytes, 4);
    for (int16_t s : samples) {
        put(static_cast<uint16_t>(s), 2);
    }
    return w;
}

struct WavCase {
    const char* name;
    uint32_t rate;
    bool sizeUnset;
    size_t frames;      // expected after reading
    float sampleAt100;  // expected value of frame 100
};

class SpeechWav : public testing::TestWithParam<WavCase> {};

TEST_P(SpeechWav, ReadsMonoPcmAtTheCueRate)
{
    const WavCase& c = GetParam();
    std::vector<int16_t> ramp(2000);
    for (size_t i = 0; i < ramp.size(); ++i) {
        ramp[i] = static_cast<int16_t>(i * 10);
    }
    const fs::path path =
        fs::temp_directory_path() / ("krellix-speech-" + std::to_string(::getpid()) + c.name + ".wav");
    std::ofstream(path, std::ios::binary) << MakeWav(c.rate, 1, 16, ramp, c.sizeUnset);
    const Buffer b = ReadSpeech(path);
    fs::remove(path);
    EXPECT_EQ(b.rate, kSpeechRate);
    EXPECT_EQ(b.Frames(), c.frames);
    EXPECT_NEAR(b.left[100], c.sampleAt100, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Voices, SpeechWav,
                         testing::Values(WavCase{"Plain", 22050, false, 2000, 1000.0f / 32768.0f},
                                         WavCase{"SizeNeverFilledIn", 22050, true, 2000, 1000.0f / 32768.0f},
                                         WavCase{"HalfRateIsResampled", 11025, false, 4000, 500.0f / 32768.0f}),
                         [](const testing::TestParamInfo<WavCase>& info) { return std::string(info.param.name); });

TEST(Voices, RejectsWhatIsNotMonoSixteenBitWav)
{
    const fs::path path = fs::temp_directory_path() / ("krellix-speech-bad-" + std::to_string(::getpid()) + ".wav");
    const std::vector<std::string> bad = {"not a wav at all", MakeWav(22050, 2, 16, {1, 2, 3, 4}, false),
                                          MakeWav(22050, 1, 8, {1, 2}, false), std::string("RIFF\x04\0\0\0WAVE", 12)};
    for (const std::string& bytes : bad) {
        std::ofstream(path, std::ios::binary) << bytes;
        try {
            ReadSpeech(path);
            ADD_FAILURE() << "accepted a bad file";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
        }
    }
    fs::remove(path);
}

// The effects are rendered here without the encoder: mono, at 44.1 kHz where grit and sparkle
// matter, in range, silent at the end.
TEST(Effects, RenderMonoAndEndInSilence)
{
    const std::set<std::string> bright = {"SFX_NormalBlock.ogg", "SFX_MultiHitBlock.ogg", "SFX_Lazer.ogg",
                                          "SFX_Lazerhit.ogg",    "SFX_Explosion.ogg",     "FX_zogexplode.ogg"};
    const std::vector<Piece> effects = EffectPieces();
    ASSERT_EQ(effects.size(), 17u);
    for (const Piece& p : effects) {
        const Buffer b = p.render();
        EXPECT_EQ(b.rate, bright.count(p.file) != 0 ? 44100 : 22050) << p.file;
        EXPECT_FALSE(b.IsStereo()) << p.file;
        ASSERT_GT(b.Frames(), 1000u) << p.file;
        EXPECT_LE(b.Peak(), 0.75f + 1e-6f) << p.file;
        EXPECT_GT(b.Peak(), 0.3f) << p.file;
        EXPECT_FLOAT_EQ(b.left.back(), 0.0f) << p.file;
    }
}

}  // namespace

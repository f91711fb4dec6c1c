// The spoken cues: espeak-ng says the words, a light radio treatment and a musical sting follow.
#include "Catalogue.h"
#include "Instruments.h"
#include "Speech.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace snd {

namespace {

constexpr int32_t kRate = kSpeechRate;
constexpr float kVoiceQuality = 0.4f;
// The cues sit 3 dB above the effects (loudest 400 ms), so the words carry over the play.
constexpr double kVoiceLoudness = -15.0;
// Peaks, between the samples too, below -2.5 dBFS leave the encoder room for its own overshoot
// and keep the file below -1 dBTP.
constexpr float kCeiling = 0.75f;
// The sting's peak against the words' before mixing, and how far it bows out under them.
constexpr float kStingPeak = 0.6f;
constexpr double kDuckDb = -40.0;

enum class Sting { Ready, GameOver, NextLevel, LifeLost, Up, Triple, Freeze, Escape, Slow, Gun, Grow, Shrink, Points };

struct Cue {
    const char* file;
    const char* words;
    Sting sting;
    // Seconds into the sting when the voice starts: the sting is heard first, as it bows out
    // under the words.
    double voiceAt;
};

const Cue kCues[] = {
    {"SFX_GetReady.ogg", "Get ready", Sting::Ready, 0.62},
    {"GameOver_VoiceMuz.ogg", "Game over", Sting::GameOver, 0.35},
    {"NextLevel_alt.ogg", "Next level", Sting::NextLevel, 0.45},
    {"LifeLost_alt.ogg", "Life lost", Sting::LifeLost, 0.55},
    {"Bonus_ExtraLife.ogg", "Extra life", Sting::Up, 0.38},
    {"Bonus_TripleBall.ogg", "Triple ball", Sting::Triple, 0.4},
    {"Bonus_FreezeMode.ogg", "Freeze mode", Sting::Freeze, 0.32},
    {"Bonus_EscapeGranted.ogg", "Escape granted", Sting::Escape, 0.5},
    {"Bonus_SlowMode.ogg", "Slow mode", Sting::Slow, 0.5},
    {"Bonus_GunEnabled.ogg", "Gun enabled", Sting::Gun, 0.4},
    {"Bonus_SizeIncrease.ogg", "Size increase", Sting::Grow, 0.4},
    {"Bonus_SizeDecrease.ogg", "Size decrease", Sting::Shrink, 0.4},
    {"Bonus_ExtraPoints.ogg", "Extra points", Sting::Points, 0.22},
};

// Trims the silence espeak-ng leaves around the words. Its speech stops on a step where the last
// sound is cut off, so the final milliseconds are faded out (and the first few faded in).
void Trim(Buffer& speech)
{
    const auto loud = [](float v) { return std::fabs(v) > 0.01f; };
    const auto first = std::find_if(speech.left.begin(), speech.left.end(), loud);
    const auto last = std::find_if(speech.left.rbegin(), speech.left.rend(), loud).base();
    if (first >= last) {
        throw std::runtime_error("espeak-ng produced silence");
    }
    speech.left = std::vector<float>(first, last);
    const size_t fadeIn = std::min<size_t>(kRate / 200, speech.Frames() / 4);
    const size_t fadeOut = std::min<size_t>(kRate * 3 / 100, speech.Frames() / 4);
    for (size_t i = 0; i < fadeIn; ++i) {
        speech.left[i] *= static_cast<float>(i) / static_cast<float>(fadeIn);
    }
    for (size_t i = 0; i < fadeOut; ++i) {
        speech.left[speech.Frames() - 1 - i] *= static_cast<float>(i) / static_cast<float>(fadeOut);
    }
}

// A touch of ship's intercom: band-limited, a faint ring modulation and a short doubling.
Buffer Treat(const Buffer& speech)
{
    Buffer out = Buffer::MakeMono(kRate, speech.Frames() + kRate / 50);
    Biquad low = Biquad::HighPass(160.0, 0.7, kRate);
    Biquad presence = Biquad::Peak(2800.0, 1.0, 4.0, kRate);
    const size_t doubling = kRate / 90;
    for (size_t i = 0; i < out.Frames(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double dry = i < speech.Frames() ? speech.left[i] : 0.0;
        const double late = i >= doubling && i - doubling < speech.Frames() ? speech.left[i - doubling] : 0.0;
        const double ring = dry * std::sin(kTwoPi * 70.0 * t);
        out.left[i] = static_cast<float>(presence.Process(low.Process(dry + 0.3 * late + 0.2 * ring)));
    }
    out.NormalizePeak(1.0f);
    return out;
}

void Note(Buffer& b, const Tone& tone, double at, double gate, double midi, double gain, uint64_t seed)
{
    AddInto(b.left, RenderTone(kRate, tone, MidiToHz(midi), gate, 1.0, seed), static_cast<size_t>(at * kRate),
            static_cast<float>(gain));
}

// A gliding tone from one pitch to another, for the size and slow-motion cues.
void Glide(Buffer& b, double at, double length, double fromHz, double toHz, double gain)
{
    const size_t start = static_cast<size_t>(at * kRate);
    const size_t frames = static_cast<size_t>(length * kRate);
    if (b.Frames() < start + frames) {
        b.left.resize(start + frames, 0.0f);
    }
    double phase = 0.0;
    Svf filter;
    filter.Set(2500.0, 0.8, kRate);
    for (size_t i = 0; i < frames; ++i) {
        const double x = static_cast<double>(i) / static_cast<double>(frames);
        const double f = fromHz * std::pow(toHz / fromHz, x);
        phase += f / kRate;
        phase -= std::floor(phase);
        const double env = std::sin(kPi * x);
        b.left[start + i] += static_cast<float>(gain * filter.Process(SawWave(phase, f / kRate)).low * env);
    }
}

Buffer MakeSting(Sting sting, uint64_t seed)
{
    Buffer b = Buffer::MakeMono(kRate, kRate / 2);
    const Tone pluck{Timbre::Pluck, Adsr{0.001, 0.1, 1.0, 0.2}, 0.7};
    const Tone bell{Timbre::Bell, Adsr{0.002, 0.8, 0.0, 0.5}, 0.4};
    const Tone pad{Timbre::SuperSaw, Adsr{0.05, 0.3, 0.7, 0.5}, 0.4, 0.2};
    const Tone glass{Timbre::Glass, Adsr{0.01, 0.6, 0.2, 0.6}, 0.8};
    const Tone strings{Timbre::Strings, Adsr{0.3, 1.0, 0.8, 1.5}, 0.3, 0.12};
    const Tone square{Timbre::SquareLead, Adsr{0.002, 0.05, 0.8, 0.05}, 0.6};
    const auto arpeggio = [&](std::initializer_list<int32_t> notes, double step, const Tone& tone, double gain) {
        double at = 0.0;
        for (int32_t n : notes) {
            Note(b, tone, at, step * 1.5, n, gain, seed++);
            at += step;
        }
    };
    switch (sting) {
    case Sting::Ready:
        Note(b, square, 0.0, 0.08, 76, 0.5, seed++);
        Note(b, square, 0.15, 0.08, 76, 0.5, seed++);
        Note(b, square, 0.3, 0.25, 88, 0.5, seed++);
        break;
    case Sting::GameOver: {
        // A slow minor lament under the words, closing on a low boom.
        b.left.assign(static_cast<size_t>(5.5 * kRate), 0.0f);
        AddInto(b.left, Kick(kRate, 1.0, 40.0, 1.2), 0, 0.8f);
        static constexpr int32_t kMelody[] = {69, 67, 65, 64, 62, 64, 57};
        static constexpr double kLengths[] = {0.6, 0.6, 0.6, 1.0, 0.6, 0.6, 1.6};
        double at = 0.7;
        for (size_t i = 0; i < std::size(kMelody); ++i) {
            Note(b, bell, at, kLengths[i], kMelody[i], 0.35, seed++);
            at += kLengths[i];
        }
        Note(b, strings, 0.0, 2.8, 57, 0.3, seed++);
        Note(b, strings, 0.0, 2.8, 60, 0.3, seed++);
        Note(b, strings, 0.0, 2.8, 64, 0.3, seed++);
        Note(b, strings, 2.8, 2.0, 50, 0.3, seed++);
        Note(b, strings, 2.8, 2.0, 53, 0.3, seed++);
        Note(b, strings, 2.8, 2.0, 57, 0.3, seed++);
        AddInto(b.left, Kick(kRate, 0.9, 35.0, 1.0), static_cast<size_t>(4.5 * kRate), 0.6f);
        break;
    }
    case Sting::NextLevel:
        arpeggio({60, 64, 67, 72, 76, 79, 84}, 0.06, pluck, 0.4);
        Note(b, pad, 0.0, 0.7, 60, 0.25, seed++);
        Note(b, pad, 0.0, 0.7, 67, 0.25, seed++);
        Note(b, pad, 0.0, 0.7, 76, 0.25, seed++);
        break;
    case Sting::LifeLost:
        arpeggio({67, 63, 60, 55}, 0.16, bell, 0.45);
        Note(b, strings, 0.0, 0.9, 48, 0.35, seed++);
        break;
    case Sting::Up:
        arpeggio({72, 76, 79, 84, 88}, 0.07, bell, 0.4);
        Note(b, pad, 0.0, 0.5, 72, 0.2, seed++);
        Note(b, pad, 0.0, 0.5, 79, 0.2, seed++);
        break;
    case Sting::Triple:
        arpeggio({79, 79, 79, 84}, 0.09, pluck, 0.45);
        break;
    case Sting::Freeze:
        arpeggio({88, 95, 91, 98, 93, 100}, 0.05, glass, 0.3);
        AddInto(b.left, Wind(kRate, 1.0, 1.0, 5000.0, seed++), 0, 0.2f);
        break;
    case Sting::Escape:
        Glide(b, 0.0, 0.6, 200.0, 1600.0, 0.35);
        arpeggio({67, 71, 74, 79, 83}, 0.08, bell, 0.3);
        break;
    case Sting::Slow:
        Glide(b, 0.0, 0.55, 900.0, 180.0, 0.4);
        break;
    case Sting::Gun:
        arpeggio({60, 67, 72, 79}, 0.05, square, 0.3);
        Glide(b, 0.2, 0.3, 800.0, 3000.0, 0.2);
        break;
    case Sting::Grow:
        Glide(b, 0.0, 0.42, 220.0, 880.0, 0.4);
        break;
    case Sting::Shrink:
        Glide(b, 0.0, 0.42, 880.0, 220.0, 0.4);
        break;
    case Sting::Points:
        Note(b, bell, 0.0, 0.08, 83, 0.45, seed++);
        Note(b, bell, 0.08, 0.4, 88, 0.45, seed++);
        break;
    }
    return b;
}

// Raised-cosine step from 0 to 1 as x goes from 0 to 1.
double Ramp(double x) { return x <= 0.0 ? 0.0 : x >= 1.0 ? 1.0 : 0.5 - 0.5 * std::cos(kPi * x); }

// The sting's level through the cue: it leads in at full level, bows out under the words a
// moment before they start, stays down while the words ring in the room and swells back after.
std::vector<float> Duck(size_t frames, size_t wordsFrom, size_t wordsTo)
{
    constexpr double kDown = 0.07;
    constexpr double kUp = 0.3;
    const double from = static_cast<double>(wordsFrom) / kRate - 0.01;
    const double to = static_cast<double>(wordsTo) / kRate + 0.15;
    const double depth = 1.0 - DbToGain(kDuckDb);
    std::vector<float> gain(frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double under = Ramp((t - (from - kDown)) / kDown) * (1.0 - Ramp((t - to) / kUp));
        gain[i] = static_cast<float>(1.0 - depth * under);
    }
    return gain;
}

// Renders the words and the sting of a cue apart, at the levels and length the file gets: the
// file is their sum. Every step after the words are spoken applies the same linear treatment or
// the same gain to both, so the split is exact.
CueParts MakeCueParts(const std::filesystem::path& scratch, const Cue& cue)
{
    Buffer speech = Speak(scratch, std::filesystem::path(cue.file).stem().string(), cue.words);
    Trim(speech);
    CueParts parts{Treat(speech), MakeSting(cue.sting, HashText(cue.file))};
    parts.sting.Scale(kStingPeak / std::max(parts.sting.Peak(), 1e-6f));
    const size_t voiceAt = static_cast<size_t>(cue.voiceAt * kRate);
    const size_t frames = std::max(parts.sting.Frames(), voiceAt + parts.voice.Frames()) + kRate / 2;
    parts.voice.left.insert(parts.voice.left.begin(), voiceAt, 0.0f);
    parts.voice.left.resize(frames, 0.0f);
    parts.sting.left.resize(frames, 0.0f);
    for (Buffer* part : {&parts.voice, &parts.sting}) {
        const Buffer wet = RenderReverb(*part, 0.5, 0.5, 0.0, 0);
        for (size_t i = 0; i < frames; ++i) {
            part->left[i] += 0.15f * (wet.left[i] + wet.right[i]);
        }
        HighPass4(part->left, 40.0, kRate);
    }
    const std::vector<float> duck = Duck(frames, voiceAt, voiceAt + speech.Frames());
    for (size_t i = 0; i < frames; ++i) {
        parts.sting.left[i] *= duck[i];
    }
    Buffer mix = parts.voice;
    AddInto(mix.left, parts.sting.left, 0, 1.0f);
    const std::vector<float> gain = Master(mix, kVoiceLoudness, kCeiling);
    // The room tail is cut where it has faded; the last milliseconds are faded out.
    size_t end = frames;
    while (end > 0 && std::fabs(mix.left[end - 1]) < 0.0005f) {
        --end;
    }
    const size_t fade = std::min<size_t>(end, kRate / 50);
    for (Buffer* part : {&parts.voice, &parts.sting}) {
        for (size_t i = 0; i < frames; ++i) {
            part->left[i] *= gain[i];
        }
        part->left.resize(end);
        for (size_t i = 0; i < fade; ++i) {
            part->left[end - 1 - i] *= static_cast<float>(i) / static_cast<float>(fade);
        }
    }
    return parts;
}

Buffer MakeCue(const std::filesystem::path& scratch, const Cue& cue)
{
    CueParts parts = MakeCueParts(scratch, cue);
    for (size_t i = 0; i < parts.voice.Frames(); ++i) {
        parts.voice.left[i] += parts.sting.left[i];
    }
    return parts.voice;
}

}  // namespace

std::vector<Piece> VoicePieces(const std::filesystem::path& scratch)
{
    std::vector<Piece> pieces;
    for (const Cue& cue : kCues) {
        pieces.push_back({cue.file, [scratch, cue] { return MakeCue(scratch, cue); }, kVoiceQuality});
    }
    return pieces;
}

CueParts RenderCueParts(const std::filesystem::path& scratch, const std::string& file)
{
    const auto cue = std::find_if(std::begin(kCues), std::end(kCues), [&](const Cue& c) { return file == c.file; });
    if (cue == std::end(kCues)) {
        throw std::invalid_argument("no spoken cue named " + file);
    }
    return MakeCueParts(scratch, *cue);
}

}  // namespace snd

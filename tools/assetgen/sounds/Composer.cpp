// The sequencer: keys and chords, a timeline that mixes voices into buses, melodies and patterns.
#include "Composer.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

namespace snd {

namespace {

int32_t FloorDiv(int32_t a, int32_t b)
{
    int32_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

int32_t Mod7(int32_t degree) { return degree - 7 * FloorDiv(degree, 7); }

std::string StepsOnly(const char* pattern)
{
    std::string steps;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != ' ' && *p != '|') {
            steps.push_back(*p);
        }
    }
    return steps;
}

// Constant-power pan: the centre sends 0.707 to each side.
void PanGains(double pan, double& left, double& right)
{
    const double angle = (std::clamp(pan, -1.0, 1.0) + 1.0) * kPi / 4.0;
    left = std::cos(angle);
    right = std::sin(angle);
}

void AddPanned(Buffer& bus, const Voice& voice, size_t at, double gain, double pan)
{
    double l = 0.0;
    double r = 0.0;
    PanGains(pan, l, r);
    AddInto(bus.left, voice, at, static_cast<float>(gain * l));
    AddInto(bus.right, voice, at, static_cast<float>(gain * r));
}

// Static soft limiter: transparent below the knee, approaching the ceiling smoothly above it.
float SoftLimit(float x)
{
    constexpr float kKnee = 0.6f;
    constexpr float kCeiling = 0.93f;
    const float magnitude = std::fabs(x);
    if (magnitude <= kKnee) {
        return x;
    }
    const float limited = kKnee + (kCeiling - kKnee) * std::tanh((magnitude - kKnee) / (kCeiling - kKnee));
    return x < 0.0f ? -limited : limited;
}

}  // namespace

int32_t Harmony::Note(int32_t degree) const
{
    const int32_t octave = FloorDiv(degree, 7);
    return root + 12 * octave + scale[static_cast<size_t>(degree - 7 * octave)];
}

std::vector<int32_t> Harmony::Chord(int32_t degree, int32_t tones) const
{
    std::vector<int32_t> notes;
    for (int32_t k = 0; k < tones; ++k) {
        notes.push_back(Note(degree + 2 * k));
    }
    return notes;
}

std::vector<int32_t> Harmony::Voicing(int32_t degree, int32_t tones, int32_t center) const
{
    std::vector<int32_t> notes = Chord(degree, tones);
    for (int32_t& n : notes) {
        while (n < center - 6) {
            n += 12;
        }
        while (n >= center + 6) {
            n -= 12;
        }
    }
    std::sort(notes.begin(), notes.end());
    notes.erase(std::unique(notes.begin(), notes.end()), notes.end());
    return notes;
}

bool Harmony::InChord(int32_t degree, int32_t chordDegree) const
{
    const int32_t d = Mod7(degree - chordDegree);
    return d == 0 || d == 2 || d == 4;
}

Song::Song(double bpm, int32_t beatsPerBar, int32_t bars, uint64_t seed, int32_t rate)
    : rate_(rate), bpm_(bpm), beatsPerBar_(beatsPerBar), bars_(bars), rng_(seed)
{
    dry_ = Buffer::MakeStereo(rate_, LoopFrames());
    reverbSend_ = Buffer::MakeStereo(rate_, LoopFrames());
    echoSend_ = Buffer::MakeStereo(rate_, LoopFrames());
}

size_t Song::FrameAt(double beat) const
{
    return static_cast<size_t>(std::lround(std::max(0.0, beat) * BeatSeconds() * rate_));
}

double Song::StepBeat(int32_t bar, int32_t step) const
{
    const double late = (step % 2 == 1) ? swing_ * 0.25 : 0.0;
    return static_cast<double>(bar) * beatsPerBar_ + step * 0.25 + late;
}

void Song::Add(const Voice& voice, double beat, const Placement& where)
{
    const size_t at = FrameAt(beat);
    AddPanned(dry_, voice, at, where.gain, where.pan);
    if (where.reverb > 0.0) {
        AddPanned(reverbSend_, voice, at, where.gain * where.reverb, where.pan);
    }
    if (where.echo > 0.0) {
        AddPanned(echoSend_, voice, at, where.gain * where.echo, where.pan);
    }
}

void Song::Play(const Tone& tone, double beat, double beats, double midi, double velocity, const Placement& where)
{
    Add(RenderTone(rate_, tone, MidiToHz(midi), beats * BeatSeconds(), velocity, NextSeed()), beat, where);
}

Buffer Song::Finish(const FinishOptions& options)
{
    const size_t reverbTail = static_cast<size_t>(rate_) * 8;
    const Buffer wet = RenderReverb(reverbSend_, options.room, options.damping, 1.0, reverbTail);
    const size_t delay = std::max<size_t>(1, FrameAt(options.echoBeats));
    const double repeats = std::ceil(std::log(0.0005) / std::log(std::clamp(options.echoFeedback, 0.05, 0.9)));
    const Buffer echo =
        RenderEcho(echoSend_, delay, options.echoFeedback, 4200.0, delay * static_cast<size_t>(repeats + 1));

    const size_t total = std::max({dry_.Frames(), wet.Frames(), echo.Frames()});
    Buffer mix = Buffer::MakeStereo(rate_, total);
    const Buffer* parts[] = {&dry_, &wet, &echo};
    for (const Buffer* part : parts) {
        AddInto(mix.left, part->left, 0, 1.0f);
        AddInto(mix.right, part->right, 0, 1.0f);
    }
    Biquad rumbleL = Biquad::HighPass(28.0, 0.7, rate_);
    Biquad rumbleR = Biquad::HighPass(28.0, 0.7, rate_);
    rumbleL.ProcessAll(mix.left);
    rumbleR.ProcessAll(mix.right);

    Buffer out;
    if (options.loop) {
        // Everything that rings past the last bar sounds again over the first bars, as it would
        // when the piece repeats; the wrap is then continuous and the loop has no seam.
        const size_t n = LoopFrames();
        out = Buffer::MakeStereo(rate_, n);
        for (size_t i = 0; i < total; ++i) {
            out.left[i % n] += mix.left[i];
            out.right[i % n] += mix.right[i];
        }
    } else {
        size_t end = total;
        while (end > LoopFrames() && std::fabs(mix.left[end - 1]) < 1e-4f && std::fabs(mix.right[end - 1]) < 1e-4f) {
            --end;
        }
        mix.left.resize(end);
        mix.right.resize(end);
        const size_t fade = std::min(end, static_cast<size_t>(rate_ / 10));
        for (size_t i = 0; i < fade; ++i) {
            const float g = static_cast<float>(i) / static_cast<float>(fade);
            mix.left[end - 1 - i] *= g;
            mix.right[end - 1 - i] *= g;
        }
        out = std::move(mix);
    }

    double energy = 0.0;
    for (size_t i = 0; i < out.Frames(); ++i) {
        energy += static_cast<double>(out.left[i]) * out.left[i] + static_cast<double>(out.right[i]) * out.right[i];
    }
    const double rms = std::sqrt(energy / std::max<size_t>(1, out.Frames() * 2));
    if (rms > 0.0) {
        const double wanted = DbToGain(options.loudnessDb) / rms;
        out.Scale(static_cast<float>(std::min(wanted, 1.5 / out.Peak())));
    }
    for (float& v : out.left) {
        v = SoftLimit(v);
    }
    for (float& v : out.right) {
        v = SoftLimit(v);
    }
    return out;
}

void ForEachStep(const char* pattern, const std::function<void(int32_t, char)>& f)
{
    const std::string steps = StepsOnly(pattern);
    for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] != '.' && steps[i] != '-') {
            f(static_cast<int32_t>(i), steps[i]);
        }
    }
}

int32_t HeldSteps(const char* pattern, int32_t step)
{
    const std::string steps = StepsOnly(pattern);
    int32_t held = 1;
    for (size_t i = static_cast<size_t>(step) + 1; i < steps.size() && steps[i] == '-'; ++i) {
        ++held;
    }
    return held;
}

std::vector<MelodyNote> ParseMelody(const char* text, double startBeat)
{
    static constexpr int32_t kPitchClass[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    std::vector<MelodyNote> notes;
    std::istringstream in(text);
    std::string token;
    double beat = startBeat;
    while (in >> token) {
        if (token == "|") {
            continue;
        }
        const size_t colon = token.find(':');
        if (colon == std::string::npos) {
            throw std::invalid_argument("melody token without length: " + token);
        }
        const double beats = std::stoi(token.substr(colon + 1)) / 4.0;
        const std::string name = token.substr(0, colon);
        if (name != "r") {
            if (name.empty() || name[0] < 'A' || name[0] > 'G') {
                throw std::invalid_argument("melody note not understood: " + token);
            }
            int32_t pitch = kPitchClass[name[0] - 'A'];
            size_t pos = 1;
            if (pos < name.size() && (name[pos] == '#' || name[pos] == 'b')) {
                pitch += name[pos] == '#' ? 1 : -1;
                ++pos;
            }
            const int32_t octave = std::stoi(name.substr(pos));
            notes.push_back({beat, beats, 12 * (octave + 1) + pitch, 0.85});
        }
        beat += beats;
    }
    return notes;
}

namespace {

struct MotifNote {
    int32_t step;
    int32_t length;
    int32_t move;
};

std::vector<MotifNote> MakeMotif(Rng& rng, int32_t steps, double density)
{
    std::vector<int32_t> onsets;
    for (int32_t s = 0; s < steps - 2; ++s) {
        const double weight = s % 16 == 0 ? 1.0 : s % 8 == 0 ? 0.75 : s % 4 == 0 ? 0.55 : s % 2 == 0 ? 0.3 : 0.1;
        if (s == 0 || rng.Chance(std::min(1.0, weight * density))) {
            onsets.push_back(s);
        }
    }
    static constexpr int32_t kMoves[] = {-2, -1, -1, -1, 0, 1, 1, 1, 2, 2, 3, -3, -4, 4};
    std::vector<MotifNote> motif;
    for (size_t i = 0; i < onsets.size(); ++i) {
        const int32_t next = i + 1 < onsets.size() ? onsets[i + 1] : steps;
        int32_t length = next - onsets[i];
        if (length >= 4 && i + 1 < onsets.size() && rng.Chance(0.25)) {
            length /= 2;  // a breath before the next note
        }
        const int32_t move = i == 0 ? 0 : kMoves[rng.Range(0, static_cast<int32_t>(std::size(kMoves)) - 1)];
        motif.push_back({onsets[i], length, move});
    }
    return motif;
}

int32_t Reflect(int32_t degree, int32_t low, int32_t high)
{
    while (degree > high || degree < low) {
        degree = degree > high ? 2 * high - degree : 2 * low - degree;
    }
    return degree;
}

// The chord tone nearest to `degree` inside low..high; any three neighbouring degrees hold one.
int32_t NearestChordTone(const Harmony& harmony, int32_t degree, int32_t chord, int32_t low, int32_t high)
{
    for (int32_t distance = 0; distance < 7; ++distance) {
        for (int32_t candidate : {degree - distance, degree + distance}) {
            if (candidate >= low && candidate <= high && harmony.InChord(candidate, chord)) {
                return candidate;
            }
        }
    }
    return degree;
}

// The root of `chord` nearest to `degree` inside low..high (the nearest chord tone if the range
// holds no root).
int32_t NearestRoot(const Harmony& harmony, int32_t degree, int32_t chord, int32_t low, int32_t high)
{
    const int32_t above = degree + Mod7(chord - degree);
    const int32_t below = above - 7;
    const bool aboveFits = above <= high;
    const bool belowFits = below >= low;
    if (aboveFits && (!belowFits || above - degree <= degree - below)) {
        return above;
    }
    return belowFits ? below : NearestChordTone(harmony, degree, chord, low, high);
}

}  // namespace

std::vector<MelodyNote> ComposeMelody(Rng& rng, const Harmony& harmony, const std::vector<int32_t>& chordPerBar,
                                      int32_t firstBar, int32_t bars, int32_t beatsPerBar, double density,
                                      int32_t lowDegree, int32_t highDegree)
{
    const int32_t slotSteps = 2 * beatsPerBar * 4;
    const std::vector<MotifNote> motifA = MakeMotif(rng, slotSteps, density);
    const std::vector<MotifNote> motifB = MakeMotif(rng, slotSteps, density * 0.8);
    const auto chordAt = [&](int32_t bar) { return chordPerBar[static_cast<size_t>(bar) % chordPerBar.size()]; };

    std::vector<MelodyNote> notes;
    int32_t previous = (lowDegree + highDegree) / 2;
    for (int32_t bar = firstBar; bar < firstBar + bars; bar += 2) {
        const int32_t slot = ((bar - firstBar) / 2) % 4;
        const bool ending = slot == 3 || bar + 2 >= firstBar + bars;
        const std::vector<MotifNote>& motif = slot == 2 ? motifB : motifA;
        int32_t degree = NearestChordTone(harmony, previous, chordAt(bar), lowDegree, highDegree);
        for (size_t i = 0; i < motif.size(); ++i) {
            const MotifNote& m = motif[i];
            const int32_t noteBar = bar + m.step / (beatsPerBar * 4);
            if (noteBar >= firstBar + bars) {
                break;
            }
            const int32_t chord = chordAt(noteBar);
            degree = Reflect(degree + m.move, lowDegree, highDegree);
            if (m.step % 4 == 0) {
                degree = NearestChordTone(harmony, degree, chord, lowDegree, highDegree);
            }
            int32_t length = m.length;
            if (ending && i + 1 == motif.size()) {
                // Phrases come to rest on the root of their chord.
                degree = NearestRoot(harmony, degree, chord, lowDegree, highDegree);
                length = slotSteps - m.step;
            }
            const double velocity = m.step % 16 == 0 ? 0.95 : m.step % 4 == 0 ? 0.85 : 0.72;
            notes.push_back({static_cast<double>(bar) * beatsPerBar + m.step * 0.25, length * 0.25 * 0.92,
                             harmony.Note(degree), velocity});
            previous = degree;
        }
    }
    return notes;
}

}  // namespace snd

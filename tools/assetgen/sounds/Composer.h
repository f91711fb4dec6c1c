// The sequencer: keys and chords, a timeline that mixes voices into buses, melodies and patterns.
#pragma once

#include "Dsp.h"
#include "Instruments.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace snd {

using Scale = std::array<int32_t, 7>;
constexpr Scale kMajor = {0, 2, 4, 5, 7, 9, 11};
constexpr Scale kMinor = {0, 2, 3, 5, 7, 8, 10};
constexpr Scale kDorian = {0, 2, 3, 5, 7, 9, 10};
constexpr Scale kPhrygian = {0, 1, 3, 5, 7, 8, 10};
constexpr Scale kLydian = {0, 2, 4, 6, 7, 9, 11};
constexpr Scale kMixolydian = {0, 2, 4, 5, 7, 9, 10};
constexpr Scale kHarmonicMinor = {0, 2, 3, 5, 7, 8, 11};

// A key: scale degrees (0 = tonic, 7 = the tonic an octave up, negative below) to MIDI notes.
struct Harmony {
    int32_t root = 57;
    Scale scale = kMinor;

    int32_t Note(int32_t degree) const;
    // The chord built in thirds on `degree`: `tones` notes from its root upwards.
    std::vector<int32_t> Chord(int32_t degree, int32_t tones) const;
    // The same chord's notes spread around `center`, for pads that should not jump about.
    std::vector<int32_t> Voicing(int32_t degree, int32_t tones, int32_t center) const;
    // True when the scale degree belongs to the triad on `chordDegree`.
    bool InChord(int32_t degree, int32_t chordDegree) const;
};

// Where a voice goes in the mix.
struct Placement {
    double gain = 1.0;
    double pan = 0.0;     // -1 left .. 1 right
    double reverb = 0.0;  // send level
    double echo = 0.0;    // send level
};

struct FinishOptions {
    bool loop = true;    // fold the tail into the start so the piece repeats seamlessly
    double room = 0.75;  // reverb size 0..1
    double damping = 0.4;
    double echoBeats = 0.75;  // echo delay
    double echoFeedback = 0.35;
    double loudnessDb = -18.5;  // target RMS level before the soft limiter; effects play on top
};

// A piece of music on a bar grid. Voices are mixed into dry, reverb and echo buses; Finish
// applies the effects, loops or ends the piece and sets its level.
class Song {
public:
    Song(double bpm, int32_t beatsPerBar, int32_t bars, uint64_t seed, int32_t rate = 44100);

    int32_t Rate() const { return rate_; }
    int32_t BeatsPerBar() const { return beatsPerBar_; }
    double BeatSeconds() const { return 60.0 / bpm_; }
    size_t FrameAt(double beat) const;
    size_t LoopFrames() const { return FrameAt(static_cast<double>(bars_) * beatsPerBar_); }
    // Beat of a sixteenth step within a bar, with the odd steps pushed late by `swing` (0..1).
    double StepBeat(int32_t bar, int32_t step) const;
    void SetSwing(double swing) { swing_ = swing; }
    uint64_t NextSeed() { return rng_.Next(); }
    Rng& Random() { return rng_; }

    void Add(const Voice& voice, double beat, const Placement& where);
    // A pitched note of `beats` length at MIDI pitch `midi`.
    void Play(const Tone& tone, double beat, double beats, double midi, double velocity, const Placement& where);

    Buffer Finish(const FinishOptions& options);

private:
    int32_t rate_;
    double bpm_;
    int32_t beatsPerBar_;
    int32_t bars_;
    double swing_ = 0.0;
    Rng rng_;
    Buffer dry_;
    Buffer reverbSend_;
    Buffer echoSend_;
};

// Calls `f(step, symbol)` for every symbol of a step pattern that is not '.' or ' '.
void ForEachStep(const char* pattern, const std::function<void(int32_t, char)>& f);

// Steps from `step` to the next symbol that is not '-' (a tie), for note lengths in patterns.
int32_t HeldSteps(const char* pattern, int32_t step);

struct MelodyNote {
    double beat;   // from the start of the piece
    double beats;  // length
    int32_t midi;
    double velocity;
};

// Reads a written melody: tokens "C5:4" (note, octave, length in sixteenths), "F#4:2", "Bb3:8"
// and rests "r:4", separated by spaces; '|' marks bars and is ignored. Starts at `startBeat`.
std::vector<MelodyNote> ParseMelody(const char* text, double startBeat);

// Composes a melody over the chords (one scale degree per bar, repeated as needed) in phrases
// of eight bars built as A A B A': a two-bar motif, its repeat over the next chords, a second
// motif and the first again, ending on a chord root. Degrees stay within low..high.
std::vector<MelodyNote> ComposeMelody(Rng& rng, const Harmony& harmony, const std::vector<int32_t>& chordPerBar,
                                      int32_t firstBar, int32_t bars, int32_t beatsPerBar, double density,
                                      int32_t lowDegree, int32_t highDegree);

}  // namespace snd

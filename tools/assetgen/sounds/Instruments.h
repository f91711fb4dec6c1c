// The synthesizer's voices: drums made from noise and swept sines, and pitched timbres.
#pragma once

#include "Dsp.h"

#include <cstdint>
#include <vector>

namespace snd {

using Voice = std::vector<float>;

// Drums. Velocity 0..1 scales the level; seeds pick the noise so each hit is repeatable.
Voice Kick(int32_t rate, double velocity, double punchHz, double length);
Voice Snare(int32_t rate, double velocity, double toneHz, double snappy, uint64_t seed);
Voice HiHat(int32_t rate, double velocity, double length, uint64_t seed);
Voice Clap(int32_t rate, double velocity, uint64_t seed);
Voice Tom(int32_t rate, double velocity, double hz);
Voice Cymbal(int32_t rate, double velocity, double length, uint64_t seed);
Voice Shaker(int32_t rate, double velocity, uint64_t seed);
// A gust of filtered noise that swells in and out over `length` seconds around `centerHz`.
Voice Wind(int32_t rate, double velocity, double length, double centerHz, uint64_t seed);

enum class Timbre {
    SuperSaw,    // wide detuned saws: bright pads and stabs
    WarmPad,     // soft filtered saws and pulse
    Strings,     // ensemble with delayed vibrato
    Pluck,       // plucked string (Karplus-Strong)
    Bell,        // inharmonic FM bell
    EPiano,      // FM electric piano
    Organ,       // drawbar sines
    SquareLead,  // pulse lead with vibrato
    SawLead,     // two detuned saws with vibrato
    SoftLead,    // breathy triangle, flute-like
    Glass,       // soft glassy FM tone for ambient layers
    SubBass,     // sine bass
    SawBass,     // filtered saw with a sub octave
    AcidBass,    // resonant saw with a swept filter
    FmBass,      // punchy FM bass
    Drone,       // slowly beating sines with breath noise
};

struct Tone {
    Timbre timbre = Timbre::WarmPad;
    Adsr env;
    double brightness = 0.5;  // 0 dark .. 1 bright
    double detune = 0.15;     // semitones of spread for the ensemble timbres
    double vibrato = 0.0;     // semitones of vibrato depth
};

// Renders one note of `gate` seconds plus its release; the result ends on silence.
Voice RenderTone(int32_t rate, const Tone& tone, double hz, double gate, double velocity, uint64_t seed);

}  // namespace snd

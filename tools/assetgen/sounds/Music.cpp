// The game's music: level grooves, soundscapes, and the menu, high-score, closing and boss pieces.
#include "Catalogue.h"
#include "Composer.h"

#include <string>

namespace snd {

namespace {

constexpr float kMusicQuality = 0.25f;

double Velocity(char symbol)
{
    switch (symbol) {
    case 'X':
        return 1.0;
    case 'g':
        return 0.4;
    default:
        return 0.8;
    }
}

// One drum voice over one bar of a step pattern.
void Drums(Song& song, int32_t bar, const char* pattern, const std::function<Voice(double)>& make,
           const Placement& where)
{
    if (pattern == nullptr) {
        return;
    }
    ForEachStep(pattern,
                [&](int32_t step, char symbol) { song.Add(make(Velocity(symbol)), song.StepBeat(bar, step), where); });
}

// Tom and snare fill: 't' high, 'm' middle, 'l' low tom, 's' snare.
void Fill(Song& song, int32_t bar, const char* pattern, const Placement& where)
{
    if (pattern == nullptr) {
        return;
    }
    const int32_t rate = song.Rate();
    ForEachStep(pattern, [&](int32_t step, char symbol) {
        Voice v = symbol == 's'   ? Snare(rate, 0.75, 190.0, 0.6, song.NextSeed())
                  : symbol == 't' ? Tom(rate, 0.8, 210.0)
                  : symbol == 'm' ? Tom(rate, 0.8, 150.0)
                                  : Tom(rate, 0.85, 105.0);
        const double pan = symbol == 't' ? -0.3 : symbol == 'l' ? 0.3 : 0.0;
        song.Add(v, song.StepBeat(bar, step), {where.gain, pan, where.reverb, where.echo});
    });
}

// Chord-tone pattern: '0'..'3' the chord's root, third, fifth and seventh, 'o' the root an
// octave up; '-' holds the previous note.
int32_t ChordTone(const Harmony& key, int32_t chord, char symbol)
{
    if (symbol == 'o') {
        return key.Note(chord + 7);
    }
    return key.Note(chord + 2 * (symbol - '0'));
}

void Bassline(Song& song, const Harmony& key, int32_t chord, int32_t bar, const char* pattern, const Tone& tone,
              int32_t degreeOffset, const Placement& where)
{
    ForEachStep(pattern, [&](int32_t step, char symbol) {
        const double beats = HeldSteps(pattern, step) * 0.25 * 0.9;
        const int32_t midi = ChordTone(key, chord + degreeOffset, symbol);
        song.Play(tone, song.StepBeat(bar, step), beats, midi, step % 4 == 0 ? 0.95 : 0.8, where);
    });
}

// Arpeggio over the chord voiced around `center` and the same an octave up: '0'..'5'.
void Arpeggio(Song& song, const Harmony& key, int32_t chord, int32_t bar, const char* pattern, const Tone& tone,
              int32_t center, const Placement& where)
{
    std::vector<int32_t> notes = key.Voicing(chord, 3, center);
    const size_t base = notes.size();
    for (size_t i = 0; i < base; ++i) {
        notes.push_back(notes[i] + 12);
    }
    ForEachStep(pattern, [&](int32_t step, char symbol) {
        const size_t index = static_cast<size_t>(symbol - '0') % notes.size();
        const double beats = HeldSteps(pattern, step) * 0.25;
        song.Play(tone, song.StepBeat(bar, step), beats, notes[index], step % 4 == 0 ? 0.9 : 0.7, where);
    });
}

// Sustained chords, one per run of bars with the same chord, or stabs on a step pattern.
void Pad(Song& song, const Harmony& key, const std::vector<int32_t>& chords, int32_t firstBar, int32_t bars,
         const char* rhythm, const Tone& tone, int32_t center, const Placement& where)
{
    const auto chordAt = [&](int32_t bar) { return chords[static_cast<size_t>(bar) % chords.size()]; };
    const int32_t beatsPerBar = song.BeatsPerBar();
    if (rhythm != nullptr) {
        for (int32_t bar = firstBar; bar < firstBar + bars; ++bar) {
            for (int32_t note : key.Voicing(chordAt(bar), 4, center)) {
                ForEachStep(rhythm, [&](int32_t step, char symbol) {
                    song.Play(tone, song.StepBeat(bar, step), HeldSteps(rhythm, step) * 0.25, note, Velocity(symbol),
                              where);
                });
            }
        }
        return;
    }
    int32_t bar = firstBar;
    while (bar < firstBar + bars) {
        int32_t run = 1;
        while (bar + run < firstBar + bars && chordAt(bar + run) == chordAt(bar)) {
            ++run;
        }
        for (int32_t note : key.Voicing(chordAt(bar), 4, center)) {
            song.Play(tone, static_cast<double>(bar) * beatsPerBar, static_cast<double>(run) * beatsPerBar, note, 0.8,
                      where);
        }
        bar += run;
    }
}

void Melody(Song& song, const std::vector<MelodyNote>& notes, const Tone& tone, double transpose,
            const Placement& where)
{
    for (const MelodyNote& n : notes) {
        song.Play(tone, n.beat, n.beats, n.midi + transpose, n.velocity, where);
    }
}

Voice Crash(Song& song) { return Cymbal(song.Rate(), 0.7, 2.2, song.NextSeed()); }

// ----- Level grooves -----

struct GrooveStyle {
    double bpm;
    int32_t bars;
    Harmony key;
    std::vector<int32_t> chords;  // one scale degree per bar, repeated
    double swing;
    double kickHz;
    const char* kick;
    const char* snare;
    const char* clap;
    const char* hats;
    const char* openHats;
    const char* shaker;
    const char* fill;  // closes every fourth bar of the main section
    const char* bassLine;
    Tone bass;
    int32_t bassDegree;
    double bassGain;
    const char* arp;
    Tone arpTone;
    int32_t arpCenter;
    double arpGain;
    const char* padRhythm;  // null: sustained chords
    Tone pad;
    int32_t padCenter;
    double padGain;
    Tone lead;
    double leadDensity;
    int32_t leadLow;
    int32_t leadHigh;
    double leadGain;
    Tone counter;  // voice of the second melody in the breakdown
};

// A quarter of the loop builds up without the lead, half is the full groove with the melody, and
// the last quarter breaks down without the kick under a second melody.
Buffer RenderGroove(const GrooveStyle& s, const char* name)
{
    Song song(s.bpm, 4, s.bars, HashText(name));
    song.SetSwing(s.swing);
    const int32_t rate = song.Rate();
    const int32_t quarter = s.bars / 4;
    const auto chordAt = [&](int32_t bar) { return s.chords[static_cast<size_t>(bar) % s.chords.size()]; };

    for (int32_t bar = 0; bar < s.bars; ++bar) {
        const bool breakdown = bar >= 3 * quarter;
        const bool main = bar >= quarter && !breakdown;
        const bool fillBar = main && (bar - quarter) % 4 == 3;
        if (!breakdown) {
            Drums(song, bar, s.kick, [&](double v) { return Kick(rate, v, s.kickHz, 0.45); }, {0.75, 0.0, 0.0, 0.0});
        }
        if (bar >= quarter / 2) {
            Drums(song, bar, fillBar ? nullptr : s.snare,
                  [&](double v) { return Snare(rate, v, 185.0, 0.6, song.NextSeed()); }, {0.6, 0.05, 0.25, 0.0});
            Drums(song, bar, s.clap, [&](double v) { return Clap(rate, v, song.NextSeed()); }, {0.45, -0.05, 0.3, 0.0});
        }
        Drums(song, bar, s.hats, [&](double v) { return HiHat(rate, v, 0.06, song.NextSeed()); },
              {0.3, 0.3, 0.05, 0.0});
        if (main) {
            Drums(song, bar, s.openHats, [&](double v) { return HiHat(rate, v, 0.3, song.NextSeed()); },
                  {0.22, -0.25, 0.1, 0.0});
            Drums(song, bar, s.shaker, [&](double v) { return Shaker(rate, v, song.NextSeed()); },
                  {0.2, -0.4, 0.1, 0.0});
        }
        if (fillBar) {
            Fill(song, bar, s.fill, {0.7, 0.0, 0.2, 0.0});
        }
        if (bar == 0 || bar == quarter) {
            song.Add(Crash(song), song.StepBeat(bar, 0), {0.35, 0.2, 0.3, 0.0});
        }
        if (!breakdown || bar % 2 == 0) {
            Bassline(song, s.key, chordAt(bar), bar, s.bassLine, s.bass, s.bassDegree, {s.bassGain, 0.0, 0.0, 0.0});
        }
        if (s.arp != nullptr && bar >= 1) {
            Arpeggio(song, s.key, chordAt(bar), bar, s.arp, s.arpTone, s.arpCenter,
                     {s.arpGain, bar % 2 == 0 ? 0.35 : -0.35, 0.3, 0.25});
        }
    }
    Pad(song, s.key, s.chords, 0, s.bars, s.padRhythm, s.pad, s.padCenter, {s.padGain, 0.0, 0.45, 0.0});

    const std::vector<MelodyNote> main =
        ComposeMelody(song.Random(), s.key, s.chords, quarter, 2 * quarter, 4, s.leadDensity, s.leadLow, s.leadHigh);
    Melody(song, main, s.lead, 0.0, {s.leadGain, 0.0, 0.25, 0.2});
    const std::vector<MelodyNote> answer = ComposeMelody(song.Random(), s.key, s.chords, 3 * quarter, quarter, 4,
                                                         s.leadDensity * 0.7, s.leadLow + 2, s.leadHigh + 2);
    Melody(song, answer, s.counter, 0.0, {s.leadGain * 0.8, 0.15, 0.35, 0.3});
    return song.Finish({});
}

Adsr Env(double a, double d, double s, double r) { return Adsr{a, d, s, r}; }

// The styles are a table: an entry a style, its fields in rows as laid out.
// clang-format off
std::vector<GrooveStyle> GrooveStyles()
{
    std::vector<GrooveStyle> styles;
    // 1: driving synthwave in A minor.
    styles.push_back({118, 16, {57, kMinor}, {0, 5, 2, 6}, 0.0, 50.0,
                      "X...x...X...x...", "....X.......X...", nullptr, "g.x.g.x.g.x.g.x.", nullptr, nullptr,
                      "........s.s.tml.", "0.0o0.0o0.0o0.0o", {Timbre::SawBass, Env(0.003, 0.1, 0.7, 0.05), 0.5}, -7,
                      0.5, "0123454321234543", {Timbre::Pluck, Env(0.001, 0.1, 1.0, 0.08), 0.6}, 69, 0.2, nullptr,
                      {Timbre::SuperSaw, Env(0.4, 0.5, 0.8, 0.8), 0.35, 0.18}, 62, 0.16,
                      {Timbre::SawLead, Env(0.01, 0.2, 0.8, 0.15), 0.55, 0.12, 0.25}, 0.9, 7, 15, 0.3,
                      {Timbre::Bell, Env(0.002, 1.2, 0.0, 0.6), 0.4}});
    // 2: dark techno in E phrygian with an acid line.
    styles.push_back({128, 16, {52, kPhrygian}, {0, 0, 1, 0, 0, 0, 6, 1}, 0.0, 48.0,
                      "X...X...X...X...", nullptr, "....X.......X...", "g.g.g.g.g.g.g.g.", "..x...x...x...x.",
                      nullptr, "............ssss", "0.0o0.00.0o.0.0o",
                      {Timbre::AcidBass, Env(0.002, 0.1, 0.6, 0.04), 0.7}, -7, 0.45, nullptr, {}, 0, 0.0,
                      "..x...x...x..x..", {Timbre::SuperSaw, Env(0.002, 0.18, 0.0, 0.12), 0.45, 0.2}, 64, 0.14,
                      {Timbre::SquareLead, Env(0.005, 0.2, 0.7, 0.1), 0.5, 0.0, 0.15}, 0.6, 7, 14, 0.26,
                      {Timbre::SoftLead, Env(0.03, 0.2, 0.8, 0.2), 0.5, 0.0, 0.3}});
    // 3: swung funk in D dorian with electric piano stabs.
    styles.push_back({104, 16, {50, kDorian}, {0, 3, 0, 3, 2, 6, 4, 3}, 0.18, 55.0,
                      "X..x..x...X.....", "....X..g.g..X..g", nullptr, "xgxgxgxgxgxgxgxg", "......x.......x.",
                      nullptr, "............smss", "0-.0..o-0..2.1..",
                      {Timbre::FmBass, Env(0.002, 0.15, 0.6, 0.05), 0.6}, -7, 0.55, nullptr, {}, 0, 0.0,
                      "..x..x....x..x..", {Timbre::EPiano, Env(0.002, 0.35, 0.3, 0.2), 0.5}, 62, 0.2,
                      {Timbre::SoftLead, Env(0.02, 0.2, 0.85, 0.12), 0.6, 0.0, 0.3}, 1.0, 7, 15, 0.32,
                      {Timbre::Bell, Env(0.002, 1.0, 0.0, 0.5), 0.35}});
    // 4: fast breakbeat in C minor with strings and a sub bass.
    styles.push_back({172, 24, {48, kMinor}, {0, 0, 5, 5, 3, 3, 4, 4}, 0.0, 52.0,
                      "X.........X.....", "....X.......X...", nullptr, "x.xgx.xgx.xgx.xg", nullptr,
                      "..g...g...g...g.", "..........s.ss.s", "0-------0-----2-",
                      {Timbre::SubBass, Env(0.005, 0.2, 0.8, 0.1), 0.5}, -7, 0.6, "0.2.1.3.2.4.3.5.",
                      {Timbre::Pluck, Env(0.001, 0.1, 1.0, 0.1), 0.5}, 67, 0.18, nullptr,
                      {Timbre::Strings, Env(0.6, 0.5, 0.8, 1.0), 0.4, 0.12}, 60, 0.18,
                      {Timbre::SawLead, Env(0.01, 0.3, 0.75, 0.2), 0.5, 0.1, 0.3}, 0.5, 7, 14, 0.28,
                      {Timbre::Glass, Env(0.02, 0.8, 0.3, 0.5), 0.5}});
    // 5: bright chiptune in G major.
    styles.push_back({140, 16, {55, kMajor}, {0, 4, 5, 3}, 0.0, 60.0,
                      "X.......X.X.....", "....X.......X...", nullptr, "x.x.x.x.x.x.x.x.", nullptr, nullptr,
                      "........s.s.ssss", "0o0o0o0o0o0o0o0o", {Timbre::SquareLead, Env(0.001, 0.05, 0.8, 0.02), 0.25},
                      -14, 0.4, "0240240240240242", {Timbre::SquareLead, Env(0.001, 0.04, 0.6, 0.02), 0.7}, 67,
                      0.12, nullptr, {Timbre::WarmPad, Env(0.2, 0.3, 0.7, 0.4), 0.3, 0.1}, 60, 0.1,
                      {Timbre::SquareLead, Env(0.002, 0.1, 0.8, 0.06), 0.8, 0.0, 0.3}, 1.1, 7, 16, 0.28,
                      {Timbre::Pluck, Env(0.001, 0.2, 1.0, 0.1), 0.7}});
    // 6: brooding electro in F harmonic minor.
    styles.push_back({124, 16, {53, kHarmonicMinor}, {0, 5, 3, 4}, 0.0, 46.0,
                      "X...X...X...X...", "....X.......X...", "....x.......x..x", "..x...x...x...x.", nullptr,
                      "gxgxgxgxgxgxgxgx", "............tmlm", "0.00.00.0.00.0o.",
                      {Timbre::FmBass, Env(0.002, 0.12, 0.5, 0.05), 0.5}, -7, 0.5, "0..2..4..2..5..3",
                      {Timbre::Bell, Env(0.002, 0.8, 0.0, 0.4), 0.35}, 72, 0.16, nullptr,
                      {Timbre::SuperSaw, Env(0.5, 0.5, 0.8, 0.9), 0.2, 0.2}, 60, 0.16,
                      {Timbre::SawLead, Env(0.02, 0.3, 0.8, 0.2), 0.35, 0.1, 0.2}, 0.8, 7, 14, 0.3,
                      {Timbre::Bell, Env(0.002, 1.2, 0.0, 0.6), 0.3}});
    // 7: uplifting trance in E flat major.
    styles.push_back({136, 24, {51, kMajor}, {5, 3, 0, 4}, 0.0, 52.0,
                      "X...X...X...X...", nullptr, "....X.......X...", "g.g.g.g.g.g.g.g.", "..x...x...x...x.",
                      nullptr, "........ssssssss", "..0o..0o..0o..0o",
                      {Timbre::SawBass, Env(0.002, 0.08, 0.6, 0.04), 0.45}, -7, 0.5, "0123453201234532",
                      {Timbre::Pluck, Env(0.001, 0.1, 1.0, 0.1), 0.65}, 70, 0.16, nullptr,
                      {Timbre::SuperSaw, Env(0.3, 0.5, 0.8, 0.8), 0.5, 0.25}, 63, 0.15,
                      {Timbre::SuperSaw, Env(0.005, 0.2, 0.8, 0.15), 0.7, 0.15}, 0.8, 7, 16, 0.22,
                      {Timbre::Glass, Env(0.01, 0.8, 0.3, 0.5), 0.6}});
    // 8: urgent galloping rock-electro in B minor before the boss.
    styles.push_back({150, 24, {47, kMinor}, {0, 0, 5, 6, 0, 0, 3, 4}, 0.0, 55.0,
                      "X..X..X...X..X..", "....X.......X..X", nullptr, "x.xgx.xgx.xgx.xg", nullptr, nullptr,
                      "........tmtmlsss", "0.00o.000.00o.00", {Timbre::FmBass, Env(0.002, 0.1, 0.5, 0.04), 0.7},
                      -7, 0.5, "0.1.2.0.1.2.0.1.", {Timbre::Pluck, Env(0.001, 0.1, 1.0, 0.08), 0.5}, 66, 0.16,
                      nullptr, {Timbre::Strings, Env(0.4, 0.5, 0.8, 0.8), 0.5, 0.12}, 62, 0.17,
                      {Timbre::SquareLead, Env(0.005, 0.2, 0.8, 0.1), 0.6, 0.0, 0.3}, 1.0, 7, 15, 0.27,
                      {Timbre::SawLead, Env(0.01, 0.3, 0.8, 0.2), 0.5, 0.1, 0.25}});
    return styles;
}
// clang-format on

// ----- Soundscapes -----

struct AmbientStyle {
    double bpm;
    int32_t bars;
    Harmony key;
    std::vector<int32_t> chords;
    Tone drone;
    double droneGain;
    Tone pad;
    int32_t padCenter;
    double padGain;
    Tone sparkle;
    int32_t sparkleLow;
    int32_t sparkleHigh;
    double sparklesPerBar;
    double sparkleGain;
    Tone melody;
    double melodyDensity;  // 0: no melody
    double melodyGain;
    double windHz;  // 0: no wind
    double windGain;
    const char* pulse;  // one bar, repeated
    char pulseKind;     // 'k' soft kick, 's' shaker, 't' low tom
    double pulseGain;
    double room;
};

// Slow chords over a drone of the chord roots, scattered chimes, optional wind, pulse and a
// sparse melody; everything bathed in a large room.
Buffer RenderSoundscape(const AmbientStyle& s, const char* name)
{
    Song song(s.bpm, 4, s.bars, HashText(name));
    const int32_t rate = song.Rate();
    const auto chordAt = [&](int32_t bar) { return s.chords[static_cast<size_t>(bar) % s.chords.size()]; };

    int32_t bar = 0;
    while (bar < s.bars) {
        int32_t run = 1;
        while (bar + run < s.bars && chordAt(bar + run) == chordAt(bar)) {
            ++run;
        }
        song.Play(s.drone, static_cast<double>(bar) * 4, static_cast<double>(run) * 4, s.key.Note(chordAt(bar) - 14),
                  0.8, {s.droneGain, 0.0, 0.3, 0.0});
        bar += run;
    }
    Pad(song, s.key, s.chords, 0, s.bars, nullptr, s.pad, s.padCenter, {s.padGain, 0.0, 0.6, 0.0});

    Rng& rng = song.Random();
    const int32_t sparkles = static_cast<int32_t>(s.sparklesPerBar * s.bars);
    for (int32_t i = 0; i < sparkles; ++i) {
        const double beat = rng.Uniform() * s.bars * 4.0;
        const int32_t chord = chordAt(static_cast<int32_t>(beat / 4.0));
        int32_t degree = rng.Range(s.sparkleLow, s.sparkleHigh);
        while (!s.key.InChord(degree, chord) && degree > s.sparkleLow) {
            --degree;
        }
        song.Play(s.sparkle, std::floor(beat * 2.0) / 2.0, 1.0, s.key.Note(degree), 0.5 + 0.5 * rng.Uniform(),
                  {s.sparkleGain, rng.Bipolar() * 0.8, 0.7, 0.4});
    }
    if (s.melodyDensity > 0.0) {
        const std::vector<MelodyNote> notes = ComposeMelody(rng, s.key, s.chords, 0, s.bars, 4, s.melodyDensity, 7, 14);
        Melody(song, notes, s.melody, 0.0, {s.melodyGain, -0.1, 0.6, 0.3});
    }
    if (s.windHz > 0.0) {
        const double barSeconds = song.BeatSeconds() * 4.0;
        for (int32_t gust = 0; gust * 3 < s.bars; ++gust) {
            const double length = barSeconds * (3.0 + rng.Uniform() * 2.0);
            song.Add(Wind(rate, 1.0, length, s.windHz * (0.8 + 0.4 * rng.Uniform()), song.NextSeed()),
                     gust * 12.0 + rng.Uniform() * 4.0, {s.windGain, rng.Bipolar() * 0.6, 0.5, 0.0});
        }
    }
    if (s.pulse != nullptr) {
        for (int32_t b = 0; b < s.bars; ++b) {
            Drums(song, b, s.pulse,
                  [&](double v) {
                      return s.pulseKind == 'k'   ? Kick(rate, v, 45.0, 0.5)
                             : s.pulseKind == 's' ? Shaker(rate, v, song.NextSeed())
                                                  : Tom(rate, v, 70.0);
                  },
                  {s.pulseGain, 0.0, 0.3, 0.0});
        }
    }
    FinishOptions finish;
    finish.room = s.room;
    finish.damping = 0.5;
    finish.echoBeats = 1.5;
    finish.echoFeedback = 0.45;
    finish.loudnessDb = -21.0;
    return song.Finish(finish);
}

std::vector<AmbientStyle> AmbientStyles()
{
    const Tone drone{Timbre::Drone, Env(2.5, 1.0, 0.9, 3.0), 0.3};
    std::vector<AmbientStyle> styles;
    // 1: a calm drift in C lydian with glass chimes.
    styles.push_back({76,
                      16,
                      {48, kLydian},
                      {0, 0, 1, 1, 5, 5, 4, 4},
                      drone,
                      0.3,
                      {Timbre::WarmPad, Env(1.5, 1.0, 0.8, 2.5), 0.35, 0.12},
                      62,
                      0.12,
                      {Timbre::Glass, Env(0.01, 1.5, 0.0, 1.2), 0.5},
                      14,
                      21,
                      1.5,
                      0.12,
                      {},
                      0.0,
                      0.0,
                      0.0,
                      0.0,
                      nullptr,
                      'k',
                      0.0,
                      0.85});
    // 2: a deep current in A minor with a slow heartbeat.
    styles.push_back({60,
                      12,
                      {45, kMinor},
                      {0, 0, 5, 5, 3, 3},
                      drone,
                      0.35,
                      {Timbre::Strings, Env(2.0, 1.0, 0.8, 2.5), 0.3, 0.1},
                      57,
                      0.1,
                      {Timbre::Bell, Env(0.002, 2.0, 0.0, 1.5), 0.3},
                      10,
                      17,
                      0.6,
                      0.1,
                      {},
                      0.0,
                      0.0,
                      600.0,
                      0.12,
                      "X..x............",
                      'k',
                      0.45,
                      0.8});
    // 3: a nebula in D dorian with a shaker and a sparse flute.
    styles.push_back({80,
                      16,
                      {50, kDorian},
                      {0, 0, 3, 3, 6, 6, 2, 2},
                      drone,
                      0.25,
                      {Timbre::WarmPad, Env(1.2, 1.0, 0.8, 2.0), 0.4, 0.15},
                      62,
                      0.11,
                      {Timbre::Bell, Env(0.002, 1.5, 0.0, 1.0), 0.4},
                      12,
                      19,
                      1.0,
                      0.09,
                      {Timbre::SoftLead, Env(0.08, 0.4, 0.8, 0.6), 0.5, 0.0, 0.3},
                      0.35,
                      0.16,
                      0.0,
                      0.0,
                      "..x...x...x...x.",
                      's',
                      0.12,
                      0.85});
    // 4: ice caves in E minor: glass pad, high wind, falling plucks.
    styles.push_back({64,
                      12,
                      {52, kMinor},
                      {0, 0, 2, 2, 5, 5},
                      drone,
                      0.22,
                      {Timbre::Glass, Env(1.5, 1.0, 0.8, 2.5), 0.5},
                      64,
                      0.12,
                      {Timbre::Pluck, Env(0.001, 0.5, 1.0, 0.4), 0.8},
                      14,
                      21,
                      2.0,
                      0.14,
                      {},
                      0.0,
                      0.0,
                      2500.0,
                      0.045,
                      nullptr,
                      'k',
                      0.0,
                      0.9});
    // 5: a machine hum in F sharp phrygian with low toms and ominous bells.
    styles.push_back({70,
                      12,
                      {42, kPhrygian},
                      {0, 0, 0, 1},
                      {Timbre::Drone, Env(2.0, 1.0, 0.9, 3.0), 0.6},
                      0.4,
                      {Timbre::Strings, Env(2.0, 1.0, 0.8, 2.5), 0.2, 0.1},
                      54,
                      0.1,
                      {Timbre::Bell, Env(0.002, 2.5, 0.0, 1.5), 0.25},
                      7,
                      12,
                      0.5,
                      0.12,
                      {},
                      0.0,
                      0.0,
                      300.0,
                      0.18,
                      "X.......x.......",
                      't',
                      0.35,
                      0.75});
    // 6: an orbit in G mixolydian with soft electric piano and a gentle pulse.
    styles.push_back({78,
                      16,
                      {55, kMixolydian},
                      {0, 0, 6, 6, 3, 3, 0, 0},
                      drone,
                      0.2,
                      {Timbre::EPiano, Env(0.01, 2.0, 0.4, 1.5), 0.3},
                      60,
                      0.14,
                      {Timbre::Glass, Env(0.01, 1.2, 0.0, 1.0), 0.5},
                      14,
                      19,
                      0.8,
                      0.1,
                      {Timbre::Bell, Env(0.002, 1.2, 0.0, 0.8), 0.35},
                      0.4,
                      0.14,
                      0.0,
                      0.0,
                      "X.......X.......",
                      'k',
                      0.3,
                      0.7});
    // 7: the void in B flat minor: dark drone, distant bells, wind and a glassy line.
    styles.push_back({58,
                      10,
                      {46, kMinor},
                      {0, 0, 5, 5, 3, 3, 6, 6, 4, 4},
                      {Timbre::Drone, Env(2.5, 1.0, 0.9, 3.0), 0.5},
                      0.38,
                      {Timbre::Strings, Env(2.5, 1.0, 0.8, 3.0), 0.15, 0.1},
                      58,
                      0.1,
                      {Timbre::Bell, Env(0.002, 2.5, 0.0, 1.5), 0.3},
                      9,
                      15,
                      0.4,
                      0.1,
                      {Timbre::Glass, Env(0.3, 1.0, 0.7, 1.2), 0.4},
                      0.25,
                      0.12,
                      900.0,
                      0.15,
                      nullptr,
                      'k',
                      0.0,
                      0.9});
    // 8: an aurora in E flat major: bright strings, chimes and a slow flute.
    styles.push_back({68,
                      14,
                      {51, kMajor},
                      {0, 0, 4, 4, 5, 5, 3, 3, 0, 0, 4, 4, 3, 3},
                      drone,
                      0.22,
                      {Timbre::Strings, Env(1.5, 1.0, 0.8, 2.5), 0.5, 0.12},
                      63,
                      0.1,
                      {Timbre::Glass, Env(0.01, 1.5, 0.0, 1.2), 0.6},
                      14,
                      21,
                      1.2,
                      0.1,
                      {Timbre::SoftLead, Env(0.1, 0.4, 0.8, 0.8), 0.5, 0.0, 0.3},
                      0.45,
                      0.15,
                      0.0,
                      0.0,
                      nullptr,
                      'k',
                      0.0,
                      0.85});
    return styles;
}

// ----- Pieces with written melodies -----

// The menu theme: heroic synthwave in A minor.
Buffer RenderIntro()
{
    Song song(112, 4, 16, HashText("Tonmark_Intro"));
    const int32_t rate = song.Rate();
    const Harmony key{57, kMinor};
    const std::vector<int32_t> chords = {0, 5, 2, 6, 0, 5, 6, 4, 3, 0, 5, 4, 3, 0, 5, 4};
    const Tone bass{Timbre::SawBass, Env(0.003, 0.1, 0.7, 0.05), 0.55};
    const Tone arp{Timbre::Pluck, Env(0.001, 0.1, 1.0, 0.08), 0.6};
    for (int32_t bar = 0; bar < 16; ++bar) {
        const bool lift = bar == 8 || bar == 9;
        if (!lift) {
            Drums(song, bar, "X...x...X...x...", [&](double v) { return Kick(rate, v, 50.0, 0.45); },
                  {0.75, 0.0, 0.0, 0.0});
        }
        Drums(song, bar, bar % 4 == 3 ? "....X.......X.XX" : "....X.......X...",
              [&](double v) { return Snare(rate, v, 180.0, 0.7, song.NextSeed()); }, {0.6, 0.0, 0.3, 0.0});
        Drums(song, bar, "g.x.g.x.g.x.g.x.", [&](double v) { return HiHat(rate, v, 0.06, song.NextSeed()); },
              {0.28, 0.3, 0.05, 0.0});
        if (bar == 0 || bar == 10) {
            song.Add(Crash(song), song.StepBeat(bar, 0), {0.35, -0.2, 0.3, 0.0});
        }
        Bassline(song, key, chords[static_cast<size_t>(bar)], bar, lift ? "0-------0-------" : "0.0o0.0o0.0o0.0o", bass,
                 -7, {0.5, 0.0, 0.0, 0.0});
        Arpeggio(song, key, chords[static_cast<size_t>(bar)], bar, "0123454321234543", arp, 69,
                 {0.17, bar % 2 == 0 ? 0.4 : -0.4, 0.3, 0.25});
    }
    Pad(song, key, chords, 0, 16, nullptr, {Timbre::SuperSaw, Env(0.3, 0.5, 0.8, 0.8), 0.35, 0.18}, 62,
        {0.15, 0.0, 0.45, 0.0});
    const char* themeA =
        "E5:6 D5:2 C5:4 B4:2 C5:2 | A4:6 C5:2 F5:4 E5:4 | G4:4 C5:4 E5:4 G5:4 | F5:6 E5:2 D5:8 | "
        "E5:6 D5:2 C5:4 B4:2 C5:2 | A4:6 C5:2 F5:4 A5:4 | G5:4 F5:2 E5:2 D5:4 B4:4 | E5:4 B4:4 G4:4 B4:4";
    const char* themeB = "F5:4 E5:4 D5:4 A4:4 | C5:6 B4:2 A4:8 | A4:4 C5:4 F5:4 E5:4 | D5:4 C5:4 B4:8 | "
                         "F5:4 A5:4 G5:4 F5:4 | E5:6 C5:2 A4:8 | C5:4 D5:4 E5:4 F5:4 | G5:4 E5:4 D5:4 B4:4";
    Melody(song, ParseMelody(themeA, 0.0), {Timbre::SawLead, Env(0.01, 0.2, 0.8, 0.15), 0.55, 0.12, 0.25}, 0.0,
           {0.3, 0.0, 0.25, 0.2});
    Melody(song, ParseMelody(themeB, 32.0), {Timbre::SquareLead, Env(0.005, 0.2, 0.8, 0.15), 0.5, 0.0, 0.25}, 0.0,
           {0.24, -0.1, 0.3, 0.2});
    Melody(song, ParseMelody(themeB, 32.0), {Timbre::Bell, Env(0.002, 1.0, 0.0, 0.5), 0.3}, 12.0,
           {0.08, 0.2, 0.4, 0.3});
    return song.Finish({});
}

// The high-score fanfare: bright and celebratory in C major.
Buffer RenderHiscore()
{
    Song song(124, 4, 16, HashText("Tonmark_Hiscore"));
    const int32_t rate = song.Rate();
    const Harmony key{48, kMajor};
    const std::vector<int32_t> chords = {0, 4, 5, 3, 0, 4, 3, 4};
    const Tone bass{Timbre::SawBass, Env(0.003, 0.1, 0.7, 0.05), 0.5};
    for (int32_t bar = 0; bar < 16; ++bar) {
        const int32_t chord = chords[static_cast<size_t>(bar) % chords.size()];
        Drums(song, bar, "X...X...X...X...", [&](double v) { return Kick(rate, v, 52.0, 0.4); }, {0.72, 0.0, 0.0, 0.0});
        Drums(song, bar, bar == 15 ? "....X...X.X.XXXX" : "....X.......X...",
              [&](double v) { return Clap(rate, v, song.NextSeed()); }, {0.45, 0.0, 0.3, 0.0});
        Drums(song, bar, "xgxgxgxgxgxgxgxg", [&](double v) { return HiHat(rate, v, 0.05, song.NextSeed()); },
              {0.22, 0.3, 0.05, 0.0});
        Drums(song, bar, "..x...x...x...x.", [&](double v) { return Shaker(rate, v, song.NextSeed()); },
              {0.2, -0.4, 0.1, 0.0});
        if (bar % 8 == 0) {
            song.Add(Crash(song), song.StepBeat(bar, 0), {0.35, 0.2, 0.3, 0.0});
        }
        Bassline(song, key, chord, bar, "0.0.0o0.0.0.0o0.", bass, -7, {0.5, 0.0, 0.0, 0.0});
        Arpeggio(song, key, chord, bar, "0.2.4.2.3.5.3.1.", {Timbre::Pluck, Env(0.001, 0.1, 1.0, 0.1), 0.7}, 72,
                 {0.15, 0.35, 0.3, 0.2});
    }
    Pad(song, key, chords, 0, 16, nullptr, {Timbre::SuperSaw, Env(0.2, 0.5, 0.8, 0.6), 0.5, 0.2}, 64,
        {0.14, 0.0, 0.4, 0.0});
    const char* theme =
        "E5:2 G5:2 C6:4 B5:2 G5:2 E5:4 | D5:2 G5:2 B5:4 A5:2 G5:2 D5:4 | C5:2 E5:2 A5:4 G5:2 E5:2 C5:4 | "
        "F5:4 A5:4 C6:4 A5:4 | G5:6 E5:2 C5:8 | D5:4 G5:4 B5:4 D6:4 | C6:6 A5:2 F5:4 A5:4 | G5:16";
    Melody(song, ParseMelody(theme, 0.0), {Timbre::Bell, Env(0.002, 0.9, 0.2, 0.4), 0.5}, 0.0,
           {0.26, -0.1, 0.35, 0.25});
    Melody(song, ParseMelody(theme, 32.0), {Timbre::SuperSaw, Env(0.005, 0.2, 0.85, 0.15), 0.7, 0.15}, 0.0,
           {0.22, 0.0, 0.3, 0.2});
    Melody(song, ParseMelody(theme, 32.0), {Timbre::Bell, Env(0.002, 0.9, 0.0, 0.4), 0.4}, 12.0, {0.07, 0.3, 0.4, 0.3});
    return song.Finish({});
}

// The closing piece over the end text: slow and warm in D major, ending on a long chord.
Buffer RenderClosing()
{
    Song song(84, 4, 16, HashText("tonmark_vortanoCover"));
    const int32_t rate = song.Rate();
    const Harmony key{50, kMajor};
    const std::vector<int32_t> chords = {0, 4, 5, 3, 0, 4, 3, 4, 5, 2, 3, 0, 1, 4, 0, 0};
    const Tone piano{Timbre::EPiano, Env(0.003, 1.5, 0.3, 0.8), 0.35};
    const Tone bass{Timbre::SubBass, Env(0.02, 0.5, 0.8, 0.5), 0.3};
    for (int32_t bar = 0; bar < 15; ++bar) {
        const int32_t chord = chords[static_cast<size_t>(bar)];
        Arpeggio(song, key, chord, bar, "0-1-2-3-4-3-2-1-", piano, 62, {0.2, 0.15, 0.4, 0.1});
        Bassline(song, key, chord, bar, bar < 4 ? "0---------------" : "0-------2---0---", bass, -7,
                 {0.45, 0.0, 0.1, 0.0});
        if (bar >= 8 && bar < 15) {
            Drums(song, bar, "X.........X.....", [&](double v) { return Kick(rate, v * 0.7, 48.0, 0.5); },
                  {0.6, 0.0, 0.1, 0.0});
            Drums(song, bar, "..g...g...g...g.", [&](double v) { return Shaker(rate, v, song.NextSeed()); },
                  {0.18, -0.3, 0.2, 0.0});
            Drums(song, bar, "....x.......x...",
                  [&](double v) { return Snare(rate, v * 0.6, 200.0, 0.3, song.NextSeed()); }, {0.35, 0.05, 0.5, 0.0});
        }
    }
    Pad(song, key, chords, 4, 11, nullptr, {Timbre::Strings, Env(1.2, 1.0, 0.8, 1.5), 0.4, 0.12}, 62,
        {0.14, 0.0, 0.6, 0.0});
    // The last chord rings out for two bars.
    for (int32_t note : key.Voicing(0, 4, 62)) {
        song.Play({Timbre::Strings, Env(0.5, 1.0, 0.8, 4.0), 0.35, 0.12}, 15 * 4.0, 8.0, note, 0.8,
                  {0.14, 0.0, 0.6, 0.0});
        song.Play(piano, 15 * 4.0, 6.0, note, 0.7, {0.2, 0.15, 0.4, 0.0});
    }
    song.Play(bass, 15 * 4.0, 8.0, key.Note(-7), 0.9, {0.45, 0.0, 0.1, 0.0});
    const char* theme = "F#5:8 E5:4 D5:4 | E5:8 C#5:4 A4:4 | D5:6 C#5:2 B4:8 | B4:4 D5:4 G5:8 | F#5:6 G5:2 A5:8 | "
                        "E5:8 r:4 C#5:4 | D5:4 E5:4 B4:8 | C#5:12 E5:4 | F#5:8 D5:4 B4:4 | C#5:8 A4:4 F#4:4 | "
                        "G4:4 B4:4 D5:4 G5:4 | F#5:12 E5:4 | G5:6 F#5:2 E5:8 | E5:4 F#5:2 G5:2 A5:8 | F#5:16 | D5:24";
    Melody(song, ParseMelody(theme, 0.0), {Timbre::SoftLead, Env(0.06, 0.4, 0.85, 0.6), 0.45, 0.0, 0.25}, 0.0,
           {0.3, -0.05, 0.45, 0.2});
    FinishOptions finish;
    finish.loop = false;
    finish.room = 0.85;
    finish.echoBeats = 1.5;
    finish.loudnessDb = -20.0;
    return song.Finish(finish);
}

// The boss fight: menacing and fast in C phrygian, with tolling bells and an alarm-like lead.
Buffer RenderZog()
{
    Song song(150, 4, 24, HashText("Tonmark_ZogLevel"));
    const int32_t rate = song.Rate();
    const Harmony key{48, kPhrygian};
    const std::vector<int32_t> chords = {0, 0, 1, 0, 0, 5, 1, 6};
    const Tone bass{Timbre::AcidBass, Env(0.002, 0.1, 0.6, 0.04), 0.6};
    const Tone bell{Timbre::Bell, Env(0.002, 2.5, 0.0, 1.0), 0.6};
    for (int32_t bar = 0; bar < 24; ++bar) {
        const int32_t chord = chords[static_cast<size_t>(bar) % chords.size()];
        const bool breakdown = bar >= 16 && bar < 20;
        if (!breakdown) {
            Drums(song, bar, "X..x..X...X..x..", [&](double v) { return Kick(rate, v, 45.0, 0.5); },
                  {0.8, 0.0, 0.0, 0.0});
            Drums(song, bar, bar % 4 == 3 ? nullptr : "....X.......X...",
                  [&](double v) { return Snare(rate, v, 170.0, 0.8, song.NextSeed()); }, {0.6, 0.0, 0.3, 0.0});
        }
        if (bar % 4 == 3 && !breakdown) {
            Fill(song, bar, bar == 23 ? "ssssssssssssssss" : "....X...l.l.m.t.", {0.7, 0.0, 0.25, 0.0});
        }
        Drums(song, bar, "x.x.x.x.x.x.x.x.", [&](double v) { return HiHat(rate, v, 0.05, song.NextSeed()); },
              {0.22, 0.3, 0.05, 0.0});
        if (bar % 2 == 0) {
            song.Play(bell, song.StepBeat(bar, 0), 2.0, key.Note(chord - 7), 0.8, {0.3, -0.3, 0.5, 0.2});
        }
        if (bar % 8 == 0) {
            song.Add(Crash(song), song.StepBeat(bar, 0), {0.4, 0.2, 0.3, 0.0});
        }
        Bassline(song, key, chord, bar, "0.00.00.0.00.0o.", bass, -7, {0.5, 0.0, 0.0, 0.0});
    }
    Pad(song, key, chords, 0, 24, nullptr, {Timbre::Strings, Env(0.8, 0.5, 0.8, 1.0), 0.25, 0.15}, 60,
        {0.16, 0.0, 0.5, 0.0});
    Pad(song, key, chords, 4, 12, ".......x......x.", {Timbre::SuperSaw, Env(0.002, 0.2, 0.0, 0.1), 0.5, 0.2}, 64,
        {0.1, 0.0, 0.3, 0.2});
    const char* theme = "C5:6 Eb5:2 G5:8 | F5:4 Eb5:4 Db5:8 | Db5:6 F5:2 Ab5:8 | G5:12 F5:2 Eb5:2 | C5:6 Eb5:2 G5:8 | "
                        "Ab5:4 G5:4 F5:4 Eb5:4 | Db5:8 F5:4 Db5:4 | C5:16";
    const Tone alarm{Timbre::SawLead, Env(0.01, 0.3, 0.85, 0.2), 0.6, 0.15, 0.35};
    Melody(song, ParseMelody(theme, 16.0), alarm, 0.0, {0.28, 0.0, 0.3, 0.2});
    Melody(song, ParseMelody(theme, 48.0), alarm, 0.0, {0.28, 0.0, 0.3, 0.2});
    Melody(song, ParseMelody(theme, 48.0), {Timbre::SquareLead, Env(0.01, 0.3, 0.8, 0.2), 0.4, 0.0, 0.3}, -12.0,
           {0.15, 0.3, 0.3, 0.1});
    return song.Finish({});
}

}  // namespace

std::vector<Piece> MusicPieces()
{
    std::vector<Piece> pieces;
    pieces.push_back({"GameMusic/Tonmark_Intro.ogg", RenderIntro, kMusicQuality});
    pieces.push_back({"GameMusic/Tonmark_Hiscore.ogg", RenderHiscore, kMusicQuality});
    pieces.push_back({"GameMusic/tonmark_vortanoCover.ogg", RenderClosing, kMusicQuality});
    pieces.push_back({"GameMusic/Tonmark_ZogLevel.ogg", RenderZog, kMusicQuality});
    const std::vector<GrooveStyle> grooves = GrooveStyles();
    for (size_t i = 0; i < grooves.size(); ++i) {
        const std::string name = "Tonmark_Ingame" + std::to_string(i + 1);
        const GrooveStyle style = grooves[i];
        pieces.push_back(
            {"GameMusic/" + name + ".ogg", [style, name] { return RenderGroove(style, name.c_str()); }, kMusicQuality});
    }
    const std::vector<AmbientStyle> ambients = AmbientStyles();
    for (size_t i = 0; i < ambients.size(); ++i) {
        const std::string name = "Soundscape_" + std::to_string(i + 1);
        const AmbientStyle style = ambients[i];
        pieces.push_back({"GameMusic/" + name + ".ogg", [style, name] { return RenderSoundscape(style, name.c_str()); },
                          kMusicQuality});
    }
    return pieces;
}

}  // namespace snd

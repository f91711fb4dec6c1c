// The soundscapes: slow ambient loops for the quieter levels, a table of styles and their renderer.
#include "Arrangement.h"

namespace snd {

namespace {

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

// The styles are a table: an entry a style, its fields in rows as laid out: tempo, key, chords
// and drone; pad; chimes; melody and wind; pulse and room.
// clang-format off
std::vector<AmbientStyle> AmbientStyles()
{
    const Tone drone{Timbre::Drone, Env(2.5, 1.0, 0.9, 3.0), 0.3};
    std::vector<AmbientStyle> styles;
    // 1: a calm drift in C lydian with glass chimes.
    styles.push_back({76, 16, {48, kLydian}, {0, 0, 1, 1, 5, 5, 4, 4}, drone, 0.3,
                      {Timbre::WarmPad, Env(1.5, 1.0, 0.8, 2.5), 0.35, 0.12}, 62, 0.12,
                      {Timbre::Glass, Env(0.01, 1.5, 0.0, 1.2), 0.5}, 14, 21, 1.5, 0.12,
                      {}, 0.0, 0.0, 0.0, 0.0,
                      nullptr, 'k', 0.0, 0.85});
    // 2: a deep current in A minor with a slow heartbeat.
    styles.push_back({60, 12, {45, kMinor}, {0, 0, 5, 5, 3, 3}, drone, 0.35,
                      {Timbre::Strings, Env(2.0, 1.0, 0.8, 2.5), 0.3, 0.1}, 57, 0.1,
                      {Timbre::Bell, Env(0.002, 2.0, 0.0, 1.5), 0.3}, 10, 17, 0.6, 0.1,
                      {}, 0.0, 0.0, 600.0, 0.12,
                      "X..x............", 'k', 0.45, 0.8});
    // 3: a nebula in D dorian with a shaker and a sparse flute.
    styles.push_back({80, 16, {50, kDorian}, {0, 0, 3, 3, 6, 6, 2, 2}, drone, 0.25,
                      {Timbre::WarmPad, Env(1.2, 1.0, 0.8, 2.0), 0.4, 0.15}, 62, 0.11,
                      {Timbre::Bell, Env(0.002, 1.5, 0.0, 1.0), 0.4}, 12, 19, 1.0, 0.09,
                      {Timbre::SoftLead, Env(0.08, 0.4, 0.8, 0.6), 0.5, 0.0, 0.3}, 0.35, 0.16, 0.0, 0.0,
                      "..x...x...x...x.", 's', 0.12, 0.85});
    // 4: ice caves in E minor: glass pad, high wind, falling plucks.
    styles.push_back({64, 12, {52, kMinor}, {0, 0, 2, 2, 5, 5}, drone, 0.22,
                      {Timbre::Glass, Env(1.5, 1.0, 0.8, 2.5), 0.5}, 64, 0.12,
                      {Timbre::Pluck, Env(0.001, 0.5, 1.0, 0.4), 0.8}, 14, 21, 2.0, 0.14,
                      {}, 0.0, 0.0, 2500.0, 0.045,
                      nullptr, 'k', 0.0, 0.9});
    // 5: a machine hum in F sharp phrygian with low toms and ominous bells.
    styles.push_back({70, 12, {42, kPhrygian}, {0, 0, 0, 1}, {Timbre::Drone, Env(2.0, 1.0, 0.9, 3.0), 0.6}, 0.4,
                      {Timbre::Strings, Env(2.0, 1.0, 0.8, 2.5), 0.2, 0.1}, 54, 0.1,
                      {Timbre::Bell, Env(0.002, 2.5, 0.0, 1.5), 0.25}, 7, 12, 0.5, 0.12,
                      {}, 0.0, 0.0, 300.0, 0.18,
                      "X.......x.......", 't', 0.35, 0.75});
    // 6: an orbit in G mixolydian with soft electric piano and a gentle pulse.
    styles.push_back({78, 16, {55, kMixolydian}, {0, 0, 6, 6, 3, 3, 0, 0}, drone, 0.2,
                      {Timbre::EPiano, Env(0.01, 2.0, 0.4, 1.5), 0.3}, 60, 0.14,
                      {Timbre::Glass, Env(0.01, 1.2, 0.0, 1.0), 0.5}, 14, 19, 0.8, 0.1,
                      {Timbre::Bell, Env(0.002, 1.2, 0.0, 0.8), 0.35}, 0.4, 0.14, 0.0, 0.0,
                      "X.......X.......", 'k', 0.3, 0.7});
    // 7: the void in B flat minor: dark drone, distant bells, wind and a glassy line.
    styles.push_back({58, 10, {46, kMinor}, {0, 0, 5, 5, 3, 3, 6, 6, 4, 4},
                      {Timbre::Drone, Env(2.5, 1.0, 0.9, 3.0), 0.5}, 0.38,
                      {Timbre::Strings, Env(2.5, 1.0, 0.8, 3.0), 0.15, 0.1}, 58, 0.1,
                      {Timbre::Bell, Env(0.002, 2.5, 0.0, 1.5), 0.3}, 9, 15, 0.4, 0.1,
                      {Timbre::Glass, Env(0.3, 1.0, 0.7, 1.2), 0.4}, 0.25, 0.12, 900.0, 0.15,
                      nullptr, 'k', 0.0, 0.9});
    // 8: an aurora in E flat major: bright strings, chimes and a slow flute.
    styles.push_back({68, 14, {51, kMajor}, {0, 0, 4, 4, 5, 5, 3, 3, 0, 0, 4, 4, 3, 3}, drone, 0.22,
                      {Timbre::Strings, Env(1.5, 1.0, 0.8, 2.5), 0.5, 0.12}, 63, 0.1,
                      {Timbre::Glass, Env(0.01, 1.5, 0.0, 1.2), 0.6}, 14, 21, 1.2, 0.1,
                      {Timbre::SoftLead, Env(0.1, 0.4, 0.8, 0.8), 0.5, 0.0, 0.3}, 0.45, 0.15, 0.0, 0.0,
                      nullptr, 'k', 0.0, 0.85});
    return styles;
}
// clang-format on

}  // namespace

std::vector<Piece> SoundscapePieces() { return NumberedPieces("Soundscape_", AmbientStyles(), RenderSoundscape); }

}  // namespace snd

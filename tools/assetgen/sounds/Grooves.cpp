// The level grooves: a table of styles, each rendered as a loop that builds up, plays the melody and
// breaks down.
#include "Arrangement.h"

namespace snd {

namespace {

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

}  // namespace

std::vector<Piece> GroovePieces() { return NumberedPieces("Tonmark_Ingame", GrooveStyles(), RenderGroove); }

}  // namespace snd

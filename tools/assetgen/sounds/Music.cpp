// The game's music: the menu, high-score, closing and boss pieces with written melodies, and the
// list of every piece with its file.
#include "Arrangement.h"

#include <algorithm>
#include <string>

namespace snd {

namespace {

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

// The rate a piece is kept at. A piece whose content above a lower rate's Nyquist frequency lies
// at least 60 dB below the piece in every tenth of a second of it (so measured on these pieces)
// keeps no audible difference at that rate, and its decoded copy takes less memory.
int32_t MusicRate(const std::string& file)
{
    if (file == "GameMusic/Soundscape_1.ogg") return 22050;
    if (file == "GameMusic/Soundscape_8.ogg") return 24000;
    if (file == "GameMusic/Soundscape_6.ogg") return 32000;
    return kMusicRate;
}

}  // namespace

std::vector<Piece> MusicPieces()
{
    std::vector<Piece> pieces;
    pieces.push_back({"GameMusic/Tonmark_Intro.ogg", RenderIntro, kMusicQuality});
    pieces.push_back({"GameMusic/Tonmark_Hiscore.ogg", RenderHiscore, kMusicQuality});
    pieces.push_back({"GameMusic/tonmark_vortanoCover.ogg", RenderClosing, kMusicQuality});
    pieces.push_back({"GameMusic/Tonmark_ZogLevel.ogg", RenderZog, kMusicQuality});
    const std::vector<Piece> grooves = GroovePieces();
    pieces.insert(pieces.end(), grooves.begin(), grooves.end());
    const std::vector<Piece> soundscapes = SoundscapePieces();
    pieces.insert(pieces.end(), soundscapes.begin(), soundscapes.end());
    for (Piece& piece : pieces) {
        // Only the closing music plays once; every other piece loops.
        const bool looped = piece.file != "GameMusic/tonmark_vortanoCover.ogg";
        const int32_t rate = MusicRate(piece.file);
        piece.render = [render = piece.render, looped, rate] { return Downsample(render(), rate, looped); };
        piece.lowpassKhz = std::min(kMusicLowpassKhz, static_cast<float>(rate) / 2000.0f);
    }
    return pieces;
}

}  // namespace snd

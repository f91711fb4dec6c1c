// The parts the music is built of: step patterns turned into drum hits, bass lines, arpeggios, pads
// and melodies.
#include "Arrangement.h"

namespace snd {

namespace {

// Chord-tone pattern: '0'..'3' the chord's root, third, fifth and seventh, 'o' the root an
// octave up; '-' holds the previous note.
int32_t ChordTone(const Harmony& key, int32_t chord, char symbol)
{
    if (symbol == 'o') {
        return key.Note(chord + 7);
    }
    return key.Note(chord + 2 * (symbol - '0'));
}

}  // namespace

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

Adsr Env(double a, double d, double s, double r) { return Adsr{a, d, s, r}; }

}  // namespace snd

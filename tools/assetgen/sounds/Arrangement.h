// Building blocks of the game's music: drum, fill, bass, arpeggio, pad and melody parts written
// from step patterns, shared by the grooves, the soundscapes and the written pieces.
#pragma once

#include "Catalogue.h"
#include "Composer.h"

#include <functional>
#include <string>
#include <vector>

namespace snd {

// Vorbis quality of every piece of music: plenty for synthesized tones, and small files.
constexpr float kMusicQuality = 0.25f;

// The loudness of a step: 'X' accented, 'g' a ghost note, anything else normal.
double Velocity(char symbol);
// One drum voice over one bar of a step pattern.
void Drums(Song& song, int32_t bar, const char* pattern, const std::function<Voice(double)>& make,
           const Placement& where);
// Tom and snare fill: 't' high, 'm' middle, 'l' low tom, 's' snare.
void Fill(Song& song, int32_t bar, const char* pattern, const Placement& where);
// A bass line over one bar: chord tones '0'..'3' and 'o' (see ChordTone), '-' holds.
void Bassline(Song& song, const Harmony& key, int32_t chord, int32_t bar, const char* pattern, const Tone& tone,
              int32_t degreeOffset, const Placement& where);
// Arpeggio over the chord voiced around `center` and the same an octave up: '0'..'5'.
void Arpeggio(Song& song, const Harmony& key, int32_t chord, int32_t bar, const char* pattern, const Tone& tone,
              int32_t center, const Placement& where);
// Sustained chords, one per run of bars with the same chord, or stabs on a step pattern.
void Pad(Song& song, const Harmony& key, const std::vector<int32_t>& chords, int32_t firstBar, int32_t bars,
         const char* rhythm, const Tone& tone, int32_t center, const Placement& where);
void Melody(Song& song, const std::vector<MelodyNote>& notes, const Tone& tone, double transpose,
            const Placement& where);
Voice Crash(Song& song);
Adsr Env(double a, double d, double s, double r);

// One piece a style, rendered by render and written to GameMusic/<prefix><number>.ogg, numbered
// from 1 in the order of the styles.
template <class Style>
std::vector<Piece> NumberedPieces(const std::string& prefix, const std::vector<Style>& styles,
                                  Buffer (*render)(const Style&, const char*))
{
    std::vector<Piece> pieces;
    for (size_t i = 0; i < styles.size(); ++i) {
        const std::string name = prefix + std::to_string(i + 1);
        const Style style = styles[i];
        pieces.push_back({"GameMusic/" + name + ".ogg", [style, name, render] { return render(style, name.c_str()); },
                          kMusicQuality});
    }
    return pieces;
}

// The level grooves and the soundscapes, in the order of their file numbers.
std::vector<Piece> GroovePieces();
std::vector<Piece> SoundscapePieces();

}  // namespace snd

// Every sound file the generator writes: its path under sounds/, how to make it, its quality.
#pragma once

#include "Dsp.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace snd {

// The rate music is stored at. At the music's Vorbis quality the encoder keeps nothing above about
// 17 kHz of a 44.1 kHz piece; 36 kHz holds that band whole, and every decoded piece takes a fifth
// less memory.
constexpr int32_t kMusicRate = 36000;
// Where the encoder's own setup for 44.1 kHz cuts the music at its quality; at 36 kHz the setup
// would cut lower.
constexpr float kMusicLowpassKhz = 17.0f;

struct Piece {
    std::string file;  // relative to the sounds folder
    std::function<Buffer()> render;
    float quality;  // Vorbis quality
    // The encoder's low-pass in kHz; 0 leaves it to the encoder's setup for the rate and quality.
    float lowpassKhz = 0.0f;
};

// Level, menu, high-score, closing and boss music: made at 44.1 kHz, kept stereo at kMusicRate, or
// lower for the few pieces with nothing audible that high.
std::vector<Piece> MusicPieces();
// Short effects: mono, at 22.05 kHz or, where their high end matters, 44.1 kHz.
std::vector<Piece> EffectPieces();
// Spoken cues: espeak-ng speaks into `scratch` (a folder the caller owns), mixed with stings.
std::vector<Piece> VoicePieces(const std::filesystem::path& scratch);

// A spoken cue's words and its sting, each at the level and length it has in the file, which is
// their sum: lets the words be weighed against the music around them.
struct CueParts {
    Buffer voice;
    Buffer sting;
};
// Throws std::invalid_argument for a file that is not a spoken cue.
CueParts RenderCueParts(const std::filesystem::path& scratch, const std::string& file);

}  // namespace snd

// Every sound file the generator writes: its path under sounds/, how to make it, its quality.
#pragma once

#include "Dsp.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace snd {

struct Piece {
    std::string file;               // relative to the sounds folder
    std::function<Buffer()> render;
    float quality;                  // Vorbis quality
};

// Level, menu, high-score, closing and boss music: stereo 44.1 kHz.
std::vector<Piece> MusicPieces();
// Short effects: mono 22.05 kHz.
std::vector<Piece> EffectPieces();
// Spoken cues: espeak-ng speaks into `scratch` (a folder the caller owns), mixed with stings.
std::vector<Piece> VoicePieces(const std::filesystem::path& scratch);

}  // namespace snd

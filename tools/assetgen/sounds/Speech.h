// Speech from espeak-ng: running it with the game's fixed voice and reading the WAV it writes.
#pragma once

#include "Dsp.h"

#include <filesystem>
#include <string>

namespace snd {

constexpr int32_t kSpeechRate = 22050;

// Reads a mono 16-bit PCM WAV as floats at kSpeechRate, resampled when it was written at another
// rate. A data chunk whose size was never filled in runs to the end of the file. Throws
// std::runtime_error naming the file when it is not such a WAV.
Buffer ReadSpeech(const std::filesystem::path& wav);

// Speaks `words` with espeak-ng into scratch/id.wav and reads it back. Throws with a clear
// message when espeak-ng cannot be run or fails: the spoken cues are part of the game.
Buffer Speak(const std::filesystem::path& scratch, const std::string& id, const std::string& words);

}  // namespace snd

// Writes a float buffer as an Ogg Vorbis file with a fixed stream serial, so the bytes never vary.
#pragma once

#include "Dsp.h"

#include <filesystem>
#include <string>

namespace snd {

// Encodes at the given Vorbis quality (-0.1 to 1.0) into a temporary file beside `path` and
// renames it into place, so an interrupted run never leaves a half-written file. On failure
// returns false with a one-line reason in `error`.
bool WriteOgg(const std::filesystem::path& path, const Buffer& sound, float quality, std::string& error);
// The same with the encoder's low-pass set to lowpassKhz (0: the encoder's own choice).
bool WriteOgg(const std::filesystem::path& path, const Buffer& sound, float quality, float lowpassKhz,
              std::string& error);

}  // namespace snd

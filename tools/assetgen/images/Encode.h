// PNG and JPEG writers with fixed settings, so that the same picture always gives the same bytes.
#pragma once

#include "tools/assetgen/images/Canvas.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace art {

class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Encoders return the whole file; nothing touches the disk until WriteFileAtomically.
std::vector<uint8_t> EncodePng(const Canvas& canvas);
// rgb holds width * height * 3 bytes, rows top to bottom. Colour is kept at full resolution, so thin
// coloured details stay crisp and the boss explosion's edges match its background.
std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality);
std::vector<uint8_t> EncodeJpeg(const Canvas& canvas, int quality);

// Writes to a temporary file beside path and renames it over path; creates missing directories.
void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace art

// Decoding of picture and sound files with libpng, libjpeg and libvorbisfile alone, the yardstick
// for the cost of our own loading layers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The decoded samples of one file: 8-bit pixel rows as the file stores them, or signed 16-bit PCM.
struct TDecoded {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// Each gives an empty result (size 0) when the file cannot be opened or decoded.
TDecoded DecodePngFile(const std::string& path);
TDecoded DecodeJpegFile(const std::string& path);
TDecoded DecodeOggFile(const std::string& path);

// PNG or JPEG by the file's extension, in any letter case.
TDecoded DecodePictureFile(const std::string& path);

// Test helpers: PNG and JPEG files written in memory by the real libraries, and banks over them.
#pragma once

#include "framework/graphics/Pixmap.h"
#include "framework/system/Bank.h"

#include <cstdint>
#include <string>
#include <vector>

// A PNG of the given libpng colour type and bit depth; rows are packed as PNG stores them
// (16-bit samples big-endian). For palette pictures, palette holds RGB triplets.
std::vector<uint8_t> EncodePng(int32_t width, int32_t height, int32_t colorType, int32_t bitDepth,
                               const std::vector<uint8_t>& rows, bool interlaced = false,
                               const std::vector<uint8_t>& palette = {});
// A JPEG of 1, 3 or 4 components (grey, RGB, CMYK) at quality 100.
std::vector<uint8_t> EncodeJpeg(int32_t width, int32_t height, int32_t components, const std::vector<uint8_t>& pixels);

TBankPtr BankOf(const std::vector<uint8_t>& bytes);

// A pixmap of the format filled from tightly packed rows of bytes.
TPixmapPtr PixmapOf(int32_t width, int32_t height, int32_t format, const std::vector<uint8_t>& bytes);

// A scratch directory for the files of one test, removed with the object.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    std::string Path(const std::string& name) const { return _dir + "/" + name; }
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::string _dir;
};

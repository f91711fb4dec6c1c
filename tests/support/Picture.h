// Pictures the tests read back from PNG files: the screenshots of runs and the generated images.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

// Rows of pixels from the top, each pixel RGB (channels 3) or RGBA (channels 4).
struct TPicture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t channels = 3;
    std::vector<uint8_t> pixels;

    const uint8_t* At(int32_t x, int32_t y) const { return &pixels[(static_cast<size_t>(y) * width + x) * channels]; }
    // The mean of red, green and blue at one pixel.
    int32_t Grey(int32_t x, int32_t y) const
    {
        const uint8_t* p = At(x, y);
        return (p[0] + p[1] + p[2]) / 3;
    }
    // The mean of red, green and blue over the pixels from x0, y0 up to (not including) x1, y1.
    double Mean(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const;
};

// The picture in a PNG file as RGB, or as RGBA with alpha; an empty picture (no pixels, size 0)
// when the file cannot be read.
TPicture ReadPng(const std::filesystem::path& path, bool alpha = false);

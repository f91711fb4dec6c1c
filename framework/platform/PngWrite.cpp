// Screenshots as PNG files through libpng, written to a temporary name and renamed into place.
#include "framework/platform/Platform.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool SavePixmapPng(const TPixmap& pixmap, const std::string& path, std::string& error)
{
    if (pixmap.width <= 0 || pixmap.height <= 0 || !pixmap.pixels) {
        error = "cannot write " + path + ": the picture is empty";
        return false;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(pixmap.width) * static_cast<size_t>(pixmap.height) * 3);
    size_t at = 0;
    for (int32_t y = 0; y < pixmap.height; ++y) {
        for (int32_t x = 0; x < pixmap.width; ++x) {
            const uint32_t argb = pixmap.ReadPixel(x, y);
            rgb[at++] = static_cast<uint8_t>(argb >> 16);
            rgb[at++] = static_cast<uint8_t>(argb >> 8);
            rgb[at++] = static_cast<uint8_t>(argb);
        }
    }

    const std::string temporary = path + ".tmp";
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(temporary.c_str(), "wb"));
    if (!file) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(pixmap.width);
    image.height = static_cast<png_uint_32>(pixmap.height);
    image.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_stdio(&image, file.get(), 0, rgb.data(), 0, nullptr) != 0;
    const std::string pngMessage = image.message;
    png_image_free(&image);
    const bool flushed = written && std::fflush(file.get()) == 0 && fsync(fileno(file.get())) == 0;
    const int flushError = errno;
    file.reset();
    if (!written || !flushed) {
        error = "cannot write " + path + ": " + (written ? std::strerror(flushError) : pngMessage);
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

// Reading PNG files back through libpng's simplified interface.
#include "tests/support/Picture.h"

#include <png.h>

double TPicture::Mean(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const
{
    double sum = 0;
    int64_t n = 0;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x, ++n) {
            const uint8_t* p = At(x, y);
            sum += (p[0] + p[1] + p[2]) / 3.0;
        }
    return n ? sum / static_cast<double>(n) : 0;
}

TPicture ReadPng(const std::filesystem::path& path, bool alpha)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    TPicture picture;
    picture.channels = alpha ? 4 : 3;
    picture.pixels.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    picture.width = static_cast<int32_t>(image.width);
    picture.height = static_cast<int32_t>(image.height);
    return picture;
}

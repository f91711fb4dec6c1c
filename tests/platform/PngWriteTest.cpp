// Screenshots: the bytes written read back as the same picture, and failures leave no file behind.
#include "framework/platform/Platform.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <vector>

namespace {

// Reads a PNG as 8-bit RGB with libpng; false when it does not decode.
bool ReadPngAndFormat(const std::string& path, int32_t& width, int32_t& height, std::vector<uint8_t>& rgb,
                      png_uint_32& storedFormat)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    storedFormat = image.format;
    image.format = PNG_FORMAT_RGB;
    width = static_cast<int32_t>(image.width);
    height = static_cast<int32_t>(image.height);
    rgb.assign(PNG_IMAGE_SIZE(image), 0);
    const bool ok = png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

TEST(PngWrite, PixelsReadBackExactlyWithoutAlpha)
{
    TTempDir dir;
    // An odd width exercises row padding; the alpha must not leak into the picture.
    auto pixmap = TPixmap::Create(13, 7, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 13; ++x)
            pixmap->WritePixel(x, y,
                               (uint32_t(x * 19) << 24) | (uint32_t(x * 17) << 16) | (uint32_t(y * 31) << 8) |
                                   uint32_t((x + y) * 11));
    const std::string path = dir.File("shot.png");
    std::string error;
    ASSERT_TRUE(SavePixmapPng(*pixmap, path, error)) << error;

    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
    png_uint_32 format = 0;
    ASSERT_TRUE(ReadPngAndFormat(path, width, height, rgb, format));
    EXPECT_EQ(width, 13);
    EXPECT_EQ(height, 7);
    EXPECT_EQ(format & PNG_FORMAT_FLAG_ALPHA, 0u);
    for (int32_t y = 0; y < 7; ++y) {
        for (int32_t x = 0; x < 13; ++x) {
            const uint8_t* p = &rgb[static_cast<size_t>((y * 13 + x) * 3)];
            EXPECT_EQ(p[0], x * 17);
            EXPECT_EQ(p[1], y * 31);
            EXPECT_EQ(p[2], (x + y) * 11);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(PngWrite, OtherPixelFormatsAreWrittenAsTheyLook)
{
    TTempDir dir;
    auto pixmap = TPixmap::Create(2, 1, PIXFMT_BGR888);
    pixmap->WritePixel(0, 0, 0xFF102030);
    pixmap->WritePixel(1, 0, 0xFFA0B0C0);
    std::string error;
    ASSERT_TRUE(SavePixmapPng(*pixmap, dir.File("bgr.png"), error)) << error;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;
    png_uint_32 format = 0;
    ASSERT_TRUE(ReadPngAndFormat(dir.File("bgr.png"), width, height, rgb, format));
    EXPECT_EQ(rgb, (std::vector<uint8_t>{0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0}));
}

TEST(PngWrite, FailuresReportAndKeepTheOldFile)
{
    TTempDir dir;
    auto pixmap = TPixmap::Create(4, 4, PIXFMT_RGBA8888);
    std::string error;
    EXPECT_FALSE(SavePixmapPng(*pixmap, dir.File("missing/folder/shot.png"), error));
    EXPECT_NE(error.find("missing/folder/shot.png"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));

    // An empty picture is refused and the file already there stays untouched.
    const std::string existing = dir.File("old.png");
    WriteText(existing, "previous");
    auto empty = TPixmap::Create(0, 0, PIXFMT_RGBA8888);
    ASSERT_NE(empty, nullptr);
    error.clear();
    EXPECT_FALSE(SavePixmapPng(*empty, existing, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadText(existing), "previous");
}

}  // namespace

// Test helpers: PNG and JPEG encoding in memory, banks over bytes, scratch directories.
#include "TestPictures.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <jpeglib.h>
#include <png.h>

namespace {

void PngWrite(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

bool PngEncodeRows(png_structp png, png_infop info, int32_t width, int32_t height, int32_t colorType, int32_t bitDepth,
                   bool interlaced, const std::vector<png_color>& palette, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(int32_t width, int32_t height, int32_t colorType, int32_t bitDepth,
                               const std::vector<uint8_t>& rows, bool interlaced, const std::vector<uint8_t>& palette)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWrite, PngFlush);
    std::vector<png_color> colours;
    for (size_t i = 0; i + 2 < palette.size(); i += 3) colours.push_back({palette[i], palette[i + 1], palette[i + 2]});
    const size_t rowBytes = rows.size() / static_cast<size_t>(height);
    std::vector<png_bytep> pointers(height);
    for (int32_t y = 0; y < height; ++y) pointers[y] = const_cast<png_bytep>(rows.data() + rowBytes * y);
    const bool ok = PngEncodeRows(png, info, width, height, colorType, bitDepth, interlaced, colours, pointers.data());
    png_destroy_write_struct(&png, &info);
    if (!ok) throw std::runtime_error("test PNG could not be written");
    return out;
}

std::vector<uint8_t> EncodeJpeg(int32_t width, int32_t height, int32_t components, const std::vector<uint8_t>& pixels)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * width * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

TBankPtr BankOf(const std::vector<uint8_t>& bytes)
{
    TBankPtr bank = TBank::Create(static_cast<int32_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(bank->Buf(), bytes.data(), bytes.size());
    return bank;
}

TPixmapPtr PixmapOf(int32_t width, int32_t height, int32_t format, const std::vector<uint8_t>& bytes)
{
    TPixmapPtr pixmap = TPixmap::Create(width, height, format);
    const size_t rowBytes = static_cast<size_t>(width * BytesPerPixel(format));
    for (int32_t y = 0; y < height; ++y) std::memcpy(pixmap->PixelPtr(0, y), bytes.data() + rowBytes * y, rowBytes);
    return pixmap;
}

TTempDir::TTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "krellix-pixmap-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no scratch directory");
    _dir = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(_dir, ignored);
}

void TTempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    std::FILE* file = std::fopen(Path(name).c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + name);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// PNG and JPEG writers with fixed settings, so that the same picture always gives the same bytes.
#include "tools/assetgen/images/Encode.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <jpeglib.h>

namespace art {

namespace {

void PngWriteToVector(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

// libpng reports errors by longjmp; this frame holds no C++ objects that need unwinding.
bool PngWrite(std::vector<uint8_t>* out, const uint8_t* pixels, int width, int height, int channels)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, PngWriteToVector, PngFlush);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(pixels + static_cast<size_t>(y) * width * channels));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

bool JpegWrite(unsigned char** buffer, unsigned long* size, const uint8_t* rgb, int width, int height, int quality)
{
    jpeg_compress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = TRUE;
    for (int c = 0; c < 3; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + static_cast<size_t>(cinfo.next_scanline) * width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(const Canvas& canvas)
{
    const std::vector<uint8_t> rgba = ToRgba8(canvas);
    bool opaque = true;
    for (size_t i = 3; i < rgba.size() && opaque; i += 4) opaque = rgba[i] == 255;
    std::vector<uint8_t> pixels;
    int channels = 4;
    if (opaque) {
        channels = 3;
        pixels.reserve(rgba.size() / 4 * 3);
        for (size_t i = 0; i < rgba.size(); i += 4) pixels.insert(pixels.end(), rgba.begin() + i, rgba.begin() + i + 3);
    }
    std::vector<uint8_t> out;
    if (!PngWrite(&out, opaque ? pixels.data() : rgba.data(), canvas.Width(), canvas.Height(), channels))
        throw WriteError("PNG encoding failed");
    return out;
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality)
{
    if (rgb.size() != static_cast<size_t>(width) * height * 3) throw WriteError("JPEG input has the wrong size");
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = JpegWrite(&buffer, &size, rgb.data(), width, height, quality);
    std::vector<uint8_t> out;
    if (ok && buffer) out.assign(buffer, buffer + size);
    std::free(buffer);
    if (!ok) throw WriteError("JPEG encoding failed");
    return out;
}

std::vector<uint8_t> EncodeJpeg(const Canvas& canvas, int quality)
{
    return EncodeJpeg(ToRgb8(canvas), canvas.Width(), canvas.Height(), quality);
}

void WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes)
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    if (ec) throw WriteError("cannot create the folder " + target.parent_path().string() + ": " + ec.message());
    const fs::path temp = target.string() + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            fs::remove(temp, ec);
            throw WriteError("cannot write " + temp.string());
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw WriteError("cannot rename " + temp.string() + " to " + path);
    }
}

}  // namespace art

// Plain libpng, libjpeg and libvorbisfile decoders reading straight from disk into one buffer per file.
#include "BareDecode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <strings.h>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <vorbis/vorbisfile.h>

// Both picture libraries report errors by longjmp. Every setjmp below sits in a small function whose
// locals are trivially destructible; the objects owning memory belong to the callers.

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

TDecoded Buffer(size_t size) { return TDecoded{std::make_unique_for_overwrite<uint8_t[]>(size), size}; }

// PNG: the same transformations as any 8-bit consumer needs, nothing more.

[[noreturn]] void PngFail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void PngSilent(png_structp, png_const_charp) {}

class TPngReader {
public:
    explicit TPngReader(const std::string& path) : file(std::fopen(path.c_str(), "rb"))
    {
        if (!file) return;
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngSilent);
        if (png) info = png_create_info_struct(png);
    }
    ~TPngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    TPngReader(const TPngReader&) = delete;
    TPngReader& operator=(const TPngReader&) = delete;

    TFilePtr file;
    png_structp png = nullptr;
    png_infop info = nullptr;
};

struct TRowLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t rowBytes = 0;
};

bool PngReadLayout(png_structp png, png_infop info, std::FILE* file, TRowLayout& layout)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_read_info(png, info);
    if (png_get_bit_depth(png, info) == 16) png_set_strip_16(png);
    png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    layout.width = png_get_image_width(png, info);
    layout.height = png_get_image_height(png, info);
    layout.rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool PngReadRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

// JPEG: RGB rows for colour pictures, grey rows for grey ones.

struct TJpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->jump, 1);
}

void JpegSilent(j_common_ptr) {}

class TJpegReader {
public:
    explicit TJpegReader(const std::string& path) : file(std::fopen(path.c_str(), "rb"))
    {
        cinfo.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = JpegErrorExit;
        error.pub.output_message = JpegSilent;
    }
    // Also safe when creation never happened: a decompressor without memory manager is skipped.
    ~TJpegReader() { jpeg_destroy_decompress(&cinfo); }
    TJpegReader(const TJpegReader&) = delete;
    TJpegReader& operator=(const TJpegReader&) = delete;

    TFilePtr file;
    jpeg_decompress_struct cinfo{};
    TJpegError error{};
};

bool JpegReadLayout(TJpegReader& reader, TRowLayout& layout)
{
    jpeg_decompress_struct& cinfo = reader.cinfo;
    if (setjmp(reader.error.jump)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, reader.file.get());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    layout.width = cinfo.output_width;
    layout.height = cinfo.output_height;
    layout.rowBytes = static_cast<size_t>(cinfo.output_width) * static_cast<size_t>(cinfo.output_components);
    return true;
}

bool JpegReadRows(TJpegReader& reader, JSAMPROW* rows)
{
    jpeg_decompress_struct& cinfo = reader.cinfo;
    if (setjmp(reader.error.jump)) return false;
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION line = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, rows + line, cinfo.output_height - line) == 0) return false;
    }
    return true;
}

template <typename Row>
std::vector<Row> RowPointers(TDecoded& pixels, const TRowLayout& layout)
{
    std::vector<Row> rows(layout.height);
    for (uint32_t y = 0; y < layout.height; ++y) rows[y] = pixels.bytes.get() + y * layout.rowBytes;
    return rows;
}

class TVorbisReader {
public:
    explicit TVorbisReader(const std::string& path) : open(ov_fopen(path.c_str(), &file) == 0) {}
    ~TVorbisReader()
    {
        if (open) ov_clear(&file);
    }
    TVorbisReader(const TVorbisReader&) = delete;
    TVorbisReader& operator=(const TVorbisReader&) = delete;

    OggVorbis_File file{};
    bool open;
};

}  // namespace

TDecoded DecodePngFile(const std::string& path)
{
    TPngReader reader(path);
    TRowLayout layout;
    if (!reader.info || !PngReadLayout(reader.png, reader.info, reader.file.get(), layout)) return {};
    TDecoded pixels = Buffer(layout.rowBytes * layout.height);
    std::vector<png_bytep> rows = RowPointers<png_bytep>(pixels, layout);
    if (!PngReadRows(reader.png, rows.data())) return {};
    return pixels;
}

TDecoded DecodeJpegFile(const std::string& path)
{
    TJpegReader reader(path);
    TRowLayout layout;
    if (!reader.file || !JpegReadLayout(reader, layout)) return {};
    TDecoded pixels = Buffer(layout.rowBytes * layout.height);
    std::vector<JSAMPROW> rows = RowPointers<JSAMPROW>(pixels, layout);
    if (!JpegReadRows(reader, rows.data())) return {};
    return pixels;
}

TDecoded DecodeOggFile(const std::string& path)
{
    TVorbisReader reader(path);
    if (!reader.open) return {};
    const vorbis_info* info = ov_info(&reader.file, -1);
    const ogg_int64_t frames = ov_pcm_total(&reader.file, -1);
    if (!info || frames <= 0) return {};
    TDecoded pcm = Buffer(static_cast<size_t>(frames) * static_cast<size_t>(info->channels) * 2);
    size_t done = 0;
    while (done < pcm.size) {
        int bitstream = 0;
        const int chunk = static_cast<int>(std::min<size_t>(pcm.size - done, 1 << 16));
        char* out = reinterpret_cast<char*>(pcm.bytes.get() + done);
        const long got = ov_read(&reader.file, out, chunk, 0, 2, 1, &bitstream);
        if (got <= 0) return {};
        done += static_cast<size_t>(got);
    }
    return pcm;
}

TDecoded DecodePictureFile(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const char* extension = dot == std::string::npos ? "" : path.c_str() + dot;
    if (strcasecmp(extension, ".png") == 0) return DecodePngFile(path);
    if (strcasecmp(extension, ".jpg") == 0 || strcasecmp(extension, ".jpeg") == 0) return DecodeJpegFile(path);
    return {};
}

// The pixmap loader chain and the PNG (libpng) and JPEG (libjpeg) loaders reading through streams.
#include "framework/graphics/Pixmap.h"

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

// Both libraries report errors by longjmp. Every setjmp below lives in a small function whose
// locals are all trivially destructible, and no C++ object with a destructor is created between
// the setjmp and the library calls that may jump back to it; the objects that own memory are made
// by the callers, outside the jump's reach. Stream exceptions never cross the C libraries: the
// read callbacks catch them and turn them into the library's own error path.

namespace {

// Pictures larger than this in either direction are refused rather than allocated.
std::atomic<uint32_t> LargestSide{16384};

// Reads count bytes; false when the stream ends or fails first.
bool ReadExactly(TStream& stream, uint8_t* buf, size_t count)
{
    try {
        while (count > 0) {
            const int32_t chunk = count > 65536 ? 65536 : static_cast<int32_t>(count);
            const int32_t got = stream.Read(buf, chunk);
            if (got <= 0) return false;
            buf += got;
            count -= static_cast<size_t>(got);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Up to count bytes; 0 at the end of the stream or on a stream error.
size_t ReadSome(TStream& stream, uint8_t* buf, size_t count)
{
    try {
        const int32_t got = stream.Read(buf, static_cast<int32_t>(count));
        return got > 0 ? static_cast<size_t>(got) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

// PNG through libpng.

struct TPngHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t format = 0;
    size_t rowBytes = 0;
};

void PngRead(png_structp png, png_bytep data, size_t length)
{
    if (!ReadExactly(*static_cast<TStream*>(png_get_io_ptr(png)), data, length)) png_error(png, "read failed");
}

[[noreturn]] void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Loaders report nothing: a picture that cannot be decoded simply gives null.
void PngWarning(png_structp, png_const_charp) {}

class TPngReader {
public:
    TPngReader()
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (png) info = png_create_info_struct(png);
    }
    ~TPngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    TPngReader(const TPngReader&) = delete;
    TPngReader& operator=(const TPngReader&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

bool PngReadHeader(png_structp png, png_infop info, TPngHeader& header)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, LargestSide, LargestSide);
    png_read_info(png, info);
    const png_byte colorType = png_get_color_type(png, info);
    const png_byte bitDepth = png_get_bit_depth(png, info);
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        header.format = PIXFMT_I8;
        // Scaled rather than merely unpacked, so a 1-bit white reads as 255, not 1.
        if (bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        header.format = PIXFMT_RGBA8888;
        png_set_gray_to_rgb(png);
        break;
    case PNG_COLOR_TYPE_RGB:
        header.format = PIXFMT_RGB888;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        header.format = PIXFMT_RGBA8888;
        break;
    default:
        return false;
    }
    if (bitDepth == 16) png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header.width = png_get_image_width(png, info);
    header.height = png_get_image_height(png, info);
    header.rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool PngReadRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    return true;
}

TPixmapPtr LoadPng(TStream& stream)
{
    uint8_t signature[8];
    if (!ReadExactly(stream, signature, sizeof signature) || png_sig_cmp(signature, 0, sizeof signature) != 0)
        return nullptr;
    TPngReader reader;
    if (!reader.info) return nullptr;
    png_set_read_fn(reader.png, &stream, PngRead);
    TPngHeader header;
    if (!PngReadHeader(reader.png, reader.info, header)) return nullptr;
    TPixmapPtr pixmap =
        TPixmap::Create(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height), header.format);
    if (!pixmap || header.rowBytes != header.width * static_cast<size_t>(BytesPerPixel(header.format))) return nullptr;
    std::vector<png_bytep> rows(header.height);
    for (uint32_t y = 0; y < header.height; ++y) rows[y] = pixmap->PixelPtr(0, static_cast<int32_t>(y));
    if (!PngReadRows(reader.png, rows.data())) return nullptr;
    return pixmap;
}

// JPEG through libjpeg.

constexpr size_t kJpegBufferSize = 4096;

struct TJpegSource {
    jpeg_source_mgr pub;
    TStream* stream;
    JOCTET buffer[kJpegBufferSize];
};

struct TJpegError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void JpegInitSource(j_decompress_ptr) {}
void JpegTermSource(j_decompress_ptr) {}

// Running out of data is an error here: a cut-off picture is refused, not padded with grey.
boolean JpegFillInput(j_decompress_ptr cinfo)
{
    auto* src = reinterpret_cast<TJpegSource*>(cinfo->src);
    const size_t got = ReadSome(*src->stream, src->buffer, kJpegBufferSize);
    if (got == 0) ERREXIT(cinfo, JERR_INPUT_EOF);
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = got;
    return TRUE;
}

void JpegSkipInput(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr* src = cinfo->src;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        JpegFillInput(cinfo);
    }
    if (count > 0) {
        src->next_input_byte += count;
        src->bytes_in_buffer -= static_cast<size_t>(count);
    }
}

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

class TJpegDecoder {
public:
    explicit TJpegDecoder(TStream& stream)
    {
        cinfo.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = JpegErrorExit;
        error.pub.output_message = JpegOutputMessage;
        source.pub.init_source = JpegInitSource;
        source.pub.fill_input_buffer = JpegFillInput;
        source.pub.skip_input_data = JpegSkipInput;
        source.pub.resync_to_restart = jpeg_resync_to_restart;
        source.pub.term_source = JpegTermSource;
        source.pub.next_input_byte = nullptr;
        source.pub.bytes_in_buffer = 0;
        source.stream = &stream;
    }
    // Safe also when creation failed half-way: a decompressor without memory manager is skipped.
    ~TJpegDecoder() { jpeg_destroy_decompress(&cinfo); }
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;

    jpeg_decompress_struct cinfo{};
    TJpegError error{};
    TJpegSource source{};
};

struct TJpegHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t format = 0;
};

bool JpegReadHeader(TJpegDecoder& decoder, TJpegHeader& header)
{
    jpeg_decompress_struct& cinfo = decoder.cinfo;
    if (setjmp(decoder.error.jump)) return false;
    jpeg_create_decompress(&cinfo);
    cinfo.src = &decoder.source.pub;
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.num_components == 1) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        header.format = PIXFMT_I8;
    } else if (cinfo.num_components == 3) {
        cinfo.out_color_space = JCS_RGB;
        header.format = PIXFMT_RGB888;
    } else {
        return false;
    }
    if (cinfo.image_width > LargestSide || cinfo.image_height > LargestSide) return false;
    jpeg_start_decompress(&cinfo);
    header.width = cinfo.output_width;
    header.height = cinfo.output_height;
    return cinfo.output_components == BytesPerPixel(header.format);
}

// Reads the rows from the next one up to end; rows[0] receives row top.
bool JpegReadRows(TJpegDecoder& decoder, JSAMPROW* rows, JDIMENSION top, JDIMENSION end)
{
    jpeg_decompress_struct& cinfo = decoder.cinfo;
    if (setjmp(decoder.error.jump)) return false;
    while (cinfo.output_scanline < end) {
        const JDIMENSION line = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, rows + (line - top), end - line) == 0) return false;
    }
    return true;
}

TPixmapPtr LoadJpeg(TStream& stream)
{
    TJpegDecoder decoder(stream);
    TJpegHeader header;
    if (!JpegReadHeader(decoder, header)) return nullptr;
    TPixmapPtr pixmap =
        TPixmap::Create(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height), header.format);
    if (!pixmap) return nullptr;
    std::vector<JSAMPROW> rows(header.height);
    for (uint32_t y = 0; y < header.height; ++y) rows[y] = pixmap->PixelPtr(0, static_cast<int32_t>(y));
    if (!JpegReadRows(decoder, rows.data(), 0, header.height)) return nullptr;
    return pixmap;
}

// Registered in the order JPEG, PNG, so PNG is tried first; made on first use, not at start-up.
std::vector<TPixmapLoader>& Loaders()
{
    static std::vector<TPixmapLoader> loaders{LoadJpeg, LoadPng};
    return loaders;
}

// Closes the stream whatever the outcome of the loaders.
class TStreamCloser {
public:
    explicit TStreamCloser(TStream& stream) : _stream(stream) {}
    ~TStreamCloser()
    {
        try {
            _stream.Close();
        } catch (const std::exception&) {
        }
    }
    TStreamCloser(const TStreamCloser&) = delete;
    TStreamCloser& operator=(const TStreamCloser&) = delete;

private:
    TStream& _stream;
};

}  // namespace

void SetLargestPictureSide(uint32_t pixels) { LargestSide = pixels; }

void RegisterPixmapLoader(TPixmapLoader loader)
{
    if (loader) Loaders().push_back(std::move(loader));
}

TPixmapPtr LoadPixmap(const TUrl& url)
{
    TStreamPtr stream = OpenStreamUrl(url, true, false);
    if (!stream) return nullptr;
    TStreamCloser closer(*stream);
    const int32_t start = stream->Pos();
    if (start == -1) return nullptr;
    // A copy, so that a loader may register further loaders without upsetting this loop.
    const std::vector<TPixmapLoader> loaders = Loaders();
    for (auto loader = loaders.rbegin(); loader != loaders.rend(); ++loader) {
        try {
            if (stream->Seek(start) != start) continue;
            if (TPixmapPtr pixmap = (*loader)(*stream)) return pixmap;
        } catch (const std::exception&) {
            // A stream error inside a loader only rejects the data for that loader.
        }
    }
    return nullptr;
}

bool ProbePixmap(const TUrl& url, int32_t& width, int32_t& height)
{
    TStreamPtr stream = OpenStreamUrl(url, true, false);
    if (!stream) return false;
    TStreamCloser closer(*stream);
    const int32_t start = stream->Pos();
    if (start == -1) return false;
    try {
        uint8_t signature[8];
        if (ReadExactly(*stream, signature, sizeof signature) && png_sig_cmp(signature, 0, sizeof signature) == 0) {
            TPngReader reader;
            if (!reader.info) return false;
            png_set_read_fn(reader.png, stream.get(), PngRead);
            TPngHeader header;
            if (!PngReadHeader(reader.png, reader.info, header)) return false;
            width = static_cast<int32_t>(header.width);
            height = static_cast<int32_t>(header.height);
            return true;
        }
        if (stream->Seek(start) != start) return false;
        TJpegDecoder decoder(*stream);
        TJpegHeader header;
        if (!JpegReadHeader(decoder, header)) return false;
        width = static_cast<int32_t>(header.width);
        height = static_cast<int32_t>(header.height);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

struct TJpegRowReader::TState {
    TStreamPtr stream;
    std::unique_ptr<TJpegDecoder> decoder;
    bool failed = false;

    // The decoder goes before the stream it reads.
    ~TState()
    {
        decoder.reset();
        if (!stream) return;
        try {
            stream->Close();
        } catch (const std::exception&) {
        }
    }
};

TJpegRowReader::TJpegRowReader(std::unique_ptr<TState> state) : _state(std::move(state)) {}

TJpegRowReader::~TJpegRowReader() = default;

std::unique_ptr<TJpegRowReader> TJpegRowReader::Open(const TUrl& url)
{
    auto state = std::make_unique<TState>();
    state->stream = OpenStreamUrl(url, true, false);
    if (!state->stream || state->stream->Pos() == -1) return nullptr;
    try {
        state->decoder = std::make_unique<TJpegDecoder>(*state->stream);
        TJpegHeader header;
        if (!JpegReadHeader(*state->decoder, header)) return nullptr;
        std::unique_ptr<TJpegRowReader> reader(new TJpegRowReader(std::move(state)));
        reader->width = static_cast<int32_t>(header.width);
        reader->height = static_cast<int32_t>(header.height);
        reader->format = header.format;
        return reader;
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool TJpegRowReader::Read(TPixmap& rows)
{
    if (_state->failed || rows.width != width || rows.format != format) return false;
    const JDIMENSION top = _state->decoder->cinfo.output_scanline;
    if (rows.height > height - static_cast<int32_t>(top)) return false;
    std::vector<JSAMPROW> pointers(static_cast<size_t>(rows.height));
    for (int32_t y = 0; y < rows.height; ++y) pointers[static_cast<size_t>(y)] = rows.PixelPtr(0, y);
    if (JpegReadRows(*_state->decoder, pointers.data(), top, top + static_cast<JDIMENSION>(rows.height))) return true;
    // A decoder that jumped out of the library cannot go on.
    _state->failed = true;
    return false;
}

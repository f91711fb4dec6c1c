// Pixmaps: blocks of pixels in six formats, their operations and the pixmap loaders.
#pragma once

#include "framework/system/Stream.h"

#include <cstdint>
#include <functional>
#include <memory>

constexpr int32_t PIXFMT_I8 = 1;
constexpr int32_t PIXFMT_A8 = 2;
constexpr int32_t PIXFMT_BGR888 = 3;
constexpr int32_t PIXFMT_RGB888 = 4;
constexpr int32_t PIXFMT_BGRA8888 = 5;
constexpr int32_t PIXFMT_RGBA8888 = 6;

int32_t BytesPerPixel(int32_t format);
bool FormatHasAlpha(int32_t format);

class TPixmap;
using TPixmapPtr = std::shared_ptr<TPixmap>;

class TPixmap : public std::enable_shared_from_this<TPixmap> {
public:
    // pitch = align * ceil(width * bytes per pixel / align); new pixels are zero. Null for a
    // negative size, an unknown format or more than 2 GiB.
    static TPixmapPtr Create(int32_t width, int32_t height, int32_t format, int32_t align = 4);
    // Memory not owned.
    static TPixmapPtr CreateStatic(uint8_t* pixels, int32_t width, int32_t height, int32_t pitch, int32_t format);
    ~TPixmap();
    TPixmap(const TPixmap&) = delete;
    TPixmap& operator=(const TPixmap&) = delete;

    uint8_t* PixelPtr(int32_t x, int32_t y) const { return pixels + y * pitch + x * BytesPerPixel(format); }
    // Shares the memory of the rectangle; keeps this pixmap alive. Null when the rectangle
    // does not lie inside the pixmap.
    TPixmapPtr Window(int32_t x, int32_t y, int32_t w, int32_t h);
    TPixmapPtr Copy() const;
    // Parts falling outside this pixmap are left out.
    void Paste(const TPixmap& src, int32_t x, int32_t y);
    TPixmapPtr Convert(int32_t format) const;
    // 0xAARRGGBB. Outside the pixmap reads give 0 and writes do nothing.
    uint32_t ReadPixel(int32_t x, int32_t y) const;
    void WritePixel(int32_t x, int32_t y, uint32_t argb);
    void ClearPixels(uint32_t argb);

    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    int32_t format = 0;
    int32_t capacity = 0;  // negative when the memory belongs to someone else
    TPixmapPtr _source;

private:
    struct TFree {
        void operator()(uint8_t* pixels) const;
    };
    TPixmap() = default;
    // From calloc: large blocks come as fresh zero pages, not written twice over.
    std::unique_ptr<uint8_t, TFree> _owned;
};

TPixmapPtr ResizePixmap(const TPixmap& pixmap, int32_t width, int32_t height);
TPixmapPtr YFlipPixmap(const TPixmap& pixmap);
TPixmapPtr XFlipPixmap(const TPixmap& pixmap);
TPixmapPtr MaskPixmap(const TPixmap& pixmap, int32_t red, int32_t green, int32_t blue);
// The largest width or height a PNG or JPEG picture may declare to be loaded (16384 unless set).
// The fuzz targets lower it: a few hundred bytes may declare a picture whose decoding under the
// sanitizers outlasts any time limit without finding anything.
void SetLargestPictureSide(uint32_t pixels);
// Tries the loaders newest first (PNG, then JPEG); null when none decodes url.
TPixmapPtr LoadPixmap(const TUrl& url);
// The size of the PNG or JPEG picture at url, from its header alone; false when there is none.
bool ProbePixmap(const TUrl& url, int32_t& width, int32_t& height);

// Reads a JPEG picture from the top a few rows at a time and keeps its place in between, so that
// no more of it than the rows asked for is ever held. The pixels are those LoadPixmap gives.
class TJpegRowReader {
public:
    // Null when url holds no JPEG picture whose header can be read.
    static std::unique_ptr<TJpegRowReader> Open(const TUrl& url);
    ~TJpegRowReader();
    TJpegRowReader(const TJpegRowReader&) = delete;
    TJpegRowReader& operator=(const TJpegRowReader&) = delete;

    // Reads the next rows.height rows of the picture into rows, which must be as wide as the
    // picture and of its format. False when they are not there or cannot be decoded (a cut-off or
    // damaged file); nothing more is read after a failure.
    bool Read(TPixmap& rows);

    int32_t width = 0;
    int32_t height = 0;
    int32_t format = 0;

private:
    struct TState;
    explicit TJpegRowReader(std::unique_ptr<TState> state);
    std::unique_ptr<TState> _state;
};

// A pixmap loader reads from the stream's current position; null rejects the data.
using TPixmapLoader = std::function<TPixmapPtr(TStream&)>;
void RegisterPixmapLoader(TPixmapLoader loader);

// Pixmaps: creation, windows, pixel access, format conversion, flips, bilinear resizing, masking.
#include "framework/graphics/Pixmap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

namespace {

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }
uint8_t Alpha(uint32_t argb) { return static_cast<uint8_t>(argb >> 24); }
uint8_t Red(uint32_t argb) { return static_cast<uint8_t>(argb >> 16); }
uint8_t Green(uint32_t argb) { return static_cast<uint8_t>(argb >> 8); }
uint8_t Blue(uint32_t argb) { return static_cast<uint8_t>(argb); }

// One row of n pixels of the given format into 0xAARRGGBB values. The switch sits outside the
// loops because whole pictures pass through here when textures are made.
void ReadRow(const uint8_t* p, int32_t format, uint32_t* out, int32_t n)
{
    switch (format) {
    case PIXFMT_I8:
        for (int32_t i = 0; i < n; ++i) out[i] = Argb(255, p[i], p[i], p[i]);
        break;
    case PIXFMT_A8:
        for (int32_t i = 0; i < n; ++i) out[i] = Argb(p[i], 255, 255, 255);
        break;
    case PIXFMT_BGR888:
        for (int32_t i = 0; i < n; ++i, p += 3) out[i] = Argb(255, p[2], p[1], p[0]);
        break;
    case PIXFMT_RGB888:
        for (int32_t i = 0; i < n; ++i, p += 3) out[i] = Argb(255, p[0], p[1], p[2]);
        break;
    case PIXFMT_BGRA8888:
        for (int32_t i = 0; i < n; ++i, p += 4) out[i] = Argb(p[3], p[2], p[1], p[0]);
        break;
    case PIXFMT_RGBA8888:
        for (int32_t i = 0; i < n; ++i, p += 4) out[i] = Argb(p[3], p[0], p[1], p[2]);
        break;
    default:
        std::fill(out, out + n, 0u);
        break;
    }
}

void WriteRow(uint8_t* p, int32_t format, const uint32_t* in, int32_t n)
{
    switch (format) {
    case PIXFMT_I8:
        for (int32_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>((Red(in[i]) + Green(in[i]) + Blue(in[i])) / 3);
        break;
    case PIXFMT_A8:
        for (int32_t i = 0; i < n; ++i) p[i] = Alpha(in[i]);
        break;
    case PIXFMT_BGR888:
        for (int32_t i = 0; i < n; ++i, p += 3) {
            p[0] = Blue(in[i]);
            p[1] = Green(in[i]);
            p[2] = Red(in[i]);
        }
        break;
    case PIXFMT_RGB888:
        for (int32_t i = 0; i < n; ++i, p += 3) {
            p[0] = Red(in[i]);
            p[1] = Green(in[i]);
            p[2] = Blue(in[i]);
        }
        break;
    case PIXFMT_BGRA8888:
        for (int32_t i = 0; i < n; ++i, p += 4) {
            p[0] = Blue(in[i]);
            p[1] = Green(in[i]);
            p[2] = Red(in[i]);
            p[3] = Alpha(in[i]);
        }
        break;
    case PIXFMT_RGBA8888:
        for (int32_t i = 0; i < n; ++i, p += 4) {
            p[0] = Red(in[i]);
            p[1] = Green(in[i]);
            p[2] = Blue(in[i]);
            p[3] = Alpha(in[i]);
        }
        break;
    default:
        break;
    }
}

// Copies a w x h block between pixmaps of any formats.
void CopyBlock(const TPixmap& src, int32_t sx, int32_t sy, TPixmap& dst, int32_t dx, int32_t dy, int32_t w, int32_t h)
{
    if (w <= 0 || h <= 0) return;
    const int32_t rowBytes = w * BytesPerPixel(src.format);
    if (src.format == dst.format) {
        for (int32_t y = 0; y < h; ++y) std::memmove(dst.PixelPtr(dx, dy + y), src.PixelPtr(sx, sy + y), rowBytes);
        return;
    }
    std::vector<uint32_t> row(w);
    for (int32_t y = 0; y < h; ++y) {
        ReadRow(src.PixelPtr(sx, sy + y), src.format, row.data(), w);
        WriteRow(dst.PixelPtr(dx, dy + y), dst.format, row.data(), w);
    }
}

// Source sample positions of a bilinear resize along one axis: for each destination index the
// lower source index, the upper one and the weight of the upper one.
struct TSample {
    int32_t lo;
    int32_t hi;
    float weight;
};

std::vector<TSample> SampleAxis(int32_t srcSize, int32_t dstSize)
{
    std::vector<TSample> samples(dstSize);
    const float step = static_cast<float>(srcSize) / static_cast<float>(dstSize);
    for (int32_t i = 0; i < dstSize; ++i) {
        const float pos = (static_cast<float>(i) + 0.5f) * step - 0.5f;
        if (pos < 0.0f) {
            samples[i] = {0, 0, 0.0f};
        } else if (pos >= static_cast<float>(srcSize - 1)) {
            samples[i] = {srcSize - 1, srcSize - 1, 0.0f};
        } else {
            const int32_t lo = static_cast<int32_t>(std::floor(pos));
            samples[i] = {lo, lo + 1, pos - static_cast<float>(lo)};
        }
    }
    return samples;
}

}  // namespace

int32_t BytesPerPixel(int32_t format)
{
    switch (format) {
    case PIXFMT_I8:
    case PIXFMT_A8:
        return 1;
    case PIXFMT_BGR888:
    case PIXFMT_RGB888:
        return 3;
    case PIXFMT_BGRA8888:
    case PIXFMT_RGBA8888:
        return 4;
    default:
        return 0;
    }
}

bool FormatHasAlpha(int32_t format)
{
    return format == PIXFMT_A8 || format == PIXFMT_BGRA8888 || format == PIXFMT_RGBA8888;
}

TPixmapPtr TPixmap::Create(int32_t width, int32_t height, int32_t format, int32_t align)
{
    const int32_t bpp = BytesPerPixel(format);
    if (bpp == 0) {
        std::fprintf(stderr, "Pixmap: unknown pixel format %d\n", format);
        return nullptr;
    }
    if (width < 0 || height < 0) {
        std::fprintf(stderr, "Pixmap: negative size %d x %d\n", width, height);
        return nullptr;
    }
    const int64_t step = align > 0 ? align : 1;
    const int64_t pitch = (static_cast<int64_t>(width) * bpp + step - 1) / step * step;
    const int64_t bytes = pitch * height;
    if (bytes > std::numeric_limits<int32_t>::max()) {
        std::fprintf(stderr, "Pixmap: %d x %d is too large\n", width, height);
        return nullptr;
    }
    TPixmapPtr pixmap(new TPixmap());
    pixmap->_owned.reset(static_cast<uint8_t*>(std::calloc(std::max<size_t>(static_cast<size_t>(bytes), 1), 1)));
    if (!pixmap->_owned) return nullptr;
    pixmap->pixels = pixmap->_owned.get();
    pixmap->width = width;
    pixmap->height = height;
    pixmap->pitch = static_cast<int32_t>(pitch);
    pixmap->format = format;
    pixmap->capacity = static_cast<int32_t>(bytes);
    return pixmap;
}

TPixmapPtr TPixmap::CreateStatic(uint8_t* pixels, int32_t width, int32_t height, int32_t pitch, int32_t format)
{
    if (BytesPerPixel(format) == 0 || width < 0 || height < 0) {
        std::fprintf(stderr, "Pixmap: bad static pixmap %d x %d of format %d\n", width, height, format);
        return nullptr;
    }
    TPixmapPtr pixmap(new TPixmap());
    pixmap->pixels = pixels;
    pixmap->width = width;
    pixmap->height = height;
    pixmap->pitch = pitch;
    pixmap->format = format;
    pixmap->capacity = -1;
    return pixmap;
}

TPixmap::~TPixmap() = default;

TPixmapPtr TPixmap::Window(int32_t x, int32_t y, int32_t w, int32_t h)
{
    if (x < 0 || y < 0 || w < 0 || h < 0 || x > width - w || y > height - h) {
        std::fprintf(stderr, "Pixmap: window %d,%d %d x %d lies outside %d x %d\n", x, y, w, h, width, height);
        return nullptr;
    }
    TPixmapPtr window = CreateStatic(PixelPtr(x, y), w, h, pitch, format);
    window->_source = shared_from_this();
    return window;
}

TPixmapPtr TPixmap::Copy() const
{
    TPixmapPtr copy = Create(width, height, format);
    if (copy) CopyBlock(*this, 0, 0, *copy, 0, 0, width, height);
    return copy;
}

void TPixmap::Paste(const TPixmap& src, int32_t x, int32_t y)
{
    const int32_t sx = std::max(0, -x);
    const int32_t sy = std::max(0, -y);
    const int32_t w = std::min(src.width, width - x) - sx;
    const int32_t h = std::min(src.height, height - y) - sy;
    CopyBlock(src, sx, sy, *this, x + sx, y + sy, w, h);
}

TPixmapPtr TPixmap::Convert(int32_t toFormat) const
{
    TPixmapPtr converted = Create(width, height, toFormat);
    if (converted) CopyBlock(*this, 0, 0, *converted, 0, 0, width, height);
    return converted;
}

uint32_t TPixmap::ReadPixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    uint32_t argb = 0;
    ReadRow(PixelPtr(x, y), format, &argb, 1);
    return argb;
}

void TPixmap::WritePixel(int32_t x, int32_t y, uint32_t argb)
{
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    WriteRow(PixelPtr(x, y), format, &argb, 1);
}

void TPixmap::ClearPixels(uint32_t argb)
{
    if (width <= 0) return;
    const std::vector<uint32_t> row(width, argb);
    for (int32_t y = 0; y < height; ++y) WriteRow(PixelPtr(0, y), format, row.data(), width);
}

void TPixmap::TFree::operator()(uint8_t* pixels) const { std::free(pixels); }

TPixmapPtr ResizePixmap(const TPixmap& pixmap, int32_t width, int32_t height)
{
    TPixmapPtr converted;
    const TPixmap* src = &pixmap;
    if (pixmap.format != PIXFMT_RGBA8888) {
        converted = pixmap.Convert(PIXFMT_RGBA8888);
        if (!converted) return nullptr;
        src = converted.get();
    }
    TPixmapPtr dst = TPixmap::Create(width, height, PIXFMT_RGBA8888);
    if (!dst) return nullptr;
    if (src->width == 0 || src->height == 0) return dst->Convert(pixmap.format);
    if (src->width == 2 * width && src->height == 2 * height) {
        // Halving, as every mipmap level does: each sample lies midway between two columns and
        // two rows, where the interpolation above is exactly the truncated mean of four pixels.
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* upper = src->PixelPtr(0, 2 * y);
            const uint8_t* lower = src->PixelPtr(0, 2 * y + 1);
            uint8_t* out = dst->PixelPtr(0, y);
            for (int32_t i = 0; i < width * 4; ++i) {
                const int32_t j = (i / 4) * 8 + i % 4;
                out[i] = static_cast<uint8_t>((upper[j] + upper[j + 4] + lower[j] + lower[j + 4]) >> 2);
            }
        }
        return pixmap.format == PIXFMT_RGBA8888 ? dst : dst->Convert(pixmap.format);
    }
    const std::vector<TSample> cols = SampleAxis(src->width, width);
    const std::vector<TSample> rows = SampleAxis(src->height, height);
    for (int32_t y = 0; y < height; ++y) {
        const TSample& sy = rows[y];
        const uint8_t* upper = src->PixelPtr(0, sy.lo);
        const uint8_t* lower = src->PixelPtr(0, sy.hi);
        uint8_t* out = dst->PixelPtr(0, y);
        for (int32_t x = 0; x < width; ++x) {
            const TSample& sx = cols[x];
            for (int32_t c = 0; c < 4; ++c) {
                const float ul = upper[sx.lo * 4 + c];
                const float ur = upper[sx.hi * 4 + c];
                const float ll = lower[sx.lo * 4 + c];
                const float lr = lower[sx.hi * 4 + c];
                const float top = ul + (ur - ul) * sx.weight;
                const float bottom = ll + (lr - ll) * sx.weight;
                out[x * 4 + c] = static_cast<uint8_t>(static_cast<int32_t>(top + (bottom - top) * sy.weight));
            }
        }
    }
    return pixmap.format == PIXFMT_RGBA8888 ? dst : dst->Convert(pixmap.format);
}

TPixmapPtr YFlipPixmap(const TPixmap& pixmap)
{
    TPixmapPtr flipped = TPixmap::Create(pixmap.width, pixmap.height, pixmap.format);
    if (!flipped) return nullptr;
    const int32_t rowBytes = pixmap.width * BytesPerPixel(pixmap.format);
    for (int32_t y = 0; y < pixmap.height; ++y)
        std::memcpy(flipped->PixelPtr(0, pixmap.height - 1 - y), pixmap.PixelPtr(0, y), rowBytes);
    return flipped;
}

TPixmapPtr XFlipPixmap(const TPixmap& pixmap)
{
    TPixmapPtr flipped = TPixmap::Create(pixmap.width, pixmap.height, pixmap.format);
    if (!flipped) return nullptr;
    const int32_t bpp = BytesPerPixel(pixmap.format);
    for (int32_t y = 0; y < pixmap.height; ++y)
        for (int32_t x = 0; x < pixmap.width; ++x)
            std::memcpy(flipped->PixelPtr(pixmap.width - 1 - x, y), pixmap.PixelPtr(x, y), bpp);
    return flipped;
}

TPixmapPtr MaskPixmap(const TPixmap& pixmap, int32_t red, int32_t green, int32_t blue)
{
    TPixmapPtr src = pixmap.Convert(PIXFMT_RGBA8888);
    TPixmapPtr dst = TPixmap::Create(pixmap.width, pixmap.height, PIXFMT_RGBA8888);
    if (!src || !dst) return nullptr;
    const auto isMask = [&](const uint8_t* p) { return p[0] == red && p[1] == green && p[2] == blue; };
    for (int32_t y = 0; y < src->height; ++y) {
        for (int32_t x = 0; x < src->width; ++x) {
            const uint8_t* p = src->PixelPtr(x, y);
            uint8_t* q = dst->PixelPtr(x, y);
            if (!isMask(p)) {
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
                q[3] = 255;
                continue;
            }
            // A transparent pixel takes the colour of its visible neighbours, so that filtering
            // at the edges of a shape never pulls the mask colour in.
            int32_t sum[3] = {0, 0, 0};
            int32_t count = 0;
            for (int32_t ny = std::max(0, y - 1); ny <= std::min(src->height - 1, y + 1); ++ny) {
                for (int32_t nx = std::max(0, x - 1); nx <= std::min(src->width - 1, x + 1); ++nx) {
                    const uint8_t* n = src->PixelPtr(nx, ny);
                    if ((nx == x && ny == y) || isMask(n)) continue;
                    for (int32_t c = 0; c < 3; ++c) sum[c] += n[c];
                    ++count;
                }
            }
            for (int32_t c = 0; c < 3; ++c) q[c] = static_cast<uint8_t>(count ? sum[c] / count : 0);
            q[3] = 0;
        }
    }
    return dst;
}

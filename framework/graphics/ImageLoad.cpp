// Loading images, pictures and strips, now or when first used; handles, automatic flags and the mask colour.
#include "framework/graphics/Image.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/ImageAsset.h"
#include "framework/graphics/StripStream.h"

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct TImageDefaults {
    int32_t flags = IMG_MASKED | IMG_FILTERED;
    int32_t mask_r = 0, mask_g = 0, mask_b = 0;
    bool midHandle = false;
};

TImageDefaults& Defaults()
{
    static TImageDefaults defaults;
    return defaults;
}

int32_t ResolveFlags(int32_t flags) { return flags == -1 ? Defaults().flags : flags; }

TImagePtr AutoHandled(TImagePtr image)
{
    if (image && Defaults().midHandle) MidHandleImage(image);
    return image;
}

bool ValidCells(int32_t cell_width, int32_t cell_height, int32_t first, int32_t count)
{
    if (cell_width > 0 && cell_height > 0 && first >= 0 && count >= 1) return true;
    std::fprintf(stderr, "Image: bad strip cells %d x %d, first %d, count %d\n", cell_width, cell_height, first, count);
    return false;
}

bool StripHoldsCells(int32_t width, int32_t height, int32_t cell_width, int32_t cell_height, int32_t first,
                     int32_t count)
{
    return static_cast<int64_t>(width / cell_width) * (height / cell_height) >= static_cast<int64_t>(first) + count;
}

// The pixmaps of cells first .. first + count - 1 of a strip holding enough of them.
std::vector<TPixmapPtr> CutCells(const TPixmapPtr& strip, int32_t cell_width, int32_t cell_height, int32_t first,
                                 int32_t count)
{
    const int32_t perRow = strip->width / cell_width;
    const int32_t rows = strip->height / cell_height;
    // Cells never overlap, so when they make up most of the strip each frame stays a window into
    // it: copying a large strip (the boss explosion is 150 MiB) would double its memory and time.
    const bool keepStrip = static_cast<int64_t>(count) * 2 >= static_cast<int64_t>(perRow) * rows;
    std::vector<TPixmapPtr> cells;
    cells.reserve(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        const int32_t cell = first + k;
        TPixmapPtr window =
            strip->Window(cell_width * (cell % perRow), cell_height * (cell / perRow), cell_width, cell_height);
        cells.push_back(keepStrip ? window : window->Copy());
    }
    return cells;
}

// Decodes a single picture from file again; nothing when the file no longer fits the image.
std::shared_ptr<TDeferredPixels> PictureDecoder(const std::string& file, int32_t width, int32_t height)
{
    return std::make_shared<TDeferredPixels>([file, width, height]() -> std::vector<TPixmapPtr> {
        TPixmapPtr pixmap = LoadPixmap(file);
        // A file changed since it was first read fits the image no more.
        if (!pixmap || pixmap->width != width || pixmap->height != height) return {};
        return {pixmap};
    });
}

}  // namespace

TImagePtr TImage::Load(const TUrl& url, int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    return Load(LoadPixmap(url), flags, mr, mg, mb);
}

TImagePtr TImage::Load(TPixmapPtr pixmap, int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    if (!pixmap) return nullptr;
    TImagePtr image = Create(pixmap->width, pixmap->height, 1, flags, mr, mg, mb);
    image->SetPixmap(0, std::move(pixmap));
    return image;
}

TImagePtr TImage::LoadAnim(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first, int32_t count,
                           int32_t flags, int32_t mr, int32_t mg, int32_t mb)
{
    if (!ValidCells(cell_width, cell_height, first, count)) return nullptr;
    TPixmapPtr strip = LoadPixmap(url);
    if (!strip || !StripHoldsCells(strip->width, strip->height, cell_width, cell_height, first, count)) return nullptr;
    TImagePtr image = Create(cell_width, cell_height, count, flags, mr, mg, mb);
    std::vector<TPixmapPtr> cells = CutCells(strip, cell_width, cell_height, first, count);
    for (int32_t k = 0; k < count; ++k) image->SetPixmap(k, std::move(cells[static_cast<size_t>(k)]));
    return image;
}

TImagePtr LoadImage(const TUrl& url, int32_t flags)
{
    const TImageDefaults& d = Defaults();
    TImagePtr image = TImage::Load(url, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    // A named file can be read again, so a large picture need not keep its pixels beside its texture.
    if (image && !url.text.empty() && !url.stream && !url.bank)
        image->SetReloadablePixels(PictureDecoder(url.text, image->width, image->height));
    return AutoHandled(image);
}

TImagePtr LoadAnimImage(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                        int32_t cell_count, int32_t flags)
{
    const TImageDefaults& d = Defaults();
    return AutoHandled(TImage::LoadAnim(url, cell_width, cell_height, first_cell, cell_count, ResolveFlags(flags),
                                        d.mask_r, d.mask_g, d.mask_b));
}

TImagePtr LoadAnimImageDeferred(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                int32_t cell_count, int32_t flags)
{
    // Only a named file can be read again later.
    if (url.text.empty()) return LoadAnimImage(url, cell_width, cell_height, first_cell, cell_count, flags);
    if (!ValidCells(cell_width, cell_height, first_cell, cell_count)) return nullptr;
    int32_t strip_width = 0;
    int32_t strip_height = 0;
    if (!ProbePixmap(url, strip_width, strip_height) ||
        !StripHoldsCells(strip_width, strip_height, cell_width, cell_height, first_cell, cell_count))
        return nullptr;
    const TImageDefaults& d = Defaults();
    TImagePtr image =
        TImage::Create(cell_width, cell_height, cell_count, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    image->SetDeferredPixels(std::make_shared<TDeferredPixels>([file = url.text, cell_width, cell_height, first_cell,
                                                                cell_count]() -> std::vector<TPixmapPtr> {
        TPixmapPtr strip = LoadPixmap(file);
        if (!strip || !StripHoldsCells(strip->width, strip->height, cell_width, cell_height, first_cell, cell_count))
            return {};
        return CutCells(strip, cell_width, cell_height, first_cell, cell_count);
    }));
    return AutoHandled(image);
}

TImagePtr LoadAnimImageStreamed(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                int32_t cell_count, int32_t flags)
{
    if (url.text.empty() || !ValidCells(cell_width, cell_height, first_cell, cell_count))
        return LoadAnimImageDeferred(url, cell_width, cell_height, first_cell, cell_count, flags);
    const std::unique_ptr<TJpegRowReader> reader = TJpegRowReader::Open(url);
    if (!reader) return LoadAnimImageDeferred(url, cell_width, cell_height, first_cell, cell_count, flags);
    if (!StripHoldsCells(reader->width, reader->height, cell_width, cell_height, first_cell, cell_count))
        return nullptr;
    const TImageDefaults& d = Defaults();
    TImagePtr image =
        TImage::Create(cell_width, cell_height, cell_count, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    image->SetStreamedPixels(std::make_shared<TStripStream>(url.text, cell_width, cell_height, first_cell, cell_count,
                                                            reader->width, reader->height, *image));
    return AutoHandled(image);
}

TImagePtr LoadImageDeferred(const TUrl& url, int32_t flags)
{
    if (url.text.empty()) return LoadImage(url, flags);
    int32_t width = 0;
    int32_t height = 0;
    if (!ProbePixmap(url, width, height)) return nullptr;
    const TImageDefaults& d = Defaults();
    TImagePtr image = TImage::Create(width, height, 1, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    image->SetDeferredPixels(PictureDecoder(url.text, width, height));
    return AutoHandled(image);
}

std::vector<TPixmapPtr> DecodeImageCells(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                                         int32_t cell_count)
{
    const bool single = cell_width == 0 && cell_height == 0 && first_cell == 0 && cell_count == 1;
    if (!single && !ValidCells(cell_width, cell_height, first_cell, cell_count)) return {};
    TPixmapPtr pixmap = LoadPixmap(url);
    if (!pixmap) return {};
    if (single) return {pixmap};
    if (!StripHoldsCells(pixmap->width, pixmap->height, cell_width, cell_height, first_cell, cell_count)) return {};
    return CutCells(pixmap, cell_width, cell_height, first_cell, cell_count);
}

TImagePtr LoadAnimImageFrom(const TUrl& url, int32_t cell_width, int32_t cell_height, int32_t first_cell,
                            int32_t cell_count, int32_t flags, TDeferredPixels::TDecode pixels)
{
    const bool single = cell_width == 0 && cell_height == 0 && first_cell == 0 && cell_count == 1;
    if (!single && !ValidCells(cell_width, cell_height, first_cell, cell_count)) return nullptr;
    int32_t width = 0;
    int32_t height = 0;
    if (!ProbePixmap(url, width, height)) return nullptr;
    if (single) {
        cell_width = width;
        cell_height = height;
    } else if (!StripHoldsCells(width, height, cell_width, cell_height, first_cell, cell_count)) {
        return nullptr;
    }
    const TImageDefaults& d = Defaults();
    TImagePtr image =
        TImage::Create(cell_width, cell_height, cell_count, ResolveFlags(flags), d.mask_r, d.mask_g, d.mask_b);
    image->SetDeferredPixels(std::make_shared<TDeferredPixels>(std::move(pixels)));
    return AutoHandled(image);
}

TImagePtr CreateImage(int32_t width, int32_t height, int32_t frame_count, int32_t flags)
{
    const TImageDefaults& d = Defaults();
    return AutoHandled(
        TImage::Create(width, height, frame_count, ResolveFlags(flags) | IMG_DYNAMIC, d.mask_r, d.mask_g, d.mask_b));
}

void GrabImage(const TImagePtr& image, int32_t x, int32_t y, int32_t frame)
{
    if (!image || frame < 0 || frame >= image->FrameCount()) return;
    TPixmapPtr grabbed = GrabPixmap(x - static_cast<int32_t>(image->handle_x),
                                    y - static_cast<int32_t>(image->handle_y), image->width, image->height);
    if (!grabbed) return;
    // The grab has alpha, so SetPixmap alone would not mask it.
    if (image->flags & IMG_MASKED) grabbed = MaskPixmap(*grabbed, image->mask_r, image->mask_g, image->mask_b);
    image->SetPixmap(frame, std::move(grabbed));
}

void MidHandleImage(const TImagePtr& image)
{
    if (!image) return;
    image->handle_x = static_cast<float>(image->width) * 0.5f;
    image->handle_y = static_cast<float>(image->height) * 0.5f;
}

void SetImageHandle(const TImagePtr& image, float x, float y)
{
    if (!image) return;
    image->handle_x = x;
    image->handle_y = y;
}

int32_t ImageWidth(const TImagePtr& image) { return image ? image->width : 0; }
int32_t ImageHeight(const TImagePtr& image) { return image ? image->height : 0; }

void SetAutoImageFlags(int32_t flags)
{
    if (flags != -1) Defaults().flags = flags;
}

int32_t GetAutoImageFlags() { return Defaults().flags; }

void SetAutoMidHandle(bool enable) { Defaults().midHandle = enable; }

void SetMaskColor(int32_t red, int32_t green, int32_t blue)
{
    TImageDefaults& d = Defaults();
    d.mask_r = red;
    d.mask_g = green;
    d.mask_b = blue;
}

void GetMaskColor(int32_t& red, int32_t& green, int32_t& blue)
{
    const TImageDefaults& d = Defaults();
    red = d.mask_r;
    green = d.mask_g;
    blue = d.mask_b;
}

// OpenGL textures of image frames and of the glyph atlas: their pixels and size, making and drawing them, and deleting
// them later.
#include "framework/graphics/GLDriver.h"

#include "framework/graphics/Image.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace {

// Two: a screen's background and the page or field drawn over it.
constexpr size_t kSpareTextures = 2;

// A picture drawn shorter by at most this part of its size is drawn at its size: the next level
// would weigh a 1/4096th at most, below what a texel of 8 bits can tell.
constexpr float kRoundingShrink = 1.0f / 4096.0f;

std::shared_ptr<TTextureGraveyard> Graveyard()
{
    static auto graveyard = std::make_shared<TTextureGraveyard>();
    return graveyard;
}

// Deletes the textures and has the driver forget what it knew of them.
void DeleteTextures(const std::vector<uint32_t>& names)
{
    if (names.empty()) return;
    glDeleteTextures(static_cast<GLsizei>(names.size()), names.data());
    auto driver = TGLDraw2DDriver::Instance();
    for (const uint32_t name : names) driver->ForgetTexture(name);
}

// Forgets the textures of an older context, which died with it.
void ForgetOlderTextures(TTextureGraveyard& graveyard)
{
    if (graveyard.seq == GraphicsSeq()) return;
    graveyard.names.clear();
    graveyard.sizes.clear();
    graveyard.spares.clear();
    graveyard.seq = GraphicsSeq();
}

void EmptyGraveyard()
{
    auto graveyard = Graveyard();
    ForgetOlderTextures(*graveyard);
    if (graveyard->names.empty()) return;
    // Those of the spare size are kept as spares while there is room.
    std::vector<uint32_t> doomed;
    for (size_t i = 0; i < graveyard->names.size(); ++i) {
        if (graveyard->sizes[i] == graveyard->spareSize && graveyard->spares.size() < kSpareTextures)
            graveyard->spares.push_back(graveyard->names[i]);
        else
            doomed.push_back(graveyard->names[i]);
    }
    graveyard->names.clear();
    graveyard->sizes.clear();
    DeleteTextures(doomed);
}

// A name from the graveyard whose texture is of this size and has level 0 alone, taken out of it;
// 0 if there is none. Specifying level 0 again at the same size keeps the texture's storage, which
// a software renderer would otherwise allocate and clear anew, page by page: for a level's
// background, or each frame of a long strip played through, the bulk of making its texture.
uint32_t TakeSpareTexture(int32_t width, int32_t height)
{
    auto graveyard = Graveyard();
    ForgetOlderTextures(*graveyard);
    uint32_t name = 0;
    for (size_t i = 0; i < graveyard->names.size() && name == 0; ++i) {
        if (graveyard->sizes[i] != std::pair{width, height}) continue;
        name = graveyard->names[i];
        graveyard->names.erase(graveyard->names.begin() + static_cast<std::ptrdiff_t>(i));
        graveyard->sizes.erase(graveyard->sizes.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (name == 0 && graveyard->spareSize == std::pair{width, height} && !graveyard->spares.empty()) {
        name = graveyard->spares.back();
        graveyard->spares.pop_back();
    }
    // What the driver knew of the old texture is not true of the new one.
    if (name != 0) TGLDraw2DDriver::Instance()->ForgetTexture(name);
    return name;
}

int32_t NextPowerOfTwo(int32_t n)
{
    int32_t p = 1;
    while (p < n && p < (1 << 30)) p <<= 1;
    return p;
}

// Pixmaps reach OpenGL as tightly described RGBA rows.
void UploadLevel(GLint level, const TPixmap& pixmap)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pixmap.pitch / 4);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, pixmap.width, pixmap.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixmap.pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// Clears a rectangle of level 0 to transparent black, a band of rows at a time from one small
// block of zeros.
void ClearTexels(int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0) return;
    static const std::array<uint32_t, 16384> zeros{};
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const int32_t band = std::max<int32_t>(static_cast<int32_t>(zeros.size()) / width, 1);
    for (int32_t top = y; top < y + height; top += band) {
        const int32_t rows = std::min(band, y + height - top);
        // A row wider than the block is cleared a piece at a time.
        for (int32_t left = x; left < x + width; left += static_cast<int32_t>(zeros.size())) {
            const int32_t columns = std::min(static_cast<int32_t>(zeros.size()), x + width - left);
            glTexSubImage2D(GL_TEXTURE_2D, 0, left, top, columns, rows, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
        }
    }
}

// Level 0 as PrepareTexturePixmap lays it out, made in place: the image's own rows go straight
// from its pixmap (RGB or RGBA) into the texture, its last column, last row and corner once more
// beyond its edges, and the rest is cleared. No texture-sized copy is made, nor its fresh memory
// touched twice.
void UploadInPlace(const TPixmap& image, GLenum format, int32_t tex_width, int32_t tex_height)
{
    const int32_t w = image.width, h = image.height;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const bool whole = w == tex_width && h == tex_height;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, image.pitch / BytesPerPixel(image.format));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tex_width, tex_height, 0, format, GL_UNSIGNED_BYTE,
                 whole ? image.pixels : nullptr);
    if (!whole && w > 0 && h > 0) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, format, GL_UNSIGNED_BYTE, image.pixels);
        if (w < tex_width)
            glTexSubImage2D(GL_TEXTURE_2D, 0, w, 0, 1, h, format, GL_UNSIGNED_BYTE, image.PixelPtr(w - 1, 0));
        if (h < tex_height)
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, h, w, 1, format, GL_UNSIGNED_BYTE, image.PixelPtr(0, h - 1));
        if (w < tex_width && h < tex_height)
            glTexSubImage2D(GL_TEXTURE_2D, 0, w, h, 1, 1, format, GL_UNSIGNED_BYTE, image.PixelPtr(w - 1, h - 1));
        const int32_t smearedWidth = std::min(w + 1, tex_width), smearedHeight = std::min(h + 1, tex_height);
        ClearTexels(smearedWidth, 0, tex_width - smearedWidth, smearedHeight);
        ClearTexels(0, smearedHeight, tex_width, tex_height - smearedHeight);
    } else if (!whole) {
        ClearTexels(0, 0, tex_width, tex_height);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

bool IsWhole(float value) { return std::floor(value) == value; }

// Every pixel of the width x height corner of an RGBA pixmap has alpha 255.
bool AllOpaque(const TPixmap& rgba, int32_t width, int32_t height)
{
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* p = rgba.PixelPtr(0, y) + 3;
        for (int32_t x = 0; x < width; ++x, p += 4)
            if (*p != 255) return false;
    }
    return true;
}

// The largest rectangle of the width x height corner of an RGBA pixmap whose pixels all have
// alpha 0: for each row, the column heights of transparent pixels ending there, and the largest
// rectangle under that histogram.
TGLImageFrame::THole LargestClearRect(const TPixmap& rgba, int32_t width, int32_t height)
{
    TGLImageFrame::THole best;
    int64_t bestArea = 0;
    std::vector<int32_t> heights(static_cast<size_t>(width) + 1, 0);
    std::vector<int32_t> stack;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* alpha = rgba.PixelPtr(0, y) + 3;
        for (int32_t x = 0; x < width; ++x) heights[x] = alpha[4 * x] == 0 ? heights[x] + 1 : 0;
        stack.clear();
        for (int32_t x = 0; x <= width; ++x) {
            while (!stack.empty() && heights[stack.back()] >= heights[x]) {
                const int32_t h = heights[stack.back()];
                stack.pop_back();
                const int32_t left = stack.empty() ? 0 : stack.back() + 1;
                const int64_t area = static_cast<int64_t>(h) * (x - left);
                if (area > bestArea) {
                    bestArea = area;
                    best = {left, y - h + 1, x, y + 1};
                }
            }
            stack.push_back(x);
        }
    }
    return best;
}

// The smallest rectangle of the width x height corner of an RGBA pixmap holding every pixel whose
// alpha is not 0; empty when there is none.
TGLImageFrame::THole InkBox(const TPixmap& rgba, int32_t width, int32_t height)
{
    TGLImageFrame::THole ink{width, height, 0, 0};
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* alpha = rgba.PixelPtr(0, y) + 3;
        for (int32_t x = 0; x < width; ++x) {
            if (alpha[4 * x] == 0) continue;
            ink = {std::min(ink.x0, x), std::min(ink.y0, y), std::max(ink.x1, x + 1), std::max(ink.y1, y + 1)};
        }
    }
    return ink.Empty() ? TGLImageFrame::THole{} : ink;
}

bool ProxyAccepts(int32_t width, int32_t height)
{
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint accepted = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
    return accepted != 0;
}

}  // namespace

void SetSpareTextureSize(int32_t screen_width, int32_t screen_height)
{
    const std::pair size{NextPowerOfTwo(std::max(screen_width, 1)), NextPowerOfTwo(std::max(screen_height, 1))};
    auto graveyard = Graveyard();
    ForgetOlderTextures(*graveyard);
    if (graveyard->spareSize == size) return;
    // Spares of another size are of no more use.
    DeleteTextures(graveyard->spares);
    graveyard->spares.clear();
    graveyard->spareSize = size;
}

bool MakeSpareTexture()
{
    auto graveyard = Graveyard();
    ForgetOlderTextures(*graveyard);
    const auto [width, height] = graveyard->spareSize;
    if (width <= 0 || height <= 0 || graveyard->spares.size() >= kSpareTextures || !ProxyAccepts(width, height))
        return false;
    // Bound only meanwhile, out of the driver's sight: what it knows to be bound stays so.
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    uint32_t name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // Filtered without smaller levels, so that level 0 alone is made, as a frame's texture has it.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
    graveyard->spares.push_back(name);
    return true;
}

std::shared_ptr<TImageFrame> TGLDraw2DDriver::CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags)
{
    return TGLImageFrame::CreateFromPixmap(pixmap, flags);
}

TPixmapPtr PrepareTexturePixmap(const TPixmap& pixmap, int32_t tex_width, int32_t tex_height, int32_t& image_width,
                                int32_t& image_height)
{
    image_width = pixmap.width;
    image_height = pixmap.height;
    TPixmapPtr fitted;
    const TPixmap* source = &pixmap;
    if (image_width > tex_width || image_height > tex_height) {
        image_width = std::min(image_width, tex_width);
        image_height = std::min(image_height, tex_height);
        fitted = ResizePixmap(pixmap, image_width, image_height);
        if (!fitted) return nullptr;
        source = fitted.get();
    }
    if (image_width == tex_width && image_height == tex_height) {
        return source->format == PIXFMT_RGBA8888 ? source->Copy() : source->Convert(PIXFMT_RGBA8888);
    }
    auto texture = TPixmap::Create(tex_width, tex_height, PIXFMT_RGBA8888);
    if (!texture) return nullptr;
    texture->Paste(*source, 0, 0);
    if (image_width == 0 || image_height == 0) return texture;
    // Filtering samples one texel beyond the image; make it repeat the image's edge.
    const size_t bytes = 4;
    if (image_width < tex_width) {
        for (int32_t y = 0; y < image_height; ++y) {
            std::copy_n(texture->PixelPtr(image_width - 1, y), bytes, texture->PixelPtr(image_width, y));
        }
    }
    if (image_height < tex_height) {
        std::copy_n(texture->PixelPtr(0, image_height - 1), bytes * static_cast<size_t>(image_width),
                    texture->PixelPtr(0, image_height));
    }
    if (image_width < tex_width && image_height < tex_height) {
        std::copy_n(texture->PixelPtr(image_width - 1, image_height - 1), bytes,
                    texture->PixelPtr(image_width, image_height));
    }
    return texture;
}

std::shared_ptr<TGLImageFrame> TGLImageFrame::CreateFromPixmap(const TPixmap& pixmap, int32_t flags)
{
    int32_t tex_width = NextPowerOfTwo(std::max(pixmap.width, 1));
    int32_t tex_height = NextPowerOfTwo(std::max(pixmap.height, 1));
    while (!ProxyAccepts(tex_width, tex_height)) {
        if (tex_width == 1 && tex_height == 1) throw std::runtime_error("Unable to calculate tex size");
        if (tex_width > 1) tex_width /= 2;
        if (tex_height > 1) tex_height /= 2;
    }
    int32_t image_width = 0;
    int32_t image_height = 0;
    // A picture larger than any texture is resized into a texture-sized copy; any other goes in as
    // it is, as RGB or RGBA rows.
    TPixmapPtr level;
    const TPixmap* source = &pixmap;
    GLenum format = GL_RGBA;
    if (pixmap.width > tex_width || pixmap.height > tex_height) {
        level = PrepareTexturePixmap(pixmap, tex_width, tex_height, image_width, image_height);
        if (!level) return nullptr;
        source = level.get();
    } else {
        image_width = pixmap.width;
        image_height = pixmap.height;
        if (pixmap.format == PIXFMT_RGB888 && pixmap.pitch % 3 == 0) {
            format = GL_RGB;
        } else if (pixmap.format != PIXFMT_RGBA8888 || pixmap.pitch % 4 != 0) {
            level = pixmap.Convert(PIXFMT_RGBA8888);
            if (!level) return nullptr;
            source = level.get();
        }
    }

    std::shared_ptr<TGLImageFrame> frame = Named(tex_width, tex_height);

    const bool filtered = (flags & IMG_FILTERED) != 0;
    const bool mipmapped = (flags & IMG_MIPMAPPED) != 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    // The smaller levels are made when the texture is first drawn smaller than it is. Until then
    // sampling never leaves level 0, where the plain filter samples as the mipmapped one does, and
    // the levels' memory is not taken: most pictures are only ever drawn at their own size.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    frame->_levels_pending = mipmapped;
    frame->_filtered = filtered;

    frame->_shrunk = image_width != pixmap.width || image_height != pixmap.height;
    frame->_image_width = image_width;
    frame->_image_height = image_height;
    frame->_opaque_image = !FormatHasAlpha(pixmap.format) || AllOpaque(*source, image_width, image_height);
    // The smeared edge repeats the image; the rest of a larger texture is transparent.
    frame->_opaque_texture = frame->_opaque_image && image_width == tex_width && image_height == tex_height;
    frame->_bytes = static_cast<int64_t>(tex_width) * tex_height * 4 * (mipmapped ? 4 : 3) / 3;
    frame->_ink = {0, 0, image_width, image_height};
    if (!frame->_opaque_image && !frame->_shrunk) frame->_ink = InkBox(*source, image_width, image_height);
    // Worth leaving out only when it saves more than drawing up to four quads costs.
    if (!frame->_opaque_image && !frame->_shrunk && static_cast<int64_t>(image_width) * image_height >= 128 * 128) {
        const THole hole = LargestClearRect(*source, image_width, image_height);
        if (static_cast<int64_t>(hole.x1 - hole.x0) * (hole.y1 - hole.y0) * 4 >=
            static_cast<int64_t>(image_width) * image_height)
            frame->_hole = hole;
    }

    if (source == level.get() && level->width == tex_width && level->height == tex_height)
        UploadLevel(0, *level);
    else
        UploadInPlace(*source, format, tex_width, tex_height);

    auto& layout = frame->_layout;
    layout.tex_width = tex_width;
    layout.tex_height = tex_height;
    // Texture units per pixel of the image as the caller knows it, also when it had to shrink.
    layout.uscale = pixmap.width > 0 ? static_cast<float>(image_width) / pixmap.width / tex_width : 0.0f;
    layout.vscale = pixmap.height > 0 ? static_cast<float>(image_height) / pixmap.height / tex_height : 0.0f;
    layout.u1 = static_cast<float>(image_width) / tex_width;
    layout.v1 = static_cast<float>(image_height) / tex_height;
    return frame;
}

std::shared_ptr<TGLImageFrame> TGLImageFrame::Named(int32_t tex_width, int32_t tex_height)
{
    // Gathered commands keep their frames, so no texture they draw is in the graveyard.
    const uint32_t spare = TakeSpareTexture(tex_width, tex_height);
    EmptyGraveyard();
    static uint64_t lastId = 0;
    std::shared_ptr<TGLImageFrame> frame(new TGLImageFrame());
    frame->_id = ++lastId;
    frame->_seq = GraphicsSeq();
    frame->_graveyard = Graveyard();
    frame->_name = spare;
    if (spare == 0) glGenTextures(1, &frame->_name);
    TGLDraw2DDriver::Instance()->BindTexture(frame->_name);
    return frame;
}

std::shared_ptr<TGLImageFrame> TGLImageFrame::CreateBlank(int32_t size)
{
    if (!ProxyAccepts(size, size)) return nullptr;
    std::shared_ptr<TGLImageFrame> frame = Named(size, size);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    ClearTexels(0, 0, size, size);
    frame->_image_width = frame->_image_height = size;
    frame->_bytes = static_cast<int64_t>(size) * size * 4;
    auto& layout = frame->_layout;
    layout.tex_width = layout.tex_height = size;
    layout.uscale = layout.vscale = 1.0f / static_cast<float>(size);
    layout.u1 = layout.v1 = 1.0f;
    return frame;
}

void TGLImageFrame::Upload(const TPixmap& rgba, int32_t x, int32_t y)
{
    TGLDraw2DDriver::Instance()->BindTexture(_name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rgba.pitch / 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, rgba.width, rgba.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

std::shared_ptr<TImageAtlas> TGLDraw2DDriver::CreateAtlas(int32_t cell)
{
    // Room for a hundred glyphs or so: a font's letters, digits and signs on one page.
    return std::make_shared<TGLImageAtlas>(*this, std::clamp(NextPowerOfTwo(std::max(cell, 1) * 10), 256, 1024));
}

TGLImageAtlas::TPlace TGLImageAtlas::Place(const TPixmap& pixmap)
{
    TPlace place;
    place.page = -1;
    place.w = pixmap.width;
    place.h = pixmap.height;
    if (place.w <= 0 || place.h <= 0 || place.w > _page_size || place.h > _page_size) return place;
    if (_next_x + place.w > _page_size) {
        _shelf_y += _shelf_height;
        _next_x = 0;
        _shelf_height = 0;
    }
    if (_pages.empty() || _shelf_y + place.h > _page_size) {
        auto page = TGLImageFrame::CreateBlank(_page_size);
        if (!page) return place;
        _pages.push_back(std::move(page));
        _next_x = _shelf_y = _shelf_height = 0;
    }
    place.page = static_cast<int32_t>(_pages.size()) - 1;
    place.x = _next_x;
    place.y = _shelf_y;
    _next_x += place.w;
    _shelf_height = std::max(_shelf_height, place.h);
    // The texels a picture's own texture would hold.
    TPixmapPtr converted;
    const TPixmap* rgba = &pixmap;
    if (pixmap.format != PIXFMT_RGBA8888 || pixmap.pitch % 4 != 0) {
        converted = pixmap.Convert(PIXFMT_RGBA8888);
        if (!converted) return {-1};
        rgba = converted.get();
    }
    const TGLImageFrame::THole ink = InkBox(*rgba, place.w, place.h);
    place.ink_x0 = ink.x0;
    place.ink_y0 = ink.y0;
    place.ink_x1 = ink.x1;
    place.ink_y1 = ink.y1;
    _pages.back()->Upload(*rgba, place.x, place.y);
    return place;
}

bool TGLImageAtlas::Draw(int32_t key, const TPixmap& pixmap, float x, float y)
{
    TGLDraw2DDriver& driver = _driver;
    // The plain way draws every glyph from its own texture, for comparison.
    if (!driver.FastPaths() || !driver.IdentityMapping() || !IsWhole(x) || !IsWhole(y) || key < 0) return false;
    if (static_cast<size_t>(key) >= _places.size()) _places.resize(static_cast<size_t>(key) + 1);
    TPlace& place = _places[static_cast<size_t>(key)];
    if (place.page == -2) place = Place(pixmap);
    if (place.page < 0) return false;
    int32_t x0 = 0, y0 = 0, x1 = place.w, y1 = place.h;
    // As from a picture's own texture: in these modes a transparent texel leaves the screen as it was.
    if (driver.MayLeaveOutHole() &&
        (place.ink_x0 != 0 || place.ink_y0 != 0 || place.ink_x1 != place.w || place.ink_y1 != place.h)) {
        driver.CountCroppedQuad();
        if (place.ink_x1 <= place.ink_x0 || place.ink_y1 <= place.ink_y0) return true;
        x0 = place.ink_x0;
        y0 = place.ink_y0;
        x1 = place.ink_x1;
        y1 = place.ink_y1;
    }
    const float scale = 1.0f / static_cast<float>(_page_size);
    const auto at = [](float origin, int32_t offset) { return origin + static_cast<float>(offset); };
    const float u0 = static_cast<float>(place.x + x0) * scale, v0 = static_cast<float>(place.y + y0) * scale;
    const float u1 = static_cast<float>(place.x + x1) * scale, v1 = static_cast<float>(place.y + y1) * scale;
    const float quad[4][4] = {{at(x, x0), at(y, y0), u0, v0},
                              {at(x, x1), at(y, y0), u1, v0},
                              {at(x, x1), at(y, y1), u1, v1},
                              {at(x, x0), at(y, y1), u0, v1}};
    driver.QueueQuad(*_pages[static_cast<size_t>(place.page)], quad, true);
    return true;
}

void TGLImageFrame::MakeSmallerLevels()
{
    _levels_pending = false;
    _levels_made = true;
    auto level = TPixmap::Create(_layout.tex_width, _layout.tex_height, PIXFMT_RGBA8888);
    if (!level) return;
    TGLDraw2DDriver::Instance()->BindTexture(_name);
    // Level 0 as it was uploaded: the picture's own pixels may have been given back since.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, level->pitch / 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level->pixels);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    for (GLint index = 1; level->width > 1 || level->height > 1; ++index) {
        level = ResizePixmap(*level, std::max(level->width / 2, 1), std::max(level->height / 2, 1));
        if (!level) return;
        UploadLevel(index, *level);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    _filtered ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
}

TGLImageFrame::~TGLImageFrame()
{
    // A texture of an older context died with that context.
    if (_name != 0 && _seq == GraphicsSeq()) {
        ForgetOlderTextures(*_graveyard);
        _graveyard->names.push_back(_name);
        _graveyard->sizes.emplace_back(_levels_made ? 0 : _layout.tex_width, _levels_made ? 0 : _layout.tex_height);
    }
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty, float sx, float sy, float sw,
                         float sh)
{
    auto& driver = *TGLDraw2DDriver::Instance();
    const float u0 = sx * _layout.uscale;
    const float v0 = sy * _layout.vscale;
    const float u1 = (sx + sw) * _layout.uscale;
    const float v1 = (sy + sh) * _layout.vscale;
    float corners[4][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
    for (auto& c : corners) driver.Transform(c[0], c[1], tx, ty, c[0], c[1]);
    // Turned, or smaller on screen than in the picture: sampling reaches the smaller levels. A quad
    // placed at a fraction of a pixel may come out short by the rounding of its corners alone (the
    // intro's wave logo: 199.99994 pixels for 200), far too little for the next level to weigh
    // anything in a texel of 8 bits; such a quad samples level 0 alone as before.
    const auto shorter = [](float drawn, float source) { return drawn < source - source * kRoundingShrink; };
    if (_levels_pending && (!driver.IdentityMapping() || shorter(corners[2][0] - corners[0][0], sw) ||
                            shorter(corners[2][1] - corners[0][1], sh)))
        MakeSmallerLevels();
    // Texel for pixel: no turn or scale, whole-pixel corners, whole source texels, no resize.
    const bool exact = driver.IdentityMapping() && !_shrunk && IsWhole(corners[0][0]) && IsWhole(corners[0][1]) &&
                       corners[2][0] - corners[0][0] == sw && corners[2][1] - corners[0][1] == sh && IsWhole(sx) &&
                       IsWhole(sy);
    const bool whole =
        sx == 0 && sy == 0 && sw == static_cast<float>(_image_width) && sh == static_cast<float>(_image_height);
    const bool cropped = _ink.x0 != 0 || _ink.y0 != 0 || _ink.x1 != _image_width || _ink.y1 != _image_height;
    if (!exact || !whole || (_hole.Empty() && !cropped) || !driver.MayLeaveOutHole()) {
        driver.QueueQuad(*this, corners, exact);
        return;
    }
    // A transparent texel leaves the screen as it was in these modes, so the quad is drawn over
    // its ink box alone, as up to four bands around its transparent hole, each still texel for
    // pixel. The margins left out no longer keep neighbouring glyphs from being drawn together.
    if (cropped) driver.CountCroppedQuad();
    const float left = corners[0][0];
    const float top = corners[0][1];
    const auto band = [&](int32_t bx0, int32_t by0, int32_t bx1, int32_t by1) {
        if (bx1 <= bx0 || by1 <= by0) return;
        const float qx0 = left + static_cast<float>(bx0), qy0 = top + static_cast<float>(by0);
        const float qx1 = left + static_cast<float>(bx1), qy1 = top + static_cast<float>(by1);
        const float bu0 = static_cast<float>(bx0) * _layout.uscale, bv0 = static_cast<float>(by0) * _layout.vscale;
        const float bu1 = static_cast<float>(bx1) * _layout.uscale, bv1 = static_cast<float>(by1) * _layout.vscale;
        const float quad[4][4] = {
            {qx0, qy0, bu0, bv0}, {qx1, qy0, bu1, bv0}, {qx1, qy1, bu1, bv1}, {qx0, qy1, bu0, bv1}};
        driver.QueueQuad(*this, quad, true);
    };
    const THole& ink = _ink;
    const THole hole{std::max(_hole.x0, ink.x0), std::max(_hole.y0, ink.y0), std::min(_hole.x1, ink.x1),
                     std::min(_hole.y1, ink.y1)};
    if (hole.Empty()) {
        band(ink.x0, ink.y0, ink.x1, ink.y1);
        return;
    }
    driver.CountHoledQuad();
    band(ink.x0, ink.y0, ink.x1, hole.y0);
    band(ink.x0, hole.y0, hole.x0, hole.y1);
    band(hole.x1, hole.y0, ink.x1, hole.y1);
    band(ink.x0, hole.y1, ink.x1, ink.y1);
}

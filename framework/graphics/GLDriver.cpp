// The OpenGL 2D back-end: blend modes, colour, scissor, CPU transform, primitives, textures.
#include "framework/graphics/GLDriver.h"

#include "framework/graphics/Image.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace {

std::shared_ptr<TTextureGraveyard> Graveyard()
{
    static auto graveyard = std::make_shared<TTextureGraveyard>();
    return graveyard;
}

void EmptyGraveyard()
{
    auto graveyard = Graveyard();
    if (graveyard->seq == GraphicsSeq() && !graveyard->names.empty()) {
        glDeleteTextures(static_cast<GLsizei>(graveyard->names.size()), graveyard->names.data());
    }
    // Names of an older context died with it.
    graveyard->names.clear();
    graveyard->seq = GraphicsSeq();
}

uint8_t ClampByte(int32_t value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

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

// Sampler objects came with OpenGL 3.3; before that only as an extension.
bool HasSamplerObjects()
{
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0, minor = 0;
    if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 && (major > 3 || (major == 3 && minor >= 3)))
        return true;
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_sampler_objects") != nullptr;
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

bool ProxyAccepts(int32_t width, int32_t height)
{
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint accepted = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
    return accepted != 0;
}

}  // namespace

std::shared_ptr<TGLDraw2DDriver> TGLDraw2DDriver::Instance()
{
    static auto instance = std::make_shared<TGLDraw2DDriver>();
    return instance;
}

void TGLDraw2DDriver::ResetGLContext(TGLContextProvider* provider, int32_t width, int32_t height)
{
    // Quads gathered for another context can no longer be drawn.
    _quads.clear();
    _provider = provider;
    _width = width;
    _height = height;
    _unit_pixels = true;
    _blend = -1;
    _gl_blend = -1;
    _bound = 0;
    _texturing = 0;
    _swap_interval = -1;
    _sampler_bound = false;
    // The sampler of an older context died with it.
    _nearest_sampler = 0;
    if (HasSamplerObjects()) {
        glGenSamplers(1, &_nearest_sampler);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(_nearest_sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glBindSampler(0, 0);
    }
    _quads.reserve(4 * 1024);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width, height);
}

void TGLDraw2DDriver::Detach()
{
    _quads.clear();
    _provider = nullptr;
}

void TGLDraw2DDriver::BindTexture(uint32_t name)
{
    const bool change = name == 0 ? _texturing != 0 : (_texturing != 1 || _bound != name);
    if (change) FlushQuads();
    if (name == 0) {
        if (_texturing != 0) {
            glDisable(GL_TEXTURE_2D);
            _texturing = 0;
            ++_state_changes;
        }
        return;
    }
    if (_texturing != 1) {
        glEnable(GL_TEXTURE_2D);
        _texturing = 1;
        ++_state_changes;
    }
    if (_bound != name) {
        glBindTexture(GL_TEXTURE_2D, name);
        _bound = name;
        ++_state_changes;
    }
}

std::shared_ptr<TImageFrame> TGLDraw2DDriver::CreateFrameFromPixmap(const TPixmap& pixmap, int32_t flags)
{
    return TGLImageFrame::CreateFromPixmap(pixmap, flags);
}

void TGLDraw2DDriver::SetBlend(int32_t blend)
{
    if (blend == _blend) return;
    _blend = blend;
    ApplyBlend(blend);
}

void TGLDraw2DDriver::ApplyBlend(int32_t blend)
{
    if (blend == _gl_blend) return;
    FlushQuads();
    _gl_blend = blend;
    ++_state_changes;
    switch (blend) {
    case BLEND_MASK:  // drawn opaque where alpha reaches one half
        glDisable(GL_BLEND);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, 0.5f);
        break;
    case BLEND_ALPHA:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDisable(GL_ALPHA_TEST);
        break;
    case BLEND_LIGHT:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glDisable(GL_ALPHA_TEST);
        break;
    case BLEND_SHADE:
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        glDisable(GL_ALPHA_TEST);
        break;
    default:  // solid, and anything unknown
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        break;
    }
}

void TGLDraw2DDriver::SetAlpha(float alpha)
{
    _alpha = static_cast<uint8_t>(static_cast<int32_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f));
    glColor4ub(_red, _green, _blue, _alpha);
}

void TGLDraw2DDriver::SetColor(int32_t red, int32_t green, int32_t blue)
{
    _red = ClampByte(red);
    _green = ClampByte(green);
    _blue = ClampByte(blue);
    glColor4ub(_red, _green, _blue, _alpha);
}

void TGLDraw2DDriver::SetClsColor(int32_t red, int32_t green, int32_t blue)
{
    glClearColor(ClampByte(red) / 255.0f, ClampByte(green) / 255.0f, ClampByte(blue) / 255.0f, 1.0f);
}

void TGLDraw2DDriver::BindNearestSampler(bool nearest)
{
    if (nearest == _sampler_bound || _nearest_sampler == 0) return;
    FlushQuads();
    glBindSampler(0, nearest ? _nearest_sampler : 0);
    _sampler_bound = nearest;
    ++_state_changes;
}

void TGLDraw2DDriver::QueueQuad(const TGLImageFrame& frame, const float (&corners)[4][4], bool pixel_exact)
{
    if (!_fast_paths) {
        // The plain way: one quad at a time, in the mode asked for, through the texture's filters.
        ApplyBlend(_blend);
        BindNearestSampler(false);
        BindTexture(frame.Name());
        glBegin(GL_QUADS);
        for (const auto& c : corners) {
            glTexCoord2f(c[2], c[3]);
            glVertex2f(c[0], c[1]);
        }
        glEnd();
        return;
    }
    // Both shortcuts give the very pixels of the plain way. Sampling a texel at its centre reads
    // that texel alone, filtered or not. An opaque texel in full colour and alpha replaces the
    // screen pixel whether it is blended or not; only image texels are sampled by an exact quad,
    // while filtering elsewhere may reach the texture's transparent rest unless it has none.
    const bool nearest = pixel_exact && _nearest_sampler != 0;
    const bool opaque = frame.OpaqueTexture() || (pixel_exact && frame.OpaqueImage());
    const bool unblended = opaque && _alpha == 255 && (_blend == BLEND_MASK || _blend == BLEND_ALPHA);
    const int32_t blend = unblended ? BLEND_SOLID : _blend;
    const uint32_t name = frame.Name();
    if (_quads.empty() || blend != _gl_blend || nearest != _sampler_bound || _texturing != 1 || _bound != name) {
        ApplyBlend(blend);
        BindNearestSampler(nearest);
        BindTexture(name);
    }
    _nearest_quads += nearest;
    _unblended_quads += unblended;
    for (const auto& c : corners) _quads.push_back({c[0], c[1], c[2], c[3], _red, _green, _blue, _alpha});
}

void TGLDraw2DDriver::FlushQuads()
{
    if (_quads.empty()) return;
    // One begin-end pair for the lot: OpenGL's immediate mode streams through a buffer it keeps
    // mapped, where vertex arrays from memory would be copied into a fresh buffer for every draw
    // while the renderer's threads still read the last one.
    glBegin(GL_QUADS);
    uint32_t colour = 0;
    for (size_t i = 0; i < _quads.size(); ++i) {
        const TVertex& v = _quads[i];
        const uint32_t c = static_cast<uint32_t>(v.r) | v.g << 8 | v.b << 16 | static_cast<uint32_t>(v.a) << 24;
        if (i == 0 || c != colour) glColor4ub(v.r, v.g, v.b, v.a);
        colour = c;
        glTexCoord2f(v.u, v.v);
        glVertex2f(v.x, v.y);
    }
    glEnd();
    _quads.clear();
    // Lines and rectangles draw in the current colour.
    glColor4ub(_red, _green, _blue, _alpha);
}

void TGLDraw2DDriver::SetViewport(int32_t x, int32_t y, int32_t width, int32_t height)
{
    FlushQuads();
    if (x == 0 && y == 0 && width == GraphicsWidth() && height == GraphicsHeight()) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    // OpenGL counts rows from the bottom.
    glScissor(x, GraphicsHeight() - y - height, std::max(width, 0), std::max(height, 0));
}

void TGLDraw2DDriver::SetTransform(float ix, float iy, float jx, float jy)
{
    _ix = ix;
    _iy = iy;
    _jx = jx;
    _jy = jy;
}

void TGLDraw2DDriver::SetLineWidth(float width) { glLineWidth(width); }

void TGLDraw2DDriver::Cls()
{
    FlushQuads();
    glClear(GL_COLOR_BUFFER_BIT);
}

void TGLDraw2DDriver::Plot(float x, float y)
{
    ApplyBlend(_blend);
    BindTexture(0);
    glBegin(GL_POINTS);
    glVertex2f(x + 0.5f, y + 0.5f);
    glEnd();
}

void TGLDraw2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty)
{
    ApplyBlend(_blend);
    BindTexture(0);
    float sx, sy;
    glBegin(GL_LINES);
    Transform(x0, y0, tx, ty, sx, sy);
    glVertex2f(sx + 0.5f, sy + 0.5f);
    Transform(x1, y1, tx, ty, sx, sy);
    glVertex2f(sx + 0.5f, sy + 0.5f);
    glEnd();
}

void TGLDraw2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty)
{
    ApplyBlend(_blend);
    BindTexture(0);
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) {
        float sx, sy;
        Transform(c[0], c[1], tx, ty, sx, sy);
        glVertex2f(sx, sy);
    }
    glEnd();
}

void TGLDraw2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty)
{
    ApplyBlend(_blend);
    BindTexture(0);
    const float rx = (x1 - x0) * 0.5f;
    const float ry = (y1 - y0) * 0.5f;
    const float cx = x0 + rx;
    const float cy = y0 + ry;
    const int32_t segments = std::max(static_cast<int32_t>(std::fabs(rx) + std::fabs(ry)), 12) & ~3;
    glBegin(GL_POLYGON);
    for (int32_t i = 0; i < segments; ++i) {
        const double radians = i * 360.0 / segments * std::numbers::pi / 180.0;
        float sx, sy;
        Transform(cx + rx * static_cast<float>(std::cos(radians)), cy - ry * static_cast<float>(std::sin(radians)), tx,
                  ty, sx, sy);
        glVertex2f(sx, sy);
    }
    glEnd();
}

void TGLDraw2DDriver::DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty)
{
    if (xy.size() < 6 || xy.size() % 2 != 0) return;
    ApplyBlend(_blend);
    BindTexture(0);
    glBegin(GL_POLYGON);
    for (size_t i = 0; i < xy.size(); i += 2) {
        float sx, sy;
        Transform(xy[i] + hx, xy[i + 1] + hy, tx, ty, sx, sy);
        glVertex2f(sx, sy);
    }
    glEnd();
}

void TGLDraw2DDriver::DrawPixmap(const TPixmap& pixmap, int32_t x, int32_t y)
{
    TPixmapPtr converted;
    const TPixmap* rgba = &pixmap;
    if (pixmap.format != PIXFMT_RGBA8888) {
        converted = pixmap.Convert(PIXFMT_RGBA8888);
        if (!converted) return;
        rgba = converted.get();
    }
    ApplyBlend(BLEND_SOLID);
    BindTexture(0);
    // The raster position starts at the top-left corner (always inside the view) and is moved
    // by an empty bitmap, so a pixmap partly off screen is still drawn.
    glRasterPos2f(0.0f, 0.0f);
    glBitmap(0, 0, 0, 0, static_cast<GLfloat>(x), static_cast<GLfloat>(-y), nullptr);
    glPixelZoom(1.0f, -1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rgba->pitch / 4);
    glDrawPixels(rgba->width, rgba->height, GL_RGBA, GL_UNSIGNED_BYTE, rgba->pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelZoom(1.0f, 1.0f);
}

TPixmapPtr TGLDraw2DDriver::GrabPixmap(int32_t x, int32_t y, int32_t width, int32_t height)
{
    auto pixmap = TPixmap::Create(std::max(width, 0), std::max(height, 0), PIXFMT_RGBA8888);
    if (!pixmap) return nullptr;
    // Only the part on screen is read; the rest stays transparent black.
    const int32_t left = std::max(x, 0);
    const int32_t top = std::max(y, 0);
    const int32_t right = std::min(x + width, GraphicsWidth());
    const int32_t bottom = std::min(y + height, _height);
    if (right <= left || bottom <= top) return pixmap;
    FlushQuads();
    const int32_t w = right - left;
    const int32_t h = bottom - top;
    std::vector<uint8_t> rows(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(left, _height - bottom, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    // OpenGL hands the bottom row first.
    for (int32_t row = 0; row < h; ++row) {
        const uint8_t* src = rows.data() + static_cast<size_t>(h - 1 - row) * static_cast<size_t>(w) * 4;
        std::copy(src, src + static_cast<size_t>(w) * 4, pixmap->PixelPtr(left - x, top - y + row));
    }
    return pixmap;
}

void TGLDraw2DDriver::SetResolution(float width, float height)
{
    FlushQuads();
    _unit_pixels = width == static_cast<float>(_width) && height == static_cast<float>(_height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
}

void TGLDraw2DDriver::Flip(bool sync)
{
    if (!_provider) return;
    FlushQuads();
    const int32_t interval = sync ? 1 : 0;
    if (interval != _swap_interval) {
        _provider->SetSwapInterval(interval);
        _swap_interval = interval;
    }
    _provider->SwapBuffers();
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
    TPixmapPtr level = PrepareTexturePixmap(pixmap, tex_width, tex_height, image_width, image_height);
    if (!level) return nullptr;

    // Gathered quads may use a texture about to be deleted, and binding the new one changes theirs.
    TGLDraw2DDriver::Instance()->FlushQuads();
    EmptyGraveyard();
    std::shared_ptr<TGLImageFrame> frame(new TGLImageFrame());
    frame->_seq = GraphicsSeq();
    frame->_graveyard = Graveyard();
    glGenTextures(1, &frame->_name);
    TGLDraw2DDriver::Instance()->BindTexture(frame->_name);

    const bool filtered = (flags & IMG_FILTERED) != 0;
    const bool mipmapped = (flags & IMG_MIPMAPPED) != 0;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    GLint min_filter = filtered ? GL_LINEAR : GL_NEAREST;
    if (mipmapped) min_filter = filtered ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min_filter);

    frame->_shrunk = image_width != pixmap.width || image_height != pixmap.height;
    frame->_image_width = image_width;
    frame->_image_height = image_height;
    frame->_opaque_image = !FormatHasAlpha(pixmap.format) || AllOpaque(*level, image_width, image_height);
    // The smeared edge repeats the image; the rest of a larger texture is transparent.
    frame->_opaque_texture = frame->_opaque_image && image_width == tex_width && image_height == tex_height;
    frame->_bytes = static_cast<int64_t>(tex_width) * tex_height * 4 * (mipmapped ? 4 : 3) / 3;
    // Worth leaving out only when it saves more than drawing up to four quads costs.
    if (!frame->_opaque_image && !frame->_shrunk && static_cast<int64_t>(image_width) * image_height >= 128 * 128) {
        const THole hole = LargestClearRect(*level, image_width, image_height);
        if (static_cast<int64_t>(hole.x1 - hole.x0) * (hole.y1 - hole.y0) * 4 >=
            static_cast<int64_t>(image_width) * image_height)
            frame->_hole = hole;
    }

    UploadLevel(0, *level);
    for (GLint index = 1; mipmapped && (level->width > 1 || level->height > 1); ++index) {
        level = ResizePixmap(*level, std::max(level->width / 2, 1), std::max(level->height / 2, 1));
        if (!level) break;
        UploadLevel(index, *level);
    }

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

TGLImageFrame::~TGLImageFrame()
{
    // A texture of an older context died with that context.
    if (_name != 0 && _seq == GraphicsSeq()) {
        if (_graveyard->seq != _seq) {
            _graveyard->names.clear();
            _graveyard->seq = _seq;
        }
        _graveyard->names.push_back(_name);
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
    // Texel for pixel: no turn or scale, whole-pixel corners, whole source texels, no resize.
    const bool exact = driver.IdentityMapping() && !_shrunk && IsWhole(corners[0][0]) && IsWhole(corners[0][1]) &&
                       corners[2][0] - corners[0][0] == sw && corners[2][1] - corners[0][1] == sh && IsWhole(sx) &&
                       IsWhole(sy);
    const bool whole =
        sx == 0 && sy == 0 && sw == static_cast<float>(_image_width) && sh == static_cast<float>(_image_height);
    if (!exact || !whole || _hole.Empty() || !driver.MayLeaveOutHole()) {
        driver.QueueQuad(*this, corners, exact);
        return;
    }
    // A transparent texel leaves the screen as it was in these modes, so the quad is drawn as up
    // to four bands around its transparent hole, each still texel for pixel.
    driver.CountHoledQuad();
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
    band(0, 0, _image_width, _hole.y0);
    band(0, _hole.y0, _hole.x0, _hole.y1);
    band(_hole.x1, _hole.y0, _image_width, _hole.y1);
    band(0, _hole.y1, _image_width, _image_height);
}

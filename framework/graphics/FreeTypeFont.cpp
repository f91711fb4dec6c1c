// FreeType font sources: faces from files or memory, pixel-size fallback, glyph coverage pixmaps.
#include "framework/graphics/FreeTypeFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

struct TFreeTypeLibrary {
    FT_Library library = nullptr;
    TFreeTypeLibrary() = default;
    TFreeTypeLibrary(const TFreeTypeLibrary&) = delete;
    TFreeTypeLibrary& operator=(const TFreeTypeLibrary&) = delete;
    ~TFreeTypeLibrary()
    {
        if (library) FT_Done_FreeType(library);
    }
};

namespace {

// Made once per process; each face holds a share so the library outlives every face.
std::shared_ptr<TFreeTypeLibrary> Library()
{
    static const std::shared_ptr<TFreeTypeLibrary> instance = [] {
        auto library = std::make_shared<TFreeTypeLibrary>();
        if (FT_Init_FreeType(&library->library) != 0) library->library = nullptr;
        return library;
    }();
    return instance->library ? instance : nullptr;
}

// A stream url such as "incbin::name": "::" somewhere after the first character.
bool IsStreamUrl(const std::string& path) { return path.size() > 1 && path.find("::", 1) != std::string::npos; }

// The rows of a FreeType bitmap top down, whichever way its pitch runs.
const uint8_t* BitmapRow(const FT_Bitmap& bitmap, int32_t row)
{
    const int32_t pitch = bitmap.pitch;
    const uint8_t* top = bitmap.buffer;
    if (pitch < 0) top += static_cast<ptrdiff_t>(bitmap.rows - 1) * -pitch;
    return top + static_cast<ptrdiff_t>(row) * pitch;
}

// Coverage of a rendered glyph as alpha: grey levels copied, one-bit pixels as 255 or 0.
TPixmapPtr CoveragePixmap(const FT_Bitmap& bitmap)
{
    const auto width = static_cast<int32_t>(bitmap.width);
    const auto rows = static_cast<int32_t>(bitmap.rows);
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return nullptr;
    auto pixmap = TPixmap::Create(width, rows, PIXFMT_A8);
    if (!pixmap) return nullptr;
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* src = BitmapRow(bitmap, y);
        uint8_t* dst = pixmap->PixelPtr(0, y);
        for (int32_t x = 0; x < width; ++x) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
                dst[x] = src[x];
            } else {
                dst[x] = ((src[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
            }
        }
    }
    return pixmap;
}

}  // namespace

std::shared_ptr<TFreeTypeFont> TFreeTypeFont::Load(const std::string& path, int32_t size, int32_t style)
{
    auto library = Library();
    if (!library || size < 1) return nullptr;
    std::shared_ptr<TFreeTypeFont> font(new TFreeTypeFont());
    font->_library = library;
    FT_Face face = nullptr;
    if (IsStreamUrl(path)) {
        font->_buf = ReadAllBytes(TUrl(path));
        if (font->_buf.empty()) return nullptr;
        if (FT_New_Memory_Face(library->library, font->_buf.data(), static_cast<FT_Long>(font->_buf.size()), 0,
                               &face) != 0) {
            return nullptr;
        }
    } else if (FT_New_Face(library->library, path.c_str(), 0, &face) != 0) {
        return nullptr;
    }
    font->_ft_face = face;
    // A face without a strike of that size (a bitmap font) takes the nearest smaller one.
    while (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) {
        if (--size == 0) return nullptr;
    }
    font->_style = style;
    font->_size = size;
    font->_height = static_cast<int32_t>(face->size->metrics.height >> 6);
    font->_ascend = static_cast<int32_t>(face->size->metrics.ascender >> 6);
    font->_descend = static_cast<int32_t>(face->size->metrics.descender >> 6);
    font->_glyphs.resize(static_cast<size_t>(std::max<FT_Long>(face->num_glyphs, 0)));
    return font;
}

TFreeTypeFont::~TFreeTypeFont()
{
    if (_ft_face) FT_Done_Face(_ft_face);
}

int32_t TFreeTypeFont::CharToGlyph(int32_t c)
{
    if (c < 0) return -1;
    return static_cast<int32_t>(FT_Get_Char_Index(_ft_face, static_cast<FT_ULong>(c))) - 1;
}

TGlyphPtr TFreeTypeFont::LoadGlyph(int32_t index)
{
    if (index < 0 || index >= CountGlyphs()) return nullptr;
    auto& slot = _glyphs[static_cast<size_t>(index)];
    if (slot) return slot;
    slot = std::make_shared<TFreeTypeGlyph>();
    // Glyph indices are kept one lower than FreeType's, so index 0 is its first real glyph.
    if (FT_Load_Glyph(_ft_face, static_cast<FT_UInt>(index + 1), FT_LOAD_RENDER) != 0) return slot;
    const FT_GlyphSlot glyph = _ft_face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    slot->_x = glyph->bitmap_left;
    slot->_y = _ascend - glyph->bitmap_top;
    slot->_w = static_cast<int32_t>(bitmap.width);
    slot->_h = static_cast<int32_t>(bitmap.rows);
    slot->_advance = static_cast<float>(glyph->advance.x >> 6);
    if (slot->_w == 0 || slot->_h == 0) return slot;
    slot->_pixmap = CoveragePixmap(bitmap);
    if (slot->_pixmap && (_style & FONT_SMOOTH)) {
        // A clear border, so filtered drawing does not cut the glyph's edges.
        auto padded = TPixmap::Create(slot->_w + 2, slot->_h + 2, PIXFMT_A8);
        if (padded) {
            padded->Paste(*slot->_pixmap, 1, 1);
            slot->_pixmap = padded;
            slot->_x -= 1;
            slot->_y -= 1;
            slot->_w += 2;
            slot->_h += 2;
        }
    }
    return slot;
}

// Text set in TrueType/OpenType faces through FreeType, as coverage masks ready for compositing.
#include "tools/assetgen/images/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace art {

const FontFiles& DefaultFonts()
{
    static const FontFiles files{KRELLIX_FONT_DISPLAY, KRELLIX_FONT_TEXT, KRELLIX_FONT_TEXT_BOLD, KRELLIX_FONT_MONO};
    return files;
}

struct Font::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Impl()
    {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

Font::Font(const std::string& path, int pixelSize) : impl(std::make_unique<Impl>())
{
    if (FT_Init_FreeType(&impl->library) != 0) throw FontError("cannot start FreeType");
    if (FT_New_Face(impl->library, path.c_str(), 0, &impl->face) != 0) throw FontError("cannot open the font " + path);
    if (FT_Set_Pixel_Sizes(impl->face, 0, static_cast<FT_UInt>(pixelSize)) != 0)
        throw FontError("cannot size the font " + path);
}

Font::~Font() = default;

int Font::Ascender() const { return static_cast<int>(impl->face->size->metrics.ascender >> 6); }

int Font::Descender() const { return static_cast<int>(impl->face->size->metrics.descender >> 6); }

int Font::LineHeight() const { return static_cast<int>(impl->face->size->metrics.height >> 6); }

int Font::Measure(const std::string& text) const
{
    FT_Face face = impl->face;
    long pen = 0;
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        const FT_UInt glyph = FT_Get_Char_Index(face, ch);
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector k;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &k);
            pen += k.x;
        }
        if (FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT) == 0) pen += face->glyph->advance.x;
        previous = glyph;
    }
    return static_cast<int>((pen + 32) >> 6);
}

void Font::Render(const std::string& text, Field& into, int x, int baseline) const
{
    FT_Face face = impl->face;
    long pen = static_cast<long>(x) << 6;
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        const FT_UInt glyph = FT_Get_Char_Index(face, ch);
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector k;
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_DEFAULT, &k);
            pen += k.x;
        }
        previous = glyph;
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        const int left = static_cast<int>((pen + 32) >> 6) + slot->bitmap_left;
        const int top = baseline - slot->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col) {
                const int px = left + static_cast<int>(col), py = top + static_cast<int>(row);
                if (px < 0 || py < 0 || px >= into.Width() || py >= into.Height()) continue;
                const float v = static_cast<float>(bm.buffer[static_cast<long>(row) * bm.pitch + col]) / 255.0f;
                float& dst = into.At(px, py);
                dst = dst + v - dst * v;
            }
        pen += slot->advance.x;
    }
}

Field Font::RenderTight(const std::string& text, int pad) const
{
    Field f(Measure(text) + 2 * pad + 2, Ascender() - Descender() + 2 * pad);
    Render(text, f, pad, pad + Ascender());
    return f;
}

void DrawText(Canvas& canvas, const Font& font, const std::string& text, int x, int baseline, const Color& color,
              Align align)
{
    const int width = font.Measure(text);
    if (align == Align::Centre) x -= width / 2;
    if (align == Align::Right) x -= width;
    Field mask(canvas.Width(), canvas.Height());
    font.Render(text, mask, x, baseline);
    const int y0 = std::max(0, baseline - font.Ascender() - 4);
    const int y1 = std::min(canvas.Height(), baseline - font.Descender() + 4);
    for (int y = y0; y < y1; ++y)
        for (int px = 0; px < canvas.Width(); ++px)
            if (mask.At(px, y) > 0.0f) canvas.Blend(px, y, color, mask.At(px, y));
}

}  // namespace art

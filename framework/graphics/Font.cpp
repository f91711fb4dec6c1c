// Image fonts: glyph images made on first use, the current font, DrawText, TextWidth, TextHeight.
#include "framework/graphics/Font.h"

#include "framework/graphics/Draw2DGraphics.h"
#include "framework/graphics/FreeTypeFont.h"

#include <algorithm>

TImageFont::TImageFont(std::shared_ptr<TFont> source, int32_t image_flags)
    : _src_font(std::move(source)), _imageFlags(image_flags)
{
    if (_src_font) _glyphs.resize(static_cast<size_t>(std::max(_src_font->CountGlyphs(), 0)));
}

TImageFontPtr TImageFont::Load(const TUrl& url, int32_t size, int32_t style)
{
    if (url.text.empty()) return nullptr;
    auto source = TFreeTypeFont::Load(url.text, size, style);
    if (!source) return nullptr;
    // Smooth glyphs are drawn filtered and mipmapped.
    return std::make_shared<TImageFont>(source, (style & FONT_SMOOTH) ? IMG_FILTERED | IMG_MIPMAPPED : 0);
}

int32_t TImageFont::Style() const { return _src_font ? _src_font->Style() : 0; }

int32_t TImageFont::Height() const { return _src_font ? _src_font->Height() : 16; }

int32_t TImageFont::CharToGlyph(int32_t c) const
{
    if (_src_font) return _src_font->CharToGlyph(c);
    return c >= 32 && c <= 127 ? c - 32 : -1;
}

const TImageGlyph& TImageFont::LoadGlyph(int32_t index)
{
    static const TImageGlyph empty;
    if (index < 0 || index >= CountGlyphs()) return empty;
    auto& slot = _glyphs[static_cast<size_t>(index)];
    if (slot) return *slot;
    slot = std::make_unique<TImageGlyph>();
    slot->_index = index;
    TGlyphPtr source = _src_font ? _src_font->LoadGlyph(index) : nullptr;
    if (!source) return *slot;
    slot->_advance = source->Advance();
    source->GetRect(slot->_x, slot->_y, slot->_w, slot->_h);
    if (TPixmapPtr pixels = source->Pixels()) {
        slot->_image = TImage::Load(pixels->Copy(), _imageFlags, 0, 0, 0);
    }
    return *slot;
}

const TImageGlyph* TImageFont::CharGlyph(unsigned char c)
{
    if (!_charLooked[c]) {
        const int32_t index = CharToGlyph(c);
        _charGlyphs[c] = index < 0 ? nullptr : &LoadGlyph(index);
        _charLooked[c] = true;
    }
    return _charGlyphs[c];
}

TImageAtlas* TImageFont::Atlas()
{
    // The atlas's textures died with the graphics they were made for.
    if (_atlasSeq != GraphicsSeq()) {
        TDraw2DDriver* driver = CurrentDraw2DDriver();
        _atlas = driver ? driver->CreateAtlas(Height()) : nullptr;
        _atlasSeq = GraphicsSeq();
    }
    return _atlas.get();
}

void TImageFont::Draw(const std::string& text, float x, float y, float ix, float iy, float jx, float jy)
{
    TImageAtlas* atlas = Atlas();
    for (const char ch : text) {
        const TImageGlyph* found = CharGlyph(static_cast<unsigned char>(ch));
        if (!found) continue;
        const TImageGlyph& glyph = *found;
        if (glyph._image) {
            const auto gx = static_cast<float>(glyph._x);
            const auto gy = static_cast<float>(glyph._y);
            const float px = x + gx * ix + gy * iy;
            const float py = y + gx * jx + gy * jy;
            const TPixmapPtr& pixels = glyph._image->pixmaps[0];
            if (!atlas || !pixels || !atlas->Draw(glyph._index, *pixels, px, py)) {
                if (auto frame = glyph._image->Frame(0)) {
                    const auto w = static_cast<float>(glyph._image->width);
                    const auto h = static_cast<float>(glyph._image->height);
                    frame->Draw(0, 0, w, h, px, py, 0, 0, w, h);
                }
            }
        }
        x += ix * glyph._advance;
        y += jx * glyph._advance;
    }
}

TImageFontPtr LoadImageFont(const TUrl& url, int32_t size, int32_t style) { return TImageFont::Load(url, size, style); }

void SetImageFont(const TImageFontPtr& font)
{
    auto* g = TDraw2DGraphics::Current();
    if (!g) return;
    g->image_font = font ? font : BuiltinImageFont();
}

TImageFontPtr GetImageFont()
{
    auto* g = TDraw2DGraphics::Current();
    return g ? g->image_font : BuiltinImageFont();
}

void DrawText(const std::string& text, float x, float y)
{
    auto* g = TDraw2DGraphics::Current();
    if (!g) return;
    // The global handle shifts the text in its own rotated and scaled axes.
    const float px = x + g->origin_x + g->handle_x * g->tform_ix + g->handle_y * g->tform_iy;
    const float py = y + g->origin_y + g->handle_x * g->tform_jx + g->handle_y * g->tform_jy;
    g->Driver()->NoteText(text, px, py);
    g->image_font->Draw(text, px, py, g->tform_ix, g->tform_iy, g->tform_jx, g->tform_jy);
}

int32_t TextWidth(const std::string& text)
{
    const TImageFontPtr font = GetImageFont();
    int32_t width = 0;
    for (const char ch : text) {
        if (const TImageGlyph* glyph = font->CharGlyph(static_cast<unsigned char>(ch)))
            width = static_cast<int32_t>(static_cast<float>(width) + glyph->_advance);
    }
    return width;
}

int32_t TextHeight(const std::string&) { return GetImageFont()->Height(); }

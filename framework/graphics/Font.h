// Image fonts: TrueType faces through FreeType, glyphs as images, the built-in 8 x 16 font, text.
#pragma once

#include "framework/graphics/Image.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr int32_t FONT_SMOOTH = 4;

// A glyph as a font source makes it.
class TGlyph {
public:
    virtual ~TGlyph() = default;
    // Coverage as a PIXFMT_A8 pixmap; null for a glyph without pixels (a space).
    virtual TPixmapPtr Pixels() = 0;
    // Pen advance in pixels.
    virtual float Advance() = 0;
    // The pixel box: offset from the pen (y down from the line's ascender) and size.
    virtual void GetRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) = 0;
};
using TGlyphPtr = std::shared_ptr<TGlyph>;

// A source of glyphs: a TrueType face at one pixel size.
class TFont {
public:
    virtual ~TFont() = default;
    virtual int32_t Style() = 0;
    virtual int32_t Height() = 0;
    virtual int32_t CountGlyphs() = 0;
    // Glyph index of a character code; -1 when the font lacks the character.
    virtual int32_t CharToGlyph(int32_t c) = 0;
    // Null for an index out of range.
    virtual TGlyphPtr LoadGlyph(int32_t index) = 0;
};

// A glyph turned into an image (none for a glyph without pixels).
struct TImageGlyph {
    TImagePtr _image;
    int32_t _index = -1;  // in its font; names its place in the font's atlas
    float _advance = 0.0f;
    int32_t _x = 0, _y = 0, _w = 0, _h = 0;
};

class TImageFont;
using TImageFontPtr = std::shared_ptr<TImageFont>;

// A font whose glyphs are images, made the first time each is needed.
class TImageFont {
public:
    // Null when no font loader can open url at that size.
    static TImageFontPtr Load(const TUrl& url, int32_t size, int32_t style);
    // The built-in 8 x 16 font for characters 32 to 127.
    static TImageFontPtr CreateDefault();
    // Glyph images are made with image_flags.
    TImageFont(std::shared_ptr<TFont> source, int32_t image_flags);

    int32_t Style() const;
    int32_t Height() const;
    int32_t CountGlyphs() const { return static_cast<int32_t>(_glyphs.size()); }
    int32_t CharToGlyph(int32_t c) const;
    // An empty glyph for an index out of range.
    const TImageGlyph& LoadGlyph(int32_t index);
    // The glyph of a Latin-1 character; null when the font lacks it.
    const TImageGlyph* CharGlyph(unsigned char c);
    // Draws text glyph by glyph with its pen at (x, y) through the matrix (ix, iy, jx, jy).
    void Draw(const std::string& text, float x, float y, float ix, float iy, float jx, float jy);

private:
    std::shared_ptr<TFont> _src_font;
    std::vector<std::unique_ptr<TImageGlyph>> _glyphs;
    // Each character's glyph, found once: the screens draw the same texts every frame, and
    // searching the face's character map each time cost more than recording the glyphs.
    std::array<const TImageGlyph*, 256> _charGlyphs{};
    std::array<bool, 256> _charLooked{};
    int32_t _imageFlags = 0;
    // Glyphs drawn texel for pixel come from here, made for the graphics of _atlasSeq.
    TImageAtlas* Atlas();
    std::shared_ptr<TImageAtlas> _atlas;
    int32_t _atlasSeq = 0;
};

// The built-in font, made once per process.
TImageFontPtr BuiltinImageFont();

// Null when the font cannot be opened or sized; an "incbin::" name that is not registered
// raises TStreamReadException.
TImageFontPtr LoadImageFont(const TUrl& url, int32_t size, int32_t style);
// Null selects the built-in font.
void SetImageFont(const TImageFontPtr& font);
TImageFontPtr GetImageFont();

// Strings are Latin-1: one byte per character code.
void DrawText(const std::string& text, float x, float y);
int32_t TextWidth(const std::string& text);
int32_t TextHeight(const std::string& text);

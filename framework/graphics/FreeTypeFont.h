// TrueType (and other FreeType) faces as font sources: sizing, glyph index, coverage pixmaps.
#pragma once

#include "framework/graphics/Font.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct FT_FaceRec_;
// The FreeType library instance, shared by every face.
struct TFreeTypeLibrary;

class TFreeTypeGlyph : public TGlyph {
public:
    TPixmapPtr Pixels() override { return _pixmap; }
    float Advance() override { return _advance; }
    void GetRect(int32_t& x, int32_t& y, int32_t& w, int32_t& h) override
    {
        x = _x;
        y = _y;
        w = _w;
        h = _h;
    }

    TPixmapPtr _pixmap;
    float _advance = 0.0f;
    int32_t _x = 0, _y = 0, _w = 0, _h = 0;
};

class TFreeTypeFont : public TFont {
public:
    // A path containing "::" after its first character is read whole through the stream layer
    // (an unknown resource raises TStreamReadException); others are opened as files. Null when
    // the face cannot be opened, the resource is empty, or no pixel size up to size is accepted.
    static std::shared_ptr<TFreeTypeFont> Load(const std::string& path, int32_t size, int32_t style);
    ~TFreeTypeFont() override;
    TFreeTypeFont(const TFreeTypeFont&) = delete;
    TFreeTypeFont& operator=(const TFreeTypeFont&) = delete;

    int32_t Style() override { return _style; }
    int32_t Height() override { return _height; }
    int32_t CountGlyphs() override { return static_cast<int32_t>(_glyphs.size()); }
    int32_t CharToGlyph(int32_t c) override;
    TGlyphPtr LoadGlyph(int32_t index) override;

    // The pixel size FreeType accepted.
    int32_t PixelSize() const { return _size; }
    int32_t Ascend() const { return _ascend; }
    int32_t Descend() const { return _descend; }

private:
    TFreeTypeFont() = default;

    std::shared_ptr<TFreeTypeLibrary> _library;
    FT_FaceRec_* _ft_face = nullptr;
    int32_t _style = 0;
    int32_t _size = 0;
    int32_t _height = 0, _ascend = 0, _descend = 0;
    std::vector<std::shared_ptr<TFreeTypeGlyph>> _glyphs;
    std::vector<uint8_t> _buf;  // the font file, when it was read into memory
};

// Text set in TrueType/OpenType faces through FreeType, as coverage masks ready for compositing.
#pragma once

#include "tools/assetgen/images/Canvas.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace art {

class FontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The font files the pictures are set in; the build passes the Debian paths.
struct FontFiles {
    std::string display;  // heavy display face for logos and capsule letters
    std::string text;     // sans serif for running text
    std::string textBold;
    std::string mono;  // bold monospaced face
};
const FontFiles& DefaultFonts();

// One face at one pixel size. Each instance owns its own FreeType library, so fonts may be used on
// several threads at once as long as each thread has its own instance.
class Font {
public:
    Font(const std::string& path, int pixelSize);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    int Ascender() const;
    int Descender() const;  // negative
    int LineHeight() const;
    // Advance width of a Latin-1 string, with kerning.
    int Measure(const std::string& text) const;
    // Coverage of the string with its pen starting at (x, baseline) in a field of the given size.
    void Render(const std::string& text, Field& into, int x, int baseline) const;
    // A field just large enough for the string plus `pad` pixels on every side; baseline at pad + Ascender.
    Field RenderTight(const std::string& text, int pad) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

enum class Align { Left, Centre, Right };

// Draws text in one colour onto the canvas with its baseline at y.
void DrawText(Canvas& canvas, const Font& font, const std::string& text, int x, int baseline, const Color& color,
              Align align = Align::Left);

}  // namespace art

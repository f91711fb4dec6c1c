// Image fonts: TrueType faces through FreeType, glyphs as images, the built-in 8 x 16 font, text.
#pragma once

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>
#include <string>

constexpr int32_t FONT_SMOOTH = 4;

class TImageFont;
using TImageFontPtr = std::shared_ptr<TImageFont>;

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

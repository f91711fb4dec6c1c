// Text and image helpers every screen draws with: shadowed text, shadowed images, rectangle overlap.
#pragma once

#include "framework/graphics/Image.h"

#include <cstdint>
#include <string>

class TFramework {
public:
    // 1 when the rectangles (top-left corner, width, height) overlap; touching edges count.
    static int32_t RectsOverlap(int32_t x0, int32_t y0, int32_t w0, int32_t h0, int32_t x1, int32_t y1, int32_t w1,
                                int32_t h1);
    // LargeFont text with its top-left corner at (x, y), grey grey, opacity alpha; shadow at alpha - 0.2.
    static int32_t DrawShadowText(const std::string& text, int32_t x, int32_t y, int32_t grey, float alpha);
    static int32_t DrawCentredTextSmall(const std::string& text, int32_t x, int32_t y, int32_t grey);
    static int32_t DrawCentredShadowTextSmall(const std::string& text, int32_t x, int32_t y, int32_t grey);
    static int32_t DrawCentredShadowTextHighLighted(const std::string& text, int32_t x, int32_t y, int32_t grey);
    // Pale gold LargeFont text centred on (x, y); grey caps each colour component.
    static int32_t DrawCentredShadowText(const std::string& text, int32_t x, int32_t y, int32_t grey);
    // The shadow frame 0 at (x + 12, y + 12), dark and translucent, then the image's frame at (x, y).
    static int32_t DrawShadowImage(const TImagePtr& image, const TImagePtr& shadow, int32_t x, int32_t y,
                                   int32_t frame);
};

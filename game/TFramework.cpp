// Text and image helpers every screen draws with: shadowed text, shadowed images, rectangle overlap.
#include "game/TFramework.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "game/GameCommon.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Draws text centred on (cx, cy) in the current font. A centre nearer the screen edge than half
// the text mirrors the position instead of going negative.
void DrawCentred(const std::string& text, int32_t cx, int32_t cy)
{
    const int32_t w = TextWidth(text);
    const int32_t h = TextHeight(text);
    DrawText(text, static_cast<float>(std::abs(cx - w / 2)), static_cast<float>(std::abs(cy - h / 2)));
}

struct TBaseColour {
    int32_t r, g, b;
};

// The shadowed centred helpers differ only in font, base colour and horizontal scale.
void DrawCentredShadowed(const std::string& text, int32_t x, int32_t y, int32_t grey, const TImageFontPtr& font,
                         TBaseColour base, bool highlighted)
{
    SetImageFont(font);
    SetColor(0, 0, 0);
    if (highlighted) SetScale(1.1f, 1.0f);
    SetAlpha(0.8f);
    SetBlend(BLEND_ALPHA);
    DrawCentred(text, x + 2, y + 2);
    SetAlpha(1.0f);
    SetColor(std::min(base.r, grey), std::min(base.g, grey), std::min(base.b, grey));
    DrawCentred(text, x, y);
    if (highlighted) SetScale(1.0f, 1.0f);
    SetColor(255, 255, 255);
}

}  // namespace

int32_t TFramework::RectsOverlap(int32_t x0, int32_t y0, int32_t w0, int32_t h0, int32_t x1, int32_t y1, int32_t w1,
                                 int32_t h1)
{
    if (x0 > x1 + w1 || x0 + w0 < x1 || y0 > y1 + h1 || y0 + h0 < y1) return 0;
    return 1;
}

int32_t TFramework::DrawShadowText(const std::string& text, int32_t x, int32_t y, int32_t grey, float alpha)
{
    SetImageFont(LargeFont);
    SetColor(0, 0, 0);
    SetAlpha(alpha - 0.2f);
    SetBlend(BLEND_ALPHA);
    DrawText(text, static_cast<float>(x + 2), static_cast<float>(y + 2));
    SetColor(grey, grey, grey);
    SetAlpha(alpha);
    DrawText(text, static_cast<float>(x), static_cast<float>(y));
    return 0;
}

int32_t TFramework::DrawCentredTextSmall(const std::string& text, int32_t x, int32_t y, int32_t)
{
    SetImageFont(SmallFont);
    SetAlpha(1.0f);
    SetColor(255, 255, 255);
    DrawCentred(text, x, y);
    SetColor(255, 255, 255);
    return 0;
}

int32_t TFramework::DrawCentredShadowTextSmall(const std::string& text, int32_t x, int32_t y, int32_t grey)
{
    DrawCentredShadowed(text, x, y, grey, SmallFont, {255, 255, 255}, false);
    return 0;
}

int32_t TFramework::DrawCentredShadowTextHighLighted(const std::string& text, int32_t x, int32_t y, int32_t grey)
{
    DrawCentredShadowed(text, x, y, grey, LargeFont, {255, 255, 255}, true);
    return 0;
}

int32_t TFramework::DrawCentredShadowText(const std::string& text, int32_t x, int32_t y, int32_t grey)
{
    DrawCentredShadowed(text, x, y, grey, LargeFont, {255, 233, 146}, false);
    return 0;
}

int32_t TFramework::DrawShadowImage(const TImagePtr& image, const TImagePtr& shadow, int32_t x, int32_t y,
                                    int32_t frame)
{
    SetBlend(BLEND_ALPHA);
    int32_t r = 0, g = 0, b = 0;
    GetColor(r, g, b);
    SetColor(10, 10, 10);
    SetAlpha(0.39f);
    DrawImage(shadow, static_cast<float>(x + 12), static_cast<float>(y + 12), 0);
    SetColor(r, g, b);
    SetAlpha(1.0f);
    DrawImage(image, static_cast<float>(x), static_cast<float>(y), frame);
    return 0;
}

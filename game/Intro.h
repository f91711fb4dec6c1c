// The intro between loading and the menu: five stages, the sine-wave logo and the starfield of titles.
#pragma once

#include "framework/graphics/Image.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// One flying title of the starfield.
class TStar {
public:
    int32_t positionX = 0;
    int32_t positionY = 0;
    // Distance from the viewer; 1 less each frame.
    int32_t positionZ = 0;
    int32_t starSpeed = 0;
    std::string text;
    // Drawing scale of the last frame: 100 / depth.
    float scaler = 0.0f;

    static constexpr int32_t TitleCount = 38;
    // The makers' earlier productions, nearest first.
    static const std::array<const char*, TitleCount> Titles;

    // Fills StarList with one star per title, the farthest first; the same field in every run.
    static void Create();
    static void MoveStars();
    // Brings the star one step nearer and draws it; it leaves StarList at the screen edge or at depth 0.
    void moveStar();
};
using TStarPtr = std::shared_ptr<TStar>;

class Intro {
public:
    // The stage being shown, 1 to 5; 0 outside the intro.
    static int32_t Stage;

    // Draws the image through a partWidth x partHeight clipping rectangle around (x, y), the image
    // point (partX, partY) away from its handle landing on (x, y). The caller restores the viewport.
    static void DrawImagePart(const TImagePtr& image, float x, float y, float partX, float partY, float partWidth,
                              float partHeight, float frame);
    // The hint in the bottom-right corner, on every intro frame.
    static void DrawInstructions();
    // The makers' logo centred on y, each one-pixel column shifted by a travelling sine wave.
    static void SinusLogo(int32_t y);

    // The stages in their order; each ends early while Space or Return is down.
    static void ShowStartText();
    static void ShowZoomTexts();
    static void ShowQuillonLogo();
    static void ShowPresents();
    static void ShowKrellixLogo();
};

// Perspective factor of the starfield.
constexpr int32_t StarProjection = 512;
// Phase of the logo's sine wave in degrees; it moves 2 degrees per frame.
extern int32_t SinusPhase;

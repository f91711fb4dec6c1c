// Synthetic images for the game's tests: opaque white rectangles, strips of frames, and masks
// whose opaque pixels a test chooses, each with its handle at its centre as the game's are.
#pragma once

#include "framework/graphics/Image.h"
#include "framework/graphics/Pixmap.h"

#include <cstdint>
#include <functional>

// An opaque white image of w x h (frames cells side by side), handle at its centre.
inline TImagePtr MakeImage(int32_t w, int32_t h, int32_t frames = 1)
{
    TImagePtr image = CreateImage(w, h, frames, 0);
    for (int32_t f = 0; f < frames; ++f) image->Lock(f, true, true)->ClearPixels(0xFFFFFFFFu);
    MidHandleImage(image);
    return image;
}

// An image of w x h whose pixel (x, y) is opaque white where opaque(x, y) says so and clear
// elsewhere, handle at its centre.
inline TImagePtr MakeImage(int32_t w, int32_t h, const std::function<bool(int32_t, int32_t)>& opaque)
{
    TImagePtr image = MakeImage(w, h);
    const TPixmapPtr pixels = image->Lock(0, true, true);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (!opaque(x, y)) pixels->WritePixel(x, y, 0x00000000u);
    return image;
}

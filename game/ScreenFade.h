// The front end's fades and holds: frame after frame, each cleared, drawn and shown.
#pragma once

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Graphics.h"
#include "framework/system/Input.h"

#include <cstdint>

// One frame at each brightness from first to last in steps of four (64 frames for the fades below).
template <typename TDraw>
void FadeFrames(int32_t first, int32_t last, TDraw draw)
{
    const int32_t step = first <= last ? 4 : -4;
    for (int32_t c = first; step > 0 ? c <= last : c >= last; c += step) {
        Cls();
        draw(c);
        Flip(-1);
    }
}

// A screen coming up from black: brightness 2, 6, ... 254.
template <typename TDraw>
void FadeIn(TDraw draw)
{
    FadeFrames(2, 254, draw);
}

// The menu's own fade in: brightness 0, 4, ... 252.
template <typename TDraw>
void FadeInFromZero(TDraw draw)
{
    FadeFrames(0, 252, draw);
}

// Down to black: brightness 255, 251, ... 3.
template <typename TDraw>
void FadeOut(TDraw draw)
{
    FadeFrames(255, 3, draw);
}

// Frames until done is true, tested before each frame: a key already down ends it at once.
template <typename TDone, typename TDraw>
void HoldUntil(TDone done, TDraw draw)
{
    while (!done()) {
        Cls();
        draw();
        Flip(-1);
    }
}

// Space or Return, the keys that leave a screen.
inline bool SelectKeyDown() { return KeyIsDown(KEY_SPACE) || KeyIsDown(KEY_ENTER); }

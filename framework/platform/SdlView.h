// The window the SDL event source talks to, shared by the context provider that opens it.
#pragma once

#include "framework/platform/Platform.h"

#include <SDL.h>

// What the events need to know about the open window: the SDL window and, when the picture is
// scaled into a larger screen, how window points map to the game's coordinates.
struct TSdlView {
    SDL_Window* window = nullptr;
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    bool scaled = false;
};

// The one view of the process (one window at a time); empty while no window is open.
TSdlView& CurrentSdlView();

// Window point to game point and back, through the letterbox when the picture is scaled.
void WindowToPicture(const TSdlView& view, int32_t wx, int32_t wy, int32_t& px, int32_t& py);
void PictureToWindow(const TSdlView& view, int32_t px, int32_t py, int32_t& wx, int32_t& wy);

// SDL's video subsystem for as long as the object lives (SDL counts nested initialisations).
class TSdlVideoSubsystem {
  public:
    // Throws std::runtime_error with SDL's reason when video cannot start.
    TSdlVideoSubsystem();
    ~TSdlVideoSubsystem();
    TSdlVideoSubsystem(const TSdlVideoSubsystem&) = delete;
    TSdlVideoSubsystem& operator=(const TSdlVideoSubsystem&) = delete;
};

// Where the front end puts its pieces: the centre line of every screen, the backdrop pages and
// the logo, which the intro leaves where the menu draws it.
#pragma once

#include "game/PlayField.h"

#include <cstdint>

// Every front-end screen is centred on the play field.
constexpr int32_t MenuCentreX = FieldCentreX;
// The logo's centre height on the menu.
constexpr int32_t MenuLogoY = 154;
// The centre height of the backdrop pages, and of the pane laid over them.
constexpr int32_t MenuPageY = 400;
constexpr int32_t MenuPaneY = 392;

// The game's program entry: start-up, the front end or a game, and shut-down.
#pragma once

#include <cstdint>
#include <string>

// Runs the game on graphics and audio the caller has set up. startLevel 0 is the designed
// start (intro, menu); 1 to 33 plays one game from that level and then saves and ends.
int KrellixMain(int32_t startLevel);

// The intro, once between loading and the menu: the starfield is filled, then the five stages run.
void ShowIntro();

// The game state of the current frame as JSON members ("\"level\":3,...") for the trace: on
// intro frames the screen and the stage; empty when neither the intro nor a level runs.
std::string GameTraceFields();

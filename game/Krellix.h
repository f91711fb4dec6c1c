// The game's program entry: start-up, the front end or a game, and shut-down.
#pragma once

#include <cstdint>
#include <string>

// Runs the game on graphics and audio the caller has set up. startLevel 0 is the designed
// start (intro, menu); 1 to 33 plays one game from that level and then saves and ends.
// Returns the exit status: 1 when a table could not be saved, else 0.
int KrellixMain(int32_t startLevel);

// Writes "users.dat" and "highscore.dat" (each problem reported on stderr). False when either
// could not be saved; the program then ends with status 1.
bool SaveTables();

// The game state of the current frame as JSON members ("\"level\":3,...") for the trace; empty
// when no level exists.
std::string GameTraceFields();

// The game's program entry: start-up, the front end or a game, and shut-down.
#pragma once

#include <cstdint>
#include <string>

// Runs the game on graphics and audio the caller has set up. startLevel 0 is the designed
// start (intro, menu); 1 to 33 plays one game from that level and then saves and ends.
// Returns the exit status: 1 when a table could not be saved, else 0.
int KrellixMain(int32_t startLevel);

// Puts every program-wide variable of the game back to the value it has when the program starts:
// the shared game state, each class's own (the alien and boss-shot timers, the end text's
// position, the tables and their cursors, the menu, the intro), and every asset (null). For a
// host that runs the game more than once in one process.
void RestoreInitialState();

// The intro sequence, run once between loading and the menu.
void ShowIntro();

// The tables' file names, in the folder chosen for the tables.
inline constexpr const char* UserFile = "users.dat";
inline constexpr const char* HighScoreFile = "highscore.dat";

// Writes "users.dat" and "highscore.dat" (each problem reported on stderr). False when either
// could not be saved; the program then ends with status 1.
bool SaveTables();

// The state of the current frame as JSON members for the trace: the screen, the menu's state once
// the menu exists, and the level's state while a game runs.
std::string GameTraceFields();

// The folder the game's tables are read from and saved to, chosen once at start-up.
#pragma once

#include <string>

// dir empty: the working directory. createOnSave: the folder is the player's own, made on the
// first save with its missing parents, readable by the player alone.
void SetTableFolder(const std::string& dir, bool createOnSave);
// The path of the table file name in that folder.
std::string TablePath(const std::string& name);
// Makes the folder when it is missing and meant to be made. False, after one line on stderr,
// when it cannot be made; the saves that follow then report their own failure.
bool PrepareTableFolder();

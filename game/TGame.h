// One game from its start level to its end: score and lives, one level after another, and the
// result in the high-score table and the player's progress.
#pragma once

#include "game/GameCommon.h"
#include "game/TLevel.h"

#include <cstdint>
#include <memory>

class TGame;
using TGamePtr = std::shared_ptr<TGame>;

class TGame : public GameCommon {
public:
    TLevelPtr Level;
    // Number of the next level to build.
    int32_t startLevel = 0;

    static TGamePtr Create(int32_t startLevel);
    // GameStarte_NewHighScore when the finished game entered the high-score table, else 0
    // (also when the player left with Escape).
    int32_t NewGame();

private:
    // Enters the finished game's score and level; GameStarte_NewHighScore when the score made
    // the table, else 0.
    int32_t EnterResult();
};

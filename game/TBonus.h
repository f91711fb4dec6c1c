// Falling capsules: the chance and kind of a new one, the fall, the catch test and the effects.
#pragma once

#include "game/GameCommon.h"

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

class TPaddle;
class TBonus;
using TBonusPtr = std::shared_ptr<TBonus>;

class TBonus : public GameCommon {
public:
    static constexpr int32_t noBonus = 0;
    static constexpr int32_t multiBall = 1;
    static constexpr int32_t freeze = 2;
    static constexpr int32_t escapeOpen = 3;
    static constexpr int32_t lazer = 4;
    static constexpr int32_t increasedLenght = 5;
    static constexpr int32_t slower = 6;
    static constexpr int32_t extraLife = 7;

    int32_t speedY = 0;
    int32_t positionX = 0, positionY = 0;
    TImagePtr bonusImage;
    TImagePtr shadowImage;
    int32_t bonusType = 0;

    // A capsule at (x, y) with a 12 % chance; null when none appears.
    static TBonusPtr Create(int32_t x, int32_t y);
    static void UpdateBonuses();
    static void CheckPaddleCollisions(const TPaddle& paddle);
    static void DrawBonuses();

    TImagePtr SetBonusImage(int32_t kind);
    void UpdateBonus();
    void DrawBonus();
    void CheckCollision(const TPaddle& paddle);
};

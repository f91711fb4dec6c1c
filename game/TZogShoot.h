// The boss's shots: salvos of five, their fall, the paddle hit and drawing.
#pragma once

#include "game/GameCommon.h"

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

class TZogShoot;
using TZogShootPtr = std::shared_ptr<TZogShoot>;

// The level second from which the next shot may be fired, and the shots of the current salvo.
extern int32_t NextZogShotSecond;
extern int32_t ZogSalvoCount;

class TZogShoot : public GameCommon {
public:
    TImagePtr ZogShootImage;
    TImagePtr ZogShootShadow;
    int32_t positionX = 0, positionY = 0;
    int32_t speedX = 0, speedY = 0;
    int32_t rotation = 0;

    static void UpdateZogShoots(int32_t seconds, int32_t isZog);
    // NextZogShotSecond back to 0. As designed: ZogSalvoCount is not reset, so a salvo cut short
    // by a lost life or a new level goes on counting.
    static void ResetPause();
    static void DrawShoots();
    // Null when the boss is gone.
    static TZogShootPtr Create();
    static void CheckPaddleCollisions(int32_t paddleX, int32_t paddleY, int32_t paddleWidth, int32_t paddleHeight);

    void CheckPaddleCollision(int32_t paddleX, int32_t paddleY, int32_t paddleWidth, int32_t paddleHeight);
    void Move();
    void DrawShoot();
};

// The paddle: steering by mouse and keys in both move modes, the field limits and the exit,
// the size animation, and drawing of the paddle, its laser cannons and the spare lives.
#pragma once

#include "game/GameCommon.h"

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

class TPaddle;
using TPaddlePtr = std::shared_ptr<TPaddle>;

class TPaddle : public GameCommon {
public:
    static constexpr int32_t normal = 0;
    static constexpr int32_t lazer = 1;
    static constexpr int32_t freeze = 2;
    static constexpr int32_t extended = 3;
    // As designed: no capsule sets it; it shrinks the paddle back as normal does.
    static constexpr int32_t decreased = 4;
    static constexpr int32_t levelStart = 5;

    int32_t speedX = 0;
    int32_t teleportCounter = 0;
    int32_t positionX = 0, positionY = 0;
    int32_t mouseDelta = 0;
    // As designed: never read.
    int32_t positionXLeftWhenEcapeOpen = 0;
    TImagePtr PaddleGfx, PaddleShadowGfx;
    TImagePtr PaddleLazerAnim;

    static TPaddlePtr Create(int32_t moveMode);

    void TogglePaddleMovement();
    void setPositionWhenEscapeOpens();
    void UpdatePaddle();
    void DrawPaddle();
    void DrawLives();
    void MovePaddle(int32_t ballX, int32_t ballSpeedX, int32_t ballSpeedY, int32_t ballCount);
    void MouseMove();
    void CheckEdges(int32_t newX);
    void SyncronizeMouse();
    void PaddleLeft(int32_t ballX, int32_t ballSpeedX, int32_t ballSpeedY, int32_t ballCount);
    void PaddleRight(int32_t ballX, int32_t ballSpeedX, int32_t ballSpeedY, int32_t ballCount);
};

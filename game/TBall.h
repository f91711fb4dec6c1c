// Balls: creation, the per-frame move with wall bounces, the timed speed-up, the paddle bounce
// and catch, launching and multiball.
#pragma once

#include "game/GameCommon.h"

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

class TPaddle;
class TBall;
using TBallPtr = std::shared_ptr<TBall>;

class TBall : public GameCommon {
public:
    // Vertical pixels per frame of every ball before SpeedFactor.
    static constexpr int32_t ballSpeed = 3;

    int32_t positionX = 0, positionY = 0;
    int32_t speedX = 0, speedY = 0;  // speedY 0: resting on the paddle
    int32_t storedSpeedx = 0, storedSpeedy = 0;
    int32_t deltaXPaddleBall = 0;
    int32_t PauseBeforeMove = 0;
    TImagePtr BallGfx, BallShadowGfx;

    // A resting ball at (x, y), appended to BallList.
    static TBallPtr Create(const TImagePtr& image, const TImagePtr& shadow, int32_t x, int32_t y);
    // Adds balls until three are in play.
    static void CreateMultiball();
    static void DrawBalls();
    static void updateBalls(int32_t paddleX, int32_t seconds);
    static void SetSpeedFactor(int32_t seconds);
    static void CheckPaddleCollision(const TPaddle& paddle, int32_t seconds);
    static void StartMoves();

    void DrawBall();
    void UpdateBall(int32_t paddleX, int32_t seconds);
    void PlayWallHit();
    void StartMove();
    void CheckCollision(const TPaddle& paddle, int32_t seconds);
    int32_t GetBallSpeedX(int32_t segment) const;
};

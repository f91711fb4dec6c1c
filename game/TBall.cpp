// Balls: creation, the per-frame move with wall bounces, the timed speed-up, the paddle bounce
// and catch, launching and multiball.
#include "game/TBall.h"

#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/PlayField.h"
#include "game/TFramework.h"
#include "game/TPaddle.h"

#include "framework/system/Random.h"

#include <cstdlib>

TBallPtr TBall::Create(const TImagePtr& image, const TImagePtr& shadow, int32_t x, int32_t y)
{
    auto ball = std::make_shared<TBall>();
    ball->BallGfx = image;
    ball->BallShadowGfx = shadow;
    ball->speedX = 0;
    ball->speedY = 0;
    // The first launch drops the ball onto the paddle, which then chooses its direction.
    ball->storedSpeedx = 1;
    ball->storedSpeedy = ballSpeed;
    ball->positionX = x;
    ball->positionY = y;
    SpeedFactor = 1;
    NextSpeedUpSecond = 0;
    BallList->AddLast(ball);
    return ball;
}

void TBall::CreateMultiball()
{
    TBallPtr first = BallList->First();
    if (!first) return;
    while (BallList->Count() < 3) {
        auto ball = std::make_shared<TBall>();
        ball->BallGfx = BallImage;
        ball->BallShadowGfx = BallShadowImage;
        ball->positionX = first->positionX;
        ball->positionY = first->positionY;
        // The second ball mirrors the first vertically; the third goes the other way across.
        if (BallList->Count() == 2) {
            ball->speedX = first->speedX > 0 ? RandomInt(-3, -1) : RandomInt(1, 3);
            ball->speedY = first->speedY != 0 ? first->speedY : first->storedSpeedy;
        } else {
            ball->speedX = first->speedX > 0 ? RandomInt(1, 3) : RandomInt(-3, -1);
            ball->speedY = first->speedY != 0 ? -first->speedY : first->storedSpeedy;
        }
        BallList->AddLast(ball);
    }
}

void TBall::DrawBalls()
{
    for (const auto& ball : *BallList) ball->DrawBall();
}

void TBall::updateBalls(int32_t paddleX, int32_t seconds)
{
    SetSpeedFactor(seconds);
    for (const auto& ball : *BallList) ball->UpdateBall(paddleX, seconds);
}

void TBall::SetSpeedFactor(int32_t seconds)
{
    if (TopWallHit == 1 && seconds % 41 == 40 && seconds >= NextSpeedUpSecond) {
        if (SpeedFactor < 2) SpeedFactor += 1;
        // Every frame of that second asks again; only the first counts.
        NextSpeedUpSecond = seconds + 5;
    }
}

void TBall::CheckPaddleCollision(const TPaddle& paddle, int32_t seconds)
{
    for (const auto& ball : *BallList) ball->CheckCollision(paddle, seconds);
}

void TBall::StartMoves()
{
    for (const auto& ball : *BallList) ball->StartMove();
}

void TBall::DrawBall() { TFramework::DrawShadowImage(BallGfx, BallShadowGfx, positionX, positionY, 0); }

void TBall::UpdateBall(int32_t paddleX, int32_t seconds)
{
    const int32_t w = ImageWidth(BallGfx), h = ImageHeight(BallGfx);
    if (speedY == 0) {
        if (PauseBeforeMove <= seconds && PaddleState == TPaddle::freeze) StartMoves();
        if (speedY == 0) {
            positionX = paddleX - deltaXPaddleBall;
            positionY = PaddleLineY - h;
            return;
        }
    }
    const int32_t nx = positionX + speedX * SpeedFactor;
    const int32_t ny = positionY + speedY * SpeedFactor;
    // As designed: reflections set the sign, so a ball still inside a border band bounces, and
    // sounds, again next frame.
    if (nx <= w / 2 + FieldLeft) {
        speedX = std::abs(speedX);
        PlayWallHit();
    }
    if (nx >= FieldRight - w / 2) {
        speedX = -std::abs(speedX);
        PlayWallHit();
    }
    // As designed: the top border's test uses the ball's width, not its height.
    if (ny <= w / 2 + FieldTop) {
        speedY = std::abs(speedY);
        TopWallHit = 1;
        PlayWallHit();
    }
    if (ny >= FieldBottom - h / 2) {
        BallList->Remove(this);
        if (BallList->IsEmpty()) GameMode = GameMode_LifeLost;
    }
    positionX = nx;
    positionY = ny;
}

void TBall::PlayWallHit()
{
    switch (RandomInt(1, 4)) {
    case 1:
        playFX(EdgeHitSound1);
        break;
    case 2:
        playFX(EdgeHitSound2);
        break;
    case 3:
        playFX(EdgeHitSound3);
        break;
    default:
        playFX(EdgeHitSound4);
        break;
    }
}

void TBall::StartMove()
{
    if (speedY != 0) return;
    speedX = storedSpeedx;
    speedY = storedSpeedy;
}

void TBall::CheckCollision(const TPaddle& paddle, int32_t seconds)
{
    const int32_t W = ImageWidth(paddle.PaddleGfx), H = ImageHeight(paddle.PaddleGfx);
    const int32_t px = paddle.positionX, py = paddle.positionY;
    const float s = PaddleScale;
    const int32_t seg = static_cast<int32_t>(static_cast<float>(W / 6) * s);
    int32_t x0 = static_cast<int32_t>(static_cast<float>(px) - static_cast<float>(W / 2) * s);
    const int32_t bx = positionX, by = positionY;

    // Only a falling ball within the paddle's upper half can bounce. As designed: the height is
    // not scaled, and the truncated segments leave a gap at an extended paddle's right end.
    if (speedY <= 0 || by < py - H / 2 || by >= py) return;
    for (int32_t segment = 0; segment < 6; ++segment, x0 += seg) {
        if (bx < x0 || bx >= x0 + seg) continue;
        if (PaddleState == TPaddle::freeze) {
            storedSpeedx = GetBallSpeedX(segment);
            storedSpeedy = -std::abs(speedY);
            deltaXPaddleBall = px - bx;
            speedX = 0;
            speedY = 0;
            PauseBeforeMove = seconds + 3;
        } else {
            speedY = -std::abs(speedY);
            speedX = GetBallSpeedX(segment);
        }
        SurvivedBrickHits = 0;
        playFX(PadHitSound);
        return;
    }
}

int32_t TBall::GetBallSpeedX(int32_t segment) const
{
    static constexpr int32_t speeds[6] = {-9, -3, -1, 1, 3, 9};
    return segment >= 0 && segment < 6 ? speeds[segment] : 0;
}

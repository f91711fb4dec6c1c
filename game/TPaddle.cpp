// The paddle: steering by mouse and keys in both move modes, the field limits and the exit,
// the size animation, and drawing of the paddle, its laser cannons and the spare lives.
#include "game/TPaddle.h"

#include "game/GameGraphics.h"
#include "game/PlayField.h"
#include "game/TFramework.h"

#include "framework/graphics/Draw2D.h"
#include "framework/system/Input.h"

#include <cstdlib>

TPaddlePtr TPaddle::Create(int32_t moveMode)
{
    auto paddle = std::make_shared<TPaddle>();
    paddle->PaddleGfx = PadImage;
    paddle->PaddleShadowGfx = PadShadowImage;
    paddle->PaddleLazerAnim = PadLazerAnimImage;
    PaddleLazerFrame = 0;
    paddle->speedX = 16;
    paddle->positionX = ImageWidth(PadImage) / 2 + 512;
    MoveMouse(paddle->positionX, 0);
    paddle->positionY = PaddleLineY;
    MoveMode = moveMode;
    PaddleState = levelStart;
    PaddleScale = 1.0f;
    return paddle;
}

void TPaddle::TogglePaddleMovement()
{
    MoveMode = MoveMode == MoveMode_Traditional ? MoveMode_Spectrum : MoveMode_Traditional;
}

// As designed: empty, though the level calls it every frame while the exit is open; it would only
// remember positionXLeftWhenEcapeOpen, which nothing reads.
void TPaddle::setPositionWhenEscapeOpens() {}

void TPaddle::UpdatePaddle()
{
    // Single-precision steps: growing takes 51 frames and ends near 1.51, shrinking ends at 1.0.
    if (PaddleState == extended) {
        if (PaddleScale < 1.5f) PaddleScale += 0.01f;
    } else if (PaddleState != levelStart) {
        if (PaddleScale > 1.0f) PaddleScale -= 0.01f;
    }
}

void TPaddle::DrawPaddle()
{
    SetScale(PaddleScale, 1.0f);
    TFramework::DrawShadowImage(PaddleGfx, PaddleShadowGfx, positionX, positionY, 0);
    SetScale(1.0f, 1.0f);
    if (PaddleState == lazer) {
        DrawImage(PaddleLazerAnim, static_cast<float>(positionX), static_cast<float>(positionY), PaddleLazerFrame);
        if (PaddleLazerFrame < 9) PaddleLazerFrame += 1;
    } else if (PaddleLazerFrame > 0) {
        DrawImage(PaddleLazerAnim, static_cast<float>(positionX), static_cast<float>(positionY), PaddleLazerFrame);
        PaddleLazerFrame -= 1;
    }
}

void TPaddle::DrawLives()
{
    SetScale(0.4f, 0.4f);
    for (int32_t i = 1; i <= Lives - 1; ++i) DrawImage(PaddleGfx, static_cast<float>(800 + 46 * (i - 1)), 666.0f, 0);
    SetScale(1.0f, 1.0f);
}

void TPaddle::MovePaddle(int32_t ballX, int32_t ballSpeedX, int32_t ballSpeedY, int32_t ballCount)
{
    if (GameMode == GameMode_Teleporting) {
        positionX += 1;
        teleportCounter += 1;
        if (static_cast<float>(teleportCounter) >= static_cast<float>(ImageWidth(PaddleGfx)) * PaddleScale + 8.0f)
            GameMode = GameMode_LevelCompleted;
        return;
    }
    MouseMove();
    if (KeyIsDown(KEY_LEFT)) PaddleLeft(ballX, ballSpeedX, ballSpeedY, ballCount);
    if (KeyIsDown(KEY_RIGHT)) PaddleRight(ballX, ballSpeedX, ballSpeedY, ballCount);
}

void TPaddle::MouseMove()
{
    mouseDelta = positionX - MousePosX();
    CheckEdges(positionX - mouseDelta);
    SyncronizeMouse();
}

void TPaddle::CheckEdges(int32_t newX)
{
    const float half = static_cast<float>(ImageWidth(PaddleGfx) / 2) * PaddleScale;
    const float x = static_cast<float>(newX);
    const float left = static_cast<float>(FieldLeft), right = static_cast<float>(FieldRight);
    if (x < left + half) {
        positionX = static_cast<int32_t>(left + half);
    } else if (x > right - half) {
        // Pushing against the right border with the exit open starts the way out.
        if (EscapeState == EscapeOpen_Open)
            GameMode = GameMode_Teleporting;
        else
            positionX = static_cast<int32_t>(right - half);
    } else {
        positionX = newX;
    }
}

// The hidden pointer sits on the paddle, so mouse movement is measured from there.
void TPaddle::SyncronizeMouse() { MoveMouse(positionX, positionY); }

// As designed: the same four arguments as PaddleRight, of which the left step needs two.
void TPaddle::PaddleLeft(int32_t ballX, int32_t /*ballSpeedX*/, int32_t /*ballSpeedY*/, int32_t ballCount)
{
    speedX = 3 * SpeedFactor;
    const int32_t limit = ballCount > 1 ? 0 : ballX;
    int32_t newX;
    if (MoveMode == MoveMode_Spectrum)
        newX = positionX > limit ? positionX - 4 * speedX : positionX - speedX;
    else
        newX = positionX - 4 * speedX;
    CheckEdges(newX);
    SyncronizeMouse();
}

void TPaddle::PaddleRight(int32_t ballX, int32_t ballSpeedX, int32_t ballSpeedY, int32_t ballCount)
{
    speedX = 3 * SpeedFactor;
    const int32_t limit = ballCount > 1 ? 900 : ballX;
    int32_t newX;
    if (MoveMode == MoveMode_Spectrum) {
        if (positionX < limit)
            newX = positionX + 4 * speedX;
        else if (positionX == limit)
            newX = (std::abs(ballSpeedX) >= std::abs(ballSpeedY) && ballSpeedX != 0) ? positionX + std::abs(ballSpeedX)
                                                                                     : positionX + speedX;
        else
            newX = positionX + speedX;
    } else {
        newX = positionX + 4 * speedX;
    }
    CheckEdges(newX);
    SyncronizeMouse();
}

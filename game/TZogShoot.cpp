// The boss's shots: salvos of five, their fall, the paddle hit and drawing.
#include "game/TZogShoot.h"

#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/PlayField.h"
#include "game/TFramework.h"

#include "framework/graphics/Draw2D.h"
#include "framework/system/Random.h"

int32_t NextZogShotSecond = 0;
int32_t ZogSalvoCount = 0;

void TZogShoot::UpdateZogShoots(int32_t seconds, int32_t isZog)
{
    if (isZog == 0) return;
    if (ZogShootList->Count() < 5 && NextZogShotSecond <= seconds) {
        Create();
        NextZogShotSecond = seconds + 1;
        ZogSalvoCount += 1;
        if (ZogSalvoCount == 5) {
            NextZogShotSecond += 3;
            ZogSalvoCount = 0;
        }
    }
    // As designed: while five shots are in flight the next one is pushed back ten more seconds
    // in every frame, a pause that is part of the boss fight.
    if (ZogShootList->Count() == 5) NextZogShotSecond += 10;
    for (const auto& shot : *ZogShootList) shot->Move();
}

void TZogShoot::ResetPause() { NextZogShotSecond = 0; }

void TZogShoot::DrawShoots()
{
    for (const auto& shot : *ZogShootList) shot->DrawShoot();
}

TZogShootPtr TZogShoot::Create()
{
    auto shot = std::make_shared<TZogShoot>();
    if (BrickList->IsEmpty()) return nullptr;
    // As designed: drawn and discarded; the shot starts unrotated, but the draw keeps the order of
    // the random numbers.
    RandomInt(1, 90);
    shot->ZogShootImage = RandomInt(0, 1) == 0 ? ZogLienBigImage : ZogLienSmallImage;
    shot->ZogShootShadow = AlienShadowImage;
    shot->positionX = FieldCentreX + RandomInt(-10, 10);
    shot->positionY = 368;
    shot->speedX = RandomInt(-2, 2);
    shot->speedY = 2;
    ZogShootList->AddLast(shot);
    playFX(AlienReleasePERSound);
    return shot;
}

void TZogShoot::CheckPaddleCollisions(int32_t paddleX, int32_t paddleY, int32_t paddleWidth, int32_t paddleHeight)
{
    for (const auto& shot : *ZogShootList) shot->CheckPaddleCollision(paddleX, paddleY, paddleWidth, paddleHeight);
}

void TZogShoot::CheckPaddleCollision(int32_t paddleX, int32_t paddleY, int32_t paddleWidth, int32_t paddleHeight)
{
    // As designed: only the upper-left quarter of the shot's picture hurts.
    const int32_t w = ImageWidth(ZogShootImage), h = ImageHeight(ZogShootImage);
    if (TFramework::RectsOverlap(positionX - w / 2, positionY - h / 2, w / 2, h / 2, paddleX - paddleWidth / 2,
                                 paddleY - paddleHeight / 2, paddleWidth, paddleHeight) != 1)
        return;
    ZogShootList->Remove(this);
    GameMode = GameMode_LifeLost;
}

void TZogShoot::Move()
{
    const int32_t w = ImageWidth(ZogShootImage), h = ImageHeight(ZogShootImage);
    const int32_t nx = positionX + speedX, ny = positionY + speedY;
    // As designed: the limits are the field's width and height taken as positions, not its borders.
    if (nx > FieldWidth + w || nx < -w || ny >= FieldHeight + h) ZogShootList->Remove(this);
    positionX = nx;
    positionY = ny;
}

void TZogShoot::DrawShoot()
{
    rotation += 1;
    SetRotation(static_cast<float>(rotation));
    TFramework::DrawShadowImage(ZogShootImage, ZogShootShadow, positionX, positionY, 0);
    SetRotation(0.0f);
}

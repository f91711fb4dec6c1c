// Aliens that drop in after second 45 and roam among the bricks, and the explosions they and
// the boss leave behind.
#include "game/TAlien.h"

#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/PlayField.h"
#include "game/TBall.h"
#include "game/TBrick.h"
#include "game/TBullet.h"
#include "game/TFramework.h"
#include "game/TPaddle.h"

#include "framework/graphics/Draw2D.h"
#include "framework/system/Random.h"

int32_t NextAlienSecond = 0;

namespace {
// Centre plus or minus half the image size, as a top-left corner and a size.
struct TCentredRect {
    int32_t x, y, w, h;
};
TCentredRect CentredRect(int32_t cx, int32_t cy, const TImagePtr& image)
{
    const int32_t hw = ImageWidth(image) / 2, hh = ImageHeight(image) / 2;
    return {cx - hw, cy - hh, 2 * hw, 2 * hh};
}
bool Overlap(const TCentredRect& a, const TCentredRect& b)
{
    return TFramework::RectsOverlap(a.x, a.y, a.w, a.h, b.x, b.y, b.w, b.h) == 1;
}
}  // namespace

void TAlien::CheckCollisions(const TListPtr<TBall>& balls, const TListPtr<TBullet>& bullets, const TPaddle& paddle)
{
    for (const auto& alien : *AlienList) {
        alien->CheckCollision(balls);
        alien->CheckBulletCollision(bullets);
        alien->CheckPadCollision(paddle);
    }
}

void TAlien::GlobalUpdateAlien(int32_t seconds, const TListPtr<TBrick>& bricks, const TImagePtr& alienImage,
                               int32_t /*isZog*/)
{
    if (seconds <= TimeAliensAppear) return;
    // At most three; a new one every 6 seconds while fewer, and never an empty field for long.
    if ((AlienList->Count() < 3 && NextAlienSecond <= seconds) || AlienList->IsEmpty()) {
        Create(alienImage, 0, 1);
        NextAlienSecond = seconds + 6;
        GameCommon::playFX(AlienReleaseSound);
    }
    for (const auto& alien : *AlienList) alien->UpdateAlien(bricks);
}

void TAlien::ResetPause() { NextAlienSecond = 0; }

void TAlien::DrawAliens()
{
    for (const auto& alien : *AlienList) alien->DrawAlien();
}

TAlienPtr TAlien::Create(const TImagePtr& image, int32_t speedX, int32_t speedY)
{
    auto alien = std::make_shared<TAlien>();
    alien->alienRotation = static_cast<float>(RandomInt(1, 40));
    alien->positionX = RandomInt(0, 1) == 0 ? 130 : 630;
    alien->positionY = 0;
    alien->speedX = speedX;
    alien->speedY = speedY;
    alien->AlienGfx = image;
    alien->AlienShadowGfx = AlienShadowImage;
    alien->changeMovement = 0;
    alien->launching = 1;
    AlienList->AddLast(alien);
    return alien;
}

void TAlien::DoRandomMove()
{
    if (RandomInt(1, 100) == 50) changeMovement = 1;
}

void TAlien::changeAlienMotion()
{
    do {
        speedX = RandomInt(-1, 1);
        speedY = RandomInt(-1, 1);
    } while (speedX == 0 && speedY == 0);
}

void TAlien::UpdateAlien(const TListPtr<TBrick>& bricks)
{
    const int32_t w = ImageWidth(AlienGfx), h = ImageHeight(AlienGfx);
    if (positionY > h / 2 + FieldTop) {
        DoRandomMove();
        launching = 0;
    }
    if (changeMovement == 1) {
        changeAlienMotion();
        changeMovement = 0;
    }
    const int32_t nx = positionX + speedX, ny = positionY + speedY;
    // As designed: the lower limit is the field's height taken as a y position, less half the
    // alien's width rather than its height.
    const bool outside =
        nx < w / 2 + FieldLeft || nx > FieldRight - w / 2 || ny < h / 2 + FieldTop || ny > FieldHeight - w / 2;
    if (outside && launching == 0) changeMovement = 1;
    const TCentredRect next = CentredRect(nx, ny, AlienGfx);
    for (const auto& brick : *bricks)
        if (Overlap(next, CentredRect(brick->positionX, brick->positionY, brick->BrickGFX))) changeMovement = 1;
    if (changeMovement == 0) {
        positionX = nx;
        positionY = ny;
    }
}

void TAlien::CheckPadCollision(const TPaddle& paddle)
{
    // As designed: the paddle's unscaled picture, whatever PaddleScale is.
    if (!Overlap(CentredRect(paddle.positionX, paddle.positionY, paddle.PaddleGfx),
                 CentredRect(positionX, positionY, AlienGfx)))
        return;
    TAlienExplosion::Create(positionX, positionY, 0);
    Score += 1000;
    AlienList->Remove(this);
}

void TAlien::CheckCollision(const TListPtr<TBall>& balls)
{
    const TCentredRect self = CentredRect(positionX, positionY, AlienGfx);
    for (const auto& ball : *balls) {
        if (!Overlap(CentredRect(ball->positionX, ball->positionY, ball->BallGfx), self)) continue;
        if (!ImagesCollide(ball->BallGfx, ball->positionX, ball->positionY, 0, AlienGfx, positionX, positionY, 0))
            continue;
        switch (RandomInt(0, 3)) {
        case 0:
            ball->speedX = -ball->speedX;
            break;
        case 1:
            ball->speedY = -ball->speedY;
            break;
        case 2:
            ball->speedX = -ball->speedX;
            ball->speedY = -ball->speedY;
            break;
        default:
            break;
        }
        TAlienExplosion::Create(positionX, positionY, 0);
        Score += 200;
        AlienList->Remove(this);
    }
}

void TAlien::CheckBulletCollision(const TListPtr<TBullet>& bullets)
{
    const TCentredRect self = CentredRect(positionX, positionY, AlienGfx);
    for (const auto& bullet : *bullets) {
        if (!Overlap(CentredRect(bullet->positionX, bullet->positionY, bullet->bulletImage), self)) continue;
        if (!ImagesCollide(bullet->bulletImage, bullet->positionX, bullet->positionY, 0, AlienGfx, positionX, positionY,
                           0))
            continue;
        // As designed: a bolt's kill scores nothing.
        TAlienExplosion::Create(positionX, positionY, 0);
        AlienList->Remove(this);
        bullets->Remove(bullet);
    }
}

void TAlien::DrawAlien()
{
    alienRotation += 1.0f;
    SetRotation(alienRotation);
    TFramework::DrawShadowImage(AlienGfx, AlienShadowGfx, positionX, positionY, 0);
    SetRotation(0.0f);
}

TAlienExplosionPtr TAlienExplosion::Create(int32_t x, int32_t y, int32_t isZog)
{
    auto explosion = std::make_shared<TAlienExplosion>();
    if (isZog != 0) {
        explosion->ExplosionGfx = ZogExplosionImage;
        explosion->numberOfFrames = 200;
        GameCommon::playFX(ZogExplodeSound);
    } else {
        explosion->ExplosionGfx = AlienExplosionImage;
        explosion->numberOfFrames = 64;
        GameCommon::playFX(ExplosionSound);
    }
    explosion->positionX = x;
    explosion->positionY = y;
    explosion->counter = 0;
    ExplosionList->AddLast(explosion);
    return explosion;
}

void TAlienExplosion::DrawExplosions()
{
    for (const auto& explosion : *ExplosionList) explosion->DrawAlienExplosion();
}

void TAlienExplosion::DrawAlienExplosion()
{
    DrawImage(ExplosionGfx, static_cast<float>(positionX), static_cast<float>(positionY), counter);
    counter += 1;
    if (counter == numberOfFrames) ExplosionList->Remove(this);
}

// Bricks and the boss: placement, the ball test and reflection, the reflection change after
// many surviving hits, removal with scoring, and drawing with the hit animation.
#include "game/TBrick.h"

#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/PlayField.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBonus.h"
#include "game/TFramework.h"

#include "framework/system/Random.h"

#include <cstdlib>

namespace {
bool Inside(int32_t x, int32_t y, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return x >= left && x <= right && y >= top && y <= bottom;
}
}  // namespace

TBrickPtr TBrick::Create(const TImagePtr& image, int32_t hitTimes, int32_t brickScore, int32_t column, int32_t row,
                         int32_t animationFrames, int32_t isZog, const TImagePtr& /*shadowImage*/)
{
    auto brick = std::make_shared<TBrick>();
    brick->BrickGFX = image;
    const int32_t w = ImageWidth(image), h = ImageHeight(image);
    if (isZog == 0) {
        brick->positionX = w / 2 + 36 + (w + 4) * column;
        brick->positionY = h / 2 + 36 + (h + 4) * row;
        brick->BrickShadowGFX = BlockShadowImage;
    } else {
        brick->positionX = FieldCentreX;
        brick->positionY = 432 - h / 2;
        brick->BrickShadowGFX = BigBossShadowImage;
    }
    brick->hitTimes = hitTimes;
    brick->brickScore = brickScore;
    brick->animationFrames = animationFrames;
    brick->AnimationFrame = 0;
    brick->BrickSolid = (hitTimes < 0 || hitTimes > 1) ? 1 : 0;
    BrickList->AddLast(brick);
    return brick;
}

void TBrick::CheckBallCollisions(const TListPtr<TBall>& balls, int32_t /*containsNonRemoveable*/, int32_t isZog)
{
    for (const auto& ball : *balls)
        for (const auto& brick : *BrickList) brick->CheckCollision(*ball, isZog);
}

void TBrick::DrawBricks()
{
    for (const auto& brick : *BrickList) brick->DrawBrick();
}

void TBrick::DrawBrick()
{
    if (AnimationFrame > 0) AnimationFrame -= 1;
    TFramework::DrawShadowImage(BrickGFX, BrickShadowGFX, positionX, positionY, AnimationFrame);
}

void TBrick::CheckCollision(TBall& ball, int32_t isZog)
{
    const int32_t W = ImageWidth(BrickGFX), H = ImageHeight(BrickGFX);
    const int32_t left = positionX - W / 2, right = positionX + W / 2;
    const int32_t top = positionY - H / 2, bottom = positionY + H / 2;
    const int32_t x = ball.positionX, y = ball.positionY;
    const int32_t w = ImageWidth(ball.BallGfx), h = ImageHeight(ball.BallGfx);
    // The probes are fixed before either axis reflects the ball.
    const int32_t topY = y - h / 2, bottomY = y + h / 2, leftX = x - w / 2, rightX = x + w / 2;

    const bool movingUp = ball.speedY < 0;
    const int32_t probeY = movingUp ? topY : bottomY;
    bool hit = Inside(x, probeY, left, top, right, bottom);
    // The boss is hit only where its picture is: a one-pixel probe tests the opaque pixels.
    if (hit && isZog != 0) hit = ImagesCollide(DotImage, x, probeY, 0, BrickGFX, positionX, positionY, 0);
    if (hit) {
        ball.speedY = movingUp ? std::abs(ball.speedY) : -std::abs(ball.speedY);
        if (RemoveBrick(NormalBlockSound, MultiHitBlockSound, isZog) == 0) ChangeReflection(ball);
    }

    const bool movingLeft = ball.speedX < 0;
    const int32_t probeX = movingLeft ? leftX : rightX;
    if (Inside(probeX, y, left, top, right, bottom)) {
        ball.speedX = movingLeft ? std::abs(ball.speedX) : -std::abs(ball.speedX);
        if (RemoveBrick(NormalBlockSound, MultiHitBlockSound, isZog) == 0) ChangeReflection(ball);
    }
}

void TBrick::ChangeReflection(TBall& ball)
{
    if (SurvivedBrickHits <= 16) return;
    // A ball caught bouncing between bricks that do not break gets a new angle.
    switch (ball.speedX) {
    case -9:
        ball.speedX = -3;
        break;
    case -3:
        ball.speedX = -1;
        break;
    case -1:
        ball.speedX = -3;
        break;
    case 1:
        ball.speedX = 3;
        break;
    case 3:
        ball.speedX = 1;
        break;
    case 9:
        ball.speedX = 3;
        break;
    default:
        break;
    }
    SurvivedBrickHits = 0;
}

int32_t TBrick::RemoveBrick(const TSoundPtr& destroyedSound, const TSoundPtr& hitSound, int32_t isZog)
{
    hitTimes -= 1;
    if (hitTimes == 0) {
        Score += brickScore;
        TBonus::Create(positionX, positionY);
        BricksLeft -= 1;
        SurvivedBrickHits = 0;
        GameCommon::playFX(destroyedSound);
        BrickList->Remove(this);
        if (isZog != 0) TAlienExplosion::Create(positionX, positionY, 1);
        return 1;
    }
    SurvivedBrickHits += 1;
    if (isZog != 0) {
        switch (RandomInt(1, 4)) {
        case 1:
            GameCommon::playFX(ZogHitSound1);
            break;
        case 2:
            GameCommon::playFX(ZogHitSound2);
            break;
        case 3:
            GameCommon::playFX(ZogHitSound3);
            break;
        default:
            GameCommon::playFX(ZogHitSound4);
            break;
        }
    } else {
        GameCommon::playFX(hitSound);
    }
    if (BrickSolid == 1) AnimationFrame = animationFrames - 1;
    return 0;
}

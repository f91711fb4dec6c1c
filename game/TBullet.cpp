// Laser bolts: firing (at most four in flight), flight, drawing and brick hits.
#include "game/TBullet.h"

#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/PlayField.h"
#include "game/TBrick.h"
#include "game/TFramework.h"

TBulletPtr TBullet::Create(int32_t x, int32_t y, int32_t /*seconds*/)
{
    if (BulletList->Count() >= 4) return nullptr;
    auto bullet = std::make_shared<TBullet>();
    bullet->positionX = x;
    bullet->positionY = y;
    bullet->speedY = 8;
    bullet->bulletImage = LazerImage;
    BulletList->AddLast(bullet);
    GameCommon::playFX(LazerSound);
    return bullet;
}

void TBullet::UpdateBullets()
{
    for (const auto& bullet : *BulletList) bullet->UpdateBullet();
}

void TBullet::DrawBullets()
{
    for (const auto& bullet : *BulletList) bullet->DrawBullet();
}

void TBullet::CheckBrickCollisions(const TListPtr<TBrick>& bricks)
{
    for (const auto& bullet : *BulletList) bullet->CheckBrickCollision(bricks);
}

void TBullet::UpdateBullet()
{
    const int32_t newY = positionY - speedY;
    if (newY <= ImageHeight(bulletImage) / 2 + FieldTop) BulletList->Remove(this);
    positionY = newY;
}

void TBullet::DrawBullet() { DrawImage(bulletImage, static_cast<float>(positionX), static_cast<float>(positionY), 0); }

void TBullet::CheckBrickCollision(const TListPtr<TBrick>& bricks)
{
    const int32_t w = ImageWidth(bulletImage), h = ImageHeight(bulletImage);
    for (const auto& brick : *bricks) {
        const int32_t bw = ImageWidth(brick->BrickGFX), bh = ImageHeight(brick->BrickGFX);
        // Both rectangles are centre plus or minus half the size.
        if (TFramework::RectsOverlap(positionX - w / 2, positionY - h / 2, 2 * (w / 2), 2 * (h / 2),
                                     brick->positionX - bw / 2, brick->positionY - bh / 2, 2 * (bw / 2),
                                     2 * (bh / 2)) != 1)
            continue;
        if (!ImagesCollide(bulletImage, positionX, positionY, 0, brick->BrickGFX, brick->positionX, brick->positionY,
                           0))
            continue;
        // The pass goes on: a bolt overlapping two bricks hits both.
        brick->RemoveBrick(LazerHitSound, LazerHitSound2, 0);
        BulletList->Remove(this);
    }
}

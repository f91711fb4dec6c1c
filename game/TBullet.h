// Laser bolts: firing (at most four in flight), flight, drawing and brick hits.
#pragma once

#include "game/GameCommon.h"

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

class TBullet;
using TBulletPtr = std::shared_ptr<TBullet>;

class TBullet {
public:
    TImagePtr bulletImage;
    int32_t speedY = 0;
    int32_t positionX = 0, positionY = 0;

    // Fires a bolt at (x, y) unless four are in flight. As designed: seconds is not used.
    static TBulletPtr Create(int32_t x, int32_t y, int32_t seconds);
    static void UpdateBullets();
    static void DrawBullets();
    static void CheckBrickCollisions(const TListPtr<TBrick>& bricks);

    void UpdateBullet();
    void DrawBullet();
    void CheckBrickCollision(const TListPtr<TBrick>& bricks);
};

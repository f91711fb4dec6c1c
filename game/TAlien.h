// Aliens that drop in after second 45 and roam among the bricks, and the explosions they and
// the boss leave behind.
#pragma once

#include "game/GameCommon.h"

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

class TPaddle;
class TAlien;
class TAlienExplosion;
using TAlienPtr = std::shared_ptr<TAlien>;
using TAlienExplosionPtr = std::shared_ptr<TAlienExplosion>;

// The level second from which another alien may come while fewer than three are in play.
extern int32_t NextAlienSecond;

class TAlien {
public:
    static constexpr int32_t TimeAliensAppear = 45;

    int32_t positionX = 0, positionY = 0;
    int32_t speedX = 0, speedY = 0;
    TImagePtr AlienGfx;
    TImagePtr AlienShadowGfx;
    float alienRotation = 0.0f;
    int32_t changeMovement = 0;
    int32_t launching = 0;

    static void CheckCollisions(const TListPtr<TBall>& balls, const TListPtr<TBullet>& bullets, const TPaddle& paddle);
    // Releases and moves the aliens once the level is older than TimeAliensAppear. As designed:
    // isZog is not used, so aliens come in the boss level too.
    static void GlobalUpdateAlien(int32_t seconds, const TListPtr<TBrick>& bricks, const TImagePtr& alienImage,
                                  int32_t isZog);
    static void ResetPause();
    static void DrawAliens();
    static TAlienPtr Create(const TImagePtr& image, int32_t speedX, int32_t speedY);

    void DoRandomMove();
    void changeAlienMotion();
    void UpdateAlien(const TListPtr<TBrick>& bricks);
    void CheckPadCollision(const TPaddle& paddle);
    void CheckCollision(const TListPtr<TBall>& balls);
    void CheckBulletCollision(const TListPtr<TBullet>& bullets);
    void DrawAlien();
};

class TAlienExplosion {
public:
    int32_t counter = 0;
    int32_t numberOfFrames = 0;
    int32_t positionX = 0, positionY = 0;
    TImagePtr ExplosionGfx;

    static TAlienExplosionPtr Create(int32_t x, int32_t y, int32_t isZog);
    static void DrawExplosions();

    void DrawAlienExplosion();
};

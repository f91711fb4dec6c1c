// Bricks and the boss: placement, the ball test and reflection, the reflection change after
// many surviving hits, removal with scoring, and drawing with the hit animation.
#pragma once

#include "game/GameCommon.h"

#include "framework/graphics/Image.h"

#include <cstdint>
#include <memory>

class TBall;
class TBrick;
using TBrickPtr = std::shared_ptr<TBrick>;

class TBrick {
public:
    TImagePtr BrickGFX;
    TImagePtr BrickShadowGFX;
    int32_t AnimationFrame = 0;
    int32_t BrickSolid = 0;
    int32_t positionX = 0, positionY = 0;
    int32_t hitTimes = 0;  // negative: indestructible
    int32_t animationFrames = 0;
    int32_t brickScore = 0;

    // Places the brick on the grid (the boss at its fixed spot) and appends it to BrickList.
    // As designed: shadowImage is not used; the shadow follows isZog.
    static TBrickPtr Create(const TImagePtr& image, int32_t hitTimes, int32_t brickScore, int32_t column, int32_t row,
                            int32_t animationFrames, int32_t isZog, const TImagePtr& shadowImage);
    static void CheckBallCollisions(const TListPtr<TBall>& balls, int32_t containsNonRemoveable, int32_t isZog);
    static void DrawBricks();

    void DrawBrick();
    void CheckCollision(TBall& ball, int32_t isZog);
    void ChangeReflection(TBall& ball);
    // One hit; 1 when the brick was destroyed.
    int32_t RemoveBrick(const TSoundPtr& destroyedSound, const TSoundPtr& hitSound, int32_t isZog);
};

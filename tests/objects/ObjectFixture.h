// Shared set-up for the play-object tests: fresh lists, fresh state and images of known sizes.
#pragma once

#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBonus.h"
#include "game/TBrick.h"
#include "game/TBullet.h"
#include "game/TPaddle.h"
#include "game/TZogShoot.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Recording.h"
#include "framework/graphics/Pixmap.h"
#include "framework/system/Input.h"
#include "framework/system/Random.h"

#include <gtest/gtest.h>

#include <functional>

// An image of w x h whose pixel (x, y) is opaque where opaque(x, y) says so, handle at its centre.
inline TImagePtr MakeImage(int32_t w, int32_t h, const std::function<bool(int32_t, int32_t)>& opaque = nullptr)
{
    TPixmapPtr pixmap = TPixmap::Create(w, h, PIXFMT_RGBA8888);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            pixmap->WritePixel(x, y, (!opaque || opaque(x, y)) ? 0xFFFFFFFFu : 0x00000000u);
    TImagePtr image = TImage::Load(pixmap, 0, 0, 0, 0);
    MidHandleImage(image);
    return image;
}

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorder = std::make_shared<TRecordingDriver>();
        graphics = OpenRecordingGraphics(1024, 768, recorder);
        BallList = std::make_shared<TList<TBall>>();
        BrickList = std::make_shared<TList<TBrick>>();
        BonusList = std::make_shared<TList<TBonus>>();
        BulletList = std::make_shared<TList<TBullet>>();
        AlienList = std::make_shared<TList<TAlien>>();
        ExplosionList = std::make_shared<TList<TAlienExplosion>>();
        ZogShootList = std::make_shared<TList<TZogShoot>>();
        Score = 0;
        Lives = 5;
        BricksLeft = 0;
        GameMode = GameCommon::GameMode_GamePlaying;
        EscapeState = GameCommon::EscapeOpen_Closed;
        MoveMode = GameCommon::MoveMode_Traditional;
        TopWallHit = 0;
        SpeedFactor = 1;
        NextSpeedUpSecond = 0;
        PaddleState = TPaddle::normal;
        PaddleScale = 1.0f;
        PaddleLazerFrame = 0;
        SurvivedBrickHits = 0;
        NextAlienSecond = 0;
        NextZogShotSecond = 0;
        ZogSalvoCount = 0;
        SeedRandom(4660);
        ClearKeyboard();

        BallImage = MakeImage(16, 16);
        BallShadowImage = MakeImage(16, 16);
        PadImage = MakeImage(96, 24);
        PadShadowImage = MakeImage(96, 24);
        PadLazerAnimImage = MakeImage(96, 32);
        BlockWhiteImage = MakeImage(60, 25);
        BlockShadowImage = MakeImage(60, 25);
        BigBossShadowImage = MakeImage(184, 368);
        DotImage = MakeImage(1, 1);
        LazerImage = MakeImage(6, 20);
        AlienShadowImage = MakeImage(40, 40);
        ZogLienBigImage = MakeImage(32, 32);
        ZogLienSmallImage = MakeImage(24, 24);
        for (TImagePtr* capsule :
             {&BonusDImage, &BonusCImage, &BonusXImage, &BonusLImage, &BonusEImage, &BonusSImage, &BonusPImage})
            *capsule = MakeImage(40, 20);
        BonusShadowImage = MakeImage(40, 20);
    }

    std::shared_ptr<TRecordingDriver> recorder;
    TGraphicsPtr graphics;

    // A paddle at (x, 704) with the 96 x 24 test image, in the normal state.
    TPaddlePtr MakePaddle(int32_t x)
    {
        TPaddlePtr paddle = TPaddle::Create(MoveMode);
        PaddleState = TPaddle::normal;
        paddle->positionX = x;
        return paddle;
    }

    TBallPtr MakeMovingBall(int32_t x, int32_t y, int32_t speedX, int32_t speedY)
    {
        TBallPtr ball = TBall::Create(BallImage, BallShadowImage, x, y);
        ball->speedX = speedX;
        ball->speedY = speedY;
        return ball;
    }
};

// Shared set-up for the play-object tests: fresh lists, fresh state and images of known sizes.
#pragma once

#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/Krellix.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBonus.h"
#include "game/TBrick.h"
#include "game/TBullet.h"
#include "game/TLevel.h"
#include "game/TPaddle.h"
#include "game/TZogShoot.h"

#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Recording.h"
#include "framework/system/Input.h"
#include "framework/system/Random.h"
#include "tests/support/GameImages.h"

#include <gtest/gtest.h>

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        recorder = std::make_shared<TRecordingDriver>();
        graphics = OpenRecordingGraphics(1024, 768, recorder);
        ResetWorld();
    }

    // The state of a level in play, for a test and for each case of a table: every program-wide
    // variable as at program start, a new level's empty lists, and images of known sizes.
    void ResetWorld()
    {
        RestoreInitialState();
        TLevel::ResetPlayObjects(false);
        // A game under way, with the ball in play. Its ball's creation sets SpeedFactor to 1 and
        // its paddle's PaddleScale to 1.0; the cases that make only one of them, or neither,
        // still play at that speed and with that paddle size.
        Lives = 5;
        GameMode = GameCommon::GameMode_GamePlaying;
        SpeedFactor = 1;
        PaddleScale = 1.0f;
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

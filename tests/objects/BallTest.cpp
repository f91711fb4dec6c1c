// Ball behaviour: paddle segments and catch, wall bounces, loss at the bottom, speed-up, multiball.
#include "ObjectFixture.h"

namespace {

class BallTest : public ObjectTest {};

TEST_F(BallTest, PaddleSegmentsDecideTheBounce)
{
    struct Case {
        int32_t ballX;
        bool bounces;
        int32_t speedX;
    };
    // Paddle 96 wide at x 400: six 16-pixel segments from 352 up to (not including) 448.
    const Case cases[] = {{400, true, 1},  {352, true, -9}, {367, true, -9}, {368, true, -3},
                          {384, true, -1}, {399, true, -1}, {416, true, 3},  {432, true, 9},
                          {447, true, 9},  {448, false, 0}, {351, false, 0}};
    for (const Case& c : cases) {
        ResetWorld();
        TPaddlePtr paddle = MakePaddle(400);
        TBallPtr ball = MakeMovingBall(c.ballX, 700, 5, 3);
        SurvivedBrickHits = 7;
        TBall::CheckPaddleCollision(*paddle, 10);
        if (c.bounces) {
            EXPECT_EQ(ball->speedY, -3) << "ball at " << c.ballX;
            EXPECT_EQ(ball->speedX, c.speedX) << "ball at " << c.ballX;
            EXPECT_EQ(SurvivedBrickHits, 0);
        } else {
            EXPECT_EQ(ball->speedY, 3) << "ball at " << c.ballX;
            EXPECT_EQ(ball->speedX, 5) << "ball at " << c.ballX;
            EXPECT_EQ(SurvivedBrickHits, 7);
        }
    }
}

TEST_F(BallTest, OnlyAFallingBallInThePaddlesUpperHalfBounces)
{
    struct Case {
        int32_t y, speedY;
        bool bounces;
    };
    // Paddle centre y 704, height 24: the band is 692 <= y < 704.
    const Case cases[] = {{692, 3, true}, {703, 3, true}, {704, 3, false}, {691, 3, false}, {698, -3, false}};
    for (const Case& c : cases) {
        ResetWorld();
        TPaddlePtr paddle = MakePaddle(400);
        TBallPtr ball = MakeMovingBall(400, c.y, 1, c.speedY);
        TBall::CheckPaddleCollision(*paddle, 0);
        EXPECT_EQ(ball->speedY, c.bounces ? -3 : c.speedY) << "y " << c.y << " speedY " << c.speedY;
    }
}

TEST_F(BallTest, ExtendedPaddleLeavesAGapAtItsRightEnd)
{
    TPaddlePtr paddle = MakePaddle(400);
    PaddleState = TPaddle::extended;
    for (int i = 0; i < 60; ++i) paddle->UpdatePaddle();
    EXPECT_NEAR(PaddleScale, 1.51f, 0.001f);

    for (int32_t x : {471, 472}) {
        BallList = std::make_shared<TList<TBall>>();
        TBallPtr ball = MakeMovingBall(x, 700, 1, 3);
        TBall::CheckPaddleCollision(*paddle, 0);
        EXPECT_EQ(ball->speedY, 3) << "ball at " << x << " is over the drawn paddle but not bounced";
    }
    BallList = std::make_shared<TList<TBall>>();
    TBallPtr left = MakeMovingBall(327, 700, 1, 3);
    TBallPtr right = MakeMovingBall(470, 700, 1, 3);
    TBall::CheckPaddleCollision(*paddle, 0);
    EXPECT_EQ(left->speedX, -9);
    EXPECT_EQ(right->speedX, 9);
}

TEST_F(BallTest, CaughtBallFollowsThePaddleAndLeavesByItself)
{
    TPaddlePtr paddle = MakePaddle(400);
    PaddleState = TPaddle::freeze;
    TBallPtr ball = MakeMovingBall(420, 700, -3, 3);
    TBall::CheckPaddleCollision(*paddle, 7);
    EXPECT_EQ(ball->speedY, 0);
    EXPECT_EQ(ball->storedSpeedx, 3);  // the segment it landed on
    EXPECT_EQ(ball->storedSpeedy, -3);
    EXPECT_EQ(ball->deltaXPaddleBall, -20);
    EXPECT_EQ(ball->PauseBeforeMove, 10);

    TBall::updateBalls(450, 9);
    EXPECT_EQ(ball->positionX, 470);
    EXPECT_EQ(ball->positionY, 704 - 16);
    EXPECT_EQ(ball->speedY, 0) << "still resting one second before its time";

    TBall::updateBalls(450, 10);
    EXPECT_EQ(ball->speedX, 3);
    EXPECT_EQ(ball->speedY, -3);
    EXPECT_EQ(ball->positionX, 473) << "launched and moved in the same frame";
    EXPECT_EQ(ball->positionY, 704 - 16 - 3);
}

TEST_F(BallTest, NewBallRestsAndFirstLaunchDropsOntoThePaddle)
{
    SpeedFactor = 2;
    NextSpeedUpSecond = 99;
    TBallPtr ball = TBall::Create(BallImage, BallShadowImage, 400, 680);
    EXPECT_EQ(SpeedFactor, 1);
    EXPECT_EQ(NextSpeedUpSecond, 0);
    TBall::updateBalls(410, 0);
    EXPECT_EQ(ball->positionX, 410);
    EXPECT_EQ(ball->positionY, 704 - 16);
    TBall::StartMoves();
    EXPECT_EQ(ball->speedX, 1);
    EXPECT_EQ(ball->speedY, 3) << "the first launch goes down onto the paddle";
    TBall::StartMoves();
    EXPECT_EQ(ball->speedY, 3) << "a moving ball is not launched again";
}

TEST_F(BallTest, WallsReflectBySettingTheSign)
{
    struct Case {
        int32_t x, y, speedX, speedY;
        int32_t wantSpeedX, wantSpeedY, wantTopWallHit;
    };
    // Ball 16 x 16: left limit x <= 40, right limit x >= 728, top limit y <= 40.
    const Case cases[] = {
        {43, 300, -3, 3, 3, 3, 0},   // moves to 40: bounces
        {44, 300, -3, 3, -3, 3, 0},  // moves to 41: not yet
        {725, 300, 3, 3, -3, 3, 0},  // moves to 728
        {400, 43, 1, -3, 1, 3, 1},   // moves to 40: top wall
        {36, 300, 3, 3, 3, 3, 0},    // still in the band moving out: the sign is set, not flipped
    };
    for (const Case& c : cases) {
        ResetWorld();
        TBallPtr ball = MakeMovingBall(c.x, c.y, c.speedX, c.speedY);
        TBall::updateBalls(400, 0);
        EXPECT_EQ(ball->speedX, c.wantSpeedX) << c.x << "," << c.y;
        EXPECT_EQ(ball->speedY, c.wantSpeedY) << c.x << "," << c.y;
        EXPECT_EQ(TopWallHit, c.wantTopWallHit) << c.x << "," << c.y;
        EXPECT_EQ(ball->positionX, c.x + c.speedX) << "the ball moves to the new position even past a border";
    }
}

TEST_F(BallTest, OnlyTheLastBallLostEndsTheLife)
{
    TBallPtr a = MakeMovingBall(300, 755, 1, 3);
    TBallPtr b = MakeMovingBall(500, 400, 1, 3);
    TBall::updateBalls(400, 0);  // a moves to 758, short of the bottom limit 760
    EXPECT_EQ(BallList->Count(), 2);
    TBall::updateBalls(400, 0);  // 761 >= 760: lost
    EXPECT_EQ(BallList->Count(), 1);
    EXPECT_EQ(GameMode, GameCommon::GameMode_GamePlaying);
    b->positionY = 757;
    TBall::updateBalls(400, 0);
    EXPECT_TRUE(BallList->IsEmpty());
    EXPECT_EQ(GameMode, GameCommon::GameMode_LifeLost);
}

TEST_F(BallTest, SpeedUpComesAtTheFirstSecond40Mod41AfterATopWallHit)
{
    struct Case {
        int32_t topWallSecond;
        int32_t wantFirstSpeedUp;
    };
    const Case cases[] = {{0, 40}, {39, 40}, {41, 81}, {50, 81}, {82, 122}};
    for (const Case& c : cases) {
        ResetWorld();
        int32_t firstSpeedUp = -1;
        for (int32_t second = 0; second < 130 && firstSpeedUp < 0; ++second) {
            if (second == c.topWallSecond) TopWallHit = 1;
            for (int frame = 0; frame < 60; ++frame) TBall::SetSpeedFactor(second);
            if (SpeedFactor == 2) firstSpeedUp = second;
        }
        EXPECT_EQ(firstSpeedUp, c.wantFirstSpeedUp) << "top wall first hit at " << c.topWallSecond;
    }
    // Never above 2, and a slowed ball speeds up again at the next such second.
    ResetWorld();
    TopWallHit = 1;
    for (int frame = 0; frame < 60; ++frame) TBall::SetSpeedFactor(40);
    EXPECT_EQ(SpeedFactor, 2);
    SpeedFactor = 1;
    for (int frame = 0; frame < 60; ++frame) TBall::SetSpeedFactor(81);
    EXPECT_EQ(SpeedFactor, 2);
    for (int frame = 0; frame < 60; ++frame) TBall::SetSpeedFactor(122);
    EXPECT_EQ(SpeedFactor, 2);
}

TEST_F(BallTest, MultiballSplitsIntoThreeWithMirroredDirections)
{
    TBallPtr first = MakeMovingBall(300, 300, 3, -3);
    TBall::CreateMultiball();
    ASSERT_EQ(BallList->Count(), 3);
    TBallPtr second = BallList->ValueAtIndex(1), third = BallList->ValueAtIndex(2);
    EXPECT_EQ(second->positionX, 300);
    EXPECT_GE(second->speedX, 1);
    EXPECT_LE(second->speedX, 3);
    EXPECT_EQ(second->speedY, 3) << "mirrored vertically";
    EXPECT_GE(third->speedX, -3);
    EXPECT_LE(third->speedX, -1);
    EXPECT_EQ(third->speedY, -3);

    // From a resting ball both new balls leave upwards with its stored launch speed.
    ResetWorld();
    TBallPtr resting = TBall::Create(BallImage, BallShadowImage, 400, 688);
    resting->storedSpeedy = -3;
    TBall::CreateMultiball();
    ASSERT_EQ(BallList->Count(), 3);
    EXPECT_EQ(BallList->ValueAtIndex(1)->speedY, -3);
    EXPECT_EQ(BallList->ValueAtIndex(2)->speedY, -3);
    EXPECT_EQ(resting->speedY, 0);
}

TEST_F(BallTest, MultiballDrawsTwoRandomNumbersPerNewBall)
{
    MakeMovingBall(300, 300, 3, -3);
    SeedRandom(13);
    TBall::CreateMultiball();
    SeedRandom(13);
    const int32_t second = RandomInt(1, 3), third = RandomInt(-3, -1);
    EXPECT_EQ(BallList->ValueAtIndex(1)->speedX, second);
    EXPECT_EQ(BallList->ValueAtIndex(2)->speedX, third);
}

}  // namespace

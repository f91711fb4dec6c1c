// The paddle: limits, the exit, keyboard steps in both move modes, size animation and spare lives.
#include "ObjectFixture.h"

#include "framework/graphics/Draw2D.h"

namespace {

class PaddleTest : public ObjectTest {
protected:
    void MouseTo(int32_t x)
    {
        TEvent event;
        event.id = EVENT_MOUSEMOVE;
        event.x = x;
        event.y = 704;
        HandleInputEvent(event);
    }
    void Key(int32_t key, bool down)
    {
        TEvent event;
        event.id = down ? EVENT_KEYDOWN : EVENT_KEYUP;
        event.data = key;
        HandleInputEvent(event);
    }
};

TEST_F(PaddleTest, StartsRightOfCentreInTheLevelStartState)
{
    TPaddlePtr paddle = TPaddle::Create(GameCommon::MoveMode_Spectrum);
    EXPECT_EQ(paddle->positionX, 48 + 512);
    EXPECT_EQ(paddle->positionY, 704);
    EXPECT_EQ(paddle->speedX, 16);
    EXPECT_EQ(PaddleState, TPaddle::levelStart);
    EXPECT_EQ(MoveMode, GameCommon::MoveMode_Spectrum);
    EXPECT_FLOAT_EQ(PaddleScale, 1.0f);
}

TEST_F(PaddleTest, EdgesClampTheScaledPaddleAndTheOpenExitStartsTheTeleport)
{
    struct Case {
        float scale;
        int32_t newX;
        int32_t escape;
        int32_t wantX;
        int32_t wantMode;
    };
    const int32_t playing = GameCommon::GameMode_GamePlaying, teleport = GameCommon::GameMode_Teleporting;
    const Case cases[] = {
        {1.0f, 10, 0, 80, playing},   {1.0f, 80, 0, 80, playing},   {1.0f, 79, 0, 80, playing},
        {1.0f, 688, 0, 688, playing}, {1.0f, 689, 0, 688, playing}, {1.0f, 900, 1, 400, teleport},
        {1.5f, 10, 0, 104, playing},  {1.5f, 700, 0, 664, playing},
    };
    for (const Case& c : cases) {
        ResetWorld();
        TPaddlePtr paddle = MakePaddle(400);
        PaddleScale = c.scale;
        EscapeState = c.escape;
        paddle->CheckEdges(c.newX);
        EXPECT_EQ(paddle->positionX, c.wantX) << "scale " << c.scale << " x " << c.newX;
        EXPECT_EQ(GameMode, c.wantMode) << "scale " << c.scale << " x " << c.newX;
    }
}

TEST_F(PaddleTest, MouseSteersAndThePointerIsPutBackOnThePaddle)
{
    TPaddlePtr paddle = MakePaddle(400);
    MouseTo(5);
    paddle->MovePaddle(400, 1, -3, 1);
    EXPECT_EQ(paddle->positionX, 80) << "stops with its left end on x 32";
    MouseTo(300);
    paddle->MovePaddle(400, 1, -3, 1);
    EXPECT_EQ(paddle->positionX, 300);
    EXPECT_EQ(paddle->mouseDelta, 80 - 300);
}

TEST_F(PaddleTest, TeleportSlidesOutAndCompletesTheLevel)
{
    TPaddlePtr paddle = MakePaddle(688);
    EscapeState = GameCommon::EscapeOpen_Open;
    MouseTo(700);
    paddle->MovePaddle(400, 1, -3, 1);
    ASSERT_EQ(GameMode, GameCommon::GameMode_Teleporting);
    EXPECT_EQ(paddle->positionX, 688);
    int32_t frames = 0;
    while (GameMode == GameCommon::GameMode_Teleporting && frames < 1000) {
        MouseTo(0);  // input is ignored while sliding out
        paddle->MovePaddle(400, 1, -3, 1);
        ++frames;
    }
    EXPECT_EQ(frames, 96 + 8);
    EXPECT_EQ(GameMode, GameCommon::GameMode_LevelCompleted);
    EXPECT_EQ(paddle->positionX, 688 + 104);
}

TEST_F(PaddleTest, KeyboardStepsInBothModes)
{
    struct Case {
        int32_t moveMode, speedFactor, key;
        int32_t ballX, ballSpeedX, ballSpeedY, ballCount;
        int32_t wantX;
    };
    const int32_t fixed = GameCommon::MoveMode_Traditional, byBall = GameCommon::MoveMode_Spectrum;
    const Case cases[] = {
        {fixed, 1, KEY_LEFT, 0, 0, 0, 1, 388},      {fixed, 2, KEY_RIGHT, 0, 0, 0, 1, 424},
        {byBall, 1, KEY_LEFT, 300, 1, 3, 1, 388},  // towards the ball: fast
        {byBall, 1, KEY_LEFT, 500, 1, 3, 1, 397},  // away from it: slow
        {byBall, 1, KEY_RIGHT, 500, 1, 3, 1, 412},  {byBall, 1, KEY_RIGHT, 300, 1, 3, 1, 403},
        {byBall, 1, KEY_RIGHT, 400, 9, -3, 1, 409},  // exactly below the ball: its horizontal speed
        {byBall, 2, KEY_LEFT, 400, 9, -3, 1, 394},  {byBall, 1, KEY_RIGHT, 400, 1, -3, 1, 403},
        {byBall, 1, KEY_RIGHT, 300, 1, 3, 2, 412},  // two balls: fast both ways
        {byBall, 1, KEY_LEFT, 500, 1, 3, 2, 388},
    };
    for (const Case& c : cases) {
        ResetWorld();
        TPaddlePtr paddle = MakePaddle(400);
        MoveMode = c.moveMode;
        SpeedFactor = c.speedFactor;
        MouseTo(400);
        Key(c.key, true);
        paddle->MovePaddle(c.ballX, c.ballSpeedX, c.ballSpeedY, c.ballCount);
        EXPECT_EQ(paddle->positionX, c.wantX) << "mode " << c.moveMode << " key " << c.key << " ball " << c.ballX;
        Key(c.key, false);
    }
}

TEST_F(PaddleTest, BothKeysHeldCancelInTheTraditionalMode)
{
    TPaddlePtr paddle = MakePaddle(400);
    MouseTo(400);
    Key(KEY_LEFT, true);
    Key(KEY_RIGHT, true);
    paddle->MovePaddle(400, 1, 3, 1);
    EXPECT_EQ(paddle->positionX, 400);
}

TEST_F(PaddleTest, SizeAnimationGrowsIn51FramesAndShrinksBackToOne)
{
    TPaddlePtr paddle = MakePaddle(400);
    PaddleState = TPaddle::extended;
    int32_t frames = 0;
    float previous = PaddleScale;
    for (; frames < 200; ++frames) {
        paddle->UpdatePaddle();
        if (PaddleScale == previous) break;
        previous = PaddleScale;
    }
    EXPECT_EQ(frames, 51);
    EXPECT_NEAR(PaddleScale, 1.51f, 0.0005f);
    PaddleState = TPaddle::lazer;
    for (frames = 0; frames < 200 && PaddleScale > 1.0f; ++frames) paddle->UpdatePaddle();
    EXPECT_EQ(frames, 51);
    EXPECT_LE(PaddleScale, 1.0f);
    EXPECT_GT(PaddleScale, 0.999f);
    PaddleState = TPaddle::levelStart;
    PaddleScale = 1.2f;
    paddle->UpdatePaddle();
    EXPECT_FLOAT_EQ(PaddleScale, 1.2f);
}

TEST_F(PaddleTest, ToggleSwitchesTheMoveMode)
{
    TPaddlePtr paddle = MakePaddle(400);
    paddle->TogglePaddleMovement();
    EXPECT_EQ(MoveMode, GameCommon::MoveMode_Spectrum);
    paddle->TogglePaddleMovement();
    EXPECT_EQ(MoveMode, GameCommon::MoveMode_Traditional);
}

TEST_F(PaddleTest, LaserCannonsGrowInTenFramesAndShrinkInNine)
{
    TPaddlePtr paddle = MakePaddle(400);
    PaddleState = TPaddle::lazer;
    std::vector<int32_t> frames;
    for (int i = 0; i < 11; ++i) {
        paddle->DrawPaddle();
        frames.push_back(PaddleLazerFrame);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9}));
    PaddleState = TPaddle::normal;
    frames.clear();
    for (int i = 0; i < 10; ++i) {
        paddle->DrawPaddle();
        frames.push_back(PaddleLazerFrame);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{8, 7, 6, 5, 4, 3, 2, 1, 0, 0}));
    float sx = 0, sy = 0;
    GetScale(sx, sy);
    EXPECT_FLOAT_EQ(sx, 1.0f) << "drawing leaves the scale at 1";
}

}  // namespace

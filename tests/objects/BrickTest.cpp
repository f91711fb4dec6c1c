// Bricks: placement, probe hits, double hits, the reflection change, removal and the boss's pixel test.
#include "ObjectFixture.h"

namespace {

class BrickTest : public ObjectTest {};

TEST_F(BrickTest, BricksSitOnTheGridAndTheBossInTheMiddle)
{
    const int32_t cells[][2] = {{0, 0}, {1, 0}, {20, 0}, {0, 10}, {20, 10}, {7, 3}};
    for (const auto& cell : cells) {
        TBrickPtr brick = TBrick::Create(BlockWhiteImage, 1, 100, cell[0], cell[1], 1, 0, nullptr);
        EXPECT_EQ(brick->positionX, 66 + 64 * cell[0]);
        EXPECT_EQ(brick->positionY, 48 + 29 * cell[1]);
        EXPECT_EQ(brick->BrickShadowGFX, BlockShadowImage);
    }
    TBrickPtr zog = TBrick::Create(MakeImage(184, 368), 16, 4500, 5, 5, 12, 1, nullptr);
    EXPECT_EQ(zog->positionX, 384);
    EXPECT_EQ(zog->positionY, 248);
    EXPECT_EQ(zog->BrickShadowGFX, BigBossShadowImage);
    EXPECT_EQ(BrickList->Count(), 7);

    const int32_t hits[][2] = {{1, 0}, {2, 1}, {-1, 1}, {16, 1}, {0, 0}};
    for (const auto& h : hits)
        EXPECT_EQ(TBrick::Create(BlockWhiteImage, h[0], 0, 0, 0, 1, 0, nullptr)->BrickSolid, h[1]) << h[0];
}

TEST_F(BrickTest, ProbesExactlyOnTheEdgesHit)
{
    // Brick at column 5, row 5: x 386 +- 30 = 356..416, y 193 +- 12 = 181..205. Ball 16 x 16.
    struct Case {
        int32_t x, y, speedX, speedY;
        int32_t wantSpeedX, wantSpeedY;
    };
    const Case cases[] = {
        {386, 213, 0, -3, 0, 3},   // top probe y 205 = bottom edge: hit
        {386, 214, 0, -3, 0, -3},  // top probe y 206: miss
        {386, 173, 0, 3, 0, -3},   // bottom probe y 181 = top edge: hit
        {348, 193, 3, 0, -3, 0},   // right probe x 356 = left edge: hit (the bottom probe at x 348 misses)
        {424, 193, -3, 1, 3, 1},   // left probe x 416 = right edge: hit
        {425, 193, -3, 1, -3, 1},  // left probe x 417: miss
    };
    for (const Case& c : cases) {
        ResetWorld();
        TBrickPtr brick = TBrick::Create(BlockWhiteImage, -1, 0, 5, 5, 10, 0, nullptr);
        TBallPtr ball = MakeMovingBall(c.x, c.y, c.speedX, c.speedY);
        TBrick::CheckBallCollisions(BallList, 0, 0);
        EXPECT_EQ(ball->speedX, c.wantSpeedX) << c.x << "," << c.y;
        EXPECT_EQ(ball->speedY, c.wantSpeedY) << c.x << "," << c.y;
    }
}

TEST_F(BrickTest, TwoProbesInOneBrickGiveTwoHits)
{
    // Ball centre at the brick's corner region: top probe and left probe both inside.
    TBrickPtr twoHit = TBrick::Create(BlockWhiteImage, 2, 150, 5, 5, 10, 0, nullptr);
    BricksLeft = 1;
    MakeMovingBall(410, 200, -3, -3);
    TBrick::CheckBallCollisions(BallList, 0, 0);
    EXPECT_TRUE(BrickList->IsEmpty()) << "a two-hit brick is destroyed at once";
    EXPECT_EQ(Score, 150);
    EXPECT_EQ(BricksLeft, 0);

    ResetWorld();
    TBrickPtr oneHit = TBrick::Create(BlockWhiteImage, 1, 100, 5, 5, 1, 0, nullptr);
    BricksLeft = 1;
    MakeMovingBall(410, 200, -3, -3);
    TBrick::CheckBallCollisions(BallList, 0, 0);
    EXPECT_TRUE(BrickList->IsEmpty());
    EXPECT_EQ(Score, 100) << "score counted once";
    EXPECT_EQ(BricksLeft, 0) << "bricks counted once";
    EXPECT_EQ(SurvivedBrickHits, 1) << "the second hit on the removed brick counts as survived";
}

TEST_F(BrickTest, SeventeenthSurvivedHitChangesTheReflection)
{
    struct Case {
        int32_t speedX, want;
    };
    const Case cases[] = {{-9, -3}, {-3, -1}, {-1, -3}, {1, 3}, {3, 1}, {9, 3}, {2, 2}, {-2, -2}};
    for (const Case& c : cases) {
        ResetWorld();
        TBrickPtr solid = TBrick::Create(BlockWhiteImage, -1, 0, 5, 5, 10, 0, nullptr);
        int32_t changedAt = 0;
        for (int32_t hit = 1; hit <= 17; ++hit) {
            BallList = std::make_shared<TList<TBall>>();
            TBallPtr ball = MakeMovingBall(386, 213, c.speedX, -3);  // only the top probe is inside
            TBrick::CheckBallCollisions(BallList, 0, 0);
            if (ball->speedX != c.speedX && changedAt == 0) changedAt = hit;
            if (hit == 17) {
                EXPECT_EQ(ball->speedX, c.want) << "speedX " << c.speedX;
            }
        }
        if (c.want != c.speedX) {
            EXPECT_EQ(changedAt, 17) << "speedX " << c.speedX;
        }
        EXPECT_EQ(SurvivedBrickHits, 0) << "the counter resets even when nothing changes";
        EXPECT_EQ(solid->hitTimes, -18);
    }
}

TEST_F(BrickTest, IndestructibleBricksReplayTheirAnimation)
{
    TBrickPtr solid = TBrick::Create(BlockWhiteImage, -1, 0, 0, 0, 10, 0, nullptr);
    EXPECT_EQ(solid->RemoveBrick(nullptr, nullptr, 0), 0);
    EXPECT_EQ(solid->AnimationFrame, 9);
    std::vector<int32_t> frames;
    for (int i = 0; i < 11; ++i) {
        solid->DrawBrick();
        frames.push_back(solid->AnimationFrame);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0}));

    TBrickPtr plain = TBrick::Create(BlockWhiteImage, 3, 0, 1, 0, 10, 0, nullptr);
    plain->RemoveBrick(nullptr, nullptr, 0);
    EXPECT_EQ(plain->AnimationFrame, 9);
    EXPECT_EQ(plain->hitTimes, 2);
}

TEST_F(BrickTest, DestroyedBrickScoresAndMayDropACapsule)
{
    // Find a seed whose first draw is below 13, so the brick releases a capsule.
    int32_t seed = 1;
    for (;; ++seed) {
        SeedRandom(seed);
        if (RandomInt(1, 100) < 13) break;
    }
    SeedRandom(seed);
    TBrickPtr brick = TBrick::Create(BlockWhiteImage, 1, 250, 3, 2, 1, 0, nullptr);
    BricksLeft = 5;
    SurvivedBrickHits = 9;
    EXPECT_EQ(brick->RemoveBrick(nullptr, nullptr, 0), 1);
    EXPECT_EQ(Score, 250);
    EXPECT_EQ(BricksLeft, 4);
    EXPECT_EQ(SurvivedBrickHits, 0);
    EXPECT_TRUE(BrickList->IsEmpty());
    ASSERT_EQ(BonusList->Count(), 1);
    EXPECT_EQ(BonusList->First()->positionX, brick->positionX);
    EXPECT_EQ(BonusList->First()->positionY, brick->positionY);
}

TEST_F(BrickTest, TheBossIsHitOnlyOnItsOpaquePixels)
{
    // Boss 184 x 368 at (384, 248): left edge x 292, bottom edge y 432. Its left half is transparent.
    TImagePtr zogImage = MakeImage(184, 368, [](int32_t x, int32_t) { return x >= 92; });
    TBrickPtr zog = TBrick::Create(zogImage, 16, 4500, 0, 0, 12, 1, nullptr);
    BricksLeft = 1;

    TBallPtr ball = MakeMovingBall(320, 438, 0, -3);  // top probe (320, 430): transparent pixel
    TBrick::CheckBallCollisions(BallList, 0, 1);
    EXPECT_EQ(ball->speedY, -3) << "a transparent pixel is no vertical hit";
    EXPECT_EQ(zog->hitTimes, 16);

    ball->positionX = 450;  // top probe (450, 430): opaque
    TBrick::CheckBallCollisions(BallList, 0, 1);
    EXPECT_EQ(ball->speedY, 3);
    EXPECT_EQ(zog->hitTimes, 15);
    EXPECT_EQ(zog->AnimationFrame, 11);

    // A horizontal probe needs only the rectangle, even over transparent pixels.
    ball->positionX = 284;
    ball->positionY = 300;
    ball->speedX = 3;
    ball->speedY = 0;
    TBrick::CheckBallCollisions(BallList, 0, 1);
    EXPECT_EQ(ball->speedX, -3);
    EXPECT_EQ(zog->hitTimes, 14);

    zog->hitTimes = 1;
    EXPECT_EQ(zog->RemoveBrick(nullptr, nullptr, 1), 1);
    EXPECT_EQ(Score, 4500);
    EXPECT_EQ(BricksLeft, 0);
    ASSERT_EQ(ExplosionList->Count(), 1);
    EXPECT_EQ(ExplosionList->First()->numberOfFrames, 200);
    EXPECT_EQ(ExplosionList->First()->positionX, 384);
}

}  // namespace

// Capsules: chance and kind from the random sequence, the fall, the catch rectangle and every effect.
#include "ObjectFixture.h"

namespace {

class BonusTest : public ObjectTest {
protected:
    // The first seed whose first RandomInt(1, 100) is r.
    static int32_t SeedGiving(int32_t r)
    {
        for (int32_t seed = 1;; ++seed) {
            SeedRandom(seed);
            if (RandomInt(1, 100) == r) return seed;
        }
    }
};

TEST_F(BonusTest, KindFollowsTheFirstDraw)
{
    const int32_t kinds[13] = {0,
                               TBonus::multiBall,
                               TBonus::multiBall,
                               TBonus::freeze,
                               TBonus::freeze,
                               TBonus::escapeOpen,
                               TBonus::lazer,
                               TBonus::lazer,
                               TBonus::increasedLenght,
                               TBonus::increasedLenght,
                               TBonus::slower,
                               TBonus::slower,
                               TBonus::extraLife};
    const TImagePtr* images[8] = {nullptr,      &BonusDImage, &BonusCImage, &BonusXImage,
                                  &BonusLImage, &BonusEImage, &BonusSImage, &BonusPImage};
    for (int32_t r = 1; r <= 12; ++r) {
        SeedRandom(SeedGiving(r));
        TBonusPtr bonus = TBonus::Create(100, 200);
        ASSERT_TRUE(bonus) << "r " << r;
        EXPECT_EQ(bonus->bonusType, kinds[r]) << "r " << r;
        EXPECT_EQ(bonus->bonusImage, *images[kinds[r]]) << "r " << r;
        EXPECT_EQ(bonus->shadowImage, BonusShadowImage);
        EXPECT_EQ(bonus->speedY, 2);
    }
    EXPECT_EQ(BonusList->Count(), 12);
    for (int32_t r : {13, 14, 50, 100}) {
        SeedRandom(SeedGiving(r));
        EXPECT_FALSE(TBonus::Create(100, 200)) << "r " << r;
    }
    EXPECT_EQ(BonusList->Count(), 12);
}

TEST_F(BonusTest, CapsulesFallTwoPixelsAFrameUntilTheBottom)
{
    SeedRandom(SeedGiving(1));
    TBonusPtr bonus = TBonus::Create(100, 740);
    TBonus::UpdateBonuses();
    EXPECT_EQ(bonus->positionY, 742);
    EXPECT_EQ(BonusList->Count(), 1);
    for (int i = 0; i < 8; ++i) TBonus::UpdateBonuses();  // 758 >= 768 - 10
    EXPECT_TRUE(BonusList->IsEmpty());
}

TEST_F(BonusTest, OnlyTheLowerRightQuarterCatches)
{
    // Paddle 96 x 24 at (400, 704): x 352..448, y 692..716. Capsule 40 x 20: catch rectangle is
    // (x, y)..(x + 20, y + 10).
    struct Case {
        int32_t x, y;
        bool caught;
    };
    const Case cases[] = {{449, 700, false}, {448, 700, true},  {332, 700, true}, {331, 700, false},
                          {400, 682, true},  {400, 681, false}, {400, 716, true}, {400, 717, false}};
    for (const Case& c : cases) {
        ResetWorld();
        TPaddlePtr paddle = MakePaddle(400);
        SeedRandom(SeedGiving(12));
        TBonusPtr bonus = TBonus::Create(c.x, c.y);
        ASSERT_TRUE(bonus);
        TBonus::CheckPaddleCollisions(*paddle);
        EXPECT_EQ(BonusList->IsEmpty(), c.caught) << c.x << "," << c.y;
    }
}

TEST_F(BonusTest, EveryEffectAndItsFallback)
{
    struct Case {
        const char* name;
        int32_t r;  // the draw that makes the kind
        int32_t paddleState, lives, speedFactor, balls;
        int32_t wantState, wantLives, wantSpeedFactor, wantScore, wantBalls, wantEscape;
        bool launches;
    };
    using P = TPaddle;
    const Case cases[] = {
        {"multiball", 1, P::lazer, 3, 1, 1, P::normal, 3, 1, 0, 3, 0, true},
        {"multiball with two", 2, P::lazer, 3, 1, 2, P::normal, 3, 1, 0, 3, 0, true},
        {"multiball with three", 1, P::lazer, 3, 1, 3, P::lazer, 3, 1, 500, 3, 0, true},
        {"freeze", 3, P::normal, 3, 1, 1, P::freeze, 3, 1, 0, 1, 0, false},
        {"freeze again", 4, P::freeze, 3, 1, 1, P::freeze, 3, 1, 500, 1, 0, false},
        {"exit", 5, P::lazer, 3, 1, 1, P::lazer, 3, 1, 0, 1, 1, true},
        {"laser", 6, P::normal, 3, 1, 1, P::lazer, 3, 1, 0, 1, 0, true},
        {"laser again", 7, P::lazer, 3, 1, 1, P::lazer, 3, 1, 500, 1, 0, true},
        {"extension", 8, P::freeze, 3, 1, 1, P::extended, 3, 1, 0, 1, 0, true},
        {"extension again", 9, P::extended, 3, 1, 1, P::extended, 3, 1, 500, 1, 0, true},
        {"slow", 10, P::lazer, 3, 2, 1, P::normal, 3, 1, 0, 1, 0, true},
        {"slow at one", 11, P::lazer, 3, 1, 1, P::normal, 3, 1, 500, 1, 0, true},
        {"extra life", 12, P::lazer, 5, 1, 1, P::normal, 6, 1, 0, 1, 0, true},
        {"extra life at six", 12, P::lazer, 6, 1, 1, P::lazer, 6, 1, 10000, 1, 0, true},
    };
    for (const Case& c : cases) {
        ResetWorld();
        TPaddlePtr paddle = MakePaddle(400);
        PaddleState = c.paddleState;
        Lives = c.lives;
        SpeedFactor = c.speedFactor;
        TBallPtr resting = TBall::Create(BallImage, BallShadowImage, 400, 688);
        SpeedFactor = c.speedFactor;
        for (int32_t i = 1; i < c.balls; ++i) MakeMovingBall(300, 300, 1, -3);
        SeedRandom(SeedGiving(c.r));
        ASSERT_TRUE(TBonus::Create(400, 700)) << c.name;
        TBonus::CheckPaddleCollisions(*paddle);
        EXPECT_TRUE(BonusList->IsEmpty()) << c.name;
        EXPECT_EQ(PaddleState, c.wantState) << c.name;
        EXPECT_EQ(Lives, c.wantLives) << c.name;
        EXPECT_EQ(SpeedFactor, c.wantSpeedFactor) << c.name;
        EXPECT_EQ(Score, c.wantScore) << c.name;
        EXPECT_EQ(BallList->Count(), c.wantBalls) << c.name;
        EXPECT_EQ(EscapeState, c.wantEscape) << c.name;
        EXPECT_EQ(resting->speedY != 0, c.launches) << c.name;
    }
}

TEST_F(BonusTest, TwoCapsulesCaughtInOneFrameBothApply)
{
    TPaddlePtr paddle = MakePaddle(400);
    TBall::Create(BallImage, BallShadowImage, 400, 688);
    SeedRandom(SeedGiving(6));
    TBonus::Create(400, 700);
    SeedRandom(SeedGiving(8));
    TBonus::Create(410, 700);
    TBonus::CheckPaddleCollisions(*paddle);
    EXPECT_TRUE(BonusList->IsEmpty());
    EXPECT_EQ(PaddleState, TPaddle::extended) << "applied in list order: laser, then extension";
}

}  // namespace

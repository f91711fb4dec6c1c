// Laser bolts, aliens and explosions, and the boss's shots.
#include "ObjectFixture.h"

namespace {

class ShooterTest : public ObjectTest {};

TEST_F(ShooterTest, AtMostFourBoltsAndEachLeavesAtTheTop)
{
    for (int i = 0; i < 6; ++i) TBullet::Create(400, 704, 0);
    EXPECT_EQ(BulletList->Count(), 4);
    BulletList = std::make_shared<TList<TBullet>>();
    TBulletPtr bolt = TBullet::Create(400, 704, 0);
    int32_t frames = 0;
    while (!BulletList->IsEmpty() && frames < 500) {
        TBullet::UpdateBullets();
        ++frames;
    }
    // Bolt 20 high: removed once its centre is at or above 10 + 32 = 42, i.e. at 704 - 8 * 83 = 40.
    EXPECT_EQ(frames, 83);
    EXPECT_EQ(bolt->positionY, 40);
}

TEST_F(ShooterTest, BoltsHitOpaqueBrickPixelsAndGoOnThroughTheList)
{
    // A brick whose left 10 columns are transparent: a bolt over them passes.
    TImagePtr notched = MakeImage(60, 25, [](int32_t x, int32_t) { return x >= 10; });
    TBrickPtr brick = TBrick::Create(notched, 1, 100, 0, 0, 1, 0, nullptr);  // x 36..96
    BricksLeft = 1;
    TBullet::Create(38, 60, 0);  // bolt 6 wide: x 35..41, over the transparent notch
    TBullet::CheckBrickCollisions(BrickList);
    EXPECT_EQ(BulletList->Count(), 1);
    EXPECT_EQ(BrickList->Count(), 1);

    BulletList = std::make_shared<TList<TBullet>>();
    TBullet::Create(66, 60, 0);
    TBullet::CheckBrickCollisions(BrickList);
    EXPECT_TRUE(BulletList->IsEmpty());
    EXPECT_TRUE(BrickList->IsEmpty());
    EXPECT_EQ(Score, 100);

    // A bolt on an indestructible brick disappears and the brick replays its animation.
    TBrickPtr solid = TBrick::Create(BlockWhiteImage, -1, 0, 2, 0, 10, 0, nullptr);
    TBullet::Create(solid->positionX, solid->positionY, 0);
    TBullet::CheckBrickCollisions(BrickList);
    EXPECT_TRUE(BulletList->IsEmpty());
    EXPECT_EQ(solid->AnimationFrame, 9);
}

TEST_F(ShooterTest, AliensComeAfterSecond45EverySixSecondsUpToThree)
{
    TImagePtr alien = MakeImage(32, 32);
    std::vector<int32_t> arrivals;
    for (int32_t second = 40; second <= 70; ++second)
        for (int frame = 0; frame < 60; ++frame) {
            const int32_t before = AlienList->Count();
            TAlien::GlobalUpdateAlien(second, BrickList, alien, 0);
            if (AlienList->Count() > before) {
                arrivals.push_back(second);
                // A new alien comes straight down through one of the two openings.
                const TAlienPtr newest = AlienList->Last();
                EXPECT_TRUE(newest->positionX == 130 || newest->positionX == 630) << newest->positionX;
                EXPECT_EQ(newest->positionY, 1);
                EXPECT_EQ(newest->AlienGfx, alien);
            }
        }
    EXPECT_EQ(arrivals, (std::vector<int32_t>{46, 52, 58}));

    // Destroying the last alien brings a new one in the next frame, whatever the pause says.
    AlienList = std::make_shared<TList<TAlien>>();
    NextAlienSecond = 1000;
    TAlien::GlobalUpdateAlien(71, BrickList, alien, 0);
    EXPECT_EQ(AlienList->Count(), 1);
}

TEST_F(ShooterTest, AlienCreationDrawsRotationThenOpening)
{
    SeedRandom(77);
    TAlienPtr alien = TAlien::Create(MakeImage(32, 32), 0, 1);
    SeedRandom(77);
    const int32_t rotation = RandomInt(1, 40);
    const int32_t opening = RandomInt(0, 1) == 0 ? 130 : 630;
    EXPECT_FLOAT_EQ(alien->alienRotation, static_cast<float>(rotation));
    EXPECT_EQ(alien->positionX, opening);
    EXPECT_EQ(alien->positionY, 0);
    EXPECT_EQ(alien->launching, 1);
}

TEST_F(ShooterTest, AlienBlockedByABrickWaitsAFrameThenTurns)
{
    TAlienPtr alien = TAlien::Create(MakeImage(32, 32), 1, 0);
    alien->launching = 0;
    alien->positionX = 300;
    alien->positionY = 300;
    TBrickPtr wall = TBrick::Create(BlockWhiteImage, 1, 100, 0, 0, 1, 0, nullptr);
    wall->positionX = 347;  // x 317..377: the alien's next step (x 285..317) touches it
    wall->positionY = 300;
    SeedRandom(4660);  // the random-move draw is 42, not 50: no spontaneous turn
    alien->UpdateAlien(BrickList);
    EXPECT_EQ(alien->changeMovement, 1);
    EXPECT_EQ(alien->positionX, 300) << "blocked: stays this frame";
    alien->UpdateAlien(BrickList);
    EXPECT_FALSE(alien->speedX == 0 && alien->speedY == 0) << "a new direction is never standing still";
    EXPECT_FALSE(alien->speedX == 1 && alien->speedY == 0 && alien->changeMovement == 0)
        << "it does not walk into the brick";
}

TEST_F(ShooterTest, BallPaddleAndBoltDestroyAliens)
{
    TImagePtr image = MakeImage(32, 32);
    TPaddlePtr paddle = MakePaddle(400);

    TAlienPtr byBall = TAlien::Create(image, 0, 1);
    byBall->positionX = 300;
    byBall->positionY = 300;
    TBallPtr ball = MakeMovingBall(310, 310, 3, -3);
    TAlien::CheckCollisions(BallList, BulletList, *paddle);
    EXPECT_TRUE(AlienList->IsEmpty());
    EXPECT_EQ(Score, 200);
    EXPECT_EQ(ExplosionList->Count(), 1);

    TAlienPtr byPaddle = TAlien::Create(image, 0, 1);
    byPaddle->positionX = 460;  // 444..476 touches the paddle's 352..448
    byPaddle->positionY = 700;
    TAlien::CheckCollisions(BallList, BulletList, *paddle);
    EXPECT_TRUE(AlienList->IsEmpty());
    EXPECT_EQ(Score, 1200);

    TAlienPtr byBolt = TAlien::Create(image, 0, 1);
    byBolt->positionX = 600;
    byBolt->positionY = 200;
    TBullet::Create(600, 210, 0);
    TAlien::CheckCollisions(BallList, BulletList, *paddle);
    EXPECT_TRUE(AlienList->IsEmpty());
    EXPECT_TRUE(BulletList->IsEmpty()) << "the bolt is used up";
    EXPECT_EQ(Score, 1200) << "a bolt kill gives no points";
    EXPECT_EQ(ExplosionList->Count(), 3);
}

TEST_F(ShooterTest, BallDeflectionFollowsTheDraw)
{
    struct Case {
        int32_t r, wantSpeedX, wantSpeedY;
    };
    const Case cases[] = {{0, -3, -2}, {1, 3, 2}, {2, -3, 2}, {3, 3, -2}};
    for (const Case& c : cases) {
        ResetWorld();
        int32_t seed = 1;
        for (;; ++seed) {
            SeedRandom(seed);
            if (RandomInt(0, 3) == c.r) break;
        }
        TAlienPtr alien = TAlien::Create(MakeImage(32, 32), 0, 1);
        alien->positionX = 300;
        alien->positionY = 300;
        TBallPtr ball = MakeMovingBall(300, 300, 3, -2);
        SeedRandom(seed);
        alien->CheckCollision(BallList);
        EXPECT_EQ(ball->speedX, c.wantSpeedX) << "r " << c.r;
        EXPECT_EQ(ball->speedY, c.wantSpeedY) << "r " << c.r;
    }
}

TEST_F(ShooterTest, ExplosionsLastOneFramePerCell)
{
    TAlienExplosion::Create(100, 100, 0);
    TAlienExplosion::Create(384, 248, 1);
    int32_t frames = 0;
    std::vector<int32_t> endings;
    while (!ExplosionList->IsEmpty() && frames < 1000) {
        const int32_t before = ExplosionList->Count();
        TAlienExplosion::DrawExplosions();
        ++frames;
        if (ExplosionList->Count() < before) endings.push_back(frames);
    }
    EXPECT_EQ(endings, (std::vector<int32_t>{64, 200}));
}

TEST_F(ShooterTest, BossFiresOnePerSecondInSalvosOfFive)
{
    TBrick::Create(MakeImage(184, 368), 16, 4500, 0, 0, 12, 1, nullptr);
    std::vector<int32_t> shots;
    for (int32_t second = 0; second < 20; ++second)
        for (int frame = 0; frame < 60; ++frame) {
            const int32_t before = ZogShootList->Count();
            TZogShoot::UpdateZogShoots(second, 1);
            if (ZogShootList->Count() > before) shots.push_back(second);
            ZogShootList = std::make_shared<TList<TZogShoot>>();  // keep fewer than five in flight
        }
    EXPECT_EQ(shots, (std::vector<int32_t>{0, 1, 2, 3, 4, 8, 9, 10, 11, 12, 16, 17, 18, 19}));

    ResetWorld();
    TBrick::Create(MakeImage(184, 368), 16, 4500, 0, 0, 12, 0, nullptr);
    for (int32_t second = 0; second < 20; ++second) TZogShoot::UpdateZogShoots(second, 0);
    EXPECT_TRUE(ZogShootList->IsEmpty()) << "no shots outside the boss level";
}

TEST_F(ShooterTest, FiveShotsInFlightPushTheNextBackTenSecondsPerFrame)
{
    TBrick::Create(MakeImage(184, 368), 16, 4500, 0, 0, 12, 1, nullptr);
    for (int32_t second = 0; second < 5; ++second) TZogShoot::UpdateZogShoots(second, 1);
    ASSERT_EQ(ZogShootList->Count(), 5);
    EXPECT_EQ(NextZogShotSecond, 4 + 1 + 3 + 10) << "the fifth shot's own frame already adds ten";
    TZogShoot::UpdateZogShoots(5, 1);
    TZogShoot::UpdateZogShoots(5, 1);
    EXPECT_EQ(NextZogShotSecond, 38);
}

TEST_F(ShooterTest, BossShotsFallAndOnlyTheirUpperLeftQuarterHurts)
{
    TBrick::Create(MakeImage(184, 368), 16, 4500, 0, 0, 12, 1, nullptr);
    TZogShootPtr shot = TZogShoot::Create();
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->positionY, 368);
    EXPECT_GE(shot->positionX, 374);
    EXPECT_LE(shot->positionX, 394);
    EXPECT_EQ(shot->speedY, 2);

    // Paddle 96 x 24 at (400, 704): 352..448, 692..716.
    struct Case {
        int32_t x, y;
        bool hits;
    };
    const int32_t w = shot->ZogShootImage->width, h = shot->ZogShootImage->height;
    const Case cases[] = {{352 + w / 2, 716 + h / 2, true},  // quarter's top-left corner on the paddle's bottom-left
                          {352 + w / 2, 717 + h / 2, false},
                          {351, 692, false},  // the quarter ends at x 351, just left of the paddle
                          {400, 704, true}};
    for (const Case& c : cases) {
        ZogShootList->Clear();
        ZogShootList->AddLast(shot);
        GameMode = GameCommon::GameMode_GamePlaying;
        shot->positionX = c.x;
        shot->positionY = c.y;
        TZogShoot::CheckPaddleCollisions(400, 704, 96, 24);
        EXPECT_EQ(GameMode == GameCommon::GameMode_LifeLost, c.hits) << c.x << "," << c.y;
        EXPECT_EQ(ZogShootList->IsEmpty(), c.hits) << c.x << "," << c.y;
    }

    BrickList->Clear();
    EXPECT_FALSE(TZogShoot::Create()) << "no shots once the boss is gone";
}

}  // namespace

// Long play: every level from 1 to 33 with seeded random input, checking on every frame what must
// always hold, and that memory stays flat. KRELLIX_SOAK_FRAMES sets the frames in all (500,000
// by default); the "soak_long" build target runs ten times as many.
#include "GameWorld.h"

#include "game/LevelData.h"
#include "game/TGame.h"
#include "game/THighScorceEntry.h"

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#if defined(__SANITIZE_ADDRESS__)
// From the address sanitizer's run-time (GCC ships no header for it): live heap bytes.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes the program has allocated and not freed.
size_t HeapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

int64_t SoakFrames()
{
    const char* text = std::getenv("KRELLIX_SOAK_FRAMES");
    const int64_t frames = text ? std::atoll(text) : 0;
    return frames > 0 ? frames : 500000;
}

// Counts of a list, 0 for none.
template <typename T>
int32_t CountOf(const TListPtr<T>& list)
{
    return list ? list->Count() : 0;
}

class SoakTest : public GameWorldTest {
protected:
    std::mt19937 random{20261209};
    int32_t lastScore = 0;
    int32_t lastBricksLeft = -1;
    int64_t bricksDestroyed = 0;
    int32_t levelFlips = 0;
    int32_t budget = 0;
    int32_t mostBalls = 0, mostBonuses = 0, mostBullets = 0, mostAliens = 0, mostExplosions = 0, mostShots = 0;
    std::vector<std::string> failures;

    void SetUp() override
    {
        GameWorldTest::SetUp();
        THighScorceEntry::FormatTopScore();
        flipLimit = INT32_MAX;
        onFlip = [this](int32_t) { Frame(); };
    }

    bool Chance(int32_t oneIn) { return std::uniform_int_distribution<int32_t>(1, oneIn)(random) == 1; }
    int32_t Between(int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random); }

    void Fail(const std::string& what)
    {
        std::ostringstream text;
        text << "frame " << flips << ", level " << (TLevel::Current() ? TLevel::Current()->LevelNumber : 0)
             << ", mode " << GameMode << ": " << what;
        if (failures.size() < 20) failures.push_back(text.str());
    }

    // What must hold after every frame, then the next frame's input.
    void Frame()
    {
        ++levelFlips;
        if (Lives < 0) Fail("Lives " + std::to_string(Lives));
        if (Score < lastScore) Fail("Score fell from " + std::to_string(lastScore) + " to " + std::to_string(Score));
        lastScore = Score;
        if (lastBricksLeft > BricksLeft) bricksDestroyed += lastBricksLeft - BricksLeft;
        lastBricksLeft = BricksLeft;
        if (BrickList) {
            int32_t removable = 0;
            for (const auto& brick : *BrickList)
                if (brick && brick->hitTimes >= 0) ++removable;
            if (removable != BricksLeft)
                Fail("BricksLeft " + std::to_string(BricksLeft) + " with " + std::to_string(removable) +
                     " removable bricks");
        }
        if (BallList) {
            for (const auto& ball : *BallList) {
                if (!ball) continue;
                // A ball may stand one step beyond a wall in the frame it bounces off it.
                const int32_t step = (std::abs(ball->speedX) + std::abs(ball->speedY)) * std::max(SpeedFactor, 1);
                if (ball->positionX < 32 - step || ball->positionX > 736 + step || ball->positionY < 32 - step ||
                    ball->positionY > 768 + step)
                    Fail("ball at " + std::to_string(ball->positionX) + "," + std::to_string(ball->positionY));
            }
        }
        const int32_t counts[] = {CountOf(BallList),   CountOf(BonusList),     CountOf(BulletList),
                                  CountOf(AlienList), CountOf(ExplosionList), CountOf(ZogShootList)};
        int32_t* most[] = {&mostBalls, &mostBonuses, &mostBullets, &mostAliens, &mostExplosions, &mostShots};
        for (size_t i = 0; i < std::size(counts); ++i) *most[i] = std::max(*most[i], counts[i]);
        if (counts[0] > 64 || counts[1] > 64 || counts[2] > 256 || counts[3] > 64 || counts[4] > 256 ||
            counts[5] > 256)
            Fail("a list keeps growing");
        if (driver->presented.size() > 20000) Fail(std::to_string(driver->presented.size()) + " draws in a frame");

        // The level's frames are spent: hold Escape until the game gives up, and answer the screens
        // that wait for Space or a click.
        if (levelFlips >= budget) {
            if (levelFlips > budget + 20000) throw std::runtime_error("the game does not end after Escape");
            Press(KEY_ESCAPE);
            if (levelFlips % 2) {
                Press(KEY_SPACE);
                Click();
            } else {
                Release(KEY_SPACE);
            }
            return;
        }
        Input();
    }

    // Seeded random play: the pointer mostly follows the lowest ball, so games last and capsules,
    // aliens and the boss get their turn, with keys, clicks and wild moves now and then.
    void Input()
    {
        TBallPtr lowest;
        if (BallList)
            for (const auto& ball : *BallList)
                if (ball && (!lowest || ball->positionY > lowest->positionY)) lowest = ball;
        const TBonusPtr capsule = BonusList ? BonusList->First() : nullptr;
        if (Chance(60)) {
            PointerTo(Between(0, 1023), Between(0, 767));
        } else if (capsule && (!lowest || lowest->positionY < 400)) {
            PointerTo(capsule->positionX + Between(-20, 20), 700);
        } else if (lowest && !Chance(10)) {
            PointerTo(lowest->positionX + Between(-30, 30), 700);
        }
        if (Chance(40)) Click();
        if (Chance(30)) Press(KEY_SPACE);
        if (Chance(20)) Release(KEY_SPACE);
        for (const int32_t key : {KEY_LEFT, KEY_RIGHT}) {
            if (Chance(300)) Press(key);
            if (Chance(10)) Release(key);
        }
        if (Chance(900)) {
            Press(KEY_M);
            Release(KEY_M);
        }
        if (Chance(1500)) {
            Press(KEY_P);
            Release(KEY_P);
        }
        if (Chance(6000)) {
            Press(KEY_ESCAPE);
        } else {
            Release(KEY_ESCAPE);
        }
    }
};

TEST_F(SoakTest, EveryLevelPlaysOnWithoutBreakingARuleOrGrowingInMemory)
{
    const int64_t total = SoakFrames();
    budget = static_cast<int32_t>(total / LevelCount) + 1;
    size_t heapAfterFirst = 0, heapMost = 0;
    int32_t games = 0;
    for (int32_t level = 1; level <= LevelCount; ++level) {
        levelFlips = 0;
        while (levelFlips < budget) {
            lastScore = 0;
            lastBricksLeft = -1;
            Release(KEY_ESCAPE);
            // As the program's entry starts a game.
            GameMode = GameCommon::GameMode_LevelStart;
            TGame::Create(level)->NewGame();
            ++games;
        }
        Release(KEY_ESCAPE);
        const size_t heap = HeapInUse();
        if (level == 1) heapAfterFirst = heap;
        heapMost = std::max(heapMost, heap);
        ASSERT_TRUE(failures.empty()) << failures.front() << " (" << failures.size() << " failures)";
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("soak: %d frames, %d games, %lld bricks destroyed; most balls %d, capsules %d, bolts %d, aliens %d, explosions %d, "
                "boss shots %d; heap after level 1 %zu bytes, most %zu; peak RSS %ld KiB\n",
                flips, games, static_cast<long long>(bricksDestroyed), mostBalls, mostBonuses, mostBullets, mostAliens, mostExplosions, mostShots,
                heapAfterFirst, heapMost, usage.ru_maxrss);
    EXPECT_GE(flips, total);
    EXPECT_LT(heapMost - heapAfterFirst, size_t{5} << 20);
}

}  // namespace

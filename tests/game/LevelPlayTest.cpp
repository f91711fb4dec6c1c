// The level's main loop and its blocking sequences: launch and fire, Escape, the exit, losing a
// ball or being hit by a boss shot, game over, pause.
#include "GameWorld.h"
#include "game/Krellix.h"

#include "framework/audio/Sound.h"

#include <algorithm>
#include <utility>

namespace {

class LevelPlayTest : public GameWorldTest {
protected:
    // A level as the game starts it: built, music on, faded in (64 frames).
    TLevelPtr StartLevel(int32_t n)
    {
        TLevelPtr level = TLevel::Create(n);
        level->InitalizeLevel();
        level->InitMusic();
        level->IntroLoop();
        return level;
    }

    static void DestroyAllBricks()
    {
        for (const auto& brick : *BrickList)
            while (BrickList->Contains(brick) && brick->hitTimes > 0) brick->RemoveBrick(nullptr, nullptr, 0);
    }
};

TEST_F(LevelPlayTest, OneFramesSpaceClickAndEnterLaunchOnceAndFireOnTheFollowingFrames)
{
    TLevelPtr level = StartLevel(1);
    PaddleState = TPaddle::lazer;
    const int32_t start = flips;
    std::vector<int32_t> bolts;
    std::vector<int32_t> modes;
    onFlip = [&](int32_t f) {
        const int32_t k = f - start;
        if (k == 2) {
            Press(KEY_SPACE);
            Click();
            Press(KEY_ENTER);
        }
        if (k >= 2) {
            bolts.push_back(BulletList->Count());
            modes.push_back(GameMode);
        }
        if (k == 7) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);
    // Escape ends the loop before the next frame is drawn.
    EXPECT_EQ(flips - start, 7);
    EXPECT_EQ(bolts, (std::vector<int32_t>{0, 1, 2, 3, 3, 3}));
    EXPECT_EQ(modes.front(), GameCommon::GameMode_LevelStart);
    EXPECT_EQ(modes.back(), GameCommon::GameMode_GamePlaying);
}

TEST_F(LevelPlayTest, TheExitOpensWhenTheLastBrickGoesAndTheTeleportTakesWidthPlusEightFrames)
{
    TLevelPtr level = StartLevel(1);
    const int32_t start = flips;
    int32_t teleportFlip = -1, completedFlip = -1, teleportX = 0;
    std::vector<std::pair<int32_t, int32_t>> ballWhileTeleporting;
    onFlip = [&](int32_t f) {
        const int32_t k = f - start;
        if (k == 1) Press(KEY_SPACE);
        if (k == 2) DestroyAllBricks();
        if (k == 3) {
            EXPECT_EQ(EscapeState, GameCommon::EscapeOpen_Open);
            PointerTo(1000, 0);
        }
        const auto ball = BallList->First();
        if (GameMode == GameCommon::GameMode_Teleporting) {
            if (teleportFlip < 0) {
                teleportFlip = f;
                teleportX = level->Paddle->positionX;
            }
            ballWhileTeleporting.emplace_back(ball->positionX, ball->positionY);
        }
        if (GameMode == GameCommon::GameMode_LevelCompleted && completedFlip < 0) {
            completedFlip = f;
            EXPECT_EQ(level->Paddle->positionX, teleportX + 104);
        }
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Completed);
    ASSERT_GT(teleportFlip, 0);
    // Pushing past the limit leaves the paddle where it was; from there it slides on its own.
    EXPECT_EQ(teleportX, 560);
    EXPECT_EQ(completedFlip - teleportFlip, 96 + 8);
    // The balls stand still while the paddle slides out.
    ASSERT_EQ(ballWhileTeleporting.size(), 104u);
    for (const auto& position : ballWhileTeleporting) EXPECT_EQ(position, ballWhileTeleporting.front());
    // The loop ends at the top of the next frame, without drawing it.
    EXPECT_EQ(flips, completedFlip);
    EXPECT_EQ(BricksLeft, 0);
}

TEST_F(LevelPlayTest, WithTheExitClosedThePaddleStopsAtTheRightLimit)
{
    TLevelPtr level = StartLevel(2);
    const int32_t start = flips;
    onFlip = [&](int32_t f) {
        if (f - start == 1) PointerTo(1000, 0);
        if (f - start == 30) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);
    EXPECT_EQ(level->Paddle->positionX, 736 - 48);
    EXPECT_EQ(GameMode, GameCommon::GameMode_LevelStart);
}

TEST_F(LevelPlayTest, LosingTheLastBallCostsALifeAndKeepsTheBricks)
{
    TLevelPtr level = StartLevel(1);
    const int32_t start = flips;
    int32_t movedAway = -1, sinkStart = -1, restartFlip = -1;
    std::vector<TBrick*> bricksBefore;
    TListPtr<TBrick> brickListBefore;
    int32_t bricksLeftBefore = 0, startSecondsBefore = level->StartSeconds, scoreBefore = 0;
    std::vector<int32_t> paddleYs;
    onFlip = [&](int32_t f) {
        if (f - start == 1) Press(KEY_SPACE);
        // Once a brick has gone, the paddle leaves for the far left.
        if (movedAway < 0 && BricksLeft < 66) {
            movedAway = f;
            PointerTo(0, 0);
        }
        if (GameMode == GameCommon::GameMode_LevelStartAgain) {
            if (sinkStart < 0) {
                sinkStart = f;
                brickListBefore = BrickList;
                for (const auto& brick : *BrickList) bricksBefore.push_back(brick.get());
                bricksLeftBefore = BricksLeft;
                scoreBefore = Score;
            }
            paddleYs.push_back(level->Paddle->positionY);
        }
        if (sinkStart > 0 && restartFlip < 0 && GameMode == GameCommon::GameMode_LevelStart) restartFlip = f;
        // One more frame, so the level clock is read again.
        if (restartFlip > 0 && f == restartFlip + 1) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);
    ASSERT_GT(movedAway, 0);
    ASSERT_GT(sinkStart, 0);
    EXPECT_EQ(Lives, 4);
    // Sinking from 704 below 768 + 24 at 2 pixels a frame, the fade out, then the fade in.
    ASSERT_GE(paddleYs.size(), 44u);
    EXPECT_EQ(std::vector<int32_t>(paddleYs.begin(), paddleYs.begin() + 44).back(), 792);
    EXPECT_EQ(paddleYs.front(), 706);
    EXPECT_EQ(restartFlip - sinkStart, 44 + 64 + 64);
    EXPECT_EQ(BrickList, brickListBefore);
    std::vector<TBrick*> bricksAfter;
    for (const auto& brick : *BrickList) bricksAfter.push_back(brick.get());
    EXPECT_EQ(bricksAfter, bricksBefore);
    EXPECT_EQ(BricksLeft, bricksLeftBefore);
    EXPECT_LT(BricksLeft, 66);
    EXPECT_EQ(Score, scoreBefore);
    // A fresh ball rests on the paddle, which is back at its line; the clock started again.
    ASSERT_EQ(BallList->Count(), 1);
    EXPECT_EQ(BallList->First()->speedY, 0);
    EXPECT_EQ(level->Paddle->positionY, 704);
    EXPECT_GT(level->StartSeconds, startSecondsBefore);
    // The clock restarted before the fade-in of about a second.
    EXPECT_GE(level->SecondsCounter, 1);
    EXPECT_LE(level->SecondsCounter, 2);
    EXPECT_EQ(PaddleState, TPaddle::normal);
    EXPECT_EQ(EscapeState, GameCommon::EscapeOpen_Closed);
}

// A sound that notes the flip at which the game played it.
class TNotedSound : public TSound {
public:
    TNotedSound(std::string name, std::vector<std::pair<std::string, int32_t>>& log, const int32_t& flips)
        : _name(std::move(name)), _log(log), _flips(flips)
    {
    }
    TChannelPtr Play(const TChannelPtr& channel) override
    {
        _log.emplace_back(_name, _flips);
        return TSound::Play(channel);
    }

private:
    std::string _name;
    std::vector<std::pair<std::string, int32_t>>& _log;
    const int32_t& _flips;
};

TEST_F(LevelPlayTest, ALostLifeSinksThePaddleFadesOutWithItsSoundThenFadesInWithGetReady)
{
    TLevelPtr level = StartLevel(1);
    std::vector<std::pair<std::string, int32_t>> played;
    LifeLostSound = std::make_shared<TNotedSound>("life lost", played, flips);
    GetReadySound = std::make_shared<TNotedSound>("get ready", played, flips);
    const int32_t start = flips;
    int32_t sinkStart = -1, restartFlip = -1;
    // The background's brightness on every frame from the first sinking frame to the restart.
    std::vector<int32_t> brightness;
    onFlip = [&](int32_t f) {
        if (f - start == 1) Press(KEY_SPACE);
        if (f - start == 2) PointerTo(0, 0);
        if (sinkStart < 0 && GameMode == GameCommon::GameMode_LevelStartAgain) sinkStart = f;
        if (sinkStart > 0 && restartFlip < 0) {
            if (GameMode == GameCommon::GameMode_LevelStart) {
                restartFlip = f;
            } else {
                const auto draws = Draws(driver->presented, level->backGroundGFX);
                brightness.push_back(draws.empty() ? -1 : draws.front().red);
            }
        }
        if (restartFlip > 0) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);
    LifeLostSound = nullptr;
    GetReadySound = nullptr;
    ASSERT_GT(sinkStart, 0);
    ASSERT_EQ(brightness.size(), 44u + 64u + 64u);
    for (size_t i = 0; i < 44; ++i) EXPECT_EQ(brightness[i], 255) << "sinking frame " << i;
    for (size_t i = 0; i < 64; ++i) {
        EXPECT_EQ(brightness[44 + i], 255 - 4 * static_cast<int32_t>(i)) << "fade-out frame " << i;
        EXPECT_EQ(brightness[108 + i], 4 * static_cast<int32_t>(i)) << "fade-in frame " << i;
    }
    // Each sound starts just before the first frame of its fade.
    const std::vector<std::pair<std::string, int32_t>> expected = {{"life lost", sinkStart + 43},
                                                                   {"get ready", sinkStart + 107}};
    EXPECT_EQ(played, expected);
}

TEST_F(LevelPlayTest, ABossShotOnTheRestingBallsPaddleCostsALifeAndShotsInFlightStay)
{
    TLevelPtr level = StartLevel(33);
    const int32_t start = flips;
    int32_t hitFlip = -1;
    TListPtr<TZogShoot> shotsBefore;
    std::vector<TZogShoot*> shotObjects;
    onFlip = [&](int32_t f) {
        if (hitFlip < 0 && GameMode == GameCommon::GameMode_LevelStartAgain) {
            hitFlip = f;
            shotsBefore = ZogShootList;
            for (const auto& shot : *ZogShootList) shotObjects.push_back(shot.get());
            return;
        }
        // Stand under the oldest shot in flight.
        if (hitFlip < 0 && !ZogShootList->IsEmpty()) PointerTo(ZogShootList->First()->positionX, 0);
        if (hitFlip > 0 && GameMode == GameCommon::GameMode_LevelStart) Press(KEY_ESCAPE);
        if (f - start > 2000) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);
    ASSERT_GT(hitFlip, 0);
    EXPECT_EQ(Lives, 4);
    EXPECT_EQ(ZogShootList, shotsBefore);
    // The shots in flight are still there; the restarted salvo adds its first shot behind them.
    ASSERT_FALSE(shotObjects.empty());
    std::vector<TZogShoot*> shotsAfter;
    for (const auto& shot : *ZogShootList) shotsAfter.push_back(shot.get());
    ASSERT_GE(shotsAfter.size(), shotObjects.size());
    EXPECT_TRUE(std::equal(shotObjects.begin(), shotObjects.end(), shotsAfter.begin()));
    EXPECT_EQ(BrickList->Count(), 1);
}

TEST_F(LevelPlayTest, LosingTheLastLifeEndsTheLevelWithGameOver)
{
    TLevelPtr level = StartLevel(1);
    Lives = 1;
    const int32_t start = flips;
    onFlip = [&](int32_t f) {
        if (f - start == 1) Press(KEY_SPACE);
        if (f - start == 8) PointerTo(0, 0);
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_GameOver);
    EXPECT_EQ(Lives, 0);
    EXPECT_FALSE(ChannelPlaying(MusicChannel));
}

TEST_F(LevelPlayTest, GameOverDimsRaisesTheTextWaitsTwoSecondsAndFades)
{
    TLevelPtr level = TLevel::Create(1);
    level->InitalizeLevel();
    keepFrames = true;
    level->GameOver();
    ASSERT_EQ(frames.size(), 39u + 46u + 64u);

    for (size_t i = 0; i < 39; ++i) {
        const auto bg = Draws(frames[i].records, level->backGroundGFX);
        ASSERT_EQ(bg.size(), 1u);
        EXPECT_EQ(bg[0].red, 255 - 4 * i) << "frame " << i;
        EXPECT_TRUE(Texts(frames[i].records, "Game Over").empty());
    }
    const int32_t h = TextHeight("Game Over");
    std::vector<int32_t> centres;
    for (size_t i = 39; i < 85; ++i) {
        const auto texts = Texts(frames[i].records, "Game Over");
        ASSERT_EQ(texts.size(), 2u) << "frame " << i;  // shadow and text
        centres.push_back(static_cast<int32_t>(texts[1].y[0]) + h / 2);
        EXPECT_EQ(Draws(frames[i].records, level->backGroundGFX)[0].red, 100);
    }
    // The text comes up from below the screen, slowing down, and rests at 198.
    EXPECT_GT(centres.front(), 768);
    EXPECT_TRUE(std::is_sorted(centres.rbegin(), centres.rend()));
    EXPECT_EQ(centres.back(), 198);
    EXPECT_EQ(centres.size(), 46u);
    EXPECT_GE(frames[85].ms - frames[84].ms, 2000);
    for (size_t i = 85; i < frames.size(); ++i) {
        const int32_t b = 255 - 4 * static_cast<int32_t>(i - 85);
        const auto texts = Texts(frames[i].records, "Game Over");
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[1].red, std::min(255, b));
        EXPECT_EQ(texts[1].green, std::min(233, b));
        EXPECT_EQ(texts[1].blue, std::min(146, b));
        EXPECT_EQ(static_cast<int32_t>(texts[1].y[0]) + h / 2, centres.back());
        EXPECT_EQ(Draws(frames[i].records, level->backGroundGFX)[0].red, std::min(b, 100));
    }
}

TEST_F(LevelPlayTest, HoldingPPausesUntilSpaceIsHeldAndTheClockRunsOn)
{
    TLevelPtr level = StartLevel(1);
    const int32_t start = flips;
    int32_t pausedFrames = 0, resumedFlip = -1;
    int32_t secondsBefore = -1;
    onFlip = [&](int32_t f) {
        const int32_t k = f - start;
        if (k == 3) {
            secondsBefore = level->SecondsCounter;
            Press(KEY_P);
        }
        if (k == 5) Release(KEY_P);
        if (!Texts(driver->presented, "Game Paused").empty()) {
            ++pausedFrames;
            EXPECT_EQ(Texts(driver->presented, "Press Space to continue").size(), 2u);
        }
        if (k == 3 + 300) Press(KEY_SPACE);
        if (resumedFlip < 0 && k > 3 + 300) {
            resumedFlip = f;
            Release(KEY_SPACE);
        }
        if (k == 3 + 305) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);
    EXPECT_EQ(pausedFrames, 300);
    // The Space that ended the pause also launched the ball; five seconds went by meanwhile.
    EXPECT_EQ(GameMode, GameCommon::GameMode_GamePlaying);
    EXPECT_GE(level->SecondsCounter - secondsBefore, 5);
}

TEST_F(LevelPlayTest, LeavingTheWindowPausesOnceEachTimeAndSpaceResumes)
{
    TLevelPtr level = StartLevel(1);
    // The trace carries the level's fields while a game is on screen.
    SetTraceScreen("level");
    const int32_t start = flips;
    const auto at = [&](int32_t k, const std::string& event) { return std::to_string(start + k) + " " + event + "\n"; };
    Script(at(5, "focus 0") + at(30, "focus 1") + at(40, "keydown 32") + at(42, "keyup 32") +
           // Away again, and Space while still away: one pause, not one per frame.
           at(60, "focus 0") + at(70, "keydown 32") + at(72, "keyup 32") + at(90, "focus 1") + at(100, "keydown 27"));
    std::string timeline;
    onFlip = [&](int32_t f) {
        const int32_t k = f - start;
        const bool shown = !Texts(driver->presented, "Game Paused").empty();
        EXPECT_EQ(level->Paused, shown) << k;
        EXPECT_EQ(GameTraceFields().find("\"Paused\":true") != std::string::npos, shown) << k;
        // The pointer is kept in the window only while the game is played.
        EXPECT_EQ(PlayActive(), !shown) << k;
        timeline += shown ? 'P' : '-';
    };
    EXPECT_EQ(level->MainLoop(), TLevel::LevelResult_Abandoned);
    EXPECT_FALSE(PlayActive());
    const std::string expected =
        std::string(5, '-') + std::string(35, 'P') + std::string(20, '-') + std::string(10, 'P') + std::string(30, '-');
    EXPECT_EQ(timeline, expected);
    // The Space that ended the first pause launched the ball, as after P.
    EXPECT_EQ(GameMode, GameCommon::GameMode_GamePlaying);
}

}  // namespace

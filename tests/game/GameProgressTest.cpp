// One game from start to end: score and lives, level after level, Escape, game over, the closing
// screen after the boss, the high-score entry; and the game state the trace records.
#include "GameWorld.h"

#include "game/Krellix.h"
#include "game/TGame.h"
#include "game/THighScorceEntry.h"
#include "game/TMainMenu.h"
#include "game/TZogShoot.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>

namespace {

class GameProgressTest : public GameWorldTest {
protected:
    void SetUp() override
    {
        GameWorldTest::SetUp();
        THighScorceEntry::FormatTopScore();
    }

    static std::vector<int32_t> TableScores()
    {
        std::vector<int32_t> scores;
        for (const auto& entry : *HighScoreList) scores.push_back(entry->Score);
        return scores;
    }

    static void DestroyAllBricks()
    {
        for (const auto& brick : *BrickList)
            while (BrickList->Contains(brick) && brick->hitTimes > 0) brick->RemoveBrick(nullptr, nullptr, 0);
    }

    // The boss level played down, called at each flip f: Space pressed at 65, the boss takes its
    // sixteen hits at 70 and the paddle heads for the exit at 71.
    void DestroyTheBossOnCue(int32_t f)
    {
        if (f == 65) {
            Press(KEY_SPACE);
            Release(KEY_SPACE);
        }
        if (f == 70)
            for (int32_t hit = 0; hit < 16; ++hit) BrickList->First()->RemoveBrick(nullptr, nullptr, 1);
        if (f == 71) PointerTo(1000, 0);
    }
};

TEST_F(GameProgressTest, EscapeEndsTheGameWithoutAHighScoreEntry)
{
    Score = 999;
    Lives = 2;
    FinalScore = 777;
    CurrentUserLevel = 9;
    const auto tableBefore = TableScores();
    int32_t livesAtStart = -1, scoreAtStart = -1;
    onFlip = [&](int32_t f) {
        if (f == 1) {
            livesAtStart = Lives;
            scoreAtStart = Score;
        }
        // Score some points, then leave.
        if (f == 70) BrickList->First()->RemoveBrick(nullptr, nullptr, 0);
        if (f == 75) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(TGame::Create(4)->NewGame(), 0);
    EXPECT_EQ(livesAtStart, 5);
    EXPECT_EQ(scoreAtStart, 0);
    EXPECT_EQ(Score, 350);
    EXPECT_EQ(FinalScore, 777);
    EXPECT_EQ(CurrentUserLevel, 9);
    EXPECT_EQ(TableScores(), tableBefore);
    EXPECT_EQ(flips, 75);
}

TEST_F(GameProgressTest, ACompletedLevelFadesOutAndTheNextOneIsBuiltWithScoreAndLivesKept)
{
    std::vector<int32_t> levelsSeen;
    int32_t fadeFramesWithRound2 = 0;
    int32_t level2At = -1;
    onFlip = [&](int32_t f) {
        const TLevelPtr level = TLevel::Current();
        if (levelsSeen.empty() || levelsSeen.back() != level->LevelNumber) levelsSeen.push_back(level->LevelNumber);
        if (f == 65) {
            Lives = 3;
            DestroyAllBricks();
        }
        if (f == 66) PointerTo(1000, 0);
        // The fade after the exit shows the number of the level to come.
        if (!Texts(driver->presented, "Round: 2").empty() && BrickList->Count() == 0) ++fadeFramesWithRound2;
        if (level2At < 0 && level->LevelNumber == 2 && BrickList->Count() == 66) level2At = f;
        // Leave a few frames after level 2's fade-in.
        if (level2At > 0 && f == level2At + 64 + 3) Press(KEY_ESCAPE);
    };
    EXPECT_EQ(TGame::Create(1)->NewGame(), 0);
    EXPECT_EQ(levelsSeen, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(fadeFramesWithRound2, 64);
    EXPECT_EQ(CurrentUserLevel, 2);
    EXPECT_EQ(Lives, 3);
    EXPECT_GE(Score, 11 * (100 + 200 + 300 + 350 + 200 + 150));
    EXPECT_EQ(GameMode, GameCommon::GameMode_LevelStart);
}

TEST_F(GameProgressTest, LosingEveryLifeRecordsTheFinalScoreAndTheLevel)
{
    const int32_t lowest = HighScoreList->Last()->Score;
    onFlip = [&](int32_t f) {
        const TLevelPtr level = TLevel::Current();
        if (f == 65) {
            // Finish level 1 at once so the game ends on level 2.
            DestroyAllBricks();
            PointerTo(1000, 0);
        }
        if (level->LevelNumber != 2) return;
        // Launch every new ball and pull the paddle away before it lands.
        if (GameMode == GameCommon::GameMode_LevelStart) {
            PointerTo(400, 0);
            Press(KEY_SPACE);
            Release(KEY_SPACE);
        } else if (GameMode == GameCommon::GameMode_GamePlaying) {
            PointerTo(0, 0);
        }
    };
    const int32_t result = TGame::Create(1)->NewGame();
    EXPECT_EQ(Lives, 0);
    EXPECT_EQ(CurrentUserLevel, 2);
    EXPECT_EQ(FinalScore, Score);
    EXPECT_GE(FinalScore, 14300);
    EXPECT_EQ(result, FinalScore >= lowest ? GameCommon::GameStarte_NewHighScore : 0);
    ASSERT_EQ(result, GameCommon::GameStarte_NewHighScore);
    EXPECT_EQ(HighScoreList->Count(), 10);
    EXPECT_EQ(HighScoreList->First()->Score, FinalScore);
    EXPECT_EQ(HighScoreList->First()->Level, 2);
}

TEST_F(GameProgressTest, DestroyingTheBossAndLeavingShowsTheClosingScreenUntilSpace)
{
    CurrentUserName = "Quill";
    int32_t bossGoneAt = -1, closingFrames = 0, fadeFrames = 0;
    int32_t offsetAtSpace = 0;
    onFlip = [&](int32_t f) {
        DestroyTheBossOnCue(f);
        if (f == 70) {
            bossGoneAt = f;
            EXPECT_EQ(ExplosionList->Count(), 1);
        }
        const auto& records = driver->presented;
        // The closing fade dims the frame and panel too; then the end text scrolls.
        const auto border = Draws(records, LeftBorderImage);
        if (!border.empty() && border[0].red < 255 && Texts(records, "Round: 33").size() == 2) ++fadeFrames;
        if (!Texts(records, TLevel::EndText[54]).empty() || ScrollTextOffset < 800) {
            if (Draws(records, PadImage).empty()) ++closingFrames;
        }
        if (closingFrames == 200) {
            offsetAtSpace = ScrollTextOffset;
            Press(KEY_SPACE);
        }
    };
    const int32_t result = TGame::Create(33)->NewGame();
    ASSERT_GT(bossGoneAt, 0);
    EXPECT_EQ(fadeFrames, 63);
    EXPECT_EQ(closingFrames, 200);
    EXPECT_EQ(offsetAtSpace, 800 - 200);
    EXPECT_EQ(CurrentUserLevel, 33);
    EXPECT_EQ(FinalScore, Score);
    EXPECT_GE(Score, 4500);
    EXPECT_EQ(result, GameCommon::GameStarte_NewHighScore);
    EXPECT_EQ(HighScoreList->First()->Name, "Quill");
    EXPECT_EQ(HighScoreList->First()->Level, 33);
}

TEST_F(GameProgressTest, AFinishedGameIsEnteredEvenWhenTheProgramEndsOnTheClosingScreen)
{
    struct TWindowClosed {};
    CurrentUserName = "Quill";
    onFlip = [&](int32_t f) {
        DestroyTheBossOnCue(f);
        // The end text has begun to scroll.
        if (ScrollTextOffset < 790) throw TWindowClosed{};
    };
    EXPECT_THROW(TGame::Create(33)->NewGame(), TWindowClosed);
    EXPECT_EQ(HighScoreList->First()->Name, "Quill");
    EXPECT_EQ(HighScoreList->First()->Level, 33);
    EXPECT_EQ(HighScoreList->First()->Score, Score);
}

TEST_F(GameProgressTest, TraceFieldsDescribeTheLevelWhileOneExists)
{
    SetTraceScreen("level");
    {
        TLevelPtr level = TLevel::Create(1);
        level->InitalizeLevel();
        Score = 4200;
        Lives = 3;
        const std::string fields = GameTraceFields();
        for (const char* expected :
             {"\"level\":1,", "\"GameMode\":1,", "\"Score\":4200,", "\"Lives\":3,", "\"BricksLeft\":66,",
              "\"EscapeState\":0,", "\"PaddleState\":0,", "\"PaddleScale\":1,", "\"SpeedFactor\":1,",
              "\"SecondsCounter\":0,", "\"paddle\":[560,704]", "\"balls\":[[560,688,0,0]]", "\"bricks\":66,",
              "\"bonuses\":0,", "\"bullets\":0,", "\"aliens\":0,", "\"explosions\":0,", "\"zogshots\":0,",
              "\"zogshotsAt\":[]"})
            EXPECT_NE(fields.find(expected), std::string::npos) << expected << " in " << fields;
        EXPECT_EQ(fields.rfind("\"screen\":\"level\",\"level\":1,", 0), 0u) << fields;
        EXPECT_NE(fields.back(), ',');
        TBall::CreateMultiball();
        auto shot = std::make_shared<TZogShoot>();
        shot->positionX = 390;
        shot->positionY = 502;
        ZogShootList->AddLast(shot);
        const std::string three = GameTraceFields();
        EXPECT_EQ(std::count(three.begin(), three.end(), '['), 1 + 1 + 3 + 1 + 1);
        EXPECT_NE(three.find("\"zogshots\":1,\"zogshotsAt\":[[390,502]]"), std::string::npos) << three;
    }
    EXPECT_EQ(GameTraceFields(), "\"screen\":\"level\"");
    SetTraceScreen("loading");
}

// A game whose music files are all there, each a short piece.
class GameMusicTest : public GameProgressTest {
protected:
    void SetUp() override
    {
        GameProgressTest::SetUp();
        namespace fs = std::filesystem;
        const fs::path seed = fs::path(KRELLIX_TEST_DIR) / "../fuzz/seeds/ogg/mono_8k.ogg";
        std::vector<std::string> files{"sounds/GameMusic/Tonmark_Hiscore.ogg",
                                       "sounds/GameMusic/tonmark_vortanoCover.ogg"};
        for (const int32_t id : {GameSounds::GameSoundscape1, GameSounds::GameSoundscape2, GameSounds::GameZogMusic})
            files.push_back(GameSounds::MusicFile(id));
        for (const std::string& file : files) {
            fs::create_directories((dir.Path() / file).parent_path());
            fs::copy_file(seed, dir.Path() / file);
        }
        previous = fs::current_path();
        fs::current_path(dir.Path());
    }
    void TearDown() override
    {
        GameProgressTest::TearDown();
        std::filesystem::current_path(previous);
    }

    TTempDir dir;
    std::filesystem::path previous;
};

TEST_F(GameMusicTest, ALevelsMusicIsLetGoOfOnceItEndsAndTheGameOverAsksForTheHighScoresMusic)
{
    int32_t fadeFrames = 0, fadeFramesHoldingMusic = 0;
    onFlip = [&](int32_t f) {
        const TLevelPtr level = TLevel::Current();
        if (f == 65) {
            DestroyAllBricks();
            PointerTo(1000, 0);
        }
        if (!Texts(driver->presented, "Round: 2").empty() && BrickList->Count() == 0) {
            ++fadeFrames;
            if (LevelMusic || level->music) ++fadeFramesHoldingMusic;
        }
        if (level->LevelNumber == 2 && BrickList->Count() == 66 && f > 200) {
            EXPECT_TRUE(LevelMusic);
            Press(KEY_ESCAPE);
        }
    };
    EXPECT_EQ(TGame::Create(1)->NewGame(), 0);
    EXPECT_EQ(fadeFrames, 64);
    EXPECT_EQ(fadeFramesHoldingMusic, 0);
    EXPECT_FALSE(HiscoreMusic);

    TLevelPtr level = TLevel::Create(1);
    level->InitalizeLevel();
    ASSERT_TRUE(LevelMusic);
    bool askedAtOnce = false, heldAtOnce = true;
    onFlip = [&](int32_t f) {
        if (f != 1) return;
        askedAtOnce = HiscoreMusic != nullptr;
        heldAtOnce = LevelMusic || level->music;
    };
    flips = 0;
    level->GameOver();
    EXPECT_TRUE(askedAtOnce);
    EXPECT_FALSE(heldAtOnce);
}

TEST_F(GameMusicTest, TheClosingMusicIsAskedForWithTheBossLevelAndTheHighScoresMusicAFadeBeforeTheGameEnds)
{
    CurrentUserName = "Quill";
    int32_t closingAskedAt = -1, closingStartedAt = -1, highScoresAskedAt = -1;
    onFlip = [&](int32_t f) {
        if (closingAskedAt < 0 && VortanoCoverMusic) closingAskedAt = f;
        if (highScoresAskedAt < 0 && HiscoreMusic) highScoresAskedAt = f;
        DestroyTheBossOnCue(f);
        // The closing fade dims the frame too.
        const auto border = Draws(driver->presented, LeftBorderImage);
        if (closingStartedAt < 0 && !border.empty() && border[0].red < 255 &&
            Texts(driver->presented, "Round: 33").size() == 2)
            closingStartedAt = f;
        // Space is down from the closing screen's first frame: the game ends right after the fade.
        if (closingStartedAt > 0) Press(KEY_SPACE);
    };
    EXPECT_EQ(TGame::Create(33)->NewGame(), GameCommon::GameStarte_NewHighScore);
    EXPECT_EQ(closingAskedAt, 1);
    ASSERT_GT(closingStartedAt, 71);
    EXPECT_GT(highScoresAskedAt, 71);
    EXPECT_LE(highScoresAskedAt, closingStartedAt);
    EXPECT_GE(flips - highScoresAskedAt, 63);
}

TEST_F(GameMusicTest, AGameFromTheMenuGivesBackTheHighScoresAndTheClosingMusicWhenItEndsWithoutANewHighScore)
{
    struct TBackInTheMenu {};
    CurrentUserName = "Quill";
    MainMenu = TMainMenu::Create();
    // Both held, as after a game that reached the boss and ended with a new high score.
    GameSounds::DecodeAhead(HiscoreMusic);
    GameSounds::DecodeAhead(VortanoCoverMusic);
    int32_t levelFrames = 0;
    bool heldInTheGame = true;
    onFlip = [&](int32_t) {
        if (TraceScreen() == "level") ++levelFrames;
        if (levelFrames == 1) {
            heldInTheGame = HiscoreMusic != nullptr;
            Release(KEY_ENTER);
        }
        // Left once the level's fade-in is over, the high scores' music asked for as a game that
        // ends by itself asks for it.
        if (levelFrames == 70 && TraceScreen() == "level") {
            GameSounds::DecodeAhead(HiscoreMusic);
            Press(KEY_ESCAPE);
        }
        if (levelFrames > 0 && TraceScreen() == "menu") {
            Release(KEY_ESCAPE);
            throw TBackInTheMenu{};
        }
    };
    Press(KEY_ENTER);
    EXPECT_THROW(MainMenu->Main(0, 0), TBackInTheMenu);
    EXPECT_FALSE(heldInTheGame);
    EXPECT_FALSE(HiscoreMusic);
    EXPECT_FALSE(VortanoCoverMusic);
    EXPECT_FALSE(LevelMusic);
}

}  // namespace

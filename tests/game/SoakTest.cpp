// Long play: every level from 1 to 33 with seeded random input, and the whole program driven
// through the front end with random keys, checking on every frame what must always hold, and
// that memory stays flat. KRELLIX_SOAK_FRAMES sets the level frames in all (500,000 by default;
// the front end gets a fifth of them); the "soak_long" build target runs ten times as many.
#include "FrontEndWorld.h"

#include "framework/graphics/Font.h"
#include "game/Intro.h"
#include "game/Krellix.h"
#include "game/LevelData.h"
#include "game/TGame.h"
#include "game/TTextInput.h"
#include "game/TUserEntry.h"

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>

#if defined(KRELLIX_ADDRESS_SANITIZER)
// From the address sanitizer's run-time (GCC ships no header for it): live heap bytes.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Bytes the program has allocated and not freed.
size_t HeapInUse()
{
#if defined(KRELLIX_ADDRESS_SANITIZER)
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
        text << "frame " << flips << ", level " << (TLevel::Current() ? TLevel::Current()->LevelNumber : 0) << ", mode "
             << GameMode << ": " << what;
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
        const int32_t counts[] = {CountOf(BallList),  CountOf(BonusList),     CountOf(BulletList),
                                  CountOf(AlienList), CountOf(ExplosionList), CountOf(ZogShootList)};
        int32_t* most[] = {&mostBalls, &mostBonuses, &mostBullets, &mostAliens, &mostExplosions, &mostShots};
        for (size_t i = 0; i < std::size(counts); ++i) *most[i] = std::max(*most[i], counts[i]);
        if (counts[0] > 64 || counts[1] > 64 || counts[2] > 256 || counts[3] > 64 || counts[4] > 256 || counts[5] > 256)
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
    std::printf("soak: %d frames, %d games, %lld bricks destroyed; most balls %d, capsules %d, bolts %d, aliens %d, "
                "explosions %d, "
                "boss shots %d; heap after level 1 %zu bytes, most %zu; peak RSS %ld KiB\n",
                flips, games, static_cast<long long>(bricksDestroyed), mostBalls, mostBonuses, mostBullets, mostAliens,
                mostExplosions, mostShots, heapAfterFirst, heapMost, usage.ru_maxrss);
    EXPECT_GE(flips, total);
    EXPECT_LT(heapMost - heapAfterFirst, size_t{5} << 20);
}

// Ends the front-end run once its frames are spent, as a closed window ends the program: thrown
// from the flip hook, it unwinds whatever screen or game is showing.
struct TFramesSpent {};

class FrontEndSoakTest : public FrontEndWorldTest {
protected:
    std::mt19937 random{20261210};
    int64_t total = 0;
    std::vector<std::string> failures;
    bool wasInGame = false;
    int32_t lastScore = 0;
    int32_t games = 0;
    int32_t menuPasses = 0;
    std::string lastScreen;
    std::string lastCheckedName;
    std::map<std::string, int32_t> framesOn;
    size_t heapAfterFirstPass = 0, heapMost = 0;
    int32_t mostUsers = 0, mostStars = 0;

    void SetUp() override
    {
        FrontEndWorldTest::SetUp();
        flipLimit = INT32_MAX;
        onFlip = [this](int32_t) { Frame(); };
    }

    bool Chance(int32_t oneIn) { return std::uniform_int_distribution<int32_t>(1, oneIn)(random) == 1; }

    void Fail(const std::string& what)
    {
        std::ostringstream text;
        text << "frame " << flips << ", screen " << TraceScreen() << ": " << what;
        if (failures.size() < 20) failures.push_back(text.str());
    }

    // The width of text in the large font, the one the name field measures in; the font the
    // game has selected is left as it was.
    static int32_t LargeWidth(const std::string& text)
    {
        const TImageFontPtr current = GetImageFont();
        SetImageFont(LargeFont);
        const int32_t width = TextWidth(text);
        SetImageFont(current);
        return width;
    }

    void CheckName(const std::string& name)
    {
        if (name == lastCheckedName) return;
        lastCheckedName = name;
        if (LargeWidth(name) > TTextInput::MaxWidth)
            Fail("the name \"" + name + "\" is " + std::to_string(LargeWidth(name)) + " pixels wide");
    }

    // What must hold after every frame, then the next frame's keys.
    void Frame()
    {
        const std::string screen(TraceScreen());
        ++framesOn[screen];
        if (MainMenu && (MainMenu->MenuState < TMainMenu::MenuEntry_ContinueGame ||
                         MainMenu->MenuState > TMainMenu::MenuEntry_Quit))
            Fail("MenuState " + std::to_string(MainMenu->MenuState));
        if (Lives < 0) Fail("Lives " + std::to_string(Lives));
        const bool inGame = screen == "level";
        if (inGame && !wasInGame) {
            ++games;
        } else if (inGame && Score < lastScore) {
            Fail("Score fell from " + std::to_string(lastScore) + " to " + std::to_string(Score) + " within a game");
        }
        wasInGame = inGame;
        lastScore = Score;
        const int32_t counts[] = {CountOf(BallList),  CountOf(BonusList),     CountOf(BulletList),
                                  CountOf(AlienList), CountOf(ExplosionList), CountOf(ZogShootList),
                                  CountOf(StarList),  CountOf(HighScoreList), CountOf(UserList)};
        const int32_t limits[] = {64, 64, 256, 64, 256, 256, 1000, 11, 5000};
        for (size_t i = 0; i < std::size(counts); ++i)
            if (counts[i] > limits[i]) Fail("list " + std::to_string(i) + " holds " + std::to_string(counts[i]));
        mostStars = std::max(mostStars, counts[6]);
        mostUsers = std::max(mostUsers, counts[8]);
        if (driver->presented.size() > 20000) Fail(std::to_string(driver->presented.size()) + " draws in a frame");
        CheckName(CurrentUserName);
        // The field on the name screen: every text but the prompt is the name typed so far.
        if (screen == "newplayer")
            for (const TDrawRecord& r : driver->presented)
                if (r.kind == TDrawKind::Text && r.text != "Please enter your name:") CheckName(r.text);

        // The first menu pass ends when the menu shows again after whatever it led to.
        if (screen == "menu" && lastScreen != "menu" && !lastScreen.empty() && lastScreen != "intro") {
            if (++menuPasses == 1) heapAfterFirstPass = HeapInUse();
        }
        lastScreen = screen;
        if (menuPasses > 0 && flips % 500 == 0) heapMost = std::max(heapMost, HeapInUse());
        if (flips >= total) throw TFramesSpent{};
        Input(inGame);
    }

    // Seeded random keys, each held for a while: the menu's keys, typing, Escape, and in a game
    // the pointer now and then so some balls are met.
    void Input(bool inGame)
    {
        const int32_t menuKeys[] = {KEY_UP, KEY_DOWN, KEY_SPACE, KEY_ENTER};
        const int32_t pressOneIn[] = {25, 25, 150, 150};
        for (size_t i = 0; i < std::size(menuKeys); ++i) {
            if (Chance(pressOneIn[i])) Press(menuKeys[i]);
            if (Chance(8)) Release(menuKeys[i]);
        }
        // Escape rarely in a game, so games last, and often enough elsewhere to be tried.
        if (Chance(inGame ? 3000 : 200)) Press(KEY_ESCAPE);
        if (Chance(4)) Release(KEY_ESCAPE);
        if (Chance(6)) {
            // Letters mostly, Backspace, a space, and now and then a code the field refuses.
            const int32_t pick = std::uniform_int_distribution<int32_t>(0, 39)(random);
            const int32_t code = pick < 26 ? 'a' + pick : pick < 32 ? 8 : pick < 35 ? ' ' : pick < 37 ? 0xE9 : '/';
            HandleInputEvent({EVENT_KEYCHAR, code, 0, 0, 0});
        }
        for (const int32_t key : {KEY_M, KEY_P}) {
            if (Chance(1500)) Press(key);
            if (Chance(3)) Release(key);
        }
        if (inGame) {
            if (Chance(20)) PointerTo(std::uniform_int_distribution<int32_t>(0, 1023)(random), 700);
            if (Chance(60)) Click();
        }
    }
};

TEST_F(FrontEndSoakTest, WholeProgramThroughTheMenuWithRandomKeysKeepsItsRulesAndItsMemory)
{
    total = std::max<int64_t>(SoakFrames() / 5, 1);
    int32_t runs = 0, quits = 0;
    try {
        // One program run after another, as KrellixMain runs the front end: intro, then menu
        // passes until Quit is chosen.
        for (;;) {
            ++runs;
            StarList = std::make_shared<TList<TStar>>();
            MainMenu = TMainMenu::Create();
            ShowIntro();
            ClearKeyboard();
            const int32_t result = MainMenu->Main(1, 1);
            EXPECT_EQ(result, 0);
            ASSERT_EQ(MainMenu->MenuState, TMainMenu::MenuEntry_Quit) << "the menu ended other than by Quit";
            ++quits;
            ASSERT_TRUE(failures.empty()) << failures.front() << " (" << failures.size() << " failures)";
        }
    } catch (const TFramesSpent&) {
        // The frame budget is spent; the run ended as a closed window ends it.
    }
    if (menuPasses > 0) heapMost = std::max(heapMost, HeapInUse());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::ostringstream screens;
    for (const auto& [name, count] : framesOn) screens << " " << name << " " << count;
    std::printf("front-end soak: %d frames, %d runs, %d quits, %d menu passes, %d games; frames by "
                "screen:%s; most users %d, stars %d; heap after the first menu pass %zu bytes, most %zu; "
                "peak RSS %ld KiB\n",
                flips, runs, quits, menuPasses, games, screens.str().c_str(), mostUsers, mostStars, heapAfterFirstPass,
                heapMost, usage.ru_maxrss);
    ASSERT_TRUE(failures.empty()) << failures.front() << " (" << failures.size() << " failures)";
    EXPECT_GE(flips, total);
    // In the full run the random keys must reach every part of the program the soak is for; a
    // short one set by KRELLIX_SOAK_FRAMES only keeps the rules.
    if (total >= 100000) {
        EXPECT_GT(menuPasses, 0);
        EXPECT_GT(quits, 0);
        EXPECT_GT(games, 0);
        for (const char* screen : {"intro", "menu", "level", "newplayer", "highscores", "instructions", "credits"})
            EXPECT_GT(framesOn[screen], 0) << screen;
    }
    if (menuPasses > 0) {
        EXPECT_LT(heapMost - std::min(heapMost, heapAfterFirstPass), size_t{5} << 20);
    }
}

}  // namespace

// The whole front end through the built program: the menu and its keys, the name input, games
// started from the menu, the high-score screen after a game, and the ways the program ends.
#include "tests/support/Files.h"
#include "tests/support/Picture.h"
#include "tests/support/RunFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::string;

// Pixels of text in a band of rows around y across the field: white ones and pale gold ones.
struct TTextColours {
    int32_t white = 0, gold = 0;
};
TTextColours TextColoursAt(const TPicture& picture, int32_t y)
{
    TTextColours found;
    for (int32_t row = y - 12; row <= y + 12; ++row) {
        for (int32_t x = 40; x < 728; ++x) {
            const uint8_t* p = picture.At(x, row);
            if (p[0] > 245 && p[1] > 245 && p[2] > 245) ++found.white;
            if (p[0] > 245 && p[1] > 220 && p[1] < 245 && p[2] > 130 && p[2] < 160) ++found.gold;
        }
    }
    return found;
}

Bytes DefaultHighScores()
{
    const char* const names[10] = {"Varn Dovrak",  "Tibbe Halme",  "Seyla Fenrow",  "Orla Quennet", "Brisk Tamsin",
                                   "Jory Vantell", "Mila Ostrand", "Pell Corrigan", "Nessa Druin",  "Hobb Laterly"};
    Bytes out;
    for (int32_t i = 0; i < 10; ++i) out += Record(names[i], {(10 - i) * 100, 10 - i});
    return out;
}

// Space on the first frame after loading skips the intro (a key down before that is cleared).
const char* const SkipIntro = "3 keydown 32\n4 keyup 32\n";

// Down from the menu to the entry below, frame by frame: each press moves the highlight once.
std::string Press(int32_t frame, int32_t key)
{
    return std::to_string(frame) + " keydown " + std::to_string(key) + "\n" + std::to_string(frame + 1) + " keyup " +
           std::to_string(key) + "\n";
}

// New Game without a player: the highlight is moved to New Game at 100, chosen at 120, the entries
// fade out (121-184), the name input fades in (185-248), "ace" is typed in one frame at 260 and
// Return pressed at 280.
std::string NewGameAsAce()
{
    return std::string(SkipIntro) + Press(100, 40) + Press(120, 13) + "260 char 97\n260 char 99\n260 char 101\n" +
           Press(280, 13);
}

// Down held for 100 frames from start reaches Quit from any entry; Return 20 frames later.
std::string QuitFrom(int32_t start)
{
    return std::to_string(start) + " keydown 40\n" + std::to_string(start + 100) + " keyup 40\n" +
           Press(start + 120, 13);
}

class FrontEndRunTest : public TRunFixture {
protected:
    // The frame (1-based) of a trace line.
    const TTraceLine& At(int32_t frame) const { return trace.at(static_cast<size_t>(frame - 1)); }

    // The screens in order, each run of equal frames once, with the frame it ended on.
    std::vector<std::pair<std::string, int64_t>> Screens() const
    {
        std::vector<std::pair<std::string, int64_t>> runs;
        for (const TTraceLine& f : trace) {
            if (runs.empty() || runs.back().first != f.Text("screen"))
                runs.emplace_back(f.Text("screen"), f["frame"]);
            else
                runs.back().second = f["frame"];
        }
        return runs;
    }

    // The same runs without the intro, whose length is its own business.
    std::vector<std::string> ScreenNames() const
    {
        std::vector<std::string> names;
        for (const auto& run : Screens())
            if (run.first != "intro") names.push_back(run.first);
        return names;
    }

    // Frames at which key changed, with the value it changed to (its first appearance is no change).
    std::vector<std::pair<int64_t, int64_t>> Changes(const std::string& key) const
    {
        std::vector<std::pair<int64_t, int64_t>> changes;
        for (size_t i = 1; i < trace.size(); ++i)
            if (trace[i - 1][key] >= 0 && trace[i][key] != trace[i - 1][key])
                changes.emplace_back(trace[i]["frame"], trace[i][key]);
        return changes;
    }
};

TEST_F(FrontEndRunTest, FirstStartShowsTheMenuWhereDownStopsAtQuitAndQuitWritesBothTables)
{
    RunHeadless(std::string(SkipIntro) + "100 keydown 40\n200 keyup 40\n" + Press(220, 13), {"--shot", "150:menu.png"});
    ASSERT_EQ(status, 0) << err;
    ASSERT_EQ(trace.size(), 284u) << "the menu fades out for 64 frames after Return at 220";
    EXPECT_EQ(At(1).Text("screen"), "loading");
    EXPECT_EQ(At(2).Text("screen"), "loading");
    EXPECT_EQ(At(2)["MenuState"], -1) << "no menu yet";
    EXPECT_EQ(ScreenNames(), (std::vector<std::string>{"loading", "menu"}));
    EXPECT_EQ(At(3)["MenuState"], 1);
    EXPECT_EQ(At(3).Text("CurrentUserName"), "");
    EXPECT_EQ(At(3)["CurrentUserLevel"], 1);
    EXPECT_EQ(At(3)["MoveMode"], 0);

    // Down held: one entry every 10 frames, and never past Quit.
    EXPECT_EQ(Changes("MenuState"), (std::vector<std::pair<int64_t, int64_t>>{
                                        {101, 2}, {111, 3}, {121, 4}, {131, 5}, {141, 6}, {151, 7}, {161, 8}}));
    EXPECT_EQ(trace.back()["MenuState"], 8);

    // The first start finds no tables; Quit writes the default high scores and no players.
    EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), DefaultHighScores());
    ASSERT_TRUE(fs::exists(dir.Path() / "users.dat"));
    EXPECT_EQ(fs::file_size(dir.Path() / "users.dat"), 0u);

    // The menu on the screen: its titles in pale gold below the logo, except Instructions, whose
    // highlight was moved there nine frames before and is still almost black.
    const TPicture menu = ReadPng(dir.Path() / "menu.png");
    ASSERT_EQ(menu.width, 1024);
    for (int32_t entry = 0; entry < 8; ++entry) {
        const int32_t gold = TextColoursAt(menu, 224 + 66 * entry).gold;
        if (entry == 5) {
            EXPECT_EQ(gold, 0);
        } else {
            EXPECT_GT(gold, 100) << "entry " << entry;
        }
    }
}

TEST_F(FrontEndRunTest, PadMovementToggledOncePerPressAndTwiceRestoresModeAndTitleWithoutAFade)
{
    // Pad Movement is the third entry. Return is held for 30 frames the first time.
    RunHeadless(std::string(SkipIntro) + Press(100, 40) + Press(120, 40) + "140 keydown 13\n170 keyup 13\n" +
                    Press(200, 13) + Press(400, 40) + QuitFrom(420),
                {"--shot", "130:before.png", "--shot", "140:held0.png", "--shot", "141:held1.png", "--shot",
                 "170:other.png", "--shot", "200:back0.png", "--shot", "201:back1.png", "--shot", "386:after.png"});
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(Changes("MoveMode"), (std::vector<std::pair<int64_t, int64_t>>{{141, 1}, {201, 0}}));
    EXPECT_EQ(At(401)["MenuState"], 4);
    EXPECT_EQ(At(400)["MenuState"], 3);
    EXPECT_EQ(ScreenNames(), (std::vector<std::string>{"loading", "menu"}));

    const TPicture before = ReadPng(dir.Path() / "before.png"), after = ReadPng(dir.Path() / "after.png");
    const TPicture other = ReadPng(dir.Path() / "other.png");
    ASSERT_EQ(before.width, 1024);
    ASSERT_EQ(after.width, 1024);
    ASSERT_EQ(other.width, 1024);
    // 256 frames apart the highlight pulse is in the same phase: the same picture, title included.
    EXPECT_TRUE(before.pixels == after.pixels);
    // In between, the third title reads differently; nothing else changed.
    const int32_t titleY = 192 + 32 + 2 * 66;
    int32_t changedInTitle = 0, changedElsewhere = 0;
    for (int32_t y = 0; y < 768; ++y)
        for (int32_t x = 0; x < 1024; ++x) {
            const bool differs = std::memcmp(before.At(x, y), other.At(x, y), 3) != 0;
            (std::abs(y - titleY) <= 30 ? changedInTitle : changedElsewhere) += differs ? 1 : 0;
        }
    EXPECT_GT(changedInTitle, 200);
    EXPECT_EQ(changedElsewhere, 0);
    // No fade around either toggle: the frames on both sides differ only in that title.
    for (const auto& [first, second] :
         {std::pair<const char*, const char*>{"held0.png", "held1.png"}, {"back0.png", "back1.png"}}) {
        const TPicture a = ReadPng(dir.Path() / first), b = ReadPng(dir.Path() / second);
        ASSERT_EQ(a.width, 1024);
        ASSERT_EQ(b.width, 1024);
        int32_t differing = 0;
        for (int32_t y = 0; y < 768; ++y)
            for (int32_t x = 0; x < 1024; ++x)
                if (std::abs(y - titleY) > 30) differing += std::memcmp(a.At(x, y), b.At(x, y), 3) != 0;
        EXPECT_EQ(differing, 0) << first << " and " << second;
    }
}

TEST_F(FrontEndRunTest, NewGameWithoutAPlayerAsksForTheNameAndQuitStoresThePlayer)
{
    RunHeadless(NewGameAsAce() + "600 keydown 27\n610 keyup 27\n" + QuitFrom(700), {"--shot", "270:name.png"});
    ASSERT_EQ(status, 0) << err;
    const auto screens = Screens();
    ASSERT_EQ(ScreenNames(), (std::vector<std::string>{"loading", "menu", "newplayer", "menu", "level", "menu"}));
    // The entries fade out, the name input takes 64 + 32 + 64 frames, the backdrop fades alone, and
    // the game (its 64-frame fade-in, then play) runs until Escape at 600.
    const auto end = [&](size_t fromLast) { return screens[screens.size() - fromLast].second; };
    EXPECT_EQ(end(5), 184);
    EXPECT_EQ(end(4), 344);
    EXPECT_EQ(end(3), 408);
    EXPECT_EQ(end(2), 600);
    EXPECT_EQ(At(280).Text("CurrentUserName"), "");
    EXPECT_EQ(At(281).Text("CurrentUserName"), "ACE");
    EXPECT_EQ(At(281)["CurrentUserLevel"], 1);
    for (int32_t f = 409; f <= 600; ++f) ASSERT_EQ(At(f)["level"], 1) << f;
    EXPECT_EQ(At(601)["level"], -1) << "the level's fields belong to game frames";
    EXPECT_EQ(trace.back().Text("screen"), "menu");

    EXPECT_EQ(ReadText(dir.Path() / "users.dat"), Record("ACE", {1}));
    EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), DefaultHighScores());

    // Typed in one frame, the three letters enter over three: the field shows ACE, centred low.
    const TPicture name = ReadPng(dir.Path() / "name.png");
    ASSERT_EQ(name.width, 1024);
    EXPECT_GT(TextColoursAt(name, 450).gold, 100);
    EXPECT_GT(TextColoursAt(name, 400).gold, 100) << "the prompt";
}

TEST_F(FrontEndRunTest, ContinueResumesAStoredPlayerAndNewGameStartsAtLevelOneAgain)
{
    WriteText(dir.Path() / "users.dat", Record("BOB", {3}) + Record("ACE", {5}));
    // Continue (already highlighted) at 120 asks for the name; Escape at 600 ends the game; New
    // Game at 720 starts at once with the player known, and Escape at 1000 ends it.
    RunHeadless(std::string(SkipIntro) + Press(120, 13) + "260 char 97\n260 char 99\n260 char 101\n" + Press(280, 13) +
                "600 keydown 27\n610 keyup 27\n" + Press(700, 40) + Press(720, 13) +
                "1000 keydown 27\n1010 keyup 27\n" + QuitFrom(1100));
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(ScreenNames(),
              (std::vector<std::string>{"loading", "menu", "newplayer", "menu", "level", "menu", "level", "menu"}));
    EXPECT_EQ(At(281)["CurrentUserLevel"], 5);
    std::vector<int64_t> levels;
    for (const TTraceLine& f : trace)
        if (f.Text("screen") == "level" && (levels.empty() || levels.back() != f["level"]))
            levels.push_back(f["level"]);
    EXPECT_EQ(levels, (std::vector<int64_t>{5, 1}));
    // The second game began right after the menu faded out: no name input.
    EXPECT_EQ(At(720 + 64 + 1).Text("screen"), "level");
    EXPECT_EQ(ReadText(dir.Path() / "users.dat"), Record("BOB", {3}) + Record("ACE", {5}));
}

TEST_F(FrontEndRunTest, AGameThatEntersTheTableShowsItWithTheNewRowHighlighted)
{
    // A table the lost game is sure to enter, whatever it scores.
    Bytes table = Record("TOP", {100000, 9}) + Record("MID", {50, 5});
    for (int32_t i = 1; i <= 8; ++i) table += Record("LOW", {-i, 1});
    WriteText(dir.Path() / "highscore.dat", table);
    // Five lives lost as the whole-game run loses them: the paddle runs right with the ball on it,
    // the ball is launched and the paddle runs away left. The game's play starts at frame 473.
    std::ostringstream lose;
    for (int life = 0; life < 5; ++life) {
        const int f = 476 + 280 * life;
        if (life > 0) lose << f << " keyup 37\n";
        lose << f << " keydown 39\n" << f + 60 << " keyup 39\n" << f + 60 << " keydown 37\n";
        lose << f + 60 << " keydown 32\n" << f + 61 << " keyup 32\n";
    }
    lose << "1900 keyup 37\n";
    RunHeadless(NewGameAsAce() + lose.str() + Press(2400, 32) + QuitFrom(2600), {"--shot", "2350:table.png"});
    ASSERT_EQ(status, 0) << err;
    const auto screens = Screens();
    ASSERT_EQ(ScreenNames(),
              (std::vector<std::string>{"loading", "menu", "newplayer", "menu", "level", "highscores", "menu"}));
    int64_t finalScore = -1, highscoreFrom = -1;
    for (const TTraceLine& f : trace) {
        if (f.Text("screen") == "level" && f["Score"] >= 0) finalScore = f["Score"];
        if (f.Text("screen") == "highscores" && highscoreFrom < 0) highscoreFrom = f["frame"];
    }
    ASSERT_GE(finalScore, 0);
    // The high-score screen fades in for 64 frames and holds until Space at 2400.
    ASSERT_LT(highscoreFrom + 64, 2350) << "the game ended later than this script expects";
    EXPECT_EQ(screens[screens.size() - 2].second, 2400 + 64);
    EXPECT_EQ(trace.back()["CurrentUserLevel"], 1);

    // ACE's row comes after every score at least as high; the lowest row dropped out.
    const int32_t row = finalScore > 50 ? (finalScore > 100000 ? 1 : 2) : 3;
    Bytes expected = Record("TOP", {100000, 9});
    if (row == 2)
        expected =
            Record("TOP", {100000, 9}) + Record("ACE", {static_cast<int32_t>(finalScore), 1}) + Record("MID", {50, 5});
    if (row == 3) expected += Record("MID", {50, 5}) + Record("ACE", {static_cast<int32_t>(finalScore), 1});
    ASSERT_NE(row, 1);
    for (int32_t i = 1; i <= 7; ++i) expected += Record("LOW", {-i, 1});
    EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), expected);

    // That row is drawn white, the others pale gold.
    const TPicture picture = ReadPng(dir.Path() / "table.png");
    ASSERT_EQ(picture.width, 1024);
    for (int32_t r = 1; r <= 10; ++r) {
        const TTextColours colours = TextColoursAt(picture, 105 + 50 * (r - 1));
        if (r == row) {
            EXPECT_GT(colours.white, 100) << "row " << r;
            EXPECT_EQ(colours.gold, 0) << "row " << r;
        } else {
            EXPECT_GT(colours.gold, 100) << "row " << r;
        }
    }
}

TEST_F(FrontEndRunTest, ClosingTheWindowInTheMenuOrDuringAGameSavesBothTables)
{
    RunHeadless(std::string(SkipIntro) + "150 close\n");
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(trace.size(), 150u);
    EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), DefaultHighScores());
    EXPECT_TRUE(fs::exists(dir.Path() / "users.dat"));

    // During a game the game is dropped as Escape drops it; the new player is kept.
    fs::remove(dir.Path() / "users.dat");
    RunHeadless(NewGameAsAce() + "476 keydown 32\n477 keyup 32\n600 close\n");
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(trace.size(), 600u);
    EXPECT_EQ(trace.back().Text("screen"), "level");
    EXPECT_EQ(ReadText(dir.Path() / "users.dat"), Record("ACE", {1}));
    EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), DefaultHighScores());
}

TEST_F(FrontEndRunTest, InterruptAndTerminateSignalsEndTheProgramAsQuitDoes)
{
    struct TCase {
        int signal;
        std::vector<std::string> extra;
        const char* screen;
    };
    // In the menu, and in a game waiting for its launch.
    for (const TCase& c : {TCase{SIGTERM, {}, "menu"}, TCase{SIGINT, {"--level", "4"}, "level"}}) {
        fs::remove(dir.Path() / "users.dat");
        fs::remove(dir.Path() / "highscore.dat");
        const int pid = Start(Headless(SkipIntro, c.extra));
        ASSERT_GT(pid, 0);
        const bool reached = WaitForTrace(pid, [&](const std::vector<std::string>& lines) {
            return lines.size() > 200 && ParseTraceLine(lines[lines.size() - 2]).Text("screen") == c.screen;
        });
        kill(pid, c.signal);
        Wait(pid);
        ASSERT_TRUE(reached) << c.screen;
        EXPECT_EQ(status, 0) << err;
        EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), DefaultHighScores()) << c.screen;
        EXPECT_TRUE(fs::exists(dir.Path() / "users.dat")) << c.screen;
        EXPECT_EQ(trace.back().Text("screen"), c.screen);
    }
}

}  // namespace

// Whole games through the built program: headless, scripted input, traces and screenshots.
#include "tests/support/Files.h"
#include "tests/support/Picture.h"
#include "tests/support/RunFixture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class GameRunTest : public TRunFixture {
protected:
    // Runs the game headless from level with the script as input.
    void Play(int32_t level, const std::string& script, std::vector<std::string> options = {})
    {
        options.insert(options.begin(), {"--level", std::to_string(level)});
        RunHeadless(script, options);
    }
};

TEST_F(GameRunTest, EscapeLeavesTheGameWithoutTouchingTheHighScores)
{
    // A first game left at once writes the default table.
    Play(4, "100 keydown 27\n");
    ASSERT_EQ(status, 0) << err;
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.back()["frame"], 100);
    EXPECT_EQ(trace.back()["level"], 4);
    EXPECT_EQ(trace.back()["BricksLeft"], 104);
    const std::string defaults = ReadText(dir.Path() / "highscore.dat");
    ASSERT_FALSE(defaults.empty());
    EXPECT_TRUE(fs::exists(dir.Path() / "users.dat"));

    // A second one scores and is left with Escape: the table stays as it was.
    Play(4, "70 keydown 32\n71 keyup 32\n400 keydown 27\n");
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(trace.back()["frame"], 400);
    EXPECT_GT(trace.back()["Score"], 0);
    EXPECT_LT(trace.back()["BricksLeft"], 104);
    EXPECT_EQ(ReadText(dir.Path() / "highscore.dat"), defaults);
}

// Each life: run the paddle to the right edge with the ball resting on it, then launch and run
// left; the ball leaves rightwards and the paddle is gone when it lands. 280 frames a life.
std::string FiveLostBalls()
{
    std::ostringstream script;
    for (int life = 0; life < 5; ++life) {
        const int f = 70 + 280 * life;
        if (life > 0) script << f << " keyup 37\n";
        script << f << " keydown 39\n";
        script << f + 60 << " keyup 39\n" << f + 60 << " keydown 37\n";
        script << f + 60 << " keydown 32\n" << f + 61 << " keyup 32\n";
    }
    return script.str();
}

TEST_F(GameRunTest, FiveLostBallsEndTheGameWithTheGameOverScreen)
{
    Play(1, FiveLostBalls());
    ASSERT_EQ(status, 0) << err;
    ASSERT_GT(trace.size(), 1000u);

    std::vector<int64_t> lives;
    int64_t lastBricks = 66;
    std::map<int64_t, int32_t> sinkingFrames;
    int32_t gameOverFrames = 0;
    int64_t longestWait = 0;
    for (size_t i = 1; i < trace.size(); ++i) {
        const TTraceLine& t = trace[i];
        if (t["level"] < 0) continue;
        if (lives.empty() || lives.back() != t["Lives"]) lives.push_back(t["Lives"]);
        // Bricks are kept through every lost life.
        EXPECT_LE(t["BricksLeft"], lastBricks);
        lastBricks = t["BricksLeft"];
        if (t["GameMode"] == 2) ++sinkingFrames[t["Lives"]];
        if (t["Lives"] == 0) ++gameOverFrames;
        longestWait = std::max(longestWait, t["ms"] - trace[i - 1]["ms"]);
    }
    EXPECT_EQ(lives, (std::vector<int64_t>{5, 4, 3, 2, 1, 0}));
    // Per lost life the paddle sinks 2 pixels a frame from 704 until it is a paddle's height below
    // the screen (with the old count of lives), then the field fades out and in (64 + 64 frames).
    const int32_t padHeight = ReadPng(std::string(KRELLIX_DATA_DIR) + "/images/Pad.png", true).height;
    ASSERT_GT(padHeight, 0);
    const int32_t sink = (768 + padHeight - 704 + 1) / 2;
    EXPECT_EQ(sinkingFrames[5], sink);
    for (int64_t l : {4, 3, 2, 1}) EXPECT_EQ(sinkingFrames[l], 64 + 64 + sink) << "lives " << l;
    // The last life: the game-over screen, 39 + 46 + 64 frames around a two-second pause.
    EXPECT_EQ(gameOverFrames, 39 + 46 + 64);
    EXPECT_GE(longestWait, 2000);
    EXPECT_EQ(trace.back()["Lives"], 0);
    EXPECT_TRUE(fs::exists(dir.Path() / "highscore.dat"));
    EXPECT_TRUE(fs::exists(dir.Path() / "users.dat"));
}

TEST_F(GameRunTest, TheFieldFadesInWhileTheFrameAndPanelStayBright)
{
    Play(1, "80 keydown 27\n", {"--shot", "3:start.png", "--shot", "66:end.png", "--shot", "75:play.png"});
    ASSERT_EQ(status, 0) << err;
    const TPicture start = ReadPng(dir.File("start.png"), true);
    const TPicture end = ReadPng(dir.File("end.png"), true);
    const TPicture play = ReadPng(dir.File("play.png"), true);
    ASSERT_EQ(start.width, 1024);
    ASSERT_EQ(end.width, 1024);
    ASSERT_EQ(play.height, 768);
    // The field, under the bricks and above the paddle, is dark at first and bright at the end.
    EXPECT_LT(start.Mean(40, 400, 730, 640) + 20, end.Mean(40, 400, 730, 640));
    // The lower part of the side panel has no text: it is drawn at full brightness throughout.
    EXPECT_NEAR(start.Mean(800, 450, 1000, 640), end.Mean(800, 450, 1000, 640), 1.0);
    EXPECT_GT(end.Mean(800, 450, 1000, 640), 10.0);
    // The last frame of the fade looks like play.
    EXPECT_NEAR(end.Mean(40, 400, 730, 640), play.Mean(40, 400, 730, 640), 8.0);
}

TEST_F(GameRunTest, TheBossFiresOneShotASecondAndOtherLevelsNever)
{
    Play(33, "400 keydown 27\n");
    ASSERT_EQ(status, 0) << err;
    std::vector<int64_t> shotSeconds;
    int64_t previous = 0;
    for (const TTraceLine& t : trace) {
        if (t["GameMode"] != 1 || t["zogshots"] < 0) continue;
        if (t["zogshots"] > previous) shotSeconds.push_back(t["SecondsCounter"]);
        previous = t["zogshots"];
    }
    ASSERT_GE(shotSeconds.size(), 4u);
    for (size_t i = 1; i < shotSeconds.size(); ++i) EXPECT_EQ(shotSeconds[i], shotSeconds[i - 1] + 1);
    EXPECT_EQ(trace.back()["bricks"], 1);

    Play(32, "400 keydown 27\n");
    ASSERT_EQ(status, 0) << err;
    for (const TTraceLine& t : trace) {
        if (t["level"] > 0) {
            EXPECT_EQ(t["zogshots"], 0);
        }
    }
}

// The scores of a high-score file, in its order.
std::vector<int32_t> ScoresIn(const std::string& file)
{
    std::vector<int32_t> scores;
    for (size_t at = file.find("\r\n"); at != std::string::npos && at + 10 <= file.size();
         at = file.find("\r\n", at + 10)) {
        uint32_t score = 0;
        for (size_t i = 0; i < 4; ++i) score |= uint32_t{static_cast<uint8_t>(file[at + 2 + i])} << (8 * i);
        scores.push_back(static_cast<int32_t>(score));
    }
    return scores;
}

TEST_F(GameRunTest, TwoGamesAtOnceInOneFolderKeepBothScores)
{
    // Space every 50 frames, and nothing else: each game scores 2150 on level 1 and loses every ball.
    std::ostringstream script;
    for (int f = 70; f < 4000; f += 50) script << f << " keydown 32\n" << f + 1 << " keyup 32\n";
    // Each in a folder of its own, for its output and trace, on the one data folder.
    const auto args = Headless(script.str(), {"--level", "1"});
    const auto start = [&](const std::string& name) {
        fs::create_directory(dir.Path() / name);
        return StartProgram(KRELLIX_EXE, args, dir.File(name), {{{"ALSOFT_DRIVERS", "null"}}, {}});
    };
    // The first game has read the tables and plays; it is held there while the second plays a
    // whole game and saves.
    const int first = start("first");
    ASSERT_GT(first, 0);
    ASSERT_TRUE(WaitForTrace(
        first,
        [](const auto& lines) {
            return !lines.empty() && lines.back().find("\"screen\":\"level\"") != std::string::npos;
        },
        "first/trace.jsonl"))
        << "the first game never reached its level";
    ::kill(first, SIGSTOP);
    const int second = start("second");
    const int secondStatus = WaitProgram(second);
    ::kill(first, SIGCONT);
    ASSERT_EQ(secondStatus, 0) << ReadText(dir.Path() / "second" / ".stderr");
    ASSERT_EQ(WaitProgram(first), 0) << ReadText(dir.Path() / "first" / ".stderr");

    const std::vector<TTraceLine> played = ReadTrace("second/trace.jsonl");
    ASSERT_FALSE(played.empty());
    const int64_t score = played.back()["Score"];
    EXPECT_EQ(score, 2150);
    const std::vector<int32_t> scores = ScoresIn(ReadText(dir.Path() / "highscore.dat"));
    EXPECT_EQ(scores.size(), 10u);
    EXPECT_EQ(std::count(scores.begin(), scores.end(), score), 2);
}

TEST_F(GameRunTest, ASaveWaitsForAnotherRunsLockOnlySoLong)
{
    // Another process holds the tables' lock and never lets go.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const std::string lock = dir.File("tables.lock");
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0644);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "x", 1) != 1) ::_exit(1);
        for (;;) ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    Play(4, "100 keydown 27\n");
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(status, 1) << err;
    for (const char* table : {"users.dat", "highscore.dat"}) {
        EXPECT_NE(err.find(table + std::string(" was not saved: another run of the game kept tables.lock")),
                  std::string::npos)
            << err;
        EXPECT_FALSE(fs::exists(dir.Path() / table));
    }
}

}  // namespace

TEST_F(GameRunTest, TheDrawingShortcutsShowTheVeryPicturesOfThePlainWay)
{
    // The boss level: its shots, the ball launched and lost, the paddle sinking and the fades.
    const std::string script = "70 keydown 32\n71 keyup 32\n90 keydown 37\n330 keydown 27\n";
    const auto shots = [](const std::string& prefix) {
        std::vector<std::string> options;
        for (int32_t frame = 40; frame <= 320; frame += 20)
            options.insert(options.end(),
                           {"--shot", std::to_string(frame) + ":" + prefix + std::to_string(frame) + ".png"});
        return options;
    };
    Play(33, script, shots("quick"));
    ASSERT_EQ(status, 0) << err;
    const std::string quickTrace = ReadText(dir.Path() / "trace.jsonl");
    setenv("KRELLIX_PLAIN_DRAWING", "1", 1);
    Play(33, script, shots("plain"));
    unsetenv("KRELLIX_PLAIN_DRAWING");
    ASSERT_EQ(status, 0) << err;
    EXPECT_EQ(ReadText(dir.Path() / "trace.jsonl"), quickTrace);
    std::string last;
    for (int32_t frame = 40; frame <= 320; frame += 20) {
        const std::string quick = ReadText(dir.Path() / ("quick" + std::to_string(frame) + ".png"));
        ASSERT_FALSE(quick.empty()) << frame;
        EXPECT_TRUE(quick == ReadText(dir.Path() / ("plain" + std::to_string(frame) + ".png"))) << "frame " << frame;
        // Something moved between the shots.
        EXPECT_NE(quick, last) << "frame " << frame;
        last = quick;
    }
}

TEST_F(GameRunTest, AGameThatIsOverEntersItsScoreEvenWhenClosedOnTheGameOverScreen)
{
    // The paddle never moves and the ball is launched every 100 frames: five lives lost, 2150 points.
    std::string launches;
    for (int32_t f = 100; f <= 6000; f += 100)
        launches += std::to_string(f) + " keydown 32\n" + std::to_string(f + 1) + " keyup 32\n";
    Play(1, launches);
    ASSERT_EQ(status, 0) << err;
    int64_t lastLifeLost = -1;
    for (const TTraceLine& t : trace)
        if (lastLifeLost < 0 && t["Lives"] == 0) lastLifeLost = t["frame"];
    ASSERT_GT(lastLifeLost, 0);
    EXPECT_EQ(trace.back()["Score"], 2150);
    EXPECT_NE(ReadText(dir.Path() / "highscore.dat").find(Words({2150, 1})), std::string::npos);

    // The window closed while the game-over screen shows, or while the last ball is still in play.
    struct TCase {
        int64_t closeAt;
        bool entered;
    };
    for (const TCase& c : {TCase{lastLifeLost + 60, true}, TCase{lastLifeLost - 100, false}}) {
        fs::remove(dir.Path() / "highscore.dat");
        std::string script;
        for (int32_t f = 100; f < c.closeAt; f += 100)
            script += std::to_string(f) + " keydown 32\n" + std::to_string(f + 1) + " keyup 32\n";
        Play(1, script + std::to_string(c.closeAt) + " close\n");
        ASSERT_EQ(status, 0) << err;
        EXPECT_EQ(trace.back()["frame"], c.closeAt);
        EXPECT_EQ(ReadText(dir.Path() / "highscore.dat").find(Words({2150, 1})) != std::string::npos, c.entered)
            << c.closeAt;
    }
}

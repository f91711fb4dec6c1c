// The harness on the recording driver: frame counting, the trace and its pacing, the frame limit,
// scripted input by frame, recording and exact replay, and screenshots.
#include "framework/platform/Harness.h"
#include "framework/graphics/Recording.h"
#include "framework/platform/Platform.h"
#include "tests/support/TempDir.h"
#include "tests/support/Trace.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>

namespace {

class HarnessTest : public testing::Test {
protected:
    void TearDown() override
    {
        EndGraphics();
        SetEventSource(nullptr);
        SetClock(nullptr);
        ResetInput();
    }

    // The pointer position outlives a flush, as a real pointer's does; tests start it at 0, 0.
    static void ResetInput()
    {
        FlushInputState();
        TEvent home;
        home.id = EVENT_MOUSEMOVE;
        HandleInputEvent(home);
    }

    // A headless platform on a virtual clock, without GL: the game draws through the recorder.
    static THarnessPlatform Headless()
    {
        THarnessPlatform platform;
        platform.virtualClock = std::make_shared<TVirtualClock>(0);
        platform.clock = platform.virtualClock;
        return platform;
    }

    static void OpenDisplay()
    {
        ASSERT_NE(OpenRecordingGraphics(1024, 768, std::make_shared<TRecordingDriver>()), nullptr);
    }

    TTempDir dir;
};

TEST_F(HarnessTest, SixtyFramesTakeOneSecondInTheTrace)
{
    THarnessOptions options;
    options.tracePath = dir.File("trace.jsonl");
    THarness harness;
    std::string error;
    ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
    harness.SetTraceFields([] { return std::string("\"level\":7"); });
    OpenDisplay();
    for (int i = 0; i < 120; ++i) Flip(-1);
    ASSERT_TRUE(harness.Finish());

    const auto lines = Lines(ReadText(options.tracePath));
    ASSERT_EQ(lines.size(), 120u);
    int32_t previous = 0;
    int32_t shorter = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(Member(lines[i], "frame"), static_cast<int32_t>(i + 1));
        EXPECT_EQ(Member(lines[i], "level"), 7);
        const int32_t ms = Member(lines[i], "ms");
        EXPECT_TRUE(ms - previous == 16 || ms - previous == 17) << lines[i];
        shorter += ms - previous == 16 ? 1 : 0;
        previous = ms;
    }
    EXPECT_EQ(lines.front(), "{\"frame\":1,\"ms\":16,\"level\":7}");
    EXPECT_EQ(Member(lines[59], "ms"), 1000);
    EXPECT_EQ(Member(lines[119], "ms"), 2000);
    EXPECT_EQ(shorter, 40);
}

TEST_F(HarnessTest, FrameLimitEndsRightAfterThatFlip)
{
    THarnessOptions options;
    options.frames = 3;
    options.tracePath = dir.File("trace.jsonl");
    THarness harness;
    std::string error;
    ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
    OpenDisplay();
    int32_t flips = 0;
    try {
        for (; flips < 10; ++flips) Flip(-1);
    } catch (const TFrameLimitReached& limit) {
        EXPECT_EQ(limit.frame, 3);
    }
    EXPECT_EQ(flips, 2);  // the third Flip did not return
    EXPECT_EQ(harness.Frames(), 3);
    harness.Finish();
    EXPECT_EQ(Lines(ReadText(options.tracePath)).size(), 3u);
}

TEST_F(HarnessTest, ScriptedEventsArriveAfterTheirFrame)
{
    const std::string script = "# two keys and a character\n"
                               "0 char 65\n"
                               "2 keydown 32\n"
                               "3 keyup 32\n"
                               "3 mousemove 100 200\n";
    WriteText(dir.File("in.txt"), script);
    THarnessOptions options;
    options.inputPath = dir.File("in.txt");
    THarness harness;
    std::string error;
    ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
    OpenDisplay();
    EXPECT_EQ(NextTypedChar(), 65);
    EXPECT_EQ(KeyIsDown(KEY_SPACE), 0);
    Flip(-1);
    EXPECT_EQ(KeyIsDown(KEY_SPACE), 0);
    Flip(-1);
    EXPECT_EQ(KeyIsDown(KEY_SPACE), 1);
    EXPECT_EQ(KeyHitCount(KEY_SPACE), 1);
    Flip(-1);
    EXPECT_EQ(KeyIsDown(KEY_SPACE), 0);
    EXPECT_EQ(MousePosX(), 100);
    EXPECT_EQ(MousePosY(), 200);
}

TEST_F(HarnessTest, HandWrittenScriptsAnswerPointerWarpsAFrameLater)
{
    WriteText(dir.File("in.txt"), "1 mousemove 300 10\n");
    THarnessOptions options;
    options.inputPath = dir.File("in.txt");
    THarness harness;
    std::string error;
    ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
    OpenDisplay();
    EXPECT_EQ(MousePosX(), 0);
    // Input is taken once per frame: the warp shows after the next Flip, and the script's move
    // of that frame, made by the player after the warp, wins.
    MoveMouse(40, 50);
    EXPECT_EQ(MousePosX(), 0);
    Flip(-1);
    EXPECT_EQ(MousePosX(), 300);
    EXPECT_EQ(MousePosY(), 10);
    MoveMouse(70, 80);
    EXPECT_EQ(MousePosY(), 10);
    Flip(-1);
    EXPECT_EQ(MousePosX(), 70);
    EXPECT_EQ(MousePosY(), 80);
}

TEST_F(HarnessTest, ReplaysDoNotAnswerWarpsThemselves)
{
    // A recording holds the moves the warps caused; the replay must not add more.
    WriteText(dir.File("rec.txt"), "0 clock 5\n1 mousemove 12 34\n");
    THarnessOptions options;
    options.inputPath = dir.File("rec.txt");
    THarness harness;
    std::string error;
    ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
    OpenDisplay();
    MoveMouse(400, 400);
    Flip(-1);
    EXPECT_EQ(MousePosX(), 12);
    MoveMouse(500, 500);
    Flip(-1);
    EXPECT_EQ(MousePosX(), 12);
    EXPECT_EQ(MousePosY(), 34);
}

TEST_F(HarnessTest, BadScriptsAndFilesAreRefused)
{
    WriteText(dir.File("bad.txt"), "0 keydown 32\n1 jump 3\n");
    struct TCase {
        THarnessOptions options;
        std::string mentions;
    };
    TCase cases[3];
    cases[0].options.inputPath = dir.File("bad.txt");
    cases[0].mentions = "bad.txt: line 2";
    cases[1].options.inputPath = dir.File("absent.txt");
    cases[1].mentions = "absent.txt";
    cases[2].options.tracePath = dir.File("no/such/folder/trace.jsonl");
    cases[2].mentions = "trace.jsonl";
    for (const TCase& c : cases) {
        THarness harness;
        std::string error;
        EXPECT_FALSE(harness.Start(c.options, Headless(), error));
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

// A little game: each frame it reads the clock and the input, warps the pointer as the paddle
// does, and sometimes waits; what it saw is its result.
std::vector<int32_t> PlayFrames(int32_t frames)
{
    std::vector<int32_t> seen;
    for (int32_t i = 0; i < frames; ++i) {
        seen.push_back(CurrentMillisecs());
        seen.push_back(KeyHitCount(KEY_SPACE));
        seen.push_back(MousePosX());
        MoveMouse(MousePosX() / 2 + 10, 704);
        if (i == 4) SleepMillisecs(250);
        Flip(-1);
    }
    return seen;
}

TEST_F(HarnessTest, RecordingReplaysExactly)
{
    WriteText(dir.File("in.txt"), "1 keydown 32\n2 keyup 32\n3 mousemove 500 300\n6 keydown 32\n");
    THarnessOptions record;
    record.inputPath = dir.File("in.txt");
    record.recordPath = dir.File("rec.txt");
    record.tracePath = dir.File("first.jsonl");
    std::vector<int32_t> first;
    {
        THarness harness;
        std::string error;
        ASSERT_TRUE(harness.Start(record, Headless(), error)) << error;
        OpenDisplay();
        first = PlayFrames(10);
        harness.Finish();
        EndGraphics();
    }
    ResetInput();

    // The pacing of Flip reads the clock too, but only the game's own readings are recorded: one
    // when the display opens and one per frame.
    const std::string recording = ReadText(record.recordPath);
    int32_t clockLines = 0;
    for (const std::string& line : Lines(recording)) clockLines += line.find(" clock ") != std::string::npos;
    EXPECT_EQ(clockLines, 11);
    EXPECT_NE(recording.find("mousemove"), std::string::npos);

    THarnessOptions replay;
    replay.inputPath = record.recordPath;
    replay.tracePath = dir.File("second.jsonl");
    std::vector<int32_t> second;
    {
        THarness harness;
        std::string error;
        ASSERT_TRUE(harness.Start(replay, Headless(), error)) << error;
        OpenDisplay();
        second = PlayFrames(10);
        harness.Finish();
    }
    EXPECT_EQ(first, second);
    EXPECT_EQ(ReadText(record.tracePath), ReadText(replay.tracePath));
    // The wait in the fifth frame made it late; the pacing starts again from there.
    const auto lines = Lines(ReadText(replay.tracePath));
    EXPECT_EQ(Member(lines.at(3), "ms"), 66);
    EXPECT_EQ(Member(lines.at(4), "ms"), 66 + 250);
    EXPECT_EQ(Member(lines.at(5), "ms"), 66 + 250 + 17);
}

TEST_F(HarnessTest, TerminationSignalsArriveAsTheWindowsCloseRequestAndAreRecorded)
{
    WriteText(dir.File("in.txt"), "1 keydown 32\n");
    THarnessOptions options;
    options.inputPath = dir.File("in.txt");
    options.recordPath = dir.File("rec.txt");
    {
        THarness harness;
        std::string error;
        ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
        OpenDisplay();
        InstallTerminationSignals();
        Flip(-1);
        EXPECT_FALSE(AppTerminateRequested());
        std::raise(SIGTERM);
        // Input is taken once per frame: the request is seen after the next Flip.
        EXPECT_FALSE(AppTerminateRequested());
        Flip(-1);
        EXPECT_TRUE(AppTerminateRequested());
        EXPECT_EQ(KeyIsDown(KEY_SPACE), 1);
        harness.Finish();
    }
    // Noted once: the handler is back to the default after the first signal.
    EXPECT_FALSE(TakeTerminationSignal());
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    EXPECT_NE(ReadText(options.recordPath).find("2 close\n"), std::string::npos) << ReadText(options.recordPath);
    ResetInputState();
}

TEST_F(HarnessTest, ShotsAreTakenOfTheirFrameOnly)
{
    THarnessOptions options;
    options.shots = {{2, dir.File("two.png")}, {2, dir.File("again.png")}, {50, dir.File("late.png")}};
    THarness harness;
    std::string error;
    ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
    OpenDisplay();
    Flip(-1);
    EXPECT_FALSE(std::filesystem::exists(options.shots[0].path));
    Flip(-1);
    EXPECT_TRUE(std::filesystem::exists(options.shots[0].path));
    EXPECT_TRUE(std::filesystem::exists(options.shots[1].path));
    Flip(-1);
    // Frame 50 never came: the run reports it.
    EXPECT_FALSE(harness.Finish());
    EXPECT_FALSE(std::filesystem::exists(options.shots[2].path));
}

TEST(HarnessClock, PacingReadingsBypassTheGameClock)
{
    auto game = std::make_shared<TVirtualClock>(5000);
    auto pacing = std::make_shared<TVirtualClock>(100);
    THarnessClock clock(game, pacing);
    EXPECT_EQ(clock.Millisecs(), 5000);
    clock.SetInGraphics(true);
    EXPECT_EQ(clock.Millisecs(), 100);
    clock.Sleep(16);
    EXPECT_EQ(pacing->Millisecs(), 116);
    EXPECT_EQ(game->Millisecs(), 5000);
    clock.SetInGraphics(false);
    clock.Sleep(30);
    EXPECT_EQ(game->Millisecs(), 5030);
    EXPECT_EQ(pacing->Millisecs(), 116);
    EXPECT_EQ(clock.PacingMillisecs(), 116);

    // A replay shown in a window waits for real as well.
    THarnessClock shown(game, pacing, true);
    shown.Sleep(4);
    EXPECT_EQ(game->Millisecs(), 5034);
    EXPECT_EQ(pacing->Millisecs(), 120);
}

// The window's own events, which the harness wraps for recording and scripts.
class TWindowEvents : public TEventSource {
public:
    void PollEvents() override {}
    void MoveMouse(int32_t, int32_t) override {}
    void ConfineMouse(bool on) override { confined.push_back(on); }
    std::vector<bool> confined;
};

TEST_F(HarnessTest, PlayKeepsTheWindowsPointerWhateverWrapsItsEvents)
{
    WriteText(dir.File("in.txt"), "5 keydown 32\n");
    struct TCase {
        const char* what;
        bool input;
        bool record;
    };
    const TCase cases[] = {{"live", false, false},
                           {"recorded", false, true},
                           {"from a file", true, false},
                           {"from a file and recorded", true, true}};
    for (const TCase& c : cases) {
        THarnessOptions options;
        if (c.input) options.inputPath = dir.File("in.txt");
        if (c.record) options.recordPath = dir.File("rec.txt");
        THarnessPlatform platform;
        platform.clock = std::make_shared<TVirtualClock>(0);
        auto window = std::make_shared<TWindowEvents>();
        platform.liveEvents = window;
        platform.discardLiveEvents = [] {};
        THarness harness;
        std::string error;
        ASSERT_TRUE(harness.Start(options, platform, error)) << c.what << ": " << error;
        SetPlayActive(true);
        SetPlayActive(true);  // no change, nothing to tell
        SetPlayActive(false);
        EXPECT_EQ(window->confined, (std::vector<bool>{true, false})) << c.what;
        // Play going on when the input changes hands: the new source confines at once.
        SetPlayActive(true);
        SetEventSource(window);
        EXPECT_EQ(window->confined, (std::vector<bool>{true, false, true, true})) << c.what;
        SetPlayActive(false);
        SetEventSource(nullptr);
    }
}

}  // namespace

// The harness's end takes away its own flip hooks only: one the game added goes on running.
TEST_F(HarnessTest, EndingTheHarnessLeavesOtherFlipHooks)
{
    int32_t gameFlips = 0;
    const int32_t gameHook = AddPostFlipHook([&] { ++gameFlips; });
    OpenDisplay();
    {
        THarnessOptions options;
        options.frames = 5;
        THarness harness;
        std::string error;
        ASSERT_TRUE(harness.Start(options, Headless(), error)) << error;
        Flip(-1);
        EXPECT_EQ(harness.Frames(), 1);
        harness.Finish();
    }
    // Past the frame limit: the harness's hook would end this Flip if it were still there.
    for (int i = 0; i < 5; ++i) Flip(-1);
    RemoveFlipHook(gameHook);
    EXPECT_EQ(gameFlips, 6);
}

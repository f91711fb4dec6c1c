// Input scripts: the line format, delivery by frame, the script clock, and record-then-replay.
#include "framework/system/Script.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::vector<TScriptEntry> Parse(const std::string& text)
{
    std::vector<TScriptEntry> out;
    std::string error;
    EXPECT_TRUE(ParseInputScript(text, out, error)) << error;
    return out;
}

TEST(ScriptFormat, EveryLineRoundTrips)
{
    const std::vector<std::string> lines = {
        "0 keydown 32",
        "0 keyup 255",
        "1 char 233",
        "2 mousemove 384 -12",
        "2 mousedown 1",
        "2 mouseup 3",
        "3 wheel -2",
        "4 focus 0",
        "4 focus 1",
        "5 close",
        "5 clock 123456",
        "6 clock -2147483648",
        "7 mousemove -2147483648 2147483647",
    };
    for (const auto& line : lines) {
        std::vector<TScriptEntry> entries = Parse(line);
        ASSERT_EQ(entries.size(), 1u) << line;
        EXPECT_EQ(FormatScriptEntry(entries[0]), line);
    }
}

TEST(ScriptFormat, LinesBecomeTheirEvents)
{
    auto e = Parse("3 mousemove 10 20\n4 focus 0\n4 focus 1\n5 close\n6 char 65\n7 wheel 4\n8 clock 99\n");
    ASSERT_EQ(e.size(), 7u);
    EXPECT_EQ(e[0].frame, 3);
    EXPECT_EQ(e[0].event.id, EVENT_MOUSEMOVE);
    EXPECT_EQ(e[0].event.x, 10);
    EXPECT_EQ(e[0].event.y, 20);
    EXPECT_EQ(e[1].event.id, EVENT_APPSUSPEND);
    EXPECT_EQ(e[2].event.id, EVENT_APPRESUME);
    EXPECT_EQ(e[3].event.id, EVENT_APPTERMINATE);
    EXPECT_EQ(e[4].event.id, EVENT_KEYCHAR);
    EXPECT_EQ(e[4].event.data, 65);
    EXPECT_EQ(e[5].event.id, EVENT_MOUSEWHEEL);
    EXPECT_EQ(e[5].event.data, 4);
    EXPECT_TRUE(e[6].isClock);
    EXPECT_EQ(e[6].ms, 99);
}

TEST(ScriptFormat, CommentsBlankLinesAndCarriageReturnsAreSkipped)
{
    auto e = Parse("# a session\r\n\r\n   \n0 keydown 13   # enter\r\n\t1\tkeyup\t13\n#0 keydown 99");
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(FormatScriptEntry(e[0]), "0 keydown 13");
    EXPECT_EQ(FormatScriptEntry(e[1]), "1 keyup 13");
}

TEST(ScriptFormat, ErrorsNameTheLine)
{
    struct Case {
        std::string text, error;
    };
    const Case cases[] = {
        {"0 keydown 1\n\n# c\n\n\n\n3 jump 4", "line 7: unknown event 'jump'"},
        {"x keydown 1", "line 1: expected a frame number, got 'x'"},
        {"-1 keydown 1", "line 1: expected a frame number, got '-1'"},
        {"5", "line 1: missing event after frame 5"},
        {"5 keydown 1\n4 keyup 1", "line 2: frame 4 comes after frame 5"},
        {"0 keydown", "line 1: 'keydown' takes 1 argument, got 0"},
        {"0 keydown 1 2", "line 1: 'keydown' takes 1 argument, got 2"},
        {"0 keydown 256", "line 1: bad key code '256' (0 to 255)"},
        {"0 char 1x", "line 1: bad character code '1x' (0 to 255)"},
        {"0 mousedown 4", "line 1: bad button '4' (1 to 3)"},
        {"0 mousemove 1", "line 1: 'mousemove' takes 2 arguments, got 1"},
        {"0 focus 2", "line 1: bad focus flag '2' (0 to 1)"},
        {"0 close now", "line 1: 'close' takes 0 arguments, got 1"},
        {"0 clock 9999999999", "line 1: bad time '9999999999' (-2147483648 to 2147483647)"},
        {"0 KEYDOWN 1", "line 1: unknown event 'KEYDOWN'"},
    };
    for (const auto& c : cases) {
        std::vector<TScriptEntry> out(1);
        std::string error;
        EXPECT_FALSE(ParseInputScript(c.text, out, error)) << c.text;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(out.size(), 1u) << "nothing appended on failure";
    }
}

TEST(ScriptFormat, EventsWithoutALineFormReadBackAsComments)
{
    TScriptEntry entry;
    entry.frame = 4;
    entry.event.id = EVENT_KEYREPEAT;
    EXPECT_FALSE(EventIsScriptable(entry.event));
    EXPECT_TRUE(Parse(FormatScriptEntry(entry)).empty());
}

class ScriptReplay : public ::testing::Test {
protected:
    void SetUp() override { ResetInputState(); }
    void TearDown() override
    {
        SetEventSource(nullptr);
        SetClock(nullptr);
        ResetInputState();
    }
};

TEST_F(ScriptReplay, EventsAreSeenAfterTheirFrame)
{
    auto source = std::make_shared<TScriptedEventSource>(
        Parse("0 keydown 32\n2 keyup 32\n2 char 65\n2 keydown 32\n5 mousemove 7 8\n"));
    SetEventSource(source);
    EXPECT_EQ(source->LastFrame(), 5);
    EXPECT_EQ(KeyHitCount(32), 1);  // frame 0: from start-up
    source->SetFrame(1);
    EXPECT_EQ(KeyHitCount(32), 0);
    EXPECT_EQ(KeyIsDown(32), 1);
    EXPECT_EQ(NextTypedChar(), 0);
    source->SetFrame(4);  // frames may be skipped: 2 is delivered now, in file order
    EXPECT_EQ(KeyHitCount(32), 1);
    EXPECT_EQ(NextTypedChar(), 'A');
    EXPECT_EQ(MousePosX(), 0);
    EXPECT_FALSE(source->Finished());
    source->SetFrame(5);
    EXPECT_EQ(MousePosX(), 7);
    EXPECT_TRUE(source->Finished());
}

TEST_F(ScriptReplay, MoveMouseIsDeliveredByTheNextPollBeforeTheScriptsMoves)
{
    auto source = std::make_shared<TScriptedEventSource>(Parse("0 mousemove 1 1\n2 mousemove 600 500\n"));
    SetEventSource(source);
    // The game puts the pointer back on the paddle; the player's move of that frame comes after.
    MoveMouse(384, 704);
    EXPECT_EQ(MousePosX(), 1);
    EXPECT_EQ(MousePosY(), 1);
    MoveMouse(384, 704);
    EXPECT_EQ(MousePosX(), 384);
    EXPECT_EQ(MousePosY(), 704);
    source->SetFrame(2);
    MoveMouse(100, 704);
    EXPECT_EQ(MousePosX(), 600);
}

// A script read as it is written (from a pipe another program fills): each poll reads no further
// than the first line of a later frame, since the writer may not have decided the rest; a bad
// line or a clock reading ends the input there with one message.
TEST_F(ScriptReplay, AStreamIsReadOnlyAsFarAsTheFramesNeed)
{
    const std::string text = "0 keydown 32\n# a comment\n2 keyup 32\n2 char 65\n3 mousemove 7 8\n";
    std::stringbuf pipe(text);
    const auto readSoFar = [&] { return pipe.pubseekoff(0, std::ios::cur, std::ios::in); };
    auto source = std::make_shared<TScriptedEventSource>(std::make_unique<std::istream>(&pipe), "pipe");
    EXPECT_FALSE(source->Finished());
    SetEventSource(source);
    EXPECT_EQ(KeyIsDown(32), 1);
    EXPECT_EQ(readSoFar(), static_cast<std::streamoff>(text.find("2 char")));
    source->SetFrame(2);
    EXPECT_EQ(KeyIsDown(32), 0);
    EXPECT_EQ(NextTypedChar(), 'A');
    EXPECT_EQ(readSoFar(), static_cast<std::streamoff>(text.size()));
    EXPECT_FALSE(source->Finished());
    source->SetFrame(3);
    EXPECT_EQ(MousePosX(), 7);
    EXPECT_TRUE(source->Finished());

    struct Case {
        std::string text, message;
    };
    const Case bad[] = {
        {"0 keydown 40\n# c\n1 jump\n1 keydown 41\n",
         "krellix: pipe: line 3: unknown event 'jump'; the rest of the input is ignored\n"},
        {"0 keydown 40\n1 clock 5\n1 keydown 41\n",
         "krellix: pipe: line 2: clock readings cannot come from a pipe; the rest of the input is ignored\n"},
        {"2 keydown 40\n1 keydown 41\n",
         "krellix: pipe: line 2: frame 1 comes after frame 2; the rest of the input is ignored\n"},
    };
    for (const Case& c : bad) {
        ResetInputState();
        auto cut = std::make_shared<TScriptedEventSource>(std::make_unique<std::istringstream>(c.text), "pipe");
        SetEventSource(cut);
        cut->SetFrame(2);
        testing::internal::CaptureStderr();
        EXPECT_EQ(KeyIsDown(40), 1) << c.text;
        EXPECT_EQ(KeyIsDown(41), 0) << c.text;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_TRUE(cut->Finished());
    }
}

TEST_F(ScriptReplay, ScriptClockGivesTheReadingsThenVirtualTime)
{
    auto base = std::make_shared<TVirtualClock>(0);
    TScriptClock clock(Parse("0 clock 500\n0 keydown 1\n3 clock 480\n4 clock 1000\n"), base);
    EXPECT_EQ(clock.ReadingsLeft(), 3u);
    EXPECT_EQ(clock.Millisecs(), 500);
    clock.Sleep(100);  // sleeping moves virtual time but not the readings
    EXPECT_EQ(clock.Millisecs(), 480);
    EXPECT_EQ(clock.Millisecs(), 1000);
    EXPECT_EQ(clock.ReadingsLeft(), 0u);
    EXPECT_EQ(clock.Millisecs(), 1000);  // time goes on from the last reading
    clock.Sleep(16);
    EXPECT_EQ(clock.Millisecs(), 1016);
}

// A live session's input: some events per frame, as a window would deliver them.
class TLiveSource : public TEventSource {
public:
    void PollEvents() override
    {
        for (; sent < plan.size() && plan[sent].first <= frame; ++sent) HandleInputEvent(plan[sent].second);
    }
    void MoveMouse(int32_t x, int32_t y) override
    {
        TEvent e;
        e.id = EVENT_MOUSEMOVE;
        e.x = x;
        e.y = y;
        plan.insert(plan.begin() + static_cast<long>(sent), {frame, e});
    }
    std::vector<std::pair<int32_t, TEvent>> plan;
    size_t sent = 0;
    int32_t frame = 0;
};

TEvent Event(int32_t id, int32_t data, int32_t x = 0, int32_t y = 0)
{
    TEvent e;
    e.id = id;
    e.data = data;
    e.x = x;
    e.y = y;
    return e;
}

// A small game: polls like the real one and logs what it sees each frame.
std::string PlayFrames(int32_t frames, const std::function<void(int32_t)>& flip)
{
    std::ostringstream log;
    int32_t x = 0, score = 0;
    std::string typed;
    for (int32_t f = 0; f < frames; ++f) {
        const int32_t now = CurrentMillisecs();
        if (KeyHitCount(KEY_SPACE)) score += 10;
        if (KeyIsDown(KEY_LEFT)) x -= 3;
        if (MouseHitCount(1)) score += 100;
        if (f == 6) MoveMouse(384, 704);
        while (int32_t c = NextTypedChar()) typed.push_back(static_cast<char>(c));
        log << f << ":" << now << "," << x << "," << MousePosX() << "," << score << "," << typed << "\n";
        SleepMillisecs(16);
        flip(f + 1);
    }
    return log.str();
}

TEST_F(ScriptReplay, ARecordedSessionReplaysToTheSameState)
{
    TTempDir dir;
    const std::string path = dir.File("session.txt");

    auto live = std::make_shared<TLiveSource>();
    live->plan = {
        {0, Event(EVENT_KEYDOWN, KEY_SPACE)}, {1, Event(EVENT_KEYUP, KEY_SPACE)},
        {2, Event(EVENT_KEYDOWN, KEY_LEFT)},  {2, Event(EVENT_KEYREPEAT, KEY_LEFT)},
        {4, Event(EVENT_KEYUP, KEY_LEFT)},    {4, Event(EVENT_KEYCHAR, 'K')},
        {4, Event(EVENT_KEYCHAR, 'X')},       {5, Event(EVENT_MOUSEMOVE, 0, 90, 3)},
        {5, Event(EVENT_MOUSEDOWN, 1)},       {5, Event(EVENT_MOUSEUP, 1)},
        {8, Event(EVENT_KEYDOWN, KEY_SPACE)}, {8, Event(EVENT_KEYUP, KEY_SPACE)},
        {8, Event(EVENT_KEYDOWN, KEY_SPACE)},
    };
    std::string error;
    auto recorder = TScriptRecorder::Create(path, error);
    ASSERT_TRUE(recorder) << error;
    auto frames = std::make_shared<TFrameCounter>();
    SetEventSource(std::make_shared<TRecordingEventSource>(live, recorder, frames));
    SetClock(std::make_shared<TRecordingClock>(std::make_shared<TVirtualClock>(5000), recorder, frames));
    const std::string played = PlayFrames(12, [&](int32_t flips) {
        frames->Set(flips);
        live->frame = flips;
    });
    EXPECT_TRUE(recorder->Ok());
    recorder.reset();
    SetEventSource(nullptr);
    SetClock(nullptr);
    ResetInputState();

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<TScriptEntry> entries = Parse(text.str());
    EXPECT_EQ(text.str().find("keydown 37\n") != std::string::npos, true);
    EXPECT_EQ(text.str().find("no script form"), std::string::npos);  // the repeat was left out

    auto replay = std::make_shared<TScriptedEventSource>(entries);
    SetEventSource(replay);
    SetClock(std::make_shared<TScriptClock>(entries, std::make_shared<TVirtualClock>(0)));
    const std::string replayed = PlayFrames(12, [&](int32_t flips) { replay->SetFrame(flips); });
    EXPECT_EQ(replayed, played);
    EXPECT_NE(played.find("11:5176,-6,384,120,KX"), std::string::npos) << played;
}

TEST(ScriptRecorder, WritesEachLineAsItComes)
{
    TTempDir dir;
    std::string error;
    auto recorder = TScriptRecorder::Create(dir.File("r.txt"), error);
    ASSERT_TRUE(recorder);
    TScriptEntry entry;
    entry.frame = 3;
    entry.event = Event(EVENT_KEYDOWN, 80);
    recorder->Append(entry);
    // Still open: the line is already in the file.
    const auto bytes = TTempDir::ReadBytes(dir.File("r.txt"));
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("\n3 keydown 80\n"), std::string::npos) << text;
    EXPECT_EQ(text[0], '#');

    EXPECT_EQ(TScriptRecorder::Create(dir.File("no/dir/r.txt"), error), nullptr);
    EXPECT_NE(error.find("no/dir/r.txt"), std::string::npos);
}

TEST(ScriptRecorder, AFailingWriteIsReportedOnce)
{
    std::string error;
    auto recorder = TScriptRecorder::Create("/dev/full", error);
    if (!recorder) GTEST_SKIP() << "no /dev/full here";
    TScriptEntry entry;
    entry.isClock = true;
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) recorder->Append(entry);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(recorder->Ok());
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

}  // namespace

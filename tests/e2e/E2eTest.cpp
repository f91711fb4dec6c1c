// The built game end to end: the command line, the "Loading..." picture drawn headless, repeatable
// and replayable play, and real windows and full screens under Xvfb.
#include "tests/support/Files.h"
#include "tests/support/Picture.h"
#include "tests/support/RunFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The screen of an Xvfb started with -fbdir: an XWD file of 32-bit pixels, blue byte first.
bool ReadXwd(const std::string& path, TPicture& picture)
{
    const std::string data = ReadText(path);
    if (data.size() < 100) return false;
    const auto field = [&](size_t i) {
        const auto* p = reinterpret_cast<const uint8_t*>(data.data()) + 4 * i;
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    };
    const uint32_t headerSize = field(0), width = field(4), height = field(5), bitsPerPixel = field(11),
                   bytesPerLine = field(12), colours = field(19);
    const size_t start = headerSize + size_t{colours} * 12;
    if (bitsPerPixel != 32 || data.size() < start + size_t{bytesPerLine} * height) return false;
    picture.width = static_cast<int32_t>(width);
    picture.height = static_cast<int32_t>(height);
    picture.pixels.resize(size_t{width} * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const char* p = data.data() + start + size_t{y} * bytesPerLine + size_t{x} * 4;
            uint8_t* q = &picture.pixels[(size_t{y} * width + x) * 3];
            q[0] = static_cast<uint8_t>(p[2]);
            q[1] = static_cast<uint8_t>(p[1]);
            q[2] = static_cast<uint8_t>(p[0]);
        }
    }
    return true;
}

// A trace line without its "ms" member, which only a virtual clock makes repeatable.
std::string WithoutTime(const std::string& line)
{
    const size_t at = line.find(",\"ms\":");
    if (at == std::string::npos) return line;
    const size_t end = line.find_first_of(",}", at + 6);
    return line.substr(0, at) + line.substr(end);
}

// The smallest box around the pixels of the picture that are not black.
struct TBox {
    int32_t left, top, right, bottom;
};
TBox LitBox(const TPicture& picture)
{
    TBox box{picture.width, picture.height, -1, -1};
    for (int32_t y = 0; y < picture.height; ++y) {
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.At(x, y);
            if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
        }
    }
    return box;
}

class E2e : public TRunFixture {
protected:
    // Waits while the game runs until its trace has count frames.
    bool WaitForFrames(int game, size_t count)
    {
        return WaitForTrace(game, [count](const std::vector<std::string>& lines) { return lines.size() >= count; });
    }

    // The game in an X server of its own with a screen of the given size.
    TRunResult UnderXvfb(const std::string& screen, std::vector<std::string> args)
    {
        args.insert(args.begin(), {"-a", "-s", "-screen 0 " + screen + " -nolisten tcp", KRELLIX_EXE});
        TRunEnvironment environment;
        environment.unset = {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY"};
        environment.set = {{"ALSOFT_DRIVERS", "null"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}};
        return RunProgram("xvfb-run", args, dir.Path(), environment);
    }
};

TEST_F(E2e, HelpVersionAndMistakesOnTheCommandLine)
{
    Run({"--help"});
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("--headless"), std::string::npos);
    EXPECT_NE(out.find("--shot N:FILE.png"), std::string::npos);

    Run({"--version"});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.rfind("krellix ", 0), 0u) << out;

    // The option parser is tested on its own; here the exit status and the single line.
    const std::vector<std::vector<std::string>> mistakes = {
        {"--fullscreen", "--headless"},
        {"--headless", "--level", "34"},
        {"--headless", "--data", data, "--input", "no-such-file.txt"},
        {"--headless", "--data", "no-such-folder"},
    };
    for (const auto& args : mistakes) {
        Run(args);
        EXPECT_EQ(status, 2) << args.back();
        EXPECT_EQ(err.rfind("krellix: ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

TEST_F(E2e, WithoutADisplayOnlyHeadlessRuns)
{
    TRunEnvironment none;
    none.unset = {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"};
    Run({"--data", data, "--frames", "1"}, none);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err.rfind("krellix: no display available (", 0), 0u) << err;
    EXPECT_NE(err.find("); use --headless\n"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(E2e, HeadlessStartShowsLoadingInTheMiddle)
{
    // Settings the run must neither read (it would report them) nor replace.
    WriteText(dir.File("settings"), "not settings\n");
    Run({"--headless", "--data", data, "--frames", "2", "--shot", "1:one.png", "--shot", "2:out.png", "--trace",
         "trace.jsonl"});
    ASSERT_EQ(status, 0) << err;

    // The start-up's own Flip shows the cleared screen.
    const TPicture blank = ReadPng(dir.File("one.png"));
    ASSERT_FALSE(blank.pixels.empty());
    EXPECT_EQ(blank.width, 1024);
    EXPECT_EQ(blank.height, 768);
    EXPECT_EQ(std::count(blank.pixels.begin(), blank.pixels.end(), 0), static_cast<long>(blank.pixels.size()));

    const TPicture loading = ReadPng(dir.File("out.png"));
    ASSERT_FALSE(loading.pixels.empty());
    ASSERT_EQ(loading.width, 1024);
    ASSERT_EQ(loading.height, 768);
    // "Loading..." in the large font, bright and centred; nothing else on the screen.
    const auto [left, top, right, bottom] = LitBox(loading);
    int32_t bright = 0;
    for (int32_t y = 0; y < 768; ++y)
        for (int32_t x = 0; x < 1024; ++x) bright += loading.At(x, y)[0] > 200 ? 1 : 0;
    EXPECT_GT(bright, 800);
    EXPECT_NEAR((left + right) / 2, 512, 8);
    EXPECT_NEAR((top + bottom) / 2, 384, 12);
    EXPECT_GT(right - left, 90);  // a word of nine characters in a 42-pixel condensed face
    EXPECT_LT(right - left, 400);
    EXPECT_LT(bottom - top, 80);

    const auto lines = TraceLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "{\"frame\":1,\"ms\":16,\"screen\":\"loading\"}");
    EXPECT_EQ(lines[1], "{\"frame\":2,\"ms\":33,\"screen\":\"loading\"}");
    EXPECT_EQ(err, "");
    EXPECT_EQ(ReadText(dir.File("settings")), "not settings\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("settings.bak")));
    // Ended by --frames: the tables are not saved.
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(data) / "users.dat"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(data) / "highscore.dat"));
}

TEST_F(E2e, PlayIsRepeatableAndRecordingsReplayHeadlessAndInAWindow)
{
    const std::string script = std::string(KRELLIX_TEST_DIR) + "/level1.txt";
    const std::vector<std::string> common = {"--headless", "--data", data, "--level", "1", "--frames", "240"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    for (const auto& run :
         {with({"--input", script, "--record", "rec.txt", "--trace", "a.jsonl", "--shot", "240:a.png"}),
          with({"--input", script, "--trace", "b.jsonl", "--shot", "240:b.png"}),
          with({"--input", "rec.txt", "--trace", "c.jsonl", "--shot", "240:c.png"})}) {
        Run(run);
        ASSERT_EQ(status, 0) << err;
    }

    const std::string a = ReadText(dir.File("a.jsonl"));
    const auto lines = Lines(a);
    ASSERT_EQ(lines.size(), 240u);
    EXPECT_EQ(a, ReadText(dir.File("b.jsonl")));
    EXPECT_EQ(a, ReadText(dir.File("c.jsonl")));
    const std::string shot = ReadText(dir.File("a.png"));
    EXPECT_FALSE(shot.empty());
    EXPECT_EQ(shot, ReadText(dir.File("b.png")));
    EXPECT_EQ(shot, ReadText(dir.File("c.png")));

    // The virtual clock: every frame 16 or 17 ms, 1000 ms for each 60.
    for (size_t i = 1; i < lines.size(); ++i) {
        const int32_t step = Member(lines[i], "ms") - Member(lines[i - 1], "ms");
        EXPECT_TRUE(step == 16 || step == 17) << lines[i].substr(0, 40);
    }
    EXPECT_EQ(Member(lines[0], "ms"), 16);
    EXPECT_EQ(Member(lines[60], "ms") - Member(lines[0], "ms"), 1000);
    EXPECT_EQ(Member(lines[180], "ms") - Member(lines[120], "ms"), 1000);

    // The input reached the game: the ball was launched and moves.
    std::set<std::string> balls;
    for (size_t i = 180; i < lines.size(); ++i) balls.insert(lines[i].substr(lines[i].find("\"balls\"")));
    EXPECT_GT(balls.size(), 30u);
    const std::string recording = ReadText(dir.File("rec.txt"));
    EXPECT_NE(recording.find(" keydown 32\n"), std::string::npos);
    EXPECT_NE(recording.find(" clock "), std::string::npos);

    // The same recording in a real window: the same game, frame by frame, and the same pixels.
    ASSERT_TRUE(OnPath("xvfb-run")) << "xvfb-run is needed (Debian package xvfb)";
    const TRunResult window =
        UnderXvfb("1024x768x24", {"--window", "--data", data, "--level", "1", "--frames", "240", "--input", "rec.txt",
                                  "--trace", "d.jsonl", "--shot", "240:d.png"});
    ASSERT_EQ(window.status, 0) << window.err;
    const auto shown = Lines(ReadText(dir.File("d.jsonl")));
    ASSERT_EQ(shown.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(WithoutTime(shown[i]), WithoutTime(lines[i]));
    EXPECT_EQ(ReadText(dir.File("d.png")), shot);
}

// Input from a named pipe is read a frame at a time: a program that writes each frame's input only
// after reading the trace of the frame before plays the same game as the same lines in a file.
TEST_F(E2e, APipedInputIsPlayedAFrameAtATime)
{
    const std::string script = std::string(KRELLIX_TEST_DIR) + "/level1.txt";
    const std::vector<std::string> common = {"--headless", "--data", data, "--level", "1", "--frames", "120"};
    auto with = [&](const std::string& input, const std::string& trace) {
        std::vector<std::string> args = common;
        args.insert(args.end(), {"--input", input, "--trace", trace});
        return args;
    };
    Run(with(script, "file.jsonl"));
    ASSERT_EQ(status, 0) << err;
    // A game that ends early must fail the test, not end it.
    std::signal(SIGPIPE, SIG_IGN);

    std::map<int32_t, std::string> byFrame;
    for (const std::string& line : Lines(ReadText(script)))
        if (!line.empty() && line[0] != '#') byFrame[std::stoi(line)] += line + "\n";
    const std::string input = dir.File("input"), tracePipe = dir.File("trace");
    ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(tracePipe.c_str(), 0600), 0);
    const int game = Start(with(input, tracePipe));
    // Without blocking, so that a game that never reads fails the test instead of hanging it.
    const int traceFd = open(tracePipe.c_str(), O_RDONLY | O_NONBLOCK);
    int inputFd = -1;
    for (int32_t tries = 0; inputFd < 0 && tries < 600; ++tries) {
        inputFd = open(input.c_str(), O_WRONLY | O_NONBLOCK);
        if (inputFd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GE(inputFd, 0) << "the game never opened its input";
    auto send = [&](int32_t frame) {
        // A frame without events still needs a line, so that the game knows the frame is complete.
        const auto lines = byFrame.find(frame);
        const std::string text = lines != byFrame.end() ? lines->second : std::to_string(frame) + " keyup 255\n";
        return write(inputFd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    };
    ASSERT_TRUE(send(0) && send(1));
    std::vector<std::string> played;
    std::string pending;
    for (int32_t waited = 0; played.size() < 120 && waited < 30000;) {
        pollfd ready{traceFd, POLLIN, 0};
        if (poll(&ready, 1, 100) <= 0) {
            waited += 100;
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(traceFd, buffer, sizeof buffer);
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            played.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
            if (played.size() < 120) {
                ASSERT_TRUE(send(static_cast<int32_t>(played.size()) + 1));
            }
        }
    }
    close(inputFd);
    // A game that stopped playing along is not waited for.
    if (played.size() < 120) kill(game, SIGKILL);
    Wait(game);
    close(traceFd);
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(played, Lines(ReadText(dir.File("file.jsonl"))));
}

TEST_F(E2e, RealWindowAndFullScreensUnderXvfb)
{
    ASSERT_TRUE(OnPath("xvfb-run")) << "xvfb-run is needed (Debian package xvfb)";
    Run({"--headless", "--data", data, "--frames", "2", "--shot", "2:headless.png"});
    ASSERT_EQ(status, 0) << err;
    const std::string expected = ReadText(dir.File("headless.png"));
    ASSERT_FALSE(expected.empty());

    struct TCase {
        std::string screen;
        std::vector<std::string> options;
        std::string shot;
    };
    const TCase cases[] = {
        {"1024x768x24", {"--window"}, "window.png"},
        // The screen has the game's mode: a real full screen.
        {"1024x768x24", {}, "full.png"},
        // No 1024x768 mode: a desktop-sized full screen with the picture scaled into it.
        {"1280x1024x24", {}, "scaled.png"},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> args = c.options;
        for (const std::string& a : {std::string("--data"), data, std::string("--frames"), std::string("3"),
                                     std::string("--shot"), "2:" + c.shot, std::string("--trace"), c.shot + ".jsonl"})
            args.push_back(a);
        const TRunResult run = UnderXvfb(c.screen, args);
        ASSERT_EQ(run.status, 0) << c.shot << ": " << run.err;
        EXPECT_EQ(Lines(ReadText(dir.File(c.shot + ".jsonl"))).size(), 3u) << c.shot;
        // Whatever the screen, the game's picture is the same 1024 x 768, pixel for pixel.
        EXPECT_EQ(ReadText(dir.File(c.shot)), expected) << c.shot;
    }
}

// A virtual screen on a display of its own, black behind the windows, whose framebuffer Xvfb keeps
// in a file the test can read; ended with the object.
class TFramebufferScreen {
public:
    TFramebufferScreen(const std::string& folder, const std::string& size) : _folder(folder)
    {
        int32_t display = 150 + getpid() % 400;
        const auto lockOf = [](int32_t number) {
            return std::filesystem::path("/tmp") / std::string(".X").append(std::to_string(number)).append("-lock");
        };
        while (std::filesystem::exists(lockOf(display))) ++display;
        const std::string number = std::to_string(display);
        const std::string name = std::string(":").append(number);
        std::filesystem::create_directory(folder);
        _xvfb = StartProgram(
            "Xvfb", {name, "-screen", "0", size, "-fbdir", folder, "-nolisten", "tcp", "-noreset", "-br"}, folder);
        const std::string socket = std::string("/tmp/.X11-unix/X").append(number);
        for (int i = 0; i < 100 && _xvfb > 0 && !std::filesystem::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        environment.unset = {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY"};
        environment.set = {{"DISPLAY", name}, {"ALSOFT_DRIVERS", "null"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}};
    }
    ~TFramebufferScreen() { Stop(SIGTERM); }
    TFramebufferScreen(const TFramebufferScreen&) = delete;
    TFramebufferScreen& operator=(const TFramebufferScreen&) = delete;

    bool Started() const { return _xvfb > 0; }
    // Ends the server at once with the signal, as a session that ends or a crash would.
    void Stop(int signal)
    {
        if (_xvfb <= 0) return;
        kill(_xvfb, signal);
        WaitProgram(_xvfb);
        _xvfb = -1;
    }
    bool Read(TPicture& picture) const { return ReadXwd(_folder + "/Xvfb_screen0", picture); }
    // What a program needs to open its windows there, and no sound device.
    TRunEnvironment environment;

private:
    std::string _folder;
    int _xvfb = -1;
};

// Pixels of the picture that are not black.
int64_t Lit(const TPicture& picture)
{
    int64_t lit = 0;
    for (int32_t y = 0; y < picture.height; ++y)
        for (int32_t x = 0; x < picture.width; ++x) {
            const uint8_t* p = picture.At(x, y);
            lit += p[0] != 0 || p[1] != 0 || p[2] != 0;
        }
    return lit;
}

TEST_F(E2e, ScaledFullScreenShowsThePictureBetweenBars)
{
    ASSERT_TRUE(OnPath("Xvfb")) << "Xvfb is needed (Debian package xvfb)";
    // A screen without the game's mode.
    const TFramebufferScreen server(dir.File("xvfb"), "1280x1024x24");
    ASSERT_TRUE(server.Started());
    const int game = Start({"--data", data, "--level", "1", "--trace", "trace.jsonl"}, server.environment);
    ASSERT_GT(game, 0);
    // Wait until the level is on the screen, while the game keeps running.
    const bool running = WaitForFrames(game, 150);
    TPicture screen;
    const bool read = server.Read(screen);
    kill(game, SIGTERM);
    Wait(game);
    ASSERT_TRUE(running) << err;
    ASSERT_TRUE(read);
    ASSERT_EQ(screen.width, 1280);
    ASSERT_EQ(screen.height, 1024);

    // 1024 x 768 scaled by 1.25 fills the width; black bars of 32 rows above and below.
    const auto [left, top, right, bottom] = LitBox(screen);
    EXPECT_LE(left, 2);
    EXPECT_GE(right, 1277);
    EXPECT_EQ(top, 32);
    EXPECT_EQ(bottom, 991);
}

TEST_F(E2e, AWindowShownAgainShowsItsPictureAgain)
{
    ASSERT_TRUE(OnPath("Xvfb")) << "Xvfb is needed (Debian package xvfb)";
    ASSERT_TRUE(OnPath("xdotool")) << "xdotool is needed (Debian package xdotool)";
    const TFramebufferScreen server(dir.File("xvfb"), "1280x1024x24");
    ASSERT_TRUE(server.Started());
    const int game = Start({"--window", "--data", data, "--level", "1", "--trace", "trace.jsonl"}, server.environment);
    ASSERT_GT(game, 0);
    // The level faded in, the ball resting on the paddle: nothing changes, nothing is presented.
    const bool shown = WaitForFrames(game, 150);
    if (!shown) {
        // Searching for the window of a game that never showed one would wait for ever.
        kill(game, SIGTERM);
        Wait(game);
        FAIL() << err;
    }
    TPicture before, hidden, after;
    server.Read(before);
    const std::string pid = std::to_string(game);
    const TRunResult search = RunProgram("xdotool", {"search", "--sync", "--pid", pid}, dir.Path(), server.environment);
    const std::vector<std::string> windows = Lines(search.out);
    ASSERT_FALSE(windows.empty()) << search.err;
    RunProgram("xdotool", {"windowunmap", "--sync", windows.back()}, dir.Path(), server.environment);
    server.Read(hidden);
    RunProgram("xdotool", {"windowmap", "--sync", windows.back()}, dir.Path(), server.environment);
    // The window system lost what the window showed; the game's next frames must show it again.
    const bool played = WaitForFrames(game, TraceLines().size() + 30);
    server.Read(after);
    kill(game, SIGTERM);
    Wait(game);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(played) << err;
    // The pointer's picture is all that may differ.
    EXPECT_GT(Lit(before), 300000);
    EXPECT_LT(Lit(hidden), 1000);
    EXPECT_NEAR(static_cast<double>(Lit(after)), static_cast<double>(Lit(before)), 1000.0);
}

}  // namespace

TEST_F(E2e, WithoutAWindowManagerTheFullScreenSwitchKeepsThePictureWhole)
{
    ASSERT_TRUE(OnPath("Xvfb")) << "Xvfb is needed (Debian package xvfb)";
    ASSERT_TRUE(OnPath("xdotool")) << "xdotool is needed (Debian package xdotool)";
    // Nobody carries out the switch: the window keeps its size and place, and must show all of the
    // picture, as it did before the switch.
    const TFramebufferScreen server(dir.File("xvfb"), "1280x1024x24");
    ASSERT_TRUE(server.Started());
    const int game =
        Start({"--window", "--data", data, "--level", "1", "--trace", "trace.jsonl", "--record", "rec.txt"},
              server.environment);
    ASSERT_GT(game, 0);
    const auto xdotool = [&](const std::vector<std::string>& args) {
        return RunProgram("xdotool", args, dir.Path(), server.environment);
    };
    const bool shown = WaitForFrames(game, 150);
    TPicture before, full;
    server.Read(before);
    const std::vector<std::string> windows = Lines(xdotool({"search", "--sync", "--pid", std::to_string(game)}).out);
    ASSERT_FALSE(windows.empty());
    xdotool({"windowfocus", "--sync", windows.back()});
    xdotool({"key", "alt+Return"});
    const bool switched = WaitForFrames(game, TraceLines().size() + 30);
    server.Read(full);
    // The pointer maps through the window as it is, too.
    xdotool({"mousemove", "--window", windows.back(), "1023", "767"});
    const bool moved = WaitForFrames(game, TraceLines().size() + 5);
    kill(game, SIGTERM);
    Wait(game);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(shown && switched && moved) << err;

    // The pointer's picture is all that may differ.
    int64_t differing = 0;
    for (int32_t y = 0; y < before.height; ++y)
        for (int32_t x = 0; x < before.width; ++x) differing += std::memcmp(before.At(x, y), full.At(x, y), 3) != 0;
    ASSERT_GT(Lit(before), 300000);
    EXPECT_LT(differing, 1000);
    EXPECT_NE(ReadText(dir.File("rec.txt")).find(" mousemove 1023 767\n"), std::string::npos);
}

TEST_F(E2e, ALostDisplayEndsTheProgramWithTheFinishedGamesScoreSaved)
{
    ASSERT_TRUE(OnPath("Xvfb")) << "Xvfb is needed (Debian package xvfb)";
    TFramebufferScreen server(dir.File("xvfb"), "1024x768x24");
    ASSERT_TRUE(server.Started());
    // The ball launched every 50 frames and the pointer sent from side to side every 25: the first
    // ball scores, and each later one falls as the paddle runs away from it, so the game is soon over.
    std::ofstream script(dir.File("launches.txt"));
    for (int32_t f = 50; f <= 9000; f += 50)
        script << f - 30 << " mousemove 700 700\n"
               << f - 5 << " mousemove 40 700\n"
               << f << " keydown 32\n"
               << f + 1 << " keyup 32\n";
    script.close();
    const int game =
        Start({"--window", "--data", data, "--level", "1", "--input", "launches.txt", "--trace", "trace.jsonl"},
              server.environment);
    ASSERT_GT(game, 0);
    // The server goes while the game-over screen shows: the score is already the table's.
    int64_t over = -1, score = -1, lostAt = -1;
    WaitForTrace(game, [&](const std::vector<std::string>& lines) {
        for (size_t l = 0; over < 0 && l + 1 < lines.size(); ++l)
            if (Member(lines[l], "Lives") == 0) over = Member(lines[l], "frame");
        if (over <= 0 || lines.size() < 2 || Member(lines[lines.size() - 2], "frame") < over + 60) return false;
        score = Member(lines[lines.size() - 2], "Score");
        lostAt = Member(lines[lines.size() - 2], "frame");
        return true;
    });
    server.Stop(SIGKILL);
    Wait(game);
    ASSERT_GT(score, 0) << err;
    EXPECT_EQ(status, 1) << err;
    // It ends at once, long before the game-over screen would have.
    EXPECT_LT(trace.back()["frame"], lostAt + 30);
    EXPECT_EQ(Lines(err).size(), 1u) << err;
    EXPECT_NE(err.find("display"), std::string::npos) << err;
    EXPECT_NE(ReadText(dir.File("highscore.dat")).find(Words({score, 1})), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.File("users.dat")));
}

TEST_F(E2e, ALostWaylandConnectionEndsTheGameAsAClosedWindowDoes)
{
    if (!OnPath("Xvfb") || !OnPath("weston")) GTEST_SKIP() << "Xvfb and weston are needed (Debian packages)";
    const TFramebufferScreen server(dir.File("xvfb"), "1280x1024x24");
    ASSERT_TRUE(server.Started());
    // The compositor in a window of that X server, with a runtime folder of its own.
    const std::string runtime = dir.File("runtime");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    TRunEnvironment environment = server.environment;
    environment.set.emplace_back("XDG_RUNTIME_DIR", runtime);
    const int weston =
        StartProgram("weston", {"--backend=x11-backend.so", "--socket=krellix-test"}, dir.File("xvfb"), environment);
    ASSERT_GT(weston, 0);
    for (int i = 0; i < 200 && !std::filesystem::exists(runtime + "/krellix-test"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    environment.unset.push_back("DISPLAY");
    environment.set = {{"XDG_RUNTIME_DIR", runtime},
                       {"WAYLAND_DISPLAY", "krellix-test"},
                       {"SDL_VIDEODRIVER", "wayland"},
                       {"ALSOFT_DRIVERS", "null"},
                       {"LIBGL_ALWAYS_SOFTWARE", "1"}};
    const int game = Start({"--window", "--data", data, "--level", "1", "--trace", "trace.jsonl"}, environment);
    ASSERT_GT(game, 0);
    WaitForFrames(game, 100);
    kill(weston, SIGKILL);
    WaitProgram(weston);
    Wait(game);
    const std::vector<std::string> errors = Lines(err);
    EXPECT_GE(trace.size(), 100u);
    EXPECT_EQ(status, 1);
    ASSERT_FALSE(errors.empty());
    EXPECT_NE(errors.back().find("display krellix-test was lost"), std::string::npos) << errors.back();
    EXPECT_TRUE(std::filesystem::exists(dir.File("highscore.dat")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("users.dat")));
}

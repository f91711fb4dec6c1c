// The built game in a real window under Xvfb with a window manager, played through xdotool as on a
// desktop: the full-screen toggle keys, a resized window's pointer mapping, the pointer kept in the
// window during play, the pause on a loss of focus, the volume and screenshot keys with their note,
// and the window as the last run left it.
#include "tests/support/Picture.h"
#include "tests/support/Run.h"
#include "tests/support/TempDir.h"
#include "tests/support/Trace.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TDisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

class Desktop : public testing::Test {
protected:
    void SetUp() override
    {
        if (!OnPath("Xvfb") || !OnPath("xdotool") || !OnPath("evilwm"))
            GTEST_SKIP() << "Xvfb, xdotool and evilwm are needed (Debian packages xvfb, xdotool, evilwm)";
        ASSERT_FALSE(dir.Path().empty());
        data = dir.File("data");
        tools = dir.File("tools");
        std::filesystem::create_directory(data);
        std::filesystem::create_directory(tools);
        for (const char* folder : {"images", "sounds"})
            std::filesystem::create_directory_symlink(std::filesystem::path(KRELLIX_DATA_DIR) / folder,
                                                      std::filesystem::path(data) / folder);
        // A screen without the game's mode: the full screen is the desktop-sized one.
        int32_t number = 600 + getpid() % 300;
        // Strings built by append: GCC 12 warns wrongly about "literal" + std::string at -O3.
        while (std::filesystem::exists(std::string("/tmp/.X").append(std::to_string(number)).append("-lock"))) ++number;
        name = std::string(":").append(std::to_string(number));
        server = StartProgram("Xvfb", {name, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"}, tools);
        ASSERT_GT(server, 0);
        const std::string socket = std::string("/tmp/.X11-unix/X").append(std::to_string(number));
        ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(socket); }, 10000)) << "Xvfb did not start";
        display.reset(XOpenDisplay(name.c_str()));
        ASSERT_NE(display, nullptr);
        // A window manager, as on every desktop: it is what carries out the switch to the full
        // screen. Xvfb has only the core font "fixed".
        TRunEnvironment environment;
        environment.set = {{"DISPLAY", name}};
        manager = StartProgram("evilwm", {"--fn", "fixed"}, tools, environment);
        ASSERT_GT(manager, 0);
        ASSERT_TRUE(WaitFor([&] { return ManagerRunning(); }, 10000)) << ReadText(tools + "/.stderr");
    }

    void TearDown() override
    {
        if (game > 0) {
            if (ProgramRunning(game)) kill(game, SIGKILL);
            WaitProgram(game);
        }
        Stop(compositor);
        Stop(manager);
        display.reset();
        if (server > 0) {
            kill(server, SIGTERM);
            WaitProgram(server);
        }
    }

    // Asks a helper program to end, then makes it: the window manager sees the request only with
    // its next X event, and the X server may have none for it.
    static void Stop(int& pid)
    {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        int status = 0;
        if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 5000)) {
            kill(pid, SIGKILL);
            WaitProgram(pid);
        }
        pid = -1;
    }

    static bool WaitFor(const std::function<bool()>& condition, int32_t ms)
    {
        for (int32_t waited = 0; waited < ms; waited += 50) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return condition();
    }

    // sound: extra environment for the sound device; by default OpenAL's silent null output.
    void StartGame(const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& sound = {{"ALSOFT_DRIVERS", "null"}})
    {
        TRunEnvironment environment;
        environment.unset = {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME"};
        environment.set = {{"DISPLAY", name},
                           {"LIBGL_ALWAYS_SOFTWARE", "1"},
                           {"HOME", dir.File("home")},
                           {"XDG_PICTURES_DIR", dir.File("pictures")}};
        environment.set.insert(environment.set.end(), sound.begin(), sound.end());
        game = StartProgram(KRELLIX_EXE, args, dir.Path(), environment);
        ASSERT_GT(game, 0);
    }

    bool GameRunning() const { return game > 0 && ProgramRunning(game); }

    // The manager announces itself on the root window once it runs.
    bool ManagerRunning()
    {
        const Atom check = XInternAtom(display.get(), "_NET_SUPPORTING_WM_CHECK", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long left = 0;
        unsigned char* value = nullptr;
        const int status = XGetWindowProperty(display.get(), DefaultRootWindow(display.get()), check, 0, 1, False,
                                              AnyPropertyType, &type, &format, &count, &left, &value);
        if (value) XFree(value);
        return status == Success && count == 1;
    }

    std::string Xdotool(const std::vector<std::string>& args)
    {
        TRunEnvironment environment;
        environment.set = {{"DISPLAY", name}};
        // A "--sync" that waits for an event the server never sends would hang the test: bounded.
        std::vector<std::string> bounded = {"20", "xdotool"};
        bounded.insert(bounded.end(), args.begin(), args.end());
        return RunProgram("timeout", bounded, tools, environment).out;
    }

    // The trace so far; the last line may still be being written.
    std::vector<std::string> Trace() { return Lines(ReadText(dir.File("trace.jsonl"))); }
    size_t Frames() { return Trace().size(); }
    bool WaitFrames(size_t count)
    {
        const size_t target = Frames() + count;
        return WaitFor([&] { return !GameRunning() || Frames() >= target; }, 60000) && GameRunning();
    }
    std::string LastFrame()
    {
        const auto lines = Trace();
        return lines.size() < 2 ? "" : lines[lines.size() - 2];
    }

    std::pair<int32_t, int32_t> WindowSize()
    {
        const auto lines = Lines(Xdotool({"getwindowgeometry", "--shell", window}));
        int32_t width = -1, height = -1;
        for (const std::string& line : lines) {
            if (line.rfind("WIDTH=", 0) == 0) width = std::stoi(line.substr(6));
            if (line.rfind("HEIGHT=", 0) == 0) height = std::stoi(line.substr(7));
        }
        return {width, height};
    }

    // True while another client (the game) holds the pointer: a grab of our own is refused.
    bool PointerHeldByGame()
    {
        const int result = XGrabPointer(display.get(), DefaultRootWindow(display.get()), False, ButtonPressMask,
                                        GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
        if (result == GrabSuccess) XUngrabPointer(display.get(), CurrentTime);
        XSync(display.get(), False);
        return result == AlreadyGrabbed;
    }

    // Pure white pixels in the bottom right corner of the game's window, where the notes go.
    int32_t WhiteInCorner()
    {
        const auto [width, height] = WindowSize();
        if (width < 400 || height < 60) return -1;
        XImage* image =
            XGetImage(display.get(), std::stoul(window), width - 400, height - 60, 400, 60, AllPlanes, ZPixmap);
        if (!image) return -1;
        int32_t white = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 400; ++x) white += (XGetPixel(image, x, y) & 0xFFFFFF) == 0xFFFFFF;
        XDestroyImage(image);
        return white;
    }

    // Waits for the game to reach play in its window, and gives that window the focus.
    void ReachPlay()
    {
        ASSERT_TRUE(WaitFor(
            [&] { return !GameRunning() || ReadText(dir.File("trace.jsonl")).find("GameMode") != std::string::npos; },
            120000))
            << ReadText(dir.File(".stderr"));
        ASSERT_TRUE(WaitFrames(80)) << ReadText(dir.File(".stderr"));
        window = Lines(Xdotool({"search", "--name", "^Krellix$"})).at(0);
        Xdotool({"windowfocus", "--sync", window});
        ASSERT_TRUE(WaitFrames(10));
    }

    // A window of the given size below the root, as a number xdotool takes; empty when none is.
    std::string WindowOfSize(unsigned width, unsigned height)
    {
        std::vector<Window> pending{DefaultRootWindow(display.get())};
        while (!pending.empty()) {
            const Window at = pending.back();
            pending.pop_back();
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display.get(), at, &attributes) && attributes.map_state == IsViewable &&
                static_cast<unsigned>(attributes.width) == width && static_cast<unsigned>(attributes.height) == height)
                return std::to_string(at);
            Window root = 0, parent = 0;
            Window* children = nullptr;
            unsigned count = 0;
            if (XQueryTree(display.get(), at, &root, &parent, &children, &count)) {
                pending.insert(pending.end(), children, children + count);
                if (children) XFree(children);
            }
        }
        return "";
    }

    void TakeFocusAway()
    {
        XSetInputFocus(display.get(), None, RevertToNone, CurrentTime);
        XSync(display.get(), False);
    }

    TTempDir dir;
    std::string data;
    std::string tools;
    std::string name;
    std::string window;
    std::unique_ptr<Display, TDisplayCloser> display;
    int server = -1;
    int manager = -1;
    int compositor = -1;
    int game = -1;
};

TEST_F(Desktop, ToggleResizePointerAndFocusInARealWindow)
{
    StartGame({"--window", "--data", data, "--level", "1", "--record", "rec.txt", "--trace", "trace.jsonl"});
    ASSERT_NO_FATAL_FAILURE(ReachPlay());
    EXPECT_EQ(WindowSize(), std::pair(1024, 768));
    EXPECT_TRUE(PointerHeldByGame()) << "the pointer is not kept in the window during play";

    // The volume and screenshot keys work during a recording and never reach it.
    Xdotool({"key", "F5", "F8", "F12"});
    EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(dir.File("pictures/Krellix")); }, 10000));

    // Alt+Enter and F11 switch, in play and while paused; neither reaches the game.
    Xdotool({"key", "alt+Return"});
    EXPECT_TRUE(WaitFor([&] { return WindowSize() == std::pair(1280, 1024); }, 10000));
    ASSERT_TRUE(WaitFrames(10));
    Xdotool({"key", "F11"});
    EXPECT_TRUE(WaitFor([&] { return WindowSize() == std::pair(1024, 768); }, 10000));
    ASSERT_TRUE(WaitFrames(10));
    EXPECT_NE(LastFrame().find("\"Paused\":false"), std::string::npos) << LastFrame();

    // A resized window: the corners and the middle of the window in game coordinates.
    Xdotool({"windowsize", "--sync", window, "800", "400"});
    ASSERT_TRUE(WaitFrames(5));
    for (const auto& [x, y] : {std::pair("0", "0"), std::pair("799", "399"), std::pair("799", "0"),
                               std::pair("0", "399"), std::pair("400", "200")}) {
        Xdotool({"mousemove", "--window", window, x, y});
        ASSERT_TRUE(WaitFrames(3));
    }

    // Focus lost in play: the game pauses and lets the pointer go.
    TakeFocusAway();
    EXPECT_TRUE(WaitFor([&] { return LastFrame().find("\"Paused\":true") != std::string::npos; }, 20000))
        << LastFrame();
    ASSERT_TRUE(WaitFrames(5));
    EXPECT_FALSE(PointerHeldByGame());
    Xdotool({"windowfocus", "--sync", window});
    ASSERT_TRUE(WaitFrames(10));
    EXPECT_NE(LastFrame().find("\"Paused\":true"), std::string::npos) << "back in the window, still paused";
    EXPECT_FALSE(PointerHeldByGame());
    Xdotool({"key", "F11"});
    EXPECT_TRUE(WaitFor([&] { return WindowSize() == std::pair(1280, 1024); }, 10000));
    ASSERT_TRUE(WaitFrames(5));
    Xdotool({"key", "F11"});
    EXPECT_TRUE(WaitFor([&] { return WindowSize() == std::pair(800, 400); }, 10000));
    ASSERT_TRUE(WaitFrames(5));
    EXPECT_NE(LastFrame().find("\"Paused\":true"), std::string::npos) << "the toggle resumed the game";

    // Space resumes, and the pointer is held again.
    Xdotool({"keydown", "space"});
    EXPECT_TRUE(WaitFor([&] { return LastFrame().find("\"Paused\":false") != std::string::npos; }, 20000));
    Xdotool({"keyup", "space"});
    ASSERT_TRUE(WaitFrames(5));
    EXPECT_TRUE(PointerHeldByGame());

    // Escape held leaves the game, which then saves and ends.
    Xdotool({"keydown", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return !GameRunning(); }, 60000));
    Xdotool({"keyup", "Escape"});
    EXPECT_EQ(WaitProgram(game), 0) << ReadText(dir.File(".stderr"));
    game = -1;

    const std::string recording = ReadText(dir.File("rec.txt"));
    for (const char* line : {" mousemove 0 0\n", " mousemove 1023 767\n", " mousemove 1023 0\n", " mousemove 0 767\n",
                             " mousemove 513 384\n", " focus 0\n", " keydown 32\n"})
        EXPECT_NE(recording.find(line), std::string::npos) << line;
    // Neither toggle key was seen by the game: no Enter, no F11 (122), no typed Enter.
    for (const char* line : {" keydown 13\n", " keyup 13\n", " char 13\n", " keydown 122\n", " keyup 122\n",
                             " keydown 116\n", " keyup 116\n", " keydown 119\n", " keydown 123\n", " keyup 123\n"})
        EXPECT_EQ(recording.find(line), std::string::npos) << line;
    EXPECT_FALSE(std::filesystem::exists(data + "/settings")) << "a recorded run keeps no settings";
}

TEST_F(Desktop, VolumeNoteScreenshotAndTheWindowAsLastLeft)
{
    StartGame({"--window", "--data", data, "--level", "1", "--trace", "trace.jsonl"});
    ReachPlay();
    const int32_t before = WhiteInCorner();
    ASSERT_GE(before, 0);
    // Four steps down: the note shows over the picture for about a second.
    Xdotool({"key", "F5", "F5", "F5", "F5"});
    int32_t during = 0;
    EXPECT_TRUE(WaitFor([&] { return (during = WhiteInCorner()) > before + 150; }, 3000))
        << before << " white pixels before, " << during << " after";
    EXPECT_TRUE(WaitFor([&] { return WhiteInCorner() <= before + 10; }, 10000)) << "the note stays";

    // The screenshot is the game's picture alone, never the note.
    Xdotool({"key", "F5", "F12"});
    std::vector<std::filesystem::path> shots;
    EXPECT_TRUE(WaitFor(
        [&] {
            shots.clear();
            std::error_code ignored;
            for (const auto& entry : std::filesystem::directory_iterator(dir.File("pictures/Krellix"), ignored))
                if (entry.path().extension() == ".png") shots.push_back(entry.path());
            return shots.size() == 1;
        },
        10000));
    ASSERT_EQ(shots.size(), 1u);
    const TPicture shot = ReadPng(shots[0]);
    ASSERT_EQ(shot.width, 1024);
    ASSERT_EQ(shot.height, 768);
    int32_t white = 0;
    for (int32_t y = 708; y < 768; ++y)
        for (int32_t x = 624; x < 1024; ++x) white += shot.At(x, y)[0] == 255 && shot.At(x, y)[1] == 255;
    EXPECT_LT(white, 20) << "the note is in the screenshot";

    // A window of another size, then the end: the next run opens that window without options.
    Xdotool({"windowsize", "--sync", window, "800", "600"});
    ASSERT_TRUE(WaitFrames(5));
    Xdotool({"keydown", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return !GameRunning(); }, 60000));
    Xdotool({"keyup", "Escape"});
    EXPECT_EQ(WaitProgram(game), 0) << ReadText(dir.File(".stderr"));
    game = -1;
    const std::string settings = ReadText(data + "/settings");
    for (const char* line : {"\nmusic 50\n", "\neffects 100\n", "\nscreen window\n", "\nwindow 800x600\n"})
        EXPECT_NE(settings.find(line), std::string::npos) << line << " in\n" << settings;

    std::filesystem::remove(dir.File("trace.jsonl"));
    StartGame({"--data", data, "--level", "1", "--trace", "trace.jsonl"});
    ReachPlay();
    EXPECT_EQ(WindowSize(), std::pair(800, 600));
    EXPECT_FALSE(std::filesystem::exists(dir.File("home/.config/krellix"))) << "--data keeps them beside the tables";
}

// A sound server of the test's own with a null sink: what the game plays, as the desktop hears it.
class PulseServer {
public:
    explicit PulseServer(const std::string& folder) : _folder(folder)
    {
        std::filesystem::create_directories(folder + "/run");
        TRunEnvironment environment;
        environment.set = {{"HOME", folder}, {"XDG_RUNTIME_DIR", folder + "/run"}};
        _pid = StartProgram("pulseaudio",
                            {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-L",
                             "module-null-sink sink_name=heard rate=44100", "-L",
                             "module-native-protocol-unix auth-anonymous=1 socket=" + Socket()},
                            folder, environment);
    }
    ~PulseServer()
    {
        if (_pid <= 0) return;
        kill(_pid, SIGTERM);
        WaitProgram(_pid);
    }
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    std::string Socket() const { return _folder + "/native"; }
    std::string Address() const { return "unix:" + Socket(); }
    TRunResult Pactl(const std::vector<std::string>& args) const
    {
        TRunEnvironment environment;
        environment.set = {{"PULSE_SERVER", Address()}};
        return RunProgram("pactl", args, _folder, environment);
    }
    // The RMS of what the sink plays over about a second, full scale 1.
    double Level() const
    {
        const std::string folder = _folder + "/rec";
        std::filesystem::create_directories(folder);
        TRunEnvironment environment;
        environment.set = {{"PULSE_SERVER", Address()}};
        const int pid =
            StartProgram("parec", {"-d", "heard.monitor", "--raw", "--format=s16le", "--channels=2", "--rate=44100"},
                         folder, environment);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        kill(pid, SIGTERM);
        WaitProgram(pid);
        const std::string bytes = ReadText(folder + "/.stdout");
        double sum = 0.0;
        const size_t count = bytes.size() / 2;
        for (size_t i = 0; i < count; ++i) {
            int16_t sample = 0;
            std::memcpy(&sample, bytes.data() + 2 * i, 2);
            sum += (sample / 32768.0) * (sample / 32768.0);
        }
        return count ? std::sqrt(sum / static_cast<double>(count)) : -1.0;
    }

private:
    std::string _folder;
    int _pid = -1;
};

TEST_F(Desktop, TenStepsDownSilenceTheMusicInTheMixerAlsoInTheNextRun)
{
    if (!OnPath("pulseaudio") || !OnPath("pactl") || !OnPath("parec"))
        GTEST_SKIP() << "pulseaudio, pactl and parec are needed (Debian packages pulseaudio, pulseaudio-utils)";
    const PulseServer pulse(dir.File("pulse"));
    ASSERT_TRUE(WaitFor([&] { return pulse.Pactl({"info"}).status == 0; }, 10000)) << "no sound server";
    const std::vector<std::pair<std::string, std::string>> sound = {{"ALSOFT_DRIVERS", "pulse"},
                                                                    {"PULSE_SERVER", pulse.Address()}};

    StartGame({"--window", "--data", data, "--level", "1", "--trace", "trace.jsonl"}, sound);
    ReachPlay();
    // The mixer names the game and its icon.
    const std::string inputs = pulse.Pactl({"list", "sink-inputs"}).out;
    EXPECT_NE(inputs.find("application.name = \"Krellix\""), std::string::npos) << inputs;
    EXPECT_NE(inputs.find("application.icon_name = \"krellix\""), std::string::npos) << inputs;
    // The effects and spoken cues off first: what is heard then is the music alone.
    for (int i = 0; i < 10; ++i) Xdotool({"key", "F7"});
    ASSERT_TRUE(WaitFrames(10));
    const double playing = pulse.Level();
    EXPECT_GT(playing, 0.01) << "the level's music is heard";
    for (int i = 0; i < 10; ++i) Xdotool({"key", "F5"});
    ASSERT_TRUE(WaitFrames(10));
    EXPECT_LT(pulse.Level(), playing / 1000) << "ten steps down silence the music";
    Xdotool({"keydown", "Escape"});
    EXPECT_TRUE(WaitFor([&] { return !GameRunning(); }, 60000));
    Xdotool({"keyup", "Escape"});
    EXPECT_EQ(WaitProgram(game), 0) << ReadText(dir.File(".stderr"));
    game = -1;

    std::filesystem::remove(dir.File("trace.jsonl"));
    StartGame({"--data", data, "--level", "1", "--trace", "trace.jsonl"}, sound);
    ReachPlay();
    EXPECT_NE(pulse.Pactl({"list", "sink-inputs"}).out.find("Krellix"), std::string::npos);
    EXPECT_LT(pulse.Level(), playing / 1000) << "the next run is silent too";
}

// The last position of the pointer the game saw, in its own coordinates.
std::pair<int32_t, int32_t> LastPointer(const std::string& recording)
{
    std::pair<int32_t, int32_t> last{-1, -1};
    for (const std::string& line : Lines(recording)) {
        std::istringstream words(line);
        std::string frame, event;
        int32_t x = -1, y = -1;
        if (words >> frame >> event >> x >> y && event == "mousemove") last = {x, y};
    }
    return last;
}

TEST_F(Desktop, NativeWaylandUnderWestonOnTheXServer)
{
    if (!OnPath("weston")) GTEST_SKIP() << "weston is needed (Debian package weston)";
    // The compositor manages its own windows; an X window manager would take the X focus, and
    // with it the keyboard, from the compositor's window.
    Stop(manager);
    // A compositor of its own, its output a 1200 x 900 X window in the top left corner of the
    // screen; it passes the X server's keys and pointer on to its clients.
    const std::string runtime = dir.File("wayland");
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    TRunEnvironment environment;
    environment.set = {{"DISPLAY", name}, {"XDG_RUNTIME_DIR", runtime}};
    compositor = StartProgram(
        "weston",
        {"--backend=x11-backend.so", "--socket=krellix-test", "--width=1200", "--height=900", "--idle-time=0"}, tools,
        environment);
    ASSERT_GT(compositor, 0);
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(runtime + "/krellix-test"); }, 20000))
        << ReadText(tools + "/.stderr");
    // The compositor's X window, found by its size: its title is not always set. It has the X
    // focus before the game comes, so the keyboard is the game's from its first frame.
    ASSERT_TRUE(WaitFor([&] { return !(window = WindowOfSize(1200, 900)).empty(); }, 20000));
    Xdotool({"windowfocus", "--sync", window});
    environment.set = {{"WAYLAND_DISPLAY", "krellix-test"},
                       {"XDG_RUNTIME_DIR", runtime},
                       {"SDL_VIDEODRIVER", "wayland"},
                       {"ALSOFT_DRIVERS", "null"},
                       {"LIBGL_ALWAYS_SOFTWARE", "1"}};
    environment.unset = {"DISPLAY"};
    game = StartProgram(KRELLIX_EXE,
                        {"--window", "--data", data, "--level", "1", "--record", "rec.txt", "--trace", "trace.jsonl"},
                        dir.Path(), environment);
    ASSERT_GT(game, 0);
    ASSERT_TRUE(WaitFor(
        [&] { return !GameRunning() || ReadText(dir.File("trace.jsonl")).find("GameMode") != std::string::npos; },
        120000))
        << ReadText(dir.File(".stderr"));
    ASSERT_TRUE(WaitFrames(80)) << ReadText(dir.File(".stderr"));
    const auto paused = [&] { return LastFrame().find("\"Paused\":true") != std::string::npos; };
    // The compositor passes a key press and release on at once, often within one frame, and the
    // game reads its keys once a frame: a key is held until the game has acted on it.
    const auto hold = [&](const char* key, const std::function<bool()>& until) {
        Xdotool({"keydown", key});
        const bool seen = WaitFor(until, 20000);
        Xdotool({"keyup", key});
        return seen && WaitFrames(5);
    };
    ASSERT_TRUE(hold("p", paused)) << LastFrame();
    // Paused, the game lets the pointer go; where it lands in the game shows where the game's
    // window is: the far corner of the compositor's output is the picture's only at full screen.
    const auto pointerAt = [&](const std::string& x, const std::string& y) {
        Xdotool({"mousemove", "--window", window, x, y});
        WaitFrames(5);
        return LastPointer(ReadText(dir.File("rec.txt")));
    };
    const auto farCorner = [&] {
        pointerAt("600", "450");
        const auto seen = pointerAt("1198", "898");
        return seen.first >= 1020 && seen.second >= 764;
    };
    const auto toggled = [&](bool fullScreen) {
        Xdotool({"key", "F11"});
        return WaitFor([&] { return !GameRunning() || farCorner() == fullScreen; }, 20000) && GameRunning();
    };
    EXPECT_FALSE(farCorner()) << "not in a window at the start";
    EXPECT_TRUE(toggled(true)) << "not at full screen after F11";
    EXPECT_TRUE(toggled(false)) << "not back in a window after F11";
    EXPECT_TRUE(paused()) << "the toggle resumed the game";

    // The compositor resizes a window by Super and the right button dragged from near a corner:
    // 200 pixels off each side, the picture is letterboxed smaller, each of its pixels on the
    // screen about 0.74 of one.
    const auto [inX, inY] = pointerAt("600", "450");
    const int32_t left = 600 - inX;
    const int32_t top = 450 - inY;
    const auto at = [&](int32_t x, int32_t y) { return pointerAt(std::to_string(left + x), std::to_string(top + y)); };
    at(950, 700);
    Xdotool({"keydown", "super"});
    Xdotool({"mousedown", "3"});
    for (int32_t step = 1; step <= 4; ++step) at(950 - 50 * step, 700 - 50 * step);
    Xdotool({"mouseup", "3"});
    Xdotool({"keyup", "super"});
    ASSERT_TRUE(WaitFrames(10));
    const auto near = at(300, 300);
    const auto far = at(400, 400);
    EXPECT_NEAR(far.first - near.first, 135, 8) << "the picture did not follow the window's new size";
    EXPECT_NEAR(far.second - near.second, 135, 8) << "the picture did not follow the window's new size";
    // Only Space resumes: the click that gives the keyboard back below must not.
    Xdotool({"click", "1"});
    ASSERT_TRUE(WaitFrames(5));
    EXPECT_TRUE(paused()) << "a click resumed the game";

    // Space resumes; the compositor's window losing the focus pauses play.
    EXPECT_TRUE(hold("space", [&] { return !paused(); })) << LastFrame();
    TakeFocusAway();
    EXPECT_TRUE(WaitFor([&] { return paused(); }, 20000)) << LastFrame();

    // Back in the compositor's window, Space resumes and Escape held leaves the game, which then
    // saves and ends. Given the X focus back, weston 10 now and then misses it and leaves its
    // client without the keyboard; a click on the game's window gives it the keyboard, as on any
    // desktop, and the paused game takes no clicks.
    Xdotool({"windowfocus", "--sync", window});
    at(300, 300);
    Xdotool({"click", "1"});
    ASSERT_TRUE(WaitFrames(10));
    EXPECT_TRUE(paused()) << "back in the window, not paused";
    EXPECT_TRUE(hold("space", [&] { return !paused(); })) << LastFrame();
    Xdotool({"keydown", "Escape"});
    const bool ended = WaitFor([&] { return !GameRunning(); }, 60000);
    Xdotool({"keyup", "Escape"});
    ASSERT_TRUE(ended);
    EXPECT_EQ(WaitProgram(game), 0) << ReadText(dir.File(".stderr"));
    game = -1;
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/users.dat")));
    // F11 is the window's, not the game's.
    const std::string recording = ReadText(dir.File("rec.txt"));
    for (const char* line : {" keydown 80\n", " focus 0\n", " keydown 32\n", " keydown 27\n"})
        EXPECT_NE(recording.find(line), std::string::npos) << line;
    for (const char* line : {" keydown 122\n", " keyup 122\n"})
        EXPECT_EQ(recording.find(line), std::string::npos) << line;
}

}  // namespace

// The built game on other parts of players' machines than the software OpenGL and null sound of
// the other tests: a second OpenGL (zink over Vulkan) and a real PulseAudio server.
#include "tests/support/Files.h"
#include "tests/support/Picture.h"
#include "tests/support/PulseServer.h"
#include "tests/support/RunFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

class OtherStacks : public TRunFixture {};

// Pixels whose channels differ by more than a rounding of filtered texels, and those of them not in
// a line one pixel thick.
struct TDifference {
    int32_t pixels = 0;
    int32_t thick = 0;
};

TDifference Compare(const TPicture& a, const TPicture& b)
{
    const auto differs = [&](int32_t x, int32_t y) {
        if (x < 0 || y < 0 || x >= a.width || y >= a.height) return false;
        const uint8_t* p = a.At(x, y);
        const uint8_t* q = b.At(x, y);
        for (int32_t c = 0; c < 3; ++c)
            if (std::abs(p[c] - q[c]) > 8) return true;
        return false;
    };
    TDifference d;
    for (int32_t y = 0; y < a.height; ++y) {
        for (int32_t x = 0; x < a.width; ++x) {
            if (!differs(x, y)) continue;
            ++d.pixels;
            const bool across = !differs(x, y - 1) && !differs(x, y + 1);
            const bool along = !differs(x - 1, y) && !differs(x + 1, y);
            if (!across && !along) ++d.thick;
        }
    }
    return d;
}

TEST_F(OtherStacks, ZinkOverVulkanDrawsTheMenuAndABusyLevelAsLlvmpipeDoes)
{
    // Mesa's OpenGL on Vulkan (lavapipe, a rasteriser of its own) rather than on llvmpipe.
    TRunEnvironment zink;
    zink.unset = {"LIBGL_ALWAYS_SOFTWARE"};
    zink.set = {{"MESA_LOADER_DRIVER_OVERRIDE", "zink"}, {"EGL_LOG_LEVEL", "debug"}};
    TRunEnvironment llvmpipe;
    llvmpipe.set = {{"LIBGL_ALWAYS_SOFTWARE", "1"}};
    struct TCase {
        const char* name;
        std::vector<std::string> options;
        const char* script;
        int32_t shot;
    };
    // The menu after the intro; level 15 with the ball in flight, a capsule falling and bricks
    // broken.
    const TCase cases[] = {{"menu", {}, "3 keydown 32\n4 keyup 32\n", 150},
                           {"level", {"--level", "15"}, "70 keydown 32\n71 keyup 32\n", 222}};
    for (const TCase& c : cases) {
        // The trace of one run and the screenshot of frame shot under the name, in the environment.
        const auto run = [&](const std::string& name, const TRunEnvironment& environment) {
            std::vector<std::string> options = {"--frames", std::to_string(c.shot + 1), "--shot",
                                                std::to_string(c.shot) + ":" + name + ".png"};
            options.insert(options.end(), c.options.begin(), c.options.end());
            RunHeadless(c.script, options, environment);
            return ReadText(dir.Path() / "trace.jsonl");
        };
        const std::string second = run(std::string("zink-") + c.name, zink);
        if (status == 1 && err.find("zink") != std::string::npos)
            GTEST_SKIP() << "zink cannot start here (Debian package mesa-vulkan-drivers): "
                         << err.substr(err.find("zink"), 200);
        ASSERT_EQ(status, 0) << err;
        ASSERT_NE(err.find("zink_dri.so"), std::string::npos) << "not drawn by zink:\n" << err;
        ASSERT_EQ(err.find("swrast_dri.so"), std::string::npos) << "llvmpipe drew it:\n" << err;
        const std::string first = run(std::string("llvmpipe-") + c.name, llvmpipe);
        ASSERT_EQ(status, 0) << err;
        EXPECT_EQ(second, first) << "the same game";

        const TPicture a = ReadPng(dir.File(std::string("llvmpipe-") + c.name + ".png"));
        const TPicture b = ReadPng(dir.File(std::string("zink-") + c.name + ".png"));
        ASSERT_EQ(a.width, 1024) << c.name;
        ASSERT_EQ(b.width, 1024) << c.name;
        // The bricks and the field's pieces sit half a pixel off the grid, so their edges fall on
        // pixel centres, where the two rasterisers may decide differently: a brick's edge row or
        // column is drawn by one and not by the other. Filtered texels may round differently too
        // (up to 8 per channel anywhere). So larger differences must lie in lines one pixel thick
        // (the pixels above and below, or left and right, agree), and cover no more than the
        // edges of a full field of bricks could (2 rows of 688 pixels for each of its 11 rows of
        // bricks, and as much again for the sprites).
        const TDifference d = Compare(a, b);
        EXPECT_EQ(d.thick, 0) << c.name;
        EXPECT_LE(d.pixels, 2 * 11 * 2 * 688) << c.name;
    }
}

// Loudness of the high frequencies of 16-bit stereo samples (their second difference), in dB
// below full scale per window of ms: the game's effects are clicks and knocks, the music is not.
std::vector<double> SharpnessDb(const std::string& raw, int32_t ms)
{
    std::string filtered(raw.size(), '\0');
    const auto sample = [&](size_t i) {
        int16_t value = 0;
        std::memcpy(&value, raw.data() + i * 2, 2);
        return static_cast<int32_t>(value);
    };
    for (size_t i = 4; i < raw.size() / 2; ++i) {
        const int32_t value = std::clamp(sample(i) - 2 * sample(i - 2) + sample(i - 4), -32768, 32767);
        const auto narrow = static_cast<int16_t>(value);
        std::memcpy(filtered.data() + i * 2, &narrow, 2);
    }
    return LoudnessDb(filtered, ms);
}

TEST_F(OtherStacks, ThePulseAudioServerPlaysMusicAndEffectsAndItsLossEndsNothing)
{
    for (const char* program : {"pulseaudio", "parec", "pactl", "xvfb-run"})
        if (!OnPath(program))
            GTEST_SKIP() << program << " is needed (Debian packages pulseaudio, pulseaudio-utils, xvfb)";
    const std::string home = dir.File("pulse");
    std::filesystem::create_directory(home);
    TPulseServer server(home, "krellix_test");
    ASSERT_TRUE(server.Started()) << server.Log();
    ASSERT_TRUE(server.StartRecording(dir.File("heard.raw")));

    // The intro skipped, the menu, New Game as ACE, the launch in level 1, Escape held and Quit.
    WriteText(dir.File("input.txt"), "3 keydown 32\n4 keyup 32\n100 keydown 40\n101 keyup 40\n120 keydown 13\n"
                                     "121 keyup 13\n260 char 97\n260 char 99\n260 char 101\n280 keydown 13\n"
                                     "281 keyup 13\n476 keydown 32\n477 keyup 32\n900 keydown 27\n1100 keyup 27\n"
                                     "1200 keydown 40\n1300 keyup 40\n1320 keydown 13\n1321 keyup 13\n");
    TRunEnvironment environment = server.Environment();
    environment.set.insert(environment.set.end(), {{"ALSOFT_DRIVERS", "pulse"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}});
    environment.unset.insert(environment.unset.end(), {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY", "SDL_AUDIODRIVER"});
    const int game = StartProgram("xvfb-run",
                                  {"-a", "-s", "-screen 0 1280x1024x24 -nolisten tcp", KRELLIX_EXE, "--window",
                                   "--data", data, "--input", "input.txt", "--trace", "trace.jsonl"},
                                  dir.Path(), environment);
    ASSERT_GT(game, 0);
    // The server goes a second after the first brick, long before Escape.
    int64_t killedAt = -1;
    WaitForTrace(game, [&](const std::vector<std::string>& lines) {
        for (size_t i = 0; i + 60 < lines.size(); ++i) {
            if (Member(lines[i], "Score") > 0) {
                server.Kill();
                killedAt = Member(lines.back(), "frame");
                return true;
            }
        }
        return false;
    });
    Wait(game);
    ASSERT_GT(killedAt, 0) << "no brick went\n" << err;
    ASSERT_LT(killedAt, 900) << "the server went too late";
    EXPECT_EQ(status, 0) << err;
    EXPECT_NE(ReadText(data + "/users.dat").find("ACE"), std::string::npos);
    EXPECT_FALSE(ReadText(data + "/highscore.dat").empty());

    ASSERT_GT(trace.size(), 1300u);
    EXPECT_EQ(trace.back().Text("screen"), "menu") << "the game was played on to its end after the server went";
    const auto msOf = [&](const auto& found) {
        const auto it = std::find_if(trace.begin(), trace.end(), found);
        return it == trace.end() ? int64_t{-1} : (*it)["ms"];
    };
    const int64_t menu = msOf([](const TTraceLine& t) { return t.Text("screen") == "menu"; });
    const int64_t level = msOf([](const TTraceLine& t) { return t.Text("screen") == "level"; });
    const int64_t brick = msOf([](const TTraceLine& t) { return t["Score"] > 0; });

    const std::string heard = ReadText(dir.File("heard.raw"));
    constexpr int32_t kWindow = 20;
    const std::vector<double> loudness = LoudnessDb(heard, kWindow);
    // The recording ends when the server went: a moment of the trace is heard as long before its
    // end as it was before the kill, later by the way from the game to the server (a few windows).
    const int64_t killed = msOf([&](const TTraceLine& t) { return t["frame"] == killedAt; });
    const auto heardAt = [&](int64_t ms) { return static_cast<int64_t>(loudness.size()) - (killed - ms) / kWindow; };

    // The front end's music, from a second and a half into the menu (it may still be decoding
    // before) to the level's start.
    const int64_t first = heardAt(menu) + 75, last = heardAt(level) - 10;
    ASSERT_GE(first, 0);
    ASSERT_GT(last, first + 100);
    std::vector<double> front(loudness.begin() + first, loudness.begin() + last);
    std::sort(front.begin(), front.end());
    EXPECT_NEAR(front[front.size() / 2], -19.0, 6.0) << "the menu's music, in dB below full scale";

    // The brick's effect is a click standing well out of the level's music.
    const std::vector<double> sharp = SharpnessDb(heard, kWindow);
    std::vector<double> sorted = sharp;
    std::sort(sorted.begin(), sorted.end());
    const double background = sorted[sorted.size() / 2];
    const auto loud = [&](int64_t i) {
        return i >= 0 && i < static_cast<int64_t>(sharp.size()) && sharp[static_cast<size_t>(i)] > background + 20.0;
    };
    // The kill is placed by the last trace line read before it, and the trace is polled: on a busy
    // machine the server goes well after that line, so the click may be heard up to 300 ms early.
    int64_t click = -1;
    for (int64_t i = heardAt(brick) - 15; i <= heardAt(brick) + 12 && click < 0; ++i)
        if (loud(i) && !loud(i - 1)) click = i;
    EXPECT_GE(click, 0) << "no brick heard " << killed - brick << " ms before the server went";
}

}  // namespace

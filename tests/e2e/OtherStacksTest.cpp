// The built game on other parts of players' machines than the software OpenGL and null sound of
// the other tests: a second OpenGL (zink over Vulkan) and a real PulseAudio server.
#include "tests/support/Picture.h"
#include "tests/support/PulseServer.h"
#include "tests/support/Run.h"
#include "tests/support/TempDir.h"
#include "tests/support/Trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <sys/wait.h>

namespace {

class OtherStacks : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.Path().empty());
        data = dir.File("data");
        std::filesystem::create_directory(data);
        for (const char* folder : {"images", "sounds"})
            std::filesystem::create_directory_symlink(std::filesystem::path(KRELLIX_DATA_DIR) / folder,
                                                      std::filesystem::path(data) / folder);
    }

    // A headless run with the screenshot of frame shot and the trace; environment as given.
    TRunResult Headless(const std::vector<std::string>& options, int32_t shot, const std::string& name,
                        TRunEnvironment environment)
    {
        WriteText(dir.File("input.txt"), script);
        std::vector<std::string> args = {"--headless", "--data", data, "--input", "input.txt", "--trace",
                                         name + ".jsonl", "--frames", std::to_string(shot + 1), "--shot",
                                         std::to_string(shot) + ":" + name + ".png"};
        args.insert(args.end(), options.begin(), options.end());
        environment.set.emplace_back("ALSOFT_DRIVERS", "null");
        return RunProgram(KRELLIX_EXE, args, dir.Path(), environment);
    }

    TTempDir dir;
    std::string data;
    std::string script;
};

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
        script = c.script;
        const TRunResult second = Headless(c.options, c.shot, std::string("zink-") + c.name, zink);
        if (second.status == 1 && second.err.find("zink") != std::string::npos)
            GTEST_SKIP() << "zink cannot start here (Debian package mesa-vulkan-drivers): "
                         << second.err.substr(second.err.find("zink"), 200);
        ASSERT_EQ(second.status, 0) << second.err;
        ASSERT_NE(second.err.find("zink_dri.so"), std::string::npos) << "not drawn by zink:\n" << second.err;
        ASSERT_EQ(second.err.find("swrast_dri.so"), std::string::npos) << "llvmpipe drew it:\n" << second.err;
        const TRunResult first = Headless(c.options, c.shot, std::string("llvmpipe-") + c.name, llvmpipe);
        ASSERT_EQ(first.status, 0) << first.err;
        EXPECT_EQ(ReadText(dir.File(std::string("zink-") + c.name + ".jsonl")),
                  ReadText(dir.File(std::string("llvmpipe-") + c.name + ".jsonl")))
            << "the same game";

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

}  // namespace

// The intro through the built program: headless start-ups without --level, the trace's stages,
// skipping with Space or Return, and the starfield and the sine-wave logo in screenshots.
#include "tests/support/Files.h"
#include "tests/support/Picture.h"
#include "tests/support/RunFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace {

// The first intro frame: frame 1 is the blank start-up frame, frame 2 shows "Loading...".
constexpr int32_t FirstIntroFrame = 3;

// The intro stage of a traced frame, 0 when not in the intro.
int64_t Stage(const TTraceLine& frame) { return std::max<int64_t>(0, frame["introStage"]); }

class IntroRunTest : public TRunFixture {
protected:
    // Starts the program as a player does (no --level), headless, for frames frames.
    void Start(const std::string& script, int32_t frames, std::vector<std::string> options = {})
    {
        options.insert(options.begin(), {"--frames", std::to_string(frames)});
        RunHeadless(script, options);
    }

    std::vector<int64_t> IntroFrames() const
    {
        std::vector<int64_t> frames;
        for (const TTraceLine& f : trace)
            if (Stage(f) > 0) frames.push_back(f["frame"]);
        return frames;
    }
};

TEST_F(IntroRunTest, TheFiveStagesRunTheirLengthsInOrderAndThenTheMenuBegins)
{
    // Stage 1 frame 400 (the logo still low, clear of the caption) and stage 2 frame 1000.
    const int32_t sineFrame = FirstIntroFrame + 400, starFrame = FirstIntroFrame + 1124 + 1000;
    Start("", 5400,
          {"--shot", std::to_string(sineFrame) + ":sine.png", "--shot", std::to_string(starFrame) + ":stars.png"});
    ASSERT_EQ(status, 0) << err;
    ASSERT_EQ(trace.size(), 5400u);

    std::map<int64_t, int64_t> length;
    std::vector<int64_t> order;
    int64_t lastIntroFrame = 0;
    for (const TTraceLine& f : trace) {
        EXPECT_EQ(f.Text("screen") == "intro", Stage(f) > 0) << "frame " << f["frame"];
        if (Stage(f) == 0) continue;
        if (order.empty() || order.back() != Stage(f)) order.push_back(Stage(f));
        ++length[Stage(f)];
        lastIntroFrame = f["frame"];
    }
    EXPECT_EQ(order, (std::vector<int64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(IntroFrames().front(), FirstIntroFrame);
    EXPECT_EQ(length[1], 1124);
    EXPECT_EQ(length[3], 510);
    EXPECT_EQ(length[4], 768);
    EXPECT_EQ(length[5], 632);
    // The starfield ends with its last title, 2250 frames away at the start, a few frames early
    // when it leaves by the edge.
    EXPECT_GT(length[2], 2200);
    EXPECT_LE(length[2], 2250);
    EXPECT_EQ(lastIntroFrame - FirstIntroFrame + 1, length[1] + length[2] + length[3] + length[4] + length[5]);
    // The menu follows at once.
    ASSERT_LT(static_cast<size_t>(lastIntroFrame), trace.size());
    EXPECT_EQ(trace[static_cast<size_t>(lastIntroFrame)].Text("screen"), "menu");

    // The sine-wave logo, risen from y 1000 to 600 by stage frame 400: each screen column shows the
    // logo's column shifted by 30 sin(c + phase), the phase moving 2 degrees a frame (801 by then).
    const TPicture sine = ReadPng(dir.File("sine.png"), true);
    const TPicture logo = ReadPng(std::string(KRELLIX_DATA_DIR) + "/images/Quillonlogo.png", true);
    ASSERT_EQ(sine.width, 1024);
    ASSERT_GT(logo.width, 100);
    const int32_t half = logo.width / 2, top = 600 - logo.height / 2;
    int32_t columns = 0, matched = 0;
    for (int32_t c = -half + 20; c < half - 20; c += 7) {
        // The logo column over black, as 0..255 brightness.
        std::vector<int32_t> source(static_cast<size_t>(logo.height));
        int32_t spread = 0;
        for (int32_t r = 0; r < logo.height; ++r) {
            const uint8_t* p = logo.At(half - 1 + c, r);
            source[static_cast<size_t>(r)] = (p[0] + p[1] + p[2]) / 3 * p[3] / 255;
            spread = std::max(spread, source[static_cast<size_t>(r)]);
        }
        if (spread < 60) continue;
        int32_t best = 0;
        int64_t bestCost = -1;
        for (int32_t shift = -40; shift <= 40; ++shift) {
            int64_t cost = 0;
            for (int32_t r = 0; r < logo.height; ++r)
                cost += std::abs(sine.Grey(511 + c, top + shift + r) - source[static_cast<size_t>(r)]);
            if (bestCost < 0 || cost < bestCost) bestCost = cost, best = shift;
        }
        const double expected = 30 * std::sin((c + 801) * std::numbers::pi / 180.0);
        ++columns;
        if (std::abs(best - expected) <= 1.5) ++matched;
    }
    ASSERT_GT(columns, 40);
    EXPECT_GE(matched, columns * 9 / 10) << matched << " of " << columns << " columns follow the wave";

    // The starfield: titles are drawn around the screen, not only the hint in the corner.
    const TPicture stars = ReadPng(dir.File("stars.png"), true);
    ASSERT_EQ(stars.height, 768);
    std::map<int32_t, int32_t> litPerQuadrant;
    int32_t lit = 0;
    for (int32_t y = 0; y < 768; ++y)
        for (int32_t x = 0; x < 1024; ++x) {
            if (x > 870 && y > 730) continue;
            if (stars.Grey(x, y) < 40) continue;
            ++lit;
            ++litPerQuadrant[(x < 512 ? 0 : 1) + (y < 384 ? 0 : 2)];
        }
    EXPECT_GT(lit, 2000);
    EXPECT_GE(litPerQuadrant.size(), 3u);
    int32_t hint = 0;
    for (int32_t y = 740; y < 768; ++y)
        for (int32_t x = 886; x < 1024; ++x) hint += stars.Grey(x, y) > 128;
    EXPECT_GT(hint, 50) << "the hint is drawn in the corner";
}

TEST_F(IntroRunTest, SpaceOrReturnOnTheFirstIntroFrameSkipsEveryStageButAKeyFromLoadingIsNotSeen)
{
    const int32_t runFrames = 60;
    struct TCase {
        std::string script;
        bool skipped;
    };
    const std::string first = std::to_string(FirstIntroFrame);
    const TCase cases[] = {
        {first + " keydown 32\n", true},
        {first + " keydown 13\n", true},
        // Held since the blank start-up frame: start-up empties the keyboard after "Loading...".
        {"1 keydown 32\n", false},
    };
    for (const TCase& c : cases) {
        Start(c.script, runFrames);
        ASSERT_EQ(status, 0) << err;
        const auto frames = IntroFrames();
        ASSERT_FALSE(frames.empty()) << c.script;
        EXPECT_EQ(frames.front(), FirstIntroFrame);
        if (c.skipped) {
            // No further intro frame: the next frame is the menu's.
            EXPECT_EQ(frames.size(), 1u) << c.script;
            EXPECT_EQ(trace[FirstIntroFrame].Text("screen"), "menu") << c.script;
        } else {
            // Every frame from the first intro frame on is the intro's first stage.
            EXPECT_EQ(static_cast<int32_t>(frames.size()), runFrames - FirstIntroFrame + 1);
            EXPECT_EQ(Stage(trace.back()), 1);
        }
    }
}

}  // namespace

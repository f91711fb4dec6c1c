// The intro: the starfield seeded with 13, a star's flight and projection, the sine-wave logo's
// one-pixel columns, each stage's length and fades, the hint on every frame, and skipping.
#include "GameWorld.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "game/Intro.h"
#include "game/Krellix.h"

#include <cmath>
#include <map>
#include <numbers>
#include <set>
#include <sstream>

namespace {

// The built-in 8 x 16 font stands in for the large face, so text sizes are plain arithmetic.
class IntroTest : public GameWorldTest {
protected:
    void SetUp() override
    {
        GameWorldTest::SetUp();
        LargeFont = nullptr;
        SetImageFont(nullptr);
        SetBlend(BLEND_ALPHA);
        StarList = std::make_shared<TList<TStar>>();
        QuillonLogoImage = MakeImage(600, 200);
        KrellixLogoImage = MakeImage(600, 160);
        SinusPhase = 0;
        Intro::Stage = 0;
    }

    // Runs the whole intro as start-up does, noting each presented frame's stage.
    std::vector<int32_t> RunIntro(const std::function<void(int32_t, const std::vector<TDrawRecord>&)>& look = {})
    {
        std::vector<int32_t> stages;
        onFlip = [&](int32_t) {
            stages.push_back(Intro::Stage);
            if (look) look(Intro::Stage, driver->presented);
        };
        ShowIntro();
        onFlip = nullptr;
        return stages;
    }

    static std::map<int32_t, int32_t> FramesPerStage(const std::vector<int32_t>& stages)
    {
        std::map<int32_t, int32_t> count;
        for (int32_t s : stages) ++count[s];
        return count;
    }
};

TEST_F(IntroTest, TheStarfieldIsTheSameInEveryRunWithTheFarthestTitleFirst)
{
    TStar::Create();
    const auto first = StarList->ToArray();
    StarList = std::make_shared<TList<TStar>>();
    TStar::Create();
    const auto second = StarList->ToArray();
    ASSERT_EQ(first.size(), 38u);
    ASSERT_EQ(second.size(), 38u);

    // Positions come from the generator seeded with 13, x before y, nearest title first.
    SeedRandom(13);
    std::set<std::string> titles;
    for (size_t i = 0; i < 38; ++i) {
        const auto& star = first[37 - i];
        EXPECT_EQ(star->positionX, RandomInt(-10, 10)) << i;
        EXPECT_EQ(star->positionY, RandomInt(-5, 5)) << i;
        EXPECT_EQ(star->positionZ, 400 + 50 * static_cast<int32_t>(i));
        EXPECT_EQ(star->starSpeed, 1);
        EXPECT_EQ(star->text, TStar::Titles[i]);
        EXPECT_EQ(second[37 - i]->positionX, star->positionX);
        EXPECT_EQ(second[37 - i]->positionY, star->positionY);
        EXPECT_EQ(second[37 - i]->text, star->text);
        titles.insert(star->text);
        // One to four words each.
        std::istringstream words(star->text);
        int32_t n = 0;
        for (std::string w; words >> w;) ++n;
        EXPECT_GE(n, 1) << star->text;
        EXPECT_LE(n, 4) << star->text;
    }
    EXPECT_EQ(titles.size(), 38u);
    EXPECT_EQ(first.front()->positionZ, 2250);
}

TEST_F(IntroTest, AStarComesOneStepNearerAndIsDrawnCentredOnItsProjection)
{
    struct TCase {
        int32_t x, y, z;
        float scale;
        int32_t sx, sy;
        uint8_t grey;
        bool leaves;
    };
    const TCase cases[] = {
        {0, 0, 101, 1.0f, 512, 384, 155, false},           // depth 100: its own size, at the centre
        {0, 0, 11, 10.0f, 512, 384, 245, false},           // depth 10: ten times the size
        {0, 0, 1, 0.25f, 512, 384, 0, true},               // depth 0: back to 400, drawn once more, gone
        {-10, 5, 401, 0.25f, 500, 390, 0, false},          // -12.8 truncates toward zero
        {10, 0, 10, 100.0f / 9.0f, 1080, 384, 246, true},  // past the right edge
        {0, -5, 7, 100.0f / 6.0f, 512, -42, 249, true},    // past the top edge
        {4, 3, 3, 50.0f, 1536, 1152, 253, true},
        {1, 1, 3, 50.0f, 768, 640, 253, false},
    };
    for (const TCase& c : cases) {
        StarList = std::make_shared<TList<TStar>>();
        auto star = std::make_shared<TStar>();
        star->positionX = c.x;
        star->positionY = c.y;
        star->positionZ = c.z;
        star->starSpeed = 1;
        star->text = "Tin Harbour";  // 88 x 16 in the built-in font
        StarList->AddLast(star);
        driver->records.clear();
        star->moveStar();

        const std::string what =
            "star at " + std::to_string(c.x) + "," + std::to_string(c.y) + "," + std::to_string(c.z);
        EXPECT_FLOAT_EQ(star->scaler, c.scale) << what;
        EXPECT_EQ(star->positionZ, c.leaves && c.z == 1 ? 400 : c.z - 1) << what;
        EXPECT_EQ(StarList->IsEmpty(), c.leaves) << what;
        const auto texts = Texts(driver->records, "Tin Harbour");
        ASSERT_EQ(texts.size(), 1u) << what;
        EXPECT_NEAR(texts[0].x[0], c.sx - 44 * c.scale, 1e-3) << what;
        EXPECT_NEAR(texts[0].y[0], c.sy - 8 * c.scale, 1e-3) << what;
        EXPECT_EQ(texts[0].red, c.grey) << what;
        // The glyphs are drawn at the star's scale.
        const auto glyphs = driver->OfKind(TDrawKind::TextGlyph);
        ASSERT_FALSE(glyphs.empty());
        EXPECT_NEAR(glyphs[0].x[1] - glyphs[0].x[0], 8 * c.scale, 1e-3) << what;

        int32_t r = 0, g = 0, b = 0;
        GetColor(r, g, b);
        EXPECT_EQ(r + g + b, 3 * 255);
        float sx = 0, sy = 0;
        GetScale(sx, sy);
        EXPECT_FLOAT_EQ(sx, 1.0f);
        EXPECT_FLOAT_EQ(sy, 1.0f);
    }
}

TEST_F(IntroTest, TheSineLogoIsDrawnColumnByColumnThroughOnePixelViewports)
{
    SinusPhase = 40;
    driver->records.clear();
    Intro::SinusLogo(500);
    EXPECT_EQ(SinusPhase, 42);
    const auto draws = Draws(driver->records, QuillonLogoImage);
    ASSERT_EQ(draws.size(), 601u);
    for (size_t i = 0; i < draws.size(); ++i) {
        const int32_t c = static_cast<int32_t>(i) - 300;
        const TDrawRecord& d = draws[i];
        const double centreY = 500 + 30 * std::sin((c + 41) * std::numbers::pi / 180.0);
        ASSERT_TRUE(d.scissor) << c;
        // The column left of the centre handle's half pixel, as tall as the logo, around the wave.
        EXPECT_EQ(d.scissor_x, 511 + c) << c;
        EXPECT_EQ(d.scissor_w, 1) << c;
        EXPECT_EQ(d.scissor_h, 200) << c;
        EXPECT_EQ(d.scissor_y, static_cast<int32_t>(static_cast<float>(centreY) - 100.0f)) << c;
        // The whole logo is placed so that this column lands in its viewport.
        EXPECT_NEAR(d.CentreX(), 512, 1e-3) << c;
        EXPECT_NEAR(d.CentreY(), centreY, 1e-3) << c;
    }
    int32_t x = 0, y = 0, w = 0, h = 0;
    GetViewport(x, y, w, h);
    EXPECT_EQ(std::vector<int32_t>({x, y, w, h}), std::vector<int32_t>({0, 0, 1024, 768}));
}

TEST_F(IntroTest, DrawImagePartPlacesTheChosenPointAndClipsAroundIt)
{
    // A handle at the top-left corner puts the rectangle's corner at the point itself.
    const TImagePtr corner = MakeImage(100, 40);
    SetImageHandle(corner, 0, 0);
    driver->records.clear();
    Intro::DrawImagePart(corner, 300.7f, 200.2f, 30, 10, 20, 8, 0);
    auto d = Draws(driver->records, corner);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(std::vector<int32_t>({d[0].scissor_x, d[0].scissor_y, d[0].scissor_w, d[0].scissor_h}),
              std::vector<int32_t>({300, 200, 20, 8}));
    EXPECT_FLOAT_EQ(d[0].x[0], 270.7f);
    EXPECT_FLOAT_EQ(d[0].y[0], 190.2f);

    // A centre handle centres it; a missing picture draws nothing.
    driver->records.clear();
    Intro::DrawImagePart(QuillonLogoImage, 400, 300, 0, 0, 60, 20, 0);
    d = Draws(driver->records, QuillonLogoImage);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(std::vector<int32_t>({d[0].scissor_x, d[0].scissor_y, d[0].scissor_w, d[0].scissor_h}),
              std::vector<int32_t>({370, 290, 60, 20}));
    driver->records.clear();
    Intro::DrawImagePart(nullptr, 400, 300, 0, 0, 60, 20, 0);
    EXPECT_TRUE(driver->OfKind(TDrawKind::Image).empty());
}

TEST_F(IntroTest, TheFiveStagesRunTheirFramesWithTheHintOnEachAndEndWhereTheMenuDrawsTheLogo)
{
    int32_t hints = 0, drawn = 0;
    int32_t lastStage = 0, stageFrame = 0;
    std::vector<int32_t> starsAfter;
    std::map<std::pair<int32_t, int32_t>, TDrawRecord> seen;  // (stage, frame in stage) -> a record
    const std::set<std::pair<int32_t, int32_t>> wanted = {{1, 0},   {1, 500}, {1, 1123}, {3, 0},  {3, 509},
                                                          {4, 100}, {4, 300}, {4, 700},  {5, 631}};
    const auto stages = RunIntro([&](int32_t stage, const std::vector<TDrawRecord>& frame) {
        ++drawn;
        stageFrame = stage == lastStage ? stageFrame + 1 : 0;
        lastStage = stage;
        ASSERT_FALSE(frame.empty());
        EXPECT_EQ(frame.front().kind, TDrawKind::Cls);
        const auto hint = Texts(frame, "Press Space to exit intro");
        ASSERT_EQ(hint.size(), 1u);
        EXPECT_FLOAT_EQ(hint[0].x[0], 886.0f);
        EXPECT_FLOAT_EQ(hint[0].y[0], 740.0f);
        EXPECT_EQ(hint[0].red, 255);
        ++hints;
        if (stage == 2) starsAfter.push_back(StarList->Count());
        if (!wanted.count({stage, stageFrame})) return;
        // Stage 1 keeps its caption, stage 4 the second caption, the others the logo.
        const TImagePtr& logo = stage == 5 ? KrellixLogoImage : QuillonLogoImage;
        const auto caption = Texts(frame, stage == 1 ? "It only took 15 years!!!" : "Varn Dovrak");
        if (stage == 1 || stage == 4) {
            ASSERT_EQ(caption.size(), 1u);
            seen[{stage, stageFrame}] = caption[0];
            if (stage == 4) seen[{-4, stageFrame}] = Draws(frame, logo).at(0);
        } else {
            seen[{stage, stageFrame}] = Draws(frame, logo).at(0);
        }
    });
    const auto count = FramesPerStage(stages);
    EXPECT_EQ(count.at(1), 1124);
    EXPECT_EQ(count.at(3), 510);
    EXPECT_EQ(count.at(4), 768);
    EXPECT_EQ(count.at(5), 632);
    EXPECT_EQ(count.count(0), 0u);
    EXPECT_EQ(hints, drawn);
    // Stage 2 runs exactly until the last star has left.
    ASSERT_EQ(static_cast<int32_t>(starsAfter.size()), count.at(2));
    EXPECT_EQ(starsAfter.back(), 0);
    for (size_t i = 0; i + 1 < starsAfter.size(); ++i) ASSERT_GT(starsAfter[i], 0) << i;
    EXPECT_GT(count.at(2), 2200);
    EXPECT_LE(count.at(2), 2250);
    EXPECT_TRUE(std::is_sorted(stages.begin(), stages.end()));
    EXPECT_EQ(Intro::Stage, 0);

    auto at = [&](int32_t stage, int32_t frame) { return seen[std::make_pair(stage, frame)]; };
    // Fades: in from black, the caption three times the size (24 x 16 becomes 72 x 48 per glyph).
    EXPECT_EQ(at(1, 0).red, 0);
    EXPECT_EQ(at(1, 500).red, 255);
    EXPECT_EQ(at(1, 1123).red, 0);
    EXPECT_FLOAT_EQ(at(1, 500).x[0], 512.0f - 24 * 8 * 3 / 2);
    EXPECT_FLOAT_EQ(at(1, 500).y[0], 384.0f - 16 * 3 / 2);
    EXPECT_EQ(at(3, 0).red, 0);
    EXPECT_EQ(at(3, 509).red, 156);
    EXPECT_NEAR(at(3, 509).CentreX(), 512, 1e-3);
    EXPECT_EQ(at(4, 100).red, 100);
    EXPECT_EQ(at(4, 300).red, 255);
    EXPECT_EQ(at(4, 700).red, 68);
    EXPECT_EQ(at(-4, 100).red, 100);
    EXPECT_EQ(at(-4, 700).red, 68);
    EXPECT_FLOAT_EQ(at(4, 300).y[0], 334.0f - 24);
    // The game logo glides from the centre to its place in the menu.
    EXPECT_NEAR(at(5, 631).CentreX(), 384, 1e-3);
    EXPECT_NEAR(at(5, 631).CentreY(), 154, 1e-3);
    EXPECT_EQ(at(5, 631).red, 255);
}

TEST_F(IntroTest, SpaceOrReturnEndsTheStageAtOnceAndEveryStageAfterIt)
{
    struct TCase {
        int32_t key;
        int32_t atFlip;  // the key goes down after this many frames; 0 before the first
    };
    for (const TCase c : {TCase{KEY_SPACE, 0}, TCase{KEY_ENTER, 0}, TCase{KEY_SPACE, 1}, TCase{KEY_ENTER, 1500},
                          TCase{KEY_SPACE, 4000}}) {
        StarList = std::make_shared<TList<TStar>>();
        FlushInputState();
        flips = 0;
        Script(std::to_string(c.atFlip) + " keydown " + std::to_string(c.key) + "\n");
        const auto stages = RunIntro();
        // The frame the key arrives after is the last one drawn.
        EXPECT_EQ(static_cast<int32_t>(stages.size()), c.atFlip) << "key " << c.key << " at " << c.atFlip;
        EXPECT_EQ(Intro::Stage, 0);
    }
}

}  // namespace

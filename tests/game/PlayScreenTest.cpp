// The play screen: drawing order of a playing frame, the non-playing frame at any brightness, the
// side-panel texts, the exit glow's cycle and the scrolling end text.
#include "GameWorld.h"

#include "framework/graphics/Draw2D.h"
#include "game/TFramework.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

class PlayScreenTest : public GameWorldTest {
protected:
    TLevelPtr level;

    void SetUp() override
    {
        GameWorldTest::SetUp();
        level = TLevel::Create(1);
        level->InitalizeLevel();
    }

    // Index of the first record that drew image, or -1.
    static int32_t FirstDraw(const std::vector<TDrawRecord>& records, const TImagePtr& image)
    {
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].kind == TDrawKind::Image && records[i].image == image.get()) return static_cast<int32_t>(i);
        return -1;
    }
    static int32_t FirstText(const std::vector<TDrawRecord>& records, const std::string& text)
    {
        for (size_t i = 0; i < records.size(); ++i)
            if (records[i].kind == TDrawKind::Text && records[i].text == text) return static_cast<int32_t>(i);
        return -1;
    }

    // One frame of the main loop with every kind of play object on the field.
    std::vector<TDrawRecord> PlayOneFrame()
    {
        TBullet::Create(300, 600, 0);
        TAlien::Create(BrownAlienImage, 0, 1);
        TAlienExplosion::Create(200, 500, 0);
        TZogShoot::Create();
        auto bonus = std::make_shared<TBonus>();
        bonus->positionX = 400;
        bonus->positionY = 500;
        bonus->speedY = 2;
        bonus->bonusImage = BonusDImage;
        bonus->shadowImage = BonusShadowImage;
        bonus->bonusType = TBonus::multiBall;
        BonusList->AddLast(bonus);
        EscapeState = GameCommon::EscapeOpen_Open;
        onFlip = [](int32_t) { Press(KEY_ESCAPE); };
        level->MainLoop();
        return driver->presented;
    }
};

TEST_F(PlayScreenTest, APlayingFrameDrawsFieldObjectsFrameGlowAndTextsInOrder)
{
    const auto records = PlayOneFrame();
    const TImagePtr order[] = {level->backGroundGFX,
                               ExitPipesInnerPaneImage,
                               ZogLienBigImage,
                               BlockWhiteImage,
                               LazerImage,
                               BrownAlienImage,
                               BonusDImage,
                               AlienExplosionImage,
                               PadImage,
                               BallImage,
                               LeftBorderImage,
                               TopBorderImage,
                               RightBorderImage,
                               InfoFieldImage,
                               SidebarLogoImage,
                               ExitPipesGlowRightImage};
    int32_t previous = -1;
    for (const TImagePtr& image : order) {
        // Either boss-shot picture may have been chosen.
        const TImagePtr& drawn =
            (image == ZogLienBigImage && FirstDraw(records, image) < 0) ? ZogLienSmallImage : image;
        const int32_t at = FirstDraw(records, drawn);
        ASSERT_GE(at, 0) << "image " << (&image - order) << " not drawn";
        EXPECT_GT(at, previous) << "image " << (&image - order) << " out of order";
        previous = at;
    }
    EXPECT_GT(FirstText(records, "Pad move: Normal "), previous);
    EXPECT_GT(FirstText(records, "Round: 1"), FirstText(records, "Pad move: Normal "));
    EXPECT_GT(FirstText(records, "Score: 0"), FirstText(records, "Round: 1"));
    // Spare lives come after the panel: four small paddles for five lives.
    EXPECT_EQ(Draws(records, PadImage).size(), 1u + 4u);
}

TEST_F(PlayScreenTest, TheFrameAndPanelSitAroundTheField)
{
    const auto records = PlayOneFrame();
    struct TPlace {
        TImagePtr image;
        float x, y;
    };
    const TPlace places[] = {
        {level->backGroundGFX, 384, 400},  {ExitPipesInnerPaneImage, 384, 392},
        {LeftBorderImage, 16, 384},        {TopBorderImage, 32 + 352, 16},
        {RightBorderImage, 736 + 16, 384}, {InfoFieldImage, 768 + 128, 384},
        {SidebarLogoImage, 768 + 128, 64}, {ExitPipesGlowRightImage, 32 + 724 - 12, 704},
    };
    for (const TPlace& place : places) {
        const auto draws = Draws(records, place.image);
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_FLOAT_EQ(draws[0].CentreX(), place.x);
        EXPECT_FLOAT_EQ(draws[0].CentreY(), place.y);
    }
}

TEST_F(PlayScreenTest, SidePanelTextsAtTheirCornersWithTheirAlphas)
{
    Score = 120450;
    level->LevelNumber = 27;
    struct TCase {
        int32_t moveMode;
        const char* modeLine;
    };
    for (const TCase& c : {TCase{GameCommon::MoveMode_Traditional, "Pad move: Normal "},
                           TCase{GameCommon::MoveMode_Spectrum, "Pad move: Ball"}}) {
        MoveMode = c.moveMode;
        const auto records = PlayOneFrame();
        for (const auto& [text, y] :
             {std::pair<std::string, float>{c.modeLine, 200.0f}, {"Round: 27", 300.0f}, {"Score: 120450", 400.0f}}) {
            const auto texts = Texts(records, text);
            ASSERT_EQ(texts.size(), 2u) << text;
            // Shadow first, two pixels right and down, in black.
            EXPECT_FLOAT_EQ(texts[0].x[0], 782.0f);
            EXPECT_FLOAT_EQ(texts[0].y[0], y + 2);
            EXPECT_EQ(texts[0].red, 0);
            EXPECT_FLOAT_EQ(texts[1].x[0], 780.0f);
            EXPECT_FLOAT_EQ(texts[1].y[0], y);
            EXPECT_EQ(texts[1].red, 255);
            EXPECT_EQ(texts[1].alpha, 255);
            // The mode line is drawn at an alpha far above 1, so even its shadow is opaque.
            EXPECT_EQ(texts[0].alpha, text == c.modeLine ? 255 : 204) << text;
        }
    }
}

TEST_F(PlayScreenTest, TheNonPlayingFrameDimsTheFieldAndKeepsTheFrameBright)
{
    TZogShoot::Create();
    EscapeState = GameCommon::EscapeOpen_Open;
    struct TCase {
        int32_t b, dim;
    };
    for (const TCase c : {TCase{255, 0}, TCase{100, 0}, TCase{0, 0}, TCase{100, 1}}) {
        SCOPED_TRACE("brightness " + std::to_string(c.b) + " dim " + std::to_string(c.dim));
        level->DrawLevelNoPlay(c.b, c.dim);
        const auto& records = driver->presented;
        EXPECT_EQ(Draws(records, level->backGroundGFX).at(0).red, c.b);
        EXPECT_EQ(Draws(records, ExitPipesInnerPaneImage).at(0).red, 255);
        EXPECT_EQ(Draws(records, BlockWhiteImage).at(0).red, c.b);
        EXPECT_EQ(Draws(records, BallImage).at(0).red, c.b);
        EXPECT_EQ(Draws(records, LeftBorderImage).at(0).red, c.dim ? c.b : 255);
        EXPECT_EQ(Draws(records, InfoFieldImage).at(0).red, c.dim ? c.b : 255);
        // No boss shots and no exit glow while nothing plays; the ball comes first, the paddle last.
        EXPECT_TRUE(Draws(records, ZogLienBigImage).empty());
        EXPECT_TRUE(Draws(records, ZogLienSmallImage).empty());
        EXPECT_TRUE(Draws(records, ExitPipesGlowRightImage).empty());
        EXPECT_LT(FirstDraw(records, BallImage), FirstDraw(records, BlockWhiteImage));
        EXPECT_GT(FirstDraw(records, PadImage), FirstDraw(records, BlockWhiteImage));
        const auto round = Texts(records, "Round: 1");
        ASSERT_EQ(round.size(), 2u);
        EXPECT_EQ(round[1].alpha, static_cast<int32_t>(c.b / 255.0f * 255.0f + 0.001f));
        EXPECT_EQ(round[1].red, 255);
    }
    // The last frame's text alpha stays set.
    EXPECT_NEAR(GetAlpha(), 100.0 / 255.0, 1e-6);
}

TEST_F(PlayScreenTest, TheExitGlowFlaresInTwelveFramesAndFadesInNinetySix)
{
    level->DrawEscape(0);
    EXPECT_TRUE(driver->OfKind(TDrawKind::Image).empty()) << "no glow while the exit is closed";
    EXPECT_EQ(level->EscapeOpenCounter, 0);
    EXPECT_EQ(level->EscapeOpenDirection, 0);

    EscapeState = GameCommon::EscapeOpen_Open;
    std::vector<int32_t> counters;
    for (int32_t i = 0; i < 2 * 108 + 1; ++i) {
        driver->records.clear();
        level->DrawEscape(0);
        counters.push_back(level->EscapeOpenCounter);
        const auto glow = Draws(driver->records, ExitPipesGlowRightImage);
        ASSERT_EQ(glow.size(), 1u);
        const double expected = std::sin(level->EscapeOpenCounter * std::numbers::pi / 180.0) * 255.0;
        EXPECT_NEAR(glow[0].alpha, expected, 1.0) << "counter " << level->EscapeOpenCounter;
        EXPECT_FLOAT_EQ(glow[0].CentreX(), 744.0f);
        EXPECT_FLOAT_EQ(glow[0].CentreY(), 704.0f);
        EXPECT_FLOAT_EQ(GetAlpha(), 1.0f);
    }
    std::vector<int32_t> cycle = {0};
    for (int32_t c = 8; c <= 96; c += 8) cycle.push_back(c);
    for (int32_t c = 95; c >= 1; --c) cycle.push_back(c);
    ASSERT_EQ(cycle.size(), 108u);
    for (size_t i = 0; i < counters.size(); ++i) EXPECT_EQ(counters[i], cycle[i % 108]) << "frame " << i;
}

TEST_F(PlayScreenTest, TheEndTextScrollsUpOnePixelAFrameAndStopsWithItsLastLineAt344)
{
    ASSERT_EQ(TLevel::EndText.size(), 55u);
    const std::pair<int32_t, const char*> fixed[] = {
        {0, "The dimension controlling fort"},
        {1, "'Zog' has noe been destroyed and"},
        {6, "the galaxy has only now started."},
        {16, "If you want to contact us, send mail to"},
        {20, "This game is freeware!!!"},
        {22, "Some facts about the game:"},
        {28, "The location of the photos are:"},
        {31, "A party abanoned mental hospital in Norway"},
        {34, "A bunker in Oslo build by the Germans during"},
        {39, "Soon to be demolished"},
        {42, "See you in soon in another production from"},
        {54, "Press Space to return"},
    };
    for (const auto& [i, text] : fixed) EXPECT_STREQ(TLevel::EndText[static_cast<size_t>(i)], text);
    for (int32_t i : {7, 8, 14, 15, 19, 21, 23, 25, 27, 29, 32, 36, 40, 41, 44, 45, 46, 47, 53})
        EXPECT_STREQ(TLevel::EndText[static_cast<size_t>(i)], "") << "line " << i;
    for (int32_t i : {9, 10, 11, 12, 13, 17, 18, 24, 26, 43, 48, 49, 50, 51, 52})
        EXPECT_STRNE(TLevel::EndText[static_cast<size_t>(i)], "") << "credits line " << i;

    // Measured in the font the end text is drawn in, whatever an earlier test left selected.
    SetImageFont(LargeFont);
    const int32_t h = TextHeight(TLevel::EndText[54]);
    int32_t calls = 0;
    while (true) {
        const int32_t before = ScrollTextOffset;
        driver->records.clear();
        TLevel::ScrollText();
        ++calls;
        // Every line inside the window is drawn (text and shadow), none outside it.
        for (int32_t i = 0; i < 55; ++i) {
            const std::string text = TLevel::EndText[static_cast<size_t>(i)];
            if (text.empty()) continue;
            const int32_t y = before + 40 * i;
            // The text itself (not its shadow) centred on the line's y.
            size_t drawn = 0;
            for (const TDrawRecord& r : Texts(driver->records, text))
                if (r.red != 0 && static_cast<int32_t>(r.y[0]) == std::abs(y - TextHeight(text) / 2)) ++drawn;
            const bool inside = y > 20 && y < 798;
            const bool unique = std::count(TLevel::EndText.begin(), TLevel::EndText.end(), text) == 1;
            if (inside || unique) {
                EXPECT_EQ(drawn, inside ? 1u : 0u) << "line " << i << " at " << y;
            }
        }
        if (ScrollTextOffset == before) break;
        EXPECT_EQ(ScrollTextOffset, before - 1);
        ASSERT_LT(calls, 5000);
    }
    EXPECT_EQ(calls, 2616 + 1);
    EXPECT_EQ(ScrollTextOffset, -1816);
    const auto last = Texts(driver->records, "Press Space to return");
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(static_cast<int32_t>(last[1].y[0]) + h / 2, 344);
    // A later showing starts where this one stopped.
    TLevel::ScrollText();
    EXPECT_EQ(ScrollTextOffset, -1816);
}

TEST_F(PlayScreenTest, FadesRunSixtyFourFramesWithTheirBrightnessSteps)
{
    struct TCase {
        const char* name;
        std::function<void()> run;
        int32_t first, step;
    };
    const TCase cases[] = {
        {"intro", [&] { level->IntroLoop(); }, 0, 4},
        {"life lost", [&] { level->LifeLost(); }, 255, -4},
        {"level up", [&] { level->LevelUp(); }, 255, -4},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        frames.clear();
        keepFrames = true;
        c.run();
        keepFrames = false;
        ASSERT_EQ(frames.size(), 64u);
        for (size_t i = 0; i < 64; ++i) {
            EXPECT_EQ(Draws(frames[i].records, level->backGroundGFX).at(0).red,
                      c.first + c.step * static_cast<int32_t>(i));
            EXPECT_EQ(Draws(frames[i].records, LeftBorderImage).at(0).red, 255);
        }
    }
}

}  // namespace

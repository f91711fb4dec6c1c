// The text and image helpers: rectangle overlap, shadowed text colours and placement, the
// mirrored centre, and the state each helper leaves behind.
#include "FrontEndWorld.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "game/TFramework.h"

namespace {

// With the game's own fonts, so each helper's choice of font can be seen.
class TextHelpersTest : public GameFontsTest {};

TEST_F(TextHelpersTest, RectanglesOverlapWhenTheyShareAnyEdgeOrPoint)
{
    struct TCase {
        int32_t a[4], b[4];
        int32_t overlap;
    };
    const TCase cases[] = {
        {{0, 0, 10, 10}, {10, 0, 5, 5}, 1}, {{0, 0, 10, 10}, {11, 0, 5, 5}, 0},  {{0, 0, 10, 10}, {10, 10, 5, 5}, 1},
        {{0, 0, 10, 10}, {-6, 0, 5, 5}, 0}, {{0, 0, 10, 10}, {3, 3, 0, 0}, 1},   {{0, 0, 10, 10}, {0, 11, 10, 10}, 0},
        {{5, 5, 1, 1}, {0, 0, 20, 20}, 1},  {{0, 0, 10, 10}, {-5, -5, 5, 5}, 1},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(TFramework::RectsOverlap(c.a[0], c.a[1], c.a[2], c.a[3], c.b[0], c.b[1], c.b[2], c.b[3]), c.overlap);
        EXPECT_EQ(TFramework::RectsOverlap(c.b[0], c.b[1], c.b[2], c.b[3], c.a[0], c.a[1], c.a[2], c.a[3]), c.overlap);
    }
}

TEST_F(TextHelpersTest, CentredShadowTextCapsItsGoldByGreyAndDrawsABlackShadowFirst)
{
    struct TCase {
        int32_t grey;
        uint8_t r, g, b;
    };
    for (const TCase c : {TCase{255, 255, 233, 146}, TCase{128, 128, 128, 128}, TCase{200, 200, 200, 146},
                          TCase{400, 255, 233, 146}, TCase{0, 0, 0, 0}}) {
        driver->records.clear();
        TFramework::DrawCentredShadowText("Krellix", 400, 300, c.grey);
        const auto texts = Texts(driver->records, "Krellix");
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0].red, 0);
        EXPECT_EQ(texts[0].alpha, 204);
        EXPECT_EQ(texts[1].red, c.r) << "grey " << c.grey;
        EXPECT_EQ(texts[1].green, c.g) << "grey " << c.grey;
        EXPECT_EQ(texts[1].blue, c.b) << "grey " << c.grey;
        EXPECT_EQ(texts[1].alpha, 255);
        EXPECT_FLOAT_EQ(texts[0].x[0], texts[1].x[0] + 2);
        EXPECT_FLOAT_EQ(texts[0].y[0], texts[1].y[0] + 2);
        int32_t r = 0, g = 0, b = 0;
        GetColor(r, g, b);
        EXPECT_EQ(r + g + b, 3 * 255);
        EXPECT_FLOAT_EQ(GetAlpha(), 1.0f);
    }
}

TEST_F(TextHelpersTest, ACentreNearTheEdgeMirrorsTheTextInsteadOfGoingNegative)
{
    const std::string text = "A rather long line of text";
    SetImageFont(LargeFont);
    const int32_t w = TextWidth(text), h = TextHeight(text);
    ASSERT_GT(w, 40);
    for (const int32_t cx : {w, w / 2, 10}) {
        driver->records.clear();
        TFramework::DrawCentredShadowText(text, cx, 300, 255);
        const auto texts = Texts(driver->records, text);
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_FLOAT_EQ(texts[1].x[0], static_cast<float>(std::abs(cx - w / 2))) << "centre " << cx;
        EXPECT_FLOAT_EQ(texts[1].y[0], static_cast<float>(300 - h / 2));
    }
}

TEST_F(TextHelpersTest, HighlightedTextIsWiderOnlyDuringTheCallAndSmallTextUsesTheSmallFont)
{
    TFramework::DrawCentredShadowTextHighLighted("Menu", 384, 200, 255);
    EXPECT_EQ(GetImageFont(), LargeFont);
    float sx = 0, sy = 0;
    GetScale(sx, sy);
    EXPECT_FLOAT_EQ(sx, 1.0f);
    EXPECT_FLOAT_EQ(sy, 1.0f);
    const auto texts = Texts(driver->records, "Menu");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1].red, 255);
    EXPECT_EQ(texts[1].blue, 255);

    TFramework::DrawCentredShadowTextSmall("small", 100, 100, 90);
    EXPECT_EQ(GetImageFont(), SmallFont);
    const auto small = Texts(driver->records, "small");
    ASSERT_EQ(small.size(), 2u);
    EXPECT_EQ(small[1].red, 90);
}

TEST_F(TextHelpersTest, ShadowTextAtACornerTakesItsAlphaAndLeavesItSet)
{
    TFramework::DrawShadowText("Score: 10", 780, 400, 200, 0.2f);
    const auto texts = Texts(driver->records, "Score: 10");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].alpha, 0);
    EXPECT_FLOAT_EQ(texts[0].x[0], 782.0f);
    EXPECT_FLOAT_EQ(texts[0].y[0], 402.0f);
    EXPECT_EQ(texts[1].alpha, 51);
    EXPECT_EQ(texts[1].red, 200);
    EXPECT_FLOAT_EQ(texts[1].x[0], 780.0f);
    EXPECT_FLOAT_EQ(GetAlpha(), 0.2f);
}

TEST_F(TextHelpersTest, ShadowedImagesDrawADarkShadowBelowRightThenTheImageInTheCallersColour)
{
    SetColor(90, 80, 70);
    SetAlpha(0.5f);
    TFramework::DrawShadowImage(BallImage, BallShadowImage, 300, 200, 0);
    const auto shadow = Draws(driver->records, BallShadowImage);
    const auto ball = Draws(driver->records, BallImage);
    ASSERT_EQ(shadow.size(), 1u);
    ASSERT_EQ(ball.size(), 1u);
    EXPECT_FLOAT_EQ(shadow[0].CentreX(), 312.0f);
    EXPECT_FLOAT_EQ(shadow[0].CentreY(), 212.0f);
    EXPECT_EQ(shadow[0].red, 10);
    EXPECT_EQ(shadow[0].alpha, static_cast<uint8_t>(0.39f * 255.0f));
    EXPECT_FLOAT_EQ(ball[0].CentreX(), 300.0f);
    EXPECT_EQ(ball[0].red, 90);
    EXPECT_EQ(ball[0].blue, 70);
    EXPECT_EQ(ball[0].alpha, 255);
    EXPECT_EQ(GetBlend(), BLEND_ALPHA);
    // Nothing to draw, and nothing breaks, when the pictures are missing.
    driver->records.clear();
    TFramework::DrawShadowImage(nullptr, nullptr, 300, 200, 0);
    EXPECT_TRUE(driver->OfKind(TDrawKind::Image).empty());
}

}  // namespace

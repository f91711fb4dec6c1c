// Every text drawn in the large display face fits where the game puts it, measured glyph by glyph
// in the face the program really embeds: the side panel, the field's centred texts and high-score
// rows, the widest name a player can type, and the intro's captions at three times the size.
#include "GameWorld.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "game/THighScorceEntry.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The pixels a string covers when drawn with its pen at (x, y) at the given scale, its shadow
// (2 pixels right and down) included; glyph boxes as the large face rasterises them.
struct TBox {
    float left = 0, top = 0, right = 0, bottom = 0;
};

class FontFitTest : public GameWorldTest {
protected:
    void SetUp() override
    {
        GameWorldTest::SetUp();
        RegisterEmbeddedFonts();
        GameGraphics::LoadFonts();
        ASSERT_NE(LargeFont, nullptr);
        SetImageFont(LargeFont);
    }

    static TBox Drawn(const std::string& text, float x, float y, float scaleX, float scaleY, bool shadow = true)
    {
        TBox box{1e9f, 1e9f, -1e9f, -1e9f};
        float pen = 0;
        for (const unsigned char c : text) {
            const int32_t index = LargeFont->CharToGlyph(c);
            if (index < 0) continue;
            const TImageGlyph& glyph = LargeFont->LoadGlyph(index);
            // A smooth face pads each glyph image with one transparent pixel all round.
            if (glyph._w > 2) {
                const float x0 = static_cast<float>(glyph._x + 1), x1 = static_cast<float>(glyph._x + glyph._w - 1);
                const float y0 = static_cast<float>(glyph._y + 1), y1 = static_cast<float>(glyph._y + glyph._h - 1);
                box.left = std::min(box.left, x + (pen + x0) * scaleX);
                box.right = std::max(box.right, x + (pen + x1) * scaleX);
                box.top = std::min(box.top, y + y0 * scaleY);
                box.bottom = std::max(box.bottom, y + y1 * scaleY);
            }
            pen += glyph._advance;
        }
        if (shadow) {
            box.right += 2;
            box.bottom += 2;
        }
        return box;
    }

    // As the centred helpers place it: the unscaled width centres the text, mirrored at the edge.
    static TBox Centred(const std::string& text, int32_t cx, int32_t cy, float scaleX)
    {
        const float x = static_cast<float>(std::abs(cx - TextWidth(text) / 2));
        const float y = static_cast<float>(std::abs(cy - TextHeight(text) / 2));
        return Drawn(text, x, y, scaleX, 1.0f);
    }

    static void ExpectInside(const TBox& box, float left, float top, float right, float bottom, const std::string& what)
    {
        EXPECT_GE(box.left, left) << what;
        EXPECT_GE(box.top, top) << what;
        EXPECT_LE(box.right, right) << what;
        EXPECT_LE(box.bottom, bottom) << what;
    }
};

// The play field inside the borders, where the menu, the tables and the closing text are centred.
constexpr float FieldLeft = 32, FieldRight = 736, FieldTop = 32, ScreenW = 1024, ScreenH = 768;

TEST_F(FontFitTest, SidePanelLinesEndInsideTheScreen)
{
    std::vector<std::string> lines = {"Pad move: Normal ", "Pad move: Ball", "Round: 33"};
    // Seven-digit scores in every digit, in case the figures are not all as wide.
    for (char d = '0'; d <= '9'; ++d) lines.push_back("Score: " + std::string(7, d));
    for (const std::string& line : lines) {
        for (const int32_t y : {200, 300, 400}) {
            const TBox box = Drawn(line, 780, static_cast<float>(y), 1.0f, 1.0f);
            ExpectInside(box, 768, 0, ScreenW, ScreenH, line);
        }
        // The trailing space of the first line is measured too, as the text helpers see it.
        EXPECT_LE(780 + TextWidth(line) + 2, 1024) << line;
    }
}

TEST_F(FontFitTest, MenuTitlesTablesAndClosingTextsFitTheField)
{
    std::vector<std::string> texts = {"Continue",
                                      "New Game",
                                      "Pad Movement: Normal",
                                      "Pad Movement: Ball Dependent",
                                      "New player",
                                      "Highscores",
                                      "Instructions",
                                      "Credits",
                                      "Quit",
                                      "Game Over",
                                      "Game Paused",
                                      "Press Space to continue",
                                      "Coding by",
                                      "Varn Dovrak",
                                      "SFX, GFX and Music by",
                                      "Tibbe Halme",
                                      "Female voice",
                                      "Seyla Fenrow",
                                      "Please enter your name:"};
    for (const char* line : TLevel::EndText) texts.emplace_back(line);
    for (const std::string& text : texts)
        ExpectInside(Centred(text, 384, 300, 1.0f), FieldLeft, FieldTop, FieldRight, ScreenH, text);

    // The default table's rows, plain and highlighted (10 % wider, still centred by the plain width).
    THighScorceEntry::FormatTopScore();
    ASSERT_EQ(HighScoreList->Count(), 10);
    int32_t r = 1;
    for (const auto& entry : *HighScoreList) {
        const std::string row = std::to_string(r) + " - " + entry->Name + " - " + std::to_string(entry->Score) + " - " +
                                std::to_string(entry->Level);
        const int32_t y = 105 + 50 * (r - 1);
        ExpectInside(Centred(row, 384, y, 1.0f), FieldLeft, FieldTop, FieldRight, ScreenH, row);
        ExpectInside(Centred(row, 384, y, 1.1f), FieldLeft, FieldTop, FieldRight, ScreenH, row + " highlighted");
        ++r;
    }

    EXPECT_LE(Drawn("Loading...", 512.0f - TextWidth("Loading...") / 2, 384, 1.0f, 1.0f).right, ScreenW);
}

TEST_F(FontFitTest, TheWidestNameAPlayerCanTypeFitsItsRowInTheTable)
{
    // The name field keeps a name to 200 pixels of this face: the widest capital, repeated.
    char widest = 'A';
    for (int32_t c = 'A'; c <= 0xDE; ++c) {
        if (c > 'Z' && c < 0xC0) continue;
        if (TextWidth(std::string(1, static_cast<char>(c))) > TextWidth(std::string(1, widest)))
            widest = static_cast<char>(c);
    }
    std::string name;
    while (TextWidth(name + widest) <= 200) name += widest;
    ASSERT_GE(TextWidth(name), 200 - TextWidth(std::string(1, widest)));
    ExpectInside(Centred(name, 384, 450, 1.0f), FieldLeft, FieldTop, FieldRight, ScreenH, "typed name");

    const std::string row = "10 - " + name + " - 9999999 - 33";
    ExpectInside(Centred(row, 384, 555, 1.1f), FieldLeft, FieldTop, FieldRight, ScreenH, row);
}

TEST_F(FontFitTest, IntroCaptionsAtThreeTimesTheSizeFitTheScreenWithoutTouching)
{
    struct TCaption {
        const char* text;
        int32_t cy;
    };
    const TCaption start{"It only took 15 years!!!", 384};
    const TCaption presents[] = {{"Presents A", 234}, {"Varn Dovrak", 334}, {"Tibbe Halme", 434}, {"Production", 534}};
    auto place = [](const TCaption& c) {
        const std::string text = c.text;
        return Drawn(text, static_cast<float>(512 - TextWidth(text) * 3 / 2),
                     static_cast<float>(c.cy - TextHeight(text) * 3 / 2), 3.0f, 3.0f, false);
    };
    ExpectInside(place(start), 0, 0, ScreenW, ScreenH, start.text);
    float previousBottom = 0;
    for (const TCaption& c : presents) {
        const TBox box = place(c);
        ExpectInside(box, 0, 0, ScreenW, ScreenH, c.text);
        EXPECT_GT(box.top, previousBottom) << c.text << " runs into the caption above";
        previousBottom = box.bottom;
    }

    // The hint, at 0.4 of the size in the bottom-right corner of every intro frame.
    ExpectInside(Drawn("Press Space to exit intro", 886, 740, 0.4f, 0.4f, false), 768, 700, ScreenW, ScreenH,
                 "intro hint");
}

}  // namespace

// The front end's parts on their own: the name field, the menu's highlight and drawing, the
// high-score rows, the credit lines and the trace fields of the menu.
#include "FrontEndWorld.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "game/Krellix.h"
#include "game/TTextInput.h"
#include "game/TUserEntry.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

class FrontEndTest : public FrontEndWorldTest {
protected:
    TMainMenuPtr menu;

    void SetUp() override
    {
        FrontEndWorldTest::SetUp();
        menu = TMainMenu::Create();
    }

    static void Type(int32_t code) { HandleInputEvent({EVENT_KEYCHAR, code, 0, 0, 0}); }

    // Where DrawCentredShadowText puts the pen for a text centred on (cx, cy) in font.
    static std::pair<float, float> PenFor(const std::string& text, int32_t cx, int32_t cy, const TImageFontPtr& font)
    {
        SetImageFont(font);
        return {static_cast<float>(std::abs(cx - TextWidth(text) / 2)),
                static_cast<float>(std::abs(cy - TextHeight(text) / 2))};
    }

    // The lit copy of a shadowed text (the second of the two draws) in records.
    static TDrawRecord Lit(const std::vector<TDrawRecord>& records, const std::string& text)
    {
        const auto texts = Texts(records, text);
        EXPECT_EQ(texts.size(), 2u) << text;
        return texts.size() == 2 ? texts[1] : TDrawRecord{};
    }
};

TEST_F(FrontEndTest, NameFieldTakesOneCharacterPerUpdateInCapitalsAndRefusesSlashesAndControls)
{
    struct TCase {
        std::vector<int32_t> typed;
        std::string expected;
    };
    const TCase cases[] = {
        {{'a', 'b', 'c'}, "ABC"},
        {{8}, ""},
        {{'a', 'b', 'c', 8}, "AB"},
        {{'/', '\\', 27, 9, 10, 13, 127, 'x'}, "X"},
        // The Latin-1 controls too; the no-break space after them is a character.
        {{0x80, 0x85, 0x9F, 0xA0, 'y'}, "\xA0Y"},
        {{' ', '1', '.', '-', '!', '?', '\''}, " 1.-!?'"},
        // Accented capitals; the division sign, sharp s, y diaeresis and micro sign stay as they are.
        {{0xE9, 0xE0, 0xFE, 0xF7, 0xDF, 0xFF, 0xB5, 0xC9}, "\xC9\xC0\xDE\xF7\xDF\xFF\xB5\xC9"},
        // Only the low 8 bits of a code count.
        {{0x161, 0x4A}, "AJ"},
    };
    SetImageFont(LargeFont);
    for (const TCase& c : cases) {
        const TTextInputPtr input = TTextInput::Create(160, 125);
        EXPECT_EQ(input->x, 160);
        EXPECT_EQ(input->y, 125);
        for (int32_t code : c.typed) Type(code);
        // Everything typed in one frame enters over as many updates.
        for (size_t i = 0; i < c.typed.size(); ++i) {
            const size_t before = input->txt.size();
            input->Update();
            EXPECT_LE(input->txt.size(), before + 1);
        }
        EXPECT_EQ(input->txt, c.expected);
        EXPECT_EQ(input->width, TextWidth(c.expected));
        EXPECT_EQ(NextTypedChar(), 0) << "all typed characters taken";
        input->Update();
        EXPECT_EQ(input->txt, c.expected) << "an update without typing changes nothing";
    }
}

TEST_F(FrontEndTest, NameFieldStaysWithin200PixelsOfTheCurrentFontAndNeverDrawsTheRefusedCharacter)
{
    for (const TImageFontPtr& font : {LargeFont, SmallFont}) {
        const TTextInputPtr input = TTextInput::Create(0, 0);
        for (int32_t i = 0; i < 80; ++i) {
            Type('W');
            // The field measures in whatever font is current when it takes the character.
            SetImageFont(font);
            input->Update();
            EXPECT_LE(TextWidth(input->txt), TTextInput::MaxWidth);
            driver->records.clear();
            input->Draw(255);
            SetImageFont(font);
            for (const TDrawRecord& r : driver->OfKind(TDrawKind::Text)) EXPECT_EQ(r.text, input->txt);
        }
        SetImageFont(font);
        EXPECT_FALSE(input->txt.empty());
        EXPECT_LE(TextWidth(input->txt), TTextInput::MaxWidth);
        EXPECT_GT(TextWidth(input->txt + "W"), TTextInput::MaxWidth);
        EXPECT_EQ(input->width, TextWidth(input->txt));
        // Backspace makes room for one more.
        Type(8);
        Type('W');
        input->Update();
        input->Update();
        EXPECT_LE(TextWidth(input->txt), TTextInput::MaxWidth);
        EXPECT_GT(TextWidth(input->txt + "W"), TTextInput::MaxWidth);
    }
}

TEST_F(FrontEndTest, ANameExactlyAsWideAsTheFieldIsTakenWhole)
{
    for (const TImageFontPtr& font : {LargeFont, SmallFont}) {
        SetImageFont(font);
        // Some of one letter, then some of another, until the name is exactly the field's width.
        const std::string letters = "WMOAEHILT1";
        std::string name;
        for (const char first : letters)
            for (const char second : letters)
                for (size_t many = 1; many < 40 && name.empty(); ++many)
                    for (size_t more = 0; more < 40 && name.empty(); ++more) {
                        const std::string candidate = std::string(many, first) + std::string(more, second);
                        if (TextWidth(candidate) == TTextInput::MaxWidth) name = candidate;
                    }
        ASSERT_FALSE(name.empty()) << "no name is exactly " << TTextInput::MaxWidth << " pixels wide";
        const TTextInputPtr input = TTextInput::Create(0, 0);
        for (const char c : name + "I") {
            Type(c);
            input->Update();
        }
        EXPECT_EQ(input->txt, name);
        EXPECT_EQ(input->width, TTextInput::MaxWidth);
    }
}

TEST_F(FrontEndTest, NameFieldIsDrawnCentredOnTheScreenInTheLargeFont)
{
    const TTextInputPtr input = TTextInput::Create(160, 125);
    SetImageFont(LargeFont);
    for (int32_t c : {'q', 'u', 'i', 'l', 'l'}) {
        Type(c);
        input->Update();
    }
    driver->records.clear();
    input->Draw(128);
    const TDrawRecord text = Lit(driver->records, "QUILL");
    const auto [x, y] = PenFor("QUILL", 384, 450, LargeFont);
    EXPECT_EQ(text.x[0], x);
    EXPECT_EQ(text.y[0], y);
    EXPECT_EQ(text.red, 128);
    EXPECT_EQ(text.blue, 128);
}

TEST_F(FrontEndTest, ANameTypedOnTheNewPlayerScreenIsDrawnFromTheFrameAfterTheOneThatTakesIt)
{
    // The prompt fades in over 64 frames, after which what was typed so far is forgotten; 'Q'
    // arrives after frame 70 and is taken in frame 71.
    onFlip = [&](int32_t flip) {
        if (flip == 10) Type('x');
        if (flip == 70) Type('q');
        if (flip == 80) Press(KEY_ENTER);
    };
    keepFrames = true;
    menu->ShowNewUser(255);
    int32_t firstDrawn = -1;
    for (const TFrameShot& frame : frames)
        if (firstDrawn < 0 && !Texts(frame.records, "Q").empty()) firstDrawn = frame.flip;
    EXPECT_EQ(firstDrawn, 72);
    EXPECT_EQ(CurrentUserName, "Q");
}

TEST_F(FrontEndTest, HighlightMovesOneEntryWithoutWrappingAndWaitsTenFramesEvenAtTheEnds)
{
    struct TCase {
        int32_t state, quarantine, direction;
        int32_t expectedState, expectedCounter, expectedQuarantine;
    };
    const TCase cases[] = {
        {1, 0, 1, 1, 2, 10}, {1, 0, -1, 2, 2, 10}, {8, 0, -1, 8, 2, 10}, {8, 0, 1, 7, 2, 10},
        {5, 0, 0, 6, 2, 10}, {5, 0, 5, 4, 2, 10},  {5, 1, -1, 5, 77, 1}, {5, 9, 1, 5, 77, 9},
    };
    for (const TCase& c : cases) {
        menu->MenuState = c.state;
        menu->SelectionQuarantin = c.quarantine;
        menu->ColorCounter = 77;
        menu->ChooseMenuEntry(c.direction);
        EXPECT_EQ(menu->MenuState, c.expectedState) << c.state << " " << c.direction;
        EXPECT_EQ(menu->ColorCounter, c.expectedCounter) << c.state << " " << c.direction;
        EXPECT_EQ(menu->SelectionQuarantin, c.expectedQuarantine) << c.state << " " << c.direction;
        EXPECT_EQ(menu->GetEntryColor(c.expectedState), menu->ColorCounter);
        EXPECT_EQ(menu->GetEntryColor(c.expectedState == 1 ? 2 : 1), 255);
    }
}

TEST_F(FrontEndTest, HighlightPulsesThrough256Frames)
{
    std::vector<int32_t> counter;
    for (int32_t i = 0; i < 600; ++i) {
        menu->DrawMenuEntries(i % 2 ? 255 : 40);  // the pulse runs during fades too
        counter.push_back(menu->ColorCounter);
    }
    EXPECT_EQ((std::vector<int32_t>{counter[0], counter[1], counter[2], counter[127], counter[128], counter[129]}),
              (std::vector<int32_t>{0, 2, 4, 254, 256, 254}));
    EXPECT_EQ(counter[255], 2);
    EXPECT_EQ(counter[256], 0);
    for (size_t i = 0; i + 256 < counter.size(); ++i) ASSERT_EQ(counter[i], counter[i + 256]) << i;
    EXPECT_EQ(*std::max_element(counter.begin(), counter.end()), 256);
    EXPECT_EQ(*std::min_element(counter.begin(), counter.end()), 0);
}

TEST_F(FrontEndTest, EntriesStandBelowTheLogoWithTheirInfoTextsAndThePulseOnTheHighlightedTitle)
{
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"Continue", "CONTINUE FROM LAST LEVEL"},
        {"New Game", "STARTS NEW GAME FROM FIRST LEVEL"},
        {"Pad Movement: Normal", "ONLY VALID WHEN USING KEYBOAD TO CONTROL (PRESS M DURING GAME TO CHANGE)"},
        {"New player", "ENTER A NEW PLAYER"},
        {"Highscores", "SHOW ALL TIME HIGHS"},
        {"Instructions", "HOW TO PLAY THE GAME"},
        {"Credits", "A TRIBUTE TO AMIGA"},
        {"Quit", "Exit game"},
    };
    EXPECT_EQ(menu->MenuState, TMainMenu::MenuEntry_ContinueGame);
    menu->MenuState = TMainMenu::MenuEntry_BallMovement;
    menu->ColorCounter = 100;
    menu->ColorSub = 2;
    // The top border (32) and the logo (160) above the first entry.
    const int32_t y0 = 32 + 160;
    for (const int32_t grey : {255, 90}) {
        driver->records.clear();
        menu->DrawMenuEntries(grey);
        for (size_t k = 0; k < entries.size(); ++k) {
            const int32_t ky = static_cast<int32_t>(k);
            const TDrawRecord title = Lit(driver->records, entries[k].first);
            const auto [tx, ty] = PenFor(entries[k].first, 384, y0 + 32 + 66 * ky, LargeFont);
            EXPECT_EQ(title.x[0], tx) << entries[k].first;
            EXPECT_EQ(title.y[0], ty) << entries[k].first;
            const TDrawRecord info = Lit(driver->records, entries[k].second);
            const auto [ix, iy] = PenFor(entries[k].second, 384, y0 + 58 + 66 * ky, SmallFont);
            EXPECT_EQ(info.x[0], ix) << entries[k].second;
            EXPECT_EQ(info.y[0], iy) << entries[k].second;
            // Full brightness: the highlighted title pulses (98 after this frame's step), the
            // others are pale gold. During a fade every line takes the fade's grey.
            const int32_t titleGrey = grey < 255 ? grey : (k == 2 ? 98 : 255);
            EXPECT_EQ(title.red, std::min(255, titleGrey)) << entries[k].first << " grey " << grey;
            EXPECT_EQ(title.blue, std::min(146, titleGrey)) << entries[k].first << " grey " << grey;
            EXPECT_EQ(info.green, grey) << entries[k].second;
        }
        for (const auto& [hint, y] : {std::pair<std::string, int32_t>{"Use Arrow Up/Down to Navigate", 716},
                                      {"Use Space/Return to select", 736}}) {
            const TDrawRecord text = Lit(driver->records, hint);
            const auto [hx, hy] = PenFor(hint, 636, y, SmallFont);
            EXPECT_EQ(text.x[0], hx);
            EXPECT_EQ(text.y[0], hy);
            EXPECT_EQ(text.red, grey);
        }
    }
}

TEST_F(FrontEndTest, BackdropFadesThePageAndEitherTheLogoOrTheFrame)
{
    struct TCase {
        int32_t fadeAll;
        // Brightness of the frame row, the page, the logo and the exit pane at grey 100.
        int32_t frame, page, logo, pane;
    };
    for (const TCase c : {TCase{0, 255, 100, 100, 255}, TCase{1, 100, 100, 255, 100}}) {
        SetColor(255, 255, 255);
        driver->records.clear();
        menu->DrawEnvironment(100, c.fadeAll);
        const auto one = [&](const TImagePtr& image) {
            const auto draws = Draws(driver->records, image);
            EXPECT_EQ(draws.size(), 1u);
            return draws.empty() ? TDrawRecord{} : draws[0];
        };
        const struct {
            TImagePtr image;
            float x, y;
            int32_t grey;
        } expected[] = {
            {LeftBorderImage, 16, 384, c.frame},        {TopBorderImage, 32 + 352, 16, c.frame},
            {RightBorderImage, 736 + 16, 384, c.frame}, {InfoFieldImage, 768 + 128, 384, c.frame},
            {MenuBackgroundImage, 384, 400, c.page},    {MenuPageImage, 384, 400, c.page},
            {KrellixLogoImage, 384, 154, c.logo},       {ExitPipesInnerPaneImage, 384, 392, c.pane},
        };
        for (const auto& e : expected) {
            const TDrawRecord r = one(e.image);
            EXPECT_EQ(r.CentreX(), e.x) << "fadeAll " << c.fadeAll;
            EXPECT_EQ(r.CentreY(), e.y) << "fadeAll " << c.fadeAll;
            EXPECT_EQ(r.red, e.grey) << "fadeAll " << c.fadeAll << " at " << e.x << "," << e.y;
        }
    }
}

TEST_F(FrontEndTest, FadesRunSixtyFourFramesInStepsOfFour)
{
    // The page's brightness in each frame: the menu comes up from 0, a screen from 2, both go
    // down from 255; Space already down gives the instructions no hold at all.
    struct TCase {
        const char* name;
        std::function<void()> run;
        TImagePtr page;
        int32_t first, last;
        size_t count;
    };
    const TCase cases[] = {
        {"menu in", [&] { menu->Menufadein(0); }, MenuPageImage, 0, 252, 64},
        {"menu out", [&] { menu->Menufadeout(); }, MenuPageImage, 255, 3, 64},
        {"instructions",
         [&] {
             Press(KEY_SPACE);
             menu->ShowInstructions();
         },
         InstructionsPageImage, 2, 3, 128},
    };
    keepFrames = true;
    for (const TCase& c : cases) {
        frames.clear();
        c.run();
        std::vector<int32_t> greys;
        for (const TFrameShot& frame : frames)
            for (const TDrawRecord& draw : Draws(frame.records, c.page)) greys.push_back(draw.red);
        ASSERT_EQ(greys.size(), c.count) << c.name;
        EXPECT_EQ(greys.front(), c.first) << c.name;
        EXPECT_EQ(greys.back(), c.last) << c.name;
        // From 254 up to 255 where the instructions turn.
        for (size_t i = 1; i < greys.size(); ++i)
            EXPECT_EQ(std::abs(greys[i] - greys[i - 1]), i == 64 ? 1 : 4) << c.name << " frame " << i;
    }
}

TEST_F(FrontEndTest, HighScoreRowsAreCentredFiftyPixelsApartAndTheRowAboveThePositionIsHighlighted)
{
    // The default table's rows in the large font, and where their pens stand: centred on 384, the
    // first row's text from y 84.
    const std::pair<const char*, float> rows[] = {
        {"1 - Varn Dovrak - 1000 - 10", 217}, {"2 - Tibbe Halme - 900 - 9", 234},   {"3 - Seyla Fenrow - 800 - 8", 229},
        {"4 - Orla Quennet - 700 - 7", 229},  {"5 - Brisk Tamsin - 600 - 6", 230},  {"6 - Jory Vantell - 500 - 5", 235},
        {"7 - Mila Ostrand - 400 - 4", 232},  {"8 - Pell Corrigan - 300 - 3", 232}, {"9 - Nessa Druin - 200 - 2", 237},
        {"10 - Hobb Laterly - 100 - 1", 223}};
    // The position a new score took, and the row drawn white for it (0: none).
    for (const auto& [position, highlighted] : {std::pair{0, 0}, {3, 2}, {1, 0}, {11, 10}}) {
        driver->records.clear();
        menu->ListHighScores(position, 255);
        EXPECT_EQ(driver->OfKind(TDrawKind::Text).size(), 2u * 10) << "position " << position;
        for (int32_t row = 1; row <= 10; ++row) {
            const auto& [text, x] = rows[row - 1];
            const TDrawRecord lit = Lit(driver->records, text);
            EXPECT_EQ(lit.x[0], x) << text;
            EXPECT_EQ(lit.y[0], static_cast<float>(84 + 50 * (row - 1))) << text;
            // The highlighted row is white, the others pale gold.
            EXPECT_EQ(lit.blue, row == highlighted ? 255 : 146) << text << " position " << position;
        }
    }
}

TEST_F(FrontEndTest, CreditLinesComeInOneAfterAnotherAndApproachTheirPlacesFromBelow)
{
    float* const offsets[] = {&menu->codeByText, &menu->varnText,   &menu->gfxbyText,
                              &menu->tibbeText,  &menu->voicesText, &menu->seylaText};
    // The first line's offset after each frame; every line takes the same course ten frames after
    // the one above it.
    std::vector<float> course{900.0f};
    for (int32_t frame = 1; frame <= 200; ++frame) {
        menu->DrawCredits();
        course.push_back(menu->codeByText);
        if (course[static_cast<size_t>(frame) - 1] > 0.0f) {
            EXPECT_LT(course.back(), course[static_cast<size_t>(frame) - 1]) << "frame " << frame;
        }
        for (size_t line = 1; line < 6; ++line) {
            const int32_t own = std::max(frame - 10 * static_cast<int32_t>(line), 0);
            ASSERT_EQ(*offsets[line], course[static_cast<size_t>(own)]) << "line " << line << " frame " << frame;
        }
        if (frame == 1) {
            EXPECT_EQ(menu->codeByText, 870.0f);
        }
    }
    EXPECT_EQ(menu->creditsCounter, 200);
    for (float* offset : offsets) {
        EXPECT_GT(*offset, 0.0f);
        EXPECT_LT(*offset, 1.0f);
    }
    // The lines are drawn at their places, truncated toward zero, with the two web addresses.
    driver->records.clear();
    menu->DrawCredits();
    for (const auto& [text, y] : {std::pair<std::string, int32_t>{"Coding by", 100},
                                  {"Varn Dovrak", 150},
                                  {"SFX, GFX and Music by", 250},
                                  {"Tibbe Halme", 300},
                                  {"Female voice", 400},
                                  {"Seyla Fenrow", 450}})
        EXPECT_EQ(Lit(driver->records, text).y[0], PenFor(text, 384, y, LargeFont).second) << text;
    EXPECT_EQ(driver->OfKind(TDrawKind::Text).size(), 2u * (6 + 2));
}

TEST_F(FrontEndTest, CreditLinesLeaveBottomFirstAndEndBeyond900)
{
    for (float* offset :
         {&menu->codeByText, &menu->varnText, &menu->gfxbyText, &menu->tibbeText, &menu->voicesText, &menu->seylaText})
        *offset = 1.0f;
    menu->creditsCounter = 0;
    int32_t frames = 0;
    float firstStep = 0.0f;
    while (menu->codeByText < 900.0f && frames < 1000) {
        menu->DrawCreditsOut();
        ++frames;
        if (frames == 1) {
            // 30 sin(0.1 degrees) further down.
            firstStep = menu->seylaText;
            EXPECT_NEAR(firstStep, 1.0523599f, 1e-6f);
        }
        if (frames == 50) {
            EXPECT_EQ(menu->codeByText, 1.0f);
        }
        if (frames == 51) {
            EXPECT_EQ(menu->codeByText, firstStep);
        }
    }
    // About 140 frames per line, the top line starting 50 frames after the bottom one.
    EXPECT_GT(frames, 170);
    EXPECT_LT(frames, 220);
    for (float offset :
         {menu->codeByText, menu->varnText, menu->gfxbyText, menu->tibbeText, menu->voicesText, menu->seylaText}) {
        EXPECT_GE(offset, 900.0f);
        EXPECT_LT(offset, 930.0f);
    }
}

TEST_F(FrontEndTest, LeavingTheCreditsEarlySnapsEveryLineJustBelowItsPlace)
{
    // The credits fade in for 64 frames; Space 20 frames into the hold, while the lines move in.
    onFlip = [&](int32_t flip) {
        if (flip == 84) Press(KEY_SPACE);
        if (flip == 86) Release(KEY_SPACE);
    };
    keepFrames = true;
    menu->ShowCredits();
    // The first frame of the way out draws every line one pixel below its place, except the
    // bottom one, which has already begun to move (by less than a pixel).
    int32_t firstOut = -1;
    for (size_t i = 0; i < frames.size() && firstOut < 0; ++i)
        if (frames[i].flip > 84 && Texts(frames[i].records, "www.varn-dovrak.example").size() == 2)
            firstOut = static_cast<int32_t>(i);
    ASSERT_GT(firstOut, 0);
    const auto& out = frames[static_cast<size_t>(firstOut)].records;
    for (const auto& [text, y] : {std::pair<std::string, int32_t>{"Coding by", 100},
                                  {"Varn Dovrak", 150},
                                  {"SFX, GFX and Music by", 250},
                                  {"Tibbe Halme", 300},
                                  {"Female voice", 400},
                                  {"Seyla Fenrow", 450}})
        EXPECT_EQ(Lit(out, text).y[0], PenFor(text, 384, y + 1, LargeFont).second) << text;
    // The hold phase drew the web addresses twice (backdrop and lines); the way out only once.
    EXPECT_EQ(Texts(frames[static_cast<size_t>(firstOut) - 1].records, "www.varn-dovrak.example").size(), 4u);
    // Every line left; the next visit starts from where they stopped.
    for (float offset :
         {menu->codeByText, menu->varnText, menu->gfxbyText, menu->tibbeText, menu->voicesText, menu->seylaText}) {
        EXPECT_GE(offset, 900.0f);
        EXPECT_LT(offset, 930.0f);
    }
    EXPECT_TRUE(Texts(frames.back().records, "Coding by").empty());

    // The picture below alternates, 60 frames one way and 61 the other.
    std::vector<int32_t> runs;
    int32_t last = -1;
    for (const TFrameShot& shot : frames) {
        const auto guru = Draws(shot.records, GuruAnimImage);
        ASSERT_EQ(guru.size(), 1u);
        if (guru[0].frame != last) runs.push_back(0);
        ++runs.back();
        last = guru[0].frame;
    }
    ASSERT_GE(runs.size(), 4u);
    EXPECT_EQ(runs[0], 59);  // the counter starts at 0 and is advanced before the first frame
    for (size_t i = 1; i + 1 < runs.size(); ++i) EXPECT_EQ(runs[i], i % 2 ? 61 : 60) << i;
}

TEST_F(FrontEndTest, TraceNamesTheScreenAndOnceTheMenuExistsItsStateAndThePlayer)
{
    SetTraceScreen("loading");
    EXPECT_EQ(GameTraceFields(), "\"screen\":\"loading\"");
    MainMenu = menu;
    menu->MenuState = 4;
    MoveMode = GameCommon::MoveMode_Spectrum;
    CurrentUserName = "A\"B\\\xC9";
    CurrentUserLevel = 7;
    SetTraceScreen("newplayer");
    EXPECT_EQ(GameTraceFields(), "\"screen\":\"newplayer\",\"MenuState\":4,\"MoveMode\":1,"
                                 "\"CurrentUserName\":\"A\\\"B\\\\\\u00c9\",\"CurrentUserLevel\":7");
}

}  // namespace

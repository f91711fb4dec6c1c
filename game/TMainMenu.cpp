// The main menu and the screens hanging off it: high scores, instructions, credits and the
// new-player name input.
#include "game/TMainMenu.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/system/Input.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/TFramework.h"
#include "game/TGame.h"
#include "game/THighScorceEntry.h"
#include "game/TTextInput.h"
#include "game/TUserEntry.h"

#include <array>
#include <cmath>
#include <numbers>

TMainMenuPtr MainMenu;

namespace {

const char* const PadNormal = "Pad Movement: Normal";
const char* const PadBallDependent = "Pad Movement: Ball Dependent";

// Every front-end screen is centred on the play field.
constexpr int32_t CentreX = 384;

// A credit line: its text, where it rests, its offset field and the frames after which it moves
// in and out (the top line comes in first and leaves last).
struct TCreditLine {
    const char* text;
    int32_t baseY;
    float TMainMenu::*offset;
    int32_t moveInAfter;
    int32_t moveOutAfter;
};

const std::array<TCreditLine, 6> CreditLines = {{
    {"Coding by", 100, &TMainMenu::codeByText, 0, 50},
    {"Varn Dovrak", 150, &TMainMenu::varnText, 10, 40},
    {"SFX, GFX and Music by", 250, &TMainMenu::gfxbyText, 20, 30},
    {"Tibbe Halme", 300, &TMainMenu::tibbeText, 30, 20},
    {"Female voice", 400, &TMainMenu::voicesText, 40, 10},
    {"Seyla Fenrow", 450, &TMainMenu::seylaText, 50, 0},
}};

// One step of a credit line: the sine of a tenth of the offset, in degrees, computed in double
// precision; the result is kept as a float like the offsets themselves.
float CreditStep(float offset, int32_t sign)
{
    const double radians = static_cast<double>(offset) / 10.0 * std::numbers::pi / 180.0;
    return static_cast<float>(static_cast<double>(offset) + sign * 30.0 * std::sin(radians));
}

// The three information screens fade in, hold until Space or Return, and fade out.
template <typename TDraw>
void RunInformationScreen(TDraw draw)
{
    for (int32_t c = 2; c <= 254; c += 4) {
        Cls();
        draw(c);
        Flip(-1);
    }
    while (!KeyIsDown(KEY_SPACE) && !KeyIsDown(KEY_ENTER)) {
        Cls();
        draw(255);
        Flip(-1);
    }
    for (int32_t c = 255; c >= 3; c -= 4) {
        Cls();
        draw(c);
        Flip(-1);
    }
    ClearKeyboard();
}

}  // namespace

TMainMenuPtr TMainMenu::Create()
{
    auto menu = std::make_shared<TMainMenu>();
    menu->menuEntriesList = std::make_shared<TList<TMenuEntry>>();
    const auto add = [&](const char* text, int32_t selection, const char* infotext) {
        menu->menuEntriesList->AddLast(TMenuEntry::Create(text, selection, infotext));
    };
    add("Continue", MenuEntry_ContinueGame, "CONTINUE FROM LAST LEVEL");
    add("New Game", MenuEntry_NewGame, "STARTS NEW GAME FROM FIRST LEVEL");
    add(PadNormal, MenuEntry_BallMovement, "ONLY VALID WHEN USING KEYBOAD TO CONTROL (PRESS M DURING GAME TO CHANGE)");
    add("New player", MenuEntry_NewUser, "ENTER A NEW PLAYER");
    add("Highscores", MenuEntry_ShowHighscore, "SHOW ALL TIME HIGHS");
    add("Instructions", MenuEntry_Instructions, "HOW TO PLAY THE GAME");
    add("Credits", MenuEntry_Credits, "A TRIBUTE TO AMIGA");
    add("Quit", MenuEntry_Quit, "Exit game");
    menu->MenuState = MenuEntry_ContinueGame;
    if (IntroMusic) PlayMusic(IntroMusic);
    return menu;
}

void TMainMenu::DrawFrameRow()
{
    const int32_t w1 = ImageWidth(LeftBorderImage), w2 = ImageWidth(TopBorderImage);
    const int32_t w3 = ImageWidth(RightBorderImage), w4 = ImageWidth(InfoFieldImage);
    DrawImage(LeftBorderImage, w1 / 2, ImageHeight(LeftBorderImage) / 2);
    DrawImage(TopBorderImage, w1 + w2 / 2, ImageHeight(TopBorderImage) / 2);
    DrawImage(RightBorderImage, w1 + w2 + w3 / 2, ImageHeight(RightBorderImage) / 2);
    DrawImage(InfoFieldImage, w1 + w2 + w3 + w4 / 2, ImageHeight(InfoFieldImage) / 2);
}

void TMainMenu::DrawEnvironment(int32_t grey, int32_t fadeAll)
{
    // Without fadeAll the frame keeps the colour of the drawing before (white in every caller)
    // and the logo fades with the page; with it the frame fades and the logo stays bright, as the
    // intro leaves it.
    if (fadeAll != 0) SetColor(grey, grey, grey);
    DrawFrameRow();
    SetColor(grey, grey, grey);
    DrawImage(MenuBackgroundImage, CentreX, 400);
    DrawImage(MenuPageImage, CentreX, 400);
    if (fadeAll != 0) SetColor(255, 255, 255);
    DrawImage(KrellixLogoImage, CentreX, 154);
    if (fadeAll != 0)
        SetColor(grey, grey, grey);
    else
        SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, CentreX, 392);
}

void TMainMenu::DrawMenuEntries(int32_t grey)
{
    ColorCounter -= ColorSub;
    if (ColorCounter <= 0) ColorSub = -2;
    if (ColorCounter >= 255) ColorSub = 2;

    int32_t y = ImageHeight(TopBorderImage) + ImageHeight(KrellixLogoImage);
    for (const auto& entry : *menuEntriesList) {
        const bool full = grey >= 255;
        TFramework::DrawCentredShadowText(entry->MenuText, CentreX, y + 32,
                                          full ? GetEntryColor(entry->menuSelection) : grey);
        y += 26;
        TFramework::DrawCentredShadowTextSmall(entry->menuInfotext, CentreX, y + 32, full ? 255 : grey);
        y += 40;
    }
    TFramework::DrawCentredShadowTextSmall("Use Arrow Up/Down to Navigate", 636, 716, grey);
    TFramework::DrawCentredShadowTextSmall("Use Space/Return to select", 636, 736, grey);
}

void TMainMenu::ChooseMenuEntry(int32_t direction)
{
    if (SelectionQuarantin != 0) return;
    if (direction > 0) {
        if (MenuState > MenuEntry_ContinueGame) MenuState -= 1;
    } else {
        if (MenuState < MenuEntry_Quit) MenuState += 1;
    }
    // Also at the ends of the list: the pulse restarts and the key must wait.
    ColorCounter = 2;
    SelectionQuarantin = 10;
}

int32_t TMainMenu::GetEntryColor(int32_t selection) const { return selection == MenuState ? ColorCounter : 255; }

void TMainMenu::Menufadeout()
{
    for (int32_t c = 255; c >= 3; c -= 4) {
        Cls();
        SetColor(255, 255, 255);
        DrawEnvironment(c, 0);
        DrawMenuEntries(c);
        Flip(-1);
    }
}

void TMainMenu::MenufadeoutEnteriesOnly()
{
    for (int32_t c = 255; c >= 3; c -= 4) {
        Cls();
        DrawEnvironment(255, 0);
        DrawMenuEntries(c);
        Flip(-1);
    }
}

void TMainMenu::MenufadeinEnteriesOnly()
{
    for (int32_t c = 0; c <= 252; c += 4) {
        Cls();
        DrawEnvironment(255, 0);
        DrawMenuEntries(c);
        Flip(-1);
    }
}

void TMainMenu::Menufadein(int32_t fadeAll)
{
    for (int32_t c = 0; c <= 252; c += 4) {
        Cls();
        DrawEnvironment(c, fadeAll);
        DrawMenuEntries(c);
        Flip(-1);
    }
}

void TMainMenu::HoldMenu()
{
    // The selection keys are tested first, so a key already down selects at once.
    while (!KeyIsDown(KEY_SPACE) && !KeyIsDown(KEY_ENTER)) {
        Cls();
        if (KeyIsDown(KEY_DOWN)) ChooseMenuEntry(-1);
        if (KeyIsDown(KEY_UP)) ChooseMenuEntry(1);
        if (SelectionQuarantin > 0) SelectionQuarantin -= 1;
        SetColor(255, 255, 255);
        DrawEnvironment(255, 0);
        DrawMenuEntries(255);
        Flip(-1);
    }
}

void TMainMenu::TogglePadMovement()
{
    MoveMode = MoveMode == MoveMode_Traditional ? MoveMode_Spectrum : MoveMode_Traditional;
    for (const auto& entry : *menuEntriesList) {
        if (entry->MenuText == PadNormal)
            entry->MenuText = PadBallDependent;
        else if (entry->MenuText == PadBallDependent)
            entry->MenuText = PadNormal;
    }
}

void TMainMenu::PlayGame(int32_t selection)
{
    if (CurrentUserName.empty()) {
        MenufadeoutEnteriesOnly();
        ShowNewUser(255);
        // The backdrop fades on its own: the entries went before the name input.
        SetTraceScreen("menu");
        for (int32_t c = 255; c >= 3; c -= 4) {
            Cls();
            DrawEnvironment(c, 0);
            Flip(-1);
        }
    } else {
        Menufadeout();
    }
    GameMode = GameMode_LevelStart;
    // A fresh game each time: New Game always starts at level 1, Continue at the player's level.
    const TGamePtr game = TGame::Create(selection == MenuEntry_NewGame ? 1 : CurrentUserLevel);
    StopChannel(MusicChannel);
    SetTraceScreen("level");
    const int32_t result = game->NewGame();
    if (result == GameStarte_NewHighScore) {
        if (HiscoreMusic) PlayMusic(HiscoreMusic);
        ShowHighscores(THighScorceEntry::GetScorePosition(FinalScore));
    } else if (IntroMusic) {
        PlayMusic(IntroMusic);
    }
}

int32_t TMainMenu::Main(int32_t fadeIn, int32_t fadeAll)
{
    // Each pass of the menu runs here in turn; an action sets how the next pass begins.
    for (;;) {
        SetTraceScreen("menu");
        if (fadeIn != 0) Menufadein(fadeAll);
        HoldMenu();
        SetColor(255, 255, 255);
        fadeIn = 1;
        fadeAll = 0;
        switch (MenuState) {
        case MenuEntry_BallMovement:
            TogglePadMovement();
            // The next pass starts at once: without this the Return that chose the entry would
            // still be down and toggle again every frame for as long as it is held.
            ClearKeyboard();
            fadeIn = 0;
            break;
        case MenuEntry_NewGame:
        case MenuEntry_ContinueGame:
            PlayGame(MenuState);
            break;
        case MenuEntry_ShowHighscore:
            Menufadeout();
            ShowHighscores(0);
            break;
        case MenuEntry_Instructions:
            Menufadeout();
            ShowInstructions();
            break;
        case MenuEntry_Credits:
            Menufadeout();
            ShowCredits();
            break;
        case MenuEntry_NewUser:
            MenufadeoutEnteriesOnly();
            ShowNewUser(255);
            SetTraceScreen("menu");
            MenufadeinEnteriesOnly();
            fadeIn = 0;
            break;
        default:
            Menufadeout();
            return 0;
        }
    }
}

void TMainMenu::DrawHighScoreEnvironment(int32_t grey)
{
    DrawFrameRow();
    SetColor(grey, grey, grey);
    DrawImage(HighscoreBackgroundImage, CentreX, 400);
    DrawImage(HighscorePageImage, CentreX, 392);
    SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, CentreX, 392);
}

void TMainMenu::ListHighScores(int32_t position, int32_t grey)
{
    if (!HighScoreList) return;
    int32_t row = 1;
    for (const auto& entry : *HighScoreList) {
        const std::string text = std::to_string(row) + " - " + entry->Name + " - " + std::to_string(entry->Score) +
                                 " - " + std::to_string(entry->Level);
        const int32_t y = 105 + 50 * (row - 1);
        // The position is that of the first lower score, so the new entry is the row above it.
        if (row + 1 == position)
            TFramework::DrawCentredShadowTextHighLighted(text, CentreX, y, grey);
        else
            TFramework::DrawCentredShadowText(text, CentreX, y, grey);
        ++row;
    }
}

void TMainMenu::ShowHighscores(int32_t position)
{
    SetTraceScreen("highscores");
    RunInformationScreen([&](int32_t c) {
        DrawHighScoreEnvironment(c);
        ListHighScores(position, c);
    });
}

void TMainMenu::DrawInstructionsEnvironment(int32_t grey)
{
    SetBlend(BLEND_ALPHA);
    DrawFrameRow();
    SetColor(grey, grey, grey);
    DrawImage(InstructionsBackgroundImage, CentreX,
              ImageHeight(TopBorderImage) + ImageHeight(ExitPipesInnerPaneImage) / 2);
    DrawImage(InstructionsPageImage, CentreX, 400);
    SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, CentreX, 392);
}

void TMainMenu::ShowInstructions()
{
    SetTraceScreen("instructions");
    RunInformationScreen([&](int32_t c) { DrawInstructionsEnvironment(c); });
}

void TMainMenu::DrawWebAddresses(int32_t grey)
{
    TFramework::DrawCentredShadowTextSmall("www.varn-dovrak.example", CentreX, 174, grey);
    TFramework::DrawCentredShadowTextSmall("www.tibbe-halme.example", CentreX, 324, grey);
}

void TMainMenu::DrawCreditsEnvironment(int32_t grey)
{
    guruCounter = (guruCounter + 1) % 121;
    DrawFrameRow();
    SetColor(grey, grey, grey);
    DrawImage(CreditsBackgroundImage, CentreX, ImageHeight(TopBorderImage) + ImageHeight(ExitPipesInnerPaneImage) / 2);
    // Sixty frames one way, sixty-one the other.
    DrawImage(GuruAnimImage, CentreX, 648, guruCounter < 60 ? 0 : 1);
    SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, CentreX, 392);
    DrawWebAddresses(grey);
}

void TMainMenu::DrawCreditLines(bool movingIn)
{
    creditsCounter += 1;
    for (const TCreditLine& line : CreditLines) {
        float& offset = this->*line.offset;
        if (movingIn) {
            if (offset > 0.0f && creditsCounter > line.moveInAfter) offset = CreditStep(offset, -1);
        } else {
            if (offset < 900.0f && creditsCounter > line.moveOutAfter) offset = CreditStep(offset, 1);
        }
        TFramework::DrawCentredShadowText(line.text, CentreX,
                                          static_cast<int32_t>(static_cast<float>(line.baseY) + offset), 255);
    }
}

void TMainMenu::DrawCredits()
{
    DrawCreditLines(true);
    DrawWebAddresses(255);
}

void TMainMenu::DrawCreditsOut() { DrawCreditLines(false); }

void TMainMenu::ShowCredits()
{
    SetTraceScreen("credits");
    creditsCounter = 0;
    for (int32_t c = 2; c <= 254; c += 4) {
        Cls();
        DrawCreditsEnvironment(c);
        Flip(-1);
    }
    while (!KeyIsDown(KEY_SPACE) && !KeyIsDown(KEY_ENTER)) {
        Cls();
        DrawCreditsEnvironment(255);
        DrawCredits();
        Flip(-1);
    }
    // Lines still coming in are snapped just below their places, so all leave the same way.
    for (const TCreditLine& line : CreditLines) this->*line.offset = 1.0f;
    creditsCounter = 0;
    while (codeByText < 900.0f) {
        Cls();
        DrawCreditsEnvironment(255);
        DrawCreditsOut();
        Flip(-1);
    }
    for (int32_t c = 255; c >= 3; c -= 4) {
        Cls();
        DrawCreditsEnvironment(c);
        Flip(-1);
    }
    ClearKeyboard();
}

void TMainMenu::ShowNewUser(int32_t grey)
{
    SetTraceScreen("newplayer");
    const char* const prompt = "Please enter your name:";
    const TTextInputPtr input = TTextInput::Create(160, 125);
    for (int32_t c = 2; c <= 254; c += 4) {
        Cls();
        DrawEnvironment(255, 0);
        TFramework::DrawCentredShadowText(prompt, CentreX, 400, c);
        Flip(-1);
    }
    ClearKeyboard();
    while (!KeyIsDown(KEY_ENTER)) {
        Cls();
        DrawEnvironment(255, 0);
        TFramework::DrawCentredShadowText(prompt, CentreX, 400, grey);
        // Draw leaves the large font selected, in which Update measures the name.
        input->Draw(grey);
        input->Update();
        Flip(-1);
    }
    TUserEntry::LoadUser(input->txt);
    ClearKeyboard();
    for (int32_t c = 255; c >= 3; c -= 4) {
        Cls();
        DrawEnvironment(255, 0);
        TFramework::DrawCentredShadowText(prompt, CentreX, 400, c);
        input->Draw(c);
        Flip(-1);
    }
}

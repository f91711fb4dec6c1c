// The main menu and the two plain information screens hanging off it, high scores and
// instructions; the credits and the name input have units of their own.
#include "game/TMainMenu.h"

#include "framework/graphics/Image.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/MenuLayout.h"
#include "game/ScreenFade.h"
#include "game/TFramework.h"
#include "game/TGame.h"
#include "game/THighScorceEntry.h"
#include "game/TUserEntry.h"

TMainMenuPtr MainMenu;

namespace {

const char* const PadNormal = "Pad Movement: Normal";
const char* const PadBallDependent = "Pad Movement: Ball Dependent";

// The high scores and the instructions fade in, hold until Space or Return, and fade out.
template <typename TDraw>
void RunInformationScreen(TDraw draw)
{
    FadeIn(draw);
    HoldUntil(SelectKeyDown, [&] { draw(255); });
    FadeOut(draw);
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
    DrawImage(MenuBackgroundImage, MenuCentreX, MenuPageY);
    DrawImage(MenuPageImage, MenuCentreX, MenuPageY);
    if (fadeAll != 0) SetColor(255, 255, 255);
    DrawImage(KrellixLogoImage, MenuCentreX, MenuLogoY);
    if (fadeAll != 0)
        SetColor(grey, grey, grey);
    else
        SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, MenuCentreX, MenuPaneY);
}

void TMainMenu::DrawMenuEntries(int32_t grey)
{
    ColorCounter -= ColorSub;
    if (ColorCounter <= 0) ColorSub = -2;
    if (ColorCounter >= 255) ColorSub = 2;

    int32_t y = ImageHeight(TopBorderImage) + ImageHeight(KrellixLogoImage);
    for (const auto& entry : *menuEntriesList) {
        const bool full = grey >= 255;
        TFramework::DrawCentredShadowText(entry->MenuText, MenuCentreX, y + 32,
                                          full ? GetEntryColor(entry->menuSelection) : grey);
        y += 26;
        TFramework::DrawCentredShadowTextSmall(entry->menuInfotext, MenuCentreX, y + 32, full ? 255 : grey);
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
    FadeOut([&](int32_t c) {
        SetColor(255, 255, 255);
        DrawEnvironment(c, 0);
        DrawMenuEntries(c);
    });
}

void TMainMenu::MenufadeoutEnteriesOnly()
{
    FadeOut([&](int32_t c) {
        DrawEnvironment(255, 0);
        DrawMenuEntries(c);
    });
}

void TMainMenu::MenufadeinEnteriesOnly()
{
    FadeInFromZero([&](int32_t c) {
        DrawEnvironment(255, 0);
        DrawMenuEntries(c);
    });
}

void TMainMenu::Menufadein(int32_t fadeAll)
{
    FadeInFromZero([&](int32_t c) {
        DrawEnvironment(c, fadeAll);
        DrawMenuEntries(c);
    });
}

void TMainMenu::HoldMenu()
{
    // The selection keys are tested first, so a key already down selects at once.
    HoldUntil(SelectKeyDown, [&] {
        if (KeyIsDown(KEY_DOWN)) ChooseMenuEntry(-1);
        if (KeyIsDown(KEY_UP)) ChooseMenuEntry(1);
        if (SelectionQuarantin > 0) SelectionQuarantin -= 1;
        SetColor(255, 255, 255);
        DrawEnvironment(255, 0);
        DrawMenuEntries(255);
    });
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
    // A fresh game each time: New Game always starts at level 1, Continue at the player's level,
    // known once the player is. Its first level decodes while the menu fades out.
    const auto firstLevel = [&] { return selection == MenuEntry_NewGame ? 1 : CurrentUserLevel; };
    if (CurrentUserName.empty()) {
        MenufadeoutEnteriesOnly();
        ShowNewUser(255);
        TLevel::DecodeAhead(firstLevel());
        // The backdrop fades on its own: the entries went before the name input.
        SetTraceScreen("menu");
        FadeOut([&](int32_t c) { DrawEnvironment(c, 0); });
    } else {
        TLevel::DecodeAhead(firstLevel());
        Menufadeout();
    }
    GameMode = GameMode_LevelStart;
    const TGamePtr game = TGame::Create(firstLevel());
    StopChannel(MusicChannel);
    // Until this game ends with a new high score, its music cannot be heard.
    GameSounds::GiveBack(HiscoreMusic);
    SetTraceScreen("level");
    const int32_t result = game->NewGame();
    // The last level's music and the closing music are over until another game gets there.
    game->Level = nullptr;
    LevelMusic = nullptr;
    GameSounds::GiveBack(VortanoCoverMusic);
    if (result == GameStarte_NewHighScore) {
        if (HiscoreMusic) PlayMusic(HiscoreMusic);
        ShowHighscores(THighScorceEntry::GetScorePosition(FinalScore));
    } else {
        GameSounds::GiveBack(HiscoreMusic);
        if (IntroMusic) PlayMusic(IntroMusic);
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
            GameGraphics::PrefetchImages({HighscoreBackgroundImage, HighscorePageImage});
            Menufadeout();
            ShowHighscores(0);
            break;
        case MenuEntry_Instructions:
            GameGraphics::PrefetchImages({InstructionsBackgroundImage, InstructionsPageImage});
            Menufadeout();
            ShowInstructions();
            break;
        case MenuEntry_Credits:
            GameGraphics::PrefetchImages({CreditsBackgroundImage});
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
    DrawImage(HighscoreBackgroundImage, MenuCentreX, MenuPageY);
    DrawImage(HighscorePageImage, MenuCentreX, MenuPaneY);
    SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, MenuCentreX, MenuPaneY);
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
            TFramework::DrawCentredShadowTextHighLighted(text, MenuCentreX, y, grey);
        else
            TFramework::DrawCentredShadowText(text, MenuCentreX, y, grey);
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
    DrawImage(InstructionsBackgroundImage, MenuCentreX,
              ImageHeight(TopBorderImage) + ImageHeight(ExitPipesInnerPaneImage) / 2);
    DrawImage(InstructionsPageImage, MenuCentreX, MenuPageY);
    SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, MenuCentreX, MenuPaneY);
}

void TMainMenu::ShowInstructions()
{
    SetTraceScreen("instructions");
    RunInformationScreen([&](int32_t c) { DrawInstructionsEnvironment(c); });
}

// The main menu and the screens hanging off it: high scores, instructions, credits
// (MenuCredits.cpp) and the new-player name input (MenuNameEntry.cpp).
#pragma once

#include "game/GameCommon.h"
#include "game/TMenuEntry.h"

#include <cstdint>
#include <memory>

class TMainMenu;
using TMainMenuPtr = std::shared_ptr<TMainMenu>;

class TMainMenu : public GameCommon {
public:
    static constexpr int32_t MenuEntry_ContinueGame = 1;
    static constexpr int32_t MenuEntry_NewGame = 2;
    static constexpr int32_t MenuEntry_BallMovement = 3;
    static constexpr int32_t MenuEntry_NewUser = 4;
    static constexpr int32_t MenuEntry_ShowHighscore = 5;
    static constexpr int32_t MenuEntry_Instructions = 6;
    static constexpr int32_t MenuEntry_Credits = 7;
    static constexpr int32_t MenuEntry_Quit = 8;

    // Entry of the highlighted line.
    int32_t MenuState = 0;
    // Brightness of the highlighted title, pulsing between 0 and 256.
    int32_t ColorCounter = 0;
    // Subtracted from ColorCounter each drawn frame: 2 or -2.
    int32_t ColorSub = 0;
    // Frames left before the highlight may move again.
    int32_t SelectionQuarantin = 0;
    TListPtr<TMenuEntry> menuEntriesList;
    // Vertical offsets of the six credit lines from their places; kept between visits.
    float varnText = 900.0f;
    float codeByText = 900.0f;
    float gfxbyText = 900.0f;
    float tibbeText = 900.0f;
    float voicesText = 900.0f;
    float seylaText = 900.0f;
    // Frame counter of the credits' two-frame picture.
    int32_t guruCounter = 0;
    // Frames since the credit lines started moving.
    int32_t creditsCounter = 0;

    // The eight entries with Continue highlighted; starts the intro music.
    static TMainMenuPtr Create();

    // The menu backdrop at brightness grey; fadeAll also fades the frame and keeps the logo bright.
    void DrawEnvironment(int32_t grey, int32_t fadeAll);
    void DrawHighScoreEnvironment(int32_t grey);
    // One row per entry of the table; row position - 1 is highlighted.
    void ListHighScores(int32_t position, int32_t grey);
    void DrawInstructionsEnvironment(int32_t grey);
    // Also advances the credits picture one frame.
    void DrawCreditsEnvironment(int32_t grey);
    // One frame of the credit lines moving out, bottom line first.
    void DrawCreditsOut();
    // One frame of the credit lines moving in, top line first, and the web addresses.
    void DrawCredits();
    // The name input; the typed name becomes the current player, created when new.
    void ShowNewUser(int32_t grey);
    // Advances the highlight pulse and draws the entries and the key hints.
    void DrawMenuEntries(int32_t grey);
    // A positive direction moves the highlight up, otherwise down; no wrap-around.
    void ChooseMenuEntry(int32_t direction);
    int32_t GetEntryColor(int32_t selection) const;
    void Menufadeout();
    void MenufadeoutEnteriesOnly();
    void MenufadeinEnteriesOnly();
    void Menufadein(int32_t fadeAll);
    // The front end: one menu pass after another until Quit is chosen; returns 0 then.
    int32_t Main(int32_t fadeIn, int32_t fadeAll);
    // position: GetScorePosition of a score just entered, 0 for none.
    void ShowHighscores(int32_t position);
    void ShowInstructions();
    void ShowCredits();

private:
    // Shows the menu until Space or Return is down.
    void HoldMenu();
    // Switches MoveMode and the Pad Movement title.
    void TogglePadMovement();
    // New Game or Continue, from the name input (when no player is chosen) to the music after it.
    void PlayGame(int32_t selection);
    // The frame row every front-end backdrop starts with: left border, top border, right border,
    // side panel, side by side from the left edge.
    static void DrawFrameRow();
    static void DrawWebAddresses(int32_t grey);
    void DrawCreditLines(bool movingIn);
};

// The menu of the run, created at start-up; null before.
extern TMainMenuPtr MainMenu;

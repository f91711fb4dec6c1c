// One level in play: creation from its layout, the per-frame main loop, the blocking sequences
// around it (get ready, life lost, game over, pause, the closing screen) and the play-screen drawing.
#pragma once

#include "game/GameCommon.h"
#include "game/TPaddle.h"

#include "framework/graphics/Image.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class TLevel;
using TLevelPtr = std::shared_ptr<TLevel>;

// Position of the end text. As designed: never reset, so a second showing starts where the first
// stopped.
extern int32_t ScrollTextOffset;

class TLevel : public GameCommon {
public:
    // As designed: declared but not used; the exit state lives in EscapeState.
    static constexpr int32_t Normal = 1;
    static constexpr int32_t EscapeOpen = 2;

    // What MainLoop returns. As designed: a completed level gives the value of GameMode_LevelStart,
    // and the two ends of a game give the GameMode values that name them.
    static constexpr int32_t LevelResult_Abandoned = 0;
    static constexpr int32_t LevelResult_Completed = GameMode_LevelStart;
    static constexpr int32_t LevelResult_GameOver = GameMode_GameOver;
    static constexpr int32_t LevelResult_GameCompleted = GameMode_GameCompleted;

    static constexpr int32_t EndTextLines = 55;
    static const std::array<const char*, EndTextLines> EndText;

    int32_t LevelNumber = 0;
    int32_t SecondsCounter = 0;
    int32_t StartSeconds = 0;
    TPaddlePtr Paddle;
    TImagePtr backGroundGFX;
    TImagePtr Borderleft;
    TImagePtr BorderRight;
    TImagePtr BorderTop;
    TSoundPtr music;
    TImagePtr AlienImage;
    int32_t EscapeOpenCounter = 0;
    int32_t EscapeOpenDirection = 0;
    int32_t isZog = 0;
    int32_t containsNonRemoveable = 0;
    // True while the pause screen is shown.
    bool Paused = false;

    // A level with fresh object lists and a paddle; numbers outside 1..33 are clamped.
    static TLevelPtr Create(int32_t levelNumber);
    // The newest level while anything still holds it; null otherwise.
    static TLevelPtr Current();
    // What a level start and a new life share: the exit closed, no top-wall hit yet, fresh lists
    // of balls, capsules, aliens, bolts and explosions, the paddle state normal, and the alien
    // and boss-shot timers reset. A new life keeps the bricks and the boss shots; a new level
    // replaces those lists too.
    static void ResetPlayObjects(bool keepBricksAndShots);

    void InitMusic();
    // The level's music has ended for good: it goes at once, before another piece decodes.
    void LetGoOfMusic();
    void DrawEnvironment();
    void DrawEscape(int32_t paddleX);
    void IntroLoop();
    void LevelUp();
    void LifeLoosing();
    void GameOver();
    void LifeLost();
    void StartAgain();
    void DrawLevelNoPlay(int32_t brightness, int32_t dim);
    void DrawNoPlayEnvironment(int32_t brightness, int32_t dim);
    void PauseGame();
    // One of the LevelResult_ values: completed, game over, last level completed, or left with
    // Escape.
    int32_t MainLoop();
    // One frame's input, steering, collisions and updates; false when the last life was lost
    // (the game-over screen has run by then).
    bool PlayFrame();
    // One playing frame's picture, without Cls and Flip.
    void DrawPlayFrame();
    // Borders, the first ball, the level's images and music, and the bricks of its layout.
    void InitalizeLevel();
    // Starts decoding the music and the background of level levelNumber on other threads, while
    // the screen before it fades out, so that its first frame finds them there; numbers outside
    // 1..33 start nothing.
    static void DecodeAhead(int32_t levelNumber);
    void LastLevelCompleted();
    static void ScrollText();

private:
    // The window was without focus at the last frame; a new loss of focus pauses the game.
    bool wasAway = false;

    void PutBallOnPaddle();
    void DrawPanelTexts(float modeAlpha, float alpha);
};

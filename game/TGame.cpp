// One game from its start level to its end: score and lives, one level after another, and the
// result in the high-score table and the player's progress.
#include "game/TGame.h"

#include "game/THighScorceEntry.h"

TGamePtr TGame::Create(int32_t startLevel)
{
    auto game = std::make_shared<TGame>();
    game->startLevel = startLevel;
    return game;
}

int32_t TGame::NewGame()
{
    Score = 0;
    Lives = 5;
    // Past the last life, or past the last level: the game is over, whatever the player does now.
    bool over = false;
    try {
        for (;;) {
            Level = TLevel::Create(startLevel);
            Level->InitalizeLevel();
            Level->InitMusic();
            Level->IntroLoop();
            const int32_t result = Level->MainLoop();
            if (result == TLevel::LevelResult_Completed) {
                // Score and lives carry over. As designed: the fade already shows the next level's
                // number.
                GameMode = GameMode_LevelStart;
                Level->EndMusic();
                Level->LetGoOfMusic();
                Level->LevelNumber += 1;
                CurrentUserLevel = Level->LevelNumber;
                startLevel += 1;
                TLevel::DecodeAhead(startLevel);
                Level->LevelUp();
                continue;
            }
            if (result == TLevel::LevelResult_GameCompleted) {
                over = true;
                Level->LastLevelCompleted();
                break;
            }
            if (result == TLevel::LevelResult_GameOver) break;
            // Left with Escape: no high-score check, and the progress stays as it was.
            return 0;
        }
    } catch (...) {
        // The program is ending (the window was closed) during the game-over or the closing
        // screen: the result is entered all the same, to be saved with the tables.
        if (over || Lives <= 0) EnterResult();
        throw;
    }
    return EnterResult();
}

int32_t TGame::EnterResult()
{
    FinalScore = Score;
    CurrentUserLevel = Level->LevelNumber;
    return THighScorceEntry::EnterFinalScore(CurrentUserName, FinalScore, CurrentUserLevel) ? GameStarte_NewHighScore
                                                                                            : 0;
}

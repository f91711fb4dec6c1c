// Program-wide game state and constants, and the music and effect helpers every class shares.
#pragma once

#include "framework/audio/Audio.h"
#include "framework/graphics/Font.h"
#include "framework/system/List.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TBall;
class TBrick;
class TBonus;
class TBullet;
class TAlien;
class TAlienExplosion;
class TZogShoot;
class TStar;
class THighScorceEntry;
class TAssetLoader;

// Settles a catalogue's loading after each frame until it is done: what was decoded becomes
// playable or drawable between frames, never in the middle of one.
class TLoaderSettling {
public:
    explicit TLoaderSettling(TAssetLoader& loader) : _loader(loader) {}
    void Start();
    void Stop();

private:
    TAssetLoader& _loader;
    int32_t _hook = 0;
};

class GameCommon {
public:
    // As designed: front-end state names of which only GameStarte_NewHighScore is used.
    static constexpr int32_t Gamestate_Intro = 1;
    static constexpr int32_t GameState_Menu = 2;
    static constexpr int32_t GameState_NewGame = 3;
    static constexpr int32_t GameState_Credits = 4;
    static constexpr int32_t GameState_Instructions = 5;
    static constexpr int32_t GameState_Highscore = 6;
    static constexpr int32_t GameState_Quit = 7;
    static constexpr int32_t GameState_MenuNoFadein = 8;
    static constexpr int32_t GameStarte_NewHighScore = 9;

    static constexpr int32_t GameMode_LevelIntro = 0;
    static constexpr int32_t GameMode_LevelStart = 1;
    static constexpr int32_t GameMode_LevelStartAgain = 2;
    static constexpr int32_t GameMode_LifeLost = 3;
    static constexpr int32_t GameMode_Teleporting = 4;
    static constexpr int32_t GameMode_GameOver = 5;
    static constexpr int32_t GameMode_LevelCompleted = 6;
    static constexpr int32_t GameMode_GameCompleted = 7;
    static constexpr int32_t GameMode_GamePlaying = 8;

    static constexpr int32_t EscapeOpen_Closed = 0;
    static constexpr int32_t EscapeOpen_Open = 1;
    // As designed: not used.
    static constexpr int32_t GamePaused = 0;
    static constexpr int32_t MoveMode_Traditional = 0;
    static constexpr int32_t MoveMode_Spectrum = 1;

    virtual ~GameCommon() = default;

    // Starts sound on a fresh MusicChannel; the old channel is released, not stopped.
    static void PlayMusic(const TSoundPtr& sound);
    // Stops MusicChannel when it is playing. As designed: a method, though it uses no object state.
    void EndMusic();
    // As PlayMusic, on FXChannel: effects overlap freely.
    static void playFX(const TSoundPtr& sound);
};

template <typename T>
using TListPtr = std::shared_ptr<TList<T>>;

extern int32_t Score;
extern int32_t Lives;
extern int32_t BricksLeft;
extern int32_t GameMode;
extern int32_t EscapeState;
extern int32_t MoveMode;
extern int32_t TopWallHit;
extern int32_t SpeedFactor;
extern int32_t NextSpeedUpSecond;
extern int32_t PaddleState;
extern float PaddleScale;
extern int32_t PaddleLazerFrame;
extern TListPtr<TBall> BallList;
extern TListPtr<TBrick> BrickList;
extern TListPtr<TBonus> BonusList;
extern TListPtr<TBullet> BulletList;
extern TListPtr<TAlien> AlienList;
extern TListPtr<TAlienExplosion> ExplosionList;
extern TListPtr<TZogShoot> ZogShootList;
extern int32_t SurvivedBrickHits;
extern TListPtr<TStar> StarList;
extern TListPtr<THighScorceEntry> HighScoreList;
extern std::string CurrentUserName;
extern int32_t CurrentUserLevel;
extern int32_t FinalScore;
extern TChannelPtr MusicChannel;
extern TChannelPtr FXChannel;
extern TSoundPtr LevelMusic;
// Read position in the level-layout data: an index into the level data's cells.
extern int32_t LevelDataCursor;
extern TImageFontPtr LargeFont;
extern TImageFontPtr SmallFont;

// Which screen the frames now being drawn belong to ("loading", "intro", "menu", "highscores",
// "instructions", "credits", "newplayer", "level"), for the trace. Each screen names itself before
// it draws; the name must outlive the run (a literal).
void SetTraceScreen(std::string_view name);
std::string_view TraceScreen();

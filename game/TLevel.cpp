// One level in play: creation from its layout, the per-frame main loop, the blocking sequences
// around it (get ready, life lost, game over, pause, the closing screen) and the play-screen drawing.
#include "game/TLevel.h"

#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Graphics.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "framework/system/Report.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/LevelData.h"
#include "game/PlayField.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBonus.h"
#include "game/TBrick.h"
#include "game/TBullet.h"
#include "game/TFramework.h"
#include "game/TZogShoot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

int32_t ScrollTextOffset = 800;

const std::array<const char*, TLevel::EndTextLines> TLevel::EndText = {
    "The dimension controlling fort",
    "'Zog' has noe been destroyed and",
    "time started flowing backwards.",
    "'Pellon' managed to escape from",
    "distorted space.",
    "But the voyage of 'Vortano' in",
    "the galaxy has only now started.",
    "",
    "",
    "Krellix",
    "Coding by Varn Dovrak",
    "SFX, GFX and music by Tibbe Halme",
    "Female voice by Seyla Fenrow",
    "A Quillon Games production",
    "",
    "",
    "If you want to contact us, send mail to",
    "varn@quillon.example",
    "or tibbe@quillon.example",
    "",
    "This game is freeware!!!",
    "",
    "Some facts about the game:",
    "",
    "It runs on a small C++ framework of our own.",
    "",
    "All the photos were taken by Tibbe Halme.",
    "",
    "The location of the photos are:",
    "",
    "Lier Mental hospital:",
    "A party abanoned mental hospital in Norway",
    "",
    "German air command bunker:",
    "A bunker in Oslo build by the Germans during",
    "the second world war.",
    "",
    "Avloes train workshop:",
    "A public train workshop outside Oslo",
    "Soon to be demolished",
    "",
    "",
    "See you in soon in another production from",
    "Quillon Games",
    "",
    "",
    "",
    "",
    "Krellix",
    "Coding: Varn Dovrak",
    "Graphics and sound: Tibbe Halme",
    "Voice: Seyla Fenrow",
    "Thanks for playing!",
    "",
    "Press Space to return",
};

namespace {

constexpr int32_t BackgroundY = 400;
constexpr int32_t InnerPaneY = 392;
constexpr int32_t PanelTextX = 780;

std::weak_ptr<TLevel> CurrentLevel;

// Play is active while the main loop runs: the pointer stays in the window. Also when the loop is
// left by an exception (the frame limit of a test run).
class TPlayActive {
public:
    TPlayActive() { SetPlayActive(true); }
    ~TPlayActive() { SetPlayActive(false); }
    TPlayActive(const TPlayActive&) = delete;
    TPlayActive& operator=(const TPlayActive&) = delete;
};

struct TBrickKind {
    int32_t code;
    const TImagePtr* image;
    int32_t hitTimes;
    int32_t brickScore;
    int32_t animationFrames;
    int32_t isZog;
};

// What each cell code of the layouts builds; code 11 is the indestructible brick.
const std::array<TBrickKind, 10> BrickKinds = {{
    {1, &BlockWhiteImage, 1, 100, 1, 0},
    {2, &BlockRedImage, 1, 200, 1, 0},
    {3, &BlockYellowImage, 1, 300, 1, 0},
    {4, &BlockLightBlueImage, 1, 350, 1, 0},
    {5, &BlockRoseImage, 1, 200, 1, 0},
    {6, &BlockGreenImage, 1, 150, 1, 0},
    {7, &BlockBlueImage, 1, 220, 1, 0},
    {10, &BlockSemiSolidAnimImage, 2, 400, 10, 0},
    {11, &BlockSolidAnimImage, -1, 0, 10, 0},
    {99, &ZogAnimImage, 16, 4500, 12, 1},
}};

const TBrickKind* FindBrickKind(int32_t code)
{
    for (const TBrickKind& kind : BrickKinds)
        if (kind.code == code) return &kind;
    return nullptr;
}

}  // namespace

TLevelPtr TLevel::Create(int32_t levelNumber)
{
    auto level = std::make_shared<TLevel>();
    if (levelNumber < 1 || levelNumber > LevelCount) {
        const int32_t clamped = std::clamp(levelNumber, 1, LevelCount);
        ReportProblem("there is no level " + std::to_string(levelNumber) + "; playing level " +
                      std::to_string(clamped));
        levelNumber = clamped;
    }
    level->LevelNumber = levelNumber;
    // The new paddle's state (levelStart) is replaced by normal at once.
    level->Paddle = TPaddle::Create(MoveMode);
    ResetPlayObjects(false);
    BricksLeft = 0;
    level->StartSeconds = CurrentMillisecs() / 1000;
    CurrentLevel = level;
    return level;
}

TLevelPtr TLevel::Current() { return CurrentLevel.lock(); }

void TLevel::ResetPlayObjects(bool keepBricksAndShots)
{
    EscapeState = EscapeOpen_Closed;
    TopWallHit = 0;
    BallList = std::make_shared<TList<TBall>>();
    if (!keepBricksAndShots) BrickList = std::make_shared<TList<TBrick>>();
    BonusList = std::make_shared<TList<TBonus>>();
    AlienList = std::make_shared<TList<TAlien>>();
    BulletList = std::make_shared<TList<TBullet>>();
    ExplosionList = std::make_shared<TList<TAlienExplosion>>();
    if (!keepBricksAndShots) ZogShootList = std::make_shared<TList<TZogShoot>>();
    PaddleState = TPaddle::normal;
    TAlien::ResetPause();
    TZogShoot::ResetPause();
}

void TLevel::PutBallOnPaddle()
{
    TBall::Create(BallImage, BallShadowImage, Paddle->positionX,
                  Paddle->positionY - ImageHeight(Paddle->PaddleGfx) + ImageHeight(BallImage) / 2);
}

void TLevel::InitalizeLevel()
{
    Borderleft = LeftBorderImage;
    BorderRight = RightBorderImage;
    BorderTop = TopBorderImage;
    PutBallOnPaddle();

    const TLevelSettings& settings = LevelSettings[static_cast<size_t>(LevelNumber - 1)];
    LevelDataCursor = (LevelNumber - 1) * LevelCells;
    backGroundGFX = *settings.background;
    AlienImage = *settings.alienImage;
    // Before the music, so that the boss level's pictures decode while its music does.
    GameGraphics::LoadLevelImages(backGroundGFX, settings.isZog != 0);
    GameSounds::LoadMusic(settings.musicId);
    music = LevelMusic;
    if (settings.isZog) {
        isZog = 1;
        // The closing music starts the moment the boss is destroyed: it decodes while the boss fights.
        GameSounds::DecodeAhead(VortanoCoverMusic);
    }

    for (int32_t r = 0; r < LevelRows; ++r) {
        for (int32_t c = 0; c < LevelColumns; ++c) {
            const int32_t code = LevelData[static_cast<size_t>(LevelDataCursor++)];
            const TBrickKind* kind = FindBrickKind(code);
            if (!kind) continue;
            TBrick::Create(*kind->image, kind->hitTimes, kind->brickScore, c, r, kind->animationFrames, kind->isZog,
                           nullptr);
            if (kind->hitTimes < 0)
                containsNonRemoveable = 1;
            else
                ++BricksLeft;
        }
    }
}

void TLevel::DecodeAhead(int32_t levelNumber)
{
    if (levelNumber < 1 || levelNumber > LevelCount) return;
    const TLevelSettings& settings = LevelSettings[static_cast<size_t>(levelNumber - 1)];
    GameSounds::DecodeMusicAhead(settings.musicId);
    if (const TImagePtr& background = *settings.background) background->PrefetchPixels();
}

void TLevel::InitMusic()
{
    if (music) PlayMusic(music);
}

void TLevel::LetGoOfMusic()
{
    music = nullptr;
    LevelMusic = nullptr;
}

void TLevel::StartAgain()
{
    Paddle->positionY = PaddleLineY;
    // Bricks already destroyed stay destroyed, and boss shots in flight keep falling.
    ResetPlayObjects(true);
    StartSeconds = CurrentMillisecs() / 1000;
    PutBallOnPaddle();
    IntroLoop();
}

void TLevel::LevelUp()
{
    playFX(NextLevelSound);
    for (int32_t b = 255; b >= 3; b -= 4) DrawLevelNoPlay(b, 0);
}

int32_t TLevel::MainLoop()
{
    ClearKeyboard();
    // What the decodes of the levels before freed leaves the process, not to pile up level after
    // level: here, between the fade-in and play, where a frame has the time to spare, and after
    // the level's textures took what they could of it. The drawing memory set aside stays.
    ReturnFreedMemoryButDrawingReserve();
    if (isZog) GameGraphics::PrefetchBossExplosion();
    const TPlayActive playing;
    while (!KeyIsDown(KEY_ESCAPE)) {
        Cls();
        if (GameMode == GameMode_LevelCompleted) break;
        if (!PlayFrame()) return LevelResult_GameOver;
        DrawPlayFrame();
        Flip(-1);
    }
    EndMusic();
    // As designed: also when Escape is held on the last level once the boss is destroyed.
    if (BricksLeft == 0 && LevelNumber == LevelCount) return LevelResult_GameCompleted;
    if (GameMode == GameMode_LevelCompleted) return LevelResult_Completed;
    return LevelResult_Abandoned;
}

bool TLevel::PlayFrame()
{
    if (BricksLeft == 0) {
        EscapeState = EscapeOpen_Open;
        Paddle->setPositionWhenEscapeOpens();
    }
    SecondsCounter = CurrentMillisecs() / 1000 - StartSeconds;

    // The first input that reports a hit wins; the others keep theirs for a later frame.
    if (KeyHitCount(KEY_SPACE) || MouseHitCount(1) || KeyHitCount(KEY_ENTER)) {
        if (PaddleState == TPaddle::lazer) TBullet::Create(Paddle->positionX, Paddle->positionY, SecondsCounter);
        if (GameMode == GameMode_LevelStart) {
            TBall::StartMoves();
            GameMode = GameMode_GamePlaying;
        }
        if (PaddleState == TPaddle::freeze) TBall::StartMoves();
    }
    if (KeyHitCount(KEY_M)) Paddle->TogglePaddleMovement();
    // Leaving the window pauses as P does, once for each time it is left.
    const bool away = AppSuspended();
    const bool justLeft = away && !wasAway;
    wasAway = away;
    if (KeyIsDown(KEY_P) || justLeft) PauseGame();

    if (GameMode != GameMode_LifeLost) {
        const auto first = BallList->First();
        if (first)
            Paddle->MovePaddle(first->positionX, first->speedX, first->speedY, BallList->Count());
        else
            Paddle->MovePaddle(Paddle->positionX, 0, 0, 0);
    } else {
        LifeLoosing();
        Lives -= 1;
        if (Lives <= 0) {
            EndMusic();
            GameOver();
            return false;
        }
        LifeLost();
        StartAgain();
        GameMode = GameMode_LevelStart;
    }

    TBall::CheckPaddleCollision(*Paddle, SecondsCounter);
    TBonus::CheckPaddleCollisions(*Paddle);
    TBullet::CheckBrickCollisions(BrickList);
    TAlien::CheckCollisions(BallList, BulletList, *Paddle);
    TBrick::CheckBallCollisions(BallList, containsNonRemoveable, isZog);
    TZogShoot::CheckPaddleCollisions(Paddle->positionX, Paddle->positionY, ImageWidth(Paddle->PaddleGfx),
                                     ImageHeight(Paddle->PaddleGfx));

    Paddle->UpdatePaddle();
    if (GameMode != GameMode_Teleporting) TBall::updateBalls(Paddle->positionX, SecondsCounter);
    TBullet::UpdateBullets();
    TAlien::GlobalUpdateAlien(SecondsCounter, BrickList, AlienImage, isZog);
    TBonus::UpdateBonuses();
    TZogShoot::UpdateZogShoots(SecondsCounter, isZog);
    return true;
}

void TLevel::DrawPlayFrame()
{
    SetBlend(BLEND_ALPHA);
    DrawImage(backGroundGFX, FieldCentreX, BackgroundY, 0);
    DrawImage(ExitPipesInnerPaneImage, FieldCentreX, InnerPaneY, 0);
    TZogShoot::DrawShoots();
    TBrick::DrawBricks();
    TBullet::DrawBullets();
    TAlien::DrawAliens();
    TBonus::DrawBonuses();
    TAlienExplosion::DrawExplosions();
    Paddle->DrawPaddle();
    TBall::DrawBalls();
    DrawEnvironment();
    Paddle->DrawLives();
    DrawEscape(Paddle->positionX);
    // 255 clamps to opaque, shadow included.
    DrawPanelTexts(255.0f, 1.0f);
}

void TLevel::IntroLoop()
{
    playFX(GetReadySound);
    for (int32_t b = 0; b < 256; b += 4) DrawLevelNoPlay(b, 0);
}

void TLevel::LifeLoosing()
{
    GameMode = GameMode_LevelStartAgain;
    while (Paddle->positionY < GraphicsHeight() + ImageHeight(Paddle->PaddleGfx)) {
        Paddle->positionY += 2;
        DrawLevelNoPlay(255, 0);
    }
}

void TLevel::LifeLost()
{
    playFX(LifeLostSound);
    for (int32_t b = 255; b >= 3; b -= 4) DrawLevelNoPlay(b, 0);
}

void TLevel::GameOver()
{
    // The high scores, their music and pictures, may follow the game, once its result is entered:
    // they decode during the seconds the game over takes.
    LetGoOfMusic();
    GameSounds::DecodeAhead(HiscoreMusic);
    GameGraphics::PrefetchImages({HighscoreBackgroundImage, HighscorePageImage});
    playFX(GameOverSound);
    for (int32_t b = 255; b >= 103; b -= 4) DrawLevelNoPlay(b, 0);

    // The text rises from below the screen and slows down as the sine flattens.
    float y = 900.0f;
    while (y > 100.0f) {
        Cls();
        DrawNoPlayEnvironment(100, 0);
        SetColor(255, 255, 255);
        y = static_cast<float>(y - 30.0 * std::sin(static_cast<double>(y) / 10.0 * std::numbers::pi / 180.0));
        TFramework::DrawCentredShadowText("Game Over", FieldCentreX, 100 + static_cast<int32_t>(y), 255);
        Flip(-1);
    }
    SleepMillisecs(2000);
    for (int32_t b = 255; b >= 3; b -= 4) {
        Cls();
        DrawNoPlayEnvironment(std::min(b, 100), 0);
        TFramework::DrawCentredShadowText("Game Over", FieldCentreX, 100 + static_cast<int32_t>(y), b);
        Flip(-1);
    }
    SetColor(255, 255, 255);
}

void TLevel::PauseGame()
{
    PauseChannel(MusicChannel);
    // The pointer is free while the game waits.
    const bool playing = PlayActive();
    SetPlayActive(false);
    Paused = true;
    while (!KeyIsDown(KEY_SPACE)) {
        Cls();
        DrawNoPlayEnvironment(100, 0);
        TFramework::DrawCentredShadowText("Game Paused", FieldCentreX, GraphicsHeight() / 2 - 100, 255);
        TFramework::DrawCentredShadowText("Press Space to continue", FieldCentreX, GraphicsHeight() / 2, 255);
        Flip(-1);
    }
    Paused = false;
    SetPlayActive(playing);
    ResumeChannel(MusicChannel);
}

void TLevel::LastLevelCompleted()
{
    PlayMusic(VortanoCoverMusic);
    // The high scores, their music and pictures, may follow once the player leaves this screen, a
    // fade's length from now.
    GameSounds::DecodeAhead(HiscoreMusic);
    GameGraphics::PrefetchImages({HighscoreBackgroundImage, HighscorePageImage});
    for (int32_t b = 255; b >= 3; b -= 4) DrawLevelNoPlay(b, 1);
    SetColor(255, 255, 255);
    while (!KeyIsDown(KEY_SPACE)) {
        Cls();
        DrawImage(ExitPipesInnerPaneImage, FieldCentreX, InnerPaneY, 0);
        ScrollText();
        DrawEnvironment();
        Flip(-1);
    }
    EndMusic();
}

void TLevel::ScrollText()
{
    for (int32_t i = 0; i < EndTextLines; ++i) {
        const int32_t y = ScrollTextOffset + 40 * i;
        if (y > 20 && y < GraphicsHeight() + 30)
            TFramework::DrawCentredShadowText(EndText[static_cast<size_t>(i)], FieldCentreX, y, 255);
    }
    // Stops when the last line rests half a screen up.
    if (std::abs(ScrollTextOffset) < 40 * EndTextLines - GraphicsHeight() / 2) ScrollTextOffset -= 1;
}

void TLevel::DrawEnvironment()
{
    const int32_t lw = ImageWidth(Borderleft), lh = ImageHeight(Borderleft);
    const int32_t tw = ImageWidth(BorderTop), th = ImageHeight(BorderTop);
    const int32_t rw = ImageWidth(BorderRight), rh = ImageHeight(BorderRight);
    const int32_t iw = ImageWidth(InfoFieldImage), ih = ImageHeight(InfoFieldImage);
    DrawImage(Borderleft, static_cast<float>(lw / 2), static_cast<float>(lh / 2), 0);
    DrawImage(BorderTop, static_cast<float>(lw + tw / 2), static_cast<float>(th / 2), 0);
    DrawImage(BorderRight, static_cast<float>(lw + tw + rw / 2), static_cast<float>(rh / 2), 0);
    DrawImage(InfoFieldImage, static_cast<float>(lw + tw + rw + iw / 2), static_cast<float>(ih / 2), 0);
    DrawImage(SidebarLogoImage, static_cast<float>(lw + tw + rw + iw / 2), static_cast<float>(rh / 12), 0);
}

void TLevel::DrawEscape(int32_t)
{
    if (EscapeState != EscapeOpen_Open) return;
    // Flares up in steps of 8 and fades back by 1: a cycle of 108 frames.
    EscapeOpenCounter += EscapeOpenDirection;
    if (EscapeOpenCounter >= 91) EscapeOpenDirection = -1;
    if (EscapeOpenCounter <= 0) EscapeOpenDirection = 8;
    SetAlpha(static_cast<float>(std::sin(EscapeOpenCounter * std::numbers::pi / 180.0)));
    const int32_t x = ImageWidth(Borderleft) + 724 - ImageWidth(ExitPipesGlowRightImage) / 2;
    DrawImage(ExitPipesGlowRightImage, static_cast<float>(x), static_cast<float>(PaddleLineY), 0);
    SetAlpha(1.0f);
}

void TLevel::DrawPanelTexts(float modeAlpha, float alpha)
{
    const char* mode = MoveMode == MoveMode_Traditional ? "Pad move: Normal " : "Pad move: Ball";
    TFramework::DrawShadowText(mode, PanelTextX, 200, 255, modeAlpha);
    TFramework::DrawShadowText("Round: " + std::to_string(LevelNumber), PanelTextX, 300, 255, alpha);
    TFramework::DrawShadowText("Score: " + std::to_string(Score), PanelTextX, 400, 255, alpha);
}

void TLevel::DrawNoPlayEnvironment(int32_t brightness, int32_t dim)
{
    const float a = 0.39215687f * static_cast<float>(brightness) / 100.0f;
    SetAlpha(1.0f);
    SetBlend(BLEND_ALPHA);
    SetColor(brightness, brightness, brightness);
    DrawImage(backGroundGFX, FieldCentreX, BackgroundY, 0);
    SetColor(255, 255, 255);
    DrawImage(ExitPipesInnerPaneImage, FieldCentreX, InnerPaneY, 0);
    SetColor(brightness, brightness, brightness);
    TBall::DrawBalls();
    TBrick::DrawBricks();
    TBullet::DrawBullets();
    TAlien::DrawAliens();
    TBonus::DrawBonuses();
    TAlienExplosion::DrawExplosions();
    Paddle->DrawPaddle();
    if (dim == 0) SetColor(255, 255, 255);
    DrawEnvironment();
    SetColor(255, 255, 255);
    SetAlpha(a);
    Paddle->DrawLives();
    DrawPanelTexts(a, a);
}

void TLevel::DrawLevelNoPlay(int32_t brightness, int32_t dim)
{
    Cls();
    DrawNoPlayEnvironment(brightness, dim);
    Flip(-1);
}

// The game's program entry: start-up, the front end or one game, shut-down, and the game state
// the trace records each frame.
#include "game/Krellix.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/audio/Audio.h"
#include "framework/graphics/Draw2D.h"
#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "framework/system/Memory.h"
#include "framework/system/Random.h"
#include "framework/system/Report.h"
#include "framework/system/TableFolder.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/Intro.h"
#include "game/LevelData.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBonus.h"
#include "game/TBrick.h"
#include "game/TBullet.h"
#include "game/TFramework.h"
#include "game/TGame.h"
#include "game/THighScorceEntry.h"
#include "game/TLevel.h"
#include "game/TMainMenu.h"
#include "game/TPersonEntry.h"
#include "game/TUserEntry.h"
#include "game/TZogShoot.h"

#include <cstdio>
#include <sstream>

namespace {

// What the display, the first screen's textures (a level's two 1024 x 1024 backgrounds among
// them) and the renderer's buffers take from the heap before the first frames.
constexpr size_t kWarmHeapBytes = 24u << 20;

template <typename T>
int32_t CountOf(const TListPtr<T>& list)
{
    return list ? list->Count() : 0;
}

// Thrown after a frame once the window was closed or the program was asked to end; every
// screen and game unwinds from there to the saving of the tables.
struct TQuitRequest {};

// While it lives, every Flip is followed by a look at the window's close request.
class TQuitOnClose {
public:
    TQuitOnClose()
        : _hook(AddPostFlipHook([] {
              if (AppTerminateRequested()) throw TQuitRequest{};
          }))
    {
    }
    ~TQuitOnClose() { RemoveFlipHook(_hook); }
    TQuitOnClose(const TQuitOnClose&) = delete;
    TQuitOnClose& operator=(const TQuitOnClose&) = delete;

private:
    int32_t _hook;
};

// Stops the decoding of sounds and pictures when it leaves; once they are loaded there is nothing
// left to stop.
struct TLoadingGuard {
    TLoadingGuard() = default;
    ~TLoadingGuard()
    {
        GameGraphics::AbandonLoading();
        GameSounds::AbandonLoading();
    }
    TLoadingGuard(const TLoadingGuard&) = delete;
    TLoadingGuard& operator=(const TLoadingGuard&) = delete;
};

// A JSON string of Latin-1 text: quotes, backslashes and everything outside printable ASCII escaped.
std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

void AppendLevelFields(std::ostringstream& out, const TLevel& level)
{
    out << ",\"level\":" << level.LevelNumber << ",\"GameMode\":" << GameMode << ",\"Score\":" << Score
        << ",\"Lives\":" << Lives << ",\"BricksLeft\":" << BricksLeft << ",\"EscapeState\":" << EscapeState
        << ",\"PaddleState\":" << PaddleState << ",\"PaddleScale\":" << PaddleScale
        << ",\"SpeedFactor\":" << SpeedFactor << ",\"SecondsCounter\":" << level.SecondsCounter
        << ",\"Paused\":" << (level.Paused ? "true" : "false");
    if (level.Paddle) out << ",\"paddle\":[" << level.Paddle->positionX << "," << level.Paddle->positionY << "]";
    out << ",\"balls\":[";
    bool first = true;
    if (BallList) {
        for (const auto& ball : *BallList) {
            out << (first ? "" : ",") << "[" << ball->positionX << "," << ball->positionY << "," << ball->speedX << ","
                << ball->speedY << "]";
            first = false;
        }
    }
    out << "],\"bricks\":" << CountOf(BrickList) << ",\"bonuses\":" << CountOf(BonusList)
        << ",\"bullets\":" << CountOf(BulletList) << ",\"aliens\":" << CountOf(AlienList)
        << ",\"explosions\":" << CountOf(ExplosionList) << ",\"zogshots\":" << CountOf(ZogShootList);
    // Where the boss's shots are, for a player program that dodges them.
    out << ",\"zogshotsAt\":[";
    first = true;
    if (ZogShootList) {
        for (const auto& shot : *ZogShootList) {
            out << (first ? "" : ",") << "[" << shot->positionX << "," << shot->positionY << "]";
            first = false;
        }
    }
    out << "]";
}

}  // namespace

int KrellixMain(int32_t startLevel)
{
    // The first screen's textures and the renderer's own buffers find their pages in place.
    THeapWarmer warmHeap(kWarmHeapBytes);
    RegisterEmbeddedFonts();
    // The sounds, and the first level's music when the game starts at a level, decode on other
    // threads while the display opens and the pictures decode.
    const bool knownLevel = startLevel >= 1 && startLevel <= static_cast<int32_t>(LevelSettings.size());
    GameSounds::StartLoading(knownLevel ? LevelSettings[static_cast<size_t>(startLevel - 1)].musicId : 0);
    // The pictures too, with their handles in the middle: nothing is drawn before they are loaded.
    SetAutoMidHandle(true);
    GameGraphics::StartLoading(startLevel);
    // A run cut short stops the decoding rather than waiting for all of it.
    const TLoadingGuard loading;
    LevelDataCursor = 0;
    StarList = std::make_shared<TList<TStar>>();
    SetTraceScreen("loading");

    // Depth 32 asks for the full screen; the platform may give a window or an offscreen surface.
    TGraphicsPtr graphics = OpenGraphics(1024, 768, 32, 60, 0);
    if (!graphics) {
        ReportProblem("the display could not be opened at 1024 x 768");
        return 1;
    }
    Flip(-1);
    SeedRandom(CurrentMillisecs());
    GameGraphics::LoadFonts();
    TFramework::DrawCentredShadowText("Loading...", GraphicsWidth() / 2, GraphicsHeight() / 2, 255);
    Flip(-1);

    TUserEntry::LoadUserTable(TablePath(UserFile), "");
    if (!THighScorceEntry::LoadHighScoreTable(TablePath(HighScoreFile), "")) THighScorceEntry::FormatTopScore();
    HideMouse();
    ClearKeyboard();
    MusicChannel = AllocChannel();
    GameGraphics::LoadImagesForFirstScreen();
    GameSounds::LoadSounds();

    // From here on, closing the window ends the program from any screen as Quit does; a game in
    // progress is dropped as Escape drops it.
    {
        const TQuitOnClose quitOnClose;
        try {
            if (startLevel > 0) {
                // One game from the given level, as New Game plays it, and then the end.
                GameMode = GameCommon::GameMode_LevelStart;
                StopChannel(MusicChannel);
                SetTraceScreen("level");
                TGame::Create(startLevel)->NewGame();
            } else {
                MainMenu = TMainMenu::Create();
                ShowIntro();
                ClearKeyboard();
                MainMenu->Main(1, 1);
            }
        } catch (const TQuitRequest&) {
            // Every screen has unwound; the tables are saved below as after Quit.
        }
    }

    // Any picture or sound that could not be loaded is named even in the shortest game.
    GameGraphics::FinishLoading();
    GameSounds::FinishLoading();
    return SaveTables() ? 0 : 1;
}

void RestoreInitialState()
{
    Score = 0;
    Lives = 0;
    BricksLeft = 0;
    GameMode = GameCommon::GameMode_LevelStart;
    EscapeState = GameCommon::EscapeOpen_Closed;
    MoveMode = GameCommon::MoveMode_Traditional;
    TopWallHit = 0;
    SpeedFactor = 0;
    NextSpeedUpSecond = 0;
    PaddleState = TPaddle::normal;
    PaddleScale = 0.0f;
    PaddleLazerFrame = 0;
    BallList = nullptr;
    BrickList = nullptr;
    BonusList = nullptr;
    BulletList = nullptr;
    AlienList = nullptr;
    ExplosionList = nullptr;
    ZogShootList = nullptr;
    SurvivedBrickHits = 0;
    // Start-up makes the starfield's list.
    StarList = nullptr;
    HighScoreList = nullptr;
    CurrentUserName.clear();
    CurrentUserLevel = 1;
    FinalScore = 0;
    MusicChannel = nullptr;
    FXChannel = nullptr;
    LevelMusic = nullptr;
    LevelDataCursor = 0;
    LargeFont = nullptr;
    SmallFont = nullptr;
    SetTraceScreen("loading");

    NextAlienSecond = 0;
    NextZogShotSecond = 0;
    ZogSalvoCount = 0;
    ScrollTextOffset = 800;
    Intro::Stage = 0;
    SinusPhase = 0;
    HighScoreKeyPosition = 1;
    MainMenu = nullptr;
    PersonList = nullptr;
    PersonKeyPosition = 1;
    UserList = nullptr;
    CurrentUserChosen = false;

    for (const TImageAsset& image : GameGraphics::Images()) *image.variable = nullptr;
    GameGraphics::AbandonLoading();
    GameSounds::AbandonLoading();
    for (const TSoundAsset& sound : GameSounds::Sounds()) *sound.variable = nullptr;
}

bool SaveTables()
{
    PrepareTableFolder();
    // Both are attempted: one table that cannot be saved does not cost the other.
    const bool users = TUserEntry::SaveUserTable(TablePath(UserFile), "");
    const bool scores = THighScorceEntry::SaveHighScoreTable(TablePath(HighScoreFile), "");
    return users && scores;
}

void ShowIntro()
{
    SetTraceScreen("intro");
    SetImageFont(LargeFont);
    SetBlend(BLEND_ALPHA);
    TStar::Create();
    Intro::ShowStartText();
    Intro::ShowZoomTexts();
    Intro::ShowQuillonLogo();
    Intro::ShowPresents();
    Intro::ShowKrellixLogo();
}

std::string GameTraceFields()
{
    std::ostringstream out;
    out << "\"screen\":" << JsonString(std::string(TraceScreen()));
    if (MainMenu)
        out << ",\"MenuState\":" << MainMenu->MenuState << ",\"MoveMode\":" << MoveMode
            << ",\"CurrentUserName\":" << JsonString(CurrentUserName) << ",\"CurrentUserLevel\":" << CurrentUserLevel;
    if (TraceScreen() == "level") {
        if (const TLevelPtr level = TLevel::Current()) AppendLevelFields(out, *level);
    } else if (Intro::Stage > 0) {
        out << ",\"introStage\":" << Intro::Stage;
    }
    return out.str();
}

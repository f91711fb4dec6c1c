// The game's program entry: start-up, one game (until the menu takes over), shut-down, and the
// game state the trace records each frame.
#include "game/Krellix.h"

#include "fonts/EmbeddedFonts.h"
#include "framework/audio/Audio.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/system/Clock.h"
#include "framework/system/Input.h"
#include "framework/system/Random.h"
#include "game/GameCommon.h"
#include "game/GameGraphics.h"
#include "game/GameSounds.h"
#include "game/TAlien.h"
#include "game/TBall.h"
#include "game/TBonus.h"
#include "game/TBrick.h"
#include "game/TBullet.h"
#include "game/TFramework.h"
#include "game/TGame.h"
#include "game/THighScorceEntry.h"
#include "game/TLevel.h"
#include "game/TUserEntry.h"
#include "game/TZogShoot.h"

#include <cstdio>
#include <sstream>

namespace {

const char* const UserFile = "users.dat";
const char* const HighScoreFile = "highscore.dat";

template <typename T>
int32_t CountOf(const TListPtr<T>& list)
{
    return list ? list->Count() : 0;
}

}  // namespace

int KrellixMain(int32_t startLevel)
{
    RegisterEmbeddedFonts();
    LevelDataCursor = 0;
    StarList = std::make_shared<TList<TStar>>();

    // Depth 32 asks for the full screen; the platform may give a window or an offscreen surface.
    TGraphicsPtr graphics = OpenGraphics(1024, 768, 32, 60, 0);
    if (!graphics) {
        std::fprintf(stderr, "krellix: the display could not be opened at 1024 x 768\n");
        return 1;
    }
    Flip(-1);
    SetAutoMidHandle(true);
    SeedRandom(CurrentMillisecs());
    GameGraphics::LoadFonts();
    TFramework::DrawCentredShadowText("Loading...", GraphicsWidth() / 2, GraphicsHeight() / 2, 255);
    Flip(-1);

    TUserEntry::LoadUserTable(UserFile, "");
    if (!THighScorceEntry::LoadHighScoreTable(HighScoreFile, "")) THighScorceEntry::FormatTopScore();
    HideMouse();
    ClearKeyboard();
    MusicChannel = AllocChannel();
    GameGraphics::LoadImages();
    GameSounds::LoadSounds();

    // Until the menu exists, the program plays one game as New Game does and then quits.
    GameMode = GameCommon::GameMode_LevelStart;
    StopChannel(MusicChannel);
    TGame::Create(startLevel > 0 ? startLevel : 1)->NewGame();

    return SaveTables() ? 0 : 1;
}

bool SaveTables()
{
    // Both are attempted: one table that cannot be saved does not cost the other.
    const bool users = TUserEntry::SaveUserTable(UserFile, "");
    const bool scores = THighScorceEntry::SaveHighScoreTable(HighScoreFile, "");
    return users && scores;
}

std::string GameTraceFields()
{
    const TLevelPtr level = TLevel::Current();
    if (!level) return "";
    std::ostringstream out;
    out << "\"level\":" << level->LevelNumber << ",\"GameMode\":" << GameMode << ",\"Score\":" << Score
        << ",\"Lives\":" << Lives << ",\"BricksLeft\":" << BricksLeft << ",\"EscapeState\":" << EscapeState
        << ",\"PaddleState\":" << PaddleState << ",\"PaddleScale\":" << PaddleScale
        << ",\"SpeedFactor\":" << SpeedFactor << ",\"SecondsCounter\":" << level->SecondsCounter;
    if (level->Paddle) out << ",\"paddle\":[" << level->Paddle->positionX << "," << level->Paddle->positionY << "]";
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
    return out.str();
}

// Program-wide game state and the music and effect helpers.
#include "game/GameCommon.h"

#include "framework/graphics/Graphics.h"
#include "framework/system/AssetLoader.h"

int32_t Score = 0;
int32_t Lives = 0;
int32_t BricksLeft = 0;
int32_t GameMode = 1;
int32_t EscapeState = 0;
int32_t MoveMode = 0;
int32_t TopWallHit = 0;
int32_t SpeedFactor = 0;
int32_t NextSpeedUpSecond = 0;
int32_t PaddleState = 0;
float PaddleScale = 0.0f;
int32_t PaddleLazerFrame = 0;
TListPtr<TBall> BallList;
TListPtr<TBrick> BrickList;
TListPtr<TBonus> BonusList;
TListPtr<TBullet> BulletList;
TListPtr<TAlien> AlienList;
TListPtr<TAlienExplosion> ExplosionList;
TListPtr<TZogShoot> ZogShootList;
int32_t SurvivedBrickHits = 0;
TListPtr<TStar> StarList;
TListPtr<THighScorceEntry> HighScoreList;
std::string CurrentUserName;
int32_t CurrentUserLevel = 1;
int32_t FinalScore = 0;
TChannelPtr MusicChannel;
TChannelPtr FXChannel;
TSoundPtr LevelMusic;
int32_t LevelDataCursor = 0;
TImageFontPtr LargeFont;
TImageFontPtr SmallFont;

namespace {

std::string_view CurrentTraceScreen = "loading";

}  // namespace

void SetTraceScreen(std::string_view name) { CurrentTraceScreen = name; }

std::string_view TraceScreen() { return CurrentTraceScreen; }

void GameCommon::PlayMusic(const TSoundPtr& sound)
{
    if (!sound) return;
    MusicChannel = AllocChannel();
    MusicChannel = PlaySound(sound, MusicChannel);
}

void GameCommon::EndMusic()
{
    if (ChannelPlaying(MusicChannel)) StopChannel(MusicChannel);
}

void GameCommon::playFX(const TSoundPtr& sound)
{
    if (!sound) return;
    FXChannel = AllocChannel();
    FXChannel = PlaySound(sound, FXChannel);
}

void TLoaderSettling::Start()
{
    if (_hook != 0) return;
    _hook = AddPostFlipHook([this] {
        if (_loader.Poll()) Stop();
    });
}

void TLoaderSettling::Stop()
{
    if (_hook != 0) RemoveFlipHook(_hook);
    _hook = 0;
}

// Test world for the game shell: recording graphics, a virtual clock, scripted input, the Null
// audio driver, fresh game state and synthetic images of the catalogue's sizes.
#include "GameWorld.h"

#include <stdexcept>

namespace {

// Flip hooks stay installed for the whole test binary; they serve whichever world is active.
GameWorldTest* ActiveWorld = nullptr;
std::function<void()> ActiveAfterFlip;

void InstallHooksOnce()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    AddPostFlipHook([] {
        if (ActiveAfterFlip) ActiveAfterFlip();
    });
}

}  // namespace

void GameWorldTest::SetUp()
{
    SetAudioDriver("Null");
    clock = std::make_shared<TVirtualClock>(0);
    SetClock(clock);
    events = std::make_shared<TTestEventSource>(std::vector<TScriptEntry>{});
    SetEventSource(events);
    driver = std::make_shared<TRecordingDriver>();
    graphics = OpenRecordingGraphics(1024, 768, driver);
    ASSERT_NE(graphics, nullptr);
    InstallHooksOnce();
    ActiveWorld = this;
    ActiveAfterFlip = [this] { AfterFlip(); };
    FlushInputState();
    SetAutoMidHandle(true);
    SeedRandom(1234);

    RestoreInitialState();
    // A game under way (the level tests start one without TGame, which sets the lives), and the
    // music channel that start-up allocates.
    Lives = 5;
    MusicChannel = AllocChannel();

    // The play field's frame: borders of 32 pixels around a 704-pixel field, a 256-pixel panel.
    LeftBorderImage = MakeImage(32, 768);
    TopBorderImage = MakeImage(704, 32);
    RightBorderImage = MakeImage(32, 768);
    InfoFieldImage = MakeImage(256, 768);
    SidebarLogoImage = MakeImage(200, 100);
    ExitPipesInnerPaneImage = MakeImage(704, 736);
    ExitPipesGlowRightImage = MakeImage(24, 96);
    PadImage = MakeImage(96, 24);
    PadShadowImage = MakeImage(96, 24);
    PadLazerAnimImage = MakeImage(96, 32, 10);
    BallImage = MakeImage(16, 16);
    BallShadowImage = MakeImage(16, 16);
    DotImage = MakeImage(1, 1);
    LazerImage = MakeImage(6, 20);
    BlockShadowImage = MakeImage(60, 25);
    BigBossShadowImage = MakeImage(184, 368);
    for (TImagePtr* block : {&BlockWhiteImage, &BlockRedImage, &BlockYellowImage, &BlockLightBlueImage, &BlockRoseImage,
                             &BlockGreenImage, &BlockBlueImage})
        *block = MakeImage(60, 25);
    BlockSemiSolidAnimImage = MakeImage(60, 25, 10);
    BlockSolidAnimImage = MakeImage(60, 25, 10);
    ZogAnimImage = MakeImage(184, 368, 12);
    BrownAlienImage = MakeImage(32, 32);
    RedAlienImage = MakeImage(32, 32);
    BlackAlienImage = MakeImage(32, 32);
    AlienShadowImage = MakeImage(32, 32);
    AlienExplosionImage = MakeImage(64, 64, 64);
    ZogExplosionImage = MakeImage(8, 8, 200);
    ZogLienBigImage = MakeImage(32, 32);
    ZogLienSmallImage = MakeImage(24, 24);
    for (TImagePtr* bonus : {&BonusDImage, &BonusCImage, &BonusEImage, &BonusSImage, &BonusLImage, &BonusPImage,
                             &BonusXImage, &BonusShadowImage})
        *bonus = MakeImage(44, 22);
    // Distinct backgrounds, so a test can tell which one a level chose.
    for (TImagePtr* background :
         {&Background08Image, &Background09Image, &Background10Image, &Background11Image, &Background12Image,
          &Background13Image, &Background14Image, &Background15Image, &Background16Image, &Background17Image,
          &Background18Image, &Background19Image, &Background20Image, &Background21Image, &Background22Image,
          &Background23Image, &Background24Image, &Background25Image, &Background26Image, &Background27Image,
          &Background28Image, &Background29Image, &Background30Image, &Background31Image, &Background32Image,
          &Background34Image, &Background35Image, &Background36Image, &Background37Image, &Background38Image,
          &Background39Image, &Background42Image, &Background43Image})
        *background = MakeImage(4, 4);
}

void GameWorldTest::TearDown()
{
    ActiveAfterFlip = nullptr;
    ActiveWorld = nullptr;
    SetEventSource(nullptr);
    EndGraphics();
    SetClock(nullptr);
}

void GameWorldTest::AfterFlip()
{
    ++flips;
    if (flips > flipLimit) throw std::runtime_error("the game ran past " + std::to_string(flipLimit) + " frames");
    events->SetFrame(flips);
    if (keepFrames) frames.push_back({flips, clock->Millisecs(), driver->presented});
    if (onFlip) onFlip(flips);
}

void GameWorldTest::Script(const std::string& text)
{
    std::vector<TScriptEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseInputScript(text, entries, error)) << error;
    events = std::make_shared<TTestEventSource>(entries);
    events->SetFrame(flips);
    SetEventSource(events);
}

void GameWorldTest::Press(int32_t key) { HandleInputEvent({EVENT_KEYDOWN, key, 0, 0, 0}); }

void GameWorldTest::Release(int32_t key) { HandleInputEvent({EVENT_KEYUP, key, 0, 0, 0}); }

void GameWorldTest::Click()
{
    HandleInputEvent({EVENT_MOUSEDOWN, 1, 0, 0, 0});
    HandleInputEvent({EVENT_MOUSEUP, 1, 0, 0, 0});
}

void GameWorldTest::PointerTo(int32_t x, int32_t y) { HandleInputEvent({EVENT_MOUSEMOVE, 0, 0, x, y}); }

std::vector<TDrawRecord> GameWorldTest::Texts(const std::vector<TDrawRecord>& records, const std::string& text)
{
    std::vector<TDrawRecord> out;
    for (const TDrawRecord& r : records)
        if (r.kind == TDrawKind::Text && r.text == text) out.push_back(r);
    return out;
}

std::vector<TDrawRecord> GameWorldTest::Draws(const std::vector<TDrawRecord>& records, const TImagePtr& image)
{
    std::vector<TDrawRecord> out;
    for (const TDrawRecord& r : records)
        if (r.kind == TDrawKind::Image && r.image == image.get()) out.push_back(r);
    return out;
}
